// The two entry points through which the host reaches the module's object
// manager.
#include "framework/cmn_export.h"
#include "framework/cmn_obj_mgr.h"

extern "C" CMN_EXPORT CMN_ObjectManager* InitObjectManager() { return &CMN_ObjectManager::Local(); }

extern "C" CMN_EXPORT CMN_ObjectManager* GetObjectManager() { return &CMN_ObjectManager::Local(); }
