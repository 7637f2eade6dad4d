#include "module/pkixaname.h"

namespace {
using N = TName;

// The current attribute's type and value copied into the two wrappers.
int fillAttr(N* n, aBuf& type, unsigned char& tag, aBuf& value) {
  TBuf* t = nullptr;
  TBuf* v = nullptr;
  int r = n->getAttr(&t, &tag, &v);
  if (r == 0 && t != nullptr) type.set(t->datap(), t->len());
  if (r == 0 && v != nullptr) value.set(v->datap(), v->len());
  if (t != nullptr) t->release();
  if (v != nullptr) v->release();
  return r;
}
}  // namespace

aName::aName(TName::name_type_t t) : PKIXObject<TName>(nullptr) { adopt(pkixClnt.createTName(t)); }
aName::aName(TName::name_type_t t, const _selector* s) : PKIXObject<TName>(nullptr) {
  TName* n = nullptr;
  if (pkixClnt.createTName(t, s, &n) == 0) adopt(n);
}
aName::aName(TName::name_type_t t, aBuf& der) : PKIXObject<TName>(nullptr) { adopt(pkixClnt.createTName(t, der.raw())); }
aName::aName(TName::name_type_t t, aName& other) : PKIXObject<TName>(nullptr) { adopt(pkixClnt.createTName(t, other.raw())); }
aName::aName(TName::name_type_t t, const unsigned char* data, unsigned len) : PKIXObject<TName>(nullptr) {
  adopt(pkixClnt.createTName(t, data, len));
}
aName::~aName() = default;

TName::name_type_t aName::getType() const { return query(TName::NAME_NONE, [](N* n) { return n->getType(); }); }
int aName::setRaw(aBuf& der) { return code([&](N* n) { return n->setRaw(der.raw()); }); }
aBuf aName::getRaw() const { return wrap<aBuf>([](N* n) { return n->getRaw(); }); }
int aName::setPrintable(const char* text) { return code([&](N* n) { return n->setPrintable(text); }); }
aBuf aName::getPrintable(TName::prn_opt_t o) const { return wrap<aBuf>([&](N* n) { return n->getPrintable(o); }); }
aBuf aName::getUTF8String() const { return wrap<aBuf>([](N* n) { return n->getUTF8String(); }); }
int aName::firstAttr() { return query(0, [](N* n) { return n->firstAttr(); }); }
int aName::nextAttr() { return query(0, [](N* n) { return n->nextAttr(); }); }
int aName::getAttr(aBuf& type, unsigned char& tag, aBuf& value) {
  return code([&](N* n) { return fillAttr(n, type, tag, value); });
}
int aName::is_enclosed() const { return query(0, [](N* n) { return n->is_enclosed(); }); }
unsigned short aName::getuid(aBuf& t) const { return query<unsigned short>(0, [&](N* n) { return n->getuid(t.raw()); }); }
int aName::is_selector() const { return query(0, [](N* n) { return n->is_selector(); }); }
int aName::is_empty() const { return query(0, [](N* n) { return n->is_empty(); }); }
aName aName::getNormName() const { return wrap<aName>([](N* n) { return n->getNormName(); }); }
_selector* aName::getSelector(const _selector* b) const { return query<_selector*>(nullptr, [&](N* n) { return n->getSelector(b); }); }
int aName::setSelector(const _selector* s) { return code([&](N* n) { return n->setSelector(s); }); }
int aName::operator==(const aName& o) const { return o.raw() == nullptr ? 0 : query(0, [&](N* n) { return *n == *o.raw(); }); }
int aName::operator!=(const aName& o) const {
  if (raw() == nullptr || o.raw() == nullptr) return (raw() == nullptr ? error_ = pkixrc::kUnavailable : 0), 1;
  int equal = *this == o;
  error_ = pkixrc::kOk;
  return equal == 0 ? 1 : 0;
}
int aName::operator<<(const aName& o) const { return o.raw() == nullptr ? 0 : query(0, [&](N* n) { return *n << *o.raw(); }); }
int aName::operator>>(const aName& o) const { return (*this << o) == 0 ? 1 : 0; }
aName& aName::operator+=(const aName& o) {
  if (o.raw() == nullptr) return *this;
  query(0, [&](N* n) { return (*n += *o.raw()), 0; });
  return *this;
}
int aName::doesContainSmth(aName& o) const { return query(0, [&](N* n) { return n->doesContainSmth(o.raw()); }); }
void aName::setComplete(int c) { this->invoke([&](N* n) { return n->setComplete(c), 0; }, 0); }
