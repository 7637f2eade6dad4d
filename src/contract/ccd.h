// Forwarding header, kept until every includer names what it uses: the
// crypto service contract (contract/crypto.h) together with the key
// interface and the key wrapper that code including this header relied on.
#ifndef PKIX_CONTRACT_CCD_H_
#define PKIX_CONTRACT_CCD_H_

#include "alg/pki_alg.h"
#include "contract/crypto.h"
#include "key/tkey.h"
#include "module/pkixakey.h"

#endif  // PKIX_CONTRACT_CCD_H_
