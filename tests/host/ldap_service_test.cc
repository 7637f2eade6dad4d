// The directory client service against a private slapd loaded with the
// sample PKI: every fetch must return exactly the octets that were loaded
// (read back from examples/), names given as DER (built by OpenSSL) must be
// looked up literally, and the faults (no server, a silent server, missing
// entries, oversized answers, a server that restarts) must end in the
// documented codes. The module's objects run in process under the tests'
// manager, which also offers the certificate service the lists are built
// through.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "alg/pki_cnvrt_c.h"
#include "alg/pki_cnvrt_s.h"
#include "contract/ldap.h"
#include "crl/tcrl.h"
#include "host/hostldap.h"
#include "module/pkixsrv.h"
#include "support/ref.h"
#include "support/result_codes.h"
#include "testing/inproc.h"
#include "testing/ossl_oracle.h"
#include "testing/slapd_env.h"
#include "ldap_test_util.h"

namespace {

using pkixtest::SlapdServer;
using namespace ldaptest;

std::string UrlOf(SlapdServer* slapd, const std::string& rest) { return slapd->url() + "/" + rest; }

struct NameFree {
  void operator()(X509_NAME* n) const { X509_NAME_free(n); }
};

// The DER of a name as OpenSSL writes it from (type, UTF-8 value) pairs,
// most general first.
Bytes OsslName(const std::vector<std::pair<const char*, std::string>>& rdns) {
  std::unique_ptr<X509_NAME, NameFree> n(X509_NAME_new());
  for (const auto& r : rdns) {
    X509_NAME_add_entry_by_txt(n.get(), r.first, MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(r.second.data()),
                               static_cast<int>(r.second.size()), -1, 0);
  }
  return pkixtest::OsslDer([&](unsigned char** p) { return i2d_X509_NAME(n.get(), p); });
}

// The subject name of a certificate file, as OpenSSL reads it.
Bytes SubjectOf(const char* cert_file) {
  Bytes der = File(cert_file);
  const unsigned char* p = der.data();
  std::unique_ptr<X509, decltype(&X509_free)> x(d2i_X509(nullptr, &p, static_cast<long>(der.size())), X509_free);
  if (!x) return {};
  return pkixtest::OsslDer([&](unsigned char** out) { return i2d_X509_NAME(X509_get_subject_name(x.get()), out); });
}

class LdapServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Module();
    PKIX_NEED_SLAPD(slapd);
    svc = std::make_unique<ServiceRef>();
    ASSERT_EQ((*svc)->AddConnection(slapd->host(), slapd->port(), nullptr), pkixrc::kOk);
  }
  // A new request of the kind, owned by the test.
  std::unique_ptr<RequestRef> Request(Req::ReqType kind) {
    return std::make_unique<RequestRef>((*svc)->createRequest(kind));
  }
  // Fetches by URL; the send's code in *code.
  std::unique_ptr<RequestRef> ByUrl(Req::ReqType kind, const std::string& url, int* code) {
    auto r = Request(kind);
    *code = (*r)->setURL(url.c_str());
    if (*code == pkixrc::kOk) *code = (*r)->send(0, nullptr, 0);
    return r;
  }
  std::unique_ptr<RequestRef> ByDer(Req::ReqType kind, const Bytes& der, int* code) {
    auto r = Request(kind);
    *code = (*r)->setDN(der.data(), static_cast<unsigned>(der.size()));
    if (*code == pkixrc::kOk) *code = (*r)->send(0, nullptr, 0);
    return r;
  }

  SlapdServer* slapd = nullptr;
  std::unique_ptr<ServiceRef> svc;
};

TEST_F(LdapServiceTest, FetchesByUrlTheOctetsThatWereLoaded) {
  struct Case {
    const char* url_rest;
    Req::ReqType kind;
    Bytes crls;
    Bytes certs;
  } cases[] = {
      {"cn=Example%20Sub%20CA,o=Example,c=DE?certificateRevocationList", Req::kReqCrl,
       File("examples/crls/sub-ca.crl.der"), {}},
      // The URL's attribute wins over the kind.
      {"cn=Example%20Root%20CA,ou=PKI,o=Example,c=DE?cACertificate;binary", Req::kReqCrl, {},
       File("examples/certs/root-ca.der")},
      {"cn=Example%20Root%20CA,ou=PKI,o=Example,c=DE", Req::kReqAllCrls, File("examples/crl/idp-only-ca.der"), {}},
      {"cn=Example%20Root%20CA,ou=PKI,o=Example,c=DE", Req::kReqAllCerts, {}, File("examples/certs/root-ca.der")},
      {"cn=Example%20DSA%20CA,o=Example,c=DE?authorityRevocationList", Req::kReqCrl, {}, {}},
      {"cn=gw2.example.org,ou=Gateways,o=Example,c=DE?userCertificate", Req::kReqCrl, {},
       File("examples/certs/revoked.der")},
      // Three values, in the order they were loaded.
      {"cn=Example%20Sub%20CA,ou=PKI,o=Example,c=DE", Req::kReqCrl,
       Cat({File("examples/crls/sub-ca.crl.der"), File("examples/crl/v2-reasons.der"), File("examples/crl/sha256.der")}),
       {}},
  };
  for (const Case& c : cases) {
    int code = -1;
    auto r = ByUrl(c.kind, UrlOf(slapd, c.url_rest), &code);
    bool expect_answer = !c.crls.empty() || !c.certs.empty();
    EXPECT_EQ(code, expect_answer ? pkixrc::kOk : pkixrc::kNotFound) << c.url_rest;
    EXPECT_EQ((*r)->getResStatus(), expect_answer ? Req::kResDone : Req::kResNoAnswer) << c.url_rest;
    EXPECT_EQ(CrlOctets(r->req), c.crls) << c.url_rest;
    EXPECT_EQ(CertOctets(r->req), c.certs) << c.url_rest;
  }
}

