#include "cert/certcmp.h"

#include "support/tbufs.h"
#include "cert/x509crt.h"

using namespace pkixrc;

namespace {

using certname::kIssuer;
using certname::kIssuerAlt;
using certname::kSubject;
using certname::kSubjectAlt;

// The octets of a key algorithm a pattern compares: base and hash, not
// variant and vendor.
constexpr pki_alg_t kKeyAlgPatternMask = 0x00FF00FFu;

TName::name_type_t nameType(int t) { return static_cast<TName::name_type_t>(t); }

// Both names absent (36 from both), or both present and equal.
bool sameOptionalName(TCert& a, TCert& b, int t) {
  Ref<TName> x = adoptRef(a.getName(nameType(t)));
  int ex = a.error();
  Ref<TName> y = adoptRef(b.getName(nameType(t)));
  int ey = b.error();
  if (!x && !y) return ex == kNotFound && ey == kNotFound;
  if (!x || !y) return false;
  return (*x.get() == *y.get()) == 1;
}

}  // namespace

// ---- X509Cert comparisons ----

int X509Cert::operator==(TCert& other) {
  if (getType() != other.getType()) return 0;
  if (!rec_) {
    error_ = kUnavailable;
    return 0;
  }
  long f1 = 0, t1 = 0, f2 = 0, t2 = 0;
  if (other.getValidity(&f2, &t2) != 0 || getValidity(&f1, &t1) != 0 || f1 != f2 || t1 != t2) return 0;
  if (areISNMatched(&other) != 1) return 0;
  if (!sameOptionalName(*this, other, kIssuerAlt)) return 0;
  Ref<TKey> k2 = adoptRef(other.getKey(TKey::KT_PUBLIC));
  if (!pub_key_ || !k2 || pub_key_->getAlg() != k2->getAlg()) return 0;
  // One fingerprint decides, MD5 when this certificate has one.
  TBuf* (TCert::*prints[2])() = {&TCert::getMD5, &TCert::getSHA1};
  for (auto print : prints) {
    Ref<TBuf> h1 = adoptRef((this->*print)());
    if (!h1) continue;
    Ref<TBuf> h2 = adoptRef((other.*print)());
    if (!h2) {
      error_ = kUnavailable;
      return 0;
    }
    if (tbufEqual(h1.get(), h2.get()) != 1) return 0;
    break;
  }
  Ref<TName> s1 = adoptRef(getName(nameType(kSubject)));
  Ref<TName> s2 = adoptRef(other.getName(nameType(kSubject)));
  if (!s1 || !s2) {
    error_ = kUnavailable;
    return 0;
  }
  if ((*s1.get() == *s2.get()) != 1) return 0;
  if (!sameOptionalName(*this, other, kSubjectAlt)) return 0;
  error_ = kOk;
  return 1;
}

int X509Cert::areISNMatched(TCert* other) {
  if (other == nullptr) return error_ = kBadArgument, 0;
  if (getFormat() != other->getFormat()) return 0;
  Ref<TBuf> s2 = adoptRef(other->getSerialNumber());
  if (!s2) return error_ = other->error(), 0;
  Ref<TBuf> s1 = adoptRef(getSerialNumber());
  if (!s1 || tbufEqual(s1.get(), s2.get()) != 1) return 0;
  Ref<TName> i2 = adoptRef(other->getName(nameType(kIssuer)));
  if (!i2) return error_ = other->error(), 0;
  TName* i1 = get_src_name(nameType(kIssuer));
  if (i1 == nullptr) return 0;
  int r = (*i1 == *i2.get()) == 1 ? 1 : 0;
  error_ = kOk;
  return r;
}

bool X509Cert::nameFits(TCert* other, int t) {
  Ref<TName> theirs = adoptRef(other->getName(nameType(t)));
  if (!theirs) {
    error_ = other->error();
    return error_ == kNotFound;
  }
  TName* mine = get_src_name(nameType(t));
  if (mine == nullptr) return false;
  // Plain names must be equal; a pattern on either side is matched as a
  // subtree.
  if (mine->is_selector() == 0 && theirs->is_selector() == 0) return (*mine == *theirs.get()) == 1;
  return (*mine << *theirs.get()) == 1;
}

int X509Cert::areISNSimilar(TCert* other) {
  if (other == nullptr) return error_ = kBadArgument, 0;
  if (getFormat() != other->getFormat()) return 0;
  Ref<TBuf> s2 = adoptRef(other->getSerialNumber());
  if (s2) {
    Ref<TBuf> s1 = adoptRef(getSerialNumber());
    if (!s1 || tbufEqual(s1.get(), s2.get()) != 1) return 0;
  } else if (other->error() != kUnavailable) {
    error_ = other->error();
    return 0;
  }
  if (!nameFits(other, kIssuer) || !nameFits(other, kIssuerAlt)) return 0;
  error_ = kOk;
  return 1;
}

int X509Cert::isCertSimilar(TCert* other) {
  if (other == nullptr) return error_ = kBadArgument, 0;
  if (!nameFits(other, kSubject)) return 0;
  if (areISNSimilar(other) != 1) return 0;
  Ref<TKey> k2 = adoptRef(other->getKey(TKey::KT_PUBLIC));
  if (k2) {
    if (!pub_key_) return error_ = kUnavailable, 0;
    pki_alg_t b = k2->getAlg();
    pki_alg_t a = pub_key_->getAlg();
    if (b != 0) {
      if (a == 0) return error_ = kUnavailable, 0;
      // The pattern's algorithm ignores this key's variant and vendor.
      if (a != b && (a & kKeyAlgPatternMask) != b) return 0;
    }
  } else if (other->error() != kUnavailable) {
    error_ = other->error();
    return 0;
  }
  TBuf* (TCert::*prints[2])() = {&TCert::getMD5, &TCert::getSHA1};
  for (auto print : prints) {
    Ref<TBuf> h2 = adoptRef((other->*print)());
    if (!h2) {
      if (other->error() != kUnavailable) return error_ = other->error(), 0;
      continue;
    }
    Ref<TBuf> h1 = adoptRef((this->*print)());
    if (!h1 || tbufEqual(h1.get(), h2.get()) != 1) return 0;
  }
  if (!nameFits(other, kSubjectAlt)) return 0;
  error_ = kOk;
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
