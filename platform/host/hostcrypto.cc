#include "host/hostcrypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "alg/pki_alg.h"
#include "contract/tbuf.h"
#include "contract/x509asn.h"
#include "key/tkey.h"
#include "module/pkixakey.h"
#include "support/der_reader.h"
#include "support/result_codes.h"

// Keys live in another module: this file is built without the vptr check
// (platform/host/CMakeLists.txt), since the key interface's type information
// is the module's, not this library's.

// A prepared private key: one reference to the libcrypto key built from the
// module's key object, and that key object (identity only: the handle is
// used for no other key), listed by the service that made it.
struct ccKeyHandle {
  EVP_PKEY* key;
  const void* owner;
};

namespace pkixhost {

namespace {

std::atomic<int> gLiveTransforms{0};
std::atomic<int> gLiveKeyHandles{0};

using Bytes = std::vector<unsigned char>;

template <class T, void (*F)(T*)>
struct Freer {
  void operator()(T* p) const { F(p); }
};
template <class T, void (*F)(T*)>
using Owned = std::unique_ptr<T, Freer<T, F>>;

void FreeMd(EVP_MD* p) { EVP_MD_free(p); }
void FreeBn(BIGNUM* p) { BN_clear_free(p); }
using MdPtr = Owned<EVP_MD, FreeMd>;
using PKeyPtr = Owned<EVP_PKEY, EVP_PKEY_free>;
using BnPtr = Owned<BIGNUM, FreeBn>;
using BnCtxPtr = Owned<BN_CTX, BN_CTX_free>;
using MdCtxPtr = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;
using PKeyCtxPtr = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using ParamBldPtr = Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using ParamsPtr = Owned<OSSL_PARAM, OSSL_PARAM_free>;
using GroupPtr = Owned<EC_GROUP, EC_GROUP_free>;
using PointPtr = Owned<EC_POINT, EC_POINT_free>;

// Whatever libcrypto queues while the scope lives is dropped when it ends:
// failures are reported as codes and never reach the caller's error queue.
class ErrorScope {
 public:
  ErrorScope() { ERR_set_mark(); }
  ~ErrorScope() { ERR_pop_to_mark(); }
  ErrorScope(const ErrorScope&) = delete;
  ErrorScope& operator=(const ErrorScope&) = delete;
};

enum class Family { kNone, kRSA, kDSA, kEC };

// GOST signatures, GOST digests and every vendor-specific form.
bool IsGost(pki_alg_t a) {
  return pki_alg_base(a) == PKI_ALG_BASE_GOST3410 || pki_alg_hash(a) == PKI_ALG_HASH_GOST3411 ||
         pki_alg_vendor(a) != PKI_ALG_VENDOR_NONE;
}

Family FamilyOf(uint32_t base) {
  switch (base) {
    case PKI_ALG_BASE_RSA:
      return Family::kRSA;
    case PKI_ALG_BASE_DSA:
    case PKI_ALG_BASE_DSA_OIW:
      return Family::kDSA;
    case PKI_ALG_BASE_EC:
      return Family::kEC;
    default:
      return Family::kNone;
  }
}

int EvpTypeOf(Family f) {
  switch (f) {
    case Family::kRSA:
      return EVP_PKEY_RSA;
    case Family::kDSA:
      return EVP_PKEY_DSA;
    case Family::kEC:
      return EVP_PKEY_EC;
    default:
      return EVP_PKEY_NONE;
  }
}

// The provider's name of a hash octet; null for none known (SHA-0 has no
// implementation at all).
const char* DigestName(uint32_t hash) {
  switch (hash) {
    case PKI_ALG_HASH_SHA1:
      return "SHA1";
    case PKI_ALG_HASH_MD2:
      return "MD2";
    case PKI_ALG_HASH_MD5:
      return "MD5";
    case PKI_ALG_HASH_SHA224:
      return "SHA2-224";
    case PKI_ALG_HASH_SHA256:
      return "SHA2-256";
    case PKI_ALG_HASH_SHA384:
      return "SHA2-384";
    case PKI_ALG_HASH_SHA512:
      return "SHA2-512";
    default:
      return nullptr;
  }
}

// The digest for a hash octet into *md; kCryptoUnsupported when the
// provider has none (MD2 in the default provider).
int FetchDigest(uint32_t hash, MdPtr* md) {
  const char* name = DigestName(hash);
  if (name == nullptr) return kCryptoUnsupported;
  md->reset(EVP_MD_fetch(nullptr, name, nullptr));
  return *md ? kCryptoOk : kCryptoUnsupported;
}

// Overwrites and empties bytes that may hold key material or plaintext.
void Wipe(Bytes* b) {
  if (!b->empty()) OPENSSL_cleanse(b->data(), b->size());
  b->clear();
}

// The content of an attribute, which is released; false when the key has
// none or it is empty.
bool Attr(TKey* k, TKey::aka_t a, Bytes* out) {
  TBuf* b = k->getParam(a);
  if (b == nullptr) return false;
  out->assign(b->datap(), b->datap() + b->len());
  b->release();
  return !out->empty();
}

// An attribute as an unsigned number (INTEGER content octets, big-endian);
// null when absent.
BnPtr Number(TKey* k, TKey::aka_t a) {
  Bytes v;
  if (!Attr(k, a, &v)) return nullptr;
  BnPtr n(BN_bin2bn(v.data(), static_cast<int>(v.size()), nullptr));
  Wipe(&v);
  return n;
}

// Builds a key of the given type from the parameters: a pair, or a public
// key alone.
PKeyPtr FromData(const char* type, OSSL_PARAM_BLD* bld, int selection = EVP_PKEY_KEYPAIR) {
  ParamsPtr params(OSSL_PARAM_BLD_to_param(bld));
  PKeyCtxPtr ctx(EVP_PKEY_CTX_new_from_name(nullptr, type, nullptr));
  if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0) return nullptr;
  EVP_PKEY* key = nullptr;
  if (EVP_PKEY_fromdata(ctx.get(), &key, selection, params.get()) <= 0) return nullptr;
  return PKeyPtr(key);
}

struct Part {
  const char* name;
  TKey::aka_t id;
};

// Pushes each attribute as a number; false when one is missing. The
// numbers are kept in *keep until the builder's parameters are made.
bool PushNumbers(TKey* k, OSSL_PARAM_BLD* bld, const Part* parts, size_t n, std::vector<BnPtr>* keep) {
  for (size_t i = 0; i < n; ++i) {
    keep->push_back(Number(k, parts[i].id));
    if (!keep->back() || !OSSL_PARAM_BLD_push_BN(bld, parts[i].name, keep->back().get())) return false;
  }
  return true;
}

// A public RSA or DSA key from its numbers.
template <size_t N>
PKeyPtr NumbersKey(TKey* k, const char* type, const Part (&parts)[N]) {
  ParamBldPtr bld(OSSL_PARAM_BLD_new());
  std::vector<BnPtr> keep;
  if (!bld || !PushNumbers(k, bld.get(), parts, N, &keep)) return nullptr;
  return FromData(type, bld.get(), EVP_PKEY_PUBLIC_KEY);
}

const Part kRSAPublic[] = {{OSSL_PKEY_PARAM_RSA_N, TKey::AKA_MODULUS}, {OSSL_PKEY_PARAM_RSA_E, TKey::AKA_PUB_EXPONENT}};
const Part kDSAPublic[] = {{OSSL_PKEY_PARAM_FFC_P, TKey::AKA_P},
                           {OSSL_PKEY_PARAM_FFC_Q, TKey::AKA_Q},
                           {OSSL_PKEY_PARAM_FFC_G, TKey::AKA_G},
                           {OSSL_PKEY_PARAM_PUB_KEY, TKey::AKA_KEY}};

// RSA: n, e, d are required; the five CRT values are taken only when all
// are present (a key with only n, e, d signs and decrypts without CRT).
PKeyPtr RSAPrivate(TKey* k) {
  static const Part kRequired[] = {{OSSL_PKEY_PARAM_RSA_N, TKey::AKA_MODULUS},
                                   {OSSL_PKEY_PARAM_RSA_E, TKey::AKA_PUB_EXPONENT},
                                   {OSSL_PKEY_PARAM_RSA_D, TKey::AKA_PRIV_EXPONENT}};
  static const Part kCrt[] = {{OSSL_PKEY_PARAM_RSA_FACTOR1, TKey::AKA_PRIME1},
                              {OSSL_PKEY_PARAM_RSA_FACTOR2, TKey::AKA_PRIME2},
                              {OSSL_PKEY_PARAM_RSA_EXPONENT1, TKey::AKA_EXPONENT1},
                              {OSSL_PKEY_PARAM_RSA_EXPONENT2, TKey::AKA_EXPONENT2},
                              {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, TKey::AKA_COEFFICIENT}};
  ParamBldPtr bld(OSSL_PARAM_BLD_new());
  if (!bld) return nullptr;
  std::vector<BnPtr> keep;
  if (!PushNumbers(k, bld.get(), kRequired, 3, &keep)) return nullptr;
  std::vector<BnPtr> crt;
  for (const Part& p : kCrt) {
    crt.push_back(Number(k, p.id));
    if (!crt.back()) break;
  }
  if (crt.size() == 5 && crt.back()) {
    for (size_t i = 0; i < 5; ++i) {
      if (!OSSL_PARAM_BLD_push_BN(bld.get(), kCrt[i].name, crt[i].get())) return nullptr;
    }
  }
  return FromData("RSA", bld.get());
}

// DSA: p, q, g and x; the public value y = g^x mod p is computed, the key
// body does not keep it.
PKeyPtr DSAPrivate(TKey* k) {
  BnPtr p = Number(k, TKey::AKA_P), q = Number(k, TKey::AKA_Q), g = Number(k, TKey::AKA_G);
  BnPtr x = Number(k, TKey::AKA_KEY);
  BnPtr y(BN_new());
  BnCtxPtr ctx(BN_CTX_new());
  if (!p || !q || !g || !x || !y || !ctx) return nullptr;
  if (BN_is_zero(p.get()) || BN_is_zero(x.get()) || BN_cmp(x.get(), q.get()) >= 0) return nullptr;
  if (!BN_mod_exp(y.get(), g.get(), x.get(), p.get(), ctx.get())) return nullptr;
  ParamBldPtr bld(OSSL_PARAM_BLD_new());
  if (!bld || !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_FFC_P, p.get()) ||
      !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_FFC_Q, q.get()) ||
      !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_FFC_G, g.get()) ||
      !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_PUB_KEY, y.get()) ||
      !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_PRIV_KEY, x.get())) {
    return nullptr;
  }
  return FromData("DSA", bld.get());
}

