#include "crl/x509crl.h"

#include <cstring>
#include <new>

#include "alg/pki_cnvrt_c.h"
#include "cert/certlist.h"
#include "cert/x509.h"
#include "cert/x509extn.h"
#include "crl/crlentry.h"
#include "crl/derbuild.h"
#include "crl/x509crlenc.h"
#include "cert/authkext.h"
#include "support/tbufs.h"
#include "key/ccdC.h"
#include "support/abuf.h"
#include "name/x509name.h"
#include "support/buffers.h"
#include "support/clock.h"
#include "support/result_codes.h"

namespace {

constexpr int kIssuerDN = TName::NAME_ISSUER | TName::NAME_DN;
constexpr int kIssuerGN = TName::NAME_ISSUER | TName::NAME_GN;
// Status of a list whose next update has passed.
constexpr TCert::cert_status_t kStatusExpired = 6;
// A time past the 32-bit range (a list without nextUpdate, or a date after
// 2038): it never passes.
constexpr long kNoTime = -1;
constexpr long kForever = 0x7FFFFFFF;
// The version INTEGER of a v2 list, and the versions as counted here.
constexpr unsigned char kV2Integer = 1;
constexpr unsigned kVersion1 = 1;
constexpr unsigned kVersion2 = 2;
// A table entry field holds at most this many issuers and serial octets.
constexpr uint32_t kMaxIssuers = 0xFFFF;
constexpr uint32_t kMaxSerial = 0xFFFF;

TName::name_type_t nameType(int t) { return static_cast<TName::name_type_t>(t); }

bool passed(long t, int64_t now) { return t != kNoTime && t != kForever && now > t; }

// Name ::= SEQUENCE OF RelativeDistinguishedName
// RelativeDistinguishedName ::= SET SIZE (1..MAX) OF AttributeTypeAndValue
// AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
// Checks the shape only; the name object is made when it is asked for.
int checkName(DerReader& r, Buffer* whole) {
  return r.element(der::kSequence, [](DerReader& name) {
    while (!name.atEnd()) {
      DER_TRY(name.element(der::kSet, [](DerReader& rdn) {
        if (rdn.atEnd()) return X509ASN_E_NAME;
        while (!rdn.atEnd()) {
          DER_TRY(rdn.element(der::kSequence, [](DerReader& atv) {
            Buffer oid{};
            DER_TRY(atv.primitive(der::kOid, &oid));
            DER_TRY(asn1_oid_check(&oid));
            return derStatus(asn1_decode_any_type(atv.buf(), nullptr));
          }));
        }
        return 0;
      }));
    }
    return 0;
  }, whole);
}

uint32_t hashSerial(const unsigned char* p, uint32_t len) {
  uint32_t h = 2166136261u;
  for (uint32_t i = 0; i < len; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

// The IDP read from the list's issuing distribution point extension, or
// null when there is none (or it cannot be read).
Ref<IDP> idpOf(TExtnList* extns) {
  if (extns == nullptr) return {};
  Ref<TExtn> e = adoptRef(extns->get(TExtn::EXT_ISSUING_DP));
  if (!e) return {};
  Ref<TBuf> v = adoptRef(e->getValue());
  Ref<IDP> idp = adoptRef(new (std::nothrow) IDP);
  if (!v || !idp || idp->setValue(v.get()) != 0) return {};
  idp->setCritical(e->isCritical());
  return idp;
}

}  // namespace

// ---- Parsing ----

void X509CRL::reset() {
  raw_.reset();
  tbs_ = Buffer{};
  signature_ = Buffer{};
  base_ = nullptr;
  sign_alg_ = 0;
  this_update_ = next_update_ = kNoTime;
  next_saturated_ = false;
  version_ = static_cast<unsigned>(-1);
  issuer_dn_.reset();
  issuer_gn_.reset();
  issuer_view_ = Buffer{};
  dn_from_der_ = false;
  extns_view_ = Buffer{};
  derived_ = 0;
  extns_.reset();
  status_ = 0;
  entries_.clear();
  entries_.shrink_to_fit();
  issuers_.clear();
  issuer_ders_.clear();
  issuer_der_owners_.clear();
  index_.clear();
  index_.shrink_to_fit();
  revoked_.reset();
  table_current_ = true;
  parse_error_ = 0;
  current_issuer_ = 0;
}

int X509CRL::setRaw(TBuf* in) {
  reset();
  if (in == nullptr) return error_ = pkixrc::kOk;
  Buffer* b = in->getBuffer();
  if (b == nullptr) return error_ = pkixrc::kUnavailable;
  if (b->len == 0) return error_ = pkixrc::kOk;
  Buffer whole{};
  if (parse(*b, &whole) != 0) {
    int code = parse_error_ != 0 ? parse_error_ : pkixrc::kFailed;
    reset();
    return error_ = code;
  }
  raw_ = tbufView(in, whole);
  if (!raw_ || in->shift(whole.len) != 0) {
    reset();
    return error_ = pkixrc::kNoMemory;
  }
  // The views were taken in the caller's octets, which raw_ shows in place.
  if (raw_->datap() != whole.data) {
    reset();
    return error_ = pkixrc::kFailed;
  }
  return error_ = pkixrc::kOk;
}

int X509CRL::parse(const Buffer& in, Buffer* whole) {
  base_ = in.data;
  DerReader r(in);
  // CertificateList ::= SEQUENCE { tbsCertList TBSCertList,
  //   signatureAlgorithm AlgorithmIdentifier, signatureValue BIT STRING }
  return r.element(der::kSequence, [&](DerReader& list) {
    DER_TRY(list.element(der::kSequence, [&](DerReader& tbs) { return parseTbs(tbs); }, &tbs_));
    // The outer algorithm must name the inner one: the same octets (as
    // RFC 5280 asks), or at least the same algorithm.
    const unsigned char* outer = list.pos();
    Buffer oid{};
    DER_TRY(x509_parse_algid(list.buf(), &oid, nullptr));
    uint32_t outer_len = static_cast<uint32_t>(list.pos() - outer);
    bool same_octets = outer_len == inner_alg_.len && std::memcmp(outer, inner_alg_.data, outer_len) == 0;
    if (!same_octets && asn2alg(oid.data, oid.len) != sign_alg_) {
      parse_error_ = pkixrc::kMalformed;
      return X509ASN_E_VALUE;
    }
    return derStatus(asn1_decode_bit_string(list.buf(), &signature_));
  }, whole);
}

int X509CRL::parseTbs(DerReader& tbs) {
  // version Version OPTIONAL -- if present, MUST be v2
  version_ = kVersion1;
  if (tbs.peek() == der::kInteger) {
    Buffer v{};
    DER_TRY(asn1_decode_integer(tbs.buf(), &v));
    if (v.len != 1 || v.data[0] > kV2Integer) return X509ASN_E_VALUE;
    version_ = v.data[0] == kV2Integer ? kVersion2 : kVersion1;
  }
  // signature AlgorithmIdentifier
  const unsigned char* alg_start = tbs.pos();
  Buffer oid{};
  DER_TRY(x509_parse_algid(tbs.buf(), &oid, nullptr));
  inner_alg_ = Buffer{nullptr, const_cast<unsigned char*>(alg_start), static_cast<uint32_t>(tbs.pos() - alg_start)};
  sign_alg_ = asn2alg(oid.data, oid.len);
  if (!pki_alg_is_signature(sign_alg_)) {
    parse_error_ = pkixrc::kMalformed;
    return X509ASN_E_VALUE;
  }
  // issuer Name
  DER_TRY(checkName(tbs, &issuer_view_));
  dn_from_der_ = true;
  issuers_.emplace_back();
  issuer_ders_.push_back(issuer_view_);
  // thisUpdate Time, nextUpdate Time OPTIONAL
  int32_t t = 0;
  DER_TRY(asn1_decode_time(tbs.buf(), &t));
  this_update_ = t;
  next_update_ = kForever;
  if (tbs.peek() == der::kUtcTime || tbs.peek() == der::kGeneralizedTime) {
    DER_TRY(asn1_decode_time(tbs.buf(), &t));
    next_update_ = t;
    next_saturated_ = t == kForever;
  }
  // revokedCertificates SEQUENCE OF SEQUENCE { ... } OPTIONAL: a SEQUENCE
  // here can be nothing else (the extensions are tagged [0]), so an empty
  // one is read as no entries and the extensions after it stay visible.
  if (tbs.peek() == der::kSequence) {
    DER_TRY(tbs.element(der::kSequence, [&](DerReader& seq) { return parseEntries(seq); }));
  }
  // crlExtensions [0] EXPLICIT Extensions OPTIONAL
  if (tbs.peek() == der::kContext0Constructed) {
    DER_TRY(tbs.element(der::kContext0Constructed, [&](DerReader& wrapper) {
      return wrapper.element(der::kSequence, [&](DerReader& seq) { return parseExtensions(seq); });
    }, &extns_view_));
  }
  return 0;
}

int X509CRL::parseEntries(DerReader& seq) {
  // A typical entry (serial, date, reason code) takes some 40 octets.
  constexpr uint32_t kTypicalEntry = 40;
  entries_.reserve(seq.left() / kTypicalEntry);
  while (!seq.atEnd()) {
    DER_TRY(seq.element(der::kSequence, [&](DerReader& entry) { return parseEntry(entry); }));
  }
  return 0;
}

int X509CRL::parseEntry(DerReader& entry) {
  // SEQUENCE { userCertificate CertificateSerialNumber,
  //            revocationDate Time,
  //            crlEntryExtensions Extensions OPTIONAL }
  Buffer serial{};
  DER_TRY(asn1_decode_integer(entry.buf(), &serial));
  if (serial.len > kMaxSerial) return X509ASN_E_RANGE;
  int32_t revoked = 0;
  DER_TRY(asn1_decode_time(entry.buf(), &revoked));
  Buffer extns{};
  if (!entry.atEnd()) {
    DER_TRY(entry.element(der::kSequence, [&](DerReader& seq) {
      while (!seq.atEnd()) {
        Buffer oid{}, value{};
        DER_TRY(x509_parse_extension(seq.buf(), &oid, nullptr, &value));
        if (asn1_oid_eq(&oid, CertificateIssuer_Id) != 1) continue;
        // certificateIssuer: this entry and the ones after it belong to
        // the named issuer (indirect lists).
        Ref<TName> gn = adoptRef(createTName(TName::NAME_GN, value.data, value.len));
        Ref<TName> dn = adoptRef(gn ? gn->produce(nameType(kIssuerDN)) : nullptr);
        Ref<TBuf> dn_der = adoptRef(dn && dn->error() == 0 ? dn->getRaw() : nullptr);
        if (!dn_der || issuers_.size() > kMaxIssuers) return X509ASN_E_NAME;
        current_issuer_ = static_cast<uint16_t>(issuers_.size());
        issuers_.push_back(dn);
        issuer_ders_.push_back(viewOf(dn_der.get()));
        issuer_der_owners_.push_back(dn_der);
      }
      return 0;
    }, &extns));
  }
  Entry e;
  e.serial = static_cast<uint32_t>(serial.data - base_);
  e.serial_len = static_cast<uint16_t>(serial.len);
  e.extns = extns.len != 0 ? static_cast<uint32_t>(extns.data - base_) : 0;
  e.extns_len = extns.len;
  e.revoked = revoked;
  e.issuer = current_issuer_;
  entries_.push_back(e);
  return 0;
}

int X509CRL::parseExtensions(DerReader& seq) {
  // Each Extension is checked here; the objects are made on first request.
  // An issuing distribution point is read at once: one that names two
  // kinds of certificates as the only ones makes the list unusable.
  while (!seq.atEnd()) {
    Buffer whole{};
    Buffer probe = *seq.buf();
    DER_TRY(asn1_decode_any_type(seq.buf(), &whole));
    Buffer oid{}, value{};
    DER_TRY(x509_parse_extension(&probe, &oid, nullptr, &value));
    if (probe.data != seq.pos()) return X509ASN_E_TRAILING;
    if (asn1_oid_eq(&oid, IssuingDistributionPoint_Id) == 1) {
      Ref<TBuf> v = tbufCopy(value);
      IDP idp;
      if (!v || idp.setValue(v.get()) != 0) return X509ASN_E_VALUE;
    }
  }
  return 0;
}

int X509CRL::ensureExtensions() {
  if (extns_ || extns_view_.len == 0) return 0;
  Ref<TExtnList> list = adoptRef(createTExtnList());
  if (!list) return pkixrc::kNoMemory;
  DerReader r(extns_view_);
  int rc = r.element(der::kContext0Constructed, [&](DerReader& wrapper) {
    return wrapper.element(der::kSequence, [&](DerReader& seq) {
      while (!seq.atEnd()) {
        Buffer whole{};
        DER_TRY(asn1_decode_any_type(seq.buf(), &whole));
        Ref<TBuf> v = tbufView(raw_.get(), whole);
        Ref<TExtn> e = adoptRef(v ? createCRLExtn(v.get()) : nullptr);
        if (!e || list->append(e.get()) != 0) return X509ASN_E_VALUE;
      }
      return 0;
    });
  });
  if (rc != 0) return pkixrc::kFailed;
  extns_ = list;
  return 0;
}

TName* X509CRL::issuerName(uint16_t i) {
  if (i >= issuers_.size()) return nullptr;
  if (!issuers_[i] && i == 0 && issuer_view_.len != 0) {
    issuers_[0].reset(createTName(nameType(kIssuerDN), issuer_view_.data, issuer_view_.len));
    if (issuers_[0] && issuers_[0]->error() != 0) issuers_[0].reset();
  }
  return issuers_[i].get();
}

TName* X509CRL::dn() {
  if (!issuer_dn_ && dn_from_der_) issuer_dn_ = shareRef(issuerName(0));
  return issuer_dn_.get();
}

// ---- Entries ----

TCert* X509CRL::entryObject(uint32_t i) {
  const Entry& e = entries_[i];
  Buffer serial{nullptr, const_cast<unsigned char*>(raw_->datap()) + e.serial, e.serial_len};
  Buffer extns{nullptr, e.extns_len != 0 ? raw_->datap() + e.extns : nullptr, e.extns_len};
  return new (std::nothrow) CRLEntry(raw_.get(), serial, extns, issuerName(e.issuer), e.revoked, next_update_);
}

int X509CRL::materialise() {
  if (revoked_ || !table_current_ || entries_.empty()) return 0;
  Ref<TCertList> list = adoptRef(createTCertList());
  if (!list) return pkixrc::kNoMemory;
  for (uint32_t i = 0; i < entries_.size(); ++i) {
    Ref<TCert> c = adoptRef(entryObject(i));
    if (!c || list->append(c.get()) != 0) return pkixrc::kNoMemory;
  }
  revoked_ = list;
  return 0;
}

unsigned X509CRL::revokedCount() {
  error_ = pkixrc::kOk;
  if (table_current_) return static_cast<unsigned>(entries_.size());
  unsigned n = 0;
  if (revoked_) {
    for (Ref<TCert> c = adoptRef(revoked_->getFirst()); c; c.reset(revoked_->getNext())) ++n;
  }
  return n;
}

template <class T>
T* X509CRL::handOut(int prepared, const Ref<T>& slot) {
  if (prepared != 0) return error_ = prepared, nullptr;
  error_ = slot ? pkixrc::kOk : pkixrc::kUnavailable;
  return slot.newRef();
}

TCertList* X509CRL::getRevokedCerts() { return handOut(materialise(), revoked_); }

int X509CRL::addRevokedCert(TCert* c) {
  if (c == nullptr) return error_ = pkixrc::kBadArgument;
  int r = materialise();
  if (r != 0) return error_ = r;
  if (!revoked_) revoked_.reset(createTCertList());
  if (!revoked_) return error_ = pkixrc::kNoMemory;
  table_current_ = false;
  index_.clear();
  return error_ = revoked_->append(c);
}

int X509CRL::setRevokedCerts(TCertList* l) {
  revoked_ = shareRef(l);
  table_current_ = false;
  entries_.clear();
  index_.clear();
  return error_ = pkixrc::kOk;
}

uint32_t X509CRL::slotOf(const unsigned char* serial, uint32_t len) const {
  return hashSerial(serial, len) & static_cast<uint32_t>(index_.size() - 1);
}

void X509CRL::buildIndex() {
  size_t slots = 16;
  while (slots < entries_.size() * 2) slots <<= 1;
  index_.assign(slots, 0);
  const unsigned char* base = raw_->datap();
  uint32_t mask = static_cast<uint32_t>(slots - 1);
  for (uint32_t i = 0; i < entries_.size(); ++i) {
    uint32_t h = slotOf(base + entries_[i].serial, entries_[i].serial_len);
    while (index_[h] != 0) h = (h + 1) & mask;
    index_[h] = i + 1;
  }
}

template <class IssuerMatches>
long X509CRL::lookup(const unsigned char* serial, uint32_t len, IssuerMatches issuerMatches) {
  if (entries_.empty()) return -1;
  if (index_.empty()) buildIndex();
  const unsigned char* base = raw_->datap();
  uint32_t mask = static_cast<uint32_t>(index_.size() - 1);
  // Whether each issuer of the table is the one asked for: unknown until an
  // entry of that issuer carries the serial.
  signed char known[8];
  std::vector<signed char> more;
  signed char* same = known;
  if (issuers_.size() > sizeof known) {
    more.assign(issuers_.size(), -1);
    same = more.data();
  } else {
    std::memset(known, -1, sizeof known);
  }
  for (uint32_t h = slotOf(serial, len); index_[h] != 0; h = (h + 1) & mask) {
    uint32_t i = index_[h] - 1;
    const Entry& e = entries_[i];
    if (e.serial_len != len || std::memcmp(base + e.serial, serial, len) != 0) continue;
    if (same[e.issuer] < 0) same[e.issuer] = issuerMatches(e.issuer) ? 1 : 0;
    if (same[e.issuer] == 1) return static_cast<long>(i);
  }
  return -1;
}

int X509CRL::isSerialRevoked(const unsigned char* serial, unsigned len) {
  if (serial == nullptr || len == 0) return error_ = pkixrc::kBadArgument, 0;
  if (!table_current_) return error_ = pkixrc::kNotFound, 0;
  long i = lookup(serial, len, [](uint16_t issuer) { return issuer == 0; });
  error_ = i >= 0 ? pkixrc::kOk : pkixrc::kNotFound;
  return i >= 0 ? 1 : 0;
}

long X509CRL::entryOf(TCert* c) {
  Ref<TBuf> serial = adoptRef(c->getSerialNumber());
  if (!serial) return -1;
  Ref<TName> issuer;
  Ref<TBuf> issuer_der;
  return lookup(serial->datap(), serial->len(), [&](uint16_t k) {
    if (!issuer) {
      issuer.reset(c->getName(nameType(kIssuerDN)));
      if (issuer) issuer_der.reset(issuer->getRaw());
    }
    if (!issuer) return false;
    // The same octets decide at once; otherwise the names are compared.
    const Buffer& mine = issuer_ders_[k];
    if (issuer_der && issuer_der->len() == mine.len && std::memcmp(issuer_der->datap(), mine.data, mine.len) == 0) {
      return true;
    }
    TName* name = issuerName(k);
    return name != nullptr && (*name == *issuer) == 1;
  });
}

TCert* X509CRL::findRevokedCert(TCert* c) {
  if (c == nullptr) return error_ = pkixrc::kBadArgument, nullptr;
  if (!table_current_) {
    // Entries set by the caller: compared one by one.
    if (revoked_) {
      for (Ref<TCert> e = adoptRef(revoked_->getFirst()); e; e.reset(revoked_->getNext())) {
        if (e->areISNMatched(c) == 1) return error_ = pkixrc::kOk, e.detach();
      }
    }
    return error_ = pkixrc::kNotFound, nullptr;
  }
  long i = entryOf(c);
  if (i < 0) return error_ = pkixrc::kNotFound, nullptr;
  TCert* out = entryObject(static_cast<uint32_t>(i));
  error_ = out != nullptr ? pkixrc::kOk : pkixrc::kNoMemory;
  return out;
}

int X509CRL::isRevoked(TCert* c) {
  if (c == nullptr) return error_ = pkixrc::kBadArgument, 0;
  if (!table_current_) {
    Ref<TCert> hit = adoptRef(findRevokedCert(c));
    return hit ? 1 : 0;
  }
  long i = entryOf(c);
  error_ = i >= 0 ? pkixrc::kOk : pkixrc::kNotFound;
  return i >= 0 ? 1 : 0;
}

// ---- Names ----

TName* X509CRL::getIssuer() {
  Ref<TName> out;
  TName* issuer = dn();
  if (!issuer_gn_) {
    if (issuer == nullptr) return error_ = dn_from_der_ ? pkixrc::kFailed : pkixrc::kUnavailable, nullptr;
    out.reset(createTName(nameType(kIssuerGN), issuer));
  } else {
    out.reset(issuer_gn_->dup());
    if (out && issuer != nullptr && derived_ == 0) *out += *issuer;
  }
  if (!out || out->error() != 0) return error_ = pkixrc::kFailed, nullptr;
  error_ = pkixrc::kOk;
  return out.detach();
}

TName* X509CRL::getTName(TName::name_type_t t) {
  dn();
  Ref<TName>* slot = t == kIssuerDN ? &issuer_dn_ : t == kIssuerGN ? &issuer_gn_ : nullptr;
  if (slot == nullptr) return error_ = pkixrc::kBadArgument, nullptr;
  if (!*slot) return error_ = t == kIssuerDN && dn_from_der_ ? pkixrc::kFailed : pkixrc::kNotFound, nullptr;
  TName* n = (*slot)->dup();
  error_ = n != nullptr ? pkixrc::kOk : pkixrc::kFailed;
  return n;
}

TName* X509CRL::getNormName(TName::name_type_t t) {
  Ref<TName> n = adoptRef(getTName(t));
  if (!n) return nullptr;
  TName* norm = n->getNormName();
  error_ = norm != nullptr ? pkixrc::kOk : pkixrc::kFailed;
  return norm;
}

int X509CRL::setTName(TName* n) {
  if (n == nullptr) return error_ = pkixrc::kBadArgument;
  int t = n->getType();
  if (t == kIssuerDN || t == TName::NAME_GN) dn_from_der_ = false;
  if (t == kIssuerDN) {
    issuer_dn_ = shareRef(n);
    derived_ = 0;
  } else if (t == kIssuerGN) {
    issuer_gn_ = shareRef(n);
    derived_ = 0;
  } else if (t == TName::NAME_GN) {
    issuer_gn_ = shareRef(n);
    Ref<TName> dn = adoptRef(n->produce(nameType(kIssuerDN)));
    if (dn && n->error() == 0) {
      issuer_dn_ = dn;
      derived_ = 1;
    } else if (n->error() == pkixrc::kNotFound) {
      // General names without a directory name: no distinguished name.
      issuer_dn_.reset();
      derived_ = 0;
    } else {
      return error_ = n->error() != 0 ? n->error() : pkixrc::kFailed;
    }
  } else {
    return error_ = pkixrc::kWrongType;
  }
  return error_ = pkixrc::kOk;
}

// ---- Simple fields ----

int X509CRL::setSignatureAlgorithm(pki_alg_t a) {
  if (!pki_alg_is_signature(a)) return error_ = pkixrc::kBadArgument;
  sign_alg_ = a;
  return error_ = pkixrc::kOk;
}

int X509CRL::setVersion(unsigned v) {
  if (v != kVersion2) return error_ = pkixrc::kBadArgument;
  version_ = v;
  return error_ = pkixrc::kOk;
}

TBuf* X509CRL::getRaw(TCert* issuer, TKey* key) {
  if (issuer == nullptr && key == nullptr) {
    error_ = raw_ ? pkixrc::kOk : pkixrc::kUnavailable;
    return raw_.newRef();
  }
  // Without an issuer certificate there is nothing to take the name and
  // the signature from.
  if (issuer == nullptr) return error_ = pkixrc::kBadArgument, nullptr;
  Ref<TKey> signing = shareRef(key);
  if (!signing) signing = adoptRef(issuer->getKey(TKey::KT_PRIVATE));
  if (!signing) return error_ = pkixrc::kUnavailable, nullptr;
  // A time read back saturated (past 2038 or before 1902) would be written
  // as a different date: refuse until it is set again.
  if (holdsSaturatedTime()) return error_ = pkixrc::kWrongType, nullptr;
  int r = takeIssuer(issuer);
  if (r != pkixrc::kOk) return error_ = r, nullptr;
  // A list carrying extensions (it always gains the authority key
  // identifier) is a v2 list.
  if (version_ == static_cast<unsigned>(-1)) version_ = kVersion2;
  TBuf* made = nullptr;
  r = x509_enc_crl(this, issuer, signing.get(), &made);
  Ref<TBuf> der = adoptRef(made);
  if (r != pkixrc::kOk) return error_ = r, nullptr;
  // The object becomes the list just written: parsed again from the new
  // DER, so that every view it keeps lies in that DER (the old one, which
  // the views pointed into, goes with the reparse). The status stays.
  TCert::cert_status_t status = status_;
  r = setRaw(der.get());
  status_ = status;
  if (r != pkixrc::kOk) return error_ = r, nullptr;
  error_ = pkixrc::kOk;
  return raw_.newRef();
}

int X509CRL::takeIssuer(TCert* issuer) {
  // The CRL issuer is the certificate's subject.
  constexpr auto kSubjectDN = static_cast<TName::name_type_t>(TName::NAME_SUBJECT | TName::NAME_DN);
  Ref<TName> subject = adoptRef(issuer->getName(kSubjectDN));
  Ref<TName> name = adoptRef(subject ? createTName(nameType(kIssuerDN), subject.get()) : nullptr);
  if (!name) return pkixrc::kFailed;
  int r = setTName(name.get());
  if (r != pkixrc::kOk) return r;
  // The extensions again: every one kept but the issuer alternative name
  // (made anew from the certificate's subject alternative name) and the
  // authority key identifier (kept when it names this issuer, made from
  // the certificate otherwise; the list replaces an extension of the same
  // identifier in place, so the order stays).
  Ref<TExtnList> old = adoptRef(getCRLExtns());
  Ref<TExtnList> list = adoptRef(createTExtnList());
  if (!list) return pkixrc::kNoMemory;
  Ref<TExtn> aki;
  for (Ref<TExtn> e = adoptRef(old ? old->getFirst() : nullptr); e; e = adoptRef(old->getNext())) {
    if (e->getType() == TExtn::EXT_ISSUER_ALT_NAME) continue;
    if (e->getType() == TExtn::EXT_AUTHORITY_KEY_ID) aki = e;
    if ((r = list->append(e.get())) != pkixrc::kOk) return r;
  }
  Ref<TExtnList> theirs = adoptRef(issuer->getExtns());
  Ref<TExtn> san = adoptRef(theirs ? theirs->get(TExtn::EXT_SUBJECT_ALT_NAME) : nullptr);
  Ref<TBuf> alt = adoptRef(san ? san->getValue() : nullptr);
  if (alt) {
    Ref<TExtn> ian = adoptRef(createTExtn(TExtn::EXT_ISSUER_ALT_NAME));
    if (!ian || ian->setValue(alt.get()) != pkixrc::kOk) return pkixrc::kFailed;
    if ((r = list->append(ian.get())) != pkixrc::kOk) return r;
  }
  auto* named = static_cast<TX509AuthKeyId*>(aki.get());
  if (named == nullptr || named->isCertCompliant(issuer) != 1) {
    Ref<TExtn> made = adoptRef(createTExtn(TExtn::EXT_AUTHORITY_KEY_ID));
    if (!made || static_cast<TX509AuthKeyId*>(made.get())->setIssuer(issuer) != pkixrc::kOk) return pkixrc::kFailed;
    if ((r = list->append(made.get())) != pkixrc::kOk) return r;
  }
  return setCRLExtns(list.get());
}

bool X509CRL::holdsSaturatedTime() {
  auto saturated = [](long t) { return t == crlenc::kSaturatedLate || t == crlenc::kSaturatedEarly; };
  if (saturated(this_update_) || (next_saturated_ && next_update_ == kForever)) return true;
  if (table_current_) {
    for (const Entry& e : entries_) {
      if (saturated(e.revoked)) return true;
    }
    return false;
  }
  Ref<TCertList> list = revoked_;
  for (Ref<TCert> c = adoptRef(list ? list->getFirst() : nullptr); c; c = adoptRef(list->getNext())) {
    long from = 0;
    long to = 0;
    if (c->getValidity(&from, &to) == pkixrc::kOk && saturated(from)) return true;
  }
  return false;
}

TCert::cert_status_t X509CRL::getStatus() {
  int64_t now = pkixclock::now();
  bool issued = this_update_ == kNoTime || now >= this_update_;
  if (!issued || status_ == kStatusExpired) status_ = 0;
  if (passed(next_update_, now)) status_ = kStatusExpired;
  error_ = pkixrc::kOk;
  return status_;
}

// ---- Extensions ----

TExtnList* X509CRL::getCRLExtns() { return handOut(ensureExtensions(), extns_); }

int X509CRL::setCRLExtns(TExtnList* l) {
  extns_view_ = Buffer{};
  extns_ = shareRef(l);
  return error_ = pkixrc::kOk;
}

int X509CRL::addCRLExtn(TExtn* e) {
  if (e == nullptr) return error_ = pkixrc::kBadArgument;
  int r = ensureExtensions();
  if (r != 0) return error_ = r;
  if (!extns_) extns_.reset(createTExtnList());
  if (!extns_) return error_ = pkixrc::kNoMemory;
  return error_ = extns_->append(e);
}

IDP* X509CRL::getIDP() {
  ensureExtensions();
  Ref<IDP> idp = idpOf(extns_.get());
  error_ = idp ? pkixrc::kOk : pkixrc::kUnavailable;
  return idp.detach();
}

X509CRLReasons X509CRL::getReasons() {
  ensureExtensions();
  Ref<IDP> idp = idpOf(extns_.get());
  error_ = pkixrc::kOk;
  return idp ? idp->getReasons() : crlreasons::kAll;
}

int X509CRL::setReasons(X509CRLReasons& r) {
  ensureExtensions();
  Ref<IDP> idp = idpOf(extns_.get());
  if (!idp) {
    idp.reset(new (std::nothrow) IDP);
    // An issuing distribution point is a critical extension.
    if (idp) idp->setCritical(1);
  }
  if (!idp) return error_ = pkixrc::kNoMemory;
  idp->setReasons(r);
  return addCRLExtn(idp.get());
}

TDPList* X509CRL::getDistributionPoints() {
  ensureExtensions();
  Ref<IDP> idp = idpOf(extns_.get());
  if (!idp) return error_ = pkixrc::kUnavailable, nullptr;
  TDPList* l = idp->getDistributionPoints();
  error_ = idp->error();
  return l;
}

// ---- Checks ----

int X509CRL::isSuccessor(TCRL* next) {
  if (next == nullptr || next->getType() != 1) return error_ = pkixrc::kWrongType, 0;
  if (TName* mine = dn()) {
    Ref<TName> theirs = adoptRef(next->getTName(nameType(kIssuerDN)));
    if (!theirs) return error_ = pkixrc::kUnavailable, 0;
    if ((*mine == *theirs) != 1) return error_ = pkixrc::kOk, 0;
  }
  ensureExtensions();
  Ref<TExtnList> their_extns = adoptRef(next->getCRLExtns());
  if (extns_ && their_extns) {
    Ref<IDP> mine = idpOf(extns_.get());
    Ref<IDP> theirs = idpOf(their_extns.get());
    if (mine && theirs && (*mine == *theirs) != 1) return error_ = kCRLScopeDiffers, 0;
  }
  long their_this = next->getThisReleaseTime();
  long their_next = next->getNextReleaseTime();
  if (this_update_ != kNoTime && next_update_ != kNoTime &&
      (their_this < this_update_ || their_this > next_update_)) {
    return error_ = pkixrc::kFailed, 0;
  }
  int64_t now = pkixclock::now();
  int noted = their_this != kNoTime && now < their_this ? kCRLNotYetIssued : pkixrc::kOk;
  if (next_update_ != kNoTime && their_next < next_update_) return error_ = pkixrc::kFailed, 0;
  if (noted == pkixrc::kOk && passed(their_next, now)) noted = kCRLSuccessorExpired;
  error_ = noted;
  return 1;
}

int X509CRL::checkSign(TCert* issuer) {
  if (issuer == nullptr) return error_ = pkixrc::kBadArgument;
  if (!raw_ || signature_.data == nullptr) return error_ = pkixrc::kUnavailable;
  // Any X.509 certificate may sign a list (a CA certificate, getType() 2,
  // above all).
  if (issuer->getFormat() != TCert::CF_X509) return error_ = pkixrc::kBadArgument;
  Ref<TKey> key = adoptRef(issuer->getKey(TKey::KT_PUBLIC));
  if (!key) return error_ = pkixrc::kFailed;
  // The signed octets are the whole TBSCertList element.
  Ref<TBuf> tbs = tbufView(raw_.get(), tbs_);
  Ref<TBuf> sig = tbufView(raw_.get(), signature_);
  if (!tbs || !sig) return error_ = pkixrc::kNoMemory;
  return error_ = verifyMessage(key.get(), tbs.get(), sig.get(), sign_alg_);
}

TCRL* X509CRL::dup() {
  Ref<X509CRL> c = adoptRef(new (std::nothrow) X509CRL);
  if (!c) return error_ = pkixrc::kNoMemory, nullptr;
  if (raw_) {
    Ref<TBuf> copy = adoptRef(createTBuf(raw_.get()));
    if (!copy || c->setRaw(copy.get()) != 0) return error_ = pkixrc::kFailed, nullptr;
  }
  c->status_ = status_;
  error_ = pkixrc::kOk;
  return c.detach();
}

// ---- Factories ----

TCRL* createTCRL(TCert::cert_format_t format) {
  if (format != TCert::CF_X509) return nullptr;
  return new (std::nothrow) X509CRL;
}

TCRL* createTCRL(TCert::cert_format_t format, TBuf* der) {
  Ref<TCRL> c = adoptRef(createTCRL(format));
  if (!c) return nullptr;
  if (der != nullptr && c->setRaw(der) != 0) return nullptr;
  return c.detach();
}
