#include "cert/x509crt.h"

#include <arpa/inet.h>

#include <cstring>
#include <new>

#include "alg/pki_cnvrt_c.h"
#include "cert/basiccon.h"
#include "crl/crlextn.h"
#include "crl/x509crl.h"
#include "cert/selident.h"
#include "support/der_reader.h"
#include "support/tbufs.h"
#include "cert/x509enc.h"
#include "cert/x509extn.h"
#include "key/algmemo.h"
#include "key/ccdC.h"
#include "key/x509key.h"
#include "name/selname.h"
#include "name/x509name.h"
#include "support/buffers.h"
#include "support/clock.h"

using namespace pkixrc;

namespace {

using certname::kIssuer;
using certname::kIssuerAlt;
using certname::kSubject;
using certname::kSubjectAlt;
// The order names enter a selector in.
constexpr int kNameOrder[] = {kSubject, kSubjectAlt, kIssuer, kIssuerAlt};

// Critical flags of the recognised extensions whose kinds have a class of
// their own that reads the value: those can turn out unreadable.
constexpr uint32_t kCriticalTyped = X509_CRIT_SUBJECT_KEY_ID | X509_CRIT_KEY_USAGE | X509_CRIT_SUBJECT_ALT_NAME |
                                    X509_CRIT_ISSUER_ALT_NAME | X509_CRIT_AUTHORITY_KEY_ID;

// The record's version of a v3 certificate.
constexpr unsigned kVersion3 = 2;
// Fingerprint lengths.
constexpr unsigned kMD5Size = 16;
constexpr unsigned kSHA1Size = 20;
// The room a new encoding starts with; the encoder grows it.
constexpr unsigned kEncodingRoom = 16;

// The current time in the record's 32-bit seconds, saturated like the
// record's validity.
int32_t now() {
  int64_t t = pkixclock::now();
  if (t > INT32_MAX) return INT32_MAX;
  if (t < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(t);
}

TName::name_type_t nameType(int t) { return static_cast<TName::name_type_t>(t); }


}  // namespace

Ref<TKey>& LazyPublicKey::ref() const {
  if (der_ != nullptr) {
    key_.reset(createTKey(TKey::KT_PUBLIC, der_, len_));
    der_ = nullptr;
    len_ = 0;
  }
  return key_;
}

X509Cert::X509Cert() = default;

X509Cert::~X509Cert() = default;

void X509Cert::clear() {
  raw_.reset();
  md5_.reset();
  sha1_.reset();
  extns_.reset();
  pub_key_.reset();
  priv_key_.reset();
  for (int t : kNameOrder) nameSlot(t)->reset();
  serial_.reset();
  // The record goes before the octets it views.
  rec_.reset();
  parts_.clear();
  modified_ = true;
  extns_set_ = false;
  crl_dp_changed_ = false;
  extns_error_ = kOk;
  unreadable_critical_ = false;
  status_ = CS_NONE;
  sign_alg_ = 0;
  error_ = kOk;
  crl_from_ = crl_to_ = -1;
}

int X509Cert::ensureRecord() {
  if (rec_) return kOk;
  x509_cert_t* r = nullptr;
  if (x509_init_cert(&r) != 0) return kNoMemory;
  rec_.reset(r);
  return kOk;
}

x509_cert_t* X509Cert::getX509Struct() {
  error_ = rec_ ? kOk : kFailed;
  return rec_.get();
}

// ---- Parsing and encoding ----

int X509Cert::parse(TBuf* in) { return parseFrom(in, false); }

int X509Cert::parseFrom(TBuf* in, bool sole_owner) {
  if (in == nullptr) return error_ = kBadArgument;
  clear();
  Buffer* b = in->getBuffer();
  if (b == nullptr) return error_ = kMalformed;
  if (ensureRecord() != kOk) return error_ = kFailed;
  // Parsed from a copy of in's record: the view of the certificate is made
  // while in still covers it, then in is advanced past it.
  Buffer cursor = *b;
  if (x509_parse_cert(&cursor, rec_.get()) != 0) {
    clear();
    return error_ = kFailed;
  }
  Buffer whole = *b;
  whole.len = static_cast<uint32_t>(cursor.data - b->data);
  if (sole_owner && cursor.len == 0) {
    // Nobody else sees in and the certificate is all of it: in itself is
    // the certificate's octets, no view object needed.
    raw_ = shareRef(in);
    return error_ = raw_ ? kOk : kFailed;
  }
  raw_ = tbufView(in, whole);
  if (!raw_ || in->shift(whole.len) != 0) {
    clear();
    return error_ = kFailed;
  }
  return error_ = kOk;
}

int X509Cert::setRaw(TBuf* in) { return setRawFrom(in, false); }

int X509Cert::setRawFrom(TBuf* in, bool sole_owner) {
  int r = parseFrom(in, sole_owner);
  if (r != kOk) return r;
  sign_alg_ = rememberedAsn2alg(rec_->sig_alg_oid);
  // A certificate the module cannot use leaves the object cleared (in
  // stays past it).
  if (pki_alg_is_signature(sign_alg_) == 0) {
    clear();
    return error_ = kUnusableSignAlg;
  }
  // A key known to be creatable is made on first use: many certificates
  // are parsed only to be compared or searched.
  if (publicKeyDeferrable(rec_->spki.data, rec_->spki.len)) {
    pub_key_.defer(rec_->spki.data, rec_->spki.len);
  } else {
    pub_key_.reset(createTKey(TKey::KT_PUBLIC, rec_->spki.data, rec_->spki.len));
    if (!pub_key_) {
      clear();
      return error_ = kKeyNotCreatable;
    }
  }
  modified_ = false;
  return error_ = kOk;
}

TBuf* X509Cert::getRaw() {
  if (modified_ && encodeCert() != kOk) return nullptr;
  if (!raw_) {
    error_ = kFailed;
    return nullptr;
  }
  error_ = kOk;
  return tbufView(raw_.get(), viewOf(raw_.get())).detach();
}

int X509Cert::recordExtensions() {
  // The list replaces every extension view of the record: all are written
  // as whole Extension elements in the list's order (a certificate read and
  // written back keeps its order). The read-back after encoding sorts them
  // into the record's views again, the unrecognised critical ones apart.
  release_buffer(&rec_->other_extns);
  release_buffer(&rec_->other_critical_extns);
  for (Buffer* v : {&rec_->nc_permitted, &rec_->nc_excluded, &rec_->basic_constraints, &rec_->key_usage,
                    &rec_->subject_key_id, &rec_->authority_key_id, &rec_->crl_dp, &rec_->extensions}) {
    init_buffer(v);
  }
  if (!subject_alt_) init_buffer(&rec_->subject_alt_name);
  if (!issuer_alt_) init_buffer(&rec_->issuer_alt_name);
  rec_->critical &= X509_CRIT_SUBJECT_ALT_NAME | X509_CRIT_ISSUER_ALT_NAME;
  if (!extns_) return kOk;
  for (Ref<TExtn> e = adoptRef(extns_->getFirst()); e; e = adoptRef(extns_->getNext())) {
    TExtn::extn_t t = e->getType();
    // Alternative names set as names are written from the names.
    if ((t == TExtn::EXT_SUBJECT_ALT_NAME && subject_alt_) || (t == TExtn::EXT_ISSUER_ALT_NAME && issuer_alt_)) {
      continue;
    }
    Ref<TBuf> der = adoptRef(e->getRaw());
    if (!der) return kFailed;
    Buffer v = viewOf(der.get());
    if (append_buffer(&rec_->other_extns, &v) != 0) return kNoMemory;
  }
  return kOk;
}

int X509Cert::encodeCert() {
  // The old DER stays alive: the record's views may still point into it.
  if (raw_) keepViewed(std::move(raw_));
  if (ensureRecord() != kOk) return error_ = kNoMemory;
  int r = encodeCRLList();
  if (r != kOk) return error_ = r;
  if (rec_->sig_alg_oid.len == 0) {
    unsigned len = 0;
    const unsigned char* oid = alg2asn(sign_alg_, &len);
    if (oid == nullptr || len == 0) return error_ = kFailed;
    set_buffer(&rec_->sig_alg_oid, len, oid);
    static const unsigned char kNull[2] = {der::kNull, 0x00};
    init_buffer(&rec_->sig_alg_params);
    if (pki_alg_null_params(sign_alg_) != 0) set_buffer(&rec_->sig_alg_params, 2, kNull);
  }
  if (!pub_key_) return error_ = kUnavailable;
  // Each set field gives its DER to the matching view; the TBufs are kept
  // while the record points into them.
  auto give = [this](TBuf* der, Buffer* view) {
    if (der == nullptr) return false;
    *view = viewOf(der);
    keepViewed(adoptRef(der));
    return true;
  };
  if (!give(pub_key_->getRaw(), &rec_->spki)) return error_ = kFailed;
  for (int t : kNameOrder) {
    Ref<TName>& n = *nameSlot(t);
    if (n && !give(n->getRaw(), nameView(t))) return error_ = kFailed;
  }
  if (serial_) rec_->serial = viewOf(serial_.get());
  if (extns_set_ && (r = recordExtensions()) != kOk) return error_ = r;
  Ref<TBuf> out = adoptRef(createTBuf(static_cast<const unsigned char*>(nullptr), kEncodingRoom));
  if (!out) return error_ = kFailed;
  Buffer tbs;
  init_buffer(&tbs);
  if (x509_enc_cert(rec_.get(), out->getBuffer(), &tbs) != 0) {
    init_buffer(&rec_->tbs);
    return error_ = kFailed;
  }
  rec_->tbs = tbs;
  raw_ = std::move(out);
  // Read the new DER back, so every view points into it and what the
  // record says is what was written. A record never parsed keeps its
  // markers: it stays a certificate built by setters.
  x509_cert_t* made = nullptr;
  if (x509_init_cert(&made) == 0) {
    RecordPtr fresh(made);
    Buffer in = viewOf(raw_.get());
    if (x509_parse_cert(&in, fresh.get()) == 0) {
      std::memcpy(fresh->markers, rec_->markers, sizeof fresh->markers);
      fresh->selector = rec_->selector;
      rec_->selector = nullptr;
      rec_ = std::move(fresh);
      parts_.clear();
      extns_set_ = false;
    }
  }
  modified_ = false;
  return error_ = kOk;
}

// ---- Fields ----

unsigned X509Cert::getVersion() {
  if (!rec_ || rec_->version == 0xFFFF) {
    error_ = kUnavailable;
    return 0;
  }
  error_ = kOk;
  return rec_->version;
}

int X509Cert::setVersion(unsigned v) {
  if (v > kVersion3) return error_ = kBadArgument;
  if (ensureRecord() != kOk) return error_ = kNoMemory;
  rec_->version = static_cast<uint16_t>(v);
  modified_ = true;
  return error_ = kOk;
}

int X509Cert::getValidity(long* from, long* to) {
  if (from == nullptr || to == nullptr) return error_ = kBadArgument;
  if (!rec_) return error_ = kUnavailable;
  if (rec_->not_before < 0 || rec_->not_after < 0) return error_ = kFailed;
  *from = rec_->not_before;
  *to = rec_->not_after;
  return error_ = kOk;
}

int X509Cert::setValidity(long from, long to) {
  if (ensureRecord() != kOk) return error_ = kNoMemory;
  rec_->not_before = static_cast<int32_t>(from);
  rec_->not_after = static_cast<int32_t>(to);
  modified_ = true;
  return error_ = kOk;
}

TBuf* X509Cert::getSerialNumber() {
  if (!serial_) {
    if (!rec_ || rec_->serial.len == 0) {
      error_ = kUnavailable;
      return nullptr;
    }
    serial_ = tbufCopy(rec_->serial);
    if (!serial_) {
      error_ = kFailed;
      return nullptr;
    }
  }
  error_ = kOk;
  return serial_.newRef();
}

int X509Cert::setSerialNumber(const unsigned char* data, unsigned len) {
  if (data == nullptr || len == 0) return error_ = kBadArgument;
  Ref<TBuf> s = adoptRef(createTBuf(data, len));
  if (!s) return error_ = kFailed;
  serial_ = std::move(s);
  modified_ = true;
  return error_ = kOk;
}

pki_alg_t X509Cert::getSignAlg() {
  if (sign_alg_ == 0 && rec_ && rec_->sig_alg_oid.len != 0) {
    sign_alg_ = asn2alg(rec_->sig_alg_oid.data, rec_->sig_alg_oid.len);
  }
  error_ = sign_alg_ != 0 ? kOk : kUnavailable;
  return sign_alg_;
}

int X509Cert::setSignAlg(pki_alg_t a) {
  if (a == sign_alg_) return error_ = kOk;
  if (pki_alg_is_signature(a) == 0) return error_ = kBadArgument;
  if (ensureRecord() != kOk) return error_ = kNoMemory;
  sign_alg_ = a;
  modified_ = true;
  init_buffer(&rec_->sig_alg_oid);
  init_buffer(&rec_->sig_alg_params);
  return error_ = kOk;
}

TKey* X509Cert::getKey(TKey::key_type_t t) {
  BufferCalls batch;  // a key made now takes several buffers
  Ref<TKey>* slot = nullptr;
  if (t == TKey::KT_PUBLIC) {
    slot = &pub_key_.ref();
  } else if (t == TKey::KT_PRIVATE) {
    slot = &priv_key_;
  } else {
    error_ = kBadArgument;
    return nullptr;
  }
  error_ = *slot ? kOk : kUnavailable;
  return slot->newRef();
}

int X509Cert::setKey(TKey* k) {
  if (k == nullptr) return error_ = kBadArgument;
  TKey::key_type_t t = k->getType();
  if (t != TKey::KT_PUBLIC && t != TKey::KT_PRIVATE) return error_ = kWrongType;
  if (k->addRef() < 0) return error_ = kNoReference;
  if (t == TKey::KT_PUBLIC) {
    pub_key_.reset(k);
    modified_ = true;
  } else {
    priv_key_.reset(k);
  }
  return error_ = kOk;
}

// ---- Names ----

Ref<TName>* X509Cert::nameSlot(int t) {
  switch (t) {
    case kIssuer: return &issuer_;
    case kIssuerAlt: return &issuer_alt_;
    case kSubject: return &subject_;
    case kSubjectAlt: return &subject_alt_;
    default: return nullptr;
  }
}

Buffer* X509Cert::nameView(int t) {
  switch (t) {
    case kIssuer: return &rec_->issuer;
    case kIssuerAlt: return &rec_->issuer_alt_name;
    case kSubject: return &rec_->subject;
    case kSubjectAlt: return &rec_->subject_alt_name;
    default: return nullptr;
  }
}

TName* X509Cert::get_src_name(TName::name_type_t t) {
  Ref<TName>* slot = nameSlot(t);
  if (slot == nullptr) {
    error_ = kWrongType;
    return nullptr;
  }
  if (!*slot) {
    Buffer* v = rec_ ? nameView(t) : nullptr;
    if (v == nullptr || v->len == 0) {
      error_ = kNotFound;
      return nullptr;
    }
    slot->reset(createTName(t, v->data, v->len));
    if (!*slot) {
      error_ = kFailed;
      return nullptr;
    }
  }
  error_ = kOk;
  return slot->get();
}

TName* X509Cert::getName(TName::name_type_t t) {
  BufferCalls batch;  // the name made on first use and its copy
  TName* n = get_src_name(t);
  if (n == nullptr) return nullptr;
  TName* d = n->dup();
  error_ = d != nullptr ? kOk : kFailed;
  return d;
}

TName* X509Cert::getNormName(TName::name_type_t t) {
  TName* n = get_src_name(t);
  if (n == nullptr) return nullptr;
  TName* norm = n->getNormName();
  error_ = n->error();
  return norm;
}

int X509Cert::setName(TName* n) {
  if (n == nullptr) return error_ = kBadArgument;
  Ref<TName>* slot = nameSlot(n->getType());
  if (slot == nullptr) return error_ = kWrongType;
  TName* d = n->dup();
  if (d == nullptr) return error_ = kFailed;
  slot->reset(d);
  modified_ = true;
  return error_ = kOk;
}

int X509Cert::getType() {
  if (!rec_) {
    error_ = kUnavailable;
    return CT_UNDETERMINED;
  }
  unsigned v = getVersion();
  if (error_ != kOk) return CT_UNDETERMINED;
  // Only a v3 certificate can say it is an end entity.
  if (v != kVersion3) return CT_AUTHORITY;
  if (rec_->basic_constraints.len == 0) return CT_END_ENTITY;
  uint8_t ca = 0;
  if (parse_basic_constraints(&rec_->basic_constraints, &ca, nullptr) != 0) {
    error_ = kFailed;
    return CT_UNDETERMINED;
  }
  error_ = kOk;
  return ca != 0 ? CT_AUTHORITY : CT_END_ENTITY;
}

// ---- Extensions and CRLs ----

TExtnList* X509Cert::readExtns(int* code) {
  BufferCalls batch;  // every extension takes buffers
  // The list holds the certificate's own extensions and nothing else: the
  // distribution points of a certificate without that extension are made
  // from its issuer when asked for (getCRLList), so that the list, and
  // every encoding of it, says what the certificate carries.
  Ref<X509ExtnList> l = adoptRef(new (std::nothrow) X509ExtnList);
  if (!l) {
    *code = kNoMemory;
    return nullptr;
  }
  *code = kOk;
  unreadable_critical_ = false;
  if (rec_->extensions.len == 0) return l.detach();
  Ref<TBuf> region = raw_ ? tbufView(raw_.get(), rec_->extensions) : tbufCopy(rec_->extensions);
  if (!region) {
    *code = kNoMemory;
    return nullptr;
  }
  while (region->len() != 0) {
    // The identifier found while picking the class is a view into region,
    // whose octets outlive the append.
    Buffer id;
    Ref<TExtn> e = adoptRef(createX509Extn(region.get(), &id));
    if (!e) {
      // Its kind's class cannot read the value: kept unread, so that the
      // list still shows it and a critical one still counts.
      e = adoptRef(createUnreadExtn(region.get()));
      if (!e) {
        *code = kFailed;
        return nullptr;
      }
      *code = kMalformed;
      if (e->isCritical() != 0) unreadable_critical_ = true;
    }
    int r = l->appendWithId(e.get(), id);
    if (r != kOk) {
      *code = r;
      return nullptr;
    }
  }
  return l.detach();
}

TExtnList* X509Cert::getExtns() {
  if (extns_) {
    error_ = extns_set_ ? kOk : extns_error_;
    return extns_.newRef();
  }
  if (!rec_) {
    error_ = kFailed;
    return nullptr;
  }
  int code = kOk;
  extns_.reset(readExtns(&code));
  error_ = code;
  if (!extns_) return nullptr;
  extns_error_ = code;
  return extns_.newRef();
}

int X509Cert::setExtns(TExtnList* l) {
  if (l != nullptr && l->addRef() < 0) return error_ = kNoReference;
  extns_.reset(l);
  // What was read from the record no longer applies.
  extns_error_ = kOk;
  unreadable_critical_ = false;
  extns_set_ = true;
  crl_dp_changed_ = true;
  modified_ = true;
  return error_ = kOk;
}

int X509Cert::addExtn(TExtn* e) {
  if (e == nullptr) return error_ = kBadArgument;
  if (!extns_) {
    // Start from the certificate's own extensions when it has any.
    if (rec_) Ref<TExtnList> own = adoptRef(getExtns());
    if (!extns_) {
      extns_.reset(createTExtnList());
      if (!extns_) return error_ = kNoMemory;
    }
  }
  modified_ = true;
  extns_set_ = true;
  if (e->getType() == TExtn::EXT_CRL_DP) crl_dp_changed_ = true;
  return error_ = extns_->append(e);
}

Ref<TX509CRLDP> X509Cert::findCrlDp() {
  if (!extns_ && rec_) Ref<TExtnList> own = adoptRef(getExtns());
  if (!extns_) return Ref<TX509CRLDP>();
  Ref<TExtn> e = adoptRef(extns_->get(TExtn::EXT_CRL_DP));
  // Only the distribution points class answers to this kind (one kept
  // unread has no kind).
  if (!e || e->getType() != TExtn::EXT_CRL_DP) return Ref<TX509CRLDP>();
  return shareRef(static_cast<TX509CRLDP*>(e.get()));
}

int X509Cert::giveIssuer(TX509CRLDP* dp) {
  const int saved = error_;
  TName* issuer = get_src_name(nameType(kIssuer));
  error_ = saved;
  if (issuer == nullptr || issuer->is_empty() != 0) return kOk;
  return dp->setCertIssuer(issuer);
}

TCRLList* X509Cert::getCRLList() {
  // Without the extension, one made for the issuer alone gives the one
  // template that names it.
  Ref<TX509CRLDP> dp = findCrlDp();
  if (!dp) dp = adoptRef<TX509CRLDP>(new (std::nothrow) X509CRLDP);
  if (!dp) {
    error_ = kNoMemory;
    return nullptr;
  }
  int r = giveIssuer(dp.get());
  if (r != kOk) {
    error_ = r;
    return nullptr;
  }
  Ref<TCRLList> l = adoptRef(dp->getCRLList());
  error_ = dp->error();
  if (!l) return nullptr;
  uint8_t ca = 0;
  if (!rec_ || rec_->basic_constraints.len == 0 || parse_basic_constraints(&rec_->basic_constraints, &ca, nullptr) != 0 ||
      ca == 0) {
    return l.detach();
  }
  // An authority's lists are those that cover authority certificates:
  // each template's issuing distribution point says so (one is added
  // through the reasons where a template has none).
  for (Ref<TCRL> c = adoptRef(l->getFirst()); c; c = adoptRef(l->getNext())) {
    if (c->getType() != 1) continue;
    X509CRL* crl = static_cast<X509CRL*>(c.get());
    Ref<IDP> idp = adoptRef(crl->getIDP());
    if (!idp) {
      X509CRLReasons all = crlreasons::kAll;
      crl->setReasons(all);
      idp = adoptRef(crl->getIDP());
    }
    // The template hands out a copy of its extension: the marked copy
    // replaces it.
    if (!idp || idp->onlyContainsCACerts() != kOk || crl->addCRLExtn(idp.get()) != kOk) {
      error_ = kFailed;
      return nullptr;
    }
  }
  return l.detach();
}

int X509Cert::setCRLList(TCRLList* l) {
  if (l == nullptr) return error_ = kBadArgument;
  Ref<TX509CRLDP> dp = findCrlDp();
  const bool fresh = !dp;
  if (fresh) dp = adoptRef<TX509CRLDP>(new (std::nothrow) X509CRLDP);
  if (!dp) return error_ = kNoMemory;
  int r = dp->setCRLList(l);
  if (r != kOk) return error_ = r;
  crl_dp_changed_ = true;
  modified_ = true;
  // The next encoding writes the extension list, this extension with it.
  extns_set_ = true;
  if (fresh) return addExtn(dp.get());
  return error_ = kOk;
}

int X509Cert::encodeCRLList() {
  if (!crl_dp_changed_) return kOk;
  init_buffer(&rec_->crl_dp);
  Ref<TX509CRLDP> dp = findCrlDp();
  if (!dp) {
    crl_dp_changed_ = false;
    return kOk;
  }
  if (giveIssuer(dp.get()) != kOk) return kFailed;
  Ref<TBuf> value = adoptRef(dp->getValue());
  if (!value) return kFailed;
  rec_->crl_dp = viewOf(value.get());
  keepViewed(std::move(value));
  crl_dp_changed_ = false;
  return kOk;
}

int X509Cert::getCRLPeriod(long* from, long* to) {
  if (from == nullptr || to == nullptr) return error_ = kBadArgument;
  *from = crl_from_;
  *to = crl_to_;
  return error_ = kOk;
}

int X509Cert::setCRLPeriod(long from, long to) {
  if (from > to) return error_ = kBadArgument;
  int32_t t = now();
  if (crl_from_ <= t && t <= crl_to_) {
    if (from == -1) {
      if (to != -1) return error_ = kBadArgument;
      crl_from_ = crl_to_ = -1;
      return error_ = kOk;
    }
    if (from < 0) return error_ = kBadArgument;
    // Inside the stored period it may only narrow.
    if (from > crl_from_) crl_from_ = static_cast<int32_t>(from);
    if (!(crl_to_ != -1 && crl_to_ <= to)) crl_to_ = static_cast<int32_t>(to);
    return error_ = kOk;
  }
  crl_from_ = static_cast<int32_t>(from);
  crl_to_ = static_cast<int32_t>(to);
  return error_ = kOk;
}

// ---- Status and validity ----

int X509Cert::check() {
  if (!rec_) return error_ = kUnavailable;
  if (rec_->other_critical_extns.len != 0) return error_ = kCertUnknownCritical;
  // A critical extension of a kind the module reads, whose value cannot be
  // read, is as unknown as one the module has never heard of.
  if ((rec_->critical & kCriticalTyped) != 0 && !extns_set_) {
    if (!extns_) {
      int code = kOk;
      extns_.reset(readExtns(&code));
      if (!extns_) return error_ = kCertUnknownCritical;
      extns_error_ = code;
    }
    if (unreadable_critical_) return error_ = kCertUnknownCritical;
  }
  int32_t t = now();
  if (rec_->not_before >= t) return error_ = kCertNotYetValid;
  if (t < rec_->not_after) return error_ = kOk;
  return error_ = kCertExpired;
}

int X509Cert::setStatus(cert_status_t s) {
  error_ = kOk;
  if (!rec_) return kOk;
  if (now() < rec_->not_before) {
    if (status_ == CS_NONE) status_ = s;
  } else if (status_ != CS_STICKY) {
    status_ = s;
  }
  return kOk;
}

TCert::cert_status_t X509Cert::getStatus() {
  error_ = kOk;
  if (!rec_) {
    status_ = CS_NONE;
    return status_;
  }
  int32_t t = now();
  if (t < rec_->not_before) {
    int type = getType();
    error_ = kCertNotYetValid;
    return status_ == CS_STICKY && type == CT_AUTHORITY ? CS_STICKY : CS_OUT_OF_VALIDITY;
  }
  if (rec_->not_after != -1 && t > rec_->not_after) {
    bool sticky = status_ == CS_STICKY && getType() == CT_AUTHORITY;
    error_ = kCertExpired;
    if (!sticky) status_ = CS_OUT_OF_VALIDITY;
    return status_;
  }
  if (t < crl_from_) {
    error_ = kCertBeforeCRLPeriod;
    if (status_ != CS_STICKY) status_ = CS_NONE;
  } else if (crl_to_ != -1 && t > crl_to_) {
    error_ = kCertAfterCRLPeriod;
    if (status_ != CS_STICKY) status_ = CS_NONE;
  }
  return status_;
}

// ---- Fingerprints and signing ----

TBuf* X509Cert::fingerprint(Ref<TBuf>* slot, pki_alg_t hash, unsigned size) {
  if (!*slot) {
    if (!raw_) {
      error_ = kUnavailable;
      return nullptr;
    }
    Ref<TBuf> out = adoptRef(createTBuf(static_cast<const unsigned char*>(nullptr), size));
    if (!out) {
      error_ = kNoMemory;
      return nullptr;
    }
    if (!crypto_use_) crypto_use_.reset(new (std::nothrow) ccdServiceUse);
    unsigned len = size;
    int r = make_hash(hash, raw_.get(), out->datap(), &len);
    if (r != kOk) {
      error_ = r;
      return nullptr;
    }
    *slot = std::move(out);
  }
  error_ = kOk;
  return slot->newRef();
}

TBuf* X509Cert::getMD5() { return fingerprint(&md5_, PKI_ALG_MD5, kMD5Size); }
TBuf* X509Cert::getSHA1() { return fingerprint(&sha1_, PKI_ALG_SHA1, kSHA1Size); }

int X509Cert::signedPart(TCert* other, TKey::key_type_t t, Ref<TKey>* key, Ref<TBuf>* tbs) {
  if (other == nullptr) return error_ = kBadArgument;
  key->reset(other->getKey(t));
  if (!*key) return error_ = other->error();
  if (modified_) {
    int r = encodeCert();
    if (r != kOk) return r;
  }
  *tbs = tbufView(raw_.get(), rec_->tbs);
  return error_ = *tbs ? kOk : kNoMemory;
}

int X509Cert::sign(TCert* signer) {
  Ref<TKey> k;
  Ref<TBuf> tbs;
  int r = signedPart(signer, TKey::KT_PRIVATE, &k, &tbs);
  if (r != kOk) return r;
  TBuf* made = nullptr;
  r = signMessage(k.get(), tbs.get(), &made, sign_alg_);
  Ref<TBuf> sig = adoptRef(made);  // also a partly made one on failure
  if (r != kOk) return error_ = r;
  // The certificate keeps the signature while its record views it; the
  // next encoding writes it.
  rec_->signature = viewOf(sig.get());
  keepViewed(std::move(sig));
  modified_ = true;
  return error_ = kOk;
}

TBuf* X509Cert::sign(TKey* k, pki_alg_t a, TBuf* msg) {
  if (k == nullptr) k = priv_key_.get();
  if (k == nullptr) {
    error_ = kUnavailable;
    return nullptr;
  }
  TBuf* made = nullptr;
  error_ = signMessage(k, msg, &made, a);
  Ref<TBuf> out = adoptRef(made);
  return error_ == kOk ? out.detach() : nullptr;
}

int X509Cert::checkSign(TCert* issuer) {
  Ref<TKey> k;
  Ref<TBuf> tbs;
  int r = signedPart(issuer, TKey::KT_PUBLIC, &k, &tbs);
  if (r != kOk) return r;
  Ref<TBuf> sig = tbufCopy(rec_->signature);
  if (!sig) return error_ = kNoMemory;
  return error_ = verifyMessage(k.get(), tbs.get(), sig.get(), sign_alg_);
}

int X509Cert::checkSign(TKey* k, pki_alg_t a, TBuf* signature, TBuf* msg) {
  if (k == nullptr) k = pub_key_.get();
  if (k == nullptr) return error_ = kUnavailable;
  return error_ = verifyMessage(k, msg, signature, a);
}

// ---- Completeness ----

int X509Cert::is_complete() {
  error_ = kUnavailable;
  if (!raw_ || !rec_) return 0;
  if (rec_->markers[0] == 0xFF && rec_->markers[1] == 0xFF) return 0;
  if (rec_->not_before == -1 || rec_->not_after == -1 || rec_->version == 0xFFFF) return 0;
  if (!pub_key_) return 0;
  if (!adoptRef(pub_key_->getRaw())) return 0;
  return is_ident_complete();
}

int X509Cert::is_ident_complete() {
  if (!serial_ && !rec_ && !pub_key_) {
    error_ = kUnavailable;
    return 0;
  }
  TName* issuer = get_src_name(nameType(kIssuer));
  error_ = kOk;
  if (issuer == nullptr || issuer->is_selector() != 0) return 0;
  for (int t : {kSubject, kSubjectAlt, kIssuerAlt}) {
    TName* n = get_src_name(nameType(t));
    if (n != nullptr && n->is_selector() != 0) {
      error_ = kOk;
      return 0;
    }
  }
  error_ = kOk;
  return 1;
}

// ---- Lifecycle ----

TCert* X509Cert::dup() {
  X509Cert* made = new (std::nothrow) X509Cert;
  if (made == nullptr) {
    error_ = kNoMemory;
    return nullptr;
  }
  Ref<X509Cert> c = adoptRef(made);  // dropped on every failure below
  int r = kOk;
  if (raw_) {
    Ref<TBuf> view = tbufView(raw_.get(), viewOf(raw_.get()));
    r = view ? c->parse(view.get()) : kFailed;
    // A signature made since the last encoding stays with both.
    if (r == kOk) c->rec_->signature = rec_->signature;
  } else if (rec_) {
    // A certificate built by setters: its record's fields are copied; the
    // views stay valid through the shared parts.
    r = c->ensureRecord();
    if (r == kOk) {
      x509_cert_t* mine = c->rec_.get();
      *mine = *rec_;
      mine->selector = rec_->selector != nullptr ? sel_duplicate(rec_->selector) : nullptr;
      init_buffer(&mine->other_extns);
      init_buffer(&mine->other_critical_extns);
      if (append_buffer(&mine->other_extns, &rec_->other_extns) != 0 ||
          append_buffer(&mine->other_critical_extns, &rec_->other_critical_extns) != 0) {
        r = kNoMemory;
      }
    }
  }
  if (r != kOk) {
    error_ = r;
    return nullptr;
  }
  c->parts_ = parts_;
  c->modified_ = modified_;
  c->status_ = status_;
  c->sign_alg_ = sign_alg_;
  c->md5_ = md5_ ? adoptRef(createTBuf(md5_.get())) : Ref<TBuf>();
  c->sha1_ = sha1_ ? adoptRef(createTBuf(sha1_.get())) : Ref<TBuf>();
  c->serial_ = serial_;
  c->crl_from_ = crl_from_;
  c->crl_to_ = crl_to_;
  c->extns_set_ = extns_set_;
  if (extns_set_) c->extns_ = extns_;
  const Ref<TKey>* keys[2] = {&pub_key_.ref(), &priv_key_};
  Ref<TKey>* theirs[2] = {&c->pub_key_.ref(), &c->priv_key_};
  for (int i = 0; i < 2; ++i) {
    const Ref<TKey>& k = *keys[i];
    if (!k) continue;
    Ref<TBuf> der = adoptRef(k->getRaw());
    if (der) theirs[i]->reset(createTKey(k->getType(), der->datap(), der->len()));
    // A key without DER (an algorithm-only template key) is shared.
    if (!*theirs[i]) *theirs[i] = k;
  }
  for (int t : kNameOrder) {
    const Ref<TName>& n = *nameSlot(t);
    if (!n) continue;
    c->nameSlot(t)->reset(n->dup());
    if (!*c->nameSlot(t)) {
      error_ = kFailed;
      return nullptr;
    }
  }
  error_ = kOk;
  return c.detach();
}

// ---- Creation ----

TCert* createX509Cert(const unsigned char* data, unsigned len) {
  BufferCalls batch;  // the copy of the DER and the views into it
  X509Cert* made = new (std::nothrow) X509Cert;
  if (made == nullptr) return nullptr;
  Ref<X509Cert> c = adoptRef(made);
  if (data != nullptr && len != 0) {
    Ref<TBuf> in = adoptRef(createTBuf(data, len));
    // in is this function's own copy: the object may keep it whole.
    if (!in || c->setRawFrom(in.get(), true) != kOk) return nullptr;
  }
  return c.detach();
}

TCert* createTCert(TCert::cert_format_t fmt, const unsigned char* data, unsigned len) {
  if (fmt != TCert::CF_X509) return nullptr;
  return createX509Cert(data, len);
}

TCert* createTCert(TCert::cert_format_t fmt) { return createTCert(fmt, nullptr, 0); }

int checkPrivKeyConsistency(TCert* c, TKey* k, int mode) {
  if (c == nullptr || k == nullptr) return kBadArgument;
  Ref<TKey> pub = adoptRef(c->getKey(TKey::KT_PUBLIC));
  if (!pub) return kFailed;
  return checkKeyPairConsistency(pub.get(), k, mode);
}
