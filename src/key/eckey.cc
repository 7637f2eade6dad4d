#include "key/eckey.h"

#include <cstring>

#include "cert/x509.h"
#include "key/derwriter.h"
#include "key/x509key.h"
#include "support/abuf.h"
#include "support/buffers.h"
#include "support/der_reader.h"

namespace {

// id-ecPublicKey 1.2.840.10045.2.1, content octets.
const unsigned char kECKeyOid[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01};

// A named curve: its OID element, its size in bits (the field's, which for
// every curve here is also the order's), and its order n in hexadecimal.
struct Curve {
  unsigned char oid[11];
  unsigned oid_len;
  uint32_t bits;
  const char* order;
};

const Curve kCurves[] = {
    // prime192v1 (P-192) 1.2.840.10045.3.1.1
    {{0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x01},
     10,
     192,
     "ffffffffffffffffffffffff99def836146bc9b1b4d22831"},
    // secp224r1 (P-224) 1.3.132.0.33
    {{0x06, 0x05, 0x2B, 0x81, 0x04, 0x00, 0x21}, 7, 224, "ffffffffffffffffffffffffffff16a2e0b8f03e13dd29455c5c2a3d"},
    // prime256v1 (P-256) 1.2.840.10045.3.1.7
    {{0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07},
     10,
     256,
     "ffffffff00000000ffffffffffffffffbce6faada7179e84f3b9cac2fc632551"},
    // secp384r1 (P-384) 1.3.132.0.34
    {{0x06, 0x05, 0x2B, 0x81, 0x04, 0x00, 0x22},
     7,
     384,
     "ffffffffffffffffffffffffffffffffffffffffffffffffc7634d81f4372ddf581a0db248b0a77aecec196accc52973"},
    // secp521r1 (P-521) 1.3.132.0.35
    {{0x06, 0x05, 0x2B, 0x81, 0x04, 0x00, 0x23},
     7,
     521,
     "01ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff"
     "fa51868783bf2f966b7fcc0148f709a5d03bb5c9b8899c47aebb6fb71e91386409"},
    // secp256k1 1.3.132.0.10
    {{0x06, 0x05, 0x2B, 0x81, 0x04, 0x00, 0x0A},
     7,
     256,
     "fffffffffffffffffffffffffffffffebaaedce6af48a03bbfd25e8cd0364141"},
    // brainpoolP256r1 1.3.36.3.3.2.8.1.1.7
    {{0x06, 0x09, 0x2B, 0x24, 0x03, 0x03, 0x02, 0x08, 0x01, 0x01, 0x07},
     11,
     256,
     "a9fb57dba1eea9bc3e660a909d838d718c397aa3b561a6f7901e0e82974856a7"},
    // brainpoolP384r1 1.3.36.3.3.2.8.1.1.11
    {{0x06, 0x09, 0x2B, 0x24, 0x03, 0x03, 0x02, 0x08, 0x01, 0x01, 0x0B},
     11,
     384,
     "8cb91e82a3386d280f5d6f7e50e641df152f7109ed5456b31f166e6cac0425a7cf3ab6af6"
     "b7fc3103b883202e9046565"},
    // brainpoolP512r1 1.3.36.3.3.2.8.1.1.13
    {{0x06, 0x09, 0x2B, 0x24, 0x03, 0x03, 0x02, 0x08, 0x01, 0x01, 0x0D},
     11,
     512,
     "aadd9db8dbe9c48b3fd4e6ae33c9fc07cb308db3b3c9d20ed6639cca70330870553e5c414"
     "ca92619418661197fac10471db1d381085ddaddb58796829ca90069"},
};

// Both kinds: value, size, curve; the private key keeps the public point.
const KeyMapRow kPubMap[] = {
    {4, TKey::AKA_NONE}, {0, TKey::AKA_KEY}, {1, TKey::AKA_BITS}, {2, TKey::AKA_ALG_PARAMS}, {3, TKey::AKA_NONE}};
const KeyMapRow kPrivMap[] = {{5, TKey::AKA_NONE},       {0, TKey::AKA_KEY}, {1, TKey::AKA_BITS},
                              {2, TKey::AKA_ALG_PARAMS}, {3, TKey::AKA_X16}, {4, TKey::AKA_NONE}};

// The size follows the curve and cannot be set.
const KeySizeRule kSize = {
    KeySizeRule::kCurve, TKey::AKA_ALG_PARAMS, 0, false, true, {TKey::AKA_ALG_PARAMS, TKey::AKA_NONE}, TKey::AKA_NONE};

// The context tags of ECPrivateKey's optional fields.
constexpr unsigned char kParamsTag = der::kContext0Constructed;
constexpr unsigned char kPublicTag = der::kContext1Constructed;

// The point forms: uncompressed 04 X Y, compressed 02 X or 03 X.
constexpr int kUncompressed = 0x04;
constexpr int kCompressedEven = 0x02;
constexpr int kCompressedOdd = 0x03;

// The versions of the structures, as INTEGER content.
const unsigned char kVersion0 = 0;
const unsigned char kVersion1 = 1;
const unsigned char kNoUnusedBits = 0;

const Curve* FindCurve(const Buffer& element) {
  for (const Curve& c : kCurves) {
    if (element.len == c.oid_len && std::memcmp(element.data, c.oid, c.oid_len) == 0) return &c;
  }
  return nullptr;
}

// The curve named by the element: kOk, kFailed when it is not exactly one
// element, kWrongType when the table lacks it (explicit parameters
// included).
int LookUp(const Buffer& element, const Curve** out) {
  DerReader r(element);
  if (r.left() == 0 || asn1_decode_any_type(r.buf(), nullptr) < 0 || !r.atEnd()) return pkixrc::kFailed;
  *out = FindCurve(element);
  return *out != nullptr ? pkixrc::kOk : pkixrc::kWrongType;
}

uint32_t FieldOctets(const Curve& c) { return (c.bits + 7) / 8; }

// kOk when p is a point of the curve's length: 04 X Y, or 02/03 X; else
// kWrongType.
int CheckPoint(const Curve& c, const Buffer& p) {
  DerReader r(p);
  uint32_t n = FieldOctets(c);
  int form = r.peek();
  if (form == kUncompressed && r.left() == 1 + 2 * n) return pkixrc::kOk;
  if ((form == kCompressedEven || form == kCompressedOdd) && r.left() == 1 + n) return pkixrc::kOk;
  return pkixrc::kWrongType;
}

unsigned HexDigit(char h) { return h <= '9' ? static_cast<unsigned>(h - '0') : static_cast<unsigned>(h - 'a' + 10); }

// kOk when the scalar is a number in 1..n-1 (leading zero octets allowed
// up to the order's length), else kWrongType.
int CheckScalar(const Curve& c, const Buffer& s) {
  uint32_t n_len = static_cast<uint32_t>(std::strlen(c.order) / 2);
  if (s.len == 0 || s.len > n_len) return pkixrc::kWrongType;
  DerReader r(s);
  while (r.peek() == 0) r.moveTo(r.pos() + 1);
  if (r.left() == 0) return pkixrc::kWrongType;
  if (r.left() < n_len) return pkixrc::kOk;
  // As long as the order: compare octet by octet from the top.
  for (uint32_t i = 0; r.left() != 0; ++i) {
    int n = static_cast<int>(HexDigit(c.order[2 * i]) << 4 | HexDigit(c.order[2 * i + 1]));
    int octet = r.peek();
    if (octet != n) return octet < n ? pkixrc::kOk : pkixrc::kWrongType;
    r.moveTo(r.pos() + 1);
  }
  return pkixrc::kWrongType;  // equal to the order
}

// SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
//                                     subjectPublicKey BIT STRING }
struct PublicParts {
  Buffer curve;
  Buffer point;
  unsigned consumed;
};

int ReadPublic(const unsigned char* data, unsigned len, PublicParts* out) {
  Buffer in;
  Buffer oid;
  if (data == nullptr || set_buffer(&in, len, data) != 0) return pkixrc::kFailed;
  DerReader r(in);
  if (x509_parse_spki(r.buf(), &oid, &out->curve, &out->point) < 0) return pkixrc::kFailed;
  if (!isECKeyOid(oid)) return pkixrc::kWrongType;
  const Curve* c = nullptr;
  int rc = LookUp(out->curve, &c);
  if (rc != pkixrc::kOk) return rc;
  out->consumed = len - r.left();
  return CheckPoint(*c, out->point);
}

// ECPrivateKey ::= SEQUENCE { version INTEGER (1), privateKey OCTET STRING,
//     parameters [0] ECParameters OPTIONAL, publicKey [1] BIT STRING OPTIONAL }
struct PrivateParts {
  Buffer scalar = {};
  Buffer curve = {};  // the [0] element's content, empty without one
  Buffer point = {};  // the [1] BIT STRING's octets, empty without one
  bool has_point = false;
};

// Reads one ECPrivateKey that fills the whole of in; kFailed unless it is
// one.
int ReadECPrivateKey(const Buffer& in, PrivateParts* out) {
  DerReader r(in);
  if (r.left() == 0) return pkixrc::kFailed;
  int rc = r.element(der::kSequence, [&](DerReader& seq) {
    // version INTEGER { ecPrivkeyVer1(1) }
    Buffer version;
    DER_TRY(asn1_decode_integer(seq.buf(), &version));
    if (!isOctet(version, kVersion1)) return X509ASN_E_VALUE;
    // privateKey OCTET STRING
    DER_TRY(seq.primitive(der::kOctetString, &out->scalar));
    // parameters [0] ECParameters OPTIONAL: the content, the curve's OID
    if (seq.peek() == kParamsTag) DER_TRY(seq.primitive(kParamsTag, &out->curve));
    // publicKey [1] BIT STRING OPTIONAL: exactly one BIT STRING
    if (seq.peek() == kPublicTag) {
      DER_TRY(seq.element(kPublicTag, [&](DerReader& tagged) {
        return derStatus(asn1_decode_bit_string(tagged.buf(), &out->point));
      }));
      out->has_point = true;
    }
    return 0;
  });
  return rc == 0 && r.atEnd() ? pkixrc::kOk : pkixrc::kFailed;
}

// The curve of a private key: the algorithm's parameters (PKCS #8) or the
// ECPrivateKey's [0]; both present must agree. Then every value is checked
// against it.
int CheckPrivate(const Buffer& algid_curve, PrivateParts* parts) {
  if (algid_curve.len != 0 && parts->curve.len != 0 && cmp_buffers(&algid_curve, &parts->curve) != 0) {
    return pkixrc::kWrongType;
  }
  if (algid_curve.len != 0) parts->curve = algid_curve;
  const Curve* c = nullptr;
  int rc = LookUp(parts->curve, &c);
  if (rc != pkixrc::kOk) return rc;
  if ((rc = CheckScalar(*c, parts->scalar)) != pkixrc::kOk) return rc;
  return parts->has_point ? CheckPoint(*c, parts->point) : pkixrc::kOk;
}

// The curve and the length-checked point or scalar of a key built from its
// attributes, as the parsers would accept them.
int CheckAttrs(TBuf* curve, TBuf* value, bool is_private, TBuf* point) {
  const Curve* c = nullptr;
  int rc = LookUp(viewOf(curve), &c);
  if (rc != pkixrc::kOk) return rc;
  rc = is_private ? CheckScalar(*c, viewOf(value)) : CheckPoint(*c, viewOf(value));
  if (rc == pkixrc::kOk && point != nullptr) rc = CheckPoint(*c, viewOf(point));
  return rc;
}

}  // namespace

