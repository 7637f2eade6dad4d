// The distinguished-name text scanner (x509_enc_name): one table of texts
// with the DER or the code each must give, the RFC 4514 examples this
// grammar reads, the scanner running out of memory, and several threads
// encoding at once.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "name/name.h"
#include "name_test_util.h"

namespace nametest {
namespace {

// The DER of text, or the failure code as "error N".
std::string Encode(const Bytes& text, bool reverse) {
  Buffer in = View(text);
  Buffer out;
  int rc = x509_enc_name(&in, &out, reverse ? 1 : 0);
  std::string got = rc == 0 ? Hex(out) : "error " + std::to_string(rc);
  release_buffer(&out);
  return got;
}

std::string Err(int code) { return "error " + std::to_string(code); }

struct Case {
  const char* what;
  Bytes text;
  bool reverse;
  std::string expect;  // DER in hex, or Err(code)
};

const Bytes kIA5Oid = FromHex("2A864886F70D010902");  // unstructuredName
const Bytes kCNa = Rdn({Atv(kCN, 0x13, "a")});
const Bytes kOb = Rdn({Atv(kO, 0x13, "b")});

const Case kCases[] = {
    // Empty names.
    {"empty text", "", false, "3000"},
    {"only blanks and newlines", " \t\n \n", false, "3000"},
    // Separators, blanks and order.
    {"one attribute", "CN=a", false, Hex(Seq({kCNa}))},
    {"lower-case keyword", "cn=a", false, Hex(Seq({kCNa}))},
    {"blanks round the comma", "CN=a , O=b", false, Hex(Seq({kCNa, kOb}))},
    {"comma then slash", "CN=a,/O=b", false, Hex(Seq({kCNa, kOb}))},
    {"comma, blanks, slash", "CN=a , / O=b", false, Hex(Seq({kCNa, kOb}))},
    {"blanks round the equals sign", "CN = a", false, Hex(Seq({kCNa}))},
    {"trailing blanks dropped", "CN=a   ", false, Hex(Seq({kCNa}))},
    {"a tab chooses IA5String before it is dropped", "CN=a\t", false, Hex(Seq({Rdn({Atv(kCN, 0x16, "a")})}))},
    {"escaped trailing blank dropped too", "CN=a\\20", false, Hex(Seq({kCNa}))},
    {"inner blanks kept", "CN=a  b", false, Hex(Seq({Rdn({Atv(kCN, 0x13, "a  b")})}))},
    {"newline between RDNs", "CN=a,\nO=b", false, Hex(Seq({kCNa, kOb}))},
    {"reverse puts the last RDN first", "CN=a,O=b", true, Hex(Seq({kOb, kCNa}))},
    {"multi-valued RDN in text order", "CN=a+OU=b", false,
     Hex(Seq({Rdn({Atv(kCN, 0x13, "a"), Atv(kOU, 0x13, "b")})}))},
    {"multi-valued RDN in text order, reverse", "CN=a+OU=b,O=b", true,
     Hex(Seq({kOb, Rdn({Atv(kCN, 0x13, "a"), Atv(kOU, 0x13, "b")})}))},
    {"blanks before plus", "CN=a  +OU=b", false,
     Hex(Seq({Rdn({Atv(kCN, 0x13, "a"), Atv(kOU, 0x13, "b")})}))},
    // String types.
    {"at sign makes IA5String", "CN=a@b", false, Hex(Seq({Rdn({Atv(kCN, 0x16, "a@b")})}))},
    {"underscore makes IA5String", "CN=a_b", false, Hex(Seq({Rdn({Atv(kCN, 0x16, "a_b")})}))},
    {"apostrophe makes IA5String", "CN=it's", false, Hex(Seq({Rdn({Atv(kCN, 0x16, "it's")})}))},
    {"raw octet of 0x80 or above makes UTF8String", "CN=\xC3\xA9", false,
     Hex(Seq({Rdn({Atv(kCN, 0x0C, "\xC3\xA9")})}))},
    {"escaped octet of 0x80 or above makes UTF8String", "CN=\\C3\\A9", false,
     Hex(Seq({Rdn({Atv(kCN, 0x0C, "\xC3\xA9")})}))},
    {"UTF8String stays after ASCII", "CN=\\C3\\A9@", false, Hex(Seq({Rdn({Atv(kCN, 0x0C, "\xC3\xA9@")})}))},
    {"empty value at the end", "CN=", false, Hex(Seq({Rdn({Atv(kCN, 0x13, "")})}))},
    {"hex escape", "CN=\\41", false, Hex(Seq({Rdn({Atv(kCN, 0x13, "A")})}))},
    {"escaped specials", "CN=a\\,b\\+c\\\\", false, Hex(Seq({Rdn({Atv(kCN, 0x16, "a,b+c\\")})}))},
    {"quoted specials", "CN=\"a,b;c\"", false, Hex(Seq({Rdn({Atv(kCN, 0x16, "a,b;c")})}))},
    {"quotes then a separator", "CN=\"a\" , O=b", false, Hex(Seq({kCNa, kOb}))},
    // Numeric attribute types.
    {"dotted OID", "2.5.4.3=a", false, Hex(Seq({kCNa}))},
    {"dotted OID with empty value is PrintableString", "2.5.4.3=", false,
     Hex(Seq({Rdn({Atv(kCN, 0x13, "")})}))},
    {"unstructuredName makes IA5String", "1.2.840.113549.1.9.2=host", false,
     Hex(Seq({Rdn({Atv(kIA5Oid, 0x16, "host")})}))},
    {"16 arcs", "1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16=a", false,
     Hex(Seq({Rdn({Atv(FromHex("2A030405060708090A0B0C0D0E0F10"), 0x13, "a")})}))},
    {"17 arcs", "1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17=a", false, Err(NAME_E_BADOID)},
    {"arc above 32 bits", "1.2.4294967296=a", false, Err(NAME_E_BADOID)},
    {"first arc above 2", "3.1=a", false, Err(X509ASN_E_ARG)},
    {"lone digit", "1=a", false, Err(NAME_E_TYPECHAR)},
    {"arc of eleven digits", "2.12345678901=a", false, Err(NAME_E_TYPECHAR)},
    // The hex form.
    {"hex form sets the type", "CN=#0C0161", false, Hex(Seq({Rdn({Atv(kCN, 0x0C, "a")})}))},
    {"hex OCTET STRING keeps trailing blanks", "CN=#04026120", false,
     Hex(Seq({Rdn({Atv(kCN, 0x04, "a ")})}))},
    {"hex length too short", "CN=#0C02", false, Err(NAME_E_HEXLEN)},
    {"hex length too long", "CN=#0C016162", false, Err(NAME_E_HEXLEN)},
    {"hex without length", "CN=#0C", false, Err(NAME_E_HEXLEN)},
    {"hex with tag 00", "CN=#0000", false, Err(NAME_E_HEXLEN)},
    {"lone number sign", "CN=#", false, Err(NAME_E_SPECIAL)},
    {"number sign and one hex digit", "CN=#A", false, Err(NAME_E_SPECIAL)},
    {"quote after hex form", "CN=#040161\"x\"", false, Err(NAME_E_NOSTRING)},
    {"escape after hex form", "CN=#040161\\41", false, Err(NAME_E_NOSTRING)},
    // Bad text.
    {"unknown keyword", "XX=a", false, Err(NAME_E_KEYWORD)},
    {"trailing comma", "CN=a,", false, Err(NAME_E_START)},
    {"leading comma", ",CN=a", false, Err(NAME_E_START)},
    {"leading plus", "+CN=a", false, Err(NAME_E_START)},
    {"semicolon", "CN=a;b", false, Err(NAME_E_SPECIAL)},
    {"second equals sign", "CN=a=b", false, Err(NAME_E_SPECIAL)},
    {"angle bracket", "CN=a<b", false, Err(NAME_E_SPECIAL)},
    {"unterminated quote", "CN=\"abc", false, Err(NAME_E_OPEN)},
    {"backslash at the end", "CN=a\\", false, Err(NAME_E_OPEN)},
    {"backslash before a blank", "CN=\\ a", false, Err(NAME_E_ESCAPE)},
    {"backslash before one hex digit", "CN=\\4", false, Err(NAME_E_ESCAPE)},
    {"backslash before a letter", "CN=\\x", false, Err(NAME_E_ESCAPE)},
    {"backslash in a type", "C\\N=a", false, Err(NAME_E_TYPECHAR)},
    {"equals sign without a type after plus", "CN=a+=b", false, Err(NAME_E_TYPECHAR)},
    // Text ending while a type is read is a failure, not a name without its
    // SEQUENCE.
    {"ends inside a type", "CN=a,O", false, Err(NAME_E_TYPECHAR)},
    {"ends after a type and blanks", "CN=a,O ", false, Err(NAME_E_TYPECHAR)},
    {"ends after plus", "CN=a+", false, Err(NAME_E_START)},
    {"only a keyword", "CN", false, Err(NAME_E_TYPECHAR)},
    // General names.
    {"e-mail", "email=a@b", false, Hex(Seq({Tlv(0x81, "a@b")}))},
    {"DNS name", "DNS=example.com", false, Hex(Seq({Tlv(0x82, "example.com")}))},
    {"URI", "URI=http://h/p", false, Hex(Seq({Tlv(0x86, "http://h/p")}))},
    {"IPv4 address", "IP=10.0.0.1", false, Hex(Seq({Tlv(0x87, FromHex("0A000001"))}))},
    {"short IPv4 form", "IP=1.2", false, Hex(Seq({Tlv(0x87, FromHex("01000002"))}))},
    {"IPv4 out of range", "IP=10.0.0.256", false, Err(NAME_E_BADOID)},
    {"broadcast address refused", "IP=255.255.255.255", false, Err(NAME_E_BADOID)},
    {"IPv4 with an escaped NUL", "IP=1.2.3.4\\00x", false, Err(NAME_E_BADOID)},
    {"general names in text order", "email=a@b,DNS=h", false,
     Hex(Seq({Tlv(0x81, "a@b"), Tlv(0x82, "h")}))},
    {"general names, reverse", "email=a@b,DNS=h", true, Hex(Seq({Tlv(0x82, "h"), Tlv(0x81, "a@b")}))},
    {"directory name folded in last", "email=a@b,CN=a,O=b", false,
     Hex(Seq({Tlv(0x81, "a@b"), Tlv(0xA4, Seq({kCNa, kOb}))}))},
    {"directory name folded in last, attributes first", "CN=a,email=a@b", false,
     Hex(Seq({Tlv(0x81, "a@b"), Tlv(0xA4, Seq({kCNa}))}))},
    {"directory name folded in first, reverse", "email=a@b,CN=a,O=b", true,
     Hex(Seq({Tlv(0xA4, Seq({kOb, kCNa})), Tlv(0x81, "a@b")}))},
    {"directory name keeps an OCTET STRING's trailing blank", "email=a,CN=#04026120", false,
     Hex(Seq({Tlv(0x81, "a"), Tlv(0xA4, Seq({Rdn({Atv(kCN, 0x04, "a ")})}))}))},
    {"plus after a general name", "email=a+CN=b", false, Err(NAME_E_GNPLUS)},
    {"general name after plus", "CN=a+email=b", false, Err(NAME_E_GNPLUS)},
};

TEST(NameScannerTest, Table) {
  for (const Case& c : kCases) {
    EXPECT_EQ(Encode(c.text, c.reverse), c.expect) << c.what << ": " << c.text;
  }
}

// RFC 4514 section 4 lists the name from its last RDN to its first, which
// is the reverse mode.
TEST(NameScannerTest, Rfc4514ExamplesInReverseMode) {
  const Case kExamples[] = {
      {"three RDNs", "CN=Steve Kille,O=Isode Limited,C=GB", true,
       Hex(Seq({Rdn({Atv(kC, 0x13, "GB")}), Rdn({Atv(kO, 0x13, "Isode Limited")}),
                Rdn({Atv(kCN, 0x13, "Steve Kille")})}))},
      {"multi-valued RDN", "OU=Sales+CN=J.  Smith,DC=example,DC=net", true,
       Hex(Seq({Rdn({Atv(kDC, 0x13, "net")}), Rdn({Atv(kDC, 0x13, "example")}),
                Rdn({Atv(kOU, 0x13, "Sales"), Atv(kCN, 0x13, "J.  Smith")})}))},
      {"escaped quotes and comma", "CN=James \\\"Jim\\\" Smith\\, III,DC=example,DC=net", true,
       Hex(Seq({Rdn({Atv(kDC, 0x13, "net")}), Rdn({Atv(kDC, 0x13, "example")}),
                Rdn({Atv(kCN, 0x16, "James \"Jim\" Smith, III")})}))},
      {"escaped carriage return", "CN=Before\\0dAfter,DC=example,DC=net", true,
       Hex(Seq({Rdn({Atv(kDC, 0x13, "net")}), Rdn({Atv(kDC, 0x13, "example")}),
                Rdn({Atv(kCN, 0x16, "Before\rAfter")})}))},
      {"dotted type with hex value", "1.3.6.1.4.1.1466.0=#04024869", true,
       Hex(Seq({Rdn({Atv(FromHex("2B060104018B3A00"), 0x04, "Hi")})}))},
      {"UTF-8 escapes", "CN=Lu\\C4\\8Di\\C4\\87", true,
       Hex(Seq({Rdn({Atv(kCN, 0x0C, "Lu\xC4\x8Di\xC4\x87")})}))},
  };
  for (const Case& c : kExamples) {
    EXPECT_EQ(Encode(c.text, c.reverse), c.expect) << c.what << ": " << c.text;
  }
}

TEST(NameScannerTest, NullArgumentsAreRefused) {
  Buffer out;
  Buffer in = View("CN=a");
  EXPECT_EQ(x509_enc_name(nullptr, &out, 0), NAME_E_BADOID);
  EXPECT_EQ(x509_enc_name(&in, nullptr, 0), NAME_E_BADOID);
  EXPECT_EQ(put_rdn(nullptr, 0), NAME_E_BADOID);
  EXPECT_EQ(set_objid(nullptr, 2, "CN"), NAME_E_KEYWORD);
}

// The scanner's own allocations fail one after the other: each failure is
// reported with flex's message and NAME_E_SCANNER, nothing is left
// allocated (the sanitizer build checks), and the process goes on.
TEST(NameScannerTest, ScannerOutOfMemoryReturnsInsteadOfExiting) {
  Bytes text = "CN=a,O=b";
  int failures = 0;
  for (long budget = 0; budget < 16; ++budget) {
    Buffer in = View(text);
    Buffer out;
    testing::internal::CaptureStderr();
    int rc = pkix_name_encode(&in, &out, 0, budget);
    std::string err = testing::internal::GetCapturedStderr();
    release_buffer(&out);
    if (rc == 0) break;
    ++failures;
    EXPECT_EQ(rc, NAME_E_SCANNER) << "budget " << budget;
    if (budget > 0) {
      EXPECT_NE(err.find("out of dynamic memory in "), std::string::npos) << err;
    }
  }
  EXPECT_GE(failures, 2);
  EXPECT_EQ(Encode(text, false), Hex(Seq({kCNa, kOb})));
}

TEST(NameScannerTest, ThreadsEncodeAtOnce) {
  const Bytes text = "CN=Alice Example,OU=Research+L=Oslo,O=Example \\\"Corp\\\",C=NO";
  const std::string expect = Encode(text, false);
  ASSERT_EQ(expect.rfind("error", 0), std::string::npos);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (Encode(text, false) != expect) ++mismatches[t];
        if (Encode("CN=a;b", false) != Err(NAME_E_SPECIAL)) ++mismatches[t];
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int m : mismatches) EXPECT_EQ(m, 0);
}

}  // namespace
}  // namespace nametest
