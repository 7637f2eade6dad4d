// Reading the times a revocation list states, with the module's DER cursor.
#include "tools/crl_times.h"

#include "support/der_reader.h"

namespace pkixtool {
namespace {

bool IsTime(int tag) { return tag == der::kUtcTime || tag == der::kGeneralizedTime; }

}  // namespace

// A UTCTime (YYMMDDHHMMSSZ, years 1950 to 2049) or GeneralizedTime
// (YYYYMMDDHHMMSSZ) content as "YYYY-MM-DD HH:MM:SS UTC"; the content as it
// stands for any other form.
std::string StatedTime(int tag, const Buffer& c) {
  std::string v(reinterpret_cast<const char*>(c.data), c.len);
  std::string digits = v.substr(0, v.empty() ? 0 : v.size() - 1);
  bool plain = !v.empty() && v.back() == 'Z' && digits.find_first_not_of("0123456789") == std::string::npos;
  if (tag == der::kUtcTime && plain && digits.size() == 12) {
    digits = (digits[0] < '5' ? "20" : "19") + digits;
  } else if (!(tag == der::kGeneralizedTime && plain && digits.size() == 14)) {
    return v;
  }
  return digits.substr(0, 4) + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2) + " " + digits.substr(8, 2) + ":" +
         digits.substr(10, 2) + ":" + digits.substr(12, 2) + " UTC";
}

namespace {

// Reads the time at the cursor into *out; X509ASN_E_VALUE for another
// element or an empty time.
int ReadTime(DerReader& r, std::string* out) {
  int tag = r.peek();
  if (!IsTime(tag)) return X509ASN_E_VALUE;
  Buffer c;
  DER_TRY(r.primitive(static_cast<unsigned char>(tag), &c));
  if (c.len == 0) return X509ASN_E_VALUE;  // a time of no digits
  *out = StatedTime(tag, c);
  return 0;
}

// Steps over the constructed element tagged tag at the cursor.
int Skip(DerReader& r, unsigned char tag) {
  return r.element(tag, [](DerReader& body) {
    body.skipRest();
    return 0;
  });
}

}  // namespace

StatedTimes TimesOf(const Octets& der) {
  StatedTimes t;
  Buffer in;
  init_buffer(&in);
  set_buffer(&in, static_cast<uint32_t>(der.size()), der.data());
  DerReader r(in);
  auto entry = [&t](DerReader& e) {
    Buffer serial;
    std::string when;
    DER_TRY(e.primitive(der::kInteger, &serial));
    DER_TRY(ReadTime(e, &when));
    t.revoked.push_back(when);
    e.skipRest();
    return 0;
  };
  auto tbs = [&](DerReader& b) {
    Buffer version;
    if (b.peek() == der::kInteger) DER_TRY(b.primitive(der::kInteger, &version));
    DER_TRY(Skip(b, der::kSequence));  // signature algorithm
    DER_TRY(Skip(b, der::kSequence));  // issuer
    DER_TRY(ReadTime(b, &t.this_update));
    if (IsTime(b.peek())) DER_TRY(ReadTime(b, &t.next_update));
    if (b.peek() == der::kSequence) {
      DER_TRY(b.element(der::kSequence, [&entry](DerReader& entries) {
        while (!entries.atEnd()) DER_TRY(entries.element(der::kSequence, entry));
        return 0;
      }));
    }
    b.skipRest();
    return 0;
  };
  int rc = r.element(der::kSequence, [&tbs](DerReader& list) {
    DER_TRY(list.element(der::kSequence, tbs));
    list.skipRest();
    return 0;
  });
  t.read = rc == 0;
  return t;
}

}  // namespace pkixtool