// The EC private scalar: normally the bare octets, exactly the order's
// length; a value of another length that is one whole DER OCTET STRING or
// INTEGER element is unwrapped (its content octets, read with the support
// library's DER decoder).
Bytes Scalar(const Bytes& v, size_t order_len) {
  static const unsigned char kWrappers[] = {der::kOctetString, der::kInteger};
  if (v.size() == order_len || v.empty()) return v;
  Buffer whole;
  if (set_buffer(&whole, static_cast<uint32_t>(v.size()), v.data()) != 0) return v;
  for (unsigned char tag : kWrappers) {
    Buffer element = whole;
    int n = asn1_der_decode(tag, &element);
    if (n >= 0 && static_cast<uint32_t>(n) == element.len) return Bytes(element.data, element.data + n);
  }
  return v;
}

// The named curve of AKA_ALG_PARAMS (one OID element); NID_undef when
// there is none.
int CurveOf(TKey* k) {
  Bytes curve;
  if (!Attr(k, TKey::AKA_ALG_PARAMS, &curve)) return NID_undef;
  const unsigned char* p = curve.data();
  ASN1_OBJECT* oid = d2i_ASN1_OBJECT(nullptr, &p, static_cast<long>(curve.size()));
  int nid = oid == nullptr ? NID_undef : OBJ_obj2nid(oid);
  ASN1_OBJECT_free(oid);
  return p == curve.data() + curve.size() ? nid : NID_undef;
}

