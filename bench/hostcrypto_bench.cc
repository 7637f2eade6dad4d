// The crypto service's transforms, driven as the module drives them, against
// the same operation through libcrypto with a key loaded once. Keys come from
// the committed fixtures (RSA 2048) and the sample PKI (EC P-256).
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdio>
#include <string>
#include <vector>

#include "alg/pki_cnvrt_s.h"
#include "host/hostcrypto.h"
#include "key/x509key.h"
#include "module/pkixkeysrv.h"
#include "testing/inproc.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const std::string& path) {
  Bytes out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return out;
  unsigned char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
  std::fclose(f);
  return out;
}

// Everything the benchmarks share, made once and kept to the end of the
// process (the module's static clients outlive main).
struct World {
  World() {
    auto* mgr = new pkixtest::InProcessManager;
    mgr->offer(0x3f000a, createAlgCnvrtSrv());
    mgr->offer(0x3f0008, createTPkixKeyService());
    svc = pkixhost::createCryptoService();
    svc->addReference();
    const std::string key = PKIX_SOURCE_DIR "/tests/data/key/rsa-2048";
    const std::string ec = PKIX_SOURCE_DIR "/examples/keys/ec-ca-key";
    rsa_pub = Key(key + ".pub.der", TKey::KT_PUBLIC, &ossl_rsa_pub);
    rsa_priv = Key(key + ".p8.der", TKey::KT_PRIVATE, &ossl_rsa_priv);
    ec_pub = Key(ec + ".pub.der", TKey::KT_PUBLIC, &ossl_ec_pub);
    ec_priv = Key(ec + ".p8.der", TKey::KT_PRIVATE, &ossl_ec_priv);
  }

  static TKey* Key(const std::string& path, TKey::key_type_t kind, EVP_PKEY** ossl) {
    Bytes der = ReadFile(path);
    const unsigned char* p = der.data();
    long n = static_cast<long>(der.size());
    *ossl = kind == TKey::KT_PUBLIC ? d2i_PUBKEY(nullptr, &p, n) : d2i_AutoPrivateKey(nullptr, &p, n);
    return createTKey(kind, der.data(), static_cast<unsigned>(der.size()));
  }

  CCD_Interface* svc = nullptr;
  TKey *rsa_pub, *rsa_priv, *ec_pub, *ec_priv;
  EVP_PKEY *ossl_rsa_pub, *ossl_rsa_priv, *ossl_ec_pub, *ossl_ec_priv;
};

World& W() {
  static World* w = new World;
  return *w;
}

const Bytes kMessage(1024, 0x5A);

// One operation in the client's sequence; the code of the first failure.
int Drive(TKey* key, ccFunc f, pki_alg_t alg, const Bytes& in, Bytes* out) {
  aKey k(key, nullptr);
  ccTransform* t = W().svc->create_ccTransform(k, f, alg);
  if (t == nullptr) return -1;
  int rc = t->lock();
  if (rc == 0) rc = t->in(const_cast<unsigned char*>(in.data()), static_cast<unsigned>(in.size()));
  unsigned n = static_cast<unsigned>(out->size());
  if (rc == 0 && f == CC_VERIFY) {
    rc = t->out(out->data(), &n);
  } else if (rc == 0) {
    if (f != CC_HASH) rc = t->out(nullptr, &n);
    out->resize(n);
    if (rc == 0) rc = t->out(out->data(), &n);
    out->resize(n);
  }
  t->unlock();
  t->remReference();
  return rc;
}

void Run(benchmark::State& state, TKey* key, ccFunc f, pki_alg_t alg, const Bytes& in, const Bytes& arg) {
  for (auto _ : state) {
    Bytes out = arg.empty() ? Bytes(64) : arg;
    if (Drive(key, f, alg, in, &out) != 0) state.SkipWithError("operation failed");
    benchmark::DoNotOptimize(out.data());
  }
}

