// The demonstration's path validation step: the sample server certificate
// through the sub CA to the root, then the revoked one with the sub CA's
// list (the target's status only: the sample PKI has no list of the root),
// then a broken link: the tampered certificate, whose signature fails.
#include <cstdio>
#include <string>

#include "tools/commands.h"

namespace pkixtool {

int DemoPath(Context& ctx) {
  const std::string certs = ctx.examples_dir + "/certs/";
  const std::string crl = ctx.examples_dir + "/crls/sub-ca.crl.der";
  struct Step {
    const char* target;
    int want;  // the exit code the step shows
  } const kSteps[] = {{"server.der", kExitOk}, {"revoked.der", kExitFailed}, {"server-tampered.der", kExitFailed}};
  int rc = kExitOk;
  for (const Step& s : kSteps) {
    std::printf("\n== pkixtool verify --roots %sroot-ca.der --untrusted %ssub-ca.der --crl %s --crl-check leaf %s%s\n",
                certs.c_str(), certs.c_str(), crl.c_str(), certs.c_str(), s.target);
    ctx.args = {"--roots", certs + "root-ca.der", "--untrusted", certs + "sub-ca.der", "--crl", crl,
                "--crl-check", "leaf", certs + s.target};
    if (RunVerify(ctx) != s.want) rc = kExitFailed;
  }
  return rc;
}

}  // namespace pkixtool
