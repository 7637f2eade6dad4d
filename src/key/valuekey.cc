#include "key/valuekey.h"

int ValueKey::setKey(TBuf* b) {
  if (Key::setKey(b) != 0) return error_;
  return write(TKey::AKA_KEY, b);
}

TBuf* ValueKey::getKey() { return attr(TKey::AKA_KEY); }

TBuf* DerValueKey::getRaw() { return Key::getRaw(traits_.alg, traits_.params, traits_.param_count); }

int DerValueKey::setRaw(const unsigned char* data, unsigned len) {
  return Key::setRaw(traits_.alg, data, len, traits_.params, traits_.param_count);
}

TBuf* DerValueKey::getHashInput() {
  return traits_.hashes_value ? required(TKey::AKA_KEY) : Key::getHashInput();
}
