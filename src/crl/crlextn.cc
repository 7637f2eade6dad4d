#include "crl/crlextn.h"

#include <cstring>
#include <new>
#include <vector>

#include "cert/dplist.h"
#include "cert/ldapdp.h"
#include "cert/x509.h"
#include "crl/derbuild.h"
#include "support/tbufs.h"
#include "support/abuf.h"
#include "name/x509name.h"
#include "support/buffers.h"
#include "support/der_reader.h"
#include "support/result_codes.h"

namespace {

// Context tags of IssuingDistributionPoint's fields.
constexpr unsigned char kOnlyUserTag = 0x81;
constexpr unsigned char kOnlyCaTag = 0x82;
constexpr unsigned char kSomeReasonsTag = 0x83;
constexpr unsigned char kIndirectTag = 0x84;
constexpr unsigned char kOnlyAttrTag = 0x85;
constexpr unsigned char kTrueBoolean[] = {0xFF};
// GeneralName choices a distribution point is read from.
constexpr unsigned char kDirectoryNameTag = 0xA4;  // [4] Name
constexpr unsigned char kUriTag = 0x86;            // [6] IA5String
// An LDAP URI names more than its scheme "ldap://".
constexpr uint32_t kMinLdapUri = 8;

// The octet with its bit order reversed: ReasonFlags number their bits from
// the most significant bit of the first value octet.
unsigned char reverseBits(unsigned char o) {
  unsigned char r = 0;
  for (int i = 0; i < 8; ++i) {
    if ((o & (1u << i)) != 0) r |= static_cast<unsigned char>(0x80u >> i);
  }
  return r;
}

TBuf* copyOf(const unsigned char* data, unsigned len) {
  return tbufCopy(Buffer{nullptr, const_cast<unsigned char*>(data), len}).detach();
}

// A one-octet BOOLEAN content field: 0 or 1 in *flag. 0 or
// X509ASN_E_VALUE.
int readFlag(DerReader& r, unsigned char tag, int* flag) {
  if (r.peek() != tag) return 0;
  Buffer c;
  DER_TRY(r.primitive(tag, &c));
  if (c.len != 1) return X509ASN_E_VALUE;
  *flag = c.data[0] != 0 ? 1 : 0;
  return 0;
}

}  // namespace

// ---- Reason flags ----

int crlreasons::fromBitString(const Buffer& content, X509CRLReasons* out) {
  if (content.len == 0 || content.data[0] > 7) return X509ASN_E_VALUE;
  unsigned unused = content.data[0];
  if (content.len == 1) {
    if (unused != 0) return X509ASN_E_VALUE;
    *out = kNone;
    return 0;
  }
  unsigned char first = content.data[1];
  if (content.len == 2) first &= static_cast<unsigned char>(0xFFu << unused);
  *out = static_cast<X509CRLReasons>(reverseBits(first) & kAll);
  return 0;
}

int crlreasons::prependBitString(X509CRLReasons r, DerBuilder& b) {
  unsigned char value = reverseBits(static_cast<unsigned char>(r & kAll));
  unsigned char content[2] = {0, value};
  uint32_t len = 1;
  if (value != 0) {
    while ((value & (1u << content[0])) == 0) ++content[0];
    len = 2;
  }
  return b.prepend(content, len);
}

// ---- IDP ----

void IDP::clearFields() {
  dps_.reset();
  full_.reset();
  rdn_.reset();
  issuer_.reset();
  reasons_ = crlreasons::kAll;
  only_user_ = only_ca_ = indirect_ = only_attr_ = 0;
}

