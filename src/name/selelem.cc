// The selector type table and the helpers shared by the selector operations.
#include "name/selelem.h"

#include <cstdlib>

namespace {

constexpr uint32_t kFixed = 0;
constexpr uint32_t kEnd = kSelSubEnd;

constexpr sel_sub_nfo kIpSubs[] = {
    {"IP4", kFixed, 4},
    {"IP6", kFixed, 16},
    {nullptr, kEnd, 0},
};

constexpr sel_sub_nfo kSkipSubs[] = {
    {"ID", kFixed, 4},
    {"MD5DH", kFixed, 16},
    {nullptr, kEnd, 0},
};

constexpr sel_sub_nfo kHashSubs[] = {
    {"MD5", kFixed, 16},
    {"SHA1", kFixed, 20},
    {nullptr, kEnd, 0},
};

// Whole names, as DER or as text.
constexpr sel_sub_nfo kNameFormSubs[] = {
    {"COMPLETE", kSelLen2, 0},
    {"TEMPLATE", kSelLen2, 0},
    {nullptr, kEnd, 0},
};

constexpr sel_sub_nfo kX509SSubs[] = {
    {"X509S_COUNTRY", kSelLen2, 0},  {"X509S_STATE", kSelLen2, 0},
    {"X509S_LOCALITY", kSelLen2, 0}, {"X509S_ORG", kSelLen2, 0},
    {"X509S_UNIT", kSelLen2, 0},     {"X509S_CN", kSelLen2, 0},
    {"X509S_TITLE", kSelLen2, 0},    {"X509S_SURNAME", kSelLen2, 0},
    {"X509S_GIVENNAME", kSelLen2, 0}, {"X509S_INITIALS", kSelLen2, 0},
    {"X509S_MAIL", kSelLen2, 0},     {"X509S_DNS", kSelLen2, 0},
    {"X509S_IP", kFixed, 4},         {nullptr, kEnd, 0},
};

constexpr sel_sub_nfo kX509ISubs[] = {
    {"X509I_COUNTRY", kSelLen2, 0},  {"X509I_STATE", kSelLen2, 0},
    {"X509I_LOCALITY", kSelLen2, 0}, {"X509I_ORG", kSelLen2, 0},
    {"X509I_UNIT", kSelLen2, 0},     {"X509I_CN", kSelLen2, 0},
    {"X509I_TITLE", kSelLen2, 0},    {"X509I_SURNAME", kSelLen2, 0},
    {"X509I_GIVENNAME", kSelLen2, 0}, {"X509I_INITIALS", kSelLen2, 0},
    {"X509I_MAIL", kSelLen2, 0},     {"X509I_DNS", kSelLen2, 0},
    {"X509I_IP", kFixed, 4},         {nullptr, kEnd, 0},
};

constexpr sel_sub_nfo kNameSubs[] = {
    {"IP4_ADDR", kFixed, 4},     {"IP6_ADDR", kFixed, 16},   {"FQDN_HOST", kSelLen1, 0},
    {"FQDN_USER", kSelLen1, 0},  {"ASN1_DN", kSelLen2, 0},   {"ASN1_GN", kSelLen2, 0},
    {"KEY_ID", kSelLen1, 0},     {nullptr, kEnd, 0},
};

template <size_t N>
constexpr uint32_t RowsBeforeEnd(const sel_sub_nfo (&)[N]) {
  return static_cast<uint32_t>(N - 1);
}

constexpr uint32_t kSubs = kSelHasSubs;

}  // namespace

