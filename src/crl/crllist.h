// CRLList, the implementation of TCRLList: revocation lists in order, the
// reasons their issuing distribution points cover together, and PKCS #7
// sets of lists ([3] as written, [1] also read).
#ifndef PKIX_CRL_CRLLIST_H_
#define PKIX_CRL_CRLLIST_H_

#include "cert/list.h"
#include "crl/tcrl.h"
#include "support/ref.h"

class CRLList : public TCRLList {
 public:
  CRLList();
  ~CRLList() override = default;

  TCRL* getFirst() override;
  TCRL* getNext() override;
  int append(TCRL* crl) override;
  int strictAppend(TCRL* crl) override;
  // Strict-appends every list of other in order, stopping at the first
  // failure (the error then tells which).
  TCRLList& operator+=(TCRLList& other) override;
  // Empties the list and its coverage. 0, or 40 without a list.
  int clear() override;
  int error() override;
  bool isEmpty() override;
  bool isComplete() override { return coverage_ == crlreasons::kAll; }
  // [3] IMPLICIT SET OF CertificateList, the last list first; null with 40
  // when the list is empty or a member has no DER.
  TBuf* getPKCS7Crls() override;
  // Reads [3] (or [1]) IMPLICIT SET OF CertificateList from in's position
  // (in is not advanced). 0; 4 (null); 9 (another tag, a list that does
  // not parse, octets left over); 1.
  int setPKCS7Crls(TBuf* in) override;

  X509CRLReasons coverage() const { return coverage_; }

 private:
  // Puts crl into the list with how (append or strictAppend) and adds its
  // reasons to the coverage.
  int add(TCRL* crl, int (List::*how)(XBase*));

  Ref<List> list_;
  X509CRLReasons coverage_ = crlreasons::kNone;
  int error_ = 0;
};

#endif  // PKIX_CRL_CRLLIST_H_
