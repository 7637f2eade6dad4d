// The bridge to the host's crypto service (service 58): the service stub, the
// per-operation transform context, and the free functions through which keys,
// certificates and CRLs hash, sign, verify, encrypt and decrypt. Every free
// function runs one complete operation over TBuf data through one fixed
// sequence on the transform: lock(), in() once with the whole input, one or
// two out() calls, unlock() (also after a failure). A TBuf result carries one
// reference for the caller.
//
// Without a host module manager, a crypto service or a transform, every
// operation answers kUnavailable: the code forms return it, the TBuf forms
// return null.
#ifndef PKIX_KEY_CCDC_H_
#define PKIX_KEY_CCDC_H_

#include "alg/pki_alg.h"
#include "contract/crypto.h"
#include "key/tkey.h"
#include "module/pkixakey.h"
#include "contract/tbuf.h"
#include "framework/cmn_stub.h"
#include "framework/id_type.h"

class TKey;

extern Tuint32ID ccdID;  // 58

// The stub of the crypto service. Binding is lazy and serialised by the
// stub's mutex; every call into the service holds its guard.
class CCD : public CMN_ServiceStub<CCD_Interface> {
 public:
  // Asks the host module manager for the service at once.
  CCD();
  // Wraps a given service reference (null: unbound, binds on first use).
  explicit CCD(CCD_Interface* service);
  ~CCD() override;

  // A new transform for f over key and alg, with one reference for the
  // caller; null without a manager, a service, or when the service makes
  // none.
  ccTransform* create_ccTransform(aKey& key, ccFunc f, pki_alg_t alg);
  // The service the stub binds to now (binding when needed), as an
  // identity to tell whether it is the one that prepared a key; null
  // without one.
  const void* current();
  // The service's prepared form of key's private material (the service's
  // prepareKey), or null without a service or when it prepares none.
  ccKeyHandle* prepareKey(aKey& key);
  // Gives a handle from prepareKey back to the service, for the key owner
  // it was made for (nothing without a service).
  void prepareKeyRelease(ccKeyHandle* handle, const TKey* owner);
  // create_ccTransform with the prepared material of handle; null as
  // create_ccTransform.
  ccTransform* create_ccTransformPrepared(ccKeyHandle* handle, aKey& key, ccFunc f, pki_alg_t alg);
  // The service's one-call digest (see CCD_Interface::digest);
  // CCD_Interface::kDigestNotOffered without a service or when it has none.
  int digest(pki_alg_t alg, const void* data, unsigned len, void* out, unsigned* out_len);
};

// The module's one crypto service stub, unbound at load.
extern CCD ccdService;

// One user of ccdService for the lifetime of this object: the stub binds to
// the service on the first operation and keeps it while any user remains,
// instead of asking the host for it again for every operation.
class ccdServiceUse {
 public:
  ccdServiceUse() { ccdService.ref(); }
  ~ccdServiceUse() { ccdService.unref(); }
  ccdServiceUse(const ccdServiceUse&) = delete;
  ccdServiceUse& operator=(const ccdServiceUse&) = delete;
};

// One operation's transform. Holds the transform (or none) and keeps
// ccdService in use for its lifetime. Every operation forwards under the
// transform's guard; without a transform each answers kUnavailable (getKey: an
// empty key).
class ccCtx_Stub : public CMN_ObjectStub<ccTransform> {
 public:
  ccCtx_Stub(aKey& key, ccFunc f, pki_alg_t alg);
  // The same with the prepared material of handle (null: as above).
  ccCtx_Stub(ccKeyHandle* handle, aKey& key, ccFunc f, pki_alg_t alg);
  // Holds t (its own reference; the caller keeps its one).
  explicit ccCtx_Stub(ccTransform* t);
  ~ccCtx_Stub() override;

  int lock();
  int unlock();
  int in(void* data, unsigned len);
  int out(void* buf, unsigned* len);
  aKey getKey(TKey::key_type_t kind);
  int error();
};

// Digest of data with hash algorithm alg into out; *len holds out's capacity
// on entry and the digest length on success. kOk, kBadArgument (null argument),
// kUnavailable, or the service's code.
int make_hash(pki_alg_t alg, TBuf* data, unsigned char* out, unsigned* len);

// Signs data with key (algorithm 0: the key's own, or alg); *sig receives
// the signature, possibly partly filled on failure. kOk, kNoMemory,
// kBadArgument (null key or sig), kUnavailable, or the service's code.
int signMessage(TKey* key, TBuf* data, TBuf** sig);
int signMessage(TKey* key, TBuf* data, TBuf** sig, pki_alg_t alg);
// The signature, or null.
TBuf* signMessage(TKey* key, TBuf* data);

// 0 when signature is a valid signature of data under key (with algorithm 0
// or alg); kBadArgument (null argument), kUnavailable, or the service's code.
int verifyMessage(TKey* key, TBuf* data, TBuf* signature);
int verifyMessage(TKey* key, TBuf* data, TBuf* signature, pki_alg_t alg);

// Encrypts data with key; *out receives the ciphertext. kOk, kNoMemory,
// kBadArgument, kUnavailable, or the service's code.
int encryptMessage(TKey* key, TBuf* data, TBuf** out);
// The ciphertext, or null.
TBuf* encryptMessage(TKey* key, TBuf* data);

// The plaintext of data under key, or null.
TBuf* decryptMessage(TKey* key, TBuf* data);
// Decrypts data into out when out is long enough (otherwise copies nothing).
// The code of the final out() call, kNoMemory, kBadArgument, kFailed (no room
// record), or kUnavailable.
int decryptMessage(TKey* key, TBuf* data, TBuf* out);

// The same operations over a context built by the caller. encryptMessage
// serves both encryption and signing (the context decides which).
int verifyMessage(ccCtx_Stub& ctx, TBuf* data, TBuf* signature);
int encryptMessage(ccCtx_Stub& ctx, TBuf* data, TBuf** out);
TBuf* encryptMessage(ccCtx_Stub& ctx, TBuf* data);
TBuf* decryptMessage(ccCtx_Stub& ctx, TBuf* data);
int decryptMessage(ccCtx_Stub& ctx, TBuf* data, TBuf* out);

#endif  // PKIX_KEY_CCDC_H_
