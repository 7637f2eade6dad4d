#include "asn/scepstructs.h"

#include <new>
#include <type_traits>
#include <utility>

#include "asn/pkix_asn_base.h"
#include "asn/pkix_asn_impl.h"
#include "asn/pkix_asn_sceps.h"
#include "asn/pkix_asnC.h"

namespace {

// A structure object of kind n, held by a stub of interface I; empty when
// none can be made.
template <class Stub>
Stub Make(int n) {
  using I = std::remove_pointer_t<decltype(std::declval<Stub>().get())>;
  return Stub(typename Stub::Adopt{}, static_cast<I*>(pkixasn::createAsnObject(n)));
}

template <class Stub>
auto Empty() {
  using I = std::remove_pointer_t<decltype(std::declval<Stub>().get())>;
  return static_cast<I*>(nullptr);
}

// Encodes a structure filled by fill(object): the DER, or an empty buffer
// with *error set.
template <class Stub, class Fill>
aBuf Encode(int kind, int* error, Fill fill) {
  Stub s = Make<Stub>(kind);
  if (s.get() == nullptr) return *error = pkixrc::kUnavailable, aBuf(static_cast<TBuf*>(nullptr));
  if (int rc = fill(s); rc != 0) return *error = rc, aBuf(static_cast<TBuf*>(nullptr));
  CMN_ASN_Buf_Stub der = s.encode();
  if (der.empty()) return *error = pkixrc::kFailed, aBuf(static_cast<TBuf*>(nullptr));
  *error = 0;
  return aBuf(der.datap(), der.len_of_datap());
}

// Decodes der with a structure of kind n; the stub (empty and *error set
// on failure).
template <class Stub>
Stub Decode(int kind, aBuf& der, int* error) {
  Stub s = Make<Stub>(kind);
  if (s.get() == nullptr) return *error = pkixrc::kUnavailable, Stub(Empty<Stub>());
  if (der.raw() == nullptr || der.len() == 0) return *error = pkixrc::kBadArgument, Stub(Empty<Stub>());
  CMN_ASN_Buf_Stub in(der.datap(), der.len());
  if (in.empty() || s.decode(in) != 0 || in.len_of_datap() != 0) return *error = pkixrc::kFailed, Stub(Empty<Stub>());
  *error = 0;
  return s;
}

// A new reference to b's buffer for a caller of the plain forms.
TBuf* Handed(const aBuf& b) {
  TBuf* t = b.raw();
  if (t != nullptr) t->addRef();
  return t;
}

}  // namespace

SCEPStructs::~SCEPStructs() = default;

aBuf SCEPStructs::setGCIM(aCert& cert) {
  if (cert.raw() == nullptr) return error_ = pkixrc::kBadArgument, aBuf(static_cast<TBuf*>(nullptr));
  return Encode<CMN_ASNIaSN>(TPkixASNService::OBJ_ISSUER_AND_SERIAL, &error_,
                             [&](CMN_ASNIaSN& s) { return s.setCert(cert); });
}

aCert SCEPStructs::getGCIM(aBuf& der) {
  CMN_ASNIaSN s = Decode<CMN_ASNIaSN>(TPkixASNService::OBJ_ISSUER_AND_SERIAL, der, &error_);
  return s.get() == nullptr ? aCert() : s.getCert();
}

aBuf SCEPStructs::setGCM(aCert& cert) {
  if (cert.raw() == nullptr) return error_ = pkixrc::kBadArgument, aBuf(static_cast<TBuf*>(nullptr));
  return Encode<CMN_ASNIaS>(TPkixASNService::OBJ_ISSUER_AND_SUBJECT, &error_,
                            [&](CMN_ASNIaS& s) { return s.setCert(cert); });
}

aCert SCEPStructs::getGCM(aBuf& der) {
  CMN_ASNIaS s = Decode<CMN_ASNIaS>(TPkixASNService::OBJ_ISSUER_AND_SUBJECT, der, &error_);
  return s.get() == nullptr ? aCert() : s.getCert();
}

aBuf SCEPStructs::setGCRLM(aCert& cert, aCDP& dp) {
  if (cert.raw() == nullptr || dp.raw() == nullptr) return error_ = pkixrc::kBadArgument, aBuf(static_cast<TBuf*>(nullptr));
  return Encode<CMN_ASNIaDP>(TPkixASNService::OBJ_ISSUER_AND_DP, &error_,
                             [&](CMN_ASNIaDP& s) { return s.setCertAndDp(cert, dp); });
}

int SCEPStructs::getGCRLM(aBuf& der, aCert& cert, aCDP& dp) {
  CMN_ASNIaDP s = Decode<CMN_ASNIaDP>(TPkixASNService::OBJ_ISSUER_AND_DP, der, &error_);
  if (s.get() == nullptr) return error_;
  pkixasn::assignWrapper(cert, s.getCert());
  pkixasn::assignWrapper(dp, s.getCDP());
  return error_ = 0;
}

TBuf* SCEPStructs::encodeGCIM(TCert* cert) {
  aCert c(cert);
  return Handed(setGCIM(c));
}

TBuf* SCEPStructs::encodeGCM(TCert* cert) {
  aCert c(cert);
  return Handed(setGCM(c));
}

TBuf* SCEPStructs::encodeGCRLM(TCert* cert, TExtn* dp) {
  aCert c(cert);
  aExtn e(dp);
  aCDP cdp(e);
  return Handed(setGCRLM(c, cdp));
}

TSCEPStructs* createTSCEPStructs() { return new (std::nothrow) SCEPStructs(); }
