#include "module/pkixkeysrv.h"

#include <new>

#include "key/x509key.h"

TPkixKeyService::~TPkixKeyService() = default;

namespace {

class pkixKeyService : public TPkixKeyService {
 public:
  int init() override { return 0; }
  int fini() override { return 0; }

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
