#include "host/hostldap.h"

#include <errno.h>
#include <lber.h>
#include <ldap.h>
#include <strings.h>
#include <sys/time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "contract/tbuf.h"
#include "framework/cmn_rmutex.h"
#include "host/hostldap_answer.h"
#include "host/hostldap_text.h"
#include "name/tname.h"
#include "support/ref.h"
#include "support/result_codes.h"

// Names are the module's objects: this file is built without the vptr check
// (platform/host/CMakeLists.txt), since their type information is the
// module's, not this library's.

namespace pkixhost {

namespace {

using Req = CMN_LdapReqCont_I;

std::atomic<int> gLiveRequests{0};
std::atomic<int> gLiveConnections{0};

// Defaults of the four timeouts, in milliseconds.
constexpr unsigned kDefaultConnectMs = 5000;
constexpr unsigned kDefaultResponseMs = 30000;
constexpr unsigned kDefaultHoldMs = 10000;
constexpr unsigned kDefaultDropMs = 60000;
// Room above the answer cap for the protocol's own octets in one message.
constexpr size_t kFramingMargin = 1u << 20;
constexpr uint16_t kDefaultPort = 389;
constexpr size_t kHostMax = TLdapConnectionKey::kHostMax - 1;
constexpr char kAnyObject[] = "(objectClass=*)";

uint64_t SteadyMs() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

// A host name or address as libldap may be given it: letters, digits and
// . - _ : (IPv6), 1 to 255 octets. Anything else (spaces, commas, slashes)
// could make libldap read more than one server or a URL out of it.
bool ValidHost(const char* host) {
  if (host == nullptr) return false;
  size_t n = strnlen(host, kHostMax + 1);
  if (n == 0 || n > kHostMax) return false;
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(host[i]);
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
              c == '-' || c == '_' || c == ':';
    if (!ok) return false;
  }
  return true;
}

bool KeyHost(const TLdapConnectionKey& key, std::string* host) {
  size_t n = strnlen(key.host, TLdapConnectionKey::kHostMax);
  if (n == TLdapConnectionKey::kHostMax) return false;
  host->assign(key.host, n);
  return ValidHost(host->c_str());
}

uint16_t PortOr389(unsigned port) { return port == 0 ? kDefaultPort : static_cast<uint16_t>(port); }

// Runs f, turning a failed allocation into kNoMemory and any other
// exception (a thread that could not be made) into kFailed: nothing throws
// across the interface.
template <class F>
int NoThrow(F f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return pkixrc::kNoMemory;
  } catch (...) {
    return pkixrc::kFailed;
  }
}

struct LdapClose {
  void operator()(LDAP* ld) const {
    ldap_unbind_ext_s(ld, nullptr, nullptr);
    --gLiveConnections;
  }
};
using Connection = std::unique_ptr<LDAP, LdapClose>;

struct MsgFree {
  void operator()(LDAPMessage* m) const { ldap_msgfree(m); }
};
using Message = std::unique_ptr<LDAPMessage, MsgFree>;

struct BerFree {
  void operator()(BerElement* b) const { ber_free(b, 0); }
};
struct ValuesFree {
  void operator()(struct berval** v) const { ldap_value_free_len(v); }
};
struct MemFree {
  void operator()(char* p) const { ldap_memfree(p); }
};

// One server the service knows: configured with AddConnection, or a
// wildcard one met in a URL or added with WildConnectionAdd.
struct Server {
  std::string host;
  uint16_t port = kDefaultPort;
  bool configured = false;
  std::vector<Connection> idle;
  int busy = 0;
  uint64_t last_used = 0;
  uint64_t down_until = 0;
  // Bumped when every connection is closed: connections in use that were
  // made before are closed when given back.
  uint64_t generation = 0;

  bool is(const std::string& h, uint16_t p) const { return port == p && strcasecmp(host.c_str(), h.c_str()) == 0; }
};

// A timer on the service's thread. Callers' timers are numbered by them;
// the connection killer and each wildcard connection's drop timer are the
// service's own.
struct Timer {
  enum class Owner { kCaller, kKiller, kWild };
  Owner owner = Owner::kCaller;
  int id = 0;
  std::string host;  // kWild: the connection's key
  uint16_t port = 0;
  uint64_t due = 0;  // steady milliseconds
  uint64_t period = 0;
  bool repeat = false;
  void* context = nullptr;
  TLdapTimerCallback fire = nullptr;
  TLdapTimerCallback removed = nullptr;
};

// What one search found, and how it ended.
struct Outcome {
  int status = Req::kResNotSent;
  int code = pkixrc::kOk;
};

// The working part of the service, shared by the service object and every
// request it made, so that requests outliving the service stay safe (they
// then answer 40).
class Core : public std::enable_shared_from_this<Core> {
 public:
  explicit Core(const LdapServiceOptions& o) : options_(o) {}
  ~Core() { stop(); }

  uint64_t now() const { return options_.now_ms != nullptr ? options_.now_ms() : SteadyMs(); }

  int start();
  int stop();

  int addServer(const char* host, unsigned short port, const char* scheme);
  int removeServer(const char* host, unsigned short port);
  int removeAll();

