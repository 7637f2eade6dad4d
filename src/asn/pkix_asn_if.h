// The interfaces of the ASN.1 object service's objects (service 0x3f0009):
// algorithm identifiers, names, keys, extensions, CRLs, attributes and the
// enrolment structures. Each is a value object of the generic ASN.1
// contract (contract/asn_types.h: encode, decode, err ...) with the
// operations of its own listed here, in call-slot order. Objects are made
// by TPkixASNService::createObj (asn/pkix_asn_impl.h) and reached from
// other modules through the stubs of asn/pkix_asnC.h.
//
// Codes every object keeps as its last error (err()): 0 success, 1 memory,
// 4 a missing argument (null buffer, empty wrapper), 9 a wrong identifier,
// a wrong tag, a length mismatch, a value that cannot be built, or no host
// ASN.1 service for the buffers; wrappers' own errors pass through.
#ifndef PKIX_ASN_PKIX_ASN_IF_H_
#define PKIX_ASN_PKIX_ASN_IF_H_

#include "alg/pki_alg.h"
#include "asn/cmn_asn.h"
#include "contract/asn_types.h"
#include "module/pkixacert.h"
#include "module/pkixacrl.h"
#include "module/pkixaextn.h"
#include "module/pkixakey.h"
#include "module/pkixaname.h"

class CMN_ASN_BaseAttribute;

// AlgorithmIdentifier with the parameters its algorithm carries.
class ASNAlgorithmId_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNAlgorithmId_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  // Sets the algorithm a (a == 0: the key's) and takes from key what its
  // parameters need: p, q, g (DSA), the IV (DES), the parameters element
  // (kinds that keep one, the EC curve among them). 4 when key is empty and
  // a is 0 or needs the key (DSA, DES); 9 for an algorithm without a
  // parameter class; the key's error when it lacks a value. Returns err().
  virtual int setValue(const aKey& key, pki_alg_t a) = 0;
  // Gives key the algorithm and the parameter values held. 4 for an empty
  // key; the key's error when it refuses one. Returns err().
  virtual int getValue(aKey& key) = 0;
  // The algorithm held; 0 before one is set or decoded.
  virtual pki_alg_t getAlgorithm() = 0;
};

// The parameters of an algorithm identifier as a value of their own: NULL
// (ASNRsaValue), Dss-Parms (ASNDsaValue), the DES IV (ASNDesValue), any one
// element (ASNAnyValue).
class ASNParamValue_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNParamValue_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  // Takes the key's values for the parameters: p, q, g (10, 11, 12), the
  // IV (15), the parameters element (18); NULL takes nothing. 4 for an
  // empty key; the key's error when it lacks one.
  virtual int setValue(const aKey& key) = 0;
  // Gives them to the key. 4 for an empty key, 9 for an empty IV.
  virtual int getValue(aKey& key) = 0;
};

// The password-based-encryption identifier: SEQUENCE { algorithm OBJECT
// IDENTIFIER, SEQUENCE { salt OCTET STRING, iterations INTEGER } OPTIONAL }.
class EncAlgorithmId_Interface : public CMN_ASN_Type_Interface {
 public:
  EncAlgorithmId_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  // New value objects of the host's service holding the decoded salt,
  // iterations and identifier; empty stubs when not decoded or without the
  // service.
  virtual CMN_ASN_OctetString_Stub getSalt() = 0;
  virtual CMN_ASN_Integer_Stub getIterations() = 0;
  virtual CMN_ASN_ObjectId_Stub getAlgorithm() = 0;
};

// A distinguished name (Name, a SEQUENCE) as a name object of type 0x201.
class ASNName_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNName_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  // Holds n (sharing it); returns n's error (40 for an empty wrapper).
  virtual int setName(const aName& n) = 0;
  virtual aName getName() const = 0;
};

// A SubjectPublicKeyInfo as a public key object.
class ASNKey_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNKey_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  virtual int setKey(const aKey& k) = 0;
  virtual aKey getKey() const = 0;
};

// One Extension as an extension object.
class ASNExtension_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNExtension_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  virtual int setExtension(const aExtn& e) = 0;
  virtual aExtn getExtension() const = 0;
};

// Extensions: SEQUENCE of 1 to 20 Extension.
class ASNExtensions_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNExtensions_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  // Takes every extension of the list (in order). 4 for an empty wrapper,
  // 9 for more than 20 or an extension without DER.
  virtual int setValue(const aExtnList& l) = 0;
  // A new list with one extension per extension held, in order.
  virtual aExtnList getValue() const = 0;
  virtual unsigned getNumber() const = 0;
};

