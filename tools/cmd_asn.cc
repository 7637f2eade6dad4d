// pkixtool asn dump: the element tree of a DER file, one line per element
// in the manner of asn1parse: offset, depth, header and content lengths,
// constructed or primitive, the tag, and the value of primitive kinds.
// Identifier and length octets are read by the host's generic ASN.1
// service. Object identifiers print as dotted text with the algorithm's
// name where the loaded module's conversion table knows it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "alg/pki_alg.h"
#include "contract/service_ids.h"
#include "tools/asn_walk.h"
#include "tools/commands.h"
#include "tools/oid_names.h"
#include "tools/tool_objects.h"
#include "tools/tool_util.h"

namespace pkixtool {
namespace {

// Names of the algorithms the tool's identifier table does not name (those
// it names come from it), and of the PKCS #9 attributes the module's attribute
// objects know.
struct AlgNameRow {
  pki_alg_t alg;
  const char* name;
};
const AlgNameRow kAlgNames[] = {
    {PKI_ALG_RSA, "rsaEncryption"},     {PKI_ALG_DSA, "dsaEncryption"},      {PKI_ALG_DH, "dhKeyAgreement"},
    {PKI_ALG_DSA_OIW, "dsaEncryption-old"}, {PKI_ALG_DH_X942, "dhpublicnumber"}, {PKI_ALG_RC2_CBC, "rc2-cbc"},
    {PKI_ALG_RC4, "rc4"},               {PKI_ALG_RC5_CBC, "rc5-cbc"},        {PKI_ALG_DES_CBC, "des-cbc"},
    {PKI_ALG_DES_EDE3_CBC, "des-ede3-cbc"}, {PKI_ALG_EC, "id-ecPublicKey"},  {PKI_ALG_SHA, "sha"},
    {PKI_ALG_SHA1, "sha1"},             {PKI_ALG_MD2, "md2"},                {PKI_ALG_MD5, "md5"},
    {PKI_ALG_SHA224, "sha224"},         {PKI_ALG_SHA256, "sha256"},          {PKI_ALG_SHA384, "sha384"},
    {PKI_ALG_SHA512, "sha512"},
};
struct ContentName {
  const char* content;  // DER content octets of the identifier, in hex
  const char* name;
};
const ContentName kAttributeNames[] = {
    {"2A864886F70D01090E", "extensionRequest"},
    {"2A864886F70D010915", "localKeyID"},
    {"2A864886F70D010914", "friendlyName"},
    {"2A864886F70D010907", "challengePassword"},
};

using Asn2AlgFn = pki_alg_t (*)(const unsigned char*, unsigned);

// The name the module knows for an identifier's content octets, or null.
const char* OidNameOf(Asn2AlgFn asn2alg, const unsigned char* p, size_t n) {
  const std::string hex = Hex(p, n);
  for (const ContentName& c : kAttributeNames) {
    if (hex == c.content) return c.name;
  }
  if (asn2alg == nullptr) return nullptr;
  const pki_alg_t a = asn2alg(p, static_cast<unsigned>(n));
  if (a == PKI_ALG_NONE) return nullptr;
  Buffer content;
  init_buffer(&content);
  set_buffer(&content, static_cast<unsigned>(n), p);
  if (const char* name = pkixtool::OidName(DottedOid(content))) return name;
  for (const AlgNameRow& o : kAlgNames) {
    if (o.alg == a) return o.name;
  }
  return nullptr;
}

}  // namespace

int RunAsnDump(Context& ctx) {
  if (ctx.args.size() != 1) return kExitUsage;
  const std::string& path = ctx.args[0];
  std::string content;
  std::string why;
  if (!ReadWholeFile(path, &content, &why)) {
    std::fprintf(stderr, "pkixtool asn: %s\n", why.c_str());
    return kExitFailed;
  }
  Octets der;
  if (IsPemText(content)) {
    std::vector<Block> blocks;
    if (!ReadPemBlocks(path, content, &blocks, &why)) {
      std::fprintf(stderr, "pkixtool asn: %s\n", why.c_str());
      return kExitFailed;
    }
    if (blocks.empty()) {
      std::fprintf(stderr, "pkixtool asn: %s holds no PEM block\n", path.c_str());
      return kExitFailed;
    }
    der = blocks[0].der;  // the first block, as asn1parse takes it
  } else {
    der.assign(content.begin(), content.end());
  }
  auto asn2alg = reinterpret_cast<Asn2AlgFn>(ctx.module->symbol("asn2alg"));
  AsnLineWriter line = [&](const AsnElement& e) {
    std::string value = e.value;
    if (e.kind == AsnValueKind::kOid) {
      const char* name = OidNameOf(asn2alg, e.content, e.content_len);
      if (name != nullptr) value += std::string(" (") + name + ")";
    }
    char length[24];
    if (e.indefinite) {
      std::snprintf(length, sizeof length, "inf ");
    } else {
      std::snprintf(length, sizeof length, "%4zu", e.content_len);
    }
    // A hex dump carries its own label before the colon.
    const char* sep = value.empty() || value[0] == '[' ? "" : ":";
    std::printf("%5zu:d=%-2u hl=%zu l=%s %s: %-18s%s%s\n", e.offset, e.depth, e.header_len, length,
                e.constructed ? "cons" : "prim", e.tag_name.c_str(), sep, value.c_str());
  };
  // The host's generic ASN.1 service reads the headers.
  const Tuint32ID service(pkixid::kGenericAsn);
  const Tuint32ID requester(pkixhost::Host::kHostModuleID);
  CMN_GuardedRef* held = ctx.host->acquire(service, requester);
  const AsnWalkResult r = AsnWalk(static_cast<CMN_ASN_Interface*>(held), der.data(), der.size(), line);
  if (held != nullptr) ctx.host->release(service, requester);
  if (r.code != AsnWalkCode::kOk) {
    std::fprintf(stderr, "pkixtool asn: %s: %s at offset %zu\n", path.c_str(), AsnWalkText(r.code), r.offset);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace pkixtool
