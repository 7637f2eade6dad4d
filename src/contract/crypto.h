// The crypto service (pkixid::kCrypto) and the transforms it hands out, as the
// module uses them. A transform performs one operation (hash, sign, verify,
// encrypt, decrypt) over one key and algorithm; the module drives it through
// lock(), one in() with the whole input, one or two out() calls, unlock().
//
// Keys cross this boundary as the module's key wrapper (aKey, declared with
// the key interface TKey in the module's own headers); a service that reads
// keys includes those itself.
#ifndef PKIX_CONTRACT_CRYPTO_H_
#define PKIX_CONTRACT_CRYPTO_H_

#include <cstdint>

#include "contract/guarded_ref.h"

class aKey;

// The 32-bit algorithm number (base, variant, hash and vendor octets).
typedef uint32_t pki_alg_t;

// The operation a transform performs.
enum ccFunc : int {
  CC_ENCRYPT = 1,
  CC_DECRYPT = 2,
  CC_HASH = 3,
  CC_SIGN = 4,
  CC_VERIFY = 5
};

// One operation in progress. Results are PKIX codes or the service's own;
// 0 is success.
class ccTransform : public CMN_GuardedRef {
 public:
  ccTransform() : CMN_GuardedRef(0) {}
  // Two slots the module does not call: what the transform was made for.
  virtual ccFunc getFunc() = 0;
  virtual pki_alg_t getAlgorithm() = 0;
  // Begins and ends one operation.
  virtual int lock() = 0;
  virtual int unlock() = 0;
  // The whole input of the operation.
  virtual int in(void* data, unsigned len) = 0;
  // The result: with buf null, *len receives the size the result needs;
  // otherwise up to *len octets are written to buf and *len becomes the
  // length written. A verify transform takes the signature here instead and
  // answers with the verdict.
  virtual int out(void* buf, unsigned* len) = 0;
  // A key the transform holds or made, of the kind asked (a key kind of
  // TKey::key_type_t, passed as the int it is stored in); empty when none.
  virtual aKey getKey(int kind) = 0;
  // The code of the last failed call, 0 when none failed.
  virtual int error() = 0;
};

class CCD_Interface : public CMN_GuardedRef {
 public:
  CCD_Interface() : CMN_GuardedRef(0) {}
  // A new transform for f over key (empty for hashes) and alg, with one
  // reference for the caller; null when the service cannot make one.
  virtual ccTransform* create_ccTransform(aKey& key, ccFunc f, pki_alg_t alg) = 0;
};

#endif  // PKIX_CONTRACT_CRYPTO_H_
