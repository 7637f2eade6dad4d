// The algorithm of an identifier's octets, remembered per thread.
#ifndef PKIX_KEY_ALGMEMO_H_
#define PKIX_KEY_ALGMEMO_H_

#include "alg/pki_alg.h"
#include "contract/x509asn.h"

// asn2alg(oid.data, oid.len), answered from a small per-thread memory of
// the last identifiers found. The conversion service answers from a fixed
// table, but each question costs a buffer object and a call through the
// service, while a process meets few algorithms. Only found algorithms are
// remembered, so a service that was not there yet is asked again. Returns
// the algorithm, or PKI_ALG_NONE as asn2alg does.
pki_alg_t rememberedAsn2alg(const Buffer& oid);

#endif  // PKIX_KEY_ALGMEMO_H_
