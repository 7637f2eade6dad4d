#include "alg/pki_cnvrt_s.h"

#include <cstring>
#include <new>

#include "alg/oid2asn.h"
#include "alg/pki_static.h"
#include "support/result_codes.h"

namespace {

// A wrapper that holds no buffer: the empty result of every lookup.
aBuf Empty() { return aBuf(static_cast<TBuf*>(nullptr)); }

// A form as octets: the wrapper's content, or nothing.
struct Octets {
  const unsigned char* p;
  unsigned n;
};

Octets Read(const aBuf& b) {
  if (b.raw() == nullptr) return {nullptr, 0};
  unsigned n = b.len();
  return {n != 0 ? b.datap() : nullptr, n};
}

bool Same(Octets a, Octets b) { return a.n == b.n && (a.n == 0 || std::memcmp(a.p, b.p, a.n) == 0); }

// Gives slot the form: copied into the caller's buffer when the wrapper
// holds one, else the form's buffer is shared.
void Take(aBuf& slot, const aBuf& form) {
  if (slot.raw() != nullptr) {
    Octets o = Read(form);
    slot.set(o.p, o.n);
  } else {
    static_cast<CMN_ObjectStub<TBuf>&>(slot) = form;
  }
}

}  // namespace

// The conversion service: one lookup entry per table row, in table order,
// built once by the constructor and only read afterwards.
class PkiAlgCnvrt_sk : public TPkiAlgCnvrt {
 public:
  PkiAlgCnvrt_sk() { build(); }
  ~PkiAlgCnvrt_sk() override { destroy(); }

  int init() override { return pkixrc::kOk; }
  int fini() override {
    destroy();
    return pkixrc::kOk;
  }

  aBuf alg2asn(pki_alg_t a) const override {
    const Entry* e = byAlg(a);
    return e != nullptr ? aBuf(e->asn) : Empty();
  }
  aBuf alg2oid(pki_alg_t a) const override {
    const Entry* e = byAlg(a);
    return e != nullptr ? aBuf(e->oid) : Empty();
  }
  pki_alg_t asn2alg(const aBuf& b) const override { return algOf(byForm(Read(b), &Entry::asn_octets)); }
  pki_alg_t oid2alg(const aBuf& b) const override { return algOf(byForm(Read(b), &Entry::oid_octets)); }

  int convert(pki_alg_t& alg, aBuf& oid, aBuf& asn) const override {
    Octets given_oid = Read(oid), given_asn = Read(asn);
    // The triple derived from the first form given; null sources are empty.
    pki_alg_t derived = PKI_ALG_NONE;
    const aBuf* oid_src = nullptr;
    const aBuf* asn_src = nullptr;
    if (alg != 0) {
      const Entry* e = byAlg(alg);
      derived = alg;
      if (e != nullptr) oid_src = &e->oid, asn_src = &e->asn;
    } else if (given_oid.n != 0) {
      const Entry* e = byForm(given_oid, &Entry::oid_octets);
      oid_src = &oid;
      if (e != nullptr) derived = e->alg, asn_src = &e->asn;
    } else if (given_asn.n != 0) {
      const Entry* e = byForm(given_asn, &Entry::asn_octets);
      asn_src = &asn;
      if (e != nullptr) derived = e->alg, oid_src = &e->oid;
    }
    const aBuf none = Empty();
    const aBuf& d_oid = oid_src != nullptr ? *oid_src : none;
    const aBuf& d_asn = asn_src != nullptr ? *asn_src : none;

    if (alg != 0 && alg != derived) return pkixrc::kBadArgument;
    alg = derived;
    if (given_oid.n != 0 && !Same(given_oid, Read(d_oid))) return pkixrc::kBadArgument;
    if (given_oid.n == 0) Take(oid, d_oid);
    if (given_asn.n != 0 && !Same(given_asn, Read(d_asn))) return pkixrc::kBadArgument;
    if (given_asn.n == 0) Take(asn, d_asn);
    return pkixrc::kOk;
  }

 private:
  struct Entry {
    Entry(pki_alg_t a, aBuf o, aBuf s) : alg(a), oid(o), asn(s), oid_octets(Read(oid)), asn_octets(Read(asn)) {}
    pki_alg_t alg;
    aBuf oid;
    aBuf asn;
    // The stored content, read once: the buffers are never changed.
    Octets oid_octets;
    Octets asn_octets;
  };

  // Builds the lookup array; kFailed when one exists already, kNoMemory
  // (the service then has no array).
  int build() {
    if (entries_ != nullptr) return pkixrc::kFailed;
    auto* block = static_cast<Entry*>(::operator new(sizeof(Entry) * staticAlgSize, std::nothrow));
    if (block == nullptr) return pkixrc::kNoMemory;
    Oid2Asn encoder;
    for (uint32_t i = 0; i < staticAlgSize; ++i) {
      const pki_alg_row& row = staticAlgTable[i];
      // A buffer that cannot be made leaves that form empty.
      bool has_oid = row.arcs != nullptr;
      bool has_asn = has_oid && encoder.asn(row.arcs, row.count);
      new (&block[i]) Entry(row.alg,
                            has_oid ? aBuf(reinterpret_cast<const unsigned char*>(row.arcs), row.count * 4) : Empty(),
                            has_asn ? aBuf(encoder.data(), encoder.length()) : Empty());
    }
    entries_ = block;
    count_ = staticAlgSize;
    return pkixrc::kOk;
  }

  void destroy() {
    Entry* block = entries_;
    uint32_t n = count_;
    entries_ = nullptr;
    count_ = 0;
    if (block == nullptr) return;
    for (uint32_t i = 0; i < n; ++i) block[i].~Entry();
    ::operator delete(block);
  }

  const Entry* byAlg(pki_alg_t a) const {
    for (uint32_t i = 0; i < count_; ++i) {
      if (entries_[i].alg == a) return &entries_[i];
    }
    return nullptr;
  }

  // The first entry whose form equals b; an empty b matches none.
  const Entry* byForm(Octets b, Octets Entry::*form) const {
    if (b.n == 0) return nullptr;
    for (uint32_t i = 0; i < count_; ++i) {
      if (Same(entries_[i].*form, b)) return &entries_[i];
    }
    return nullptr;
  }

  static pki_alg_t algOf(const Entry* e) { return e != nullptr ? e->alg : pki_alg_t{PKI_ALG_NONE}; }

  uint32_t count_ = 0;
  Entry* entries_ = nullptr;
};

TPkiAlgCnvrt* createAlgCnvrtSrv() { return new (std::nothrow) PkiAlgCnvrt_sk; }