// A public EC key from its curve and point (AKA_KEY); the point is checked
// to lie on the curve.
PKeyPtr ECPublic(TKey* k) {
  int nid = CurveOf(k);
  const char* name = nid == NID_undef ? nullptr : OBJ_nid2sn(nid);
  Bytes point;
  if (name == nullptr || !Attr(k, TKey::AKA_KEY, &point)) return nullptr;
  ParamBldPtr bld(OSSL_PARAM_BLD_new());
  if (!bld || !OSSL_PARAM_BLD_push_utf8_string(bld.get(), OSSL_PKEY_PARAM_GROUP_NAME, name, 0) ||
      !OSSL_PARAM_BLD_push_octet_string(bld.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size())) {
    return nullptr;
  }
  return FromData("EC", bld.get(), EVP_PKEY_PUBLIC_KEY);
}

// EC: the named curve from AKA_ALG_PARAMS, the scalar from AKA_KEY; the
// public point is computed.
PKeyPtr ECPrivate(TKey* k) {
  Bytes raw;
  int nid = CurveOf(k);
  if (nid == NID_undef || !Attr(k, TKey::AKA_KEY, &raw)) return nullptr;
  GroupPtr group(EC_GROUP_new_by_curve_name(nid));
  const char* name = OBJ_nid2sn(nid);
  BnCtxPtr ctx(BN_CTX_new());
  if (!group || name == nullptr || !ctx) return nullptr;
  const BIGNUM* order = EC_GROUP_get0_order(group.get());
  Bytes s = Scalar(raw, static_cast<size_t>(BN_num_bytes(order)));
  BnPtr d(BN_bin2bn(s.data(), static_cast<int>(s.size()), nullptr));
  Wipe(&s);
  Wipe(&raw);
  if (!d || BN_is_zero(d.get()) || BN_cmp(d.get(), order) >= 0) return nullptr;
  PointPtr q(EC_POINT_new(group.get()));
  if (!q || !EC_POINT_mul(group.get(), q.get(), d.get(), nullptr, nullptr, ctx.get())) return nullptr;
  size_t n = EC_POINT_point2oct(group.get(), q.get(), POINT_CONVERSION_UNCOMPRESSED, nullptr, 0, ctx.get());
  Bytes point(n);
  if (n == 0 || EC_POINT_point2oct(group.get(), q.get(), POINT_CONVERSION_UNCOMPRESSED, point.data(), n, ctx.get()) != n) {
    return nullptr;
  }
  ParamBldPtr bld(OSSL_PARAM_BLD_new());
  if (!bld || !OSSL_PARAM_BLD_push_utf8_string(bld.get(), OSSL_PKEY_PARAM_GROUP_NAME, name, 0) ||
      !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_PRIV_KEY, d.get()) ||
      !OSSL_PARAM_BLD_push_octet_string(bld.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size())) {
    return nullptr;
  }
  return FromData("EC", bld.get());
}

