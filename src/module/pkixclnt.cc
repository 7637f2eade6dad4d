#include "module/pkixclnt.h"

#include "framework/cmn_export.h"
#include "support/result_codes.h"

aPkixClnt::~aPkixClnt() = default;

int aPkixClnt::createTName(TName::name_type_t t, const _selector* sel, TName** out) {
  if (out != nullptr) *out = nullptr;
  return call([&](TPkixService* s) { return s->createTName(t, sel, out); }, pkixrc::kUnavailable);
}
aPkixKeyClnt::~aPkixKeyClnt() = default;

TKey* aPkixKeyClnt::createTKey() {
  return call([](TPkixKeyService* s) { return s->createTKey(); });
}
TKey* aPkixKeyClnt::createTKey(TKey::key_type_t type) {
  return call([&](TPkixKeyService* s) { return s->createTKey(type); });
}
TKey* aPkixKeyClnt::createTKey(TKey::key_type_t type, const unsigned char* data, unsigned len) {
  return call([&](TPkixKeyService* s) { return s->createTKey(type, data, len); });
}

// Built at library load with no service; they bind on first use.
aPkixClnt pkixClnt(static_cast<TPkixService*>(nullptr));
aPkixKeyClnt pkixKeyClnt(static_cast<TPkixKeyService*>(nullptr));
CMN_EXPORT aPkixClnt* pPKIXService = &pkixClnt;
CMN_EXPORT aPkixKeyClnt* pPKIXKeyService = &pkixKeyClnt;