  std::atomic<unsigned> connect_ms{kDefaultConnectMs};
  std::atomic<unsigned> response_ms{kDefaultResponseMs};
  std::atomic<unsigned> hold_ms{kDefaultHoldMs};
  std::atomic<unsigned> drop_ms{kDefaultDropMs};

  // Connection lookup under the table lock a caller may keep.
  int find(const TLdapConnectionKey& key, bool lock, bool wild_only);
  int first();
  int next();
  int unlock();
  int current(TLdapConnectionKey* out);

  int createTimer(Timer t);
  int removeTimer(Timer::Owner owner, int id, const std::string& host, uint16_t port, bool any_id);
  int armKiller();
  int closeAll();
  int markUsage(int delta);

  int wildAdd(const TLdapConnectionKey& key);
  int wildRemove(const TLdapConnectionKey& key);
  int wildTimer(const TLdapConnectionKey& key, bool arm);

  // One base search of dn at the server (host empty: the default server),
  // asking for attrs; the values land in *answer.
  Outcome search(const std::string& host, uint16_t port, const std::string& dn,
                 const std::vector<const LdapAttribute*>& attrs, unsigned timeout_ms, LdapAnswer* answer);

  size_t max_answer() const { return options_.max_answer; }

 private:
  // The server under host and port, or null. Table lock held.
  Server* findServer(const std::string& host, uint16_t port);
  // Where a request without host goes: the first configured server.
  Server* defaultServer();
  // Arms (or re-arms) the drop timer of a wildcard server. Table lock held.
  int armWild(const Server& s);
  // Makes the timer thread when the service runs and none is running.
 public:
  // Never called with the table lock held: Stop may be waiting for the
  // thread, which may be waiting for that lock.
  void ensureThread();

 private:
  void timerLoop(uint64_t generation);
  bool onTimerThread() const { return timer_thread_id_.load() == std::this_thread::get_id(); }
  void sweepIdle();
  void wildExpired(const std::string& host, uint16_t port);
  bool holdsTable() const { return table_holder_.load() == std::this_thread::get_id() && table_depth_ > 0; }
  Connection connect(const std::string& host, uint16_t port);
  Outcome runSearch(LDAP* ld, const std::string& dn, const std::vector<const LdapAttribute*>& attrs,
                    unsigned timeout_ms, LdapAnswer* answer, bool* broken);
  void giveBack(const std::string& host, uint16_t port, uint64_t generation, Connection c);

  LdapServiceOptions options_;
  std::atomic<bool> started_{false};
  std::atomic<int> active_usage_{0};

  std::recursive_mutex table_;
  std::vector<std::unique_ptr<Server>> servers_;
  // The caller that keeps the table lock across calls, and where it stands.
  // Only the holder writes them; others read table_holder_ to learn that
  // they are not it.
  std::atomic<std::thread::id> table_holder_{std::thread::id()};
  int table_depth_ = 0;
  size_t cursor_ = 0;

  std::mutex timers_mu_;
  std::condition_variable timers_cv_;
  std::vector<Timer> timers_;
  // thread_mu_ guards the thread object and, with it, the decision to
  // start or stop: Start and Stop change started_ under it.
  std::mutex thread_mu_;
  std::thread timer_thread_;
  std::atomic<std::thread::id> timer_thread_id_{std::thread::id()};
  // A timer thread runs while the generation it was made for is current
  // (timers_mu_); Stop moves it on.
  uint64_t timer_generation_ = 0;
  // The timer whose callback runs, so that removing it waits for the call.
  int running_id_ = 0;
  Timer::Owner running_owner_ = Timer::Owner::kCaller;
  bool running_any_ = false;
  int next_wild_id_ = 1;
};

int Core::start() {
  {
    std::lock_guard<std::mutex> th(thread_mu_);
    started_ = true;
  }
  armKiller();
  bool wild = false;
  {
    std::lock_guard<std::recursive_mutex> t(table_);
    for (auto& s : servers_) {
      if (!s->configured) wild = armWild(*s) == pkixrc::kOk || wild;
    }
  }
  if (wild) ensureThread();
  return pkixrc::kOk;
}

int Core::stop() {
  std::vector<Timer> gone;
  std::thread ending;
  {
    std::lock_guard<std::mutex> th(thread_mu_);
    started_ = false;
    {
      std::lock_guard<std::mutex> lk(timers_mu_);
      ++timer_generation_;
      gone.swap(timers_);
      timers_cv_.notify_all();
    }
    ending = std::move(timer_thread_);
  }
  if (ending.joinable()) {
    if (ending.get_id() == std::this_thread::get_id()) {
      ending.detach();  // Stop from a timer's own callback: the loop ends after it
    } else {
      ending.join();
    }
  }
  for (const Timer& t : gone) {
    if (t.removed != nullptr) t.removed(t.context, t.id);
  }
  closeAll();
  return pkixrc::kOk;
}

Server* Core::findServer(const std::string& host, uint16_t port) {
  for (auto& s : servers_) {
    if (s->is(host, port)) return s.get();
  }
  return nullptr;
}

Server* Core::defaultServer() {
  for (auto& s : servers_) {
    if (s->configured) return s.get();
  }
  return nullptr;
}

