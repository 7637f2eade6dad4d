// PKCS #7 list sets from arbitrary octets: setPKCS7Crls on a list, then,
// when lists were read, the set written back must read again into as many
// lists in the reverse order.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "crl/crllist.h"
#include "certobj_env.h"
#include "support/abuf.h"
#include "support/ref.h"

using certfuzz::Require;

namespace {

std::vector<Ref<TCRL>> Members(TCRLList* l) {
  std::vector<Ref<TCRL>> out;
  for (Ref<TCRL> c = adoptRef(l->getFirst()); c; c.reset(l->getNext())) out.push_back(c);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  certfuzz::Service();  // the module's internals in process
  if (size > 65536) return 0;
  Ref<TBuf> in = adoptRef(createTBuf(data, static_cast<unsigned>(size)));
  Ref<TCRLList> l = adoptRef(createTCRLList());
  if (!in || !l) return 0;
  int r = l->setPKCS7Crls(in.get());
  std::vector<Ref<TCRL>> first = Members(l.get());
  Require(r == 0 || first.empty());
  if (first.empty()) return 0;
  l->isComplete();
  Ref<TBuf> set = adoptRef(l->getPKCS7Crls());
  Require(static_cast<bool>(set));
  Ref<TCRLList> back = adoptRef(createTCRLList());
  Require(back->setPKCS7Crls(set.get()) == 0);
  std::vector<Ref<TCRL>> second = Members(back.get());
  Require(second.size() == first.size());
  Ref<TBuf> a = adoptRef(first.front()->getRaw(nullptr, nullptr));
  Ref<TBuf> b = adoptRef(second.back()->getRaw(nullptr, nullptr));
  Require(a && b && (*a != b.get()) == 0);
  return 0;
}
