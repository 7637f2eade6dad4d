// A private directory server for one test program: scripts/slapd-test runs
// slapd from a temporary folder on a free loopback port, loaded with the
// sample PKI (tests/data/ldap/sample.ldif), and the server is stopped and
// its folder removed when the object goes. Nothing here needs GoogleTest
// (the benchmarks use it too); slapd_env.h adds the GoogleTest environment.
#ifndef PKIX_TESTS_TESTING_SLAPD_FIXTURE_H_
#define PKIX_TESTS_TESTING_SLAPD_FIXTURE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pkixtest {

class SlapdServer {
 public:
  // The suffix of the sample entries and the manager who may add more.
  static constexpr const char* kSuffix = "c=DE";
  static constexpr const char* kAdminDn = "cn=admin,c=DE";
  static constexpr const char* kAdminPassword = "secret";

  // Starts a server with the sample entries and those of each LDIF file in
  // extra_ldif. Returns the running server, or null with the reason in
  // *error (slapd missing, a load or the start failed).
  static std::unique_ptr<SlapdServer> Start(std::string* error,
                                            const std::vector<std::string>& extra_ldif = {});
  // Stops the server and removes its folder.
  ~SlapdServer();

  SlapdServer(const SlapdServer&) = delete;
  SlapdServer& operator=(const SlapdServer&) = delete;

  // "ldap://127.0.0.1:PORT".
  const std::string& url() const { return url_; }
  const char* host() const { return "127.0.0.1"; }
  uint16_t port() const { return port_; }
  const std::string& dir() const { return dir_; }

  // Stops the server (the folder and the port are kept for Restart). true
  // once it no longer runs; false with *error otherwise.
  bool Stop(std::string* error);
  // Starts it again on the same port with the same data. false with *error.
  bool Restart(std::string* error);
  // Adds the entries of an LDIF text while the server runs (as the manager).
  // false with *error.
  bool Add(const std::string& ldif, std::string* error);

  // The source tree (examples/, scripts/, tests/data/).
  static std::string SourceDir();
  // The octets of a file under the source tree; empty when it cannot be read.
  static std::vector<uint8_t> ReadSourceFile(const std::string& relative);
  // The base64 text of octets (one line), for LDIF values.
  static std::string Base64(const std::vector<uint8_t>& data);

 private:
  SlapdServer(std::string dir, std::string url, uint16_t port);
  std::string dir_;
  std::string url_;
  uint16_t port_;
};

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_SLAPD_FIXTURE_H_
