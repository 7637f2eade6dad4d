#include "cert/xbase.h"

XBase::~XBase() = default;
