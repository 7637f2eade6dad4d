// The bridge to the host's crypto service (service 58): the free functions
// through which keys, certificates and CRLs hash, sign, verify, encrypt and
// decrypt. Every one runs one complete operation over TBuf data; a TBuf
// result carries one reference for the caller.
//
// Until the bridge binds to the service, every operation answers 40 ("no
// service"): the code forms return it, the TBuf forms return null.
#ifndef PKIX_KEY_CCDC_H_
#define PKIX_KEY_CCDC_H_

#include "alg/pki_alg.h"
#include "contract/tbuf.h"

class TKey;

// Digest of data with hash algorithm alg into out; *len holds out's capacity
// on entry and the digest length on success. 0, 4 (null argument), 40, or
// the service's code.
int make_hash(pki_alg_t alg, TBuf* data, unsigned char* out, unsigned* len);
// Signs data with key (algorithm 0: the key's own); *sig receives the
// signature. 0, 4 (null key or sig), 40, or the service's code.
int signMessage(TKey* key, TBuf* data, TBuf** sig);
// 0 when signature is a valid signature of data under key; 4 (null
// argument), 40, or the service's code.
int verifyMessage(TKey* key, TBuf* data, TBuf* signature);
// Encrypts data with key; *out receives the ciphertext. 0, 4, 40, or the
// service's code.
int encryptMessage(TKey* key, TBuf* data, TBuf** out);
// The plaintext of data under key, or null.
TBuf* decryptMessage(TKey* key, TBuf* data);

#endif  // PKIX_KEY_CCDC_H_
