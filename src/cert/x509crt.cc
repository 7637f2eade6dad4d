#include "cert/x509crt.h"

#include <arpa/inet.h>

#include <cstring>
#include <ctime>
#include <new>

#include "alg/pki_cnvrt_c.h"
#include "cert/basiccon.h"
#include "cert/selident.h"
#include "cert/tbufview.h"
#include "cert/x509enc.h"
#include "cert/x509extn.h"
#include "key/ccdC.h"
#include "key/x509key.h"
#include "name/selname.h"
#include "name/x509name.h"

namespace {

using certname::kIssuer;
using certname::kIssuerAlt;
using certname::kSubject;
using certname::kSubjectAlt;
// The order names enter a selector in.
constexpr int kNameOrder[] = {kSubject, kSubjectAlt, kIssuer, kIssuerAlt};

// A signature algorithm is usable with both a key and a hash octet.
bool usableSignAlg(pki_alg_t a) { return pki_alg_base(a) != 0 && pki_alg_hash(a) != 0; }

int32_t now() { return static_cast<int32_t>(std::time(nullptr)); }

TName::name_type_t nameType(int t) { return static_cast<TName::name_type_t>(t); }

}  // namespace

X509Cert::X509Cert() = default;

X509Cert::~X509Cert() { clear(); }

void X509Cert::clear() {
  replaceRef(raw_, static_cast<TBuf*>(nullptr));
  replaceRef(md5_, static_cast<TBuf*>(nullptr));
  replaceRef(sha1_, static_cast<TBuf*>(nullptr));
  replaceRef(extns_, static_cast<TExtnList*>(nullptr));
  replaceRef(pub_key_, static_cast<TKey*>(nullptr));
  replaceRef(priv_key_, static_cast<TKey*>(nullptr));
  for (int t : kNameOrder) replaceRef(*nameSlot(t), static_cast<TName*>(nullptr));
  replaceRef(serial_, static_cast<TBuf*>(nullptr));
  if (rec_ != nullptr) {
    if ((flags_ & kOwnedCrlDp) != 0) release_buffer(&rec_->crl_dp);
    if ((flags_ & kOwnedSignature) != 0) release_buffer(&rec_->signature);
    x509_release_cert(rec_);
    rec_ = nullptr;
  }
  for (TBuf* p : parts_) p->release();
  parts_.clear();
  flags_ = kModified;
  status_ = 0;
  sign_alg_ = 0;
  error_ = 0;
  crl_from_ = crl_to_ = -1;
  extns_set_ = false;
}

int X509Cert::ensureRecord() {
  if (rec_ != nullptr) return 0;
  return x509_init_cert(&rec_) == 0 ? 0 : 1;
}

x509_cert_t* X509Cert::getX509Struct() {
  error_ = rec_ != nullptr ? 0 : 9;
  return rec_;
}

// ---- Parsing and encoding ----

int X509Cert::parse(TBuf* in) {
  if (in == nullptr) return error_ = 4;
  clear();
  Buffer* b = in->getBuffer();
  if (b == nullptr) return error_ = 6;
  if (ensureRecord() != 0) return error_ = 9;
  // Parsed from a copy of in's record: the view of the certificate is made
  // while in still covers it, then in is advanced past it.
  Buffer cursor = *b;
  if (x509_parse_cert(&cursor, rec_) != 0) {
    clear();
    return error_ = 9;
  }
  Buffer whole = *b;
  whole.len = static_cast<uint32_t>(cursor.data - b->data);
  raw_ = tbufView(in, whole);
  if (raw_ == nullptr || in->shift(whole.len) != 0) {
    clear();
    return error_ = 9;
  }
  return error_ = 0;
}

int X509Cert::setRaw(TBuf* in) {
  int r = parse(in);
  if (r != 0) return r;
  sign_alg_ = asn2alg(rec_->sig_alg_oid.data, rec_->sig_alg_oid.len);
  if (!usableSignAlg(sign_alg_)) {
    clear();
    return error_ = 68;
  }
  pub_key_ = createTKey(TKey::KT_PUBLIC, rec_->spki.data, rec_->spki.len);
  if (pub_key_ == nullptr) {
    clear();
    return error_ = 69;
  }
  flags_ &= ~kModified;
  return error_ = 0;
}

