// Path validation of a three-certificate chain (root, intermediate, end
// entity from the path fixtures, RSA-2048, sha256WithRSAEncryption) with
// one CRL per level, revocation checked for every certificate: our
// validatePath over the module's objects against OpenSSL's
// X509_verify_cert over its own parsed objects, the same inputs and the
// same fixed time. The ratio is printed at the end.
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "cert/x509crt.h"
#include "crl/tcrl.h"
#include "path/pathvalid.h"
#include "support/abuf.h"
#include "support/ref.h"
#include "testing/inproc.h"

namespace {

using benchutil::Bytes;

constexpr int64_t kAt = 1893456000;  // 2030-01-01, inside every validity

Bytes Fixture(const char* name) { return benchutil::ReadFile(std::string(PKIX_SOURCE_DIR) + "/tests/data/path/" + name); }

struct Inputs {
  Ref<TCert> root, inter, leaf;
  Ref<TCRL> root_crl, int_crl;
  X509* o_root = nullptr;
  X509* o_int = nullptr;
  X509* o_leaf = nullptr;
  X509_CRL* o_root_crl = nullptr;
  X509_CRL* o_int_crl = nullptr;
};
Inputs gIn;

Ref<TCert> Cert(const Bytes& d) { return adoptRef(createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()))); }
Ref<TCRL> Crl(const Bytes& d) {
  Ref<TBuf> b = adoptRef(createTBuf(d.data(), static_cast<unsigned>(d.size())));
  return adoptRef(createTCRL(TCert::CF_X509, b.get()));
}
X509* OCert(const Bytes& d) {
  const unsigned char* p = d.data();
  return d2i_X509(nullptr, &p, static_cast<long>(d.size()));
}
X509_CRL* OCrl(const Bytes& d) {
  const unsigned char* p = d.data();
  return d2i_X509_CRL(nullptr, &p, static_cast<long>(d.size()));
}

void Ours(benchmark::State& state) {
  pkixpath::PathParams params;
  params.use_clock = false;
  params.at = kAt;
  params.revocation = pkixpath::Revocation::kAll;
  std::vector<TCert*> untrusted{gIn.inter.get()}, anchors{gIn.root.get()};
  std::vector<TCRL*> crls{gIn.int_crl.get(), gIn.root_crl.get()};
  for (auto _ : state) {
    pkixpath::PathVerdict v;
    int rc = pkixpath::validatePath(gIn.leaf.get(), untrusted, anchors, crls, params, &v);
    if (rc != pkixpath::kValid) state.SkipWithError(pkixpath::verdictText(rc));
    benchmark::DoNotOptimize(v.path.size());
  }
}

void OpenSSL(benchmark::State& state) {
  X509_STORE* store = X509_STORE_new();
  X509_STORE_add_cert(store, gIn.o_root);
  STACK_OF(X509)* chain = sk_X509_new_null();
  sk_X509_push(chain, gIn.o_int);
  STACK_OF(X509_CRL)* crls = sk_X509_CRL_new_null();
  sk_X509_CRL_push(crls, gIn.o_int_crl);
  sk_X509_CRL_push(crls, gIn.o_root_crl);
  for (auto _ : state) {
    X509_STORE_CTX* ctx = X509_STORE_CTX_new();
    X509_STORE_CTX_init(ctx, store, gIn.o_leaf, chain);
    X509_STORE_CTX_set0_crls(ctx, crls);
    X509_VERIFY_PARAM* vp = X509_STORE_CTX_get0_param(ctx);
    X509_VERIFY_PARAM_set_time(vp, static_cast<time_t>(kAt));
    X509_VERIFY_PARAM_set_flags(vp, X509_V_FLAG_CRL_CHECK | X509_V_FLAG_CRL_CHECK_ALL);
    if (X509_verify_cert(ctx) != 1) state.SkipWithError(X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx)));
    X509_STORE_CTX_free(ctx);
  }
  sk_X509_CRL_free(crls);
  sk_X509_free(chain);
  X509_STORE_free(store);
}

}  // namespace

int main(int argc, char** argv) {
  pkixtest::InProcessManager mgr;
  benchutil::ConversionBinding conversion;
  Bytes root = Fixture("root.der"), inter = Fixture("int_crl.der"), leaf = Fixture("ee_not_revoked.der");
  Bytes root_crl = Fixture("crl_root.der"), int_crl = Fixture("crl_int.der");
  gIn.root = Cert(root);
  gIn.inter = Cert(inter);
  gIn.leaf = Cert(leaf);
  gIn.root_crl = Crl(root_crl);
  gIn.int_crl = Crl(int_crl);
  gIn.o_root = OCert(root);
  gIn.o_int = OCert(inter);
  gIn.o_leaf = OCert(leaf);
  gIn.o_root_crl = OCrl(root_crl);
  gIn.o_int_crl = OCrl(int_crl);
  if (!gIn.root || !gIn.inter || !gIn.leaf || !gIn.root_crl || !gIn.int_crl || gIn.o_root == nullptr ||
      gIn.o_int == nullptr || gIn.o_leaf == nullptr || gIn.o_root_crl == nullptr || gIn.o_int_crl == nullptr) {
    std::fprintf(stderr, "path fixtures missing\n");
    return 1;
  }
  benchmark::RegisterBenchmark("ours_validate_chain3_crl_all", Ours);
  benchmark::RegisterBenchmark("openssl_verify_chain3_crl_all", OpenSSL);
  benchmark::Initialize(&argc, argv);
  benchutil::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double ours = reporter.cpu("ours_validate_chain3_crl_all"), theirs = reporter.cpu("openssl_verify_chain3_crl_all");
  if (theirs > 0) std::printf("\nratio (ours / OpenSSL, CPU time): %.2f\n", ours / theirs);
  X509_CRL_free(gIn.o_int_crl);
  X509_CRL_free(gIn.o_root_crl);
  X509_free(gIn.o_leaf);
  X509_free(gIn.o_int);
  X509_free(gIn.o_root);
  return 0;
}
