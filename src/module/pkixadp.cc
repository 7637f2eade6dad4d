#include "module/pkixadp.h"

#include "module/pkixclnt.h"

// ---- aDP ----

aDP::~aDP() = default;

int aDP::getType() const {
  return query(0, [](TDP* d) { return d->getType(); });
}
CMN_LdapCrlReq* aDP::send() {
  return query(static_cast<CMN_LdapCrlReq*>(nullptr), [](TDP* d) { return d->send(); });
}
aCrlList aDP::responce() {
  return wrap<aCrlList>([](TDP* d) { return d->responce(); });
}
int aDP::error() const {
  return query(static_cast<int>(pkixrc::kUnavailable), [](TDP* d) { return d->error(); });
}

// ---- aLDAPDP ----

aLDAPDP::aLDAPDP() : PKIXObject<TLDAPDP>(nullptr) { adopt(pkixClnt.createTLDAPDP()); }

aLDAPDP::aLDAPDP(aDP& dp) : PKIXObject<TLDAPDP>(nullptr) {
  TDP* d = dp.raw();
  if (d == nullptr || dp.getType() != TDP::kLdap) return;
  TLDAPDP* l = dynamic_cast<TLDAPDP*>(d);
  if (l == nullptr) return;
  take(l);
  error_ = dp.error();
}

aLDAPDP::~aLDAPDP() = default;

int aLDAPDP::getType() const {
  return query(0, [](TLDAPDP* d) { return d->getType(); });
}
int aLDAPDP::setURI(aBuf& uri) {
  return code([&](TLDAPDP* d) { return d->setURI(uri.raw()); });
}
int aLDAPDP::setName(aName& name) {
  return code([&](TLDAPDP* d) { return d->setTName(name.raw()); });
}
int aLDAPDP::setRDN(aBuf& rdn) {
  return code([&](TLDAPDP* d) { return d->setRDN(rdn.raw()); });
}
aDP aLDAPDP::asDP() const { return aDP(raw()); }

// ---- aDPList ----

aDPList::aDPList() : PKIXObject<TDPList>(nullptr) { adopt(pkixClnt.createTDPList()); }
aDPList::~aDPList() = default;

aDP aDPList::getFirst() {
  return wrap<aDP>([](TDPList* l) { return l->getFirst(); });
}
aDP aDPList::getNext() {
  return wrap<aDP>([](TDPList* l) { return l->getNext(); });
}
int aDPList::append(aDP& dp) {
  return code([&](TDPList* l) { return l->append(dp.raw()); });
}
int aDPList::clear() {
  return code([](TDPList* l) { return l->clear(); });
}
bool aDPList::isEmpty() const {
  if (raw() == nullptr) return error_ = pkixrc::kUnavailable, true;
  return query(true, [](TDPList* l) { return l->isEmpty(); });
}
int aDPList::error() const {
  return query(static_cast<int>(pkixrc::kUnavailable), [](TDPList* l) { return l->error(); });
}
