// The body factory: which Key class serves a pair (kind, algorithm).
#include <memory>
#include <new>

#include "key/dhkey.h"
#include "key/dsakey.h"
#include "key/eckey.h"
#include "key/gr34key.h"
#include "key/key.h"
#include "key/rsakey.h"
#include "key/symkey.h"

namespace {

using Make = std::unique_ptr<Key> (*)();

template <class K>
std::unique_ptr<Key> New() {
  return std::unique_ptr<Key>(new (std::nothrow) K);
}

// One row per algorithm with a body; the makers by key kind: none (0),
// public (1), private (2), secret (3). A null maker: no body for that kind.
struct BodyRow {
  pki_alg_t alg;
  Make by_kind[4];
};

const BodyRow kBodies[] = {
    {PKI_ALG_RSA, {New<RSAPubKey>, New<RSAPubKey>, New<RSAPrivKey>, New<RSAPubKey>}},
    {PKI_ALG_DSA, {New<DSAPubKey>, New<DSAPubKey>, New<DSAPrivKey>, New<DSAPubKey>}},
    {PKI_ALG_DH, {New<DHPubKey>, New<DHPubKey>, New<DHPrivKey>, New<DHPubKey>}},
    {PKI_ALG_EC, {New<ECPubKey>, New<ECPubKey>, New<ECPrivKey>, nullptr}},
    {PKI_ALG_RC2_CBC, {nullptr, nullptr, nullptr, New<SymKey>}},
    {PKI_ALG_DES_CBC, {nullptr, nullptr, nullptr, New<SymKey>}},
    {PKI_ALG_SYM_0A, {nullptr, nullptr, nullptr, New<SymKey>}},
    {PKI_ALG_DES_EDE3_CBC, {nullptr, nullptr, nullptr, New<SymKey>}},
    {PKI_ALG_SHA1_SYM_0C, {nullptr, nullptr, nullptr, New<SymKey>}},
    {PKI_ALG_GOST3410_TIK, {New<TIKGostPubKey>, New<TIKGostPubKey>, New<TIKGostPubKey>, New<TIKGostPubKey>}},
    {PKI_ALG_GOST3410_CPRO, {New<CPROPubKey>, New<CPROPubKey>, New<CPROPrivKey>, New<CPROPubKey>}},
    {PKI_ALG_GOST341001_CPRO, {New<CPROPubKey>, New<CPROPubKey>, New<CPRO01PrivKey>, New<CPROPubKey>}},
    {PKI_ALG_GOST3410_SC, {New<SCPubKey>, New<SCPubKey>, New<SCPrivKey>, New<SCPubKey>}},
    {PKI_ALG_GOST341001_SC, {New<SCPubKey>, New<SCPubKey>, New<SC01PrivKey>, New<SCPubKey>}},
};

}  // namespace

std::unique_ptr<Key> createKey(TKey::key_type_t k, pki_alg_t a) {
  if (k < TKey::KT_NONE || k > TKey::KT_SECRET) return nullptr;
  for (const BodyRow& row : kBodies) {
    if (row.alg == a) return row.by_kind[k] != nullptr ? row.by_kind[k]() : nullptr;
  }
  return nullptr;
}
