// The element walker of `pkixtool asn dump` over arbitrary octets: every
// input ends in a verdict, never a crash or a hang, and every element it
// reports lies inside the input, in increasing order of offset.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tools/asn_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t last = 0;
  bool first = true;
  pkixtool::AsnLineWriter line = [&](const pkixtool::AsnElement& e) {
    if (e.offset > size || e.header_len > size - e.offset || e.content_len > size - e.offset - e.header_len) std::abort();
    if (!first && e.offset <= last) std::abort();
    if (e.content != data + e.offset + e.header_len) std::abort();
    first = false;
    last = e.offset;
  };
  pkixtool::AsnWalkResult r = pkixtool::AsnWalk(data, size, line);
  if (r.code == pkixtool::AsnWalkCode::kOk && r.offset != size) std::abort();
  return 0;
}