int IDP::setValue(TBuf* value) {
  if (value == nullptr) return error_ = pkixrc::kBadArgument;
  clearFields();
  // An empty value is not an IssuingDistributionPoint (and is not handed
  // to the decoder as a record without octets).
  if (value->len() == 0) return error_ = pkixrc::kFailed;
  Buffer v = viewOf(value);
  DerReader r(v);
  int dp_error = 0;
  int rc = r.element(der::kSequence, [&](DerReader& idp) {
    // distributionPoint [0] DistributionPointName OPTIONAL
    if (idp.peek() == der::kContext0Constructed) {
      Buffer dp;
      DER_TRY(idp.primitive(der::kContext0Constructed, &dp));
      if (dp.len != 0 && (dp_error = setDp(dp.data, dp.len)) != 0) return X509ASN_E_VALUE;
    }
    DER_TRY(readFlag(idp, kOnlyUserTag, &only_user_));
    DER_TRY(readFlag(idp, kOnlyCaTag, &only_ca_));
    // onlySomeReasons [3] ReasonFlags OPTIONAL
    if (idp.peek() == kSomeReasonsTag) {
      Buffer bits;
      DER_TRY(idp.primitive(kSomeReasonsTag, &bits));
      DER_TRY(crlreasons::fromBitString(bits, &reasons_));
    }
    DER_TRY(readFlag(idp, kIndirectTag, &indirect_));
    DER_TRY(readFlag(idp, kOnlyAttrTag, &only_attr_));
    return 0;
  });
  if (rc == 0 && r.left() != 0) rc = X509ASN_E_TRAILING;
  // At most one kind of certificate may be named as the only one.
  if (rc == 0 && only_user_ + only_ca_ + only_attr_ > 1) rc = X509ASN_E_VALUE;
  if (rc != 0) {
    clearFields();
    return error_ = dp_error != 0 ? dp_error : pkixrc::kFailed;
  }
  return error_ = storeValue(value);
}

int IDP::setDp(TBuf* dp) {
  if (dp == nullptr) return error_ = pkixrc::kBadArgument;
  return setDp(dp->datap(), dp->len());
}

int IDP::setDp(const unsigned char* data, unsigned len) {
  if (data == nullptr || len == 0) return error_ = pkixrc::kBadArgument;
  full_.reset();
  rdn_.reset();
  dps_.reset();
  markStale();
  std::vector<unsigned char> copy(data, data + len);
  if (copy[0] == der::kContext0Constructed) {
    // fullName [0] GeneralNames: the same content under a SEQUENCE header.
    copy[0] = der::kSequence;
    full_.reset(createTName(TName::NAME_GN, copy.data(), len));
    if (!full_ || full_->error() != 0) return error_ = (full_.reset(), pkixrc::kFailed);
    return error_ = pkixrc::kOk;
  }
  if (copy[0] == der::kContext1Constructed) {
    // nameRelativeToCRLIssuer [1] RelativeDistinguishedName: held as a
    // name of one RDN.
    copy[0] = der::kSet;
    DerBuilder b;
    b.prepend(copy.data(), len);
    if (b.wrap(der::kSequence) != 0) return error_ = pkixrc::kNoMemory;
    Buffer v = b.view();
    rdn_.reset(createTName(TName::NAME_DN, v.data, v.len));
    if (!rdn_ || rdn_->error() != 0) return error_ = (rdn_.reset(), pkixrc::kFailed);
    return error_ = pkixrc::kOk;
  }
  return error_ = pkixrc::kMalformed;
}

int IDP::setFullDp(TName* n) { return keepName(full_, n); }

TName* IDP::getFullDp() { return nameOf(full_); }

int IDP::setRdn(TName* n) {
  rdn_.reset();
  dps_.reset();
  markStale();
  return error_ = n != nullptr ? pkixrc::kBadArgument : pkixrc::kOk;
}

TName* IDP::getRdn() { return nameOf(rdn_); }

int IDP::keepName(Ref<TName>& slot, TName* n) {
  slot = shareRef(n);
  dps_.reset();
  markStale();
  return error_ = pkixrc::kOk;
}

TName* IDP::nameOf(const Ref<TName>& slot) {
  error_ = pkixrc::kOk;
  return slot.newRef();
}

int IDP::setIssuer(TName* n) { return keepName(issuer_, n); }

TName* IDP::getIssuer() { return nameOf(issuer_); }

