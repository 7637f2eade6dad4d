// The certificate list wrapper: how client code holds a TCertList.
#ifndef PKIX_MODULE_PKIXALIST_H_
#define PKIX_MODULE_PKIXALIST_H_

#include "cert/tcert.h"
#include "module/pkixacert.h"
#include "module/pkixwrap.h"

// Operations follow the wrapper rules (module/pkixwrap.h); an empty wrapper
// answers isEmpty with true.
class aCertList : public PKIXObject<TCertList> {
 public:
  explicit aCertList(TCertList* l) : PKIXObject<TCertList>(l) {}
  // A new list through the certificate service client: empty, or the
  // templates of a selector.
  aCertList();
  explicit aCertList(const _selector* s);
  aCertList(const aCertList& other) : PKIXObject<TCertList>(other) {}
  ~aCertList() override;

  aCert getFirst();
  aCert getNext();
  aCert getLast();
  aCert getPrev();
  int append(aCert& c);
  int pushFront(aCert& c);
  int del();
  bool isEmpty() const;
  aCertList& operator+=(const aCertList& other);
  aBuf getPKCS7Certificates() const;
  int setPKCS7Certificates(aBuf& in);
  // The list's strictFind resp. fuzzyFind with the flag.
  aCertList find(aCert& c, int reverse);
  aCertList fuzzyFind(aCert& c, int reverse);

 private:
  aCertList& operator=(const aCertList&) = delete;
};

#endif  // PKIX_MODULE_PKIXALIST_H_
