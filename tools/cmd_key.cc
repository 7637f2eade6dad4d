// pkixtool key commands, through the loaded module's key service (0x3f0008):
//   show FILE [--json]
//               a key in DER or PEM, public or private: kind, algorithm,
//               size in bits, vendor, and every attribute in hex
#include <cstdio>
#include <string>
#include <vector>

#include "alg/pki_alg.h"
#include "contract/service_ids.h"
#include "contract/tbuf.h"
#include "key/tkey.h"
#include "module/pkixkeysrv.h"
#include "support/result_codes.h"
#include "tools/commands.h"
#include "tools/der_kind.h"
#include "tools/report.h"
#include "tools/tool_objects.h"
#include "tools/tool_util.h"

namespace pkixtool {

namespace {

// The key interfaces' type information stays inside the module: calls into
// its objects get no sanitizer dynamic-type check.
#define KEY_CALLS __attribute__((no_sanitize("vptr")))

// What a file holds: the octets and the kind of key they are read as, or
// KT_NONE when the kind is to be found out (DER: public, then private).
struct KeyFile {
  Octets der;
  TKey::key_type_t kind = TKey::KT_NONE;
  bool rsa_public_key = false;  // a bare RSAPublicKey (PEM "RSA PUBLIC KEY")
};

// PEM labels of the keys read, and whether each is public.
struct KeyLabel {
  const char* label;
  bool is_public;
};
const KeyLabel kKeyLabels[] = {
    {"PUBLIC KEY", true},       {"RSA PUBLIC KEY", true},  {"PRIVATE KEY", false},
    {"RSA PRIVATE KEY", false}, {"DSA PRIVATE KEY", false}, {"EC PRIVATE KEY", false},
};

// The key of a file (DER, or the first key block of PEM text; blocks of
// other kinds are skipped). False with *why when there is none.
bool ReadKeyFile(const std::string& path, KeyFile* out, std::string* why) {
  std::vector<std::string> labels;
  for (const KeyLabel& k : kKeyLabels) labels.emplace_back(k.label);
  std::vector<Block> keys;
  if (!ReadObjects(path, labels, "key", &keys, why)) return false;
  if (keys.size() > 1) {
    std::fprintf(stderr, "pkixtool key: %s holds %zu keys; the first is used\n", path.c_str(), keys.size());
  }
  Block& first = keys[0];
  out->der.swap(first.der);
  for (const KeyLabel& k : kKeyLabels) {
    // The label tells the kind.
    if (first.label == k.label) out->kind = k.is_public ? TKey::KT_PUBLIC : TKey::KT_PRIVATE;
  }
  out->rsa_public_key = first.label == "RSA PUBLIC KEY";
  return true;
}

struct Name {
  uint32_t value;
  const char* name;
};

const Name kKinds[] = {{TKey::KT_NONE, "none"}, {TKey::KT_PUBLIC, "public"}, {TKey::KT_PRIVATE, "private"},
                       {TKey::KT_SECRET, "secret"}};

const Name kAlgorithms[] = {
    {PKI_ALG_RSA, "RSA"},
    {PKI_ALG_DSA, "DSA"},
    {PKI_ALG_DH, "Diffie-Hellman"},
    {PKI_ALG_EC, "EC"},
    {PKI_ALG_DES_CBC, "DES-CBC"},
    {PKI_ALG_DES_EDE3_CBC, "DES-EDE3-CBC"},
    {PKI_ALG_RC2_CBC, "RC2-CBC"},
    {PKI_ALG_GOST3410_TIK, "GOST R 34.10-94 (TIK)"},
    {PKI_ALG_GOST3410_CPRO, "GOST R 34.10-94 (CPRO)"},
    {PKI_ALG_GOST341001_CPRO, "GOST R 34.10-2001 (CPRO)"},
    {PKI_ALG_GOST3410_SC, "GOST R 34.10-94 (SC)"},
    {PKI_ALG_GOST341001_SC, "GOST R 34.10-2001 (SC)"},
};

const Name kVendors[] = {{VENDOR_NONE, "none"}, {VENDOR_TIK, "TIK"}, {VENDOR_CPRO, "CPRO"}, {VENDOR_SC, "SC"}};

// Every value-carrying attribute, in identifier order.
const Name kAttributes[] = {
    {TKey::AKA_MODULUS, "modulus"},
    {TKey::AKA_RSA_BITS, "RSA bits"},
    {TKey::AKA_PUB_EXPONENT, "public exponent"},
    {TKey::AKA_PRIV_EXPONENT, "private exponent"},
    {TKey::AKA_PRIME1, "prime 1"},
    {TKey::AKA_PRIME2, "prime 2"},
    {TKey::AKA_EXPONENT1, "exponent 1"},
    {TKey::AKA_EXPONENT2, "exponent 2"},
    {TKey::AKA_COEFFICIENT, "coefficient"},
    {TKey::AKA_P, "p"},
    {TKey::AKA_Q, "q"},
    {TKey::AKA_G, "g"},
    {TKey::AKA_KEY, "key value"},
    {TKey::AKA_BITS, "bits"},
    {TKey::AKA_IV, "iv"},
    {TKey::AKA_X16, "attribute 16"},
    {TKey::AKA_X17, "attribute 17"},
    {TKey::AKA_ALG_PARAMS, "algorithm parameters"},
    {TKey::AKA_CONTAINER_NAME, "container name"},
    {TKey::AKA_CONTAINER_ATTR1, "container field 1"},
    {TKey::AKA_CONTAINER_ATTR2, "container field 2"},
    {TKey::AKA_CONTAINER_ATTR0, "container field 0"},
};

template <size_t N>
const char* NameOf(const Name (&table)[N], uint32_t v) {
  for (const Name& n : table) {
    if (n.value == v) return n.name;
  }
  return "unknown";
}

// The octets of a returned buffer, which is released.
KEY_CALLS Octets Take(TBuf* b) {
  Octets out;
  if (b == nullptr) return out;
  out.assign(b->datap(), b->datap() + b->len());
  b->release();
  return out;
}

uint32_t BigEndian(const Octets& v) {
  uint32_t x = 0;
  for (unsigned char c : v) x = x << 8 | c;
  return x;
}

// A key of the given kind read from the file's octets: setRaw, or for a
// bare RSAPublicKey the RSA body's setKey over a buffer of the host's buffer
// service. Null with *code the key's error when it refuses them.
KEY_CALLS TKey* Read(Context& ctx, TPkixKeyService* service, const KeyFile& f, TKey::key_type_t kind,
                     bool rsa_public_key, int* code) {
  TKey* k = service->createTKey(kind);
  if (k == nullptr) {
    *code = pkixrc::kNoMemory;
    return nullptr;
  }
  unsigned len = static_cast<unsigned>(f.der.size());
  if (!rsa_public_key) {
    *code = k->setRaw(f.der.data(), len);
  } else {
    Acquired<X509CmnSrv_I> buffers(ctx, pkixid::kBuffers);
    TBuf* value = buffers ? buffers->createTBuf(f.der.data(), len) : nullptr;
    *code = value == nullptr                           ? pkixrc::kNoMemory
            : k->setAlg(PKI_ALG_RSA) != pkixrc::kOk ? k->error()
                                                     : k->setKey(value);
    if (value != nullptr) value->release();
  }
  if (*code != pkixrc::kOk) {
    k->release();
    return nullptr;
  }
  return k;
}

// The report of a key: kind, algorithm, size, vendor and every attribute
// that holds a value. The keys are listed in README.md ("JSON output").
KEY_CALLS Report KeyReport(TKey* k, const std::string& path) {
  Report r = Report::object();
  r["file"] = path;
  r["kind"] = NameOf(kKinds, k->getType());
  pki_alg_t alg = k->getAlg();
  r["algorithm"] = NameOf(kAlgorithms, alg);
  r["algorithm_number"] = AlgNumber(alg);
  Octets bits = Take(k->getParam(TKey::AKA_BITS));
  if (bits.size() == 4) {
    r["bits"] = BigEndian(bits);
  } else {
    r["bits"] = nullptr;
    // A key container has no size.
    r["size"] = k->error() == pkixrc::kWrongType ? "none" : "unknown (" + CodeText(k->error()) + ")";
  }
  pki_vendor v = k->getVendor();
  r["vendor"] = NameOf(kVendors, v);
  r["vendor_number"] = static_cast<int>(v);
  Report attributes = Report::array();
  for (const Name& a : kAttributes) {
    Octets value = Take(k->getParam(static_cast<TKey::aka_t>(a.value)));
    if (k->error() != pkixrc::kOk || value.empty()) continue;
    attributes.push_back({{"id", a.value}, {"name", a.name}, {"hex", Hex(value.data(), value.size())}});
  }
  r["attributes"] = std::move(attributes);
  return r;
}

void PrintKeyReport(const Report& r) {
  std::printf("kind: %s\n", r["kind"].get<std::string>().c_str());
  std::printf("algorithm: %s (%s)\n", r["algorithm_number"].get<std::string>().c_str(),
              r["algorithm"].get<std::string>().c_str());
  if (r["bits"].is_null()) {
    std::printf("size: %s\n", r["size"].get<std::string>().c_str());
  } else {
    std::printf("size: %u bits\n", r["bits"].get<unsigned>());
  }
  std::printf("vendor: %d (%s)\n", r["vendor_number"].get<int>(), r["vendor"].get<std::string>().c_str());
  std::printf("attributes:\n");
  for (const Report& a : r["attributes"]) {
    std::printf("  %2u %-21s ", a["id"].get<unsigned>(), a["name"].get<std::string>().c_str());
    // 32 octets (64 digits) to a line after the first, indented.
    std::string hex = a["hex"].get<std::string>();
    for (size_t i = 0; i < hex.size(); i += 64) {
      std::printf("%s%s", i == 0 ? "" : "\n      ", hex.substr(i, 64).c_str());
    }
    std::printf("\n");
  }
}

}  // namespace

KEY_CALLS int RunKeyShow(Context& ctx) {
  if (ctx.args.size() != 1) {
    std::fprintf(stderr, "usage: pkixtool key show FILE [--json]\n");
    return kExitUsage;
  }
  const std::string& path = ctx.args[0];
  KeyFile f;
  std::string why;
  if (!ReadKeyFile(path, &f, &why)) {
    std::fprintf(stderr, "pkixtool key: %s\n", why.c_str());
    return kExitFailed;
  }
  Acquired<TPkixKeyService> acquired(ctx, pkixid::kKeyService);
  TPkixKeyService* service = acquired.get();
  if (service == nullptr) {
    std::fprintf(stderr, "pkixtool key: the key service does not answer\n");
    return kExitFailed;
  }
  int rc = kExitOk;
  {
    GuardLockVar g(ctx.module->guard());
    int code = pkixrc::kOk;
    TKey* k = nullptr;
    if (f.kind != TKey::KT_NONE) {
      k = Read(ctx, service, f, f.kind, f.rsa_public_key, &code);
    } else {
      // DER says nothing of its kind: a public key, a private one, or at
      // last a bare RSAPublicKey. A CPRO or SC key container has the shape
      // of a public key: read as a container when it is one.
      k = Read(ctx, service, f, TKey::KT_PUBLIC, false, &code);
      uint32_t vendor = k != nullptr ? pki_alg_vendor(k->getAlg()) : 0;
      if (vendor == VENDOR_CPRO || vendor == VENDOR_SC) {
        TKey* container = Read(ctx, service, f, TKey::KT_PRIVATE, false, &code);
        if (container != nullptr) {
          k->release();
          k = container;
        }
        code = pkixrc::kOk;
      }
      if (k == nullptr) k = Read(ctx, service, f, TKey::KT_PRIVATE, false, &code);
      if (k == nullptr) {
        int first = code;
        k = Read(ctx, service, f, TKey::KT_PUBLIC, true, &code);
        if (k == nullptr) code = first;
      }
    }
    if (k == nullptr) {
      std::string kind = DerKind(f.der) != nullptr ? DerKind(f.der) : "";
      bool no_key = kind == kKindCertificate || kind == kKindCrl || kind == kKindSet;
      std::fprintf(stderr, "pkixtool key: %s: not a key the module reads: %s%s\n", path.c_str(),
                   CodeText(code).c_str(), no_key ? ("; the file holds a " + kind).c_str() : "");
      rc = kExitFailed;
    } else {
      Report r = KeyReport(k, path);
      k->release();
      if (ctx.json) {
        PrintJson(r);
      } else {
        PrintKeyReport(r);
      }
    }
  }
  return rc;
}

}  // namespace pkixtool
