// Arbitrary octets as the DER of a public, a private and a secret key, with
// and without an algorithm set before. Every outcome is 0, 5 or 9 (1 only
// when memory runs out); a refusal leaves the algorithm as it was; a key
// that parses answers every query, and what it writes, afresh too, reads
// back as a key of the same kind and algorithm.
#include <cstddef>
#include <cstdint>

#include "key/keybuf.h"
#include "key/x509key.h"
#include "key_env.h"
#include "module/cmn_abuf.h"

using keyfuzz::Require;

namespace {

bool Known(int rc) { return rc == 0 || rc == 1 || rc == 5 || rc == 9; }

// Reads back what k writes, in a new key of the same kind.
void ReadBack(TKey* k) {
  BufRef raw(k->getRaw());
  if (!raw) return;
  TKey* again = createTKey(k->getType(), raw.get()->datap(), raw.get()->len());
  Require(again != nullptr);
  // A GOST key may name another vendor than the one its bytes carry (the
  // SC container's CPRO flag, a vendor set by hand); any other keeps its
  // algorithm.
  Require(again->getAlg() == k->getAlg() || pki_alg_is_gost_key(k->getAlg()));
  again->release();
}

void Query(TKey* k) {
  for (unsigned i = 0; i < 12; ++i) BufRef(k->getParam(i));
  for (int a = 0; a <= 23; ++a) BufRef(k->getParam(static_cast<TKey::aka_t>(a)));
  BufRef(k->getKey());
  BufRef(k->getMD5());
  k->getVendor();
  ReadBack(k);
  // Written afresh: a change through the body drops the cached encoding
  // (the key value set again, a flag for the containers).
  BufRef value(k->getParam(TKey::AKA_KEY));
  if (value) k->setParam(TKey::AKA_KEY, value.get());
  BufRef modulus(k->getParam(TKey::AKA_MODULUS));
  if (modulus) k->setParam(TKey::AKA_MODULUS, modulus.get());
  k->setParam(TKey::BKA_EXCHANGE, 1);
  ReadBack(k);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  keyfuzz::Setup();
  const unsigned len = static_cast<unsigned>(size);
  const TKey::key_type_t kinds[] = {TKey::KT_PUBLIC, TKey::KT_PRIVATE, TKey::KT_SECRET};
  const pki_alg_t presets[] = {0, PKI_ALG_RSA, PKI_ALG_EC, PKI_ALG_GOST3410_SC};
  for (TKey::key_type_t kind : kinds) {
    for (pki_alg_t preset : presets) {
      TKey* k = createTKey(kind);
      Require(k != nullptr);
      if (preset != 0) k->setAlg(preset);
      int rc = k->setRaw(data, len);
      Require(Known(rc));
      Require(k->error() == rc);
      if (rc != 0) {
        Require(k->getAlg() == preset);
      } else {
        Require(k->getAlg() != 0);
        Query(k);
      }
      Require(k->release() == 0);
    }
  }
  return 0;
}