TBuf* X509Cert::getRaw() {
  if ((flags_ & kModified) != 0 && encodeCert() != 0) return nullptr;
  if (raw_ == nullptr) {
    error_ = 9;
    return nullptr;
  }
  error_ = 0;
  return tbufView(raw_, bufferOf(raw_));
}

int X509Cert::recordExtensions() {
  // The list replaces every extension view of the record: all are written
  // as whole Extension elements, critical ones first.
  release_buffer(&rec_->other_extns);
  release_buffer(&rec_->other_critical_extns);
  if ((flags_ & kOwnedCrlDp) != 0) release_buffer(&rec_->crl_dp);
  flags_ &= ~kOwnedCrlDp;
  for (Buffer* v : {&rec_->nc_permitted, &rec_->nc_excluded, &rec_->basic_constraints,
                    &rec_->key_usage, &rec_->subject_key_id, &rec_->authority_key_id,
                    &rec_->crl_dp, &rec_->extensions}) {
    init_buffer(v);
  }
  if (subject_alt_ == nullptr) init_buffer(&rec_->subject_alt_name);
  if (issuer_alt_ == nullptr) init_buffer(&rec_->issuer_alt_name);
  rec_->critical &= X509_CRIT_SUBJECT_ALT_NAME | X509_CRIT_ISSUER_ALT_NAME;
  if (extns_ == nullptr) return 0;
  int r = 0;
  for (TExtn* e = extns_->getFirst(); e != nullptr; e = extns_->getNext()) {
    TExtn::extn_t t = e->getType();
    // Alternative names set as names are written from the names.
    bool skip = (t == TExtn::EXT_SUBJECT_ALT_NAME && subject_alt_ != nullptr) ||
                (t == TExtn::EXT_ISSUER_ALT_NAME && issuer_alt_ != nullptr);
    TBuf* der = skip ? nullptr : e->getRaw();
    if (!skip && der == nullptr) r = 9;
    if (der != nullptr) {
      Buffer v = bufferOf(der);
      Buffer* target = e->isCritical() != 0 ? &rec_->other_critical_extns : &rec_->other_extns;
      if (append_buffer(target, &v) != 0) r = 1;
      der->release();
    }
    e->release();
    if (r != 0) break;
  }
  return r;
}

int X509Cert::encodeCert() {
  // The old DER stays alive: the record's views may still point into it.
  if (raw_ != nullptr) parts_.push_back(raw_);
  raw_ = nullptr;
  if (ensureRecord() != 0) return error_ = 1;
  int r = encodeCRLList();
  if (r != 0) return error_ = r;
  if (rec_->sig_alg_oid.len == 0) {
    unsigned len = 0;
    const unsigned char* oid = alg2asn(sign_alg_, &len);
    if (oid == nullptr || len == 0) return error_ = 9;
    set_buffer(&rec_->sig_alg_oid, len, oid);
    static const unsigned char kNull[2] = {0x05, 0x00};
    uint32_t base = pki_alg_base(sign_alg_);
    init_buffer(&rec_->sig_alg_params);
    if (base == 1 || base == 13 || base == 14 || base == 15) set_buffer(&rec_->sig_alg_params, 2, kNull);
  }
  if (pub_key_ == nullptr) return error_ = 40;
  // Each set field gives its DER to the matching view; the TBufs are kept
  // in parts_ while the record points into them.
  auto give = [this](TBuf* der, Buffer* view) {
    if (der == nullptr) return false;
    parts_.push_back(der);
    *view = bufferOf(der);
    return true;
  };
  if (!give(pub_key_->getRaw(), &rec_->spki)) return error_ = 9;
  for (int t : kNameOrder) {
    TName* n = *nameSlot(t);
    if (n != nullptr && !give(n->getRaw(), nameView(t))) return error_ = 9;
  }
  if (serial_ != nullptr) rec_->serial = bufferOf(serial_);
  if (extns_set_ && (r = recordExtensions()) != 0) return error_ = r;
  TBuf* out = createTBuf(static_cast<const unsigned char*>(nullptr), 16);
  if (out == nullptr) return error_ = 9;
  Buffer tbs;
  init_buffer(&tbs);
  if (x509_enc_cert(rec_, out->getBuffer(), &tbs) != 0) {
    out->release();
    init_buffer(&rec_->tbs);
    return error_ = 9;
  }
  rec_->tbs = tbs;
  raw_ = out;
  // Read the new DER back, so every view points into it and what the
  // record says is what was written. A record never parsed keeps its
  // markers: it stays a certificate built by setters.
  x509_cert_t* fresh = nullptr;
  Buffer in = bufferOf(raw_);
  if (x509_init_cert(&fresh) == 0 && x509_parse_cert(&in, fresh) == 0) {
    std::memcpy(fresh->markers, rec_->markers, sizeof fresh->markers);
    fresh->selector = rec_->selector;
    rec_->selector = nullptr;
    if ((flags_ & kOwnedCrlDp) != 0) release_buffer(&rec_->crl_dp);
    if ((flags_ & kOwnedSignature) != 0) release_buffer(&rec_->signature);
    flags_ &= ~(kOwnedCrlDp | kOwnedSignature);
    x509_release_cert(rec_);
    rec_ = fresh;
    for (TBuf* p : parts_) p->release();
    parts_.clear();
    extns_set_ = false;
  } else if (fresh != nullptr) {
    x509_release_cert(fresh);
  }
  flags_ &= ~kModified;
  return error_ = 0;
}

