// Parsing the certificate corpus (the Mozilla roots, the sample PKI and the
// test fixtures) with x509_parse_cert, mbedtls_x509_crt_parse_der_nocopy
// and d2i_X509, each with its record's setup and release, then the ratios
// of the three. Only the certificates all three accept are timed.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <mbedtls/x509_crt.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_util.h"
#include "cert/x509.h"

namespace {

using Octets = benchutil::Bytes;

void Load(const std::string& rel, std::vector<Octets>* into) {
  std::string dir = std::string(PKIX_SOURCE_DIR) + "/" + rel;
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".der") == 0) names.push_back(dir + "/" + n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    Octets v = benchutil::ReadFile(n);
    if (!v.empty()) into->push_back(v);
  }
}

bool Ours(const Octets& c) {
  x509_cert_t* rec = nullptr;
  if (x509_init_cert(&rec) != 0) return false;
  Buffer in = {nullptr, const_cast<unsigned char*>(c.data()), static_cast<uint32_t>(c.size())};
  int r = x509_parse_cert(&in, rec);
  benchmark::DoNotOptimize(rec->not_after);
  x509_release_cert(rec);
  return r == 0;
}

bool Mbed(const Octets& c) {
  mbedtls_x509_crt crt;
  mbedtls_x509_crt_init(&crt);
  int r = mbedtls_x509_crt_parse_der_nocopy(&crt, c.data(), c.size());
  benchmark::DoNotOptimize(crt.version);
  mbedtls_x509_crt_free(&crt);
  return r == 0;
}

bool OpenSSL(const Octets& c) {
  const unsigned char* p = c.data();
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(c.size()));
  benchmark::DoNotOptimize(x);
  X509_free(x);
  return x != nullptr;
}

// The corpus every parser accepts.
const std::vector<Octets>& Corpus() {
  static const std::vector<Octets> corpus = [] {
    std::vector<Octets> all, kept;
    Load("tests/data/roots", &all);
    Load("examples/certs", &all);
    Load("tests/data/cert", &all);
    size_t octets = 0;
    for (const Octets& c : all) {
      if (Ours(c) && Mbed(c) && OpenSSL(c)) {
        kept.push_back(c);
        octets += c.size();
      }
    }
    std::printf("corpus: %zu certificates of %zu files accepted by all three, %zu octets\n", kept.size(),
                all.size(), octets);
    return kept;
  }();
  return corpus;
}

template <bool (*Parse)(const Octets&)>
void BM_Parse(benchmark::State& state) {
  const std::vector<Octets>& corpus = Corpus();
  for (auto _ : state) {
    for (const Octets& c : corpus) benchmark::DoNotOptimize(Parse(c));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * corpus.size()));
}

BENCHMARK_TEMPLATE(BM_Parse, Ours)->Name("x509_parse_cert");
BENCHMARK_TEMPLATE(BM_Parse, Mbed)->Name("mbedtls_x509_crt_parse_der_nocopy");
BENCHMARK_TEMPLATE(BM_Parse, OpenSSL)->Name("d2i_X509");

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Corpus();
  benchutil::RatioReporter reporter("mean");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double ours = reporter.cpu("x509_parse_cert");
  double mbed = reporter.cpu("mbedtls_x509_crt_parse_der_nocopy");
  double ossl = reporter.cpu("d2i_X509");
  if (ours > 0) {
    std::printf("per corpus pass: x509_parse_cert %.1f us, mbedTLS %.1f us, OpenSSL %.1f us\n", ours / 1e3,
                mbed / 1e3, ossl / 1e3);
    std::printf("ratios: mbedTLS / x509_parse_cert = %.2f, OpenSSL / x509_parse_cert = %.2f\n", mbed / ours,
                ossl / ours);
    benchutil::Target("x509_parse_cert speed, mbedTLS time / ours", mbed / ours, false, 2.0);
  }
  benchmark::Shutdown();
  return 0;
}
