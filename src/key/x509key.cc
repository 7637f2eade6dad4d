#include "key/x509key.h"

#include <new>

#include "alg/pki_cnvrt_c.h"
#include "cert/x509.h"
#include "key/algmemo.h"
#include "key/ccdC.h"
#include "key/eckey.h"
#include "key/key.h"
#include "key/keypair.h"
#include "key/rsakey.h"
#include "support/ref.h"

TKey::~TKey() = default;

X509Key::X509Key(key_type_t k) : kind_(k) {}

// The body goes first: it may still reach the attributes through its owner.
X509Key::~X509Key() {
  dropBody();
}

// ---- the body -------------------------------------------------------------

int X509Key::initKey(pki_vendor v) {
  pki_alg_t a = alg_;
  if (v != VENDOR_NONE) a = static_cast<pki_alg_t>(v) << 24 | (alg_ & 0x00FFFFFFu);
  std::unique_ptr<Key> made = createKey(kind_, a);
  if (!made) return error_ = pkixrc::kFailed;
  made->fitX509Key(this);
  body_ = std::move(made);
  return error_ = pkixrc::kOk;
}

Key* X509Key::body() {
  if (!body_) initKey(VENDOR_NONE);
  return body_.get();
}

// Every change of the key's material, kind or algorithm passes here (the
// setters drop the body or call dropPrepared), so a prepared handle never
// outlives the material it was made from.
void X509Key::dropBody() {
  dropPrepared();
  body_.reset();
}

void X509Key::dropPrepared() {
  if (prepared_ == nullptr) return;
  ccdServiceUse use;
  ccdService.prepareKeyRelease(prepared_, this);
  prepared_ = nullptr;
  prepared_by_ = nullptr;
}

ccKeyHandle* X509Key::preparedHandle() {
  ccdServiceUse use;
  // A handle made by a service other than the one bound now went with that
  // service (or stays with it): the one bound now prepares the key again.
  if (prepared_ != nullptr && ccdService.current() != prepared_by_) dropPrepared();
  if (prepared_ == nullptr && kind_ == KT_PRIVATE && alg_ != PKI_ALG_NONE) {
    aKey self(this);
    prepared_ = ccdService.prepareKey(self);
    prepared_by_ = prepared_ != nullptr ? ccdService.current() : nullptr;
  }
  return prepared_;
}

template <class F>
auto X509Key::delegate(F f, decltype(f(static_cast<Key*>(nullptr))) fail) -> decltype(f(static_cast<Key*>(nullptr))) {
  if (alg_ == PKI_ALG_NONE) {
    error_ = pkixrc::kUnavailable;
    return fail;
  }
  Key* b = body();
  if (b == nullptr) return fail;
  auto r = f(b);
  error_ = b->error();
  return r;
}

// ---- kind and algorithm -----------------------------------------------------

int X509Key::setType(key_type_t k) {
  if (k != KT_PUBLIC && k != KT_PRIVATE && k != KT_SECRET) return error_ = pkixrc::kBadArgument;
  if (k != kind_) dropBody();
  kind_ = k;
  return error_ = pkixrc::kOk;
}

TKey::key_type_t X509Key::getType() {
  error_ = pkixrc::kOk;
  return kind_;
}

int X509Key::setAlg(pki_alg_t a) {
  if (a != alg_) dropBody();
  alg_ = a;
  return error_ = pkixrc::kOk;
}

pki_alg_t X509Key::getAlg() {
  error_ = pkixrc::kOk;
  return alg_;
}

// ---- value and attributes ---------------------------------------------------

int X509Key::setKey(TBuf* b) {
  dropPrepared();
  if (b == nullptr) return error_ = pkixrc::kBadArgument;
  return delegate([&](Key* k) { return k->setKey(b); }, pkixrc::kUnavailable);
}

TBuf* X509Key::getKey() {
  return delegate([](Key* k) { return k->getKey(); }, static_cast<TBuf*>(nullptr));
}

TBuf* X509Key::getParam(unsigned i) {
  return delegate([&](Key* k) { return k->getParam(i); }, static_cast<TBuf*>(nullptr));
}

int X509Key::setParam(unsigned i, TBuf* b) {
  dropPrepared();
  if (b == nullptr) return error_ = pkixrc::kBadArgument;
  return delegate([&](Key* k) { return k->setParam(i, b); }, pkixrc::kUnavailable);
}

