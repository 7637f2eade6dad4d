// Certificate objects from several threads: createTCert with the typical
// queries, the same fixed work split over 1, 2, 3 and 4 threads, and the
// throughput of each against one thread's (the objects are the threads'
// own; the module lock, the object manager and the service stubs are
// shared). Wall-clock throughput: run it on an otherwise quiet machine.
// Beside it each line gives the CPU time the workers spent per object and
// how often per object they gave up the CPU while waiting (voluntary
// context switches: blocked locks): two figures that other load on the
// machine disturbs much less, and that stay flat when threads do not get in
// each other's way.
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <algorithm>
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

// The CPU time the calling thread has used, in nanoseconds.
long long ThreadCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The voluntary context switches of the calling thread so far.
long ThreadWaits() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return u.ru_nvcsw;
}

struct Run {
  double per_second;    // objects per second, all threads together
  double cpu_ns;        // worker CPU time per object
  double waits;         // voluntary context switches per object
};

// Throughput with threads threads, each doing rounds passes over certs.
Run Measure(TPkixService* s, const std::vector<Bytes>& certs, int threads, int rounds) {
  std::atomic<long long> cpu{0};
  std::atomic<long> waits{0};
  auto work = [&] {
    long long cpu_before = ThreadCpuNs();
    long waits_before = ThreadWaits();
    for (int r = 0; r < rounds; ++r) {
      for (const Bytes& c : certs) benchutil::Ours(s, c, true);
    }
    cpu += ThreadCpuNs() - cpu_before;
    waits += ThreadWaits() - waits_before;
  };
  work();  // warm up every cache once
  cpu = 0;
  waits = 0;
  auto start = Clock::now();
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(work);
  for (std::thread& t : pool) t.join();
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  double objects = static_cast<double>(threads) * rounds * certs.size();
  return {objects / seconds, static_cast<double>(cpu.load()) / objects, static_cast<double>(waits.load()) / objects};
}

// The run with the median throughput of kRepeats: one short run is at the
// mercy of whatever else the machine does for its few tens of
// milliseconds.
constexpr int kRepeats = 5;
Run Median(TPkixService* s, const std::vector<Bytes>& certs, int threads, int rounds) {
  std::vector<Run> runs;
  for (int i = 0; i < kRepeats; ++i) runs.push_back(Measure(s, certs, threads, rounds));
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.per_second < b.per_second; });
  return runs[kRepeats / 2];
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
  std::printf("createTCert + queries, %zu certificates x %d rounds per thread, %u cores, median of %d runs\n",
              certs.size(), rounds, cores, kRepeats);
  double one = 0, two = 0;
  for (int threads = 1; threads <= 4; ++threads) {
    Run run = Median(hold.get(), certs, threads, rounds);
    if (threads == 1) one = run.per_second;
    if (threads == 2) two = run.per_second;
    std::printf("  %d thread%s %10.0f objects/s  %.2f x one thread  %7.0f cpu ns/object  %.3f waits/object\n",
                threads, threads == 1 ? " " : "s", run.per_second, run.per_second / one, run.cpu_ns, run.waits);
  }
  benchutil::Target("createTCert+queries, two threads / one thread", two / one, false, 1.8);
  return 0;
}
