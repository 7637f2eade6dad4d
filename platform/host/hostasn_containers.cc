// The ASN.1 type service's kinds that hold other values: SEQUENCE, explicit
// tagging and the constructed value (elements in order), SET (elements in
// any order, encoded sorted), CHOICE, ANY and OPTIONAL. Elements are reached
// only through their interface, so the module's own objects nest in them
// like the service's.
#include <algorithm>

#include "host/hostasn_impl.h"

namespace pkixhost {
namespace asnimpl {

namespace {

constexpr unsigned char kIdSequence = 0x30;
constexpr unsigned char kIdSet = 0x31;
constexpr unsigned char kIdExplicit0 = 0xA0;

// The identifier octet an object writes.
unsigned char IdOf(CMN_ASN_Type_Interface* o) {
  return o == nullptr ? 0 : static_cast<unsigned char>(o->getFlag() | o->getObjId());
}

// Whether e's failed decode at in's cursor means that another element is
// there (so a holder may try its next alternative, or call an OPTIONAL
// absent) rather than that this element is there and malformed. A kind
// with a fixed identifier is not there when the identifier octet at the
// cursor is neither its own nor, for a string read under BER, its
// constructed form: a wrong identifier deeper inside it is a fault of the
// input. For kinds whose identifier depends on what they hold (and the
// module's own objects) their own answer decides.
bool NotThisElement(CMN_ASN_Type_Interface* e, CMN_ASN_Buf_Interface* in, int rc) {
  if (rc != kAsnBadTag && rc != kAsnNoAlternative) return false;
  static const unsigned kHeldKinds[] = {kKindGeneric, kKindChoice,   kKindAny,
                                        kKindOptional, kKindTemplate, kKindModuleOwn};
  for (unsigned k : kHeldKinds) {
    if (e->getType() == k) return true;
  }
  if (in->len_of_datap() == 0) return true;
  unsigned char seen = (*in)[0];
  unsigned char own = IdOf(e);
  return seen != own && seen != (own | kAsnConstructed);
}

// Decodes one element into e at in's cursor, under the holder's setting.
// *consumed gets the octets read (0 for an absent OPTIONAL).
int DecodeInto(CMN_ASN_Type_Interface* e, CMN_ASN_Buf_Interface* in, asn_encoding_t enc, uint32_t* consumed) {
  if (e == nullptr) return kAsnFailed;  // a holder detached at a module's unload
  unsigned before = in->len_of_datap();
  e->setEnc(enc);
  int rc = e->decode(in);
  *consumed = rc == kAsnOk ? before - in->len_of_datap() : 0;
  return rc;
}

// The content of a constructed element as a buffer of its own, so that no
// element reads past it.
Adopted<CMN_ASN_Buf_Interface> ContentBuffer(const Element& e) { return Adopted<CMN_ASN_Buf_Interface>(NewRef(AsnBuf::Copy(e.content))); }

// ---------------------------------------------------------------------------
// Elements in order: SEQUENCE, explicit tagging, the constructed value.

template <class D, class I>
class AsnContainer : public Cloning<D, AsnValue<I>> {
 public:
  AsnContainer(unsigned kind, unsigned char id) : Cloning<D, AsnValue<I>>(kind, id, IdKind::kConstructed) {}

  int addObject(CMN_ASN_Type_Interface* element) override {
    return this->Result(items_.Add(element, static_cast<CMN_ASN_Type_Interface*>(this)));
  }
  CMN_ASN_Type_Interface* getObject(unsigned i) override { return items_.Get(i); }

 protected:
  int Deepen() override { return items_.CloneAll(); }

  int EncodeContent(Buffer* out) override {
    for (size_t i = items_.size(); i-- > 0;) {
      int rc = PrependEncodingOf(items_.Raw(i), out);
      if (rc != kAsnOk) return rc;
    }
    return kAsnOk;
  }

  // The content in a buffer of its own; without declared elements one
  // generic object per element found, else the declared elements.
  int DecodeContent(const Element& e) override {
    items_.DropFound();
    Adopted<CMN_ASN_Buf_Interface> sub = ContentBuffer(e);
    if (!sub) return kAsnNoMemory;
    if (items_.size() == 0) return DecodeUnknown(sub.get());
    return DecodeDeclared(sub.get());
  }

