#include "asn/pkix_misc.h"

#include <new>

theMisc::~theMisc() = default;

TPkixMisc* createTPkixMisc() { return new (std::nothrow) theMisc(); }