// ---- Fields ----

unsigned X509Cert::getVersion() {
  if (rec_ == nullptr || rec_->version == 0xFFFF) {
    error_ = 40;
    return 0;
  }
  error_ = 0;
  return rec_->version;
}

int X509Cert::setVersion(unsigned v) {
  if (v >= 3) return error_ = 4;
  if (ensureRecord() != 0) return error_ = 1;
  rec_->version = static_cast<uint16_t>(v);
  flags_ |= kModified;
  return error_ = 0;
}

int X509Cert::getValidity(long* from, long* to) {
  if (from == nullptr || to == nullptr) return error_ = 4;
  if (rec_ == nullptr) return error_ = 40;
  if (rec_->not_before < 0 || rec_->not_after < 0) return error_ = 9;
  *from = rec_->not_before;
  *to = rec_->not_after;
  return error_ = 0;
}

int X509Cert::setValidity(long from, long to) {
  if (ensureRecord() != 0) return error_ = 1;
  rec_->not_before = static_cast<int32_t>(from);
  rec_->not_after = static_cast<int32_t>(to);
  flags_ |= kModified;
  return error_ = 0;
}

TBuf* X509Cert::getSerialNumber() {
  if (serial_ == nullptr) {
    if (rec_ == nullptr || rec_->serial.len == 0) {
      error_ = 40;
      return nullptr;
    }
    serial_ = tbufCopy(rec_->serial);
    if (serial_ == nullptr) {
      error_ = 9;
      return nullptr;
    }
  }
  error_ = 0;
  return shareRef(serial_);
}

int X509Cert::setSerialNumber(const unsigned char* data, unsigned len) {
  if (data == nullptr || len == 0) return error_ = 4;
  TBuf* s = createTBuf(data, len);
  if (s == nullptr) return error_ = 9;
  replaceRef(serial_, s);
  flags_ |= kModified;
  return error_ = 0;
}

pki_alg_t X509Cert::getSignAlg() {
  if (sign_alg_ == 0 && rec_ != nullptr && rec_->sig_alg_oid.len != 0) {
    sign_alg_ = asn2alg(rec_->sig_alg_oid.data, rec_->sig_alg_oid.len);
  }
  error_ = sign_alg_ != 0 ? 0 : 40;
  return sign_alg_;
}

int X509Cert::setSignAlg(pki_alg_t a) {
  if (a == sign_alg_) return error_ = 0;
  if (!usableSignAlg(a)) return error_ = 4;
  if (ensureRecord() != 0) return error_ = 1;
  sign_alg_ = a;
  flags_ |= kModified;
  init_buffer(&rec_->sig_alg_oid);
  init_buffer(&rec_->sig_alg_params);
  return error_ = 0;
}

