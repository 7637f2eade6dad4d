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
// A private key prepared by the crypto service: opaque to the module.
struct ccKeyHandle;

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

  // Appended operations: a private key prepared once for many operations.
  // A service without them answers as if it could not prepare a key, and
  // the module then goes through create_ccTransform alone.

  // An opaque handle to key's private material made ready for use (the
  // service keeps it until prepareKeyRelease); null when the service
  // cannot or will not prepare the key. Public keys are never prepared.
  virtual ccKeyHandle* prepareKey(aKey& key) {
    (void)key;
    return nullptr;
  }
  // Lets go of a handle from prepareKey for the key object owner (the key
  // prepareKey was given, as its address): the prepared material is wiped
  // and freed. A handle this service does not know, or made for another
  // key, is ignored.
  virtual void prepareKeyRelease(ccKeyHandle* handle, const void* owner) {
    (void)handle;
    (void)owner;
  }
  // create_ccTransform with the prepared material of handle in place of
  // the material read from key (which still decides what the transform may
  // do). A handle this service does not know, or made for another key, is
  // ignored: the key's material is read as create_ccTransform reads it.
  virtual ccTransform* create_ccTransformPrepared(ccKeyHandle* handle, aKey& key, ccFunc f, pki_alg_t alg) {
    (void)handle;
    return create_ccTransform(key, f, alg);
  }

  // Appended operation: a digest in one call, without a transform object.
  // A service without it answers kDigestNotOffered, and the module then
  // hashes through a CC_HASH transform.

  // The code digest answers when the service does not offer it (or not
  // for this algorithm or output size): the caller falls back to a
  // transform.
  static constexpr int kDigestNotOffered = 40;
  // The hash alg of len octets at data written to out, whose room is
  // *out_len octets; on success *out_len becomes the digest's length and 0
  // is returned. kDigestNotOffered (nothing written) when the service has
  // no such digest or *out_len is less than its length; any other code is
  // a failure of the digest itself.
  virtual int digest(pki_alg_t alg, const void* data, unsigned len, void* out, unsigned* out_len) {
    (void)alg;
    (void)data;
    (void)len;
    (void)out;
    (void)out_len;
    return kDigestNotOffered;
  }
};

#endif  // PKIX_CONTRACT_CRYPTO_H_
