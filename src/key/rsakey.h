// RSA key bodies: the public key (SubjectPublicKeyInfo holding an
// RSAPublicKey) and the private key (a private-key structure, or PKCS #1).
#ifndef PKIX_KEY_RSAKEY_H_
#define PKIX_KEY_RSAKEY_H_

#include "key/key.h"
#include "support/ref.h"

class RSAPubKey : public Key {
 public:
  RSAPubKey();
  ~RSAPubKey() override;

  // Splits an RSAPublicKey SEQUENCE { modulus, publicExponent } into the
  // modulus and exponent attributes and keeps the element. b must hold
  // exactly that: two positive INTEGERs and nothing after them (a SEQUENCE
  // that only starts with two INTEGERs is some other structure).
  // kBadArgument for null, kFailed when b holds anything else, kNoMemory;
  // nothing is stored on failure.
  int setKey(TBuf* b) override;
  // The RSAPublicKey, built from modulus and exponent (kUnavailable when
  // either is missing) and cached.
  TBuf* getKey() override;
  int setParam(unsigned i, TBuf* b) override;
  int setParam(TKey::aka_t a, TBuf* b) override;
  // SubjectPublicKeyInfo with rsaEncryption and NULL parameters.
  TBuf* getRaw() override;
  int setRaw(const unsigned char* data, unsigned len) override;
  // The public exponent octets.
  TBuf* getHashInput() override;
  // Whether setRaw(data, len) succeeds, memory permitting: the parameters
  // present, the structure parsed as Key::setRaw parses it, and its value an
  // RSAPublicKey as setKey takes it. Nothing is kept.
  static bool readsPublicInfo(const unsigned char* data, unsigned len);

 private:
  void dropPublicKey();
  Ref<TBuf> publicKey_;  // the RSAPublicKey element
};

class RSAPrivKey : public Key {
 public:
  RSAPrivKey();

  // An RSAPrivateKey SEQUENCE (version 0 and exactly eight INTEGERs:
  // kWrongType for another version, kFailed otherwise) fills the eight
  // attributes and b's Buffer is advanced past it; anything else is taken
  // as the private exponent.
  int setKey(TBuf* b) override;
  // The private exponent.
  TBuf* getKey() override;
  // The cached encoding (PKCS #1 or the private-key structure read), else
  // the private-key structure with modulus and exponent as parameters and
  // the private exponent as value.
  TBuf* getRaw() override;
  // PKCS #1 when the bytes look like it, else a private-key structure.
  int setRaw(const unsigned char* data, unsigned len) override;

  // Whether the cached encoding is a PKCS #1 RSAPrivateKey.
  bool isPKCS1Key() const;
  // Whether data starts a SEQUENCE whose first two elements are INTEGERs.
  static bool isPKCS1Key(const unsigned char* data, unsigned len);
  // Reads a PKCS #1 RSAPrivateKey (kBadArgument for no bytes, kFailed when
  // they are not one); the bytes become the cached encoding.
  int setPKCS1Key(const unsigned char* data, unsigned len);
  // The PKCS #1 RSAPrivateKey of the eight attributes (kFailed when one is
  // missing), cached.
  TBuf* getPKCS1Key();

 protected:
  int takeValue(TBuf* value) override;

 private:
  int storeParts(const Buffer* parts);
};

#endif  // PKIX_KEY_RSAKEY_H_
