// The striped module lock: objects registered, destroyed and released from
// several threads, each under its own stripe, while walks of the object
// manager hold every stripe. A walk must see a list nobody changes, a walk
// must hold off creation, destruction and last releases in every stripe,
// and a walk that releases objects of other stripes must not deadlock. Run
// under ThreadSanitizer as well.
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "framework/cmn_obj_mgr.h"
#include "framework/cmn_ref.h"
#include "framework/probe.h"
#include "testing/inproc.h"

namespace pkixtest {
namespace {

constexpr int kWorkers = 3;
constexpr int kObjectsPerWorker = 400;
// Walks made while the workers churn.
constexpr int kWalks = 20;
// How often a walker gives the other threads a chance to get past it before
// it checks that they did not.
constexpr int kYieldsInsideWalk = 200;

// A counted object that is no guarded object: never registered, never
// pinned by a walk, and its last release takes the stripe of its address.
struct Counted : CMN_Reference {
  ~Counted() override = default;
};

// Objects made by make() until every stripe has one; the others are
// disposed of with drop() once all are made (so no address is reused).
template <class T, class Make, class Drop>
std::vector<T*> EveryStripe(Make make, Drop drop) {
  std::vector<T*> by_stripe(kCMN_RefStripes, nullptr);
  std::vector<T*> spare;
  unsigned filled = 0;
  while (filled < kCMN_RefStripes) {
    T* o = make();
    T*& slot = by_stripe[CMN_RefStripeOf(o)];
    if (slot == nullptr) {
      slot = o;
      ++filled;
    } else {
      spare.push_back(o);
    }
  }
  for (T* o : spare) drop(o);
  return by_stripe;
}

// An object whose fini() (run by finiAll under the whole module lock) counts
// the manager's objects twice with other threads given time in between:
// the two counts differ only when something registered or unregistered an
// object while the walk ran.
struct Witness : Probe {
  std::atomic<int>* changes = nullptr;
  int fini() override {
    CMN_ObjectManager& om = CMN_ObjectManager::Local();
    unsigned before = om.count();
    for (int i = 0; i < kYieldsInsideWalk; ++i) sched_yield();
    if (om.count() != before) ++*changes;
    return 0;
  }
};

// Workers create objects, hand half of them to the next worker to release,
// and release the rest themselves, over and over.
class Churn {
 public:
  Churn() : handoff_(kWorkers), handoff_lock_(kWorkers) {}

  // Rounds of making kBatch objects, until stop is set; running_ counts the
  // workers that have made their first batch.
  void Run(int me, const std::atomic<bool>& stop) {
    for (bool first = true; !stop.load(); first = false) {
      std::vector<ProbeRef*> mine;
      for (int i = 0; i < kBatch; ++i) mine.push_back(new ProbeRef(new Probe));
      if (first) ++running_;
      {
        std::lock_guard<std::mutex> g(handoff_lock_[(me + 1) % kWorkers]);
        for (size_t i = 0; i < mine.size(); i += 2) handoff_[(me + 1) % kWorkers].push_back(mine[i]);
      }
      for (size_t i = 1; i < mine.size(); i += 2) delete mine[i];
      DropHandedOver(me);
    }
  }
  bool AllRunning() const { return running_.load() == kWorkers; }
  // Releases what other workers handed to worker me.
  void DropHandedOver(int me) {
    std::vector<ProbeRef*> given;
    {
      std::lock_guard<std::mutex> g(handoff_lock_[me]);
      given.swap(handoff_[me]);
    }
    for (ProbeRef* h : given) delete h;
  }

 private:
  static constexpr int kBatch = 8;
  std::atomic<int> running_{0};
  std::vector<std::vector<ProbeRef*>> handoff_;
  std::vector<std::mutex> handoff_lock_;
};

class StripedLockTest : public ::testing::Test {
 protected:
  InProcessManager mgr{false};
  CMN_ObjectManager& om = CMN_ObjectManager::Local();
  void SetUp() override {
    base_ = om.count();
    alive_ = gProbesAlive.load();
  }
  void TearDown() override {
    EXPECT_EQ(om.count(), base_);
    EXPECT_EQ(gProbesAlive.load(), alive_);
  }
  unsigned base_ = 0;
  int alive_ = 0;
};

TEST_F(StripedLockTest, WalksSeeNoChangeWhileOthersCreateAndDestroy) {
  std::atomic<int> changes{0};
  Witness* w = new Witness;
  w->changes = &changes;
  ProbeRef keep(w);
  Churn churn;
  std::atomic<bool> stop{false};
  std::vector<std::thread> workers;
  for (int t = 0; t < kWorkers; ++t) workers.emplace_back([&churn, &stop, t] { churn.Run(t, stop); });
  // The workers keep going until the walks are done, and the walks start
  // once every worker is under way, so the two always overlap.
  while (!churn.AllRunning()) sched_yield();
  Tuint32ID nobody(999);
  for (int walk = 0; walk < kWalks; ++walk) {
    om.finiAll();  // the witness counts twice inside the walk
    om.unhookObjs(nobody);
    EXPECT_EQ(om.moduleIsUsedBy(nobody), 0);
    std::unique_ptr<DummyHolder, void (*)(DummyHolder*)> pin(om.getObj(), [](DummyHolder* p) {
      if (p != nullptr) p->die();
    });
  }
  stop = true;
  for (std::thread& t : workers) t.join();
  for (int t = 0; t < kWorkers; ++t) churn.DropHandedOver(t);
  EXPECT_EQ(changes.load(), 0);
}

// All workers start each phase together, so that their list changes overlap.
class StartLine {
 public:
  explicit StartLine(int threads) : waiting_(threads) {}
  void Wait() {
    --waiting_;
    while (waiting_.load() > 0) sched_yield();
  }

