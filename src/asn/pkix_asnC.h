// The client side of the module's ASN.1 object service (0x3f0009): the
// service stub asnPkixSrv and one stub per object kind. A default-made stub
// asks the service for a new object of its kind; every operation forwards
// to the object with its guard raised. Without an object (no service) the
// operations answer 9 or an empty value, and the object's own errors pass
// through unchanged.
#ifndef PKIX_ASN_PKIX_ASNC_H_
#define PKIX_ASN_PKIX_ASNC_H_

#include "asn/cmn_asn.h"
#include "asn/pkix_asn_if.h"
#include "asn/pkix_asn_impl.h"
#include "framework/cmn_stub.h"
#include "module/pkixids.h"

class PkixASNService : public CMN_ServiceStub<TPkixASNService> {
 public:
  PkixASNService() : CMN_ServiceStub(&PkixASNServiceID) {}
  explicit PkixASNService(TPkixASNService* s) : CMN_ServiceStub(&PkixASNServiceID, s) {}
  ~PkixASNService() override;

  // The service's createObj: a new object with one reference for the
  // caller; null when no service can be bound.
  CMN_ASN_Type_Interface* createObj(TPkixASNService::objectName_type n) {
    return call([&](TPkixASNService* s) { return s->createObj(n); }, nullptr);
  }
  CMN_ASN_Type_Interface* createObj(ASNAttribute_Interface::attribute_t t) {
    return call([&](TPkixASNService* s) { return s->createObj(t); }, nullptr);
  }
};

// The module's one stub of the service, unbound at load; it binds on first
// use through the host module manager.
extern PkixASNService asnPkixSrv;

// A stub of interface I for the objects of this service. The default
// constructor asks the service for object kind (a TPkixASNService::
// objectName_type); kNoObject makes an empty stub.
template <class I, int kind>
class PkixAsnStub : public CMN_ASN_Type_Stub<I, pkixasn::kKindModuleOwn> {
 public:
  using Base = CMN_ASN_Type_Stub<I, pkixasn::kKindModuleOwn>;
  static constexpr int kNoObject = -1;

  PkixAsnStub() : Base(static_cast<CMN_ServiceStubInterface*>(&asnPkixSrv)) {
    if (kind != kNoObject) {
      this->adopt(static_cast<I*>(asnPkixSrv.createObj(static_cast<TPkixASNService::objectName_type>(kind))));
    }
  }
  // Holds obj (a reference of its own; null: empty).
  explicit PkixAsnStub(I* obj) : Base(static_cast<CMN_ServiceStubInterface*>(&asnPkixSrv)) { this->take(obj); }
  // Takes over the one reference created carries (null: empty).
  struct Adopt {};
  PkixAsnStub(Adopt, I* created) : Base(static_cast<CMN_ServiceStubInterface*>(&asnPkixSrv)) { this->adopt(created); }
  PkixAsnStub(const PkixAsnStub&) = default;
  PkixAsnStub& operator=(const PkixAsnStub&) = default;
  ~PkixAsnStub() override = default;


 protected:
  // Runs f on the object; fail without one.
  template <class R, class F>
  R fwd(R fail, F f) const {
    return this->invoke(f, fail);
  }
};

// Forwarding shorthands: an int code (9 without an object) and a value
// (an empty one without an object).
#define PKIX_ASN_CODE(expr) return this->fwd(static_cast<int>(pkixrc::kFailed), [&](auto* o) { return expr; })
#define PKIX_ASN_VALUE(type, expr) return this->fwd(type(), [&](auto* o) { return expr; })

class CMN_ASN_AlgorithmId : public PkixAsnStub<ASNAlgorithmId_Interface, TPkixASNService::OBJ_ALGORITHM_ID> {
 public:
  using PkixAsnStub::PkixAsnStub;
  pki_alg_t getAlgorithm() { return fwd(pki_alg_t{0}, [](ASNAlgorithmId_Interface* o) { return o->getAlgorithm(); }); }
  int setValue(const aKey& key, pki_alg_t a) { PKIX_ASN_CODE(o->setValue(key, a)); }
  int getValue(aKey& key) { PKIX_ASN_CODE(o->getValue(key)); }
};

class CMN_ASN_EncAlgorithmId : public PkixAsnStub<EncAlgorithmId_Interface, TPkixASNService::OBJ_ENC_ALGORITHM_ID> {
 public:
  using PkixAsnStub::PkixAsnStub;
  CMN_ASN_ObjectId_Stub getAlgorithm() {
    return fwd(CMN_ASN_ObjectId_Stub(static_cast<CMN_ASN_ObjectId_Interface*>(nullptr)),
               [](EncAlgorithmId_Interface* o) { return o->getAlgorithm(); });
  }
  CMN_ASN_OctetString_Stub getSalt() {
    return fwd(CMN_ASN_OctetString_Stub(static_cast<CMN_ASN_OctetString_Interface*>(nullptr)),
               [](EncAlgorithmId_Interface* o) { return o->getSalt(); });
  }
  CMN_ASN_Integer_Stub getIterations() {
    return fwd(CMN_ASN_Integer_Stub(static_cast<CMN_ASN_Integer_Interface*>(nullptr)),
               [](EncAlgorithmId_Interface* o) { return o->getIterations(); });
  }
};

