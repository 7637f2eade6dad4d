// Intrusive reference counting under one recursive lock per module
// (declared with the host contract; implemented in cmn_ref.cc).
#ifndef PKIX_FRAMEWORK_CMN_REF_H_
#define PKIX_FRAMEWORK_CMN_REF_H_

#include "contract/reference.h"
#include "framework/cmn_rmutex.h"

#endif  // PKIX_FRAMEWORK_CMN_REF_H_
