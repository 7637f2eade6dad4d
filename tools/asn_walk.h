// The element walker behind `pkixtool asn dump`: reads every DER element of
// an input, depth first, and hands each to a writer with what a dump line
// shows. Identifier and length octets are read by the host's generic ASN.1
// service (its buffer object's getTag and getLen); the walker checks every
// length against what encloses it.
#ifndef PKIX_TOOLS_ASN_WALK_H_
#define PKIX_TOOLS_ASN_WALK_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "contract/asn_types.h"

namespace pkixtool {

// How value was made from the content octets.
enum class AsnValueKind { kNone, kHex, kText, kOid, kNumber };

// One element as a dump line shows it.
struct AsnElement {
  size_t offset;       // of the identifier octet, from the input's start
  unsigned depth;      // 0 for the outermost elements
  size_t header_len;   // identifier and length octets
  size_t content_len;  // 0 for an indefinite length (see indefinite)
  bool indefinite;     // length octet 0x80: content closed by 00 00
  bool constructed;
  std::string tag_name;  // "SEQUENCE", "INTEGER", "cont [ 0 ]" ...
  AsnValueKind kind;     // kNone for constructed elements and NULL
  std::string value;     // hex, text or dotted identifier
  const unsigned char* content;  // the content octets (content_len of them)
};

using AsnLineWriter = std::function<void(const AsnElement&)>;

enum class AsnWalkCode {
  kOk,
  kEmpty,           // no octet at all
  kShortHeader,     // identifier or length octets cut off
  kBadLength,       // more than four length octets, or a non-minimal length
  kBeyondEnd,       // a length running past what encloses the element
  kIndefinitePrim,  // indefinite length on a primitive element
  kUnclosed,        // indefinite content without its 00 00
  kTooDeep,         // nesting beyond kMaxAsnDepth
  kHighTag,         // a tag number in the high tag-number form (above 30)
  kNoService,       // no ASN.1 service, or it could not make a buffer
};

// The deepest nesting the walker follows.
constexpr unsigned kMaxAsnDepth = 64;
// The largest input the service's buffer takes.
constexpr size_t kMaxAsnInput = 0x7FFFFFFF;

struct AsnWalkResult {
  AsnWalkCode code;
  size_t offset;  // where the walk stopped (the failing element's start)
};

// Walks every element of data[0..len) in order through service asn, calling
// line for each (after its header is read, before its content). Returns kOk
// with offset len when everything was read; on failure the code and the
// offset of the element that failed, lines already written for what came
// before (kNoService at offset 0 when asn is null or makes no buffer).
AsnWalkResult AsnWalk(CMN_ASN_Interface* asn, const unsigned char* data, size_t len, const AsnLineWriter& line);

// "a length runs past its enclosing element" ... for a walk code.
const char* AsnWalkText(AsnWalkCode code);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_ASN_WALK_H_