// A public key from its SubjectPublicKeyInfo.
PKeyPtr Decoded(TKey* k) {
  TBuf* raw = k->getRaw();
  if (raw == nullptr) return nullptr;
  const unsigned char* p = raw->datap();
  EVP_PKEY* key = d2i_PUBKEY(nullptr, &p, static_cast<long>(raw->len()));
  raw->release();
  return PKeyPtr(key);
}

// A public key from its attributes, which is several times faster than
// libcrypto's DER decoders; from the SubjectPublicKeyInfo when they do not
// make a key (a DSA key whose parameters are inherited, for one).
PKeyPtr Public(TKey* k, Family f) {
  PKeyPtr key;
  if (f == Family::kRSA) key = NumbersKey(k, "RSA", kRSAPublic);
  if (f == Family::kDSA) key = NumbersKey(k, "DSA", kDSAPublic);
  if (f == Family::kEC) key = ECPublic(k);
  return key ? std::move(key) : Decoded(k);
}

// What the service keeps between operations: each digest fetched once, and
// the public keys built for the last operations, by their SubjectPublicKeyInfo.
// A built key holds what libcrypto precomputes on first use (the Montgomery
// form of an RSA modulus, for one), so a certificate checked again costs what
// a direct verification with a loaded key costs. Private keys are never kept
// here: only a key object's own handle (prepareKey) holds one, for as long
// as that key asks. Transforms take their
// own references, so they do not depend on the cache's lifetime.
class Cache {
 public:
  Cache() = default;
  Cache(const Cache&) = delete;
  Cache& operator=(const Cache&) = delete;
  ~Cache() {
    for (EVP_MD* md : digests_) EVP_MD_free(md);
    for (auto& e : keys_) EVP_PKEY_free(e.second);
  }

  // The digest of a hash octet into *md (a reference of its own);
  // kCryptoUnsupported when the provider has none.
  int Digest(uint32_t hash, MdPtr* md) {
    if (hash >= kHashSlots) return kCryptoUnsupported;
    std::lock_guard<std::mutex> g(mu_);
    if (digests_[hash] == nullptr) {
      MdPtr fetched;
      int rc = FetchDigest(hash, &fetched);
      if (rc != kCryptoOk) return rc;
      digests_[hash] = fetched.release();
    }
    if (EVP_MD_up_ref(digests_[hash]) != 1) return kCryptoFailed;
    md->reset(digests_[hash]);
    return kCryptoOk;
  }

