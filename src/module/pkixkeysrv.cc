#include "module/pkixkeysrv.h"

#include <new>

#include "key/x509key.h"
#include "support/result_codes.h"

TPkixKeyService::~TPkixKeyService() = default;

namespace {

class pkixKeyService : public TPkixKeyService {
 public:
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }

  TKey* createTKey() override { return new (std::nothrow) X509Key; }

  TKey* createTKey(TKey::key_type_t type) override {
    TKey* key = createTKey();
    if (key != nullptr && key->setType(type) != 0) {
      key->release();
      return nullptr;
    }
    return key;
  }

  TKey* createTKey(TKey::key_type_t type, const unsigned char* data, unsigned len) override {
    return readKey(createTKey(type), data, len);
  }
};

}  // namespace

TPkixKeyService* createTPkixKeyService() { return new (std::nothrow) pkixKeyService; }
