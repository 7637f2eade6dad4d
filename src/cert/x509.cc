#include "cert/x509.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "cert/x509known.h"
#include "name/sel.h"
#include "support/buffers.h"
#include "support/der_reader.h"

namespace {

// A cursor over in for the parsers of this file: an indefinite content not
// closed by 00 00 fails with X509_E_NO_EOC, the code their callers know.
DerReader Cursor(const Buffer& in) { return DerReader(in, X509_E_NO_EOC); }

void SetSpan(Buffer* out, const unsigned char* from, const unsigned char* to) {
  set_buffer(out, static_cast<uint32_t>(to - from), from);
}

// The whole element at r as an exact view: check reads it (advancing its
// Buffer past it), out then covers what it read.
template <class Check>
int Covered(DerReader& r, Check check, Buffer* out) {
  const unsigned char* from = r.pos();
  DER_TRY(check(r.buf()));
  SetSpan(out, from, r.pos());
  return X509_OK;
}

// True when the OID content octets equal the OID constant c (a length
// octet, then the content), as asn1_oid_eq decides; written here because
// every extension of every certificate goes through it.
inline bool OidIs(const Buffer& oid, const unsigned char* c) {
  // The recognised extensions share their arcs but the last one: that
  // octet tells most candidates apart before the whole comparison.
  return oid.len == c[0] && oid.len != 0 && oid.data[oid.len - 1] == c[c[0]] &&
         std::memcmp(oid.data, c + 1, c[0]) == 0;
}

// A BIT STRING that holds a whole number of octets (a signature, a public
// key): *octets views what follows the unused-bits octet, which must be 0.
// X509_OK and r advanced; X509_E_UNUSED_BITS, or the library's codes as
// asn1_decode_bit_string gives them (r unmoved).
int ReadOctetBits(DerReader& r, Buffer* octets) {
  DerReader element = r;
  Buffer content;
  DER_TRY(element.primitive(der::kBitString, &content));
  DerReader bits(content);
  // BIT STRING content: the unused-bits octet, then the bits.
  if (bits.peek() < 0) return X509ASN_E_VALUE;
  if (bits.peek() != 0) return X509_E_UNUSED_BITS;
  bits.moveTo(bits.pos() + 1);
  SetSpan(octets, bits.pos(), bits.pos() + bits.left());
  r = element;
  return X509_OK;
}

// Checks the name element at in with the walker's first step and advances
// in past the element; the walker's failure otherwise. The first step
// checks every attribute of the whole element before it delivers one, so
// the name is read once: stepping through the rest would read it again.
int WalkName(Buffer* in, int (*first)(x509_walk_state_t*, const Buffer*, unsigned char*, Buffer*, Buffer*)) {
  if (in == nullptr) return X509_E_NULL;
  // The walkers answer 1 while an attribute is delivered, 0 at the end.
  constexpr int kDelivered = 1;
  x509_walk_state_t state;
  int r = first(&state, in, nullptr, nullptr, nullptr);
  if (r != X509_OK && r != kDelivered) return r;
  return shift_buffer(in, state.total) == 0 ? X509_OK : X509_E_SHORT;
}

// ---- Unrecognised extensions -------------------------------------------

// Appends Extension elements to one of the record's owned buffers, growing
// it geometrically so that many extensions take linear time.
class Collector {
 public:
  explicit Collector(Buffer* dst) : dst_(dst), cap_(dst->len) {}
  int append(const unsigned char* p, uint32_t n) {
    constexpr uint32_t kFirstBlock = 256;
    constexpr uint64_t kMaxLength = 0x7FFFFFFFu;
    uint64_t need = static_cast<uint64_t>(dst_->len) + n;
    if (need > kMaxLength) return X509_E_NOMEM;
    if (need > cap_) {
      uint64_t cap = cap_ < kFirstBlock ? kFirstBlock : cap_;
      while (cap < need) cap *= 2;
      auto* block = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(cap)));
      if (block == nullptr) return X509_E_NOMEM;
      if (dst_->len != 0) std::memcpy(block, dst_->data, dst_->len);
      std::free(dst_->start);
      dst_->start = block;
      dst_->data = block;
      cap_ = static_cast<uint32_t>(cap);
    }
    std::memcpy(dst_->data + dst_->len, p, n);
    dst_->len += n;
    return X509_OK;
  }

 private:
  Buffer* dst_;
  uint32_t cap_;
};

