#include "cert/dplist.h"

#include <new>

#include "support/result_codes.h"

DPList::DPList() : list_(Ref<List>::adopt(new (std::nothrow) List)) {}

DPList::~DPList() = default;

// Every element the list holds was appended as a TDP.
TDP* DPList::getFirst() {
  if (!list_) return nullptr;
  return static_cast<TDP*>(list_->getFirst());
}

TDP* DPList::getNext() {
  if (!list_) return nullptr;
  return static_cast<TDP*>(list_->getNext());
}

int DPList::append(TDP* dp) {
  if (!list_) return pkixrc::kUnavailable;
  return list_->append(dp);
}

int DPList::clear() {
  if (!list_) return pkixrc::kUnavailable;
  return list_->clean();
}

bool DPList::isEmpty() { return !list_ || list_->isEmpty(); }

int DPList::error() { return list_ ? list_->error() : pkixrc::kUnavailable; }

TDPList* createTDPList() { return new (std::nothrow) DPList; }
