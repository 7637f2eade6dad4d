#include "cert/selident.h"

#include "support/abuf.h"

namespace {

// The value of the first source element with tag, subtype included (the MD5
// and SHA-1 fingerprints share one type); false when absent.
bool findField(const _selector* s, unsigned tag, unsigned* len, const unsigned char** data) {
  if (s == nullptr) return false;
  const unsigned char* cursor = nullptr;
  unsigned t = tag;
  return sel_getnext(s, &cursor, SEL_M_SRC | SEL_M_SUBTYPE, &t, len, data) == 1;
}

TBuf* copyField(const _selector* s, unsigned tag) {
  unsigned len = 0;
  const unsigned char* data = nullptr;
  if (!findField(s, tag, &len, &data) || len == 0) return nullptr;
  return createTBuf(data, len);
}

}  // namespace

pki_alg_t getKeyAlg(const _selector* s) {
  unsigned len = 0;
  const unsigned char* d = nullptr;
  if (!findField(s, kSelTagKeyAlg, &len, &d) || len < 4) return 0;
  return static_cast<pki_alg_t>(d[0]) << 24 | static_cast<pki_alg_t>(d[1]) << 16 |
         static_cast<pki_alg_t>(d[2]) << 8 | d[3];
}

int getCertFormat(const _selector* s) {
  if (s == nullptr) return 0;
  unsigned len = 0;
  const unsigned char* d = nullptr;
  if (findField(s, kSelTagFormat, &len, &d) && len >= 1) return d[0];
  // X.509 subject and issuer elements both imply format 1.
  int format = 0;
  for (unsigned tag : {kSelTagX509S, kSelTagX509I}) {
    if (!findField(s, tag, &len, &d)) continue;
    if (format == 0) format = 1;
  }
  return format;
}

TBuf* getSelSHA1(const _selector* s) { return copyField(s, kSelTagSHA1); }
TBuf* getSelMD5(const _selector* s) { return copyField(s, kSelTagMD5); }

// ---- Certificates to and from selectors ----

#include <arpa/inet.h>

#include "support/tbufs.h"
#include "cert/x509crt.h"
#include "key/x509key.h"
#include "name/selname.h"
#include "name/x509name.h"

using namespace pkixrc;

namespace {
constexpr int kSelNameOrder[] = {certname::kSubject, certname::kSubjectAlt, certname::kIssuer, certname::kIssuerAlt};
}  // namespace

_selector* X509Cert::getSelector() {
  if (ensureRecord() != kOk) {
    error_ = kFailed;
    return nullptr;
  }
  if (rec_->selector == nullptr) {
    _selector* s = nullptr;
    bool failed = false;
    for (int t : kSelNameOrder) {
      TName* n = get_src_name(static_cast<TName::name_type_t>(t));
      if (n == nullptr) {
        if (error_ == kNotFound) continue;
        failed = true;
        break;
      }
      _selector* next = n->getSelector(s);
      sel_destroy(s);
      s = next;
      if (s == nullptr) {
        failed = true;
        break;
      }
    }
    // Each available value in turn: fingerprints, serial, key algorithm,
    // and the certificate format.
    auto add = [&](_selector* next) {
      if (next == nullptr) {
        failed = true;
        return;
      }
      sel_destroy(s);
      s = next;
    };
    Ref<TBuf> md5 = failed ? Ref<TBuf>() : adoptRef(getMD5());
    if (md5) add(sel_insert(s, kSelTagMD5, md5->datap(), 0, 0));
    Ref<TBuf> sha1 = failed ? Ref<TBuf>() : adoptRef(getSHA1());
    if (sha1) add(sel_insert(s, kSelTagSHA1, sha1->datap(), 0, 0));
    Ref<TBuf> sn = failed ? Ref<TBuf>() : adoptRef(getSerialNumber());
    if (sn) add(sel_insert(s, kSelTagSerial, sn->len(), sn->datap(), 0, 0));
    if (!failed && pub_key_ && pub_key_->getAlg() != 0) {
      add(sel_insert(s, kSelTagKeyAlg, static_cast<unsigned>(htonl(pub_key_->getAlg())), 0, 0));
    }
    if (!failed) add(sel_insert(s, kSelTagFormat, static_cast<unsigned>(TCert::CF_X509), 0, 0));
    if (failed) {
      sel_destroy(s);
      error_ = kFailed;
      return nullptr;
    }
    rec_->selector = s;
  }
  _selector* copy = sel_duplicate(rec_->selector);
  error_ = copy != nullptr ? kOk : kFailed;
  return copy;
}

int X509Cert::setSelector(const _selector* s) {
  if (s == nullptr) return error_ = kBadArgument;
  clear();
  if (ensureRecord() != kOk) return error_ = kNoMemory;
  int format = getCertFormat(s);
  if (format != TCert::CF_NONE && format != TCert::CF_X509) return error_ = kWrongType;
  Buffer sn;
  init_buffer(&sn);
  if (sel_get_sn(s, &sn) == 0) {
    int r = sn.len != 0 ? setSerialNumber(sn.data, sn.len) : kOk;
    release_buffer(&sn);
    if (r != kOk) return r;
  }
  pki_alg_t alg = getKeyAlg(s);
  if (alg != 0) {
    pub_key_.reset(createTKey(TKey::KT_PUBLIC));
    if (!pub_key_) return error_ = kFailed;
    pub_key_->setAlg(alg);
    modified_ = true;
  }
  md5_.reset(getSelMD5(s));
  sha1_.reset(getSelSHA1(s));
  for (int t : kSelNameOrder) {
    TName* n = nullptr;
    int r = createTName(static_cast<TName::name_type_t>(t), s, &n);
    Ref<TName> held = adoptRef(n);
    if (r == kNotFound) continue;
    if (r != kOk || !held) return error_ = kFailed;
    if (setName(held.get()) != kOk) return error_ = kFailed;
  }
  rec_->selector = sel_duplicate(s);
  return error_ = rec_->selector != nullptr ? kOk : kFailed;
}
