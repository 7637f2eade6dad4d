// Fetching the sample CRL (cn=Example Sub CA,o=Example,c=DE,
// certificateRevocationList;binary) from a private slapd started for the
// run: through the directory client service, request by request, with its
// connection warm, against a direct ldap_search_ext_s of the same entry and
// attribute on one open libldap connection. Both wait for the server, so
// the times are wall-clock times per fetch; each runs in nine short
// repetitions, interleaved at random with the other's so that a busy
// machine weighs on both alike, and the ratio of the medians is printed at
// the end (target: at most 1.2).
#include <ldap.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contract/ldap.h"
#include "host/hostldap.h"
#include "support/result_codes.h"
#include "testing/inproc.h"
#include "testing/slapd_fixture.h"

namespace {

using Req = CMN_LdapReqCont_I;

constexpr char kDn[] = "cn=Example Sub CA,o=Example,c=DE";
constexpr char kAttribute[] = "certificateRevocationList;binary";

pkixtest::SlapdServer* gSlapd = nullptr;
size_t gExpected = 0;

void BM_ServiceFetch(benchmark::State& state) {
  CMN_LdapClntSvc_Ext_I* svc = pkixhost::createLdapService();
  svc->addReference();
  svc->AddConnection(gSlapd->host(), gSlapd->port(), nullptr);
  const std::string url = gSlapd->url() + "/cn=Example%20Sub%20CA,o=Example,c=DE?certificateRevocationList";
  auto fetch = [&] {
    Req* r = svc->createRequest(Req::kReqCrl);
    bool ok = r->setURL(url.c_str()) == pkixrc::kOk && r->send(0, nullptr, 0) == pkixrc::kOk &&
              r->getCrlListDataLen() == gExpected;
    benchmark::DoNotOptimize(r->getCrlListDatap());
    r->remReference();
    return ok;
  };
  if (!fetch()) state.SkipWithError("the service's fetch failed");  // warms the connection
  for (auto _ : state) {
    if (!fetch()) state.SkipWithError("the service's fetch failed");
  }
  svc->remReference();
}

void BM_DirectSearch(benchmark::State& state) {
  LDAP* ld = nullptr;
  ldap_initialize(&ld, gSlapd->url().c_str());
  int version = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  char* attrs[] = {const_cast<char*>(kAttribute), nullptr};
  struct timeval tv = {30, 0};
  auto fetch = [&] {
    LDAPMessage* res = nullptr;
    int rc = ldap_search_ext_s(ld, kDn, LDAP_SCOPE_BASE, "(objectClass=*)", attrs, 0, nullptr, nullptr, &tv, 1, &res);
    bool ok = false;
    if (rc == LDAP_SUCCESS) {
      LDAPMessage* e = ldap_first_entry(ld, res);
      struct berval** v = e != nullptr ? ldap_get_values_len(ld, e, kAttribute) : nullptr;
      ok = v != nullptr && v[0] != nullptr && v[0]->bv_len == gExpected;
      benchmark::DoNotOptimize(v);
      ldap_value_free_len(v);
    }
    ldap_msgfree(res);
    return ok;
  };
  if (!fetch()) state.SkipWithError("the direct search failed");  // connects
  for (auto _ : state) {
    if (!fetch()) state.SkipWithError("the direct search failed");
  }
  ldap_unbind_ext_s(ld, nullptr, nullptr);
}

constexpr int kRepetitions = 9;
BENCHMARK(BM_ServiceFetch)->UseRealTime()->MinTime(0.3)->Repetitions(kRepetitions);
BENCHMARK(BM_DirectSearch)->UseRealTime()->MinTime(0.3)->Repetitions(kRepetitions);

// The console report, keeping each benchmark's median real time per
// iteration.
class RealTimeReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.aggregate_name == "median") real_[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double real(const std::string& name) const {
    auto it = real_.find(name);
    return it == real_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> real_;
};

}  // namespace

int main(int argc, char** argv) {
  pkixtest::InProcessManager mgr;  // the guard and buffers the service's objects expect
  std::string error;
  std::unique_ptr<pkixtest::SlapdServer> slapd = pkixtest::SlapdServer::Start(&error);
  if (!slapd) {
    std::fprintf(stderr, "bench_ldap: the private directory server did not start: %s\n", error.c_str());
    return 1;
  }
  gSlapd = slapd.get();
  gExpected = pkixtest::SlapdServer::ReadSourceFile("examples/crls/sub-ca.crl.der").size();
  // Repetitions interleave at random unless the command line says otherwise.
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RealTimeReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double ours = reporter.real("BM_ServiceFetch");
  double direct = reporter.real("BM_DirectSearch");
  if (ours > 0 && direct > 0) {
    std::printf("\nratio service / direct ldap_search_ext_s (median real time): %.3f\n", ours / direct);
  }
  benchmark::Shutdown();
  return 0;
}
