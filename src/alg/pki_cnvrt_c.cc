#include "alg/pki_cnvrt_c.h"

#include "support/result_codes.h"

PkiAlgCnvrt::~PkiAlgCnvrt() = default;

PkiAlgCnvrt cnvrt(static_cast<TPkiAlgCnvrt*>(nullptr));

namespace {
aBuf Empty() { return aBuf(static_cast<TBuf*>(nullptr)); }
}  // namespace

aBuf PkiAlgCnvrt::alg2asn(pki_alg_t a) {
  return call([&](TPkiAlgCnvrt* s) { return s->alg2asn(a); }, Empty());
}

aBuf PkiAlgCnvrt::alg2oid(pki_alg_t a) {
  return call([&](TPkiAlgCnvrt* s) { return s->alg2oid(a); }, Empty());
}

pki_alg_t PkiAlgCnvrt::asn2alg(const aBuf& b) {
  return call([&](TPkiAlgCnvrt* s) { return s->asn2alg(b); }, pki_alg_t{PKI_ALG_NONE});
}

pki_alg_t PkiAlgCnvrt::oid2alg(const aBuf& b) {
  return call([&](TPkiAlgCnvrt* s) { return s->oid2alg(b); }, pki_alg_t{PKI_ALG_NONE});
}

int PkiAlgCnvrt::convert(pki_alg_t& alg, aBuf& oid, aBuf& asn) {
  return call([&](TPkiAlgCnvrt* s) { return s->convert(alg, oid, asn); }, pkixrc::kUnavailable);
}

namespace {

// The stored octets of a form: they belong to the service, which keeps its
// buffer while it lives, so they outlive the wrapper read here.
const unsigned char* Stored(const aBuf& form, unsigned* len) {
  *len = form.raw() != nullptr ? form.len() : 0;
  return *len != 0 ? form.datap() : nullptr;
}

// The octets as a buffer to look up; empty when there are none or no
// buffer can be made.
aBuf Lookup(const unsigned char* p, unsigned n) { return p != nullptr && n != 0 ? aBuf(p, n) : Empty(); }

}  // namespace

extern "C" {

const unsigned char* alg2asn(pki_alg_t a, unsigned* len) {
  if (len == nullptr) return nullptr;
  return Stored(cnvrt.alg2asn(a), len);
}

const unsigned* alg2oid(pki_alg_t a, unsigned* count) {
  if (count == nullptr) return nullptr;
  unsigned len = 0;
  const unsigned char* p = Stored(cnvrt.alg2oid(a), &len);
  *count = 0;
  if (p == nullptr || len % 4 != 0) return nullptr;
  *count = len / 4;
  return reinterpret_cast<const unsigned*>(p);
}

pki_alg_t oid2alg(const unsigned* arcs, unsigned count) {
  // count arcs of four octets each must fit a 32-bit length.
  constexpr unsigned kMostArcs = 0x3FFFFFFFu;
  if (arcs == nullptr || count == 0 || count > kMostArcs) return PKI_ALG_NONE;
  return cnvrt.oid2alg(Lookup(reinterpret_cast<const unsigned char*>(arcs), count * 4));
}

pki_alg_t asn2alg(const unsigned char* asn, unsigned len) {
  if (asn == nullptr || len == 0) return PKI_ALG_NONE;
  return cnvrt.asn2alg(Lookup(asn, len));
}

}  // extern "C"
