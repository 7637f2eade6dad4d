#include "module/pkixsrv.h"

// The certificate objects are not part of the module yet.
TPkixService* createTPkixService() { return nullptr; }
