// Name normalisation: the value rules (white space, case, character sets),
// strict and lossy modes, the forbid flag, general names, and the
// configuration file with the messages it logs through the host's logging
// service.
#include "name/x509conv.h"

#include <gtest/gtest.h>

#include <string>

#include "host/hostlog.h"
#include "module/pkixids.h"
#include "module/pkixmdl.h"
#include "support/abuf.h"
#include "name_test_util.h"
#include "support/global.h"
#include "support/result_codes.h"
#include "support/temp_dir.h"
#include "testing/inproc.h"

namespace nametest {
namespace {

// The normalised DER of der in mode, or "error N" (with the lossy mark as
// "lossy " before the DER).
std::string Norm(const Bytes& der, int mode) {
  Buffer in = View(der);
  Buffer out;
  int rc = x509_norm_name(&in, &out, mode);
  std::string got;
  if (rc == 0 || (rc == kConvUnconvertible && out.len != 0)) {
    got = (rc == 0 ? "" : "lossy ") + Hex(out);
  } else {
    got = "error " + std::to_string(rc);
    EXPECT_EQ(out.len, 0u) << "no output after a failure";
  }
  release_buffer(&out);
  return got;
}

// What Norm gives for malformed input.
const std::string kNormFailed = "error " + std::to_string(pkixrc::kFailed);

Bytes Dn1(unsigned tag, const Bytes& value) { return Seq({Rdn({Atv(kCN, tag, value)})}); }
std::string Utf8Dn(const Bytes& value) { return Hex(Dn1(0x0C, value)); }

class ConvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    conv_ini_clear();
  }
  void TearDown() override {
    conv_ini_clear();
    pkix_support::ResetDirCachesForTest();
  }
  // Writes x509conv.ini with text and reads it.
  int Configure(const std::string& text) {
    WriteFile(dir_.file("x509conv.ini"), text);
    return conv_read_ini_file(dir_.file("x509conv.ini").c_str());
  }

  pkixtest::InProcessManager mgr_;
  TempDir dir_;
};

TEST_F(ConvTest, ValuesUnderTheDefaultCharacterSets) {
  struct Case {
    const char* what;
    Bytes der;
    int mode;
    std::string expect;
  };
  const Case cases[] = {
      {"white space folded, upper-cased", Dn1(0x13, "  Foo   Bar "), NORM_UPPER, Utf8Dn("FOO BAR")},
      {"white space folded, case kept", Dn1(0x13, "\tFoo \n Bar"), 0, Utf8Dn("Foo Bar")},
      {"IA5String as ASCII", Dn1(0x16, "a@b.example"), NORM_UPPER, Utf8Dn("A@B.EXAMPLE")},
      {"UTF8String kept for printing", Dn1(0x0C, " caf\xC3\xA9  x "), 0, Utf8Dn(" caf\xC3\xA9  x ")},
      {"UTF8String folded for comparison", Dn1(0x0C, " caf\xC3\xA9  x "), NORM_UPPER, Utf8Dn("CAF\xC3\xA9 X")},
      {"BMPString converted, not case-folded for printing", Dn1(0x1E, FromHex("0041006200E9")), NORM_STRICT,
       Utf8Dn("Ab\xC3\xA9")},
      {"BMPString converted and folded for comparison", Dn1(0x1E, FromHex("0041006200E9")), NORM_UPPER,
       Utf8Dn("AB\xC3\xA9")},
      {"UniversalString converted", Dn1(0x1C, FromHex("000000610001F600")), 0,
       Utf8Dn("a\xF0\x9F\x98\x80")},
      {"TeletexString read as ISO-8859-1", Dn1(0x14, "caf\xE9"), 0, Utf8Dn("caf\xC3\xA9")},
      {"a type without a character set keeps octets and tag", Dn1(0x04, "Ab"), NORM_UPPER,
       Hex(Dn1(0x04, "Ab"))},
      {"odd BMPString does not convert: lossy", Dn1(0x1E, FromHex("004100")), NORM_UPPER,
       "lossy " + Utf8Dn(FromHex("004100"))},
      {"odd BMPString, strict", Dn1(0x1E, FromHex("004100")), NORM_STRICT,
       "error " + std::to_string(kConvUnconvertible)},
      {"octet of 0x80 in PrintableString: lossy, octets kept", Dn1(0x13, "a\xE9"), NORM_UPPER,
       "lossy " + Utf8Dn("a\xE9")},
      {"octet of 0x80 in PrintableString, strict", Dn1(0x13, "a\xE9"), NORM_STRICT,
       "error " + std::to_string(kConvUnconvertible)},
      {"ASCII mode: other types labelled UTF8String", Dn1(0x1E, FromHex("0041")), NORM_ASCII,
       Utf8Dn(FromHex("0041"))},
      {"ASCII mode dropped under strict", Dn1(0x1E, FromHex("0041")), NORM_STRICT | NORM_ASCII, Utf8Dn("A")},
      {"RDN structure kept",
       Seq({Rdn({Atv(kCN, 0x13, "a"), Atv(kOU, 0x13, "b")}), Rdn({Atv(kO, 0x16, "c")})}), NORM_UPPER,
       Hex(Seq({Rdn({Atv(kCN, 0x0C, "A"), Atv(kOU, 0x0C, "B")}), Rdn({Atv(kO, 0x0C, "C")})}))},
      {"empty name copied", Seq({}), NORM_UPPER, "3000"},
      {"not a name", FromHex("0403616263"), NORM_UPPER, kNormFailed},
      {"truncated name", FromHex("300C310A3008060355040313"), NORM_UPPER, kNormFailed},
  };
  for (const Case& c : cases) EXPECT_EQ(Norm(c.der, c.mode), c.expect) << c.what;
}