constexpr sel_type_nfo sel_nfo[SEL_NTYPES] = {
    {"NULL", kFixed, 0, nullptr, 0},
    {"OR", kFixed, 0, nullptr, 0},
    {"IP_ADDR", kSubs, 0, kIpSubs, RowsBeforeEnd(kIpSubs)},
    {"PROTOCOL", kFixed, 1, nullptr, 0},
    {"PORT", kFixed, 2, nullptr, 0},
    {"ICMP_TYPE", kFixed, 1, nullptr, 0},
    {"ICMP_CODE", kFixed, 1, nullptr, 0},
    {"SKIP", kSubs, 0, kSkipSubs, RowsBeforeEnd(kSkipSubs)},
    {"IPSEC_SPI", kFixed, 4, nullptr, 0},
    {"IPCOMP_SPI", kFixed, 2, nullptr, 0},
    {"CERT_HASH", kSubs, 0, kHashSubs, RowsBeforeEnd(kHashSubs)},
    {"CERT_TYPE", kFixed, 1, nullptr, 0},
    {"CERT_SN", kSelLen1, 0, nullptr, 0},
    {"CERT_SUBJECT", kSubs, 0, kNameFormSubs, RowsBeforeEnd(kNameFormSubs)},
    {"CERT_ISSUER", kSubs, 0, kNameFormSubs, RowsBeforeEnd(kNameFormSubs)},
    {"CERT_KEYTYPE", kFixed, 4, nullptr, 0},
    {"X509S", kSubs, 0, kX509SSubs, RowsBeforeEnd(kX509SSubs)},
    {"X509I", kSubs, 0, kX509ISubs, RowsBeforeEnd(kX509ISubs)},
    {"NAME", kSubs, 0, kNameSubs, RowsBeforeEnd(kNameSubs)},
    {"CERT_SUBJECT_STR", kSubs, 0, kNameFormSubs, RowsBeforeEnd(kNameFormSubs)},
    {"CERT_ISSUER_STR", kSubs, 0, kNameFormSubs, RowsBeforeEnd(kNameFormSubs)},
};

namespace {

// Every fixed length fits the value buffers of the heavy matcher, and every
// subtype table ends with its end row.
constexpr bool TableIsSound() {
  for (const sel_type_nfo& t : sel_nfo) {
    if (t.length > kSelMaxFixed) return false;
    if ((t.flags & kSelHasSubs) == 0) continue;
    if ((t.subs[t.nsubs].flags & kSelSubEnd) == 0) return false;
    for (uint32_t i = 0; i < t.nsubs; ++i) {
      if (t.subs[i].length > kSelMaxFixed || (t.subs[i].flags & kSelSubEnd)) return false;
    }
  }
  return true;
}
static_assert(TableIsSound(), "selector type table");
static_assert(2 * (SEL_NTYPES - 1) + 1 == kSelMaxFirst, "the highest first octet");

}  // namespace

bool sel_span_has_or(SelSpan span) {
  SelElem e;
  for (const uint8_t* p = span.begin; sel_elem_read(p, span.end, &e); p += e.size) {
    if (sel_elem_is_or(e)) return true;
  }
  return false;
}

namespace {

uint64_t PiecesSize(const SelSpan* pieces, int n) {
  uint64_t size = 0;
  for (int i = 0; i < n; ++i) size += pieces[i].size();
  return size;
}

uint8_t* PutPieces(uint8_t* w, const SelSpan* pieces, int n) {
  for (int i = 0; i < n; ++i) {
    if (pieces[i].empty()) continue;
    std::memcpy(w, pieces[i].begin, pieces[i].size());
    w += pieces[i].size();
  }
  return w;
}

}  // namespace

_selector* sel_build(const SelSpan* src, int nsrc, const SelSpan* dst, int ndst, uint32_t flags) {
  const uint64_t slen = PiecesSize(src, nsrc);
  const uint64_t dlen = PiecesSize(dst, ndst);
  if (slen + dlen > UINT32_MAX - sizeof(_selector)) return nullptr;
  auto* out = static_cast<_selector*>(std::malloc(sizeof(_selector) + slen + dlen));
  if (out == nullptr) return nullptr;
  out->slen = static_cast<uint32_t>(slen);
  out->len = static_cast<uint32_t>(slen + dlen);
  out->flags = flags;
  PutPieces(PutPieces(sel_bytes(out), src, nsrc), dst, ndst);
  return out;
}
