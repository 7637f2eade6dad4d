// Diffie-Hellman (PKCS #3) key bodies: SubjectPublicKeyInfo and private-key
// structure, with the domain parameters p and g as the algorithm
// parameters.
#ifndef PKIX_KEY_DHKEY_H_
#define PKIX_KEY_DHKEY_H_

#include "key/valuekey.h"

class DHPubKey : public DerValueKey {
 public:
  DHPubKey();
};

class DHPrivKey : public DerValueKey {
 public:
  DHPrivKey();
};

#endif  // PKIX_KEY_DHKEY_H_
