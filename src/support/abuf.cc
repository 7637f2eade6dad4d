#include "support/abuf.h"

#include "contract/service_ids.h"
#include "framework/cmn_export.h"
#include "support/result_codes.h"

using pkixrc::kOk;
using pkixrc::kUnavailable;

Tuint32ID X509CmnSrvID CMN_ID_INIT(pkixid::kBuffers);

// Built at library load with no service; binds on first use.
X509CmnSrv theX509Cmn(nullptr);

X509CmnSrv::~X509CmnSrv() = default;

CMN_EXPORT TBuf* createTBuf() {
  return theX509Cmn.call([](X509CmnSrv_I* s) { return s->createTBuf(); });
}

CMN_EXPORT TBuf* createTBuf(const char* text) {
  return theX509Cmn.call([&](X509CmnSrv_I* s) { return s->createTBuf(text); });
}

CMN_EXPORT TBuf* createTBuf(const unsigned char* data, unsigned len) {
  return theX509Cmn.call([&](X509CmnSrv_I* s) { return s->createTBuf(data, len); });
}

CMN_EXPORT TBuf* createTBuf(TBuf* other) {
  return theX509Cmn.call([&](X509CmnSrv_I* s) { return s->createTBuf(other); });
}

extern "C" CMN_EXPORT int x509cmn_init() {
  X509CmnSrv bound;
  theX509Cmn = bound;
  return kOk;
}

extern "C" CMN_EXPORT int x509cmn_fini() {
  X509CmnSrv empty(nullptr);
  theX509Cmn = empty;
  return kOk;
}

aBuf::aBuf(TBuf* b) : PKIXAnyObject<TBuf>(b, &theX509Cmn) {}

aBuf::aBuf() : PKIXAnyObject<TBuf>(nullptr, &theX509Cmn) {
  adopt(createTBuf());
}

aBuf::aBuf(const char* text) : PKIXAnyObject<TBuf>(nullptr, &theX509Cmn) {
  adopt(createTBuf(text));
}

aBuf::aBuf(const unsigned char* data, unsigned len) : PKIXAnyObject<TBuf>(nullptr, &theX509Cmn) {
  adopt(createTBuf(data, len));
}

aBuf::aBuf(const aBuf& other) : PKIXAnyObject<TBuf>(other.get(), &theX509Cmn) {}

aBuf::~aBuf() = default;

template <class F>
int aBuf::Code(F f) {
  if (get() == nullptr) return error_ = kUnavailable;
  return error_ = invoke(f);
}

int aBuf::set(const char* text) {
  return Code([&](TBuf* b) { return b->set(text); });
}
int aBuf::set(const unsigned char* data, unsigned len) {
  return Code([&](TBuf* b) { return b->set(data, len); });
}
int aBuf::dup(const aBuf& other) {
  return Code([&](TBuf* b) { return b->dup(other.get()); });
}
int aBuf::load(const char* path) {
  return Code([&](TBuf* b) { return b->load(path); });
}
int aBuf::save(const char* path) {
  return Code([&](TBuf* b) { return b->save(path); });
}
int aBuf::shift(unsigned n) {
  return Code([&](TBuf* b) { return b->shift(n); });
}
int aBuf::retreat(unsigned n) {
  return Code([&](TBuf* b) { return b->retreat(n); });
}

unsigned char* aBuf::datap() {
  error_ = get() == nullptr ? kUnavailable : kOk;
  return invoke([](TBuf* b) { return b->datap(); });
}

const unsigned char* aBuf::datap() const {
  error_ = get() == nullptr ? kUnavailable : kOk;
  return invoke([](TBuf* b) { return static_cast<const unsigned char*>(b->datap()); });
}

unsigned aBuf::len() const {
  error_ = get() == nullptr ? kUnavailable : kOk;
  return invoke([](TBuf* b) { return b->len(); });
}

int aBuf::operator!=(const aBuf& other) const {
  if (get() == nullptr) {
    error_ = kUnavailable;
    return 1;  // different
  }
  error_ = kOk;
  GuardLockConst theirs(other.guard());
  return invoke([&](TBuf* b) { return *b != other.get(); });
}
