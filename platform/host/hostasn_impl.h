// Internals of the ASN.1 type service shared by its source files: the
// buffer object, element reading over the support library, the nesting
// bound, and the common base of every value object.
#ifndef PKIX_HOST_HOSTASN_IMPL_H_
#define PKIX_HOST_HOSTASN_IMPL_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "contract/asn_types.h"
#include "contract/x509asn.h"
#include "framework/cmn_gref.h"

namespace pkixhost {
namespace asnimpl {

using namespace pkixasn;
using Bytes = std::vector<unsigned char>;

// Objects alive (buffers and values).
extern std::atomic<int> gLiveObjects;

// Lets one plain reference go at the end of a scope: the reference that
// create, encode, getValue ... hand out.
struct DropRef {
  void operator()(CMN_GuardedRef* p) const {
    if (p != nullptr) p->remReference();
  }
};
template <class T>
using Adopted = std::unique_ptr<T, DropRef>;

// Hands out a new reference to p (null stays null).
template <class T>
T* NewRef(T* p) {
  if (p != nullptr) p->addReference();
  return p;
}

// The service's code for a result of the support library (>= 0 is kAsnOk).
int FromSupport(int rc);

// Octets somewhere in memory; never dereferenced when n is 0.
struct View {
  const unsigned char* p;
  uint32_t n;
};
// The unread octets of any buffer object.
View UnreadOf(CMN_ASN_Buf_Interface* b);

// Owns a support-library Buffer record's block.
class OwnedRecord {
 public:
  OwnedRecord() { init_buffer(&b_); }
  ~OwnedRecord() { release_buffer(&b_); }
  OwnedRecord(const OwnedRecord&) = delete;
  OwnedRecord& operator=(const OwnedRecord&) = delete;
  Buffer* get() { return &b_; }
  // Hands the block over: the record is empty afterwards.
  Buffer Release() {
    Buffer out = b_;
    init_buffer(&b_);
    return out;
  }

 private:
  Buffer b_;
};

// Prepends a copy of v in front of b's content.
int Prepend(Buffer* b, View v);

// The buffer object (kind 0x420001): a support-library record over an owned
// block, and a read cursor as an offset from the first octet.
class AsnBuf final : public CMN_ASN_Buf_Interface {
 public:
  AsnBuf();
  ~AsnBuf() override;

  // A new buffer (count 0) holding a copy of v; null when memory is short.
  static AsnBuf* Copy(View v);
  // A new buffer (count 0) that takes over rec's block; null when memory is
  // short (rec then keeps it).
  static AsnBuf* Adopt(OwnedRecord* rec);

  int init() override { return kAsnOk; }
  int fini() override { return kAsnOk; }
  int load(const char* file) override;
  int save(const char* file) override;
  int init(unsigned size) override;
  int set(const unsigned char* p, unsigned len) override;
  bool operator==(CMN_ASN_Buf_Interface& other) override;
  CMN_ASN_Buf_Interface* clone() override;
  unsigned len() override { return rec_.len; }
  unsigned char* datap() override { return rec_.data == nullptr ? nullptr : rec_.data + pos_; }
  unsigned char* base() override { return rec_.data; }
  unsigned len_of_datap() override { return rec_.len - pos_; }
  unsigned char operator[](unsigned i) override;
  int operator>>(unsigned n) override;
  int operator<<(unsigned n) override;
  int reset() override;
  int retreat(unsigned n) override { return *this << n; }
  int shift(unsigned n) override { return *this >> n; }
  int insert(CMN_ASN_Buf_Interface* other) override;
  int getTag(unsigned& number, unsigned char& flag, unsigned& octets) override;
  int putTag(unsigned number, unsigned char flag) override;
  int chkTag(unsigned number, unsigned char flag) override;
  int putLen(unsigned len) override;
  int getLen(unsigned& len) override;

 private:
  // Replaces the contents by a copy of v; cursor at the start.
  int Replace(View v);

