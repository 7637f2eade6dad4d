// The key service (pkixid::kKeyService): the factory through which other
// modules create keys.
#ifndef PKIX_MODULE_PKIXKEYSRV_H_
#define PKIX_MODULE_PKIXKEYSRV_H_

#include "framework/cmn_gref.h"
#include "key/tkey.h"

// Every creating operation returns a new key carrying one reference for the
// caller, or null.
class TPkixKeyService : public CMN_GuardedRef {
 public:
  TPkixKeyService() : CMN_GuardedRef(0) {}
  ~TPkixKeyService() override;

  // Both do nothing and return 0.
  int init() override = 0;
  int fini() override = 0;
  // A key without kind or algorithm.
  virtual TKey* createTKey() = 0;
  // A key of kind type (null for a kind other than 1, 2, 3).
  virtual TKey* createTKey(TKey::key_type_t type) = 0;
  // A key of kind type read from DER (null when the bytes do not parse);
  // with null data or zero length the empty key of that kind.
  virtual TKey* createTKey(TKey::key_type_t type, const unsigned char* data, unsigned len) = 0;
};

// A new key service with count 0 (the first holder adds the first
// reference), or null when memory is short.
TPkixKeyService* createTPkixKeyService();

#endif  // PKIX_MODULE_PKIXKEYSRV_H_