TBuf* IDP::getDp() {
  error_ = pkixrc::kOk;
  if (full_) {
    Ref<TBuf> der = adoptRef(full_->getRaw());
    if (!der || der->len() == 0) return error_ = pkixrc::kFailed, nullptr;
    TBuf* out = copyOf(der->datap(), der->len());
    if (out == nullptr) return error_ = pkixrc::kNoMemory, nullptr;
    out->datap()[0] = der::kContext0Constructed;
    return out;
  }
  if (rdn_) {
    // The name's only RDN, its SET retagged [1].
    Ref<TBuf> der = adoptRef(rdn_->getRaw());
    if (!der) return error_ = pkixrc::kFailed, nullptr;
    Buffer b = viewOf(der.get());
    Buffer set;
    DerReader r(b);
    int rc = r.element(der::kSequence, [&](DerReader& name) {
      Buffer whole;
      DER_TRY(asn1_decode_any_type(name.buf(), &whole));
      set = whole;
      name.skipRest();
      return 0;
    });
    if (rc != 0) return error_ = pkixrc::kFailed, nullptr;
    TBuf* out = copyOf(set.data, set.len);
    if (out == nullptr) return error_ = pkixrc::kNoMemory, nullptr;
    out->datap()[0] = der::kContext1Constructed;
    return out;
  }
  return copyOf(nullptr, 0);
}

// One LDAP point from a directory name: the name taken as the point's name
// (a general-names issuer gives its directory name) and, when rdn holds
// octets, the relative name extending it. 0 or the point's code.
static int appendNamedPoint(TDPList* list, TName* name, const Buffer& rdn) {
  Ref<TName> dn = shareRef(name);
  if (TName::kindOf(name->getType()) != TName::NAME_DN) {
    dn = adoptRef(name->produce(TName::NAME_ISSUER | TName::NAME_DN));
    if (!dn) return pkixrc::kFailed;
  }
  Ref<TLDAPDP> dp = adoptRef(createTLDAPDP());
  if (!dp) return pkixrc::kNoMemory;
  int rc = dp->setTName(dn.get());
  if (rc == pkixrc::kOk && rdn.len != 0) {
    Ref<TBuf> set = tbufCopy(rdn);
    if (!set) return pkixrc::kNoMemory;
    rc = dp->setRDN(set.get());
  }
  if (rc != pkixrc::kOk) return rc;
  return list->append(dp.get());
}

// GeneralNames ::= SEQUENCE OF GeneralName; the points come from
//   directoryName [4] Name   and   uniformResourceIdentifier [6] IA5String.
// Other components, short URIs and URIs a point refuses are passed over.
static int appendFullNamePoints(TDPList* list, TName* full) {
  Ref<TBuf> der = adoptRef(full->getRaw());
  if (!der) return pkixrc::kFailed;
  int added = pkixrc::kOk;
  DerReader r(viewOf(der.get()));
  int rc = r.element(der::kSequence, [&](DerReader& names) {
    while (!names.atEnd() && added == pkixrc::kOk) {
      if (names.peek() == kDirectoryNameTag) {
        DER_TRY(names.element(kDirectoryNameTag, [&](DerReader& dn) {
          Buffer whole;
          DER_TRY(asn1_decode_any_type(dn.buf(), &whole));
          Ref<TName> n = adoptRef(createTName(TName::NAME_ISSUER | TName::NAME_DN, whole.data, whole.len));
          if (n && n->error() == pkixrc::kOk) added = appendNamedPoint(list, n.get(), Buffer{nullptr, nullptr, 0});
          return 0;
        }));
      } else if (names.peek() == kUriTag) {
        Buffer uri;
        DER_TRY(names.primitive(kUriTag, &uri));
        if (uri.len < kMinLdapUri) continue;
        Ref<TLDAPDP> dp = adoptRef(createTLDAPDP());
        Ref<TBuf> text = tbufCopy(uri);
        if (!dp || !text) {
          added = pkixrc::kNoMemory;
          break;
        }
        if (dp->setURI(text.get()) == pkixrc::kOk) added = list->append(dp.get());
      } else {
        Buffer skipped;
        DER_TRY(asn1_decode_any_type(names.buf(), &skipped));
      }
    }
    names.skipRest();
    return 0;
  });
  if (added != pkixrc::kOk) return added;
  return rc != 0 ? pkixrc::kFailed : pkixrc::kOk;
}

