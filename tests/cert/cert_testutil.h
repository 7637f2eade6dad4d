// Shared fixtures of the certificate tests: files of the sample PKI and the
// Mozilla roots, and an in-process module with the conversion service.
#ifndef PKIX_TESTS_CERT_CERT_TESTUTIL_H_
#define PKIX_TESTS_CERT_CERT_TESTUTIL_H_

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "alg/pki_cnvrt_c.h"
#include "alg/pki_cnvrt_s.h"
#include "cert/x509crt.h"
#include "support/abuf.h"
#include "support/clock.h"
#include "testing/cnvrt_binding.h"
#include "testing/inproc.h"

namespace pkixtest {

using Bytes = std::vector<unsigned char>;

inline Bytes readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline std::string examplePath(const std::string& name) {
  return std::string(PKIX_SOURCE_DIR) + "/examples/certs/" + name;
}

inline Bytes example(const std::string& name) { return readFile(examplePath(name)); }

inline std::vector<std::string> filesIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) {
        out.push_back(dir + "/" + n);
      }
    }
    closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

inline const std::vector<std::string>& exampleCerts() {
  static const std::vector<std::string> kFiles = filesIn(std::string(PKIX_SOURCE_DIR) + "/examples/certs", ".der");
  return kFiles;
}

inline Bytes bytesOf(TBuf* b) {
  if (b == nullptr) return {};
  return Bytes(b->datap(), b->datap() + b->len());
}

// Drops a returned reference at scope end.
template <class T>
struct Own {
  T* p;
  explicit Own(T* v = nullptr) : p(v) {}
  ~Own() {
    if (p != nullptr) p->release();
  }
  T* operator->() const { return p; }
  T& operator*() const { return *p; }
  T* get() const { return p; }
  explicit operator bool() const { return p != nullptr; }
  Own(const Own&) = delete;
  Own& operator=(const Own&) = delete;
};

// The moment the certificate tests run at, whatever the wall clock says:
// 2030-01-01T00:00:00Z, inside the sample PKI's validity.
constexpr long kTestNow = 1893456000L;

// The module's internals in process: the buffer and logging services, and
// the conversion service the certificate object maps its algorithms with;
// the module's clock fixed at kTestNow.
class CertFixture : public ::testing::Test {
 protected:
  void SetUp() override { conversion.Bind(); }
  void TearDown() override { conversion.Unbind(); }
  TCert* load(const std::string& name) {
    Bytes d = example(name);
    return createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()));
  }
  InProcessManager mgr;
  ConversionBinding conversion;
  pkixclock::FixedTime clock{kTestNow};
};

}  // namespace pkixtest

#endif  // PKIX_TESTS_CERT_CERT_TESTUTIL_H_
