// Bodies whose key value proper is the attribute AKA_KEY (DSA,
// Diffie-Hellman, symmetric and the GOST public keys), and among them the
// ones read and written with the generic DER routines (DSA and
// Diffie-Hellman).
#ifndef PKIX_KEY_VALUEKEY_H_
#define PKIX_KEY_VALUEKEY_H_

#include "key/key.h"

class ValueKey : public Key {
 public:
  using Key::Key;
  // Stores b as AKA_KEY (kBadArgument for null); the size derived from it
  // is dropped.
  int setKey(TBuf* b) override;
  // AKA_KEY with a new reference, null when there is none.
  TBuf* getKey() override;
};

// What tells one generic DER family from another.
struct DerKeyTraits {
  pki_alg_t alg;
  const KeyMapRow* map;
  KeySizeRule size;
  // The algorithm parameters' INTEGERs, in order.
  KeyAttr params[3];
  unsigned param_count;
  // Whether the key value is the MD5 input (else no fingerprint:
  // kWrongType).
  bool hashes_value;
  // Whether a public key may come without the domain parameters, which it
  // then inherits from its issuer's key.
  bool params_inherited;
};

class DerValueKey : public ValueKey {
 public:
  explicit DerValueKey(const DerKeyTraits& traits) : ValueKey(traits.map, traits.size), traits_(traits) {}
  // A SubjectPublicKeyInfo (public key) or private-key structure of the
  // family's algorithm; the domain parameters travel as its parameters.
  TBuf* getRaw() override;
  int setRaw(const unsigned char* data, unsigned len) override;
  TBuf* getHashInput() override;

 protected:
  bool paramsInherited() const override { return traits_.params_inherited; }

 private:
  const DerKeyTraits& traits_;
};

#endif  // PKIX_KEY_VALUEKEY_H_
