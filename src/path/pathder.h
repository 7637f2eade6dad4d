// The fields path validation reads from certificates and CRLs, parsed from
// their DER with the module's cursor (support/der_reader.h) into plain
// records: names, validity, the extensions RFC 5280 section 6 processes,
// and the revoked entries with their reasons and certificate issuers.
//
// Every parser returns 0 or a negative code of the support library
// (X509ASN_E_*) or kPathParse; on failure the output record is unusable.
#ifndef PKIX_PATH_PATHDER_H_
#define PKIX_PATH_PATHDER_H_

#include <cstdint>
#include <vector>

#include "path/pathtime.h"
#include "support/der_reader.h"

namespace pkixpath {

using Bytes = std::vector<uint8_t>;

// A negative code for content the support library reads but RFC 5280
// forbids (an unknown version, a malformed time, a bad extension value).
constexpr int kPathParse = -1000;

// Reason flags as the ReasonFlags BIT STRING numbers them: bit n of the
// string is (0x8000 >> n) here, so that the first two octets of the string
// read as one number.
namespace reason {
constexpr unsigned kUnused = 0x8000;
constexpr unsigned kKeyCompromise = 0x4000;
constexpr unsigned kCaCompromise = 0x2000;
constexpr unsigned kAffiliationChanged = 0x1000;
constexpr unsigned kSuperseded = 0x0800;
constexpr unsigned kCessationOfOperation = 0x0400;
constexpr unsigned kCertificateHold = 0x0200;
constexpr unsigned kPrivilegeWithdrawn = 0x0100;
constexpr unsigned kAaCompromise = 0x0080;
// Every reason a certificate can be revoked for (unused excluded).
constexpr unsigned kAll = 0x7F80;
}  // namespace reason

// CRLReason ENUMERATED values that matter on their own.
constexpr int kReasonRemoveFromCRL = 8;
constexpr int kReasonNone = -1;

// GeneralName ::= CHOICE { otherName [0], rfc822Name [1], dNSName [2],
//   x400Address [3], directoryName [4], ediPartyName [5],
//   uniformResourceIdentifier [6], iPAddress [7], registeredID [8] }
enum GeneralNameType : int {
  kOtherName = 0, kRfc822Name = 1, kDnsName = 2, kX400Address = 3, kDirectoryName = 4,
  kEdiPartyName = 5, kUri = 6, kIpAddress = 7, kRegisteredId = 8
};

// One GeneralName: its choice and its content octets (for directoryName
// the whole Name element inside the explicit tag).
struct GeneralName {
  int type = kOtherName;
  Bytes value;
};

// GeneralSubtree ::= SEQUENCE { base GeneralName, minimum [0] DEFAULT 0,
//   maximum [1] OPTIONAL }
struct Subtree {
  GeneralName base;
  bool unusable = false;  // minimum other than 0, or a maximum
};

// One policy mapping: issuerDomainPolicy to subjectDomainPolicy.
struct PolicyMapping {
  Bytes issuer_policy;
  Bytes subject_policy;
};

// DistributionPoint ::= SEQUENCE { distributionPoint [0] OPTIONAL,
//   reasons [1] OPTIONAL, cRLIssuer [2] OPTIONAL }
struct DistributionPoint {
  bool has_name = false;
  std::vector<GeneralName> full_name;  // fullName [0]
  Bytes relative_name;                 // nameRelativeToCRLIssuer [1]: the RDN SET element
  bool has_reasons = false;
  unsigned reasons = 0;
  std::vector<GeneralName> crl_issuer;
};

// The certificate fields path validation uses.
struct CertFields {
  Bytes tbs;             // TBSCertificate, the signed element
  int version = 1;       // 1..3
  Bytes serial;          // INTEGER content
  Bytes issuer;          // Name element
  Bytes subject;         // Name element
  int64_t not_before = 0;
  int64_t not_after = 0;
  Bytes spki;            // SubjectPublicKeyInfo element
  Bytes key_alg_oid;     // its algorithm's OID content
  bool key_params_absent = true;  // no parameters, or NULL
  Bytes sig_alg_oid;     // the outer signatureAlgorithm's OID content
  Bytes sig_alg;         // the outer AlgorithmIdentifier element
  Bytes tbs_sig_alg;     // the signature field of the TBSCertificate
  Bytes signature;       // BIT STRING octets

