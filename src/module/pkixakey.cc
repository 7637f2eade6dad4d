#include "module/pkixakey.h"

namespace {
// An aBuf in the shape the wrapper base builds results in.
struct KeyBuf : aBuf {
  using Object = TBuf;
  explicit KeyBuf(TBuf* b) : aBuf(b) {}
};
}  // namespace

aKey::aKey(TKey* k) : PKIXKeyObject<TKey>(k) {}

aKey::aKey(TKey::key_type_t type) : PKIXKeyObject<TKey>(nullptr) { adopt(pkixKeyClnt.createTKey(type)); }

aKey::aKey(TKey::key_type_t type, const unsigned char* data, unsigned len) : PKIXKeyObject<TKey>(nullptr) {
  adopt(pkixKeyClnt.createTKey(type, data, len));
}

TKey::key_type_t aKey::getType() const {
  return query(TKey::KT_NONE, [](TKey* k) { return k->getType(); });
}
pki_alg_t aKey::getAlg() const {
  return query(pki_alg_t{0}, [](TKey* k) { return k->getAlg(); });
}
int aKey::getParam(TKey::bka_t f) const {
  return query(0, [=](TKey* k) { return k->getParam(f); });
}
pki_vendor aKey::getVendor() const {
  return query(VENDOR_NONE, [](TKey* k) { return k->getVendor(); });
}
int aKey::isConsistent(aKey& other, int full) {
  return query(0, [&](TKey* k) { return k->isConsistent(other.raw(), full); });
}

int aKey::setAlg(pki_alg_t a) {
  return code([=](TKey* k) { return k->setAlg(a); });
}
int aKey::setKey(aBuf& b) {
  return code([&](TKey* k) { return k->setKey(b.raw()); });
}
int aKey::setParam(unsigned char i, aBuf& b) {
  return code([&](TKey* k) { return k->setParam(static_cast<unsigned>(i), b.raw()); });
}
int aKey::setParam(TKey::aka_t a, aBuf& b) {
  return code([&](TKey* k) { return k->setParam(a, b.raw()); });
}
int aKey::setParam(TKey::bka_t f, int on) {
  return code([=](TKey* k) { return k->setParam(f, on); });
}
int aKey::setRaw(aBuf& b) {
  return code([&](TKey* k) { return k->setRaw(b.datap(), b.len()); });
}
int aKey::setRaw(const unsigned char* data, unsigned len) {
  return code([=](TKey* k) { return k->setRaw(data, len); });
}
int aKey::setTokenId(unsigned a, unsigned b) {
  return code([=](TKey* k) { return k->setTokenId(a, b), k->error(); });
}
int aKey::getTokenId(unsigned& a, unsigned& b) const {
  return code([&](TKey* k) { return k->getTokenId(a, b), k->error(); });
}
int aKey::setKeyId(aBuf& b) {
  return code([&](TKey* k) { return k->setKeyId(b.raw()); });
}
int aKey::verify(aBuf& data, aBuf& signature) {
  return code([&](TKey* k) { return k->verify(data.raw(), signature.raw()); });
}
int aKey::setVendor(pki_vendor v) {
  return code([=](TKey* k) { return k->setVendor(v); });
}

aBuf aKey::getKey() const {
  return wrap<KeyBuf>([](TKey* k) { return k->getKey(); });
}
aBuf aKey::getParam(unsigned char i) const {
  return wrap<KeyBuf>([=](TKey* k) { return k->getParam(static_cast<unsigned>(i)); });
}
aBuf aKey::getParam(TKey::aka_t a) const {
  return wrap<KeyBuf>([=](TKey* k) { return k->getParam(a); });
}
aBuf aKey::getRaw() const {
  return wrap<KeyBuf>([](TKey* k) { return k->getRaw(); });
}
aBuf aKey::getKeyId() const {
  return wrap<KeyBuf>([](TKey* k) { return k->getKeyId(); });
}
aBuf aKey::encrypt(aBuf& data) {
  return wrap<KeyBuf>([&](TKey* k) { return k->encrypt(data.raw()); });
}
aBuf aKey::decrypt(aBuf& data) {
  return wrap<KeyBuf>([&](TKey* k) { return k->decrypt(data.raw()); });
}
aBuf aKey::sign(aBuf& data) {
  return wrap<KeyBuf>([&](TKey* k) { return k->sign(data.raw()); });
}
