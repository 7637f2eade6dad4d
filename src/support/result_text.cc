// One table from result code to text. Codes of different origins are kept
// apart by their values: the module's small positive codes, the framework's
// 0xE006xxxx validity codes, the name conversion's 0x203Fxxxx codes, the
// crypto service's 0x3Axx codes, and the negative codes of the parsers and
// of the name encoder.
#include "support/result_text.h"

#include "cert/tcert.h"
#include "cert/x509.h"
#include "contract/x509asn.h"
#include "name/name.h"
#include "name/x509conv.h"
#include "support/result_codes.h"

namespace {

// The host crypto service's transform codes (58 in the upper octet), as
// its contract numbers them.
constexpr int kCryptoUnsupported = 0x3A01;
constexpr int kCryptoBadKey = 0x3A02;
constexpr int kCryptoKeyMismatch = 0x3A03;
constexpr int kCryptoBadSignature = 0x3A04;
constexpr int kCryptoNoRoom = 0x3A05;
constexpr int kCryptoBadState = 0x3A06;
constexpr int kCryptoBadArgument = 0x3A07;
constexpr int kCryptoFailed = 0x3A08;

// The certificate parser's codes that share a value with the support
// library's mean the same thing: one row stands for both.
static_assert(X509_E_NOMEM == X509ASN_E_NOMEM, "one row for both");
static_assert(X509_E_NULL == X509ASN_E_ARG, "one row for both");
static_assert(X509_E_AKI_TAG == X509ASN_E_TAG, "one row for both");
static_assert(X509_E_SHORT == X509ASN_E_SHORT, "one row for both");
// So do the name encoder's.
static_assert(NAME_E_BADOID == X509ASN_E_ARG, "one row for both");
static_assert(NAME_E_SHIFT == X509ASN_E_SHORT, "one row for both");
static_assert(NAME_E_RETREAT == X509_E_NO_ROOM, "one row for both");

struct Row {
  int code;
  const char* text;
};

const Row kRows[] = {
    {pkixrc::kOk, "done"},
    {pkixrc::kNoMemory, "memory exhausted"},
    {pkixrc::kBadArgument, "missing or invalid argument"},
    {pkixrc::kWrongType, "wrong type or unsupported value"},
    {pkixrc::kMalformed, "malformed field or missing buffer"},
    {pkixrc::kFailed, "operation failed (parse, encode, creation or crypto)"},
    {pkixrc::kAlreadyPresent, "already in the list"},
    {pkixrc::kNotFound, "not present"},
    {pkixrc::kUnavailable, "nothing to work on (not set, no object, no service)"},
    {pkixrc::kNoReference, "a reference could not be taken"},
    {pkixrc::kCannotOpen, "cannot open"},
    {pkixrc::kBadLine, "malformed line"},
    {pkixrc::kUnusableSignAlg, "signature algorithm not usable"},
    {pkixrc::kKeyNotCreatable, "public key cannot be made"},

    {kCertNotYetValid, "not yet valid"},
    {kCertExpired, "expired"},
    {kCertUnknownCritical, "unrecognised critical extension"},
    {kCertBeforeCRLPeriod, "before the CRL period"},
    {kCertAfterCRLPeriod, "after the CRL period"},

    {kConvUnconvertible, "a name value could not be converted"},
    {kConvForbidden, "name conversion forbidden by configuration"},

    {kCryptoUnsupported, "algorithm, digest or operation not available"},
    {kCryptoBadKey, "no usable key"},
    {kCryptoKeyMismatch, "the key does not fit the algorithm"},
    {kCryptoBadSignature, "the signature does not verify"},
    {kCryptoNoRoom, "output too small"},
    {kCryptoBadState, "crypto call out of sequence"},
    {kCryptoBadArgument, "invalid crypto argument"},
    {kCryptoFailed, "crypto operation failed"},

    {X509_E_KEY_ALG, "private-key algorithm not recognised"},
    {X509ASN_E_NOMEM, "memory exhausted"},
    {X509ASN_E_ARG, "missing, empty or invalid input"},
    {X509_E_AKI_EOC, "end-of-contents octet inside a key identifier"},
    {X509_E_PATHLEN, "path length too long or negative"},
    {X509ASN_E_TAG, "an element of another type where one was expected"},
    {X509_E_UNUSED_BITS, "bit string of the wrong shape"},
    {X509_E_RSA_PARAMS, "RSA key parameters not NULL"},
    {X509_E_NO_EOC, "end-of-contents octets missing"},
    {X509_E_VERSION, "version not supported"},
    {X509_E_SIG_MISMATCH, "outer signature algorithm differs from the signed one"},
    {X509_E_PUBKEY_ALG, "public-key algorithm not recognised"},
    {X509_E_BOOLEAN, "BOOLEAN not of one octet"},
    {X509_E_ENC_ALG, "algorithm cannot be encoded"},
    {X509_E_NO_ROOM, "no room left in the output"},
    {X509ASN_E_SHORT, "input ends inside an element"},
    {X509ASN_E_LENGTH, "malformed length octets"},
    {X509ASN_E_INDEF, "indefinite length where a definite one is needed"},
    {X509ASN_E_EOC, "indefinite content not closed, or a stray end-of-contents"},
    {X509ASN_E_DEPTH, "indefinite lengths nested too deep"},
    {X509ASN_E_VALUE, "malformed content"},
    {X509ASN_E_RANGE, "value out of range"},
    {X509ASN_E_TAGFORM, "high tag-number form"},
    {X509ASN_E_NAME, "not shaped as a name"},
    {X509ASN_E_TRAILING, "octets left over inside an element"},
    {X509ASN_E_STATE, "name walker state damaged"},

    {NAME_E_START, "unexpected character or end of text where an attribute should begin"},
    {NAME_E_TYPECHAR, "unexpected character in an attribute type, or the text ends inside one"},
    {NAME_E_KEYWORD, "unknown attribute keyword"},
    {NAME_E_NOSTRING, "quote or escape after a type that takes no string"},
    {NAME_E_HEXLEN, "hex value not one DER element"},
    {NAME_E_SPECIAL, "unescaped special character"},
    {NAME_E_OPEN, "the text ends inside quotes or after a backslash"},
    {NAME_E_ESCAPE, "invalid escape"},
    {NAME_E_GNPLUS, "\"+\" joining a general-name component"},
    {NAME_E_SCANNER, "the name scanner could not run"},
};

}  // namespace

const char* pkix_result_text(int code) {
  for (const Row& r : kRows) {
    if (r.code == code) return r.text;
  }
  return nullptr;
}
