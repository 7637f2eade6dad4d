// What the show and check commands report, built as one JSON object per
// input: --json prints it, the text form is printed from it.
#ifndef PKIX_TOOLS_REPORT_H_
#define PKIX_TOOLS_REPORT_H_

#include <nlohmann/json.hpp>

namespace pkixtool {

// Keys keep the order they were added in.
using Report = nlohmann::ordered_json;

// Prints r as JSON, indented, on standard output; octets of a name that
// are not UTF-8 are replaced, never thrown over.
void PrintJson(const Report& r);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_REPORT_H_
