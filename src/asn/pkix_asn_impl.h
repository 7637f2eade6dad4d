// The ASN.1 object service offered under 0x3f0009: it makes the objects of
// asn/pkix_asn_if.h.
#ifndef PKIX_ASN_PKIX_ASN_IMPL_H_
#define PKIX_ASN_PKIX_ASN_IMPL_H_

#include "asn/pkix_asn_if.h"
#include "framework/cmn_gref.h"

class TPkixASNService : public CMN_GuardedRef {
 public:
  // Which object createObj makes.
  enum objectName_type : int {
    OBJ_ALGORITHM_ID = 0,        // ASNAlgorithmId
    OBJ_ENC_ALGORITHM_ID = 1,    // EncAlgorithmId_Impl
    OBJ_NAME = 2,                // ASNName
    OBJ_KEY = 3,                 // ASNKey
    OBJ_EXTENSION = 4,           // ASNExtension
    OBJ_EXTENSIONS = 5,          // ASNExtensions
    OBJ_CRL = 6,                 // ASNCrl
    OBJ_ISSUER_AND_SERIAL = 7,   // ASNIssuerAndSerialStruct
    OBJ_ISSUER_AND_SUBJECT = 8,  // ASNIssuerAndSubjectStruct
    OBJ_ISSUER_AND_DP = 9,       // ASNIssuerAndDpStruct
    OBJ_ATTRIBUTES = 10          // ASNAttributes
  };
  static constexpr int kObjectNames = 11;

  TPkixASNService() : CMN_GuardedRef(0) {}
  ~TPkixASNService() override = default;
  int init() override = 0;
  int fini() override = 0;
  // A new object of the kind named, with one reference for the caller;
  // null for a value outside the table or when memory is short.
  virtual CMN_ASN_Type_Interface* createObj(objectName_type n) const = 0;
  // A new attribute of type t (an ASNAttribute_Interface), with one
  // reference for the caller; null for 0 or a value above 5.
  virtual CMN_ASN_Type_Interface* createObj(ASNAttribute_Interface::attribute_t t) const = 0;
};

// A new ASN.1 object service with count 0 (its first holder adds the first
// reference); null when memory is short.
TPkixASNService* createTPkixASNService();

namespace pkixasn {
// The factories behind createObj, for the module's own use (the objects
// that make others while decoding). Same results.
CMN_ASN_Type_Interface* createAsnObject(int n);
CMN_ASN_Type_Interface* createAttribute(int t);
}  // namespace pkixasn

#endif  // PKIX_ASN_PKIX_ASN_IMPL_H_
