#include "crl/crllist.h"

#include <new>
#include <vector>

#include "crl/derbuild.h"
#include "support/tbufs.h"
#include "support/abuf.h"
#include "support/buffers.h"
#include "support/der_reader.h"
#include "support/result_codes.h"

namespace {
// The context tags of the list sets: [1] in SignedData, [3] as this module
// writes them.
constexpr unsigned char kCrlSetTag = der::kContext3Constructed;
constexpr unsigned char kCrlSetAltTag = der::kContext1Constructed;
}  // namespace

CRLList::CRLList() : list_(adoptRef(new (std::nothrow) List)) {}

TCRL* CRLList::getFirst() {
  if (!list_) return error_ = pkixrc::kUnavailable, nullptr;
  return static_cast<TCRL*>(list_->getFirst());
}

TCRL* CRLList::getNext() {
  if (!list_) return error_ = pkixrc::kUnavailable, nullptr;
  return static_cast<TCRL*>(list_->getNext());
}

int CRLList::add(TCRL* crl, int (List::*how)(XBase*)) {
  if (crl == nullptr) return error_ = pkixrc::kBadArgument;
  if (!list_) return error_ = pkixrc::kUnavailable;
  int r = (list_.get()->*how)(crl);
  // A list without an issuing distribution point covers every reason.
  if (r == 0 && crl->getType() == 1) coverage_ |= crl->getReasons();
  return error_ = r;
}

int CRLList::append(TCRL* crl) { return add(crl, &List::append); }

int CRLList::strictAppend(TCRL* crl) { return add(crl, &List::strictAppend); }

TCRLList& CRLList::operator+=(TCRLList& other) {
  error_ = pkixrc::kOk;
  for (Ref<TCRL> c = adoptRef(other.getFirst()); c; c.reset(other.getNext())) {
    if (strictAppend(c.get()) != 0) break;
  }
  return *this;
}

int CRLList::clear() {
  coverage_ = crlreasons::kNone;
  if (!list_) return error_ = pkixrc::kUnavailable;
  return error_ = list_->clean();
}

int CRLList::error() { return list_ ? error_ : pkixrc::kUnavailable; }

bool CRLList::isEmpty() { return !list_ || list_->isEmpty(); }

TBuf* CRLList::getPKCS7Crls() {
  if (isEmpty()) return error_ = pkixrc::kUnavailable, nullptr;
  DerBuilder b;
  // Each list goes in front of those already written: the last comes first.
  for (Ref<TCRL> c = adoptRef(getFirst()); c; c.reset(getNext())) {
    Ref<TBuf> der = adoptRef(c->getRaw(nullptr, nullptr));
    if (!der) return error_ = pkixrc::kUnavailable, nullptr;
    b.prepend(viewOf(der.get()));
  }
  b.wrap(kCrlSetTag);
  TBuf* out = b.toTBuf();
  error_ = out != nullptr ? pkixrc::kOk : pkixrc::kNoMemory;
  return out;
}

int CRLList::setPKCS7Crls(TBuf* in) {
  clear();
  if (in == nullptr) return error_ = pkixrc::kBadArgument;
  if (!list_) return error_ = pkixrc::kUnavailable;
  Buffer b = viewOf(in);
  DerReader r(b);
  int tag = r.peek();
  if (tag != kCrlSetTag && tag != kCrlSetAltTag) return error_ = pkixrc::kFailed;
  // The set is read from a copy of in's octets, which every list views.
  Ref<TBuf> copy = adoptRef(createTBuf(in));
  std::vector<Ref<TCRL>> crls;
  int failure = pkixrc::kOk;
  int rc = r.element(static_cast<unsigned char>(tag), [&](DerReader& set) {
    while (!set.atEnd()) {
      Buffer whole{};
      DER_TRY(asn1_decode_any_type(set.buf(), &whole));
      Ref<TBuf> one = copy ? tbufView(copy.get(), Buffer{nullptr, copy->datap() + (whole.data - b.data), whole.len}) : Ref<TBuf>();
      if (!one) return failure = pkixrc::kNoMemory, X509ASN_E_NOMEM;
      Ref<TCRL> c = adoptRef(createTCRL(TCert::CF_X509, one.get()));
      if (!c || one->len() != 0) return failure = pkixrc::kFailed, X509ASN_E_VALUE;
      crls.push_back(c);
    }
    return 0;
  });
  if (rc != 0) return error_ = failure != pkixrc::kOk ? failure : pkixrc::kFailed;
  for (Ref<TCRL>& c : crls) {
    if (append(c.get()) != 0) return error_;
  }
  return error_ = pkixrc::kOk;
}

TCRLList* createTCRLList() {
  Ref<CRLList> l = adoptRef(new (std::nothrow) CRLList);
  if (!l || l->error() != 0) return nullptr;
  return l.detach();
}
