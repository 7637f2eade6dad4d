// Several threads create, share, hold and release guarded objects through
// holders of two client modules, while another thread keeps asking the
// object manager whether the module is used and detaches the holders of
// whichever client module has just gone away. Run under ThreadSanitizer and
// AddressSanitizer: afterwards nothing is left alive and nothing was freed
// twice.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "framework/cmn_obj_mgr.h"
#include "framework/probe.h"
#include "testing/inproc.h"

namespace pkixtest {
namespace {

constexpr int kPoolSize = 16;
constexpr int kRounds = 10;
constexpr int kOpsPerThread = 3000;

// Objects every thread may take a holder on; the pool's own holders belong
// to this module.
class Pool {
 public:
  Pool() : slots_(kPoolSize) {
    for (auto& s : slots_) s.reset(new ProbeRef(new Probe));
  }
  // A new holder, owned by owner, on the object in slot i.
  ProbeRef* Take(size_t i, const TypifiedID* owner) {
    std::lock_guard<std::mutex> g(lock_);
    Probe* p = slots_[i % kPoolSize]->get();
    return p == nullptr ? nullptr : new ProbeRef(p, nullptr, owner);
  }
  // Puts a fresh object into slot i; the old one dies when its last holder
  // goes, which may be now or in another thread.
  void Renew(size_t i) {
    std::unique_ptr<ProbeRef> old;
    {
      std::lock_guard<std::mutex> g(lock_);
      old = std::move(slots_[i % kPoolSize]);
      slots_[i % kPoolSize].reset(new ProbeRef(new Probe));
    }
  }
  void Clear() {
    std::lock_guard<std::mutex> g(lock_);
    slots_.clear();
  }

 private:
  std::mutex lock_;
  std::vector<std::unique_ptr<ProbeRef>> slots_;
};

// One client thread: a random walk of create, take, copy and drop over its
// own holders; what it still holds at the end is handed back for the host to
// detach when the module goes.
void Client(Pool* pool, const TypifiedID* owner, unsigned seed, std::vector<ProbeRef*>* parked,
            std::mutex* parked_lock) {
  std::mt19937 rng(seed);
  std::vector<ProbeRef*> mine;
  for (int op = 0; op < kOpsPerThread; ++op) {
    switch (rng() % 6) {
      case 0:
        mine.push_back(new ProbeRef(new Probe, nullptr, owner));
        break;
      case 1:
      case 2:
        if (ProbeRef* h = pool->Take(rng(), owner)) mine.push_back(h);
        break;
      case 3:
        if (!mine.empty()) {
          ProbeRef* copy = new ProbeRef(nullptr, nullptr, owner);
          *copy = *mine[rng() % mine.size()];
          mine.push_back(copy);
        }
        break;
      case 4:
        pool->Renew(rng());
        break;
      default:
        if (!mine.empty()) {
          size_t i = rng() % mine.size();
          delete mine[i];
          mine[i] = mine.back();
          mine.pop_back();
        }
    }
  }
  std::lock_guard<std::mutex> g(*parked_lock);
  parked->insert(parked->end(), mine.begin(), mine.end());
}

TEST(ObjectManagerStressTest, HoldersOfTwoClientsAndAMonitor) {
  InProcessManager mgr(false);
  CMN_ObjectManager& om = CMN_ObjectManager::Local();
  unsigned base = om.count();
  int alive_before = gProbesAlive.load();
  {
    Pool pool;
    std::atomic<bool> stop{false};
    std::atomic<long> probes{0};
    std::thread monitor([&] {
      Tuint32ID nobody(999);
      while (!stop.load()) {
        om.moduleIsUsed();
        om.moduleIsUsedBy(kClientA);
        om.unhookObjs(nobody);  // walks every object, detaches nothing
        ++probes;
        // Each walk holds the module lock throughout; leave the clients room.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });

    const TypifiedID* clients[2] = {&kClientA, &kClientB};
    std::vector<ProbeRef*> parked[2];
    std::mutex parked_lock[2];
    // The staying client runs throughout a round; the departing one runs,
    // stops, and then has its holders detached while the other keeps going.
    for (int round = 0; round < kRounds; ++round) {
      int leaving = round % 2, staying = 1 - leaving;
      std::vector<std::thread> stay, leave;
      for (int t = 0; t < 2; ++t) {
        stay.emplace_back(Client, &pool, clients[staying], 1000u * round + t, &parked[staying],
                          &parked_lock[staying]);
        leave.emplace_back(Client, &pool, clients[leaving], 2000u * round + t, &parked[leaving],
                           &parked_lock[leaving]);
      }
      for (auto& th : leave) th.join();
      int detached = om.unhookObjs(*clients[leaving]);
      EXPECT_EQ(detached, static_cast<int>(parked[leaving].size())) << "round " << round;
      for (ProbeRef* h : parked[leaving]) {
        EXPECT_EQ(h->get(), nullptr);
        delete h;
      }
      parked[leaving].clear();
      for (auto& th : stay) th.join();
      // The staying client's leftovers are released the ordinary way.
      for (ProbeRef* h : parked[staying]) delete h;
      parked[staying].clear();
      EXPECT_EQ(om.moduleIsUsed(), 0);
    }
    stop = true;
    monitor.join();
    EXPECT_GT(probes.load(), 0);
    pool.Clear();
  }
  EXPECT_EQ(gProbesAlive.load(), alive_before);
  EXPECT_EQ(om.count(), base);
  EXPECT_EQ(mgr.guard()->callCount(), 0);
}

}  // namespace
}  // namespace pkixtest
