#include "alg/oid2asn.h"

#include <cstdlib>

Oid2Asn::~Oid2Asn() { std::free(area_); }

namespace {

// Writes v in base 128 ending just before p, most significant group first,
// bit 0x80 on every octet but the last; returns the new start.
unsigned char* PutBase128(unsigned char* p, uint64_t v) {
  *--p = static_cast<unsigned char>(v & 0x7F);
  for (v >>= 7; v != 0; v >>= 7) *--p = static_cast<unsigned char>(0x80 | (v & 0x7F));
  return p;
}

}  // namespace

bool Oid2Asn::asn(const uint32_t* arcs, uint32_t n) {
  start_ = nullptr;
  length_ = 0;
  if (arcs == nullptr || n < 2 || arcs[0] > 2) return false;
  if (arcs[0] < 2 && arcs[1] > 39) return false;
  // Five octets hold any 32-bit arc; the first two arcs share one value of
  // at most 2 * 40 + 2^32 - 1, which also fits in five.
  uint64_t need = 5ull * n;
  if (need > 0xFFFFFFFFull) return false;
  if (size_ < need) {
    auto* bigger = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(need)));
    if (bigger == nullptr) return false;
    std::free(area_);
    area_ = bigger;
    size_ = static_cast<uint32_t>(need);
  }
  unsigned char* end = area_ + size_;
  unsigned char* p = end;
  for (uint32_t i = n - 1; i >= 2; --i) p = PutBase128(p, arcs[i]);
  p = PutBase128(p, 40ull * arcs[0] + arcs[1]);
  start_ = p;
  length_ = static_cast<uint32_t>(end - p);
  return true;
}
