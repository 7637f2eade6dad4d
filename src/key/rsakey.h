// RSA key bodies: the public key (SubjectPublicKeyInfo holding an
// RSAPublicKey) and the private key (a private-key structure, or PKCS #1).
#ifndef PKIX_KEY_RSAKEY_H_
#define PKIX_KEY_RSAKEY_H_

#include "key/key.h"

class RSAPubKey : public Key {
 public:
  RSAPubKey();
  ~RSAPubKey() override;

  // Splits an RSAPublicKey SEQUENCE { modulus, publicExponent } into the
  // modulus and exponent attributes and keeps the element. 4 for null, 9
  // when b does not hold one.
  int setKey(TBuf* b) override;
  // The RSAPublicKey, built from modulus and exponent (40 when either is
  // missing) and cached.
  TBuf* getKey() override;
  int setParam(unsigned i, TBuf* b) override;
  int setParam(TKey::aka_t a, TBuf* b) override;
  // SubjectPublicKeyInfo with rsaEncryption and NULL parameters.
  TBuf* getRaw() override;
  int setRaw(const unsigned char* data, unsigned len) override;
  // The public exponent octets.
  TBuf* getHashInput() override;

 private:
  void dropPublicKey();
  TBuf* publicKey_ = nullptr;  // the RSAPublicKey element, one reference
};

class RSAPrivKey : public Key {
 public:
  RSAPrivKey();

  // An RSAPrivateKey SEQUENCE (version 0 and exactly eight INTEGERs: 5 for
  // another version, 9 otherwise) fills the eight attributes and b's Buffer
  // is advanced past it; anything else is taken as the private exponent.
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
  // Reads a PKCS #1 RSAPrivateKey (4 for no bytes, 9 when they are not
  // one); the bytes become the cached encoding.
  int setPKCS1Key(const unsigned char* data, unsigned len);
  // The PKCS #1 RSAPrivateKey of the eight attributes (9 when one is
  // missing), cached.
  TBuf* getPKCS1Key();

 protected:
  int takeValue(TBuf* value) override;

 private:
  int storeParts(const Buffer* parts);
};

#endif  // PKIX_KEY_RSAKEY_H_
