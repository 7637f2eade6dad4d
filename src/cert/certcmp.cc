#include "cert/certcmp.h"

#include "cert/tbufview.h"
#include "cert/x509crt.h"

namespace {

using certname::kIssuer;
using certname::kIssuerAlt;
using certname::kSubject;
using certname::kSubjectAlt;

TName::name_type_t nameType(int t) { return static_cast<TName::name_type_t>(t); }

// Holds one new reference and drops it at scope end.
template <class T>
struct Ref {
  T* p;
  explicit Ref(T* v) : p(v) {}
  ~Ref() {
    if (p != nullptr) p->release();
  }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
};

// Both names absent (36 from both), or both present and equal.
bool sameOptionalName(TCert& a, TCert& b, int t) {
  Ref<TName> x(a.getName(nameType(t)));
  int ex = a.error();
  Ref<TName> y(b.getName(nameType(t)));
  int ey = b.error();
  if (!x && !y) return ex == 36 && ey == 36;
  if (!x || !y) return false;
  return (*x.p == *y.p) == 1;
}

}  // namespace

// ---- X509Cert comparisons ----

int X509Cert::operator==(TCert& other) {
  if (getType() != other.getType()) return 0;
  if (rec_ == nullptr) {
    error_ = 40;
    return 0;
  }
  long f1 = 0, t1 = 0, f2 = 0, t2 = 0;
  if (other.getValidity(&f2, &t2) != 0 || getValidity(&f1, &t1) != 0 || f1 != f2 || t1 != t2) return 0;
  if (areISNMatched(&other) != 1) return 0;
  if (!sameOptionalName(*this, other, kIssuerAlt)) return 0;
  Ref<TKey> k2(other.getKey(TKey::KT_PUBLIC));
  if (pub_key_ == nullptr || !k2 || pub_key_->getAlg() != k2->getAlg()) return 0;
  // One fingerprint decides, MD5 when this certificate has one.
  TBuf* (TCert::*prints[2])() = {&TCert::getMD5, &TCert::getSHA1};
  for (auto print : prints) {
    Ref<TBuf> h1((this->*print)());
    if (!h1) continue;
    Ref<TBuf> h2((other.*print)());
    if (!h2) {
      error_ = 40;
      return 0;
    }
    if (tbufEqual(h1.p, h2.p) != 1) return 0;
    break;
  }
  Ref<TName> s1(getName(nameType(kSubject)));
  Ref<TName> s2(other.getName(nameType(kSubject)));
  if (!s1 || !s2) {
    error_ = 40;
    return 0;
  }
  if ((*s1.p == *s2.p) != 1) return 0;
  if (!sameOptionalName(*this, other, kSubjectAlt)) return 0;
  error_ = 0;
  return 1;
}

int X509Cert::areISNMatched(TCert* other) {
  if (other == nullptr) return error_ = 4, 0;
  if (getFormat() != other->getFormat()) return 0;
  Ref<TBuf> s2(other->getSerialNumber());
  if (!s2) return error_ = other->error(), 0;
  Ref<TBuf> s1(getSerialNumber());
  if (!s1 || tbufEqual(s1.p, s2.p) != 1) return 0;
  Ref<TName> i2(other->getName(nameType(kIssuer)));
  if (!i2) return error_ = other->error(), 0;
  TName* i1 = get_src_name(nameType(kIssuer));
  if (i1 == nullptr) return 0;
  int r = (*i1 == *i2.p) == 1 ? 1 : 0;
  error_ = 0;
  return r;
}

bool X509Cert::nameFits(TCert* other, int t) {
  Ref<TName> theirs(other->getName(nameType(t)));
  if (!theirs) {
    error_ = other->error();
    return error_ == 36;
  }
  TName* mine = get_src_name(nameType(t));
  if (mine == nullptr) return false;
  // Plain names must be equal; a pattern on either side is matched as a
  // subtree.
  if (mine->is_selector() == 0 && theirs->is_selector() == 0) return (*mine == *theirs.p) == 1;
  return (*mine << *theirs.p) == 1;
}

int X509Cert::areISNSimilar(TCert* other) {
  if (other == nullptr) return error_ = 4, 0;
  if (getFormat() != other->getFormat()) return 0;
  Ref<TBuf> s2(other->getSerialNumber());
  if (s2) {
    Ref<TBuf> s1(getSerialNumber());
    if (!s1 || tbufEqual(s1.p, s2.p) != 1) return 0;
  } else if (other->error() != 40) {
    error_ = other->error();
    return 0;
  }
  if (!nameFits(other, kIssuer) || !nameFits(other, kIssuerAlt)) return 0;
  error_ = 0;
  return 1;
}

int X509Cert::isCertSimilar(TCert* other) {
  if (other == nullptr) return error_ = 4, 0;
  if (!nameFits(other, kSubject)) return 0;
  if (areISNSimilar(other) != 1) return 0;
  Ref<TKey> k2(other->getKey(TKey::KT_PUBLIC));
  if (k2) {
    if (pub_key_ == nullptr) return error_ = 40, 0;
    pki_alg_t b = k2->getAlg();
    pki_alg_t a = pub_key_->getAlg();
    if (b != 0) {
      if (a == 0) return error_ = 40, 0;
      // The pattern's algorithm ignores this key's variant and vendor.
      if (a != b && (a & 0x00FF00FFu) != b) return 0;
    }
  } else if (other->error() != 40) {
    error_ = other->error();
    return 0;
  }
  TBuf* (TCert::*prints[2])() = {&TCert::getMD5, &TCert::getSHA1};
  for (auto print : prints) {
    Ref<TBuf> h2((other->*print)());
    if (!h2) {
      if (other->error() != 40) return error_ = other->error(), 0;
      continue;
    }
    Ref<TBuf> h1((this->*print)());
    if (!h1 || tbufEqual(h1.p, h2.p) != 1) return 0;
  }
  if (!nameFits(other, kSubjectAlt)) return 0;
  error_ = 0;
  return 1;
}

// ---- Free functions ----

int strictCertCmp(TCert* a, TCert* b) {
  if (a == nullptr || b == nullptr) return 0;
  return *a == *b;
}

int strictIssuerSNCmp(TCert* a, TCert* b) { return a != nullptr ? a->areISNMatched(b) : 0; }
int fuzzyCertCmp(TCert* a, TCert* b) { return a != nullptr ? a->isCertSimilar(b) : 0; }
int fuzzyIssuerSNCmp(TCert* a, TCert* b) { return a != nullptr ? a->areISNSimilar(b) : 0; }

TCert* findCertInList(CertCmp cmp, TCertList* l, TCert* c, int reverse) {
  if (cmp == nullptr || l == nullptr || c == nullptr) return nullptr;
  for (TCert* e = l->getFirst(); e != nullptr; e = l->getNext()) {
    if ((reverse != 0 ? cmp(c, e) : cmp(e, c)) == 1) return e;
    e->release();
  }
  return nullptr;
}

TCert* fuzzyFindCertInList(TCertList* l, TCert* c) { return findCertInList(fuzzyCertCmp, l, c, 0); }
TCert* reverseFuzzyFindCertInList(TCertList* l, TCert* c) {
  return findCertInList(fuzzyCertCmp, l, c, 1);
}
TCert* strictFindCertInList(TCertList* l, TCert* c) { return findCertInList(strictCertCmp, l, c, 0); }
TCert* reverseStrictFindCertInList(TCertList* l, TCert* c) {
  return findCertInList(strictCertCmp, l, c, 1);
}
