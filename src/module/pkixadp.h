// The client wrappers of distribution points: aDP (any point), aLDAPDP (a
// directory point) and aDPList (a list of points). Operations follow the
// wrapper rules (module/pkixwrap.h); an empty wrapper answers 40 and its
// failure value without calling.
#ifndef PKIX_MODULE_PKIXADP_H_
#define PKIX_MODULE_PKIXADP_H_

#include "cert/dplist.h"
#include "cert/ldapdp.h"
#include "module/pkixacrl.h"
#include "module/pkixaname.h"
#include "module/pkixwrap.h"

class aDP : public PKIXObject<TDP> {
 public:
  explicit aDP(TDP* dp = nullptr) : PKIXObject<TDP>(dp) {}
  aDP(const aDP& other) : PKIXObject<TDP>(other) {}
  ~aDP() override;

  // The kind of point (1, LDAP); 0 when empty.
  int getType() const;
  // The request formed for the point (borrowed from the point), or null
  // (the point's error tells why).
  CMN_LdapCrlReq* send();
  // The CRLs of the point's completed request; empty when there is none.
  aCrlList responce();
  // The point's own last error; 40 when empty.
  int error() const override;

 private:
  aDP& operator=(const aDP&) = delete;
};

class aLDAPDP : public PKIXObject<TLDAPDP> {
 public:
  explicit aLDAPDP(TLDAPDP* dp) : PKIXObject<TLDAPDP>(dp) {}
  // A new point through the certificate service client; empty (40) when
  // nothing comes back.
  aLDAPDP();
  // Shares the point of a generic wrapper when it is an LDAP point; empty
  // otherwise.
  explicit aLDAPDP(aDP& dp);
  aLDAPDP(const aLDAPDP& other) : PKIXObject<TLDAPDP>(other) {}
  ~aLDAPDP() override;

  int getType() const;
  // Each returns the point's code (module/cert/ldapdp.h).
  int setURI(aBuf& uri);
  int setName(aName& name);
  int setRDN(aBuf& rdn);
  // The same point as a generic wrapper.
  aDP asDP() const;

 private:
  aLDAPDP& operator=(const aLDAPDP&) = delete;
};

class aDPList : public PKIXObject<TDPList> {
 public:
  explicit aDPList(TDPList* l) : PKIXObject<TDPList>(l) {}
  // A new empty list through the certificate service client.
  aDPList();
  aDPList(const aDPList& other) : PKIXObject<TDPList>(other) {}
  ~aDPList() override;

  aDP getFirst();
  aDP getNext();
  int append(aDP& dp);
  int clear();
  // true when empty (also for an empty wrapper).
  bool isEmpty() const;
  // The list's own last error; 40 when empty.
  int error() const override;

 private:
  aDPList& operator=(const aDPList&) = delete;
};

#endif  // PKIX_MODULE_PKIXADP_H_
