// Symmetric keys: the key value and its attributes, without a DER form.
#ifndef PKIX_KEY_SYMKEY_H_
#define PKIX_KEY_SYMKEY_H_

#include "key/valuekey.h"

class SymKey : public ValueKey {
 public:
  SymKey();
  // A symmetric key has no DER form: both fail with 9.
  TBuf* getRaw() override;
  int setRaw(const unsigned char* data, unsigned len) override;
};

#endif  // PKIX_KEY_SYMKEY_H_
