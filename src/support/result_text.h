// Short texts for the result codes the module and the services it uses
// answer with, so that a program reporting a failure can say what went
// wrong instead of printing a bare number.
#ifndef PKIX_SUPPORT_RESULT_TEXT_H_
#define PKIX_SUPPORT_RESULT_TEXT_H_

// The meaning of code in a few words, lower case, without a final stop:
// the module's own codes (support/result_codes.h), the certificate validity
// codes (cert/tcert.h), the name conversion codes (name/x509conv.h), the
// host crypto service's transform codes (0x3A01..0x3A08), and the negative
// codes of the certificate parser (cert/x509.h), of the name encoder
// (name/name.h) and of the ASN.1 support library (contract/x509asn.h),
// which share their values. Returns a static
// string; null for a code not in the table (the caller prints the number).
// 0 gives "done".
const char* pkix_result_text(int code);

#endif  // PKIX_SUPPORT_RESULT_TEXT_H_
