// The result codes the module's operations share. Each operation's comment
// says which of them it can answer; codes of one subsystem only (a name's
// bad IP address, an INI file's bad line) stay with that subsystem.
#ifndef PKIX_SUPPORT_RESULT_CODES_H_
#define PKIX_SUPPORT_RESULT_CODES_H_

namespace pkixrc {

constexpr int kOk = 0;            // done
constexpr int kNoMemory = 1;      // an allocation failed
constexpr int kBadArgument = 4;   // a null or out-of-range argument
constexpr int kFailed = 9;        // malformed input, or the operation failed
constexpr int kNotFound = 36;     // no such entry
constexpr int kUnavailable = 40;  // nothing to answer with: no value, no service
constexpr int kCannotOpen = 50;   // a file could not be opened

}  // namespace pkixrc

#endif  // PKIX_SUPPORT_RESULT_CODES_H_
