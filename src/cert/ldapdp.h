// LDAPDP: a directory (LDAP) distribution point, given either as an
// "ldap://" URL or as a distinguished name optionally extended by a relative
// name. It forms a CRL request of the directory client and turns the answer
// into a CRL list.
#ifndef PKIX_CERT_LDAPDP_H_
#define PKIX_CERT_LDAPDP_H_

#include <string>

#include "cert/dplist.h"
#include "contract/tbuf.h"
#include "ldap/s_ldap.h"
#include "name/tname.h"
#include "support/ref.h"

class TLDAPDP : public TDP {
 public:
  // The order of the virtual operations is part of the module's binary
  // interface: do not reorder or insert.

  // The point's URL ("ldap://" in any case, then the rest); null empties the
  // point. Drops the name and relative name. 0; 5 (another scheme or
  // shorter than the scheme); 1.
  virtual int setURI(TBuf* u) = 0;
  // The directory name (type 1 or 0x101; null clears); drops the URL and
  // keeps the relative name. 0; 5 (another type).
  virtual int setTName(TName* n) = 0;
  // The relative name extending the directory name: the content of one
  // RelativeDistinguishedName SET (its header included). Null or empty
  // clears it; drops the URL. 0; 40 (no name yet); 9 (not a name); 1.
  virtual int setRDN(TBuf* r) = 0;
};

class LDAPDP : public TLDAPDP {
 public:
  LDAPDP();
  ~LDAPDP() override;

  int getType() override { return kLdap; }
  // Forms the CRL request: by URL when one is set, else by the directory
  // name (extended by the relative name). The request (borrowed, it lives
  // in the point) comes back ready for its send(); null when no directory
  // service can be bound, nothing is set, the URL cannot be reduced to a
  // safe search, or the request refused its location. Error 0 on success,
  // else 9 (or the name's error, or 40 without a service).
  CMN_LdapCrlReq* send() override;
  // The CRLs of the answer (new reference) with error 0, or null with 36
  // when the request did not complete with an answer.
  TCRLList* responce() override;
  int error() override { return error_; }
  // 1 for this very point, or for another LDAP point with the same URL
  // octets, or (without a URL) equal names and equal relative names.
  int isMatch(TDP* o) override;

  int setURI(TBuf* u) override;
  int setTName(TName* n) override;
  int setRDN(TBuf* r) override;

  // The request the point forms (for the caller that sends it).
  CMN_LdapCrlReq& request() { return request_; }

 private:
  int requestByName();

  Ref<TName> name_;
  Ref<TName> rdn_;
  Ref<TBuf> uri_;  // the URL octets and one zero octet
  CMN_LdapCrlReq request_;
  int error_ = 0;
};

// A new empty LDAPDP with one reference for the caller; null when memory is
// short.
TLDAPDP* createTLDAPDP();

namespace ldapurl {
// The part of an "ldap://" URL a distribution point may pass on: scheme,
// host and port, the base DN and at most one attribute description. A
// URL's own scope, filter and extensions, which would let a certificate
// widen the search, are dropped. Returns false, *out unchanged, for a URL
// that is not "ldap://...", holds a zero octet (also escaped as "%00") or a
// control character, a fragment or userinfo, or
// names more than one attribute or an attribute that is not a plain
// description (letters, digits, '-', ';', '.').
bool reduce(const unsigned char* url, unsigned len, std::string* out);
}  // namespace ldapurl

#endif  // PKIX_CERT_LDAPDP_H_
