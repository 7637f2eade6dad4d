// Walking a certificate's DER for what the tool shows as the DER states it.
#include "tools/cert_fields.h"

#include "support/der_reader.h"
#include "tools/crl_times.h"
#include "tools/oid_names.h"

namespace pkixtool {
namespace {

// Steps over the constructed element tagged tag at the cursor.
int Skip(DerReader& r, unsigned char tag) {
  return r.element(tag, [](DerReader& body) {
    body.skipRest();
    return 0;
  });
}

// Reads an OBJECT IDENTIFIER at the cursor as dotted text.
int ReadOid(DerReader& r, std::string* out) {
  Buffer c;
  DER_TRY(r.primitive(der::kOid, &c));
  *out = DottedOid(c);
  return out->empty() ? X509ASN_E_VALUE : 0;
}

// AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER,
//                                    parameters ANY OPTIONAL }
// *param (optional) receives the parameters when they are an identifier.
int ReadAlgorithm(DerReader& r, std::string* oid, std::string* param) {
  return r.element(der::kSequence, [&](DerReader& a) {
    DER_TRY(ReadOid(a, oid));
    if (param != nullptr && a.peek() == der::kOid) DER_TRY(ReadOid(a, param));
    a.skipRest();
    return 0;
  });
}

// Validity ::= SEQUENCE { notBefore Time, notAfter Time }
int ReadTimes(DerReader& r, CertFields* out) {
  return r.element(der::kSequence, [&](DerReader& v) {
    for (std::string* t : {&out->not_before, &out->not_after}) {
      int tag = v.peek();
      if (tag != der::kUtcTime && tag != der::kGeneralizedTime) return X509ASN_E_VALUE;
      Buffer c;
      DER_TRY(v.primitive(static_cast<unsigned char>(tag), &c));
      *t = StatedTime(tag, c);
    }
    return 0;
  });
}

// Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER,
//                          critical BOOLEAN DEFAULT FALSE,
//                          extnValue OCTET STRING }
int ReadExtension(DerReader& r, std::vector<ExtnField>* out) {
  return r.element(der::kSequence, [&](DerReader& e) {
    ExtnField f;
    Buffer id;
    DER_TRY(e.primitive(der::kOid, &id));
    f.oid = DottedOid(id);
    if (f.oid.empty()) return X509ASN_E_VALUE;
    f.oid_hex = Hex(id.data, id.len);
    if (e.peek() == der::kBoolean) {
      Buffer b;
      DER_TRY(e.primitive(der::kBoolean, &b));
      f.critical = b.len == 1 && b.data[0] != 0;
    }
    Buffer v;
    DER_TRY(e.primitive(der::kOctetString, &v));
    f.value.assign(v.data, v.data + v.len);
    out->push_back(std::move(f));
    return 0;
  });
}

// TBSCertificate ::= SEQUENCE {
//   version [0] EXPLICIT Version DEFAULT v1, serialNumber INTEGER,
//   signature AlgorithmIdentifier, issuer Name, validity Validity,
//   subject Name, subjectPublicKeyInfo SubjectPublicKeyInfo,
//   issuerUniqueID [1] IMPLICIT OPTIONAL, subjectUniqueID [2] IMPLICIT OPTIONAL,
//   extensions [3] EXPLICIT Extensions OPTIONAL }
int ReadTbs(DerReader& t, CertFields* out) {
  if (t.peek() == der::kContext0Constructed) DER_TRY(Skip(t, der::kContext0Constructed));
  Buffer serial;
  DER_TRY(t.primitive(der::kInteger, &serial));
  out->serial.assign(serial.data, serial.data + serial.len);
  std::string inner_sign;
  DER_TRY(ReadAlgorithm(t, &inner_sign, nullptr));
  DER_TRY(Skip(t, der::kSequence));  // issuer
  DER_TRY(ReadTimes(t, out));
  DER_TRY(Skip(t, der::kSequence));  // subject
  // SubjectPublicKeyInfo ::= SEQUENCE { algorithm, subjectPublicKey BIT STRING }
  DER_TRY(t.element(der::kSequence, [out](DerReader& spki) {
    DER_TRY(ReadAlgorithm(spki, &out->key_oid, &out->key_param_oid));
    spki.skipRest();
    return 0;
  }));
  for (unsigned char tag : {der::kContext1, der::kContext2}) {
    Buffer unique_id;  // issuerUniqueID, subjectUniqueID: not shown
    if (t.peek() == tag) DER_TRY(t.primitive(tag, &unique_id));
  }
  if (t.peek() == der::kContext3Constructed) {
    DER_TRY(t.element(der::kContext3Constructed, [out](DerReader& x) {
      return x.element(der::kSequence, [out](DerReader& list) {
        while (!list.atEnd()) DER_TRY(ReadExtension(list, &out->extensions));
        return 0;
      });
    }));
  }
  t.skipRest();
  return 0;
}

}  // namespace

int ReadCertFields(const Octets& der, CertFields* out) {
  Buffer in;
  init_buffer(&in);
  set_buffer(&in, static_cast<uint32_t>(der.size()), der.data());
  DerReader r(in);
  return r.element(der::kSequence, [out](DerReader& cert) {
    DER_TRY(cert.element(der::kSequence, [out](DerReader& t) { return ReadTbs(t, out); }));
    DER_TRY(ReadAlgorithm(cert, &out->sign_oid, nullptr));
    cert.skipRest();
    return 0;
  });
}

std::string SerialText(const Octets& serial) {
  if (serial.empty()) return "";
  const unsigned char* p = serial.data();
  size_t n = serial.size();
  if ((p[0] & 0x80) != 0) return "-" + Hex(p, n, ":");  // two's complement as it stands
  if (n > 1 && p[0] == 0) ++p, --n;
  return Hex(p, n, ":");
}

}  // namespace pkixtool
