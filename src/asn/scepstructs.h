// The message data of the three SCEP queries (RFC 8894): GetCertInitial
// (issuer and serial number), GetCert (issuer and subject) and GetCRL
// (issuer and serial number with a CRL distribution point).
#ifndef PKIX_ASN_SCEPSTRUCTS_H_
#define PKIX_ASN_SCEPSTRUCTS_H_

#include "asn/pkix_asn_if.h"
#include "contract/tbuf.h"
#include "framework/cmn_gref.h"

class TSCEPStructs : public CMN_GuardedRef {
 public:
  TSCEPStructs() : CMN_GuardedRef(0) {}
  ~TSCEPStructs() override = default;
  int init() override = 0;
  int fini() override = 0;
  // The DER of the structure for cert; an empty buffer with error() 4 for
  // an empty wrapper, 9 when it cannot be encoded (or the certificate's own
  // error when it lacks a part).
  virtual aBuf setGCIM(aCert& cert) = 0;
  // The partial certificate the DER describes; empty with error() 9 when it
  // does not decode, 40 when no structure object can be had.
  virtual aCert getGCIM(aBuf& der) = 0;
  virtual aBuf setGCM(aCert& cert) = 0;
  virtual aCert getGCM(aBuf& der) = 0;
  virtual aBuf setGCRLM(aCert& cert, aCDP& dp) = 0;
  // Stores the partial certificate and the distribution point in the out
  // wrappers; returns (and keeps) 0, 4 for an empty buffer, 9 when the DER
  // does not decode.
  virtual int getGCRLM(aBuf& der, aCert& cert, aCDP& dp) = 0;
  virtual int error() = 0;
  // The same three encodings for callers that hold plain objects (other
  // modules' code without the wrappers): a new buffer with one reference
  // for the caller, or null with error() as above. dp is a CRL
  // distribution points extension.
  virtual TBuf* encodeGCIM(TCert* cert) = 0;
  virtual TBuf* encodeGCM(TCert* cert) = 0;
  virtual TBuf* encodeGCRLM(TCert* cert, TExtn* dp) = 0;
};

class SCEPStructs : public TSCEPStructs {
 public:
  ~SCEPStructs() override;
  int init() override { return 0; }
  int fini() override { return 0; }
  aBuf setGCIM(aCert& cert) override;
  aCert getGCIM(aBuf& der) override;
  aBuf setGCM(aCert& cert) override;
  aCert getGCM(aBuf& der) override;
  aBuf setGCRLM(aCert& cert, aCDP& dp) override;
  int getGCRLM(aBuf& der, aCert& cert, aCDP& dp) override;
  int error() override { return error_; }
  TBuf* encodeGCIM(TCert* cert) override;
  TBuf* encodeGCM(TCert* cert) override;
  TBuf* encodeGCRLM(TCert* cert, TExtn* dp) override;

 private:
  int error_ = 0;
};

// A new SCEPStructs with count 0 (its first holder adds the first
// reference); null when memory is short.
TSCEPStructs* createTSCEPStructs();

#endif  // PKIX_ASN_SCEPSTRUCTS_H_