Bytes OsslSign(EVP_PKEY* k, const Bytes& msg) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  size_t n = static_cast<size_t>(EVP_PKEY_get_size(k));
  Bytes sig(n);
  if (EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, k) != 1 ||
      EVP_DigestSign(ctx, sig.data(), &n, msg.data(), msg.size()) != 1) {
    n = 0;
  }
  EVP_MD_CTX_free(ctx);
  sig.resize(n);
  return sig;
}

bool OsslVerify(EVP_PKEY* k, const Bytes& msg, const Bytes& sig) {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  bool ok = EVP_DigestVerifyInit(ctx, nullptr, EVP_sha256(), nullptr, k) == 1 &&
            EVP_DigestVerify(ctx, sig.data(), sig.size(), msg.data(), msg.size()) == 1;
  EVP_MD_CTX_free(ctx);
  return ok;
}

void BM_Ours_SHA256_1K(benchmark::State& s) { Run(s, nullptr, CC_HASH, PKI_ALG_SHA256, kMessage, {}); }
void BM_OpenSSL_SHA256_1K(benchmark::State& s) {
  for (auto _ : s) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned n = 0;
    EVP_Digest(kMessage.data(), kMessage.size(), md, &n, EVP_sha256(), nullptr);
    benchmark::DoNotOptimize(md);
  }
}

void BM_Ours_RSA2048_Sign(benchmark::State& s) { Run(s, W().rsa_priv, CC_SIGN, PKI_ALG_SHA256_RSA, kMessage, {}); }
void BM_OpenSSL_RSA2048_Sign(benchmark::State& s) {
  for (auto _ : s) benchmark::DoNotOptimize(OsslSign(W().ossl_rsa_priv, kMessage));
}

void BM_Ours_RSA2048_Verify(benchmark::State& s) {
  Bytes sig = OsslSign(W().ossl_rsa_priv, kMessage);
  Run(s, W().rsa_pub, CC_VERIFY, PKI_ALG_SHA256_RSA, kMessage, sig);
}
void BM_OpenSSL_RSA2048_Verify(benchmark::State& s) {
  Bytes sig = OsslSign(W().ossl_rsa_priv, kMessage);
  for (auto _ : s) benchmark::DoNotOptimize(OsslVerify(W().ossl_rsa_pub, kMessage, sig));
}

void BM_Ours_ECP256_Sign(benchmark::State& s) { Run(s, W().ec_priv, CC_SIGN, PKI_ALG_SHA256_ECDSA, kMessage, {}); }
void BM_OpenSSL_ECP256_Sign(benchmark::State& s) {
  for (auto _ : s) benchmark::DoNotOptimize(OsslSign(W().ossl_ec_priv, kMessage));
}

void BM_Ours_ECP256_Verify(benchmark::State& s) {
  Bytes sig = OsslSign(W().ossl_ec_priv, kMessage);
  Run(s, W().ec_pub, CC_VERIFY, PKI_ALG_SHA256_ECDSA, kMessage, sig);
}
void BM_OpenSSL_ECP256_Verify(benchmark::State& s) {
  Bytes sig = OsslSign(W().ossl_ec_priv, kMessage);
  for (auto _ : s) benchmark::DoNotOptimize(OsslVerify(W().ossl_ec_pub, kMessage, sig));
}

BENCHMARK(BM_Ours_SHA256_1K);
BENCHMARK(BM_OpenSSL_SHA256_1K);
BENCHMARK(BM_Ours_RSA2048_Sign);
BENCHMARK(BM_OpenSSL_RSA2048_Sign);
BENCHMARK(BM_Ours_RSA2048_Verify);
BENCHMARK(BM_OpenSSL_RSA2048_Verify);
BENCHMARK(BM_Ours_ECP256_Sign);
BENCHMARK(BM_OpenSSL_ECP256_Sign);
BENCHMARK(BM_Ours_ECP256_Verify);
BENCHMARK(BM_OpenSSL_ECP256_Verify);

}  // namespace
