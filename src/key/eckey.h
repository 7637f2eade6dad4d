// Elliptic-curve key bodies (algorithm PKI_ALG_EC, id-ecPublicKey) over the
// named curves of the table in eckey.cc.
//
// Attributes of both kinds:
//   AKA_ALG_PARAMS  the curve: its whole OBJECT IDENTIFIER element (06 ..),
//                   as it stands in the AlgorithmIdentifier's parameters
//   AKA_BITS        the curve's size in bits (read only; follows the curve)
// Public key:
//   AKA_KEY         the point, the BIT STRING's octets after the unused-bits
//                   octet (04 X Y uncompressed, 02/03 X compressed)
// Private key:
//   AKA_KEY         the private scalar, the ECPrivateKey's OCTET STRING
//                   content as it stands
//   AKA_X16         the public point when the structure carried one ([1]);
//                   kept so that the pair and the fingerprint need no
//                   arithmetic
//
// Curves given by explicit parameters and curves outside the table are
// refused with 5: their size and point lengths are not known here.
#ifndef PKIX_KEY_ECKEY_H_
#define PKIX_KEY_ECKEY_H_

#include "key/valuekey.h"

// True when oid (OBJECT IDENTIFIER content octets) is id-ecPublicKey.
bool isECKeyOid(const Buffer& oid);

// True when the bytes start with a bare ECPrivateKey: a SEQUENCE whose
// first two elements are INTEGER 1 and an OCTET STRING. A PKCS #1
// RSAPrivateKey (INTEGER 0, INTEGER) and a PKCS #8 PrivateKeyInfo
// (INTEGER 0, SEQUENCE) never are.
bool isSEC1Key(const unsigned char* data, unsigned len);

// The size in bits of the named curve whose OID element (06 ..) the bytes
// are; kWrongType when the curve is not in the table, kFailed when the bytes
// are not one OID element. 0 on success.
int ecCurveBits(const Buffer& curve, uint32_t* bits);

class ECPubKey : public ValueKey {
 public:
  ECPubKey();
  // The SubjectPublicKeyInfo: the bytes read, else written from AKA_KEY
  // and AKA_ALG_PARAMS (kUnavailable when one is missing, kWrongType when the
  // curve is not known or the point's length does not fit it).
  TBuf* getRaw() override;
  // A SubjectPublicKeyInfo of id-ecPublicKey with a named curve: kFailed when
  // it does not parse, kWrongType for another algorithm, an unknown curve or a
  // point whose length does not fit the curve. Nothing is stored on failure.
  int setRaw(const unsigned char* data, unsigned len) override;
  // The point.
  TBuf* getHashInput() override;
};

class ECPrivKey : public ValueKey {
 public:
  ECPrivKey();
  // A PKCS #8 PrivateKeyInfo holding an ECPrivateKey without its own
  // parameters ([0]) and with the public point ([1]) when one is kept: the
  // bytes read when they were PKCS #8, else written from the attributes
  // (kUnavailable when the scalar or the curve is missing, kWrongType as setRaw
  // refuses).
  TBuf* getRaw() override;
  // A PKCS #8 PrivateKeyInfo of id-ecPublicKey holding an ECPrivateKey, or
  // a bare ECPrivateKey whose curve is its [0]: kFailed when the bytes do not
  // parse or name no curve, kWrongType for another algorithm, an unknown curve,
  // two curves that differ, a scalar of zero or longer than the curve's order,
  // or a public point whose length does not fit the curve. Nothing is stored on
  // failure.
  int setRaw(const unsigned char* data, unsigned len) override;
  // The public point kept (kUnavailable when there is none).
  TBuf* getHashInput() override;
};

#endif  // PKIX_KEY_ECKEY_H_
