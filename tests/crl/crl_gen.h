// Revocation lists made by OpenSSL for the tests and the benchmark: any
// times, entries with reasons, invalidity dates and certificate issuers,
// an issuing distribution point, signed with a given key.
#ifndef PKIX_TESTS_CRL_CRL_GEN_H_
#define PKIX_TESTS_CRL_CRL_GEN_H_

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace pkixtest {

// Times are 64-bit seconds since 1970, so that dates after 2038 can be
// written where time_t has 32 bits.
struct GenEntry {
  std::vector<uint8_t> serial;  // unsigned big-endian magnitude
  int64_t revoked = 0;
  int reason = -1;              // CRLReason, -1: none
  int64_t invalidity = 0;       // 0: none
  X509_NAME* issuer = nullptr;  // certificate issuer (borrowed), or none
};

struct GenCrl {
  X509_NAME* issuer = nullptr;  // borrowed
  int64_t this_update = 0;
  int64_t next_update = 0;      // 0: none
  long number = -1;             // CRL number, -1: none
  std::vector<GenEntry> entries;
  // Issuing distribution point: added when any field is set.
  std::vector<int> idp_reasons;  // ReasonFlags bit numbers
  std::string idp_uri;
  bool idp_only_ca = false;
  bool idp_indirect = false;
};

// A new ASN1_TIME for t (UTCTime before 2050, as RFC 5280 asks), or null.
inline ASN1_TIME* GenTime(int64_t t) {
  // Civil date from days since 1970 (proleptic Gregorian).
  int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
  int64_t secs = t - days * 86400;
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  char text[128];
  std::snprintf(text, sizeof text, "%04lld%02lld%02lld%02lld%02lld%02lldZ", static_cast<long long>(y),
                static_cast<long long>(m), static_cast<long long>(d), static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
  ASN1_TIME* a = ASN1_TIME_new();
  if (a != nullptr && ASN1_TIME_set_string_X509(a, text) != 1) {
    ASN1_TIME_free(a);
    return nullptr;
  }
  return a;
}

// The DER of the list described, signed with key and md; {} on failure.
inline std::vector<uint8_t> MakeCrl(const GenCrl& g, EVP_PKEY* key, const EVP_MD* md) {
  std::vector<uint8_t> out;
  X509_CRL* crl = X509_CRL_new();
  bool ok = crl != nullptr && X509_CRL_set_version(crl, X509_CRL_VERSION_2) == 1 &&
            X509_CRL_set_issuer_name(crl, g.issuer) == 1;
  auto setTime = [&](int64_t t, int (*set)(X509_CRL*, const ASN1_TIME*)) {
    ASN1_TIME* a = GenTime(t);
    ok = ok && a != nullptr && set(crl, a) == 1;
    ASN1_TIME_free(a);
  };
  setTime(g.this_update, X509_CRL_set1_lastUpdate);
  if (g.next_update != 0) setTime(g.next_update, X509_CRL_set1_nextUpdate);
  for (const GenEntry& e : g.entries) {
    if (!ok) break;
    X509_REVOKED* r = X509_REVOKED_new();
    BIGNUM* bn = BN_bin2bn(e.serial.data(), static_cast<int>(e.serial.size()), nullptr);
    ASN1_INTEGER* serial = BN_to_ASN1_INTEGER(bn, nullptr);
    ASN1_TIME* date = GenTime(e.revoked);
    ok = r != nullptr && serial != nullptr && date != nullptr && X509_REVOKED_set_serialNumber(r, serial) == 1 &&
         X509_REVOKED_set_revocationDate(r, date) == 1;
    if (ok && e.reason >= 0) {
      ASN1_ENUMERATED* reason = ASN1_ENUMERATED_new();
      ok = ASN1_ENUMERATED_set(reason, e.reason) == 1 && X509_REVOKED_add1_ext_i2d(r, NID_crl_reason, reason, 0, 0) == 1;
      ASN1_ENUMERATED_free(reason);
    }
    if (ok && e.invalidity != 0) {
      // InvalidityDate ::= GeneralizedTime
      ASN1_TIME* t = GenTime(e.invalidity);
      ASN1_GENERALIZEDTIME* g = t != nullptr ? ASN1_TIME_to_generalizedtime(t, nullptr) : nullptr;
      ok = g != nullptr && X509_REVOKED_add1_ext_i2d(r, NID_invalidity_date, g, 0, 0) == 1;
      ASN1_GENERALIZEDTIME_free(g);
      ASN1_TIME_free(t);
    }
    if (ok && e.issuer != nullptr) {
      GENERAL_NAMES* names = sk_GENERAL_NAME_new_null();
      GENERAL_NAME* gn = GENERAL_NAME_new();
      gn->type = GEN_DIRNAME;
      gn->d.directoryName = X509_NAME_dup(e.issuer);
      sk_GENERAL_NAME_push(names, gn);
      ok = X509_REVOKED_add1_ext_i2d(r, NID_certificate_issuer, names, 1, 0) == 1;
      GENERAL_NAMES_free(names);
    }
    ASN1_INTEGER_free(serial);
    ASN1_TIME_free(date);
    BN_free(bn);
    if (ok) ok = X509_CRL_add0_revoked(crl, r) == 1;
    else X509_REVOKED_free(r);
  }
  if (ok && g.number >= 0) {
    ASN1_INTEGER* n = ASN1_INTEGER_new();
    ok = ASN1_INTEGER_set(n, g.number) == 1 && X509_CRL_add1_ext_i2d(crl, NID_crl_number, n, 0, 0) == 1;
    ASN1_INTEGER_free(n);
  }
  if (ok && (!g.idp_reasons.empty() || !g.idp_uri.empty() || g.idp_only_ca || g.idp_indirect)) {
    ISSUING_DIST_POINT* idp = ISSUING_DIST_POINT_new();
    if (!g.idp_uri.empty()) {
      idp->distpoint = DIST_POINT_NAME_new();
      idp->distpoint->type = 0;
      idp->distpoint->name.fullname = sk_GENERAL_NAME_new_null();
      GENERAL_NAME* gn = GENERAL_NAME_new();
      ASN1_IA5STRING* uri = ASN1_IA5STRING_new();
      ASN1_STRING_set(uri, g.idp_uri.data(), static_cast<int>(g.idp_uri.size()));
      GENERAL_NAME_set0_value(gn, GEN_URI, uri);
      sk_GENERAL_NAME_push(idp->distpoint->name.fullname, gn);
    }
    if (!g.idp_reasons.empty()) {
      idp->onlysomereasons = ASN1_BIT_STRING_new();
      for (int bit : g.idp_reasons) ASN1_BIT_STRING_set_bit(idp->onlysomereasons, bit, 1);
    }
    idp->onlyCA = g.idp_only_ca ? 0xFF : 0;
    idp->indirectCRL = g.idp_indirect ? 0xFF : 0;
    ok = X509_CRL_add1_ext_i2d(crl, NID_issuing_distribution_point, idp, 1, 0) == 1;
    ISSUING_DIST_POINT_free(idp);
  }
  if (ok && X509_CRL_sign(crl, key, md) > 0) {
    unsigned char* der = nullptr;
    int n = i2d_X509_CRL(crl, &der);
    if (n > 0) out.assign(der, der + n);
    OPENSSL_free(der);
  }
  X509_CRL_free(crl);
  return out;
}

}  // namespace pkixtest

#endif  // PKIX_TESTS_CRL_CRL_GEN_H_
