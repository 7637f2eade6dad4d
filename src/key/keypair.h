// The key pair check: whether a private and a public key are the two halves
// of one pair, decided by signing a fixed message with the private key and
// verifying it with the public one (and, for RSA on request, by encrypting
// and decrypting it). Only the TKey interface is used, so any key object
// takes part.
//
// Verification order: the public key's verify is called as verify(message,
// signature), data first and signature second, as every verify caller does
// (the certificate and CRL signature checks feed the crypto service the
// signed data, then the signature). A matching pair therefore passes and a
// mismatched pair fails without the crypto service knowing about pair checks.
#ifndef PKIX_KEY_KEYPAIR_H_
#define PKIX_KEY_KEYPAIR_H_

#include "key/tkey.h"

// The code produced by a crypto service that cannot use a CPRO container for
// signing in its present usage.
constexpr int kCproContainerUnusable = static_cast<int>(0xE03F0002u);

// pkixrc::kOk when priv (kind 2) and pub (kind 1) of algorithm alg match;
// otherwise the code of the step that failed: kNoMemory when the test
// message cannot be made, the private key's error when it signs nothing, the
// public key's verdict, and for RSA with full set the errors of encryption
// and decryption (kFailed when a key fails without a code). A private key of vendor CPRO is checked by
// pkix_check_cpro_pair.
int pkix_check_key_pair(TKey* priv, TKey* pub, pki_alg_t alg, int full);

// The CPRO container check. With both usage flags of priv set: kFailed. With
// neither, the usage is guessed: exchange first, then signature; the flag
// that passes stays set, and both are cleared when neither does. kOk when a
// signature verifies, else the last code.
int pkix_check_cpro_pair(TKey* priv, TKey* pub, TBuf* message);

#endif  // PKIX_KEY_KEYPAIR_H_
