#include "crl/x509crlenc.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "alg/pki_cnvrt_c.h"
#include "support/abuf.h"
#include "support/der_reader.h"
#include "support/ref.h"
#include "support/result_codes.h"

namespace {

// struct tm counts years from 1900.
constexpr int kTmYearBase = 1900;
// The first year UTCTime holds (its two digits run from 1950 to 2049).
constexpr int kFirstUtcYear = 1950;

// The class octet and number of the crlExtensions wrapper: [0] constructed.
constexpr unsigned char kContextConstructed = 0xA0;
constexpr unsigned kCrlExtensionsTag = 0;
// The version INTEGER of a v2 list, which TCRL counts as 2.
constexpr unsigned kVersion2Counted = 2;
constexpr unsigned kVersion2Integer = 1;

bool saturated(long t) { return t == crlenc::kSaturatedLate || t == crlenc::kSaturatedEarly; }

// A value decoded from a whole DER element: an ANY holding it, so that the
// element is written back as it is. Empty on failure.
CMN_ASN_Any_Stub anyOf(const unsigned char* der, unsigned len) {
  if (der == nullptr || len == 0) return CMN_ASN_Any_Stub(static_cast<CMN_ASN_Any_Interface*>(nullptr));
  CMN_ASN_Buf_Stub in(der, len);
  CMN_ASN_Any_Stub any;
  if (in.empty() || any.empty() || any.decode(in) != 0) {
    return CMN_ASN_Any_Stub(static_cast<CMN_ASN_Any_Interface*>(nullptr));
  }
  return any;
}
CMN_ASN_Any_Stub anyOf(TBuf* der) {
  if (der == nullptr) return CMN_ASN_Any_Stub(static_cast<CMN_ASN_Any_Interface*>(nullptr));
  return anyOf(der->datap(), der->len());
}

// Adds value to members: 0, or kFailed for an empty value or a failed add.
template <class Members, class Value>
int add(Members& members, const Value& value) {
  if (value.empty()) return pkixrc::kFailed;
  return members.addObject(value) == 0 ? pkixrc::kOk : pkixrc::kFailed;
}

// Adds the DER of every extension of list to seq, in list order.
// Extension ::= SEQUENCE { extnID, critical BOOLEAN DEFAULT FALSE, extnValue }
int addExtensions(TExtnList* list, CMN_ASN_Sequence_Stub& seq) {
  for (Ref<TExtn> e = adoptRef(list->getFirst()); e; e = adoptRef(list->getNext())) {
    Ref<TBuf> der = adoptRef(e->getRaw());
    if (!der) return pkixrc::kFailed;
    if (add(seq, anyOf(der.get())) != 0) return pkixrc::kFailed;
  }
  return pkixrc::kOk;
}

// Version ::= INTEGER { v1(0), v2(1) }: 0 and 1 as they are, 2 (the v2 of
// TCRL's count) as 1; the INTEGER stays unset for kVersionUnset. kFailed
// for every other value.
int versionOf(unsigned v, CMN_ASN_Integer_Stub& out) {
  if (v == crlenc::kVersionUnset) return pkixrc::kOk;
  if (v == kVersion2Counted) v = kVersion2Integer;
  if (v > kVersion2Integer) return pkixrc::kFailed;
  return out.setNumber(static_cast<unsigned long>(v)) == 0 ? pkixrc::kOk : pkixrc::kFailed;
}

// The DER of a name (type 0x101 of crl), or an empty ANY.
CMN_ASN_Any_Stub issuerOf(TCRL* crl) {
  constexpr auto kIssuerDN = static_cast<TName::name_type_t>(TName::NAME_ISSUER | TName::NAME_DN);
  Ref<TName> name = adoptRef(crl->getTName(kIssuerDN));
  Ref<TBuf> der = adoptRef(name ? name->getRaw() : nullptr);
  return anyOf(der.get());
}

// The encoding of a value as a new TBuf; null on failure.
template <class Stub>
Ref<TBuf> tbufOf(Stub& value) {
  CMN_ASN_Buf_Stub der = value.encode();
  if (der.empty() || der.len_of_datap() == 0) return Ref<TBuf>();
  return adoptRef(createTBuf(der.datap(), der.len_of_datap()));
}

// The Time value of t (seconds since 1970); empty for a saturated time,
// one gmtime_r cannot break down, or when the service refuses it.
// Time ::= CHOICE { utcTime UTCTime, generalTime GeneralizedTime }:
// UTCTime for 1950 through 2049, GeneralizedTime for every other year.
CMN_ASN_Type timeValue(long t) {
  CMN_ASN_Type none(static_cast<CMN_ASN_Type_Interface*>(nullptr));
  if (saturated(t)) return none;
  time_t when = static_cast<time_t>(t);
  struct tm parts;
  if (gmtime_r(&when, &parts) == nullptr) return none;
  int year = parts.tm_year + kTmYearBase;
  if (year >= kFirstUtcYear && year < crlenc::kFirstGeneralizedYear) {
    CMN_ASN_UtcTime_Stub utc;
    return utc.setTime(t) == 0 ? utc.toType() : none;
  }
  CMN_ASN_GeneralTime_Stub general;
  return general.setTime(t) == 0 ? general.toType() : none;
}

// AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER,
//                                    parameters ANY OPTIONAL }
// The parameters are a NULL where the conversion table says so (the RSA
// and GOST families), absent for the others. Empty when a has no identifier or the service fails.
CMN_ASN_Sequence_Stub algIdValue(pki_alg_t a) {
  CMN_ASN_Sequence_Stub none(static_cast<CMN_ASN_Sequence_Interface*>(nullptr));
  unsigned count = 0;
  const unsigned* arcs = alg2oid(a, &count);
  if (arcs == nullptr || count == 0) return none;
  CMN_ASN_Sequence_Stub seq;
  CMN_ASN_ObjectId_Stub oid;
  if (oid.empty() || oid.setValue(arcs, count) != 0 || add(seq, oid) != 0) return none;
  if (pki_alg_null_params(a) != 0) {
    CMN_ASN_Null_Stub null;
    if (add(seq, null) != 0) return none;
  }
  return seq;
}

// ---- Revoked entries ----
//
// The entries are the bulk of a large list: they are written here, front to
// back in one growing array (every length is known before its content is
// written), and handed to the service as whole elements.

// Appends the DER header of an element of tag with len content octets.
void appendHeader(unsigned char tag, size_t len, std::vector<unsigned char>* out) {
  out->push_back(tag);
  if (len < 0x80) {
    out->push_back(static_cast<unsigned char>(len));
    return;
  }
  unsigned char be[sizeof len];
  unsigned n = 0;
  for (size_t v = len; v != 0; v >>= 8) be[n++] = static_cast<unsigned char>(v);
  out->push_back(static_cast<unsigned char>(0x80 | n));
  while (n != 0) out->push_back(be[--n]);
}
size_t headerSize(size_t len) {
  size_t n = 2;
  for (size_t v = len; v >= 0x80; v >>= 8) ++n;
  return len < 0x80 ? 2 : n;
}

// Time ::= CHOICE { utcTime UTCTime, generalTime GeneralizedTime } as
// text: YYMMDDHHMMSSZ for 1950 through 2049, YYYYMMDDHHMMSSZ otherwise.
// The length written (0 for a saturated time or one gmtime_r cannot break
// down); text has room for 16 characters.
unsigned timeText(long t, char* text, unsigned char* tag) {
  if (saturated(t)) return 0;
  time_t when = static_cast<time_t>(t);
  struct tm parts;
  if (gmtime_r(&when, &parts) == nullptr) return 0;
  long year = parts.tm_year + static_cast<long>(kTmYearBase);
  if (year < 0 || year > 9999) return 0;
  int n;
  if (year >= kFirstUtcYear && year < crlenc::kFirstGeneralizedYear) {
    *tag = der::kUtcTime;
    n = std::snprintf(text, 16, "%02ld%02d%02d%02d%02d%02dZ", year % 100, parts.tm_mon + 1, parts.tm_mday,
                      parts.tm_hour, parts.tm_min, parts.tm_sec);
  } else {
    *tag = der::kGeneralizedTime;
    n = std::snprintf(text, 16, "%04ld%02d%02d%02d%02d%02dZ", year, parts.tm_mon + 1, parts.tm_mday,
                      parts.tm_hour, parts.tm_min, parts.tm_sec);
  }
  return n > 0 && n < 16 ? static_cast<unsigned>(n) : 0;
}

// Appends the entry of cert:
// SEQUENCE { userCertificate INTEGER, revocationDate Time,
//            crlEntryExtensions SEQUENCE OF Extension OPTIONAL }
// The serial is written non-negative (a leading 0 before a set top bit).
// 0, or kFailed without a serial, a readable date, or an extension's DER.
int appendEntry(TCert* cert, std::vector<unsigned char>* out) {
  Ref<TBuf> serial = adoptRef(cert->getSerialNumber());
  if (!serial || serial->len() == 0) return pkixrc::kFailed;
  long revoked = 0;
  long until = 0;
  if (cert->getValidity(&revoked, &until) != 0) return pkixrc::kFailed;
  char date[16];
  unsigned char date_tag = 0;
  unsigned date_len = timeText(revoked, date, &date_tag);
  if (date_len == 0) return pkixrc::kFailed;
  Ref<TExtnList> list = adoptRef(cert->getExtns());
  std::vector<Ref<TBuf>> extns;
  size_t extns_len = 0;
  for (Ref<TExtn> e = adoptRef(list ? list->getFirst() : nullptr); e; e = adoptRef(list->getNext())) {
    Ref<TBuf> der = adoptRef(e->getRaw());
    if (!der) return pkixrc::kFailed;
    extns_len += der->len();
    extns.push_back(std::move(der));
  }
  const unsigned char* s = serial->datap();
  size_t serial_len = serial->len() + ((s[0] & 0x80) != 0 ? 1 : 0);
  size_t content = headerSize(serial_len) + serial_len + 2 + date_len;
  if (!extns.empty()) content += headerSize(extns_len) + extns_len;
  appendHeader(der::kSequence, content, out);
  appendHeader(der::kInteger, serial_len, out);
  if (serial_len != serial->len()) out->push_back(0);
  out->insert(out->end(), s, s + serial->len());
  appendHeader(date_tag, date_len, out);
  out->insert(out->end(), date, date + date_len);
  if (!extns.empty()) {
    appendHeader(der::kSequence, extns_len, out);
    for (const Ref<TBuf>& e : extns) out->insert(out->end(), e->datap(), e->datap() + e->len());
  }
  return pkixrc::kOk;
}

// revokedCertificates SEQUENCE OF entry, as one value holding the whole
// element; empty when an entry fails.
CMN_ASN_Any_Stub entriesValue(TCertList* list) {
  std::vector<unsigned char> body;
  for (Ref<TCert> c = adoptRef(list->getFirst()); c; c = adoptRef(list->getNext())) {
    if (appendEntry(c.get(), &body) != 0) return CMN_ASN_Any_Stub(static_cast<CMN_ASN_Any_Interface*>(nullptr));
  }
  std::vector<unsigned char> whole;
  whole.reserve(body.size() + headerSize(body.size()));
  appendHeader(der::kSequence, body.size(), &whole);
  whole.insert(whole.end(), body.begin(), body.end());
  return anyOf(whole.data(), static_cast<unsigned>(whole.size()));
}

// Builds the TBSCertList of crl into tbs (the steps of x509_enc_crl up to
// the signature). 0 or kFailed.
int buildTbs(TCRL* crl, CMN_ASN_Sequence_Stub& tbs) {
  if (tbs.empty()) return pkixrc::kFailed;
  // version Version OPTIONAL
  CMN_ASN_Integer_Stub version;
  if (version.empty() || versionOf(crl->getVersion(), version) != 0) return pkixrc::kFailed;
  if (crl->getVersion() != crlenc::kVersionUnset && add(tbs, version) != 0) return pkixrc::kFailed;
  // signature AlgorithmIdentifier
  if (add(tbs, algIdValue(crl->getSignatureAlgorithm())) != 0) return pkixrc::kFailed;
  // issuer Name
  if (add(tbs, issuerOf(crl)) != 0) return pkixrc::kFailed;
  // thisUpdate Time
  long this_update = crl->getThisReleaseTime();
  if (this_update == 0) return pkixrc::kFailed;
  if (add(tbs, timeValue(this_update)) != 0) return pkixrc::kFailed;
  // nextUpdate Time OPTIONAL
  long next_update = crl->getNextReleaseTime();
  if (next_update != 0 && next_update != crlenc::kNoNextUpdate) {
    if (add(tbs, timeValue(next_update)) != 0) return pkixrc::kFailed;
  }
  // revokedCertificates SEQUENCE OF SEQUENCE { ... } OPTIONAL
  Ref<TCertList> revoked = adoptRef(crl->getRevokedCerts());
  if (revoked && !revoked->isEmpty()) {
    if (add(tbs, entriesValue(revoked.get())) != 0) return pkixrc::kFailed;
  }
  // crlExtensions [0] EXPLICIT Extensions OPTIONAL
  Ref<TExtnList> extns = adoptRef(crl->getCRLExtns());
  Ref<TExtn> first = adoptRef(extns ? extns->getFirst() : nullptr);
  if (first) {
    CMN_ASN_Explicit_Stub wrapper;
    if (x509_enc_crlextns(extns.get(), wrapper) != 0) return pkixrc::kFailed;
    if (add(tbs, wrapper) != 0) return pkixrc::kFailed;
  }
  return pkixrc::kOk;
}

}  // namespace