TDPList* IDP::getDistributionPoints() {
  if (dps_) {
    // The outcome of the first build: only a name-less point list is empty
    // for want of a name.
    error_ = !full_ && !issuer_ ? pkixrc::kFailed : pkixrc::kOk;
    return dps_.newRef();
  }
  Ref<TDPList> list = adoptRef(createTDPList());
  if (!list) return error_ = pkixrc::kNoMemory, nullptr;
  int rc = pkixrc::kOk;
  if (full_) {
    if (TName::kindOf(full_->getType()) == TName::NAME_GN) rc = appendFullNamePoints(list.get(), full_.get());
  } else if (issuer_) {
    Buffer set{nullptr, nullptr, 0};
    Ref<TBuf> dp = adoptRef(rdn_ ? getDp() : nullptr);
    if (rdn_ && !dp) return nullptr;
    if (dp) {
      set = viewOf(dp.get());
      // [1] RelativeDistinguishedName back to the SET it stands for.
      set.data[0] = der::kSet;
    }
    rc = appendNamedPoint(list.get(), issuer_.get(), set);
  } else {
    // A relative name alone names nothing: it is relative to the issuer.
    rc = pkixrc::kFailed;
  }
  if (rc != pkixrc::kOk && rc != pkixrc::kFailed) return error_ = rc, nullptr;
  dps_ = list;
  error_ = rc;
  return list.detach();
}

int IDP::setReasons(X509CRLReasons& r) {
  X509CRLReasons v = static_cast<X509CRLReasons>(r & crlreasons::kAll);
  if (v != reasons_) {
    reasons_ = v;
    markStale();
  }
  return error_ = pkixrc::kOk;
}

int IDP::setFlag(int* flag) {
  *flag = 1;
  markStale();
  return error_ = pkixrc::kOk;
}

TBuf* IDP::encodeValue() {
  if (only_user_ + only_ca_ + only_attr_ > 1) return error_ = pkixrc::kFailed, nullptr;
  DerBuilder b;
  auto flag = [&](int set, unsigned char tag) {
    if (set != 0) b.element(tag, [](DerBuilder& c) { return c.prepend(kTrueBoolean, 1); });
  };
  flag(only_attr_, kOnlyAttrTag);
  flag(indirect_, kIndirectTag);
  if (reasons_ != crlreasons::kAll) {
    b.element(kSomeReasonsTag, [&](DerBuilder& c) { return crlreasons::prependBitString(reasons_, c); });
  }
  flag(only_ca_, kOnlyCaTag);
  flag(only_user_, kOnlyUserTag);
  if (full_ || rdn_) {
    Ref<TBuf> dp = adoptRef(getDp());
    if (!dp) return error_ = pkixrc::kFailed, nullptr;
    b.element(der::kContext0Constructed, [&](DerBuilder& c) { return c.prepend(viewOf(dp.get())); });
  }
  b.wrap(der::kSequence);
  TBuf* out = b.toTBuf();
  error_ = out != nullptr ? pkixrc::kOk : pkixrc::kFailed;
  return out;
}

namespace {
// Both absent, or both present and equal.
bool sameOptional(const Ref<TName>& a, const Ref<TName>& b) {
  if (!a || !b) return !a && !b;
  return (*a == *b) == 1;
}
}  // namespace

int IDP::operator==(IDP& other) {
  if (!sameOptional(issuer_, other.issuer_) || !sameOptional(rdn_, other.rdn_)) return 0;
  if (full_ && other.full_ && full_->doesContainSmth(other.full_.get()) != 1) return 0;
  if (other.only_ca_ == other.only_user_) return 1;
  return only_ca_ == other.only_ca_ ? 1 : 0;
}