int Core::addServer(const char* host, unsigned short port, const char* scheme) {
  if (!ValidHost(host)) return pkixrc::kBadArgument;
  if (scheme != nullptr && strcasecmp(scheme, "ldap") != 0) return pkixrc::kWrongType;
  std::lock_guard<std::recursive_mutex> t(table_);
  uint16_t p = PortOr389(port);
  Server* known = findServer(host, p);
  if (known != nullptr) {
    if (known->configured) return pkixrc::kAlreadyPresent;
    known->configured = true;  // a wildcard connection becomes a configured one
    removeTimer(Timer::Owner::kWild, 0, known->host, known->port, true);
    return pkixrc::kOk;
  }
  auto s = std::make_unique<Server>();
  s->host = host;
  s->port = p;
  s->configured = true;
  servers_.push_back(std::move(s));
  return pkixrc::kOk;
}

int Core::removeServer(const char* host, unsigned short port) {
  if (!ValidHost(host)) return pkixrc::kBadArgument;
  std::vector<Connection> closing;
  std::lock_guard<std::recursive_mutex> t(table_);
  uint16_t p = PortOr389(port);
  for (size_t i = 0; i < servers_.size(); ++i) {
    if (!servers_[i]->is(host, p)) continue;
    if (!servers_[i]->configured) removeTimer(Timer::Owner::kWild, 0, servers_[i]->host, p, true);
    closing.swap(servers_[i]->idle);
    servers_.erase(servers_.begin() + static_cast<std::ptrdiff_t>(i));
    if (cursor_ > i) --cursor_;
    return pkixrc::kOk;
  }
  return pkixrc::kNotFound;
}

int Core::removeAll() {
  std::vector<std::unique_ptr<Server>> gone;
  {
    std::lock_guard<std::recursive_mutex> t(table_);
    gone.swap(servers_);
    cursor_ = 0;
  }
  for (auto& s : gone) {
    if (!s->configured) removeTimer(Timer::Owner::kWild, 0, s->host, s->port, true);
  }
  return pkixrc::kOk;
}

int Core::find(const TLdapConnectionKey& key, bool lock, bool wild_only) {
  std::string host;
  if (!KeyHost(key, &host)) return pkixrc::kBadArgument;
  std::unique_lock<std::recursive_mutex> t(table_);
  for (size_t i = 0; i < servers_.size(); ++i) {
    if (!servers_[i]->is(host, PortOr389(key.port)) || (wild_only && servers_[i]->configured)) continue;
    if (lock) {
      t.release();  // kept for the caller until it unlocks
      table_holder_ = std::this_thread::get_id();
      ++table_depth_;
      cursor_ = i;
    }
    return pkixrc::kOk;
  }
  return pkixrc::kNotFound;
}

int Core::first() {
  std::unique_lock<std::recursive_mutex> t(table_);
  if (servers_.empty()) return pkixrc::kNotFound;
  t.release();
  table_holder_ = std::this_thread::get_id();
  ++table_depth_;
  cursor_ = 0;
  return pkixrc::kOk;
}

int Core::next() {
  if (!holdsTable()) return pkixrc::kUnavailable;
  if (cursor_ + 1 >= servers_.size()) {
    cursor_ = servers_.size();
    return pkixrc::kNotFound;
  }
  ++cursor_;
  return pkixrc::kOk;
}

int Core::unlock() {
  if (!holdsTable()) return pkixrc::kUnavailable;
  if (--table_depth_ == 0) table_holder_ = std::thread::id();
  table_.unlock();
  return pkixrc::kOk;
}

int Core::current(TLdapConnectionKey* out) {
  if (out == nullptr) return pkixrc::kBadArgument;
  if (!holdsTable() || cursor_ >= servers_.size()) return pkixrc::kUnavailable;
  const Server& s = *servers_[cursor_];
  memset(out->host, 0, sizeof out->host);
  memcpy(out->host, s.host.data(), s.host.size());
  out->port = s.port;
  return pkixrc::kOk;
}

void Core::ensureThread() {
  if (onTimerThread()) return;
  std::lock_guard<std::mutex> th(thread_mu_);
  if (timer_thread_.joinable() || !started_) return;
  uint64_t generation;
  {
    std::lock_guard<std::mutex> lk(timers_mu_);
    generation = timer_generation_;
  }
  timer_thread_ = std::thread([this, generation] { timerLoop(generation); });
}

// Adds a timer; the caller makes sure the thread runs (ensureThread) once
// it holds no table lock.
int Core::createTimer(Timer t) {
  if (!started_) return pkixrc::kUnavailable;
  {
    std::lock_guard<std::mutex> lk(timers_mu_);
    for (const Timer& other : timers_) {
      if (other.owner == t.owner && other.id == t.id) return pkixrc::kAlreadyPresent;
    }
    t.due = SteadyMs() + t.period;
    timers_.push_back(std::move(t));
    timers_cv_.notify_all();
  }
  return pkixrc::kOk;
}

