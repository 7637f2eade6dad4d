// The typical use of a certificate object the object benchmarks time:
// createTCert through the certificate service, then (with queries) version,
// serial, subject, validity, key algorithm, type and the key usage bits.
#ifndef PKIX_BENCH_CERTOBJ_QUERIES_H_
#define PKIX_BENCH_CERTOBJ_QUERIES_H_

#include <cstdlib>

#include "bench_util.h"
#include "cert/keyusageext.h"
#include "module/pkixsrv.h"

namespace benchutil {

// Where the queries' answers go, so that they are not optimised away.
inline volatile long gSink;

// Ours: the object, then version, serial, subject, validity, key
// algorithm, type and the key usage bits.
inline void Ours(TPkixService* s, const Bytes& d, bool queries) {
  TCert* c = s->createTCert(TCert::CF_X509, d.data(), static_cast<unsigned>(d.size()));
  if (c == nullptr) std::abort();
  if (queries) {
    long sum = c->getVersion();
    TBuf* sn = c->getSerialNumber();
    sum += sn->len();
    sn->release();
    TName* subject = c->getName(static_cast<TName::name_type_t>(0x201));
    sum += subject != nullptr;
    subject->release();
    long from = 0, to = 0;
    c->getValidity(&from, &to);
    sum += to - from;
    TKey* k = c->getKey(TKey::KT_PUBLIC);
    sum += k->getAlg();
    k->release();
    sum += c->getType();
    TExtnList* l = c->getExtns();
    TExtn* ku = l->get(TExtn::EXT_KEY_USAGE);
    if (ku != nullptr) {
      sum += static_cast<TX509KeyUsage*>(ku)->isDigitalSignature();
      ku->release();
    }
    l->release();
    gSink = sum;
  }
  c->release();
}

}  // namespace benchutil

#endif  // PKIX_BENCH_CERTOBJ_QUERIES_H_
