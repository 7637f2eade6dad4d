// Name normalisation over arbitrary DER. The first octet chooses the mode
// (its three low bits: NORM_UPPER, NORM_STRICT, NORM_ASCII); the rest is
// the name. Every result the call reports as usable (0, or the lossy mark)
// is itself a well-formed name of the same kind, and normalising it again
// gives it back unchanged.
#include <cstddef>
#include <cstdint>

#include "contract/x509asn.h"
#include "name/x509conv.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

// 0 when the whole of b is one name element that the walkers accept.
int Walk(const Buffer* b) {
  x509_walk_state_t st;
  int r = x509_U_gfra(&st, b, nullptr, nullptr, nullptr);
  while (r == 1) r = x509_U_gnra(&st, nullptr, nullptr, nullptr);
  if (r != 0) return r;
  return st.total == b->len ? 0 : -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int mode = data[0] & 7;
  Buffer in;
  set_buffer(&in, static_cast<uint32_t>(size - 1), data + 1);
  Buffer out;
  int rc = x509_norm_name(&in, &out, mode);
  if (rc == 0 || (rc == kConvUnconvertible && out.len != 0)) {
    Require(Walk(&out) == 0);
    Require(isDN(&out) == isDN(&in));
    if (rc == 0 && (mode & NORM_ASCII) == 0) {
      Buffer again;
      Require(x509_norm_name(&out, &again, mode) == 0);
      Require(again.len == out.len && cmp_buffers(&again, &out) == 0);
      release_buffer(&again);
    }
  } else {
    Require(out.len == 0);
  }
  release_buffer(&out);
  return 0;
}
