// What the directory client's tests share: the module's side in process
// (manager, conversion and certificate service), holders for the service
// and its requests, and the octets of the sample files.
#ifndef PKIX_TESTS_HOST_LDAP_TEST_UTIL_H_
#define PKIX_TESTS_HOST_LDAP_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "contract/ldap.h"
#include "host/hostldap.h"
#include "testing/cert_service_side.h"
#include "testing/slapd_fixture.h"

namespace ldaptest {

using Bytes = std::vector<uint8_t>;
using Req = CMN_LdapReqCont_I;

// The module's side in process (the certificate service the lists are
// built through), for the whole program.
inline pkixtest::CertServiceSide& Module() { return pkixtest::CertServiceInProcess(); }

// A service holder: the first reference, dropped at the end of the scope.
struct ServiceRef {
  explicit ServiceRef(const pkixhost::LdapServiceOptions& o = pkixhost::LdapServiceOptions())
      : svc(pkixhost::createLdapService(o)) {
    svc->addReference();
  }
  ~ServiceRef() { svc->remReference(); }
  ServiceRef(const ServiceRef&) = delete;
  ServiceRef& operator=(const ServiceRef&) = delete;
  CMN_LdapClntSvc_Ext_I* operator->() const { return svc; }
  CMN_LdapClntSvc_Ext_I* svc;
};

struct RequestRef {
  explicit RequestRef(Req* r) : req(r) {}
  ~RequestRef() {
    if (req != nullptr) req->remReference();
  }
  RequestRef(const RequestRef&) = delete;
  RequestRef& operator=(const RequestRef&) = delete;
  Req* operator->() const { return req; }
  Req* req;
};

inline Bytes File(const char* relative) {
  Bytes b = pkixtest::SlapdServer::ReadSourceFile(relative);
  EXPECT_FALSE(b.empty()) << relative;
  return b;
}

inline Bytes Octets(const unsigned char* p, unsigned n) { return p == nullptr ? Bytes() : Bytes(p, p + n); }
inline Bytes CrlOctets(Req* r) { return Octets(r->getCrlListDatap(), r->getCrlListDataLen()); }
inline Bytes CertOctets(Req* r) { return Octets(r->getCertListDatap(), r->getCertListDataLen()); }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace ldaptest

#endif  // PKIX_TESTS_HOST_LDAP_TEST_UTIL_H_
