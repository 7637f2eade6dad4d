// A small stand-in for the host's generic ASN.1 service, for the encoder
// tests: the kinds a CertificateList is written with (buffer, generic, ANY,
// INTEGER, NULL, OBJECT IDENTIFIER, BIT STRING, UTCTime, GeneralizedTime,
// SEQUENCE, explicit tagging), encoding DER only; ANY and the generic kind
// decode one element and keep its octets. Every object counts itself, so a
// test can see that nothing leaks. What it writes is checked by OpenSSL in
// the tests, never by this file.
#ifndef PKIX_TESTS_CRL_CRL_ENC_ASN_DOUBLE_H_
#define PKIX_TESTS_CRL_CRL_ENC_ASN_DOUBLE_H_

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <ctime>
#include <new>
#include <vector>

#include "contract/asn_types.h"

namespace pkixtest {

using Octets = std::vector<unsigned char>;

// Live objects of the stand-in service.
inline std::atomic<int>& asnDoubleLive() {
  static std::atomic<int> live{0};
  return live;
}

// Counts itself and drops itself with its last reference.
template <class Base>
class Counted : public Base {
 public:
  template <class... A>
  explicit Counted(A... a) : Base(a...) {
    ++asnDoubleLive();
  }
  ~Counted() override { --asnDoubleLive(); }
  int init() override { return 0; }
  int fini() override { return 0; }
};

// One reference for the caller.
template <class T>
T* handOut(T* p) {
  if (p != nullptr) p->addReference();
  return p;
}

// The DER length octets of n, appended to out.
inline void putLength(Octets& out, size_t n) {
  if (n < 0x80) {
    out.push_back(static_cast<unsigned char>(n));
    return;
  }
  unsigned char be[sizeof n];
  unsigned k = 0;
  for (size_t v = n; v != 0; v >>= 8) be[k++] = static_cast<unsigned char>(v);
  out.push_back(static_cast<unsigned char>(0x80 | k));
  while (k != 0) out.push_back(be[--k]);
}
inline Octets element(unsigned char id, const Octets& content) {
  Octets out{id};
  putLength(out, content.size());
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

class DoubleBuf : public Counted<CMN_ASN_Buf_Interface> {
 public:
  explicit DoubleBuf(Octets o = {}) : octets(std::move(o)) {}
  int load(const char*) override { return pkixasn::kAsnFailed; }
  int save(const char*) override { return pkixasn::kAsnFailed; }
  int init(unsigned size) override { return octets.assign(size, 0), cur = 0, 0; }
  int set(const unsigned char* p, unsigned len) override {
    if (p == nullptr && len != 0) return pkixasn::kAsnBadArgument;
    octets.assign(p, p + len);
    cur = 0;
    return 0;
  }
  bool operator==(CMN_ASN_Buf_Interface& o) override {
    auto& d = static_cast<DoubleBuf&>(o);
    return Octets(octets.begin() + cur, octets.end()) == Octets(d.octets.begin() + d.cur, d.octets.end());
  }
  CMN_ASN_Buf_Interface* clone() override {
    auto* c = new DoubleBuf(octets);
    c->cur = cur;
    return handOut(c);
  }
  unsigned len() override { return static_cast<unsigned>(octets.size()); }
  unsigned char* datap() override { return octets.data() + cur; }
  unsigned char* base() override { return octets.data(); }
  unsigned len_of_datap() override { return static_cast<unsigned>(octets.size() - cur); }
  unsigned char operator[](unsigned i) override { return cur + i < octets.size() ? octets[cur + i] : 0; }
  int operator>>(unsigned n) override { return n > len_of_datap() ? pkixasn::kAsnTruncated : (cur += n, 0); }
  int operator<<(unsigned n) override { return n > cur ? pkixasn::kAsnBadArgument : (cur -= n, 0); }
  int reset() override { return cur = 0, 0; }
  int retreat(unsigned n) override { return *this << n; }
  int shift(unsigned n) override { return *this >> n; }
  int insert(CMN_ASN_Buf_Interface* o) override {
    if (o == nullptr) return pkixasn::kAsnBadArgument;
    Octets front(o->datap(), o->datap() + o->len_of_datap());
    octets.insert(octets.begin(), front.begin(), front.end());
    cur = 0;
    return 0;
  }
  int getTag(unsigned&, unsigned char&, unsigned&) override { return pkixasn::kAsnFailed; }
  int putTag(unsigned, unsigned char) override { return pkixasn::kAsnFailed; }
  int chkTag(unsigned, unsigned char) override { return pkixasn::kAsnFailed; }
  int putLen(unsigned) override { return pkixasn::kAsnFailed; }
  int getLen(unsigned&) override { return pkixasn::kAsnFailed; }

  Octets octets;
  size_t cur = 0;
};

// What every value kind shares: the identifier, encode from content().
template <class I>
class DoubleValue : public Counted<I> {
 public:
  DoubleValue(unsigned kind, unsigned char id) : Counted<I>(kind), id_(id) {}
  CMN_ASN_Buf_Interface* encode() override {
    Octets c;
    if ((err_ = content(&c)) != 0) return nullptr;
    return handOut(new DoubleBuf(whole(c)));
  }
  int decode(CMN_ASN_Buf_Interface*) override { return err_ = pkixasn::kAsnFailed; }
  int err() override { return err_; }
  unsigned getDecLen() override { return 0; }
  unsigned getRawLen() override {
    Octets c;
    return content(&c) == 0 ? static_cast<unsigned>(whole(c).size()) : 0;
  }
  unsigned getEncLen() override { return 0; }
  int setEncLen(unsigned) override { return 0; }
  asn_encoding_t getEnc() override { return ASN_DER; }
  int setEnc(asn_encoding_t) override { return 0; }
  unsigned char getFlag() override { return id_ & pkixasn::kAsnFlagMask; }
  int setFlag(unsigned char f) override { return id_ = static_cast<unsigned char>((f & 0xC0) | (id_ & 0x3F)), 0; }
  unsigned getObjId() override { return id_ & 0x1F; }
  int setObjId(unsigned n) override { return id_ = static_cast<unsigned char>((id_ & 0xE0) | n), 0; }
  CMN_ASN_Type_Interface* clone() override { return nullptr; }
  int isConstructed() override { return (id_ & 0x20) != 0; }

 protected:
  // The content octets; 0 or a code.
  virtual int content(Octets* out) = 0;
  // The whole element (the generic kinds write their octets as they are).
  virtual Octets whole(const Octets& c) { return element(id_, c); }

  unsigned char id_;
  int err_ = 0;
};

class DoubleInteger : public DoubleValue<CMN_ASN_Integer_Interface> {
 public:
  DoubleInteger() : DoubleValue(pkixasn::kKindInteger, 0x02) {}
  int setValue(CMN_ASN_Buf_Interface* v) override { return setValue(v->datap(), v->len_of_datap()); }
  CMN_ASN_Buf_Interface* getValue() override { return set_ ? handOut(new DoubleBuf(value_)) : nullptr; }
  int setValue(const unsigned char* p, unsigned len) override {
    if (p == nullptr || len == 0) return err_ = pkixasn::kAsnBadArgument;
    value_.assign(p, p + len);
    while (value_.size() > 1 && ((value_[0] == 0 && value_[1] < 0x80) || (value_[0] == 0xFF && value_[1] >= 0x80))) {
      value_.erase(value_.begin());
    }
    set_ = true;
    return err_ = 0;
  }
  int setNumber(CMN_ASN_Buf_Interface* m) override { return setNumber(m->datap(), m->len_of_datap()); }
  int setNumber(const unsigned char* p, unsigned len) override {
    Octets v{0};
    v.insert(v.end(), p, p + len);
    return setValue(v.data(), static_cast<unsigned>(v.size()));
  }
  CMN_ASN_Buf_Interface* getNumber() override { return nullptr; }
  int signum() override { return 0; }
  int signum(int) override { return pkixasn::kAsnFailed; }

 protected:
  int content(Octets* out) override { return set_ ? (*out = value_, 0) : pkixasn::kAsnNotSet; }

 private:
  Octets value_;
  bool set_ = false;
};

class DoubleNull : public DoubleValue<CMN_ASN_Null_Interface> {
 public:
  DoubleNull() : DoubleValue(pkixasn::kKindNull, 0x05) {}

 protected:
  int content(Octets*) override { return 0; }
};

class DoubleObjectId : public DoubleValue<CMN_ASN_ObjectId_Interface> {
 public:
  DoubleObjectId() : DoubleValue(pkixasn::kKindObjectId, 0x06) {}
  int setValue(CMN_ASN_Buf_Interface* v) override {
    value_.assign(v->datap(), v->datap() + v->len_of_datap());
    return err_ = 0;
  }
  CMN_ASN_Buf_Interface* getValue() override { return handOut(new DoubleBuf(value_)); }
  int setValue(const unsigned* arcs, unsigned count) override {
    if (arcs == nullptr || count < 2) return err_ = pkixasn::kAsnBadArgument;
    value_.clear();
    for (unsigned i = 1; i < count; ++i) {
      unsigned long v = i == 1 ? arcs[0] * 40ul + arcs[1] : arcs[i];
      unsigned char b[8];
      unsigned k = 0;
      do {
        b[k++] = static_cast<unsigned char>(v & 0x7F);
        v >>= 7;
      } while (v != 0);
      while (k != 0) {
        --k;
        value_.push_back(static_cast<unsigned char>(b[k] | (k != 0 ? 0x80 : 0)));
      }
    }
    return err_ = 0;
  }

 protected:
  int content(Octets* out) override { return value_.empty() ? pkixasn::kAsnNotSet : (*out = value_, 0); }

 private:
  Octets value_;
};

class DoubleBitString : public DoubleValue<CMN_ASN_BitString_Interface> {
 public:
  DoubleBitString() : DoubleValue(pkixasn::kKindBitString, 0x03) {}
  int setValue(CMN_ASN_Buf_Interface* v) override { return setValue(v->datap(), v->len_of_datap()); }
  CMN_ASN_Buf_Interface* getValue() override { return handOut(new DoubleBuf(value_)); }
  int setValue(const unsigned char* p, unsigned len) override {
    if (p == nullptr && len != 0) return err_ = pkixasn::kAsnBadArgument;
    value_.assign(p, p + len);
    return err_ = 0;
  }
  unsigned unused() override { return 0; }
  int unused(unsigned char) override { return pkixasn::kAsnFailed; }

 protected:
  int content(Octets* out) override {
    *out = Octets{0};
    out->insert(out->end(), value_.begin(), value_.end());
    return 0;
  }

 private:
  Octets value_;
};

// UTCTime (YYMMDDHHMMSSZ, 1950-2049) or GeneralizedTime (YYYYMMDDHHMMSSZ).
template <class I, unsigned kKind, unsigned char kId, bool kUtc>
class DoubleTime : public DoubleValue<I> {
 public:
  DoubleTime() : DoubleValue<I>(kKind, kId) {}
  int setTime(long t) override {
    time_t w = t;
    struct tm p;
    if (gmtime_r(&w, &p) == nullptr) return this->err_ = pkixasn::kAsnBadArgument;
    int year = p.tm_year + 1900;
    if (kUtc && (year < 1950 || year > 2049)) return this->err_ = pkixasn::kAsnBadArgument;
    char text[32];
    if (kUtc) {
      std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02dZ", year % 100, p.tm_mon + 1, p.tm_mday, p.tm_hour,
                    p.tm_min, p.tm_sec);
    } else {
      std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02dZ", year, p.tm_mon + 1, p.tm_mday, p.tm_hour,
                    p.tm_min, p.tm_sec);
    }
    text_.assign(text, text + std::strlen(text));
    time_ = t;
    return this->err_ = 0;
  }
  long getTime() override { return time_; }