// ---- Name extensions ----

template <class I, TExtn::extn_t kKind>
int ExtnName<I, kKind>::setValue(TBuf* value) {
  if (value == nullptr) return this->error_ = pkixrc::kBadArgument;
  name_.reset(createTName(type_, value->datap(), value->len()));
  if (!name_ || name_->error() != 0) {
    name_.reset();
    return this->error_ = pkixrc::kFailed;
  }
  return this->error_ = this->storeValue(value);
}

template <class I, TExtn::extn_t kKind>
int ExtnName<I, kKind>::setName(TName* n) {
  if (n == nullptr) return this->error_ = pkixrc::kBadArgument;
  if (type_ == TName::NAME_NONE) return this->error_ = pkixrc::kUnavailable;
  if (n->getType() != type_) return this->error_ = pkixrc::kWrongType;
  name_ = shareRef(n);
  this->markStale();
  return this->error_ = pkixrc::kOk;
}

template <class I, TExtn::extn_t kKind>
TName* ExtnName<I, kKind>::nameRef() {
  this->error_ = name_ ? pkixrc::kOk : pkixrc::kUnavailable;
  return name_.newRef();
}

template <class I, TExtn::extn_t kKind>
TBuf* ExtnName<I, kKind>::encodeValue() {
  static const unsigned char kEmptyName[] = {der::kSequence, 0x00};
  if (!name_) return copyOf(kEmptyName, sizeof kEmptyName);
  return name_->getRaw();
}

template class ExtnName<TCertIssuer, TExtn::EXT_CERT_ISSUER>;

int CertIssuer::setName(TName* n) {
  if (n == nullptr) return error_ = pkixrc::kBadArgument;
  int t = n->getType();
  if (t != (TName::NAME_ISSUER | TName::NAME_GN) && t != (TName::NAME_SUBJECT | TName::NAME_GN) &&
      t != TName::NAME_GN) {
    return error_ = pkixrc::kWrongType;
  }
  return ExtnName::setName(n);
}

// ---- Restricted generic extensions ----

const TExtn::extn_t crlextn::kListKinds[5] = {TExtn::EXT_AUTHORITY_KEY_ID, TExtn::EXT_ISSUER_ALT_NAME,
                                              TExtn::EXT_CRL_NUMBER, TExtn::EXT_DELTA_CRL,
                                              TExtn::EXT_ISSUING_DP};
const TExtn::extn_t crlextn::kEntryKinds[4] = {TExtn::EXT_REASON_CODE, TExtn::EXT_HOLD_INSTRUCTION,
                                               TExtn::EXT_INVALIDITY_DATE, TExtn::EXT_CERT_ISSUER};

template <const TExtn::extn_t* kAllowed, unsigned kCount>
int RestrictedExtn<kAllowed, kCount>::setRaw(TBuf* in) {
  if (in == nullptr || in->getBuffer() == nullptr) return error_ = pkixrc::kBadArgument;
  Buffer cursor = *in->getBuffer();
  Buffer oid;
  init_buffer(&oid);
  if (x509_parse_extension(&cursor, &oid, nullptr, nullptr) < 0) {
    error_ = kExtnUnparsable;
    return pkixrc::kFailed;
  }
  TExtn::extn_t kind = X509Extn::kindOf(oid);
  bool allowed = false;
  for (unsigned i = 0; i < kCount; ++i) allowed = allowed || kAllowed[i] == kind;
  if (!allowed) {
    error_ = kExtnNotAllowed;
    return pkixrc::kFailed;
  }
  return X509Extn::setRaw(in);
}

template class RestrictedExtn<crlextn::kListKinds, 5>;
template class RestrictedExtn<crlextn::kEntryKinds, 4>;

// ---- Factory ----

TExtn* createCRLExtn(TBuf* der) { return createX509Extn(der); }
