// Certificate objects from DER: our createTCert through the certificate
// service (record, algorithm, key) plus a typical set of queries, against
// mbedtls_x509_crt_parse_der_nocopy and OpenSSL's d2i_X509 with the same
// queries, over the certificates of the sample PKI the module takes. One
// run; the ratios are printed. Then the heap bytes one parsed object holds,
// counted by an allocator that wraps the C library's.
#include <malloc.h>
#include <mbedtls/x509_crt.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "cert/keyusageext.h"
#include "support/abuf.h"
#include "module/pkixsrv.h"
#include "certobj_queries.h"
#include "heap_count.h"
#include "testing/inproc.h"

namespace {

using benchutil::Bytes;
using Clock = std::chrono::steady_clock;

using benchutil::ReadFile;

using benchutil::gSink;
using benchutil::Ours;

// Nanoseconds per certificate of one pass over certs, repeated.
template <class F>
double Time(const std::vector<Bytes>& certs, int rounds, F f) {
  for (const Bytes& c : certs) f(c);  // warm up
  auto start = Clock::now();
  for (int r = 0; r < rounds; ++r) {
    for (const Bytes& c : certs) f(c);
  }
  double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
  return ns / (static_cast<double>(rounds) * certs.size());
}

// The median of xs (not empty).
double Median(std::vector<double> xs) {
  std::sort(xs.begin(), xs.end());
  return xs[xs.size() / 2];
}

void Mbed(const Bytes& d, bool queries) {
  mbedtls_x509_crt crt;
  mbedtls_x509_crt_init(&crt);
  if (mbedtls_x509_crt_parse_der_nocopy(&crt, d.data(), d.size()) != 0) std::abort();
  if (queries) {
    long sum = crt.version + crt.serial.len + crt.subject_raw.len;
    sum += crt.valid_to.year - crt.valid_from.year;
    sum += mbedtls_pk_get_type(&crt.pk);
    sum += crt.ca_istrue;
    sum += mbedtls_x509_crt_check_key_usage(&crt, MBEDTLS_X509_KU_DIGITAL_SIGNATURE) == 0;
    gSink = sum;
  }
  mbedtls_x509_crt_free(&crt);
}

void Ossl(const Bytes& d, bool queries) {
  const unsigned char* p = d.data();
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(d.size()));
  if (x == nullptr) std::abort();
  if (queries) {
    long sum = X509_get_version(x);
    sum += ASN1_STRING_length(X509_get0_serialNumber(x));
    sum += X509_get_subject_name(x) != nullptr;
    int days = 0, secs = 0;
    ASN1_TIME_diff(&days, &secs, X509_get0_notBefore(x), X509_get0_notAfter(x));
    sum += days;
    sum += EVP_PKEY_get_base_id(X509_get0_pubkey(x));
    sum += X509_check_ca(x);
    sum += (X509_get_key_usage(x) & KU_DIGITAL_SIGNATURE) != 0;
    gSink = sum;
  }
  X509_free(x);
}

}  // namespace

