#include "key/x509key.h"

#include <new>

#include "alg/pki_cnvrt_c.h"
#include "cert/x509.h"
#include "key/ccdC.h"
#include "key/eckey.h"
#include "key/keypair.h"

TKey::~TKey() = default;

X509Key::~X509Key() {
  dropBody();
  if (keyId_ != nullptr) keyId_->release();
  attrs_.clean();
}

// ---- the body -------------------------------------------------------------

int X509Key::initKey(pki_vendor v) {
  pki_alg_t a = alg_;
  if (v != VENDOR_NONE) a = static_cast<pki_alg_t>(v) << 24 | (alg_ & 0x00FFFFFFu);
  Key* made = createKey(kind_, a);
  if (made == nullptr) return error_ = 9;
  made->fitX509Key(this);
  body_ = made;
  return error_ = 0;
}

Key* X509Key::body() {
  if (body_ == nullptr) initKey(VENDOR_NONE);
  return body_;
}

void X509Key::dropBody() {
  delete body_;
  body_ = nullptr;
}

template <class F>
auto X509Key::delegate(F f, decltype(f(static_cast<Key*>(nullptr))) fail) -> decltype(f(static_cast<Key*>(nullptr))) {
  if (alg_ == 0) {
    error_ = 40;
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
  if (k != KT_PUBLIC && k != KT_PRIVATE && k != KT_SECRET) return error_ = 4;
  if (k != kind_) dropBody();
  kind_ = k;
  return error_ = 0;
}

TKey::key_type_t X509Key::getType() {
  error_ = 0;
  return kind_;
}

int X509Key::setAlg(pki_alg_t a) {
  if (a != alg_) dropBody();
  alg_ = a;
  return error_ = 0;
}

pki_alg_t X509Key::getAlg() {
  error_ = 0;
  return alg_;
}

// ---- value and attributes ---------------------------------------------------

int X509Key::setKey(TBuf* b) {
  if (b == nullptr) return error_ = 4;
  return delegate([&](Key* k) { return k->setKey(b); }, 40);
}

TBuf* X509Key::getKey() {
  return delegate([](Key* k) { return k->getKey(); }, static_cast<TBuf*>(nullptr));
}

TBuf* X509Key::getParam(unsigned i) {
  return delegate([&](Key* k) { return k->getParam(i); }, static_cast<TBuf*>(nullptr));
}

int X509Key::setParam(unsigned i, TBuf* b) {
  if (b == nullptr) return error_ = 4;
  return delegate([&](Key* k) { return k->setParam(i, b); }, 40);
}

TBuf* X509Key::getParam(aka_t a) {
  if (alg_ == 0) {
    // No body can judge the identifier yet: the list answers directly.
    TBuf* v = attrs_.get(a);
    error_ = attrs_.error();
    return v;
  }
  return delegate([&](Key* k) { return k->getParam(a); }, static_cast<TBuf*>(nullptr));
}

int X509Key::setParam(aka_t a, TBuf* b) {
  if (b == nullptr) return error_ = 4;
  if (alg_ == 0) return error_ = attrs_.append(a, b);
  return delegate([&](Key* k) { return k->setParam(a, b); }, 40);
}

int X509Key::getParam(bka_t f) {
  if (f < 1 || f > 13) {
    error_ = 5;
    return 0;
  }
  error_ = 0;
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
  if (body_ != nullptr) body_->beenChanged();
  return error_ = 0;
}

// ---- DER ------------------------------------------------------------------

TBuf* X509Key::getRaw() {
  return delegate([](Key* k) { return k->getRaw(); }, static_cast<TBuf*>(nullptr));
}

namespace {

pki_alg_t AlgOf(const Buffer& oid) { return asn2alg(oid.data, oid.len); }

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
  if (kind_ == KT_NONE) return error_ = 40;
  pki_alg_t found = 0;
  if (!FoundAlg(kind_, data, len, &found)) return error_ = 9;
  if (alg_ != 0 && found != alg_) return error_ = 5;
  if (found == 0) return error_ = 9;  // an algorithm no body knows
  bool fresh = alg_ == 0;
  if (fresh) alg_ = found;
  int rc = delegate([&](Key* k) { return k->setRaw(data, len); }, 9);
  if (rc != 0 && fresh) {
    // Leave the key as it was: no algorithm, no body.
    dropBody();
    alg_ = 0;
  }
  return error_ = rc;
}

// ---- identifiers ----------------------------------------------------------

void X509Key::setTokenId(unsigned a, unsigned b) {
  token_[0] = a;
  token_[1] = b;
  error_ = 0;
}

void X509Key::getTokenId(unsigned& a, unsigned& b) {
  a = token_[0];
  b = token_[1];
  error_ = 0;
}

int X509Key::setKeyId(TBuf* b) {
  if (b == nullptr) return error_ = 4;
  if (b->addRef() <= 0) return error_ = 43;
  if (keyId_ != nullptr) keyId_->release();
  keyId_ = b;
  return error_ = 0;
}

TBuf* X509Key::getKeyId() {
  error_ = 0;
  if (keyId_ == nullptr) return nullptr;
  if (keyId_->addRef() <= 0) {
    error_ = 43;
    return nullptr;
  }
  return keyId_;
}

// ---- crypto -----------------------------------------------------------------

namespace {

// The outcome of a bridge operation that fills *out: the buffer when the
// code is 0, else null (a partly filled result is let go); *error the code,
// or 9 for success without a result.
TBuf* Outcome(int code, TBuf* out, int* error) {
  *error = code;
  if (code != 0) {
    if (out != nullptr) out->release();
    return nullptr;
  }
  if (out == nullptr) *error = 9;
  return out;
}

}  // namespace

TBuf* X509Key::encrypt(TBuf* data) {
  TBuf* out = nullptr;
  int code = encryptMessage(this, data, &out);
  return Outcome(code, out, &error_);
}

TBuf* X509Key::decrypt(TBuf* data) {
  TBuf* out = decryptMessage(this, data);
  error_ = out == nullptr ? 9 : 0;
  return out;
}

TBuf* X509Key::sign(TBuf* data) {
  TBuf* sig = nullptr;
  int code = signMessage(this, data, &sig);
  return Outcome(code, sig, &error_);
}

int X509Key::verify(TBuf* data, TBuf* signature) { return error_ = verifyMessage(this, data, signature); }

int X509Key::isConsistent(TKey* other, int full) {
  if (other == nullptr) {
    error_ = 4;
    return 0;
  }
  key_type_t theirs = other->getType();
  bool pair = (kind_ == KT_PRIVATE && theirs == KT_PUBLIC) || (kind_ == KT_PUBLIC && theirs == KT_PRIVATE);
  if (!pair || alg_ == 0 || other->getAlg() != alg_) {
    error_ = 4;
    return 0;
  }
  TKey* priv = kind_ == KT_PRIVATE ? static_cast<TKey*>(this) : other;
  TKey* pub = kind_ == KT_PRIVATE ? other : static_cast<TKey*>(this);
  int rc = pkix_check_key_pair(priv, pub, alg_, full);
  error_ = rc;
  return rc == 0 ? 1 : 0;
}

TBuf* X509Key::getMD5() {
  return delegate([](Key* k) { return k->getMD5(); }, static_cast<TBuf*>(nullptr));
}

// ---- vendor -----------------------------------------------------------------

int X509Key::setVendor(pki_vendor v) {
  if (body_ != nullptr && body_->getVendor() == v) return error_ = 0;
  dropBody();
  return initKey(v);
}

pki_vendor X509Key::getVendor() {
  if (body_ == nullptr) {
    error_ = 40;
    return VENDOR_NONE;
  }
  error_ = 0;
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
  if (key->setRaw(data, len) != 0) {
    key->release();
    return nullptr;
  }
  return key;
}

int checkKeyPairConsistency(TKey* a, TKey* b, int full) {
  if (a == nullptr) return 4;
  return a->isConsistent(b, full);
}
