// Directory distribution points end to end: the module's points and stubs,
// the host's directory service, and a private slapd loaded with the sample
// PKI. Fetching by URL, by directory name and by name plus relative name
// returns the very octets that were loaded; names holding characters that
// LDAP escapes reach exactly their own entry, and nothing a certificate or
// URL carries widens the search.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cert/cert_testutil.h"
#include "cert/crldp.h"
#include "cert/ldapdp.h"
#include "contract/service_ids.h"
#include "crl/tcrl.h"
#include "host/hostldap.h"
#include "ldap/ldap_testutil.h"
#include "ldap/s_ldap.h"
#include "module/pkixsrv.h"
#include "name/x509name.h"
#include "support/ref.h"
#include "support/result_codes.h"
#include "support/tbufs.h"
#include "testing/der_bytes.h"
#include "testing/slapd_env.h"

namespace {

using pkixtest::Bytes;
using pkixtest::Cat;
using pkixtest::SlapdServer;
using pkixtest::Tlv;

Bytes crlFile(const std::string& name) {
  return pkixtest::readFile(std::string(PKIX_SOURCE_DIR) + "/examples/crl/" + name);
}

// AttributeTypeAndValue with the attribute's OID tail under 2.5.4 and a
// string of the given tag.
Bytes atv(uint8_t attr, uint8_t tag, const std::string& v) {
  return Tlv(0x30, Cat({Tlv(0x06, {0x55, 0x04, attr}), Tlv(tag, Bytes(v.begin(), v.end()))}));
}
constexpr uint8_t kCountry = 6, kOrg = 10, kOrgUnit = 11, kCommonName = 3, kSerialNumber = 5;
constexpr uint8_t kPrintable = 0x13, kUtf8 = 0x0C;

// C=DE, O=Example, OU=Odd as RDNs (without the SEQUENCE).
Bytes oddBase() {
  return Cat({Tlv(0x31, atv(kCountry, kPrintable, "DE")), Tlv(0x31, atv(kOrg, kUtf8, "Example")),
              Tlv(0x31, atv(kOrgUnit, kUtf8, "Odd"))});
}

Ref<TBuf> bufOf(const Bytes& b) {
  return tbufCopy(Buffer{nullptr, const_cast<unsigned char*>(b.data()), static_cast<uint32_t>(b.size())});
}
Ref<TBuf> bufOf(const std::string& s) { return bufOf(Bytes(s.begin(), s.end())); }

Ref<LDAPDP> newPoint() { return adoptRef(static_cast<LDAPDP*>(createTLDAPDP())); }

// The server may still be opening its listener after its start: a few
// connection attempts on the loopback port before the first test sends.
void waitUntilListening(uint16_t port) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool up = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0) close(fd);
    if (up) return;
    usleep(50 * 1000);
  }
}

// The module in process with the host's real directory service, the
// certificate service it builds its lists with, and the default server set
// to the private slapd.
class DirectoryFetchTest : public pkixtest::CertFixture {
 protected:
  void SetUp() override {
    CertFixture::SetUp();
    PKIX_NEED_SLAPD(slapd_);
    waitUntilListening(slapd_->port());
    mgr.offer(pkixid::kCertService, createTPkixService());
    mgr.offer(pkixid::kDirectory, pkixhost::createLdapService());
    ASSERT_EQ(cmn_ldap.AddConnection(slapd_->host(), slapd_->port(), nullptr), pkixrc::kOk);
  }
  void TearDown() override {
    // The static stub lets this service go with its last user.
    cmn_ldap.ref();
    cmn_ldap.unref();
    mgr.offer(pkixid::kDirectory, nullptr);
    CertFixture::TearDown();
  }

  // Sends the point; the CRLs of the answer as DER, in order (empty when
  // nothing came), and the request's raw octets in *raw.
  std::vector<Bytes> fetch(LDAPDP* dp, int* status, Bytes* raw = nullptr) {
    std::vector<Bytes> out;
    *status = -1;
    CMN_LdapCrlReq* req = dp->send();
    EXPECT_NE(req, nullptr) << "error " << dp->error();
    if (req == nullptr) return out;
    req->send(0, nullptr, 0);
    *status = req->getResStatus();
    if (raw != nullptr && req->getCrlListDatap() != nullptr) {
      raw->assign(req->getCrlListDatap(), req->getCrlListDatap() + req->getCrlListDataLen());
    }
    Ref<TCRLList> l = adoptRef(dp->responce());
    if (!l) return out;
    for (Ref<TCRL> c = adoptRef(l->getFirst()); c; c = adoptRef(l->getNext())) {
      Ref<TBuf> der = adoptRef(c->getRaw(nullptr, nullptr));
      if (der) out.emplace_back(der->datap(), der->datap() + der->len());
    }
    return out;
  }

  SlapdServer* slapd_ = nullptr;
};

