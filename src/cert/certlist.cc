#include "cert/certlist.h"

#include <new>
#include <vector>

#include "cert/certcmp.h"
#include "cert/selident.h"
#include "cert/tbufview.h"
#include "cert/x509crt.h"

namespace {

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

CertList::CertList() : list_(new (std::nothrow) List) {}
CertList::~CertList() {
  if (list_ != nullptr) list_->release();
}

template <class F>
TCert* CertList::step(F f) {
  if (list_ == nullptr) {
    error_ = 40;
    return nullptr;
  }
  XBase* x = f(list_);
  error_ = list_->error();
  return static_cast<TCert*>(x);
}

TCert* CertList::getFirst() { return step([](List* l) { return l->getFirst(); }); }
TCert* CertList::getNext() { return step([](List* l) { return l->getNext(); }); }
TCert* CertList::getLast() { return step([](List* l) { return l->getLast(); }); }
TCert* CertList::getPrev() { return step([](List* l) { return l->getPrev(); }); }

int CertList::outForm(TCert** out, TCert* (CertList::*f)()) {
  if (out == nullptr) return error_ = 4, 4;
  *out = (this->*f)();
  if (*out != nullptr) return 1;
  return error_ == 0 ? 0 : -1;
}

int CertList::getFirst(TCert** out) { return outForm(out, &CertList::getFirst); }
int CertList::getNext(TCert** out) { return outForm(out, &CertList::getNext); }
int CertList::getLast(TCert** out) { return outForm(out, &CertList::getLast); }
int CertList::getPrev(TCert** out) { return outForm(out, &CertList::getPrev); }

int CertList::append(TCert* c) {
  if (list_ == nullptr) return error_ = 40;
  return error_ = list_->append(c);
}

int CertList::pushFront(TCert* c) {
  if (list_ == nullptr) return error_ = 40;
  return error_ = list_->pushFront(c);
}

int CertList::del() {
  if (list_ == nullptr) return error_ = 40;
  return error_ = list_->delCurrent();
}

bool CertList::isEmpty() {
  TCert* c = getFirst();
  if (c == nullptr) return true;
  c->release();
  return error_ != 0;
}

TCertList& CertList::operator+=(TCertList& other) {
  for (TCert* c = other.getFirst(); c != nullptr; c = other.getNext()) {
    int r = append(c);
    c->release();
    if (r != 0) return *this;
  }
  error_ = other.error();
  return *this;
}

TCertList* CertList::find(int (*cmp)(TCert*, TCert*), TCert* c, int reverse) {
  if (list_ == nullptr) {
    error_ = 40;
    return nullptr;
  }
  unsigned pos = cursorPosition(list_);
  CertList* found = new (std::nothrow) CertList;
  if (found == nullptr) {
    restoreCursor(list_, pos);
    error_ = 1;
    return nullptr;
  }
  TCert* e = nullptr;
  int more = getFirst(&e);
  int failed = 0;
  while (more == 1) {
    if ((reverse != 0 ? cmp(c, e) : cmp(e, c)) == 1 && found->append(e) != 0) failed = found->error();
    e->release();
    if (failed != 0) break;
    more = getNext(&e);
  }
  int walk_error = failed != 0 ? failed : (more < 0 ? error_ : 0);
  restoreCursor(list_, pos);
  if (walk_error != 0) {
    found->release();
    error_ = walk_error;
    return nullptr;
  }
  error_ = 0;
  return found;
}

TCertList* CertList::strictFind(TCert* c, int reverse) { return find(strictCertCmp, c, reverse); }
TCertList* CertList::fuzzyFind(TCert* c, int reverse) { return find(fuzzyCertCmp, c, reverse); }

// ---- PKCS #7 certificate sets ----

// certificates [0] IMPLICIT ExtendedCertificatesAndCertificates, or the
// [2] form this module writes: a set of Certificate elements.
int CertList::setPKCS7Certificates(TBuf* in) {
  if (list_ == nullptr) return -408;
  list_->clean();
  if (in == nullptr) return -7;
  Buffer* b = in->getBuffer();
  if (b == nullptr) return -34;
  int len = asn1_der_decode(0xA2, b);
  if (len == X509ASN_E_TAG) len = asn1_der_decode(0xA0, b);
  if (len < 0 && len != X509ASN_INDEFINITE) return len;
  bool indefinite = len == X509ASN_INDEFINITE;
  const unsigned char* end = indefinite ? nullptr : b->data + len;
  for (;;) {
    if (indefinite) {
      if (b->len < 2 || asn1_is_eoc(b) != 0) break;
    } else if (b->data >= end) {
      break;
    }
    // One certificate at most up to the set's end.
    uint32_t outside = indefinite ? 0 : static_cast<uint32_t>(b->len - (end - b->data));
    b->len -= outside;
    TCert* c = createTCert(TCert::CF_X509);
    if (c == nullptr) {
      b->len += outside;
      return error_ = 1;
    }
    int r = c->setRaw(in);
    b->len += outside;
    if (r == 0) r = append(c);
    c->release();
    if (r != 0) return error_ = r;
  }
  return error_ = 0;
}

TBuf* CertList::getPKCS7Certificates() {
  error_ = 9;
  if (list_ == nullptr) return nullptr;
  std::vector<TBuf*> ders;
  for (TCert* c = getFirst(); c != nullptr; c = getNext()) {
    TBuf* d = c->getRaw();
    c->release();
    if (d == nullptr) break;
    ders.push_back(d);
  }
  error_ = 9;
  if (ders.empty()) return nullptr;
  TBuf* out = createTBuf();
  bool ok = out != nullptr;
  // Each certificate goes in front of what is there: reverse list order.
  for (TBuf* d : ders) {
    Buffer v = bufferOf(d);
    if (ok) ok = insert_buffer(out->getBuffer(), &v) == 0;
    d->release();
  }
  if (ok) ok = asn1_der_encode(0xA2, out->getBuffer()) == 0;
  if (!ok) {
    if (out != nullptr) out->release();
    return nullptr;
  }
  error_ = 0;
  return out;
}

// ---- Templates from a selector ----

int CertList::setSelector(const _selector* s) {
  if (list_ != nullptr) list_->release();
  list_ = new (std::nothrow) List;
  if (list_ == nullptr) return error_ = 1;
  int r = 0;
  _selector* work = s != nullptr ? sel_duplicate(s) : nullptr;
  if (s == nullptr) r = 4;
  else if (work == nullptr) r = 9;
  while (r == 0 && work != nullptr) {
    _selector* part = nullptr;
    _selector* rest = nullptr;
    if (sel_split(work, 1, &part, &rest) == 0) {
      r = 1;
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
    TCert* c = createTCert(static_cast<TCert::cert_format_t>(format == 0 ? 1 : format));
    if (c == nullptr) r = 1;
    if (r == 0) r = c->setSelector(part);
    if (r == 0) r = append(c);
    if (c != nullptr) c->release();
    sel_destroy(part);
  }
  sel_destroy(work);
  if (r != 0) {
    list_->release();
    list_ = nullptr;
  }
  return error_ = r;
}

TCertList* createTCertList() { return new (std::nothrow) CertList; }

TCertList* createTCertList(const _selector* s) {
  CertList* l = new (std::nothrow) CertList;
  if (l == nullptr) return nullptr;
  if (l->setSelector(s) != 0) {
    l->release();
    return nullptr;
  }
  return l;
}
