#include "asn/cmn_asn.h"

#include "contract/service_ids.h"

Tuint32ID ASN_ID CMN_ID_INIT(pkixid::kGenericAsn);
CMN_ASN_Stub asnService(nullptr);

// ---- The service stub ----

CMN_ASN_Stub::CMN_ASN_Stub() : CMN_ServiceStub<CMN_ASN_Interface>(&ASN_ID) {}
CMN_ASN_Stub::CMN_ASN_Stub(CMN_ASN_Interface* service) : CMN_ServiceStub<CMN_ASN_Interface>(&ASN_ID, service) {}
CMN_ASN_Stub::~CMN_ASN_Stub() = default;

CMN_GuardedRef* CMN_ASN_Stub::create(unsigned code) {
  return call([&](CMN_ASN_Interface* s) { return s->create(code); }, nullptr);
}

CMN_ASN_Type_Interface* CMN_ASN_Stub::create(const char* name) {
  if (name == nullptr) return nullptr;
  return call([&](CMN_ASN_Interface* s) { return s->create(name); }, nullptr);
}

int CMN_ASN_Stub::registry(const char* name, const CMN_ASN_Type& prototype) {
  CMN_ASN_Type_Interface* p = prototype.get();
  if (p == nullptr) return pkixrc::kFailed;
  return call([&](CMN_ASN_Interface* s) { return s->registry(name, p); }, pkixrc::kFailed);
}

// ---- The buffer stub ----

CMN_ASN_Buf_Stub::CMN_ASN_Buf_Stub() : CMN_ObjectStub<CMN_ASN_Buf_Interface>(nullptr, &asnService) {
  adopt(static_cast<CMN_ASN_Buf_Interface*>(asnService.create(pkixasn::kKindBuffer)));
}

CMN_ASN_Buf_Stub::CMN_ASN_Buf_Stub(CMN_ASN_Buf_Interface* buf)
    : CMN_ObjectStub<CMN_ASN_Buf_Interface>(buf, &asnService) {}

CMN_ASN_Buf_Stub::CMN_ASN_Buf_Stub(const unsigned char* p, unsigned len) : CMN_ASN_Buf_Stub() {
  // A buffer that could not take the octets is worth nothing: drop it.
  if (!empty() && set(p, len) != 0) take(nullptr);
}

CMN_ASN_Buf_Stub::~CMN_ASN_Buf_Stub() = default;

CMN_ASN_Buf_Stub CMN_ASN_Buf_Stub::fromService(CMN_ASN_Buf_Interface* created) {
  CMN_ASN_Buf_Stub s(static_cast<CMN_ASN_Buf_Interface*>(nullptr));
  s.adopt(created);
  return s;
}

namespace {
using BufI = CMN_ASN_Buf_Interface;
}  // namespace

int CMN_ASN_Buf_Stub::load(const char* file) {
  return invoke([&](BufI* b) { return b->load(file); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::save(const char* file) {
  return invoke([&](BufI* b) { return b->save(file); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::init(unsigned size) {
  return invoke([&](BufI* b) { return b->init(size); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::set(const unsigned char* p, unsigned len) {
  return invoke([&](BufI* b) { return b->set(p, len); }, pkixrc::kFailed);
}
bool CMN_ASN_Buf_Stub::operator==(const CMN_ASN_Buf_Stub& other) const {
  BufI* o = other.get();
  if (o == nullptr) return false;
  return invoke([&](BufI* b) { return *b == *o; }, false);
}
CMN_ASN_Buf_Stub CMN_ASN_Buf_Stub::clone() const {
  return fromService(invoke([](BufI* b) { return b->clone(); }, nullptr));
}
unsigned CMN_ASN_Buf_Stub::len() const {
  return invoke([](BufI* b) { return b->len(); }, 0u);
}
unsigned char* CMN_ASN_Buf_Stub::datap() const {
  return invoke([](BufI* b) { return b->datap(); }, nullptr);
}
unsigned char* CMN_ASN_Buf_Stub::base() const {
  return invoke([](BufI* b) { return b->base(); }, nullptr);
}
unsigned CMN_ASN_Buf_Stub::len_of_datap() const {
  return invoke([](BufI* b) { return b->len_of_datap(); }, 0u);
}
unsigned char CMN_ASN_Buf_Stub::operator[](unsigned i) const {
  return invoke([&](BufI* b) { return (*b)[i]; }, static_cast<unsigned char>(0));
}
int CMN_ASN_Buf_Stub::operator>>(unsigned n) {
  return invoke([&](BufI* b) { return *b >> n; }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::operator<<(unsigned n) {
  return invoke([&](BufI* b) { return *b << n; }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::reset() {
  return invoke([](BufI* b) { return b->reset(); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::retreat(unsigned n) {
  return invoke([&](BufI* b) { return b->retreat(n); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::shift(unsigned n) {
  return invoke([&](BufI* b) { return b->shift(n); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::insert(const CMN_ASN_Buf_Stub& other) {
  BufI* o = other.get();
  if (o == nullptr) return pkixrc::kFailed;
  return invoke([&](BufI* b) { return b->insert(o); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::getTag(unsigned& number, unsigned char& flag, unsigned& octets) {
  return invoke([&](BufI* b) { return b->getTag(number, flag, octets); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::putTag(unsigned number, unsigned char flag) {
  return invoke([&](BufI* b) { return b->putTag(number, flag); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::chkTag(unsigned number, unsigned char flag) {
  return invoke([&](BufI* b) { return b->chkTag(number, flag); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::putLen(unsigned len) {
  return invoke([&](BufI* b) { return b->putLen(len); }, pkixrc::kFailed);
}
int CMN_ASN_Buf_Stub::getLen(unsigned& len) {
  return invoke([&](BufI* b) { return b->getLen(len); }, pkixrc::kFailed);
}

// ---- Kind stubs ----

int CMN_ASN_Integer_Stub::setNumber(unsigned long n) {
  // The magnitude big-endian, as the service takes it.
  unsigned char be[sizeof n];
  for (unsigned i = 0; i < sizeof n; ++i) be[sizeof n - 1 - i] = static_cast<unsigned char>(n >> (8 * i));
  return setNumber(be, sizeof n);
}

// ---- Wrappers ----

XBase* getXBase(const PKIXAnyObject<XBase>& wrapper, int take) {
  XBase* x = wrapper.get();
  if (x == nullptr) return nullptr;
  // A plain reference: the receiver drops it with release().
  if (take != 0) x->addRef();
  return x;
}
