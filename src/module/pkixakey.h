// The key wrapper: how client code holds a key (TKey). Every operation
// raises the key's guard around the call and keeps the outcome as the
// wrapper's error (40 while no key is held: nothing is called then).
#ifndef PKIX_MODULE_PKIXAKEY_H_
#define PKIX_MODULE_PKIXAKEY_H_

#include "key/tkey.h"
#include "support/abuf.h"
#include "module/pkixwrap.h"

class aKey : public PKIXKeyObject<TKey> {
 public:
  // Holds k (adding its own reference; the caller keeps its one); empty for
  // null.
  explicit aKey(TKey* k = nullptr);
  // A new key through the key service client; empty (error 40) when none
  // comes back. The wrapper holds the only reference.
  explicit aKey(TKey::key_type_t type);
  aKey(TKey::key_type_t type, const unsigned char* data, unsigned len);
  // Holds k for code outside the module (another module's service answering
  // with a key): no service of this module is kept in use. Inline, with the
  // destructor, so that such code builds the wrapper without this module's
  // symbols.
  aKey(TKey* k, CMN_ServiceStubInterface* service) : PKIXKeyObject<TKey>(k, service) {}
  ~aKey() override = default;

  // Plain values: the key's error becomes the wrapper's.
  TKey::key_type_t getType() const;
  pki_alg_t getAlg() const;
  int getParam(TKey::bka_t f) const;
  pki_vendor getVendor() const;
  // 1 for a matching pair.
  int isConsistent(aKey& other, int full);

  // Codes: the key's result is returned and kept as the error.
  int setAlg(pki_alg_t a);
  int setKey(aBuf& b);
  int setParam(unsigned char i, aBuf& b);
  int setParam(TKey::aka_t a, aBuf& b);
  int setParam(TKey::bka_t f, int on);
  int setRaw(aBuf& b);
  int setRaw(const unsigned char* data, unsigned len);
  int setTokenId(unsigned a, unsigned b);
  int getTokenId(unsigned& a, unsigned& b) const;
  int setKeyId(aBuf& b);
  // 0 when signature is valid for data.
  int verify(aBuf& data, aBuf& signature);
  int setVendor(pki_vendor v);

  // Buffers: a wrapper of what the key returned (empty, error 40, for
  // none); the key's error becomes this wrapper's.
  aBuf getKey() const;
  aBuf getParam(unsigned char i) const;
  aBuf getParam(TKey::aka_t a) const;
  aBuf getRaw() const;
  aBuf getKeyId() const;
  aBuf encrypt(aBuf& data);
  aBuf decrypt(aBuf& data);
  aBuf sign(aBuf& data);
};

#endif  // PKIX_MODULE_PKIXAKEY_H_
