#include "support/clock.h"

#include <atomic>
#include <ctime>

namespace pkixclock {
namespace {

int64_t systemTime() { return static_cast<int64_t>(std::time(nullptr)); }

std::atomic<Source> g_source{nullptr};
std::atomic<int64_t> g_fixed{0};

int64_t fixedTime() { return g_fixed.load(std::memory_order_relaxed); }

}  // namespace

int64_t now() {
  Source s = g_source.load(std::memory_order_acquire);
  return s != nullptr ? s() : systemTime();
}

Source setSource(Source s) { return g_source.exchange(s, std::memory_order_acq_rel); }

FixedTime::FixedTime(int64_t t) : previous_time_(g_fixed.load()) {
  g_fixed.store(t);
  previous_ = setSource(fixedTime);
}

FixedTime::~FixedTime() {
  g_fixed.store(previous_time_);
  setSource(previous_);
}

}  // namespace pkixclock