int Core::removeTimer(Timer::Owner owner, int id, const std::string& host, uint16_t port, bool any_id) {
  Timer gone;
  {
    std::unique_lock<std::mutex> lk(timers_mu_);
    auto matches = [&](const Timer& t) {
      if (t.owner != owner) return false;
      if (owner == Timer::Owner::kWild) {
        return t.port == port && strcasecmp(t.host.c_str(), host.c_str()) == 0 && (any_id || t.id == id);
      }
      return t.id == id;
    };
    size_t i = 0;
    while (i < timers_.size() && !matches(timers_[i])) ++i;
    if (i == timers_.size()) return pkixrc::kNotFound;
    gone = timers_[i];
    timers_.erase(timers_.begin() + static_cast<std::ptrdiff_t>(i));
    // A caller's callback of this timer running on the timer thread
    // finishes first, so that the caller may free its context once this
    // returns. (The service's own timers need no wait: their work takes the
    // table lock, which the remover may hold.)
    if (owner == Timer::Owner::kCaller && !onTimerThread()) {
      timers_cv_.wait(lk, [&] {
        return !(running_any_ && running_owner_ == gone.owner && running_id_ == gone.id);
      });
    }
  }
  if (gone.removed != nullptr) gone.removed(gone.context, gone.id);
  return pkixrc::kOk;
}

int Core::armKiller() {
  if (!started_) return pkixrc::kUnavailable;
  Timer t;
  t.owner = Timer::Owner::kKiller;
  t.period = drop_ms.load();
  t.repeat = true;
  return createTimer(t);
}

int Core::armWild(const Server& s) {
  removeTimer(Timer::Owner::kWild, 0, s.host, s.port, true);
  Timer t;
  t.owner = Timer::Owner::kWild;
  t.id = next_wild_id_++;
  t.host = s.host;
  t.port = s.port;
  t.period = drop_ms.load();
  t.repeat = true;
  return createTimer(t);
}

void Core::timerLoop(uint64_t generation) {
  timer_thread_id_ = std::this_thread::get_id();
  std::unique_lock<std::mutex> lk(timers_mu_);
  while (generation == timer_generation_) {
    uint64_t now_ms = SteadyMs();
    size_t due = timers_.size();
    uint64_t earliest = UINT64_MAX;
    for (size_t i = 0; i < timers_.size(); ++i) {
      if (timers_[i].due < earliest) {
        earliest = timers_[i].due;
        due = i;
      }
    }
    if (due == timers_.size()) {
      timers_cv_.wait(lk);
      continue;
    }
    if (earliest > now_ms) {
      timers_cv_.wait_for(lk, std::chrono::milliseconds(earliest - now_ms));
      continue;
    }
    Timer t = timers_[due];
    if (t.repeat) {
      timers_[due].due = now_ms + (t.period == 0 ? 1 : t.period);
    } else {
      timers_.erase(timers_.begin() + static_cast<std::ptrdiff_t>(due));
    }
    running_any_ = true;
    running_owner_ = t.owner;
    running_id_ = t.id;
    lk.unlock();
    switch (t.owner) {
      case Timer::Owner::kCaller:
        if (t.fire != nullptr) t.fire(t.context, t.id);
        if (!t.repeat && t.removed != nullptr) t.removed(t.context, t.id);
        break;
      case Timer::Owner::kKiller:
        sweepIdle();
        break;
      case Timer::Owner::kWild:
        wildExpired(t.host, t.port);
        break;
    }
    lk.lock();
    running_any_ = false;
    timers_cv_.notify_all();
  }
  std::thread::id self = std::this_thread::get_id();
  timer_thread_id_.compare_exchange_strong(self, std::thread::id());
}

// The connection killer's round: every idle connection of a server unused
// for the drop timeout is closed, unless a caller marked the connections in
// use.
void Core::sweepIdle() {
  if (active_usage_ > 0) return;
  std::vector<Connection> closing;
  std::lock_guard<std::recursive_mutex> t(table_);
  uint64_t now_ms = now();
  for (auto& s : servers_) {
    if (now_ms - s->last_used < drop_ms) continue;
    for (auto& c : s->idle) closing.push_back(std::move(c));
    s->idle.clear();
  }
}

// A wildcard connection's drop timer: unused for the drop timeout, it is
// closed and forgotten; otherwise it waits for the next round.
void Core::wildExpired(const std::string& host, uint16_t port) {
  std::vector<Connection> closing;
  std::lock_guard<std::recursive_mutex> t(table_);
  for (size_t i = 0; i < servers_.size(); ++i) {
    Server& s = *servers_[i];
    if (!s.is(host, port) || s.configured) continue;
    if (s.busy > 0 || now() - s.last_used < drop_ms) return;
    closing.swap(s.idle);
    servers_.erase(servers_.begin() + static_cast<std::ptrdiff_t>(i));
    if (cursor_ > i) --cursor_;
    removeTimer(Timer::Owner::kWild, 0, host, port, true);
    return;
  }
}

int Core::closeAll() {
  std::vector<Connection> closing;
  {
    std::lock_guard<std::recursive_mutex> t(table_);
    for (auto& s : servers_) {
      for (auto& c : s->idle) closing.push_back(std::move(c));
      s->idle.clear();
      ++s->generation;
    }
  }
  return static_cast<int>(closing.size());
}

int Core::markUsage(int delta) {
  if (delta > 0) {
    ++active_usage_;
    return pkixrc::kOk;
  }
  int seen = active_usage_.load();
  while (seen > 0) {
    if (active_usage_.compare_exchange_weak(seen, seen - 1)) return pkixrc::kOk;
  }
  return pkixrc::kUnavailable;
}

