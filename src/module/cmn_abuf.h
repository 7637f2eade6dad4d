// Forwarding header, kept until every includer names support/abuf.h: the
// buffer service stub, the createTBuf functions and the buffer wrapper.
#ifndef PKIX_MODULE_CMN_ABUF_H_
#define PKIX_MODULE_CMN_ABUF_H_

#include "support/abuf.h"

#endif  // PKIX_MODULE_CMN_ABUF_H_