class CMN_ASN_Name : public PkixAsnStub<ASNName_Interface, TPkixASNService::OBJ_NAME> {
 public:
  using PkixAsnStub::PkixAsnStub;
  aName getName() { PKIX_ASN_VALUE(aName, o->getName()); }
  int setName(const aName& n) { PKIX_ASN_CODE(o->setName(n)); }
};

class CMN_ASN_Key : public PkixAsnStub<ASNKey_Interface, TPkixASNService::OBJ_KEY> {
 public:
  using PkixAsnStub::PkixAsnStub;
  aKey getKey() { PKIX_ASN_VALUE(aKey, o->getKey()); }
  int setKey(const aKey& k) { PKIX_ASN_CODE(o->setKey(k)); }
};

class CMN_ASN_Extension : public PkixAsnStub<ASNExtension_Interface, TPkixASNService::OBJ_EXTENSION> {
 public:
  using PkixAsnStub::PkixAsnStub;
  aExtn getExtension() { PKIX_ASN_VALUE(aExtn, o->getExtension()); }
  int setExtension(const aExtn& e) { PKIX_ASN_CODE(o->setExtension(e)); }
};

class CMN_ASN_Extensions : public PkixAsnStub<ASNExtensions_Interface, TPkixASNService::OBJ_EXTENSIONS> {
 public:
  using PkixAsnStub::PkixAsnStub;
  aExtnList getValue() { return fwd(aExtnList(static_cast<TExtnList*>(nullptr)), [](ASNExtensions_Interface* o) { return o->getValue(); }); }
  unsigned getNumber() { return fwd(0u, [](ASNExtensions_Interface* o) { return o->getNumber(); }); }
  int setValue(const aExtnList& l) { PKIX_ASN_CODE(o->setValue(l)); }
};

class CMN_ASN_Crl : public PkixAsnStub<ASNCrl_Interface, TPkixASNService::OBJ_CRL> {
 public:
  using PkixAsnStub::PkixAsnStub;
  aCrl getCrl() { PKIX_ASN_VALUE(aCrl, o->getCrl()); }
  int setCrl(aCrl& c) { PKIX_ASN_CODE(o->setCrl(c)); }
};

class CMN_ASNIaSN : public PkixAsnStub<ASNIaSN_Interface, TPkixASNService::OBJ_ISSUER_AND_SERIAL> {
 public:
  using PkixAsnStub::PkixAsnStub;
  int setCert(aCert& c) { PKIX_ASN_CODE(o->setCert(c)); }
  aCert getCert() { PKIX_ASN_VALUE(aCert, o->getCert()); }
};

class CMN_ASNIaS : public PkixAsnStub<ASNIaS_Interface, TPkixASNService::OBJ_ISSUER_AND_SUBJECT> {
 public:
  using PkixAsnStub::PkixAsnStub;
  int setCert(aCert& c) { PKIX_ASN_CODE(o->setCert(c)); }
  aCert getCert() { PKIX_ASN_VALUE(aCert, o->getCert()); }
};

class CMN_ASNIaDP : public PkixAsnStub<ASNIaDP_Interface, TPkixASNService::OBJ_ISSUER_AND_DP> {
 public:
  using PkixAsnStub::PkixAsnStub;
  int setCertAndDp(aCert& c, aCDP& dp) { PKIX_ASN_CODE(o->setCertAndDp(c, dp)); }
  aCert getCert() { PKIX_ASN_VALUE(aCert, o->getCert()); }
  aCDP getCDP() { PKIX_ASN_VALUE(aCDP, o->getCDP()); }
};

// Any attribute, or none (the default constructor makes an empty stub).
class CMN_ASN_BaseAttribute : public PkixAsnStub<Attribute_Interface, -1> {
 public:
  using PkixAsnStub::PkixAsnStub;
  CMN_ASN_BaseAttribute(const PkixAsnStub& s) : PkixAsnStub(s) {}
  // 0 without an object.
  int getType() { return fwd(0, [](Attribute_Interface* o) { return static_cast<int>(o->getType()); }); }
};

class CMN_ASN_Attribute : public CMN_ASN_BaseAttribute {
 public:
  // A new attribute of type t through the service; empty for 0 or above 5.
  explicit CMN_ASN_Attribute(ASNAttribute_Interface::attribute_t t);
  // A new attribute of the type the identifier (DER content octets) names:
  // its PKCS #9 type, or the any-attribute with that identifier.
  explicit CMN_ASN_Attribute(const CMN_ASN_Buf_Stub& oid);
  // Shares a's object.
  CMN_ASN_Attribute(const CMN_ASN_BaseAttribute& a) : CMN_ASN_BaseAttribute(a) {}
  CMN_ASN_Buf_Stub getOID() { return fwd(NoBuffer(), [](Attribute_Interface* o) { return o->getOID(); }); }
  CMN_ASN_Buf_Stub getValue() { return fwd(NoBuffer(), [](Attribute_Interface* o) { return o->getValue(); }); }
  int setValue(CMN_ASN_Buf_Stub& v) { PKIX_ASN_CODE(o->setValue(v)); }

