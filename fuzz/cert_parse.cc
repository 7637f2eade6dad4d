// Certificates from arbitrary octets. What x509_parse_cert accepts is
// encoded with x509_enc_cert and parsed again, and the properties every
// accepted certificate has are checked:
// - the parse stepped over exactly the raw view, which starts the input;
// - the encoding parses again, to the same views and values (critical
//   flags compared where the extension has a view: an extension whose
//   value reduces to an empty view is not written);
// - encoding that second record gives the same octets again;
// - the readers of the views (basic constraints, key usage, authority key
//   identifier, the key) answer with a result, never a fault;
// - what the round trip cannot see, since the encoder writes it anew: the
//   signature and the key are whole octets (unused-bits octet 0), and every
//   object identifier read is well formed.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cert/basiccon.h"
#include "cert/keyusage.h"
#include "cert/x509.h"
#include "cert/x509enc.h"
#include "support/der_reader.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

bool Same(const Buffer& a, const Buffer& b) {
  return a.len == b.len && (a.len == 0 || std::memcmp(a.data, b.data, a.len) == 0);
}

struct Rec {
  Rec() { Require(x509_init_cert(&p) == X509_OK); }
  ~Rec() { x509_release_cert(p); }
  x509_cert_t* p = nullptr;
};

struct Owned {
  Owned() { init_buffer(&b); }
  ~Owned() { release_buffer(&b); }
  Buffer b;
};

// The critical bits whose extensions the encoder writes: those with a view.
uint32_t WrittenFlags(const x509_cert_t* r) {
  struct {
    const Buffer* view;
    uint32_t bit;
  } rows[] = {{&r->subject_key_id, X509_CRIT_SUBJECT_KEY_ID},   {&r->key_usage, X509_CRIT_KEY_USAGE},
              {&r->subject_alt_name, X509_CRIT_SUBJECT_ALT_NAME}, {&r->issuer_alt_name, X509_CRIT_ISSUER_ALT_NAME},
              {&r->basic_constraints, X509_CRIT_BASIC_CONSTRAINTS}, {&r->crl_dp, X509_CRIT_CRL_DP},
              {&r->authority_key_id, X509_CRIT_AUTHORITY_KEY_ID}};
  uint32_t flags = 0;
  for (const auto& row : rows) {
    if (row.view->len != 0) flags |= r->critical & row.bit;
  }
  if (r->nc_permitted.len != 0 || r->nc_excluded.len != 0) flags |= r->critical & X509_CRIT_NAME_CONSTRAINTS;
  return flags;
}

void RequireSameRecords(const x509_cert_t* a, const x509_cert_t* b) {
  Require(a->version == b->version);
  Require(a->not_before == b->not_before && a->not_after == b->not_after);
  Require(WrittenFlags(a) == WrittenFlags(b));
  const Buffer x509_cert_t::*views[] = {
      &x509_cert_t::spki,          &x509_cert_t::sig_alg_oid,      &x509_cert_t::sig_alg_params,
      &x509_cert_t::signature,     &x509_cert_t::serial,           &x509_cert_t::nc_permitted,
      &x509_cert_t::nc_excluded,   &x509_cert_t::basic_constraints, &x509_cert_t::key_usage,
      &x509_cert_t::issuer,        &x509_cert_t::subject,          &x509_cert_t::issuer_alt_name,
      &x509_cert_t::subject_alt_name, &x509_cert_t::subject_key_id, &x509_cert_t::authority_key_id,
      &x509_cert_t::crl_dp,        &x509_cert_t::other_extns,      &x509_cert_t::other_critical_extns};
  for (auto v : views) Require(Same(a->*v, b->*v));
}

// Encodes rec into out (ten reserved octets); the TBSCertificate view must
// lie inside the result.
void Encode(x509_cert_t* rec, Owned* out) {
  Require(alloc_buffer(10, &out->b) == X509_OK);
  Buffer tbs;
  Require(x509_enc_cert(rec, &out->b, &tbs) == X509_OK);
  Require(tbs.data > out->b.data && tbs.data + tbs.len <= out->b.data + out->b.len);
}

// The unused-bits octet in front of the bits a BIT STRING view shows.
uint8_t UnusedBits(const Buffer& bits) { return bits.data[-1]; }

void RequireSoundFields(const x509_cert_t* r) {
  Require(r->signature.data > r->raw.data && UnusedBits(r->signature) == 0);
  Buffer spki = r->spki, alg, bits;
  Require(x509_parse_spki(&spki, &alg, nullptr, &bits) == X509_OK);
  Require(UnusedBits(bits) == 0);
  Require(asn1_oid_check(&alg) == X509_OK && asn1_oid_check(&r->sig_alg_oid) == X509_OK);
  Buffer exts = r->extensions;
  while (exts.len != 0) {
    Buffer oid;
    Require(x509_parse_extension(&exts, &oid, nullptr, nullptr) >= 0);
    Require(asn1_oid_check(&oid) == X509_OK);
  }
}

void ReadViews(const x509_cert_t* r) {
  Buffer bc = r->basic_constraints, ku = r->key_usage, spki = r->spki;
  uint8_t ca;
  uint32_t path;
  if (bc.len != 0) parse_basic_constraints(&bc, &ca, &path);
  if (ku.len != 0) is_set(&ku, X509_KU_DIGITAL_SIGNATURE);
  uint16_t type;
  x509_key_params_t* params = nullptr;
  Buffer value;
  if (x509_parse_key(&spki, &type, &params, &value) == X509_OK) Require(spki.len == 0);
  std::free(params);
  if (r->authority_key_id.len != 0 && r->authority_key_id.len < 0x10000) {
    // The AuthorityKeyIdentifier SEQUENCE around the stored content.
    Owned aki;
    Require(alloc_buffer(r->authority_key_id.len + 8, &aki.b) == X509_OK);
    shift_buffer(&aki.b, 8);
    std::memcpy(aki.b.data, r->authority_key_id.data, r->authority_key_id.len);
    Require(asn1_der_encode(der::kSequence, &aki.b) == X509_OK);
    Buffer key_id, serial, issuer;
    x509_parse_KI(&aki.b, &key_id, &serial, &issuer, 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0x100000) return 0;
  Rec first;
  Buffer in = {nullptr, const_cast<uint8_t*>(data), static_cast<uint32_t>(size)};
  if (x509_parse_cert(&in, first.p) != X509_OK) {
    Require(in.data == data && in.len == size);
    return 0;
  }
  Require(first.p->raw.data == data && first.p->raw.len == size - in.len);
  RequireSoundFields(first.p);
  ReadViews(first.p);

  Owned once;
  Encode(first.p, &once);
  Rec second;
  Buffer again = once.b;
  Require(x509_parse_cert(&again, second.p) == X509_OK);
  Require(again.len == 0);
  RequireSameRecords(first.p, second.p);

  Owned twice;
  Encode(second.p, &twice);
  Require(Same(once.b, twice.b));
  return 0;
}
