// The extension list of a certificate with many extensions: getExtns on a
// fresh certificate object holding 1k, 10k and 100k unrecognised
// extensions (distinct identifiers), so that building the list shows how
// it grows with the count. The certificates are written and signed by
// OpenSSL once, outside the timing; each iteration creates the object
// (not timed) and times getExtns alone.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench_util.h"
#include "cert/x509crt.h"
#include "support/abuf.h"
#include "testing/inproc.h"

namespace {

using benchutil::Bytes;

struct Env {
  pkixtest::InProcessManager mgr;
  benchutil::ConversionBinding conversion;
};
Env& Environment() {
  static Env* env = new Env;
  return *env;
}

// server.der with count extensions 1.3.6.1.4.1.99999.2.<i> (each an OCTET
// STRING holding NULL) added, signed again by the sub-CA.
Bytes ManyExtensions(int count) {
  Bytes der = benchutil::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/certs/server.der");
  Bytes key = benchutil::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/keys/sub-key.p8.der");
  const unsigned char* p = der.data();
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  const unsigned char* k = key.data();
  EVP_PKEY* signer = d2i_AutoPrivateKey(nullptr, &k, static_cast<long>(key.size()));
  if (x == nullptr || signer == nullptr) std::abort();
  const unsigned char kNull[] = {0x05, 0x00};
  ASN1_OCTET_STRING* value = ASN1_OCTET_STRING_new();
  ASN1_OCTET_STRING_set(value, kNull, sizeof kNull);
  for (int i = 0; i < count; ++i) {
    std::string oid = "1.3.6.1.4.1.99999.2." + std::to_string(i);
    ASN1_OBJECT* o = OBJ_txt2obj(oid.c_str(), 1);
    X509_EXTENSION* e = X509_EXTENSION_create_by_OBJ(nullptr, o, 0, value);
    if (e == nullptr || X509_add_ext(x, e, -1) != 1) std::abort();
    X509_EXTENSION_free(e);
    ASN1_OBJECT_free(o);
  }
  if (X509_sign(x, signer, EVP_sha256()) <= 0) std::abort();
  unsigned char* q = nullptr;
  int n = i2d_X509(x, &q);
  Bytes out(q, q + n);
  OPENSSL_free(q);
  ASN1_OCTET_STRING_free(value);
  EVP_PKEY_free(signer);
  X509_free(x);
  return out;
}

const Bytes& Cert(int count) {
  static std::map<int, Bytes> made;
  auto it = made.find(count);
  if (it == made.end()) it = made.emplace(count, ManyExtensions(count)).first;
  return it->second;
}

void BM_GetExtns(benchmark::State& state) {
  Environment();
  const Bytes& der = Cert(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    TCert* c = createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size()));
    if (c == nullptr) std::abort();
    state.ResumeTiming();
    TExtnList* l = c->getExtns();
    benchmark::DoNotOptimize(l);
    state.PauseTiming();
    if (l == nullptr) std::abort();
    l->release();
    c->release();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GetExtns)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();
