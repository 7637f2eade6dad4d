// Name normalisation: names are compared, and printed as UTF-8, on a form of
// their DER in which every attribute value is re-encoded as UTF8String. The
// values of the ASCII string types have their white space folded; for
// comparison (NORM_UPPER) the values of every string type have their white
// space folded and their ASCII letters upper-cased, so that the same text
// compares equal whichever string type carries it. The character
// set each ASN.1 string type is read in comes from "x509conv.ini" in the
// product directory's "etc/":
//
//   ASN1UTF8StringEncoding       (UTF8String, tag 12)       default UTF-8
//   ASN1PrintableStringEncoding  (PrintableString, 19)      default ASCII
//   ASN1TeletexStringEncoding    (TeletexString, 20)        default ISO-8859-1
//   ASN1IA5StringEncoding        (IA5String, 22)            default ASCII
//   ASN1UniversalStringEncoding  (UniversalString, 28)      default UCS-4
//   ASN1BMPStringEncoding        (BMPString, 30)            default UCS-2BE
//   ASN1ForbidEncoding = TRUE    forbids any character-set conversion
//
// A value set for one of the six keys must be a character set that iconv
// converts to UTF-8; a rejected value is logged (resource 0x600F1) and the
// set in force stays. Unknown names are logged (resource 0x600F2).
//
// The configuration is process-wide. It is replaced as a whole by each read
// and only read by normalisation, which keeps all its working state local
// and may run on several threads at once.
#ifndef PKIX_NAME_X509CONV_H_
#define PKIX_NAME_X509CONV_H_

#include "contract/x509asn.h"

// Results of normalisation besides 0, 1 (out of memory) and 9 (malformed
// input or failure).
constexpr int kConvUnconvertible = 0x203F0003;  // a value could not be converted
constexpr int kConvForbidden = 0x203F0004;      // conversion forbidden by configuration

// Normalisation modes, a bit set. With both NORM_STRICT and NORM_ASCII,
// NORM_ASCII is dropped.
enum NormMode : int {
  NORM_UPPER = 1,   // the comparison form: white space folded and ASCII letters
                    // upper-cased in the values of every string type
  NORM_STRICT = 2,  // report an unconvertible value instead of falling back
  NORM_ASCII = 4    // convert nothing, handle ASCII only
};

// The log message and resources of the configuration reader.
constexpr unsigned kConvLogMsgID = 111;
constexpr unsigned kConvResRejectedSet = 0x600F1;  // 1: the value, 2: the set in force
constexpr unsigned kConvResUnknownName = 0x600F2;  // 1: the name

// Reads the configuration from the product directory (zel_get_product_dir)
// followed by "etc/x509conv.ini", or from "x509conv.ini" in the current
// directory when the product directory is unknown. 0 (also when the file
// does not exist: all defaults), 1 when memory is short, 9 when a variable
// cannot be read, or the INI reader's load error.
int conv_read_ini();
// conv_read_ini reading the file at path.
int conv_read_ini_file(const char* path);
// Forgets every configured character set and clears the forbid flag.
void conv_ini_clear();
// The character set a string tag is read in, or null for a tag outside the
// six string types.
const char* conv_enc(unsigned char tag);
// Whether conversion is forbidden.
bool conv_forbidden();

// Normalises the name element at in (a Name or GeneralNames; isDN decides)
// into out, a new owned buffer the caller releases; whatever out held is
// overwritten. 0, kConvUnconvertible (outside NORM_STRICT: the result is
// lossy, out is set), kConvForbidden (NORM_STRICT with conversion
// forbidden), 9 (malformed input or a character set iconv refuses), 1 (out
// of memory). out is empty after any result but 0 and the lossy mark.
int x509_norm_name(Buffer* in, Buffer* out, int mode);
// The same for a distinguished name and for general names.
int x509_norm_dn(Buffer* in, Buffer* out, int mode);
int x509_norm_gn(Buffer* in, Buffer* out, int mode);

#endif  // PKIX_NAME_X509CONV_H_
