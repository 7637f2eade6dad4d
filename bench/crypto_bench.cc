// Certificates through the crypto service against libcrypto called
// directly, on the same certificates: checkSign (the module's stub, the
// host's transform, libcrypto) against X509_verify and against
// EVP_DigestVerify over the same signed octets and signature; and the
// fingerprint cost (getSHA1 + getMD5 on a fresh object, less the object
// itself) against two EVP_Digest calls over the DER and against
// X509_digest on a fresh d2i_X509. The ratios module / OpenSSL are printed
// after the runs.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/core_names.h>
#include <openssl/objects.h>
#include <openssl/param_build.h>
#include <openssl/x509.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_util.h"
#include "cert/x509.h"
#include "cert/x509crt.h"
#include "support/abuf.h"
#include "testing/inproc.h"

namespace {

using benchutil::Bytes;
using benchutil::RatioReporter;
using benchutil::ReadFile;

// The signed octets (the whole TBSCertificate element) as the certificate
// parser finds them; empty when it does not parse.
Bytes Tbs(const Bytes& der) {
  Bytes tbs;
  x509_cert_t* rec = nullptr;
  Buffer in;
  if (x509_init_cert(&rec) != 0) return tbs;
  if (set_buffer(&in, static_cast<uint32_t>(der.size()), der.data()) == 0 && x509_parse_cert(&in, rec) >= 0) {
    tbs.assign(rec->tbs.data, rec->tbs.data + rec->tbs.len);
  }
  x509_release_cert(rec);
  return tbs;
}

TCert* Make(const Bytes& d) { return createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size())); }

X509* Ossl(const Bytes& d) {
  const unsigned char* p = d.data();
  return d2i_X509(nullptr, &p, static_cast<long>(d.size()));
}

// One certificate and its issuer, as module objects and as OpenSSL sees them.
struct Case {
  std::string name;
  Bytes der;
  TCert* cert;
  TCert* issuer;
  X509* x;
  EVP_PKEY* issuer_key;  // owned by the issuer's X509
  X509* issuer_x;
  Bytes tbs;
  Bytes sig;
  const EVP_MD* md;
};

std::vector<Case>& Cases() {
  static std::vector<Case> cases;
  return cases;
}

// Adds the case when the module's check and OpenSSL's both accept it.
bool AddCase(const std::string& name, const Bytes& der, const Bytes& issuer_der) {
  Case c{name, der, Make(der), Make(issuer_der), Ossl(der), nullptr, Ossl(issuer_der), {}, {}, nullptr};
  bool ok = c.cert != nullptr && c.issuer != nullptr && c.x != nullptr && c.issuer_x != nullptr;
  if (ok) {
    c.issuer_key = X509_get0_pubkey(c.issuer_x);
    c.tbs = Tbs(der);
    const ASN1_BIT_STRING* s = nullptr;
    X509_get0_signature(&s, nullptr, c.x);
    c.sig.assign(s->data, s->data + s->length);
    int md_nid = 0, pk_nid = 0;
    OBJ_find_sigid_algs(X509_get_signature_nid(c.x), &md_nid, &pk_nid);
    c.md = EVP_get_digestbynid(md_nid);
    ok = c.md != nullptr && !c.tbs.empty() && c.cert->checkSign(c.issuer) == 0 && X509_verify(c.x, c.issuer_key) == 1;
  }
  if (!ok) {
    if (c.cert != nullptr) c.cert->release();
    if (c.issuer != nullptr) c.issuer->release();
    X509_free(c.x);
    X509_free(c.issuer_x);
    return false;
  }
  Cases().push_back(c);
  return true;
}

