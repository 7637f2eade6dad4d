#include "key/rsakey.h"

#include "cert/x509.h"
#include "key/derwriter.h"
#include "support/abuf.h"
#include "support/buffers.h"
#include "support/der_reader.h"

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
                           {TKey::AKA_MODULUS, TKey::AKA_NONE}, TKey::AKA_NONE};

// Modulus and public exponent: the parameters of the generic encodings.
const KeyAttr kPair[] = {{TKey::AKA_MODULUS, nullptr}, {TKey::AKA_PUB_EXPONENT, nullptr}};

// The eight numbers of an RSAPrivateKey after its version, in order.
const A kPrivateParts[8] = {TKey::AKA_MODULUS, TKey::AKA_PUB_EXPONENT, TKey::AKA_PRIV_EXPONENT,
                            TKey::AKA_PRIME1,  TKey::AKA_PRIME2,       TKey::AKA_EXPONENT1,
                            TKey::AKA_EXPONENT2, TKey::AKA_COEFFICIENT};

// The cache form of a PKCS #1 RSAPrivateKey.
constexpr int kPkcs1 = 1;

// Version 0 of an RSAPrivateKey, as INTEGER content.
const unsigned char kVersion0 = 0;

enum class Rest { kIgnored, kRefused };

// Whether INTEGER content octets (minimal, as the decoder delivers them)
// are a number above zero: no sign bit, and not the single octet 00.
bool IsPositive(const Buffer& integer) {
  DerReader r(integer);
  int top = r.peek();
  if (top < 0 || top >= 0x80) return false;  // nothing, or negative
  return top != 0 || r.left() > 1;            // the single octet 00 is zero
}

// Steps over whatever is left of a SEQUENCE's content: a definite content
// unexamined, an indefinite one element by element up to its end. 0 or the
// first negative code.
int SkipRest(DerReader& seq) {
  seq.skipRest();
  while (!seq.atEnd()) DER_TRY(asn1_decode_any_type(seq.buf(), nullptr));
  return 0;
}

// RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
// Exactly one, filling the whole of in, with both numbers positive: a
// SEQUENCE that merely starts with two INTEGERs (a DSA private key, say) is
// no RSA public key. 0, or a negative code.
int ReadRSAPublicKey(const Buffer& in, Buffer* modulus, Buffer* exponent) {
  DerReader r(in);
  if (r.left() == 0) return X509ASN_E_SHORT;
  DER_TRY(r.element(der::kSequence, [&](DerReader& seq) {
    DER_TRY(asn1_decode_integer(seq.buf(), modulus));
    return derStatus(asn1_decode_integer(seq.buf(), exponent));
  }));
  if (!r.atEnd()) return X509ASN_E_TRAILING;
  return IsPositive(*modulus) && IsPositive(*exponent) ? 0 : X509ASN_E_VALUE;
}

// RSAPrivateKey ::= SEQUENCE { version INTEGER (0), modulus INTEGER,
//     publicExponent INTEGER, privateExponent INTEGER, prime1 INTEGER,
//     prime2 INTEGER, exponent1 INTEGER, exponent2 INTEGER,
//     coefficient INTEGER, otherPrimeInfos OtherPrimeInfos OPTIONAL }
// Reads one at r into the eight views; r is advanced past it on success
// and unmoved on failure. pkixrc::kOk; bad_version for a version other than
// the single octet 00; pkixrc::kFailed for anything else amiss, elements
// after the eighth number included when rest is kRefused.
int ReadRSAPrivateKey(DerReader& r, Buffer parts[8], Rest rest, int bad_version) {
  if (r.left() == 0) return pkixrc::kFailed;
  bool version_ok = true;
  int rc = r.element(der::kSequence, [&](DerReader& seq) {
    Buffer version;
    if (asn1_decode_integer(seq.buf(), &version) < 0 || !isOctet(version, kVersion0)) {
      version_ok = false;
      return X509ASN_E_VALUE;
    }
    for (int i = 0; i < 8; ++i) DER_TRY(asn1_decode_integer(seq.buf(), &parts[i]));
    return rest == Rest::kIgnored ? SkipRest(seq) : 0;
  });
  if (rc == 0) return pkixrc::kOk;
  return version_ok ? pkixrc::kFailed : bad_version;
}

}  // namespace