TEST_F(ConvTest, GeneralNames) {
  struct Case {
    const char* what;
    Bytes der;
    int mode;
    std::string expect;
  };
  const Bytes uri = "http://User@Host.Example.com:8080/Path/@x?Q";
  const Case cases[] = {
      {"URI: scheme and host upper-cased, user and path kept", Seq({Tlv(0x86, uri)}), NORM_UPPER,
       Hex(Seq({Tlv(0x86, "HTTP://User@HOST.EXAMPLE.COM:8080/Path/@x?Q")}))},
      {"URI unchanged without upper-casing", Seq({Tlv(0x86, uri)}), 0, Hex(Seq({Tlv(0x86, uri)}))},
      {"URI without user: an @ in the path is not the host's", Seq({Tlv(0x86, "ldap://h.x/o=a@b")}),
       NORM_UPPER, Hex(Seq({Tlv(0x86, "LDAP://H.X/o=a@b")}))},
      {"e-mail and DNS name as ASCII", Seq({Tlv(0x81, " a@B.c "), Tlv(0x82, "Host.Example")}), NORM_UPPER,
       Hex(Seq({Tlv(0x81, "A@B.C"), Tlv(0x82, "HOST.EXAMPLE")}))},
      {"non-ASCII DNS name fails", Seq({Tlv(0x82, "b\xC3\xBC" "cher.example")}), NORM_UPPER, kNormFailed},
      {"IP address copied", Seq({Tlv(0x87, FromHex("0A000001"))}), NORM_UPPER,
       Hex(Seq({Tlv(0x87, FromHex("0A000001"))}))},
      {"directory name normalised", Seq({Tlv(0xA4, Dn1(0x13, "x  y"))}), NORM_UPPER,
       Hex(Seq({Tlv(0xA4, Dn1(0x0C, "X Y"))}))},
      {"directory name with a lossy value", Seq({Tlv(0xA4, Dn1(0x13, "\xE9"))}), NORM_UPPER,
       "lossy " + Hex(Seq({Tlv(0xA4, Dn1(0x0C, "\xE9"))}))},
  };
  for (const Case& c : cases) EXPECT_EQ(Norm(c.der, c.mode), c.expect) << c.what;
}

TEST_F(ConvTest, DefaultsWithoutConfigurationFile) {
  EXPECT_EQ(conv_read_ini_file(dir_.file("absent.ini").c_str()), pkixrc::kOk);
  EXPECT_STREQ(conv_enc(12), "UTF-8");
  EXPECT_STREQ(conv_enc(19), "ASCII");
  EXPECT_STREQ(conv_enc(20), "ISO-8859-1");
  EXPECT_STREQ(conv_enc(22), "ASCII");
  EXPECT_STREQ(conv_enc(28), "UCS-4");
  EXPECT_STREQ(conv_enc(30), "UCS-2BE");
  EXPECT_EQ(conv_enc(4), nullptr);
  EXPECT_EQ(conv_enc(31), nullptr);
  EXPECT_FALSE(conv_forbidden());
}

TEST_F(ConvTest, ConfiguredCharacterSetIsUsed) {
  pkixhost::LogCapture log;
  ASSERT_EQ(Configure("ASN1TeletexStringEncoding = CP1252\n"), pkixrc::kOk);
  EXPECT_STREQ(conv_enc(20), "CP1252");
  EXPECT_EQ(Norm(Dn1(0x14, "\x80"), 0), Utf8Dn("\xE2\x82\xAC"));
  EXPECT_TRUE(log.records().empty());
}

