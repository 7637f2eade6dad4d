#include "contract/modmgr.h"

// The five operations no module calls still need a body for the vtable.
void CMN_ModuleManager_I::reserved0() {}
void CMN_ModuleManager_I::reserved1() {}
void CMN_ModuleManager_I::reserved2() {}
void CMN_ModuleManager_I::reserved3() {}
void CMN_ModuleManager_I::reserved4() {}
