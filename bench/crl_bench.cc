// Revocation lists of 10, 1,000 and 100,000 entries (RSA-2048 issuer,
// sha256WithRSAEncryption, 16-octet serials, half the entries with a reason
// code), made by OpenSSL once per size: our X509CRL against OpenSSL
// (d2i_X509_CRL, X509_CRL_get0_by_serial, X509_CRL_verify) and mbedTLS
// (mbedtls_x509_crl_parse_der and a walk over the entries). Timed: parse;
// parse plus the first lookup (the first lookup alone is the difference:
// our hash index, OpenSSL's sort); later lookups of a present and an absent
// serial; the signature check. Then the heap bytes one parsed list holds,
// counted by an allocator that wraps the C library's. The ratios are
// printed at the end.
#include <malloc.h>
#include <mbedtls/x509_crl.h>
#include <openssl/x509.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_util.h"
#include "cert/x509crt.h"
#include "crl/crl_gen.h"
#include "crl/x509crl.h"
#include "support/abuf.h"
#include "support/ref.h"
#include "heap_count.h"
#include "testing/inproc.h"
#include "testing/ossl_oracle.h"

namespace {

using benchutil::Bytes;

// One generated list and what the lookups ask for.
struct Sample {
  Bytes der;
  Bytes present;  // serial content octets of an entry half-way down
  Bytes absent;
};

pkixtest::PKey gKey;
X509* gIssuer = nullptr;
Ref<TCert> gIssuerCert;
std::map<int, Sample> gSamples;

Sample& SampleOf(int entries) {
  auto it = gSamples.find(entries);
  if (it != gSamples.end()) return it->second;
  pkixtest::GenCrl g;
  g.issuer = X509_get_subject_name(gIssuer);
  g.this_update = 1700000000;
  g.next_update = 1900000000;
  g.number = 1;
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < entries; ++i) {
    pkixtest::GenEntry e;
    e.serial.resize(16);
    for (auto& o : e.serial) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      o = static_cast<uint8_t>(x);
    }
    e.serial[0] = static_cast<uint8_t>((e.serial[0] & 0x7F) | 0x10);
    e.revoked = 1690000000 + i;
    e.reason = i % 2 == 0 ? 1 : -1;
    g.entries.push_back(std::move(e));
  }
  Sample s;
  s.der = pkixtest::MakeCrl(g, gKey.get(), EVP_sha256());
  s.present = g.entries[entries / 2].serial;
  s.absent = Bytes(16, 0x11);
  return gSamples[entries] = std::move(s);
}

// Our list parsed from a TBuf over the sample (the TBuf is moved back
// after each parse).
void OursParse(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  Ref<TBuf> in = adoptRef(createTBuf(s.der.data(), static_cast<unsigned>(s.der.size())));
  for (auto _ : state) {
    Ref<X509CRL> c = adoptRef(new X509CRL);
    if (c->setRaw(in.get()) != 0) state.SkipWithError("parse");
    in->retreat(static_cast<unsigned>(s.der.size()));
    benchmark::DoNotOptimize(c->revokedCount());
  }
}

Ref<TCert> Probe(X509CRL* c, const Bytes& serial) {
  Ref<TCert> p = adoptRef(createTCert(TCert::CF_X509));
  Ref<TName> issuer = adoptRef(c->getTName(static_cast<TName::name_type_t>(0x101)));
  p->setName(issuer.get());
  p->setSerialNumber(serial.data(), static_cast<unsigned>(serial.size()));
  return p;
}

void OursParseAndFirstLookup(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  Ref<TBuf> in = adoptRef(createTBuf(s.der.data(), static_cast<unsigned>(s.der.size())));
  Ref<X509CRL> first = adoptRef(new X509CRL);
  first->setRaw(in.get());
  in->retreat(static_cast<unsigned>(s.der.size()));
  Ref<TCert> probe = Probe(first.get(), s.present);
  for (auto _ : state) {
    Ref<X509CRL> c = adoptRef(new X509CRL);
    c->setRaw(in.get());
    in->retreat(static_cast<unsigned>(s.der.size()));
    if (c->isRevoked(probe.get()) != 1) state.SkipWithError("not found");
  }
}

