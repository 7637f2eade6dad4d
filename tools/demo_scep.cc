// The demonstration's enrolment step: the message data the three SCEP
// queries carry for the sample gateway certificate.
#include <cstdio>
#include <string>

#include "tools/commands.h"

namespace pkixtool {

int DemoScep(Context& ctx) {
  const std::string cert = ctx.examples_dir + "/certs/server.der";
  int rc = kExitOk;
  for (const char* query : {"gcim", "gcm", "gcrlm"}) {
    std::printf("\n== pkixtool scep %s %s\n", query, cert.c_str());
    std::fflush(stdout);
    ctx.args = {query, cert};
    if (RunScep(ctx) != kExitOk) rc = kExitFailed;
  }
  return rc;
}

}  // namespace pkixtool