TKey* X509Cert::getKey(TKey::key_type_t t) {
  TKey* k = nullptr;
  if (t == TKey::KT_PUBLIC) {
    k = pub_key_;
  } else if (t == TKey::KT_PRIVATE) {
    k = priv_key_;
  } else {
    error_ = 4;
    return nullptr;
  }
  error_ = k != nullptr ? 0 : 40;
  return shareRef(k);
}

int X509Cert::setKey(TKey* k) {
  if (k == nullptr) return error_ = 4;
  TKey::key_type_t t = k->getType();
  if (t != TKey::KT_PUBLIC && t != TKey::KT_PRIVATE) return error_ = 5;
  if (k->addRef() < 0) return error_ = 43;
  if (t == TKey::KT_PUBLIC) {
    replaceRef(pub_key_, k);
    flags_ |= kModified;
  } else {
    replaceRef(priv_key_, k);
  }
  return error_ = 0;
}

// ---- Names ----

TName** X509Cert::nameSlot(int t) {
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
  TName** slot = nameSlot(t);
  if (slot == nullptr) {
    error_ = 5;
    return nullptr;
  }
  if (*slot == nullptr) {
    Buffer* v = rec_ != nullptr ? nameView(t) : nullptr;
    if (v == nullptr || v->len == 0) {
      error_ = 36;
      return nullptr;
    }
    *slot = createTName(t, v->data, v->len);
    if (*slot == nullptr) {
      error_ = 9;
      return nullptr;
    }
  }
  error_ = 0;
  return *slot;
}

TName* X509Cert::getName(TName::name_type_t t) {
  TName* n = get_src_name(t);
  if (n == nullptr) return nullptr;
  TName* d = n->dup();
  error_ = d != nullptr ? 0 : 9;
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
  if (n == nullptr) return error_ = 4;
  TName** slot = nameSlot(n->getType());
  if (slot == nullptr) return error_ = 5;
  TName* d = n->dup();
  if (d == nullptr) return error_ = 9;
  replaceRef(*slot, d);
  flags_ |= kModified;
  return error_ = 0;
}

int X509Cert::getType() {
  if (rec_ == nullptr) {
    error_ = 40;
    return 0;
  }
  unsigned v = getVersion();
  if (error_ != 0) return 0;
  if (v != 2) return 2;
  if (rec_->basic_constraints.len == 0) return 1;
  uint8_t ca = 0;
  if (parse_basic_constraints(&rec_->basic_constraints, &ca, nullptr) != 0) {
    error_ = 9;
    return 0;
  }
  error_ = 0;
  return ca != 0 ? 2 : 1;
}

// ---- Extensions and CRLs ----

TExtnList* X509Cert::getExtns() {
  if (extns_ != nullptr) {
    error_ = 0;
    return shareRef(extns_);
  }
  if (rec_ == nullptr) {
    error_ = 9;
    return nullptr;
  }
  // The distribution point pre-made from the issuer comes with the CRL
  // work; the list holds the certificate's own extensions.
  TExtnList* l = createTExtnList();
  if (l == nullptr) {
    error_ = 1;
    return nullptr;
  }
  int r = 0;
  if (rec_->extensions.len != 0) {
    TBuf* region = raw_ != nullptr ? tbufView(raw_, rec_->extensions) : tbufCopy(rec_->extensions);
    if (region == nullptr) r = 1;
    while (r == 0 && region->len() != 0) {
      TExtn* e = createX509Extn(region);
      if (e == nullptr) {
        r = 9;
        break;
      }
      r = l->append(e);
      e->release();
    }
    if (region != nullptr) region->release();
  }
  if (r != 0) {
    l->release();
    error_ = r;
    return nullptr;
  }
  extns_ = l;
  error_ = 0;
  return shareRef(extns_);
}

int X509Cert::setExtns(TExtnList* l) {
  if (l != nullptr && l->addRef() < 0) return error_ = 43;
  replaceRef(extns_, l);
  extns_set_ = true;
  flags_ |= kModified;
  flags_ &= ~kCrlDpDone;
  return error_ = 0;
}

