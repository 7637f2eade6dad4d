// Certificate objects from several threads: createTCert with the typical
// queries, the same fixed work split over 1, 2, 3 and 4 threads, and the
// throughput of each against one thread's (the objects are the threads'
// own; the module lock, the object manager and the service stubs are
// shared). Wall-clock throughput: run it on an otherwise quiet machine.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "certobj_queries.h"
#include "testing/inproc.h"

namespace {

using benchutil::Bytes;
using Clock = std::chrono::steady_clock;

// Objects per second with threads threads, each doing rounds passes over
// certs.
double Throughput(TPkixService* s, const std::vector<Bytes>& certs, int threads, int rounds) {
  auto work = [&] {
    for (int r = 0; r < rounds; ++r) {
      for (const Bytes& c : certs) benchutil::Ours(s, c, true);
    }
  };
  work();  // warm up every cache once
  auto start = Clock::now();
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(work);
  for (std::thread& t : pool) t.join();
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return static_cast<double>(threads) * rounds * certs.size() / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  // A first argument that is a number sets the rounds; flags meant for the
  // other benchmarks are ignored.
  int rounds = 2000;
  if (argc > 1 && std::atoi(argv[1]) > 0) rounds = std::atoi(argv[1]);
  pkixtest::InProcessManager mgr;
  benchutil::ConversionBinding conversion;
  CMN_GRefPtr<TPkixService> hold(createTPkixService());
  std::vector<Bytes> certs;
  for (const char* f : {"root-ca", "sub-ca", "server", "revoked", "md5-user"}) {
    certs.push_back(benchutil::ReadFile(std::string(PKIX_SOURCE_DIR) + "/examples/certs/" + f + ".der"));
  }
  unsigned cores = std::thread::hardware_concurrency();
  std::printf("createTCert + queries, %zu certificates x %d rounds per thread, %u cores\n", certs.size(), rounds,
              cores);
  double one = 0, two = 0;
  for (int threads = 1; threads <= 4; ++threads) {
    double per_second = Throughput(hold.get(), certs, threads, rounds);
    if (threads == 1) one = per_second;
    if (threads == 2) two = per_second;
    std::printf("  %d thread%s %10.0f objects/s  %.2f x one thread\n", threads, threads == 1 ? " " : "s", per_second,
                per_second / one);
  }
  benchutil::Target("createTCert+queries, two threads / one thread", two / one, false, 1.8);
  return 0;
}