int Core::wildAdd(const TLdapConnectionKey& key) {
  std::string host;
  if (!KeyHost(key, &host)) return pkixrc::kBadArgument;
  std::unique_lock<std::recursive_mutex> t(table_);
  uint16_t port = PortOr389(key.port);
  if (findServer(host, port) != nullptr) return pkixrc::kAlreadyPresent;
  {
    auto s = std::make_unique<Server>();
    s->host = host;
    s->port = port;
    s->last_used = now();
    servers_.push_back(std::move(s));
    if (started_) armWild(*servers_.back());
  }
  t.unlock();
  ensureThread();
  return pkixrc::kOk;
}

int Core::wildRemove(const TLdapConnectionKey& key) {
  std::string host;
  if (!KeyHost(key, &host)) return pkixrc::kBadArgument;
  std::vector<Connection> closing;
  std::lock_guard<std::recursive_mutex> t(table_);
  uint16_t port = PortOr389(key.port);
  for (size_t i = 0; i < servers_.size(); ++i) {
    if (!servers_[i]->is(host, port) || servers_[i]->configured) continue;
    closing.swap(servers_[i]->idle);
    servers_.erase(servers_.begin() + static_cast<std::ptrdiff_t>(i));
    if (cursor_ > i) --cursor_;
    removeTimer(Timer::Owner::kWild, 0, host, port, true);
    return pkixrc::kOk;
  }
  return pkixrc::kNotFound;
}

int Core::wildTimer(const TLdapConnectionKey& key, bool arm) {
  std::string host;
  if (!KeyHost(key, &host)) return pkixrc::kBadArgument;
  std::unique_lock<std::recursive_mutex> t(table_);
  Server* s = findServer(host, PortOr389(key.port));
  if (s == nullptr || s->configured) return pkixrc::kNotFound;
  if (!arm) return removeTimer(Timer::Owner::kWild, 0, s->host, s->port, true);
  s->last_used = now();
  int rc = armWild(*s);
  t.unlock();
  ensureThread();
  return rc;
}

// libldap sets up its process-wide defaults on first use without guarding
// against two threads doing so at once; the first connection of the process
// does it here, once, before any other can.
void InitLibldapOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    int version = 0;
    ldap_get_option(nullptr, LDAP_OPT_PROTOCOL_VERSION, &version);
  });
}

Connection Core::connect(const std::string& host, uint16_t port) {
  InitLibldapOnce();
  std::string uri = "ldap://";
  uri += host.find(':') != std::string::npos ? "[" + host + "]" : host;
  uri += ":" + std::to_string(port);
  LDAP* raw = nullptr;
  if (ldap_initialize(&raw, uri.c_str()) != LDAP_SUCCESS || raw == nullptr) return Connection();
  ++gLiveConnections;
  Connection c(raw);
  int version = LDAP_VERSION3;
  unsigned ms = connect_ms.load();
  struct timeval network = {static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
  if (ldap_set_option(raw, LDAP_OPT_PROTOCOL_VERSION, &version) != LDAP_OPT_SUCCESS ||
      ldap_set_option(raw, LDAP_OPT_REFERRALS, LDAP_OPT_OFF) != LDAP_OPT_SUCCESS ||
      ldap_set_option(raw, LDAP_OPT_NETWORK_TIMEOUT, &network) != LDAP_OPT_SUCCESS) {
    return Connection();
  }
  if (ldap_connect(raw) != LDAP_SUCCESS) return Connection();
  Sockbuf* sb = nullptr;
  ber_len_t limit = static_cast<ber_len_t>(options_.max_answer + kFramingMargin);
  if (ldap_get_option(raw, LDAP_OPT_SOCKBUF, &sb) != LDAP_OPT_SUCCESS || sb == nullptr ||
      ber_sockbuf_ctrl(sb, LBER_SB_OPT_SET_MAX_INCOMING, &limit) != 1) {
    return Connection();
  }
  return c;
}

Outcome Core::runSearch(LDAP* ld, const std::string& dn, const std::vector<const LdapAttribute*>& attrs,
                        unsigned timeout_ms, LdapAnswer* answer, bool* broken) {
  Outcome out;
  *broken = false;
  std::vector<char*> names;
  for (const LdapAttribute* a : attrs) names.push_back(const_cast<char*>(a->name));
  names.push_back(nullptr);
  struct timeval tv = {static_cast<time_t>(timeout_ms / 1000), static_cast<suseconds_t>((timeout_ms % 1000) * 1000)};
  LDAPMessage* raw = nullptr;
  errno = 0;
  int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, kAnyObject, names.data(), 0, nullptr, nullptr, &tv,
                             1, &raw);
  int saved_errno = errno;
  Message res(raw);
  if (rc == LDAP_NO_SUCH_OBJECT) {
    out.status = Req::kResNoAnswer;
    out.code = pkixrc::kNotFound;
    return out;
  }
  if (rc == LDAP_SERVER_DOWN && saved_errno == ERANGE) {
    // The message passed the connection's size limit: the answer is too big.
    *broken = true;
    out.status = Req::kResFailed;
    out.code = pkixrc::kFailed;
    return out;
  }
  if (rc == LDAP_SERVER_DOWN || rc == LDAP_TIMEOUT || rc == LDAP_CONNECT_ERROR) {
    *broken = true;
    out.status = Req::kResUnreachable;
    out.code = pkixrc::kUnavailable;
    return out;
  }
  if (rc != LDAP_SUCCESS) {
    *broken = rc < 0;  // the library's own failures leave the connection in doubt
    out.status = Req::kResFailed;
    out.code = pkixrc::kFailed;
    return out;
  }
  for (LDAPMessage* e = ldap_first_entry(ld, res.get()); e != nullptr; e = ldap_next_entry(ld, e)) {
    BerElement* ber_raw = nullptr;
    char* name_raw = ldap_first_attribute(ld, e, &ber_raw);
    std::unique_ptr<BerElement, BerFree> ber(ber_raw);
    for (std::unique_ptr<char, MemFree> name(name_raw); name != nullptr;
         name.reset(ldap_next_attribute(ld, e, ber.get()))) {
      const LdapAttribute* a = ldapFindAttribute(name.get(), strlen(name.get()));
      bool asked = false;
      for (const LdapAttribute* w : attrs) asked = asked || w == a;
      if (!asked) continue;  // the server added what was not asked for
      std::unique_ptr<struct berval*, ValuesFree> values(ldap_get_values_len(ld, e, name.get()));
      for (size_t i = 0; values != nullptr && values.get()[i] != nullptr; ++i) {
        const struct berval* v = values.get()[i];
        int code = answer->add(a->kind, reinterpret_cast<const unsigned char*>(v->bv_val), v->bv_len);
        if (code != pkixrc::kOk) {
          answer->clear();
          out.status = Req::kResFailed;
          out.code = code == pkixrc::kNoMemory ? code : pkixrc::kFailed;
          return out;
        }
      }
    }
  }
  if (answer->total() == 0) {
    out.status = Req::kResNoAnswer;
    out.code = pkixrc::kNotFound;
  } else {
    out.status = Req::kResDone;
    out.code = pkixrc::kOk;
  }
  return out;
}

