// A crypto service (pkixid::kCrypto) whose transforms follow a script: each operation's
// codes and result are set by the test, and the calls the bridge made, the
// input it gave and the lengths it offered are recorded. For tests of the
// bridge and of the code above it.
#ifndef PKIX_TESTS_TESTING_SCRIPTED_CRYPTO_H_
#define PKIX_TESTS_TESTING_SCRIPTED_CRYPTO_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "contract/crypto.h"
#include "key/tkey.h"
#include "module/pkixakey.h"
#include "support/result_codes.h"

namespace pkixtest {

using Octets = std::vector<unsigned char>;

// The octets 1, 2, ..., n.
inline Octets Counting(unsigned n) {
  Octets v(n);
  for (unsigned i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i + 1);
  return v;
}

// What one scripted transform does and what it saw.
struct Script {
  int lock_code = 0;
  int in_code = 0;
  int out_code = 0;          // the code of the final out() (the verdict for verify)
  int size_code = 0;         // the code of the size query out(null, &n)
  unsigned announce = 8;     // the size the query answers
  Octets result = Counting(8);  // what the fetch writes
  std::vector<std::string> calls;
  Octets input;
  std::vector<unsigned> out_lens;  // *len as each out() received it
  Octets out_data;                 // what the last out() was given (verify)
  int guard_calls_in = -1;         // the guard's call count seen inside in()
  bool created = false;
  ccFunc func = CC_HASH;
  pki_alg_t alg = 0;
  TKey* key = nullptr;
  // When set, lock() answers this instead of lock_code (the script can look
  // at the operation and its key).
  std::function<int(const Script&)> lock_hook;
  // Added to the length the fetch reports: a service claiming more octets
  // than the room it was given.
  unsigned overstate = 0;
};

// What a scripted fetch answers when the room it was given is too small (a
// service's own code, none of the module's).
constexpr int kScriptedNoRoom = 77;

// Transforms alive (leak checks).
inline int live_transforms = 0;

class ScriptedTransform : public ccTransform {
 public:
  explicit ScriptedTransform(Script* s) : s_(s) { ++live_transforms; }
  ~ScriptedTransform() override { --live_transforms; }
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  ccFunc getFunc() override { return s_->func; }
  pki_alg_t getAlgorithm() override { return s_->alg; }
  int lock() override {
    s_->calls.push_back("lock");
    if (s_->lock_hook) return s_->lock_hook(*s_);
    return s_->lock_code;
  }
  int unlock() override {
    s_->calls.push_back("unlock");
    return pkixrc::kOk;
  }
  int in(void* data, unsigned len) override {
    s_->calls.push_back("in");
    s_->guard_calls_in = getGuard()->callCount();
    const unsigned char* p = static_cast<const unsigned char*>(data);
    s_->input.assign(p, p + len);
    return s_->in_code;
  }
  int out(void* buf, unsigned* len) override {
    s_->calls.push_back(buf == nullptr ? "size" : "out");
    s_->out_lens.push_back(*len);
    if (buf == nullptr) {
      *len = s_->announce;
      return s_->size_code;
    }
    if (s_->func == CC_VERIFY) {
      const unsigned char* p = static_cast<const unsigned char*>(buf);
      s_->out_data.assign(p, p + *len);
      return s_->out_code;
    }
    if (s_->out_code != 0) return s_->out_code;
    unsigned n = static_cast<unsigned>(s_->result.size());
    if (n > *len) return kScriptedNoRoom;
    for (unsigned i = 0; i < n; ++i) static_cast<unsigned char*>(buf)[i] = s_->result[i];
    *len = n + s_->overstate;
    return pkixrc::kOk;
  }
  aKey getKey(int) override { return aKey(s_->key, nullptr); }
  int error() override { return pkixrc::kOk; }

 private:
  Script* s_;
};

class ScriptedService : public CCD_Interface {
 public:
  explicit ScriptedService(Script* s) : s_(s) {}
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  ccTransform* create_ccTransform(aKey& key, ccFunc f, pki_alg_t alg) override {
    s_->created = true;
    s_->func = f;
    s_->alg = alg;
    s_->key = key.raw();
    ccTransform* t = new ScriptedTransform(s_);
    t->addReference();  // the caller's
    return t;
  }

 private:
  Script* s_;
};

}  // namespace pkixtest

#endif  // PKIX_TESTS_TESTING_SCRIPTED_CRYPTO_H_