int X509Cert::addExtn(TExtn* e) {
  if (e == nullptr) return error_ = 4;
  if (extns_ == nullptr) {
    // Start from the certificate's own extensions when it has any.
    TExtnList* own = rec_ != nullptr ? getExtns() : nullptr;
    if (own != nullptr) own->release();
    if (extns_ == nullptr && (extns_ = createTExtnList()) == nullptr) return error_ = 1;
  }
  if (e->getType() == TExtn::EXT_CRL_DP) flags_ &= ~kCrlDpDone;
  flags_ |= kModified;
  extns_set_ = true;
  return error_ = extns_->append(e);
}

// CRL lists belong to the CRL objects, which are not part of the module
// yet: these report 40 (nothing to work on).
TCRLList* X509Cert::getCRLList() {
  error_ = 40;
  return nullptr;
}

int X509Cert::setCRLList(TCRLList* l) {
  if (l == nullptr) return error_ = 4;
  return error_ = 40;
}

int X509Cert::getCRLPeriod(long* from, long* to) {
  if (from == nullptr || to == nullptr) return error_ = 4;
  *from = crl_from_;
  *to = crl_to_;
  return error_ = 0;
}

int X509Cert::setCRLPeriod(long from, long to) {
  if (from > to) return error_ = 4;
  int32_t t = now();
  if (crl_from_ <= t && t <= crl_to_) {
    if (from == -1) {
      if (to != -1) return error_ = 4;
      crl_from_ = crl_to_ = -1;
      return error_ = 0;
    }
    if (from < 0) return error_ = 4;
    // Inside the stored period it may only narrow.
    if (from > crl_from_) crl_from_ = static_cast<int32_t>(from);
    if (!(crl_to_ != -1 && crl_to_ <= to)) crl_to_ = static_cast<int32_t>(to);
    return error_ = 0;
  }
  crl_from_ = static_cast<int32_t>(from);
  crl_to_ = static_cast<int32_t>(to);
  return error_ = 0;
}

// ---- Status and validity ----

int X509Cert::check() {
  if (rec_ == nullptr) return error_ = 40;
  if (rec_->other_critical_extns.len != 0) return error_ = kCertUnknownCritical;
  int32_t t = now();
  if (rec_->not_before >= t) return error_ = kCertNotYetValid;
  if (t < rec_->not_after) return error_ = 0;
  return error_ = kCertExpired;
}

int X509Cert::setStatus(cert_status_t s) {
  error_ = 0;
  if (rec_ == nullptr) return 0;
  if (now() < rec_->not_before) {
    if (status_ == 0) status_ = s;
  } else if (status_ != 7) {
    status_ = s;
  }
  return 0;
}

TCert::cert_status_t X509Cert::getStatus() {
  error_ = 0;
  if (rec_ == nullptr) {
    status_ = 0;
    return status_;
  }
  int32_t t = now();
  if (t < rec_->not_before) {
    int type = getType();
    error_ = kCertNotYetValid;
    return status_ == 7 && type == 2 ? 7 : 6;
  }
  if (rec_->not_after != -1 && t > rec_->not_after) {
    bool sticky = status_ == 7 && getType() == 2;
    error_ = kCertExpired;
    if (!sticky) status_ = 6;
    return status_;
  }
  if (t < crl_from_) {
    error_ = kCertBeforeCRLPeriod;
    if (status_ != 7) status_ = 0;
  } else if (crl_to_ != -1 && t > crl_to_) {
    error_ = kCertAfterCRLPeriod;
    if (status_ != 7) status_ = 0;
  }
  return status_;
}

// ---- Fingerprints and signing ----

TBuf* X509Cert::fingerprint(TBuf** slot, pki_alg_t hash, unsigned size) {
  if (*slot == nullptr) {
    if (raw_ == nullptr) {
      error_ = 40;
      return nullptr;
    }
    TBuf* out = createTBuf(static_cast<const unsigned char*>(nullptr), size);
    if (out == nullptr) {
      error_ = 1;
      return nullptr;
    }
    unsigned len = size;
    int r = make_hash(hash, raw_, out->datap(), &len);
    if (r != 0) {
      out->release();
      error_ = r;
      return nullptr;
    }
    *slot = out;
  }
  error_ = 0;
  return shareRef(*slot);
}