  // The declared elements in order, then nothing may be left.
  virtual int DecodeDeclared(CMN_ASN_Buf_Interface* sub) {
    for (size_t i = 0; i < items_.size(); ++i) {
      uint32_t consumed = 0;
      int rc = DecodeInto(items_.Raw(i), sub, this->enc_, &consumed);
      if (rc != kAsnOk) return rc;
    }
    return sub->len_of_datap() == 0 ? kAsnOk : kAsnTrailing;
  }

  // With no elements declared: one generic object per element found.
  int DecodeUnknown(CMN_ASN_Buf_Interface* sub) {
    while (sub->len_of_datap() > 0) {
      Adopted<CMN_ASN_Type_Interface> g(NewRef(NewValue(kKindGeneric)));
      if (!g) return kAsnNoMemory;
      uint32_t consumed = 0;
      int rc = DecodeInto(g.get(), sub, this->enc_, &consumed);
      if (rc == kAsnOk) rc = items_.Add(g.get(), this, true);
      if (rc != kAsnOk) return rc;
    }
    return kAsnOk;
  }

  Elements items_;
};

template <class I>
class AsnOrdered final : public AsnContainer<AsnOrdered<I>, I> {
 public:
  AsnOrdered(unsigned kind, unsigned char id) : AsnContainer<AsnOrdered<I>, I>(kind, id) {}
};

class AsnSequence final : public AsnContainer<AsnSequence, CMN_ASN_Sequence_Interface> {
 public:
  AsnSequence() : AsnContainer(kKindSequence, kIdSequence) {}
  int removeLastObject() override { return Result(items_.RemoveLast()); }
};

// ---------------------------------------------------------------------------
// SET: written in ascending order of the encodings, read in any order.

class AsnSet final : public AsnContainer<AsnSet, CMN_ASN_Set_Interface> {
 public:
  AsnSet() : AsnContainer(kKindSet, kIdSet) {}
  CMN_ASN_Type_Interface* getFirst() override { return items_.First(); }
  CMN_ASN_Type_Interface* getNext() override { return items_.Next(); }
  int sortByValue(int on) override {
    sorted_ = on != 0;
    return Result(kAsnOk);
  }
  int removeLastObject() override { return Result(items_.RemoveLast()); }

 protected:
  int EncodeContent(Buffer* out) override {
    std::vector<Bytes> encodings(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) {
      OwnedRecord one;
      int rc = PrependEncodingOf(items_.Raw(i), one.get());
      if (rc != kAsnOk) return rc;
      if (one.get()->len > 0) encodings[i].assign(one.get()->data, one.get()->data + one.get()->len);
    }
    // Octet order, a shorter encoding before a longer one it begins.
    if (sorted_) std::sort(encodings.begin(), encodings.end());
    for (size_t i = encodings.size(); i-- > 0;) {
      const Bytes& b = encodings[i];
      int rc = Prepend(out, View{b.empty() ? nullptr : b.data(), static_cast<uint32_t>(b.size())});
      if (rc != kAsnOk) return rc;
    }
    return kAsnOk;
  }

  // Each element found goes to the first declared element that reads it.
  int DecodeDeclared(CMN_ASN_Buf_Interface* sub) override {
    std::vector<bool> done(items_.size(), false);
    while (sub->len_of_datap() > 0) {
      int rc = MatchOne(sub, &done);
      if (rc != kAsnOk) return rc;
    }
    // Elements not found: only an OPTIONAL accepts nothing.
    Adopted<CMN_ASN_Buf_Interface> none(NewRef(AsnBuf::Copy(View{nullptr, 0})));
    if (!none) return kAsnNoMemory;
    for (size_t i = 0; i < items_.size(); ++i) {
      if (done[i]) continue;
      uint32_t consumed = 0;
      int rc = DecodeInto(items_.Raw(i), none.get(), enc_, &consumed);
      if (rc != kAsnOk) return rc;
    }
    return kAsnOk;
  }

