// Arbitrary octets as the DER of a public, a private and a secret key, with
// and without an algorithm set before. Every outcome is 0, 5 or 9 (1 only
// when memory runs out); a refusal leaves the algorithm as it was; a key
// that parses answers every query, and what it writes, afresh too, reads
// back as a key of the same kind and algorithm. The same octets as a bare
// RSAPublicKey: taken whole or refused with nothing stored.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "key/x509key.h"
#include "key_env.h"
#include "support/abuf.h"
#include "support/ref.h"
#include "support/result_codes.h"

using keyfuzz::Require;

namespace {

bool Known(int rc) {
  return rc == pkixrc::kOk || rc == pkixrc::kNoMemory || rc == pkixrc::kWrongType || rc == pkixrc::kFailed;
}

// Reads back what k writes, in a new key of the same kind.
void ReadBack(TKey* k) {
  Ref<TBuf> raw = adoptRef(k->getRaw());
  if (!raw) return;
  TKey* again = createTKey(k->getType(), raw->datap(), raw->len());
  Require(again != nullptr);
  // A GOST key may name another vendor than the one its bytes carry (the
  // SC container's CPRO flag, a vendor set by hand); any other keeps its
  // algorithm.
  Require(again->getAlg() == k->getAlg() || pki_alg_is_gost_key(k->getAlg()));
  again->release();
}

void Query(TKey* k) {
  for (unsigned i = 0; i < 12; ++i) adoptRef(k->getParam(i));
  for (int a = 0; a <= 23; ++a) adoptRef(k->getParam(static_cast<TKey::aka_t>(a)));
  adoptRef(k->getKey());
  adoptRef(k->getMD5());
  k->getVendor();
  ReadBack(k);
  // Written afresh: a change through the body drops the cached encoding
  // (the key value set again, a flag for the containers).
  Ref<TBuf> value = adoptRef(k->getParam(TKey::AKA_KEY));
  if (value) k->setParam(TKey::AKA_KEY, value.get());
  Ref<TBuf> modulus = adoptRef(k->getParam(TKey::AKA_MODULUS));
  if (modulus) k->setParam(TKey::AKA_MODULUS, modulus.get());
  k->setParam(TKey::BKA_EXCHANGE, 1);
  ReadBack(k);
}

// The octets as the value of an RSA public key: accepted only as one whole
// RSAPublicKey, which getKey then hands back unchanged.
void BareRSAPublicKey(const uint8_t* data, unsigned len) {
  TKey* k = createTKey(TKey::KT_PUBLIC);
  Require(k != nullptr);
  Require(k->setAlg(PKI_ALG_RSA) == pkixrc::kOk);
  Ref<TBuf> in = adoptRef(createTBuf(data, len));
  Require(static_cast<bool>(in));
  int rc = k->setKey(in.get());
  Require(rc == pkixrc::kOk || rc == pkixrc::kNoMemory || rc == pkixrc::kFailed);
  Ref<TBuf> modulus = adoptRef(k->getParam(TKey::AKA_MODULUS));
  Ref<TBuf> value = adoptRef(k->getKey());
  if (rc != pkixrc::kOk) {
    Require(!modulus && !value);
  } else {
    Require(modulus && value && value->len() == len && std::memcmp(value->datap(), data, len) == 0);
    Query(k);
  }
  Require(k->release() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  keyfuzz::Setup();
  const unsigned len = static_cast<unsigned>(size);
  const TKey::key_type_t kinds[] = {TKey::KT_PUBLIC, TKey::KT_PRIVATE, TKey::KT_SECRET};
  const pki_alg_t presets[] = {PKI_ALG_NONE, PKI_ALG_RSA, PKI_ALG_EC, PKI_ALG_GOST3410_SC};
  for (TKey::key_type_t kind : kinds) {
    for (pki_alg_t preset : presets) {
      TKey* k = createTKey(kind);
      Require(k != nullptr);
      if (preset != PKI_ALG_NONE) k->setAlg(preset);
      int rc = k->setRaw(data, len);
      Require(Known(rc));
      Require(k->error() == rc);
      if (rc != pkixrc::kOk) {
        Require(k->getAlg() == preset);
      } else {
        Require(k->getAlg() != PKI_ALG_NONE);
        Query(k);
      }
      Require(k->release() == 0);
    }
  }
  BareRSAPublicKey(data, len);
  return 0;
}
