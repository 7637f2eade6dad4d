// Client side of the algorithm conversion service: the stub every caller
// reaches it through, the static instance `cnvrt`, and the exported plain
// functions over it.
#ifndef PKIX_ALG_PKI_CNVRT_C_H_
#define PKIX_ALG_PKI_CNVRT_C_H_

#include "alg/pki_alg.h"
#include "alg/pki_cnvrt_s.h"
#include "framework/cmn_export.h"
#include "framework/cmn_stub.h"
#include "module/pkixids.h"

// Forwards each operation to the bound service under its guard. Without a
// service: empty aBufs, 0 values, and 40 from convert.
class PkiAlgCnvrt : public CMN_ServiceStub<TPkiAlgCnvrt> {
 public:
  PkiAlgCnvrt() : CMN_ServiceStub(&PkiAlgCnvrtSrvID) {}
  explicit PkiAlgCnvrt(TPkiAlgCnvrt* s) : CMN_ServiceStub(&PkiAlgCnvrtSrvID, s) {}
  ~PkiAlgCnvrt() override;

  aBuf alg2asn(pki_alg_t a);
  aBuf alg2oid(pki_alg_t a);
  pki_alg_t asn2alg(const aBuf& b);
  pki_alg_t oid2alg(const aBuf& b);
  int convert(pki_alg_t& alg, aBuf& oid, aBuf& asn);
};

// Built unbound at library load; binds through the host module manager on
// first use.
extern PkiAlgCnvrt cnvrt;

extern "C" {
// The asn form of a (DER content octets of its OBJECT IDENTIFIER) and its
// length in *len; null with *len 0 when a has no identifier or no service is
// reachable, null when len is null. The octets belong to the service and
// stay valid while it lives.
CMN_EXPORT const unsigned char* alg2asn(pki_alg_t a, unsigned* len);
// The arcs of a's identifier and their number in *count; null with *count 0
// as alg2asn, null when count is null.
CMN_EXPORT const unsigned* alg2oid(pki_alg_t a, unsigned* count);
// The value of the identifier with these count arcs; 0 when unknown.
CMN_EXPORT pki_alg_t oid2alg(const unsigned* arcs, unsigned count);
// The value of the identifier with these DER content octets; 0 when
// unknown. This is how an AlgorithmIdentifier's OID becomes a pki_alg_t.
CMN_EXPORT pki_alg_t asn2alg(const unsigned char* asn, unsigned len);
}

#endif  // PKIX_ALG_PKI_CNVRT_C_H_