void Core::giveBack(const std::string& host, uint16_t port, uint64_t generation, Connection c) {
  std::lock_guard<std::recursive_mutex> t(table_);
  Server* s = findServer(host, port);
  if (s == nullptr) return;  // forgotten meanwhile: c closes
  --s->busy;
  s->last_used = now();
  if (c && started_ && s->generation == generation && s->idle.size() < kLdapIdlePerServer) {
    s->idle.push_back(std::move(c));
  }
}

Outcome Core::search(const std::string& host_in, uint16_t port_in, const std::string& dn,
                     const std::vector<const LdapAttribute*>& attrs, unsigned timeout_ms, LdapAnswer* answer) {
  Outcome unreachable{Req::kResUnreachable, pkixrc::kUnavailable};
  if (!started_) return unreachable;
  std::string host;
  uint16_t port;
  uint64_t generation;
  Connection c;
  bool wild_made = false;
  {
    std::lock_guard<std::recursive_mutex> t(table_);
    Server* s = host_in.empty() ? defaultServer() : findServer(host_in, port_in);
    if (s == nullptr && !host_in.empty()) {
      auto made = std::make_unique<Server>();
      made->host = host_in;
      made->port = port_in;
      made->last_used = now();
      servers_.push_back(std::move(made));
      s = servers_.back().get();
      wild_made = true;
    }
    if (s == nullptr) return unreachable;
    if (s->down_until > now()) return unreachable;
    host = s->host;
    port = s->port;
    generation = s->generation;
    ++s->busy;
    if (!s->idle.empty()) {
      c = std::move(s->idle.back());
      s->idle.pop_back();
    }
    if (wild_made) armWild(*s);
  }
  if (wild_made) ensureThread();
  unsigned wait_ms = timeout_ms != 0 ? timeout_ms : response_ms.load();
  // A reused connection may have broken while idle (the server restarted):
  // then the search runs once more on a new one.
  bool reused = static_cast<bool>(c);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!c) {
      c = connect(host, port);
      if (!c) {
        std::lock_guard<std::recursive_mutex> t(table_);
        Server* s = findServer(host, port);
        if (s != nullptr) s->down_until = now() + hold_ms.load();
        giveBack(host, port, generation, Connection());
        return unreachable;
      }
      ensureThread();
    }
    bool broken = false;
    answer->clear();
    Outcome out = runSearch(c.get(), dn, attrs, wait_ms, answer, &broken);
    if (broken) c.reset();
    if (broken && reused && attempt == 0 && out.status == Req::kResUnreachable) {
      reused = false;
      continue;
    }
    giveBack(host, port, generation, std::move(c));
    return out;
  }
  giveBack(host, port, generation, Connection());
  return unreachable;
}