// Later lookups: isRevoked with a certificate (serial and issuer taken from
// the object, as callers hold them), and isSerialRevoked with the serial's
// octets (what OpenSSL's lookup is given).
void OursLookup(benchmark::State& state, bool present, bool by_cert) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  Ref<TBuf> in = adoptRef(createTBuf(s.der.data(), static_cast<unsigned>(s.der.size())));
  Ref<X509CRL> c = adoptRef(new X509CRL);
  c->setRaw(in.get());
  const Bytes& serial = present ? s.present : s.absent;
  Ref<TCert> probe = Probe(c.get(), serial);
  c->isRevoked(probe.get());
  for (auto _ : state) {
    int hit = by_cert ? c->isRevoked(probe.get()) : c->isSerialRevoked(serial.data(), static_cast<unsigned>(serial.size()));
    if ((hit == 1) != present) state.SkipWithError("lookup");
  }
}
void OursLookupPresent(benchmark::State& state) { OursLookup(state, true, false); }
void OursLookupAbsent(benchmark::State& state) { OursLookup(state, false, false); }
void OursCertLookupPresent(benchmark::State& state) { OursLookup(state, true, true); }
void OursCertLookupAbsent(benchmark::State& state) { OursLookup(state, false, true); }

void OursCheckSign(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  Ref<TBuf> in = adoptRef(createTBuf(s.der.data(), static_cast<unsigned>(s.der.size())));
  Ref<X509CRL> c = adoptRef(new X509CRL);
  c->setRaw(in.get());
  for (auto _ : state) {
    if (c->checkSign(gIssuerCert.get()) != 0) state.SkipWithError("signature");
  }
}

X509_CRL* OsslParse(const Bytes& der) {
  const unsigned char* p = der.data();
  return d2i_X509_CRL(nullptr, &p, static_cast<long>(der.size()));
}

ASN1_INTEGER* OsslSerial(const Bytes& s) {
  BIGNUM* bn = BN_bin2bn(s.data(), static_cast<int>(s.size()), nullptr);
  ASN1_INTEGER* i = BN_to_ASN1_INTEGER(bn, nullptr);
  BN_free(bn);
  return i;
}

void OpenSSLParse(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    X509_CRL* c = OsslParse(s.der);
    if (c == nullptr) state.SkipWithError("parse");
    X509_CRL_free(c);
  }
}

void OpenSSLParseAndFirstLookup(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  ASN1_INTEGER* serial = OsslSerial(s.present);
  for (auto _ : state) {
    X509_CRL* c = OsslParse(s.der);
    X509_REVOKED* r = nullptr;
    if (X509_CRL_get0_by_serial(c, &r, serial) != 1) state.SkipWithError("not found");
    X509_CRL_free(c);
  }
  ASN1_INTEGER_free(serial);
}

void OpenSSLLookup(benchmark::State& state, bool present) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  ASN1_INTEGER* serial = OsslSerial(present ? s.present : s.absent);
  X509_CRL* c = OsslParse(s.der);
  X509_REVOKED* r = nullptr;
  X509_CRL_get0_by_serial(c, &r, serial);
  for (auto _ : state) {
    if ((X509_CRL_get0_by_serial(c, &r, serial) == 1) != present) state.SkipWithError("lookup");
  }
  X509_CRL_free(c);
  ASN1_INTEGER_free(serial);
}
void OpenSSLLookupPresent(benchmark::State& state) { OpenSSLLookup(state, true); }
void OpenSSLLookupAbsent(benchmark::State& state) { OpenSSLLookup(state, false); }

void OpenSSLVerify(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  X509_CRL* c = OsslParse(s.der);
  for (auto _ : state) {
    if (X509_CRL_verify(c, X509_get0_pubkey(gIssuer)) != 1) state.SkipWithError("signature");
  }
  X509_CRL_free(c);
}

// mbedTLS parses into a chain of entries and copies the DER; the walk
// visits every entry as a lookup by serial would.
void MbedParse(benchmark::State& state) {
  Sample& s = SampleOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    mbedtls_x509_crl crl;
    mbedtls_x509_crl_init(&crl);
    if (mbedtls_x509_crl_parse_der(&crl, s.der.data(), s.der.size()) != 0) state.SkipWithError("parse");
    long n = 0;
    for (const mbedtls_x509_crl_entry* e = &crl.entry; e != nullptr; e = e->next) n += e->serial.len;
    benchmark::DoNotOptimize(n);
    mbedtls_x509_crl_free(&crl);
  }
}

const std::vector<int64_t> kSizes = {10, 1000, 100000};

