// Keys and the small readers from arbitrary octets: the input goes through
// each of x509_parse_key, x509_parse_spki, asn1_der_decode_secret,
// x509_parse_secret, the parameter parsers, x509_parse_extension,
// parse_basic_constraints, x509_parse_KI and is_set. What the key parsers
// accept is written again (x509_enc_key, asn1_der_encode_secret) and must
// read back to the same key. A parser that fails leaves its input where it
// was; one that succeeds stays inside it.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cert/basiccon.h"
#include "cert/keyusage.h"
#include "cert/x509.h"
#include "cert/x509enc.h"

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

bool Same(const Buffer& a, const Buffer& b) {
  return a.len == b.len && (a.len == 0 || std::memcmp(a.data, b.data, a.len) == 0);
}

bool SameParams(const x509_key_params_t* a, const x509_key_params_t* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return Same(a->first, b->first) && Same(a->second, b->second) && Same(a->third, b->third);
}

struct Owned {
  Owned() { init_buffer(&b); }
  ~Owned() { release_buffer(&b); }
  Buffer b;
};

// Runs a parser on a fresh view of the input and checks how it moved it.
template <class F>
int Run(const uint8_t* data, size_t size, F parse) {
  Buffer in = {nullptr, const_cast<uint8_t*>(data), static_cast<uint32_t>(size)};
  int r = parse(&in);
  if (r < 0) {
    Require(in.data == data && in.len == size);
  } else {
    Require(in.data >= data && in.data + in.len == data + size);
  }
  return r;
}

using Parse = int (*)(Buffer*, uint16_t*, x509_key_params_t**, Buffer*);
using Write = int (*)(uint16_t, x509_key_params_t*, Buffer*, Buffer*);

// A key parser and its writer (x509_parse_key with x509_enc_key,
// asn1_der_decode_secret with asn1_der_encode_secret): what the parser
// accepts is written and read back to the same type, parameters and value.
// An RSA public key is written from its two numbers, so its value (the
// RSAPublicKey, whose further elements are not read) is not compared.
void RoundTrip(const uint8_t* data, size_t size, Parse parse, Write write) {
  uint16_t type = 0;
  x509_key_params_t* params = nullptr;
  Buffer value;
  if (Run(data, size, [&](Buffer* in) { return parse(in, &type, &params, &value); }) != X509_OK) {
    Require(params == nullptr);
    return;
  }
  bool public_key = parse == x509_parse_key;
  if (public_key && type == X509_KEY_DH_X942) {  // read, never written
    std::free(params);
    return;
  }
  Owned out;
  Require(write(type, params, &value, &out.b) == X509_OK);
  uint16_t type2 = 0;
  x509_key_params_t* params2 = nullptr;
  Buffer value2, in = out.b;
  Require(parse(&in, &type2, &params2, &value2) == X509_OK);
  Require(type2 == type && SameParams(params, params2));
  if (!public_key || type != X509_KEY_RSA) Require(Same(value, value2));
  std::free(params);
  std::free(params2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0x100000) return 0;
  RoundTrip(data, size, x509_parse_key, x509_enc_key);
  RoundTrip(data, size, asn1_der_decode_secret, asn1_der_encode_secret);
  Buffer a, b, c;
  if (Run(data, size, [&](Buffer* in) { return x509_parse_spki(in, &a, &b, &c); }) == X509_OK) {
    // The unused-bits octet stands just before the bits.
    Require(c.data[-1] == 0);
    Require(asn1_oid_check(&a) == X509_OK);
  }
  Run(data, size, [&](Buffer* in) { return x509_parse_secret(in, &a, &b, &c); });
  for (int dhka = 0; dhka < 2; ++dhka) {
    x509_key_params_t* p = nullptr;
    Run(data, size, [&](Buffer* in) { return dhka ? x509_parse_params_dhKA(in, &p) : x509_parse_params_pair(in, &p); });
    std::free(p);
  }
  int critical;
  if (Run(data, size, [&](Buffer* in) { return x509_parse_extension(in, &a, &critical, &b); }) >= 0) {
    Require(asn1_oid_check(&a) == X509_OK);
  }
  Run(data, size, [&](Buffer* in) { return x509_parse_gn(in); });
  Run(data, size, [&](Buffer* in) { return x509_parse_dn(in); });

  Buffer view = {nullptr, const_cast<uint8_t*>(data), static_cast<uint32_t>(size)};
  uint8_t ca;
  uint32_t path;
  parse_basic_constraints(&view, &ca, &path);
  Require(view.data == data);
  x509_parse_KI(&view, &a, &b, &c, 1);
  Require(view.data == data);
  is_set(&view, 0xFFFF);
  return 0;
}
