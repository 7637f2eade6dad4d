#include "asn/pkix_asn_attrtab.h"

#include <algorithm>
#include <iterator>

#include "contract/x509asn.h"

namespace pkixasn {
namespace {

constexpr uint32_t kExtensionRequest[] = {1, 2, 840, 113549, 1, 9, 14};
constexpr uint32_t kLocalKeyId[] = {1, 2, 840, 113549, 1, 9, 21};
constexpr uint32_t kFriendlyName[] = {1, 2, 840, 113549, 1, 9, 20};
constexpr uint32_t kChallengePassword[] = {1, 2, 840, 113549, 1, 9, 7};

struct AttrRow {
  int type;
  const uint32_t* arcs;
  uint32_t count;
};

template <size_t N>
constexpr AttrRow Row(int type, const uint32_t (&arcs)[N]) {
  return AttrRow{type, arcs, static_cast<uint32_t>(N)};
}

// Searched in order.
constexpr AttrRow kRows[] = {
    Row(kAttrExtensionRequest, kExtensionRequest),
    Row(kAttrLocalKeyId, kLocalKeyId),
    Row(kAttrFriendlyName, kFriendlyName),
    Row(kAttrChallengePassword, kChallengePassword),
};

// The most arcs an identifier of the table has, with room to spare.
constexpr uint32_t kMaxArcs = 16;

}  // namespace

const uint32_t* attrArcs(int t, uint32_t* out_count) {
  if (out_count != nullptr) *out_count = 0;
  for (const AttrRow& row : kRows) {
    if (row.type != t) continue;
    if (out_count != nullptr) *out_count = row.count;
    return row.arcs;
  }
  return nullptr;
}

int attrTypeFromArcs(const uint32_t* arcs, uint32_t count) {
  if (arcs == nullptr) return kAttrAny;
  for (const AttrRow& row : kRows) {
    if (row.count == count && std::equal(arcs, arcs + count, row.arcs)) return row.type;
  }
  return kAttrAny;
}

int attrTypeFromContent(const uint8_t* content, size_t len) {
  uint32_t arcs[kMaxArcs];
  if (content == nullptr || len == 0 || len > UINT32_MAX) return kAttrAny;
  Buffer b{nullptr, const_cast<uint8_t*>(content), static_cast<uint32_t>(len)};
  const int n = asn1_dec_objid(&b, arcs, kMaxArcs);
  return n < 2 ? kAttrAny : attrTypeFromArcs(arcs, static_cast<uint32_t>(n));
}

}  // namespace pkixasn
