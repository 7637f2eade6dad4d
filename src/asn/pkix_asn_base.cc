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

namespace {

bool Definite(Buffer b, unsigned depth) {
  if (depth > kAsnMaxDepth) return false;
  while (b.len != 0) {
    const unsigned char tag = b.data[0];
    Buffer at = b;
    const int n = asn1_der_decode(tag, &at);
    if (n < 0) return false;  // the indefinite form among the failures here
    if ((tag & kAsnConstructed) != 0 && !Definite(Buffer{nullptr, at.data, static_cast<uint32_t>(n)}, depth + 1)) {
      return false;
    }
    const uint32_t whole = static_cast<uint32_t>(at.data - b.data) + static_cast<uint32_t>(n);
    b.data += whole;
    b.len -= whole;
  }
  return true;
}

}  // namespace

bool definiteThroughout(const unsigned char* p, unsigned len) {
  return Definite(Buffer{nullptr, const_cast<unsigned char*>(p), len}, 0);
}

aBuf aBufOf(const Octets& v) { return aBuf(v.data(), static_cast<unsigned>(v.size())); }

}  // namespace pkixasn
