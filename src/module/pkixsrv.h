// The certificate service: the factory through which other modules create
// certificates, names, lists, CRLs and extensions.
#ifndef PKIX_MODULE_PKIXSRV_H_
#define PKIX_MODULE_PKIXSRV_H_

#include "cert/tcert.h"
#include "cert/textn.h"
#include "framework/cmn_gref.h"
#include "name/tname.h"
#include "support/result_codes.h"

class TCRL;
class TCRLList;
class TPkixMisc;
class TSCEPStructs;
class TLDAPDP;
class TDPList;
struct pkix_path_params;
struct pkix_path_verdict;

// Every creating operation returns a new object carrying one reference for
// the caller, or null on failure. The order of the virtual operations is
// part of the module's binary interface.
class TPkixService : public CMN_GuardedRef {
 public:
  TPkixService() : CMN_GuardedRef(0) {}
  ~TPkixService() override = default;
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }

  virtual TName* createTName(TName::name_type_t t) = 0;
  virtual TName* createTName(TName::name_type_t t, TBuf* der) = 0;
  virtual TName* createTName(TName::name_type_t t, TName* other) = 0;
  virtual TName* createTName(TName::name_type_t t, const unsigned char* data, unsigned len) = 0;
  // 0 with the name in *out, or the creation's error.
  virtual int createTName(TName::name_type_t t, const _selector* s, TName** out) = 0;
  virtual TCert* createTCert(TCert::cert_format_t f) = 0;
  // The certificate parsed from buf (advanced past it); null when it does
  // not parse.
  virtual TCert* createTCert(TCert::cert_format_t f, TBuf* buf) = 0;
  virtual TCert* createTCert(TCert::cert_format_t f, const unsigned char* data, unsigned len) = 0;
  virtual TCertList* createTCertList() = 0;
  virtual TCertList* createTCertList(const _selector* s) = 0;
  virtual TCRL* createTCRL(TCert::cert_format_t f, TBuf* buf) = 0;
  virtual TCRLList* createTCRLList() = 0;
  virtual TExtn* createTExtn(TExtn::extn_t t) = 0;
  virtual TExtn* createTExtn(TBuf* der) = 0;
  virtual TExtnList* createTExtnList() = 0;
  virtual TPkixMisc* createTPkixMisc() = 0;
  virtual TSCEPStructs* createTSCEPStructs() = 0;
  virtual TLDAPDP* createTLDAPDP() = 0;
  virtual TDPList* createTDPList() = 0;
  // Validates the certification path from target to one of anchors, with
  // untrusted as candidate intermediates and crls for revocation (any of
  // the three lists may be null), as params say (null: defaults; see
  // path/pkix_path.h). Returns out->code: 0 valid, else the first
  // failure with out->depth the certificate at fault; 0xE0061010 for a
  // null target or out. chosen (optional) receives the chosen path,
  // target first. Appended last: no earlier slot moves.
  virtual int verifyPath(TCert* target, TCertList* untrusted, TCertList* anchors, TCRLList* crls,
                         const pkix_path_params* params, pkix_path_verdict* out, TCertList* chosen) = 0;
};

class pkixService : public TPkixService {
 public:
  pkixService() = default;
  ~pkixService() override = default;

  TName* createTName(TName::name_type_t t) override;
  TName* createTName(TName::name_type_t t, TBuf* der) override;
  TName* createTName(TName::name_type_t t, TName* other) override;
  TName* createTName(TName::name_type_t t, const unsigned char* data, unsigned len) override;
  int createTName(TName::name_type_t t, const _selector* s, TName** out) override;
  TCert* createTCert(TCert::cert_format_t f) override;
  TCert* createTCert(TCert::cert_format_t f, TBuf* buf) override;
  TCert* createTCert(TCert::cert_format_t f, const unsigned char* data, unsigned len) override;
  TCertList* createTCertList() override;
  TCertList* createTCertList(const _selector* s) override;
  TCRL* createTCRL(TCert::cert_format_t f, TBuf* buf) override;
  TCRLList* createTCRLList() override;
  TExtn* createTExtn(TExtn::extn_t t) override;
  TExtn* createTExtn(TBuf* der) override;
  TExtnList* createTExtnList() override;
  TPkixMisc* createTPkixMisc() override;
  TSCEPStructs* createTSCEPStructs() override;
  TLDAPDP* createTLDAPDP() override;
  TDPList* createTDPList() override;
  int verifyPath(TCert* target, TCertList* untrusted, TCertList* anchors, TCRLList* crls,
                 const pkix_path_params* params, pkix_path_verdict* out, TCertList* chosen) override;

  // The comparison and search functions, forwarded; the service itself is
  // not used.
  int strictCertCmp(TCert* a, TCert* b);
  int fuzzyCertCmp(TCert* a, TCert* b);
  int strictFindCertInList(TCertList* l, TCert* c);
  int reverseStrictFindCertInList(TCertList* l, TCert* c);
  int fuzzyFindCertInList(TCertList* l, TCert* c);
  int reverseFuzzyFindCertInList(TCertList* l, TCert* c);
};

// A new certificate service with count 0 (the first holder adds the first
// reference), or null when memory is short.
TPkixService* createTPkixService();

#endif  // PKIX_MODULE_PKIXSRV_H_