// ---- Recognised extensions ---------------------------------------------

using x509known::Shape;

// NameConstraints ::= SEQUENCE {
//     permittedSubtrees [0] GeneralSubtrees OPTIONAL,
//     excludedSubtrees  [1] GeneralSubtrees OPTIONAL }
int StoreNameConstraints(const Buffer& value, x509_cert_t* rec) {
  DerReader v = Cursor(value);
  Buffer permitted = {}, excluded = {};
  DER_TRY(v.element(der::kSequence, [&](DerReader& seq) {
    if (seq.peek() == der::kContext0Constructed) {
      DER_TRY(asn1_decode_primitive(der::kContext0Constructed, seq.buf(), &permitted));
    }
    if (seq.peek() == der::kContext1Constructed) {
      DER_TRY(asn1_decode_primitive(der::kContext1Constructed, seq.buf(), &excluded));
    }
    return X509_OK;
  }));
  if (v.left() != 0) return X509ASN_E_TRAILING;
  rec->nc_permitted = permitted;
  rec->nc_excluded = excluded;
  return X509_OK;
}

int StoreRecognised(const x509known::Extension& row, const Buffer& value, x509_cert_t* rec) {
  DerReader v = Cursor(value);
  Buffer view = {};
  switch (row.shape) {
    case Shape::kWhole:
      view = value;
      break;
    case Shape::kContent:
      DER_TRY(asn1_decode_primitive(row.tag, v.buf(), &view));
      break;
    case Shape::kGeneralNames:
      DER_TRY(Covered(v, x509_parse_gn, &view));
      break;
    case Shape::kNameConstraints:
      return StoreNameConstraints(value, rec);
  }
  if (v.left() != 0 && row.shape != Shape::kWhole) return X509ASN_E_TRAILING;
  rec->*row.field = view;
  return X509_OK;
}

// Extensions ::= SEQUENCE SIZE (1..MAX) OF Extension: the content.
int ParseExtensions(DerReader& seq, x509_cert_t* rec) {
  Collector other(&rec->other_extns), other_critical(&rec->other_critical_extns);
  const unsigned char* content = seq.pos();
  while (!seq.atEnd()) {
    const unsigned char* element = seq.pos();
    Buffer oid, value;
    int critical = 0;
    DER_TRY(x509_parse_extension(seq.buf(), &oid, &critical, &value));
    const x509known::Extension* row = nullptr;
    for (const x509known::Extension& candidate : x509known::kRecognised) {
      if (OidIs(oid, candidate.oid)) {
        row = &candidate;
        break;
      }
    }
    if (row == nullptr) {
      Collector& to = critical != 0 ? other_critical : other;
      DER_TRY(to.append(element, static_cast<uint32_t>(seq.pos() - element)));
      continue;
    }
    DER_TRY(StoreRecognised(*row, value, rec));
    if (critical != 0) {
      rec->critical |= row->critical_bit;
    } else {
      rec->critical &= ~row->critical_bit;
    }
  }
  SetSpan(&rec->extensions, content, seq.pos());
  return X509_OK;
}

// ---- Key parameters ------------------------------------------------------

using ParamsHolder = MallocPtr<x509_key_params_t>;

