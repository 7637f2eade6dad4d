#include "cert/x509enc.h"

#include <cstring>

#include "alg/pki_alg.h"
#include "alg/pki_static.h"
#include "cert/x509known.h"
#include "support/der_reader.h"

namespace {

// A working buffer of ALLOC_SIZE octets, empty at its end so that encoders
// prepend into it; released on every path out.
class Work {
 public:
  Work() : code_(alloc_buffer(ALLOC_SIZE, &b_)) {
    if (code_ == X509_OK) reset();
  }
  ~Work() { release_buffer(&b_); }
  // X509_OK, or the allocation's failure.
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
  // Identifier, then the short form (below 0x80) or 0x80 | n and n octets.
  constexpr uint32_t kShortFormLimit = 0x80;
  constexpr unsigned char kLongForm = 0x80;
  unsigned char hdr[1 + 1 + sizeof(uint32_t)];
  unsigned char* p = hdr + sizeof hdr;
  if (len < kShortFormLimit) {
    *--p = static_cast<unsigned char>(len);
  } else {
    unsigned char n = 0;
    for (uint32_t v = len; v != 0; v >>= 8, ++n) *--p = static_cast<unsigned char>(v);
    *--p = static_cast<unsigned char>(kLongForm | n);
  }
  *--p = tag;
  Buffer h = View(p, static_cast<uint32_t>(hdr + sizeof hdr - p));
  return insert_buffer(b, &h);
}

// Prepends the element tag { content } to b; an empty INTEGER content is
// written as the single octet 00.
int PrependElement(Buffer* b, unsigned char tag, const Buffer& content) {
  static const unsigned char kZero = 0;
  Buffer c = tag == der::kInteger && content.len == 0 ? View(&kZero, 1) : content;
  DER_TRY(insert_buffer(b, &c));
  return PrependHeader(b, tag, c.len);
}

int PrependOctets(Buffer* b, const unsigned char* p, uint32_t n) {
  Buffer v = View(p, n);
  return insert_buffer(b, &v);
}

// Appends what w holds to out and empties w for the next element.
int Emit(Work& w, Buffer* out) {
  DER_TRY(append_buffer(out, w.buf()));
  w.reset();
  return X509_OK;
}

// ---- Algorithm identifiers -------------------------------------------------

// The algorithm of an x509_enc_alg code: a key code (1 to 5), or a
// signature code with the base algorithm in the low octet and the hash in
// the high one. The OIW DSA key signs as DSA: its signature codes name the
// DSA signature algorithms. PKI_ALG_NONE for any other code.
pki_alg_t AlgorithmOfCode(uint16_t code) {
  constexpr unsigned kOctetBits = 8;
  constexpr uint32_t kOctet = 0xFFu;
  uint32_t base = code & kOctet, hash = code >> kOctetBits;
  if (base == PKI_ALG_NONE) return PKI_ALG_NONE;
  if (hash == PKI_ALG_NONE) return base <= X509_KEY_DH_X942 ? base : pki_alg_t{PKI_ALG_NONE};
  if (base == X509_KEY_DSA_OIW) base = PKI_ALG_BASE_DSA;
  return pki_alg_make(base, 0, hash, PKI_ALG_VENDOR_NONE);
}

// What follows the identifier in an AlgorithmIdentifier.
enum class Params {
  kKey,    // the SEQUENCE of the key parameters' INTEGERs
  kNull,   // NULL
  kAbsent  // nothing
};

// The key codes, and the RSA and DSA signature codes of the older digests
// (SHA, SHA-1, MD2, MD5), carry the key parameters when they are given;
// without them those signature codes are written bare, as they always
// were. Every other code (SHA-2, ECDSA) ignores the key parameters: the
// conversion table's parameters column decides (NULL for RSA).
Params ParamsOf(pki_alg_t alg, const x509_key_params_t* params) {
  uint32_t base = pki_alg_base(alg);
  bool signature = pki_alg_is_signature(alg);
  bool older = !signature || ((base == PKI_ALG_BASE_RSA || base == PKI_ALG_BASE_DSA) &&
                              pki_alg_hash(alg) <= PKI_ALG_HASH_MD5);
  if (older && params != nullptr) return Params::kKey;
  if (older && signature) return Params::kAbsent;
  return pki_alg_null_params(alg) != 0 ? Params::kNull : Params::kAbsent;
}

const unsigned char kNull[] = {der::kNull, 0x00};

// Dss-Parms ::= SEQUENCE { p, q, g INTEGER },
// DHParameter ::= SEQUENCE { prime, base INTEGER, privateValueLength INTEGER OPTIONAL },
// or the modulus and exponent of an RSA key: prepended to b; the third
// INTEGER only for the DSA and DH key algorithms, and only when present.
int PrependKeyParams(pki_alg_t alg, const x509_key_params_t& params, Buffer* b) {
  uint32_t key = pki_alg_base(alg);
  bool three = key == X509_KEY_DSA || key == X509_KEY_DH || key == X509_KEY_DSA_OIW;
  if (three && params.third.len != 0) DER_TRY(PrependElement(b, der::kInteger, params.third));
  DER_TRY(PrependElement(b, der::kInteger, params.second));
  DER_TRY(PrependElement(b, der::kInteger, params.first));
  return asn1_der_encode(der::kSequence, b);
}

// ---- Extensions ------------------------------------------------------------

using x509known::Shape;

// NameConstraints ::= SEQUENCE {
//     permittedSubtrees [0] GeneralSubtrees OPTIONAL,
//     excludedSubtrees  [1] GeneralSubtrees OPTIONAL }
int WriteNameConstraints(const x509_cert_t* rec, Buffer* w) {
  if (rec->nc_excluded.len != 0) DER_TRY(PrependElement(w, der::kContext1Constructed, rec->nc_excluded));
  if (rec->nc_permitted.len != 0) DER_TRY(PrependElement(w, der::kContext0Constructed, rec->nc_permitted));
  return asn1_der_encode(der::kSequence, w);
}

// Writes one recognised extension of rec in front of b, when its view is
// set; w is empty on entry and on return.
int WriteRecognised(const x509known::Extension& row, const x509_cert_t* rec, Work& w, Buffer* b) {
  if (row.shape == Shape::kNameConstraints) {
    if (rec->nc_permitted.len == 0 && rec->nc_excluded.len == 0) return X509_OK;
    DER_TRY(WriteNameConstraints(rec, w.buf()));
  } else {
    const Buffer& view = rec->*row.field;
    if (view.len == 0) return X509_OK;
    DER_TRY(insert_buffer(w.buf(), &view));
    if (row.shape == Shape::kContent) DER_TRY(asn1_der_encode(row.tag, w.buf()));
  }
  Buffer oid;
  DER_TRY(asn1_oid_view(row.oid, &oid));
  DER_TRY(x509_enc_extension(&oid, (rec->critical & row.critical_bit) != 0 ? 1 : 0, w.buf()));
  DER_TRY(insert_buffer(b, w.buf()));
  w.reset();
  return X509_OK;
}

}  // namespace