  // The public key k holds, built once per SubjectPublicKeyInfo.
  PKeyPtr PublicKey(TKey* k, Family f) {
    std::string id = Identity(k);
    if (!id.empty()) {
      std::lock_guard<std::mutex> g(mu_);
      auto it = keys_.find(id);
      if (it != keys_.end() && EVP_PKEY_up_ref(it->second) == 1) return PKeyPtr(it->second);
    }
    PKeyPtr key = Public(k, f);
    if (!key || id.empty() || EVP_PKEY_up_ref(key.get()) != 1) return key;
    std::lock_guard<std::mutex> g(mu_);
    auto placed = keys_.emplace(id, key.get());
    if (!placed.second) {
      EVP_PKEY_free(key.get());  // another thread built it meanwhile
      return key;
    }
    order_.push_back(std::move(id));
    if (order_.size() > kMaxKeys) {
      auto old = keys_.find(order_.front());
      EVP_PKEY_free(old->second);
      keys_.erase(old);
      order_.pop_front();
    }
    return key;
  }

 private:
  static constexpr uint32_t kHashSlots = 16;
  static constexpr size_t kMaxKeys = 256;

  // The key's SubjectPublicKeyInfo as the cache's key; empty when it has
  // none.
  static std::string Identity(TKey* k) {
    TBuf* raw = k->getRaw();
    if (raw == nullptr) return std::string();
    std::string id(reinterpret_cast<const char*>(raw->datap()), raw->len());
    raw->release();
    return id;
  }

  std::mutex mu_;
  EVP_MD* digests_[kHashSlots] = {};
  std::unordered_map<std::string, EVP_PKEY*> keys_;
  std::deque<std::string> order_;  // the keys in the order they were built
};

// The libcrypto key of k for family f into *out; kCryptoBadKey when it
// cannot be built or is of another type.
int BuildKey(TKey* k, Family f, Cache* cache, PKeyPtr* out) {
  PKeyPtr key;
  if (k->getType() == TKey::KT_PUBLIC) {
    key = cache->PublicKey(k, f);
  } else if (f == Family::kRSA) {
    key = RSAPrivate(k);
  } else if (f == Family::kDSA) {
    key = DSAPrivate(k);
  } else if (f == Family::kEC) {
    key = ECPrivate(k);
  }
  if (!key || EVP_PKEY_get_base_id(key.get()) != EvpTypeOf(f)) return kCryptoBadKey;
  *out = std::move(key);
  return kCryptoOk;
}

// What a transform works with, decided once at creation.
struct Setup {
  int code = kCryptoOk;  // nonzero: every call of the transform answers it
  MdPtr md;
  PKeyPtr key;
};

// prepared (optional): the key's material as prepareKey made it, used in
// place of building it again when it is of the family the checks find.
int Prepare(TKey* k, ccFunc f, pki_alg_t alg, Cache* cache, Setup* s, PKeyPtr* prepared = nullptr) {
  if (f < CC_ENCRYPT || f > CC_VERIFY || IsGost(alg)) return kCryptoUnsupported;
  if (f == CC_HASH) return cache->Digest(pki_alg_hash(alg), &s->md);
  if (k == nullptr) return kCryptoBadKey;
  pki_alg_t key_alg = k->getAlg();
  if (IsGost(key_alg)) return kCryptoUnsupported;
  Family family = FamilyOf(pki_alg_base(key_alg));
  if (family == Family::kNone) return kCryptoUnsupported;
  // A base octet of 0 means the key's own algorithm.
  if (pki_alg_base(alg) != 0 && FamilyOf(pki_alg_base(alg)) != family) return kCryptoKeyMismatch;
  TKey::key_type_t kind = k->getType();
  bool needs_private = f == CC_SIGN || f == CC_DECRYPT;
  if (kind != TKey::KT_PRIVATE && (needs_private || kind != TKey::KT_PUBLIC)) return kCryptoBadKey;
  if (f == CC_ENCRYPT || f == CC_DECRYPT) {
    if (family != Family::kRSA) return kCryptoUnsupported;
  } else {
    uint32_t hash = pki_alg_hash(alg);
    if (hash == 0) hash = family == Family::kEC ? PKI_ALG_HASH_SHA256 : PKI_ALG_HASH_SHA1;
    int rc = cache->Digest(hash, &s->md);
    if (rc != kCryptoOk) return rc;
  }
  if (prepared != nullptr && *prepared && kind == TKey::KT_PRIVATE &&
      EVP_PKEY_get_base_id(prepared->get()) == EvpTypeOf(family)) {
    s->key = std::move(*prepared);
    return kCryptoOk;
  }
  return BuildKey(k, family, cache, &s->key);
}

