// One private directory server for a whole GoogleTest program:
//   ::testing::AddGlobalTestEnvironment(new pkixtest::SlapdEnvironment);
// (or link the program with its own main that does so). Where slapd cannot
// start, SetUp records a failure that names the reason, and every test that
// asks for the server through Server() fails with that reason: the tests are
// never skipped silently.
#ifndef PKIX_TESTS_TESTING_SLAPD_ENV_H_
#define PKIX_TESTS_TESTING_SLAPD_ENV_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "testing/slapd_fixture.h"

namespace pkixtest {

class SlapdEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    server_ = SlapdServer::Start(&error_);
    if (server_ == nullptr) ADD_FAILURE() << "the private directory server did not start: " << error_;
  }
  void TearDown() override { server_.reset(); }

  // The running server, or null after a failed start (the reason in why()).
  static SlapdServer* Server() { return server_.get(); }
  static const std::string& why() { return error_; }

 private:
  static inline std::unique_ptr<SlapdServer> server_;
  static inline std::string error_;
};

// In a test: SlapdServer* slapd = nullptr; PKIX_NEED_SLAPD(slapd);
#define PKIX_NEED_SLAPD(var)                                                             \
  do {                                                                                   \
    (var) = ::pkixtest::SlapdEnvironment::Server();                                      \
    ASSERT_NE((var), nullptr) << "no directory server: " << ::pkixtest::SlapdEnvironment::why(); \
  } while (0)

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_SLAPD_ENV_H_