 protected:
  int content(Octets* out) override { return text_.empty() ? pkixasn::kAsnNotSet : (*out = text_, 0); }

 private:
  Octets text_;
  long time_ = 0;
};

// Elements kept in order: SEQUENCE, explicit tagging.
template <class I>
class DoubleList : public DoubleValue<I> {
 public:
  DoubleList(unsigned kind, unsigned char id) : DoubleValue<I>(kind, id) {}
  ~DoubleList() override {
    for (CMN_ASN_Type_Interface* e : elements_) e->remReference();
  }
  int addObject(CMN_ASN_Type_Interface* e) override {
    if (e == nullptr || e == this) return this->err_ = pkixasn::kAsnBadArgument;
    e->addReference();
    elements_.push_back(e);
    return this->err_ = 0;
  }
  CMN_ASN_Type_Interface* getObject(unsigned i) override {
    return i < elements_.size() ? handOut(elements_[i]) : nullptr;
  }

 protected:
  int content(Octets* out) override {
    for (CMN_ASN_Type_Interface* e : elements_) {
      CMN_ASN_Buf_Interface* b = e->encode();
      if (b == nullptr) return e->err();
      out->insert(out->end(), b->datap(), b->datap() + b->len_of_datap());
      b->remReference();
    }
    return 0;
  }
  std::vector<CMN_ASN_Type_Interface*> elements_;
};

