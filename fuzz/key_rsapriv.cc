// Arbitrary octets to RSAPrivKey::setKey (and as PKCS #1 to setPKCS1Key):
// 0, 5 or 9; a refusal stores nothing and leaves the buffer where it was;
// an accepted RSAPrivateKey is written back as PKCS #1 that reads again to
// the same numbers.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "key/keybuf.h"
#include "key/rsakey.h"
#include "key/x509key.h"
#include "key_env.h"
#include "module/cmn_abuf.h"

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
    BufRef in(createTBuf(data, len));
    Require(static_cast<bool>(in));
    unsigned before = in.get()->len();
    int rc = body.setKey(in.get());
    Require(rc == 0 || rc == 1 || rc == 5 || rc == 9);
    BufRef modulus(body.getParam(TKey::AKA_MODULUS));
    BufRef exponent(body.getParam(TKey::AKA_PRIV_EXPONENT));
    if (rc != 0) {
      Require(!modulus && !exponent);
      Require(in.get()->len() == before);
    } else if (modulus) {
      // A whole RSAPrivateKey: PKCS #1 written from it reads back the same.
      BufRef p1(body.getPKCS1Key());
      Require(static_cast<bool>(p1));
      X509Key other_owner(TKey::KT_PRIVATE);
      RSAPrivKey other;
      other.fitX509Key(&other_owner);
      Require(other.setPKCS1Key(p1.get()->datap(), p1.get()->len()) == 0);
      BufRef m2(other.getParam(TKey::AKA_MODULUS));
      BufRef d2(other.getParam(TKey::AKA_PRIV_EXPONENT));
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
    Require(rc == 0 || rc == 1 || rc == 4 || rc == 9);
    Require(rc != 0 || looks);
    Require(body.isPKCS1Key() == (rc == 0));
  }
  owner_key->release();
  return 0;
}
