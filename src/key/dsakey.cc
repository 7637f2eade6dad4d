#include "key/dsakey.h"

namespace {

const KeyMapRow kMap[] = {{6, TKey::AKA_NONE}, {0, TKey::AKA_P},    {1, TKey::AKA_Q},   {2, TKey::AKA_G},
                          {3, TKey::AKA_KEY},  {4, TKey::AKA_BITS}, {5, TKey::AKA_NONE}};

// Dss-Parms ::= SEQUENCE { p INTEGER, q INTEGER, g INTEGER }
// The size is the bit length of p; a new p or key value drops it. A key
// without p (its parameters inherited) has no size. The parameters of a
// public key may be absent: RFC 3279 lets a certificate inherit them from
// its issuer.
constexpr DerKeyTraits Traits(bool hashes_value) {
  return {PKI_ALG_DSA,
          kMap,
          {KeySizeRule::kNumber, TKey::AKA_P, 0, false, false, {TKey::AKA_P, TKey::AKA_KEY}, TKey::AKA_NONE},
          {{TKey::AKA_P, nullptr}, {TKey::AKA_Q, nullptr}, {TKey::AKA_G, nullptr}},
          3,
          hashes_value,
          true};
}

const DerKeyTraits kPublic = Traits(true);
const DerKeyTraits kPrivate = Traits(false);

}  // namespace

DSAPubKey::DSAPubKey() : DerValueKey(kPublic) {}
DSAPrivKey::DSAPrivKey() : DerValueKey(kPrivate) {}
