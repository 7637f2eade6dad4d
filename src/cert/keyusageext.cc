#include "cert/keyusageext.h"

#include "cert/keyusage.h"
#include "support/tbufs.h"

namespace {
constexpr int kTagBitString = 0x03;
// The bits: the unused-bits octet and one or two value octets.
constexpr unsigned kMinBits = 2;
constexpr unsigned kMaxBits = 3;
}  // namespace

using namespace pkixrc;

X509KeyUsage::~X509KeyUsage() = default;

// KeyUsage ::= BIT STRING
int X509KeyUsage::setValue(TBuf* value) {
  if (value == nullptr) return error_ = kBadArgument;
  int r = storeValue(value);
  if (r != kOk) return error_ = r;
  if (value->len() == 0) return error_ = kOk;
  Buffer b = viewOf(value);
  Buffer content = b;
  // The BIT STRING's content, unused-bits octet included.
  if (asn1_decode_bit_string(&b, nullptr) < 0) return error_ = kFailed;
  int len = asn1_der_decode(kTagBitString, &content);
  if (len < static_cast<int>(kMinBits) || len > static_cast<int>(kMaxBits) || b.len != 0) return error_ = kFailed;
  content.len = static_cast<uint32_t>(len);
  Ref<TBuf> bits = tbufView(value, content);
  if (!bits) return error_ = kNoMemory;
  bits_ = std::move(bits);
  return error_ = kOk;
}

int X509KeyUsage::setBitString(TBuf* bits) {
  if (bits == nullptr) return error_ = kBadArgument;
  if (bits->len() != kMinBits && bits->len() != kMaxBits) return error_ = kFailed;
  if (bits->addRef() < 0) return error_ = kFailed;
  bits_.reset(bits);
  markStale();
  return error_ = kOk;
}

int X509KeyUsage::isBitSet(kusage_t m) {
  if (!bits_) {
    error_ = kUnavailable;
    return 0;
  }
  if (bits_->len() == 0) {
    error_ = kOk;
    return 0;
  }
  Buffer b = viewOf(bits_.get());
  int r = is_set(&b, static_cast<uint16_t>(m));
  if (r < 0) {
    error_ = kFailed;
    return 0;
  }
  error_ = kOk;
  return r;
}

int X509KeyUsage::set(kusage_t m, int on) {
  if (!bits_) {
    const unsigned char zero[kMaxBits] = {0, 0, 0};
    bits_ = adoptRef(createTBuf(zero, kMaxBits));
    if (!bits_) return error_ = kNoMemory;
  } else if (bits_->len() != kMinBits && bits_->len() != kMaxBits) {
    return error_ = kFailed;
  } else {
    // Copy before changing: the bits may be a view into parsed DER.
    Ref<TBuf> own = adoptRef(createTBuf(bits_->datap(), bits_->len()));
    if (!own) return error_ = kNoMemory;
    bits_ = std::move(own);
  }
  unsigned char* p = bits_->datap();
  bool two = bits_->len() == kMaxBits;
  unsigned v = static_cast<unsigned>(p[1]) << 8 | (two ? p[2] : 0u);
  v = on != 0 ? v | static_cast<unsigned>(m) : v & ~static_cast<unsigned>(m);
  p[1] = static_cast<unsigned char>(v >> 8);
  if (two) p[2] = static_cast<unsigned char>(v & 0xFF);
  markStale();
  return error_ = kOk;
}

TBuf* X509KeyUsage::encodeValue() {
  // A never-set key usage is two zero value octets.
  unsigned char zero[2] = {0, 0};
  const unsigned char* octets = zero;
  unsigned n = 2;
  if (bits_ && bits_->len() >= kMinBits) {
    octets = bits_->datap() + 1;
    n = bits_->len() - 1;
  }
  Ref<TBuf> out = adoptRef(createTBuf(octets, n));
  if (!out || asn1_der_encode_bit_string(out->getBuffer()) != 0) return nullptr;
  return out.detach();
}
