#include "crl/derbuild.h"
#include "support/tbufs.h"

#include "support/abuf.h"

DerBuilder::DerBuilder(uint32_t room) {
  status_ = alloc_buffer(room, &ob_.b);
  if (status_ == 0) shift_buffer(&ob_.b, ob_.b.len);
}

int DerBuilder::prepend(const unsigned char* p, uint32_t len) {
  if (status_ != 0 || len == 0) return status_;
  Buffer src{nullptr, const_cast<unsigned char*>(p), len};
  int r = insert_buffer(&ob_.b, &src);
  return status_ = r < 0 ? r : 0;
}

int DerBuilder::wrap(unsigned char tag) {
  if (status_ != 0) return status_;
  int r = asn1_der_encode(tag, &ob_.b);
  return status_ = r < 0 ? r : 0;
}

TBuf* DerBuilder::toTBuf() const {
  if (status_ != 0) return nullptr;
  return tbufCopy(view()).detach();
}

