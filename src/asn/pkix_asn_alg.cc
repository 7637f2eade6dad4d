#include "asn/pkix_asn_alg.h"

#include "contract/x509asn.h"

using pkixasn::Octets;
using pkixasn::ParamKind;

ASNAlgorithmId::~ASNAlgorithmId() = default;

int ASNAlgorithmId::setAlgorithm(pki_alg_t a) {
  if (pkixasn::algIdSet(&alg_, a) != 0) return fail(pkixrc::kFailed);
  return error_ = pkixrc::kOk;
}

namespace {

// The key's values for the parameters of a->kind. DSA takes p, q and g
// when the key has all three (the signature identifiers carry none);
// require_dsa makes their absence the key's error.
int ParamsFromKey(const aKey& key, bool require_dsa, pkixasn::AlgId* a) {
  auto param = [&](TKey::aka_t which, Octets* out) {
    aBuf v = key.getParam(which);
    if (v.raw() == nullptr) return key.error() != 0 ? key.error() : pkixrc::kUnavailable;
    *out = pkixasn::octetsOf(v);
    return 0;
  };
  switch (a->kind) {
    case ParamKind::kDsa:
      if (param(TKey::AKA_P, &a->p) == 0 && param(TKey::AKA_Q, &a->q) == 0 && param(TKey::AKA_G, &a->g) == 0) {
        a->has_params = true;
      } else if (require_dsa) {
        return key.error() != 0 ? key.error() : pkixrc::kUnavailable;
      }
      return 0;
    case ParamKind::kDes:
      return param(TKey::AKA_IV, &a->iv);
    case ParamKind::kAny:
      a->has_params = param(TKey::AKA_ALG_PARAMS, &a->any) == 0 && !a->any.empty();
      return 0;
    default:
      return 0;
  }
}

// Gives the key the parameter values of a (not the algorithm).
int ParamsToKey(const pkixasn::AlgId& a, aKey& key) {
  int rc = 0;
  auto put = [&](TKey::aka_t which, const Octets& v) {
    if (rc != 0) return;
    aBuf b = pkixasn::aBufOf(v);
    rc = key.setParam(which, b);
  };
  switch (a.kind) {
    case ParamKind::kDsa:
      if (!a.has_params) break;
      put(TKey::AKA_P, a.p);
      put(TKey::AKA_Q, a.q);
      put(TKey::AKA_G, a.g);
      break;
    case ParamKind::kDes:
      if (a.iv.empty()) return pkixrc::kFailed;
      put(TKey::AKA_IV, a.iv);
      break;
    case ParamKind::kAny:
      if (a.has_params) put(TKey::AKA_ALG_PARAMS, a.any);
      break;
    default:
      break;
  }
  return rc;
}

}  // namespace

int ASNAlgorithmId::setValue(const aKey& key, pki_alg_t a) {
  const bool no_key = key.raw() == nullptr;
  const ParamKind kind = pkixasn::asnAlgParamKind(a);
  if (no_key && (a == PKI_ALG_NONE || kind == ParamKind::kDsa || kind == ParamKind::kDes)) {
    return fail(pkixrc::kBadArgument);
  }
  const pki_alg_t alg = a != PKI_ALG_NONE ? a : key.getAlg();
  if (setAlgorithm(alg) != 0) return error_;
  if (no_key) return error_;
  return error_ = ParamsFromKey(key, alg == PKI_ALG_DSA, &alg_);
}

int ASNAlgorithmId::getValue(aKey& key) {
  if (key.raw() == nullptr) return fail(pkixrc::kBadArgument);
  int rc = key.setAlg(alg_.alg);
  if (rc == 0) rc = ParamsToKey(alg_, key);
  return error_ = rc;
}

ASNParamValue::ASNParamValue(ParamKind kind) { value_.kind = kind; }
ASNParamValue::~ASNParamValue() = default;
ASNRsaValue::~ASNRsaValue() = default;
ASNDsaValue::~ASNDsaValue() = default;
ASNDesValue::~ASNDesValue() = default;
ASNAnyValue::~ASNAnyValue() = default;

int ASNParamValue::setValue(const aKey& key) {
  if (key.raw() == nullptr) return fail(pkixrc::kBadArgument);
  pkixasn::AlgId v;
  v.kind = value_.kind;
  if (int rc = ParamsFromKey(key, true, &v); rc != 0) return fail(rc);
  value_ = std::move(v);
  return error_ = 0;
}

int ASNParamValue::getValue(aKey& key) {
  if (key.raw() == nullptr) return fail(pkixrc::kBadArgument);
  return error_ = ParamsToKey(value_, key);
}

int ASNParamValue::readDer(DerReader& in) {
  // Exactly one element: the parameters.
  Buffer whole{};
  Buffer rest{nullptr, const_cast<unsigned char*>(in.pos()), in.left()};
  if (asn1_decode_any_type(&rest, &whole) < 0) return pkixrc::kFailed;
  pkixasn::AlgId v;
  v.kind = value_.kind;
  DerReader one(whole);
  if (pkixasn::paramsDecode(one, &v) != 0 || !one.atEnd()) return pkixrc::kFailed;
  value_ = std::move(v);
  in.moveTo(whole.data + whole.len);
  return 0;
}

int ASNParamValue::writeDer(DerBuilder& out) {
  DerBuilder params;
  if (pkixasn::paramsEncode(value_, params) != 0) return pkixrc::kFailed;
  if (params.view().len == 0) return pkixrc::kUnavailable;
  return pkixasn::derFailure(out.prepend(params));
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
