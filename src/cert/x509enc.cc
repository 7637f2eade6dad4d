#include "cert/x509enc.h"

#include <cstring>

namespace {

#define X509_TRY(expr)         \
  do {                         \
    int x509_r_ = (expr);      \
    if (x509_r_ != 0) return x509_r_; \
  } while (0)

// A working buffer of ALLOC_SIZE octets, empty at its end so that encoders
// prepend into it; released on every path out.
class Work {
 public:
  Work() : code_(alloc_buffer(ALLOC_SIZE, &b_)) {
    if (code_ == 0) reset();
  }
  ~Work() { release_buffer(&b_); }
  // 0, or the allocation's failure.
  int code() const { return code_; }
  Buffer* buf() { return &b_; }
  // Empties the buffer, keeping its block: the content always ends at the
  // block's end, since it only ever grows at the front.
  void reset() { shift_buffer(&b_, b_.len); }

  Work(const Work&) = delete;
  Work& operator=(const Work&) = delete;

 private:
  Buffer b_;
  int code_;
};

Buffer View(const unsigned char* p, uint32_t n) { return Buffer{nullptr, const_cast<unsigned char*>(p), n}; }

// Prepends a DER header (tag, minimal definite length of len) to b.
int PrependHeader(Buffer* b, unsigned char tag, uint32_t len) {
  unsigned char hdr[6];
  unsigned char* p = hdr + sizeof hdr;
  if (len < 0x80) {
    *--p = static_cast<unsigned char>(len);
  } else {
    unsigned char n = 0;
    for (uint32_t v = len; v != 0; v >>= 8, ++n) *--p = static_cast<unsigned char>(v);
    *--p = static_cast<unsigned char>(0x80 | n);
  }
  *--p = tag;
  Buffer h = View(p, static_cast<uint32_t>(hdr + sizeof hdr - p));
  return insert_buffer(b, &h);
}

// Prepends the element tag { content } to b; an empty INTEGER content is
// written as the single octet 00.
int PrependElement(Buffer* b, unsigned char tag, const Buffer& content) {
  static const unsigned char kZero = 0;
  Buffer c = tag == 0x02 && content.len == 0 ? View(&kZero, 1) : content;
  X509_TRY(insert_buffer(b, &c));
  return PrependHeader(b, tag, c.len);
}

int PrependOctets(Buffer* b, const unsigned char* p, uint32_t n) {
  Buffer v = View(p, n);
  return insert_buffer(b, &v);
}

// Appends what w holds to out and empties w for the next element.
int Emit(Work& w, Buffer* out) {
  X509_TRY(append_buffer(out, w.buf()));
  w.reset();
  return 0;
}

// ---- Algorithm identifiers -------------------------------------------------

// Identifiers the support library has no constants for, in its form:
// the number of content octets, then the content octets.
const unsigned char kSha224WithRSA[] = {9, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0E};
const unsigned char kSha256WithRSA[] = {9, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B};
const unsigned char kSha384WithRSA[] = {9, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0C};
const unsigned char kSha512WithRSA[] = {9, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0D};
const unsigned char kDsaWithSha224[] = {9, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x03, 0x01};
const unsigned char kDsaWithSha256[] = {9, 0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x03, 0x02};
const unsigned char kEcdsaWithSha1[] = {7, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x04, 0x01};
const unsigned char kEcdsaWithSha224[] = {8, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x04, 0x03, 0x01};
const unsigned char kEcdsaWithSha256[] = {8, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x04, 0x03, 0x02};
const unsigned char kEcdsaWithSha384[] = {8, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x04, 0x03, 0x03};
const unsigned char kEcdsaWithSha512[] = {8, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x04, 0x03, 0x04};

// What follows the identifier in an AlgorithmIdentifier.
enum class Params {
  kFromKey,  // the key parameters when given, else NULL for code 1 only
  kNull,     // always NULL
  kAbsent    // never any
};

struct AlgRow {
  uint16_t code;
  const unsigned char* oid;
  Params params;
};

const AlgRow kAlgorithms[] = {
    {X509_KEY_RSA, rsaEncryption, Params::kFromKey},
    {X509_KEY_DSA, new_dsa, Params::kFromKey},
    {X509_KEY_DH, dhKeyAgreement, Params::kFromKey},
    {X509_KEY_DSA_OIW, dsa, Params::kFromKey},
    {X509_KEY_DH_X942, dhpublicnumber, Params::kFromKey},
    {X509_ENC_DSA_SHA, dsaWithSHA, Params::kFromKey},
    {0x0104, dsaWithSHA, Params::kFromKey},
    {X509_ENC_SHA1_RSA, sha1WithRSAEncryption, Params::kFromKey},
    {X509_ENC_DSA_SHA1, dsaWithsha1, Params::kFromKey},
    {0x0204, dsaWithsha1, Params::kFromKey},
    {X509_ENC_MD2_RSA, md2WithRSAEncryption, Params::kFromKey},
    {X509_ENC_MD5_RSA, md5WithRSAEncryption, Params::kFromKey},
    {X509_ENC_SHA224_RSA, kSha224WithRSA, Params::kNull},
    {X509_ENC_SHA256_RSA, kSha256WithRSA, Params::kNull},
    {X509_ENC_SHA384_RSA, kSha384WithRSA, Params::kNull},
    {X509_ENC_SHA512_RSA, kSha512WithRSA, Params::kNull},
    {X509_ENC_DSA_SHA224, kDsaWithSha224, Params::kAbsent},
    {X509_ENC_DSA_SHA256, kDsaWithSha256, Params::kAbsent},
    {X509_ENC_ECDSA_SHA1, kEcdsaWithSha1, Params::kAbsent},
    {X509_ENC_ECDSA_SHA224, kEcdsaWithSha224, Params::kAbsent},
    {X509_ENC_ECDSA_SHA256, kEcdsaWithSha256, Params::kAbsent},
    {X509_ENC_ECDSA_SHA384, kEcdsaWithSha384, Params::kAbsent},
    {X509_ENC_ECDSA_SHA512, kEcdsaWithSha512, Params::kAbsent},
};

const AlgRow* FindAlg(uint16_t code) {
  for (const AlgRow& row : kAlgorithms) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

const unsigned char kNull[] = {0x05, 0x00};

// Prepends the parameters of the key code alg: a SEQUENCE of the INTEGERs
// of params, or NULL for RSA without them.
int PrependKeyParams(uint16_t alg, const x509_key_params_t* params, Buffer* b) {
  if (params == nullptr) return alg == X509_KEY_RSA ? PrependOctets(b, kNull, sizeof kNull) : 0;
  // Dss-Parms ::= SEQUENCE { p, q, g INTEGER },
  // DHParameter ::= SEQUENCE { prime, base INTEGER, privateValueLength INTEGER OPTIONAL },
  // or the modulus and exponent of an RSA key
  unsigned key = alg & 0xFFu;
  bool three = key == X509_KEY_DSA || key == X509_KEY_DH || key == X509_KEY_DSA_OIW;
  if (three && params->third.len != 0) X509_TRY(PrependElement(b, 0x02, params->third));
  X509_TRY(PrependElement(b, 0x02, params->second));
  X509_TRY(PrependElement(b, 0x02, params->first));
  return asn1_der_encode(0x30, b);
}

// ---- Extensions ------------------------------------------------------------

// How a recognised extension's record view becomes its extnValue.
enum class Wrap {
  kNone,            // the view is the value
  kTag,             // the view is the content of the element tagged `tag`
  kNameConstraints  // the two subtree views
};

struct ExtnRow {
  const unsigned char* oid;
  uint32_t critical_bit;
  Buffer x509_cert_t::*field;
  Wrap wrap;
  unsigned char tag;
  bool in_mask_form;  // written by the restricted (mask) form too
};

// In writing order: each is placed in front of those before it.
const ExtnRow kExtensions[] = {
    {NameConstraints_Id, X509_CRIT_NAME_CONSTRAINTS, nullptr, Wrap::kNameConstraints, 0, false},
    {BasicConstraints_Id, X509_CRIT_BASIC_CONSTRAINTS, &x509_cert_t::basic_constraints, Wrap::kNone, 0, true},
    {KeyUsage_Id, X509_CRIT_KEY_USAGE, &x509_cert_t::key_usage, Wrap::kTag, 0x03, true},
    {IssuerAltName_Id, X509_CRIT_ISSUER_ALT_NAME, &x509_cert_t::issuer_alt_name, Wrap::kNone, 0, true},
    {SubjectAltName_Id, X509_CRIT_SUBJECT_ALT_NAME, &x509_cert_t::subject_alt_name, Wrap::kNone, 0, true},
    {SubjectKeyIdentifier_Id, X509_CRIT_SUBJECT_KEY_ID, &x509_cert_t::subject_key_id, Wrap::kTag, 0x04, true},
    {AuthorityKeyIdentifier_Id, X509_CRIT_AUTHORITY_KEY_ID, &x509_cert_t::authority_key_id, Wrap::kTag, 0x30,
     false},
    {CRLDistributionPoints_Id, X509_CRIT_CRL_DP, &x509_cert_t::crl_dp, Wrap::kNone, 0, false},
};

// NameConstraints ::= SEQUENCE {
//     permittedSubtrees [0] GeneralSubtrees OPTIONAL,
//     excludedSubtrees  [1] GeneralSubtrees OPTIONAL }
int WriteNameConstraints(const x509_cert_t* rec, Buffer* w) {
  if (rec->nc_excluded.len != 0) X509_TRY(PrependElement(w, 0xA1, rec->nc_excluded));
  if (rec->nc_permitted.len != 0) X509_TRY(PrependElement(w, 0xA0, rec->nc_permitted));
  return asn1_der_encode(0x30, w);
}

// Writes one recognised extension of rec in front of b, when its view is
// set; w is empty on entry and on return.
int WriteRecognised(const ExtnRow& row, const x509_cert_t* rec, Work& w, Buffer* b) {
  if (row.wrap == Wrap::kNameConstraints) {
    if (rec->nc_permitted.len == 0 && rec->nc_excluded.len == 0) return 0;
    X509_TRY(WriteNameConstraints(rec, w.buf()));
  } else {
    const Buffer& view = rec->*row.field;
    if (view.len == 0) return 0;
    X509_TRY(insert_buffer(w.buf(), &view));
    if (row.wrap == Wrap::kTag) X509_TRY(asn1_der_encode(row.tag, w.buf()));
  }
  Buffer oid;
  X509_TRY(asn1_oid_view(row.oid, &oid));
  X509_TRY(x509_enc_extension(&oid, (rec->critical & row.critical_bit) != 0 ? 1 : 0, w.buf()));
  X509_TRY(insert_buffer(b, w.buf()));
  w.reset();
  return 0;
}

}  // namespace

extern "C" {

int x509_enc_extension(Buffer* oid, uint8_t critical, Buffer* b) {
  if (oid == nullptr || b == nullptr || oid->len == 0 || oid->data == nullptr) return X509_E_NULL;
  // Extension ::= SEQUENCE {
  //     extnID OBJECT IDENTIFIER,
  //     critical BOOLEAN DEFAULT FALSE,
  //     extnValue OCTET STRING }
  X509_TRY(asn1_der_encode(0x04, b));
  static const unsigned char kTrue[] = {0x01, 0x01, 0xFF};
  if (critical != 0) X509_TRY(PrependOctets(b, kTrue, sizeof kTrue));
  X509_TRY(PrependElement(b, 0x06, *oid));
  return asn1_der_encode(0x30, b);
}

int x509_enc_extensions(x509_cert_t* rec, uint32_t* mask, Buffer* b) {
  if (rec == nullptr || b == nullptr) return X509_E_NULL;
  Work w;
  X509_TRY(w.code());
  for (const ExtnRow& row : kExtensions) {
    if (mask != nullptr && (!row.in_mask_form || (*mask & row.critical_bit) == 0)) continue;
    X509_TRY(WriteRecognised(row, rec, w, b));
  }
  if (mask != nullptr) return 0;
  // The unrecognised extensions as they were read: the non-critical ones,
  // then in front of them the critical ones (a critical extension the
  // module does not know must not be dropped from a certificate).
  X509_TRY(insert_buffer(b, &rec->other_extns));
  return insert_buffer(b, &rec->other_critical_extns);
}

int x509_enc_alg(uint16_t alg, x509_key_params_t* params, Buffer* out) {
  if (out == nullptr) return X509_E_NULL;
  const AlgRow* row = FindAlg(alg);
  if (row == nullptr) return X509_E_ENC_ALG;
  Work w;
  X509_TRY(w.code());
  // AlgorithmIdentifier ::= SEQUENCE {
  //     algorithm OBJECT IDENTIFIER,
  //     parameters ANY DEFINED BY algorithm OPTIONAL }
  if (row->params == Params::kFromKey) {
    X509_TRY(PrependKeyParams(alg, params, w.buf()));
  } else if (row->params == Params::kNull) {
    X509_TRY(PrependOctets(w.buf(), kNull, sizeof kNull));
  }
  Buffer oid;
  X509_TRY(asn1_oid_view(row->oid, &oid));
  X509_TRY(PrependElement(w.buf(), 0x06, oid));
  X509_TRY(asn1_der_encode(0x30, w.buf()));
  return insert_buffer(out, w.buf());
}

int x509_enc_key(uint16_t alg, x509_key_params_t* params, Buffer* value, Buffer* out) {
  if (out == nullptr || value == nullptr || value->len == 0) return X509_E_NULL;
  Work w;
  X509_TRY(w.code());
  // SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
  //                                     subjectPublicKey BIT STRING }
  if (alg == X509_KEY_RSA) {
    // RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
    if (params != nullptr) {
      X509_TRY(PrependElement(w.buf(), 0x02, params->second));
      X509_TRY(PrependElement(w.buf(), 0x02, params->first));
      X509_TRY(asn1_der_encode(0x30, w.buf()));
    } else {
      X509_TRY(insert_buffer(w.buf(), value));
    }
  } else if (alg == X509_KEY_DSA || alg == X509_KEY_DH || alg == X509_KEY_DSA_OIW) {
    // DSAPublicKey, DHPublicKey ::= INTEGER
    X509_TRY(PrependElement(w.buf(), 0x02, *value));
  } else {
    return X509_E_PUBKEY_ALG;
  }
  X509_TRY(asn1_der_encode_bit_string(w.buf()));
  X509_TRY(x509_enc_alg(alg, alg == X509_KEY_RSA ? nullptr : params, w.buf()));
  X509_TRY(asn1_der_encode(0x30, w.buf()));
  return insert_buffer(out, w.buf());
}

int asn1_der_encode_secret(uint16_t alg, x509_key_params_t* params, Buffer* value, Buffer* out) {
  if (out == nullptr || out->len != 0 || value == nullptr || value->len == 0) return X509_E_NULL;
  // PrivateKeyInfo ::= SEQUENCE {
  //     version Version,                       -- 0
  //     privateKeyAlgorithm AlgorithmIdentifier,
  //     privateKey OCTET STRING }              -- holding the private INTEGER
  X509_TRY(PrependElement(out, 0x02, *value));
  X509_TRY(asn1_der_encode(0x04, out));
  X509_TRY(x509_enc_alg(alg, params, out));
  static const unsigned char kVersion0[] = {0x02, 0x01, 0x00};
  X509_TRY(PrependOctets(out, kVersion0, sizeof kVersion0));
  return asn1_der_encode(0x30, out);
}

int x509_enc_cert(x509_cert_t* rec, Buffer* out, Buffer* tbs) {
  if (rec == nullptr || out == nullptr) return X509_E_NULL;
  uint16_t version = rec->version == 0xFFFF ? 2 : rec->version;
  if (version > 2) return X509_E_VERSION;
  Work w;
  X509_TRY(w.code());
  if (shift_buffer(out, 10) != 0) return X509_E_SHORT;
  out->len = 0;
  // TBSCertificate ::= SEQUENCE {
  //     version [0] EXPLICIT Version DEFAULT v1,
  if (version != 0) {
    const unsigned char v[] = {0xA0, 0x03, 0x02, 0x01, static_cast<unsigned char>(version)};
    X509_TRY(PrependOctets(w.buf(), v, sizeof v));
    X509_TRY(Emit(w, out));
  }
  //     serialNumber CertificateSerialNumber,
  X509_TRY(PrependElement(w.buf(), 0x02, rec->serial));
  X509_TRY(Emit(w, out));
  //     signature AlgorithmIdentifier,
  X509_TRY(x509_enc_algid(&rec->sig_alg_oid, &rec->sig_alg_params, w.buf()));
  X509_TRY(Emit(w, out));
  //     issuer Name,
  X509_TRY(append_buffer(out, &rec->issuer));
  //     validity Validity ::= SEQUENCE { notBefore Time, notAfter Time },
  X509_TRY(asn1_der_encode_time(rec->not_after, w.buf()));
  X509_TRY(asn1_der_encode_time(rec->not_before, w.buf()));
  X509_TRY(asn1_der_encode(0x30, w.buf()));
  X509_TRY(Emit(w, out));
  //     subject Name,
  X509_TRY(append_buffer(out, &rec->subject));
  //     subjectPublicKeyInfo SubjectPublicKeyInfo,
  X509_TRY(append_buffer(out, &rec->spki));
  //     extensions [3] EXPLICIT Extensions OPTIONAL }
  X509_TRY(x509_enc_extensions(rec, nullptr, w.buf()));
  if (w.buf()->len != 0) {
    X509_TRY(asn1_der_encode(0x30, w.buf()));
    X509_TRY(asn1_der_encode(0xA3, w.buf()));
    X509_TRY(Emit(w, out));
  }
  X509_TRY(asn1_der_encode(0x30, out));
  uint32_t tbs_len = out->len;
  // Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm AlgorithmIdentifier,
  //                            signatureValue BIT STRING }
  X509_TRY(x509_enc_algid(&rec->sig_alg_oid, &rec->sig_alg_params, w.buf()));
  X509_TRY(Emit(w, out));
  X509_TRY(insert_buffer(w.buf(), &rec->signature));
  X509_TRY(asn1_der_encode_bit_string(w.buf()));
  X509_TRY(Emit(w, out));
  uint32_t body_len = out->len;
  X509_TRY(asn1_der_encode(0x30, out));
  // The block may have moved while growing: the view is taken at the end.
  if (tbs != nullptr) set_buffer(tbs, tbs_len, out->data + (out->len - body_len));
  return 0;
}

}  // extern "C"