TEST_F(LdapServiceTest, FetchesByDirectoryNameAndByNamePlusRelativeName) {
  // The name taken from the certificate itself (OpenSSL's DER), with its
  // emailAddress RDN: the service renders it for the server.
  int code = -1;
  auto by_subject = ByDer(Req::kReqUserCert, SubjectOf("examples/certs/server.der"), &code);
  EXPECT_EQ(code, pkixrc::kOk);
  EXPECT_EQ(CertOctets(by_subject->req), File("examples/certs/server.der"));

  // The same through the name object of the module (setDN(TName*)).
  Bytes sub_ca = SubjectOf("examples/certs/sub-ca.der");
  Ref<TName> name = adoptRef(Module().certs->createTName(TName::NAME_DN, sub_ca.data(), static_cast<unsigned>(sub_ca.size())));
  ASSERT_TRUE(name);
  auto r = Request(Req::kReqCaCert);
  ASSERT_EQ((*r)->setDN(name.get()), pkixrc::kOk);
  ASSERT_EQ((*r)->send(0, nullptr, 0), pkixrc::kOk);
  EXPECT_EQ(CertOctets(r->req), File("examples/certs/sub-ca.der"));

  // A name N = C=DE, O=Example extended by the relative name CN=Example Sub
  // CA, as a distribution point names it: the module joins them, the
  // service sees one name.
  Bytes base = OsslName({{"C", "DE"}, {"O", "Example"}});
  Ref<TName> n = adoptRef(Module().certs->createTName(TName::NAME_DN, base.data(), static_cast<unsigned>(base.size())));
  Bytes rdn_name = OsslName({{"CN", "Example Sub CA"}});
  Ref<TName> rdn = adoptRef(Module().certs->createTName(TName::NAME_DN, rdn_name.data(), static_cast<unsigned>(rdn_name.size())));
  ASSERT_TRUE(n && rdn);
  *n += *rdn;
  auto joined = Request(Req::kReqCrl);
  ASSERT_EQ((*joined)->setDN(n.get()), pkixrc::kOk);
  ASSERT_EQ((*joined)->send(0, nullptr, 0), pkixrc::kOk);
  EXPECT_EQ(CrlOctets(joined->req), File("examples/crls/sub-ca.crl.der"));
}

TEST_F(LdapServiceTest, ListsAreBuiltThroughTheCertificateService) {
  int code = -1;
  auto r = ByUrl(Req::kReqCrl, UrlOf(slapd, "cn=Example%20Sub%20CA,ou=PKI,o=Example,c=DE"), &code);
  ASSERT_EQ(code, pkixrc::kOk);
  Ref<TCRLList> crls = adoptRef((*r)->getCrlList());
  ASSERT_TRUE(crls);
  int count = 0;
  for (Ref<TCRL> c = adoptRef(crls->getFirst()); c; c = adoptRef(crls->getNext())) ++count;
  EXPECT_EQ(count, 3);
  // No certificates in this answer: no list, the raw octets empty.
  EXPECT_EQ((*r)->getCertList(), nullptr);
  EXPECT_EQ((*r)->error(), pkixrc::kNotFound);
  EXPECT_EQ((*r)->getCertListDatap(), nullptr);
  EXPECT_EQ((*r)->getCertListDataLen(), 0u);

  auto certs = ByUrl(Req::kReqAllCerts, UrlOf(slapd, "cn=Example%20Sub%20CA,ou=PKI,o=Example,c=DE"), &code);
  ASSERT_EQ(code, pkixrc::kOk);
  Ref<TCertList> list = adoptRef((*certs)->getCertList());
  ASSERT_TRUE(list);
  Ref<TCert> first = adoptRef(list->getFirst());
  ASSERT_TRUE(first);
  Ref<TBuf> der = adoptRef(first->getRaw());
  ASSERT_TRUE(der);
  EXPECT_EQ(Octets(der->datap(), der->len()), File("examples/certs/sub-ca.der"));
}

