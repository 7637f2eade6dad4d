// The empty record {NULL, NULL, 0} (what init_buffer leaves, and what
// x509_parse_algid delivers for absent parameters, as in a DSA key whose
// parameters are inherited from its issuer) through every exported function
// that takes a Buffer: readers report a clear code and leave the record as
// it was, encoders write in front of nothing. A null data pointer must never
// be offset, not even by 0 (undefined behaviour that clang's sanitizer
// reports; the replay build runs this test under it).
#include <gtest/gtest.h>

#include <functional>

#include "test_util.h"

namespace x509asn_test {
namespace {

struct Row {
  const char* name;
  // Runs on *e (the empty record); *out gets what an encoder produced (hex).
  std::function<int(Buffer* e, std::string* out)> run;
  int result;
  const char* out;  // expected hex for encoders, nullptr for readers
};

int Walk(int (*first)(x509_walk_state_t*, const Buffer*, unsigned char*, Buffer*, Buffer*), Buffer* e) {
  x509_walk_state_t st;
  unsigned char tag;
  Buffer type, value;
  return first(&st, e, &tag, &type, &value);
}

// An encoder applied to the empty record; *out gets the result's hex.
int Encode(Buffer* e, std::string* out, const std::function<int(Buffer*)>& enc) {
  int r = enc(e);
  *out = ToHex(*e);
  release_buffer(e);
  return r;
}

const uint8_t kRsaOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};

Buffer RsaOid() {
  Buffer b;
  set_buffer(&b, sizeof kRsaOid, kRsaOid);
  return b;
}

const Row kRows[] = {
    // DER decoding
    {"asn1_der_decode", [](Buffer* e, std::string*) { return asn1_der_decode(0x30, e); }, X509ASN_E_SHORT,
     nullptr},
    {"asn1_decode_primitive",
     [](Buffer* e, std::string*) {
       Buffer v;
       return asn1_decode_primitive(0x04, e, &v);
     },
     X509ASN_E_SHORT, nullptr},
    {"asn1_decode_integer",
     [](Buffer* e, std::string*) {
       Buffer v;
       return asn1_decode_integer(e, &v);
     },
     X509ASN_E_SHORT, nullptr},
    {"asn1_decode_bit_string",
     [](Buffer* e, std::string*) {
       Buffer v;
       return asn1_decode_bit_string(e, &v);
     },
     X509ASN_E_SHORT, nullptr},
    {"asn1_decode_time",
     [](Buffer* e, std::string*) {
       int32_t t;
       return asn1_decode_time(e, &t);
     },
     X509ASN_E_SHORT, nullptr},
    {"asn1_decode_time64",
     [](Buffer* e, std::string*) {
       int64_t t;
       return asn1_decode_time64(e, &t);
     },
     X509ASN_E_SHORT, nullptr},
    {"asn1_decode_any_type",
     [](Buffer* e, std::string*) {
       Buffer v;
       return asn1_decode_any_type(e, &v);
     },
     X509ASN_E_SHORT, nullptr},
    {"asn1_get_length", [](Buffer* e, std::string*) { return static_cast<int>(asn1_get_length(e)); }, 0,
     nullptr},
    {"asn1_read_length",
     [](Buffer* e, std::string*) {
       uint32_t len;
       return asn1_read_length(e, &len);
     },
     X509ASN_E_SHORT, nullptr},
    {"asn1_peek_tag", [](Buffer* e, std::string*) { return asn1_peek_tag(e); }, X509ASN_E_SHORT, nullptr},
    {"asn1_is_eoc", [](Buffer* e, std::string*) { return asn1_is_eoc(e); }, 0, nullptr},
    // Object identifiers
    {"asn1_oid_check", [](Buffer* e, std::string*) { return asn1_oid_check(e); }, X509ASN_E_VALUE, nullptr},
    {"asn1_dec_objid",
     [](Buffer* e, std::string*) {
       uint32_t arcs[4];
       return asn1_dec_objid(e, arcs, 4);
     },
     X509ASN_E_VALUE, nullptr},
    {"asn1_oid_to_text",
     [](Buffer* e, std::string*) {
       char text[16];
       return asn1_oid_to_text(e, text, sizeof text);
     },
     X509ASN_E_VALUE, nullptr},
    {"asn1_oid_eq", [](Buffer* e, std::string*) { return asn1_oid_eq(e, id_at_commonName); }, 0, nullptr},
    // Algorithm identifiers and names
    {"x509_parse_algid",
     [](Buffer* e, std::string*) {
       Buffer oid, params;
       return x509_parse_algid(e, &oid, &params);
     },
     X509ASN_E_SHORT, nullptr},
    {"isDN", [](Buffer* e, std::string*) { return isDN(e); }, X509ASN_E_SHORT, nullptr},
    {"x509_dn_gfra", [](Buffer* e, std::string*) { return Walk(x509_dn_gfra, e); }, X509ASN_E_SHORT, nullptr},
    {"x509_gfra", [](Buffer* e, std::string*) { return Walk(x509_gfra, e); }, X509ASN_E_SHORT, nullptr},
    {"x509_U_gfra", [](Buffer* e, std::string*) { return Walk(x509_U_gfra, e); }, X509ASN_E_SHORT, nullptr},
    {"x509_parse_name",
     [](Buffer* e, std::string*) {
       Owned text;
       return x509_parse_name(e, &text.b, 1);
     },
     X509ASN_E_SHORT, nullptr},
    {"x509_esc_value",
     [](Buffer* e, std::string*) {
       Owned text;
       int r = x509_esc_value(e, &text.b, X509_ESC_UTF8);
       return r == 0 && text.b.data != nullptr && text.b.data[0] == 0 ? 0 : -1000;
     },
     0, nullptr},
    // Buffers
    {"cmp_buffers with itself", [](Buffer* e, std::string*) { return cmp_buffers(e, e); }, 0, nullptr},
    {"cmp_buffers with one octet",
     [](Buffer* e, std::string*) {
       Bytes a("41");
       Buffer b = a.View();
       return cmp_buffers(e, &b) < 0 && cmp_buffers(&b, e) > 0 ? 0 : -1000;
     },
     0, nullptr},
    {"link_buffer",
     [](Buffer* e, std::string*) {
       Buffer v;
       int r = link_buffer(&v, e);
       return r == 0 && v.data == nullptr && v.len == 0 ? 0 : -1000;
     },
     0, nullptr},
    {"shift_buffer by 0", [](Buffer* e, std::string*) { return shift_buffer(e, 0); }, 0, nullptr},
    {"shift_buffer by 1", [](Buffer* e, std::string*) { return shift_buffer(e, 1); }, 1, nullptr},
    {"retreat_buffer by 0", [](Buffer* e, std::string*) { return retreat_buffer(e, 0); }, 0, nullptr},
    {"retreat_buffer by 1", [](Buffer* e, std::string*) { return retreat_buffer(e, 1); }, 1, nullptr},
    {"insert_buffer of an empty record",
     [](Buffer* e, std::string*) {
       Bytes a("41");
       Owned dst;
       Buffer av = a.View();
       int r = insert_buffer(&dst.b, &av);
       int r2 = insert_buffer(&dst.b, e);
       return r == 0 && r2 == 0 && ToHex(dst.b) == "41" ? 0 : -1000;
     },
     0, nullptr},
    {"append_buffer of an empty record",
     [](Buffer* e, std::string*) {
       Owned dst;
       return append_buffer(&dst.b, e);
     },
     0, nullptr},
    // Encoders in front of nothing
    {"insert_buffer into", [](Buffer* e, std::string* out) {
       Bytes a("4142");
       Buffer av = a.View();
       return Encode(e, out, [&](Buffer* b) { return insert_buffer(b, &av); });
     },
     0, "4142"},
    {"append_buffer into", [](Buffer* e, std::string* out) {
       Bytes a("4142");
       Buffer av = a.View();
       return Encode(e, out, [&](Buffer* b) { return append_buffer(b, &av); });
     },
     0, "4142"},
    {"asn1_der_encode",
     [](Buffer* e, std::string* out) { return Encode(e, out, [](Buffer* b) { return asn1_der_encode(0x04, b); }); },
     0, "0400"},
    {"asn1_der_encode_integer",
     [](Buffer* e, std::string* out) { return Encode(e, out, asn1_der_encode_integer); }, 0, "020100"},
    {"asn1_der_encode_uint", [](Buffer* e, std::string* out) { return Encode(e, out, asn1_der_encode_uint); },
     0, "020100"},
    {"asn1_der_encode_bit_string",
     [](Buffer* e, std::string* out) { return Encode(e, out, asn1_der_encode_bit_string); }, 0, "030100"},
    {"asn1_der_encode_time",
     [](Buffer* e, std::string* out) {
       return Encode(e, out, [](Buffer* b) { return asn1_der_encode_time(0, b); });
     },
     0, "170D3730303130313030303030305A"},
    {"asn1_enc_objid",
     [](Buffer* e, std::string* out) {
       return Encode(e, out, [](Buffer* b) {
         const uint32_t arcs[] = {2, 5, 4, 3};
         return asn1_enc_objid(arcs, 4, b);
       });
     },
     0, "550403"},
    {"x509_enc_algid with empty parameters",
     [](Buffer* e, std::string* out) {
       Buffer params = *e;  // empty too
       Buffer oid = RsaOid();
       return Encode(e, out, [&](Buffer* b) { return x509_enc_algid(&oid, &params, b); });
     },
     0, "300B06092A864886F70D010101"},
    {"x509_encode_spki with empty parameters and bits",
     [](Buffer* e, std::string* out) {
       Buffer empty = *e;
       Buffer oid = RsaOid();
       return Encode(e, out, [&](Buffer* b) { return x509_encode_spki(&oid, &empty, &empty, b); });
     },
     0, "3010300B06092A864886F70D010101030100"},
};

TEST(EmptyViewTest, EveryFunctionTakingABuffer) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    Buffer e = {nullptr, nullptr, 0};
    std::string out;
    EXPECT_EQ(row.run(&e, &out), row.result);
    if (row.out == nullptr) {
      EXPECT_EQ(e.start, nullptr);
      EXPECT_EQ(e.data, nullptr);
      EXPECT_EQ(e.len, 0u);
    } else {
      EXPECT_EQ(out, row.out);
    }
  }
}

// Absent parameters of an AlgorithmIdentifier come back as the empty record,
// and the decoders a key reader applies to them next fail cleanly.
TEST(EmptyViewTest, AbsentAlgorithmParameters) {
  // 30 09 06 07 2A8648CE380401: id-dsa without parameters
  Bytes in("30 09 06 07 2A8648CE380401");
  Buffer b = in.View(), oid, params;
  ASSERT_EQ(x509_parse_algid(&b, &oid, &params), 0);
  EXPECT_EQ(params.start, nullptr);
  EXPECT_EQ(params.data, nullptr);
  EXPECT_EQ(params.len, 0u);
  EXPECT_EQ(asn1_oid_eq(&oid, new_dsa), 1);
  Buffer p = params, v;
  EXPECT_EQ(asn1_der_decode(0x30, &p), X509ASN_E_SHORT);
  EXPECT_EQ(asn1_decode_integer(&p, &v), X509ASN_E_SHORT);
  EXPECT_EQ(asn1_decode_any_type(&p, &v), X509ASN_E_SHORT);
  EXPECT_EQ(p.data, nullptr);
}

}  // namespace
}  // namespace x509asn_test
