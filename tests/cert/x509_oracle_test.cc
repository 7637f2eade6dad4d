// The parser and the encoder against OpenSSL on certificates no one here
// wrote: the Mozilla roots (Debian's ca-certificates, as DER), the sample
// PKI of examples/ and the generated fixtures. For each certificate the
// record is compared with what OpenSSL reads from the same octets; then the
// record is encoded, parsed again and read by OpenSSL once more. The keys of
// the fixtures are compared number by number.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <climits>
#include <string>

#include "testing/ossl_oracle.h"
#include "x509_testutil.h"

namespace x509test {
namespace {

struct X509Free {
  void operator()(X509* x) const { X509_free(x); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

X509Ptr OpenSSLRead(const Octets& der) {
  const unsigned char* p = der.data();
  X509Ptr x(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
  return x;
}

// The content octets of the single element v holds, by OpenSSL's header
// reader; empty when v is not one definite-length element.
Octets ContentOf(const Octets& v) {
  const unsigned char* p = v.data();
  long len = 0;
  int tag = 0, cls = 0;
  int r = ASN1_get_object(&p, &len, &tag, &cls, static_cast<long>(v.size()));
  if ((r & 0x80) != 0 || (r & 0x01) != 0) return {};
  if (p + len != v.data() + v.size()) return {};
  return Octets(p, p + len);
}

// The whole first element of v and what follows it (OpenSSL's reader).
Octets FirstElement(const Octets& v, Octets* rest = nullptr) {
  const unsigned char* p = v.data();
  long len = 0;
  int tag = 0, cls = 0;
  int r = ASN1_get_object(&p, &len, &tag, &cls, static_cast<long>(v.size()));
  if ((r & 0x80) != 0 || (r & 0x01) != 0) return {};
  const unsigned char* end = p + len;
  if (rest != nullptr) rest->assign(end, v.data() + v.size());
  return Octets(v.data(), end);
}

// The DER OpenSSL writes for one of its objects.
template <class T>
Octets I2d(int (*i2d)(const T*, unsigned char**), const T* object) {
  return pkixtest::OsslDer([&](unsigned char** p) { return i2d(object, p); });
}

// Seconds since 1970 as OpenSSL reads the time, saturated to 32 bits.
int32_t OpenSSLTime(const ASN1_TIME* t) {
  ASN1_TIME* epoch = ASN1_TIME_set(nullptr, 0);
  int days = 0, secs = 0;
  int ok = ASN1_TIME_diff(&days, &secs, epoch, t);
  ASN1_TIME_free(epoch);
  if (!ok) return -1;
  int64_t s = static_cast<int64_t>(days) * 86400 + secs;
  return s > INT32_MAX ? INT32_MAX : s < INT32_MIN ? INT32_MIN : static_cast<int32_t>(s);
}

// The identifier, critical flag and value of each Extension element in b.
std::vector<std::string> Fields(Buffer b) {
  std::vector<std::string> out;
  while (b.len != 0) {
    Buffer oid, value;
    int critical = 0;
    if (x509_parse_extension(&b, &oid, &critical, &value) < 0) {
      out.push_back("malformed");
      break;
    }
    out.push_back(ToHex(Of(oid)) + (critical ? " critical " : " ") + ToHex(Of(value)));
  }
  return out;
}

// True when no element of v, at any level outside primitive contents, has
// the indefinite length form (OpenSSL's header reader).
bool IsDer(const unsigned char* p, long len) {
  const unsigned char* end = p + len;
  while (p < end) {
    const unsigned char* start = p;
    long n = 0;
    int tag = 0, cls = 0;
    int r = ASN1_get_object(&p, &n, &tag, &cls, end - start);
    if ((r & 0x80) != 0 || r == 0x21) return false;
    if ((r & 0x20) != 0 && !IsDer(p, n)) return false;
    p += n;
  }
  return true;
}

// The eight recognised extensions: OpenSSL's name, our view and flag, and
// how the view is cut from the extension value.
enum class Cut { kWhole, kContent, kSubtrees };
struct Recognised {
  int nid;
  Buffer x509_cert_t::*field;
  uint32_t bit;
  Cut cut;
};
const Recognised kRecognised[] = {
    {NID_name_constraints, nullptr, X509_CRIT_NAME_CONSTRAINTS, Cut::kSubtrees},
    {NID_basic_constraints, &x509_cert_t::basic_constraints, X509_CRIT_BASIC_CONSTRAINTS, Cut::kWhole},
    {NID_key_usage, &x509_cert_t::key_usage, X509_CRIT_KEY_USAGE, Cut::kContent},
    {NID_issuer_alt_name, &x509_cert_t::issuer_alt_name, X509_CRIT_ISSUER_ALT_NAME, Cut::kWhole},
    {NID_subject_alt_name, &x509_cert_t::subject_alt_name, X509_CRIT_SUBJECT_ALT_NAME, Cut::kWhole},
    {NID_subject_key_identifier, &x509_cert_t::subject_key_id, X509_CRIT_SUBJECT_KEY_ID, Cut::kContent},
    {NID_authority_key_identifier, &x509_cert_t::authority_key_id, X509_CRIT_AUTHORITY_KEY_ID, Cut::kContent},
    {NID_crl_distribution_points, &x509_cert_t::crl_dp, X509_CRIT_CRL_DP, Cut::kWhole},
};

bool IsRecognised(int nid) {
  for (const Recognised& r : kRecognised) {
    if (r.nid == nid) return true;
  }
  return false;
}

// The order the encoder writes extensions in, as ranks.
int EncoderRank(int nid, bool critical) {
  static const int kOrder[] = {NID_crl_distribution_points, NID_authority_key_identifier,
                               NID_subject_key_identifier,  NID_subject_alt_name,
                               NID_issuer_alt_name,         NID_key_usage,
                               NID_basic_constraints,       NID_name_constraints};
  for (int i = 0; i < 8; ++i) {
    if (kOrder[i] == nid) return 2 + i;
  }
  return critical ? 0 : 1;
}

// Compares the record with OpenSSL's reading of the same octets.
void ExpectAsOpenSSLReads(const x509_cert_t* rec, X509* x, bool definite) {
  EXPECT_EQ(rec->version, X509_get_version(x));
  EXPECT_EQ(Of(rec->serial), ContentOf(I2d(i2d_ASN1_INTEGER, X509_get0_serialNumber(x))));
  const unsigned char* der = nullptr;
  size_t len = 0;
  X509_NAME_get0_der(X509_get_issuer_name(x), &der, &len);
  EXPECT_EQ(Of(rec->issuer), Octets(der, der + len));
  X509_NAME_get0_der(X509_get_subject_name(x), &der, &len);
  EXPECT_EQ(Of(rec->subject), Octets(der, der + len));
  EXPECT_EQ(rec->not_before, OpenSSLTime(X509_get0_notBefore(x)));
  EXPECT_EQ(rec->not_after, OpenSSLTime(X509_get0_notAfter(x)));
  const ASN1_BIT_STRING* sig = nullptr;
  const X509_ALGOR* outer = nullptr;
  X509_get0_signature(&sig, &outer, x);
  EXPECT_EQ(Of(rec->signature), Octets(sig->data, sig->data + sig->length));
  const ASN1_OBJECT* alg = nullptr;
  X509_ALGOR_get0(&alg, nullptr, nullptr, X509_get0_tbs_sigalg(x));
  EXPECT_EQ(Of(rec->sig_alg_oid), Octets(OBJ_get0_data(alg), OBJ_get0_data(alg) + OBJ_length(alg)));
  if (definite) {
    // TBSCertificate: the first element of the Certificate's content.
    EXPECT_EQ(Of(rec->tbs), FirstElement(ContentOf(Of(rec->raw))));
    EXPECT_EQ(Of(rec->spki), I2d(i2d_X509_PUBKEY, X509_get_X509_PUBKEY(x)));
  }

  // The recognised extensions (the last occurrence of each), and the
  // unknown ones in their buffers, whole, in certificate order.
  Octets all, other, other_critical;
  uint32_t critical = 0;
  for (int i = 0; i < X509_get_ext_count(x); ++i) {
    X509_EXTENSION* e = X509_get_ext(x, i);
    int nid = OBJ_obj2nid(X509_EXTENSION_get_object(e));
    bool crit = X509_EXTENSION_get_critical(e) != 0;
    Octets whole = I2d(i2d_X509_EXTENSION, e);
    all.insert(all.end(), whole.begin(), whole.end());
    if (!IsRecognised(nid)) {
      Octets& to = crit ? other_critical : other;
      to.insert(to.end(), whole.begin(), whole.end());
      continue;
    }
    for (const Recognised& r : kRecognised) {
      if (r.nid != nid) continue;
      critical = crit ? critical | r.bit : critical & ~r.bit;
    }
  }
  if (definite) {
    EXPECT_EQ(Of(rec->extensions), all);
    EXPECT_EQ(Of(rec->other_extns), other);
    EXPECT_EQ(Of(rec->other_critical_extns), other_critical);
  }
  // Element by element, whatever the lengths' form.
  EXPECT_EQ(Fields(rec->other_extns), Fields(Bytes(other).View()));
  EXPECT_EQ(Fields(rec->other_critical_extns), Fields(Bytes(other_critical).View()));
  EXPECT_EQ(rec->critical, critical);
  for (const Recognised& r : kRecognised) {
    SCOPED_TRACE(OBJ_nid2sn(r.nid));
    int idx = -1;
    for (int i = X509_get_ext_by_NID(x, r.nid, -1); i >= 0; i = X509_get_ext_by_NID(x, r.nid, i)) idx = i;
    Octets value;
    if (idx >= 0) {
      const ASN1_OCTET_STRING* v = X509_EXTENSION_get_data(X509_get_ext(x, idx));
      value.assign(v->data, v->data + v->length);
    }
    if (r.cut == Cut::kSubtrees) {
      // permittedSubtrees [0], excludedSubtrees [1]: their contents.
      Octets permitted, excluded, rest = ContentOf(value);
      while (!rest.empty()) {
        Octets next, element = FirstElement(rest, &next);
        ASSERT_FALSE(element.empty());
        (element[0] == 0xA0 ? permitted : excluded) = ContentOf(element);
        rest = next;
      }
      EXPECT_EQ(Of(rec->nc_permitted), permitted);
      EXPECT_EQ(Of(rec->nc_excluded), excluded);
      continue;
    }
    EXPECT_EQ(Of(rec->*r.field), r.cut == Cut::kWhole ? value : ContentOf(value));
  }
}

void ExpectSameViews(const x509_cert_t* a, const x509_cert_t* b) {
  EXPECT_EQ(a->version, b->version);
  EXPECT_EQ(a->not_before, b->not_before);
  EXPECT_EQ(a->not_after, b->not_after);
  EXPECT_EQ(a->critical, b->critical);
  for (auto field : {&x509_cert_t::spki, &x509_cert_t::sig_alg_oid, &x509_cert_t::sig_alg_params,
                     &x509_cert_t::signature, &x509_cert_t::serial, &x509_cert_t::nc_permitted,
                     &x509_cert_t::nc_excluded, &x509_cert_t::basic_constraints, &x509_cert_t::key_usage,
                     &x509_cert_t::issuer, &x509_cert_t::subject, &x509_cert_t::issuer_alt_name,
                     &x509_cert_t::subject_alt_name, &x509_cert_t::subject_key_id,
                     &x509_cert_t::authority_key_id, &x509_cert_t::crl_dp, &x509_cert_t::other_extns,
                     &x509_cert_t::other_critical_extns}) {
    EXPECT_EQ(Of(a->*field), Of(b->*field));
  }
}

// True when the certificate's extensions already stand in the order the
// encoder writes them and nothing else is written differently (times the
// record holds exactly, no explicit FALSE critical flags).
bool EncoderWritesItAsItIs(X509* x, const x509_cert_t* rec) {
  if (rec->not_before == INT32_MIN || rec->not_before == INT32_MAX || rec->not_after == INT32_MIN ||
      rec->not_after == INT32_MAX) {
    return false;
  }
  int last = -1;
  for (int i = 0; i < X509_get_ext_count(x); ++i) {
    X509_EXTENSION* e = X509_get_ext(x, i);
    int rank = EncoderRank(OBJ_obj2nid(X509_EXTENSION_get_object(e)), X509_EXTENSION_get_critical(e) != 0);
    if (rank < last || (rank == last && rank >= 2)) return false;
    last = rank;
  }
  return true;
}

struct CorpusCounts {
  int certificates = 0;
  int identical = 0;
  int expected_identical = 0;
  int past_2038 = 0;
};

void CheckCorpusFile(const std::string& path, CorpusCounts* counts) {
  SCOPED_TRACE(BaseName(path));
  Octets der = ReadFile(path);
  ASSERT_FALSE(der.empty());
  Parsed c(der);
  ASSERT_EQ(c.code(), X509_OK);
  EXPECT_EQ(c.consumed(), der.size());
  ++counts->certificates;
  if (c->not_after == INT32_MAX) ++counts->past_2038;
  X509Ptr x = OpenSSLRead(der);
  ASSERT_NE(x, nullptr) << "OpenSSL cannot read it";
  bool definite = IsDer(der.data(), static_cast<long>(der.size()));
  ExpectAsOpenSSLReads(c.get(), x.get(), definite);

  // Encoded again, parsed again, read by OpenSSL again.
  OwnedBuffer out(10);
  Buffer tbs;
  ASSERT_EQ(x509_enc_cert(c.get(), out.get(), &tbs), X509_OK);
  Octets again = out.octets();
  Parsed back(again);
  ASSERT_EQ(back.code(), X509_OK);
  ExpectSameViews(c.get(), back.get());
  EXPECT_EQ(Of(tbs), Of(back->tbs));
  X509Ptr y = OpenSSLRead(again);
  ASSERT_NE(y, nullptr);
  ExpectAsOpenSSLReads(back.get(), y.get(), IsDer(again.data(), static_cast<long>(again.size())));
  bool identical = again == der;
  counts->identical += identical;
  if (definite && EncoderWritesItAsItIs(x.get(), c.get())) {
    ++counts->expected_identical;
    EXPECT_TRUE(identical) << "written differently although in the encoder's order";
  }
}

TEST(X509OracleTest, MozillaRoots) {
  std::vector<std::string> files = DerFiles("tests/data/roots");
  ASSERT_GE(files.size(), 100u);
  CorpusCounts n;
  for (const std::string& f : files) CheckCorpusFile(f, &n);
  EXPECT_EQ(n.certificates, static_cast<int>(files.size()));
  EXPECT_GT(n.past_2038, 0);
  std::printf("roots: %d certificates, %d valid past 2038-01-19, %d re-encoded byte for byte "
              "(%d with their extensions in the encoder's order)\n",
              n.certificates, n.past_2038, n.identical, n.expected_identical);
}

TEST(X509OracleTest, SamplePkiAndFixtures) {
  CorpusCounts n;
  for (const std::string& f : DerFiles("examples/certs")) CheckCorpusFile(f, &n);
  for (const std::string& f : DerFiles("tests/data/cert")) {
    std::string b = BaseName(f);
    if (b.find(".pub.") != std::string::npos || b.find(".p8.") != std::string::npos ||
        b.find(".p1") != std::string::npos) {
      continue;
    }
    CheckCorpusFile(f, &n);
  }
  EXPECT_GE(n.certificates, 19);
  std::printf("sample PKI and fixtures: %d certificates, %d re-encoded byte for byte\n", n.certificates,
              n.identical);
}

// ---- Hostile input: what OpenSSL refuses, the parser refuses --------------

// The sample server certificate with the unused-bits octet of its
// signatureValue at 1 to 7: OpenSSL reads it but refuses to verify it with
// the issuer's key (the untouched one verifies); the parser refuses it.
TEST(X509HostileOracleTest, SignatureWithUnusedBits) {
  Octets der = ReadFile(SourcePath("examples/certs/server.der"));
  X509Ptr issuer = OpenSSLRead(ReadFile(SourcePath("examples/certs/sub-ca.der")));
  ASSERT_NE(issuer, nullptr);
  EVP_PKEY* key = X509_get0_pubkey(issuer.get());
  ASSERT_NE(key, nullptr);
  // The unused-bits octet: the first content octet of the last element of
  // the Certificate's content (OpenSSL's header reader finds it).
  Octets rest = ContentOf(der);
  for (int skip = 0; skip < 2; ++skip) FirstElement(rest, &rest);
  ASSERT_FALSE(rest.empty());
  size_t at = der.size() - ContentOf(rest).size();
  ASSERT_EQ(der[at], 0x00);
  for (uint8_t unused = 0; unused <= 7; ++unused) {
    SCOPED_TRACE(static_cast<int>(unused));
    Octets patched = der;
    patched[at] = unused;
    X509Ptr x = OpenSSLRead(patched);
    bool openssl_verifies = x != nullptr && X509_verify(x.get(), key) == 1;
    ERR_clear_error();
    EXPECT_EQ(openssl_verifies, unused == 0);
    EXPECT_EQ(Parsed(patched).code(), unused == 0 ? X509_OK : X509_E_UNUSED_BITS);
  }
}

// A certificate with one extension whose identifier is malformed: OpenSSL
// does not read it, nor does the parser; the same certificate with a sound
// identifier both read.
TEST(X509HostileOracleTest, MalformedExtensionIdentifiers) {
  struct Case {
    const char* what;
    Octets oid;
    int code;
  } cases[] = {
      {"empty", {}, X509ASN_E_VALUE},
      {"first subidentifier padded with 0x80", Hex("80 01"), X509ASN_E_VALUE},
      {"later subidentifier padded with 0x80", Hex("2B 06 01 04 01 80 86 8D 1F 07"), X509ASN_E_VALUE},
      {"last subidentifier unterminated", Hex("2B 06 01 04 01 86 8D 9F"), X509ASN_E_VALUE},
      {"sound", Hex("2B 06 01 04 01 86 8D 1F 07"), X509_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CertParts p;
    p.extensions = {Ext(c.oid, {}, Hex("0500"))};
    Octets der = p.Der();
    X509Ptr x = OpenSSLRead(der);
    ERR_clear_error();
    EXPECT_EQ(x != nullptr, c.code == X509_OK);
    EXPECT_EQ(Parsed(der).code(), c.code);
  }
}

// ---- Keys ----------------------------------------------------------------

struct PkeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;

// OpenSSL's key from DER, with d2i_PUBKEY or d2i_AutoPrivateKey.
PkeyPtr OpenSSLKey(EVP_PKEY* (*d2i)(EVP_PKEY**, const unsigned char**, long), const Octets& der) {
  const unsigned char* p = der.data();
  return PkeyPtr(d2i(nullptr, &p, static_cast<long>(der.size())));
}

using pkixtest::OsslNumber;

// INTEGER content octets as an unsigned magnitude.
Octets Magnitude(const Buffer& b) {
  Octets v = Of(b);
  while (v.size() > 1 && v[0] == 0) v.erase(v.begin());
  return v;
}

TEST(X509KeyOracleTest, NumbersAsOpenSSLReadsThem) {
  struct Case {
    const char* name;
    const char* first;
    const char* second;
    const char* third;
    const char* pub;
    const char* priv;
  } cases[] = {
      {"dsa", OSSL_PKEY_PARAM_FFC_P, OSSL_PKEY_PARAM_FFC_Q, OSSL_PKEY_PARAM_FFC_G, OSSL_PKEY_PARAM_PUB_KEY,
       OSSL_PKEY_PARAM_PRIV_KEY},
      {"dh", OSSL_PKEY_PARAM_FFC_P, OSSL_PKEY_PARAM_FFC_G, nullptr, OSSL_PKEY_PARAM_PUB_KEY,
       OSSL_PKEY_PARAM_PRIV_KEY},
      {"dhx", OSSL_PKEY_PARAM_FFC_P, OSSL_PKEY_PARAM_FFC_G, nullptr, OSSL_PKEY_PARAM_PUB_KEY, nullptr},
      {"rsa", OSSL_PKEY_PARAM_RSA_N, OSSL_PKEY_PARAM_RSA_E, nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Octets pub = Fixture(std::string(c.name) + ".pub.der");
    PkeyPtr ossl = OpenSSLKey(d2i_PUBKEY, pub);
    ASSERT_NE(ossl, nullptr);
    Bytes bytes(pub);
    Buffer in = bytes.View(), value;
    uint16_t type;
    x509_key_params_t* params = nullptr;
    ASSERT_EQ(x509_parse_key(&in, &type, &params, &value), X509_OK);
    EXPECT_EQ(Magnitude(params->first), OsslNumber(ossl.get(), c.first));
    EXPECT_EQ(Magnitude(params->second), OsslNumber(ossl.get(), c.second));
    if (c.third != nullptr) {
      EXPECT_EQ(Magnitude(params->third), OsslNumber(ossl.get(), c.third));
    }
    if (c.pub != nullptr) {
      EXPECT_EQ(Magnitude(value), OsslNumber(ossl.get(), c.pub));
    }
    // What we write, OpenSSL reads as the same key.
    if (type != X509_KEY_DH_X942) {
      OwnedBuffer out = OwnedBuffer::WithRoom(0);
      ASSERT_EQ(x509_enc_key(type, params, &value, out.get()), X509_OK);
      PkeyPtr back = OpenSSLKey(d2i_PUBKEY, out.octets());
      ASSERT_NE(back, nullptr);
      EXPECT_EQ(EVP_PKEY_eq(back.get(), ossl.get()), 1);
    }
    std::free(params);
    if (c.priv == nullptr) continue;

    Octets p8 = Fixture(std::string(c.name) + ".p8.der");
    PkeyPtr priv = OpenSSLKey(d2i_AutoPrivateKey, p8);
    ASSERT_NE(priv, nullptr);
    Bytes pb(p8);
    in = pb.View();
    ASSERT_EQ(asn1_der_decode_secret(&in, &type, &params, &value), X509_OK);
    EXPECT_EQ(Magnitude(params->first), OsslNumber(priv.get(), c.first));
    EXPECT_EQ(Magnitude(value), OsslNumber(priv.get(), c.priv));
    OwnedBuffer out = OwnedBuffer::WithRoom(0);
    ASSERT_EQ(asn1_der_encode_secret(type, params, &value, out.get()), X509_OK);
    PkeyPtr back = OpenSSLKey(d2i_AutoPrivateKey, out.octets());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(OsslNumber(back.get(), c.priv), OsslNumber(priv.get(), c.priv));
    std::free(params);
  }
}

}  // namespace
}  // namespace x509test
