// The values of certificate extensions in words: each extension the tool
// knows is read from its DER into a list of entries ("CA:TRUE",
// "DNS:gw1.example.org", "URI:http://crl.example.org/sub.crl").
#ifndef PKIX_TOOLS_EXTN_VALUES_H_
#define PKIX_TOOLS_EXTN_VALUES_H_

#include <string>
#include <vector>

#include "tools/tool_util.h"

namespace pkixtool {

// How an extension's value was read.
enum class ExtnReading {
  kRead,       // *entries holds the value in words
  kUnknown,    // the tool has no reader for the identifier
  kMalformed,  // the identifier is known, the value does not follow its syntax
};

// Reads the value (the extnValue content) of the extension oid (dotted):
// kRead with *entries the value's parts in order; kUnknown or kMalformed
// with *entries cleared.
ExtnReading ReadExtnValue(const std::string& oid, const Octets& value, std::vector<std::string>* entries);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_EXTN_VALUES_H_
