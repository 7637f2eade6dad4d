#include "asn/pkix_asn_base.h"

#include "contract/x509asn.h"
#include "framework/cmn_rmutex.h"

namespace pkixasn {

int derFailure(int der_code) {
  if (der_code == 0) return pkixrc::kOk;
  return der_code == X509ASN_E_NOMEM ? pkixrc::kNoMemory : pkixrc::kFailed;
}

CMN_ASN_Buf_Interface* newServiceBuffer(const Buffer& v) {
  CMN_ASN_Buf_Stub b(v.data, v.len);
  CMN_ASN_Buf_Interface* p = b.get();
  if (p == nullptr) return nullptr;
  // A reference for the caller beside the stub's, which goes with it.
  GuardLockVar g(p->getGuard());
  p->CMN_Reference::addReference();
  return p;
}

CMN_ASN_Buf_Stub bufStubOf(const Octets& v) {
  return CMN_ASN_Buf_Stub(v.data(), static_cast<unsigned>(v.size()));
}

Octets octetsOf(const CMN_ASN_Buf_Stub& b) {
  const unsigned char* p = b.datap();
  const unsigned n = b.len_of_datap();
  return p == nullptr || n == 0 ? Octets() : Octets(p, p + n);
}

Octets octetsOf(const aBuf& b) {
  if (b.raw() == nullptr || b.len() == 0) return {};
  return Octets(b.datap(), b.datap() + b.len());
}

aBuf aBufOf(const Octets& v) { return aBuf(v.data(), static_cast<unsigned>(v.size())); }

}  // namespace pkixasn
