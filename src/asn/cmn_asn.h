// The client side of the host's generic ASN.1 object service (service 66):
// the service stub CMN_ASN_Stub, the value-holding template
// CMN_ASN_Type_Stub<I, code>, one stub class per ASN.1 kind, and the byte
// buffer stub CMN_ASN_Buf_Stub.
//
// Every stub holds a guarded reference to one object of the service (or
// none) and forwards its operations to it with the object's guard raised;
// no encoding or decoding happens here. A default-constructed stub asks the
// service for an object of its kind; when no service can be bound the stub
// stays empty and every operation fails: kFailed (9) for the operations
// returning a code, 0 or an empty stub for the others. Codes the service
// returns pass through unchanged (contract/asn_types.h lists them). Copies
// and conversions share the object, which lives as long as a stub refers
// to it; every stub keeps the service stub in use for its lifetime.
#ifndef PKIX_ASN_CMN_ASN_H_
#define PKIX_ASN_CMN_ASN_H_

#include "cert/xbase.h"
#include "contract/asn_types.h"
#include "framework/cmn_stub.h"
#include "framework/id_type.h"
#include "support/result_codes.h"

// The identifier of the service (66).
extern Tuint32ID ASN_ID;

template <class I, unsigned code>
class CMN_ASN_Type_Stub;
// The generic stub: a value of any kind (kind 0x420002 when made anew).
using CMN_ASN_Type = CMN_ASN_Type_Stub<CMN_ASN_Type_Interface, pkixasn::kKindGeneric>;

// The service stub. The module's one instance (asnService) is built unbound
// at load and binds on first use, testing twice around its bind mutex.
class CMN_ASN_Stub : public CMN_ServiceStub<CMN_ASN_Interface> {
 public:
  // Asks the host module manager for the service at once.
  CMN_ASN_Stub();
  // Wraps a given service (null: unbound, binds on first use).
  explicit CMN_ASN_Stub(CMN_ASN_Interface* service);
  ~CMN_ASN_Stub() override;

  // A new object of kind code (the buffer kind included), with one
  // reference for the caller; null when no service can be bound or the
  // service makes none.
  CMN_GuardedRef* create(unsigned code);
  // A new object of the type registered under name, with one reference for
  // the caller; null as above, and for a null name.
  CMN_ASN_Type_Interface* create(const char* name);
  // Registers (a clone of) prototype as the type called name. The
  // service's code; kFailed when no service can be bound or the prototype
  // is empty.
  int registry(const char* name, const CMN_ASN_Type& prototype);
};

// The module's one service stub, unbound at load.
extern CMN_ASN_Stub asnService;

// A byte buffer of the service with a read cursor: octets from base() to
// base() + len(), the cursor datap() among them, len_of_datap() octets
// unread. Decoding reads the unread octets; encoding prepends.
class CMN_ASN_Buf_Stub : public CMN_ObjectStub<CMN_ASN_Buf_Interface> {
 public:
  // A new, empty buffer of the service (kind 0x420001); an empty stub
  // without a service.
  CMN_ASN_Buf_Stub();
  // Holds buf (a reference of its own; null: an empty stub). Asks nothing.
  explicit CMN_ASN_Buf_Stub(CMN_ASN_Buf_Interface* buf);
  // A new buffer holding a copy of the len octets at p (cursor at the
  // first); an empty stub without a service or when the copy fails.
  CMN_ASN_Buf_Stub(const unsigned char* p, unsigned len);
  CMN_ASN_Buf_Stub(const CMN_ASN_Buf_Stub&) = default;
  CMN_ASN_Buf_Stub& operator=(const CMN_ASN_Buf_Stub&) = default;
  ~CMN_ASN_Buf_Stub() override;

  // Takes a buffer the service returned with one reference for the caller
  // (that reference passes to the stub; null: an empty stub).
  static CMN_ASN_Buf_Stub fromService(CMN_ASN_Buf_Interface* created);

  // True when no buffer object is held.
  bool empty() const { return get() == nullptr; }

  // Each of the following forwards to the buffer (contract/asn_types.h
  // says what it does and which codes it returns); an empty stub answers
  // kFailed for the codes, 0, null or false for the rest.

