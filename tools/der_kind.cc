// Telling DER objects apart by their outer shape.
#include "tools/der_kind.h"

#include <cstring>
#include <vector>

#include "support/der_reader.h"

namespace pkixtool {
namespace {

// Elements of the outer SEQUENCE looked at.
constexpr size_t kLookedAt = 4;

// The identifier octets of the first elements (at most kLookedAt) of the
// constructed element tagged tag at the cursor; *inner (optional) receives
// those of the first element's own elements when it is a SEQUENCE.
int Shape(DerReader& r, std::vector<int>* tags, std::vector<int>* inner) {
  return r.element(der::kSequence, [&](DerReader& s) {
    while (!s.atEnd() && tags->size() < kLookedAt) {
      int tag = s.peek();
      tags->push_back(tag);
      if (tags->size() == 1 && tag == der::kSequence && inner != nullptr) {
        DER_TRY(Shape(s, inner, nullptr));
        continue;
      }
      Buffer any;
      DER_TRY(asn1_decode_any_type(s.buf(), &any));
    }
    s.skipRest();
    return 0;
  });
}

bool IsTime(int tag) { return tag == der::kUtcTime || tag == der::kGeneralizedTime; }

}  // namespace

const char* DerKind(const Octets& der) {
  Buffer in;
  init_buffer(&in);
  set_buffer(&in, static_cast<uint32_t>(der.size()), der.data());
  DerReader r(in);
  std::vector<int> top, tbs;
  if (Shape(r, &top, &tbs) != 0 || top.empty()) return nullptr;
  if (top.size() == 3 && top[0] == der::kSequence && top[1] == der::kSequence && top[2] == der::kBitString) {
    for (int tag : tbs) {
      if (IsTime(tag)) return kKindCrl;
    }
    return kKindCertificate;
  }
  if (top.size() == 2 && top[0] == der::kSequence && top[1] == der::kBitString) return kKindPublicKey;
  if (top.size() >= 3 && top[0] == der::kInteger && top[1] == der::kSequence && top[2] == der::kOctetString) {
    return kKindPrivateKey;
  }
  // RSAPublicKey: two INTEGERs; the traditional private keys: more.
  bool integers = top.size() >= 2;
  for (int tag : top) integers = integers && tag == der::kInteger;
  if (integers) return top.size() == 2 ? kKindPublicKey : kKindPrivateKey;
  if (top.size() >= 2 && top[0] == der::kOid && top[1] == der::kContext0Constructed) return kKindSet;
  return nullptr;
}

std::string KindNote(const Octets& der, const char* wanted) {
  const char* kind = DerKind(der);
  if (kind == nullptr || std::strcmp(kind, wanted) == 0) return "";
  return std::string("; the file holds a ") + kind;
}

}  // namespace pkixtool