  bool has_basic_constraints = false;
  bool ca = false;
  int path_len = -1;     // -1: no pathLenConstraint

  bool has_key_usage = false;
  unsigned key_usage = 0;  // bits as the BIT STRING numbers them, 0x8000 >> n

  bool has_name_constraints = false;
  std::vector<Subtree> permitted;
  std::vector<Subtree> excluded;
  bool has_permitted = false;  // permittedSubtrees present
  bool has_excluded = false;   // excludedSubtrees present

  std::vector<GeneralName> subject_alt;
  bool has_subject_alt = false;

  bool has_policies = false;
  std::vector<Bytes> policies;  // policyIdentifier OIDs in order
  bool has_mappings = false;
  std::vector<PolicyMapping> mappings;
  int require_explicit = -1;   // policyConstraints fields, -1 absent
  int inhibit_mapping = -1;
  int inhibit_any = -1;        // inhibitAnyPolicy SkipCerts

  bool has_crl_dp = false;
  std::vector<DistributionPoint> crl_dps;

  Bytes authority_key_id;  // keyIdentifier of the AKI
  Bytes subject_key_id;

  bool unknown_critical = false;  // a critical extension not processed here
  bool duplicate_extension = false;
};

// KeyUsage bits, numbered as in the BIT STRING.
namespace keyusage {
constexpr unsigned kDigitalSignature = 0x8000;
constexpr unsigned kKeyCertSign = 0x0400;
constexpr unsigned kCrlSign = 0x0200;
}  // namespace keyusage

// One revoked entry of a CRL.
struct CrlEntry {
  Bytes serial;
  int reason = kReasonNone;
  int64_t revoked_at = 0;
  // The certificate issuer in force for this entry (indirect CRLs): empty
  // when it is the CRL's issuer.
  std::vector<GeneralName> cert_issuer;
  bool unknown_critical = false;
};

// The CRL fields revocation checking uses.
struct CrlFields {
  Bytes tbs;
  Bytes issuer;          // Name element
  int64_t this_update = 0;
  bool has_next_update = false;
  int64_t next_update = 0;
  Bytes sig_alg_oid;
  Bytes signature;       // BIT STRING octets
  std::vector<CrlEntry> entries;

  bool has_crl_number = false;
  Bytes crl_number;       // INTEGER content
  bool is_delta = false;
  Bytes base_crl_number;  // deltaCRLIndicator's BaseCRLNumber content

  bool has_idp = false;
  bool idp_has_name = false;
  std::vector<GeneralName> idp_full_name;
  Bytes idp_relative_name;
  bool only_user = false;
  bool only_ca = false;
  bool has_only_reasons = false;
  unsigned only_reasons = 0;
  bool indirect = false;
  bool only_attribute = false;

  Bytes authority_key_id;
  bool unknown_critical = false;
};

// The DER element of tag around body (definite length).
Bytes derElement(uint8_t tag, const Bytes& body);

// Parses a Certificate. 0, or a negative code.
int parseCert(const uint8_t* der, size_t len, CertFields* out);
// Parses a CertificateList. 0, or a negative code.
int parseCrl(const uint8_t* der, size_t len, CrlFields* out);
// Parses GeneralNames (the SEQUENCE element) into out. 0, or a negative code.
int parseGeneralNames(DerReader& r, std::vector<GeneralName>* out);

}  // namespace pkixpath

#endif  // PKIX_PATH_PATHDER_H_
