// The authority key identifier extension (kind 1).
#ifndef PKIX_CERT_AUTHKEXT_H_
#define PKIX_CERT_AUTHKEXT_H_

#include "cert/tcert.h"
#include "cert/typedext.h"

class TX509AuthKeyId : public TExtn {
 public:
  // Bit 1: by key identifier; bit 2: by issuer and serial; 0: any.
  enum id_type : int { ID_ANY = 0, ID_KEY = 1, ID_ISSUER_SERIAL = 2 };
  virtual TBuf* getCertSerial() = 0;
  virtual TName* getCertIssuer() = 0;
  virtual TBuf* getCertKeyId() = 0;
  // Takes key identifier, issuer and serial from the authority's own
  // certificate.
  virtual int setIssuer(TCert* ca) = 0;
  // 1 when ca is the authority this extension names.
  virtual int isCertCompliant(TCert* ca) = 0;
  // The identification forms present (id_type bits).
  virtual int getIdType() = 0;
  virtual int setIdType(id_type t) = 0;
  // Encodes the fields into the value now; 0 or 9.
  virtual int Synhronize() = 0;
};

class X509AuthKeyId : public TypedExtn<TX509AuthKeyId, TExtn::EXT_AUTHORITY_KEY_ID> {
 public:
  X509AuthKeyId() = default;
  ~X509AuthKeyId() override;

  int setValue(TBuf* value) override;
  TBuf* getCertSerial() override { return serial_.newRef(); }
  TName* getCertIssuer() override { return issuer_.newRef(); }
  TBuf* getCertKeyId() override { return key_id_.newRef(); }
  int setIssuer(TCert* ca) override;
  int isCertCompliant(TCert* ca) override;
  int getIdType() override;
  int setIdType(id_type t) override;
  int Synhronize() override;

 protected:
  TBuf* encodeValue() override;

 private:
  void drop();

  Ref<TBuf> key_id_;
  Ref<TBuf> serial_;
  Ref<TName> issuer_;
  id_type requested_ = ID_ANY;
};

#endif  // PKIX_CERT_AUTHKEXT_H_