CMN_ASN_Buf_Stub x509_enc_time(long* t) {
  if (t == nullptr) return CMN_ASN_Buf_Stub(static_cast<CMN_ASN_Buf_Interface*>(nullptr));
  return timeValue(*t).encode();
}

CMN_ASN_Buf_Stub x509_algid_enc(pki_alg_t a) { return algIdValue(a).encode(); }

int x509_enc_revcert(TCert* cert, CMN_ASN_Sequence_Stub& seq) {
  if (cert == nullptr) return pkixrc::kBadArgument;
  std::vector<unsigned char> der;
  if (appendEntry(cert, &der) != 0) return pkixrc::kFailed;
  return add(seq, anyOf(der.data(), static_cast<unsigned>(der.size())));
}

int x509_enc_certlist(TCertList* list, CMN_ASN_Sequence_Stub& seq) {
  if (list == nullptr) return pkixrc::kBadArgument;
  for (Ref<TCert> c = adoptRef(list->getFirst()); c; c = adoptRef(list->getNext())) {
    int r = x509_enc_revcert(c.get(), seq);
    if (r != 0) return r;
  }
  return pkixrc::kOk;
}

int x509_enc_crlextns(TExtnList* list, CMN_ASN_Explicit_Stub& ext) {
  if (list == nullptr) return pkixrc::kBadArgument;
  CMN_ASN_Sequence_Stub seq;
  if (ext.empty() || seq.empty()) return pkixrc::kFailed;
  if (addExtensions(list, seq) != 0) return pkixrc::kFailed;
  if (ext.setFlag(kContextConstructed) != 0 || ext.setObjId(kCrlExtensionsTag) != 0) return pkixrc::kFailed;
  return add(ext, seq);
}