TEST_F(LdapServiceTest, NamesWithSpecialCharactersAreLookedUpLiterally) {
  const std::vector<std::pair<const char*, std::string>> odd = {{"C", "DE"}, {"O", "Example"}, {"OU", "Odd"}};
  auto name = [&](const std::string& cn) {
    auto rdns = odd;
    rdns.push_back({"CN", cn});
    return OsslName(rdns);
  };
  struct Found {
    std::string cn;
    const char* file;
  } found[] = {
      {"Comma, Inc.", "examples/crl/v1.der"},        {"Plus+Sign", "examples/crl/no-next-update.der"},
      {"\"Quoted\"", "examples/crl/idp-reasons.der"}, {"Back\\slash", "examples/crl/delta.der"},
      {"Star*", "examples/crl/indirect.der"},          {"Paren(s)", "examples/crl/sha256.der"},
      {"#Hash", "examples/crl/ecdsa.der"},             {std::string("Nul\0Byte", 8), "examples/crl/dsa.der"},
  };
  for (const Found& f : found) {
    int code = -1;
    auto r = ByDer(Req::kReqCrl, name(f.cn), &code);
    EXPECT_EQ(code, pkixrc::kOk) << f.cn;
    EXPECT_EQ(CrlOctets(r->req), File(f.file)) << f.cn;
  }
  // Patterns, partial values and injected DN or filter text find nothing:
  // each is one literal value of one base search.
  const std::string missing[] = {"*", "Star", "Sta*", "Paren(s", "Paren(s)*", "Comma", "Nul",
                                 "Plus", "Comma, Inc.,ou=Odd", "*)(objectClass=*", "Back"};
  for (const std::string& cn : missing) {
    int code = -1;
    auto r = ByDer(Req::kReqCrl, name(cn), &code);
    EXPECT_EQ(code, pkixrc::kNotFound) << cn;
    EXPECT_EQ((*r)->getResStatus(), Req::kResNoAnswer) << cn;
    EXPECT_TRUE(CrlOctets(r->req).empty()) << cn;
  }
  // A multi-valued RDN (CN=Multi + serialNumber=42).
  Bytes multi;
  {
    std::unique_ptr<X509_NAME, NameFree> n(X509_NAME_new());
    for (const auto& r : odd) {
      X509_NAME_add_entry_by_txt(n.get(), r.first, MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(r.second.data()),
                                 -1, -1, 0);
    }
    X509_NAME_add_entry_by_txt(n.get(), "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("Multi"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(n.get(), "serialNumber", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("42"), -1,
                               -1, -1);
    multi = pkixtest::OsslDer([&](unsigned char** p) { return i2d_X509_NAME(n.get(), p); });
  }
  int code = -1;
  auto r = ByDer(Req::kReqCrl, multi, &code);
  EXPECT_EQ(code, pkixrc::kOk);
  EXPECT_EQ(CrlOctets(r->req), File("examples/crl/v2-reasons.der"));
}

TEST_F(LdapServiceTest, UrlsThatWouldWidenTheSearchAreRefused) {
  const char* rests[] = {
      "ou=Odd,o=Example,c=DE?certificateRevocationList;binary?sub",
      "ou=Odd,o=Example,c=DE?certificateRevocationList;binary?one?(cn=*)",
      "c=DE?certificateRevocationList;binary?base?(cn=Star*)",
  };
  for (const char* rest : rests) {
    auto r = Request(Req::kReqCrl);
    EXPECT_EQ((*r)->setURL(UrlOf(slapd, rest).c_str()), pkixrc::kWrongType) << rest;
    EXPECT_EQ((*r)->send(0, nullptr, 0), pkixrc::kUnavailable) << rest;  // nothing to send
    EXPECT_EQ((*r)->getResStatus(), Req::kResUnreachable) << rest;
  }
}

TEST_F(LdapServiceTest, MissingEntriesAndAttributesAnswerNotFound) {
  struct Case {
    const char* rest;
    Req::ReqType kind;
  } cases[] = {
      {"cn=Nobody,ou=PKI,o=Example,c=DE", Req::kReqCrl},
      {"cn=Nobody,ou=Nowhere,o=Example,c=DE", Req::kReqCrl},
      {"cn=Empty%20CA,ou=PKI,o=Example,c=DE", Req::kReqAllCrls},
      {"cn=Empty%20CA,ou=PKI,o=Example,c=DE", Req::kReqAllCerts},
      {"o=Example,c=DE", Req::kReqCrl},
  };
  for (const Case& c : cases) {
    int code = -1;
    auto r = ByUrl(c.kind, UrlOf(slapd, c.rest), &code);
    EXPECT_EQ(code, pkixrc::kNotFound) << c.rest;
    EXPECT_EQ((*r)->getResStatus(), Req::kResNoAnswer) << c.rest;
    EXPECT_EQ((*r)->getCrlList(), nullptr) << c.rest;
  }
}

