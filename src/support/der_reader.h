// The module's one DER cursor, over the support library's decoders, and the
// identifier octets it reads by name.
//
// A DerReader moves forward only, and only on success: every read of a whole
// element either consumes it or leaves the cursor where it was and returns
// the support library's negative code. A constructed element is read through
// element(), which hands its body a child cursor bounded to the content and
// then checks that nothing is left over (definite form) or that the
// end-of-contents octets close it (indefinite form).
#ifndef PKIX_SUPPORT_DER_READER_H_
#define PKIX_SUPPORT_DER_READER_H_

#include <cstdint>

#include "contract/x509asn.h"

// Identifier octets, by the name of what they introduce.
namespace der {
constexpr unsigned char kBoolean = 0x01;
constexpr unsigned char kInteger = 0x02;
constexpr unsigned char kBitString = 0x03;
constexpr unsigned char kOctetString = 0x04;
constexpr unsigned char kNull = 0x05;
constexpr unsigned char kOid = 0x06;
constexpr unsigned char kEnumerated = 0x0A;
constexpr unsigned char kUtf8String = 0x0C;
constexpr unsigned char kPrintableString = 0x13;
constexpr unsigned char kIa5String = 0x16;
constexpr unsigned char kUtcTime = 0x17;
constexpr unsigned char kGeneralizedTime = 0x18;
constexpr unsigned char kBmpString = 0x1E;
constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kSet = 0x31;
// Context-specific tags: [n] IMPLICIT over a primitive type, and [n] over a
// constructed one (EXPLICIT tags and IMPLICIT SEQUENCEs).
constexpr unsigned char kContext0 = 0x80;
constexpr unsigned char kContext1 = 0x81;
constexpr unsigned char kContext2 = 0x82;
constexpr unsigned char kContext3 = 0x83;
constexpr unsigned char kContext6 = 0x86;
constexpr unsigned char kContext0Constructed = 0xA0;
constexpr unsigned char kContext1Constructed = 0xA1;
constexpr unsigned char kContext2Constructed = 0xA2;
constexpr unsigned char kContext3Constructed = 0xA3;
constexpr unsigned char kContext4Constructed = 0xA4;
// The first octet of the end-of-contents pair 00 00.
constexpr unsigned char kEndOfContents = 0x00;
// The parts of an identifier octet: its class (universal 0x00, context
// 0x80) and its tag number.
constexpr unsigned char kClassMask = 0xC0;
constexpr unsigned char kContextClass = 0x80;
constexpr unsigned char kTagNumberMask = 0x1F;
}  // namespace der

class DerReader {
 public:
  // A cursor over in's content (in itself is not moved; see advance()).
  explicit DerReader(const Buffer& in) : b_{nullptr, in.data, in.len} {}
  DerReader() : b_{nullptr, nullptr, 0} {}
  // The same, for a parser that reports an indefinite content not closed
  // by 00 00 with a code of its own: element() then fails with
  // unclosed_code where it would fail with X509ASN_E_EOC, here and in
  // every child cursor it hands out.
  DerReader(const Buffer& in, int unclosed_code) : b_{nullptr, in.data, in.len}, unclosed_(unclosed_code) {}

  // The cursor as a Buffer record, for the support library's readers, which
  // advance it past what they consume (and only on success).
  Buffer* buf() { return &b_; }
  const unsigned char* pos() const { return b_.data; }
  uint32_t left() const { return b_.len; }
  // The identifier octet at the cursor, or -1 when nothing is left.
  int peek() const { return b_.len != 0 ? b_.data[0] : -1; }
  // True when the content is used up: nothing left of a definite content,
  // or the end-of-contents octets next in an indefinite one.
  bool atEnd() const { return indefinite_ ? asn1_is_eoc(&b_) != 0 : b_.len == 0; }

