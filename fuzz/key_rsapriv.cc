// Arbitrary octets to RSAPrivKey::setKey (and as PKCS #1 to setPKCS1Key):
// 0, 5 or 9; a refusal stores nothing and leaves the buffer where it was;
// an accepted RSAPrivateKey is written back as PKCS #1 that reads again to
// the same numbers.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "key/rsakey.h"
#include "key/x509key.h"
#include "key_env.h"
#include "support/abuf.h"
#include "support/ref.h"
#include "support/result_codes.h"

using keyfuzz::Require;

namespace {

bool Same(TBuf* a, TBuf* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->len() == b->len() && (a->len() == 0 || std::memcmp(a->datap(), b->datap(), a->len()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  keyfuzz::Setup();
  const unsigned len = static_cast<unsigned>(size);
  TKey* owner_key = createTKey(TKey::KT_PRIVATE);
  Require(owner_key != nullptr);
  auto* owner = static_cast<X509Key*>(owner_key);
  owner->setAlg(PKI_ALG_RSA);
  {
    RSAPrivKey body;
    body.fitX509Key(owner);
    Ref<TBuf> in = adoptRef(createTBuf(data, len));
    Require(static_cast<bool>(in));
    unsigned before = in->len();
    int rc = body.setKey(in.get());
    Require(rc == pkixrc::kOk || rc == pkixrc::kNoMemory || rc == pkixrc::kWrongType || rc == pkixrc::kFailed);
    Ref<TBuf> modulus = adoptRef(body.getParam(TKey::AKA_MODULUS));
    Ref<TBuf> exponent = adoptRef(body.getParam(TKey::AKA_PRIV_EXPONENT));
    if (rc != pkixrc::kOk) {
      Require(!modulus && !exponent);
      Require(in->len() == before);
    } else if (modulus) {
      // A whole RSAPrivateKey: PKCS #1 written from it reads back the same.
      Ref<TBuf> p1 = adoptRef(body.getPKCS1Key());
      Require(static_cast<bool>(p1));
      X509Key other_owner(TKey::KT_PRIVATE);
      RSAPrivKey other;
      other.fitX509Key(&other_owner);
      Require(other.setPKCS1Key(p1->datap(), p1->len()) == pkixrc::kOk);
      Ref<TBuf> m2 = adoptRef(other.getParam(TKey::AKA_MODULUS));
      Ref<TBuf> d2 = adoptRef(other.getParam(TKey::AKA_PRIV_EXPONENT));
      Require(Same(modulus.get(), m2.get()) && Same(exponent.get(), d2.get()));
    } else {
      Require(static_cast<bool>(exponent));  // a bare private exponent
    }
  }
  {
    X509Key pkcs1_owner(TKey::KT_PRIVATE);
    RSAPrivKey body;
    body.fitX509Key(&pkcs1_owner);
    bool looks = RSAPrivKey::isPKCS1Key(data, len);
    int rc = body.setPKCS1Key(data, len);
    Require(rc == pkixrc::kOk || rc == pkixrc::kNoMemory || rc == pkixrc::kBadArgument || rc == pkixrc::kFailed);
    Require(rc != pkixrc::kOk || looks);
    Require(body.isPKCS1Key() == (rc == pkixrc::kOk));
  }
  owner_key->release();
  return 0;
}
