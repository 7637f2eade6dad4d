// The values of one directory answer: kept as received (each value's DER,
// one after the other, per kind), checked on arrival, and made into the
// module's certificate and CRL lists on demand through the module's
// certificate service (pkixid::kCertService), reached by identifier through
// the host module manager like any other module's service.
#ifndef PKIX_HOST_HOSTLDAP_ANSWER_H_
#define PKIX_HOST_HOSTLDAP_ANSWER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "contract/x509asn.h"
#include "host/hostldap_text.h"

class TCertList;
class TCRLList;

namespace pkixhost {

class LdapAnswer {
 public:
  // An answer that refuses to grow beyond cap value octets in all.
  explicit LdapAnswer(size_t cap) : cap_(cap) {}

  // Keeps one value of kind. The value must be exactly one DER SEQUENCE
  // (a certificate or a CertificateList at the outside). 0; 6 (not one
  // SEQUENCE, or trailing octets), 9 (the answer would pass the cap), 1.
  // Nothing is kept on failure.
  int add(LdapValueKind kind, const unsigned char* data, size_t len);
  void clear();

  const std::vector<unsigned char>& octets(LdapValueKind kind) const {
    return kind == LdapValueKind::kCrl ? crls_ : certs_;
  }
  size_t values(LdapValueKind kind) const { return kind == LdapValueKind::kCrl ? crl_count_ : cert_count_; }
  size_t total() const { return crls_.size() + certs_.size(); }

 private:
  size_t cap_;
  std::vector<unsigned char> crls_;
  std::vector<unsigned char> certs_;
  size_t crl_count_ = 0;
  size_t cert_count_ = 0;
};

// The length of the DER SEQUENCE at data (header and content), when data
// begins with one that fits in len; 0 otherwise.
size_t ldapSequenceLength(const unsigned char* data, size_t len);

// Splits octets kept by LdapAnswer back into its values. 0; 6 when they do
// not split into whole SEQUENCEs (views then hold what split).
int ldapSplitValues(const unsigned char* data, size_t len, std::vector<Buffer>* views);

// A new CRL list (one reference for the caller) holding one CRL per value of
// octets, in order; null with *error: 40 (no certificate or buffer service),
// 9 (a value is not a CRL the module reads, or a list operation failed),
// 6 (octets do not split), 1. Empty octets give an empty list.
TCRLList* ldapBuildCrlList(const unsigned char* octets, size_t len, int* error);
// The same for certificates.
TCertList* ldapBuildCertList(const unsigned char* octets, size_t len, int* error);

}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTLDAP_ANSWER_H_
