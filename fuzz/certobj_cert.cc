// Certificates from arbitrary octets through the certificate service. On
// those that parse every query runs, and these properties are checked:
// - the unchanged certificate gives back exactly the octets it was read
//   from, and a second parse of them compares with it as it compares with
//   itself (equal unless a validity time is unreadable), also by issuer
//   and serial;
// - a duplicate compares the same way;
// - after a setter the certificate encodes again and the encoding, when it
//   parses back, carries the new serial number.
// A template made from its selector is compared with it as well, and the
// certificate's signature is checked under its own key.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "cert/tcert.h"
#include "certobj_env.h"
#include "support/abuf.h"

using certfuzz::Require;

namespace {

void Release(XBase* x) {
  if (x != nullptr) x->release();
}
void Release(TBuf* b) {
  if (b != nullptr) b->release();
}

void QueryExtensions(TCert* c) {
  TExtnList* l = c->getExtns();
  if (l == nullptr) return;
  for (TExtn* e = l->getFirst(); e != nullptr; e = l->getNext()) {
    e->getType();
    e->isCritical();
    e->hasBeenSet();
    Release(e->getObjId());
    Release(e->getValue());
    TBuf* raw = e->getRaw();
    Require(raw != nullptr);
    raw->release();
    e->release();
  }
  for (int t = 1; t < 17; ++t) Release(l->get(static_cast<TExtn::extn_t>(t)));
  l->release();
}

void QueryAll(TPkixService* s, TCert* c, const uint8_t* data, size_t size) {
  c->getType();
  c->getFormat();
  c->getVersion();
  c->getSignAlg();
  c->getStatus();
  c->check();
  c->is_complete();
  c->is_ident_complete();
  long from = 0, to = 0;
  c->getValidity(&from, &to);
  c->getCRLPeriod(&from, &to);
  Release(c->getSerialNumber());
  Release(c->getMD5());
  Release(c->getSHA1());
  for (int t : {0x101, 0x102, 0x201, 0x202}) {
    TName* n = c->getName(static_cast<TName::name_type_t>(t));
    if (n != nullptr) {
      Release(n->getPrintable(TName::PRN_LOSSY));
      n->release();
    }
    Release(c->getNormName(static_cast<TName::name_type_t>(t)));
  }
  Release(c->getKey(TKey::KT_PUBLIC));
  c->checkSign(c);  // hostile key and signature through the crypto service
  QueryExtensions(c);

  TBuf* raw = c->getRaw();
  Require(raw != nullptr);
  Require(raw->len() <= size && std::memcmp(raw->datap(), data, raw->len()) == 0);
  TCert* again = s->createTCert(TCert::CF_X509, raw->datap(), raw->len());
  Require(again != nullptr);
  int self = *c == *c;
  int self_isn = c->areISNMatched(c);
  Require((*c == *again) == self);
  Require(c->areISNMatched(again) == self_isn);
  again->release();
  raw->release();
  TCert* d = c->dup();
  Require(d != nullptr);
  Require((*c == *d) == self);
  Require(c->areISNMatched(d) == self_isn);

  _selector* sel = c->getSelector();
  if (sel != nullptr) {
    TCert* tmpl = s->createTCert(TCert::CF_X509);
    if (tmpl != nullptr && tmpl->setSelector(sel) == 0) c->isCertSimilar(tmpl);
    Release(tmpl);
    sel_destroy(sel);
  }

  // A setter, then encoding and reading back.
  const unsigned char serial[] = {0x01, 0x02, 0x03};
  Require(d->setSerialNumber(serial, sizeof serial) == 0);
  TBuf* enc = d->getRaw();
  if (enc != nullptr) {
    TCert* back = s->createTCert(TCert::CF_X509, enc->datap(), enc->len());
    if (back != nullptr) {
      TBuf* sn = back->getSerialNumber();
      Require(sn != nullptr && sn->len() == 3 && std::memcmp(sn->datap(), serial, 3) == 0);
      sn->release();
      back->release();
    }
    enc->release();
  }
  d->release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TPkixService* s = certfuzz::Service();
  if (size == 0 || size > 65536) return 0;
  TBuf* in = createTBuf(data, static_cast<unsigned>(size));
  if (in == nullptr) return 0;
  TCert* c = s->createTCert(TCert::CF_X509, in);
  in->release();
  if (c != nullptr) {
    QueryAll(s, c, data, size);
    Require(c->release() == 0);
  }
  return 0;
}
