#include "key/ccdC.h"

// No crypto service is reachable yet: every operation reports 40 after its
// argument checks.

int make_hash(pki_alg_t, TBuf* data, unsigned char* out, unsigned* len) {
  if (data == nullptr || out == nullptr || len == nullptr) return 4;
  return 40;
}

int signMessage(TKey* key, TBuf*, TBuf** sig) {
  if (key == nullptr || sig == nullptr) return 4;
  *sig = nullptr;
  return 40;
}

int verifyMessage(TKey* key, TBuf* data, TBuf* signature) {
  if (key == nullptr || data == nullptr || signature == nullptr) return 4;
  return 40;
}

int encryptMessage(TKey* key, TBuf*, TBuf** out) {
  if (key == nullptr || out == nullptr) return 4;
  *out = nullptr;
  return 40;
}

TBuf* decryptMessage(TKey*, TBuf*) { return nullptr; }
