// cert show's report: everything a reader needs of one certificate, built
// once as a JSON object (the --json output) and printed from it as text.
#ifndef PKIX_TOOLS_CERT_REPORT_H_
#define PKIX_TOOLS_CERT_REPORT_H_

#include <string>

#include "cert/tcert.h"
#include "tools/commands.h"
#include "tools/report.h"
#include "tools/tool_util.h"

namespace pkixtool {

// The report of the certificate c made from der (read from path): its
// fields as the module answers them, its times, serial number, algorithm
// identifiers and extensions as the DER states them. The keys are listed
// in README.md ("JSON output").
Report CertReport(Context& ctx, TCert* c, const std::string& path, const Octets& der);

// Prints the report as the text cert show writes: "field: value" lines and
// one line per extension under "extensions:".
void PrintCertReport(const Report& r);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_CERT_REPORT_H_
