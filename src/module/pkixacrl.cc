#include "module/pkixacrl.h"

#include "module/pkixadp.h"

namespace {
using C = TCRL;
using L = TCRLList;
using E = TExtn;
}  // namespace

aCrl::aCrl(TCert::cert_format_t f) : PKIXObject<TCRL>(nullptr) { adopt(pkixClnt.createTCrl(f)); }
aCrl::aCrl(TCert::cert_format_t f, aBuf& der) : PKIXObject<TCRL>(nullptr) { adopt(pkixClnt.createTCrl(f, der.raw())); }
aCrl::~aCrl() = default;

int aCrl::getType() const { return query(0, [](C* c) { return c->getType(); }); }
TCert::cert_status_t aCrl::getStatus() const { return query<TCert::cert_status_t>(TCert::CS_NONE, [](C* c) { return c->getStatus(); }); }
int aCrl::setStatus(TCert::cert_status_t s) { return code([=](C* c) { return c->setStatus(s); }); }
unsigned aCrl::getVersion() const { return query(kNoVersion, [](C* c) { return c->getVersion(); }); }
int aCrl::setVersion(unsigned v) { return code([=](C* c) { return c->setVersion(v); }); }
pki_alg_t aCrl::getSignAlg() const { return query(pki_alg_t{0}, [](C* c) { return c->getSignatureAlgorithm(); }); }
int aCrl::setSignAlg(pki_alg_t a) { return code([=](C* c) { return c->setSignatureAlgorithm(a); }); }
aName aCrl::getIssuer() const { return wrap<aName>([](C* c) { return c->getIssuer(); }); }
aName aCrl::getName(TName::name_type_t t) const { return wrap<aName>([=](C* c) { return c->getTName(t); }); }
aName aCrl::getNormName(TName::name_type_t t) const { return wrap<aName>([=](C* c) { return c->getNormName(t); }); }
int aCrl::setName(aName& n) { return code([&](C* c) { return c->setTName(n.raw()); }); }
long aCrl::getThisUpdate() const { return query(-1L, [](C* c) { return c->getThisReleaseTime(); }); }
int aCrl::setThisUpdate(long t) { return code([=](C* c) { return c->setThisReleaseTime(t); }); }
long aCrl::getNextUpdate() const { return query(-1L, [](C* c) { return c->getNextReleaseTime(); }); }
int aCrl::setNextUpdate(long t) { return code([=](C* c) { return c->setNextReleaseTime(t); }); }
aCertList aCrl::getRevokedCerts() const { return wrap<aCertList>([](C* c) { return c->getRevokedCerts(); }); }
int aCrl::setRevokedCerts(aCertList& l) { return code([&](C* c) { return c->setRevokedCerts(l.raw()); }); }
int aCrl::addRevokedCert(aCert& e) { return code([&](C* c) { return c->addRevokedCert(e.raw()); }); }
aCert aCrl::findRevokedCert(aCert& e) const { return wrap<aCert>([&](C* c) { return c->findRevokedCert(e.raw()); }); }
aExtnList aCrl::getCRLExtns() const { return wrap<aExtnList>([](C* c) { return c->getCRLExtns(); }); }
int aCrl::setCRLExtns(aExtnList& l) { return code([&](C* c) { return c->setCRLExtns(l.raw()); }); }
int aCrl::addCRLExtn(aExtn& e) { return code([&](C* c) { return c->addCRLExtn(e.raw()); }); }
int aCrl::setRaw(aBuf& der) { return code([&](C* c) { return c->setRaw(der.raw()); }); }
aBuf aCrl::getRaw(aCert& s) const { return wrap<aBuf>([&](C* c) { return c->getRaw(s.raw(), nullptr); }); }
int aCrl::checkSign(aCert& issuer) { return code([&](C* c) { return c->checkSign(issuer.raw()); }); }
int aCrl::isSuccessor(aCrl& next) { return query(0, [&](C* c) { return c->isSuccessor(next.raw()); }); }
X509CRLReasons aCrl::getReasons() const { return query(crlreasons::kNone, [](C* c) { return c->getReasons(); }); }
int aCrl::setReasons(X509CRLReasons& r) { return code([&](C* c) { return c->setReasons(r); }); }
aCrl aCrl::dup() const { return wrap<aCrl>([](C* c) { return c->dup(); }); }