// The entries under ou=Odd: the cn value (as the directory holds it), the
// RDN as RFC 4514 writes it, and the list the entry holds.
struct OddEntry {
  std::string cn;
  const char* rdn_text;
  const char* file;
};
const OddEntry kOdd[] = {
    {"Comma, Inc.", "cn=Comma\\, Inc.", "v1.der"},
    {"Plus+Sign", "cn=Plus\\+Sign", "no-next-update.der"},
    {"\"Quoted\"", "cn=\\\"Quoted\\\"", "idp-reasons.der"},
    {"Back\\slash", "cn=Back\\\\slash", "delta.der"},
    {"Star*", "cn=Star*", "indirect.der"},
    {"Paren(s)", "cn=Paren(s)", "sha256.der"},
    {"#Hash", "cn=\\#Hash", "ecdsa.der"},
    {std::string("Nul\0Byte", 8), "cn=Nul\\00Byte", "dsa.der"},
};

// The URL text of a DN: every octet outside the unreserved set
// percent-encoded.
std::string urlEscape(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '=' || c == '-' ||
                 c == '.' || c == '_';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

TEST_F(DirectoryFetchTest, EveryFormFetchesTheOctetsThatWereLoaded) {
  for (const OddEntry& e : kOdd) {
    const Bytes want = crlFile(e.file);
    ASSERT_FALSE(want.empty()) << e.file;
    const Bytes cn_rdn = Tlv(0x31, atv(kCommonName, kUtf8, e.cn));

    // By directory name.
    Ref<TName> name = adoptRef(createTName(TName::NAME_DN, bufOf(Tlv(0x30, Cat({oddBase(), cn_rdn}))).get()));
    ASSERT_TRUE(name && name->error() == 0) << e.rdn_text;
    Ref<LDAPDP> by_name = newPoint();
    ASSERT_EQ(by_name->setTName(name.get()), pkixrc::kOk);
    int status = 0;
    Bytes raw;
    std::vector<Bytes> got = fetch(by_name.get(), &status, &raw);
    EXPECT_EQ(status, CMN_LdapReqCont_I::kResDone) << e.rdn_text;
    ASSERT_EQ(got.size(), 1u) << e.rdn_text;
    EXPECT_EQ(got[0], want) << e.rdn_text;
    EXPECT_EQ(raw, want) << e.rdn_text;

    // By the name of ou=Odd plus the relative name.
    Ref<TName> base = adoptRef(createTName(TName::NAME_DN, bufOf(Tlv(0x30, oddBase())).get()));
    Ref<LDAPDP> by_rdn = newPoint();
    ASSERT_EQ(by_rdn->setTName(base.get()), pkixrc::kOk);
    ASSERT_EQ(by_rdn->setRDN(bufOf(cn_rdn).get()), pkixrc::kOk);
    got = fetch(by_rdn.get(), &status);
    ASSERT_EQ(got.size(), 1u) << e.rdn_text;
    EXPECT_EQ(got[0], want) << e.rdn_text;

    // By URL.
    std::string url = slapd_->url() + "/" + urlEscape(std::string(e.rdn_text) + ",ou=Odd,o=Example,c=DE") +
                      "?certificateRevocationList;binary";
    Ref<LDAPDP> by_url = newPoint();
    ASSERT_EQ(by_url->setURI(bufOf(url).get()), pkixrc::kOk);
    got = fetch(by_url.get(), &status);
    ASSERT_EQ(got.size(), 1u) << url;
    EXPECT_EQ(got[0], want) << url;
  }
}

TEST_F(DirectoryFetchTest, AMultiValuedRelativeNameNamesItsEntry) {
  // SET OF in DER order: serialNumber=42 (the shorter encoding) first.
  Bytes rdn = Tlv(0x31, Cat({atv(kSerialNumber, kPrintable, "42"), atv(kCommonName, kUtf8, "Multi")}));
  Ref<TName> base = adoptRef(createTName(TName::NAME_DN, bufOf(Tlv(0x30, oddBase())).get()));
  Ref<LDAPDP> dp = newPoint();
  ASSERT_EQ(dp->setTName(base.get()), pkixrc::kOk);
  ASSERT_EQ(dp->setRDN(bufOf(rdn).get()), pkixrc::kOk);
  int status = 0;
  std::vector<Bytes> got = fetch(dp.get(), &status);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], crlFile("v2-reasons.der"));
}

