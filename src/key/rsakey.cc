#include "key/rsakey.h"

#include <cstdlib>

#include "cert/x509.h"
#include "key/derwriter.h"
#include "key/keybuf.h"
#include "module/cmn_abuf.h"

namespace {

using A = TKey::aka_t;

const KeyMapRow kPubMap[] = {{5, TKey::AKA_NONE},     {0, TKey::AKA_MODULUS}, {1, TKey::AKA_PUB_EXPONENT},
                             {2, TKey::AKA_RSA_BITS}, {3, TKey::AKA_BITS},    {4, TKey::AKA_NONE}};

const KeyMapRow kPrivMap[] = {{11, TKey::AKA_NONE},        {0, TKey::AKA_MODULUS},   {1, TKey::AKA_PUB_EXPONENT},
                              {2, TKey::AKA_PRIV_EXPONENT}, {3, TKey::AKA_PRIME1},    {4, TKey::AKA_PRIME2},
                              {5, TKey::AKA_EXPONENT1},    {6, TKey::AKA_EXPONENT2}, {7, TKey::AKA_COEFFICIENT},
                              {8, TKey::AKA_RSA_BITS},     {9, TKey::AKA_BITS},      {10, TKey::AKA_NONE}};

// The size is the bit length of the modulus; a new modulus drops it.
const KeySizeRule kSize = {KeySizeRule::kNumber, TKey::AKA_MODULUS, 0, true, false,
                           {TKey::AKA_MODULUS, TKey::AKA_NONE}};

// Modulus and public exponent: the parameters of the generic encodings.
const KeyAttr kPair[] = {{TKey::AKA_MODULUS, nullptr}, {TKey::AKA_PUB_EXPONENT, nullptr}};

// The eight numbers of an RSAPrivateKey after its version, in order.
const A kPrivateParts[8] = {TKey::AKA_MODULUS, TKey::AKA_PUB_EXPONENT, TKey::AKA_PRIV_EXPONENT,
                            TKey::AKA_PRIME1,  TKey::AKA_PRIME2,       TKey::AKA_EXPONENT1,
                            TKey::AKA_EXPONENT2, TKey::AKA_COEFFICIENT};

// The cache form of a PKCS #1 RSAPrivateKey.
constexpr int kPkcs1 = 1;

enum class Rest { kIgnored, kRefused };

// RSAPrivateKey ::= SEQUENCE { version INTEGER (0), modulus INTEGER,
//     publicExponent INTEGER, privateExponent INTEGER, prime1 INTEGER,
//     prime2 INTEGER, exponent1 INTEGER, exponent2 INTEGER,
//     coefficient INTEGER, otherPrimeInfos OtherPrimeInfos OPTIONAL }
// Reads one at in into the eight views and advances in. bad_version for a
// version other than the single octet 00; 9 for anything else amiss,
// elements after the eighth number included when rest is kRefused.
int ReadRSAPrivateKey(Buffer* in, Buffer parts[8], Rest rest, int bad_version) {
  Buffer cur = *in;
  Buffer seq;
  if (asn1_decode_primitive(0x30, &cur, &seq) < 0) return 9;
  Buffer version;
  if (asn1_decode_integer(&seq, &version) < 0 || version.len != 1 || version.data[0] != 0) return bad_version;
  for (int i = 0; i < 8; ++i) {
    if (asn1_decode_integer(&seq, &parts[i]) < 0) return 9;
  }
  if (rest == Rest::kRefused && seq.len != 0) return 9;
  *in = cur;
  return 0;
}

}  // namespace

// ---- public key -------------------------------------------------------------

RSAPubKey::RSAPubKey() : Key(kPubMap, kSize) {}

RSAPubKey::~RSAPubKey() { dropPublicKey(); }

void RSAPubKey::dropPublicKey() {
  BufRef old(publicKey_);
  publicKey_ = nullptr;
}

int RSAPubKey::setParam(unsigned i, TBuf* b) {
  dropPublicKey();
  return Key::setParam(i, b);
}

int RSAPubKey::setParam(TKey::aka_t a, TBuf* b) {
  dropPublicKey();
  return Key::setParam(a, b);
}

int RSAPubKey::setKey(TBuf* b) {
  if (Key::setKey(b) != 0) return error_;
  // RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
  Buffer in = BufView(b);
  x509_key_params_t* parsed = nullptr;
  if (x509_parse_params_pair(&in, &parsed) < 0) return error_ = 9;
  Buffer modulus = parsed->first;
  Buffer exponent = parsed->second;
  std::free(parsed);
  BufRef n(createTBuf(modulus.data, modulus.len));
  BufRef e(createTBuf(exponent.data, exponent.len));
  BufRef element(createTBuf(b->datap(), static_cast<unsigned>(in.data - b->datap())));
  if (!n || !e || !element) return error_ = 1;
  if (setParam(0u, n.get()) != 0 || setParam(1u, e.get()) != 0) return error_;
  publicKey_ = element.release();
  return error_ = 0;
}

