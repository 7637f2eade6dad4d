// The common part of every object of the ASN.1 object service: the fields
// and defaults of the value contract, and the one path octets take between
// the host's ASN.1 buffers and the object's own DER reader and writer.
#ifndef PKIX_ASN_PKIX_ASN_BASE_H_
#define PKIX_ASN_PKIX_ASN_BASE_H_

#include <cstdint>
#include <cstring>

#include "asn/cmn_asn.h"
#include "asn/pkix_asn_der.h"
#include "contract/asn_types.h"
#include "crl/derbuild.h"
#include "support/abuf.h"
#include "support/der_reader.h"

namespace pkixasn {

// The pkixrc code of a DER reader's or writer's failure: 1 for memory,
// 9 for everything else.
int derFailure(int der_code);

// A new buffer of the host's service holding v (one reference for the
// caller); null when the service is absent or the copy fails.
CMN_ASN_Buf_Interface* newServiceBuffer(const Buffer& v);
// The same as a stub (empty on failure).
CMN_ASN_Buf_Stub bufStubOf(const Octets& v);
// The unread octets of a buffer stub (empty for an empty stub).
Octets octetsOf(const CMN_ASN_Buf_Stub& b);
// The octets of a module buffer wrapper (empty for an empty wrapper).
Octets octetsOf(const aBuf& b);
// A module buffer wrapper holding a copy of v.
aBuf aBufOf(const Octets& v);
// True when the len octets at p are elements whose lengths, and those of
// every constructed element inside them, are in the definite form (the
// support library's reader refuses non-minimal lengths itself).
bool definiteThroughout(const unsigned char* p, unsigned len);

// Implements every operation of the value contract once. A subclass
// supplies readDer (one element at the cursor: 0, or a pkixrc code with
// the cursor unmoved) and writeDer (prepends the element: 0 or a pkixrc
// code); encode, decode and getRawLen are built on them.
template <class I>
class PkixAsnObject : public I {
 public:
  PkixAsnObject() = default;

  int init() override { return 0; }
  int fini() override { return 0; }

  // A new buffer of the host's service with the element; null with err()
  // the writer's code, or 9 when the host's ASN.1 service is absent.
  CMN_ASN_Buf_Interface* encode() override {
    DerBuilder out;
    int rc = writeDer(out);
    if (rc == 0 && out.status() != 0) rc = derFailure(out.status());
    if (rc != 0) return fail(rc), nullptr;
    CMN_ASN_Buf_Interface* b = newServiceBuffer(out.view());
    if (b == nullptr) return fail(pkixrc::kFailed), nullptr;
    enc_len_ = out.view().len;
    error_ = 0;
    return b;
  }
  // Reads one element at in's cursor; on success the cursor moves past it
  // and getDecLen() is its length. 4 for null in; the reader's code
  // otherwise, with the cursor unmoved; under ASN_DER (the default)
  // 0x4205 for an indefinite length anywhere in the element.
  int decode(CMN_ASN_Buf_Interface* in) override {
    if (in == nullptr) return fail(pkixrc::kBadArgument);
    GuardLockVar g(in->getGuard());
    const Buffer view{nullptr, in->datap(), in->len_of_datap()};
    DerReader r(view);
    int rc = readDer(r);
    if (rc != 0) return fail(rc);
    const unsigned used = static_cast<unsigned>(r.pos() - view.data);
    // Under ASN_DER only definite lengths are taken, at every level.
    if (enc_ == ASN_DER && !pkixasn::definiteThroughout(view.data, used)) return fail(pkixasn::kAsnNotDer);
    if (used != 0 && (*in >> used) != 0) return fail(pkixrc::kFailed);
    dec_len_ = used;
    return error_ = 0;
  }
  int err() override { return error_; }
  unsigned getDecLen() override { return dec_len_; }
  // The length encode() would write now; 0 when it would fail.
  unsigned getRawLen() override {
    DerBuilder out;
    if (writeDer(out) != 0 || out.status() != 0) return 0;
    return out.view().len;
  }
  unsigned getEncLen() override { return enc_len_; }
  int setEncLen(unsigned len) override {
    enc_len_ = len;
    return 0;
  }
  asn_encoding_t getEnc() override { return enc_; }
  int setEnc(asn_encoding_t e) override {
    if (e != ASN_BER && e != ASN_DER) return pkixrc::kBadArgument;
    enc_ = e;
    return 0;
  }
  unsigned char getFlag() override { return flag_; }
  int setFlag(unsigned char f) override {
    flag_ = f;
    return 0;
  }
  unsigned getObjId() override { return obj_id_; }
  int setObjId(unsigned id) override {
    obj_id_ = id;
    return 0;
  }
  CMN_ASN_Type_Interface* clone() override { return nullptr; }
  int isConstructed() override { return 1; }

 protected:
  virtual int readDer(DerReader& in) = 0;
  virtual int writeDer(DerBuilder& out) = 0;
  // Keeps code as the last error and returns it.
  int fail(int code) { return error_ = code; }

  unsigned enc_len_ = 0;
  unsigned dec_len_ = 0;
  asn_encoding_t enc_ = ASN_DER;
  unsigned obj_id_ = 0;
  unsigned char flag_ = 0;
  int error_ = 0;
};

// A new object of class T with one reference for the caller; null when
// memory is short.
template <class T, class... Args>
T* newAsnObject(Args&&... args) {
  T* o = new (std::nothrow) T(std::forward<Args>(args)...);
  if (o != nullptr) o->CMN_Reference::addReference();
  return o;
}

}  // namespace pkixasn

#endif  // PKIX_ASN_PKIX_ASN_BASE_H_