class DoubleSequence : public DoubleList<CMN_ASN_Sequence_Interface> {
 public:
  DoubleSequence() : DoubleList(pkixasn::kKindSequence, 0x30) {}
  int removeLastObject() override {
    if (elements_.empty()) return pkixasn::kAsnNotFound;
    elements_.back()->remReference();
    elements_.pop_back();
    return 0;
  }
};

class DoubleExplicit : public DoubleList<CMN_ASN_Explicit_Interface> {
 public:
  DoubleExplicit() : DoubleList(pkixasn::kKindExplicit, 0xA0) {}
};

// ANY: decodes one element of any identifier and writes it back as read.
class DoubleAny : public DoubleValue<CMN_ASN_Any_Interface> {
 public:
  DoubleAny() : DoubleValue(pkixasn::kKindAny, 0) {}
  int decode(CMN_ASN_Buf_Interface* in) override {
    if (in == nullptr) return err_ = pkixasn::kAsnBadArgument;
    const unsigned char* p = in->datap();
    size_t n = in->len_of_datap();
    if (n < 2) return err_ = pkixasn::kAsnTruncated;
    size_t len = p[1];
    size_t head = 2;
    if (len >= 0x80) {
      unsigned k = len & 0x7F;
      if (k == 0 || k > 4 || n < 2 + k) return err_ = pkixasn::kAsnBadLength;
      len = 0;
      for (unsigned i = 0; i < k; ++i) len = (len << 8) | p[2 + i];
      head += k;
    }
    if (n - head < len) return err_ = pkixasn::kAsnTruncated;
    octets_.assign(p, p + head + len);
    *in >> static_cast<unsigned>(head + len);
    return err_ = 0;
  }
  int addObject(CMN_ASN_Type_Interface*) override { return pkixasn::kAsnFailed; }
  CMN_ASN_Type_Interface* getObject(unsigned) override { return nullptr; }
  CMN_ASN_Type_Interface* getFirst() override { return nullptr; }
  CMN_ASN_Type_Interface* getNext() override { return nullptr; }
  unsigned getRealId() override { return octets_.empty() ? 0 : octets_[0]; }

