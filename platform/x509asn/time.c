/* Times: UTCTime and GeneralizedTime to seconds since 1970 and back. */
#include <stdint.h>
#include <stdio.h>

#include "internal.h"

/* Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant). */
static int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

static void civil_from_days(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = (unsigned)(doy - (153 * mp + 2) / 5 + 1);
  *m = (unsigned)(mp < 10 ? mp + 3 : mp - 9);
  *y = yoe + era * 400 + (*m <= 2);
}

int64_t asn1_civil_to_seconds(int64_t year, unsigned month, unsigned day, unsigned hour,
                              unsigned minute, unsigned second) {
  return days_from_civil(year, month, day) * 86400 + (int64_t)hour * 3600 + (int64_t)minute * 60 +
         second;
}

int32_t asn1_time_saturate(int64_t t) {
  if (t > INT32_MAX) return INT32_MAX;
  if (t < INT32_MIN) return INT32_MIN;
  return (int32_t)t;
}

static int is_leap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

static int digit(unsigned char c) { return c >= '0' && c <= '9'; }

/* The text rules of OpenSSL's ASN1_TIME_to_tm (non-strict form):
 *   UTCTime          YYMMDDHHMM[SS]{Z|+hhmm|-hhmm}
 *   GeneralizedTime  YYYYMMDDHHMM[SS[.f+]]{Z|+hhmm|-hhmm} */
/* The form DER requires, YYMMDDHHMMSSZ or YYYYMMDDHHMMSSZ, with every field
 * in range: 1 and *out set. 0 for anything else, which the general reader
 * then judges (and gives its code). */
static int read_der_time(int generalized, const unsigned char* a, uint32_t l, int64_t* out) {
  static const unsigned kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  uint32_t digits = generalized ? 14u : 12u;
  if (l != digits + 1 || a[digits] != 'Z') return 0;
  unsigned pair[7];
  for (uint32_t i = 0; i < digits; i += 2) {
    if (!digit(a[i]) || !digit(a[i + 1])) return 0;
    pair[i / 2] = (unsigned)(a[i] - '0') * 10 + (unsigned)(a[i + 1] - '0');
  }
  const unsigned* f = generalized ? pair + 1 : pair; /* f[0] is YY */
  int64_t year = generalized ? (int64_t)pair[0] * 100 + f[0] : (f[0] < 50 ? 2000 + f[0] : 1900 + f[0]);
  unsigned month = f[1], day = f[2], hour = f[3], minute = f[4], second = f[5];
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return 0;
  if (day > kMonthDays[month - 1] + (month == 2 && is_leap(year))) return 0;
  *out = asn1_civil_to_seconds(year, month, day, hour, minute, second);
  return 1;
}

