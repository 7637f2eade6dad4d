// The result codes the module's objects and services answer with. Each
// operation's comment says which of them it can answer. Codes of one
// subsystem only stay with that subsystem: the validity codes beside the
// certificate interface (cert/tcert.h), the normalisation codes beside the
// name conversion (name/x509conv.h), the host crypto service's own codes
// beside it (platform/host/hostcrypto.h). Plain parsing and encoding
// functions answer the support library's negative codes
// (contract/x509asn.h) instead.
#ifndef PKIX_SUPPORT_RESULT_CODES_H_
#define PKIX_SUPPORT_RESULT_CODES_H_

namespace pkixrc {

constexpr int kOk = 0;                 // done
constexpr int kNoMemory = 1;           // an allocation failed
constexpr int kBadArgument = 4;        // a null or out-of-range argument
constexpr int kWrongType = 5;          // wrong type, or a value not supported
constexpr int kMalformed = 6;          // a malformed field, or no buffer to read
constexpr int kFailed = 9;             // parsing, encoding, creation or crypto failed
constexpr int kAlreadyPresent = 33;    // already in the list
constexpr int kNotFound = 36;          // no such entry
constexpr int kUnavailable = 40;       // nothing to answer with: not set, no object, no service
constexpr int kNoReference = 43;       // a reference could not be taken
constexpr int kCannotOpen = 50;        // a file could not be opened
constexpr int kBadLine = 59;           // a malformed line (INI files)
constexpr int kUnusableSignAlg = 68;   // the signature algorithm is not usable
constexpr int kKeyNotCreatable = 69;   // the public key cannot be made

}  // namespace pkixrc

#endif  // PKIX_SUPPORT_RESULT_CODES_H_
