// Directory distribution points from arbitrary octets. The first octet
// picks what the rest is: a URL for setURI (then reduced to the search a
// point may send), a relative name for setRDN under a fixed name, an issuing
// distribution point value, or a certificate's distribution points value.
// Every point that comes out is matched against the others and formed into
// a request of a scripted directory service, which checks that what reaches
// it is a URL of host, port, DN and at most one attribute, or a whole DER
// name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "cert/crldp.h"
#include "cert/ldapdp.h"
#include "contract/service_ids.h"
#include "crl/crlextn.h"
#include "name/x509name.h"
#include "ldap/fake_directory.h"
#include "support/abuf.h"
#include "support/ref.h"

#include "testing/inproc.h"

namespace {
void Require(bool ok) {
  if (!ok) __builtin_trap();
}
}  // namespace

namespace {

// The module's internals in process with a scripted directory service;
// both live to the end of the process.
struct Env {
  Env() { mgr.offer(pkixid::kDirectory, new pkixtest::FakeDirectory(&script)); }
  pkixtest::DirectoryScript script;
  pkixtest::InProcessManager mgr;
};

pkixtest::DirectoryScript* Script() {
  static Env* env = new Env;
  return &env->script;
}

// What a point may hand the directory: "ldap://" then an authority without
// '@', '/', '?', then optionally "/DN" and "?ATTRIBUTE", no control octet.
void CheckSentUrl(const std::string& u) {
  Require(u.compare(0, 7, "ldap://") == 0);
  for (unsigned char c : u) Require(c >= 0x20 && c != 0x7F);
  size_t q = u.find('?');
  if (q != std::string::npos) Require(u.find('?', q + 1) == std::string::npos);
  Require(u.find('#') == std::string::npos);
}

// Sends every point of the list and matches each with each.
void Exercise(TDPList* l) {
  pkixtest::DirectoryScript* s = Script();
  Ref<TDP> prev;
  for (Ref<TDP> p = adoptRef(l->getFirst()); p; p = adoptRef(l->getNext())) {
    Require(p->isMatch(p.get()) == 1);
    if (prev) Require(p->isMatch(prev.get()) == prev->isMatch(p.get()));
    s->urls.clear();
    s->dns.clear();
    if (p->send() != nullptr) {
      for (const std::string& u : s->urls) CheckSentUrl(u);
      for (const auto& dn : s->dns) Require(!dn.empty() && dn[0] == 0x30);
    }
    Ref<TCRLList> none = adoptRef(p->responce());
    prev = p;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Script();
  if (size < 1 || size > 16384) return 0;
  Ref<TBuf> rest = adoptRef(createTBuf(data + 1, static_cast<unsigned>(size - 1)));
  if (!rest) return 0;
  Ref<TDPList> list = adoptRef(createTDPList());
  switch (data[0] % 4) {
    case 0: {
      Ref<LDAPDP> dp = adoptRef(static_cast<LDAPDP*>(createTLDAPDP()));
      if (dp->setURI(rest.get()) == 0) list->append(dp.get());
      std::string reduced;
      if (ldapurl::reduce(data + 1, static_cast<unsigned>(size - 1), &reduced)) CheckSentUrl(reduced);
      break;
    }
    case 1: {
      static const unsigned char kName[] = {0x30, 0x0D, 0x31, 0x0B, 0x30, 0x09, 0x06, 0x03,
                                            0x55, 0x04, 0x06, 0x13, 0x02, 'D',  'E'};  // C=DE
      Ref<TName> n = adoptRef(createTName(TName::NAME_DN, kName, sizeof kName));
      Ref<LDAPDP> dp = adoptRef(static_cast<LDAPDP*>(createTLDAPDP()));
      if (!n || dp->setTName(n.get()) != 0) return 0;
      dp->setRDN(rest.get());
      list->append(dp.get());
      break;
    }
    case 2: {
      Ref<IDP> idp = adoptRef(new IDP);
      if (idp->setValue(rest.get()) != 0) return 0;
      Ref<TDPList> l = adoptRef(idp->getDistributionPoints());
      if (l) Exercise(l.get());
      return 0;
    }
    default: {
      Ref<X509CRLDP> cdp = adoptRef(new X509CRLDP);
      if (cdp->setValue(rest.get()) != 0) return 0;
      Ref<TDPList> l = adoptRef(cdp->getDistributionPoints());
      if (l) Exercise(l.get());
      return 0;
    }
  }
  Exercise(list.get());
  return 0;
}
