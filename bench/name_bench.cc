// Names against OpenSSL: the cached comparison (TName::operator==) on two
// differently encoded but equal names and on byte-identical names, against
// X509_NAME_cmp on the same names (whose canonical form OpenSSL also
// caches); the text encoder on a typical five-RDN name; and normalisation
// of the Mozilla root names against OpenSSL's parse and canonical form.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/abuf.h"
#include "name/name.h"
#include "name/x509conv.h"
#include "name/x509name.h"
#include "testing/inproc.h"

namespace {

using Bytes = std::string;

Bytes Tlv(unsigned tag, const Bytes& content) {
  Bytes out(1, static_cast<char>(tag));
  out += static_cast<char>(content.size());  // short names only
  return out + content;
}

// CN, OU, O, L, C with the values given, each as its own RDN, all values
// under one string tag.
Bytes FiveRdnName(unsigned tag, const char* cn, const char* ou, const char* o, const char* l, const char* c) {
  const unsigned char oids[5] = {3, 11, 10, 7, 6};  // 2.5.4.x
  const char* values[5] = {cn, ou, o, l, c};
  Bytes content;
  for (int i = 0; i < 5; ++i) {
    Bytes oid = Bytes("\x55\x04", 2) + static_cast<char>(oids[i]);
    Bytes v = values[i];
    if (tag == 0x1E) {  // BMPString
      Bytes wide;
      for (char ch : v) wide += Bytes(1, '\0') + ch;
      v = wide;
    }
    content += Tlv(0x31, Tlv(0x30, Tlv(0x06, oid) + Tlv(tag, v)));
  }
  return Tlv(0x30, content);
}

const Bytes kPrintable = FiveRdnName(0x13, "Example Root CA", "Certification Services", "Example Corp", "Oslo", "NO");
const Bytes kUtf8OtherCase =
    FiveRdnName(0x0C, "EXAMPLE root ca", "certification  services", "example corp", "OSLO", "no");

struct Env {
  pkixtest::InProcessManager mgr;
};
Env& Environment() {
  static Env* env = new Env;
  return *env;
}

TName* Ours(const Bytes& der) {
  Environment();
  return createTName(TName::NAME_DN, reinterpret_cast<const unsigned char*>(der.data()),
                     static_cast<unsigned>(der.size()));
}

X509_NAME* Theirs(const Bytes& der) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
  return d2i_X509_NAME(nullptr, &p, static_cast<long>(der.size()));
}

void OursEqual(benchmark::State& state, const Bytes& a_der, const Bytes& b_der) {
  TName* a = Ours(a_der);
  TName* b = Ours(b_der);
  if (a == nullptr || b == nullptr || (*a == *b) != 1) {
    state.SkipWithError("names do not compare equal");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(*a == *b);
  a->release();
  b->release();
}

void TheirsEqual(benchmark::State& state, const Bytes& a_der, const Bytes& b_der) {
  X509_NAME* a = Theirs(a_der);
  X509_NAME* b = Theirs(b_der);
  if (a == nullptr || b == nullptr || X509_NAME_cmp(a, b) != 0) {
    state.SkipWithError("names do not compare equal");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(X509_NAME_cmp(a, b));
  X509_NAME_free(a);
  X509_NAME_free(b);
}

void BM_Ours_Equal_DifferentEncoding(benchmark::State& s) { OursEqual(s, kPrintable, kUtf8OtherCase); }
void BM_OpenSSL_Cmp_DifferentEncoding(benchmark::State& s) { TheirsEqual(s, kPrintable, kUtf8OtherCase); }
void BM_Ours_Equal_Identical(benchmark::State& s) { OursEqual(s, kPrintable, kPrintable); }
void BM_OpenSSL_Cmp_Identical(benchmark::State& s) { TheirsEqual(s, kPrintable, kPrintable); }
BENCHMARK(BM_Ours_Equal_DifferentEncoding);
BENCHMARK(BM_OpenSSL_Cmp_DifferentEncoding);
BENCHMARK(BM_Ours_Equal_Identical);
BENCHMARK(BM_OpenSSL_Cmp_Identical);

void BM_Ours_EncName_FiveRdn(benchmark::State& state) {
  const Bytes text = "CN=Example Root CA, OU=Certification Services, O=Example Corp, L=Oslo, C=NO";
  for (auto _ : state) {
    Buffer in, out;
    set_buffer(&in, static_cast<uint32_t>(text.size()), reinterpret_cast<const unsigned char*>(text.data()));
    int rc = x509_enc_name(&in, &out, 0);
    benchmark::DoNotOptimize(rc);
    release_buffer(&out);
  }
}
BENCHMARK(BM_Ours_EncName_FiveRdn);

std::vector<Bytes> CorpusNames() {
  std::vector<Bytes> names;
  const std::string dir = PKIX_SOURCE_DIR "/tests/data/roots";
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return names;
  std::vector<std::string> files;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".der") == 0) files.push_back(dir + "/" + n);
  }
  closedir(d);
  std::sort(files.begin(), files.end());
  for (const std::string& f : files) {
    FILE* fp = std::fopen(f.c_str(), "rb");
    if (fp == nullptr) continue;
    X509* x = d2i_X509_fp(fp, nullptr);
    std::fclose(fp);
    if (x == nullptr) continue;
    const unsigned char* der = nullptr;
    size_t len = 0;
    X509_NAME_get0_der(X509_get_subject_name(x), &der, &len);
    names.emplace_back(reinterpret_cast<const char*>(der), len);
    X509_free(x);
  }
  return names;
}

const std::vector<Bytes>& Corpus() {
  static const std::vector<Bytes>* c = new std::vector<Bytes>(CorpusNames());
  return *c;
}

// Per name: the comparison form of the DER.
void BM_Ours_NormName_Corpus(benchmark::State& state) {
  const std::vector<Bytes>& names = Corpus();
  for (auto _ : state) {
    for (const Bytes& n : names) {
      Buffer in, out;
      set_buffer(&in, static_cast<uint32_t>(n.size()), reinterpret_cast<const unsigned char*>(n.data()));
      benchmark::DoNotOptimize(x509_norm_name(&in, &out, NORM_UPPER));
      release_buffer(&out);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * names.size()));
}
BENCHMARK(BM_Ours_NormName_Corpus);

// Per name: OpenSSL's parse, which builds the canonical form as it goes.
void BM_OpenSSL_ParseCanon_Corpus(benchmark::State& state) {
  const std::vector<Bytes>& names = Corpus();
  for (auto _ : state) {
    for (const Bytes& n : names) {
      X509_NAME* x = Theirs(n);
      benchmark::DoNotOptimize(x);
      X509_NAME_free(x);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * names.size()));
}
BENCHMARK(BM_OpenSSL_ParseCanon_Corpus);

}  // namespace