TBuf* X509Cert::getMD5() { return fingerprint(&md5_, PKI_ALG_MD5, 16); }
TBuf* X509Cert::getSHA1() { return fingerprint(&sha1_, PKI_ALG_SHA1, 20); }

int X509Cert::sign(TCert* signer) {
  if (signer == nullptr) return error_ = 4;
  TKey* k = signer->getKey(TKey::KT_PRIVATE);
  if (k == nullptr) return error_ = signer->error();
  int r = (flags_ & kModified) != 0 ? encodeCert() : 0;
  TBuf* tbs = r == 0 ? tbufView(raw_, rec_->tbs) : nullptr;
  TBuf* sig = nullptr;
  if (r == 0) r = tbs != nullptr ? signMessage(k, tbs, &sig, sign_alg_) : 1;
  k->release();
  if (tbs != nullptr) tbs->release();
  if (r != 0) {
    if (sig != nullptr) sig->release();  // a partly made signature
    return error_ = r;
  }
  // The signature goes into an owned view; the next encoding writes it.
  if ((flags_ & kOwnedSignature) != 0) release_buffer(&rec_->signature);
  Buffer s = bufferOf(sig);
  init_buffer(&rec_->signature);
  r = append_buffer(&rec_->signature, &s) == 0 ? 0 : 1;
  sig->release();
  flags_ |= kOwnedSignature | kModified;
  return error_ = r;
}

TBuf* X509Cert::sign(TKey* k, pki_alg_t a, TBuf* msg) {
  if (k == nullptr) k = priv_key_;
  if (k == nullptr) {
    error_ = 40;
    return nullptr;
  }
  TBuf* out = nullptr;
  error_ = signMessage(k, msg, &out, a);
  if (error_ == 0) return out;
  if (out != nullptr) out->release();
  return nullptr;
}

int X509Cert::checkSign(TCert* issuer) {
  if (issuer == nullptr) return error_ = 4;
  TKey* k = issuer->getKey(TKey::KT_PUBLIC);
  if (k == nullptr) return error_ = issuer->error();
  int r = (flags_ & kModified) != 0 ? encodeCert() : 0;
  TBuf* tbs = r == 0 ? tbufView(raw_, rec_->tbs) : nullptr;
  TBuf* sig = r == 0 ? tbufCopy(rec_->signature) : nullptr;
  if (r == 0) r = tbs != nullptr && sig != nullptr ? verifyMessage(k, tbs, sig, sign_alg_) : 1;
  k->release();
  if (tbs != nullptr) tbs->release();
  if (sig != nullptr) sig->release();
  return error_ = r;
}

int X509Cert::checkSign(TKey* k, pki_alg_t a, TBuf* signature, TBuf* msg) {
  if (k == nullptr) k = pub_key_;
  if (k == nullptr) return error_ = 40;
  return error_ = verifyMessage(k, msg, signature, a);
}

// ---- Completeness ----

int X509Cert::is_complete() {
  error_ = 40;
  if (raw_ == nullptr || rec_ == nullptr) return 0;
  if (rec_->markers[0] == 0xFF && rec_->markers[1] == 0xFF) return 0;
  if (rec_->not_before == -1 || rec_->not_after == -1 || rec_->version == 0xFFFF) return 0;
  if (pub_key_ == nullptr) return 0;
  TBuf* k = pub_key_->getRaw();
  if (k == nullptr) return 0;
  k->release();
  return is_ident_complete();
}

int X509Cert::is_ident_complete() {
  if (serial_ == nullptr && rec_ == nullptr && pub_key_ == nullptr) {
    error_ = 40;
    return 0;
  }
  TName* issuer = get_src_name(nameType(kIssuer));
  error_ = 0;
  if (issuer == nullptr || issuer->is_selector() != 0) return 0;
  for (int t : {kSubject, kSubjectAlt, kIssuerAlt}) {
    TName* n = get_src_name(nameType(t));
    if (n != nullptr && n->is_selector() != 0) {
      error_ = 0;
      return 0;
    }
  }
  error_ = 0;
  return 1;
}

// ---- Lifecycle ----