TEST_F(LdapServiceTest, RequestsCheckTheirArguments) {
  EXPECT_EQ((*svc)->createRequest(static_cast<Req::ReqType>(6)), nullptr);
  EXPECT_EQ((*svc)->createRequest(static_cast<Req::ReqType>(-1)), nullptr);
  auto r = Request(Req::kReqCrl);
  EXPECT_EQ((*r)->getResStatus(), Req::kResNotSent);
  EXPECT_EQ((*r)->send(0, nullptr, 0), pkixrc::kUnavailable);  // neither URL nor name
  const unsigned char junk[] = {0x30, 0x03, 0x31, 0x01};       // a name cut short
  EXPECT_EQ((*r)->setDN(junk, sizeof junk), pkixrc::kMalformed);
  EXPECT_EQ((*r)->setDN(nullptr, 0), pkixrc::kBadArgument);
  EXPECT_EQ((*r)->setDN(static_cast<TName*>(nullptr)), pkixrc::kBadArgument);
  EXPECT_EQ((*r)->setURL("not a url"), pkixrc::kMalformed);
  EXPECT_EQ((*r)->setURL(nullptr), pkixrc::kBadArgument);
  // Hosts that libldap could read as several servers or a URL.
  for (const char* host : {"a b", "a,b", "ldap://x", "", "h/x"}) {
    EXPECT_EQ((*r)->setServer(host, 389), pkixrc::kBadArgument) << host;
    EXPECT_EQ((*svc)->AddConnection(host, 389, nullptr), pkixrc::kBadArgument) << host;
  }
  EXPECT_EQ((*svc)->AddConnection("h", 389, "ldaps"), pkixrc::kWrongType);
  EXPECT_EQ((*svc)->AddConnection(slapd->host(), slapd->port(), "LDAP"), pkixrc::kAlreadyPresent);
  int dummy = 0;
  ASSERT_EQ((*r)->setURL(UrlOf(slapd, "c=DE").c_str()), pkixrc::kOk);
  EXPECT_EQ((*r)->send(0, &dummy, 0), pkixrc::kBadArgument);
  EXPECT_EQ((*r)->send(0, nullptr, 1), pkixrc::kBadArgument);
}

// A loopback port with nothing listening: bound, then closed.
uint16_t ClosedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  close(s);
  return ntohs(a.sin_port);
}

// A server that accepts connections (the kernel completes them from the
// backlog) and never answers.
class SilentServer {
 public:
  SilentServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 16);
    socklen_t n = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
    port_ = ntohs(a.sin_port);
  }
  ~SilentServer() { close(fd_); }
  uint16_t port() const { return port_; }

 private:
  int fd_;
  uint16_t port_ = 0;
};

using Clock = std::chrono::steady_clock;
long long MsSince(Clock::time_point t0) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

TEST_F(LdapServiceTest, NoServerIsRefusedAtOnceAndASilentOneTimesOut) {
  // Nobody listening: refused at once (the bound is generous: no timer is
  // involved, only the refusal).
  std::string url = "ldap://127.0.0.1:" + std::to_string(ClosedPort()) + "/c=DE";
  auto t0 = Clock::now();
  int code = -1;
  auto r = ByUrl(Req::kReqCrl, url, &code);
  EXPECT_EQ(code, pkixrc::kUnavailable);
  EXPECT_EQ((*r)->getResStatus(), Req::kResUnreachable);
  EXPECT_LT(MsSince(t0), 5000);

  // Accepts and never answers: the response timeout holds, and a send that
  // gives its own timeout is bounded by it.
  SilentServer silent;
  std::string silent_url = "ldap://127.0.0.1:" + std::to_string(silent.port()) + "/c=DE";
  auto s = Request(Req::kReqCrl);
  ASSERT_EQ((*s)->setURL(silent_url.c_str()), pkixrc::kOk);
  t0 = Clock::now();
  EXPECT_EQ((*s)->send(300, nullptr, 0), pkixrc::kUnavailable);
  long long waited = MsSince(t0);
  EXPECT_EQ((*s)->getResStatus(), Req::kResUnreachable);
  EXPECT_GE(waited, 250);
  EXPECT_LT(waited, 10000);

  ASSERT_EQ((*svc)->SetResponseTimeout(200), pkixrc::kOk);
  EXPECT_EQ((*svc)->GetResponseTimeout(), 200);
  t0 = Clock::now();
  EXPECT_EQ((*s)->send(0, nullptr, 0), pkixrc::kUnavailable);
  waited = MsSince(t0);
  EXPECT_GE(waited, 150);
  EXPECT_LT(waited, 10000);
}

// A clock the test moves by hand.
std::atomic<uint64_t> gManualMs{1000000};
uint64_t ManualMs() { return gManualMs.load(); }