 protected:
  int content(Octets*) override { return octets_.empty() ? pkixasn::kAsnNotSet : 0; }
  Octets whole(const Octets&) override { return octets_; }

 private:
  Octets octets_;
};

class DoubleService : public Counted<CMN_ASN_Interface> {
 public:
  CMN_GuardedRef* create(unsigned code) override {
    switch (code) {
      case pkixasn::kKindBuffer: return handOut<CMN_GuardedRef>(new (std::nothrow) DoubleBuf);
      case pkixasn::kKindInteger: return handOut<CMN_GuardedRef>(new (std::nothrow) DoubleInteger);
      case pkixasn::kKindNull: return handOut<CMN_GuardedRef>(new (std::nothrow) DoubleNull);
      case pkixasn::kKindObjectId: return handOut<CMN_GuardedRef>(new (std::nothrow) DoubleObjectId);
      case pkixasn::kKindBitString: return handOut<CMN_GuardedRef>(new (std::nothrow) DoubleBitString);
      case pkixasn::kKindUtcTime:
        return handOut<CMN_GuardedRef>(
            new (std::nothrow) DoubleTime<CMN_ASN_UtcTime_Interface, pkixasn::kKindUtcTime, 0x17, true>);
      case pkixasn::kKindGeneralTime:
        return handOut<CMN_GuardedRef>(
            new (std::nothrow) DoubleTime<CMN_ASN_GeneralTime_Interface, pkixasn::kKindGeneralTime, 0x18, false>);
      case pkixasn::kKindSequence: return handOut<CMN_GuardedRef>(new (std::nothrow) DoubleSequence);
      case pkixasn::kKindExplicit: return handOut<CMN_GuardedRef>(new (std::nothrow) DoubleExplicit);
      case pkixasn::kKindAny: return handOut<CMN_GuardedRef>(new (std::nothrow) DoubleAny);
      default: return nullptr;
    }
  }
  CMN_ASN_Type_Interface* create(const char*) override { return nullptr; }
  int registry(const char*, CMN_ASN_Type_Interface*) override { return pkixasn::kAsnFailed; }
};

}  // namespace pkixtest

#endif  // PKIX_TESTS_CRL_CRL_ENC_ASN_DOUBLE_H_