// ---- public key -------------------------------------------------------------

RSAPubKey::RSAPubKey() : Key(kPubMap, kSize) {}

RSAPubKey::~RSAPubKey() = default;

void RSAPubKey::dropPublicKey() { publicKey_.reset(); }

int RSAPubKey::setParam(unsigned i, TBuf* b) {
  dropPublicKey();
  return Key::setParam(i, b);
}

int RSAPubKey::setParam(TKey::aka_t a, TBuf* b) {
  dropPublicKey();
  return Key::setParam(a, b);
}

int RSAPubKey::setKey(TBuf* b) {
  if (Key::setKey(b) != pkixrc::kOk) return error_;
  Buffer in = viewOf(b);
  Buffer modulus;
  Buffer exponent;
  if (ReadRSAPublicKey(in, &modulus, &exponent) != 0) return error_ = pkixrc::kFailed;
  Ref<TBuf> n = tbufCopy(modulus);
  Ref<TBuf> e = tbufCopy(exponent);
  Ref<TBuf> element = tbufCopy(in);
  if (!n || !e || !element) return error_ = pkixrc::kNoMemory;
  if (setParam(0u, n.get()) != pkixrc::kOk || setParam(1u, e.get()) != pkixrc::kOk) return error_;
  publicKey_ = std::move(element);
  return error_ = pkixrc::kOk;
}

TBuf* RSAPubKey::getKey() {
  error_ = pkixrc::kOk;
  if (!publicKey_) {
    Ref<TBuf> n = adoptRef(attr(TKey::AKA_MODULUS));
    Ref<TBuf> e = adoptRef(attr(TKey::AKA_PUB_EXPONENT));
    if (!n || !e) return none(pkixrc::kUnavailable);
    unsigned size = n->len() + e->len() + 15;
    Ref<TBuf> out = adoptRef(createTBuf(nullptr, size));
    if (!out) return none(pkixrc::kNoMemory);
    out->shift(size);
    // RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER },
    // written back to front.
    DerWriter w(out->getBuffer());
    uint32_t end = w.mark();
    w.integer(viewOf(e.get()));
    w.integer(viewOf(n.get()));
    w.close(der::kSequence, end);
    if (w.code() != 0) return none(pkixrc::kFailed);
    publicKey_ = std::move(out);
  }
  if ((error_ = addRefTo(publicKey_.get())) != pkixrc::kOk) return nullptr;
  return publicKey_.get();
}

TBuf* RSAPubKey::getRaw() { return Key::getRaw(PKI_ALG_RSA, kPair, 2); }

int RSAPubKey::setRaw(const unsigned char* data, unsigned len) {
  return Key::setRaw(PKI_ALG_RSA, data, len, nullptr, 0);
}

TBuf* RSAPubKey::getHashInput() { return required(TKey::AKA_PUB_EXPONENT); }

bool RSAPubKey::readsPublicInfo(const unsigned char* data, unsigned len) {
  // The steps of setRaw: Key::setRaw with PKI_ALG_RSA, then setKey. A
  // SubjectPublicKeyInfo without parameters, which this family refuses,
  // fails x509_parse_key too (RSA's parameters must be NULL); the
  // parameters are checked without being kept.
  Buffer in;
  if (data == nullptr || set_buffer(&in, len, data) != 0) return false;
  uint16_t type = 0;
  Buffer value;
  if (x509_parse_key(&in, &type, nullptr, &value) < 0) return false;
  if (type != PKI_ALG_RSA) return false;
  Buffer modulus, exponent;
  return ReadRSAPublicKey(value, &modulus, &exponent) == 0;
}