int buf_append(CMN_ASN_Buf_Stub* a, CMN_ASN_Buf_Stub* b) {
  if (a == nullptr || b == nullptr) return pkixrc::kBadArgument;
  unsigned alen = a->empty() ? 0 : a->len_of_datap();
  unsigned blen = b->empty() ? 0 : b->len_of_datap();
  std::vector<unsigned char> joined(alen + blen);
  for (unsigned i = 0; i < alen; ++i) joined[i] = a->datap()[i];
  for (unsigned i = 0; i < blen; ++i) joined[alen + i] = b->datap()[i];
  CMN_ASN_Buf_Stub made(joined.data(), alen + blen);
  if (made.empty()) return pkixrc::kFailed;
  *a = made;
  return pkixrc::kOk;
}

int x509_enc_crl_tbs(TCRL* crl, TBuf** out) {
  if (crl == nullptr || out == nullptr) return pkixrc::kBadArgument;
  *out = nullptr;
  CMN_ASN_Sequence_Stub tbs;
  if (buildTbs(crl, tbs) != 0) return pkixrc::kFailed;
  Ref<TBuf> der = tbufOf(tbs);
  if (!der) return pkixrc::kFailed;
  *out = der.detach();
  return pkixrc::kOk;
}

int x509_enc_crl(TCRL* crl, TCert* issuer, TKey* key, TBuf** out) {
  if (crl == nullptr || issuer == nullptr || out == nullptr) return pkixrc::kBadArgument;
  *out = nullptr;
  // 1-2. The TBSCertList.
  CMN_ASN_Sequence_Stub tbs;
  if (buildTbs(crl, tbs) != 0) return pkixrc::kFailed;
  Ref<TBuf> tbs_der = tbufOf(tbs);
  if (!tbs_der) return pkixrc::kFailed;
  // 3. The issuing certificate signs it.
  pki_alg_t alg = crl->getSignatureAlgorithm();
  Ref<TBuf> signature = adoptRef(issuer->sign(key, alg, tbs_der.get()));
  if (!signature) return pkixrc::kFailed;
  // 4. signatureValue BIT STRING
  CMN_ASN_BitString_Stub bits;
  if (bits.empty() || bits.setValue(signature->datap(), signature->len()) != 0) return pkixrc::kFailed;
  // 5. CertificateList ::= SEQUENCE { tbsCertList, signatureAlgorithm,
  //                                   signatureValue }
  CMN_ASN_Sequence_Stub list;
  if (add(list, tbs) != 0 || add(list, algIdValue(alg)) != 0 || add(list, bits) != 0) return pkixrc::kFailed;
  Ref<TBuf> whole = tbufOf(list);
  if (!whole) return pkixrc::kFailed;
  *out = whole.detach();
  return pkixrc::kOk;
}
