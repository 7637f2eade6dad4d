#include "alg/pki_cnvrt_s.h"

// The conversion tables are not part of the module yet.
TPkiAlgCnvrt* createAlgCnvrtSrv() { return nullptr; }
