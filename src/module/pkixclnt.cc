#include "module/pkixclnt.h"

#include "framework/cmn_export.h"

aPkixClnt::~aPkixClnt() = default;
aPkixKeyClnt::~aPkixKeyClnt() = default;

// Built at library load with no service; they bind on first use.
aPkixClnt pkixClnt(static_cast<TPkixService*>(nullptr));
aPkixKeyClnt pkixKeyClnt(static_cast<TPkixKeyService*>(nullptr));
CMN_EXPORT aPkixClnt* pPKIXService = &pkixClnt;
CMN_EXPORT aPkixKeyClnt* pPKIXKeyService = &pkixKeyClnt;