TBuf* X509Key::getParam(aka_t a) {
  if (alg_ == PKI_ALG_NONE) {
    // No body can judge the identifier yet: the list answers directly.
    TBuf* v = attrs_.get(a);
    error_ = attrs_.error();
    return v;
  }
  return delegate([&](Key* k) { return k->getParam(a); }, static_cast<TBuf*>(nullptr));
}

int X509Key::setParam(aka_t a, TBuf* b) {
  dropPrepared();
  if (b == nullptr) return error_ = pkixrc::kBadArgument;
  if (alg_ == PKI_ALG_NONE) return error_ = attrs_.append(a, b);
  return delegate([&](Key* k) { return k->setParam(a, b); }, pkixrc::kUnavailable);
}

int X509Key::getParam(bka_t f) {
  if (f < BKA_1 || f > BKA_13) {
    error_ = pkixrc::kWrongType;
    return 0;
  }
  error_ = pkixrc::kOk;
  return flag(f) ? 1 : 0;
}

void X509Key::setFlag(bka_t f, bool on) {
  // Bits beyond the word are stored nowhere: the flag word has 32.
  if (static_cast<unsigned>(f) >= 32) return;
  if (on) {
    flags_ |= 1u << f;
  } else {
    flags_ &= ~(1u << f);
  }
}

int X509Key::setParam(bka_t f, int on) {
  setFlag(f, on != 0);
  if (body_) body_->beenChanged();
  return error_ = pkixrc::kOk;
}

// ---- DER ------------------------------------------------------------------

TBuf* X509Key::getRaw() {
  return delegate([](Key* k) { return k->getRaw(); }, static_cast<TBuf*>(nullptr));
}

namespace {

pki_alg_t AlgOf(const Buffer& oid) { return rememberedAsn2alg(oid); }

// The algorithm named by DER for a key of kind k, or false when the bytes
// cannot be a key of that kind.
bool FoundAlg(TKey::key_type_t k, const unsigned char* data, unsigned len, pki_alg_t* out) {
  Buffer in;
  if (set_buffer(&in, len, data) != 0) return false;
  Buffer oid;
  if (k == TKey::KT_PUBLIC) {
    if (x509_parse_spki(&in, &oid, nullptr, nullptr) < 0) return false;
    *out = AlgOf(oid);
    return true;
  }
  Buffer probe = in;
  if (x509_parse_secret(&probe, &oid, nullptr, nullptr) >= 0) {
    *out = AlgOf(oid);
    return true;
  }
  // Not a private-key structure: a bare ECPrivateKey (INTEGER 1, OCTET
  // STRING), a GOST container (shaped as a SubjectPublicKeyInfo), or else
  // taken for RSA (a PKCS #1 RSAPrivateKey).
  if (isSEC1Key(data, len)) {
    *out = PKI_ALG_EC;
    return true;
  }
  probe = in;
  if (x509_parse_spki(&probe, &oid, nullptr, nullptr) >= 0 && pki_alg_is_gost_key(AlgOf(oid))) {
    *out = AlgOf(oid);
  } else {
    *out = PKI_ALG_RSA;
  }
  return true;
}

}  // namespace

int X509Key::setRaw(const unsigned char* data, unsigned len) {
  dropPrepared();
  if (kind_ == KT_NONE) return error_ = pkixrc::kUnavailable;
  pki_alg_t found = PKI_ALG_NONE;
  if (!FoundAlg(kind_, data, len, &found)) return error_ = pkixrc::kFailed;
  if (alg_ != PKI_ALG_NONE && found != alg_) return error_ = pkixrc::kWrongType;
  if (found == PKI_ALG_NONE) return error_ = pkixrc::kFailed;  // an algorithm no body knows
  bool fresh = alg_ == PKI_ALG_NONE;
  if (fresh) alg_ = found;
  int rc = delegate([&](Key* k) { return k->setRaw(data, len); }, pkixrc::kFailed);
  if (rc != pkixrc::kOk && fresh) {
    // Leave the key as it was: no algorithm, no body.
    dropBody();
    alg_ = PKI_ALG_NONE;
  }
  return error_ = rc;
}

// ---- identifiers ----------------------------------------------------------

void X509Key::setTokenId(unsigned a, unsigned b) {
  token_[0] = a;
  token_[1] = b;
  error_ = pkixrc::kOk;
}

void X509Key::getTokenId(unsigned& a, unsigned& b) {
  a = token_[0];
  b = token_[1];
  error_ = pkixrc::kOk;
}

