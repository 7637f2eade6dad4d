#include "module/pkixkeysrv.h"

// The key objects are not part of the module yet.
TPkixKeyService* createTPkixKeyService() { return nullptr; }
