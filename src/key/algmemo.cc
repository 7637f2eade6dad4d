#include "key/algmemo.h"

#include <cstring>

#include "alg/pki_cnvrt_c.h"

pki_alg_t rememberedAsn2alg(const Buffer& oid) {
  struct Seen {
    unsigned char octets[24];
    uint32_t len;
    pki_alg_t alg;
  };
  constexpr unsigned kRemembered = 8;
  thread_local Seen seen[kRemembered];
  thread_local unsigned used = 0, next = 0;
  bool fits = oid.len != 0 && oid.len <= sizeof seen[0].octets;
  if (fits) {
    for (unsigned i = 0; i < used; ++i) {
      if (seen[i].len == oid.len && std::memcmp(seen[i].octets, oid.data, oid.len) == 0) return seen[i].alg;
    }
  }
  pki_alg_t alg = asn2alg(oid.data, oid.len);
  if (alg != PKI_ALG_NONE && fits) {
    Seen& slot = seen[next];
    std::memcpy(slot.octets, oid.data, oid.len);
    slot.len = oid.len;
    slot.alg = alg;
    next = (next + 1) % kRemembered;
    if (used < kRemembered) ++used;
  }
  return alg;
}