 private:
  static CMN_ASN_Buf_Stub NoBuffer() { return CMN_ASN_Buf_Stub(static_cast<CMN_ASN_Buf_Interface*>(nullptr)); }
};

// An extension request; empty unless made from an attribute of type 1.
class CMN_ASN_ExtensionAttribute : public CMN_ASN_Attribute {
 public:
  CMN_ASN_ExtensionAttribute();
  explicit CMN_ASN_ExtensionAttribute(const CMN_ASN_Attribute& a);
  int isEmpty() { return withObject(1, [](ASNExtensionAttribute_Interface* o) { return o->isEmpty(); }); }
  aExtnList getExtensions() {
    return withObject(aExtnList(static_cast<TExtnList*>(nullptr)),
                      [](ASNExtensionAttribute_Interface* o) { return o->getExtensions(); });
  }
  int setValue(const aExtnList& l) {
    return withObject(static_cast<int>(pkixrc::kFailed), [&](ASNExtensionAttribute_Interface* o) { return o->setValue(l); });
  }
  using CMN_ASN_Attribute::setValue;

 private:
  template <class R, class F>
  R withObject(R fail, F f) {
    return fwd(fail, [&](Attribute_Interface* o) { return f(static_cast<ASNExtensionAttribute_Interface*>(o)); });
  }
};

// An attribute of any other type; empty unless made from one of type 5.
class CMN_ASN_AnyAttribute : public CMN_ASN_Attribute {
 public:
  CMN_ASN_AnyAttribute();
  explicit CMN_ASN_AnyAttribute(const CMN_ASN_Attribute& a);
  int setOID(CMN_ASN_Buf_Stub& oid) {
    return withObject(static_cast<int>(pkixrc::kFailed), [&](AnyAttribute_Interface* o) { return o->setOID(oid); });
  }
  int setValueId(unsigned id, unsigned char flag) {
    return withObject(static_cast<int>(pkixrc::kFailed), [&](AnyAttribute_Interface* o) { return o->setValueId(id, flag); });
  }
  unsigned getValueId() { return withObject(0u, [](AnyAttribute_Interface* o) { return o->getValueId(); }); }
  unsigned char getValueFlag() {
    return withObject(static_cast<unsigned char>(0), [](AnyAttribute_Interface* o) { return o->getValueFlag(); });
  }

 private:
  template <class R, class F>
  R withObject(R fail, F f) {
    return fwd(fail, [&](Attribute_Interface* o) { return f(static_cast<AnyAttribute_Interface*>(o)); });
  }
};

class CMN_ASN_Attributes : public PkixAsnStub<ASNAttributes_Interface, TPkixASNService::OBJ_ATTRIBUTES> {
 public:
  using PkixAsnStub::PkixAsnStub;
  int append(const CMN_ASN_BaseAttribute& a) { PKIX_ASN_CODE(o->append(a)); }
  int addObjects() { PKIX_ASN_CODE(o->addObjects()); }
  int delAttr() { PKIX_ASN_CODE(o->delAttr()); }
  CMN_ASN_BaseAttribute getFirst() { PKIX_ASN_VALUE(CMN_ASN_BaseAttribute, o->getFirst()); }
  CMN_ASN_BaseAttribute getNext() { PKIX_ASN_VALUE(CMN_ASN_BaseAttribute, o->getNext()); }
};

// The parameter values, made locally (not through the service).
template <int kKind>
class PkixParamValueStub : public CMN_ASN_Type_Stub<ASNParamValue_Interface, pkixasn::kKindModuleOwn> {
 public:
  // A new value object of its class; empty when memory is short.
  PkixParamValueStub();
  int setValue(const aKey& key) {
    return invoke([&](ASNParamValue_Interface* o) { return o->setValue(key); }, static_cast<int>(pkixrc::kFailed));
  }
  int getValue(aKey& key) {
    return invoke([&](ASNParamValue_Interface* o) { return o->getValue(key); }, static_cast<int>(pkixrc::kFailed));
  }
};
using CMN_ASN_RsaValue = PkixParamValueStub<1>;
using CMN_ASN_DsaValue = PkixParamValueStub<2>;
using CMN_ASN_DesValue = PkixParamValueStub<3>;
using CMN_ASN_AnyValue = PkixParamValueStub<4>;

#undef PKIX_ASN_CODE
#undef PKIX_ASN_VALUE

#endif  // PKIX_ASN_PKIX_ASNC_H_