// The sample chain's links, then two RSA-2048 and two RSA-4096 self-signed
// roots of the corpus.
void LoadCases() {
  const std::string ex = std::string(PKIX_SOURCE_DIR) + "/examples/certs/";
  AddCase("server", ReadFile(ex + "server.der"), ReadFile(ex + "sub-ca.der"));
  AddCase("root-ca", ReadFile(ex + "root-ca.der"), ReadFile(ex + "root-ca.der"));
  const char* kRoots[] = {
      "GlobalSign_Root_CA.der", "DigiCert_Global_Root_CA.der",  // 2048
      "ISRG_Root_X1.der", "Actalis_Authentication_Root_CA.der",  // 4096
  };
  std::map<int, int> per_size;
  const std::string dir = std::string(PKIX_SOURCE_DIR) + "/tests/data/roots/";
  std::vector<std::string> names(std::begin(kRoots), std::end(kRoots));
  for (const std::string& n : names) {
    Bytes d = ReadFile(dir + n);
    X509* x = d.empty() ? nullptr : Ossl(d);
    if (x == nullptr) continue;
    int bits = EVP_PKEY_get_bits(X509_get0_pubkey(x));
    bool rsa = EVP_PKEY_get_base_id(X509_get0_pubkey(x)) == EVP_PKEY_RSA;
    X509_free(x);
    if (!rsa || (bits != 2048 && bits != 4096) || per_size[bits] == 2) continue;
    if (AddCase(n.substr(0, n.size() - 4) + "-" + std::to_string(bits), d, d)) ++per_size[bits];
  }
}

void BM_CheckSign(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    if (c->cert->checkSign(c->issuer) != 0) state.SkipWithError("checkSign failed");
  }
}

void BM_X509Verify(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    if (X509_verify(c->x, c->issuer_key) != 1) state.SkipWithError("X509_verify failed");
  }
}

void BM_DigestVerify(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    int ok = EVP_DigestVerifyInit(ctx, nullptr, c->md, nullptr, c->issuer_key) == 1 &&
             EVP_DigestVerify(ctx, c->sig.data(), c->sig.size(), c->tbs.data(), c->tbs.size()) == 1;
    EVP_MD_CTX_free(ctx);
    if (!ok) state.SkipWithError("EVP_DigestVerify failed");
  }
}

// The same with the RSA key built afresh from its numbers for every check,
// as a service does that keeps no key between operations: the key's
// Montgomery values are then computed again on each verification.
void BM_DigestVerifyFreshKey(benchmark::State& state, const Case* c) {
  BIGNUM *n = nullptr, *e = nullptr;
  EVP_PKEY_get_bn_param(c->issuer_key, OSSL_PKEY_PARAM_RSA_N, &n);
  EVP_PKEY_get_bn_param(c->issuer_key, OSSL_PKEY_PARAM_RSA_E, &e);
  for (auto _ : state) {
    OSSL_PARAM_BLD* b = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_BN(b, OSSL_PKEY_PARAM_RSA_N, n);
    OSSL_PARAM_BLD_push_BN(b, OSSL_PKEY_PARAM_RSA_E, e);
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(b);
    EVP_PKEY_CTX* kc = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    EVP_PKEY* key = nullptr;
    int ok = EVP_PKEY_fromdata_init(kc) == 1 && EVP_PKEY_fromdata(kc, &key, EVP_PKEY_PUBLIC_KEY, params) == 1;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ok = ok && EVP_DigestVerifyInit(ctx, nullptr, c->md, nullptr, key) == 1 &&
         EVP_DigestVerify(ctx, c->sig.data(), c->sig.size(), c->tbs.data(), c->tbs.size()) == 1;
    EVP_MD_CTX_free(ctx);
    EVP_PKEY_free(key);
    EVP_PKEY_CTX_free(kc);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(b);
    if (!ok) state.SkipWithError("EVP_DigestVerify with a fresh key failed");
  }
  BN_free(n);
  BN_free(e);
}

// Fingerprints: the object alone, the object with both fingerprints, and
// OpenSSL's digests over the same DER.
void BM_ObjectOnly(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    TCert* t = Make(c->der);
    benchmark::DoNotOptimize(t);
    t->release();
  }
}

void BM_ObjectFingerprints(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    TCert* t = Make(c->der);
    TBuf* a = t->getSHA1();
    TBuf* b = t->getMD5();
    if (a == nullptr || b == nullptr) state.SkipWithError("no fingerprint");
    benchmark::DoNotOptimize(a->datap()[0] + b->datap()[0]);
    a->release();
    b->release();
    t->release();
  }
}

void BM_EvpDigests(benchmark::State& state, const Case* c) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned n = 0;
  for (auto _ : state) {
    EVP_Digest(c->der.data(), c->der.size(), out, &n, EVP_sha1(), nullptr);
    EVP_Digest(c->der.data(), c->der.size(), out, &n, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(out[0]);
  }
}

