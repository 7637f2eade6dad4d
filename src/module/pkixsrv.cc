#include "module/pkixsrv.h"

#include <new>

#include "asn/pkix_misc.h"
#include "asn/scepstructs.h"
#include "cert/certcmp.h"
#include "cert/certlist.h"
#include "cert/dplist.h"
#include "cert/ldapdp.h"
#include "cert/x509crt.h"
#include "cert/x509extn.h"
#include "crl/tcrl.h"
#include "name/x509name.h"

TName* pkixService::createTName(TName::name_type_t t) { return ::createTName(t); }
TName* pkixService::createTName(TName::name_type_t t, TBuf* der) { return ::createTName(t, der); }
TName* pkixService::createTName(TName::name_type_t t, TName* other) {
  return other != nullptr ? ::createTName(t, other) : nullptr;
}
TName* pkixService::createTName(TName::name_type_t t, const unsigned char* data, unsigned len) {
  return ::createTName(t, data, len);
}
int pkixService::createTName(TName::name_type_t t, const _selector* s, TName** out) {
  return ::createTName(t, s, out);
}

TCert* pkixService::createTCert(TCert::cert_format_t f) { return ::createTCert(f, nullptr, 0); }

TCert* pkixService::createTCert(TCert::cert_format_t f, TBuf* buf) {
  TCert* c = ::createTCert(f, nullptr, 0);
  if (c == nullptr) return nullptr;
  if (c->setRaw(buf) != 0) {
    c->release();
    return nullptr;
  }
  return c;
}

TCert* pkixService::createTCert(TCert::cert_format_t f, const unsigned char* data, unsigned len) {
  return ::createTCert(f, data, len);
}

TCertList* pkixService::createTCertList() { return ::createTCertList(); }
TCertList* pkixService::createTCertList(const _selector* s) { return ::createTCertList(s); }

TCRL* pkixService::createTCRL(TCert::cert_format_t f, TBuf* buf) { return ::createTCRL(f, buf); }
TCRLList* pkixService::createTCRLList() { return ::createTCRLList(); }

// Factories of the miscellaneous object, the enrolment structures and the
// directory distribution points.
TPkixMisc* pkixService::createTPkixMisc() { return ::createTPkixMisc(); }
TSCEPStructs* pkixService::createTSCEPStructs() { return ::createTSCEPStructs(); }
TLDAPDP* pkixService::createTLDAPDP() { return ::createTLDAPDP(); }
TDPList* pkixService::createTDPList() { return ::createTDPList(); }

TExtn* pkixService::createTExtn(TExtn::extn_t t) { return ::createTExtn(t); }
TExtn* pkixService::createTExtn(TBuf* der) { return ::createX509Extn(der); }
TExtnList* pkixService::createTExtnList() { return ::createTExtnList(); }

namespace {

// A search result as the service reports it: 1 when found (the reference
// is dropped), else 0.
int found(TCert* c) {
  if (c == nullptr) return 0;
  c->release();
  return 1;
}

}  // namespace

int pkixService::strictCertCmp(TCert* a, TCert* b) { return ::strictCertCmp(a, b); }
int pkixService::fuzzyCertCmp(TCert* a, TCert* b) { return ::fuzzyCertCmp(a, b); }
int pkixService::strictFindCertInList(TCertList* l, TCert* c) {
  return found(::strictFindCertInList(l, c));
}
int pkixService::reverseStrictFindCertInList(TCertList* l, TCert* c) {
  return found(::reverseStrictFindCertInList(l, c));
}
int pkixService::fuzzyFindCertInList(TCertList* l, TCert* c) {
  return found(::fuzzyFindCertInList(l, c));
}
int pkixService::reverseFuzzyFindCertInList(TCertList* l, TCert* c) {
  return found(::reverseFuzzyFindCertInList(l, c));
}

TPkixService* createTPkixService() { return new (std::nothrow) pkixService; }