TEST_F(LdapServiceTest, ReconnectsAfterTheServerRestartsAndHoldsADownServer) {
  pkixhost::LdapServiceOptions o;
  o.now_ms = &ManualMs;
  ServiceRef held(o);
  ASSERT_EQ(held->AddConnection(slapd->host(), slapd->port(), nullptr), pkixrc::kOk);
  ASSERT_EQ(held->SetConnectHoldTimeout(5000), pkixrc::kOk);
  auto fetch = [&](const ServiceRef& s) {
    RequestRef r(s->createRequest(Req::kReqCrl));
    r->setURL(UrlOf(slapd, "cn=Example%20Sub%20CA,o=Example,c=DE").c_str());
    int code = r->send(0, nullptr, 0);
    if (code == pkixrc::kOk) {
      EXPECT_EQ(CrlOctets(r.req), File("examples/crls/sub-ca.crl.der"));
    }
    return code;
  };
  ASSERT_EQ(fetch(held), pkixrc::kOk);  // leaves an idle connection
  ASSERT_EQ(fetch(*svc), pkixrc::kOk);

  std::string error;
  ASSERT_TRUE(slapd->Restart(&error)) << error;
  // The idle connections broke with the restart: each service notices and
  // connects again within the same send.
  EXPECT_EQ(fetch(held), pkixrc::kOk);
  EXPECT_EQ(fetch(*svc), pkixrc::kOk);

  ASSERT_TRUE(slapd->Stop(&error)) << error;
  EXPECT_EQ(fetch(held), pkixrc::kUnavailable);
  ASSERT_TRUE(slapd->Restart(&error)) << error;
  // Held as down: refused without trying until the hold has passed.
  EXPECT_EQ(fetch(held), pkixrc::kUnavailable);
  gManualMs += 4999;
  EXPECT_EQ(fetch(held), pkixrc::kUnavailable);
  gManualMs += 2;
  EXPECT_EQ(fetch(held), pkixrc::kOk);
}

