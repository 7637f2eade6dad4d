// Single certificate values read out of a selector, for certificate
// templates and searches.
#ifndef PKIX_CERT_SELIDENT_H_
#define PKIX_CERT_SELIDENT_H_

#include "alg/pki_alg.h"
#include "contract/tbuf.h"
#include "name/sel.h"

// Selector tags of the certificate fields.
constexpr unsigned kSelTagMD5 = SEL_TAG(SEL_CERT_HASH, SEL_HASH_MD5);    // 20
constexpr unsigned kSelTagSHA1 = SEL_TAG(SEL_CERT_HASH, SEL_HASH_SHA1);  // 532
constexpr unsigned kSelTagFormat = SEL_TAG(SEL_CERT_TYPE, 0);            // 22
constexpr unsigned kSelTagSerial = SEL_TAG(SEL_CERT_SN, 0);              // 24
constexpr unsigned kSelTagKeyAlg = SEL_TAG(SEL_CERT_KEYTYPE, 0);         // 30
constexpr unsigned kSelTagX509S = SEL_TAG(SEL_X509S, 0);                 // 32
constexpr unsigned kSelTagX509I = SEL_TAG(SEL_X509I, 0);                 // 34

// The key algorithm (four octets, big-endian) of s; 0 when absent.
pki_alg_t getKeyAlg(const _selector* s);
// The certificate format s names: its format element, else 1 when it holds
// X.509 subject or issuer elements; 0 when none or for a null s.
int getCertFormat(const _selector* s);
// A new TBuf with a copy of the SHA-1 resp. MD5 fingerprint of s, or null.
TBuf* getSelSHA1(const _selector* s);
TBuf* getSelMD5(const _selector* s);

#endif  // PKIX_CERT_SELIDENT_H_