// One fetch.
class LdapRequest : public CMN_LdapReqCont_I {
 public:
  LdapRequest(std::shared_ptr<Core> core, ReqType kind)
      : core_(std::move(core)), kind_(kind), answer_(core_->max_answer()) {
    ++gLiveRequests;
  }
  ~LdapRequest() override { --gLiveRequests; }
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }

  int setDN(TName* name) override {
    return Record(NoThrow([&] {
      if (name == nullptr) return pkixrc::kBadArgument;
      GuardLockVar calling(name->getGuard());
      Ref<TBuf> der = adoptRef(name->getRaw());
      if (!der) return pkixrc::kMalformed;
      return takeDer(der->datap(), der->len());
    }));
  }
  int setDN(const unsigned char* der, unsigned len) override {
    return Record(NoThrow([&] { return takeDer(der, len); }));
  }
  int setURL(const char* url) override {
    return Record(NoThrow([&] {
      LdapTarget target;
      int rc = ldapParseUrl(url, &target);
      if (rc != pkixrc::kOk) return rc;
      if (!target.host.empty() && !ValidHost(target.host.c_str())) return pkixrc::kMalformed;
      reset();
      target_ = std::move(target);
      by_url_ = true;
      server_host_.clear();
      server_port_ = 0;
      return pkixrc::kOk;
    }));
  }
  int setServer(const char* host, unsigned short port) override {
    return Record(NoThrow([&] {
      if (!ValidHost(host)) return pkixrc::kBadArgument;
      reset();
      server_host_ = host;
      server_port_ = PortOr389(port);
      return pkixrc::kOk;
    }));
  }
  int send(unsigned timeout_ms, void* reserved, int flags) override {
    if (reserved != nullptr || flags != 0) return Record(pkixrc::kBadArgument);
    return Record(NoThrow([&] {
      reset();
      if (!by_url_ && !by_dn_) {
        status_ = kResUnreachable;
        return pkixrc::kUnavailable;
      }
      std::vector<const LdapAttribute*> attrs;
      if (by_url_ && target_.attribute != nullptr) {
        attrs.push_back(target_.attribute);
      } else {
        attrs = AttributesOf(kind_);
      }
      status_ = kResSending;
      bool url_names_host = by_url_ && !target_.host.empty();
      const std::string& host = url_names_host ? target_.host : server_host_;
      uint16_t port = url_names_host ? target_.port : server_port_;
      Outcome out = core_->search(host, port, target_.dn, attrs, timeout_ms, &answer_);
      status_ = out.status;
      return out.code;
    }));
  }
  int getResStatus() override { return status_; }
  int error() override { return error_; }

  TCertList* getCertList() override { return Build(LdapValueKind::kCert, &ldapBuildCertList); }
  const unsigned char* getCertListDatap() override { return Datap(LdapValueKind::kCert); }
  unsigned getCertListDataLen() override { return DataLen(LdapValueKind::kCert); }
  TCRLList* getCrlList() override { return Build(LdapValueKind::kCrl, &ldapBuildCrlList); }
  const unsigned char* getCrlListDatap() override { return Datap(LdapValueKind::kCrl); }
  unsigned getCrlListDataLen() override { return DataLen(LdapValueKind::kCrl); }

  // The attributes a kind asks for, in table order.
  static std::vector<const LdapAttribute*> AttributesOf(ReqType kind) {
    std::vector<const LdapAttribute*> out;
    auto row = [](size_t i) { return &kLdapAttributes[i]; };
    switch (kind) {
      case kReqCrl: out = {row(0)}; break;
      case kReqArl: out = {row(1)}; break;
      case kReqCaCert: out = {row(2)}; break;
      case kReqUserCert: out = {row(3)}; break;
      case kReqAllCrls: out = {row(0), row(1)}; break;
      case kReqAllCerts: out = {row(2), row(3)}; break;
    }
    return out;
  }

 private:
  int Record(int code) {
    error_ = code;
    return code;
  }
  // Forgets the last answer: a changed or resent request starts afresh.
  void reset() {
    answer_.clear();
    status_ = kResNotSent;
  }
  int takeDer(const unsigned char* der, unsigned len) {
    std::string dn;
    int rc = ldapDnFromDer(der, len, &dn);
    if (rc != pkixrc::kOk) return rc;
    reset();
    target_ = LdapTarget();
    target_.dn = std::move(dn);
    by_url_ = false;
    by_dn_ = true;
    return pkixrc::kOk;
  }
  template <class List>
  List* Build(LdapValueKind kind, List* (*build)(const unsigned char*, size_t, int*)) {
    const std::vector<unsigned char>& octets = answer_.octets(kind);
    if (status_ != kResDone || octets.empty()) {
      Record(pkixrc::kNotFound);
      return nullptr;
    }
    int code = pkixrc::kOk;
    List* list = build(octets.data(), octets.size(), &code);
    Record(code);
    return list;
  }
  const unsigned char* Datap(LdapValueKind kind) {
    const std::vector<unsigned char>& octets = answer_.octets(kind);
    return status_ == kResDone && !octets.empty() ? octets.data() : nullptr;
  }
  unsigned DataLen(LdapValueKind kind) {
    return status_ == kResDone ? static_cast<unsigned>(answer_.octets(kind).size()) : 0;
  }

  std::shared_ptr<Core> core_;
  ReqType kind_;
  bool by_url_ = false;
  bool by_dn_ = false;
  LdapTarget target_;
  std::string server_host_;
  uint16_t server_port_ = 0;
  std::atomic<int> status_{kResNotSent};
  int error_ = pkixrc::kOk;
  LdapAnswer answer_;
};

