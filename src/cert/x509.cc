#include "cert/x509.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "name/sel.h"

namespace {

// A forward-only cursor over an element's content (or over a caller's
// input). Readers of whole elements advance it only on success; a
// constructed element is read through element(), which hands its body a
// child cursor bounded to the content and then checks what is left.
class Reader {
 public:
  explicit Reader(const Buffer& in) : b_{nullptr, in.data, in.len} {}
  Reader() : b_{nullptr, nullptr, 0} {}

  Buffer* buf() { return &b_; }
  const unsigned char* pos() const { return b_.data; }
  uint32_t left() const { return b_.len; }
  // The identifier octet at the cursor, or -1 when nothing is left.
  int peek() const { return b_.len != 0 ? b_.data[0] : -1; }
  // True when the content is used up: nothing left of a definite content,
  // or the end-of-contents octets next in an indefinite one.
  bool atEnd() const { return indefinite_ ? asn1_is_eoc(&b_) != 0 : b_.len == 0; }

  // Reads the constructed element tagged tag at the cursor: body(child)
  // reads its content, close() ends it. *whole (optional) then covers the
  // element, header included. 0, or the first failure (cursor unmoved).
  template <class Body>
  [[nodiscard]] int element(unsigned char tag, Body body, Buffer* whole = nullptr) {
    const unsigned char* from = b_.data;
    Reader child;
    int r = open(tag, &child);
    if (r == 0) r = body(child);
    if (r == 0) r = close(child);
    if (r == 0 && whole != nullptr) set_buffer(whole, static_cast<uint32_t>(b_.data - from), from);
    return r;
  }

  // Steps over the rest of a definite content without examining it.
  void skipRest() {
    if (!indefinite_) moveTo(b_.data + b_.len);
  }

  // Moves the cursor forward to p, a position inside what it covers.
  void moveTo(const unsigned char* p) {
    uint32_t n = static_cast<uint32_t>(p - b_.data);
    b_.data += n;
    b_.len -= n;
  }

 private:
  // Opens the constructed element tagged tag at the cursor: *child then
  // covers its content (for the indefinite form, everything after the
  // header: the content's end is found by reading it). This cursor is not
  // moved before close(). 0, or the library's code.
  [[nodiscard]] int open(unsigned char tag, Reader* child) const {
    Buffer b = b_;
    int n = asn1_der_decode(tag, &b);
    if (n < X509ASN_INDEFINITE) return n;
    child->b_ = Buffer{nullptr, b.data, n == X509ASN_INDEFINITE ? b.len : static_cast<uint32_t>(n)};
    child->indefinite_ = n == X509ASN_INDEFINITE;
    return 0;
  }

  // Ends child, opened from this cursor: a definite content must be used
  // up (X509ASN_E_TRAILING); an indefinite one must stand at 00 00
  // (X509_E_SHORT when fewer octets are left, else X509_E_NO_EOC), which
  // are stepped over. This cursor then stands after the element.
  [[nodiscard]] int close(const Reader& child) {
    const unsigned char* end = child.b_.data;
    if (child.indefinite_) {
      if (child.b_.len < 2) return X509_E_SHORT;
      if (!asn1_is_eoc(&child.b_)) return X509_E_NO_EOC;
      end += 2;
    } else if (child.b_.len != 0) {
      return X509ASN_E_TRAILING;
    }
    moveTo(end);
    return 0;
  }

