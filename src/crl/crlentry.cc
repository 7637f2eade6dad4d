#include "crl/crlentry.h"

#include <cstring>
#include <new>

#include "cert/x509extn.h"
#include "crl/crlextn.h"
#include "crl/derbuild.h"
#include "support/tbufs.h"
#include "support/abuf.h"
#include "support/buffers.h"
#include "support/der_reader.h"
#include "support/result_codes.h"

namespace {
constexpr int kIssuerDN = TName::NAME_ISSUER | TName::NAME_DN;
}  // namespace

int sameIssuer(TName* a, TName* b) {
  if (a == nullptr || b == nullptr) return 0;
  Ref<TBuf> da = adoptRef(a->getRaw());
  Ref<TBuf> db = adoptRef(b->getRaw());
  if (da && db && da->len() == db->len() && std::memcmp(da->datap(), db->datap(), da->len()) == 0) return 1;
  return (*a == *b) == 1 ? 1 : 0;
}

CRLEntry::CRLEntry() = default;

CRLEntry::CRLEntry(TBuf* der, const Buffer& serial, const Buffer& extns, TName* issuer, long revoked, long next)
    : der_(shareRef(der)),
      serial_view_(serial),
      extns_view_(extns),
      issuer_(shareRef(issuer)),
      from_(revoked),
      to_(next) {}

CRLEntry::~CRLEntry() = default;

int CRLEntry::setSerialNumber(const unsigned char* data, unsigned len) {
  if (data == nullptr || len == 0) return error_ = pkixrc::kBadArgument;
  serial_.reset(createTBuf(data, len));
  return error_ = serial_ ? pkixrc::kOk : pkixrc::kNoMemory;
}

TBuf* CRLEntry::getSerialNumber() {
  if (!serial_ && der_ && serial_view_.len != 0) serial_ = tbufView(der_.get(), serial_view_);
  error_ = serial_ ? pkixrc::kOk : pkixrc::kUnavailable;
  return serial_.newRef();
}

TName* CRLEntry::getName(TName::name_type_t t) {
  if (t != kIssuerDN || !issuer_) return error_ = pkixrc::kNotFound, nullptr;
  TName* n = issuer_->dup();
  error_ = n != nullptr ? pkixrc::kOk : pkixrc::kNoMemory;
  return n;
}

TName* CRLEntry::getNormName(TName::name_type_t t) {
  if (t != kIssuerDN || !issuer_) return error_ = pkixrc::kNotFound, nullptr;
  TName* n = issuer_->getNormName();
  error_ = n != nullptr ? pkixrc::kOk : pkixrc::kFailed;
  return n;
}

int CRLEntry::setName(TName* n) {
  if (n == nullptr) return error_ = pkixrc::kBadArgument;
  if (n->getType() != kIssuerDN) return error_ = pkixrc::kWrongType;
  issuer_ = shareRef(n);
  return error_ = pkixrc::kOk;
}

int CRLEntry::getValidity(long* from, long* to) {
  if (from == nullptr || to == nullptr) return error_ = pkixrc::kBadArgument;
  if (from_ == -1) return error_ = pkixrc::kUnavailable;
  *from = from_;
  *to = to_;
  return error_ = pkixrc::kOk;
}

int CRLEntry::setValidity(long from, long to) {
  from_ = from;
  to_ = to;
  return error_ = pkixrc::kOk;
}

int CRLEntry::is_ident_complete() {
  error_ = pkixrc::kOk;
  return (serial_ || serial_view_.len != 0) && issuer_ ? 1 : 0;
}

TExtnList* CRLEntry::getExtns() {
  if (!extns_read_ && extns_view_.len != 0) {
    extns_read_ = true;
    // crlEntryExtensions Extensions OPTIONAL
    Ref<TExtnList> list = adoptRef(createTExtnList());
    if (!list) return error_ = pkixrc::kNoMemory, nullptr;
    DerReader r(extns_view_);
    int rc = r.element(der::kSequence, [&](DerReader& seq) {
      while (!seq.atEnd()) {
        Buffer whole;
        DER_TRY(asn1_decode_any_type(seq.buf(), &whole));
        Ref<TBuf> v = tbufView(der_.get(), whole);
        Ref<TExtn> e = adoptRef(v ? createCRLExtn(v.get()) : nullptr);
        if (!e || list->append(e.get()) != 0) return X509ASN_E_VALUE;
      }
      return 0;
    });
    if (rc != 0) return error_ = pkixrc::kFailed, nullptr;
    extns_ = list;
  }
  error_ = extns_ ? pkixrc::kOk : pkixrc::kUnavailable;
  return extns_.newRef();
}

int CRLEntry::setExtns(TExtnList* l) {
  extns_ = shareRef(l);
  extns_read_ = true;
  return error_ = pkixrc::kOk;
}

int CRLEntry::addExtn(TExtn* e) {
  if (e == nullptr) return error_ = pkixrc::kBadArgument;
  Ref<TExtnList> current = adoptRef(getExtns());
  if (!extns_) extns_.reset(createTExtnList());
  if (!extns_) return error_ = pkixrc::kNoMemory;
  extns_read_ = true;
  return error_ = extns_->append(e);
}

int CRLEntry::areISNMatched(TCert* other) {
  if (other == nullptr) return error_ = pkixrc::kBadArgument, 0;
  if (other->getFormat() != CF_X509) return error_ = pkixrc::kOk, 0;
  Ref<TBuf> theirs = adoptRef(other->getSerialNumber());
  if (!theirs) return error_ = other->error(), 0;
  Ref<TBuf> mine = adoptRef(getSerialNumber());
  if (!mine || mine->len() != theirs->len() || std::memcmp(mine->datap(), theirs->datap(), mine->len()) != 0) {
    return error_ = pkixrc::kOk, 0;
  }
  Ref<TName> issuer = adoptRef(other->getName(static_cast<TName::name_type_t>(kIssuerDN)));
  if (!issuer) return error_ = other->error(), 0;
  error_ = pkixrc::kOk;
  return sameIssuer(issuer_.get(), issuer.get());
}

TCert* CRLEntry::dup() {
  CRLEntry* c = new (std::nothrow) CRLEntry(der_.get(), serial_view_, extns_view_, issuer_.get(), from_, to_);
  if (c == nullptr) return error_ = pkixrc::kNoMemory, nullptr;
  c->serial_ = serial_;
  c->extns_ = extns_;
  c->extns_read_ = extns_read_;
  c->status_ = status_;
  error_ = pkixrc::kOk;
  return c;
}
