// The tool's table of identifier names.
#include "tools/oid_names.h"

#include <cstring>

namespace pkixtool {
namespace {

struct OidRow {
  const char* dotted;
  const char* name;
};

// Names as the registries spell them; one row per identifier.
const OidRow kOidNames[] = {
    // Public-key algorithms.
    {"1.2.840.113549.1.1.1", "rsaEncryption"},
    {"1.2.840.10040.4.1", "dsaEncryption"},
    {"1.3.14.3.2.12", "dsaEncryption-old"},
    {"1.2.840.113549.1.3.1", "dhKeyAgreement"},
    {"1.2.840.10046.2.1", "X9.42 DH"},
    {"1.2.840.10045.2.1", "id-ecPublicKey"},
    {"1.3.101.112", "ED25519"},
    {"1.3.101.113", "ED448"},
    {"1.2.840.113549.1.1.10", "rsassaPss"},
    {"1.2.643.2.2.19", "GOST R 34.10-2001"},
    {"1.2.643.2.2.20", "GOST R 34.10-94"},
    // Signature algorithms.
    {"1.2.840.113549.1.1.2", "md2WithRSAEncryption"},
    {"1.2.840.113549.1.1.4", "md5WithRSAEncryption"},
    {"1.2.840.113549.1.1.5", "sha1WithRSAEncryption"},
    {"1.2.840.113549.1.1.11", "sha256WithRSAEncryption"},
    {"1.2.840.113549.1.1.12", "sha384WithRSAEncryption"},
    {"1.2.840.113549.1.1.13", "sha512WithRSAEncryption"},
    {"1.2.840.113549.1.1.14", "sha224WithRSAEncryption"},
    {"1.3.14.3.2.13", "dsaWithSHA"},
    {"1.3.14.3.2.29", "sha1WithRSA"},
    {"1.2.840.10040.4.3", "dsaWithSHA1"},
    {"2.16.840.1.101.3.4.3.1", "dsa_with_SHA224"},
    {"2.16.840.1.101.3.4.3.2", "dsa_with_SHA256"},
    {"1.2.840.10045.4.1", "ecdsa-with-SHA1"},
    {"1.2.840.10045.4.3.1", "ecdsa-with-SHA224"},
    {"1.2.840.10045.4.3.2", "ecdsa-with-SHA256"},
    {"1.2.840.10045.4.3.3", "ecdsa-with-SHA384"},
    {"1.2.840.10045.4.3.4", "ecdsa-with-SHA512"},
    {"1.2.643.2.2.3", "GOST R 34.11-94 with GOST R 34.10-2001"},
    {"1.2.643.2.2.4", "GOST R 34.11-94 with GOST R 34.10-94"},
    // Digests.
    {"1.3.14.3.2.26", "sha1"},
    {"1.2.840.113549.2.5", "md5"},
    {"2.16.840.1.101.3.4.2.1", "sha256"},
    {"2.16.840.1.101.3.4.2.2", "sha384"},
    {"2.16.840.1.101.3.4.2.3", "sha512"},
    {"2.16.840.1.101.3.4.2.4", "sha224"},
    // Named curves.
    {"1.2.840.10045.3.1.7", "prime256v1"},
    {"1.3.132.0.34", "secp384r1"},
    {"1.3.132.0.35", "secp521r1"},
    {"1.3.132.0.33", "secp224r1"},
    {"1.2.840.10045.3.1.1", "prime192v1"},
    // Certificate extensions.
    {"2.5.29.14", "subject key identifier"},
    {"2.5.29.15", "key usage"},
    {"2.5.29.17", "subject alternative name"},
    {"2.5.29.18", "issuer alternative name"},
    {"2.5.29.19", "basic constraints"},
    {"2.5.29.30", "name constraints"},
    {"2.5.29.31", "CRL distribution points"},
    {"2.5.29.32", "certificate policies"},
    {"2.5.29.33", "policy mappings"},
    {"2.5.29.35", "authority key identifier"},
    {"2.5.29.36", "policy constraints"},
    {"2.5.29.37", "extended key usage"},
    {"2.5.29.46", "freshest CRL"},
    {"2.5.29.54", "inhibit any policy"},
    {"1.3.6.1.5.5.7.1.1", "authority information access"},
    {"1.3.6.1.5.5.7.1.11", "subject information access"},
    {"1.3.6.1.4.1.11129.2.4.2", "signed certificate timestamps"},
    {"2.16.840.1.113730.1.1", "Netscape certificate type"},
    {"2.16.840.1.113730.1.13", "Netscape comment"},
    // Extended key usage purposes.
    {"1.3.6.1.5.5.7.3.1", "serverAuth"},
    {"1.3.6.1.5.5.7.3.2", "clientAuth"},
    {"1.3.6.1.5.5.7.3.3", "codeSigning"},
    {"1.3.6.1.5.5.7.3.4", "emailProtection"},
    {"1.3.6.1.5.5.7.3.5", "ipsecEndSystem"},
    {"1.3.6.1.5.5.7.3.6", "ipsecTunnel"},
    {"1.3.6.1.5.5.7.3.7", "ipsecUser"},
    {"1.3.6.1.5.5.7.3.8", "timeStamping"},
    {"1.3.6.1.5.5.7.3.9", "OCSPSigning"},
    {"1.3.6.1.5.5.7.3.17", "ipsecIKE"},
    {"1.3.6.1.5.5.8.2.2", "iKEIntermediate"},
    {"2.5.29.37.0", "anyExtendedKeyUsage"},
    // Access methods and policy qualifiers.
    {"1.3.6.1.5.5.7.48.1", "OCSP"},
    {"1.3.6.1.5.5.7.48.2", "caIssuers"},
    {"1.3.6.1.5.5.7.2.1", "CPS"},
    {"1.3.6.1.5.5.7.2.2", "userNotice"},
    {"2.5.29.32.0", "anyPolicy"},
};

}  // namespace

std::string DottedOid(const Buffer& content) {
  std::string text(4 * static_cast<size_t>(content.len) + 8, '\0');
  int n = asn1_oid_to_text(&content, &text[0], static_cast<uint32_t>(text.size()));
  if (n < 0) return "";
  text.resize(static_cast<size_t>(n));
  return text;
}

const char* OidName(const std::string& dotted) {
  for (const OidRow& r : kOidNames) {
    if (dotted == r.dotted) return r.name;
  }
  return nullptr;
}

std::string OidText(const std::string& dotted) {
  const char* name = OidName(dotted);
  return name != nullptr ? name : dotted;
}

}  // namespace pkixtool
