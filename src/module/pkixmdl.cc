#include "contract/modmgr.h"
#include "framework/cmn_export.h"
#include "framework/id_type.h"

CMN_EXPORT CMN_ModuleManager_I* ModMgr = nullptr;
CMN_EXPORT Tuint32ID ModuleID(63);
CMN_EXPORT TypifiedID* pModuleID = &ModuleID;
