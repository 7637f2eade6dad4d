#include "module/pkixalist.h"

namespace {
using L = TCertList;
}  // namespace

aCertList::aCertList() : PKIXObject<TCertList>(nullptr) { adopt(pkixClnt.createTCertList()); }
aCertList::aCertList(const _selector* s) : PKIXObject<TCertList>(nullptr) { adopt(pkixClnt.createTCertList(s)); }
aCertList::~aCertList() = default;

aCert aCertList::getFirst() { return wrap<aCert>([](L* l) { return l->getFirst(); }); }
aCert aCertList::getNext() { return wrap<aCert>([](L* l) { return l->getNext(); }); }
aCert aCertList::getLast() { return wrap<aCert>([](L* l) { return l->getLast(); }); }
aCert aCertList::getPrev() { return wrap<aCert>([](L* l) { return l->getPrev(); }); }
int aCertList::append(aCert& c) { return code([&](L* l) { return l->append(c.raw()); }); }
int aCertList::pushFront(aCert& c) { return code([&](L* l) { return l->pushFront(c.raw()); }); }
int aCertList::del() { return code([](L* l) { return l->del(); }); }
bool aCertList::isEmpty() const { return query(true, [](L* l) { return l->isEmpty(); }); }
aCertList& aCertList::operator+=(const aCertList& o) {
  if (o.raw() != nullptr) query(0, [&](L* l) { return (*l += *o.raw()), 0; });
  return *this;
}
aBuf aCertList::getPKCS7Certificates() const { return wrap<aBuf>([](L* l) { return l->getPKCS7Certificates(); }); }
int aCertList::setPKCS7Certificates(aBuf& in) { return code([&](L* l) { return l->setPKCS7Certificates(in.raw()); }); }
aCertList aCertList::find(aCert& c, int r) { return wrap<aCertList>([&](L* l) { return l->strictFind(c.raw(), r); }); }
aCertList aCertList::fuzzyFind(aCert& c, int r) { return wrap<aCertList>([&](L* l) { return l->fuzzyFind(c.raw(), r); }); }