TBuf* RSAPubKey::getKey() {
  error_ = 0;
  if (publicKey_ != nullptr) {
    if (publicKey_->addRef() <= 0) return none(43);
    return publicKey_;
  }
  BufRef n(attr(TKey::AKA_MODULUS));
  BufRef e(attr(TKey::AKA_PUB_EXPONENT));
  if (!n || !e) return none(40);
  unsigned size = n.get()->len() + e.get()->len() + 15;
  BufRef out(createTBuf(nullptr, size));
  if (!out) return none(1);
  out.get()->shift(size);
  DerWriter w(out.get()->getBuffer());
  uint32_t end = w.mark();
  w.integer(BufView(e.get()));
  w.integer(BufView(n.get()));
  w.close(0x30, end);
  if (w.code() != 0) return none(9);
  publicKey_ = out.release();
  publicKey_->addRef();
  return publicKey_;
}

TBuf* RSAPubKey::getRaw() { return Key::getRaw(PKI_ALG_RSA, kPair, 2); }

int RSAPubKey::setRaw(const unsigned char* data, unsigned len) {
  return Key::setRaw(PKI_ALG_RSA, data, len, nullptr, 0);
}

TBuf* RSAPubKey::getHashInput() { return required(TKey::AKA_PUB_EXPONENT); }

// ---- private key ------------------------------------------------------------

RSAPrivKey::RSAPrivKey() : Key(kPrivMap, kSize) {}

int RSAPrivKey::storeParts(const Buffer* parts) {
  for (int i = 0; i < 8; ++i) {
    if (writeCopy(kPrivateParts[i], parts[i]) != 0) return error_;
  }
  return error_ = 0;
}

int RSAPrivKey::setKey(TBuf* b) {
  if (Key::setKey(b) != 0) return error_;
  Buffer in = BufView(b);
  if (in.len == 0 || in.data[0] != 0x30) return write(TKey::AKA_PRIV_EXPONENT, b);
  Buffer parts[8];
  int rc = ReadRSAPrivateKey(&in, parts, Rest::kRefused, 5);
  if (rc != 0) return error_ = rc;
  unsigned consumed = static_cast<unsigned>(in.data - b->datap());
  if (storeParts(parts) != 0) return error_;
  b->shift(consumed);
  return error_ = 0;
}

int RSAPrivKey::takeValue(TBuf* value) {
  // The parser hands over either the private exponent's INTEGER content or
  // a whole RSAPrivateKey. Only an element that is exactly one well-formed
  // RSAPrivateKey is read as one, so an exponent whose first octet happens
  // to be 0x30 stays an exponent.
  Buffer in = BufView(value);
  Buffer parts[8];
  if (ReadRSAPrivateKey(&in, parts, Rest::kRefused, 9) == 0 && in.len == 0) return storeParts(parts);
  return write(TKey::AKA_PRIV_EXPONENT, value);
}

TBuf* RSAPrivKey::getKey() { return attr(TKey::AKA_PRIV_EXPONENT); }

TBuf* RSAPrivKey::getRaw() { return Key::getRaw(PKI_ALG_RSA, kPair, 2); }

int RSAPrivKey::setRaw(const unsigned char* data, unsigned len) {
  if (isPKCS1Key(data, len)) return setPKCS1Key(data, len);
  return Key::setRaw(PKI_ALG_RSA, data, len, kPair, 2);
}

bool RSAPrivKey::isPKCS1Key() const { return cacheForm() == kPkcs1; }

bool RSAPrivKey::isPKCS1Key(const unsigned char* data, unsigned len) {
  if (data == nullptr || len == 0) return false;
  Buffer in;
  Buffer seq;
  if (set_buffer(&in, len, data) != 0 || asn1_decode_primitive(0x30, &in, &seq) < 0) return false;
  return asn1_decode_integer(&seq, nullptr) >= 0 && asn1_decode_integer(&seq, nullptr) >= 0;
}

int RSAPrivKey::setPKCS1Key(const unsigned char* data, unsigned len) {
  if (data == nullptr || len == 0) return error_ = 4;
  Buffer in;
  set_buffer(&in, len, data);
  Buffer parts[8];
  if (ReadRSAPrivateKey(&in, parts, Rest::kIgnored, 9) != 0) return error_ = 9;
  dropCache();
  if (storeParts(parts) != 0) return error_;
  return cacheCopy(data, len, kPkcs1);
}

TBuf* RSAPrivKey::getPKCS1Key() {
  if (isPKCS1Key()) return cached();
  dropCache();
  BufRef values[8];
  unsigned size = 5;
  for (int i = 0; i < 8; ++i) {
    values[i].reset(attr(kPrivateParts[i]));
    if (!values[i]) return none(9);
    size += values[i].get()->len() + 5;
  }
  size += 6;  // the version
  BufRef out(createTBuf(nullptr, size));
  if (!out) return none(1);
  out.get()->shift(size);
  DerWriter w(out.get()->getBuffer());
  uint32_t end = w.mark();
  for (int i = 7; i >= 0; --i) w.integer(BufView(values[i].get()));
  static const unsigned char kVersion0 = 0;
  w.element(0x02, &kVersion0, 1);
  w.close(0x30, end);
  if (w.code() != 0) return none(9);
  if (setCache(out.get(), kPkcs1) != 0) return nullptr;
  return cached();
}