// SEQUENCE { INTEGER, INTEGER [, INTEGER] ... }: the first two INTEGERs,
// and with allow_third a third one when it follows.
int ParseParams(Buffer* in, x509_key_params_t** out, bool allow_third) {
  if (in == nullptr) return X509_E_NULL;
  DerReader r = Cursor(*in);
  x509_key_params_t got = {};
  DER_TRY(r.element(der::kSequence, [&](DerReader& seq) {
    DER_TRY(asn1_decode_integer(seq.buf(), &got.first));
    DER_TRY(asn1_decode_integer(seq.buf(), &got.second));
    if (allow_third && seq.peek() == der::kInteger) DER_TRY(asn1_decode_integer(seq.buf(), &got.third));
    // Further elements of a definite SEQUENCE are not examined; an
    // indefinite one ends here.
    seq.skipRest();
    return X509_OK;
  }));
  if (out != nullptr) {
    auto* made = static_cast<x509_key_params_t*>(std::malloc(sizeof(x509_key_params_t)));
    if (made == nullptr) return X509_E_NOMEM;
    *made = got;
    *out = made;
  }
  r.advance(in);
  return X509_OK;
}

// ---- Key algorithms ------------------------------------------------------

struct KeyAlgorithm {
  const unsigned char* oid;
  uint16_t code;
  // The parameters SEQUENCE's parser: for RSA the two numbers of the
  // module's own private-key layout (a public key has NULL parameters).
  int (*params)(Buffer*, x509_key_params_t**);
  bool private_too;  // also a private-key algorithm
};

const KeyAlgorithm kKeyAlgorithms[] = {
    {dsa, X509_KEY_DSA_OIW, x509_parse_params_dhKA, true},
    {new_dsa, X509_KEY_DSA, x509_parse_params_dhKA, true},
    {rsaEncryption, X509_KEY_RSA, x509_parse_params_pair, true},
    {dhpublicnumber, X509_KEY_DH_X942, x509_parse_params_pair, false},
    {dhKeyAgreement, X509_KEY_DH, x509_parse_params_dhKA, true},
};

const KeyAlgorithm* FindKeyAlgorithm(const Buffer& oid, bool private_key) {
  for (const KeyAlgorithm& row : kKeyAlgorithms) {
    if ((row.private_too || !private_key) && asn1_oid_eq(&oid, row.oid)) return &row;
  }
  return nullptr;
}

// True when the parameters element p is NULL (05 00) and nothing else.
bool IsNullParams(const Buffer& p) {
  DerReader r(p);
  Buffer content;
  return r.primitive(der::kNull, &content) == X509_OK && content.len == 0 && r.left() == 0;
}

// ---- Private keys --------------------------------------------------------

struct SecretParts {
  Buffer alg = {};
  Buffer params = {};
  Buffer value = {};
  bool value_is_sequence = false;
};

// Version ::= INTEGER, here the single octet 00 (v1).
bool IsVersionOne(DerReader& r) {
  Buffer version;
  return r.primitive(der::kInteger, &version) == X509_OK && version.len == 1 && version.data[0] == 0;
}

// PrivateKeyInfo ::= SEQUENCE {
//     version Version,                              -- 0
//     privateKeyAlgorithm AlgorithmIdentifier,
//     privateKey OCTET STRING,                      -- INTEGER or RSAPrivateKey
//     attributes [0] IMPLICIT Attributes OPTIONAL }
int ParseSecret(Buffer* in, bool definite_only, SecretParts* out) {
  if (in == nullptr) return X509_E_NULL;
  DerReader r = Cursor(*in);
  if (definite_only) {
    // X509ASN_INDEFINITE (-1) is answered as it is: the caller's refusal.
    Buffer probe = *in;
    int n = asn1_der_decode(der::kSequence, &probe);
    if (n < 0) return n;
  }
  DER_TRY(r.element(der::kSequence, [&](DerReader& seq) {
    // version Version
    if (!IsVersionOne(seq)) return X509_E_VERSION;
    // privateKeyAlgorithm AlgorithmIdentifier
    DER_TRY(x509_parse_algid(seq.buf(), &out->alg, &out->params));
    // privateKey OCTET STRING
    DER_TRY(seq.element(der::kOctetString, [&](DerReader& octets) {
      if (octets.peek() != der::kSequence) return derStatus(asn1_decode_integer(octets.buf(), &out->value));
      // RSAPrivateKey ::= SEQUENCE { version, modulus, ... }, kept whole
      out->value_is_sequence = true;
      return Covered(octets, [](Buffer* b) { return asn1_decode_primitive(der::kSequence, b, nullptr); },
                     &out->value);
    }));
    // attributes [0] IMPLICIT Attributes OPTIONAL
    if (seq.peek() == der::kContext0Constructed) {
      DER_TRY(asn1_decode_primitive(der::kContext0Constructed, seq.buf(), nullptr));
    }
    return X509_OK;
  }));
  r.advance(in);
  return X509_OK;
}

}  // namespace

