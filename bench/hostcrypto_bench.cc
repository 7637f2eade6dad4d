// The crypto service's transforms, driven as the module drives them, against
// the same operation through libcrypto with a key loaded once, then the
// ratio of each pair. Keys come from the committed fixtures (RSA 2048) and
// the sample PKI (EC P-256); every operation hashes with SHA-256.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdio>
#include <string>
#include <vector>

#include "alg/pki_cnvrt_s.h"
#include "bench_util.h"
#include "contract/service_ids.h"
#include "host/hostcrypto.h"
#include "key/x509key.h"
#include "module/pkixakey.h"
#include "module/pkixkeysrv.h"
#include "support/abuf.h"
#include "support/ref.h"
#include "testing/inproc.h"

namespace {

using benchutil::Bytes;
using benchutil::ReadFile;

// Everything the benchmarks share, made once and kept to the end of the
// process (the module's static clients outlive main).
struct World {
  World() {
    auto* mgr = new pkixtest::InProcessManager;
    mgr->offer(pkixid::kAlgConversion, createAlgCnvrtSrv());
    mgr->offer(pkixid::kKeyService, createTPkixKeyService());
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
// With prepared, the transform uses that handle's material (a warm key).
int Drive(TKey* key, ccFunc f, pki_alg_t alg, const Bytes& in, Bytes* out, ccKeyHandle* prepared = nullptr) {
  aKey k(key, nullptr);
  ccTransform* t = prepared != nullptr ? W().svc->create_ccTransformPrepared(prepared, k, f, alg)
                                       : W().svc->create_ccTransform(k, f, alg);
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

void Run(benchmark::State& state, TKey* key, ccFunc f, pki_alg_t alg, const Bytes& in, const Bytes& arg,
         ccKeyHandle* prepared = nullptr) {
  for (auto _ : state) {
    Bytes out = arg.empty() ? Bytes(64) : arg;
    if (Drive(key, f, alg, in, &out, prepared) != 0) state.SkipWithError("operation failed");
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

// One operation, ours and OpenSSL's: the module's key (none for a digest),
// OpenSSL's key for the same operation, and for a verification the key that
// makes the signature checked.
struct Op {
  const char* name;
  ccFunc func;
  pki_alg_t alg;
  TKey* World::*ours;
  EVP_PKEY* World::*peer;
  EVP_PKEY* World::*signer;
};

const Op kOps[] = {
    {"SHA-256_1KiB", CC_HASH, PKI_ALG_SHA256, nullptr, nullptr, nullptr},
    {"RSA-2048_sign", CC_SIGN, PKI_ALG_SHA256_RSA, &World::rsa_priv, &World::ossl_rsa_priv, nullptr},
    {"RSA-2048_verify", CC_VERIFY, PKI_ALG_SHA256_RSA, &World::rsa_pub, &World::ossl_rsa_pub, &World::ossl_rsa_priv},
    {"P-256_sign", CC_SIGN, PKI_ALG_SHA256_ECDSA, &World::ec_priv, &World::ossl_ec_priv, nullptr},
    {"P-256_verify", CC_VERIFY, PKI_ALG_SHA256_ECDSA, &World::ec_pub, &World::ossl_ec_pub, &World::ossl_ec_priv},
};

Bytes SignatureFor(const Op& op) { return op.signer == nullptr ? Bytes() : OsslSign(W().*op.signer, kMessage); }

void BM_Ours(benchmark::State& s, const Op* op) {
  TKey* key = op->ours == nullptr ? nullptr : W().*op->ours;
  Run(s, key, op->func, op->alg, kMessage, SignatureFor(*op));
}

// Signing with a warm key: the key prepared once by the service (as a key
// object keeps it for its lifetime), then each signature through a transform.
void BM_OursWarm(benchmark::State& s, const Op* op) {
  TKey* key = W().*op->ours;
  aKey k(key, nullptr);
  ccKeyHandle* h = W().svc->prepareKey(k);
  if (h == nullptr) {
    s.SkipWithError("no prepared key");
    return;
  }
  Run(s, key, op->func, op->alg, kMessage, Bytes(), h);
  W().svc->prepareKeyRelease(h, key);
}

// The same through the key object's own sign(), which keeps its handle.
void BM_OursKeyObject(benchmark::State& s, const Op* op) {
  TKey* key = W().*op->ours;
  Ref<TBuf> data = adoptRef(createTBuf(kMessage.data(), static_cast<unsigned>(kMessage.size())));
  for (auto _ : s) {
    TBuf* sig = key->sign(data.get());
    if (sig == nullptr) s.SkipWithError("sign failed");
    benchmark::DoNotOptimize(sig);
    if (sig != nullptr) sig->release();
  }
}

void BM_OpenSSL(benchmark::State& s, const Op* op) {
  EVP_PKEY* key = op->peer == nullptr ? nullptr : W().*op->peer;
  Bytes sig = SignatureFor(*op);
  for (auto _ : s) {
    if (op->func == CC_HASH) {
      unsigned char md[EVP_MAX_MD_SIZE];
      unsigned n = 0;
      EVP_Digest(kMessage.data(), kMessage.size(), md, &n, EVP_sha256(), nullptr);
      benchmark::DoNotOptimize(md);
    } else if (op->func == CC_SIGN) {
      benchmark::DoNotOptimize(OsslSign(key, kMessage));
    } else {
      benchmark::DoNotOptimize(OsslVerify(key, kMessage, sig));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const Op& op : kOps) {
    benchmark::RegisterBenchmark((std::string("ours/") + op.name).c_str(), BM_Ours, &op);
    benchmark::RegisterBenchmark((std::string("OpenSSL/") + op.name).c_str(), BM_OpenSSL, &op);
    if (op.func == CC_SIGN) {
      benchmark::RegisterBenchmark((std::string("ours_warm/") + op.name).c_str(), BM_OursWarm, &op);
      benchmark::RegisterBenchmark((std::string("ours_keyobject/") + op.name).c_str(), BM_OursKeyObject, &op);
    }
  }
  benchutil::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\ncrypto service against libcrypto, ns per operation:\n%-18s %10s %10s %8s\n", "operation", "ours",
              "OpenSSL", "ratio");
  for (const Op& op : kOps) {
    double ours = reporter.cpu(std::string("ours/") + op.name), peer = reporter.cpu(std::string("OpenSSL/") + op.name);
    if (ours > 0 && peer > 0) std::printf("%-18s %10.0f %10.0f %8.3f\n", op.name, ours, peer, ours / peer);
  }
  // Signing with a warm key (target: at most 1.2 x OpenSSL's).
  std::printf("\nsigning with a warm key, ns per operation (target ratio <= 1.2):\n%-18s %10s %10s %10s %8s %8s\n",
              "operation", "service", "keyobject", "OpenSSL", "ratio", "key/ossl");
  for (const Op& op : kOps) {
    if (op.func != CC_SIGN) continue;
    double warm = reporter.cpu(std::string("ours_warm/") + op.name);
    double obj = reporter.cpu(std::string("ours_keyobject/") + op.name);
    double peer = reporter.cpu(std::string("OpenSSL/") + op.name);
    if (warm > 0 && peer > 0) {
      std::printf("%-18s %10.0f %10.0f %10.0f %8.3f %8.3f\n", op.name, warm, obj, peer, warm / peer, obj / peer);
      benchutil::Target((std::string(op.name) + " with a warm key object / OpenSSL").c_str(), obj / peer, true, 1.2);
    }
  }
  benchmark::Shutdown();
  return 0;
}