static int parse_time_text(int generalized, const unsigned char* a, uint32_t l, int64_t* out) {
  if (read_der_time(generalized, a, l, out)) return 0;
  static const unsigned kMin[9] = {0, 0, 1, 1, 0, 0, 0, 0, 0};
  static const unsigned kMax[9] = {99, 99, 12, 31, 23, 59, 59, 12, 59};
  static const unsigned kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  uint32_t min_len = generalized ? 13 : 11;
  unsigned end = generalized ? 7 : 6;  /* fields: [century,] year, month, day, h, m, s */
  unsigned btz = generalized ? 6 : 5;  /* the seconds field may be left out */
  if (l < min_len) return X509ASN_E_VALUE;
  int64_t year = 0;
  unsigned month = 1, day = 1, hour = 0, minute = 0, second = 0;
  uint32_t o = 0;
  for (unsigned i = 0; i < end; ++i) {
    if (i == btz && (a[o] == 'Z' || a[o] == '+' || a[o] == '-')) break;
    if (!digit(a[o])) return X509ASN_E_VALUE;
    unsigned n = (unsigned)(a[o] - '0');
    if (++o == l) return X509ASN_E_VALUE;
    if (!digit(a[o])) return X509ASN_E_VALUE;
    n = n * 10 + (unsigned)(a[o] - '0');
    if (++o == l) return X509ASN_E_VALUE; /* no time zone yet */
    unsigned f = generalized ? i : i + 1;
    if (n < kMin[f] || n > kMax[f]) return X509ASN_E_VALUE;
    switch (f) {
      case 0: year = (int64_t)n * 100; break;
      case 1: year = generalized ? year + n : (n < 50 ? 2000 + n : 1900 + n); break;
      case 2: month = n; break;
      case 3: {
        unsigned md = kMonthDays[month - 1] + (month == 2 && is_leap(year));
        if (n > md) return X509ASN_E_VALUE;
        day = n;
        break;
      }
      case 4: hour = n; break;
      case 5: minute = n; break;
      default: second = n; break;
    }
  }
  /* Optional fraction of a second: a point and at least one digit. */
  if (generalized && a[o] == '.') {
    if (++o == l) return X509ASN_E_VALUE;
    uint32_t first = o;
    while (o < l && digit(a[o])) ++o;
    if (o == first || o == l) return X509ASN_E_VALUE;
  }
  int64_t t = asn1_civil_to_seconds(year, month, day, hour, minute, second);
  if (a[o] == 'Z') {
    ++o;
  } else if (a[o] == '+' || a[o] == '-') {
    int sign = a[o] == '-' ? 1 : -1; /* local time minus offset */
    ++o;
    if (o + 4 != l) return X509ASN_E_VALUE;
    unsigned hm[2];
    for (unsigned k = 0; k < 2; ++k) {
      if (!digit(a[o]) || !digit(a[o + 1])) return X509ASN_E_VALUE;
      hm[k] = (unsigned)(a[o] - '0') * 10 + (unsigned)(a[o + 1] - '0');
      if (hm[k] < kMin[7 + k] || hm[k] > kMax[7 + k]) return X509ASN_E_VALUE;
      o += 2;
    }
    t += sign * ((int64_t)hm[0] * 3600 + (int64_t)hm[1] * 60);
  } else {
    return X509ASN_E_VALUE;
  }
  if (o != l) return X509ASN_E_VALUE;
  *out = t;
  return 0;
}

int asn1_decode_time64(Buffer* b, int64_t* out) {
  if (b == NULL) return X509ASN_E_ARG;
  if (b->len == 0) return X509ASN_E_SHORT;
  unsigned char tag = b->data[0];
  if (tag == 0x37 || tag == 0x38) return X509ASN_E_INDEF; /* constructed form */
  if (tag != 0x17 && tag != 0x18) return X509ASN_E_TAG;
  asn_cur c = cur_of(b), content;
  int r = asn_take(&c, tag, NULL, NULL, &content);
  if (r != 0) return r;
  int64_t t;
  r = parse_time_text(tag == 0x18, content.p, cur_left(&content), &t);
  if (r != 0) return r;
  if (out != NULL) *out = t;
  buf_advance_to(b, &c);
  return 0;
}

int asn1_decode_time(Buffer* b, int32_t* out) {
  int64_t t;
  int r = asn1_decode_time64(b, &t);
  if (r == 0 && out != NULL) *out = asn1_time_saturate(t);
  return r;
}

int asn1_der_encode_time(int32_t t, Buffer* b) {
  if (b == NULL) return X509ASN_E_ARG;
  int64_t days = (int64_t)t >= 0 ? (int64_t)t / 86400 : -((-(int64_t)t + 86399) / 86400);
  int64_t secs = (int64_t)t - days * 86400;
  int64_t year;
  unsigned month, day;
  civil_from_days(days, &year, &month, &day);
  unsigned hour = (unsigned)(secs / 3600), minute = (unsigned)(secs / 60 % 60),
           second = (unsigned)(secs % 60);
  char text[24];
  unsigned char tag;
  int n;
  if (year >= 1950 && year <= 2049) {
    tag = 0x17;
    n = snprintf(text, sizeof text, "%02u%02u%02u%02u%02u%02uZ", (unsigned)(year % 100), month, day,
                 hour, minute, second);
  } else {
    tag = 0x18;
    n = snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02uZ", (unsigned)year, month, day, hour,
                 minute, second);
  }
  unsigned char elem[2 + sizeof text];
  elem[0] = tag;
  elem[1] = (unsigned char)n;
  for (int i = 0; i < n; ++i) elem[2 + i] = (unsigned char)text[i];
  return asn_prepend(b, elem, (uint32_t)(2 + n));
}
