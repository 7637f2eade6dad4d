#include "cert/certlist.h"

#include <new>
#include <vector>

#include "cert/certcmp.h"
#include "cert/selident.h"
#include "support/tbufs.h"
#include "cert/x509crt.h"

using namespace pkixrc;

namespace {

// What setPKCS7Certificates answers besides the decoder's codes.
constexpr int kSetNoList = -408;         // the object holds no list
constexpr int kSetNullInput = -7;        // no input
constexpr int kSetInputWithoutBuf = -34; // input without a buffer
constexpr int kTagSetWritten = 0xA2;     // [2]: the form this module writes
constexpr int kTagSetPkcs7 = 0xA0;       // [0]: the PKCS #7 form
constexpr unsigned kEocOctets = 2;

// Drops a reference returned by a list walk.
void drop(XBase* x) {
  if (x != nullptr) x->release();
}

// The cursor's position: 0 on the sentinel, k on the k-th element. Finding
// it walks back, so the cursor is restored with restoreCursor afterwards.
unsigned cursorPosition(List* l) {
  if (l->isHead()) return 0;
  unsigned k = 1;
  for (XBase* x = l->getPrev(); x != nullptr; x = l->getPrev()) {
    drop(x);
    ++k;
  }
  return k;
}

void restoreCursor(List* l, unsigned k) {
  drop(l->getFirst());
  if (k == 0) {
    drop(l->getPrev());
    return;
  }
  for (unsigned i = 1; i < k; ++i) drop(l->getNext());
}

}  // namespace

CertList::CertList() : list_(adoptRef(new (std::nothrow) List)) {}
CertList::~CertList() = default;

template <class F>
TCert* CertList::step(F f) {
  if (!list_) {
    error_ = kUnavailable;
    return nullptr;
  }
  XBase* x = f(list_.get());
  error_ = list_->error();
  return static_cast<TCert*>(x);
}

TCert* CertList::getFirst() { return step([](List* l) { return l->getFirst(); }); }
TCert* CertList::getNext() { return step([](List* l) { return l->getNext(); }); }
TCert* CertList::getLast() { return step([](List* l) { return l->getLast(); }); }
TCert* CertList::getPrev() { return step([](List* l) { return l->getPrev(); }); }

int CertList::outForm(TCert** out, TCert* (CertList::*f)()) {
  if (out == nullptr) return error_ = kBadArgument;
  *out = (this->*f)();
  if (*out != nullptr) return 1;
  return error_ == kOk ? 0 : -1;
}

int CertList::getFirst(TCert** out) { return outForm(out, &CertList::getFirst); }
int CertList::getNext(TCert** out) { return outForm(out, &CertList::getNext); }
int CertList::getLast(TCert** out) { return outForm(out, &CertList::getLast); }
int CertList::getPrev(TCert** out) { return outForm(out, &CertList::getPrev); }

int CertList::append(TCert* c) {
  if (!list_) return error_ = kUnavailable;
  return error_ = list_->append(c);
}

int CertList::pushFront(TCert* c) {
  if (!list_) return error_ = kUnavailable;
  return error_ = list_->pushFront(c);
}

int CertList::del() {
  if (!list_) return error_ = kUnavailable;
  return error_ = list_->delCurrent();
}

bool CertList::isEmpty() {
  Ref<TCert> c = adoptRef(getFirst());
  if (!c) return true;
  return error_ != kOk;
}

TCertList& CertList::operator+=(TCertList& other) {
  for (Ref<TCert> c = adoptRef(other.getFirst()); c; c = adoptRef(other.getNext())) {
    if (append(c.get()) != kOk) return *this;
  }
  error_ = other.error();
  return *this;
}

TCertList* CertList::find(int (*cmp)(TCert*, TCert*), TCert* c, int reverse) {
  if (!list_) {
    error_ = kUnavailable;
    return nullptr;
  }
  unsigned pos = cursorPosition(list_.get());
  Ref<CertList> found = adoptRef(new (std::nothrow) CertList);
  if (!found) {
    restoreCursor(list_.get(), pos);
    error_ = kNoMemory;
    return nullptr;
  }
  TCert* e = nullptr;
  int more = getFirst(&e);
  int failed = kOk;
  while (more == 1) {
    Ref<TCert> held = adoptRef(e);
    if ((reverse != 0 ? cmp(c, e) : cmp(e, c)) == 1 && found->append(e) != kOk) break;
    more = getNext(&e);
  }
  if (more == 1) failed = found->error();
  int walk_error = failed != kOk ? failed : (more < 0 ? error_ : kOk);
  restoreCursor(list_.get(), pos);
  error_ = walk_error;
  return walk_error == kOk ? found.detach() : nullptr;
}

