// The element walker of `pkixtool asn dump` over arbitrary octets, reading
// headers through the host's generic ASN.1 service: every
// input ends in a verdict, never a crash or a hang, and every element it
// reports lies inside the input, in increasing order of offset.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "contract/service_ids.h"
#include "host/host.h"
#include "tools/asn_walk.h"

namespace {

// The host and its generic ASN.1 service, made once for the whole run.
CMN_ASN_Interface* Service() {
  static pkixhost::Host* host = new pkixhost::Host();
  static CMN_ASN_Interface* asn = static_cast<CMN_ASN_Interface*>(
      host->acquire(Tuint32ID(pkixid::kGenericAsn), Tuint32ID(pkixhost::Host::kHostModuleID)));
  return asn;
}

}  // namespace

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
  pkixtool::AsnWalkResult r = pkixtool::AsnWalk(Service(), data, size, line);
  if (r.code == pkixtool::AsnWalkCode::kOk && r.offset != size) std::abort();
  return 0;
}