  int load(const char* file);
  int save(const char* file);
  int init(unsigned size);
  int set(const unsigned char* p, unsigned len);
  // True when both unread contents are the same (false when either stub
  // is empty).
  bool operator==(const CMN_ASN_Buf_Stub& other) const;
  // A new buffer with a copy of the octets; empty when empty.
  CMN_ASN_Buf_Stub clone() const;
  unsigned len() const;
  unsigned char* datap() const;
  unsigned char* base() const;
  unsigned len_of_datap() const;
  unsigned char operator[](unsigned i) const;
  int operator>>(unsigned n);
  int operator<<(unsigned n);
  int reset();
  int retreat(unsigned n);
  int shift(unsigned n);
  // Prepends other's unread octets (kFailed when other is empty).
  int insert(const CMN_ASN_Buf_Stub& other);
  int getTag(unsigned& number, unsigned char& flag, unsigned& octets);
  int putTag(unsigned number, unsigned char flag);
  int chkTag(unsigned number, unsigned char flag);
  int putLen(unsigned len);
  int getLen(unsigned& len);
};

// A stub of interface I whose default constructor asks the service for kind
// code (pkixasn::kKindModuleOwn: never asked; the stub starts empty).
template <class I, unsigned code>
class CMN_ASN_Type_Stub : public CMN_ObjectStub<I> {
 public:
  // A new object of kind code; empty without a service.
  CMN_ASN_Type_Stub() : CMN_ObjectStub<I>(nullptr, &asnService) {
    if (code != pkixasn::kKindModuleOwn) this->adopt(static_cast<I*>(asnService.create(code)));
  }
  // Holds obj (a reference of its own; null: empty). Asks nothing.
  explicit CMN_ASN_Type_Stub(I* obj) : CMN_ObjectStub<I>(obj, &asnService) {}
  // An empty stub that keeps the given service stub in use (the generic
  // stub's form for objects that are filled in later).
  explicit CMN_ASN_Type_Stub(CMN_ServiceStubInterface* service) : CMN_ObjectStub<I>(nullptr, service) {}
  // Shares the object of a generic stub when it is of this stub's kind (the
  // generic stub takes any kind); empty otherwise.
  template <class J = I, unsigned k = code>
  CMN_ASN_Type_Stub(const CMN_ASN_Type_Stub<CMN_ASN_Type_Interface, pkixasn::kKindGeneric>& any)
      : CMN_ObjectStub<I>(ofKind(any.get()), &asnService) {}
  CMN_ASN_Type_Stub(const CMN_ASN_Type_Stub&) = default;
  CMN_ASN_Type_Stub& operator=(const CMN_ASN_Type_Stub&) = default;
  ~CMN_ASN_Type_Stub() override = default;

  // Takes an object the service returned with one reference for the
  // caller (that reference passes to the stub; null: an empty stub).
  static CMN_ASN_Type_Stub adoptObject(I* created) {
    CMN_ASN_Type_Stub s(static_cast<I*>(nullptr));
    s.adopt(created);
    return s;
  }

  // The generic stub sharing this object.
  CMN_ASN_Type toType() const { return CMN_ASN_Type(static_cast<CMN_ASN_Type_Interface*>(this->get())); }
  operator CMN_ASN_Type() const { return toType(); }

  // True when no object is held.
  bool empty() const { return this->get() == nullptr; }

