#include "alg/pki_cnvrt_c.h"

PkiAlgCnvrt::~PkiAlgCnvrt() = default;

PkiAlgCnvrt cnvrt(static_cast<TPkiAlgCnvrt*>(nullptr));
