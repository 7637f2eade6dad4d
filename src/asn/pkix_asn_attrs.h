// The attribute objects of the ASN.1 object service (PKCS #9 attributes and
// attributes of any other type) and the attribute set.
#ifndef PKIX_ASN_PKIX_ASN_ATTRS_H_
#define PKIX_ASN_PKIX_ASN_ATTRS_H_

#include <vector>

#include "asn/pkix_asn_attrtab.h"
#include "asn/pkix_asn_base.h"
#include "asn/pkix_asnC.h"

// The part every attribute shares: its type and the Attribute value,
// SEQUENCE { type OBJECT IDENTIFIER, values SET OF value }.
class ASNBaseAttribute {
 public:
  explicit ASNBaseAttribute(int type);
  // Writes the type's identifier (none for the any-attribute).
  void setID();
  // 0 when the type is the any-attribute's or the identifier held is the
  // type's own; 9 otherwise.
  int checkID() const;

 protected:
  pkixasn::Attribute attr_;
};

// One attribute class per type, over the shared operations. Value sets
// through setValue(buffer) are the value's content octets, written with
// the type's identifier octet.
template <class I>
class PkixAttribute : public pkixasn::PkixAsnObject<I>, public ASNBaseAttribute {
 public:
  explicit PkixAttribute(int type) : ASNBaseAttribute(type) {}
  ASNAttribute_Interface::attribute_t getType() override {
    return static_cast<ASNAttribute_Interface::attribute_t>(attr_.type);
  }
  int setValue(CMN_ASN_Buf_Stub& v) override;
  CMN_ASN_Buf_Stub getValue() override { return pkixasn::bufStubOf(attr_.value); }
  CMN_ASN_Buf_Stub getOID() override { return pkixasn::bufStubOf(attr_.oid); }

 protected:
  // Another identifier than the type's, or a value of another kind: 9.
  int readDer(DerReader& in) override;
  // No value set: 40.
  int writeDer(DerBuilder& out) override;
  // The identifier octet a value set by setValue gets; 4 when the octets
  // do not suit it.
  virtual int tagFor(const pkixasn::Octets& v, unsigned char* tag) = 0;
  bool has_value_ = false;
};

class ASNLocalKeyIdAttribute : public PkixAttribute<Attribute_Interface> {
 public:
  ASNLocalKeyIdAttribute() : PkixAttribute(pkixasn::kAttrLocalKeyId) {}
  ~ASNLocalKeyIdAttribute() override;

 protected:
  int tagFor(const pkixasn::Octets& v, unsigned char* tag) override;
};

class ASNFriendlyNameAttribute : public PkixAttribute<Attribute_Interface> {
 public:
  ASNFriendlyNameAttribute() : PkixAttribute(pkixasn::kAttrFriendlyName) {}
  ~ASNFriendlyNameAttribute() override;

 protected:
  // BMPString: two octets a character (4 for an odd count).
  int tagFor(const pkixasn::Octets& v, unsigned char* tag) override;
};

class ASNChalPassAttribute : public PkixAttribute<Attribute_Interface> {
 public:
  ASNChalPassAttribute() : PkixAttribute(pkixasn::kAttrChallengePassword) {}
  ~ASNChalPassAttribute() override;

 protected:
  // PrintableString; UTF8String when a character is outside its set.
  int tagFor(const pkixasn::Octets& v, unsigned char* tag) override;
};

class ASNExtensionAttribute : public PkixAttribute<ASNExtensionAttribute_Interface> {
 public:
  ASNExtensionAttribute() : PkixAttribute(pkixasn::kAttrExtensionRequest) {}
  ~ASNExtensionAttribute() override;
  // The list's extensions become the value (4 for an empty wrapper, 9 for
  // none, more than 20, or one without DER).
  int setValue(const aExtnList& l) override;
  using PkixAttribute::setValue;
  aExtnList getExtensions() override;
  int isEmpty() override { return has_value_ ? 0 : 1; }

 protected:
  // The content of an Extensions SEQUENCE (1 to 20 Extension).
  int tagFor(const pkixasn::Octets& v, unsigned char* tag) override;
};

// Any other type: the identifier and every value kept as read; setValue
// writes one value with the identifier set by setValueId (OCTET STRING
// until then).
class ASNAnyAttribute : public PkixAttribute<AnyAttribute_Interface> {
 public:
  ASNAnyAttribute() : PkixAttribute(pkixasn::kAttrAny) {}
  ~ASNAnyAttribute() override;
  int setValue(CMN_ASN_Buf_Stub& v) override;
  int setOID(CMN_ASN_Buf_Stub& oid) override;
  int setValueId(unsigned id, unsigned char flag) override;
  unsigned getValueId() override;
  unsigned char getValueFlag() override;

 protected:
  int tagFor(const pkixasn::Octets& v, unsigned char* tag) override;

 private:
  unsigned char value_id_ = 0x04;
};

// SET OF Attribute, its identifier octet that of a SET until setFlag /
// setObjId change it ([0] IMPLICIT in a certification request: setFlag
// 0xA0, setObjId 0). Attributes are kept as stubs, in order.
class ASNAttributes : public pkixasn::PkixAsnObject<ASNAttributes_Interface> {
 public:
  ASNAttributes();
  ~ASNAttributes() override;
  CMN_ASN_BaseAttribute getFirst() override;
  CMN_ASN_BaseAttribute getNext() override;
  int append(const CMN_ASN_BaseAttribute& a) override;
  int delAttr() override;
  int addObjects() override { return 0; }
  int fini() override { return delAttr(); }
  // Empties the list and the cursor.
  void Reset() { delAttr(); }

 protected:
  // The identifier octet must be the object's (else 9, cursor unmoved);
  // each Attribute is read with createAttr and appended.
  int readDer(DerReader& in) override;
  // The attributes' encodings in list order.
  int writeDer(DerBuilder& out) override;

 private:
  std::vector<CMN_ASN_BaseAttribute> attrs_;
  size_t cursor_ = 0;
};

// Reads one Attribute at in's cursor into a new attribute object of the
// type its identifier names (any other identifier: the any-attribute) and
// moves the cursor past it; an empty stub, cursor unmoved, when it cannot.
CMN_ASN_BaseAttribute createAttr(CMN_ASN_Buf_Stub& in);

#endif  // PKIX_ASN_PKIX_ASN_ATTRS_H_
