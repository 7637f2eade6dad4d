#include "contract/modmgr.h"
#include "framework/id_type.h"
CMN_ModuleManager_I* ModMgr = nullptr;
static Tuint32ID gHostID(1);
TypifiedID* pModuleID = &gHostID;
