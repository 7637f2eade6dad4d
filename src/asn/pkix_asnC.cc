#include "asn/pkix_asnC.h"

#include "asn/pkix_asn_alg.h"
#include "asn/pkix_asn_attrtab.h"

PkixASNService::~PkixASNService() = default;

PkixASNService asnPkixSrv(static_cast<TPkixASNService*>(nullptr));

CMN_ASN_Attribute::CMN_ASN_Attribute(ASNAttribute_Interface::attribute_t t) {
  adopt(static_cast<Attribute_Interface*>(asnPkixSrv.createObj(t)));
}

CMN_ASN_Attribute::CMN_ASN_Attribute(const CMN_ASN_Buf_Stub& oid) {
  const int t = pkixasn::attrTypeFromContent(oid.datap(), oid.len_of_datap());
  adopt(static_cast<Attribute_Interface*>(asnPkixSrv.createObj(static_cast<ASNAttribute_Interface::attribute_t>(t))));
  if (t != pkixasn::kAttrAny || get() == nullptr) return;
  CMN_ASN_Buf_Stub copy = oid;
  invoke([&](Attribute_Interface* o) { return static_cast<AnyAttribute_Interface*>(o)->setOID(copy); },
         static_cast<int>(pkixrc::kFailed));
}

CMN_ASN_ExtensionAttribute::CMN_ASN_ExtensionAttribute() : CMN_ASN_Attribute(ASNAttribute_Interface::ATTR_EXTENSION_REQUEST) {}

CMN_ASN_ExtensionAttribute::CMN_ASN_ExtensionAttribute(const CMN_ASN_Attribute& a)
    : CMN_ASN_Attribute(CMN_ASN_BaseAttribute()) {
  CMN_ASN_Attribute copy(a);
  if (copy.getType() == ASNAttribute_Interface::ATTR_EXTENSION_REQUEST) share(a);
}

CMN_ASN_AnyAttribute::CMN_ASN_AnyAttribute() : CMN_ASN_Attribute(CMN_ASN_BaseAttribute()) {}

CMN_ASN_AnyAttribute::CMN_ASN_AnyAttribute(const CMN_ASN_Attribute& a) : CMN_ASN_Attribute(CMN_ASN_BaseAttribute()) {
  CMN_ASN_Attribute copy(a);
  if (copy.getType() == ASNAttribute_Interface::ATTR_ANY) share(a);
}

namespace {

template <int kKind>
ASNParamValue_Interface* NewParamValue() {
  switch (kKind) {
    case 1: return pkixasn::newAsnObject<ASNRsaValue>();
    case 2: return pkixasn::newAsnObject<ASNDsaValue>();
    case 3: return pkixasn::newAsnObject<ASNDesValue>();
    default: return pkixasn::newAsnObject<ASNAnyValue>();
  }
}

}  // namespace

template <int kKind>
PkixParamValueStub<kKind>::PkixParamValueStub()
    : CMN_ASN_Type_Stub(static_cast<CMN_ServiceStubInterface*>(&asnPkixSrv)) {
  adopt(NewParamValue<kKind>());
}

template class PkixParamValueStub<1>;
template class PkixParamValueStub<2>;
template class PkixParamValueStub<3>;
template class PkixParamValueStub<4>;