bool isECKeyOid(const Buffer& oid) {
  return oid.len == sizeof kECKeyOid && std::memcmp(oid.data, kECKeyOid, sizeof kECKeyOid) == 0;
}

bool isSEC1Key(const unsigned char* data, unsigned len) {
  Buffer in;
  if (data == nullptr || set_buffer(&in, len, data) != 0) return false;
  // Only the start is looked at: SEQUENCE { INTEGER 1, OCTET STRING, ... }
  DerReader r(in);
  Buffer seq;
  if (r.primitive(der::kSequence, &seq) != 0) return false;
  DerReader content(seq);
  Buffer version;
  if (asn1_decode_integer(content.buf(), &version) < 0 || !isOctet(version, kVersion1)) return false;
  return content.peek() == der::kOctetString;
}

int ecCurveBits(const Buffer& curve, uint32_t* bits) {
  const Curve* c = nullptr;
  int rc = LookUp(curve, &c);
  if (rc == 0) *bits = c->bits;
  return rc;
}

// ---- public key -------------------------------------------------------------

ECPubKey::ECPubKey() : ValueKey(kPubMap, kSize) {}

int ECPubKey::setRaw(const unsigned char* data, unsigned len) {
  PublicParts parts;
  int rc = ReadPublic(data, len, &parts);
  if (rc != pkixrc::kOk) return error_ = rc;
  if (writeCopy(TKey::AKA_ALG_PARAMS, parts.curve) != pkixrc::kOk ||
      writeCopy(TKey::AKA_KEY, parts.point) != pkixrc::kOk) {
    return error_;
  }
  return cacheCopy(data, parts.consumed);
}

