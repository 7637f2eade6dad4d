// The objects of the ASN.1 object service that carry a certificate-level
// value: a name, a public key, one extension, a list of extensions, a CRL.
// Decoding builds the value's object from the element's DER through its
// wrapper; encoding writes the object's own DER.
#ifndef PKIX_ASN_PKIX_ASN_WRAPPED_H_
#define PKIX_ASN_PKIX_ASN_WRAPPED_H_

#include <optional>
#include <vector>

#include "asn/pkix_asn_base.h"
#include "asn/pkix_asn_if.h"

// Name ::= SEQUENCE OF RelativeDistinguishedName, as a name of type 0x201.
class ASNName : public pkixasn::PkixAsnObject<ASNName_Interface> {
 public:
  ~ASNName() override;
  int setName(const aName& n) override;
  aName getName() const override { return name_ ? *name_ : aName(); }
  int fini() override;

 protected:
  // Anything but a non-empty SEQUENCE: 9, cursor unmoved.
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  std::optional<aName> name_;
};

// SubjectPublicKeyInfo as a public key.
class ASNKey : public pkixasn::PkixAsnObject<ASNKey_Interface> {
 public:
  ~ASNKey() override;
  int setKey(const aKey& k) override;
  aKey getKey() const override { return key_ ? *key_ : aKey(); }
  int fini() override;

 protected:
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  std::optional<aKey> key_;
};

// Extension ::= SEQUENCE { extnID, critical BOOLEAN DEFAULT FALSE, extnValue }
class ASNExtension : public pkixasn::PkixAsnObject<ASNExtension_Interface> {
 public:
  ~ASNExtension() override;
  int setExtension(const aExtn& e) override;
  aExtn getExtension() const override { return extn_ ? *extn_ : aExtn(); }
  int fini() override;

 protected:
  int readDer(DerReader& in) override;
  // The extension's DER; a distribution points extension without DER
  // writes nothing, any other gives the wrapper's error.
  int writeDer(DerBuilder& out) override;

 private:
  std::optional<aExtn> extn_;
};

// Extensions ::= SEQUENCE SIZE (1..20 here) OF Extension
class ASNExtensions : public pkixasn::PkixAsnObject<ASNExtensions_Interface> {
 public:
  ~ASNExtensions() override;
  int setValue(const aExtnList& l) override;
  aExtnList getValue() const override;
  unsigned getNumber() const override { return static_cast<unsigned>(exts_.size()); }
  int fini() override;
  // Empties the list.
  void Reset() { exts_.clear(); }

 protected:
  // Resets first. Not a SEQUENCE, no extension, more than 20, or octets
  // left over: 9, cursor unmoved.
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  std::vector<pkixasn::Octets> exts_;  // each whole Extension element
};

// CertificateList as a CRL object.
class ASNCrl : public pkixasn::PkixAsnObject<ASNCrl_Interface> {
 public:
  ~ASNCrl() override;
  int setCrl(aCrl& c) override;
  aCrl getCrl() override { return crl_ ? *crl_ : aCrl(); }
  int fini() override;

 protected:
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  std::optional<aCrl> crl_;
};

#endif  // PKIX_ASN_PKIX_ASN_WRAPPED_H_
