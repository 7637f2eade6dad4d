#include "module/pkixacert.h"

#include "module/pkixacrl.h"

namespace {
using C = TCert;
}  // namespace

aCert::aCert(TCert::cert_format_t f) : PKIXObject<TCert>(nullptr) { adopt(pkixClnt.createTCert(f)); }
aCert::aCert(TCert::cert_format_t f, const unsigned char* data, unsigned len) : PKIXObject<TCert>(nullptr) {
  adopt(pkixClnt.createTCert(f, data, len));
}
aCert::aCert(TCert::cert_format_t f, aBuf& der) : PKIXObject<TCert>(nullptr) { adopt(pkixClnt.createTCert(f, der.raw())); }
aCert::~aCert() = default;

int aCert::getType() const { return query(0, [](C* c) { return c->getType(); }); }
TCert::cert_format_t aCert::getFormat() const { return query(TCert::CF_NONE, [](C* c) { return c->getFormat(); }); }
aBuf aCert::getRaw() const { return wrap<aBuf>([](C* c) { return c->getRaw(); }); }
int aCert::setRaw(aBuf& der) { return code([&](C* c) { return c->setRaw(der.raw()); }); }
int aCert::getVersion() const { return query(-1, [](C* c) { return static_cast<int>(c->getVersion()); }); }
int aCert::setVersion(unsigned v) { return code([=](C* c) { return c->setVersion(v); }); }
int aCert::setSerialNumber(aBuf& s) { return code([&](C* c) { return c->setSerialNumber(s.datap(), s.len()); }); }
aBuf aCert::getSerialNumber() const { return wrap<aBuf>([](C* c) { return c->getSerialNumber(); }); }
pki_alg_t aCert::getSignAlg() const { return query(pki_alg_t{0}, [](C* c) { return c->getSignAlg(); }); }
int aCert::setSignAlg(pki_alg_t a) { return code([=](C* c) { return c->setSignAlg(a); }); }
aName aCert::getName(TName::name_type_t t) const { return wrap<aName>([=](C* c) { return c->getName(t); }); }
aName aCert::getNormName(TName::name_type_t t) const { return wrap<aName>([=](C* c) { return c->getNormName(t); }); }
int aCert::setName(aName& n) { return code([&](C* c) { return c->setName(n.raw()); }); }
int aCert::getValidity(long& from, long& to) const { return code([&](C* c) { return c->getValidity(&from, &to); }); }
int aCert::setValidity(long from, long to) { return code([=](C* c) { return c->setValidity(from, to); }); }
aKey aCert::getKey(TKey::key_type_t t) const { return wrap<aKey>([=](C* c) { return c->getKey(t); }); }
int aCert::setKey(aKey& k) { return code([&](C* c) { return c->setKey(k.raw()); }); }
_selector* aCert::getSelector() const { return query<_selector*>(nullptr, [](C* c) { return c->getSelector(); }); }
int aCert::setSelector(const _selector* s) { return code([=](C* c) { return c->setSelector(s); }); }
TCert::cert_status_t aCert::getStatus() const { return query(0, [](C* c) { return c->getStatus(); }); }
int aCert::setStatus(TCert::cert_status_t s) { return code([=](C* c) { return c->setStatus(s); }); }
int aCert::checkSign(const aCert& issuer) { return code([&](C* c) { return c->checkSign(issuer.raw()); }); }
int aCert::is_complete() const { return query(0, [](C* c) { return c->is_complete(); }); }
int aCert::is_ident_complete() const { return query(0, [](C* c) { return c->is_ident_complete(); }); }
aBuf aCert::getMD5() const { return wrap<aBuf>([](C* c) { return c->getMD5(); }); }
aBuf aCert::getSHA1() const { return wrap<aBuf>([](C* c) { return c->getSHA1(); }); }
aCrlList aCert::getCrlList() const { return wrap<aCrlList>([](C* c) { return c->getCRLList(); }); }
int aCert::setCrlList(aCrlList& l) { return code([&](C* c) { return c->setCRLList(l.raw()); }); }
aExtnList aCert::getExtns() const { return wrap<aExtnList>([](C* c) { return c->getExtns(); }); }
int aCert::setExtns(aExtnList& l) { return code([&](C* c) { return c->setExtns(l.raw()); }); }
int aCert::addExtn(aExtn& e) { return code([&](C* c) { return c->addExtn(e.raw()); }); }
int aCert::getCrlPeriod(long& from, long& to) const { return code([&](C* c) { return c->getCRLPeriod(&from, &to); }); }
int aCert::setCrlPeriod(long from, long to) { return code([=](C* c) { return c->setCRLPeriod(from, to); }); }
int aCert::check() { return code([](C* c) { return c->check(); }); }
int aCert::operator==(const aCert& o) const { return query(0, [&](C* c) { return o.raw() != nullptr && *c == *o.raw() ? 1 : 0; }); }
int aCert::operator!=(const aCert& o) const { return query(1, [&](C* c) { return o.raw() == nullptr || *c != *o.raw() ? 1 : 0; }); }
int aCert::areISNMatched(const aCert& o) const { return query(0, [&](C* c) { return c->areISNMatched(o.raw()); }); }
int aCert::areISNSimilar(const aCert& o) const { return query(0, [&](C* c) { return c->areISNSimilar(o.raw()); }); }
int aCert::isCertSimilar(const aCert& o) const { return query(0, [&](C* c) { return c->isCertSimilar(o.raw()); }); }
int aCert::del() { return code([](C* c) { return c->del(); }); }
