// The enrolment structures of the ASN.1 object service: issuer and serial
// number, issuer and subject, and issuer and serial number with a CRL
// distribution point, made from certificate objects and read back into
// partial certificates.
#ifndef PKIX_ASN_PKIX_ASN_SCEPS_H_
#define PKIX_ASN_PKIX_ASN_SCEPS_H_

#include <optional>

#include "asn/pkix_asn_base.h"
#include "asn/pkix_asn_if.h"

namespace pkixasn {

// Replaces out's object by value's (wrappers have no assignment); returns
// value's error.
template <class W>
int assignWrapper(W& out, const W& value) {
  out.~W();
  new (&out) W(value);
  return value.error();
}

// The issuer name's DER (type 0x101) and the serial number's INTEGER content
// of c. 0; 4 for an empty wrapper; the certificate's error (9 when it has
// none) for a missing part.
int issuerAndSerialOf(const aCert& c, IssuerAndSerial* out);
// The DER of c's name of type t. 0, 4, or the certificate's error.
int nameOf(const aCert& c, TName::name_type_t t, Octets* out);
// A new certificate (format 1) holding only what is given: issuer (0x101),
// subject (0x201) and serial, each when not empty. 0, or the certificate's
// or name's error (9 when it has none, 40 without the certificate service).
int partialCert(const Octets& issuer, const Octets& subject, const Octets& serial, std::optional<aCert>* out);

}  // namespace pkixasn

class ASNIssuerAndSerialStruct : public pkixasn::PkixAsnObject<ASNIaSN_Interface> {
 public:
  ~ASNIssuerAndSerialStruct() override;
  int setCert(aCert& c) override;
  aCert getCert() override { return cert_ ? *cert_ : aCert(); }
  int fini() override;

 protected:
  // SEQUENCE { issuer Name, serialNumber INTEGER }; 9 for anything else or
  // when the partial certificate cannot be made.
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  pkixasn::IssuerAndSerial value_;
  std::optional<aCert> cert_;
};

class ASNIssuerAndSubjectStruct : public pkixasn::PkixAsnObject<ASNIaS_Interface> {
 public:
  ~ASNIssuerAndSubjectStruct() override;
  int setCert(aCert& c) override;
  aCert getCert() override { return cert_ ? *cert_ : aCert(); }
  int fini() override;

 protected:
  // SEQUENCE { issuer Name, subject Name }
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  pkixasn::IssuerAndSubject value_;
  std::optional<aCert> cert_;
};

class ASNIssuerAndDpStruct : public pkixasn::PkixAsnObject<ASNIaDP_Interface> {
 public:
  ~ASNIssuerAndDpStruct() override;
  // 4 for an empty certificate or distribution point wrapper.
  int setCertAndDp(aCert& c, aCDP& dp) override;
  aCert getCert() override { return cert_ ? *cert_ : aCert(); }
  aCDP getCDP() override;
  int fini() override;

 protected:
  // SEQUENCE { IssuerAndSerialNumber, Extension }; the Extension must be a
  // CRL distribution points extension (9 otherwise).
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  pkixasn::IssuerAndDp value_;
  std::optional<aCert> cert_;
  std::optional<aExtn> cdp_;
};

#endif  // PKIX_ASN_PKIX_ASN_SCEPS_H_
