// Path validation over a small bag of arbitrary certificates and CRLs with
// a fixed trust anchor (the path fixtures' root): never a crash, never
// unbounded work. The input is a run of records:
//   kind (1 octet: bit 0-1 0 certificate, 1 CRL, 2 extra anchor),
//   length (2 octets, big-endian), the octets.
// The first certificate is the target. The first octet of the input also
// chooses the revocation scope and the policy flags.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cert/x509crt.h"
#include "certobj_env.h"
#include "crl/tcrl.h"
#include "path/pathvalid.h"
#include "support/abuf.h"
#include "support/ref.h"

namespace {

constexpr size_t kMaxInput = 65536;
constexpr size_t kMaxObjects = 12;
// Enough for every path of a dozen certificates to be tried a few times,
// small enough that one input ends in well under a second.
constexpr unsigned kFuzzStepLimit = 2000;

const std::vector<uint8_t>& AnchorDer() {
  static const std::vector<uint8_t> der = [] {
    std::ifstream f(PKIX_SOURCE_DIR "/tests/data/path/root.der", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }();
  return der;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  certfuzz::Service();  // the module's internals in process
  if (size < 1 || size > kMaxInput) return 0;
  const std::vector<uint8_t>& anchor_der = AnchorDer();
  Ref<TCert> anchor = adoptRef(createTCert(TCert::CF_X509, anchor_der.data(), static_cast<unsigned>(anchor_der.size())));
  certfuzz::Require(anchor != nullptr);

  pkixpath::PathParams params;
  params.use_clock = false;
  params.at = 1893456000;  // 2030-01-01
  params.revocation = static_cast<pkixpath::Revocation>(data[0] % 3);
  params.initial_explicit_policy = (data[0] & 0x04) != 0;
  params.initial_policy_mapping_inhibit = (data[0] & 0x08) != 0;
  params.initial_any_policy_inhibit = (data[0] & 0x10) != 0;
  if ((data[0] & 0x20) != 0) params.initial_policies.push_back({0x2b, 0x06, 0x01, 0x04, 0x01, 0x83, 0xb2, 0x03, 0x01, 0x01});
  params.step_limit = kFuzzStepLimit;

  std::vector<Ref<TCert>> certs, anchors{anchor};
  std::vector<Ref<TCRL>> crls;
  size_t pos = 1;
  while (pos + 3 <= size && certs.size() + crls.size() + anchors.size() < kMaxObjects) {
    int kind = data[pos] & 0x03;
    size_t len = static_cast<size_t>(data[pos + 1]) << 8 | data[pos + 2];
    pos += 3;
    if (len > size - pos) len = size - pos;
    const uint8_t* p = data + pos;
    pos += len;
    if (kind == 1) {
      Ref<TBuf> b = adoptRef(createTBuf(p, static_cast<unsigned>(len)));
      Ref<TCRL> c = adoptRef(b ? createTCRL(TCert::CF_X509, b.get()) : nullptr);
      if (c) crls.push_back(c);
      continue;
    }
    Ref<TCert> c = adoptRef(createTCert(TCert::CF_X509, p, static_cast<unsigned>(len)));
    if (!c) continue;
    (kind == 2 ? anchors : certs).push_back(c);
  }
  if (certs.empty()) return 0;
  std::vector<TCert*> untrusted, trusted;
  std::vector<TCRL*> lists;
  for (size_t i = 1; i < certs.size(); ++i) untrusted.push_back(certs[i].get());
  for (const auto& a : anchors) trusted.push_back(a.get());
  for (const auto& c : crls) lists.push_back(c.get());
  pkixpath::PathVerdict v;
  int code = pkixpath::validatePath(certs[0].get(), untrusted, trusted, lists, params, &v);
  // The verdict is one of the named codes; a valid path ends at an anchor.
  certfuzz::Require(code == v.code && std::string(pkixpath::verdictText(code)) != "unknown verdict");
  if (code == pkixpath::kValid) {
    certfuzz::Require(!v.path.empty() && v.path.front().get() == certs[0].get());
    bool ends_at_anchor = false;
    for (TCert* a : trusted) ends_at_anchor = ends_at_anchor || *v.path.back() == *a;
    certfuzz::Require(ends_at_anchor);
  }
  return 0;
}