  // Decodes one value of this kind at in's cursor and moves the cursor past
  // it. 0 or the service's code; kFailed when either stub is empty.
  int decode(CMN_ASN_Buf_Stub& in) {
    CMN_ASN_Buf_Interface* b = in.get();
    if (b == nullptr) return pkixrc::kFailed;
    return this->invoke([&](I* o) { return o->decode(b); }, pkixrc::kFailed);
  }
  // The object's last result; kFailed when empty.
  int err() {
    return this->invoke([](I* o) { return o->err(); }, pkixrc::kFailed);
  }
  // The DER element; empty when empty or when encoding fails (err() says
  // why).
  CMN_ASN_Buf_Stub encode() {
    return CMN_ASN_Buf_Stub::fromService(this->invoke([](I* o) { return o->encode(); }, nullptr));
  }
  // The length of the element encode() would write; 0 when empty or when
  // it would fail.
  unsigned getRawLen() {
    return this->invoke([](I* o) { return o->getRawLen(); }, 0u);
  }
  // The identifier's class bits and tag number (implicit tagging). 0 or
  // the service's code; kFailed when empty.
  int setFlag(unsigned char flag) {
    return this->invoke([&](I* o) { return o->setFlag(flag); }, pkixrc::kFailed);
  }
  int setObjId(unsigned number) {
    return this->invoke([&](I* o) { return o->setObjId(number); }, pkixrc::kFailed);
  }
  // What decode accepts (ASN_DER by default). 0 or the service's code;
  // kFailed when empty.
  int setEnc(asn_encoding_t enc) {
    return this->invoke([&](I* o) { return o->setEnc(enc); }, pkixrc::kFailed);
  }

 protected:
  // p when it is of this stub's kind (any kind for the generic stub), else
  // null.
  static I* ofKind(CMN_ASN_Type_Interface* p) {
    if (p == nullptr) return nullptr;
    if (code != pkixasn::kKindGeneric && p->getType() != code) return nullptr;
    return static_cast<I*>(p);
  }
};

// The operations several kinds share, written once.

// Kinds that hold octets: setValue(buffer) and getValue().
template <class I, unsigned code>
class CMN_ASN_Value_Stub : public CMN_ASN_Type_Stub<I, code> {
 public:
  using CMN_ASN_Type_Stub<I, code>::CMN_ASN_Type_Stub;
  CMN_ASN_Value_Stub() = default;
  CMN_ASN_Value_Stub(const CMN_ASN_Type_Stub<I, code>& s) : CMN_ASN_Type_Stub<I, code>(s) {}
  // Replaces the value by v's unread octets. 0 or the service's code;
  // kFailed when either stub is empty.
  int setValue(const CMN_ASN_Buf_Stub& v) {
    CMN_ASN_Buf_Interface* b = v.get();
    if (b == nullptr) return pkixrc::kFailed;
    return this->invoke([&](I* o) { return o->setValue(b); }, pkixrc::kFailed);
  }
  // The value's octets; empty when empty or unset.
  CMN_ASN_Buf_Stub getValue() {
    return CMN_ASN_Buf_Stub::fromService(this->invoke([](I* o) { return o->getValue(); }, nullptr));
  }
};

// Kinds with elements: addObject(value) and getObject(index).
template <class I, unsigned code>
class CMN_ASN_Members_Stub : public CMN_ASN_Type_Stub<I, code> {
 public:
  using CMN_ASN_Type_Stub<I, code>::CMN_ASN_Type_Stub;
  CMN_ASN_Members_Stub() = default;
  CMN_ASN_Members_Stub(const CMN_ASN_Type_Stub<I, code>& s) : CMN_ASN_Type_Stub<I, code>(s) {}
  // Adds an element sharing value's object. 0 or the service's code;
  // kFailed when either stub is empty.
  int addObject(const CMN_ASN_Type& value) {
    CMN_ASN_Type_Interface* v = value.get();
    if (v == nullptr) return pkixrc::kFailed;
    return this->invoke([&](I* o) { return o->addObject(v); }, pkixrc::kFailed);
  }
  // Element i (from 0); empty when there is none.
  CMN_ASN_Type getObject(unsigned i) {
    return CMN_ASN_Type::adoptObject(this->invoke([&](I* o) { return o->getObject(i); }, nullptr));
  }
};

// Kinds with a cursor over their elements: getFirst() and getNext().
template <class Base, class I>
class CMN_ASN_Walk : public Base {
 public:
  using Base::Base;
  // Element 0 / the element after the last one given; empty at the end.
  CMN_ASN_Type getFirst() {
    return CMN_ASN_Type::adoptObject(this->invoke([](I* o) { return o->getFirst(); }, nullptr));
  }
  CMN_ASN_Type getNext() {
    return CMN_ASN_Type::adoptObject(this->invoke([](I* o) { return o->getNext(); }, nullptr));
  }
};