// The family of a private key the service can prepare; kNone otherwise.
Family PreparableFamily(TKey* k) {
  if (k == nullptr || k->getType() != TKey::KT_PRIVATE) return Family::kNone;
  pki_alg_t key_alg = k->getAlg();
  if (IsGost(key_alg)) return Family::kNone;
  return FamilyOf(pki_alg_base(key_alg));
}

class HostTransform : public ccTransform {
 public:
  HostTransform(ccFunc f, pki_alg_t alg, TKey* key, Setup setup)
      : func_(f), alg_(alg), key_(key), setup_(std::move(setup)) {
    if (key_ != nullptr) key_->addRef();
    ++gLiveTransforms;
  }
  ~HostTransform() override {
    Reset();
    if (key_ != nullptr) key_->release();
    --gLiveTransforms;
  }

  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  ccFunc getFunc() override { return func_; }
  pki_alg_t getAlgorithm() override { return alg_; }

  int lock() override {
    std::lock_guard<std::mutex> g(mu_);
    if (setup_.code != kCryptoOk) return Fail(setup_.code);
    if (stage_ != Stage::kIdle) return Fail(kCryptoBadState);
    stage_ = Stage::kLocked;
    return kCryptoOk;
  }

  // Ends the operation whatever state it is in, so that a failed call never
  // leaves the transform locked.
  int unlock() override {
    std::lock_guard<std::mutex> g(mu_);
    if (setup_.code != kCryptoOk) return Fail(setup_.code);
    bool was_locked = stage_ != Stage::kIdle;
    Reset();
    return was_locked ? kCryptoOk : Fail(kCryptoBadState);
  }

  int in(void* data, unsigned len) override {
    std::lock_guard<std::mutex> g(mu_);
    if (setup_.code != kCryptoOk) return Fail(setup_.code);
    if (stage_ != Stage::kLocked) return Fail(kCryptoBadState);
    if (data == nullptr && len != 0) return Fail(kCryptoBadArgument);
    const unsigned char* p = static_cast<const unsigned char*>(data);
    if (func_ == CC_HASH) {
      // A digest reads its input once: computed now rather than copied,
      // its outcome reported by out() as before.
      hash_rc_ = Digest(p, len);
    } else {
      input_.assign(p, p + len);
    }
    stage_ = Stage::kFed;
    return kCryptoOk;
  }

  int out(void* buf, unsigned* len) override {
    std::lock_guard<std::mutex> g(mu_);
    if (setup_.code != kCryptoOk) return Fail(setup_.code);
    if (stage_ != Stage::kFed) return Fail(kCryptoBadState);
    if (len == nullptr) return Fail(kCryptoBadArgument);
    ErrorScope scope;
    int rc = func_ == CC_VERIFY ? Verify(buf, *len) : Produce(buf, len);
    return rc == kCryptoOk ? rc : Fail(rc);
  }

  aKey getKey(int kind) override {
    std::lock_guard<std::mutex> g(mu_);
    TKey* k = key_ != nullptr && key_->getType() == kind ? key_ : nullptr;
    return aKey(k, nullptr);
  }

  int error() override {
    std::lock_guard<std::mutex> g(mu_);
    return error_;
  }

 private:
  enum class Stage { kIdle, kLocked, kFed, kDone };

  int Fail(int code) {
    error_ = code;
    return code;
  }

  void Reset() {
    stage_ = Stage::kIdle;
    Wipe(&input_);
    Wipe(&result_);
    have_result_ = false;
  }

  // An upper bound of the result's length.
  unsigned Bound() const {
    if (func_ == CC_HASH) return static_cast<unsigned>(EVP_MD_get_size(setup_.md.get()));
    return static_cast<unsigned>(EVP_PKEY_get_size(setup_.key.get()));
  }

