#include "asn/pkix_asn_der.h"

#include <cstring>

#include "asn/pkix_asn_attrtab.h"
#include "contract/x509asn.h"
#include "crl/derbuild.h"

namespace pkixasn {
namespace {

Octets Copy(const Buffer& b) { return Octets(b.data, b.data + b.len); }

// Any one element at the cursor: *whole views it, header included.
int ReadAny(DerReader& in, Buffer* whole) { return derStatus(asn1_decode_any_type(in.buf(), whole)); }

// An OBJECT IDENTIFIER: *content views its (checked) content octets.
// Called on a child cursor only: a failure fails the enclosing element,
// whose cursor stays where it was.
int ReadOid(DerReader& in, Buffer* content) {
  DER_TRY(in.primitive(der::kOid, content));
  return derStatus(asn1_oid_check(content));
}

// A whole element whose identifier octet must be tag.
int ReadWhole(DerReader& in, unsigned char tag, Octets* out) {
  if (in.peek() != tag) return in.peek() < 0 ? X509ASN_E_SHORT : X509ASN_E_TAG;
  Buffer whole{};
  DER_TRY(ReadAny(in, &whole));
  *out = Copy(whole);
  return 0;
}

// INTEGER content octets as they stand.
int ReadInteger(DerReader& in, Buffer* content) { return derStatus(asn1_decode_integer(in.buf(), content)); }

int PrependOid(DerBuilder& out, const uint32_t* arcs, uint32_t count) {
  OwnedBuffer b;
  int r = alloc_buffer(80, &b.b);
  if (r < 0) return r;
  shift_buffer(&b.b, b.b.len);
  r = asn1_enc_objid(arcs, count, &b.b);
  if (r == 0) r = asn1_der_encode(der::kOid, &b.b);
  if (r < 0) return r;
  return out.prepend(b.b);
}

int PrependTlv(DerBuilder& out, unsigned char tag, const Octets& content) {
  return out.element(tag, [&](DerBuilder& in) { return in.prepend(content.data(), static_cast<uint32_t>(content.size())); });
}

int PrependRaw(DerBuilder& out, const Octets& whole) {
  return out.prepend(whole.data(), static_cast<uint32_t>(whole.size()));
}

// An INTEGER from an unsigned magnitude: leading zeros dropped (one kept for
// zero), a 00 octet in front of a high first octet.
int PrependUint(DerBuilder& out, const Octets& magnitude) {
  size_t skip = 0;
  while (skip + 1 < magnitude.size() && magnitude[skip] == 0) ++skip;
  Octets v(magnitude.begin() + static_cast<long>(skip), magnitude.end());
  if (v.empty()) v.push_back(0);
  if ((v[0] & 0x80) != 0) v.insert(v.begin(), 0);
  return PrependTlv(out, der::kInteger, v);
}

// The character-string identifiers a DirectoryString may carry.
bool IsDirectoryString(unsigned char tag) {
  static constexpr unsigned char kTags[] = {0x0C, 0x13, 0x14, 0x1C, 0x1E};
  for (unsigned char t : kTags) {
    if (t == tag) return true;
  }
  return false;
}

// The identifier octet the single value of a typed attribute must carry; 0
// for the directory string (several allowed).
unsigned char ValueTag(int type) {
  switch (type) {
    case kAttrExtensionRequest: return der::kSequence;
    case kAttrLocalKeyId: return der::kOctetString;
    case kAttrFriendlyName: return der::kBmpString;
    default: return 0;
  }
}

}  // namespace

bool integerMagnitude(const Buffer& content, Octets* out) {
  if (content.len == 0 || (content.data[0] & 0x80) != 0) return false;
  uint32_t skip = 0;
  while (skip + 1 < content.len && content.data[skip] == 0) ++skip;
  out->assign(content.data + skip, content.data + content.len);
  return true;
}

int algIdSet(AlgId* a, pki_alg_t alg) {
  *a = AlgId{};
  const ParamKind kind = asnAlgParamKind(alg);
  if (kind == ParamKind::kUnsupported) return kDerRefused;
  a->alg = alg;
  a->kind = kind;
  return 0;
}

int paramsDecode(DerReader& seq, AlgId* a) {
  // parameters ANY DEFINED BY algorithm OPTIONAL: what follows the
  // identifier, up to the end of seq.
  const bool present = !seq.atEnd();
  Buffer c{};
  switch (a->kind) {
    case ParamKind::kRsa:  // NULL
      if (!present || seq.peek() != der::kNull) return kDerRefused;
      DER_TRY(seq.primitive(der::kNull, &c));
      if (c.len != 0) return X509ASN_E_VALUE;
      break;
    case ParamKind::kDsa:  // Dss-Parms ::= SEQUENCE { p INTEGER, q INTEGER, g INTEGER }, or absent
      if (!present) break;
      a->has_params = true;
      DER_TRY(seq.element(der::kSequence, [&](DerReader& parms) {
        Octets* fields[] = {&a->p, &a->q, &a->g};
        for (Octets* f : fields) {
          Buffer v{};
          DER_TRY(ReadInteger(parms, &v));
          if (!integerMagnitude(v, f)) return X509ASN_E_VALUE;
        }
        return 0;
      }));
      break;
    case ParamKind::kDes:  // IV OCTET STRING
      if (!present || seq.peek() != der::kOctetString) return kDerRefused;
      DER_TRY(seq.primitive(der::kOctetString, &c));
      a->iv = Copy(c);
      break;
    case ParamKind::kAny:  // any one element, or absent
      if (!present) break;
      a->has_params = true;
      DER_TRY(ReadAny(seq, &c));
      a->any = Copy(c);
      break;
    case ParamKind::kAbsent:  // absent, or NULL
      if (!present) break;
      if (seq.peek() != der::kNull) return kDerRefused;
      DER_TRY(seq.primitive(der::kNull, &c));
      if (c.len != 0) return X509ASN_E_VALUE;
      a->null_params = true;
      break;
    case ParamKind::kUnsupported:
      return kDerRefused;
  }
  return 0;
}

int algIdDecode(DerReader& in, AlgId* out) {
  AlgId a;
  DER_TRY(in.element(der::kSequence, [&](DerReader& seq) {
    // algorithm OBJECT IDENTIFIER
    Buffer oid{};
    DER_TRY(ReadOid(seq, &oid));
    DER_TRY(algIdSet(&a, asnAlgFromContent(oid.data, oid.len)));
    return paramsDecode(seq, &a);
  }));
  *out = std::move(a);
  return 0;
}

int paramsEncode(const AlgId& a, DerBuilder& seq) {
  switch (a.kind) {
    case ParamKind::kRsa:
      return PrependTlv(seq, der::kNull, {});
    case ParamKind::kDsa:
      if (!a.has_params) return 0;
      return seq.element(der::kSequence, [&](DerBuilder& parms) {
        DER_TRY(PrependUint(parms, a.g));
        DER_TRY(PrependUint(parms, a.q));
        return PrependUint(parms, a.p);
      });
    case ParamKind::kDes:
      return PrependTlv(seq, der::kOctetString, a.iv);
    case ParamKind::kAny:
      return a.has_params ? PrependRaw(seq, a.any) : 0;
    case ParamKind::kAbsent:
      return a.null_params ? PrependTlv(seq, der::kNull, {}) : 0;
    case ParamKind::kUnsupported:
      break;
  }
  return kDerRefused;
}

int algIdEncode(const AlgId& a, DerBuilder& out) {
  uint32_t count = 0;
  const uint32_t* arcs = asnAlgArcs(a.alg, &count);
  if (arcs == nullptr || a.kind == ParamKind::kUnsupported) return kDerRefused;
  return out.element(der::kSequence, [&](DerBuilder& seq) {
    DER_TRY(paramsEncode(a, seq));
    return PrependOid(seq, arcs, count);
  });
}

int encAlgIdDecode(DerReader& in, EncAlgId* out) {
  EncAlgId a;
  DER_TRY(in.element(der::kSequence, [&](DerReader& seq) {
    Buffer oid{};
    DER_TRY(ReadOid(seq, &oid));
    a.oid = Copy(oid);
    if (seq.atEnd()) return 0;
    a.has_params = true;
    return seq.element(der::kSequence, [&](DerReader& parms) {
      Buffer salt{};
      Buffer iter{};
      DER_TRY(parms.primitive(der::kOctetString, &salt));
      DER_TRY(ReadInteger(parms, &iter));
      a.salt = Copy(salt);
      a.iterations = Copy(iter);
      return 0;
    });
  }));
  *out = std::move(a);
  return 0;
}

int encAlgIdEncode(const EncAlgId& a, DerBuilder& out) {
  if (a.oid.empty()) return kDerRefused;
  return out.element(der::kSequence, [&](DerBuilder& seq) {
    if (a.has_params) {
      DER_TRY(seq.element(der::kSequence, [&](DerBuilder& parms) {
        DER_TRY(PrependTlv(parms, der::kInteger, a.iterations.empty() ? Octets{0} : a.iterations));
        return PrependTlv(parms, der::kOctetString, a.salt);
      }));
    }
    return PrependTlv(seq, der::kOid, a.oid);
  });
}

int attributeDecodeAny(DerReader& in, Attribute* out) {
  // The type the identifier names decides how the values are read.
  int type = kAttrAny;
  Buffer probe{nullptr, const_cast<unsigned char*>(in.pos()), in.left()};
  DerReader peek(probe);
  (void)peek.element(der::kSequence, [&](DerReader& seq) {
    Buffer oid{};
    DER_TRY(ReadOid(seq, &oid));
    type = attrTypeFromContent(oid.data, oid.len);
    seq.skipRest();
    return 0;
  });
  return attributeDecode(in, type, out);
}

int attributeDecode(DerReader& in, int expected, Attribute* out) {
  Attribute a;
  DER_TRY(in.element(der::kSequence, [&](DerReader& seq) {
    // type OBJECT IDENTIFIER
    Buffer oid{};
    DER_TRY(ReadOid(seq, &oid));
    a.oid = Copy(oid);
    // The any-attribute keeps every identifier and its values as read.
    a.type = expected == kAttrAny ? kAttrAny : attrTypeFromContent(oid.data, oid.len);
    if (a.type != expected) return kDerRefused;
    // values SET OF value
    return seq.element(der::kSet, [&](DerReader& set) {
      if (a.type == kAttrAny) {
        // Every value must be one well-formed element; the values are kept
        // as read, from the first to the last (an indefinite SET's cursor
        // covers more than its content).
        const unsigned char* first = set.pos();
        while (!set.atEnd()) {
          Buffer v{};
          DER_TRY(ReadAny(set, &v));
        }
        a.value.assign(first, set.pos());
        return 0;
      }
      Buffer v{};
      DER_TRY(ReadAny(set, &v));
      if (!set.atEnd()) return kDerRefused;  // single-valued
      const unsigned char tag = v.data[0];
      const unsigned char want = ValueTag(a.type);
      if (want != 0 ? tag != want : !IsDirectoryString(tag)) return kDerRefused;
      a.value_tag = tag;
      // The value's content: re-read its header.
      Buffer whole = v;
      const int n = asn1_der_decode(tag, &whole);
      if (n < 0) return n;
      a.value.assign(whole.data, whole.data + n);
      if (a.type == kAttrExtensionRequest) {
        DerReader exts(v);
        std::vector<Octets> list;
        DER_TRY(extensionsDecode(exts, &list));
      }
      return 0;
    });
  }));
  *out = std::move(a);
  return 0;
}

int attributeEncode(const Attribute& a, DerBuilder& out) {
  if (a.oid.empty()) return kDerRefused;
  return out.element(der::kSequence, [&](DerBuilder& seq) {
    DER_TRY(seq.element(der::kSet, [&](DerBuilder& set) {
      if (a.type == kAttrAny) return set.prepend(a.value.data(), static_cast<uint32_t>(a.value.size()));
      return PrependTlv(set, a.value_tag, a.value);
    }));
    return PrependTlv(seq, der::kOid, a.oid);
  });
}

int extensionsDecode(DerReader& in, std::vector<Octets>* out) {
  std::vector<Octets> list;
  DER_TRY(in.element(der::kSequence, [&](DerReader& seq) {
    // Extensions ::= SEQUENCE SIZE (1..MAX) OF Extension, at most
    // kMaxExtensions here
    while (!seq.atEnd()) {
      if (list.size() == kMaxExtensions) return kDerRefused;
      Octets e;
      DER_TRY(ReadWhole(seq, der::kSequence, &e));
      list.push_back(std::move(e));
    }
    return list.empty() ? kDerRefused : 0;
  }));
  *out = std::move(list);
  return 0;
}

int extensionsEncode(const std::vector<Octets>& exts, DerBuilder& out) {
  if (exts.empty() || exts.size() > kMaxExtensions) return kDerRefused;
  return out.element(der::kSequence, [&](DerBuilder& seq) {
    for (size_t i = exts.size(); i-- > 0;) DER_TRY(PrependRaw(seq, exts[i]));
    return 0;
  });
}

namespace {

int IasBody(DerReader& seq, IssuerAndSerial* v) {
  // issuer Name, serialNumber CertificateSerialNumber
  DER_TRY(ReadWhole(seq, der::kSequence, &v->issuer));
  Buffer serial{};
  DER_TRY(ReadInteger(seq, &serial));
  v->serial = Copy(serial);
  return 0;
}

int IasPrepend(DerBuilder& seq, const IssuerAndSerial& v) {
  if (v.issuer.empty() || v.serial.empty()) return kDerRefused;
  DER_TRY(PrependTlv(seq, der::kInteger, v.serial));
  return PrependRaw(seq, v.issuer);
}

}  // namespace

int issuerAndSerialDecode(DerReader& in, IssuerAndSerial* out) {
  IssuerAndSerial v;
  DER_TRY(in.element(der::kSequence, [&](DerReader& seq) { return IasBody(seq, &v); }));
  *out = std::move(v);
  return 0;
}

int issuerAndSerialEncode(const IssuerAndSerial& v, DerBuilder& out) {
  if (v.issuer.empty() || v.serial.empty()) return kDerRefused;
  return out.element(der::kSequence, [&](DerBuilder& seq) { return IasPrepend(seq, v); });
}

int issuerAndSubjectDecode(DerReader& in, IssuerAndSubject* out) {
  IssuerAndSubject v;
  DER_TRY(in.element(der::kSequence, [&](DerReader& seq) {
    // issuer Name, subject Name
    DER_TRY(ReadWhole(seq, der::kSequence, &v.issuer));
    return ReadWhole(seq, der::kSequence, &v.subject);
  }));
  *out = std::move(v);
  return 0;
}

int issuerAndSubjectEncode(const IssuerAndSubject& v, DerBuilder& out) {
  if (v.issuer.empty() || v.subject.empty()) return kDerRefused;
  return out.element(der::kSequence, [&](DerBuilder& seq) {
    DER_TRY(PrependRaw(seq, v.subject));
    return PrependRaw(seq, v.issuer);
  });
}

int issuerAndDpDecode(DerReader& in, IssuerAndDp* out) {
  IssuerAndDp v;
  DER_TRY(in.element(der::kSequence, [&](DerReader& seq) {
    // issuerAndSerialNumber IssuerAndSerialNumber, extension Extension
    DER_TRY(seq.element(der::kSequence, [&](DerReader& ias) { return IasBody(ias, &v.ias); }));
    return ReadWhole(seq, der::kSequence, &v.extension);
  }));
  *out = std::move(v);
  return 0;
}

int issuerAndDpEncode(const IssuerAndDp& v, DerBuilder& out) {
  if (v.extension.empty()) return kDerRefused;
  return out.element(der::kSequence, [&](DerBuilder& seq) {
    DER_TRY(PrependRaw(seq, v.extension));
    return issuerAndSerialEncode(v.ias, seq);
  });
}

}  // namespace pkixasn
