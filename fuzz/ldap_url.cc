// The directory client's readers of hostile input. The first octet picks
// the path, the rest is its input:
//   0  a URL: when it reads, its DN must parse as LDAPv3 text and its
//      attribute must be one of the four known ones;
//   1  a DER name: when it renders, the text must parse back as LDAPv3 with
//      as many RDNs as the DER has;
//   2  answer values as a server could send them (each a two-octet length,
//      then the value), kept by kind: the kept octets must split back into
//      exactly the values kept, and the module's CRL and certificate lists
//      are built from them.
#include <ldap.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cert/tcert.h"
#include "crl/tcrl.h"
#include "host/hostldap_answer.h"
#include "host/hostldap_text.h"
#include "support/der_reader.h"
#include "support/ref.h"
#include "support/result_codes.h"
#include "testing/cert_service_side.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

// The number of RDNs of LDAPv3 text; -1 when it does not parse.
int RdnsOf(const std::string& text) {
  LDAPDN dn = nullptr;
  if (ldap_str2dn(text.c_str(), &dn, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS) return -1;
  int n = 0;
  while (dn != nullptr && dn[n] != nullptr) ++n;
  ldap_dnfree(dn);
  return n;
}

// The RDNs of a DER name: the SETs in its outer SEQUENCE; -1 when it does
// not read.
int RdnsOfDer(const uint8_t* p, size_t n) {
  DerReader r(Buffer{nullptr, const_cast<uint8_t*>(p), static_cast<uint32_t>(n)});
  int count = 0;
  int rc = r.element(der::kSequence, [&](DerReader& name) {
    while (!name.atEnd()) {
      int set_rc = name.element(der::kSet, [](DerReader& set) {
        set.skipRest();
        return 0;
      });
      if (set_rc != 0) return set_rc;
      ++count;
    }
    return 0;
  });
  return rc == 0 ? count : -1;
}

void Url(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string::npos) return;
  pkixhost::LdapTarget t;
  if (pkixhost::ldapParseUrl(text.c_str(), &t) != pkixrc::kOk) return;
  Require(RdnsOf(t.dn) >= 0);
  Require(t.attribute == nullptr || pkixhost::ldapFindAttribute(t.attribute->name, strlen(t.attribute->name)) == t.attribute);
  Require(t.host.size() <= 255);
}

void Name(const uint8_t* data, size_t size) {
  std::string text;
  if (pkixhost::ldapDnFromDer(data, size, &text) != pkixrc::kOk) {
    Require(text.empty());
    return;
  }
  int rdns = RdnsOfDer(data, size);
  Require(rdns > 0);
  Require(RdnsOf(text) == rdns);
}

void Values(const uint8_t* data, size_t size) {
  pkixtest::CertServiceInProcess();  // the lists are built through it
  pkixhost::LdapAnswer answer(4096);
  size_t added[2] = {0, 0};
  for (size_t i = 0; i + 2 <= size;) {
    size_t len = (size_t{data[i]} << 8 | data[i + 1]) & 0x0FFF;
    auto kind = (data[i] & 0x80) ? pkixhost::LdapValueKind::kCert : pkixhost::LdapValueKind::kCrl;
    i += 2;
    if (len > size - i) len = size - i;
    if (answer.add(kind, data + i, len) == pkixrc::kOk) ++added[kind == pkixhost::LdapValueKind::kCert];
    i += len;
  }
  Require(answer.total() <= 4096);
  for (auto kind : {pkixhost::LdapValueKind::kCrl, pkixhost::LdapValueKind::kCert}) {
    const std::vector<unsigned char>& octets = answer.octets(kind);
    std::vector<Buffer> views;
    Require(pkixhost::ldapSplitValues(octets.data(), octets.size(), &views) == pkixrc::kOk);
    Require(views.size() == added[kind == pkixhost::LdapValueKind::kCert]);
    Require(views.size() == answer.values(kind));
  }
  int error = 0;
  const std::vector<unsigned char>& crls = answer.octets(pkixhost::LdapValueKind::kCrl);
  Ref<TCRLList> crl_list = adoptRef(pkixhost::ldapBuildCrlList(crls.data(), crls.size(), &error));
  Require(crl_list ? error == pkixrc::kOk : error != pkixrc::kOk);
  const std::vector<unsigned char>& certs = answer.octets(pkixhost::LdapValueKind::kCert);
  Ref<TCertList> cert_list = adoptRef(pkixhost::ldapBuildCertList(certs.data(), certs.size(), &error));
  Require(cert_list ? error == pkixrc::kOk : error != pkixrc::kOk);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 16384) return 0;
  switch (data[0] % 3) {
    case 0:
      Url(data + 1, size - 1);
      break;
    case 1:
      Name(data + 1, size - 1);
      break;
    default:
      Values(data + 1, size - 1);
      break;
  }
  return 0;
}
