// The algorithm-identifier objects of the ASN.1 object service.
#ifndef PKIX_ASN_PKIX_ASN_ALG_H_
#define PKIX_ASN_PKIX_ASN_ALG_H_

#include "asn/pkix_asn_base.h"
#include "asn/pkix_asn_if.h"

// AlgorithmIdentifier. The algorithm selects the parameters (the table of
// asn/pkix_asn_algtab.h): NULL for the RSA family, Dss-Parms or nothing for
// DSA, the IV for DES, any one element (the GOST parameters, the EC curve)
// or nothing, and nothing (or NULL as read) for the SHA-2 digests, DSA with
// SHA-2 and ECDSA.
class ASNAlgorithmId : public pkixasn::PkixAsnObject<ASNAlgorithmId_Interface> {
 public:
  ~ASNAlgorithmId() override;
  int setValue(const aKey& key, pki_alg_t a) override;
  int getValue(aKey& key) override;
  pki_alg_t getAlgorithm() override { return alg_.alg; }
  // Sets a and clears the parameters. 9 (and algorithm 0) for an algorithm
  // without a parameter class, SC and TIK GOST among them.
  int setAlgorithm(pki_alg_t a);

 protected:
  // SEQUENCE { algorithm OBJECT IDENTIFIER, parameters ANY OPTIONAL };
  // unknown identifiers and parameters of the wrong kind: 9.
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  pkixasn::AlgId alg_;
};

// The parameter values on their own: the parameters element alone, of the
// class each is (decode reads exactly one element; 9 for another).
class ASNParamValue : public pkixasn::PkixAsnObject<ASNParamValue_Interface> {
 public:
  explicit ASNParamValue(pkixasn::ParamKind kind);
  ~ASNParamValue() override;
  int setValue(const aKey& key) override;
  int getValue(aKey& key) override;

 protected:
  int readDer(DerReader& in) override;
  // Nothing set to write (Dss-Parms, any element): 40.
  int writeDer(DerBuilder& out) override;

 private:
  pkixasn::AlgId value_;
};

class ASNRsaValue : public ASNParamValue {
 public:
  ASNRsaValue() : ASNParamValue(pkixasn::ParamKind::kRsa) {}
  ~ASNRsaValue() override;
};
class ASNDsaValue : public ASNParamValue {
 public:
  ASNDsaValue() : ASNParamValue(pkixasn::ParamKind::kDsa) {}
  ~ASNDsaValue() override;
};
class ASNDesValue : public ASNParamValue {
 public:
  ASNDesValue() : ASNParamValue(pkixasn::ParamKind::kDes) {}
  ~ASNDesValue() override;
};
class ASNAnyValue : public ASNParamValue {
 public:
  ASNAnyValue() : ASNParamValue(pkixasn::ParamKind::kAny) {}
  ~ASNAnyValue() override;
};

class EncAlgorithmId_Impl : public pkixasn::PkixAsnObject<EncAlgorithmId_Interface> {
 public:
  ~EncAlgorithmId_Impl() override;
  CMN_ASN_OctetString_Stub getSalt() override;
  CMN_ASN_Integer_Stub getIterations() override;
  CMN_ASN_ObjectId_Stub getAlgorithm() override;

 protected:
  int readDer(DerReader& in) override;
  int writeDer(DerBuilder& out) override;

 private:
  pkixasn::EncAlgId value_;
  bool decoded_ = false;
};

#endif  // PKIX_ASN_PKIX_ASN_ALG_H_