 private:
  std::atomic<int> waiting_;
};

TEST_F(StripedLockTest, CountIsExactAfterConcurrentCreationAndDestruction) {
  std::vector<std::vector<ProbeRef*>> first(kWorkers), second(kWorkers);
  StartLine make_first(kWorkers), swap_over(kWorkers);
  std::vector<std::thread> workers;
  for (int t = 0; t < kWorkers; ++t) {
    workers.emplace_back([&, t] {
      make_first.Wait();
      for (int i = 0; i < kObjectsPerWorker; ++i) first[t].push_back(new ProbeRef(new Probe));
      swap_over.Wait();
      // Destroys what the next worker made while making a second batch, so
      // that creations and destructions of one stripe come from two threads.
      for (int i = 0; i < kObjectsPerWorker; ++i) {
        delete first[(t + 1) % kWorkers][i];
        second[t].push_back(new ProbeRef(new Probe));
      }
    });
  }
  for (std::thread& t : workers) t.join();
  EXPECT_EQ(om.count(), base_ + kWorkers * kObjectsPerWorker);
  for (auto& batch : second) {
    for (ProbeRef* h : batch) delete h;
  }
  EXPECT_EQ(om.count(), base_);
}

// An object whose fini() runs a step in the middle of a walk.
struct Hook : Probe {
  std::function<void()> step;
  int fini() override {
    if (step) step();
    return 0;
  }
};

TEST_F(StripedLockTest, WalkReleasingObjectsOfEveryStripeDoesNotDeadlock) {
  std::vector<Probe*> objects = EveryStripe<Probe>([] { return new Probe; }, [](Probe* p) { delete new ProbeRef(p); });
  bool dead[kCMN_RefStripes] = {};
  std::vector<std::unique_ptr<ProbeRef>> others;
  for (unsigned s = 0; s < kCMN_RefStripes; ++s) {
    objects[s]->dead = &dead[s];
    others.emplace_back(new ProbeRef(objects[s]));
  }
  Hook* hook = new Hook;
  ProbeRef keep(hook);
  unsigned created_in_walk = 0;
  hook->step = [&] {
    if (others.empty()) return;
    // Last releases in every stripe, and new objects wherever they land,
    // from inside the walk that holds every stripe.
    others.clear();
    std::unique_ptr<ProbeRef> fresh(new ProbeRef(new Probe));
    created_in_walk = om.count();
  };
  // Meanwhile another thread releases and creates as well: it must simply
  // wait for the walk.
  std::atomic<bool> go{false};
  std::thread other([&] {
    while (!go.load()) sched_yield();
    std::unique_ptr<ProbeRef> mine(new ProbeRef(new Probe));
  });
  go = true;
  om.finiAll();
  other.join();
  EXPECT_TRUE(others.empty());
  for (unsigned s = 0; s < kCMN_RefStripes; ++s) EXPECT_TRUE(dead[s]) << "stripe " << s;
  EXPECT_GT(created_in_walk, base_);
}

// What a thread that is not walking tries to do while another thread walks;
// none of it may finish before the walk ends.
enum class Action { kLastRelease, kCreate, kUnregister };

struct BlockedCase {
  const char* name;
  Action action;
};

TEST_F(StripedLockTest, WalkHoldsOffEveryStripe) {
  const BlockedCase cases[] = {
      {"last release", Action::kLastRelease},
      {"creation", Action::kCreate},
      {"unregistration", Action::kUnregister},
  };
  auto make_counted = [] {
    Counted* c = new Counted;
    c->addReference();
    return c;
  };
  auto drop = [](CMN_Reference* o) { o->remReference(); };
  // Registered with a count of 0: walks pass over them, so only the other
  // thread's removeObj touches their stripe's list.
  auto make_uncounted = [] { return new Probe; };
  auto drop_uncounted = [](Probe* p) {
    p->addReference();
    p->remReference();
  };
  for (const BlockedCase& c : cases) {
    std::vector<Counted*> counted = EveryStripe<Counted>(make_counted, drop);
    std::vector<Probe*> uncounted = EveryStripe<Probe>(make_uncounted, drop_uncounted);
    for (unsigned s = 0; s < kCMN_RefStripes; ++s) {
      std::atomic<bool> started{false}, finished{false}, early{false};
      Hook* hook = new Hook;
      ProbeRef keep(hook);
      std::thread other;
      hook->step = [&] {
        other = std::thread([&] {
          started = true;
          switch (c.action) {
            case Action::kLastRelease:
              counted[s]->remReference();
              counted[s] = nullptr;
              break;
            case Action::kCreate:
              delete new ProbeRef(new Probe);
              break;
            case Action::kUnregister:
              om.removeObj(uncounted[s]);
              break;
          }
          finished = true;
        });
        while (!started.load()) sched_yield();
        for (int i = 0; i < kYieldsInsideWalk; ++i) sched_yield();
        early = finished.load();
      };
      om.finiAll();
      other.join();
      hook->step = nullptr;
      EXPECT_FALSE(early.load()) << c.name << " finished inside a walk, stripe " << s;
    }
    for (Counted* o : counted) {
      if (o != nullptr) drop(o);
    }
    for (Probe* p : uncounted) drop_uncounted(p);
  }
}

}  // namespace
}  // namespace pkixtest