  // Reads the constructed element tagged tag at the cursor: body(child)
  // reads its content (returning 0 or a negative code), then the content is
  // closed. *whole (optional) then covers the element, header included.
  // Returns 0; or the first failure, with the cursor unmoved: the header's
  // code, the body's, X509ASN_E_TRAILING (content left over) or
  // X509ASN_E_SHORT / X509ASN_E_EOC (indefinite content not closed; the
  // cursor's own code instead of X509ASN_E_EOC when it was given one).
  template <class Body>
  [[nodiscard]] int element(unsigned char tag, Body body, Buffer* whole = nullptr) {
    const unsigned char* from = b_.data;
    DerReader child;
    int r = open(tag, &child);
    if (r == 0) r = body(child);
    if (r == 0) r = close(child);
    if (r == 0 && whole != nullptr) set_buffer(whole, static_cast<uint32_t>(b_.data - from), from);
    return r;
  }

  // Reads the primitive element tagged tag: *content views its content.
  // 0, or the support library's code (cursor and *content unmoved).
  [[nodiscard]] int primitive(unsigned char tag, Buffer* content) {
    int r = asn1_decode_primitive(tag, &b_, content);
    return r < 0 ? r : 0;
  }

  // Steps over the rest of a definite content without examining it.
  void skipRest() {
    if (!indefinite_) moveTo(b_.data + b_.len);
  }

  // Moves the cursor forward to p, a position inside what it covers.
  void moveTo(const unsigned char* p) {
    uint32_t n = static_cast<uint32_t>(p - b_.data);
    b_.data += n;
    b_.len -= n;
  }

  // Moves the caller's record in, from which this cursor was made, to where
  // the cursor stands.
  void advance(Buffer* in) const {
    uint32_t n = static_cast<uint32_t>(b_.data - in->data);
    in->data += n;
    in->len -= n;
  }

 private:
  // Opens the constructed element tagged tag at the cursor: *child then
  // covers its content (for the indefinite form, everything after the
  // header: the content's end is found by reading it). This cursor is not
  // moved before close(). 0, or the library's code.
  [[nodiscard]] int open(unsigned char tag, DerReader* child) const {
    Buffer b = b_;
    int n = asn1_der_decode(tag, &b);
    if (n < X509ASN_INDEFINITE) return n;
    child->b_ = Buffer{nullptr, b.data, n == X509ASN_INDEFINITE ? b.len : static_cast<uint32_t>(n)};
    child->indefinite_ = n == X509ASN_INDEFINITE;
    child->unclosed_ = unclosed_;
    return 0;
  }

  // Ends child, opened from this cursor: a definite content must be used
  // up (X509ASN_E_TRAILING); an indefinite one must stand at 00 00
  // (X509ASN_E_SHORT when fewer octets are left, else X509ASN_E_EOC or the
  // cursor's own code), which are stepped over. This cursor then stands
  // after the element.
  [[nodiscard]] int close(const DerReader& child) {
    const unsigned char* end = child.b_.data;
    if (child.indefinite_) {
      if (child.b_.len < 2) return X509ASN_E_SHORT;
      if (!asn1_is_eoc(&child.b_)) return unclosed_;
      end += 2;
    } else if (child.b_.len != 0) {
      return X509ASN_E_TRAILING;
    }
    moveTo(end);
    return 0;
  }

  Buffer b_;
  bool indefinite_ = false;
  int unclosed_ = X509ASN_E_EOC;
};

// Support-library readers return a length (>= 0) or a negative code; this
// turns their result into a status: 0, or the negative code.
inline int derStatus(int r) { return r < 0 ? r : 0; }

// Returns from the enclosing function with the code of a failed read (a
// negative result); a non-negative result is success.
#define DER_TRY(expr)                        \
  do {                                       \
    int der_try_r_ = derStatus(expr);        \
    if (der_try_r_ != 0) return der_try_r_;  \
  } while (0)

#endif  // PKIX_SUPPORT_DER_READER_H_
