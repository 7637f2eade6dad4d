// Times as certificates and CRLs write them; header only, so that callers
// outside the module (the tool) read times the same way.
#ifndef PKIX_PATH_PATHTIME_H_
#define PKIX_PATH_PATHTIME_H_

#include <cstddef>
#include <cstdint>

namespace pkixpath {

// Identifier octets of the two time types.
constexpr int kUtcTimeTag = 0x17;
constexpr int kGeneralizedTimeTag = 0x18;

// n decimal digits at p into *out; false for any other character.
inline bool timeDigits(const uint8_t* p, size_t n, unsigned* out) {
  unsigned v = 0;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    v = v * 10 + (p[i] - '0');
  }
  *out = v;
  return true;
}

// Seconds since 1970 of a civil UTC date and time.
inline int64_t civilSeconds(int64_t y, unsigned mon, unsigned d, unsigned h, unsigned mi, unsigned s) {
  // Days from 1970-01-01 of a proleptic Gregorian date.
  y -= mon <= 2 ? 1 : 0;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (mon + (mon > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  int64_t days = era * 146097 + doe - 719468;
  return days * 86400 + h * 3600 + mi * 60 + s;
}

// Seconds since 1970 of a UTCTime (YYMMDDHHMMSSZ, 1950-2049) or
// GeneralizedTime (YYYYMMDDHHMMSSZ) content; false when malformed.
inline bool parseTime(int tag, const uint8_t* p, size_t n, int64_t* out) {
  size_t year_len = tag == kUtcTimeTag ? 2 : 4;
  if (n != year_len + 11 || p[n - 1] != 'Z') return false;
  unsigned y = 0, mon = 0, d = 0, h = 0, mi = 0, s = 0;
  if (!timeDigits(p, year_len, &y) || !timeDigits(p + year_len, 2, &mon) || !timeDigits(p + year_len + 2, 2, &d) ||
      !timeDigits(p + year_len + 4, 2, &h) || !timeDigits(p + year_len + 6, 2, &mi) || !timeDigits(p + year_len + 8, 2, &s)) {
    return false;
  }
  if (tag == kUtcTimeTag) y += y >= 50 ? 1900 : 2000;
  if (mon < 1 || mon > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  *out = civilSeconds(y, mon, d, h, mi, s);
  return true;
}

}  // namespace pkixpath

#endif  // PKIX_PATH_PATHTIME_H_
