// The demonstration's CRL issuing step: the sub CA revokes the sample
// "revoked" certificate in a list the module encodes and signs; the list's
// signature is checked, and the certificate is checked against it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "tools/commands.h"

namespace pkixtool {

int DemoCrlCreate(Context& ctx, const std::string& certs) {
  char dir[] = "/tmp/pkixtool-demo-XXXXXX";
  if (mkdtemp(dir) == nullptr) {
    std::printf("cannot make a scratch folder: the CRL issuing step is left out\n");
    return kExitFailed;
  }
  const std::string crl = std::string(dir) + "/issued.der";
  const std::string keys = ctx.examples_dir + "/keys/";
  // Serial 0x67 is the sample certificate revoked.der.
  std::printf("\n== pkixtool crl create --issuer %ssub-ca.der --key %ssub-key.p8.der --revoke 67:keyCompromise "
              "--crl-number 1 -o %s\n",
              certs.c_str(), keys.c_str(), crl.c_str());
  ctx.args = {"--issuer", certs + "sub-ca.der", "--key", keys + "sub-key.p8.der", "--revoke", "67:keyCompromise",
              "--crl-number", "1", "-o", crl};
  int rc = RunCrlCreate(ctx);
  if (rc == kExitOk) {
    std::printf("\n== pkixtool crl verify %s %ssub-ca.der\n", crl.c_str(), certs.c_str());
    ctx.args = {crl, certs + "sub-ca.der"};
    rc = RunCrlVerify(ctx);
  }
  if (rc == kExitOk) {
    // The certificate is revoked: cert check answers 1, which is what the
    // step expects.
    std::printf("\n== pkixtool cert check %srevoked.der %s --issuer %ssub-ca.der\n", certs.c_str(), crl.c_str(),
                certs.c_str());
    ctx.args = {certs + "revoked.der", crl, "--issuer", certs + "sub-ca.der"};
    rc = RunCertCheck(ctx) == kExitFailed ? kExitOk : kExitFailed;
  }
  unlink(crl.c_str());
  rmdir(dir);
  return rc;
}

}  // namespace pkixtool