TEST_F(ConvTest, RejectedCharacterSetIsLoggedAndTheDefaultStays) {
  pkixhost::LogCapture log;
  ASSERT_EQ(Configure("ASN1TeletexStringEncoding = NO-SUCH-CHARSET\nASN1Bogus = 1\n"), pkixrc::kOk);
  EXPECT_STREQ(conv_enc(20), "ISO-8859-1");
  EXPECT_EQ(Norm(Dn1(0x14, "\xE9"), 0), Utf8Dn("\xC3\xA9"));
  auto records = log.with(kConvLogMsgID);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].resource, kConvResRejectedSet);
  ASSERT_NE(records[0].var(1), nullptr);
  ASSERT_NE(records[0].var(2), nullptr);
  EXPECT_EQ(*records[0].var(1), "NO-SUCH-CHARSET");
  EXPECT_EQ(*records[0].var(2), "ISO-8859-1");
  EXPECT_EQ(records[1].resource, kConvResUnknownName);
  ASSERT_NE(records[1].var(1), nullptr);
  EXPECT_EQ(*records[1].var(1), "ASN1Bogus");
}

TEST_F(ConvTest, ForbidFlagInStrictAndLossyModes) {
  ASSERT_EQ(Configure("ASN1ForbidEncoding = TRUE\n"), pkixrc::kOk);
  EXPECT_TRUE(conv_forbidden());
  const Bytes bmp = Dn1(0x1E, FromHex("0041"));
  EXPECT_EQ(Norm(bmp, NORM_STRICT), "error " + std::to_string(kConvForbidden));
  // Outside strict mode nothing is converted: ASCII mode.
  EXPECT_EQ(Norm(bmp, NORM_UPPER), Utf8Dn(FromHex("0041")));
  EXPECT_EQ(Norm(Dn1(0x13, " a  b"), NORM_UPPER), Utf8Dn("A B"));

  ASSERT_EQ(Configure("ASN1ForbidEncoding = true\n"), pkixrc::kOk);
  EXPECT_FALSE(conv_forbidden()) << "only the exact value TRUE sets the flag";
}

TEST_F(ConvTest, ReadingFailures) {
  EXPECT_EQ(Configure("no equals sign here\n"), 59);
  EXPECT_STREQ(conv_enc(20), "ISO-8859-1") << "a failed read leaves the defaults";
  ASSERT_EQ(Configure("ASN1TeletexStringEncoding = CP1252\n"), pkixrc::kOk);
  EXPECT_EQ(conv_read_ini_file(dir_.file("absent.ini").c_str()), pkixrc::kOk);
  EXPECT_STREQ(conv_enc(20), "ISO-8859-1") << "each read starts from the defaults";
}

// conv_read_ini reads etc/x509conv.ini under the product directory.
TEST_F(ConvTest, ReadsFromTheProductDirectory) {
  std::string root = dir_.file("");  // ends with "/"
  std::filesystem::create_directories(root + "etc");
  WriteFile(root + "etc/x509conv.ini", "ASN1BMPStringEncoding = UTF-16BE\n");
  WriteFile(root + "zelnet.cfg", "AgentRoot=" + root + "\n");
  pkix_support::ResetDirCachesForTest();
  const char* dir = nullptr;
  ASSERT_EQ(pkix_support::ProductDirFrom((root + "zelnet.cfg").c_str(), &dir), 0);
  EXPECT_EQ(conv_read_ini(), pkixrc::kOk);
  EXPECT_STREQ(conv_enc(30), "UTF-16BE");
}

// The certificate service is created only after the configuration was
// read; the other services do not depend on it.
TEST_F(ConvTest, UnreadableConfigurationLeavesTheCertificateServiceUncreated) {
  std::string root = dir_.file("");
  std::filesystem::create_directories(root + "etc");
  WriteFile(root + "etc/x509conv.ini", "a line without an equals sign\n");
  WriteFile(root + "zelnet.cfg", "AgentRoot=" + root + "\n");
  pkix_support::ResetDirCachesForTest();
  const char* dir = nullptr;
  ASSERT_EQ(pkix_support::ProductDirFrom((root + "zelnet.cfg").c_str(), &dir), 0);
  {
    CMN_GRefPtr<pkixModule> module(new pkixModule);
    EXPECT_EQ(module->getService(PKIXServiceID), nullptr);
    EXPECT_NE(module->getService(PKIXKeyServiceID), nullptr);
    WriteFile(root + "etc/x509conv.ini", "ASN1BMPStringEncoding = UTF-16BE\n");
    EXPECT_NE(module->getService(PKIXServiceID), nullptr) << "the next request tries again";
    EXPECT_STREQ(conv_enc(30), "UTF-16BE");
    module->fini();
  }
  x509cmn_fini();
}

}  // namespace
}  // namespace nametest