 private:
  // Gives the element at sub's cursor to the first element not yet decoded
  // that reads it.
  int MatchOne(CMN_ASN_Buf_Interface* sub, std::vector<bool>* done) {
    int firstError = kAsnOk;
    bool allDone = true;
    for (size_t i = 0; i < items_.size(); ++i) {
      if ((*done)[i]) continue;
      allDone = false;
      uint32_t consumed = 0;
      int rc = DecodeInto(items_.Raw(i), sub, enc_, &consumed);
      if (rc == kAsnOk && consumed > 0) {
        (*done)[i] = true;
        return kAsnOk;
      }
      if (rc != kAsnOk && !NotThisElement(items_.Raw(i), sub, rc) && firstError == kAsnOk) firstError = rc;
    }
    if (firstError != kAsnOk) return firstError;
    return allDone ? kAsnTrailing : kAsnBadTag;
  }

  bool sorted_ = true;
};

// ---------------------------------------------------------------------------
// CHOICE

class AsnChoice final : public Cloning<AsnChoice, AsnValue<CMN_ASN_Choice_Interface>> {
 public:
  AsnChoice() : Cloning(kKindChoice, 0, IdKind::kHeld) {}

  int addObject(CMN_ASN_Type_Interface* alternative) override {
    return Result(items_.Add(alternative, this));
  }
  CMN_ASN_Type_Interface* getObject(unsigned i) override { return items_.Get(i); }
  int setTypeForEncode(CMN_ASN_Type_Interface* alternative) override {
    for (size_t i = 0; alternative != nullptr && i < items_.size(); ++i) {
      if (items_.Raw(i) == alternative) {
        chosen_ = i;
        return Result(kAsnOk);
      }
    }
    return Result(kAsnBadArgument);
  }
  CMN_ASN_Type_Interface* getType() override { return Chosen() == nullptr ? nullptr : items_.Get(chosen_); }
  unsigned getRealId() override { return IdOf(Chosen()); }
  unsigned getMinId() override { return Chosen() == nullptr ? kAsnNoIndex : static_cast<unsigned>(chosen_); }

 protected:
  int Deepen() override { return items_.CloneAll(); }
  unsigned char HeldId() override { return IdOf(Chosen()); }
  int EncodeElement(Buffer* out) override {
    if (Chosen() == nullptr) return kAsnNotSet;
    return PrependEncodingOf(Chosen(), out);
  }
  int DecodeAt(CMN_ASN_Buf_Interface* in, uint32_t* used) override {
    if (in->len_of_datap() == 0) return kAsnTruncated;
    int firstError = kAsnOk;
    for (size_t i = 0; i < items_.size(); ++i) {
      uint32_t consumed = 0;
      int rc = DecodeInto(items_.Raw(i), in, enc_, &consumed);
      if (rc == kAsnOk && consumed > 0) {
        chosen_ = i;
        *used = consumed;
        return kAsnOk;
      }
      if (rc != kAsnOk && !NotThisElement(items_.Raw(i), in, rc) && firstError == kAsnOk) firstError = rc;
    }
    return firstError != kAsnOk ? firstError : kAsnNoAlternative;
  }

 private:
  CMN_ASN_Type_Interface* Chosen() const { return chosen_ < items_.size() ? items_.Raw(chosen_) : nullptr; }

  Elements items_;
  size_t chosen_ = SIZE_MAX;
};

// ---------------------------------------------------------------------------
// ANY

class AsnAny final : public Cloning<AsnAny, AsnValue<CMN_ASN_Any_Interface>> {
 public:
  AsnAny() : Cloning(kKindAny, 0, IdKind::kHeld) {}

  int addObject(CMN_ASN_Type_Interface* element) override {
    taken_ = kAll;
    return Result(items_.Add(element, this));
  }
  CMN_ASN_Type_Interface* getObject(unsigned i) override { return items_.Get(i); }
  CMN_ASN_Type_Interface* getFirst() override { return items_.First(); }
  CMN_ASN_Type_Interface* getNext() override { return items_.Next(); }
  unsigned getRealId() override {
    if (seen_ != 0) return seen_;
    return items_.size() == 0 ? 0 : IdOf(items_.Raw(0));
  }

