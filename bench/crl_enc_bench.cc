// Encoding and signing revocation lists of 1,000 and 100,000 entries
// (RSA-2048 sub CA, sha256WithRSAEncryption, 16-octet serials, half the
// entries with a reason code, a CRL number): our encoder (x509_enc_crl_tbs
// for the TBSCertList alone, x509_enc_crl for the signed list) against
// OpenSSL on the same entries (X509_CRL_add0_revoked once, then
// i2d_re_X509_CRL_tbs for the TBSCertList alone, X509_CRL_sign and
// i2d_X509_CRL for the signed list). The signature itself (the same key,
// over a TBSCertList of that size) is timed apart, so the ratios show the
// encoding without it. The lists are built once per size, outside the
// timing. Our encoder runs over the host's generic ASN.1 service, in
// process; the ratios are printed at the end.
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_util.h"
#include "cert/certlist.h"
#include "cert/x509crt.h"
#include "cert/x509extn.h"
#include "contract/service_ids.h"
#include "host/hostasn.h"
#include "crl/x509crl.h"
#include "crl/x509crlenc.h"
#include "key/ccdC.h"
#include "key/x509key.h"
#include "name/x509name.h"
#include "support/abuf.h"
#include "support/ref.h"
#include "testing/inproc.h"
#include "testing/ossl_oracle.h"

namespace {

using benchutil::Bytes;

constexpr long kThis = 1893456000L;  // 2030-01-01
constexpr long kNext = kThis + 7 * 86400;

pkixtest::PKey gKey;
X509* gIssuer = nullptr;
Ref<TCert> gIssuerCert;
Ref<TKey> gPrivate;

// One list built both ways.
struct Sample {
  Ref<X509CRL> ours;
  X509_CRL* theirs = nullptr;
  Ref<TBuf> tbs;  // our TBSCertList, for the signature alone
};
std::map<int, Sample> gSamples;

// Extension ::= SEQUENCE { extnID, extnValue }: cRLReasons keyCompromise
// and cRLNumber 1.
const Bytes kReasonExtn = {0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x15, 0x04, 0x03, 0x0A, 0x01, 0x01};
const Bytes kNumberExtn = {0x30, 0x0A, 0x06, 0x03, 0x55, 0x1D, 0x14, 0x04, 0x03, 0x02, 0x01, 0x01};

Ref<TExtn> Extension(const Bytes& der) {
  Ref<TBuf> b = adoptRef(createTBuf(der.data(), static_cast<unsigned>(der.size())));
  Ref<TExtn> e = adoptRef(createTExtn(TExtn::EXT_NONE));
  e->setRaw(b.get());
  return e;
}

ASN1_TIME* Time(long t) { return ASN1_TIME_set(nullptr, static_cast<time_t>(t)); }

Sample& SampleOf(int entries) {
  auto it = gSamples.find(entries);
  if (it != gSamples.end()) return it->second;
  Sample s;
  s.ours = adoptRef(new X509CRL);
  s.ours->setSignatureAlgorithm(PKI_ALG_SHA256_RSA);
  s.ours->setVersion(2);
  s.ours->setThisReleaseTime(kThis);
  s.ours->setNextReleaseTime(kNext);
  Ref<TName> subject = adoptRef(gIssuerCert->getName(static_cast<TName::name_type_t>(TName::NAME_SUBJECT | TName::NAME_DN)));
  Ref<TName> issuer = adoptRef(createTName(static_cast<TName::name_type_t>(TName::NAME_ISSUER | TName::NAME_DN), subject.get()));
  s.ours->setTName(issuer.get());
  s.ours->addCRLExtn(Extension(kNumberExtn).get());

  s.theirs = X509_CRL_new();
  X509_CRL_set_version(s.theirs, X509_CRL_VERSION_2);
  X509_CRL_set_issuer_name(s.theirs, X509_get_subject_name(gIssuer));
  ASN1_TIME* t = Time(kThis);
  ASN1_TIME* n = Time(kNext);
  X509_CRL_set1_lastUpdate(s.theirs, t);
  X509_CRL_set1_nextUpdate(s.theirs, n);
  ASN1_INTEGER* number = ASN1_INTEGER_new();
  ASN1_INTEGER_set(number, 1);
  X509_CRL_add1_ext_i2d(s.theirs, NID_crl_number, number, 0, 0);
  ASN1_INTEGER_free(number);

  Ref<TExtn> reason = Extension(kReasonExtn);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < entries; ++i) {
    Bytes serial(16);
    for (auto& o : serial) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      o = static_cast<uint8_t>(x);
    }
    serial[0] = static_cast<uint8_t>((serial[0] & 0x7F) | 0x10);
    long date = kThis - 86400 - i;
    Ref<TCert> c = adoptRef(createTCert(TCert::CF_X509));
    c->setSerialNumber(serial.data(), static_cast<unsigned>(serial.size()));
    c->setValidity(date, kNext);
    X509_REVOKED* r = X509_REVOKED_new();
    ASN1_INTEGER* sn = ASN1_INTEGER_new();
    ASN1_STRING_set(sn, serial.data(), static_cast<int>(serial.size()));
    X509_REVOKED_set_serialNumber(r, sn);
    ASN1_INTEGER_free(sn);
    ASN1_TIME* d = Time(date);
    X509_REVOKED_set_revocationDate(r, d);
    ASN1_TIME_free(d);
    if (i % 2 == 0) {
      Ref<TExtnList> l = adoptRef(createTExtnList());
      l->append(reason.get());
      c->setExtns(l.get());
      ASN1_ENUMERATED* e = ASN1_ENUMERATED_new();
      ASN1_ENUMERATED_set(e, 1);
      X509_REVOKED_add1_ext_i2d(r, NID_crl_reason, e, 0, 0);
      ASN1_ENUMERATED_free(e);
    }
    s.ours->addRevokedCert(c.get());
    X509_CRL_add0_revoked(s.theirs, r);
  }
  ASN1_TIME_free(t);
  ASN1_TIME_free(n);
  // Signed once, so that the list carries its algorithm identifiers (the
  // TBSCertList cannot be written without them).
  X509_CRL_sign(s.theirs, gKey.get(), EVP_sha256());
  TBuf* tbs = nullptr;
  x509_enc_crl_tbs(s.ours.get(), &tbs);
  s.tbs = adoptRef(tbs);
  return gSamples[entries] = std::move(s);
}