  // Hash, sign, encrypt, decrypt: with buf null *len receives the bound;
  // otherwise the result (computed once) is written and *len set to its
  // length, or kCryptoNoRoom with *len the length needed.
  int Produce(void* buf, unsigned* len) {
    if (buf == nullptr) {
      *len = have_result_ ? static_cast<unsigned>(result_.size()) : Bound();
      return kCryptoOk;
    }
    if (!have_result_) {
      int rc = Compute();
      if (rc != kCryptoOk) return rc;
      have_result_ = true;
    }
    if (result_.size() > *len) {
      *len = static_cast<unsigned>(result_.size());
      return kCryptoNoRoom;
    }
    if (!result_.empty()) std::memcpy(buf, result_.data(), result_.size());
    *len = static_cast<unsigned>(result_.size());
    return kCryptoOk;
  }

  int Compute() {
    switch (func_) {
      case CC_HASH:
        return Hash();
      case CC_SIGN:
        return Sign();
      case CC_ENCRYPT:
      case CC_DECRYPT:
        return Cipher();
      default:
        return kCryptoBadState;
    }
  }

  // The digest in() computed.
  int Hash() { return hash_rc_; }

  int Digest(const unsigned char* p, unsigned len) {
    result_.resize(EVP_MAX_MD_SIZE);
    unsigned n = 0;
    if (EVP_Digest(p, len, result_.data(), &n, setup_.md.get(), nullptr) != 1) {
      result_.clear();
      return kCryptoFailed;
    }
    result_.resize(n);
    return kCryptoOk;
  }

  int Sign() {
    MdCtxPtr ctx(EVP_MD_CTX_new());
    if (!ctx) return kCryptoFailed;
    if (EVP_DigestSignInit(ctx.get(), nullptr, setup_.md.get(), nullptr, setup_.key.get()) <= 0) {
      return kCryptoUnsupported;
    }
    size_t n = 0;
    if (EVP_DigestSign(ctx.get(), nullptr, &n, input_.data(), input_.size()) <= 0) return kCryptoFailed;
    result_.resize(n);
    if (EVP_DigestSign(ctx.get(), result_.data(), &n, input_.data(), input_.size()) <= 0) return kCryptoFailed;
    result_.resize(n);
    return kCryptoOk;
  }

  // PKCS #1 v1.5 encryption or decryption with the RSA key.
  int Cipher() {
    PKeyCtxPtr ctx(EVP_PKEY_CTX_new(setup_.key.get(), nullptr));
    if (!ctx) return kCryptoFailed;
    bool enc = func_ == CC_ENCRYPT;
    int init = enc ? EVP_PKEY_encrypt_init(ctx.get()) : EVP_PKEY_decrypt_init(ctx.get());
    if (init <= 0 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0) return kCryptoUnsupported;
    auto run = [&](unsigned char* out, size_t* n) {
      return enc ? EVP_PKEY_encrypt(ctx.get(), out, n, input_.data(), input_.size())
                 : EVP_PKEY_decrypt(ctx.get(), out, n, input_.data(), input_.size());
    };
    size_t n = 0;
    if (run(nullptr, &n) <= 0) return kCryptoFailed;
    result_.resize(n);
    if (run(result_.data(), &n) <= 0) return kCryptoFailed;
    result_.resize(n);
    return kCryptoOk;
  }

  // The verdict on the signature: 0, kCryptoBadSignature, or the code of a
  // key and digest that do not go together.
  int Verify(const void* sig, unsigned len) {
    if (sig == nullptr && len != 0) return kCryptoBadArgument;
    stage_ = Stage::kDone;  // one verdict per operation
    MdCtxPtr ctx(EVP_MD_CTX_new());
    if (!ctx) return kCryptoFailed;
    if (EVP_DigestVerifyInit(ctx.get(), nullptr, setup_.md.get(), nullptr, setup_.key.get()) <= 0) {
      return kCryptoUnsupported;
    }
    int ok = EVP_DigestVerify(ctx.get(), static_cast<const unsigned char*>(sig), len, input_.data(), input_.size());
    return ok == 1 ? kCryptoOk : kCryptoBadSignature;
  }

