#include "key/keypair.h"

#include "support/abuf.h"
#include "support/ref.h"
#include "support/result_codes.h"

namespace {

const char kCheckText[] = "_check Key Pair__check Key Pair_";

// A key's error, or kFailed when it produced nothing and reported no code.
int Failure(TKey* k) {
  int rc = k->error();
  return rc != pkixrc::kOk ? rc : pkixrc::kFailed;
}

// One signing attempt: priv signs, pub verifies (data first, signature
// second). *unusable is set when the container refused to sign.
int SignAndVerify(TKey* priv, TKey* pub, TBuf* message, bool* unusable) {
  Ref<TBuf> sig = adoptRef(priv->sign(message));
  *unusable = priv->error() == kCproContainerUnusable;
  if (*unusable) return kCproContainerUnusable;
  if (!sig) return Failure(priv);
  return pub->verify(message, sig.get());
}

// RSA only: the public key encrypts the message and the private key
// decrypts it; both must give a result (the plaintext is not compared).
int EncryptAndDecrypt(TKey* priv, TKey* pub, TBuf* message) {
  Ref<TBuf> cipher = adoptRef(pub->encrypt(message));
  if (!cipher) return Failure(pub);
  Ref<TBuf> plain = adoptRef(priv->decrypt(cipher.get()));
  if (!plain) return Failure(priv);
  return pkixrc::kOk;
}

}  // namespace

int pkix_check_key_pair(TKey* priv, TKey* pub, pki_alg_t alg, int full) {
  unsigned len = pki_alg_is_gost_key(alg) ? 32 : 16;
  Ref<TBuf> message = adoptRef(createTBuf(reinterpret_cast<const unsigned char*>(kCheckText), len));
  if (!message) return pkixrc::kNoMemory;
  if (priv->getVendor() == VENDOR_CPRO) return pkix_check_cpro_pair(priv, pub, message.get());
  bool unusable = false;
  int rc = SignAndVerify(priv, pub, message.get(), &unusable);
  if (rc == pkixrc::kOk && full != 0 && alg == PKI_ALG_RSA) rc = EncryptAndDecrypt(priv, pub, message.get());
  return rc;
}

int pkix_check_cpro_pair(TKey* priv, TKey* pub, TBuf* message) {
  bool signature = priv->getParam(TKey::BKA_SIGNATURE) != 0;
  bool exchange = priv->getParam(TKey::BKA_EXCHANGE) != 0;
  if (signature && exchange) return pkixrc::kFailed;
  bool guessing = !signature && !exchange;
  int rc;
  if (guessing && (rc = priv->setParam(TKey::BKA_EXCHANGE, 1)) != pkixrc::kOk) return rc;

  bool unusable = false;
  rc = SignAndVerify(priv, pub, message, &unusable);
  if (rc == pkixrc::kOk || !guessing) return rc;
  if (unusable) {
    priv->setParam(TKey::BKA_EXCHANGE, 0);
    return rc;
  }
  // Not an exchange key: try it as a signature key.
  if ((rc = priv->setParam(TKey::BKA_EXCHANGE, 0)) != pkixrc::kOk) return rc;
  if ((rc = priv->setParam(TKey::BKA_SIGNATURE, 1)) != pkixrc::kOk) return rc;
  rc = SignAndVerify(priv, pub, message, &unusable);
  if (rc != pkixrc::kOk && !unusable) priv->setParam(TKey::BKA_SIGNATURE, 0);
  return rc;
}
