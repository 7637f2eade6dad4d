// GOST R 34.10 key bodies of the three container vendors. Public keys are
// SubjectPublicKeyInfo elements (TIK: kept as they are). Private keys are
// not key material but references to key containers of the host's crypto
// service, written as an element shaped like a SubjectPublicKeyInfo:
//
//   SEQUENCE { SEQUENCE { OBJECT IDENTIFIER alg(), parameters SEQUENCE },
//              BIT STRING }
//
// SC parameters: SEQUENCE { name UTF8String, [0] OCTETS OPTIONAL,
//   [1] OCTETS OPTIONAL, [2] OCTETS OPTIONAL, [3] one octet OPTIONAL }
//   with the key value in the BIT STRING; a non-zero [3] marks a container
//   in the CPRO form.
// CPRO parameters: SEQUENCE { usage OCTET STRING (one octet: 1 key
//   exchange, 2 signature), OCTET STRING } with the container name in the
//   BIT STRING.
#ifndef PKIX_KEY_GR34KEY_H_
#define PKIX_KEY_GR34KEY_H_

#include "key/derwriter.h"
#include "key/valuekey.h"
#include "support/der_reader.h"
#include "support/ref.h"

// TIK: the bytes given are the key value; the size defaults to 1024 bits.
class TIKGostPubKey : public ValueKey {
 public:
  TIKGostPubKey();
  // The key value.
  TBuf* getRaw() override;
  // The bytes become the key value and the cached encoding.
  int setRaw(const unsigned char* data, unsigned len) override;
  TBuf* getHashInput() override;
  pki_vendor getVendor() override { return VENDOR_TIK; }
};

// CPRO and SC public keys: the SubjectPublicKeyInfo's parameters element is
// AKA_ALG_PARAMS, its BIT STRING content (an OCTET STRING) the key value,
// whose content length gives the size.
class GostPubKey : public ValueKey {
 public:
  GostPubKey(pki_alg_t family, pki_vendor vendor);
  // The SubjectPublicKeyInfo read (kUnavailable when none was).
  TBuf* getRaw() override;
  // kFailed unless the bytes are a SubjectPublicKeyInfo of the vendor's
  // family.
  int setRaw(const unsigned char* data, unsigned len) override;
  TBuf* getHashInput() override;
  pki_vendor getVendor() override { return vendor_; }

 private:
  pki_alg_t family_;
  pki_vendor vendor_;
};

class CPROPubKey : public GostPubKey {
 public:
  CPROPubKey() : GostPubKey(PKI_ALG_GOST3410_CPRO, VENDOR_CPRO) {}
};

class SCPubKey : public GostPubKey {
 public:
  SCPubKey() : GostPubKey(PKI_ALG_GOST3410_SC, VENDOR_SC) {}
};

// What the container bodies share: the outer element, its object
// identifier (the body's own algorithm), parsing before storing, and the
// cached encoding that any change drops.
class GostContainerKey : public Key {
 public:
  GostContainerKey(const KeyMapRow* map, pki_vendor vendor);
  // A container holds no key value of its own: kWrongType.
  int setKey(TBuf* b) override;
  TBuf* getKey() override;
  // The container element: cached, else written from the attributes
  // (kFailed when a required one is missing).
  TBuf* getRaw() override;
  // kFailed unless the bytes are a container of exactly alg().
  int setRaw(const unsigned char* data, unsigned len) override;
  void beenChanged() override { dropCache(); }
  pki_vendor getVendor() override { return vendor_; }
  TBuf* getHashInput() override;
  // The algorithm whose identifier the container carries.
  virtual pki_alg_t alg() const = 0;

 protected:
  // Reads the content of the parameters SEQUENCE (a cursor over it, to be
  // used up) and the BIT STRING octets; checks everything before storing
  // anything. kOk or kFailed (kNoMemory when a value cannot be stored).
  virtual int readContainer(DerReader& params, const Buffer& bits) = 0;
  // Writes the parameters SEQUENCE with w and sets bits to the BIT STRING
  // octets (held in hold). kOk or kFailed.
  virtual int writeContainer(DerWriter& w, Buffer* bits, Ref<TBuf>* hold) = 0;

 private:
  pki_vendor vendor_;
};

class SCPrivKey : public GostContainerKey {
 public:
  SCPrivKey();
  pki_alg_t alg() const override { return PKI_ALG_GOST3410_SC; }

 protected:
  int readContainer(DerReader& params, const Buffer& bits) override;
  int writeContainer(DerWriter& w, Buffer* bits, Ref<TBuf>* hold) override;
};

class SC01PrivKey : public SCPrivKey {
 public:
  pki_alg_t alg() const override { return PKI_ALG_GOST341001_SC; }
};

class CPROPrivKey : public GostContainerKey {
 public:
  CPROPrivKey();
  pki_alg_t alg() const override { return PKI_ALG_GOST3410_CPRO; }

 protected:
  int readContainer(DerReader& params, const Buffer& bits) override;
  int writeContainer(DerWriter& w, Buffer* bits, Ref<TBuf>* hold) override;
};

class CPRO01PrivKey : public CPROPrivKey {
 public:
  pki_alg_t alg() const override { return PKI_ALG_GOST341001_CPRO; }
};

#endif  // PKIX_KEY_GR34KEY_H_
