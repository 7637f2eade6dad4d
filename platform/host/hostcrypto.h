// The host's crypto service (pkixid::kCrypto) on libcrypto: digests (MD5, SHA-1,
// SHA-224/256/384/512), PKCS #1 v1.5 RSA, DSA and ECDSA signatures, and
// PKCS #1 v1.5 RSA encryption, as transforms the module drives with
// lock(), one in(), one or two out(), unlock().
//
// Every transform is created, whatever was asked: what it cannot do (a GOST
// algorithm, a digest the provider lacks, a missing or unusable key, a key
// that does not fit the algorithm) is decided at creation, and then each of
// lock(), in(), out() and unlock() answers that code. Creation returns null
// only when memory is short.
//
// Algorithm 0 with sign, verify, encrypt or decrypt means the key's own
// algorithm with its default digest: SHA-1 for RSA and DSA, SHA-256 for EC.
#ifndef PKIX_HOST_HOSTCRYPTO_H_
#define PKIX_HOST_HOSTCRYPTO_H_

#include <cstdint>

#include "contract/crypto.h"
#include "contract/service_ids.h"
#include "support/result_codes.h"

namespace pkixhost {

constexpr uint32_t kCryptoServiceID = pkixid::kCrypto;

// Result codes of transforms; 0 is success. Numbered 0x3A01.. (the crypto
// service's number, 0x3A, in the upper octet) so that they differ from the
// module's own codes.
enum CryptoCode : int {
  kCryptoOk = pkixrc::kOk,
  kCryptoUnsupported = 0x3A01,   // algorithm, digest or operation not available
  kCryptoBadKey = 0x3A02,        // no key, wrong kind, or one that cannot be built
  kCryptoKeyMismatch = 0x3A03,   // the algorithm asked is not the key's
  kCryptoBadSignature = 0x3A04,  // the signature does not verify
  kCryptoNoRoom = 0x3A05,        // the output capacity is too small (*len gets the size)
  kCryptoBadState = 0x3A06,      // call out of sequence (before lock, in twice, ...)
  kCryptoBadArgument = 0x3A07,   // null length pointer or null input with a length
  kCryptoFailed = 0x3A08,        // the operation failed (bad ciphertext, ...)
};

// A new crypto service with count 0 (the host's holder adds the first).
// The service is shared by every caller and keeps a cache: each digest
// fetched once, and the public keys of recent operations by their
// SubjectPublicKeyInfo. Private keys are kept only as handles a key object
// asked for with prepareKey, until it releases them. Its transforms are independent
// of each other and of the cache's lifetime.
CCD_Interface* createCryptoService();

// Transforms currently alive (leak checks in tests).
int liveTransforms();
// Prepared private keys currently held (prepareKey without its
// prepareKeyRelease), over every service instance.
int liveKeyHandles();

}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTCRYPTO_H_