int X509Key::setKeyId(TBuf* b) {
  if (b == nullptr) return error_ = pkixrc::kBadArgument;
  if ((error_ = addRefTo(b)) != pkixrc::kOk) return error_;
  keyId_.reset(b);
  return error_;
}

TBuf* X509Key::getKeyId() {
  error_ = pkixrc::kOk;
  if (!keyId_) return nullptr;
  if ((error_ = addRefTo(keyId_.get())) != pkixrc::kOk) return nullptr;
  return keyId_.get();
}

// ---- crypto -----------------------------------------------------------------

namespace {

// The outcome of a bridge operation that filled out: the buffer when the
// code is kOk, else null (a partly filled result is let go); *error the
// code, or kFailed for success without a result.
TBuf* Outcome(int code, Ref<TBuf> out, int* error) {
  *error = code;
  if (code != pkixrc::kOk) return nullptr;
  if (!out) *error = pkixrc::kFailed;
  return out.detach();
}

}  // namespace

TBuf* X509Key::encrypt(TBuf* data) {
  TBuf* out = nullptr;
  int code = encryptMessage(this, data, &out);
  return Outcome(code, adoptRef(out), &error_);
}

TBuf* X509Key::decrypt(TBuf* data) {
  TBuf* out = decryptMessage(this, data);
  error_ = out == nullptr ? pkixrc::kFailed : pkixrc::kOk;
  return out;
}

TBuf* X509Key::sign(TBuf* data) {
  TBuf* sig = nullptr;
  int code = signMessage(this, data, &sig);
  return Outcome(code, adoptRef(sig), &error_);
}

int X509Key::verify(TBuf* data, TBuf* signature) { return error_ = verifyMessage(this, data, signature); }

int X509Key::isConsistent(TKey* other, int full) {
  if (other == nullptr) {
    error_ = pkixrc::kBadArgument;
    return 0;
  }
  key_type_t theirs = other->getType();
  bool pair = (kind_ == KT_PRIVATE && theirs == KT_PUBLIC) || (kind_ == KT_PUBLIC && theirs == KT_PRIVATE);
  if (!pair || alg_ == PKI_ALG_NONE || other->getAlg() != alg_) {
    error_ = pkixrc::kBadArgument;
    return 0;
  }
  TKey* priv = kind_ == KT_PRIVATE ? static_cast<TKey*>(this) : other;
  TKey* pub = kind_ == KT_PRIVATE ? other : static_cast<TKey*>(this);
  int rc = pkix_check_key_pair(priv, pub, alg_, full);
  error_ = rc;
  return rc == pkixrc::kOk ? 1 : 0;
}

TBuf* X509Key::getMD5() {
  return delegate([](Key* k) { return k->getMD5(); }, static_cast<TBuf*>(nullptr));
}

// ---- vendor -----------------------------------------------------------------

int X509Key::setVendor(pki_vendor v) {
  if (body_ && body_->getVendor() == v) return error_ = pkixrc::kOk;
  dropBody();
  return initKey(v);
}

pki_vendor X509Key::getVendor() {
  if (!body_) {
    error_ = pkixrc::kUnavailable;
    return VENDOR_NONE;
  }
  error_ = pkixrc::kOk;
  return body_->getVendor();
}

// ---- factories --------------------------------------------------------------

TKey* createTKey(TKey::key_type_t k) {
  if (k != TKey::KT_PUBLIC && k != TKey::KT_PRIVATE && k != TKey::KT_SECRET) return nullptr;
  return new (std::nothrow) X509Key(k);
}

TKey* createTKey(TKey::key_type_t k, const unsigned char* data, unsigned len) {
  return readKey(createTKey(k), data, len);
}

TKey* readKey(TKey* key, const unsigned char* data, unsigned len) {
  if (key == nullptr || data == nullptr || len == 0) return key;
  if (key->setRaw(data, len) != pkixrc::kOk) {
    key->release();
    return nullptr;
  }
  return key;
}

bool publicKeyDeferrable(const unsigned char* data, unsigned len) {
  // What setRaw decides first: the algorithm named by the structure.
  pki_alg_t alg = PKI_ALG_NONE;
  if (!FoundAlg(TKey::KT_PUBLIC, data, len, &alg) || alg != PKI_ALG_RSA) return false;
  return RSAPubKey::readsPublicInfo(data, len);
}

int checkKeyPairConsistency(TKey* a, TKey* b, int full) {
  if (a == nullptr) return pkixrc::kBadArgument;
  return a->isConsistent(b, full);
}
