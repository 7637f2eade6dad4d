/* Certification path validation offered outside the module: as a plain
 * function over DER (exported by libpkix.so) and as the certificate
 * service's verifyPath over the module's objects.
 *
 * Verdict codes: 0 valid, or one of the pkixpath codes of
 * path/pathvalid.h (0xE0061001 no path to a trust anchor ... 0xE0061010
 * missing argument). */
#ifndef PKIX_PATH_PKIX_PATH_H_
#define PKIX_PATH_PKIX_PATH_H_

#include <stdint.h>

#include "framework/cmn_export.h"

#ifdef __cplusplus
class TCert;
class TCertList;
class TCRLList;
extern "C" {
#endif

/* One DER element given by the caller. */
typedef struct pkix_der {
  const unsigned char* data;
  unsigned len;
} pkix_der;

/* Which certificates revocation is checked for. */
enum { PKIX_REVOCATION_OFF = 0, PKIX_REVOCATION_LEAF = 1, PKIX_REVOCATION_ALL = 2 };

/* The validation inputs beside the certificates. A null pointer to it
 * means all defaults: the module's clock, any policy, no policy flags, no
 * revocation, the default step limit. */
typedef struct pkix_path_params {
  int use_clock;               /* nonzero: the module's clock; else at */
  int64_t at;                  /* seconds since 1970 UTC */
  const pkix_der* policies;    /* user-initial-policy-set as OID contents; */
  unsigned policy_count;       /* none means any-policy */
  int explicit_policy;         /* initial-explicit-policy */
  int inhibit_policy_mapping;  /* initial-policy-mapping-inhibit */
  int inhibit_any_policy;      /* initial-any-policy-inhibit */
  int revocation;              /* PKIX_REVOCATION_* */
  unsigned step_limit;         /* 0: the default bound */
} pkix_path_params;

/* Where a certificate of the chosen path came from. */
enum { PKIX_PATH_TARGET = 0, PKIX_PATH_UNTRUSTED = 1, PKIX_PATH_ANCHOR = 2 };
#define PKIX_PATH_MAX 33

typedef struct pkix_path_verdict {
  int code;       /* 0 valid, else the first failure */
  int depth;      /* the certificate at fault: 0 the target, -1 none */
  unsigned path_len;
  /* The chosen path, target first: the list each came from and its index
   * in that list. */
  struct {
    int list;
    unsigned index;
  } path[PKIX_PATH_MAX];
} pkix_path_verdict;

/* Validates the certificate target against the trust anchors, with the
 * untrusted certificates as candidate intermediates and the CRLs
 * (complete and delta) for revocation. Returns out->code: 0 valid, a
 * verdict code, or 0xE0061010 for a null target or out, or when an input
 * is not a certificate or CRL the module takes (out->depth then -1).
 * The module must be loaded by its host (signatures go through the host's
 * crypto service). */
CMN_EXPORT int pkix_verify_path(const pkix_der* target, const pkix_der* untrusted, unsigned untrusted_count,
                                const pkix_der* anchors, unsigned anchor_count, const pkix_der* crls,
                                unsigned crl_count, const pkix_path_params* params, pkix_path_verdict* out);

#ifdef __cplusplus
}

namespace pkixpath {
/* The certificate service's operation: the same over the module's
 * objects. chosen (optional) receives the chosen path, target first. */
int verifyLists(TCert* target, TCertList* untrusted, TCertList* anchors, TCRLList* crls,
                const pkix_path_params* params, pkix_path_verdict* out, TCertList* chosen);
}  // namespace pkixpath
#endif

#endif /* PKIX_PATH_PKIX_PATH_H_ */
