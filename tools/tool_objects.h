// What the tool's commands share about the module's objects: holders that
// drop a reference at scope end, certificates made by the certificate
// service from a file's DER, and the words the tool prints for times,
// extension kinds and signature algorithms.
#ifndef PKIX_TOOLS_TOOL_OBJECTS_H_
#define PKIX_TOOLS_TOOL_OBJECTS_H_

#include <memory>
#include <string>

#include "alg/pki_alg.h"
#include "cert/tcert.h"
#include "contract/tbuf.h"
#include "module/pkixsrv.h"
#include "tools/commands.h"
#include "tools/tool_util.h"

// The module's objects carry type information the tool does not link: calls
// into them get no sanitizer dynamic-type check.
#define NO_VPTR_CHECK __attribute__((no_sanitize("vptr")))

namespace pkixtool {

// Drops a module object's reference at scope end.
struct Release {
  template <class T>
  NO_VPTR_CHECK void operator()(T* p) const {
    p->release();
  }
};
template <class T>
using Own = std::unique_ptr<T, Release>;

// PEM labels of a certificate.
extern const std::vector<std::string> kCertLabels;

// The issuer and subject as distinguished names.
constexpr TName::name_type_t kIssuerDN = static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_ISSUER);
constexpr TName::name_type_t kSubjectDN = static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_SUBJECT);

// The text of a buffer the module returned (a trailing NUL dropped); the
// buffer's reference is dropped. "" for null.
std::string Text(TBuf* b);

// Seconds since 1970 as "2026-12-10 13:39:00 UTC".
std::string TimeText(long t);

// What an extension of kind kind (TExtn::extn_t) is: "CRL number",
// "key usage" ...; "unrecognised extension" for EXT_NONE and kinds past the
// table.
const char* ExtnMeaning(int kind);

// The name of an algorithm the module numbers a, found through the
// module's conversion table (its object identifier, by the alg2asn the
// module exports) and the tool's names of identifiers:
// "sha256WithRSAEncryption", "ecdsa-with-SHA256"; the dotted identifier
// when the tool has no name for it; "" when the module has no identifier
// for a (or exports no alg2asn).
std::string AlgName(Context& ctx, pki_alg_t a);

// The number as the module writes it: "0x00080001".
std::string AlgNumber(pki_alg_t a);

// "sha256WithRSAEncryption (0x00080001)", or the number alone.
std::string SignAlgText(Context& ctx, pki_alg_t a);

// The module's certificate parser's verdict on der: 0 when it parses as a
// certificate, the parser's negative code when not; 0 too when the module
// does not export the parser.
int CertParserCode(Context& ctx, const Octets& der);

// The verdict on a signature check's result r: "signature OK", or
// "signature FAILED (code N: reason)".
std::string SignatureVerdict(int r);

// Prints the verdict on a signature check of file under issuer's key
// (result r): the SignatureVerdict line, or with --json one object
// {file, issuer, verified, verdict, code}. Returns kExitOk when r is 0,
// else kExitFailed.
int PrintSignatureVerdict(const Context& ctx, const std::string& file, const std::string& issuer, int r);

// A certificate the service makes of der, one new reference for the
// caller; null with *why ("PATH: not a certificate: reason") when it
// cannot.
TCert* MakeCert(Context& ctx, TPkixService* s, const std::string& path, const Octets& der, std::string* why);

// The one certificate of the file at path (DER or PEM): true with *der;
// false with *why. When the file holds more, a note "pkixtool GROUP: PATH
// holds N certificates; the first is used" goes to standard error.
bool ReadOneCert(const char* group, const std::string& path, Octets* der, std::string* why);

// The arguments of a bundle command, "[-o OUT] FILE...": *out_path the
// output ("" for standard output), *files the rest in order. False when -o
// comes without a file or twice, or no file is named.
bool OutputAndFiles(const std::vector<std::string>& args, std::string* out_path, std::vector<std::string>* files);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_TOOL_OBJECTS_H_
