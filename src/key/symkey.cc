#include "key/symkey.h"

namespace {

const KeyMapRow kMap[] = {{5, TKey::AKA_NONE}, {0, TKey::AKA_KEY}, {1, TKey::AKA_IV},
                          {2, TKey::AKA_BITS}, {3, TKey::AKA_X16}, {4, TKey::AKA_X17}};

// Every octet of the key value counts; a new value drops the size.
const KeySizeRule kSize = {KeySizeRule::kOctets, TKey::AKA_KEY, 0, false, false, {TKey::AKA_KEY, TKey::AKA_NONE},
                           TKey::AKA_NONE};

}  // namespace

SymKey::SymKey() : ValueKey(kMap, kSize) {}

TBuf* SymKey::getRaw() { return none(pkixrc::kFailed); }

int SymKey::setRaw(const unsigned char*, unsigned) { return error_ = pkixrc::kFailed; }