TBuf* ECPubKey::getRaw() {
  if (hasCache()) return cached();
  Ref<TBuf> curve = adoptRef(required(TKey::AKA_ALG_PARAMS));
  if (!curve) return nullptr;
  Ref<TBuf> point = adoptRef(required(TKey::AKA_KEY));
  if (!point) return nullptr;
  int rc = CheckAttrs(curve.get(), point.get(), false, nullptr);
  if (rc != pkixrc::kOk) return none(rc);
  Buffer oid;
  set_buffer(&oid, sizeof kECKeyOid, kECKeyOid);
  Buffer params = viewOf(curve.get());
  Buffer bits = viewOf(point.get());
  OwnedBuffer out;
  if (x509_encode_spki(&oid, &params, &bits, &out.b) < 0) return none(pkixrc::kFailed);
  if (cacheCopy(out.b.data, out.b.len) != pkixrc::kOk) return nullptr;
  return cached();
}

TBuf* ECPubKey::getHashInput() { return required(TKey::AKA_KEY); }

// ---- private key ------------------------------------------------------------

ECPrivKey::ECPrivKey() : ValueKey(kPrivMap, kSize) {}

int ECPrivKey::setRaw(const unsigned char* data, unsigned len) {
  Buffer in;
  if (data == nullptr || len == 0 || set_buffer(&in, len, data) != 0) return error_ = pkixrc::kFailed;
  DerReader r(in);
  PrivateParts parts;
  Buffer algid_curve = {};
  bool pkcs8 = !isSEC1Key(data, len);
  int rc;
  if (pkcs8) {
    // PrivateKeyInfo { 0, { id-ecPublicKey, curve }, OCTET STRING { ECPrivateKey } }
    Buffer oid;
    Buffer inner;
    if (x509_parse_secret(r.buf(), &oid, &algid_curve, &inner) < 0) return error_ = pkixrc::kFailed;
    if (!isECKeyOid(oid)) return error_ = pkixrc::kWrongType;
    rc = ReadECPrivateKey(inner, &parts);
  } else {
    rc = ReadECPrivateKey(in, &parts);
  }
  if (rc == pkixrc::kOk) rc = CheckPrivate(algid_curve, &parts);
  if (rc != pkixrc::kOk) return error_ = rc;

  if (writeCopy(TKey::AKA_ALG_PARAMS, parts.curve) != pkixrc::kOk ||
      writeCopy(TKey::AKA_KEY, parts.scalar) != pkixrc::kOk) {
    return error_;
  }
  rc = parts.has_point ? writeCopy(TKey::AKA_X16, parts.point) : write(TKey::AKA_X16, nullptr);
  if (rc != pkixrc::kOk) return error_;
  // A PKCS #8 form is kept as read; a bare ECPrivateKey is written afresh.
  if (!pkcs8) return error_ = pkixrc::kOk;
  return cacheCopy(data, len - r.left());
}

