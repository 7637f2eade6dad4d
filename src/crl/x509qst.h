// Certificate checking questions: small check objects that a caller runs
// against an archive it supplies. getX509CertQuestions hands out the ones
// offered for certificates; X509SimpleCertChecking lets the archive's
// certificate check itself.
#ifndef PKIX_CRL_X509QST_H_
#define PKIX_CRL_X509QST_H_

#include "cert/list.h"
#include "cert/tcert.h"
#include "framework/cmn_export.h"

// The caller's archive. Only its first operation is used here.
class Archive : public XBase {
 public:
  // The archive's certificate, or null.
  virtual TCert* getCert() = 0;
};

class Question : public XBase {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface.

  // Runs the check; stores the result as the answer and returns it.
  virtual int ask() = 0;
  // The stored answer (0 before the first ask()).
  virtual int answer() { return answer_; }
  // Stores a (not held by reference count: the caller keeps it alive). 0.
  virtual int setArchive(Archive* a) {
    archive_ = a;
    return 0;
  }

 protected:
  Archive* archive_ = nullptr;
  int answer_ = 0;
};

class X509SimpleCertChecking : public Question {
 public:
  // 4 without an archive, 6 when the archive has no certificate, else the
  // certificate's check() result.
  int ask() override;
};

// A new list holding one X509SimpleCertChecking, with one reference for the
// caller; null when memory is short. Exported for the host's other modules.
CMN_EXPORT L_List<Question>* getX509CertQuestions();

#endif  // PKIX_CRL_X509QST_H_