int main(int argc, char** argv) {
  // "--profile" (with the queries) or "--profile-create" (without): only
  // our operation, in a loop, for perf or callgrind; a further number sets
  // the rounds.
  std::string mode = argc > 1 ? argv[1] : "";
  int profile_rounds = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 30000;
  bool profile_only = mode == "--profile" || mode == "--profile-create";
  pkixtest::InProcessManager mgr;
  benchutil::ConversionBinding conversion;
  CMN_GRefPtr<TPkixService> hold(createTPkixService());
  TPkixService* s = hold.get();

  // The certificates the module takes (RSA and DSA, SHA-1 and MD5).
  std::vector<Bytes> certs;
  size_t der_total = 0;
  for (const char* f : {"root-ca", "sub-ca", "server", "revoked", "server-tampered", "md5-user", "dsa-ca", "dsa-user"}) {
    certs.push_back(ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/certs/" + f + ".der"));
    der_total += certs.back().size();
  }
  // The peers are timed on the same certificates: those all three accept
  // (mbedTLS has no DSA keys).
  std::vector<Bytes> all;
  all.swap(certs);
  der_total = 0;
  for (Bytes& d : all) {
    mbedtls_x509_crt crt;
    mbedtls_x509_crt_init(&crt);
    bool mbed_ok = mbedtls_x509_crt_parse_der_nocopy(&crt, d.data(), d.size()) == 0;
    mbedtls_x509_crt_free(&crt);
    TCert* c = s->createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()));
    if (c != nullptr) c->release();
    if (!mbed_ok || c == nullptr) continue;
    der_total += d.size();
    certs.push_back(d);
  }
  if (profile_only) {
    for (int r = 0; r < profile_rounds; ++r) {
      for (const Bytes& d : certs) Ours(s, d, mode == "--profile");
    }
    return 0;
  }
  const int kRounds = 3000;
  const int kTurns = 15;
  std::printf("%zu certificates, %zu DER octets on average, %d rounds in %d turns (median turn)\n", certs.size(),
              der_total / certs.size(), kRounds, kTurns);
  for (bool queries : {false, true}) {
    // The three sides take turns, kTurns times, each over a share of the
    // rounds; each side's median turn counts. One long pass per side was
    // at the mercy of whatever else the machine did meanwhile: the same
    // build gave ratios a factor of two apart from one run to the next.
    std::vector<double> ours_t, mbed_t, ossl_t;
    for (int turn = 0; turn < kTurns; ++turn) {
      ours_t.push_back(Time(certs, kRounds / kTurns, [&](const Bytes& d) { Ours(s, d, queries); }));
      mbed_t.push_back(Time(certs, kRounds / kTurns, [&](const Bytes& d) { Mbed(d, queries); }));
      ossl_t.push_back(Time(certs, kRounds / kTurns, [&](const Bytes& d) { Ossl(d, queries); }));
    }
    double ours = Median(ours_t);
    double mbed = Median(mbed_t);
    double ossl = Median(ossl_t);
    std::printf("%s\n", queries ? "parse + typical queries:" : "parse (full object):");
    std::printf("  createTCert          %9.0f ns\n", ours);
    std::printf("  mbedTLS nocopy parse %9.0f ns   ours/mbedTLS %.2f\n", mbed, ours / mbed);
    std::printf("  OpenSSL d2i_X509     %9.0f ns   ours/OpenSSL %.2f\n", ossl, ours / ossl);
    if (queries) {
      benchutil::Target("createTCert+queries / mbedTLS parse", ours / mbed, true, 3.0);
    } else {
      benchutil::Target("createTCert / mbedTLS parse", ours / mbed, true, 1.0);
    }
  }

  // Heap bytes held by one object, after creation and after the queries
  // (which create the cached names, serial and extension list).
  for (bool queries : {false, true}) {
    long long total = 0;
    for (const Bytes& d : certs) {
      long long before = benchutil::HeapInUse();
      TCert* c = s->createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()));
      if (queries) {
        TBuf* sn = c->getSerialNumber();
        sn->release();
        TName* n = c->getName(static_cast<TName::name_type_t>(0x201));
        n->release();
        TExtnList* l = c->getExtns();
        l->release();
      }
      total += benchutil::HeapInUse() - before;
      c->release();
    }
    std::printf("heap per object%s: %lld bytes (DER %zu octets: %.1f x)\n", queries ? " after the queries" : "",
                total / static_cast<long long>(certs.size()), der_total / certs.size(),
                static_cast<double>(total) / der_total);
    benchutil::Target(queries ? "heap per object after the queries / DER" : "heap per object / DER",
                      static_cast<double>(total) / der_total, true, queries ? 3.0 : 1.5);
  }
  for (bool unused : {true}) {
    (void)unused;
    long long before = benchutil::HeapInUse();
    mbedtls_x509_crt crt;
    mbedtls_x509_crt_init(&crt);
    mbedtls_x509_crt_parse_der_nocopy(&crt, certs[2].data(), certs[2].size());
    long long mbed_bytes = benchutil::HeapInUse() - before;
    mbedtls_x509_crt_free(&crt);
    before = benchutil::HeapInUse();
    const unsigned char* p = certs[2].data();
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(certs[2].size()));
    long long ossl_bytes = benchutil::HeapInUse() - before;
    X509_free(x);
    std::printf("for comparison (server.der): mbedTLS nocopy %lld bytes, OpenSSL %lld bytes\n", mbed_bytes, ossl_bytes);
  }
  return 0;
}
