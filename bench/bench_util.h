// What the benchmarks share: reading a sample file, keeping each run's CPU
// time so that main can print our operation's time against the peer's, and
// binding the module's algorithm conversion client for the process.
#ifndef PKIX_BENCH_BENCH_UTIL_H_
#define PKIX_BENCH_BENCH_UTIL_H_

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "alg/pki_cnvrt_c.h"
#include "alg/pki_cnvrt_s.h"
#include "framework/cmn_gref.h"
#include "support/abuf.h"

namespace benchutil {

using Bytes = std::vector<unsigned char>;

// The whole file; empty when it cannot be read.
inline Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The console report, keeping the CPU time per iteration of every run by
// its function name ("ours_parse") and by its full name with arguments
// ("ours_parse/1000"); with repetitions, the aggregate named ("median"
// unless told).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::string aggregate = "median") : aggregate_(std::move(aggregate)) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration || r.aggregate_name == aggregate_) {
        cpu_[r.run_name.function_name] = r.GetAdjustedCPUTime();
        cpu_[r.run_name.str()] = r.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // The CPU time of the run, 0 when it did not run.
  double cpu(const std::string& name) const {
    auto it = cpu_.find(name);
    return it == cpu_.end() ? 0 : it->second;
  }

 private:
  std::string aggregate_;
  std::map<std::string, double> cpu_;
};

// The module's conversion client bound to a conversion service of its own
// while this lives (under a manager that offers the buffer service).
class ConversionBinding {
 public:
  ConversionBinding() : service_(createAlgCnvrtSrv()) {
    PkiAlgCnvrt bound(service_.get());
    cnvrt = bound;
  }
  ~ConversionBinding() {
    PkiAlgCnvrt empty(nullptr);
    cnvrt = empty;
  }
  ConversionBinding(const ConversionBinding&) = delete;
  ConversionBinding& operator=(const ConversionBinding&) = delete;

 private:
  CMN_GRefPtr<TPkiAlgCnvrt> service_;
};

// Prints one ratio with its target, in the one form scripts/bench
// gathers: "TARGET <what> = <value> (target <= or >= <bound>): met".
inline void Target(const char* what, double value, bool at_most, double bound) {
  bool met = at_most ? value <= bound : value >= bound;
  std::printf("TARGET %s = %.2f (target %s %.2f): %s\n", what, value, at_most ? "<=" : ">=", bound,
              met ? "met" : "NOT met");
}

}  // namespace benchutil

#endif  // PKIX_BENCH_BENCH_UTIL_H_
