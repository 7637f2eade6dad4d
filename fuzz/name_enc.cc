// The distinguished-name text scanner over arbitrary text. The first octet
// chooses the reverse mode; the rest is the text. Whatever the text, the
// call returns (no crash, hang or leak) and a success gives an element that
// starts with a SEQUENCE header covering exactly the output.
#include <cstddef>
#include <cstdint>

#include "contract/x509asn.h"
#include "name/name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Buffer text;
  set_buffer(&text, static_cast<uint32_t>(size - 1), data + 1);
  Buffer out;
  int rc = x509_enc_name(&text, &out, data[0] & 1);
  if (rc == 0) {
    Buffer v;
    link_buffer(&v, &out);
    int len = asn1_der_decode(0x30, &v);
    if (len < 0 || static_cast<uint32_t>(len) != v.len) __builtin_trap();
  } else if (rc > 0) {
    __builtin_trap();
  }
  release_buffer(&out);
  return 0;
}
