// The subject key identifier extension (kind 10).
#ifndef PKIX_CERT_SUBJKEXT_H_
#define PKIX_CERT_SUBJKEXT_H_

#include "cert/tcert.h"
#include "cert/typedext.h"

class TX509SubjectKeyId : public TExtn {
 public:
  // The identifier, or null with 9.
  virtual TBuf* getKeyId() = 0;
  // The identifier of c's own subject key identifier extension (9 without).
  virtual int setKeyId(TCert* c) = 0;
  virtual int setKeyId(TBuf* id) = 0;
  // Always 0: what a candidate should be compared with is not settled.
  virtual int isCertCompliant(TCert* c) = 0;
};

class X509SubjectKeyId : public TypedExtn<TX509SubjectKeyId, TExtn::EXT_SUBJECT_KEY_ID> {
 public:
  X509SubjectKeyId() = default;
  ~X509SubjectKeyId() override;

  // SubjectKeyIdentifier ::= OCTET STRING
  int setValue(TBuf* value) override;
  TBuf* getKeyId() override;
  int setKeyId(TCert* c) override;
  int setKeyId(TBuf* id) override;
  int isCertCompliant(TCert* c) override;

 protected:
  TBuf* encodeValue() override;

 private:
  Ref<TBuf> id_;
};

// A copy of the key identifier of c's subject key identifier extension, or
// null when it has none.
TBuf* subjectKeyIdOf(TCert* c);

#endif  // PKIX_CERT_SUBJKEXT_H_
