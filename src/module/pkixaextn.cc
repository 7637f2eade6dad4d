#include "module/pkixaextn.h"

namespace {
using E = TExtn;
using L = TExtnList;
}  // namespace

aExtn::aExtn(TExtn::extn_t t) : PKIXObject<TExtn>(nullptr) { adopt(pkixClnt.createTExtn(t)); }
aExtn::aExtn(const aBuf& der) : PKIXObject<TExtn>(nullptr) { adopt(pkixClnt.createTExtn(der)); }
aExtn::~aExtn() = default;

TExtn::extn_t aExtn::getType() const { return query(TExtn::EXT_NONE, [](E* e) { return e->getType(); }); }
aBuf aExtn::getObjId() const { return wrap<aBuf>([](E* e) { return e->getObjId(); }); }
int aExtn::setRaw(aBuf& der) { return code([&](E* e) { return e->setRaw(der.raw()); }); }
aBuf aExtn::getRaw() const { return wrap<aBuf>([](E* e) { return e->getRaw(); }); }
int aExtn::setValue(aBuf& v) { return code([&](E* e) { return e->setValue(v.raw()); }); }
aBuf aExtn::getValue() const { return wrap<aBuf>([](E* e) { return e->getValue(); }); }
int aExtn::isCritical() const { return query(0, [](E* e) { return e->isCritical(); }); }
int aExtn::setCritical(int c) { return code([=](E* e) { return e->setCritical(c); }); }
int aExtn::hasBeenSet() const { return query(0, [](E* e) { return e->hasBeenSet(); }); }

aExtnList::aExtnList() : PKIXObject<TExtnList>(nullptr) { adopt(pkixClnt.createTExtnList()); }
aExtnList::~aExtnList() = default;

aExtn aExtnList::getFirst() { return wrap<aExtn>([](L* l) { return l->getFirst(); }); }
aExtn aExtnList::getNext() { return wrap<aExtn>([](L* l) { return l->getNext(); }); }
aExtn aExtnList::get(TExtn::extn_t t) { return wrap<aExtn>([=](L* l) { return l->get(t); }); }
int aExtnList::clear() { return code([](L* l) { return l->clear(); }); }
int aExtnList::append(aExtn& e) { return code([&](L* l) { return l->append(e.raw()); }); }

aKeyUsage::~aKeyUsage() = default;

int aKeyUsage::set(TX509KeyUsage::kusage_t m, int on) { return code([=](E* e) { return typed(e)->set(m, on); }); }
int aKeyUsage::isSet(TX509KeyUsage::kusage_t m) const { return query(0, [=](E* e) { return typed(e)->isBitSet(m); }); }
int aKeyUsage::isDigitalSignature() const { return query(0, [](E* e) { return typed(e)->isDigitalSignature(); }); }
int aKeyUsage::isCertSign() const { return query(0, [](E* e) { return typed(e)->isCertSign(); }); }
int aKeyUsage::isCRLSign() const { return query(0, [](E* e) { return typed(e)->isCRLSign(); }); }
int aKeyUsage::setBitString(aBuf& b) { return code([&](E* e) { return typed(e)->setBitString(b.raw()); }); }
