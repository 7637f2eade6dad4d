// A host program using the PKIX module: load it, bind the certificate
// service, read a certificate and print its subject and validity.
//
//   consumer MODULE CERT.der
//
// Built against an installed tree, through find_package(pkix) (see
// CMakeLists.txt here) or pkg-config (c++ consumer.cc $(pkg-config --cflags
// --libs --static pkix)).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "cert/tcert.h"
#include "contract/service_ids.h"
#include "contract/tbuf.h"
#include "framework/cmn_rmutex.h"
#include "host/host.h"
#include "module/pkixsrv.h"

namespace {

// Exit codes.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Drops one reference of a module object at scope end.
template <class T>
struct Held {
  T* p;
  explicit Held(T* object) : p(object) {}
  ~Held() {
    if (p != nullptr) p->release();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

// A service acquired from the host for the scope.
template <class S>
struct Service {
  pkixhost::Host& host;
  Tuint32ID id;
  Tuint32ID me{pkixhost::Host::kHostModuleID};
  S* s;
  Service(pkixhost::Host& h, uint32_t service) : host(h), id(service) { s = static_cast<S*>(host.acquire(id, me)); }
  ~Service() {
    if (s != nullptr) host.release(id, me);
  }
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;
};

std::string Text(TBuf* b) {
  Held<TBuf> held(b);
  if (!held) return "(none)";
  std::string s(reinterpret_cast<const char*>(b->datap()), b->len());
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

// Prints the certificate's subject and validity; kFailed when the module
// does not take the DER.
int Show(pkixhost::LoadedModule* module, TPkixService* certs, X509CmnSrv_I* buffers,
         const std::vector<unsigned char>& der) {
  // Calls into the module run with its guard raised.
  GuardLockVar guard(module->guard());
  Held<TBuf> raw(buffers->createTBuf(der.data(), static_cast<unsigned>(der.size())));
  Held<TCert> cert(certs->createTCert(TCert::CF_X509));
  if (!raw || !cert) return kFailed;
  int rc = cert->setRaw(raw.p);
  if (rc != 0) {
    std::fprintf(stderr, "consumer: not a certificate the module takes (code %d)\n", rc);
    return kFailed;
  }
  auto subject_dn = static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_SUBJECT);
  Held<TName> subject(cert->getName(subject_dn));
  std::printf("subject: %s\n", subject ? Text(subject->getPrintable(TName::PRN_LOSSY)).c_str() : "(none)");
  long from = 0, to = 0;
  if (cert->getValidity(&from, &to) == 0) std::printf("valid from %ld to %ld (seconds since 1970)\n", from, to);
  return kOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: consumer MODULE CERT.der\n");
    return kUsage;
  }
  std::ifstream in(argv[2], std::ios::binary);
  std::vector<unsigned char> der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.is_open() || in.bad() || der.empty()) {
    std::fprintf(stderr, "consumer: cannot read %s\n", argv[2]);
    return kFailed;
  }
  pkixhost::Host host;
  int code = 0;
  pkixhost::LoadedModule* module = host.load(argv[1], &code);
  if (module == nullptr) {
    std::fprintf(stderr, "consumer: cannot load %s (code %d)\n", argv[1], code);
    return kFailed;
  }
  int rc = kFailed;
  {
    Service<TPkixService> certs(host, pkixid::kCertService);
    Service<X509CmnSrv_I> buffers(host, pkixid::kBuffers);
    if (certs.s != nullptr && buffers.s != nullptr) rc = Show(module, certs.s, buffers.s, der);
  }
  host.unload(module);
  return rc;
}