extern "C" {

int x509_enc_extension(Buffer* oid, uint8_t critical, Buffer* b) {
  if (oid == nullptr || b == nullptr || oid->len == 0 || oid->data == nullptr) return X509_E_NULL;
  DER_TRY(asn1_oid_check(oid));
  // Extension ::= SEQUENCE {
  //     extnID OBJECT IDENTIFIER,
  //     critical BOOLEAN DEFAULT FALSE,
  //     extnValue OCTET STRING }
  DER_TRY(asn1_der_encode(der::kOctetString, b));
  static const unsigned char kTrue[] = {der::kBoolean, 0x01, 0xFF};
  if (critical != 0) DER_TRY(PrependOctets(b, kTrue, sizeof kTrue));
  DER_TRY(PrependElement(b, der::kOid, *oid));
  return asn1_der_encode(der::kSequence, b);
}

int x509_enc_extensions(x509_cert_t* rec, uint32_t* mask, Buffer* b) {
  if (rec == nullptr || b == nullptr) return X509_E_NULL;
  Work w;
  DER_TRY(w.code());
  for (const x509known::Extension& row : x509known::kRecognised) {
    if (mask != nullptr && (!row.in_mask_form || (*mask & row.critical_bit) == 0)) continue;
    DER_TRY(WriteRecognised(row, rec, w, b));
  }
  if (mask != nullptr) return X509_OK;
  // The unrecognised extensions as they were read: the non-critical ones,
  // then in front of them the critical ones (a critical extension the
  // module does not know must not be dropped from a certificate).
  DER_TRY(insert_buffer(b, &rec->other_extns));
  return insert_buffer(b, &rec->other_critical_extns);
}

int x509_enc_alg(uint16_t alg, x509_key_params_t* params, Buffer* out) {
  if (out == nullptr) return X509_E_NULL;
  // The identifier comes from the conversion table; the service in front of
  // it is not needed (nor always reachable) for that.
  pki_alg_t algorithm = AlgorithmOfCode(alg);
  const pki_alg_row* row = algorithm != PKI_ALG_NONE ? pki_alg_find(algorithm) : nullptr;
  if (row == nullptr || row->arcs == nullptr) return X509_E_ENC_ALG;
  Work w;
  DER_TRY(w.code());
  // AlgorithmIdentifier ::= SEQUENCE {
  //     algorithm OBJECT IDENTIFIER,
  //     parameters ANY DEFINED BY algorithm OPTIONAL }
  switch (ParamsOf(algorithm, params)) {
    case Params::kKey:
      DER_TRY(PrependKeyParams(algorithm, *params, w.buf()));
      break;
    case Params::kNull:
      DER_TRY(PrependOctets(w.buf(), kNull, sizeof kNull));
      break;
    case Params::kAbsent:
      break;
  }
  // The identifier's content octets, written into an area of our own:
  // five octets per arc hold any identifier of the table.
  constexpr uint32_t kMostArcs = 16, kOctetsPerArc = 5;
  if (row->count > kMostArcs) return X509_E_ENC_ALG;
  unsigned char area[kMostArcs * kOctetsPerArc];
  Buffer oid = {area, area + sizeof area, 0};
  DER_TRY(asn1_enc_objid(row->arcs, row->count, &oid));
  DER_TRY(PrependElement(w.buf(), der::kOid, oid));
  DER_TRY(asn1_der_encode(der::kSequence, w.buf()));
  return insert_buffer(out, w.buf());
}

int x509_enc_key(uint16_t alg, x509_key_params_t* params, Buffer* value, Buffer* out) {
  if (out == nullptr || value == nullptr || value->len == 0) return X509_E_NULL;
  Work w;
  DER_TRY(w.code());
  // SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
  //                                     subjectPublicKey BIT STRING }
  if (alg == X509_KEY_RSA) {
    // RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
    if (params != nullptr) {
      DER_TRY(PrependElement(w.buf(), der::kInteger, params->second));
      DER_TRY(PrependElement(w.buf(), der::kInteger, params->first));
      DER_TRY(asn1_der_encode(der::kSequence, w.buf()));
    } else {
      DER_TRY(insert_buffer(w.buf(), value));
    }
  } else if (alg == X509_KEY_DSA || alg == X509_KEY_DH || alg == X509_KEY_DSA_OIW) {
    // DSAPublicKey, DHPublicKey ::= INTEGER
    DER_TRY(PrependElement(w.buf(), der::kInteger, *value));
  } else {
    return X509_E_PUBKEY_ALG;
  }
  DER_TRY(asn1_der_encode_bit_string(w.buf()));
  DER_TRY(x509_enc_alg(alg, alg == X509_KEY_RSA ? nullptr : params, w.buf()));
  DER_TRY(asn1_der_encode(der::kSequence, w.buf()));
  return insert_buffer(out, w.buf());
}

int asn1_der_encode_secret(uint16_t alg, x509_key_params_t* params, Buffer* value, Buffer* out) {
  if (out == nullptr || out->len != 0 || value == nullptr || value->len == 0) return X509_E_NULL;
  // PrivateKeyInfo ::= SEQUENCE {
  //     version Version,                       -- 0
  //     privateKeyAlgorithm AlgorithmIdentifier,
  //     privateKey OCTET STRING }              -- holding the private INTEGER
  DER_TRY(PrependElement(out, der::kInteger, *value));
  DER_TRY(asn1_der_encode(der::kOctetString, out));
  DER_TRY(x509_enc_alg(alg, params, out));
  static const unsigned char kVersion0[] = {der::kInteger, 0x01, 0x00};
  DER_TRY(PrependOctets(out, kVersion0, sizeof kVersion0));
  return asn1_der_encode(der::kSequence, out);
}

int x509_enc_cert(x509_cert_t* rec, Buffer* out, Buffer* tbs) {
  // The octets of out stepped over first: room for the two SEQUENCE headers.
  constexpr uint32_t kReservedRoom = 10;
  if (rec == nullptr || out == nullptr) return X509_E_NULL;
  // Version ::= INTEGER { v1(0), v2(1), v3(2) }; an unset version is v3.
  uint16_t version = rec->version == X509_VERSION_UNSET ? X509_VERSION_3 : rec->version;
  if (version > X509_VERSION_3) return X509_E_VERSION;
  Work w;
  DER_TRY(w.code());
  if (shift_buffer(out, kReservedRoom) != 0) return X509_E_SHORT;
  out->len = 0;
  // TBSCertificate ::= SEQUENCE {
  //     version [0] EXPLICIT Version DEFAULT v1,
  if (version != X509_VERSION_1) {
    const unsigned char v = static_cast<unsigned char>(version);
    DER_TRY(PrependElement(w.buf(), der::kInteger, View(&v, 1)));
    DER_TRY(asn1_der_encode(der::kContext0Constructed, w.buf()));
    DER_TRY(Emit(w, out));
  }
  //     serialNumber CertificateSerialNumber,
  DER_TRY(PrependElement(w.buf(), der::kInteger, rec->serial));
  DER_TRY(Emit(w, out));
  //     signature AlgorithmIdentifier,
  DER_TRY(x509_enc_algid(&rec->sig_alg_oid, &rec->sig_alg_params, w.buf()));
  DER_TRY(Emit(w, out));
  //     issuer Name,
  DER_TRY(append_buffer(out, &rec->issuer));
  //     validity Validity ::= SEQUENCE { notBefore Time, notAfter Time },
  DER_TRY(asn1_der_encode_time(rec->not_after, w.buf()));
  DER_TRY(asn1_der_encode_time(rec->not_before, w.buf()));
  DER_TRY(asn1_der_encode(der::kSequence, w.buf()));
  DER_TRY(Emit(w, out));
  //     subject Name,
  DER_TRY(append_buffer(out, &rec->subject));
  //     subjectPublicKeyInfo SubjectPublicKeyInfo,
  DER_TRY(append_buffer(out, &rec->spki));
  //     extensions [3] EXPLICIT Extensions OPTIONAL }
  DER_TRY(x509_enc_extensions(rec, nullptr, w.buf()));
  if (w.buf()->len != 0) {
    DER_TRY(asn1_der_encode(der::kSequence, w.buf()));
    DER_TRY(asn1_der_encode(der::kContext3Constructed, w.buf()));
    DER_TRY(Emit(w, out));
  }
  DER_TRY(asn1_der_encode(der::kSequence, out));
  uint32_t tbs_len = out->len;
  // Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm AlgorithmIdentifier,
  //                            signatureValue BIT STRING }
  DER_TRY(x509_enc_algid(&rec->sig_alg_oid, &rec->sig_alg_params, w.buf()));
  DER_TRY(Emit(w, out));
  DER_TRY(insert_buffer(w.buf(), &rec->signature));
  DER_TRY(asn1_der_encode_bit_string(w.buf()));
  DER_TRY(Emit(w, out));
  uint32_t body_len = out->len;
  DER_TRY(asn1_der_encode(der::kSequence, out));
  // The block may have moved while growing: the view is taken at the end.
  if (tbs != nullptr) set_buffer(tbs, tbs_len, out->data + (out->len - body_len));
  return X509_OK;
}

}  // extern "C"