void BM_X509Digests(benchmark::State& state, const Case* c) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned n = 0;
  for (auto _ : state) {
    X509* x = Ossl(c->der);
    X509_digest(x, EVP_sha1(), out, &n);
    X509_digest(x, EVP_md5(), out, &n);
    benchmark::DoNotOptimize(out[0]);
    X509_free(x);
  }
}

void BM_D2iOnly(benchmark::State& state, const Case* c) {
  for (auto _ : state) {
    X509* x = Ossl(c->der);
    benchmark::DoNotOptimize(x);
    X509_free(x);
  }
}

struct Kind {
  const char* name;
  void (*fn)(benchmark::State&, const Case*);
};
const Kind kKinds[] = {
    {"checkSign", BM_CheckSign},          {"X509_verify", BM_X509Verify},
    {"EVP_DigestVerify", BM_DigestVerify}, {"EVP_DigestVerify+fresh_key", BM_DigestVerifyFreshKey},
    {"createTCert", BM_ObjectOnly},
    {"createTCert+getSHA1+getMD5", BM_ObjectFingerprints}, {"EVP_Digest_sha1+md5", BM_EvpDigests},
    {"d2i_X509", BM_D2iOnly},             {"d2i_X509+X509_digest_sha1+md5", BM_X509Digests},
};

// The CPU time of one kind of benchmark on one case.
double At(const RatioReporter& r, const std::string& kind, const std::string& c) { return r.cpu(kind + "/" + c); }

void Summary(const RatioReporter& r) {
  std::printf("\nsignature check, ns per certificate (module / OpenSSL):\n");
  std::printf("%-36s %10s %10s %10s %10s %9s %9s %9s\n", "certificate", "checkSign", "X509_ver", "DigestVer",
              "fresh_key", "/X509_ver", "/Digest", "/fresh");
  for (const Case& c : Cases()) {
    double ours = At(r, "checkSign", c.name), xv = At(r, "X509_verify", c.name), dv = At(r, "EVP_DigestVerify", c.name);
    double fk = At(r, "EVP_DigestVerify+fresh_key", c.name);
    if (ours <= 0 || xv <= 0 || dv <= 0 || fk <= 0) continue;
    std::printf("%-36s %10.0f %10.0f %10.0f %10.0f %9.3f %9.3f %9.3f\n", c.name.c_str(), ours, xv, dv, fk, ours / xv,
                ours / dv, ours / fk);
  }
  std::printf("\nfingerprints (SHA-1 + MD5), ns per certificate:\n");
  std::printf("%-36s %10s %10s %10s %10s %9s %9s\n", "certificate", "ours", "EVP_Dig", "ours+obj", "X509+d2i",
              "/EVP", "/X509");
  double worst = 0;
  for (const Case& c : Cases()) {
    double obj = At(r, "createTCert", c.name), both = At(r, "createTCert+getSHA1+getMD5", c.name);
    double evp = At(r, "EVP_Digest_sha1+md5", c.name);
    double xd = At(r, "d2i_X509+X509_digest_sha1+md5", c.name);
    if (both <= 0 || evp <= 0 || xd <= 0) continue;
    double ours = both - obj;
    std::printf("%-36s %10.0f %10.0f %10.0f %10.0f %9.3f %9.3f\n", c.name.c_str(), ours, evp, both, xd, ours / evp,
                both / xd);
    if (ours / evp > worst) worst = ours / evp;
  }
  if (worst > 0) benchutil::Target("getSHA1+getMD5 / two EVP_Digest calls (worst certificate)", worst, true, 1.2);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  pkixtest::InProcessManager mgr;
  benchutil::ConversionBinding conversion;
  LoadCases();
  std::printf("%zu certificates the module and OpenSSL both verify\n", Cases().size());
  for (const Kind& k : kKinds) {
    for (const Case& c : Cases()) benchmark::RegisterBenchmark((std::string(k.name) + "/" + c.name).c_str(), k.fn, &c);
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Summary(reporter);
  for (Case& c : Cases()) {
    c.cert->release();
    c.issuer->release();
    X509_free(c.x);
    X509_free(c.issuer_x);
  }
  benchmark::Shutdown();
  return 0;
}
