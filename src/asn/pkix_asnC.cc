#include "asn/pkix_asnC.h"

PkixASNService::~PkixASNService() = default;

PkixASNService asnPkixSrv(static_cast<TPkixASNService*>(nullptr));
