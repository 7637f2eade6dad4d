// DSA key bodies: SubjectPublicKeyInfo and private-key structure, with the
// domain parameters p, q, g as the algorithm parameters.
#ifndef PKIX_KEY_DSAKEY_H_
#define PKIX_KEY_DSAKEY_H_

#include "key/valuekey.h"

// The public value y is the key value and the fingerprint input.
class DSAPubKey : public DerValueKey {
 public:
  DSAPubKey();
};

// The private value x is the key value; no fingerprint.
class DSAPrivKey : public DerValueKey {
 public:
  DSAPrivKey();
};

#endif  // PKIX_KEY_DSAKEY_H_
