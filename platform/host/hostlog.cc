#include "host/hostlog.h"

#include <cinttypes>
#include <cstdio>
#include <new>

#include "support/result_codes.h"

namespace pkixhost {

namespace {

std::mutex gSinkLock;
LogSink gSink;

void Emit(const LogRecord& r) {
  std::lock_guard<std::mutex> g(gSinkLock);
  if (gSink) {
    gSink(r);
  } else {
    std::fprintf(stderr, "log: %s\n", r.text().c_str());
  }
}

std::string Hex(const unsigned char* data, unsigned len) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (unsigned i = 0; i < len; ++i) {
    s += kDigits[data[i] >> 4];
    s += kDigits[data[i] & 15];
  }
  return s;
}

class HostLogContainer : public TLogContainer {
 public:
  HostLogContainer(LogMsgID id, cmn_resource res) { record_.id = id, record_.resource = res; }
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  LogMsgDetailing getMsgDetailing() override { return 0; }
  int setMsgPart(LogMsgDetailing, const char* text) override { return Add(0, text == nullptr ? "" : text); }
  int addVar(unsigned n, int v) override { return Add(n, std::to_string(v)); }
  int addVar(unsigned n, unsigned v) override { return Add(n, std::to_string(v)); }
  int addVar(unsigned n, unsigned long long v) override { return Add(n, std::to_string(v)); }
  int addVar(unsigned n, const char* v) override { return Add(n, v == nullptr ? "(null)" : v); }
  int addVar(unsigned n, unsigned char* data, unsigned len) override {
    return Add(n, data == nullptr ? std::string() : Hex(data, len));
  }
  int addResVar(unsigned n, cmn_resource res) override { return Add(n, "res:" + std::to_string(res)); }
  int addIPVar(unsigned n, unsigned addr) override {
    // The address is in network order as the module holds it.
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&addr);
    return Add(n, std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                      std::to_string(b[3]));
  }
  const char* getMsg() override {
    text_ = record_.text();
    return text_.c_str();
  }
  int send() override {
    Emit(record_);
    return pkixrc::kOk;
  }

 private:
  int Add(unsigned n, std::string v) {
    record_.vars.emplace_back(n, std::move(v));
    return pkixrc::kOk;
  }
  LogRecord record_;
  std::string text_;
};

class HostLog : public TCMNLog {
 public:
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  int create(unsigned) override { return pkixrc::kOk; }
  TLogContainer* createContainer(LogMsgID id, cmn_resource res, int) override {
    return new (std::nothrow) HostLogContainer(id, res);
  }
  TLogContainer* createContainer(LogMsgID id, const unsigned* res, int) override {
    return new (std::nothrow) HostLogContainer(id, res == nullptr ? 0 : *res);
  }
  LogMsgSeverity getMsgSeverity(LogMsgID) override { return severity_; }
  LogMsgDetailing getMsgDetailing(LogMsgID) override { return 0; }
  int setMsgDescriptions(const LogMsgDesc*, unsigned) override { return pkixrc::kOk; }
  LogMsgSeverity getCurrSeverity() override { return severity_; }
  int setCurrSeverity(LogMsgSeverity s) override {
    severity_ = s;
    return pkixrc::kOk;
  }
  LogMsgSeverity getSectionSeverity(LogMsgSection) override { return severity_; }
  int setSectionSeverity(LogMsgSection, LogMsgSeverity) override { return pkixrc::kOk; }
  int printMsg(LogMsgID id, const char* text) override {
    LogRecord r;
    r.id = id;
    r.vars.emplace_back(0, text == nullptr ? "" : text);
    Emit(r);
    return pkixrc::kOk;
  }

 private:
  LogMsgSeverity severity_ = 0;
};

LogCapture* gCapture = nullptr;

}  // namespace

const std::string* LogRecord::var(unsigned n) const {
  for (const auto& v : vars) {
    if (v.first == n) return &v.second;
  }
  return nullptr;
}

std::string LogRecord::text() const {
  char head[48];
  std::snprintf(head, sizeof head, "0x%" PRIX32 " [res %" PRIu32 "]", id, resource);
  std::string s = head;
  for (const auto& v : vars) s += " " + std::to_string(v.first) + "=" + v.second;
  return s;
}

void setLogSink(LogSink sink) {
  std::lock_guard<std::mutex> g(gSinkLock);
  gSink = std::move(sink);
}

LogCapture::LogCapture() {
  gCapture = this;
  setLogSink([](const LogRecord& r) {
    std::lock_guard<std::mutex> g(gCapture->lock_);
    gCapture->records_.push_back(r);
  });
}

LogCapture::~LogCapture() {
  setLogSink(nullptr);
  gCapture = nullptr;
}

std::vector<LogRecord> LogCapture::records() const {
  std::lock_guard<std::mutex> g(lock_);
  return records_;
}

std::vector<LogRecord> LogCapture::with(uint32_t id) const {
  std::vector<LogRecord> out;
  for (const LogRecord& r : records()) {
    if (r.id == id) out.push_back(r);
  }
  return out;
}

TCMNLog* createLogService() { return new HostLog; }

}  // namespace pkixhost