aCrlList::aCrlList() : PKIXObject<TCRLList>(nullptr) { adopt(pkixClnt.createTCrlList()); }
aCrlList::~aCrlList() = default;

aCrl aCrlList::getFirst() { return wrap<aCrl>([](L* l) { return l->getFirst(); }); }
aCrl aCrlList::getNext() { return wrap<aCrl>([](L* l) { return l->getNext(); }); }
int aCrlList::append(aCrl& c) { return code([&](L* l) { return l->append(c.raw()); }); }
int aCrlList::strictAppend(aCrl& c) { return code([&](L* l) { return l->strictAppend(c.raw()); }); }
aCrlList& aCrlList::operator+=(const aCrlList& o) {
  if (o.raw() != nullptr) query(0, [&](L* l) { return (*l += *o.raw()), 0; });
  return *this;
}
int aCrlList::clear() { return code([](L* l) { return l->clear(); }); }
bool aCrlList::isEmpty() const { return query(true, [](L* l) { return l->isEmpty(); }); }
bool aCrlList::isComplete() const { return query(false, [](L* l) { return l->isComplete(); }); }
aBuf aCrlList::getPKCS7Crls() const { return wrap<aBuf>([](L* l) { return l->getPKCS7Crls(); }); }
int aCrlList::setPKCS7Crls(aBuf& in) { return code([&](L* l) { return l->setPKCS7Crls(in.raw()); }); }

aCDP::~aCDP() = default;

int aCDP::setCertIssuer(aName& n) { return code([&](E* e) { return typed(e)->setCertIssuer(n.raw()); }); }
int aCDP::setCRLList(aCrlList& l) { return code([&](E* e) { return typed(e)->setCRLList(l.raw()); }); }
aCrlList aCDP::getCRLList() const { return wrap<aCrlList>([](E* e) { return typed(e)->getCRLList(); }); }

aIdp::~aIdp() = default;

int aIdp::setDp(aBuf& dp) { return code([&](E* e) { return typed(e)->setDp(dp.raw()); }); }
aBuf aIdp::getDp() const { return wrap<aBuf>([](E* e) { return typed(e)->getDp(); }); }
int aIdp::setFullDp(aName& n) { return code([&](E* e) { return typed(e)->setFullDp(n.raw()); }); }
aName aIdp::getFullDp() const { return wrap<aName>([](E* e) { return typed(e)->getFullDp(); }); }
int aIdp::setRdn(aName& n) { return code([&](E* e) { return typed(e)->setRdn(n.raw()); }); }
aName aIdp::getRdn() const { return wrap<aName>([](E* e) { return typed(e)->getRdn(); }); }
int aIdp::setIssuer(aName& n) { return code([&](E* e) { return typed(e)->setIssuer(n.raw()); }); }
aName aIdp::getIssuer() const { return wrap<aName>([](E* e) { return typed(e)->getIssuer(); }); }
aDPList aIdp::getDistributionPoints() const {
  return wrap<aDPList>([](E* e) { return typed(e)->getDistributionPoints(); });
}
int aIdp::setReasons(X509CRLReasons& r) { return code([&](E* e) { return typed(e)->setReasons(r); }); }
X509CRLReasons aIdp::getReasons() const { return query(crlreasons::kNone, [](E* e) { return typed(e)->getReasons(); }); }
int aIdp::onlyContainsUserCerts() { return code([](E* e) { return typed(e)->onlyContainsUserCerts(); }); }
int aIdp::isOnlyContainsUserCerts() const { return query(0, [](E* e) { return typed(e)->isOnlyContainsUserCerts(); }); }
int aIdp::onlyContainsCACerts() { return code([](E* e) { return typed(e)->onlyContainsCACerts(); }); }
int aIdp::isOnlyContainsCACerts() const { return query(0, [](E* e) { return typed(e)->isOnlyContainsCACerts(); }); }
int aIdp::indirectCRL() { return code([](E* e) { return typed(e)->indirectCRL(); }); }
int aIdp::isIndirectCRL() const { return query(0, [](E* e) { return typed(e)->isIndirectCRL(); }); }
