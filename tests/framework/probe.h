// A guarded object for framework tests that reports its destruction.
#ifndef PKIX_TESTS_FRAMEWORK_PROBE_H_
#define PKIX_TESTS_FRAMEWORK_PROBE_H_

#include <atomic>

#include "framework/cmn_gref.h"

namespace pkixtest {

inline std::atomic<int> gProbesAlive{0};

class Probe : public CMN_GuardedRef {
 public:
  explicit Probe(unsigned type = 7) : CMN_GuardedRef(type) { ++gProbesAlive; }
  Probe(const Probe& o) : CMN_GuardedRef(o) { ++gProbesAlive; }
  ~Probe() override {
    --gProbesAlive;
    if (dead != nullptr) *dead = true;
  }
  Probe& operator=(const Probe& o) {
    CMN_GuardedRef::operator=(o);
    return *this;
  }
  int init() override { return 0; }
  int fini() override {
    ++finis;
    return 0;
  }
  bool* dead = nullptr;
  int finis = 0;
};

// Holders standing for other modules, whose identifiers the test picks.
inline Tuint32ID kClientA CMN_ID_INIT(100);
inline Tuint32ID kClientB CMN_ID_INIT(101);

using ProbeRef = CMN_GRefPtr<Probe>;

inline ProbeRef* HoldAs(Probe* p, const TypifiedID* owner) { return new ProbeRef(p, nullptr, owner); }

}  // namespace pkixtest

#endif  // PKIX_TESTS_FRAMEWORK_PROBE_H_