// Kinds that answer the identifier octet of what they hold or chose.
template <class Base, class I>
class CMN_ASN_RealId : public Base {
 public:
  using Base::Base;
  // The identifier octet; 0 when empty or when nothing is held.
  unsigned getRealId() {
    return this->invoke([](I* o) { return o->getRealId(); }, 0u);
  }
};

// Kinds that drop their last element.
template <class Base, class I>
class CMN_ASN_Shrink : public Base {
 public:
  using Base::Base;
  // 0, or the service's code (kAsnNotFound with no element); kFailed when
  // empty.
  int removeLastObject() {
    return this->invoke([](I* o) { return o->removeLastObject(); }, pkixrc::kFailed);
  }
};

// Kinds whose octets are also set from a pointer and a length.
template <class Base, class I>
class CMN_ASN_RawValue : public Base {
 public:
  using Base::Base;
  using Base::setValue;
  // Sets the value from len octets at p. 0 or the service's code; kFailed
  // when empty.
  int setValue(const unsigned char* p, unsigned len) {
    return this->invoke([&](I* o) { return o->setValue(p, len); }, pkixrc::kFailed);
  }
};

class CMN_ASN_Bool_Stub : public CMN_ASN_Type_Stub<CMN_ASN_Bool_Interface, pkixasn::kKindBool> {
 public:
  using CMN_ASN_Type_Stub::CMN_ASN_Type_Stub;
  // 1 TRUE, 0 FALSE (also when empty).
  int value() {
    return invoke([](CMN_ASN_Bool_Interface* o) { return o->value(); }, 0);
  }
  // Sets the value (non-zero: TRUE). 0; kFailed when empty.
  int value(int v) {
    return invoke([&](CMN_ASN_Bool_Interface* o) { return o->value(v); }, pkixrc::kFailed);
  }
};

// INTEGER: setValue/getValue on the content octets (two's complement,
// big-endian); setNumber/getNumber on a big-endian unsigned magnitude;
// signum on the sign.
class CMN_ASN_Integer_Stub
    : public CMN_ASN_RawValue<CMN_ASN_Value_Stub<CMN_ASN_Integer_Interface, pkixasn::kKindInteger>,
                              CMN_ASN_Integer_Interface> {
 public:
  using CMN_ASN_RawValue::CMN_ASN_RawValue;
  int setNumber(const CMN_ASN_Buf_Stub& n) {
    CMN_ASN_Buf_Interface* b = n.get();
    if (b == nullptr) return pkixrc::kFailed;
    return invoke([&](CMN_ASN_Integer_Interface* o) { return o->setNumber(b); }, pkixrc::kFailed);
  }
  int setNumber(const unsigned char* p, unsigned len) {
    return invoke([&](CMN_ASN_Integer_Interface* o) { return o->setNumber(p, len); }, pkixrc::kFailed);
  }
  // Sets a machine number (written big-endian first).
  int setNumber(unsigned long n);
  CMN_ASN_Buf_Stub getNumber() {
    return CMN_ASN_Buf_Stub::fromService(invoke([](CMN_ASN_Integer_Interface* o) { return o->getNumber(); }, nullptr));
  }
  // -1, 0 or 1 (0 when empty).
  int signum() {
    return invoke([](CMN_ASN_Integer_Interface* o) { return o->signum(); }, 0);
  }
  int signum(int s) {
    return invoke([&](CMN_ASN_Integer_Interface* o) { return o->signum(s); }, pkixrc::kFailed);
  }
};

class CMN_ASN_OctetString_Stub
    : public CMN_ASN_RawValue<CMN_ASN_Value_Stub<CMN_ASN_OctetString_Interface, pkixasn::kKindOctetString>,
                              CMN_ASN_OctetString_Interface> {
 public:
  using CMN_ASN_RawValue::CMN_ASN_RawValue;
};

class CMN_ASN_PrintableString_Stub
    : public CMN_ASN_Value_Stub<CMN_ASN_PrintableString_Interface, pkixasn::kKindPrintableString> {
 public:
  using CMN_ASN_Value_Stub::CMN_ASN_Value_Stub;
};