 protected:
  int Deepen() override { return items_.CloneAll(); }
  unsigned char HeldId() override { return static_cast<unsigned char>(getRealId()); }
  int EncodeElement(Buffer* out) override {
    if (items_.size() == 0) return kAsnNotSet;
    if (taken_ < items_.size()) return PrependEncodingOf(items_.Raw(taken_), out);
    for (size_t i = items_.size(); i-- > 0;) {
      int rc = PrependEncodingOf(items_.Raw(i), out);
      if (rc != kAsnOk) return rc;
    }
    return kAsnOk;
  }
  int DecodeAt(CMN_ASN_Buf_Interface* in, uint32_t* used) override {
    Element e;
    int rc = ReadElement(UnreadOf(in), ber(), &e);
    if (rc != kAsnOk) return rc;
    items_.DropFound();
    taken_ = kAll;
    for (size_t i = 0; i < items_.size(); ++i) {
      uint32_t consumed = 0;
      if (DecodeInto(items_.Raw(i), in, enc_, &consumed) == kAsnOk && consumed > 0) {
        seen_ = e.id;
        taken_ = i;
        *used = consumed;
        return kAsnOk;
      }
    }
    Adopted<CMN_ASN_Type_Interface> g(NewRef(NewValue(kKindGeneric)));
    if (!g) return kAsnNoMemory;
    uint32_t consumed = 0;
    rc = DecodeInto(g.get(), in, enc_, &consumed);
    if (rc != kAsnOk) return rc;
    rc = items_.Add(g.get(), this, true);
    if (rc != kAsnOk) {
      *in << consumed;
      return rc;
    }
    seen_ = e.id;
    taken_ = items_.size() - 1;
    *used = consumed;
    return kAsnOk;
  }

 private:
  static constexpr size_t kAll = SIZE_MAX;  // encode writes every object held

  Elements items_;
  unsigned char seen_ = 0;
  size_t taken_ = kAll;  // the object that took the element last decoded
};

// ---------------------------------------------------------------------------
// OPTIONAL

class AsnOptional final : public Cloning<AsnOptional, AsnValue<CMN_ASN_Optional_Interface>> {
 public:
  AsnOptional() : Cloning(kKindOptional, 0, IdKind::kHeld) {}

  int addObject(CMN_ASN_Type_Interface* element) override {
    if (items_.size() > 0) return Result(kAsnAlreadyPresent);
    int rc = items_.Add(element, this);
    if (rc == kAsnOk) present_ = true;
    return Result(rc);
  }
  CMN_ASN_Type_Interface* getObject(unsigned i) override { return items_.Get(i); }
  unsigned getRealId() override { return IdOf(Present()); }

 protected:
  int Deepen() override { return items_.CloneAll(); }
  unsigned char HeldId() override { return IdOf(Present()); }
  int EncodeElement(Buffer* out) override {
    return Present() == nullptr ? kAsnOk : PrependEncodingOf(Present(), out);
  }
  int DecodeAt(CMN_ASN_Buf_Interface* in, uint32_t* used) override {
    *used = 0;
    present_ = false;
    if (items_.size() == 0 || in->len_of_datap() == 0) return kAsnOk;
    uint32_t consumed = 0;
    int rc = DecodeInto(items_.Raw(0), in, enc_, &consumed);
    if (rc == kAsnOk) {
      present_ = consumed > 0;
      *used = consumed;
      return kAsnOk;
    }
    return NotThisElement(items_.Raw(0), in, rc) ? kAsnOk : rc;
  }

 private:
  CMN_ASN_Type_Interface* Present() const { return present_ && items_.size() > 0 ? items_.Raw(0) : nullptr; }

  Elements items_;
  bool present_ = false;
};

}  // namespace

CMN_ASN_Type_Interface* NewContainer(unsigned code) {
  switch (code) {
    case kKindSequence: return new (std::nothrow) AsnSequence;
    case kKindSet: return new (std::nothrow) AsnSet;
    case kKindExplicit:
      return new (std::nothrow) AsnOrdered<CMN_ASN_Explicit_Interface>(code, kIdExplicit0);
    case kKindConstructed:
      return new (std::nothrow) AsnOrdered<CMN_ASN_Type_Constructed_Interface>(code, kIdSequence);
    case kKindChoice: return new (std::nothrow) AsnChoice;
    case kKindAny: return new (std::nothrow) AsnAny;
    case kKindOptional: return new (std::nothrow) AsnOptional;
    default: return nullptr;
  }
}

}  // namespace asnimpl
}  // namespace pkixhost
