// The key object: kind, algorithm, identifiers, flags and the attribute list
// of one key, with everything algorithm-specific delegated to a body (Key)
// made lazily from the pair (kind, algorithm).
#ifndef PKIX_KEY_X509KEY_H_
#define PKIX_KEY_X509KEY_H_

#include <cstdint>
#include <memory>

#include "key/keyattr.h"
#include "key/tkey.h"
#include "support/ref.h"
#include "support/result_codes.h"

class Key;
struct ccKeyHandle;

class X509Key : public TKey {
 public:
  explicit X509Key(key_type_t k = KT_NONE);
  ~X509Key() override;

  // Every operation below is the one TKey describes (key/tkey.h); each
  // stores its outcome as the last error, a pkixrc:: code.

  int setType(key_type_t k) override;
  key_type_t getType() override;
  int setAlg(pki_alg_t a) override;
  pki_alg_t getAlg() override;
  int setKey(TBuf* b) override;
  TBuf* getKey() override;
  TBuf* getParam(unsigned i) override;
  int setParam(unsigned i, TBuf* b) override;
  TBuf* getParam(aka_t a) override;
  int getParam(bka_t f) override;
  int setParam(aka_t a, TBuf* b) override;
  int setParam(bka_t f, int on) override;
  TBuf* getRaw() override;
  int setRaw(const unsigned char* data, unsigned len) override;
  void setTokenId(unsigned a, unsigned b) override;
  void getTokenId(unsigned& a, unsigned& b) override;
  int setKeyId(TBuf* b) override;
  TBuf* getKeyId() override;
  TBuf* encrypt(TBuf* data) override;
  TBuf* decrypt(TBuf* data) override;
  TBuf* sign(TBuf* data) override;
  int verify(TBuf* data, TBuf* signature) override;
  int isConsistent(TKey* other, int full) override;
  TBuf* getMD5() override;
  int setVendor(pki_vendor v) override;
  pki_vendor getVendor() override;
  int error() override { return error_; }

  // The crypto service's prepared form of this private key, made on first
  // use and kept until the key changes or dies (then given back, and the
  // service wipes it); null for other kinds, without a service, or when
  // the service prepares none.
  ccKeyHandle* preparedHandle();

  // What a body reaches through its owner.
  KeyAttrList& attrs() { return attrs_; }
  key_type_t kind() const { return kind_; }
  pki_alg_t alg() const { return alg_; }
  // Changes the algorithm field and keeps the body (a body that learns its
  // key's true algorithm while parsing).
  void adoptAlg(pki_alg_t a) { alg_ = a; }
  bool flag(bka_t f) const { return static_cast<unsigned>(f) < 32 && (flags_ >> f & 1u) != 0; }
  // Sets or clears a flag without telling the body.
  void setFlag(bka_t f, bool on);

 private:
  // Makes the body for the key's algorithm, its top octet replaced by a
  // non-zero vendor; kFailed when the pair (kind, algorithm) has none.
  int initKey(pki_vendor v);
  // The body, made with vendor 0 when there is none; null with kFailed.
  Key* body();
  void dropBody();
  // Gives the prepared handle back to the service.
  void dropPrepared();
  // The delegation every body operation goes through: kUnavailable without
  // algorithm, then the body's result, with the body's error as the key's.
  template <class F>
  auto delegate(F f, decltype(f(static_cast<Key*>(nullptr))) fail) -> decltype(f(static_cast<Key*>(nullptr)));

  // The key identifier, one reference or null. (A raw pointer: this header
  // is also read by code that has a reference helper of its own.)
  Ref<TBuf> keyId_;
  std::unique_ptr<Key> body_;
  unsigned token_[2] = {0, 0};
  key_type_t kind_;
  pki_alg_t alg_ = 0;
  KeyAttrList attrs_;
  int error_ = pkixrc::kOk;
  uint32_t flags_ = 0;
  ccKeyHandle* prepared_ = nullptr;
  const void* prepared_by_ = nullptr;  // the service that made prepared_
};

// A new key of kind k (1, 2 or 3) with one reference; null for any other
// kind or when memory is short.
TKey* createTKey(TKey::key_type_t k);
// The same, then setRaw(data, len) when both are non-zero; null (nothing
// left behind) when that fails.
TKey* createTKey(TKey::key_type_t k, const unsigned char* data, unsigned len);
// key after its setRaw(data, len) when both are non-zero; when that fails
// the key is released and null returned. A null key stays null.
TKey* readKey(TKey* key, const unsigned char* data, unsigned len);
// Whether createTKey(TKey::KT_PUBLIC, data, len) is known to succeed
// (memory permitting) without making the key: true for an RSA
// SubjectPublicKeyInfo that the RSA public key reads (NULL parameters, an
// RSAPublicKey of two positive INTEGERs filling the BIT STRING). False for
// every other input, whether or not a key could be made of it: the caller
// then makes the key to find out.
bool publicKeyDeferrable(const unsigned char* data, unsigned len);
// pkixrc::kBadArgument for a null a; else a's isConsistent(b, full): 1 for
// a matching pair.
int checkKeyPairConsistency(TKey* a, TKey* b, int full);

#endif  // PKIX_KEY_X509KEY_H_