// The extensions kept in views, in the order their identifiers are compared
// and the encoder processes them.
const x509known::Extension x509known::kRecognised[x509known::kCount] = {
    {NameConstraints_Id, X509_CRIT_NAME_CONSTRAINTS, nullptr, Shape::kNameConstraints, 0, false},
    {BasicConstraints_Id, X509_CRIT_BASIC_CONSTRAINTS, &x509_cert_t::basic_constraints, Shape::kWhole, 0, true},
    {KeyUsage_Id, X509_CRIT_KEY_USAGE, &x509_cert_t::key_usage, Shape::kContent, der::kBitString, true},
    {IssuerAltName_Id, X509_CRIT_ISSUER_ALT_NAME, &x509_cert_t::issuer_alt_name, Shape::kGeneralNames, 0, true},
    {SubjectAltName_Id, X509_CRIT_SUBJECT_ALT_NAME, &x509_cert_t::subject_alt_name, Shape::kGeneralNames, 0,
     true},
    {SubjectKeyIdentifier_Id, X509_CRIT_SUBJECT_KEY_ID, &x509_cert_t::subject_key_id, Shape::kContent,
     der::kOctetString, true},
    {AuthorityKeyIdentifier_Id, X509_CRIT_AUTHORITY_KEY_ID, &x509_cert_t::authority_key_id, Shape::kContent,
     der::kSequence, false},
    {CRLDistributionPoints_Id, X509_CRIT_CRL_DP, &x509_cert_t::crl_dp, Shape::kWhole, 0, false},
};

