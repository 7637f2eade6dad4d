// The algorithm conversion service offered under 0x3f000a: between a
// pki_alg_t, its object identifier as an array of arcs (the "oid" form: 4
// octets per arc, host byte order) and the DER content octets of that
// identifier (the "asn" form: no identifier octet, no length).
#ifndef PKIX_ALG_PKI_CNVRT_S_H_
#define PKIX_ALG_PKI_CNVRT_S_H_

#include <cstdint>

#include "alg/pki_alg.h"
#include "framework/cmn_gref.h"
#include "support/abuf.h"

class TPkiAlgCnvrt : public CMN_GuardedRef {
 public:
  TPkiAlgCnvrt() : CMN_GuardedRef(0) {}
  ~TPkiAlgCnvrt() override = default;

  int init() override = 0;
  int fini() override = 0;
  // The asn form of a; an empty aBuf (holding no buffer) when a has no
  // identifier or the tables are gone.
  virtual aBuf alg2asn(pki_alg_t a) const = 0;
  // The oid form of a; empty as alg2asn.
  virtual aBuf alg2oid(pki_alg_t a) const = 0;
  // The value whose asn form equals b in length and content; 0 when none
  // does or b is empty.
  virtual pki_alg_t asn2alg(const aBuf& b) const = 0;
  // The value whose oid form equals b; 0 as asn2alg.
  virtual pki_alg_t oid2alg(const aBuf& b) const = 0;
  // Completes the triple from the first form given (alg non-zero, else oid
  // non-empty, else asn non-empty) and checks the others against it: each
  // form that was given must agree with the derived one, each that was not
  // receives it. 0 (also for an unknown identifier: alg 0, partner form
  // empty); 4 when a given form contradicts, with that form and the ones
  // after it left as they were.
  virtual int convert(pki_alg_t& alg, aBuf& oid, aBuf& asn) const = 0;
};

// A new conversion service with count 0, its lookup array built from the
// conversion table; null only when the object itself cannot be made. The
// buffer service must be reachable for the forms to be stored (without it
// every lookup is empty).
TPkiAlgCnvrt* createAlgCnvrtSrv();

#endif  // PKIX_ALG_PKI_CNVRT_S_H_