TCertList* CertList::strictFind(TCert* c, int reverse) { return find(strictCertCmp, c, reverse); }
TCertList* CertList::fuzzyFind(TCert* c, int reverse) { return find(fuzzyCertCmp, c, reverse); }

// ---- PKCS #7 certificate sets ----

// certificates [0] IMPLICIT ExtendedCertificatesAndCertificates, or the
// [2] form this module writes: a set of Certificate elements.
int CertList::setPKCS7Certificates(TBuf* in) {
  if (!list_) return kSetNoList;
  list_->clean();
  if (in == nullptr) return kSetNullInput;
  Buffer* b = in->getBuffer();
  if (b == nullptr) return kSetInputWithoutBuf;
  int len = asn1_der_decode(kTagSetWritten, b);
  if (len == X509ASN_E_TAG) len = asn1_der_decode(kTagSetPkcs7, b);
  if (len < 0 && len != X509ASN_INDEFINITE) return len;
  bool indefinite = len == X509ASN_INDEFINITE;
  const unsigned char* end = indefinite ? nullptr : b->data + len;
  for (;;) {
    if (indefinite) {
      if (b->len < kEocOctets || asn1_is_eoc(b) != 0) break;
    } else if (b->data >= end) {
      break;
    }
    // One certificate at most up to the set's end.
    uint32_t outside = indefinite ? 0 : static_cast<uint32_t>(b->len - (end - b->data));
    b->len -= outside;
    Ref<TCert> c = adoptRef(createTCert(TCert::CF_X509));
    int r = c ? c->setRaw(in) : kNoMemory;
    b->len += outside;
    if (r == kOk) r = append(c.get());
    if (r != kOk) return error_ = r;
  }
  return error_ = kOk;
}

TBuf* CertList::getPKCS7Certificates() {
  error_ = kFailed;
  if (!list_) return nullptr;
  std::vector<Ref<TBuf>> ders;
  for (Ref<TCert> c = adoptRef(getFirst()); c; c = adoptRef(getNext())) {
    Ref<TBuf> d = adoptRef(c->getRaw());
    if (!d) break;
    ders.push_back(std::move(d));
  }
  error_ = kFailed;
  if (ders.empty()) return nullptr;
  Ref<TBuf> out = adoptRef(createTBuf());
  if (!out) return nullptr;
  // Each certificate goes in front of what is there: reverse list order.
  for (const Ref<TBuf>& d : ders) {
    Buffer v = viewOf(d.get());
    if (insert_buffer(out->getBuffer(), &v) != 0) return nullptr;
  }
  if (asn1_der_encode(kTagSetWritten, out->getBuffer()) != 0) return nullptr;
  error_ = kOk;
  return out.detach();
}

// ---- Templates from a selector ----

int CertList::setSelector(const _selector* s) {
  list_ = adoptRef(new (std::nothrow) List);
  if (!list_) return error_ = kNoMemory;
  int r = kOk;
  _selector* work = s != nullptr ? sel_duplicate(s) : nullptr;
  if (s == nullptr) r = kBadArgument;
  else if (work == nullptr) r = kFailed;
  while (r == kOk && work != nullptr) {
    _selector* part = nullptr;
    _selector* rest = nullptr;
    if (sel_split(work, 1, &part, &rest) == 0) {
      r = kNoMemory;
      break;
    }
    if (part == nullptr) {
      part = work;  // nothing split off: the whole is the last part
      work = nullptr;
    } else {
      sel_destroy(work);
      work = rest;
    }
    int format = getCertFormat(part);
    Ref<TCert> c = adoptRef(createTCert(format == TCert::CF_NONE ? TCert::CF_X509 : static_cast<TCert::cert_format_t>(format)));
    if (!c) r = kNoMemory;
    if (r == kOk) r = c->setSelector(part);
    if (r == kOk) r = append(c.get());
    sel_destroy(part);
  }
  sel_destroy(work);
  if (r != kOk) list_.reset();
  return error_ = r;
}

TCertList* createTCertList() { return new (std::nothrow) CertList; }

TCertList* createTCertList(const _selector* s) {
  Ref<CertList> l = adoptRef(new (std::nothrow) CertList);
  if (!l || l->setSelector(s) != kOk) return nullptr;
  return l.detach();
}
