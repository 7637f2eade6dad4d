// Reading certificates and CRLs for path validation. Each reader follows
// the ASN.1 line written above it, with the module's forward-only cursor.
#include "path/pathder.h"

#include <cstring>

namespace pkixpath {
namespace {

using Reader = DerReader;

// [4] and [5] IMPLICIT over a primitive type (the issuing distribution
// point's indirectCRL and onlyContainsAttributeCerts).
constexpr unsigned char kContext4 = 0x84;
constexpr unsigned char kContext5 = 0x85;

Bytes bytesOf(const Buffer& b) { return Bytes(b.data, b.data + b.len); }

// Reads the element at the cursor whatever its tag: *tag, its content and
// (optional) the whole element. 0, or the library's code.
int readAny(Reader& r, int* tag, Buffer* content, Buffer* whole = nullptr) {
  int t = r.peek();
  if (t < 0) return X509ASN_E_SHORT;
  const unsigned char* from = r.pos();
  Buffer c{nullptr, nullptr, 0};
  DER_TRY(r.primitive(static_cast<unsigned char>(t), &c));
  *tag = t;
  if (content != nullptr) *content = c;
  if (whole != nullptr) set_buffer(whole, static_cast<uint32_t>(r.pos() - from), from);
  return 0;
}

// A whole element with tag at the cursor into *whole.
int readWhole(Reader& r, unsigned char tag, Buffer* whole) {
  if (r.peek() != tag) return X509ASN_E_TAG;
  int t = 0;
  return readAny(r, &t, nullptr, whole);
}

// A non-negative INTEGER (or ENUMERATED, or an implicitly tagged one) of at
// most 31 bits.
int readSmall(Reader& r, unsigned char tag, int* out) {
  Buffer c{nullptr, nullptr, 0};
  DER_TRY(r.primitive(tag, &c));
  if (c.len == 0 || c.len > 4 || (c.data[0] & 0x80) != 0) return kPathParse;
  unsigned v = 0;
  for (uint32_t i = 0; i < c.len; ++i) v = v << 8 | c.data[i];
  if (v > 0x7FFFFFFFu) return kPathParse;
  *out = static_cast<int>(v);
  return 0;
}

int readBool(Reader& r, unsigned char tag, bool* out) {
  Buffer c{nullptr, nullptr, 0};
  DER_TRY(r.primitive(tag, &c));
  if (c.len != 1) return kPathParse;
  *out = c.data[0] != 0;
  return 0;
}

// A BIT STRING of flags, the first two octets as one number (bit n is
// 0x8000 >> n).
int readFlags(Reader& r, unsigned char tag, unsigned* out) {
  Buffer c{nullptr, nullptr, 0};
  DER_TRY(r.primitive(tag, &c));
  if (c.len == 0 || c.data[0] > 7) return kPathParse;
  unsigned v = 0;
  if (c.len > 1) v |= static_cast<unsigned>(c.data[1]) << 8;
  if (c.len > 2) v |= c.data[2];
  *out = v;
  return 0;
}

int readOid(Reader& r, Bytes* out) {
  Buffer c{nullptr, nullptr, 0};
  DER_TRY(r.primitive(der::kOid, &c));
  if (c.len == 0) return kPathParse;
  *out = bytesOf(c);
  return 0;
}

// Time ::= CHOICE { utcTime UTCTime, generalTime GeneralizedTime }
int readTime(Reader& r, int64_t* out) {
  int tag = r.peek();
  if (tag != der::kUtcTime && tag != der::kGeneralizedTime) return X509ASN_E_TAG;
  Buffer c{nullptr, nullptr, 0};
  DER_TRY(r.primitive(static_cast<unsigned char>(tag), &c));
  return parseTime(tag, c.data, c.len, out) ? 0 : kPathParse;
}

// AlgorithmIdentifier ::= SEQUENCE { algorithm OID, parameters ANY OPTIONAL }
int readAlg(Reader& r, Bytes* oid, Bytes* whole, bool* params_absent) {
  Buffer w{nullptr, nullptr, 0};
  int rc = r.element(der::kSequence, [&](Reader& a) {
    DER_TRY(readOid(a, oid));
    bool absent = a.atEnd();
    if (!absent) {
      int tag = 0;
      Buffer c{nullptr, nullptr, 0};
      DER_TRY(readAny(a, &tag, &c));
      absent = tag == der::kNull && c.len == 0;
    }
    if (params_absent != nullptr) *params_absent = absent;
    return 0;
  }, &w);
  if (rc == 0 && whole != nullptr) *whole = bytesOf(w);
  return rc;
}

// Extension ::= SEQUENCE { extnID OID, critical BOOLEAN DEFAULT FALSE,
//   extnValue OCTET STRING }. Calls handle(oid, critical, value) with a
// cursor over the value's octets; handle returns 0, a negative code, or 1
// for an extension it does not know.
template <class Handle>
int readExtensions(Reader& r, Handle handle, bool* unknown_critical, bool* duplicate) {
  std::vector<Bytes> seen;
  return r.element(der::kSequence, [&](Reader& list) {
    if (list.atEnd()) return kPathParse;  // SIZE (1..MAX)
    while (!list.atEnd()) {
      DER_TRY(list.element(der::kSequence, [&](Reader& e) {
        Bytes oid;
        DER_TRY(readOid(e, &oid));
        bool critical = false;
        if (e.peek() == der::kBoolean) DER_TRY(readBool(e, der::kBoolean, &critical));
        Buffer value{nullptr, nullptr, 0};
        DER_TRY(e.primitive(der::kOctetString, &value));
        for (const Bytes& s : seen) {
          if (s == oid) *duplicate = true;
        }
        seen.push_back(oid);
        Reader v(value);
        int rc = handle(oid, v);
        if (rc == 1) {
          if (critical) *unknown_critical = true;
          return 0;
        }
        if (rc != 0) return rc;
        return v.atEnd() ? 0 : kPathParse;
      }));
    }
    return 0;
  });
}

// Identifier octets of the extensions read here (2.5.29.x and
// 1.3.6.1.5.5.7.1.x), by name.
struct Oid {
  const char* p;
  size_t n;
  bool is(const Bytes& b) const { return b.size() == n && std::memcmp(b.data(), p, n) == 0; }
};
#define PATH_OID(s) Oid{s, sizeof(s) - 1}
const Oid kBasicConstraints = PATH_OID("\x55\x1d\x13");
const Oid kKeyUsage = PATH_OID("\x55\x1d\x0f");
const Oid kNameConstraints = PATH_OID("\x55\x1d\x1e");
const Oid kSubjectAltName = PATH_OID("\x55\x1d\x11");
const Oid kIssuerAltName = PATH_OID("\x55\x1d\x12");
const Oid kCertificatePolicies = PATH_OID("\x55\x1d\x20");
const Oid kPolicyMappings = PATH_OID("\x55\x1d\x21");
const Oid kPolicyConstraints = PATH_OID("\x55\x1d\x24");
const Oid kInhibitAnyPolicy = PATH_OID("\x55\x1d\x36");
const Oid kCrlDistributionPoints = PATH_OID("\x55\x1d\x1f");
const Oid kAuthorityKeyId = PATH_OID("\x55\x1d\x23");
const Oid kSubjectKeyId = PATH_OID("\x55\x1d\x0e");
const Oid kExtKeyUsage = PATH_OID("\x55\x1d\x25");
const Oid kFreshestCrl = PATH_OID("\x55\x1d\x2e");
const Oid kCrlNumber = PATH_OID("\x55\x1d\x14");
const Oid kDeltaCrlIndicator = PATH_OID("\x55\x1d\x1b");
const Oid kIssuingDistributionPoint = PATH_OID("\x55\x1d\x1c");
const Oid kReasonCode = PATH_OID("\x55\x1d\x15");
const Oid kCertificateIssuer = PATH_OID("\x55\x1d\x1d");
const Oid kInvalidityDate = PATH_OID("\x55\x1d\x18");
const Oid kHoldInstructionCode = PATH_OID("\x55\x1d\x17");
const Oid kAuthorityInfoAccess = PATH_OID("\x2b\x06\x01\x05\x05\x07\x01\x01");
#undef PATH_OID

// GeneralName (see pathder.h) at the cursor.
int readGeneralName(Reader& r, GeneralName* out) {
  int tag = 0;
  Buffer content{nullptr, nullptr, 0};
  DER_TRY(readAny(r, &tag, &content));
  if ((tag & der::kClassMask) != der::kContextClass) return kPathParse;
  out->type = tag & der::kTagNumberMask;
  if (out->type > kRegisteredId) return kPathParse;
  if (out->type == kDirectoryName) {
    // directoryName [4] EXPLICIT Name: the Name element itself.
    Reader inner(content);
    Buffer name{nullptr, nullptr, 0};
    DER_TRY(readWhole(inner, der::kSequence, &name));
    if (!inner.atEnd()) return kPathParse;
    out->value = bytesOf(name);
    return 0;
  }
  out->value = bytesOf(content);
  return 0;
}

// GeneralSubtrees ::= SEQUENCE SIZE (1..MAX) OF GeneralSubtree
int readSubtrees(Reader& r, unsigned char tag, std::vector<Subtree>* out) {
  return r.element(tag, [&](Reader& list) {
    if (list.atEnd()) return kPathParse;
    while (!list.atEnd()) {
      Subtree s;
      DER_TRY(list.element(der::kSequence, [&](Reader& g) {
        DER_TRY(readGeneralName(g, &s.base));
        if (g.peek() == der::kContext0) {
          int minimum = 0;
          DER_TRY(readSmall(g, der::kContext0, &minimum));
          if (minimum != 0) s.unusable = true;
        }
        if (g.peek() == der::kContext1) {
          int maximum = 0;
          DER_TRY(readSmall(g, der::kContext1, &maximum));
          s.unusable = true;
        }
        return 0;
      }));
      out->push_back(std::move(s));
    }
    return 0;
  });
}

// DistributionPointName ::= CHOICE { fullName [0] GeneralNames,
//   nameRelativeToCRLIssuer [1] RelativeDistinguishedName }, inside the
// explicit [0] of its container.
int readDpName(Reader& r, std::vector<GeneralName>* full, Bytes* relative) {
  return r.element(der::kContext0Constructed, [&](Reader& choice) {
    if (choice.peek() == der::kContext0Constructed) {
      DER_TRY(choice.element(der::kContext0Constructed, [&](Reader& names) {
        while (!names.atEnd()) {
          GeneralName g;
          DER_TRY(readGeneralName(names, &g));
          full->push_back(std::move(g));
        }
        return full->empty() ? kPathParse : 0;
      }));
      return 0;
    }
    // The RDN as a SET element: retagged to SET so that it compares with
    // the RDNs of a Name.
    Buffer content{nullptr, nullptr, 0};
    DER_TRY(choice.primitive(der::kContext1Constructed, &content));
    *relative = derElement(der::kSet, bytesOf(content));
    return 0;
  });
}

// AuthorityKeyIdentifier ::= SEQUENCE { keyIdentifier [0] OPTIONAL,
//   authorityCertIssuer [1] OPTIONAL, authorityCertSerialNumber [2] OPTIONAL }
int readAuthorityKeyId(Reader& v, Bytes* key_id) {
  return v.element(der::kSequence, [&](Reader& a) {
    if (a.peek() == der::kContext0) {
      Buffer id{nullptr, nullptr, 0};
      DER_TRY(a.primitive(der::kContext0, &id));
      *key_id = bytesOf(id);
    }
    a.skipRest();
    return 0;
  });
}

int readCertExtension(const Bytes& oid, Reader& v, CertFields* c) {
  if (kBasicConstraints.is(oid)) {
    // BasicConstraints ::= SEQUENCE { cA BOOLEAN DEFAULT FALSE,
    //   pathLenConstraint INTEGER (0..MAX) OPTIONAL }
    c->has_basic_constraints = true;
    return v.element(der::kSequence, [&](Reader& b) {
      if (b.peek() == der::kBoolean) DER_TRY(readBool(b, der::kBoolean, &c->ca));
      if (b.peek() == der::kInteger) DER_TRY(readSmall(b, der::kInteger, &c->path_len));
      return 0;
    });
  }
  if (kKeyUsage.is(oid)) {
    // KeyUsage ::= BIT STRING
    c->has_key_usage = true;
    return readFlags(v, der::kBitString, &c->key_usage);
  }
  if (kNameConstraints.is(oid)) {
    // NameConstraints ::= SEQUENCE { permittedSubtrees [0] GeneralSubtrees
    //   OPTIONAL, excludedSubtrees [1] GeneralSubtrees OPTIONAL }
    c->has_name_constraints = true;
    return v.element(der::kSequence, [&](Reader& n) {
      if (n.peek() == der::kContext0Constructed) {
        c->has_permitted = true;
        DER_TRY(readSubtrees(n, der::kContext0Constructed, &c->permitted));
      }
      if (n.peek() == der::kContext1Constructed) {
        c->has_excluded = true;
        DER_TRY(readSubtrees(n, der::kContext1Constructed, &c->excluded));
      }
      return 0;
    });
  }
  if (kSubjectAltName.is(oid)) {
    c->has_subject_alt = true;
    return parseGeneralNames(v, &c->subject_alt);
  }
  if (kCertificatePolicies.is(oid)) {
    // certificatePolicies ::= SEQUENCE SIZE (1..MAX) OF PolicyInformation
    // PolicyInformation ::= SEQUENCE { policyIdentifier CertPolicyId,
    //   policyQualifiers SEQUENCE SIZE (1..MAX) OF PolicyQualifierInfo OPTIONAL }
    c->has_policies = true;
    return v.element(der::kSequence, [&](Reader& list) {
      if (list.atEnd()) return kPathParse;
      while (!list.atEnd()) {
        DER_TRY(list.element(der::kSequence, [&](Reader& info) {
          Bytes id;
          DER_TRY(readOid(info, &id));
          for (const Bytes& p : c->policies) {
            if (p == id) return kPathParse;  // a policy appears once
          }
          c->policies.push_back(std::move(id));
          info.skipRest();
          return 0;
        }));
      }
      return 0;
    });
  }
  if (kPolicyMappings.is(oid)) {
    // PolicyMappings ::= SEQUENCE SIZE (1..MAX) OF SEQUENCE {
    //   issuerDomainPolicy CertPolicyId, subjectDomainPolicy CertPolicyId }
    c->has_mappings = true;
    return v.element(der::kSequence, [&](Reader& list) {
      if (list.atEnd()) return kPathParse;
      while (!list.atEnd()) {
        PolicyMapping m;
        DER_TRY(list.element(der::kSequence, [&](Reader& pair) {
          DER_TRY(readOid(pair, &m.issuer_policy));
          return readOid(pair, &m.subject_policy);
        }));
        c->mappings.push_back(std::move(m));
      }
      return 0;
    });
  }
  if (kPolicyConstraints.is(oid)) {
    // PolicyConstraints ::= SEQUENCE { requireExplicitPolicy [0] SkipCerts
    //   OPTIONAL, inhibitPolicyMapping [1] SkipCerts OPTIONAL }
    return v.element(der::kSequence, [&](Reader& p) {
      if (p.peek() == der::kContext0) DER_TRY(readSmall(p, der::kContext0, &c->require_explicit));
      if (p.peek() == der::kContext1) DER_TRY(readSmall(p, der::kContext1, &c->inhibit_mapping));
      // A policyConstraints extension that is empty is not allowed.
      return c->require_explicit < 0 && c->inhibit_mapping < 0 ? kPathParse : 0;
    });
  }
  if (kInhibitAnyPolicy.is(oid)) {
    // InhibitAnyPolicy ::= SkipCerts
    return readSmall(v, der::kInteger, &c->inhibit_any);
  }
  if (kCrlDistributionPoints.is(oid)) {
    // CRLDistributionPoints ::= SEQUENCE SIZE (1..MAX) OF DistributionPoint
    c->has_crl_dp = true;
    return v.element(der::kSequence, [&](Reader& list) {
      while (!list.atEnd()) {
        DistributionPoint dp;
        DER_TRY(list.element(der::kSequence, [&](Reader& d) {
          if (d.peek() == der::kContext0Constructed) {
            dp.has_name = true;
            DER_TRY(readDpName(d, &dp.full_name, &dp.relative_name));
          }
          if (d.peek() == der::kContext1) {
            dp.has_reasons = true;
            DER_TRY(readFlags(d, der::kContext1, &dp.reasons));
          }
          if (d.peek() == der::kContext2Constructed) {
            DER_TRY(d.element(der::kContext2Constructed, [&](Reader& names) {
              while (!names.atEnd()) {
                GeneralName g;
                DER_TRY(readGeneralName(names, &g));
                dp.crl_issuer.push_back(std::move(g));
              }
              return 0;
            }));
          }
          return 0;
        }));
        c->crl_dps.push_back(std::move(dp));
      }
      return 0;
    });
  }
  if (kAuthorityKeyId.is(oid)) return readAuthorityKeyId(v, &c->authority_key_id);
  if (kSubjectKeyId.is(oid)) {
    Buffer id{nullptr, nullptr, 0};
    DER_TRY(v.primitive(der::kOctetString, &id));
    c->subject_key_id = bytesOf(id);
    return 0;
  }
  // Recognised, and nothing path validation needs from them.
  if (kExtKeyUsage.is(oid) || kIssuerAltName.is(oid) || kFreshestCrl.is(oid) || kAuthorityInfoAccess.is(oid)) {
    v.skipRest();
    return 0;
  }
  return 1;
}

int readCrlExtension(const Bytes& oid, Reader& v, CrlFields* c) {
  if (kCrlNumber.is(oid)) {
    Buffer n{nullptr, nullptr, 0};
    DER_TRY(v.primitive(der::kInteger, &n));
    c->has_crl_number = true;
    c->crl_number = bytesOf(n);
    return 0;
  }
  if (kDeltaCrlIndicator.is(oid)) {
    Buffer n{nullptr, nullptr, 0};
    DER_TRY(v.primitive(der::kInteger, &n));
    c->is_delta = true;
    c->base_crl_number = bytesOf(n);
    return 0;
  }
  if (kIssuingDistributionPoint.is(oid)) {
    // IssuingDistributionPoint ::= SEQUENCE {
    //   distributionPoint [0] DistributionPointName OPTIONAL,
    //   onlyContainsUserCerts [1] BOOLEAN DEFAULT FALSE,
    //   onlyContainsCACerts [2] BOOLEAN DEFAULT FALSE,
    //   onlySomeReasons [3] ReasonFlags OPTIONAL,
    //   indirectCRL [4] BOOLEAN DEFAULT FALSE,
    //   onlyContainsAttributeCerts [5] BOOLEAN DEFAULT FALSE }
    c->has_idp = true;
    return v.element(der::kSequence, [&](Reader& i) {
      if (i.peek() == der::kContext0Constructed) {
        c->idp_has_name = true;
        DER_TRY(readDpName(i, &c->idp_full_name, &c->idp_relative_name));
      }
      if (i.peek() == der::kContext1) DER_TRY(readBool(i, der::kContext1, &c->only_user));
      if (i.peek() == der::kContext2) DER_TRY(readBool(i, der::kContext2, &c->only_ca));
      if (i.peek() == der::kContext3) {
        c->has_only_reasons = true;
        DER_TRY(readFlags(i, der::kContext3, &c->only_reasons));
      }
      if (i.peek() == kContext4) DER_TRY(readBool(i, kContext4, &c->indirect));
      if (i.peek() == kContext5) DER_TRY(readBool(i, kContext5, &c->only_attribute));
      // At most one of the "only" flags.
      int only = (c->only_user ? 1 : 0) + (c->only_ca ? 1 : 0) + (c->only_attribute ? 1 : 0);
      return only > 1 ? kPathParse : 0;
    });
  }
  if (kAuthorityKeyId.is(oid)) return readAuthorityKeyId(v, &c->authority_key_id);
  if (kIssuerAltName.is(oid) || kFreshestCrl.is(oid) || kAuthorityInfoAccess.is(oid)) {
    v.skipRest();
    return 0;
  }
  return 1;
}

int readEntryExtension(const Bytes& oid, Reader& v, CrlEntry* e, std::vector<GeneralName>* issuer) {
  if (kReasonCode.is(oid)) return readSmall(v, der::kEnumerated, &e->reason);
  if (kCertificateIssuer.is(oid)) {
    issuer->clear();
    return parseGeneralNames(v, issuer);
  }
  if (kInvalidityDate.is(oid) || kHoldInstructionCode.is(oid)) {
    v.skipRest();
    return 0;
  }
  return 1;
}

}  // namespace

Bytes derElement(uint8_t tag, const Bytes& body) {
  Bytes out{tag};
  if (body.size() < 0x80) {
    out.push_back(static_cast<uint8_t>(body.size()));
  } else {
    Bytes len;
    for (size_t v = body.size(); v != 0; v >>= 8) len.insert(len.begin(), static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(0x80 | len.size()));
    out.insert(out.end(), len.begin(), len.end());
  }
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

int parseGeneralNames(Reader& r, std::vector<GeneralName>* out) {
  // GeneralNames ::= SEQUENCE SIZE (1..MAX) OF GeneralName
  return r.element(der::kSequence, [&](Reader& names) {
    if (names.atEnd()) return kPathParse;
    while (!names.atEnd()) {
      GeneralName g;
      DER_TRY(readGeneralName(names, &g));
      out->push_back(std::move(g));
    }
    return 0;
  });
}

int parseCert(const uint8_t* der_octets, size_t len, CertFields* out) {
  Buffer in{nullptr, const_cast<unsigned char*>(der_octets), static_cast<uint32_t>(len)};
  Reader r(in);
  // Certificate ::= SEQUENCE { tbsCertificate TBSCertificate,
  //   signatureAlgorithm AlgorithmIdentifier, signatureValue BIT STRING }
  int rc = r.element(der::kSequence, [&](Reader& cert) {
    Buffer tbs{nullptr, nullptr, 0};
    DER_TRY(cert.element(der::kSequence, [&](Reader& t) {
      // version [0] EXPLICIT Version DEFAULT v1
      if (t.peek() == der::kContext0Constructed) {
        DER_TRY(t.element(der::kContext0Constructed, [&](Reader& v) {
          int version = 0;
          DER_TRY(readSmall(v, der::kInteger, &version));
          if (version > 2) return kPathParse;
          out->version = version + 1;
          return 0;
        }));
      }
      // serialNumber CertificateSerialNumber
      Buffer serial{nullptr, nullptr, 0};
      DER_TRY(t.primitive(der::kInteger, &serial));
      out->serial = bytesOf(serial);
      // signature AlgorithmIdentifier
      Bytes oid;
      DER_TRY(readAlg(t, &oid, &out->tbs_sig_alg, nullptr));
      // issuer Name
      Buffer name{nullptr, nullptr, 0};
      DER_TRY(readWhole(t, der::kSequence, &name));
      out->issuer = bytesOf(name);
      // validity Validity ::= SEQUENCE { notBefore Time, notAfter Time }
      DER_TRY(t.element(der::kSequence, [&](Reader& v) {
        DER_TRY(readTime(v, &out->not_before));
        return readTime(v, &out->not_after);
      }));
      // subject Name
      DER_TRY(readWhole(t, der::kSequence, &name));
      out->subject = bytesOf(name);
      // subjectPublicKeyInfo ::= SEQUENCE { algorithm, subjectPublicKey BIT STRING }
      Buffer spki{nullptr, nullptr, 0};
      DER_TRY(t.element(der::kSequence, [&](Reader& k) {
        DER_TRY(readAlg(k, &out->key_alg_oid, nullptr, &out->key_params_absent));
        return k.primitive(der::kBitString, nullptr);
      }, &spki));
      out->spki = bytesOf(spki);
      // issuerUniqueID [1] IMPLICIT, subjectUniqueID [2] IMPLICIT
      if (t.peek() == der::kContext1) DER_TRY(t.primitive(der::kContext1, nullptr));
      if (t.peek() == der::kContext2) DER_TRY(t.primitive(der::kContext2, nullptr));
      // extensions [3] EXPLICIT Extensions OPTIONAL
      if (t.peek() == der::kContext3Constructed) {
        if (out->version != 3) return kPathParse;
        DER_TRY(t.element(der::kContext3Constructed, [&](Reader& x) {
          return readExtensions(x, [&](const Bytes& oid_of, Reader& v) { return readCertExtension(oid_of, v, out); },
                                &out->unknown_critical, &out->duplicate_extension);
        }));
      }
      return 0;
    }, &tbs));
    out->tbs = bytesOf(tbs);
    DER_TRY(readAlg(cert, &out->sig_alg_oid, &out->sig_alg, nullptr));
    Buffer sig{nullptr, nullptr, 0};
    DER_TRY(cert.primitive(der::kBitString, &sig));
    if (sig.len == 0) return kPathParse;
    out->signature = Bytes(sig.data + 1, sig.data + sig.len);
    return 0;
  });
  if (rc != 0) return rc;
  return r.atEnd() ? 0 : kPathParse;
}

int parseCrl(const uint8_t* der_octets, size_t len, CrlFields* out) {
  Buffer in{nullptr, const_cast<unsigned char*>(der_octets), static_cast<uint32_t>(len)};
  Reader r(in);
  // CertificateList ::= SEQUENCE { tbsCertList TBSCertList,
  //   signatureAlgorithm AlgorithmIdentifier, signatureValue BIT STRING }
  int rc = r.element(der::kSequence, [&](Reader& crl) {
    Buffer tbs{nullptr, nullptr, 0};
    DER_TRY(crl.element(der::kSequence, [&](Reader& t) {
      // version Version OPTIONAL (v2)
      if (t.peek() == der::kInteger) {
        int version = 0;
        DER_TRY(readSmall(t, der::kInteger, &version));
        if (version != 1) return kPathParse;
      }
      Bytes oid;
      DER_TRY(readAlg(t, &oid, nullptr, nullptr));
      Buffer name{nullptr, nullptr, 0};
      DER_TRY(readWhole(t, der::kSequence, &name));
      out->issuer = bytesOf(name);
      DER_TRY(readTime(t, &out->this_update));
      if (t.peek() == der::kUtcTime || t.peek() == der::kGeneralizedTime) {
        out->has_next_update = true;
        DER_TRY(readTime(t, &out->next_update));
      }
      // revokedCertificates SEQUENCE OF SEQUENCE { userCertificate
      //   CertificateSerialNumber, revocationDate Time, crlEntryExtensions
      //   Extensions OPTIONAL } OPTIONAL
      if (t.peek() == der::kSequence) {
        std::vector<GeneralName> issuer;  // in force from one entry to the next
        DER_TRY(t.element(der::kSequence, [&](Reader& list) {
          while (!list.atEnd()) {
            CrlEntry e;
            DER_TRY(list.element(der::kSequence, [&](Reader& en) {
              Buffer serial{nullptr, nullptr, 0};
              DER_TRY(en.primitive(der::kInteger, &serial));
              e.serial = bytesOf(serial);
              DER_TRY(readTime(en, &e.revoked_at));
              if (en.atEnd()) return 0;
              bool duplicate = false;
              return readExtensions(en, [&](const Bytes& id, Reader& v) { return readEntryExtension(id, v, &e, &issuer); },
                                    &e.unknown_critical, &duplicate);
            }));
            e.cert_issuer = issuer;
            out->entries.push_back(std::move(e));
          }
          return 0;
        }));
      }
      // crlExtensions [0] EXPLICIT Extensions OPTIONAL
      if (t.peek() == der::kContext0Constructed) {
        bool duplicate = false;
        DER_TRY(t.element(der::kContext0Constructed, [&](Reader& x) {
          return readExtensions(x, [&](const Bytes& id, Reader& v) { return readCrlExtension(id, v, out); },
                                &out->unknown_critical, &duplicate);
        }));
      }
      return 0;
    }, &tbs));
    out->tbs = bytesOf(tbs);
    DER_TRY(readAlg(crl, &out->sig_alg_oid, nullptr, nullptr));
    Buffer sig{nullptr, nullptr, 0};
    DER_TRY(crl.primitive(der::kBitString, &sig));
    if (sig.len == 0) return kPathParse;
    out->signature = Bytes(sig.data + 1, sig.data + sig.len);
    return 0;
  });
  if (rc != 0) return rc;
  return r.atEnd() ? 0 : kPathParse;
}

}  // namespace pkixpath
