#include "asn/pkix_asn_alg.h"

using pkixasn::Octets;
using pkixasn::ParamKind;

ASNAlgorithmId::~ASNAlgorithmId() = default;

int ASNAlgorithmId::setAlgorithm(pki_alg_t a) {
  if (pkixasn::algIdSet(&alg_, a) != 0) return fail(pkixrc::kFailed);
  return error_ = pkixrc::kOk;
}

int ASNAlgorithmId::setValue(const aKey& key, pki_alg_t a) {
  const bool no_key = key.raw() == nullptr;
  const ParamKind kind = pkixasn::asnAlgParamKind(a);
  if (no_key && (a == PKI_ALG_NONE || kind == ParamKind::kDsa || kind == ParamKind::kDes)) {
    return fail(pkixrc::kBadArgument);
  }
  const pki_alg_t alg = a != PKI_ALG_NONE ? a : key.getAlg();
  if (setAlgorithm(alg) != 0) return error_;
  if (no_key) return error_;
  // The parameters the key holds for the algorithm's class.
  auto param = [&](TKey::aka_t which, Octets* out) {
    aBuf v = key.getParam(which);
    if (v.raw() == nullptr) return key.error() != 0 ? key.error() : pkixrc::kUnavailable;
    *out = pkixasn::octetsOf(v);
    return 0;
  };
  int rc = 0;
  switch (alg_.kind) {
    case ParamKind::kDsa:
      // The signature identifiers of DSA carry no parameters (RFC 3279):
      // they are written only when the key has all three.
      if (param(TKey::AKA_P, &alg_.p) == 0 && param(TKey::AKA_Q, &alg_.q) == 0 && param(TKey::AKA_G, &alg_.g) == 0) {
        alg_.has_params = true;
      } else if (alg == PKI_ALG_DSA) {
        rc = key.error() != 0 ? key.error() : pkixrc::kUnavailable;
      }
      break;
    case ParamKind::kDes:
      rc = param(TKey::AKA_IV, &alg_.iv);
      break;
    case ParamKind::kAny:
      alg_.has_params = param(TKey::AKA_ALG_PARAMS, &alg_.any) == 0 && !alg_.any.empty();
      break;
    default:
      break;
  }
  return error_ = rc;
}

int ASNAlgorithmId::getValue(aKey& key) {
  if (key.raw() == nullptr) return fail(pkixrc::kBadArgument);
  int rc = key.setAlg(alg_.alg);
  auto put = [&](TKey::aka_t which, const Octets& v) {
    if (rc != 0) return;
    aBuf b = pkixasn::aBufOf(v);
    rc = key.setParam(which, b);
  };
  switch (alg_.kind) {
    case ParamKind::kDsa:
      if (!alg_.has_params) break;
      put(TKey::AKA_P, alg_.p);
      put(TKey::AKA_Q, alg_.q);
      put(TKey::AKA_G, alg_.g);
      break;
    case ParamKind::kDes:
      if (alg_.iv.empty()) {
        rc = rc != 0 ? rc : pkixrc::kFailed;
        break;
      }
      put(TKey::AKA_IV, alg_.iv);
      break;
    case ParamKind::kAny:
      if (alg_.has_params) put(TKey::AKA_ALG_PARAMS, alg_.any);
      break;
    default:
      break;
  }
  return error_ = rc;
}

int ASNAlgorithmId::readDer(DerReader& in) {
  pkixasn::AlgId a;
  const int rc = pkixasn::algIdDecode(in, &a);
  if (rc != 0) return pkixasn::derFailure(rc);
  alg_ = std::move(a);
  return 0;
}

int ASNAlgorithmId::writeDer(DerBuilder& out) {
  const int rc = pkixasn::algIdEncode(alg_, out);
  return rc == 0 ? 0 : pkixasn::derFailure(rc);
}

EncAlgorithmId_Impl::~EncAlgorithmId_Impl() = default;

int EncAlgorithmId_Impl::readDer(DerReader& in) {
  pkixasn::EncAlgId v;
  const int rc = pkixasn::encAlgIdDecode(in, &v);
  if (rc != 0) return pkixasn::derFailure(rc);
  value_ = std::move(v);
  decoded_ = true;
  return 0;
}

int EncAlgorithmId_Impl::writeDer(DerBuilder& out) {
  const int rc = pkixasn::encAlgIdEncode(value_, out);
  return rc == 0 ? 0 : pkixasn::derFailure(rc);
}

CMN_ASN_OctetString_Stub EncAlgorithmId_Impl::getSalt() {
  if (!decoded_ || !value_.has_params) return CMN_ASN_OctetString_Stub(static_cast<CMN_ASN_OctetString_Interface*>(nullptr));
  CMN_ASN_OctetString_Stub s;
  s.setValue(value_.salt.data(), static_cast<unsigned>(value_.salt.size()));
  return s;
}

CMN_ASN_Integer_Stub EncAlgorithmId_Impl::getIterations() {
  if (!decoded_ || !value_.has_params) return CMN_ASN_Integer_Stub(static_cast<CMN_ASN_Integer_Interface*>(nullptr));
  CMN_ASN_Integer_Stub i;
  i.setValue(value_.iterations.data(), static_cast<unsigned>(value_.iterations.size()));
  return i;
}

CMN_ASN_ObjectId_Stub EncAlgorithmId_Impl::getAlgorithm() {
  if (!decoded_) return CMN_ASN_ObjectId_Stub(static_cast<CMN_ASN_ObjectId_Interface*>(nullptr));
  CMN_ASN_ObjectId_Stub o;
  o.setValue(pkixasn::bufStubOf(value_.oid));
  return o;
}