  const ccFunc func_;
  const pki_alg_t alg_;
  TKey* const key_;  // one reference, or null
  const Setup setup_;
  std::mutex mu_;
  Stage stage_ = Stage::kIdle;
  Bytes input_;
  Bytes result_;
  bool have_result_ = false;
  int hash_rc_ = kCryptoOk;  // a digest's outcome, from in()
  int error_ = 0;
};

class HostCryptoService : public CCD_Interface {
 public:
  HostCryptoService() = default;
  HostCryptoService(const HostCryptoService&) = delete;
  HostCryptoService& operator=(const HostCryptoService&) = delete;
  ~HostCryptoService() override {
    // Handles their keys never gave back go with the service.
    for (ccKeyHandle* h : handles_) Free(h);
  }

  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  ccTransform* create_ccTransform(aKey& key, ccFunc f, pki_alg_t alg) override {
    return Create(nullptr, key, f, alg);
  }

  ccKeyHandle* prepareKey(aKey& key) override {
    ErrorScope scope;
    TKey* k = key.raw();
    Family family = PreparableFamily(k);
    if (family == Family::kNone) return nullptr;
    PKeyPtr built;
    if (BuildKey(k, family, &cache_, &built) != kCryptoOk) return nullptr;
    auto* h = new (std::nothrow) ccKeyHandle{built.get(), k};
    if (h == nullptr) return nullptr;
    std::lock_guard<std::mutex> g(mu_);
    if (!handles_.insert(h).second) {
      delete h;
      return nullptr;
    }
    built.release();  // now the handle's
    ++gLiveKeyHandles;
    return h;
  }

  void prepareKeyRelease(ccKeyHandle* handle, const void* owner) override {
    {
      std::lock_guard<std::mutex> g(mu_);
      auto it = handles_.find(handle);
      if (it == handles_.end() || handle->owner != owner) return;
      handles_.erase(it);
    }
    Free(handle);
  }

  int digest(pki_alg_t alg, const void* data, unsigned len, void* out, unsigned* out_len) override {
    if ((data == nullptr && len != 0) || out == nullptr || out_len == nullptr || IsGost(alg)) return kDigestNotOffered;
    ErrorScope scope;
    MdPtr md;
    if (cache_.Digest(pki_alg_hash(alg), &md) != kCryptoOk) return kDigestNotOffered;
    const int size = EVP_MD_get_size(md.get());
    if (size <= 0 || *out_len < static_cast<unsigned>(size)) return kDigestNotOffered;
    unsigned n = 0;
    if (EVP_Digest(data, len, static_cast<unsigned char*>(out), &n, md.get(), nullptr) != 1) return kCryptoFailed;
    *out_len = n;
    return kCryptoOk;
  }

  ccTransform* create_ccTransformPrepared(ccKeyHandle* handle, aKey& key, ccFunc f, pki_alg_t alg) override {
    PKeyPtr prepared;
    {
      std::lock_guard<std::mutex> g(mu_);
      // Only a handle of this service, made for this very key.
      if (handle != nullptr && handles_.count(handle) != 0 && handle->owner == key.raw() &&
          EVP_PKEY_up_ref(handle->key) == 1) {
        prepared.reset(handle->key);
      }
    }
    return Create(prepared ? &prepared : nullptr, key, f, alg);
  }

 private:
  ccTransform* Create(PKeyPtr* prepared, aKey& key, ccFunc f, pki_alg_t alg) {
    ErrorScope scope;
    TKey* k = key.raw();
    Setup setup;
    setup.code = Prepare(k, f, alg, &cache_, &setup, prepared);
    HostTransform* t = new (std::nothrow) HostTransform(f, alg, k, std::move(setup));
    if (t == nullptr) return nullptr;
    t->addReference();  // the caller's
    return t;
  }

  // Frees a handle no longer listed: its key (libcrypto clears a private
  // key's numbers as it frees them) and the record.
  static void Free(ccKeyHandle* h) {
    EVP_PKEY_free(h->key);
    delete h;
    --gLiveKeyHandles;
  }

  Cache cache_;
  std::mutex mu_;  // guards handles_
  std::unordered_set<ccKeyHandle*> handles_;
};

}  // namespace

CCD_Interface* createCryptoService() { return new HostCryptoService; }

int liveTransforms() { return gLiveTransforms.load(); }

int liveKeyHandles() { return gLiveKeyHandles.load(); }

}  // namespace pkixhost
