// The host's logging service (pkixid::kLogging). Each message a module sends (identifier,
// resource, numbered variables) goes to a sink the host chooses: standard
// error by default, a capture in tests.
#ifndef PKIX_HOST_HOSTLOG_H_
#define PKIX_HOST_HOSTLOG_H_

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "contract/cmnlog.h"
#include "contract/service_ids.h"

namespace pkixhost {

constexpr uint32_t kLogServiceID = pkixid::kLogging;

struct LogRecord {
  uint32_t id = 0;
  uint32_t resource = 0;
  // Variables by number, each rendered as text (octet strings in hex,
  // addresses dotted).
  std::vector<std::pair<unsigned, std::string>> vars;
  // The variable with number n, or null.
  const std::string* var(unsigned n) const;
  // "0x600F1 [res 3] 1=... 2=..."
  std::string text() const;
};

using LogSink = std::function<void(const LogRecord&)>;

// Replaces the sink; an empty function restores standard error.
void setLogSink(LogSink sink);

// Collects every message sent while it lives.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  std::vector<LogRecord> records() const;
  // Messages with identifier id.
  std::vector<LogRecord> with(uint32_t id) const;

 private:
  mutable std::mutex lock_;
  std::vector<LogRecord> records_;
};

// A new logging service with count 0.
TCMNLog* createLogService();

}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTLOG_H_