// tag, length octets in the shortest form, content.
Bytes Der(uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  size_t n = content.size();
  if (n < 0x80) {
    out.push_back(static_cast<uint8_t>(n));
  } else {
    Bytes len;
    for (; n != 0; n >>= 8) len.insert(len.begin(), static_cast<uint8_t>(n));
    out.push_back(static_cast<uint8_t>(0x80 | len.size()));
    out.insert(out.end(), len.begin(), len.end());
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

// A revocation list of about `filler` octets that the server's syntax check
// takes: its bulk is one private non-critical CRL extension.
Bytes BigCrl(size_t filler) {
  const Bytes sha256_rsa = Der(0x30, Cat({Der(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}),
                                          Der(0x05, {})}));
  const Bytes private_oid = Der(0x06, {0x2B, 0x06, 0x01, 0x04, 0x01, 0x86, 0x8D, 0x1F, 0x02});  // 1.3.6.1.4.1.99999.2
  auto time = [](const char* t) { return Der(0x17, Bytes(t, t + 13)); };
  // CertificateList ::= SEQUENCE { tbsCertList, signatureAlgorithm, signatureValue }
  // TBSCertList ::= SEQUENCE { version, signature, issuer, thisUpdate, nextUpdate, [0] crlExtensions }
  Bytes tbs = Der(0x30, Cat({Der(0x02, {0x01}), sha256_rsa, OsslName({{"C", "DE"}, {"CN", "Big CA"}}),
                             time("250101000000Z"), time("350101000000Z"),
                             Der(0xA0, Der(0x30, Der(0x30, Cat({private_oid, Der(0x04, Bytes(filler, 0x5A))}))))}));
  Bytes signature(257, 0x11);
  signature[0] = 0x00;  // no unused bits
  return Der(0x30, Cat({tbs, sha256_rsa, Der(0x03, signature)}));
}

TEST_F(LdapServiceTest, AnswersUpToTheCapAreDeliveredAndLargerOnesRefused) {
  // A 50 MB list in an entry of its own.
  const Bytes big = BigCrl(50u * 1000u * 1000u);
  static bool added = false;
  if (!added) {
    std::string error;
    ASSERT_TRUE(slapd->Add("dn: cn=Big CA,ou=PKI,o=Example,c=DE\nobjectClass: device\nobjectClass: pkiCA\n"
                           "cn: Big CA\ncertificateRevocationList;binary:: " +
                               SlapdServer::Base64(big) + "\n",
                           &error))
        << error;
    added = true;
  }
  const std::string url = UrlOf(slapd, "cn=Big%20CA,ou=PKI,o=Example,c=DE");
  int code = -1;
  {
    auto r = ByUrl(Req::kReqCrl, url, &code);
    EXPECT_EQ(code, pkixrc::kOk);
    ASSERT_EQ((*r)->getCrlListDataLen(), big.size());
    EXPECT_TRUE(std::equal(big.begin(), big.end(), (*r)->getCrlListDatap()));
    // The module reads it as one list of no entries.
    Ref<TCRLList> list = adoptRef((*r)->getCrlList());
    ASSERT_TRUE(list) << "error " << (*r)->error();
    Ref<TCRL> crl = adoptRef(list->getFirst());
    ASSERT_TRUE(crl);
    EXPECT_FALSE(adoptRef(list->getNext()));
  }
  // A service whose cap is below the answer refuses it, and the server
  // stays usable.
  pkixhost::LdapServiceOptions o;
  o.max_answer = 1u << 20;
  ServiceRef small(o);
  ASSERT_EQ(small->AddConnection(slapd->host(), slapd->port(), nullptr), pkixrc::kOk);
  RequestRef r(small->createRequest(Req::kReqCrl));
  ASSERT_EQ(r->setURL(url.c_str()), pkixrc::kOk);
  EXPECT_EQ(r->send(0, nullptr, 0), pkixrc::kFailed);
  EXPECT_EQ(r->getResStatus(), Req::kResFailed);
  EXPECT_EQ(r->getCrlListDataLen(), 0u);
  ASSERT_EQ(r->setURL(UrlOf(slapd, "cn=Example%20Sub%20CA,o=Example,c=DE").c_str()), pkixrc::kOk);
  EXPECT_EQ(r->send(0, nullptr, 0), pkixrc::kOk);
  EXPECT_EQ(CrlOctets(r.req), File("examples/crls/sub-ca.crl.der"));
}

TEST_F(LdapServiceTest, StopRefusesRequestsUntilStartedAgain) {
  auto fetch = [&] {
    int code = -1;
    ByUrl(Req::kReqCrl, UrlOf(slapd, "cn=Example%20Sub%20CA,o=Example,c=DE"), &code);
    return code;
  };
  ASSERT_EQ(fetch(), pkixrc::kOk);
  ASSERT_EQ((*svc)->Stop(), pkixrc::kOk);
  EXPECT_EQ(fetch(), pkixrc::kUnavailable);
  EXPECT_EQ((*svc)->CreateTimer(1, 0, 10, nullptr, [](void*, int) { return 0; }, 0, nullptr), pkixrc::kUnavailable);
  ASSERT_EQ((*svc)->Start(), pkixrc::kOk);
  EXPECT_EQ(fetch(), pkixrc::kOk);
}

TEST_F(LdapServiceTest, RequestsOutliveTheirService) {
  int live = pkixhost::liveLdapRequests();
  Req* orphan;
  {
    ServiceRef gone;
    orphan = gone->createRequest(Req::kReqCrl);
    ASSERT_NE(orphan, nullptr);
  }
  RequestRef r(orphan);
  ASSERT_EQ(r->setURL(UrlOf(slapd, "c=DE").c_str()), pkixrc::kOk);
  EXPECT_EQ(r->send(0, nullptr, 0), pkixrc::kUnavailable);
  EXPECT_EQ(pkixhost::liveLdapRequests(), live + 1);
}

TEST_F(LdapServiceTest, BasicInterfaceIsTheExtendedOnesBeginning) {
  CMN_LdapClntSvc_I* basic = svc->svc;
  EXPECT_EQ(basic->AddConnection("other.example", 0, nullptr), pkixrc::kOk);
  EXPECT_EQ(basic->RemoveConnection("OTHER.example", 389), pkixrc::kOk);
  EXPECT_EQ(basic->RemoveConnection("other.example", 389), pkixrc::kNotFound);
  struct Case {
    int (CMN_LdapClntSvc_I::*set)(unsigned);
    int (CMN_LdapClntSvc_Ext_I::*get)();
    int fallback;
  } cases[] = {
      {&CMN_LdapClntSvc_I::SetConnectTimeout, &CMN_LdapClntSvc_Ext_I::GetConnectTimeout, 5000},
      {&CMN_LdapClntSvc_I::SetResponseTimeout, &CMN_LdapClntSvc_Ext_I::GetResponseTimeout, 30000},
      {&CMN_LdapClntSvc_I::SetConnectHoldTimeout, &CMN_LdapClntSvc_Ext_I::GetConnectHoldTimeout, 10000},
      {&CMN_LdapClntSvc_I::SetDropConnectTimeout, &CMN_LdapClntSvc_Ext_I::GetDropConnectTimeout, 60000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ((basic->*c.set)(1234), pkixrc::kOk);
    EXPECT_EQ((svc->svc->*c.get)(), 1234);
    EXPECT_EQ((basic->*c.set)(0), pkixrc::kOk);
    EXPECT_EQ((svc->svc->*c.get)(), c.fallback);
  }
}

TLdapConnectionKey Key(const char* host, uint16_t port) {
  TLdapConnectionKey k{};
  snprintf(k.host, sizeof k.host, "%s", host);
  k.port = port;
  return k;
}

TEST_F(LdapServiceTest, ConnectionsAreFoundWalkedAndLocked) {
  ASSERT_EQ((*svc)->AddConnection("second.example", 1389, nullptr), pkixrc::kOk);
  EXPECT_EQ((*svc)->FindConnectionUnlocked(Key(slapd->host(), slapd->port())), pkixrc::kOk);
  EXPECT_EQ((*svc)->FindConnectionUnlocked(Key("SECOND.example", 1389)), pkixrc::kOk);
  EXPECT_EQ((*svc)->FindConnectionUnlocked(Key("second.example", 389)), pkixrc::kNotFound);
  EXPECT_EQ((*svc)->UnlockConnection(), pkixrc::kUnavailable);
  EXPECT_EQ((*svc)->GetNextConnectionUnlocked(), pkixrc::kUnavailable);

  std::vector<std::string> walked;
  ASSERT_EQ((*svc)->GetAndLockFirstConnection(), pkixrc::kOk);
  do {
    TLdapConnectionKey k{};
    ASSERT_EQ((*svc)->GetCurrentConnection(&k), pkixrc::kOk);
    walked.push_back(std::string(k.host) + ":" + std::to_string(k.port));
  } while ((*svc)->GetNextConnectionUnlocked() == pkixrc::kOk);
  // While this thread holds the table, another thread's request waits.
  std::atomic<bool> done{false};
  std::thread other([&] {
    int code = -1;
    ByUrl(Req::kReqCrl, UrlOf(slapd, "cn=Example%20Sub%20CA,o=Example,c=DE"), &code);
    EXPECT_EQ(code, pkixrc::kOk);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load());
  ASSERT_EQ((*svc)->UnlockConnection(), pkixrc::kOk);
  other.join();
  EXPECT_TRUE(done.load());
  EXPECT_EQ(walked, (std::vector<std::string>{std::string(slapd->host()) + ":" + std::to_string(slapd->port()),
                                              "second.example:1389"}));

  ASSERT_EQ((*svc)->FindAndLockConnection(Key("second.example", 1389)), pkixrc::kOk);
  TLdapConnectionKey k{};
  ASSERT_EQ((*svc)->GetCurrentConnection(&k), pkixrc::kOk);
  EXPECT_STREQ(k.host, "second.example");
  EXPECT_EQ((*svc)->UnlockConnection(), pkixrc::kOk);
  EXPECT_EQ((*svc)->GetCurrentConnection(&k), pkixrc::kUnavailable);
  EXPECT_EQ((*svc)->RemoveAllConnections(), pkixrc::kOk);
  EXPECT_EQ((*svc)->GetAndLockFirstConnection(), pkixrc::kNotFound);
}

TEST_F(LdapServiceTest, WildcardConnectionsComeFromUrlsAndGoWithTheirTimer) {
  // A server named only by a URL becomes a wildcard connection.
  ASSERT_EQ((*svc)->RemoveAllConnections(), pkixrc::kOk);
  int code = -1;
  ByUrl(Req::kReqCrl, UrlOf(slapd, "cn=Example%20Sub%20CA,o=Example,c=DE"), &code);
  ASSERT_EQ(code, pkixrc::kOk);
  const TLdapConnectionKey key = Key(slapd->host(), slapd->port());
  ASSERT_EQ((*svc)->WildConnectionFindAndLock(key), pkixrc::kOk);
  EXPECT_EQ((*svc)->WildConnectionUnlock(), pkixrc::kOk);
  EXPECT_EQ((*svc)->WildConnectionAdd(key), pkixrc::kAlreadyPresent);
  EXPECT_EQ((*svc)->RemoveWildConnTimer(key), pkixrc::kOk);
  EXPECT_EQ((*svc)->RemoveWildConnTimerEntry(0, key), pkixrc::kNotFound);
  EXPECT_EQ((*svc)->SetWildConnTimer(key), pkixrc::kOk);
  EXPECT_EQ((*svc)->RemoveWildConnTimerEntry(0, key), pkixrc::kOk);
  EXPECT_EQ((*svc)->WildConnectionRemove(key), pkixrc::kOk);
  EXPECT_EQ((*svc)->WildConnectionFindAndLock(key), pkixrc::kNotFound);
  EXPECT_EQ((*svc)->WildConnectionRemove(key), pkixrc::kNotFound);

  // A configured server is no wildcard one.
  ASSERT_EQ((*svc)->AddConnection(slapd->host(), slapd->port(), nullptr), pkixrc::kOk);
  EXPECT_EQ((*svc)->WildConnectionFindAndLock(key), pkixrc::kNotFound);
  EXPECT_EQ((*svc)->SetWildConnTimer(key), pkixrc::kNotFound);

  // With a drop timeout of 1 ms and the service's clock moved on, the wild
  // connection's timer forgets it.
  const TLdapConnectionKey other = Key("wild.example", 1389);
  ASSERT_EQ((*svc)->SetDropConnectTimeout(1), pkixrc::kOk);
  ASSERT_EQ((*svc)->WildConnectionAdd(other), pkixrc::kOk);
  auto deadline = Clock::now() + std::chrono::seconds(20);
  while ((*svc)->FindConnectionUnlocked(other) == pkixrc::kOk && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ((*svc)->FindConnectionUnlocked(other), pkixrc::kNotFound);
}

TEST_F(LdapServiceTest, TheKillerClosesIdleConnectionsUnlessMarkedInUse) {
  auto fetch = [&] {
    int code = -1;
    ByUrl(Req::kReqCrl, UrlOf(slapd, "cn=Example%20Sub%20CA,o=Example,c=DE"), &code);
    return code;
  };
  ASSERT_EQ(fetch(), pkixrc::kOk);
  EXPECT_EQ((*svc)->CloseAllConnectionsByTimer(), 1);
  EXPECT_EQ((*svc)->CloseAllConnectionsByTimer(), 0);
  ASSERT_EQ(fetch(), pkixrc::kOk);  // made again

  EXPECT_EQ((*svc)->SetConnectionKillerTimer(), pkixrc::kAlreadyPresent);  // armed by Start
  ASSERT_EQ((*svc)->RemoveConnectionKillerTimer(), pkixrc::kOk);
  EXPECT_EQ((*svc)->RemoveConnectionKillerTimer(), pkixrc::kNotFound);
  EXPECT_EQ((*svc)->UnmarkActiveUsage(), pkixrc::kUnavailable);
  ASSERT_EQ((*svc)->SetDropConnectTimeout(1), pkixrc::kOk);
  ASSERT_EQ((*svc)->MarkActiveUsage(), pkixrc::kOk);
  ASSERT_EQ((*svc)->SetConnectionKillerTimer(), pkixrc::kOk);  // every millisecond now
  int before = pkixhost::liveLdapConnections();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(pkixhost::liveLdapConnections(), before);  // marked in use: kept
  ASSERT_EQ((*svc)->UnmarkActiveUsage(), pkixrc::kOk);
  auto deadline = Clock::now() + std::chrono::seconds(20);
  while (pkixhost::liveLdapConnections() >= before && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_LT(pkixhost::liveLdapConnections(), before);
}

struct TimerLog {
  std::mutex mu;
  std::condition_variable cv;
  int fired = 0;
  int removed = 0;
};
int OnFire(void* c, int) {
  auto* log = static_cast<TimerLog*>(c);
  std::lock_guard<std::mutex> g(log->mu);
  ++log->fired;
  log->cv.notify_all();
  return 0;
}
int OnRemoved(void* c, int) {
  auto* log = static_cast<TimerLog*>(c);
  std::lock_guard<std::mutex> g(log->mu);
  ++log->removed;
  log->cv.notify_all();
  return 0;
}

TEST_F(LdapServiceTest, CallersTimersFireAndAreRemoved) {
  TimerLog repeating, once;
  ASSERT_EQ((*svc)->CreateTimer(7, 0, 1, &repeating, &OnFire, 1, &OnRemoved), pkixrc::kOk);
  EXPECT_EQ((*svc)->CreateTimer(7, 0, 1, &repeating, &OnFire, 1, &OnRemoved), pkixrc::kAlreadyPresent);
  EXPECT_EQ((*svc)->CreateTimer(8, 0, 1, &once, nullptr, 0, nullptr), pkixrc::kBadArgument);
  EXPECT_EQ((*svc)->CreateTimer(8, 1, 1, &once, &OnFire, 0, nullptr), pkixrc::kBadArgument);
  ASSERT_EQ((*svc)->CreateTimer(8, 0, 1, &once, &OnFire, 0, &OnRemoved), pkixrc::kOk);
  {
    std::unique_lock<std::mutex> lk(repeating.mu);
    EXPECT_TRUE(repeating.cv.wait_for(lk, std::chrono::seconds(20), [&] { return repeating.fired >= 3; }));
  }
  {
    std::unique_lock<std::mutex> lk(once.mu);
    EXPECT_TRUE(once.cv.wait_for(lk, std::chrono::seconds(20), [&] { return once.removed == 1; }));
    EXPECT_EQ(once.fired, 1);
  }
  EXPECT_EQ((*svc)->RemoveTimerEntry(8), pkixrc::kNotFound);  // a one-shot is gone after firing
  ASSERT_EQ((*svc)->RemoveTimerEntry(7), pkixrc::kOk);
  int fired_then;
  {
    std::lock_guard<std::mutex> g(repeating.mu);
    EXPECT_EQ(repeating.removed, 1);
    fired_then = repeating.fired;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::lock_guard<std::mutex> g(repeating.mu);
  EXPECT_EQ(repeating.fired, fired_then);  // no call after the removal returned
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new pkixtest::SlapdEnvironment);
  return RUN_ALL_TESTS();
}
