// The one clock the module reads the current time from. Certificate and CRL
// objects ask it when checking validity and CRL periods; tests and tools
// replace it with a fixed time so that no result depends on the wall clock.
#ifndef PKIX_SUPPORT_CLOCK_H_
#define PKIX_SUPPORT_CLOCK_H_

#include <cstdint>

namespace pkixclock {

// A source of the current time in seconds since 1970-01-01T00:00:00Z.
using Source = int64_t (*)();

// The current time from the installed source (the system's clock unless
// replaced).
int64_t now();

// Installs s as the source (null restores the system's clock); returns the
// source it replaces. Safe to call while other threads read the clock.
Source setSource(Source s);

// Makes the clock answer t for the life of the scope (tests, tools), then
// puts back what was there. Scopes nest; one fixed time is kept process-wide.
class FixedTime {
 public:
  explicit FixedTime(int64_t t);
  ~FixedTime();
  FixedTime(const FixedTime&) = delete;
  FixedTime& operator=(const FixedTime&) = delete;

 private:
  Source previous_;
  int64_t previous_time_;
};

}  // namespace pkixclock

#endif  // PKIX_SUPPORT_CLOCK_H_