void OursEncodeTbs(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TBuf* out = nullptr;
    if (x509_enc_crl_tbs(s.ours.get(), &out) != 0) state.SkipWithError("encoding failed");
    benchmark::DoNotOptimize(out);
    if (out != nullptr) out->release();
  }
}

void OursEncodeSign(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TBuf* out = nullptr;
    if (x509_enc_crl(s.ours.get(), gIssuerCert.get(), gPrivate.get(), &out) != 0) {
      state.SkipWithError("encoding failed");
    }
    benchmark::DoNotOptimize(out);
    if (out != nullptr) out->release();
  }
}

void OursSign(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Ref<TBuf> sig = adoptRef(gIssuerCert->sign(gPrivate.get(), PKI_ALG_SHA256_RSA, s.tbs.get()));
    benchmark::DoNotOptimize(sig.get());
  }
}

void OpenSSLEncodeTbs(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    unsigned char* out = nullptr;
    int n = i2d_re_X509_CRL_tbs(s.theirs, &out);
    if (n <= 0) state.SkipWithError("OpenSSL wrote nothing");
    benchmark::DoNotOptimize(n);
    OPENSSL_free(out);
  }
}

void OpenSSLEncodeSign(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    X509_CRL_sign(s.theirs, gKey.get(), EVP_sha256());
    unsigned char* out = nullptr;
    int n = i2d_X509_CRL(s.theirs, &out);
    benchmark::DoNotOptimize(n);
    OPENSSL_free(out);
  }
}

void OpenSSLSign(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  Bytes tbs(s.tbs->datap(), s.tbs->datap() + s.tbs->len());
  for (auto _ : state) {
    Bytes sig = pkixtest::OsslSign(gKey.get(), EVP_sha256(), tbs);
    benchmark::DoNotOptimize(sig.data());
  }
}

const std::vector<int64_t> kSizes = {1000, 100000};

void Register(const char* name, void (*f)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, f)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  pkixtest::InProcessManager mgr;
  mgr.offer(pkixid::kGenericAsn, pkixhost::createAsnService());
  benchutil::ConversionBinding conversion;
  Bytes key = benchutil::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/sub-key.p8.der");
  Bytes cert = benchutil::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/certs/sub-ca.der");
  gKey = pkixtest::OsslPrivateKey(key);
  const unsigned char* p = cert.data();
  gIssuer = d2i_X509(nullptr, &p, static_cast<long>(cert.size()));
  gIssuerCert = adoptRef(createTCert(TCert::CF_X509, cert.data(), static_cast<unsigned>(cert.size())));
  gPrivate = adoptRef(createTKey(TKey::KT_PRIVATE, key.data(), static_cast<unsigned>(key.size())));
  if (!gKey || gIssuer == nullptr || !gIssuerCert || !gPrivate) return 1;

  Register("ours_encode_tbs", OursEncodeTbs);
  Register("openssl_encode_tbs", OpenSSLEncodeTbs);
  Register("ours_encode_sign", OursEncodeSign);
  Register("openssl_encode_sign", OpenSSLEncodeSign);
  Register("ours_sign_only", OursSign);
  Register("openssl_sign_only", OpenSSLSign);
  benchmark::Initialize(&argc, argv);
  benchutil::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nratios (ours / OpenSSL, CPU time):\n");
  for (int64_t n : kSizes) {
    auto t = [&](const char* name) { return reporter.cpu(std::string(name) + "/" + std::to_string(n)); };
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("%6lld entries: encode without signature %.2f  encode and sign %.2f  signature alone %.2f "
                "(ours %.3f ms, OpenSSL %.3f ms)\n",
                static_cast<long long>(n), ratio(t("ours_encode_tbs"), t("openssl_encode_tbs")),
                ratio(t("ours_encode_sign"), t("openssl_encode_sign")),
                ratio(t("ours_sign_only"), t("openssl_sign_only")), t("ours_sign_only"), t("openssl_sign_only"));
  }
  for (auto& s : gSamples) X509_CRL_free(s.second.theirs);
  gSamples.clear();
  X509_free(gIssuer);
  return 0;
}
