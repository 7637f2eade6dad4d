// How name work grows with the size of a name: comparing two names of n
// RDNs (normalisation and both trees built afresh each time), and encoding
// from text one RDN of n values and a name of n RDNs. Each runs for 1k, 10k
// and 100k elements and reports the fitted growth, which should be no worse
// than n log n.
#include <benchmark/benchmark.h>

#include <string>

#include "contract/x509asn.h"
#include "support/abuf.h"
#include "name/name.h"
#include "name/x509name.h"
#include "testing/inproc.h"

namespace {

using Bytes = std::string;

// "CN=v0,CN=v1,..." with n RDNs joined by separator: in order, or backwards.
std::string TextOf(int n, const char* separator, bool backwards) {
  std::string text;
  for (int k = 0; k < n; ++k) {
    int i = backwards ? n - 1 - k : k;
    text += (k == 0 ? "CN=v" : std::string(separator) + "CN=v") + std::to_string(i);
  }
  return text;
}

// The DER of a name written as text (empty when it does not encode).
Bytes DerOf(const std::string& text) {
  Buffer in, out;
  set_buffer(&in, static_cast<uint32_t>(text.size()), reinterpret_cast<const unsigned char*>(text.data()));
  Bytes der;
  if (x509_enc_name(&in, &out, 0) == 0) der.assign(reinterpret_cast<const char*>(out.data), out.len);
  release_buffer(&out);
  return der;
}

struct Env {
  pkixtest::InProcessManager mgr;
};
Env& Environment() {
  static Env* env = new Env;
  return *env;
}

TName* NameOf(const Bytes& der) {
  return createTName(TName::NAME_DN, reinterpret_cast<const unsigned char*>(der.data()),
                     static_cast<unsigned>(der.size()));
}

void BM_NameTree_Compare(benchmark::State& state) {
  Environment();
  const int n = static_cast<int>(state.range(0));
  // Equal as names, different octet for octet.
  const Bytes a = DerOf(TextOf(n, ",", false)), b = DerOf(TextOf(n, ",", true));
  for (auto _ : state) {
    TName* x = NameOf(a);
    TName* y = NameOf(b);
    if (x == nullptr || y == nullptr || (*x == *y) != 1) state.SkipWithError("names do not compare equal");
    if (x != nullptr) x->release();
    if (y != nullptr) y->release();
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_NameTree_Compare)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

// Encodes text with x509_enc_name; the text is built once.
void EncodeText(benchmark::State& state, const std::string& text) {
  Buffer in;
  set_buffer(&in, static_cast<uint32_t>(text.size()), reinterpret_cast<const unsigned char*>(text.data()));
  for (auto _ : state) {
    Buffer out;
    if (x509_enc_name(&in, &out, 0) != 0) state.SkipWithError("the text does not encode");
    benchmark::DoNotOptimize(out.len);
    release_buffer(&out);
  }
  state.SetComplexityN(state.range(0));
}

void BM_EncName_SingleRdn(benchmark::State& state) {
  EncodeText(state, TextOf(static_cast<int>(state.range(0)), "+", false));
}
BENCHMARK(BM_EncName_SingleRdn)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_EncName_ManyRdns(benchmark::State& state) {
  EncodeText(state, TextOf(static_cast<int>(state.range(0)), ",", false));
}
BENCHMARK(BM_EncName_ManyRdns)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

// The name object from text: encoding and the well-formedness check.
void BM_SetPrintable_SingleRdn(benchmark::State& state) {
  Environment();
  const std::string text = TextOf(static_cast<int>(state.range(0)), "+", false);
  for (auto _ : state) {
    TName* n = createTName(TName::NAME_DN);
    if (n == nullptr || n->setPrintable(text.c_str()) != 0) state.SkipWithError("the text does not encode");
    if (n != nullptr) n->release();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SetPrintable_SingleRdn)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
