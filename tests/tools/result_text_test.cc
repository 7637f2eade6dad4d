// The table of result texts: every named code of the module, of the
// certificate parser, of the name encoder, of the support library and of
// the host's crypto service has a short text; codes that name nothing have
// none, so that the tool prints their number.
#include "support/result_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

#include "cert/tcert.h"
#include "cert/x509.h"
#include "contract/x509asn.h"
#include "host/hostcrypto.h"
#include "name/name.h"
#include "name/x509conv.h"
#include "support/result_codes.h"

namespace {

struct Named {
  int code;
  const char* name;
};

#define NAMED(c) {c, #c}

// Each group's codes are distinct and so must be their texts.
const Named kModule[] = {
    NAMED(pkixrc::kOk),          NAMED(pkixrc::kNoMemory),       NAMED(pkixrc::kBadArgument),
    NAMED(pkixrc::kWrongType),   NAMED(pkixrc::kMalformed),      NAMED(pkixrc::kFailed),
    NAMED(pkixrc::kAlreadyPresent), NAMED(pkixrc::kNotFound),    NAMED(pkixrc::kUnavailable),
    NAMED(pkixrc::kNoReference), NAMED(pkixrc::kCannotOpen),     NAMED(pkixrc::kBadLine),
    NAMED(pkixrc::kUnusableSignAlg), NAMED(pkixrc::kKeyNotCreatable),
};
const Named kValidity[] = {
    NAMED(kCertNotYetValid),     NAMED(kCertExpired),     NAMED(kCertUnknownCritical),
    NAMED(kCertBeforeCRLPeriod), NAMED(kCertAfterCRLPeriod), NAMED(kConvUnconvertible),
    NAMED(kConvForbidden),
};
const Named kCrypto[] = {
    NAMED(pkixhost::kCryptoUnsupported), NAMED(pkixhost::kCryptoBadKey),
    NAMED(pkixhost::kCryptoKeyMismatch), NAMED(pkixhost::kCryptoBadSignature),
    NAMED(pkixhost::kCryptoNoRoom),      NAMED(pkixhost::kCryptoBadState),
    NAMED(pkixhost::kCryptoBadArgument), NAMED(pkixhost::kCryptoFailed),
};
const Named kLibrary[] = {
    NAMED(X509ASN_E_NOMEM), NAMED(X509ASN_E_ARG),     NAMED(X509ASN_E_TAG),     NAMED(X509ASN_E_SHORT),
    NAMED(X509ASN_E_LENGTH), NAMED(X509ASN_E_INDEF),  NAMED(X509ASN_E_EOC),     NAMED(X509ASN_E_DEPTH),
    NAMED(X509ASN_E_VALUE), NAMED(X509ASN_E_RANGE),   NAMED(X509ASN_E_TAGFORM), NAMED(X509ASN_E_NAME),
    NAMED(X509ASN_E_TRAILING), NAMED(X509ASN_E_STATE),
};
// The parser's codes that the library does not share.
const Named kParser[] = {
    NAMED(X509_E_KEY_ALG),      NAMED(X509_E_AKI_EOC),   NAMED(X509_E_PATHLEN), NAMED(X509_E_UNUSED_BITS),
    NAMED(X509_E_RSA_PARAMS),   NAMED(X509_E_NO_EOC),    NAMED(X509_E_VERSION), NAMED(X509_E_SIG_MISMATCH),
    NAMED(X509_E_PUBKEY_ALG),   NAMED(X509_E_BOOLEAN),   NAMED(X509_E_ENC_ALG), NAMED(X509_E_NO_ROOM),
};
const Named kNameEncoder[] = {
    NAMED(NAME_E_START),  NAMED(NAME_E_TYPECHAR), NAMED(NAME_E_KEYWORD), NAMED(NAME_E_NOSTRING),
    NAMED(NAME_E_HEXLEN), NAMED(NAME_E_SPECIAL),  NAMED(NAME_E_OPEN),    NAMED(NAME_E_ESCAPE),
    NAMED(NAME_E_GNPLUS), NAMED(NAME_E_SCANNER),
};
// The parser's and the encoder's codes with the library's values: the
// library's text stands for them.
const Named kShared[] = {
    NAMED(X509_E_NOMEM), NAMED(X509_E_NULL),  NAMED(X509_E_AKI_TAG),  NAMED(X509_E_SHORT),
    NAMED(NAME_E_BADOID), NAMED(NAME_E_SHIFT), NAMED(NAME_E_RETREAT),
};

template <size_t N>
void ExpectGroupNamed(const Named (&group)[N]) {
  std::set<std::string> texts;
  for (const Named& n : group) {
    SCOPED_TRACE(n.name);
    const char* text = pkix_result_text(n.code);
    ASSERT_NE(text, nullptr);
    size_t len = std::strlen(text);
    EXPECT_GT(len, 3u);
    EXPECT_LT(len, 80u) << "a short text";
    EXPECT_NE(text[len - 1], '.');
    EXPECT_TRUE(texts.insert(text).second) << "the same text as another code of its group: " << text;
  }
}

TEST(ResultTextTest, EveryNamedCodeHasItsOwnText) {
  ExpectGroupNamed(kModule);
  ExpectGroupNamed(kValidity);
  ExpectGroupNamed(kCrypto);
  ExpectGroupNamed(kLibrary);
  ExpectGroupNamed(kParser);
  ExpectGroupNamed(kNameEncoder);
}

TEST(ResultTextTest, NegativeCodesOfOneValueShareOneText) {
  for (const Named& n : kShared) {
    SCOPED_TRACE(n.name);
    EXPECT_NE(pkix_result_text(n.code), nullptr);
  }
  // Across the negative groups no two codes collide unless listed above.
  std::set<int> seen;
  for (const Named& n : kLibrary) seen.insert(n.code);
  for (const Named& n : kParser) EXPECT_TRUE(seen.insert(n.code).second) << n.name;
  for (const Named& n : kNameEncoder) EXPECT_TRUE(seen.insert(n.code).second) << n.name;
}

TEST(ResultTextTest, TheKeyCodesSayWhatFailed) {
  EXPECT_STREQ(pkix_result_text(pkixrc::kOk), "done");
  EXPECT_STREQ(pkix_result_text(pkixrc::kUnusableSignAlg), "signature algorithm not usable");
  EXPECT_STREQ(pkix_result_text(pkixrc::kKeyNotCreatable), "public key cannot be made");
  EXPECT_STREQ(pkix_result_text(pkixhost::kCryptoBadSignature), "the signature does not verify");
  EXPECT_STREQ(pkix_result_text(kCertExpired), "expired");
}

TEST(ResultTextTest, CodesThatNameNothingHaveNoText) {
  // Unused small codes, the neighbours of each numbered range, the
  // indefinite-length result (a success), and the extremes.
  const int kUnknown[] = {2,          3,           7,           0x3A00,      0x3A09,   static_cast<int>(0xE0060007u),
                          static_cast<int>(0xE006000Fu), 0x203F0002, 0x203F0005, X509ASN_INDEFINITE, -2,
                          -1000,      INT_MIN,     INT_MAX};
  for (int code : kUnknown) EXPECT_EQ(pkix_result_text(code), nullptr) << code;
}

}  // namespace