extern "C" {

int x509_init_cert(x509_cert_t** out) {
  if (out == nullptr) return X509_E_NULL;
  auto* rec = static_cast<x509_cert_t*>(std::calloc(1, sizeof(x509_cert_t)));
  if (rec == nullptr) return X509_E_NOMEM;
  std::memset(rec->markers, X509_MARKER_UNSET, sizeof rec->markers);
  std::memset(rec->reserved, X509_MARKER_UNSET, sizeof rec->reserved);
  rec->not_before = -1;
  rec->not_after = -1;
  rec->version = X509_VERSION_UNSET;
  *out = rec;
  return X509_OK;
}

void x509_release_cert(x509_cert_t* rec) {
  if (rec == nullptr) return;
  release_buffer(&rec->other_extns);
  release_buffer(&rec->other_critical_extns);
  if (rec->selector != nullptr) sel_destroy(rec->selector);
  std::free(rec);
}

int x509_parse_cert(Buffer* in, x509_cert_t* rec) {
  if (in == nullptr || rec == nullptr) return X509_E_NULL;
  // The first two markers read 0x0101 once a certificate was parsed into rec.
  rec->markers[0] = 1;
  rec->markers[1] = 1;
  DerReader r = Cursor(*in);
  // Certificate ::= SEQUENCE {
  DER_TRY(r.element(der::kSequence, [&](DerReader& cert) { return x509_parse_tbssequence(cert.buf(), rec); },
                    &rec->raw));
  r.advance(in);
  return X509_OK;
}

int x509_parse_tbssequence(Buffer* in, x509_cert_t* rec) {
  if (in == nullptr || rec == nullptr) return X509_E_NULL;
  DerReader r = Cursor(*in);
  // tbsCertificate TBSCertificate,
  DER_TRY(r.element(der::kSequence, [&](DerReader& tbs) { return x509_parse_tbscert(tbs.buf(), rec); },
                    &rec->tbs));
  // signatureAlgorithm AlgorithmIdentifier,
  Buffer oid, params;
  DER_TRY(x509_parse_algid(r.buf(), &oid, &params));
  if (oid.len != rec->sig_alg_oid.len || oid.len == 0 ||
      std::memcmp(oid.data, rec->sig_alg_oid.data, oid.len) != 0) {
    return X509_E_SIG_MISMATCH;
  }
  if (rec->sig_alg_params.len == 0) rec->sig_alg_params = params;
  // signatureValue BIT STRING }
  DER_TRY(ReadOctetBits(r, &rec->signature));
  r.advance(in);
  return X509_OK;
}

int x509_parse_tbscert(Buffer* in, x509_cert_t* rec) {
  if (in == nullptr || rec == nullptr) return X509_E_NULL;
  DerReader r = Cursor(*in);
  // version [0] EXPLICIT Version DEFAULT v1,
  // Version ::= INTEGER { v1(0), v2(1), v3(2) }
  rec->version = X509_VERSION_1;
  if (r.peek() == der::kContext0Constructed) {
    DER_TRY(r.element(der::kContext0Constructed, [&](DerReader& explicit_tag) {
      Buffer v;
      if (explicit_tag.primitive(der::kInteger, &v) != X509_OK || v.len != 1 || v.data[0] > X509_VERSION_3) {
        return X509_E_VERSION;
      }
      rec->version = v.data[0];
      return X509_OK;
    }));
  }
  // serialNumber CertificateSerialNumber,
  DER_TRY(asn1_decode_integer(r.buf(), &rec->serial));
  // signature AlgorithmIdentifier,
  DER_TRY(x509_parse_algid(r.buf(), &rec->sig_alg_oid, &rec->sig_alg_params));
  // issuer Name,
  DER_TRY(Covered(r, x509_parse_dn, &rec->issuer));
  // validity Validity ::= SEQUENCE { notBefore Time, notAfter Time },
  DER_TRY(r.element(der::kSequence, [&](DerReader& validity) {
    DER_TRY(asn1_decode_time(validity.buf(), &rec->not_before));
    return asn1_decode_time(validity.buf(), &rec->not_after);
  }));
  // subject Name,
  DER_TRY(Covered(r, x509_parse_dn, &rec->subject));
  // subjectPublicKeyInfo SubjectPublicKeyInfo,
  DER_TRY(Covered(r, [](Buffer* b) { return x509_parse_spki(b, nullptr, nullptr, nullptr); }, &rec->spki));
  // issuerUniqueID [1] IMPLICIT UniqueIdentifier OPTIONAL,
  // subjectUniqueID [2] IMPLICIT UniqueIdentifier OPTIONAL,
  // (primitive as DER writes them, or constructed), skipped
  for (unsigned char tag :
       {der::kContext1, der::kContext1Constructed, der::kContext2, der::kContext2Constructed}) {
    if (r.peek() == tag) DER_TRY(asn1_decode_primitive(tag, r.buf(), nullptr));
  }
  // extensions [3] EXPLICIT Extensions OPTIONAL
  if (r.peek() == der::kContext3Constructed) {
    DER_TRY(r.element(der::kContext3Constructed, [&](DerReader& explicit_tag) {
      return explicit_tag.element(der::kSequence, [&](DerReader& seq) { return ParseExtensions(seq, rec); });
    }));
  }
  r.advance(in);
  return X509_OK;
}

int x509_parse_extension(Buffer* in, Buffer* oid, int* critical, Buffer* value) {
  if (in == nullptr) return X509_E_NULL;
  DerReader r = Cursor(*in);
  Buffer id, content;
  int flag = 0;
  DER_TRY(r.element(der::kSequence, [&](DerReader& seq) {
    // extnID OBJECT IDENTIFIER,
    DER_TRY(seq.primitive(der::kOid, &id));
    DER_TRY(asn1_oid_check(&id));
    // critical BOOLEAN DEFAULT FALSE,
    if (seq.peek() == der::kBoolean) {
      Buffer b;
      DER_TRY(seq.primitive(der::kBoolean, &b));
      if (b.len != 1) return X509_E_BOOLEAN;
      flag = b.data[0];
    }
    // extnValue OCTET STRING
    return seq.primitive(der::kOctetString, &content);
  }));
  if (oid != nullptr) *oid = id;
  if (critical != nullptr) *critical = flag;
  if (value != nullptr) *value = content;
  r.advance(in);
  return static_cast<int>(content.len);
}

int x509_parse_spki(Buffer* in, Buffer* alg, Buffer* params, Buffer* bits) {
  if (in == nullptr) return X509_E_NULL;
  DerReader r = Cursor(*in);
  Buffer a, p, k;
  DER_TRY(r.element(der::kSequence, [&](DerReader& seq) {
    // algorithm AlgorithmIdentifier,
    DER_TRY(x509_parse_algid(seq.buf(), &a, &p));
    // subjectPublicKey BIT STRING
    return ReadOctetBits(seq, &k);
  }));
  if (alg != nullptr) *alg = a;
  if (params != nullptr) *params = p;
  if (bits != nullptr) *bits = k;
  r.advance(in);
  return X509_OK;
}

int x509_parse_key(Buffer* in, uint16_t* type, x509_key_params_t** params, Buffer* value) {
  if (params != nullptr) *params = nullptr;
  if (in == nullptr) return X509_E_NULL;
  DerReader r = Cursor(*in);
  ParamsHolder holder;
  // Only when the caller wants the record are the parameters kept.
  auto want = [&]() { return params != nullptr ? holder.out() : nullptr; };
  Buffer key;
  DER_TRY(r.element(der::kSequence, [&](DerReader& seq) {
    // algorithm AlgorithmIdentifier,
    Buffer alg, p;
    DER_TRY(x509_parse_algid(seq.buf(), &alg, &p));
    const KeyAlgorithm* row = FindKeyAlgorithm(alg, false);
    if (row == nullptr) return X509_E_PUBKEY_ALG;
    if (type != nullptr) *type = row->code;
    if (row->code == X509_KEY_RSA) {
      // parameters NULL
      if (!IsNullParams(p)) return X509_E_RSA_PARAMS;
    } else {
      DER_TRY(row->params(&p, want()));
    }
    // subjectPublicKey BIT STRING
    return seq.element(der::kBitString, [&](DerReader& bits) {
      // The unused-bits octet: every key is a whole number of octets.
      if (bits.peek() != 0) return X509_E_UNUSED_BITS;
      bits.moveTo(bits.pos() + 1);
      // DSAPublicKey, DHPublicKey ::= INTEGER
      if (row->code != X509_KEY_RSA) return derStatus(asn1_decode_integer(bits.buf(), &key));
      // RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
      return Covered(bits, [&](Buffer* b) { return x509_parse_params_pair(b, want()); }, &key);
    });
  }));
  if (value != nullptr) *value = key;
  if (params != nullptr) *params = holder.detach();
  r.advance(in);
  return X509_OK;
}

int asn1_der_decode_secret(Buffer* in, uint16_t* type, x509_key_params_t** params, Buffer* value) {
  if (params != nullptr) *params = nullptr;
  if (in == nullptr) return X509_E_NULL;
  Buffer probe = *in;
  SecretParts parts;
  DER_TRY(ParseSecret(&probe, true, &parts));
  const KeyAlgorithm* row = FindKeyAlgorithm(parts.alg, true);
  if (row == nullptr) return X509_E_KEY_ALG;
  uint16_t code = row->code;
  if (type != nullptr) *type = code;
  // Only an RSA key comes as a whole RSAPrivateKey; the others hold their
  // private number.
  if (parts.value_is_sequence && code != X509_KEY_RSA) return X509ASN_E_TAG;
  ParamsHolder holder;
  // An RSA key's parameters are NULL in the common form, or the SEQUENCE of
  // modulus and exponent this module writes.
  bool rsa_null = code == X509_KEY_RSA && DerReader(parts.params).peek() == der::kNull;
  if (params != nullptr && parts.params.len != 0 && !rsa_null) {
    Buffer p = parts.params;
    DER_TRY(row->params(&p, holder.out()));
    // Dss-Parms ::= SEQUENCE { p, q, g INTEGER }: all three.
    bool dsa_family = code == X509_KEY_DSA || code == X509_KEY_DSA_OIW;
    if (dsa_family && holder->third.len == 0) return X509_E_DSA_PARAMS;
  }
  if (value != nullptr) *value = parts.value;
  if (params != nullptr) *params = holder.detach();
  *in = probe;
  return X509_OK;
}

int x509_parse_secret(Buffer* in, Buffer* alg, Buffer* params, Buffer* value) {
  if (in == nullptr) return X509_E_NULL;
  Buffer probe = *in;
  SecretParts parts;
  DER_TRY(ParseSecret(&probe, false, &parts));
  if (alg != nullptr) *alg = parts.alg;
  if (params != nullptr) *params = parts.params;
  if (value != nullptr) *value = parts.value;
  *in = probe;
  return X509_OK;
}

int x509_parse_params_pair(Buffer* in, x509_key_params_t** out) { return ParseParams(in, out, false); }

int x509_parse_params_dhKA(Buffer* in, x509_key_params_t** out) { return ParseParams(in, out, true); }

int x509_parse_gn(Buffer* in) { return WalkName(in, x509_gfra); }

int x509_parse_dn(Buffer* in) { return WalkName(in, x509_dn_gfra); }

int x509_parse_KI(Buffer* in, Buffer* key_id, Buffer* serial, Buffer* issuer, int check_name) {
  if (in == nullptr) return X509_E_NULL;
  for (Buffer* out : {key_id, serial, issuer}) {
    if (out != nullptr) init_buffer(out);
  }
  // The fields by their context tag number: [0] keyIdentifier,
  // [1] authorityCertIssuer, [2] authorityCertSerialNumber.
  constexpr unsigned kKeyId = 0, kIssuer = 1, kSerial = 2;
  DerReader r = Cursor(*in);
  Buffer found[kSerial + 1] = {};
  unsigned seen = 0;
  DER_TRY(r.element(der::kSequence, [&](DerReader& seq) {
    while (!seq.atEnd()) {
      int tag = seq.peek();
      if (tag == der::kEndOfContents) return X509_E_AKI_EOC;
      // Context tags [0] [1] [2], primitive or constructed.
      unsigned number = static_cast<unsigned>(tag) & der::kTagNumberMask;
      if ((tag & der::kClassMask) != der::kContextClass || number > kSerial) return X509_E_AKI_TAG;
      if ((seen & (1u << number)) != 0) return X509_E_DUPLICATE;
      seen |= 1u << number;
      DER_TRY(asn1_decode_primitive(static_cast<unsigned char>(tag), seq.buf(), &found[number]));
    }
    return X509_OK;
  }));
  if (check_name != 0 && (seen & (1u << kIssuer)) != 0) {
    // The issuer's GeneralNames, given the SEQUENCE header its implicit tag
    // replaced, must render as text.
    constexpr uint32_t kHeaderRoom = 6;  // identifier and at most five length octets
    constexpr int kAsciiText = 1;        // x509_parse_name's ASCII mode
    OwnedBuffer names, text;
    DER_TRY(alloc_buffer(found[kIssuer].len + kHeaderRoom, &names.b));
    shift_buffer(&names.b, kHeaderRoom);
    if (found[kIssuer].len != 0) std::memcpy(names.b.data, found[kIssuer].data, found[kIssuer].len);
    DER_TRY(asn1_der_encode(der::kSequence, &names.b));
    DER_TRY(x509_parse_name(&names.b, &text.b, kAsciiText));
  }
  if (key_id != nullptr) *key_id = found[kKeyId];
  if (issuer != nullptr) *issuer = found[kIssuer];
  if (serial != nullptr) *serial = found[kSerial];
  return X509_OK;
}

}  // extern "C"