TCert* X509Cert::dup() {
  X509Cert* c = new (std::nothrow) X509Cert;
  if (c == nullptr) {
    error_ = 1;
    return nullptr;
  }
  int r = 0;
  if (raw_ != nullptr) {
    TBuf* view = tbufView(raw_, bufferOf(raw_));
    r = view != nullptr ? c->parse(view) : 9;
    if (view != nullptr) view->release();
    if (r == 0 && (flags_ & kOwnedSignature) != 0) {
      init_buffer(&c->rec_->signature);
      if (append_buffer(&c->rec_->signature, &rec_->signature) != 0) r = 1;
    }
  } else if (rec_ != nullptr) {
    // A certificate built by setters: its record's fields are copied; the
    // views stay valid through the shared parts.
    if (c->ensureRecord() != 0) r = 1;
    if (r == 0) {
      x509_cert_t* mine = c->rec_;
      *mine = *rec_;
      mine->selector = rec_->selector != nullptr ? sel_duplicate(rec_->selector) : nullptr;
      init_buffer(&mine->other_extns);
      init_buffer(&mine->other_critical_extns);
      append_buffer(&mine->other_extns, &rec_->other_extns);
      append_buffer(&mine->other_critical_extns, &rec_->other_critical_extns);
      if ((flags_ & kOwnedSignature) != 0) {
        init_buffer(&mine->signature);
        append_buffer(&mine->signature, &rec_->signature);
      }
      init_buffer(&mine->crl_dp);
      for (TBuf* p : parts_) c->parts_.push_back(shareRef(p));
    }
  }
  if (r == 0) {
    c->flags_ = flags_ & ~kOwnedCrlDp;
    c->status_ = status_;
    c->sign_alg_ = sign_alg_;
    c->md5_ = md5_ != nullptr ? createTBuf(md5_) : nullptr;
    c->sha1_ = sha1_ != nullptr ? createTBuf(sha1_) : nullptr;
    c->serial_ = shareRef(serial_);
    c->crl_from_ = crl_from_;
    c->crl_to_ = crl_to_;
    c->extns_set_ = extns_set_;
    if (extns_set_) c->extns_ = shareRef(extns_);
    TKey* const* keys[2] = {&pub_key_, &priv_key_};
    TKey** theirs[2] = {&c->pub_key_, &c->priv_key_};
    for (int i = 0; i < 2 && r == 0; ++i) {
      TKey* k = *keys[i];
      if (k == nullptr) continue;
      TBuf* der = k->getRaw();
      *theirs[i] = der != nullptr ? createTKey(k->getType(), der->datap(), der->len()) : nullptr;
      if (der != nullptr) der->release();
      if (*theirs[i] == nullptr) {
        // A key without DER (an algorithm-only template key) is shared.
        *theirs[i] = shareRef(k);
      }
    }
    for (int t : kNameOrder) {
      TName* n = *nameSlot(t);
      if (n == nullptr || r != 0) continue;
      TName* d = n->dup();
      if (d == nullptr) r = 9;
      *c->nameSlot(t) = d;
    }
  }
  if (r != 0) {
    c->release();
    error_ = r;
    return nullptr;
  }
  error_ = 0;
  return c;
}

// ---- Creation ----

TCert* createX509Cert(const unsigned char* data, unsigned len) {
  X509Cert* c = new (std::nothrow) X509Cert;
  if (c == nullptr) return nullptr;
  if (data != nullptr && len != 0) {
    TBuf* in = createTBuf(data, len);
    int r = in != nullptr ? c->setRaw(in) : 9;
    if (in != nullptr) in->release();
    if (r != 0) {
      c->release();
      return nullptr;
    }
  }
  return c;
}

TCert* createTCert(TCert::cert_format_t fmt, const unsigned char* data, unsigned len) {
  if (fmt != TCert::CF_X509) return nullptr;
  return createX509Cert(data, len);
}

TCert* createTCert(TCert::cert_format_t fmt) { return createTCert(fmt, nullptr, 0); }

int checkPrivKeyConsistency(TCert* c, TKey* k, int mode) {
  if (c == nullptr || k == nullptr) return 4;
  TKey* pub = c->getKey(TKey::KT_PUBLIC);
  if (pub == nullptr) return 9;
  int r = checkKeyPairConsistency(pub, k, mode);
  pub->release();
  return r;
}
