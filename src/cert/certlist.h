// CertList, the implementation of TCertList: certificates in order, PKCS #7
// certificate sets, templates from a selector, strict and fuzzy searches.
#ifndef PKIX_CERT_CERTLIST_H_
#define PKIX_CERT_CERTLIST_H_

#include "cert/list.h"
#include "cert/tcert.h"
#include "support/ref.h"

class CertList : public TCertList {
 public:
  CertList();
  ~CertList() override;

  TCert* getFirst() override;
  TCert* getNext() override;
  TCert* getLast() override;
  TCert* getPrev() override;
  int append(TCert* c) override;
  int pushFront(TCert* c) override;
  int del() override;
  TBuf* getPKCS7Certificates() override;
  int setPKCS7Certificates(TBuf* in) override;
  TCertList* fuzzyFind(TCert* c, int reverse) override;
  TCertList* strictFind(TCert* c, int reverse) override;
  bool isEmpty() override;
  TCertList& operator+=(TCertList& other) override;
  int error() override { return error_; }

  // Out forms: kBadArgument for a null out; 1 with the element in *out, 0 at the end,
  // -1 when none came because of an error.
  int getFirst(TCert** out);
  int getNext(TCert** out);
  int getLast(TCert** out);
  int getPrev(TCert** out);
  // Fills the list with one certificate template per alternative of s; on
  // failure the object holds no list.
  int setSelector(const _selector* s);

 private:
  template <class F>
  TCert* step(F f);
  int outForm(TCert** out, TCert* (CertList::*f)());
  TCertList* find(int (*cmp)(TCert*, TCert*), TCert* c, int reverse);

  Ref<List> list_;
  int error_ = 0;
};

TCertList* createTCertList();
// A list of templates for s, or null when s cannot be read.
TCertList* createTCertList(const _selector* s);

#endif  // PKIX_CERT_CERTLIST_H_
