#include "cert/keyusageext.h"

#include "cert/keyusage.h"
#include "cert/tbufview.h"

X509KeyUsage::~X509KeyUsage() { replaceRef(bits_, static_cast<TBuf*>(nullptr)); }

// KeyUsage ::= BIT STRING
int X509KeyUsage::setValue(TBuf* value) {
  if (value == nullptr) return error_ = 4;
  int r = storeValue(value);
  if (r != 0) return error_ = r;
  if (value->len() == 0) return error_ = 0;
  Buffer b = bufferOf(value);
  Buffer content = b;
  // The BIT STRING's content, unused-bits octet included.
  if (asn1_decode_bit_string(&b, nullptr) < 0) return error_ = 9;
  int len = asn1_der_decode(3, &content);
  if (len < 2 || len > 3 || b.len != 0) return error_ = 9;
  content.len = static_cast<uint32_t>(len);
  TBuf* bits = tbufView(value, content);
  if (bits == nullptr) return error_ = 1;
  replaceRef(bits_, bits);
  return error_ = 0;
}

int X509KeyUsage::setBitString(TBuf* bits) {
  if (bits == nullptr) return error_ = 4;
  if (bits->len() != 2 && bits->len() != 3) return error_ = 9;
  if (bits->addRef() < 0) return error_ = 9;
  replaceRef(bits_, bits);
  markStale();
  return error_ = 0;
}

int X509KeyUsage::isBitSet(kusage_t m) {
  if (bits_ == nullptr) {
    error_ = 40;
    return 0;
  }
  if (bits_->len() == 0) {
    error_ = 0;
    return 0;
  }
  Buffer b = bufferOf(bits_);
  int r = is_set(&b, static_cast<uint16_t>(m));
  if (r < 0) {
    error_ = 9;
    return 0;
  }
  error_ = 0;
  return r;
}

int X509KeyUsage::set(kusage_t m, int on) {
  if (bits_ == nullptr) {
    const unsigned char zero[3] = {0, 0, 0};
    bits_ = createTBuf(zero, 3);
    if (bits_ == nullptr) return error_ = 1;
  } else if (bits_->len() != 2 && bits_->len() != 3) {
    return error_ = 9;
  } else {
    // Copy before changing: the bits may be a view into parsed DER.
    TBuf* own = createTBuf(bits_->datap(), bits_->len());
    if (own == nullptr) return error_ = 1;
    replaceRef(bits_, own);
  }
  unsigned char* p = bits_->datap();
  bool two = bits_->len() == 3;
  unsigned v = static_cast<unsigned>(p[1]) << 8 | (two ? p[2] : 0u);
  v = on != 0 ? v | static_cast<unsigned>(m) : v & ~static_cast<unsigned>(m);
  p[1] = static_cast<unsigned char>(v >> 8);
  if (two) p[2] = static_cast<unsigned char>(v & 0xFF);
  markStale();
  return error_ = 0;
}

TBuf* X509KeyUsage::encodeValue() {
  // A never-set key usage is two zero value octets.
  unsigned char zero[2] = {0, 0};
  const unsigned char* octets = zero;
  unsigned n = 2;
  if (bits_ != nullptr && bits_->len() >= 2) {
    octets = bits_->datap() + 1;
    n = bits_->len() - 1;
  }
  TBuf* out = createTBuf(octets, n);
  if (out == nullptr) return nullptr;
  if (asn1_der_encode_bit_string(out->getBuffer()) != 0) {
    out->release();
    return nullptr;
  }
  return out;
}