// The service object: both interfaces over one Core.
class LdapService : public CMN_LdapClntSvc_Ext_I {
 public:
  explicit LdapService(const LdapServiceOptions& o) : core_(std::make_shared<Core>(o)) {
    if (o.start) core_->start();
  }
  ~LdapService() override { core_->stop(); }
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }

  int Start() override { return NoThrow([&] { return core_->start(); }); }
  int Stop() override { return NoThrow([&] { return core_->stop(); }); }
  int AddConnection(const char* host, unsigned short port, const char* scheme) override {
    return NoThrow([&] { return core_->addServer(host, port, scheme); });
  }
  int RemoveConnection(const char* host, unsigned short port) override {
    return NoThrow([&] { return core_->removeServer(host, port); });
  }
  int RemoveAllConnections() override { return NoThrow([&] { return core_->removeAll(); }); }
  int SetConnectTimeout(unsigned ms) override { return Set(core_->connect_ms, ms, kDefaultConnectMs); }
  int SetResponseTimeout(unsigned ms) override { return Set(core_->response_ms, ms, kDefaultResponseMs); }
  int SetConnectHoldTimeout(unsigned ms) override { return Set(core_->hold_ms, ms, kDefaultHoldMs); }
  int SetDropConnectTimeout(unsigned ms) override { return Set(core_->drop_ms, ms, kDefaultDropMs); }

  CMN_LdapReqCont_I* createRequest(CMN_LdapReqCont_I::ReqType kind) override {
    if (kind < Req::kReqCrl || kind > Req::kReqAllCerts) return nullptr;
    LdapRequest* r = new (std::nothrow) LdapRequest(core_, kind);
    if (r == nullptr) return nullptr;
    r->addReference();  // the caller's
    return r;
  }
  int GetResponseTimeout() override { return static_cast<int>(core_->response_ms.load()); }
  int FindConnectionUnlocked(const TLdapConnectionKey& key) override { return core_->find(key, false, false); }
  int FindAndLockConnection(const TLdapConnectionKey& key) override { return core_->find(key, true, false); }
  int GetAndLockFirstConnection() override { return core_->first(); }
  int GetNextConnectionUnlocked() override { return core_->next(); }
  int UnlockConnection() override { return core_->unlock(); }
  int CreateTimer(int timer_id, int kind, long period_ms, void* context, TLdapTimerCallback fire, int repeat,
                  TLdapTimerCallback removed) override {
    if (fire == nullptr || period_ms < 0 || kind != 0) return pkixrc::kBadArgument;
    return NoThrow([&] {
      Timer t;
      t.id = timer_id;
      t.period = static_cast<uint64_t>(period_ms);
      t.repeat = repeat != 0;
      t.context = context;
      t.fire = fire;
      t.removed = removed;
      int rc = core_->createTimer(std::move(t));
      if (rc == pkixrc::kOk) core_->ensureThread();
      return rc;
    });
  }
  int RemoveTimerEntry(int timer_id) override {
    return NoThrow([&] { return core_->removeTimer(Timer::Owner::kCaller, timer_id, std::string(), 0, false); });
  }
  int RemoveWildConnTimerEntry(int timer_id, const TLdapConnectionKey& key) override {
    return NoThrow([&] {
      std::string host;
      if (!KeyHost(key, &host)) return pkixrc::kBadArgument;
      return core_->removeTimer(Timer::Owner::kWild, timer_id, host, PortOr389(key.port), timer_id == 0);
    });
  }
  int MarkActiveUsage() override { return core_->markUsage(1); }
  int UnmarkActiveUsage() override { return core_->markUsage(-1); }
  int SetConnectionKillerTimer() override { return NoThrow([&] { return core_->armKiller(); }); }
  int RemoveConnectionKillerTimer() override {
    return NoThrow([&] { return core_->removeTimer(Timer::Owner::kKiller, 0, std::string(), 0, false); });
  }
  int CloseAllConnectionsByTimer() override { return NoThrow([&] { return core_->closeAll(); }); }
  int GetConnectTimeout() override { return static_cast<int>(core_->connect_ms.load()); }
  int GetConnectHoldTimeout() override { return static_cast<int>(core_->hold_ms.load()); }
  int GetDropConnectTimeout() override { return static_cast<int>(core_->drop_ms.load()); }
  int WildConnectionAdd(const TLdapConnectionKey& key) override {
    return NoThrow([&] { return core_->wildAdd(key); });
  }
  int WildConnectionFindAndLock(const TLdapConnectionKey& key) override { return core_->find(key, true, true); }
  int WildConnectionRemove(const TLdapConnectionKey& key) override {
    return NoThrow([&] { return core_->wildRemove(key); });
  }
  int WildConnectionUnlock() override { return core_->unlock(); }
  int SetWildConnTimer(const TLdapConnectionKey& key) override {
    return NoThrow([&] { return core_->wildTimer(key, true); });
  }
  int RemoveWildConnTimer(const TLdapConnectionKey& key) override {
    return NoThrow([&] { return core_->wildTimer(key, false); });
  }
  int GetCurrentConnection(TLdapConnectionKey* out) override { return core_->current(out); }

 private:
  static int Set(std::atomic<unsigned>& field, unsigned ms, unsigned fallback) {
    field = ms == 0 ? fallback : ms;
    return pkixrc::kOk;
  }
  std::shared_ptr<Core> core_;
};

}  // namespace

CMN_LdapClntSvc_Ext_I* createLdapService(const LdapServiceOptions& options) {
  try {
    return new LdapService(options);
  } catch (...) {
    return nullptr;
  }
}

int liveLdapRequests() { return gLiveRequests.load(); }
int liveLdapConnections() { return gLiveConnections.load(); }

}  // namespace pkixhost