class CMN_ASN_IA5String_Stub : public CMN_ASN_Value_Stub<CMN_ASN_IA5String_Interface, pkixasn::kKindIA5String> {
 public:
  using CMN_ASN_Value_Stub::CMN_ASN_Value_Stub;
};

class CMN_ASN_BMPString_Stub : public CMN_ASN_Value_Stub<CMN_ASN_BMPString_Interface, pkixasn::kKindBMPString> {
 public:
  using CMN_ASN_Value_Stub::CMN_ASN_Value_Stub;
};

class CMN_ASN_UniversalString_Stub
    : public CMN_ASN_Value_Stub<CMN_ASN_UniversalString_Interface, pkixasn::kKindUniversalString> {
 public:
  using CMN_ASN_Value_Stub::CMN_ASN_Value_Stub;
};

// BIT STRING: the bit octets (no unused-bits octet) and the unused bits.
class CMN_ASN_BitString_Stub
    : public CMN_ASN_RawValue<CMN_ASN_Value_Stub<CMN_ASN_BitString_Interface, pkixasn::kKindBitString>,
                              CMN_ASN_BitString_Interface> {
 public:
  using CMN_ASN_RawValue::CMN_ASN_RawValue;
  // The unused bits of the last octet (0 when empty).
  unsigned unused() {
    return invoke([](CMN_ASN_BitString_Interface* o) { return o->unused(); }, 0u);
  }
  int unused(unsigned char bits) {
    return invoke([&](CMN_ASN_BitString_Interface* o) { return o->unused(bits); }, pkixrc::kFailed);
  }
};

// OBJECT IDENTIFIER: the content octets, or the arcs.
class CMN_ASN_ObjectId_Stub : public CMN_ASN_Value_Stub<CMN_ASN_ObjectId_Interface, pkixasn::kKindObjectId> {
 public:
  using CMN_ASN_Value_Stub::CMN_ASN_Value_Stub;
  using CMN_ASN_Value_Stub::setValue;
  int setValue(const unsigned* arcs, unsigned count) {
    return invoke([&](CMN_ASN_ObjectId_Interface* o) { return o->setValue(arcs, count); }, pkixrc::kFailed);
  }
};

class CMN_ASN_Null_Stub : public CMN_ASN_Type_Stub<CMN_ASN_Null_Interface, pkixasn::kKindNull> {
 public:
  using CMN_ASN_Type_Stub::CMN_ASN_Type_Stub;
};

// UTCTime and GeneralizedTime: seconds since 1970.
template <class I, unsigned code>
class CMN_ASN_Time_Stub : public CMN_ASN_Type_Stub<I, code> {
 public:
  using CMN_ASN_Type_Stub<I, code>::CMN_ASN_Type_Stub;
  // 0 or the service's code (a time the kind cannot hold); kFailed when
  // empty.
  int setTime(long t) {
    return this->invoke([&](I* o) { return o->setTime(t); }, pkixrc::kFailed);
  }
  // The time; 0 when empty or unset.
  long getTime() {
    return this->invoke([](I* o) { return o->getTime(); }, 0L);
  }
};

class CMN_ASN_UtcTime_Stub : public CMN_ASN_Time_Stub<CMN_ASN_UtcTime_Interface, pkixasn::kKindUtcTime> {
 public:
  using CMN_ASN_Time_Stub::CMN_ASN_Time_Stub;
};

class CMN_ASN_GeneralTime_Stub : public CMN_ASN_Time_Stub<CMN_ASN_GeneralTime_Interface, pkixasn::kKindGeneralTime> {
 public:
  using CMN_ASN_Time_Stub::CMN_ASN_Time_Stub;
};

class CMN_ASN_Sequence_Stub
    : public CMN_ASN_Shrink<CMN_ASN_Members_Stub<CMN_ASN_Sequence_Interface, pkixasn::kKindSequence>,
                            CMN_ASN_Sequence_Interface> {
 public:
  using CMN_ASN_Shrink::CMN_ASN_Shrink;
};

