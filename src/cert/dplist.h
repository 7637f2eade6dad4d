// Distribution points: where a revocation list can be fetched (TDP), and a
// plain counted list of them (TDPList, implemented by DPList).
#ifndef PKIX_CERT_DPLIST_H_
#define PKIX_CERT_DPLIST_H_

#include "cert/list.h"
#include "cert/xbase.h"
#include "support/ref.h"

class TCRLList;
class CMN_LdapCrlReq;

// One distribution point. Objects returned carry one new reference for the
// caller; arguments are never consumed.
class TDP : public XBase {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface: do not reorder or insert.

  // The kind of point: kLdap (1) is the only one.
  virtual int getType() = 0;
  // Forms the directory request for this point and returns it (borrowed: it
  // lives in the point), or null when none can be formed (error()).
  virtual CMN_LdapCrlReq* send() = 0;
  // The revocation lists of a completed request (new reference), or null
  // with error 36 when the request has no answer.
  virtual TCRLList* responce() = 0;
  virtual int error() = 0;
  // 1 when o names the same location as this point, else 0.
  virtual int isMatch(TDP* o) = 0;

  static constexpr int kLdap = 1;
};

// A list of distribution points. The elements handed out carry a new
// reference; append keeps a reference of the list's own.
class TDPList : public XBase {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface: do not reorder or insert.

  // The first element, or the one after the cursor; null at the end.
  virtual TDP* getFirst() = 0;
  virtual TDP* getNext() = 0;
  // 0; 1 (memory); 43 (the point refused a reference); 40 without a list.
  virtual int append(TDP* dp) = 0;
  // Drops every element. 0; 40 without a list.
  virtual int clear() = 0;
  // true when there is no element (or no list).
  virtual bool isEmpty() = 0;
  // The list's last error; 40 without a list.
  virtual int error() = 0;
};

class DPList : public TDPList {
 public:
  DPList();
  ~DPList() override;

  TDP* getFirst() override;
  TDP* getNext() override;
  int append(TDP* dp) override;
  int clear() override;
  bool isEmpty() override;
  int error() override;

 private:
  Ref<List> list_;
};

// A new empty DPList with one reference for the caller; null when memory
// is short.
TDPList* createTDPList();

#endif  // PKIX_CERT_DPLIST_H_
