// The key-usage extension (kind 11): the usage bits of a certificate's key.
#ifndef PKIX_CERT_KEYUSAGEEXT_H_
#define PKIX_CERT_KEYUSAGEEXT_H_

#include "cert/typedext.h"

class TX509KeyUsage : public TExtn {
 public:
  // Masks over the first two value octets, the first octet high.
  enum kusage_t : int {
    KUSAGE_DIGITAL_SIGNATURE = 0x8000,
    KUSAGE_NON_REPUDIATION = 0x4000,
    KUSAGE_KEY_ENCIPHERMENT = 0x2000,
    KUSAGE_DATA_ENCIPHERMENT = 0x1000,
    KUSAGE_KEY_AGREEMENT = 0x0800,
    KUSAGE_KEY_CERT_SIGN = 0x0400,
    KUSAGE_CRL_SIGN = 0x0200,
    KUSAGE_ENCIPHER_ONLY = 0x0100,
    KUSAGE_DECIPHER_ONLY = 0x0080
  };
  // The BIT STRING content (unused-bits octet, one or two value octets);
  // 4 for null, 9 for another length.
  virtual int setBitString(TBuf* bits) = 0;
  virtual int isCertSign() = 0;
  virtual int isCRLSign() = 0;
  virtual int isDigitalSignature() = 0;
  // 1 when the bit is set; 0 (40 without bits, 9 for bits of a bad length).
  virtual int isBitSet(kusage_t m) = 0;
  // Sets (on non-zero) or clears the bit; 1 or 9 when the bits cannot be
  // made.
  virtual int set(kusage_t m, int on) = 0;
};

class X509KeyUsage : public TypedExtn<TX509KeyUsage, TExtn::EXT_KEY_USAGE> {
 public:
  X509KeyUsage() = default;
  ~X509KeyUsage() override;

  // An empty value is accepted; otherwise a BIT STRING of one or two value
  // octets (else 9).
  int setValue(TBuf* value) override;
  int setBitString(TBuf* bits) override;
  int isCertSign() override { return isBitSet(KUSAGE_KEY_CERT_SIGN); }
  int isCRLSign() override { return isBitSet(KUSAGE_CRL_SIGN); }
  int isDigitalSignature() override { return isBitSet(KUSAGE_DIGITAL_SIGNATURE); }
  int isBitSet(kusage_t m) override;
  int set(kusage_t m, int on) override;

 protected:
  TBuf* encodeValue() override;

 private:
  Ref<TBuf> bits_;
};

#endif  // PKIX_CERT_KEYUSAGEEXT_H_
