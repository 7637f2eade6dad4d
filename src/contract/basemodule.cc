#include "contract/basemodule.h"

BaseModuleInterface::~BaseModuleInterface() = default;
