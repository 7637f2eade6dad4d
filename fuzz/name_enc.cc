// The distinguished-name text scanner over arbitrary text (the first octet
// is skipped; older corpus entries chose the mode with it). Whatever the
// text, both modes return (no crash, hang or leak) with the same result; a
// success gives an element that starts with a SEQUENCE header covering
// exactly the output, and for a distinguished name the reverse mode gives
// the same RDNs in the opposite order.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "contract/x509asn.h"
#include "name/name.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

// The elements inside the outer SEQUENCE of a checked output.
std::vector<Buffer> Elements(const Buffer& der) {
  std::vector<Buffer> items;
  Buffer v = der;
  int len = asn1_der_decode(0x30, &v);
  Require(len >= 0 && static_cast<uint32_t>(len) == v.len);
  while (v.len > 0) {
    Buffer item;
    Require(asn1_decode_any_type(&v, &item) >= 0);
    items.push_back(item);
  }
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Buffer text;
  set_buffer(&text, static_cast<uint32_t>(size - 1), data + 1);
  Buffer forwards, backwards;
  int rc = x509_enc_name(&text, &forwards, 0);
  int rc_reverse = x509_enc_name(&text, &backwards, 1);
  Require(rc <= 0 && rc == rc_reverse);
  if (rc == 0) {
    std::vector<Buffer> a = Elements(forwards), b = Elements(backwards);
    Require(a.size() == b.size());
    if (isDN(&forwards) == 1) {
      for (size_t i = 0; i < a.size(); ++i) Require(cmp_buffers(&a[i], &b[b.size() - 1 - i]) == 0);
    }
  }
  release_buffer(&forwards);
  release_buffer(&backwards);
  return 0;
}
