#include "key/dhkey.h"

namespace {

const KeyMapRow kMap[] = {{5, TKey::AKA_NONE}, {0, TKey::AKA_P},    {1, TKey::AKA_G},
                          {2, TKey::AKA_KEY},  {3, TKey::AKA_BITS}, {4, TKey::AKA_NONE}};

// DHParameter ::= SEQUENCE { prime INTEGER, base INTEGER,
//                            privateValueLength INTEGER OPTIONAL }
// The size is the bit length of the key value; a new one drops it. Neither
// key has a fingerprint.
const DerKeyTraits kTraits = {PKI_ALG_DH,
                              kMap,
                              {KeySizeRule::kNumber, TKey::AKA_KEY, 0, false, false, {TKey::AKA_KEY, TKey::AKA_NONE}},
                              {{TKey::AKA_P, nullptr}, {TKey::AKA_G, nullptr}, {TKey::AKA_NONE, nullptr}},
                              2,
                              false};

}  // namespace

DHPubKey::DHPubKey() : DerValueKey(kTraits) {}
DHPrivKey::DHPrivKey() : DerValueKey(kTraits) {}
