// Readers of extension values, one per extension syntax, each walking the
// value with the module's DER cursor and failing on anything its syntax
// does not allow.
#include "tools/extn_values.h"

#include <arpa/inet.h>

#include <cstdint>

#include "support/der_reader.h"
#include "tools/oid_names.h"

namespace pkixtool {
namespace {

using Entries = std::vector<std::string>;

// The view of a Buffer's octets as text.
std::string TextOf(const Buffer& c) { return std::string(reinterpret_cast<const char*>(c.data), c.len); }

int ReadOid(DerReader& r, std::string* out) {
  Buffer c;
  DER_TRY(r.primitive(der::kOid, &c));
  *out = DottedOid(c);
  return out->empty() ? X509ASN_E_VALUE : 0;
}

// A non-negative INTEGER that fits 32 bits, in decimal.
int ReadSmallInteger(DerReader& r, std::string* out) {
  Buffer c;
  DER_TRY(r.primitive(der::kInteger, &c));
  if (c.len == 0 || c.len > 5 || (c.data[0] & 0x80) != 0 || (c.len == 5 && c.data[0] != 0)) return X509ASN_E_VALUE;
  uint32_t v = 0;
  for (uint32_t i = 0; i < c.len; ++i) v = v << 8 | c.data[i];
  *out = std::to_string(v);
  return 0;
}

// An iPAddress: 4 or 16 octets of an address, or (in name constraints) 8
// or 32 octets of an address and its mask.
std::string AddressText(const Buffer& c) {
  auto one = [](const unsigned char* p, uint32_t n) {
    char text[INET6_ADDRSTRLEN];
    if (inet_ntop(n == 4 ? AF_INET : AF_INET6, p, text, sizeof text) == nullptr) return std::string("?");
    return std::string(text);
  };
  if (c.len == 4 || c.len == 16) return one(c.data, c.len);
  if (c.len == 8 || c.len == 32) return one(c.data, c.len / 2) + "/" + one(c.data + c.len / 2, c.len / 2);
  return "<invalid " + Hex(c.data, c.len, ":") + ">";
}

// A Name's text through the support library's printer.
std::string NameText(const Buffer& whole) {
  Buffer text;
  init_buffer(&text);
  if (x509_parse_name(&whole, &text, 1) < 0) return "<unreadable name " + Hex(whole.data, whole.len) + ">";
  std::string s = text.len != 0 ? std::string(reinterpret_cast<const char*>(text.data)) : "";
  release_buffer(&text);
  return s;
}

// GeneralName ::= CHOICE {
//   otherName [0] OtherName, rfc822Name [1] IA5String, dNSName [2] IA5String,
//   x400Address [3] ORAddress, directoryName [4] Name,
//   ediPartyName [5] EDIPartyName, uniformResourceIdentifier [6] IA5String,
//   iPAddress [7] OCTET STRING, registeredID [8] OBJECT IDENTIFIER }
// As the openssl command writes them: "DNS:gw1.example.org", "IP:10.0.0.1",
// "DirName:C=DE, O=Example" ...
int ReadGeneralName(DerReader& r, std::string* out) {
  static const char* const kPrefix[] = {"othername:", "email:", "DNS:",        "X400Name:", "DirName:",
                                        "EdiPartyName:", "URI:", "IP Address:", "Registered ID:"};
  int tag = r.peek();
  unsigned number = static_cast<unsigned>(tag) & der::kTagNumberMask;
  if (tag < 0 || (tag & der::kClassMask) != der::kContextClass || number > 8) return X509ASN_E_VALUE;
  const std::string prefix = kPrefix[number];
  auto tagged = static_cast<unsigned char>(tag);
  if ((tag & 0x20) != 0) {  // constructed: otherName, x400Address, directoryName, ediPartyName
    return r.element(tagged, [&](DerReader& v) {
      if (number == 4) {
        Buffer whole;
        init_buffer(&whole);
        set_buffer(&whole, v.left(), v.pos());
        DER_TRY(v.element(der::kSequence, [](DerReader& n) {
          n.skipRest();
          return 0;
        }));
        *out = prefix + NameText(whole);
        return 0;
      }
      std::string oid;
      if (number == 0) DER_TRY(ReadOid(v, &oid));
      *out = prefix + (number == 0 ? OidText(oid) : "<unsupported>");
      v.skipRest();
      return 0;
    });
  }
  Buffer c;
  DER_TRY(r.primitive(tagged, &c));
  if (number == 7) {
    *out = prefix + AddressText(c);
  } else if (number == 8) {
    std::string oid = DottedOid(c);
    if (oid.empty()) return X509ASN_E_VALUE;
    *out = prefix + OidText(oid);
  } else if (number == 1 || number == 2 || number == 6) {
    *out = prefix + TextOf(c);
  } else {
    return X509ASN_E_VALUE;  // a constructed alternative in primitive form
  }
  return 0;
}

// GeneralNames ::= SEQUENCE SIZE (1..MAX) OF GeneralName, as the content of
// the cursor (the caller opens the SEQUENCE or its implicit tag).
int ReadGeneralNameList(DerReader& r, const std::string& lead, Entries* out) {
  if (r.atEnd()) return X509ASN_E_VALUE;
  while (!r.atEnd()) {
    std::string name;
    DER_TRY(ReadGeneralName(r, &name));
    out->push_back(lead + name);
  }
  return 0;
}

// Names of the bits of a BIT STRING, from bit 0 (the first octet's top bit).
std::string BitNames(const Buffer& c, const char* const* names, unsigned count, int* rc) {
  *rc = 0;
  if (c.len == 0 || c.data[0] > 7 || (c.len == 1 && c.data[0] != 0)) {
    *rc = X509ASN_E_VALUE;
    return "";
  }
  std::string s;
  for (unsigned bit = 0; bit < (c.len - 1) * 8u; ++bit) {
    if ((c.data[1 + bit / 8] & (0x80 >> (bit % 8))) == 0) continue;
    std::string name = bit < count ? names[bit] : "bit " + std::to_string(bit);
    s += (s.empty() ? "" : ", ") + name;
  }
  return s;
}

// BasicConstraints ::= SEQUENCE { cA BOOLEAN DEFAULT FALSE,
//                                 pathLenConstraint INTEGER (0..MAX) OPTIONAL }
int BasicConstraints(DerReader& r, Entries* out) {
  return r.element(der::kSequence, [out](DerReader& s) {
    bool ca = false;
    if (s.peek() == der::kBoolean) {
      Buffer b;
      DER_TRY(s.primitive(der::kBoolean, &b));
      ca = b.len == 1 && b.data[0] != 0;
    }
    out->push_back(ca ? "CA:TRUE" : "CA:FALSE");
    if (s.peek() == der::kInteger) {
      std::string n;
      DER_TRY(ReadSmallInteger(s, &n));
      out->push_back("pathlen:" + n);
    }
    return 0;
  });
}

// KeyUsage ::= BIT STRING { digitalSignature (0), nonRepudiation (1), ... }
int KeyUsage(DerReader& r, Entries* out) {
  static const char* const kBits[] = {"digitalSignature", "nonRepudiation", "keyEncipherment",
                                      "dataEncipherment", "keyAgreement",   "keyCertSign",
                                      "cRLSign",          "encipherOnly",   "decipherOnly"};
  Buffer c;
  DER_TRY(r.primitive(der::kBitString, &c));
  int rc = 0;
  std::string names = BitNames(c, kBits, sizeof kBits / sizeof kBits[0], &rc);
  if (rc != 0) return rc;
  for (size_t from = 0; from < names.size();) {
    size_t comma = names.find(", ", from);
    out->push_back(names.substr(from, comma - from));
    from = comma == std::string::npos ? names.size() : comma + 2;
  }
  return 0;
}

// ExtKeyUsageSyntax ::= SEQUENCE SIZE (1..MAX) OF KeyPurposeId
int ExtKeyUsage(DerReader& r, Entries* out) {
  return r.element(der::kSequence, [out](DerReader& s) {
    if (s.atEnd()) return X509ASN_E_VALUE;
    while (!s.atEnd()) {
      std::string oid;
      DER_TRY(ReadOid(s, &oid));
      out->push_back(OidText(oid));
    }
    return 0;
  });
}

// SubjectKeyIdentifier ::= KeyIdentifier (OCTET STRING)
int SubjectKeyId(DerReader& r, Entries* out) {
  Buffer c;
  DER_TRY(r.primitive(der::kOctetString, &c));
  out->push_back(Hex(c.data, c.len, ":"));
  return 0;
}

// AuthorityKeyIdentifier ::= SEQUENCE {
//   keyIdentifier [0] KeyIdentifier OPTIONAL,
//   authorityCertIssuer [1] GeneralNames OPTIONAL,
//   authorityCertSerialNumber [2] CertificateSerialNumber OPTIONAL }
int AuthorityKeyId(DerReader& r, Entries* out) {
  return r.element(der::kSequence, [out](DerReader& s) {
    Buffer c;
    if (s.peek() == der::kContext0) {
      DER_TRY(s.primitive(der::kContext0, &c));
      out->push_back("keyid:" + Hex(c.data, c.len, ":"));
    }
    if (s.peek() == der::kContext1Constructed) {
      DER_TRY(s.element(der::kContext1Constructed,
                        [out](DerReader& names) { return ReadGeneralNameList(names, "issuer:", out); }));
    }
    if (s.peek() == der::kContext2) {
      DER_TRY(s.primitive(der::kContext2, &c));
      out->push_back("serial:" + Hex(c.data, c.len, ":"));
    }
    return 0;
  });
}

// GeneralNames as a whole extension value (alternative names).
int AltNames(DerReader& r, Entries* out) {
  return r.element(der::kSequence, [out](DerReader& s) { return ReadGeneralNameList(s, "", out); });
}

// CRLDistributionPoints ::= SEQUENCE SIZE (1..MAX) OF DistributionPoint
// DistributionPoint ::= SEQUENCE {
//   distributionPoint [0] DistributionPointName OPTIONAL,
//   reasons [1] ReasonFlags OPTIONAL, cRLIssuer [2] GeneralNames OPTIONAL }
// DistributionPointName ::= CHOICE {
//   fullName [0] GeneralNames, nameRelativeToCRLIssuer [1] RelativeDistinguishedName }
int DistributionPoints(DerReader& r, Entries* out) {
  static const char* const kReasons[] = {"unused",           "keyCompromise",        "cACompromise",
                                         "affiliationChanged", "superseded",         "cessationOfOperation",
                                         "certificateHold",  "privilegeWithdrawn",   "aACompromise"};
  auto point = [out](DerReader& p) {
    if (p.peek() == der::kContext0Constructed) {
      DER_TRY(p.element(der::kContext0Constructed, [out](DerReader& name) {
        if (name.peek() == der::kContext0Constructed) {
          return name.element(der::kContext0Constructed,
                              [out](DerReader& full) { return ReadGeneralNameList(full, "", out); });
        }
        Buffer rdn;
        DER_TRY(name.element(der::kContext1Constructed, [](DerReader& n) {
          n.skipRest();
          return 0;
        }, &rdn));
        out->push_back("relative name " + Hex(rdn.data, rdn.len));
        return 0;
      }));
    }
    if (p.peek() == der::kContext1) {
      Buffer c;
      DER_TRY(p.primitive(der::kContext1, &c));
      int rc = 0;
      std::string names = BitNames(c, kReasons, sizeof kReasons / sizeof kReasons[0], &rc);
      if (rc != 0) return rc;
      out->push_back("reasons: " + names);
    }
    if (p.peek() == der::kContext2Constructed) {
      DER_TRY(p.element(der::kContext2Constructed,
                        [out](DerReader& names) { return ReadGeneralNameList(names, "CRL issuer: ", out); }));
    }
    return 0;
  };
  return r.element(der::kSequence, [&point](DerReader& s) {
    if (s.atEnd()) return X509ASN_E_VALUE;
    while (!s.atEnd()) DER_TRY(s.element(der::kSequence, point));
    return 0;
  });
}

// NameConstraints ::= SEQUENCE {
//   permittedSubtrees [0] GeneralSubtrees OPTIONAL,
//   excludedSubtrees [1] GeneralSubtrees OPTIONAL }
// GeneralSubtree ::= SEQUENCE { base GeneralName,
//   minimum [0] BaseDistance DEFAULT 0, maximum [1] BaseDistance OPTIONAL }
int NameConstraints(DerReader& r, Entries* out) {
  auto subtrees = [out](DerReader& list, const std::string& lead) {
    if (list.atEnd()) return X509ASN_E_VALUE;
    while (!list.atEnd()) {
      DER_TRY(list.element(der::kSequence, [&](DerReader& t) {
        std::string base;
        DER_TRY(ReadGeneralName(t, &base));
        out->push_back(lead + base);
        t.skipRest();  // minimum and maximum: not used in this profile
        return 0;
      }));
    }
    return 0;
  };
  return r.element(der::kSequence, [&subtrees](DerReader& s) {
    if (s.peek() == der::kContext0Constructed) {
      DER_TRY(s.element(der::kContext0Constructed, [&](DerReader& l) { return subtrees(l, "permitted: "); }));
    }
    if (s.peek() == der::kContext1Constructed) {
      DER_TRY(s.element(der::kContext1Constructed, [&](DerReader& l) { return subtrees(l, "excluded: "); }));
    }
    return 0;
  });
}

// certificatePolicies ::= SEQUENCE SIZE (1..MAX) OF PolicyInformation
// PolicyInformation ::= SEQUENCE { policyIdentifier CertPolicyId,
//   policyQualifiers SEQUENCE SIZE (1..MAX) OF PolicyQualifierInfo OPTIONAL }
// PolicyQualifierInfo ::= SEQUENCE { policyQualifierId, qualifier ANY }
int Policies(DerReader& r, Entries* out) {
  auto qualifier = [out](DerReader& q) {
    std::string id;
    DER_TRY(ReadOid(q, &id));
    Buffer c;
    if (id == "1.3.6.1.5.5.7.2.1" && q.peek() == der::kIa5String) {  // CPSuri ::= IA5String
      DER_TRY(q.primitive(der::kIa5String, &c));
      out->push_back("CPS: " + TextOf(c));
    } else {
      out->push_back("qualifier: " + OidText(id));
    }
    q.skipRest();
    return 0;
  };
  auto policy = [out, &qualifier](DerReader& p) {
    std::string id;
    DER_TRY(ReadOid(p, &id));
    out->push_back("policy: " + OidText(id));
    if (p.peek() == der::kSequence) {
      DER_TRY(p.element(der::kSequence, [&qualifier](DerReader& list) {
        while (!list.atEnd()) DER_TRY(list.element(der::kSequence, qualifier));
        return 0;
      }));
    }
    return 0;
  };
  return r.element(der::kSequence, [&policy](DerReader& s) {
    if (s.atEnd()) return X509ASN_E_VALUE;
    while (!s.atEnd()) DER_TRY(s.element(der::kSequence, policy));
    return 0;
  });
}

// AuthorityInfoAccessSyntax ::= SEQUENCE SIZE (1..MAX) OF AccessDescription
// AccessDescription ::= SEQUENCE { accessMethod OBJECT IDENTIFIER,
//                                  accessLocation GeneralName }
int InfoAccess(DerReader& r, Entries* out) {
  return r.element(der::kSequence, [out](DerReader& s) {
    if (s.atEnd()) return X509ASN_E_VALUE;
    while (!s.atEnd()) {
      DER_TRY(s.element(der::kSequence, [out](DerReader& a) {
        std::string method, where;
        DER_TRY(ReadOid(a, &method));
        DER_TRY(ReadGeneralName(a, &where));
        out->push_back(OidText(method) + " - " + where);
        return 0;
      }));
    }
    return 0;
  });
}

struct Reader {
  const char* oid;
  int (*read)(DerReader& r, Entries* out);
};
const Reader kReaders[] = {
    {"2.5.29.19", BasicConstraints},
    {"2.5.29.15", KeyUsage},
    {"2.5.29.37", ExtKeyUsage},
    {"2.5.29.14", SubjectKeyId},
    {"2.5.29.35", AuthorityKeyId},
    {"2.5.29.17", AltNames},
    {"2.5.29.18", AltNames},
    {"2.5.29.31", DistributionPoints},
    {"2.5.29.46", DistributionPoints},
    {"2.5.29.30", NameConstraints},
    {"2.5.29.32", Policies},
    {"1.3.6.1.5.5.7.1.1", InfoAccess},
    {"1.3.6.1.5.5.7.1.11", InfoAccess},
};

}  // namespace

ExtnReading ReadExtnValue(const std::string& oid, const Octets& value, std::vector<std::string>* entries) {
  entries->clear();
  for (const Reader& reader : kReaders) {
    if (oid != reader.oid) continue;
    Buffer in;
    init_buffer(&in);
    set_buffer(&in, static_cast<uint32_t>(value.size()), value.data());
    DerReader r(in);
    int rc = value.empty() ? X509ASN_E_VALUE : reader.read(r, entries);
    if (rc == 0 && r.atEnd()) return ExtnReading::kRead;
    entries->clear();
    return ExtnReading::kMalformed;
  }
  return ExtnReading::kUnknown;
}

}  // namespace pkixtool