TBuf* ECPrivKey::getRaw() {
  if (hasCache()) return cached();
  Ref<TBuf> curve = adoptRef(required(TKey::AKA_ALG_PARAMS));
  if (!curve) return nullptr;
  Ref<TBuf> scalar = adoptRef(required(TKey::AKA_KEY));
  if (!scalar) return nullptr;
  Ref<TBuf> point = adoptRef(attr(TKey::AKA_X16));
  if (point && point->len() == 0) point.reset();
  int rc = CheckAttrs(curve.get(), scalar.get(), true, point.get());
  if (rc != pkixrc::kOk) return none(rc);

  // PrivateKeyInfo { 0, { id-ecPublicKey, curve }, OCTET STRING {
  //   ECPrivateKey { 1, OCTET STRING scalar, [1] { BIT STRING point } } } },
  // written back to front.
  OwnedBuffer out;
  DerWriter w(&out.b);
  uint32_t info = w.mark();
  uint32_t octets = w.mark();
  uint32_t ec = w.mark();
  if (point) {
    uint32_t tagged = w.mark();
    uint32_t bits = w.mark();
    w.octets(viewOf(point.get()));
    w.octets(&kNoUnusedBits, 1);
    w.close(der::kBitString, bits);
    w.close(kPublicTag, tagged);
  }
  w.element(der::kOctetString, viewOf(scalar.get()));
  w.element(der::kInteger, &kVersion1, 1);
  w.close(der::kSequence, ec);
  w.close(der::kOctetString, octets);
  uint32_t algid = w.mark();
  w.octets(viewOf(curve.get()));
  w.element(der::kOid, kECKeyOid, sizeof kECKeyOid);
  w.close(der::kSequence, algid);
  w.element(der::kInteger, &kVersion0, 1);
  w.close(der::kSequence, info);
  if (w.code() != 0) return none(pkixrc::kFailed);
  if (cacheCopy(out.b.data, out.b.len) != pkixrc::kOk) return nullptr;
  return cached();
}

TBuf* ECPrivKey::getHashInput() { return required(TKey::AKA_X16); }