void Register(const char* name, void (*f)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, f)->ArgsProduct({kSizes})->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
  pkixtest::InProcessManager mgr;
  benchutil::ConversionBinding conversion;
  Bytes key = benchutil::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/sub-key.p8.der");
  Bytes cert = benchutil::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/certs/sub-ca.der");
  gKey = pkixtest::OsslPrivateKey(key);
  const unsigned char* p = cert.data();
  gIssuer = d2i_X509(nullptr, &p, static_cast<long>(cert.size()));
  gIssuerCert = adoptRef(createTCert(TCert::CF_X509, cert.data(), static_cast<unsigned>(cert.size())));
  if (!gKey || gIssuer == nullptr || !gIssuerCert) return 1;

  Register("ours_parse", OursParse);
  Register("mbedtls_parse_walk", MbedParse);
  Register("openssl_parse", OpenSSLParse);
  Register("ours_parse_first_lookup", OursParseAndFirstLookup);
  Register("openssl_parse_first_lookup", OpenSSLParseAndFirstLookup);
  Register("ours_lookup_present", OursLookupPresent);
  Register("openssl_lookup_present", OpenSSLLookupPresent);
  Register("ours_lookup_absent", OursLookupAbsent);
  Register("openssl_lookup_absent", OpenSSLLookupAbsent);
  Register("ours_cert_lookup_present", OursCertLookupPresent);
  Register("ours_cert_lookup_absent", OursCertLookupAbsent);
  Register("ours_check_sign", OursCheckSign);
  Register("openssl_verify", OpenSSLVerify);
  benchmark::Initialize(&argc, argv);
  benchutil::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nratios (ours / peer, CPU time):\n");
  for (int64_t n : kSizes) {
    auto t = [&](const char* name) { return reporter.cpu(std::string(name) + "/" + std::to_string(n)); };
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    double ours_first = t("ours_parse_first_lookup") - t("ours_parse");
    double ossl_first = t("openssl_parse_first_lookup") - t("openssl_parse");
    std::printf("%6lld entries: parse/mbedTLS %.2f  parse/OpenSSL %.2f  first lookup/OpenSSL %.3f  "
                "present/OpenSSL %.2f (by certificate %.2f)  absent/OpenSSL %.2f (by certificate %.2f)  "
                "checkSign/X509_CRL_verify %.3f\n",
                static_cast<long long>(n), ratio(t("ours_parse"), t("mbedtls_parse_walk")),
                ratio(t("ours_parse"), t("openssl_parse")), ratio(ours_first, ossl_first),
                ratio(t("ours_lookup_present"), t("openssl_lookup_present")),
                ratio(t("ours_cert_lookup_present"), t("openssl_lookup_present")),
                ratio(t("ours_lookup_absent"), t("openssl_lookup_absent")),
                ratio(t("ours_cert_lookup_absent"), t("openssl_lookup_absent")),
                ratio(t("ours_check_sign"), t("openssl_verify")));
  }

  // Heap held by one parsed list (the DER itself is the caller's buffer),
  // then with its index built.
  std::printf("\nheap per parsed list:\n");
  for (int64_t n : kSizes) {
    Sample& s = SampleOf(static_cast<int>(n));
    Ref<TBuf> in = adoptRef(createTBuf(s.der.data(), static_cast<unsigned>(s.der.size())));
    long long before = benchutil::HeapInUse();
    Ref<X509CRL> c = adoptRef(new X509CRL);
    c->setRaw(in.get());
    long long parsed = benchutil::HeapInUse() - before;
    Ref<TCert> probe = Probe(c.get(), s.present);
    long long probe_bytes = benchutil::HeapInUse() - before - parsed;
    Ref<TCert> hit = adoptRef(c->findRevokedCert(probe.get()));
    hit.reset();
    long long indexed = benchutil::HeapInUse() - before - probe_bytes;
    before = benchutil::HeapInUse();
    X509_CRL* o = OsslParse(s.der);
    long long ossl = benchutil::HeapInUse() - before;
    X509_CRL_free(o);
    before = benchutil::HeapInUse();
    mbedtls_x509_crl m;
    mbedtls_x509_crl_init(&m);
    mbedtls_x509_crl_parse_der(&m, s.der.data(), s.der.size());
    long long mbed = benchutil::HeapInUse() - before;
    mbedtls_x509_crl_free(&m);
    std::printf("%6lld entries, DER %zu octets: ours %lld (%.2f x DER), with index %lld (%.2f x); "
                "OpenSSL %lld (%.2f x), mbedTLS %lld (%.2f x)\n",
                static_cast<long long>(n), s.der.size(), parsed, static_cast<double>(parsed) / s.der.size(), indexed,
                static_cast<double>(indexed) / s.der.size(), ossl, static_cast<double>(ossl) / s.der.size(), mbed,
                static_cast<double>(mbed) / s.der.size());
  }
  X509_free(gIssuer);
  gIssuerCert.reset();
  gKey.reset();
  return 0;
}