  Buffer rec_;
  uint32_t pos_;
};

// One element at the start of some octets.
struct Element {
  unsigned char id;    // identifier octet
  uint32_t total;      // octets of the whole element (end-of-contents included)
  bool indefinite;     // written with the indefinite length
  View content;        // content octets (end-of-contents excluded)
};
// Reads the element at the start of in without judging its identifier.
// kAsnTruncated, kAsnBadTag (high form, or the octet 00), kAsnBadLength,
// kAsnTooDeep, kAsnNotDer (indefinite length with ber false).
int ReadElement(View in, bool ber, Element* out);

// Bounds how deep encode, decode and clone run inside one another on one
// thread (cycles of containers included).
class DepthGuard {
 public:
  DepthGuard();
  ~DepthGuard();
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

// Prepends child's encoding to out. Returns the child's error when it
// encodes nothing.
int PrependEncodingOf(CMN_ASN_Type_Interface* child, Buffer* out);

// How a kind treats its identifier.
enum class IdKind {
  kPrimitive,    // fixed, written primitive (setFlag refuses the constructed bit)
  kString,       // fixed; under BER also accepted constructed (segments joined)
  kConstructed,  // fixed, the constructed bit always set
  kHeld,         // taken from what the object holds (CHOICE, ANY, OPTIONAL ...)
};

// The common part of every value object: the identifier, the encoding
// setting, the last result and the lengths; encode and decode run the
// nesting bound and the kind's element coding.
template <class I>
class AsnValue : public I {
 public:
  AsnValue(unsigned kind, unsigned char id, IdKind idKind) : I(kind), id_(id), idKind_(idKind) {
    gLiveObjects.fetch_add(1, std::memory_order_relaxed);
  }
  AsnValue(const AsnValue& o)
      : I(o), id_(o.id_), idKind_(o.idKind_), enc_(o.enc_), err_(o.err_), decLen_(o.decLen_),
        encLen_(o.encLen_) {
    gLiveObjects.fetch_add(1, std::memory_order_relaxed);
  }
  ~AsnValue() override { gLiveObjects.fetch_sub(1, std::memory_order_relaxed); }

  int init() override { return kAsnOk; }
  int fini() override { return kAsnOk; }

  CMN_ASN_Buf_Interface* encode() override {
    DepthGuard depth;
    if (!depth.ok()) return FailNull(kAsnTooDeep);
    OwnedRecord out;
    int rc = EncodeElement(out.get());
    if (rc != kAsnOk) return FailNull(rc);
    AsnBuf* b = AsnBuf::Adopt(&out);
    if (b == nullptr) return FailNull(kAsnNoMemory);
    encLen_ = b->len();
    err_ = kAsnOk;
    return NewRef(b);
  }

  int decode(CMN_ASN_Buf_Interface* in) override {
    DepthGuard depth;
    if (!depth.ok()) return Result(kAsnTooDeep);
    if (in == nullptr) return Result(kAsnBadArgument);
    uint32_t used = 0;
    int rc = DecodeAt(in, &used);
    if (rc == kAsnOk) decLen_ = used;
    return Result(rc);
  }

  int err() override { return err_; }
  unsigned getDecLen() override { return decLen_; }
  unsigned getRawLen() override {
    Adopted<CMN_ASN_Buf_Interface> b(encode());
    return b ? b->len() : 0;
  }
  unsigned getEncLen() override { return encLen_; }
  int setEncLen(unsigned len) override {
    encLen_ = len;
    return kAsnOk;
  }
  asn_encoding_t getEnc() override { return enc_; }
  int setEnc(asn_encoding_t enc) override {
    if (enc != ASN_BER && enc != ASN_DER) return Result(kAsnBadArgument);
    enc_ = enc;
    return Result(kAsnOk);
  }
  unsigned char getFlag() override { return static_cast<unsigned char>(HeldId() & kAsnFlagMask); }
  int setFlag(unsigned char flag) override {
    if (idKind_ == IdKind::kHeld || (flag & ~kAsnFlagMask) != 0) return Result(kAsnBadArgument);
    if (idKind_ == IdKind::kConstructed) flag |= kAsnConstructed;
    else if ((flag & kAsnConstructed) != 0) return Result(kAsnBadArgument);
    id_ = static_cast<unsigned char>(flag | (id_ & ~kAsnFlagMask));
    return Result(kAsnOk);
  }
  unsigned getObjId() override { return HeldId() & ~kAsnFlagMask & 0xFFu; }
  int setObjId(unsigned number) override {
    if (idKind_ == IdKind::kHeld || number > kAsnMaxTagNumber) return Result(kAsnBadArgument);
    id_ = static_cast<unsigned char>((id_ & kAsnFlagMask) | number);
    return Result(kAsnOk);
  }
  int isConstructed() override { return (HeldId() & kAsnConstructed) != 0 ? 1 : 0; }

