#include "key/dhkey.h"

namespace {

const KeyMapRow kMap[] = {{5, TKey::AKA_NONE}, {0, TKey::AKA_P},    {1, TKey::AKA_G},
                          {2, TKey::AKA_KEY},  {3, TKey::AKA_BITS}, {4, TKey::AKA_NONE}};

// DHParameter ::= SEQUENCE { prime INTEGER, base INTEGER,
//                            privateValueLength INTEGER OPTIONAL }
// The size is the group's: the bit length of the prime p, as for DSA (a
// public value is often a few bits shorter than the prime). A key without
// p falls back on the bit length of its value. A new p or value drops it.
// Neither key has a fingerprint, and a public key needs its parameters.
const DerKeyTraits kTraits = {
    PKI_ALG_DH,
    kMap,
    {KeySizeRule::kNumber, TKey::AKA_P, 0, false, false, {TKey::AKA_P, TKey::AKA_KEY}, TKey::AKA_KEY},
    {{TKey::AKA_P, nullptr}, {TKey::AKA_G, nullptr}, {TKey::AKA_NONE, nullptr}},
    2,
    false,
    false};

}  // namespace

DHPubKey::DHPubKey() : DerValueKey(kTraits) {}
DHPrivKey::DHPrivKey() : DerValueKey(kTraits) {}
