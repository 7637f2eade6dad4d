#include "cert/selident.h"

#include "module/cmn_abuf.h"

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

#include "cert/tbufview.h"
#include "cert/x509crt.h"
#include "key/x509key.h"
#include "name/selname.h"
#include "name/x509name.h"

namespace {
constexpr int kSelNameOrder[] = {0x201, 0x202, 0x101, 0x102};
}  // namespace

_selector* X509Cert::getSelector() {
  if (ensureRecord() != 0) {
    error_ = 9;
    return nullptr;
  }
  if (rec_->selector == nullptr) {
    _selector* s = nullptr;
    bool failed = false;
    for (int t : kSelNameOrder) {
      TName* n = get_src_name(static_cast<TName::name_type_t>(t));
      if (n == nullptr) {
        if (error_ == 36) continue;
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
    TBuf* md5 = failed ? nullptr : getMD5();
    if (md5 != nullptr) add(sel_insert(s, kSelTagMD5, md5->datap(), 0, 0)), md5->release();
    TBuf* sha1 = failed ? nullptr : getSHA1();
    if (sha1 != nullptr) add(sel_insert(s, kSelTagSHA1, sha1->datap(), 0, 0)), sha1->release();
    TBuf* sn = failed ? nullptr : getSerialNumber();
    if (sn != nullptr) add(sel_insert(s, kSelTagSerial, sn->len(), sn->datap(), 0, 0)), sn->release();
    if (!failed && pub_key_ != nullptr && pub_key_->getAlg() != 0) {
      add(sel_insert(s, kSelTagKeyAlg, static_cast<unsigned>(htonl(pub_key_->getAlg())), 0, 0));
    }
    if (!failed) add(sel_insert(s, kSelTagFormat, 1u, 0, 0));
    if (failed) {
      sel_destroy(s);
      error_ = 9;
      return nullptr;
    }
    rec_->selector = s;
  }
  _selector* copy = sel_duplicate(rec_->selector);
  error_ = copy != nullptr ? 0 : 9;
  return copy;
}

int X509Cert::setSelector(const _selector* s) {
  if (s == nullptr) return error_ = 4;
  clear();
  if (ensureRecord() != 0) return error_ = 1;
  int format = getCertFormat(s);
  if (format != 0 && format != 1) return error_ = 5;
  Buffer sn;
  init_buffer(&sn);
  if (sel_get_sn(s, &sn) == 0) {
    int r = sn.len != 0 ? setSerialNumber(sn.data, sn.len) : 0;
    release_buffer(&sn);
    if (r != 0) return r;
  }
  pki_alg_t alg = getKeyAlg(s);
  if (alg != 0) {
    pub_key_ = createTKey(TKey::KT_PUBLIC);
    if (pub_key_ == nullptr) return error_ = 9;
    pub_key_->setAlg(alg);
    flags_ |= kModified;
  }
  md5_ = getSelMD5(s);
  sha1_ = getSelSHA1(s);
  for (int t : kSelNameOrder) {
    TName* n = nullptr;
    int r = createTName(static_cast<TName::name_type_t>(t), s, &n);
    if (r == 36) continue;
    if (r != 0 || n == nullptr) {
      if (n != nullptr) n->release();
      return error_ = 9;
    }
    r = setName(n);
    n->release();
    if (r != 0) return error_ = 9;
  }
  rec_->selector = sel_duplicate(s);
  return error_ = rec_->selector != nullptr ? 0 : 9;
}
