// The ASN.1 type service object: creates buffers and values by kind code,
// and keeps named prototypes that create(name) clones.
#include "host/hostasn.h"

#include <map>
#include <mutex>
#include <string>

#include "host/hostasn_impl.h"

namespace pkixhost {

namespace {

using namespace asnimpl;

class HostAsnService final : public CMN_ASN_Interface {
 public:
  int init() override { return kAsnOk; }
  int fini() override { return kAsnOk; }

  CMN_GuardedRef* create(unsigned code) override {
    if (code == kKindBuffer) return NewRef<CMN_GuardedRef>(new (std::nothrow) AsnBuf);
    CMN_ASN_Type_Interface* v = NewValue(code);
    if (v == nullptr) v = NewContainer(code);
    return NewRef<CMN_GuardedRef>(v);
  }

  CMN_ASN_Type_Interface* create(const char* name) override {
    if (name == nullptr) return nullptr;
    std::lock_guard<std::mutex> held(lock_);
    auto it = prototypes_.find(name);
    if (it == prototypes_.end() || it->second->get() == nullptr) return nullptr;
    return it->second->get()->clone();
  }

  int registry(const char* name, CMN_ASN_Type_Interface* prototype) override {
    if (name == nullptr || *name == '\0' || prototype == nullptr) return kAsnBadArgument;
    // The service keeps a copy: later changes to the caller's object do not
    // reach the types created from the name.
    Adopted<CMN_ASN_Type_Interface> copy(prototype->clone());
    if (!copy) return kAsnFailed;
    std::unique_ptr<Holder> holder(new (std::nothrow) Holder(copy.get()));
    if (!holder) return kAsnNoMemory;
    std::lock_guard<std::mutex> held(lock_);
    try {
      prototypes_[name] = std::move(holder);
    } catch (const std::bad_alloc&) {
      return kAsnNoMemory;
    }
    return kAsnOk;
  }

 private:
  using Holder = CMN_GRefPtr<CMN_ASN_Type_Interface>;
  std::mutex lock_;
  std::map<std::string, std::unique_ptr<Holder>> prototypes_;
};

}  // namespace

CMN_ASN_Interface* createAsnService() { return new (std::nothrow) HostAsnService; }

int liveAsnObjects() { return gLiveObjects.load(std::memory_order_relaxed); }

}  // namespace pkixhost
