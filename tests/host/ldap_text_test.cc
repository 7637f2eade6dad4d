// Directory names and URLs as the directory client service writes and reads
// them: DER names rendered as RFC 4514 text (the DER built by OpenSSL, or
// inline bytes where OpenSSL would not write them), and "ldap://" URLs read
// into host, port, DN and attribute, with everything that could widen a
// search refused.
#include "host/hostldap_text.h"

#include <openssl/x509.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/result_codes.h"
#include "testing/ossl_oracle.h"

namespace {

using pkixhost::LdapTarget;
using pkixhost::ldapDnFromDer;
using pkixhost::ldapParseUrl;
using Bytes = std::vector<uint8_t>;

struct NameFree {
  void operator()(X509_NAME* n) const { X509_NAME_free(n); }
};

// One attribute of a name for OpenSSL: type text, value octets (may hold
// NUL), and whether it joins the RDN before it.
struct Ava {
  const char* type;
  std::string value;
  bool joins = false;
};

// The DER OpenSSL writes for the attributes, in order (most general first),
// values as UTF8String.
Bytes OsslName(const std::vector<Ava>& avas) {
  std::unique_ptr<X509_NAME, NameFree> n(X509_NAME_new());
  for (const Ava& a : avas) {
    int set = a.joins ? -1 : 0;
    int loc = -1;
    if (X509_NAME_add_entry_by_txt(n.get(), a.type, MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(a.value.data()),
                                   static_cast<int>(a.value.size()), loc, set) != 1) {
      return {};
    }
  }
  return pkixtest::OsslDer([&](unsigned char** p) { return i2d_X509_NAME(n.get(), p); });
}

std::string Render(const Bytes& der, int* rc) {
  std::string out;
  *rc = ldapDnFromDer(der.data(), der.size(), &out);
  return out;
}

TEST(LdapDnText, RendersNamesMostSpecificFirstWithRfc4514Escapes) {
  struct Case {
    std::vector<Ava> avas;
    const char* text;
  } cases[] = {
      {{{"C", "DE"}, {"O", "Example"}, {"OU", "PKI"}, {"CN", "Example Sub CA"}},
       "CN=Example Sub CA,OU=PKI,O=Example,C=DE"},
      {{{"CN", "Comma, Inc."}}, "CN=Comma\\, Inc."},
      {{{"CN", "Plus+Sign"}}, "CN=Plus\\+Sign"},
      {{{"CN", "\"Quoted\""}}, "CN=\\\"Quoted\\\""},
      {{{"CN", "Back\\slash"}}, "CN=Back\\\\slash"},
      {{{"CN", "semi;less<more>"}}, "CN=semi\\;less\\<more\\>"},
      {{{"CN", "a=b"}}, "CN=a\\=b"},
      {{{"CN", "#Hash"}}, "CN=\\#Hash"},
      {{{"CN", "in#side"}}, "CN=in#side"},
      {{{"CN", " lead and trail "}}, "CN=\\ lead and trail\\ "},
      {{{"CN", std::string("Nul\0Byte", 8)}}, "CN=Nul\\00Byte"},
      {{{"CN", "tab\there\x7f"}}, "CN=tab\\09here\\7F"},
      {{{"CN", "Star*"}}, "CN=Star*"},
      {{{"CN", "Paren(s)"}}, "CN=Paren(s)"},
      {{{"CN", "Gr\xC3\xBC\xC3\x9F" "e"}}, "CN=Gr\xC3\xBC\xC3\x9F" "e"},
      // DER sorts the SET: the shorter element (serialNumber) first.
      {{{"CN", "Multi"}, {"serialNumber", "42", true}}, "2.5.4.5=42+CN=Multi"},
      {{{"DC", "org"}, {"DC", "example"}, {"UID", "jdoe"}}, "UID=jdoe,DC=example,DC=org"},
      {{{"L", "Berlin"}, {"ST", "Berlin"}, {"street", "Main St"}}, "STREET=Main St,ST=Berlin,L=Berlin"},
      {{{"emailAddress", "ops@example.org"}}, "1.2.840.113549.1.9.1=ops@example.org"},
  };
  for (const Case& c : cases) {
    std::vector<Ava> avas = c.avas;
    Bytes der = OsslName(avas);
    ASSERT_FALSE(der.empty()) << c.text;
    int rc = -1;
    EXPECT_EQ(Render(der, &rc), c.text);
    EXPECT_EQ(rc, pkixrc::kOk) << c.text;
  }
}

// Strings of the other types, as inline DER: a Name with one RDN holding
// CN (OID 55 04 03) of the given type and content.
Bytes CnOfType(uint8_t tag, const Bytes& content) {
  Bytes atv = {0x06, 0x03, 0x55, 0x04, 0x03, tag, static_cast<uint8_t>(content.size())};
  atv.insert(atv.end(), content.begin(), content.end());
  Bytes seq = {0x30, static_cast<uint8_t>(atv.size())};
  seq.insert(seq.end(), atv.begin(), atv.end());
  Bytes set = {0x31, static_cast<uint8_t>(seq.size())};
  set.insert(set.end(), seq.begin(), seq.end());
  Bytes name = {0x30, static_cast<uint8_t>(set.size())};
  name.insert(name.end(), set.begin(), set.end());
  return name;
}

TEST(LdapDnText, ConvertsEveryStringTypeToUtf8) {
  struct Case {
    const char* what;
    uint8_t tag;
    Bytes content;
    const char* text;
  } cases[] = {
      {"PrintableString", 0x13, {'A', 'b', ' ', '1'}, "CN=Ab 1"},
      {"IA5String", 0x16, {'a', '@', 'b'}, "CN=a@b"},
      {"NumericString", 0x12, {'4', '2'}, "CN=42"},
      {"VisibleString", 0x1A, {'v', 's'}, "CN=vs"},
      {"TeletexString as Latin-1", 0x14, {'G', 0xFC, 'n'}, "CN=G\xC3\xBCn"},
      {"BMPString", 0x1E, {0x00, 'A', 0x00, 0xFC}, "CN=A\xC3\xBC"},
      {"BMPString surrogate pair (U+1F600)", 0x1E, {0xD8, 0x3D, 0xDE, 0x00}, "CN=\xF0\x9F\x98\x80"},
      {"UniversalString", 0x1C, {0x00, 0x00, 0x00, 'Z', 0x00, 0x01, 0xF6, 0x00}, "CN=Z\xF0\x9F\x98\x80"},
      {"UTF8String with NUL", 0x0C, {'a', 0x00, 'b'}, "CN=a\\00b"},
  };
  for (const Case& c : cases) {
    int rc = -1;
    EXPECT_EQ(Render(CnOfType(c.tag, c.content), &rc), c.text) << c.what;
    EXPECT_EQ(rc, pkixrc::kOk) << c.what;
  }
}

TEST(LdapDnText, RefusesWhatIsNotOneWellFormedName) {
  const Bytes good = CnOfType(0x0C, {'x'});  // 30 0A 31 08 30 06 06 03 55 04 03 0C 01 78
  Bytes trailing = good;
  trailing.push_back(0x00);
  Bytes truncated(good.begin(), good.end() - 1);
  struct Case {
    const char* what;
    Bytes der;
    int rc;
  } cases[] = {
      {"empty name SEQUENCE", {0x30, 0x00}, pkixrc::kBadArgument},
      {"no octets", {}, pkixrc::kBadArgument},
      {"trailing octet after the name", trailing, pkixrc::kMalformed},
      {"truncated", truncated, pkixrc::kMalformed},
      {"SET instead of SEQUENCE", {0x31, 0x00}, pkixrc::kMalformed},
      {"empty RDN", {0x30, 0x02, 0x31, 0x00}, pkixrc::kMalformed},
      {"value not a string (INTEGER)", CnOfType(0x02, {0x01}), pkixrc::kMalformed},
      {"UTF8String not UTF-8", CnOfType(0x0C, {0xC3}), pkixrc::kMalformed},
      {"UTF8String overlong slash", CnOfType(0x0C, {0xC0, 0xAF}), pkixrc::kMalformed},
      {"UTF8String surrogate", CnOfType(0x0C, {0xED, 0xA0, 0x80}), pkixrc::kMalformed},
      {"PrintableString with high octet", CnOfType(0x13, {0xE9}), pkixrc::kMalformed},
      {"BMPString odd length", CnOfType(0x1E, {0x00, 'A', 0x00}), pkixrc::kMalformed},
      {"BMPString lone low surrogate", CnOfType(0x1E, {0xDC, 0x00}), pkixrc::kMalformed},
      {"BMPString high surrogate at the end", CnOfType(0x1E, {0xD8, 0x3D}), pkixrc::kMalformed},
      {"UniversalString above U+10FFFF", CnOfType(0x1C, {0x00, 0x11, 0x00, 0x00}), pkixrc::kMalformed},
      {"OID with padding octet", {0x30, 0x0B, 0x31, 0x09, 0x30, 0x07, 0x06, 0x02, 0x80, 0x01, 0x0C, 0x01, 'x'},
       pkixrc::kMalformed},
  };
  for (const Case& c : cases) {
    std::string out = "left over";
    EXPECT_EQ(ldapDnFromDer(c.der.data(), c.der.size(), &out), c.rc) << c.what;
    EXPECT_TRUE(out.empty()) << c.what;
  }
  std::string out;
  EXPECT_EQ(ldapDnFromDer(nullptr, 3, &out), pkixrc::kBadArgument);
  EXPECT_EQ(ldapDnFromDer(good.data(), good.size(), nullptr), pkixrc::kBadArgument);
}

TEST(LdapUrl, ReadsHostPortDnAndOneAttribute) {
  struct Case {
    const char* url;
    const char* host;
    uint16_t port;
    const char* dn;
    const char* attribute;  // null: none named
  } cases[] = {
      {"ldap://ldap.example.org/cn=Example%20Sub%20CA%2Co=Example%2Cc=DE?certificateRevocationList",
       "ldap.example.org", 389, "cn=Example Sub CA,o=Example,c=DE", "certificateRevocationList;binary"},
      {"LDAP://127.0.0.1:3890/c=DE", "127.0.0.1", 3890, "c=DE", nullptr},
      {"ldap://h/c=DE?cACertificate;binary", "h", 389, "c=DE", "cACertificate;binary"},
      {"ldap://h/c=DE?USERCERTIFICATE", "h", 389, "c=DE", "userCertificate;binary"},
      {"ldap://h/c=DE?authorityRevocationList;binary?base", "h", 389, "c=DE",
       "authorityRevocationList;binary"},
      {"ldap://h/c=DE??base?(objectClass=*)", "h", 389, "c=DE", nullptr},
      {"ldap:///cn=Plus%5C%2BSign,c=DE", "", 389, "cn=Plus\\+Sign,c=DE", nullptr},
      {"ldap://h", "h", 389, "", nullptr},
  };
  for (const Case& c : cases) {
    LdapTarget t;
    ASSERT_EQ(ldapParseUrl(c.url, &t), pkixrc::kOk) << c.url;
    EXPECT_EQ(t.host, c.host) << c.url;
    EXPECT_EQ(t.port, c.port) << c.url;
    EXPECT_EQ(t.dn, c.dn) << c.url;
    if (c.attribute == nullptr) {
      EXPECT_EQ(t.attribute, nullptr) << c.url;
    } else {
      ASSERT_NE(t.attribute, nullptr) << c.url;
      EXPECT_STREQ(t.attribute->name, c.attribute) << c.url;
    }
  }
}

TEST(LdapUrl, RefusesWhatCouldWidenTheSearchOrIsNoLdapUrl) {
  struct Case {
    const char* url;
    int rc;
  } cases[] = {
      {"ldap://h/ou=Odd,o=Example,c=DE?certificateRevocationList;binary?sub", pkixrc::kWrongType},
      {"ldap://h/ou=Odd,o=Example,c=DE?certificateRevocationList;binary?one", pkixrc::kWrongType},
      {"ldap://h/c=DE??base?(cn=*)", pkixrc::kWrongType},
      {"ldap://h/c=DE??base?(|(objectClass=*)(cn=x))", pkixrc::kWrongType},
      {"ldap://h/c=DE????x-ext=1", pkixrc::kWrongType},
      {"ldap://h/c=DE????" "!1.2.3", pkixrc::kWrongType},  // a critical extension
      {"ldap://h/c=DE?certificateRevocationList,cACertificate", pkixrc::kWrongType},
      {"ldap://h/c=DE?userPassword", pkixrc::kWrongType},
      {"ldap://h/c=DE?*", pkixrc::kWrongType},
      {"ldap://h/c=DE?certificateRevocationList;lang-de", pkixrc::kWrongType},
      {"ldaps://h/c=DE", pkixrc::kWrongType},
      {"http://h/c=DE", pkixrc::kWrongType},
      {"ldap:/h/c=DE", pkixrc::kMalformed},
      {"", pkixrc::kMalformed},
      {"ldap://h/not a dn", pkixrc::kMalformed},
      {"ldap://h:99999/c=DE", pkixrc::kMalformed},
  };
  for (const Case& c : cases) {
    LdapTarget t;
    EXPECT_EQ(ldapParseUrl(c.url, &t), c.rc) << c.url;
  }
  std::string long_host = "ldap://" + std::string(300, 'a') + "/c=DE";
  LdapTarget t;
  EXPECT_EQ(ldapParseUrl(long_host.c_str(), &t), pkixrc::kMalformed);
  EXPECT_EQ(ldapParseUrl(nullptr, &t), pkixrc::kBadArgument);
}

}  // namespace