// ---- private key ------------------------------------------------------------

RSAPrivKey::RSAPrivKey() : Key(kPrivMap, kSize) {}

int RSAPrivKey::storeParts(const Buffer* parts) {
  for (int i = 0; i < 8; ++i) {
    if (writeCopy(kPrivateParts[i], parts[i]) != pkixrc::kOk) return error_;
  }
  return error_ = pkixrc::kOk;
}

int RSAPrivKey::setKey(TBuf* b) {
  if (Key::setKey(b) != pkixrc::kOk) return error_;
  DerReader r(viewOf(b));
  if (r.peek() != der::kSequence) return write(TKey::AKA_PRIV_EXPONENT, b);
  Buffer parts[8];
  int rc = ReadRSAPrivateKey(r, parts, Rest::kRefused, pkixrc::kWrongType);
  if (rc != pkixrc::kOk) return error_ = rc;
  unsigned consumed = b->len() - r.left();
  if (storeParts(parts) != pkixrc::kOk) return error_;
  b->shift(consumed);
  return error_ = pkixrc::kOk;
}

int RSAPrivKey::takeValue(TBuf* value) {
  // The parser hands over either the private exponent's INTEGER content or
  // a whole RSAPrivateKey. Only an element that is exactly one well-formed
  // RSAPrivateKey is read as one, so an exponent whose first octet happens
  // to be 0x30 stays an exponent.
  DerReader r(viewOf(value));
  Buffer parts[8];
  if (ReadRSAPrivateKey(r, parts, Rest::kRefused, pkixrc::kFailed) == pkixrc::kOk && r.atEnd()) {
    return storeParts(parts);
  }
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
  Buffer in;
  if (data == nullptr || len == 0 || set_buffer(&in, len, data) != 0) return false;
  DerReader r(in);
  return r.element(der::kSequence, [](DerReader& seq) {
    DER_TRY(asn1_decode_integer(seq.buf(), nullptr));
    DER_TRY(asn1_decode_integer(seq.buf(), nullptr));
    return SkipRest(seq);
  }) == 0;
}

int RSAPrivKey::setPKCS1Key(const unsigned char* data, unsigned len) {
  Buffer in;
  if (data == nullptr || len == 0 || set_buffer(&in, len, data) != 0) return error_ = pkixrc::kBadArgument;
  DerReader r(in);
  Buffer parts[8];
  if (ReadRSAPrivateKey(r, parts, Rest::kIgnored, pkixrc::kFailed) != pkixrc::kOk) return error_ = pkixrc::kFailed;
  dropCache();
  if (storeParts(parts) != pkixrc::kOk) return error_;
  return cacheCopy(data, len, kPkcs1);
}

TBuf* RSAPrivKey::getPKCS1Key() {
  if (isPKCS1Key()) return cached();
  dropCache();
  Ref<TBuf> values[8];
  unsigned size = 5;
  for (int i = 0; i < 8; ++i) {
    values[i].reset(attr(kPrivateParts[i]));
    if (!values[i]) return none(pkixrc::kFailed);
    size += values[i]->len() + 5;
  }
  size += 6;  // the version
  Ref<TBuf> out = adoptRef(createTBuf(nullptr, size));
  if (!out) return none(pkixrc::kNoMemory);
  out->shift(size);
  // The RSAPrivateKey, written back to front: the ninth INTEGER first.
  DerWriter w(out->getBuffer());
  uint32_t end = w.mark();
  for (int i = 7; i >= 0; --i) w.integer(viewOf(values[i].get()));
  w.element(der::kInteger, &kVersion0, 1);
  w.close(der::kSequence, end);
  if (w.code() != 0) return none(pkixrc::kFailed);
  if (setCache(out.get(), kPkcs1) != pkixrc::kOk) return nullptr;
  return cached();
}
