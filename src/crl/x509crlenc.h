// The revocation-list encoder: plain functions that assemble an X.509
// CertificateList from a TCRL's fields with the generic ASN.1 service's
// value objects (asn/cmn_asn.h), have the issuing certificate sign the
// TBSCertList, and return the DER.
//
// CertificateList ::= SEQUENCE { tbsCertList TBSCertList,
//     signatureAlgorithm AlgorithmIdentifier, signatureValue BIT STRING }
// TBSCertList ::= SEQUENCE {
//     version Version OPTIONAL, signature AlgorithmIdentifier,
//     issuer Name, thisUpdate Time, nextUpdate Time OPTIONAL,
//     revokedCertificates SEQUENCE OF SEQUENCE {
//         userCertificate CertificateSerialNumber, revocationDate Time,
//         crlEntryExtensions Extensions OPTIONAL } OPTIONAL,
//     crlExtensions [0] EXPLICIT Extensions OPTIONAL }
// Time ::= CHOICE { utcTime UTCTime, generalTime GeneralizedTime }
#ifndef PKIX_CRL_X509CRLENC_H_
#define PKIX_CRL_X509CRLENC_H_

#include "alg/pki_alg.h"
#include "asn/cmn_asn.h"
#include "cert/tcert.h"
#include "cert/textn.h"
#include "contract/tbuf.h"
#include "crl/tcrl.h"
#include "key/tkey.h"

namespace crlenc {
// The first year written as GeneralizedTime (earlier years are UTCTime).
constexpr int kFirstGeneralizedYear = 2050;
// A time the module saturated because it lies outside 32 bits (after
// 2038-01-19T03:14:07Z or before 1901-12-13T20:45:52Z): the real date is
// unknown and is never written.
constexpr long kSaturatedLate = 0x7FFFFFFFL;
constexpr long kSaturatedEarly = -0x7FFFFFFFL - 1;
// nextUpdate holding this value means "no next update": it is not written.
constexpr long kNoNextUpdate = 0x7FFFFFFFL;
// Versions as TCRL counts them, and the one that leaves the INTEGER unset.
constexpr unsigned kVersionUnset = 0xFFFFFFFFu;
}  // namespace crlenc

// Encodes and signs crl. On success *out is a new TBuf holding the
// CertificateList (one reference for the caller) and the result is 0; on
// any failure the result is kFailed and *out stays null. kBadArgument for a
// null crl, issuer or out (nothing touched). key null: the issuer
// certificate signs with the key attached to it. The CRL is not changed.
// Without the ASN.1 service every step fails: kFailed.
// Elements written: version (0 and 1 as they are, 2 as 1, 0xFFFFFFFF
// unset, others fail); thisUpdate (a zero or saturated time fails);
// nextUpdate unless 0 or 0x7FFFFFFF; revokedCertificates only with entries;
// crlExtensions only with extensions.
int x509_enc_crl(TCRL* crl, TCert* issuer, TKey* key, TBuf** out);

// The TBSCertList of crl alone, unsigned: the part x509_enc_crl has the
// issuer sign. On success *out is a new TBuf (one reference for the
// caller) and the result is 0; else kBadArgument (null crl or out) or
// kFailed, *out null.
int x509_enc_crl_tbs(TCRL* crl, TBuf** out);

// The DER Time of the seconds since 1970 at t: UTCTime for the years 1950
// to 2049, GeneralizedTime from 2050 (and before 1950, which UTCTime cannot
// hold). Empty for a null t, a saturated time
// (crlenc::kSaturatedLate, crlenc::kSaturatedEarly), a time gmtime_r cannot
// break down, or an encoder error.
CMN_ASN_Buf_Stub x509_enc_time(long* t);

// The DER AlgorithmIdentifier of a: SEQUENCE { OBJECT IDENTIFIER, NULL }
// where the conversion table gives a NULL parameter (the RSA and GOST
// families), SEQUENCE { OBJECT IDENTIFIER } for every other algorithm. Empty when a has no identifier or
// on an encoder error.
CMN_ASN_Buf_Stub x509_algid_enc(pki_alg_t a);

// Appends one entry per certificate of list, in list order, to seq. 0;
// kBadArgument for a null list; else the first failing entry's code.
int x509_enc_certlist(TCertList* list, CMN_ASN_Sequence_Stub& seq);

// Appends the entry SEQUENCE { userCertificate, revocationDate,
// crlEntryExtensions } of cert to seq (the serial written non-negative; the
// extensions only when cert has any). 0; kBadArgument for a null cert;
// kFailed without a serial number, a readable date, or on an encoder error.
int x509_enc_revcert(TCert* cert, CMN_ASN_Sequence_Stub& seq);

// Fills ext (to be written as [0], class octet 0xA0) with the SEQUENCE of
// the list's extensions, in list order. 0; kBadArgument for a null list;
// kFailed when an extension has no DER or on an encoder error.
int x509_enc_crlextns(TExtnList* list, CMN_ASN_Explicit_Stub& ext);

// Replaces *a by a new buffer holding a's octets followed by b's (an empty
// stub counts as no octets). 0; kBadArgument for null pointers; kFailed
// when the new buffer cannot be made.
int buf_append(CMN_ASN_Buf_Stub* a, CMN_ASN_Buf_Stub* b);

#endif  // PKIX_CRL_X509CRLENC_H_