 protected:
  bool ber() const { return enc_ == ASN_BER; }
  int Result(int rc) {
    err_ = rc;
    return rc;
  }
  CMN_ASN_Buf_Interface* FailNull(int rc) {
    err_ = rc;
    return nullptr;
  }
  // The identifier octet the object writes now (kHeld kinds: of what they
  // hold, 0 when nothing).
  virtual unsigned char HeldId() { return id_; }

  // Writes the whole element in front of out's content (default: the
  // content, then the identifier and length).
  virtual int EncodeElement(Buffer* out) {
    int rc = EncodeContent(out);
    if (rc != kAsnOk) return rc;
    return FromSupport(asn1_der_encode(id_, out));
  }
  virtual int EncodeContent(Buffer*) { return kAsnNotSet; }

  // Reads one element at in's cursor and advances it; *used gets the octets
  // read. Default: the element must carry the object's identifier, then the
  // kind reads its content.
  virtual int DecodeAt(CMN_ASN_Buf_Interface* in, uint32_t* used) {
    Element e;
    int rc = ReadElement(UnreadOf(in), ber(), &e);
    if (rc != kAsnOk) return rc;
    rc = CheckId(e.id);
    if (rc != kAsnOk) return rc;
    rc = DecodeContent(e);
    if (rc != kAsnOk) return rc;
    *used = e.total;
    return *in >> e.total;
  }
  virtual int DecodeContent(const Element&) { return kAsnFailed; }

  int CheckId(unsigned char seen) const {
    if (seen == id_) return kAsnOk;
    if (idKind_ == IdKind::kString && seen == (id_ | kAsnConstructed))
      return ber() ? kAsnOk : kAsnNotDer;
    return kAsnBadTag;
  }

  // Adds one reference to a new copy c (made by the copy constructor) and
  // lets the kind finish it (deep copies); null when that fails.
  template <class D>
  CMN_ASN_Type_Interface* Finish(D* c) {
    if (c == nullptr) return nullptr;
    AsnValue* v = c;
    c->addReference();
    if (v->Deepen() != kAsnOk) {
      c->remReference();
      return nullptr;
    }
    return c;
  }
  // Replaces shared parts of a fresh copy by copies of their own.
  virtual int Deepen() { return kAsnOk; }

  unsigned char id_;
  IdKind idKind_;
  asn_encoding_t enc_ = ASN_DER;
  int err_ = kAsnOk;
  uint32_t decLen_ = 0;
  uint32_t encLen_ = 0;
};

// clone() for a kind D written once: the copy constructor, then Deepen.
template <class D, class Base>
class Cloning : public Base {
 public:
  using Base::Base;
  CMN_ASN_Type_Interface* clone() override {
    DepthGuard depth;
    if (!depth.ok()) return nullptr;
    return this->Finish(new (std::nothrow) D(static_cast<const D&>(*this)));
  }
};

// Element lists of the containers: holders of the elements, each marked
// when decode (not addObject) put it there, and a cursor for getFirst and
// getNext.
class Elements {
 public:
  Elements() = default;
  // Shares o's elements (copies' Deepen replaces them by clones).
  Elements(const Elements& o);
  Elements& operator=(const Elements&) = delete;

  struct Item {
    std::unique_ptr<CMN_GRefPtr<CMN_ASN_Type_Interface>> holder;
    bool found;  // put there by decode; dropped by the next decode
  };

  int Add(CMN_ASN_Type_Interface* e, const void* owner, bool found = false);
  // Element i as a new reference; null beyond the end or when it was
  // detached.
  CMN_ASN_Type_Interface* Get(size_t i) const;
  CMN_ASN_Type_Interface* Raw(size_t i) const { return items_[i].holder->get(); }
  int RemoveLast();
  void DropFound();
  int CloneAll();
  size_t size() const { return items_.size(); }
  CMN_ASN_Type_Interface* First() {
    cursor_ = 0;
    return Get(0);
  }
  CMN_ASN_Type_Interface* Next() {
    if (cursor_ < items_.size()) ++cursor_;
    return Get(cursor_);
  }
  const std::vector<Item>& items() const { return items_; }

 private:
  std::vector<Item> items_;
  size_t cursor_ = 0;
};

// The factory of each kind (hostasn_values.cc, hostasn_containers.cc):
// a new object with count 0, null for an unknown code or short memory.
CMN_ASN_Type_Interface* NewValue(unsigned code);
CMN_ASN_Type_Interface* NewContainer(unsigned code);

}  // namespace asnimpl
}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTASN_IMPL_H_
