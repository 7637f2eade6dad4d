// The times a revocation list's DER states, read by the tool itself: the
// module keeps a list's times as seconds in a long, which cannot hold a date
// past 2038 on the 32-bit product and there stands in for "no next update"
// too, while the tool shows what the list says.
#ifndef PKIX_TOOLS_CRL_TIMES_H_
#define PKIX_TOOLS_CRL_TIMES_H_

#include <string>
#include <vector>

#include "contract/x509asn.h"
#include "tools/tool_util.h"

namespace pkixtool {

// thisUpdate, nextUpdate (empty when absent) and each entry's revocation
// date, in the list's order, as "2026-12-10 13:39:00 UTC" (a time in
// another form as it stands).
struct StatedTimes {
  bool read = false;  // false when the DER could not be walked
  std::string this_update;
  std::string next_update;
  std::vector<std::string> revoked;
};

// A UTCTime (tag 0x17) or GeneralizedTime (0x18) content as
// "2026-12-10 13:39:00 UTC" (two-digit years 50 to 99 in the 1900s); the
// content as it stands when it is in another form.
std::string StatedTime(int tag, const Buffer& content);

// The times of the CertificateList der. The walk follows definite lengths
// and looks at nothing but the times; read is false (and the rest
// unspecified) when der is not a CertificateList it can follow, and the
// caller then shows the module's times.
StatedTimes TimesOf(const Octets& der);

}  // namespace pkixtool

#endif  // PKIX_TOOLS_CRL_TIMES_H_
