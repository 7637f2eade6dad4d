// The verdicts of certification path validation and their texts; header
// only, so that callers outside the module (the tool) share them.
#ifndef PKIX_PATH_PATHCODES_H_
#define PKIX_PATH_PATHCODES_H_

namespace pkixpath {

// Verdicts, in the host framework's error space next to the certificate
// validity codes. kValid is pkixrc::kOk.
constexpr int kValid = 0;
constexpr int kNoIssuer = static_cast<int>(0xE0061001u);         // no path to a trust anchor
constexpr int kBadSignature = static_cast<int>(0xE0061002u);     // a signature does not verify
constexpr int kNotYetValid = static_cast<int>(0xE0061003u);      // before notBefore
constexpr int kExpired = static_cast<int>(0xE0061004u);          // after notAfter
constexpr int kNameChaining = static_cast<int>(0xE0061005u);     // issuer is not the previous subject
constexpr int kNotCA = static_cast<int>(0xE0061006u);            // an issuer that is not a CA
constexpr int kPathLength = static_cast<int>(0xE0061007u);       // pathLenConstraint exceeded
constexpr int kKeyUsage = static_cast<int>(0xE0061008u);         // keyCertSign missing
constexpr int kNameConstraints = static_cast<int>(0xE0061009u);  // a name outside the constraints
constexpr int kPolicy = static_cast<int>(0xE006100Au);           // no acceptable policy
constexpr int kUnknownCritical = static_cast<int>(0xE006100Bu);  // a critical extension not processed
constexpr int kRevoked = static_cast<int>(0xE006100Cu);          // on a CRL
constexpr int kStatusUnknown = static_cast<int>(0xE006100Du);    // revocation status undetermined
constexpr int kStepLimit = static_cast<int>(0xE006100Eu);        // path building gave up
constexpr int kMalformed = static_cast<int>(0xE006100Fu);        // a certificate that cannot be read
constexpr int kBadArgument = static_cast<int>(0xE0061010u);      // a missing input

struct VerdictText {
  int code;
  const char* text;
};
constexpr VerdictText kVerdictTexts[] = {
    {kValid, "valid"},
    {kNoIssuer, "no path to a trust anchor"},
    {kBadSignature, "signature does not verify"},
    {kNotYetValid, "certificate not yet valid"},
    {kExpired, "certificate expired"},
    {kNameChaining, "issuer name does not chain"},
    {kNotCA, "issuer is not a certification authority"},
    {kPathLength, "path length constraint exceeded"},
    {kKeyUsage, "issuer key usage lacks keyCertSign"},
    {kNameConstraints, "name outside the name constraints"},
    {kPolicy, "no acceptable certificate policy"},
    {kUnknownCritical, "unrecognised critical extension"},
    {kRevoked, "certificate revoked"},
    {kStatusUnknown, "revocation status undetermined"},
    {kStepLimit, "path building step limit reached"},
    {kMalformed, "malformed certificate"},
    {kBadArgument, "missing argument"},
};

// A short English text for a verdict ("unknown verdict" for others).
inline const char* verdictText(int code) {
  for (const VerdictText& v : kVerdictTexts) {
    if (v.code == code) return v.text;
  }
  return "unknown verdict";
}

}  // namespace pkixpath

#endif  // PKIX_PATH_PATHCODES_H_