// A whole CRL as a CRL object.
class ASNCrl_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNCrl_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  virtual int setCrl(aCrl& c) = 0;
  virtual aCrl getCrl() = 0;
};

// IssuerAndSerialNumber of a certificate.
class ASNIaSN_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNIaSN_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  // Takes the certificate's issuer and serial number. 4 for an empty
  // wrapper; the certificate's error when it lacks one.
  virtual int setCert(aCert& c) = 0;
  // The certificate set, or after decode a partial certificate holding
  // only what the structure carries.
  virtual aCert getCert() = 0;
};

// SEQUENCE { issuer Name, subject Name } of a certificate (GetCert).
class ASNIaS_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNIaS_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  virtual int setCert(aCert& c) = 0;
  virtual aCert getCert() = 0;
};

// SEQUENCE { IssuerAndSerialNumber, Extension } with a CRL distribution
// points extension (GetCRL).
class ASNIaDP_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNIaDP_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  virtual int setCertAndDp(aCert& c, aCDP& dp) = 0;
  virtual aCert getCert() = 0;
  virtual aCDP getCDP() = 0;
};

// The base of every attribute: SEQUENCE { type OBJECT IDENTIFIER, values
// SET OF value }.
class ASNAttribute_Interface : public CMN_ASN_Type_Interface {
 public:
  enum attribute_t : int {
    ATTR_EXTENSION_REQUEST = 1,   // 1.2.840.113549.1.9.14, Extensions
    ATTR_LOCAL_KEY_ID = 2,        // 1.2.840.113549.1.9.21, OCTET STRING
    ATTR_FRIENDLY_NAME = 3,       // 1.2.840.113549.1.9.20, BMPString
    ATTR_CHALLENGE_PASSWORD = 4,  // 1.2.840.113549.1.9.7, DirectoryString
    ATTR_ANY = 5                  // any other type
  };
  ASNAttribute_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  virtual attribute_t getType() = 0;
};

class Attribute_Interface : public ASNAttribute_Interface {
 public:
  // Sets the value's content octets (v's unread octets). 4 for an empty
  // stub; a challenge password outside the PrintableString characters is
  // written as UTF8String.
  virtual int setValue(CMN_ASN_Buf_Stub& v) = 0;
  // The value's content octets (the any-attribute: the SET's content); an
  // empty stub when there is none.
  virtual CMN_ASN_Buf_Stub getValue() = 0;
  // The type's identifier as DER content octets.
  virtual CMN_ASN_Buf_Stub getOID() = 0;
};

class ASNExtensionAttribute_Interface : public Attribute_Interface {
 public:
  virtual int setValue(const aExtnList& l) = 0;
  using Attribute_Interface::setValue;
  virtual aExtnList getExtensions() = 0;
  // 1 when no extension is held.
  virtual int isEmpty() = 0;
};

class AnyAttribute_Interface : public Attribute_Interface {
 public:
  // The type's identifier from DER content octets. 4 for an empty stub, 9
  // for malformed octets.
  virtual int setOID(CMN_ASN_Buf_Stub& oid) = 0;
  // The value's tag number and class bits (setValue then writes one value
  // of that identifier). 4 for a number above 30.
  virtual int setValueId(unsigned id, unsigned char flag) = 0;
  virtual unsigned getValueId() = 0;
  virtual unsigned char getValueFlag() = 0;
};

// A SET OF Attribute (or [0] IMPLICIT, as in a certification request).
class ASNAttributes_Interface : public CMN_ASN_Type_Interface {
 public:
  ASNAttributes_Interface() : CMN_ASN_Type_Interface(pkixasn::kKindGeneric) {}
  // The first attribute and the cursor on it; an empty stub at the end.
  virtual CMN_ASN_BaseAttribute getFirst() = 0;
  virtual CMN_ASN_BaseAttribute getNext() = 0;
  // Adds (shares) a; 9 for an empty stub.
  virtual int append(const CMN_ASN_BaseAttribute& a) = 0;
  // Removes every attribute; 0.
  virtual int delAttr() = 0;
  // Nothing to do (attributes are encoded from the list); 0.
  virtual int addObjects() = 0;
};

#endif  // PKIX_ASN_PKIX_ASN_IF_H_
