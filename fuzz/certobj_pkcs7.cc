// PKCS #7 certificate sets from arbitrary octets: setPKCS7Certificates on
// a list, then, when certificates were read, the set written back must read
// again into as many certificates in the reverse order.
#include <cstddef>
#include <cstdint>

#include "cert/tcert.h"
#include "certobj_env.h"
#include "support/abuf.h"

using certfuzz::Require;

namespace {

int Count(TCertList* l) {
  int n = 0;
  for (TCert* c = l->getFirst(); c != nullptr; c = l->getNext()) {
    ++n;
    c->release();
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TPkixService* s = certfuzz::Service();
  if (size > 65536) return 0;
  TBuf* in = createTBuf(data, static_cast<unsigned>(size));
  TCertList* l = s->createTCertList();
  if (in == nullptr || l == nullptr) {
    if (in != nullptr) in->release();
    if (l != nullptr) l->release();
    return 0;
  }
  l->setPKCS7Certificates(in);
  in->release();
  int n = Count(l);
  if (n > 0) {
    TBuf* set = l->getPKCS7Certificates();
    Require(set != nullptr);
    TCertList* back = s->createTCertList();
    Require(back->setPKCS7Certificates(set) == 0);
    Require(Count(back) == n);
    TCert* first = l->getFirst();
    TCert* last = back->getLast();
    Require(first != nullptr && last != nullptr);
    Require((*first == *last) == (*first == *first));
    first->release();
    last->release();
    back->release();
    set->release();
  }
  l->release();
  return 0;
}