class CMN_ASN_Set_Stub
    : public CMN_ASN_Shrink<CMN_ASN_Walk<CMN_ASN_Members_Stub<CMN_ASN_Set_Interface, pkixasn::kKindSet>,
                                         CMN_ASN_Set_Interface>,
                            CMN_ASN_Set_Interface> {
 public:
  using CMN_ASN_Shrink::CMN_ASN_Shrink;
  // on != 0: encode in ascending order of the encodings (the default); 0:
  // in insertion order. kFailed when empty.
  int sortByValue(int on) {
    return invoke([&](CMN_ASN_Set_Interface* o) { return o->sortByValue(on); }, pkixrc::kFailed);
  }
};

class CMN_ASN_Choice_Stub
    : public CMN_ASN_RealId<CMN_ASN_Members_Stub<CMN_ASN_Choice_Interface, pkixasn::kKindChoice>,
                            CMN_ASN_Choice_Interface> {
 public:
  using CMN_ASN_RealId::CMN_ASN_RealId;
  // Chooses the alternative encode() writes (one added before). 0 or the
  // service's code; kFailed when either stub is empty.
  int setTypeForEncode(const CMN_ASN_Type& alternative) {
    CMN_ASN_Type_Interface* a = alternative.get();
    if (a == nullptr) return pkixrc::kFailed;
    return invoke([&](CMN_ASN_Choice_Interface* o) { return o->setTypeForEncode(a); }, pkixrc::kFailed);
  }
  // The chosen alternative; empty when none.
  CMN_ASN_Type getType() {
    return CMN_ASN_Type::adoptObject(invoke([](CMN_ASN_Choice_Interface* o) { return o->getType(); }, nullptr));
  }
  // The chosen alternative's position (pkixasn::kAsnNoIndex when none or
  // empty).
  unsigned getMinId() {
    return invoke([](CMN_ASN_Choice_Interface* o) { return o->getMinId(); }, pkixasn::kAsnNoIndex);
  }
};

class CMN_ASN_Any_Stub
    : public CMN_ASN_RealId<CMN_ASN_Walk<CMN_ASN_Members_Stub<CMN_ASN_Any_Interface, pkixasn::kKindAny>,
                                         CMN_ASN_Any_Interface>,
                            CMN_ASN_Any_Interface> {
 public:
  using CMN_ASN_RealId::CMN_ASN_RealId;
};

class CMN_ASN_Optional_Stub
    : public CMN_ASN_RealId<CMN_ASN_Members_Stub<CMN_ASN_Optional_Interface, pkixasn::kKindOptional>,
                            CMN_ASN_Optional_Interface> {
 public:
  using CMN_ASN_RealId::CMN_ASN_RealId;
};

class CMN_ASN_Explicit_Stub : public CMN_ASN_Members_Stub<CMN_ASN_Explicit_Interface, pkixasn::kKindExplicit> {
 public:
  using CMN_ASN_Members_Stub::CMN_ASN_Members_Stub;
};

class CMN_ASN_Type_Constructed_Stub
    : public CMN_ASN_Members_Stub<CMN_ASN_Type_Constructed_Interface, pkixasn::kKindConstructed> {
 public:
  using CMN_ASN_Members_Stub::CMN_ASN_Members_Stub;
};

// Template: one element whose identifier octet is chosen at run time.
class CMN_ASN_Template_Stub
    : public CMN_ASN_RealId<CMN_ASN_Value_Stub<CMN_ASN_Template_Interface, pkixasn::kKindTemplate>,
                            CMN_ASN_Template_Interface> {
 public:
  using CMN_ASN_RealId::CMN_ASN_RealId;
  // Fixes the identifier octet (0: any). 0 or the service's code; kFailed
  // when empty.
  int setRealId(unsigned id) {
    return invoke([&](CMN_ASN_Template_Interface* o) { return o->setRealId(id); }, pkixrc::kFailed);
  }
};

// The PKIX object a client wrapper holds (its XBase), or null when the
// wrapper is empty. With take set a reference is added for the receiver,
// who drops it with release(). (Wrappers of the module's own PKIXWrapper
// family have the same function in module/pkixwrap.h.)
XBase* getXBase(const PKIXAnyObject<XBase>& wrapper, int take);

#endif  // PKIX_ASN_CMN_ASN_H_
