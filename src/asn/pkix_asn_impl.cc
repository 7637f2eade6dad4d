#include "asn/pkix_asn_impl.h"

#include <new>

#include "asn/pkix_asn_alg.h"
#include "asn/pkix_asn_attrs.h"
#include "asn/pkix_asn_sceps.h"
#include "asn/pkix_asn_wrapped.h"

namespace {

class TPkixASNService_Impl : public TPkixASNService {
 public:
  ~TPkixASNService_Impl() override = default;
  int init() override { return 0; }
  int fini() override { return 0; }
  CMN_ASN_Type_Interface* createObj(objectName_type n) const override { return pkixasn::createAsnObject(n); }
  CMN_ASN_Type_Interface* createObj(ASNAttribute_Interface::attribute_t t) const override {
    return pkixasn::createAttribute(t);
  }
};

}  // namespace

namespace pkixasn {

CMN_ASN_Type_Interface* createAsnObject(int n) {
  switch (n) {
    case TPkixASNService::OBJ_ALGORITHM_ID: return newAsnObject<ASNAlgorithmId>();
    case TPkixASNService::OBJ_ENC_ALGORITHM_ID: return newAsnObject<EncAlgorithmId_Impl>();
    case TPkixASNService::OBJ_NAME: return newAsnObject<ASNName>();
    case TPkixASNService::OBJ_KEY: return newAsnObject<ASNKey>();
    case TPkixASNService::OBJ_EXTENSION: return newAsnObject<ASNExtension>();
    case TPkixASNService::OBJ_EXTENSIONS: return newAsnObject<ASNExtensions>();
    case TPkixASNService::OBJ_CRL: return newAsnObject<ASNCrl>();
    case TPkixASNService::OBJ_ISSUER_AND_SERIAL: return newAsnObject<ASNIssuerAndSerialStruct>();
    case TPkixASNService::OBJ_ISSUER_AND_SUBJECT: return newAsnObject<ASNIssuerAndSubjectStruct>();
    case TPkixASNService::OBJ_ISSUER_AND_DP: return newAsnObject<ASNIssuerAndDpStruct>();
    case TPkixASNService::OBJ_ATTRIBUTES: return newAsnObject<ASNAttributes>();
    default: return nullptr;
  }
}

}  // namespace pkixasn

TPkixASNService* createTPkixASNService() { return new (std::nothrow) TPkixASNService_Impl(); }