TEST_F(DirectoryFetchTest, NothingInANameOrUrlWidensTheSearch) {
  struct Case {
    const char* what;
    Bytes name;        // a DER name, or empty for a URL case
    std::string url;   // path and query after the server
  } cases[] = {
      // A value that would end the RDN when not escaped: it would name the
      // sub CA's entry under ou=PKI.
      {"comma in a value",
       Tlv(0x30, Cat({Tlv(0x31, atv(kCountry, kPrintable, "DE")), Tlv(0x31, atv(kOrg, kUtf8, "Example")),
                      Tlv(0x31, atv(kCommonName, kUtf8, "x,ou=PKI"))})),
       ""},
      {"a star as the whole value",
       Tlv(0x30, Cat({oddBase(), Tlv(0x31, atv(kCommonName, kUtf8, "*"))})), ""},
      {"a filter as the value",
       Tlv(0x30, Cat({oddBase(), Tlv(0x31, atv(kCommonName, kUtf8, "*)(objectClass=*"))})), ""},
      {"a value cut at NUL would name another entry",
       Tlv(0x30, Cat({oddBase(), Tlv(0x31, atv(kCommonName, kUtf8, std::string("Star*\0x", 7)))})), ""},
      // The URL's scope and filter are dropped: a base search of ou=Odd,
      // which holds no list itself.
      {"URL asking for a subtree", {}, "/ou=Odd,o=Example,c=DE?certificateRevocationList;binary?sub?(objectClass=*)"},
      {"URL asking for one level", {}, "/ou=Odd,o=Example,c=DE?certificateRevocationList;binary?one"},
      {"URL with a star DN", {}, "/cn=*,ou=Odd,o=Example,c=DE?certificateRevocationList;binary"},
  };
  for (const Case& c : cases) {
    Ref<LDAPDP> dp = newPoint();
    if (!c.name.empty()) {
      Ref<TName> n = adoptRef(createTName(TName::NAME_DN, bufOf(c.name).get()));
      ASSERT_TRUE(n && n->error() == 0) << c.what;
      ASSERT_EQ(dp->setTName(n.get()), pkixrc::kOk) << c.what;
    } else {
      ASSERT_EQ(dp->setURI(bufOf(slapd_->url() + c.url).get()), pkixrc::kOk) << c.what;
    }
    int status = 0;
    std::vector<Bytes> got = fetch(dp.get(), &status);
    EXPECT_TRUE(got.empty()) << c.what << ": " << got.size() << " lists came";
    EXPECT_NE(status, CMN_LdapReqCont_I::kResDone) << c.what;
    EXPECT_EQ(dp->error(), pkixrc::kNotFound) << c.what;
  }
}

TEST_F(DirectoryFetchTest, ACertificatesPointsFetchTheirLists) {
  // One point by URL to the private server, one by a CRL issuer plus a
  // relative name: ou=Odd's "Comma, Inc." and "Plus+Sign".
  std::string conf = "[ext]\ncdp = URI:" + slapd_->url() +
                     "/cn=Plus%5C%2BSign%2Cou=Odd%2Co=Example%2Cc=DE?certificateRevocationList;binary?sub?(cn=*), p\n"
                     "[p]\nrelativename = rdn\nCRLissuer = dirName:iss\n"
                     "[rdn]\nCN=Comma, Inc.\n[iss]\nC=DE\nO=Example\nOU=Odd\n";
  Bytes der = pkixtest::withPoints(conf);
  ASSERT_FALSE(der.empty());
  pkixtest::Own<TCert> cert(createTCert(TCert::CF_X509, der.data(), static_cast<unsigned>(der.size())));
  ASSERT_TRUE(cert);
  pkixtest::Own<TCRLList> templates(cert->getCRLList());
  ASSERT_TRUE(templates);
  struct Factories {
    TExtn* createTExtn(TExtn::extn_t t) { return ::createTExtn(t); }
    TDPList* createTDPList() { return ::createTDPList(); }
  } f;
  int code = -1;
  Ref<TDPList> points = adoptRef(collectDistributionPoints(templates.get(), f, &code));
  ASSERT_TRUE(points);
  std::vector<Bytes> all;
  for (Ref<TDP> p = adoptRef(points->getFirst()); p; p = adoptRef(points->getNext())) {
    int status = 0;
    for (Bytes& b : fetch(static_cast<LDAPDP*>(p.get()), &status)) all.push_back(b);
  }
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0], crlFile("no-next-update.der"));
  EXPECT_EQ(all[1], crlFile("v1.der"));
}

TEST_F(DirectoryFetchTest, TheServerStoppedIsReportedAndTheModuleCarriesOn) {
  std::string why;
  ASSERT_TRUE(slapd_->Stop(&why)) << why;
  Ref<LDAPDP> dp = newPoint();
  ASSERT_EQ(dp->setURI(bufOf(slapd_->url() + "/cn=Star*,ou=Odd,o=Example,c=DE").get()), pkixrc::kOk);
  int status = 0;
  EXPECT_TRUE(fetch(dp.get(), &status).empty());
  EXPECT_EQ(status, CMN_LdapReqCont_I::kResUnreachable);
  EXPECT_EQ(dp->error(), pkixrc::kNotFound);
  ASSERT_TRUE(slapd_->Restart(&why)) << why;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new pkixtest::SlapdEnvironment);
  return RUN_ALL_TESTS();
}