  Buffer b_;
  bool indefinite_ = false;
};

// Moves the caller's input to where r stands (r was made from in).
void Advance(Buffer* in, const Reader& r) {
  uint32_t n = static_cast<uint32_t>(r.pos() - in->data);
  in->data += n;
  in->len -= n;
}

void SetSpan(Buffer* out, const unsigned char* from, const unsigned char* to) {
  set_buffer(out, static_cast<uint32_t>(to - from), from);
}

// Library readers return a length (>= 0) or a negative code; this turns
// them into a status.
int Status(int r) { return r < 0 ? r : 0; }

#define X509_TRY(expr)           \
  do {                           \
    int x509_r_ = Status(expr);  \
    if (x509_r_ != 0) return x509_r_; \
  } while (0)

// The whole element at in as an exact view: a reader that checks it
// (advancing its Buffer past it) and the view of what it covered.
template <class Check>
int Covered(Reader& r, Check check, Buffer* out) {
  const unsigned char* from = r.pos();
  X509_TRY(check(r.buf()));
  SetSpan(out, from, r.pos());
  return 0;
}

// True when the OID content octets equal the OID constant c (a length
// octet, then the content), as asn1_oid_eq decides; written here because
// every extension of every certificate goes through it.
inline bool OidIs(const Buffer& oid, const unsigned char* c) {
  return oid.len == c[0] && std::memcmp(oid.data, c + 1, c[0]) == 0;
}

// Walks every attribute of the name element at in with the walker pair
// (first, next) and advances in past the element; the walker's failure
// otherwise.
int WalkName(Buffer* in, int (*first)(x509_walk_state_t*, const Buffer*, unsigned char*, Buffer*, Buffer*),
             int (*next)(x509_walk_state_t*, unsigned char*, Buffer*, Buffer*)) {
  if (in == nullptr) return X509_E_NULL;
  x509_walk_state_t state;
  int r = first(&state, in, nullptr, nullptr, nullptr);
  while (r == 1) r = next(&state, nullptr, nullptr, nullptr);
  if (r != 0) return r;
  return shift_buffer(in, state.total) == 0 ? 0 : X509_E_SHORT;
}

// ---- Unrecognised extensions -------------------------------------------

// Appends Extension elements to one of the record's owned buffers, growing
// it geometrically so that many extensions take linear time.
class Collector {
 public:
  explicit Collector(Buffer* dst) : dst_(dst), cap_(dst->len) {}
  int append(const unsigned char* p, uint32_t n) {
    uint64_t need = static_cast<uint64_t>(dst_->len) + n;
    if (need > 0x7FFFFFFFu) return X509_E_NOMEM;
    if (need > cap_) {
      uint64_t cap = cap_ < 256 ? 256 : cap_;
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
    return 0;
  }

 private:
  Buffer* dst_;
  uint32_t cap_;
};

// ---- Recognised extensions ---------------------------------------------

// How a recognised extension's value is kept in the record.
enum class Shape {
  kWhole,            // the extnValue content as it is
  kContent,          // the content of the single element tagged `tag`
  kGeneralNames,     // the GeneralNames element, checked
  kNameConstraints,  // the content of its [0] and [1] subtrees
};

struct ExtnRow {
  const unsigned char* oid;
  uint32_t critical_bit;
  Buffer x509_cert_t::*field;
  Shape shape;
  unsigned char tag;
};

// In the order the identifiers are compared.
const ExtnRow kRecognised[] = {
    {NameConstraints_Id, X509_CRIT_NAME_CONSTRAINTS, nullptr, Shape::kNameConstraints, 0},
    {BasicConstraints_Id, X509_CRIT_BASIC_CONSTRAINTS, &x509_cert_t::basic_constraints, Shape::kWhole, 0},
    {KeyUsage_Id, X509_CRIT_KEY_USAGE, &x509_cert_t::key_usage, Shape::kContent, 0x03},
    {IssuerAltName_Id, X509_CRIT_ISSUER_ALT_NAME, &x509_cert_t::issuer_alt_name, Shape::kGeneralNames, 0},
    {SubjectAltName_Id, X509_CRIT_SUBJECT_ALT_NAME, &x509_cert_t::subject_alt_name, Shape::kGeneralNames, 0},
    {SubjectKeyIdentifier_Id, X509_CRIT_SUBJECT_KEY_ID, &x509_cert_t::subject_key_id, Shape::kContent, 0x04},
    {AuthorityKeyIdentifier_Id, X509_CRIT_AUTHORITY_KEY_ID, &x509_cert_t::authority_key_id, Shape::kContent,
     0x30},
    {CRLDistributionPoints_Id, X509_CRIT_CRL_DP, &x509_cert_t::crl_dp, Shape::kWhole, 0},
};

// NameConstraints ::= SEQUENCE {
//     permittedSubtrees [0] GeneralSubtrees OPTIONAL,
//     excludedSubtrees  [1] GeneralSubtrees OPTIONAL }
int StoreNameConstraints(const Buffer& value, x509_cert_t* rec) {
  Reader v(value);
  Buffer permitted = {}, excluded = {};
  X509_TRY(v.element(0x30, [&](Reader& seq) {
    if (seq.peek() == 0xA0) X509_TRY(asn1_decode_primitive(0xA0, seq.buf(), &permitted));
    if (seq.peek() == 0xA1) X509_TRY(asn1_decode_primitive(0xA1, seq.buf(), &excluded));
    return 0;
  }));
  if (v.left() != 0) return X509ASN_E_TRAILING;
  rec->nc_permitted = permitted;
  rec->nc_excluded = excluded;
  return 0;
}

int StoreRecognised(const ExtnRow& row, const Buffer& value, x509_cert_t* rec) {
  Reader v(value);
  Buffer view = {};
  switch (row.shape) {
    case Shape::kWhole:
      view = value;
      break;
    case Shape::kContent:
      X509_TRY(asn1_decode_primitive(row.tag, v.buf(), &view));
      break;
    case Shape::kGeneralNames:
      X509_TRY(Covered(v, x509_parse_gn, &view));
      break;
    case Shape::kNameConstraints:
      return StoreNameConstraints(value, rec);
  }
  if (v.left() != 0 && row.shape != Shape::kWhole) return X509ASN_E_TRAILING;
  rec->*row.field = view;
  return 0;
}

// Extensions ::= SEQUENCE SIZE (1..MAX) OF Extension: the content.
int ParseExtensions(Reader& seq, x509_cert_t* rec) {
  Collector other(&rec->other_extns), other_critical(&rec->other_critical_extns);
  const unsigned char* content = seq.pos();
  while (!seq.atEnd()) {
    const unsigned char* element = seq.pos();
    Buffer oid, value;
    int critical = 0;
    X509_TRY(x509_parse_extension(seq.buf(), &oid, &critical, &value));
    const ExtnRow* row = nullptr;
    for (const ExtnRow& candidate : kRecognised) {
      if (OidIs(oid, candidate.oid)) {
        row = &candidate;
        break;
      }
    }
    if (row == nullptr) {
      Collector& to = critical != 0 ? other_critical : other;
      X509_TRY(to.append(element, static_cast<uint32_t>(seq.pos() - element)));
      continue;
    }
    X509_TRY(StoreRecognised(*row, value, rec));
    if (critical != 0) {
      rec->critical |= row->critical_bit;
    } else {
      rec->critical &= ~row->critical_bit;
    }
  }
  SetSpan(&rec->extensions, content, seq.pos());
  return 0;
}

// ---- Key parameters ------------------------------------------------------

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using ParamsHolder = std::unique_ptr<x509_key_params_t, FreeDeleter>;

// SEQUENCE { INTEGER, INTEGER [, INTEGER] ... }: the first two INTEGERs,
// and with allow_third a third one when it follows.
int ParseParams(Buffer* in, x509_key_params_t** out, bool allow_third) {
  if (in == nullptr) return X509_E_NULL;
  Reader r(*in);
  x509_key_params_t got = {};
  X509_TRY(r.element(0x30, [&](Reader& seq) {
    X509_TRY(asn1_decode_integer(seq.buf(), &got.first));
    X509_TRY(asn1_decode_integer(seq.buf(), &got.second));
    if (allow_third && seq.peek() == 0x02) X509_TRY(asn1_decode_integer(seq.buf(), &got.third));
    // Further elements of a definite SEQUENCE are not examined; an
    // indefinite one ends here.
    seq.skipRest();
    return 0;
  }));
  if (out != nullptr) {
    auto* made = static_cast<x509_key_params_t*>(std::malloc(sizeof(x509_key_params_t)));
    if (made == nullptr) return X509_E_NOMEM;
    *made = got;
    *out = made;
  }
  Advance(in, r);
  return 0;
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

// ---- Private keys --------------------------------------------------------

struct SecretParts {
  Buffer alg = {};
  Buffer params = {};
  Buffer value = {};
  bool value_is_sequence = false;
};

// PrivateKeyInfo ::= SEQUENCE {
//     version Version,                              -- 0
//     privateKeyAlgorithm AlgorithmIdentifier,
//     privateKey OCTET STRING,                      -- INTEGER or RSAPrivateKey
//     attributes [0] IMPLICIT Attributes OPTIONAL }
int ParseSecret(Buffer* in, bool definite_only, SecretParts* out) {
  if (in == nullptr) return X509_E_NULL;
  Reader r(*in);
  if (definite_only) {
    Buffer probe = *in;
    int n = asn1_der_decode(0x30, &probe);
    if (n < 0) return n;
  }
  X509_TRY(r.element(0x30, [&](Reader& seq) {
    // version Version
    Buffer version;
    if (asn1_decode_primitive(0x02, seq.buf(), &version) != 1 || version.data[0] != 0) return X509_E_VERSION;
    // privateKeyAlgorithm AlgorithmIdentifier
    X509_TRY(x509_parse_algid(seq.buf(), &out->alg, &out->params));
    // privateKey OCTET STRING
    X509_TRY(seq.element(0x04, [&](Reader& octets) {
      if (octets.peek() != 0x30) return Status(asn1_decode_integer(octets.buf(), &out->value));
      // RSAPrivateKey ::= SEQUENCE { version, modulus, ... }, kept whole
      out->value_is_sequence = true;
      return Covered(octets, [](Buffer* b) { return asn1_decode_primitive(0x30, b, nullptr); }, &out->value);
    }));
    // attributes [0] IMPLICIT Attributes OPTIONAL
    if (seq.peek() == 0xA0) X509_TRY(asn1_decode_primitive(0xA0, seq.buf(), nullptr));
    return 0;
  }));
  Advance(in, r);
  return 0;
}

}  // namespace

extern "C" {

int x509_init_cert(x509_cert_t** out) {
  if (out == nullptr) return X509_E_NULL;
  auto* rec = static_cast<x509_cert_t*>(std::calloc(1, sizeof(x509_cert_t)));
  if (rec == nullptr) return X509_E_NOMEM;
  std::memset(rec->markers, 0xFF, sizeof rec->markers);
  std::memset(rec->reserved, 0xFF, sizeof rec->reserved);
  rec->not_before = -1;
  rec->not_after = -1;
  rec->version = 0xFFFF;
  *out = rec;
  return 0;
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
  rec->markers[0] = 1;
  rec->markers[1] = 1;
  Reader r(*in);
  // Certificate ::= SEQUENCE {
  X509_TRY(r.element(0x30, [&](Reader& cert) { return x509_parse_tbssequence(cert.buf(), rec); }, &rec->raw));
  Advance(in, r);
  return 0;
}

int x509_parse_tbssequence(Buffer* in, x509_cert_t* rec) {
  if (in == nullptr || rec == nullptr) return X509_E_NULL;
  Reader r(*in);
  // tbsCertificate TBSCertificate,
  X509_TRY(r.element(0x30, [&](Reader& tbs) { return x509_parse_tbscert(tbs.buf(), rec); }, &rec->tbs));
  // signatureAlgorithm AlgorithmIdentifier,
  Buffer oid, params;
  X509_TRY(x509_parse_algid(r.buf(), &oid, &params));
  if (oid.len != rec->sig_alg_oid.len || oid.len == 0 ||
      std::memcmp(oid.data, rec->sig_alg_oid.data, oid.len) != 0) {
    return X509_E_SIG_MISMATCH;
  }
  if (rec->sig_alg_params.len == 0) rec->sig_alg_params = params;
  // signatureValue BIT STRING }
  X509_TRY(asn1_decode_bit_string(r.buf(), &rec->signature));
  Advance(in, r);
  return 0;
}

int x509_parse_tbscert(Buffer* in, x509_cert_t* rec) {
  if (in == nullptr || rec == nullptr) return X509_E_NULL;
  Reader r(*in);
  // version [0] EXPLICIT Version DEFAULT v1,
  rec->version = 0;
  if (r.peek() == 0xA0) {
    X509_TRY(r.element(0xA0, [&](Reader& explicit_tag) {
      Buffer v;
      if (asn1_decode_primitive(0x02, explicit_tag.buf(), &v) != 1 || v.data[0] > 2) return X509_E_VERSION;
      rec->version = v.data[0];
      return 0;
    }));
  }
  // serialNumber CertificateSerialNumber,
  X509_TRY(asn1_decode_integer(r.buf(), &rec->serial));
  // signature AlgorithmIdentifier,
  X509_TRY(x509_parse_algid(r.buf(), &rec->sig_alg_oid, &rec->sig_alg_params));
  // issuer Name,
  X509_TRY(Covered(r, x509_parse_dn, &rec->issuer));
  // validity Validity ::= SEQUENCE { notBefore Time, notAfter Time },
  X509_TRY(r.element(0x30, [&](Reader& validity) {
    X509_TRY(asn1_decode_time(validity.buf(), &rec->not_before));
    return asn1_decode_time(validity.buf(), &rec->not_after);
  }));
  // subject Name,
  X509_TRY(Covered(r, x509_parse_dn, &rec->subject));
  // subjectPublicKeyInfo SubjectPublicKeyInfo,
  X509_TRY(Covered(r, [](Buffer* b) { return x509_parse_spki(b, nullptr, nullptr, nullptr); }, &rec->spki));
  // issuerUniqueID [1] IMPLICIT UniqueIdentifier OPTIONAL,
  // subjectUniqueID [2] IMPLICIT UniqueIdentifier OPTIONAL,
  // (primitive as DER writes them, or constructed), skipped
  for (unsigned char tag : {0x81, 0xA1, 0x82, 0xA2}) {
    if (r.peek() == tag) X509_TRY(asn1_decode_primitive(tag, r.buf(), nullptr));
  }
  // extensions [3] EXPLICIT Extensions OPTIONAL
  if (r.peek() == 0xA3) {
    X509_TRY(r.element(0xA3, [&](Reader& explicit_tag) {
      return explicit_tag.element(0x30, [&](Reader& seq) { return ParseExtensions(seq, rec); });
    }));
  }
  Advance(in, r);
  return 0;
}

int x509_parse_extension(Buffer* in, Buffer* oid, int* critical, Buffer* value) {
  if (in == nullptr) return X509_E_NULL;
  Reader r(*in);
  Buffer id, content;
  int flag = 0;
  X509_TRY(r.element(0x30, [&](Reader& seq) {
    // extnID OBJECT IDENTIFIER,
    X509_TRY(asn1_decode_primitive(0x06, seq.buf(), &id));
    // critical BOOLEAN DEFAULT FALSE,
    if (seq.peek() == 0x01) {
      Buffer b;
      int n = asn1_decode_primitive(0x01, seq.buf(), &b);
      if (n < 0) return n;
      if (n != 1) return X509_E_BOOLEAN;
      flag = b.data[0];
    }
    // extnValue OCTET STRING
    return Status(asn1_decode_primitive(0x04, seq.buf(), &content));
  }));
  if (oid != nullptr) *oid = id;
  if (critical != nullptr) *critical = flag;
  if (value != nullptr) *value = content;
  Advance(in, r);
  return static_cast<int>(content.len);
}

int x509_parse_spki(Buffer* in, Buffer* alg, Buffer* params, Buffer* bits) {
  if (in == nullptr) return X509_E_NULL;
  Reader r(*in);
  Buffer a, p, k;
  X509_TRY(r.element(0x30, [&](Reader& seq) {
    // algorithm AlgorithmIdentifier,
    X509_TRY(x509_parse_algid(seq.buf(), &a, &p));
    // subjectPublicKey BIT STRING
    return Status(asn1_decode_bit_string(seq.buf(), &k));
  }));
  if (alg != nullptr) *alg = a;
  if (params != nullptr) *params = p;
  if (bits != nullptr) *bits = k;
  Advance(in, r);
  return 0;
}

int x509_parse_key(Buffer* in, uint16_t* type, x509_key_params_t** params, Buffer* value) {
  if (params != nullptr) *params = nullptr;
  if (in == nullptr) return X509_E_NULL;
  Reader r(*in);
  ParamsHolder holder;
  x509_key_params_t* made = nullptr;
  x509_key_params_t** want = params != nullptr ? &made : nullptr;
  Buffer key;
  X509_TRY(r.element(0x30, [&](Reader& seq) {
    // algorithm AlgorithmIdentifier,
    Buffer alg, p;
    X509_TRY(x509_parse_algid(seq.buf(), &alg, &p));
    const KeyAlgorithm* row = FindKeyAlgorithm(alg, false);
    if (row == nullptr) return X509_E_PUBKEY_ALG;
    if (type != nullptr) *type = row->code;
    if (row->code == X509_KEY_RSA) {
      // parameters NULL
      if (p.len != 2 || p.data[0] != 0x05 || p.data[1] != 0x00) return X509_E_RSA_PARAMS;
    } else {
      X509_TRY(row->params(&p, want));
      holder.reset(made);
    }
    // subjectPublicKey BIT STRING
    return seq.element(0x03, [&](Reader& bits) {
      if (bits.left() == 0 || bits.pos()[0] != 0) return X509_E_UNUSED_BITS;
      bits.moveTo(bits.pos() + 1);
      // DSAPublicKey, DHPublicKey ::= INTEGER
      if (row->code != X509_KEY_RSA) return Status(asn1_decode_integer(bits.buf(), &key));
      // RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
      X509_TRY(Covered(bits, [&](Buffer* b) { return x509_parse_params_pair(b, want); }, &key));
      holder.reset(made);
      return 0;
    });
  }));
  if (value != nullptr) *value = key;
  if (params != nullptr) *params = holder.release();
  Advance(in, r);
  return 0;
}

int asn1_der_decode_secret(Buffer* in, uint16_t* type, x509_key_params_t** params, Buffer* value) {
  if (params != nullptr) *params = nullptr;
  if (in == nullptr) return X509_E_NULL;
  Buffer probe = *in;
  SecretParts parts;
  X509_TRY(ParseSecret(&probe, true, &parts));
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
  bool rsa_null = code == X509_KEY_RSA && parts.params.len != 0 && parts.params.data[0] == 0x05;
  if (params != nullptr && parts.params.len != 0 && !rsa_null) {
    x509_key_params_t* made = nullptr;
    Buffer p = parts.params;
    X509_TRY(row->params(&p, &made));
    holder.reset(made);
    bool dsa_family = code == X509_KEY_DSA || code == X509_KEY_DSA_OIW;
    if (dsa_family && made->third.len == 0) return X509_E_NO_EOC;
  }
  if (value != nullptr) *value = parts.value;
  if (params != nullptr) *params = holder.release();
  *in = probe;
  return 0;
}

int x509_parse_secret(Buffer* in, Buffer* alg, Buffer* params, Buffer* value) {
  if (in == nullptr) return X509_E_NULL;
  Buffer probe = *in;
  SecretParts parts;
  X509_TRY(ParseSecret(&probe, false, &parts));
  if (alg != nullptr) *alg = parts.alg;
  if (params != nullptr) *params = parts.params;
  if (value != nullptr) *value = parts.value;
  *in = probe;
  return 0;
}

int x509_parse_params_pair(Buffer* in, x509_key_params_t** out) { return ParseParams(in, out, false); }

int x509_parse_params_dhKA(Buffer* in, x509_key_params_t** out) { return ParseParams(in, out, true); }

int x509_parse_gn(Buffer* in) { return WalkName(in, x509_gfra, x509_gnra); }

int x509_parse_dn(Buffer* in) { return WalkName(in, x509_dn_gfra, x509_dn_gnra); }

int x509_parse_KI(Buffer* in, Buffer* key_id, Buffer* serial, Buffer* issuer, int check_name) {
  if (in == nullptr) return X509_E_NULL;
  for (Buffer* out : {key_id, serial, issuer}) {
    if (out != nullptr) init_buffer(out);
  }
  Reader r(*in);
  Buffer found[3] = {};  // [0] keyIdentifier, [1] authorityCertIssuer, [2] serial
  unsigned seen = 0;
  X509_TRY(r.element(0x30, [&](Reader& seq) {
    while (!seq.atEnd()) {
      int tag = seq.peek();
      if (tag == 0x00) return X509_E_AKI_EOC;
      // Context tags [0] [1] [2], primitive or constructed.
      unsigned number = static_cast<unsigned>(tag) & 0x1F;
      if ((tag & 0xC0) != 0x80 || number > 2) return X509_E_AKI_TAG;
      if ((seen & (1u << number)) != 0) return X509_E_NO_EOC;
      seen |= 1u << number;
      X509_TRY(asn1_decode_primitive(static_cast<unsigned char>(tag), seq.buf(), &found[number]));
    }
    return 0;
  }));
  if (check_name != 0 && (seen & 2u) != 0) {
    // The issuer's GeneralNames, given the SEQUENCE header its implicit tag
    // replaced, must render as text.
    Buffer names, text;
    X509_TRY(alloc_buffer(found[1].len + 6, &names));
    shift_buffer(&names, 6);
    if (found[1].len != 0) std::memcpy(names.data, found[1].data, found[1].len);
    int rendered = asn1_der_encode(0x30, &names);
    if (rendered == 0) rendered = x509_parse_name(&names, &text, 1);
    release_buffer(&names);
    if (rendered < 0) return rendered;
    release_buffer(&text);
  }
  if (key_id != nullptr) *key_id = found[0];
  if (issuer != nullptr) *issuer = found[1];
  if (serial != nullptr) *serial = found[2];
  return 0;
}

}  // extern "C"
