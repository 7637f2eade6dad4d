// Selector operations: validation of bad input, iteration and search,
// builders, element removal, parts, matchers' element rules, messages, and
// the certificate fields read out of selectors.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract/x509asn.h"
#include "name/os_defs.h"
#include "name/sel.h"
#include "name/selname.h"
#include "sel_testutil.h"

namespace {

using seltest::Make;
using seltest::MakeRaw;
using seltest::SelPtr;

constexpr unsigned kIp4 = SEL_TAG(SEL_IP_ADDR, SEL_IP4);
constexpr unsigned kIp6 = SEL_TAG(SEL_IP_ADDR, SEL_IP6);
constexpr unsigned kProto = SEL_TAG(SEL_PROTOCOL, 0);
constexpr unsigned kPort = SEL_TAG(SEL_PORT, 0);
constexpr unsigned kSn = SEL_TAG(SEL_CERT_SN, 0);
constexpr unsigned kCn = SEL_TAG(SEL_X509S, SEL_X509_CN);
constexpr unsigned kSha1 = SEL_TAG(SEL_CERT_HASH, SEL_HASH_SHA1);
constexpr unsigned kCertType = SEL_TAG(SEL_CERT_TYPE, 0);

// Runs every operation that reads a selector on s, for input that must
// neither crash nor leak, whatever its octets.
void ExerciseAll(const _selector* s) {
  SelPtr other = Make("06 06 08 0050", "04 00 0A000001");
  sel_match(s, other.get());
  sel_match(other.get(), s);
  sel_revmatch(s, other.get());
  sel_match_light(s, other.get());
  sel_match_light(other.get(), s);
  sel_match_heavy(s, other.get());
  sel_match_heavy(other.get(), s);
  sel_packet p{};
  p.flags = SEL_PKT_SPORT | SEL_PKT_DPORT;
  psel_match(s, &p);
  sel_sa sa{};
  sasel_match(s, &sa);
  _selector *first = nullptr, *rest = nullptr;
  sel_split(s, 3, &first, &rest);
  sel_destroy(first);
  sel_destroy(rest);
  sel_destroy(sel_dtag(s, nullptr));
  sel_destroy(sel_get_half(s, 1));
  sel_destroy(sel_get_half(s, 2));
  sel_destroy(sel_merge(s, s));
  const unsigned char* cursor = nullptr;
  unsigned tag = 0, length = 0;
  const unsigned char* data = nullptr;
  while (sel_getnext(s, &cursor, SEL_M_SRC | SEL_M_DST, &tag, &length, &data)) tag = 0;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  sel_dump(s);
  testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
}

struct CheckCase {
  const char* name;
  uint32_t slen;
  uint32_t len;  // the data below holds exactly len octets
  const char* data;
  int valid;
};

const CheckCase kCheckCases[] = {
    {"empty", 0, 0, "", 1},
    {"empty data but slen set", 3, 0, "", 0},
    {"example selector", 9, 9, "04000A000001 080050", 1},
    {"all in the destination part", 0, 9, "04000A000001 080050", 1},
    {"slen between the two elements", 6, 9, "04000A000001 080050", 1},
    {"slen inside an element", 4, 9, "04000A000001 080050", 0},
    {"slen past len", 10, 9, "04000A000001 080050", 0},
    {"first octet 42", 1, 1, "2A", 0},
    {"first octet FF", 1, 1, "FF", 0},
    {"highest first octet (41) is a type, but no range layout", 4, 4, "2900 0000", 0},
    {"tag without its subtype octet", 1, 1, "04", 0},
    {"subtype past the table", 6, 6, "0404 0A000001", 0},
    {"last X509S subtype (IP) is known", 6, 6, "2018 0A000001", 1},
    {"X509S subtype 13 is the end row", 6, 6, "201A 0A000001", 0},
    {"IP4 value missing", 2, 2, "0400", 0},
    {"IP4 value one octet short", 5, 5, "04000A0000", 0},
    {"IP4 range missing its high value", 6, 6, "05000A000001", 0},
    {"ANY still carries its value", 6, 6, "0401 00000000", 1},
    {"serial number without its length octet", 1, 1, "18", 0},
    {"serial number length lies", 4, 4, "1805 0102", 0},
    {"serial number of length 0", 2, 2, "1800", 1},
    {"serial number range", 4, 4, "1901 0000", 0},
    {"two-octet length cut short", 3, 3, "1A00 01", 0},
    {"two-octet length lies", 5, 5, "1A00 FFFF 00", 0},
    {"X509S_CN range", 5, 5, "210A 0100 41", 0},
    {"X509S_IP range is fixed length", 10, 10, "2118 0A000001 0A0000FF", 1},
    {"valid element then a cut one", 3, 3, "0606 06", 0},
    {"a lone OR", 1, 1, "02", 1},
    {"OR with the range flag", 1, 1, "03", 1},
    {"NULL elements", 2, 2, "0001", 1},
};

TEST(SelCheck, AcceptsExactlyTheWellFormed) {
  for (const CheckCase& c : kCheckCases) {
    SCOPED_TRACE(c.name);
    SelPtr s = MakeRaw(c.slen, c.len, 0, c.data);
    ASSERT_EQ(seltest::FromHex(c.data).size(), c.len);
    EXPECT_EQ(sel_check(s.get()), c.valid);
    ExerciseAll(s.get());
  }
  EXPECT_EQ(sel_check(nullptr), 0);
}

TEST(SelCheck, DeepAlternativesStayLinear) {
  // Thousands of alternatives, each a protocol; every matcher answers.
  std::string many;
  for (int i = 0; i < 3000; ++i) many += i ? " 02 0606" : "0606";
  SelPtr s = Make(many, many, SEL_F_CMPLX);
  ASSERT_EQ(sel_check(s.get()), 1);
  EXPECT_EQ(sel_match(s.get(), s.get()), SEL_MATCH);
  EXPECT_EQ(sel_match_light(s.get(), s.get()), SEL_MATCH);
  EXPECT_EQ(sel_match_heavy(s.get(), s.get()), SEL_MATCH);
  std::string ors(2 * 5000, '0');
  for (size_t i = 1; i < ors.size(); i += 2) ors[i] = '2';
  SelPtr only_or = Make(ors, ors, SEL_F_CMPLX);
  ASSERT_EQ(sel_check(only_or.get()), 1);
  EXPECT_EQ(sel_match_heavy(s.get(), only_or.get()), SEL_NOMATCH);
  ExerciseAll(only_or.get());
}

TEST(SelCheck, HeavyMatcherBoundsItsWork) {
  // Pattern alternatives of staggered ranges in four types against an
  // unconstrained candidate: the pieces multiply with every alternative.
  // An empty last alternative covers everything, so SEL_MATCH is the answer
  // while the work stays bounded; past the bound the matcher stops with
  // SEL_NOMEM instead of running on.
  struct Size {
    int alternatives;
    int expected;
  };
  for (const Size& size : {Size{20, SEL_MATCH}, Size{40, SEL_NOMEM}}) {
    std::string src;
    char buf[64];
    for (int i = 0; i < size.alternatives; ++i) {
      std::snprintf(buf, sizeof buf, "%s07 %02X %02X 09 %04X %04X 0B %02X %02X 0D %02X %02X",
                    i ? " 02 " : "", i, 255 - i, 3 * i, 65535 - 5 * i, (7 * i) % 200,
                    (7 * i) % 200 + 50, (11 * i) % 100, (11 * i) % 100 + 100);
      src += buf;
    }
    src += " 02";
    SelPtr a = Make(src, "", SEL_F_CMPLX);
    ASSERT_EQ(sel_check(a.get()), 1);
    SelPtr b = Make("");
    EXPECT_EQ(sel_match_heavy(a.get(), b.get()), size.expected) << size.alternatives;
  }
}

TEST(SelIterate, WalksPartsAndStopsWhereAsked) {
  SelPtr s = Make("0606 02 0611", "080050");
  struct Walk {
    unsigned mode;
    std::vector<unsigned> tags;
  };
  const Walk walks[] = {
      {SEL_M_SRC, {0x06, 0x02, 0x06}},
      {SEL_M_DST, {0x08}},
      {SEL_M_SRC | SEL_M_DST, {0x06, 0x02, 0x06, 0x08}},
      {SEL_M_SRC | SEL_M_STOPOR, {0x06}},
  };
  for (const Walk& w : walks) {
    SCOPED_TRACE(w.mode);
    const unsigned char* cursor = nullptr;
    std::vector<unsigned> got;
    unsigned tag = 0;
    while (sel_getnext(s.get(), &cursor, w.mode, &tag, nullptr, nullptr)) {
      got.push_back(tag);
      tag = 0;
    }
    EXPECT_EQ(got, w.tags);
  }
  // The stop leaves the cursor on the OR.
  const unsigned char* cursor = nullptr;
  unsigned tag = 0;
  sel_getnext(s.get(), &cursor, SEL_M_SRC | SEL_M_STOPOR, &tag, nullptr, nullptr);
  tag = 0;
  EXPECT_EQ(sel_getnext(s.get(), &cursor, SEL_M_SRC | SEL_M_STOPOR, &tag, nullptr, nullptr), 0);
  EXPECT_EQ(cursor, seltest::Data(s.get()) + 2);
  EXPECT_EQ(*cursor, 0x02);
  // A cursor outside the data is refused.
  const unsigned char* outside = seltest::Data(s.get()) + 100;
  EXPECT_EQ(sel_getnext(s.get(), &outside, SEL_M_SRC, &tag, nullptr, nullptr), 0);
}

TEST(SelIterate, TagSearchMasks) {
  // IP4 single, IP4 ANY, IP4 range, IP6 single.
  SelPtr s = Make(
      "0400 0A000001  0401 00000000  0500 0A000000 0A0000FF  0402 "
      "00000000000000000000000000000001");
  struct Search {
    unsigned mode;
    unsigned tag;
    std::vector<unsigned> found;
  };
  const Search searches[] = {
      {0, kIp4, {0x0004, 0x0104, 0x0005, 0x0204}},
      {SEL_M_SUBTYPE, kIp6, {0x0204}},
      {SEL_M_SUBTYPE, kIp4, {0x0004, 0x0104, 0x0005}},
      {SEL_M_RANGE, kIp4 | SEL_TAG_RANGE, {0x0005}},
      {SEL_M_RANGE, kIp4, {0x0004, 0x0104, 0x0204}},
      {SEL_M_SUBTYPE | SEL_M_RANGE, kIp4 | SEL_TAG_ANY, {0x0104}},
      {SEL_M_SUBTYPE | SEL_M_RANGE, kIp4, {0x0004}},
      {0, kPort, {}},
  };
  for (const Search& q : searches) {
    SCOPED_TRACE(testing::Message() << "mode " << q.mode << " tag " << q.tag);
    const unsigned char* cursor = nullptr;
    std::vector<unsigned> found;
    unsigned tag = q.tag, length = 0;
    const unsigned char* data = nullptr;
    while (sel_getnext(s.get(), &cursor, SEL_M_SRC | q.mode, &tag, &length, &data)) {
      found.push_back(tag);
      EXPECT_EQ(length, (tag & 1) ? 8u : (tag == 0x0204 ? 16u : 4u));
      EXPECT_EQ(data, cursor - length);
      tag = q.tag;
    }
    EXPECT_EQ(found, q.found);
  }
}

TEST(SelIterate, InsertionPosition) {
  SelPtr s = Make("0606 080050 0801BB 0A08", "0606");
  struct Pos {
    unsigned mode;
    unsigned tag;
    size_t offset;  // from the data start
    unsigned before;
  };
  const Pos cases[] = {
      {SEL_M_SRC, kIp4, 0, 0},           // IP_ADDR goes first
      {SEL_M_SRC, kProto, 2, 0x06},      // after the protocol
      {SEL_M_SRC, kPort | 1, 8, 0x08},   // after both ports, the range flag ignored
      {SEL_M_SRC, SEL_TAG(SEL_CERT_SN, 0), 10, 0x0A},
      {SEL_M_DST, kPort, 12, 0x06},
  };
  for (const Pos& c : cases) {
    SCOPED_TRACE(c.tag);
    const unsigned char* cursor = nullptr;
    unsigned tag = c.tag;
    ASSERT_EQ(sel_getnext(s.get(), &cursor, c.mode | SEL_M_INSPOS, &tag, nullptr, nullptr), 1);
    EXPECT_EQ(cursor, seltest::Data(s.get()) + c.offset);
    EXPECT_EQ(tag, c.before);
  }
}

TEST(SelIterate, ComplexSelectorsAreRefusedWithAWarning) {
  SelPtr s = Make("0606 02 0611", "", SEL_F_CMPLX);
  const unsigned char* cursor = nullptr;
  unsigned tag = kPort;
  testing::internal::CaptureStderr();
  EXPECT_EQ(sel_getnext(s.get(), &cursor, SEL_M_SRC | SEL_M_INSPOS, &tag, nullptr, nullptr), 0);
  EXPECT_EQ(sel_insert(s.get(), kPort, unsigned{htons(80)}, 0, 0), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "WARN: sel_getnext: complex selector as input\n"
            "WARN: sel_insert: complex selector as input\n");
}

TEST(SelBuild, ValuesOfEveryArgumentForm) {
  const unsigned char serial[] = {0x01, 0x02, 0x03};
  const char cn[] = "Alice";
  unsigned char sha1[20];
  for (int i = 0; i < 20; ++i) sha1[i] = static_cast<unsigned char>(i);
  unsigned char ip6_lo[16] = {0x20, 0x01}, ip6_hi[16] = {0x20, 0x02};
  SelPtr s(sel_insert(nullptr, kSn, 3u, serial, kCn, 5u, cn, kSha1, sha1,
                      kIp6 | SEL_TAG_RANGE, ip6_lo, ip6_hi, kIp4 | SEL_TAG_ANY, 0u, 0,
                      kCertType, 1u, 0));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(sel_check(s.get()), 1);
  EXPECT_EQ(seltest::SrcHex(s.get()),
            seltest::Norm("0502 20010000000000000000000000000000 20020000000000000000000000000000"
                          "0401 00000000"
                          "1402 000102030405060708090A0B0C0D0E0F10111213"
                          "18 03 010203"
                          "200A 0500 416C696365"));
  EXPECT_EQ(seltest::DstHex(s.get()), "1601");
}

TEST(SelBuild, RefusedArguments) {
  const unsigned char v[300] = {};
  struct Refusal {
    const char* name;
    _selector* (*build)(const unsigned char*);
  };
  const Refusal refusals[] = {
      {"OR in an insertion", [](const unsigned char*) { return sel_insert(nullptr, 2u, 0, 0); }},
      {"unknown first octet", [](const unsigned char*) { return sel_insert(nullptr, 42u, 1u, 0, 0); }},
      {"unknown subtype",
       [](const unsigned char*) { return sel_insert(nullptr, SEL_TAG(SEL_IP_ADDR, 2), 1u, 0, 0); }},
      {"subtype octet on a plain type",
       [](const unsigned char*) { return sel_insert(nullptr, kPort | 0x200, 80u, 0, 0); }},
      {"NULL element", [](const unsigned char*) { return sel_insert(nullptr, 1u, 0, 0); }},
      {"variable-length range",
       [](const unsigned char* p) { return sel_insert(nullptr, kSn | SEL_TAG_RANGE, 1u, p, p, 0, 0); }},
      {"one-octet length over 255",
       [](const unsigned char* p) { return sel_insert(nullptr, kSn, 256u, p, 0, 0); }},
      {"null value pointer",
       [](const unsigned char*) { return sel_insert(nullptr, kSha1, nullptr, 0, 0); }},
      {"append: OR with the range flag",
       [](const unsigned char*) { return sel_append(nullptr, 3u, 0, 0); }},
      {"append: variable-length range",
       [](const unsigned char* p) { return sel_append(nullptr, 0, kCn | SEL_TAG_RANGE, 1u, p, p, 0); }},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    testing::internal::CaptureStderr();
    _selector* s = r.build(v);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s, nullptr);
    sel_destroy(s);
    EXPECT_EQ(err.compare(0, 6, "WARN: "), 0) << err;
  }
}

TEST(SelBuild, InsertLeavesTheInputAndPlainCopies) {
  SelPtr s = Make("0606", "080050");
  SelPtr copy(sel_insert(s.get(), 0, 0));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(sel_trivial_cmp(copy.get(), s.get()), 1);
  SelPtr more(sel_insert(s.get(), kPort, unsigned{htons(22)}, 0, kIp4, htonl(0x7F000001), 0));
  ASSERT_NE(more, nullptr);
  EXPECT_EQ(seltest::SrcHex(more.get()), "0606080016");
  EXPECT_EQ(seltest::DstHex(more.get()), "04007F000001080050");
  EXPECT_EQ(seltest::SrcHex(s.get()), "0606");  // input untouched
  SelPtr empty(sel_insert(nullptr, 0, 0));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->len, 0u);
}

TEST(SelBuild, AppendPutsEachGroupAtTheEndOfItsPart) {
  SelPtr s = Make("081122", "0606", SEL_F_TAGREPS);
  SelPtr out(sel_append(s.get(), kProto, 1u, 0, 2u, kProto, 17u, 0));
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(seltest::SrcHex(out.get()), "0811220601");
  EXPECT_EQ(seltest::DstHex(out.get()), "0606020611");
  EXPECT_EQ(out->flags, SEL_F_TAGREPS | SEL_F_CMPLX);
  EXPECT_EQ(sel_check(out.get()), 1);
}

TEST(SelDtag, RemovesOneElement) {
  SelPtr s = Make("0606 02 1802 AABB", "080050 0611", SEL_F_CMPLX);
  const uint8_t* d = seltest::Data(s.get());
  struct Removal {
    const char* name;
    const unsigned char* element;
    const char* src;
    const char* dst;
    uint32_t flags;
  };
  const Removal cases[] = {
      {"null: the first element", nullptr, "02 1802AABB", "080050 0611", SEL_F_CMPLX},
      {"the only OR clears CMPLX", d + 2, "0606 1802AABB", "080050 0611", 0},
      {"by its value position", d + 5, "0606 02", "080050 0611", SEL_F_CMPLX},
      {"from the destination part", d + 7, "0606 02 1802AABB", "0611", SEL_F_CMPLX},
  };
  for (const Removal& r : cases) {
    SCOPED_TRACE(r.name);
    SelPtr out(sel_dtag(s.get(), r.element));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(seltest::SrcHex(out.get()), seltest::Norm(r.src));
    EXPECT_EQ(seltest::DstHex(out.get()), seltest::Norm(r.dst));
    EXPECT_EQ(out->flags, r.flags);
  }
  EXPECT_EQ(sel_dtag(s.get(), d + s->len), nullptr);  // past the last element
  SelPtr empty = Make("");
  EXPECT_EQ(sel_dtag(empty.get(), nullptr), nullptr);
}

TEST(SelParts, Split) {
  struct SplitCase {
    const char* name;
    const char* src;
    const char* dst;
    int which;
    const char* first_src;  // null: both outputs null
    const char* first_dst;
    const char* rest_src;
    const char* rest_dst;
    uint32_t rest_flags;
  };
  const SplitCase cases[] = {
      {"source only", "0606 02 0611 02 0601", "0601 02 0602", 1, "0606", "", "0611 02 0601",
       "0601 02 0602", SEL_F_CMPLX},
      {"destination only", "0606 02 0611", "0601 02 0602", 2, "", "0601", "0606 02 0611", "0602",
       SEL_F_CMPLX},
      {"both parts", "0606 02 0611", "0601 02 0602", 3, "0606", "0601", "0611", "0602", 0},
      {"a trailing OR goes to neither", "0606 02", "", 1, "0606", "", "", "", 0},
      {"a lone OR", "02", "", 1, "", "", "", "", 0},
      {"nothing to split", "0606", "0601 02 0602", 1, nullptr, nullptr, nullptr, nullptr, 0},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    SelPtr s = Make(c.src, c.dst, SEL_F_CMPLX | SEL_F_TAGREPS);
    ASSERT_EQ(sel_check(s.get()), 1);
    _selector *first = nullptr, *rest = nullptr;
    ASSERT_EQ(sel_split(s.get(), c.which, &first, &rest), 1);
    SelPtr f(first), r(rest);
    if (c.first_src == nullptr) {
      EXPECT_EQ(f, nullptr);
      EXPECT_EQ(r, nullptr);
      continue;
    }
    ASSERT_NE(f, nullptr);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(seltest::SrcHex(f.get()), seltest::Norm(c.first_src));
    EXPECT_EQ(seltest::DstHex(f.get()), seltest::Norm(c.first_dst));
    EXPECT_EQ(seltest::SrcHex(r.get()), seltest::Norm(c.rest_src));
    EXPECT_EQ(seltest::DstHex(r.get()), seltest::Norm(c.rest_dst));
    EXPECT_EQ(f->flags, SEL_F_TAGREPS);
    EXPECT_EQ(r->flags, c.rest_flags | SEL_F_TAGREPS);
  }
  EXPECT_EQ(sel_split(nullptr, 3, nullptr, nullptr), 0);
}

TEST(SelParts, SplittingUntilDoneEnds) {
  // Taking the first alternative off again and again ends, also with
  // empty alternatives and trailing separators.
  SelPtr s = Make("02 02 0606 02 02", "", SEL_F_CMPLX);
  int pieces = 0;
  while (s != nullptr && pieces < 100) {
    _selector *first = nullptr, *rest = nullptr;
    ASSERT_EQ(sel_split(s.get(), 1, &first, &rest), 1);
    sel_destroy(first);
    s.reset(rest);
    ++pieces;
  }
  EXPECT_EQ(pieces, 5);
}

TEST(SelParts, MergeHalvesAndEmptiness) {
  SelPtr a = Make("0606", ""), b = Make("", "0611", SEL_F_TAGREPS);
  SelPtr merged(sel_merge(a.get(), b.get()));
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(seltest::SrcHex(merged.get()), "0606");
  EXPECT_EQ(seltest::DstHex(merged.get()), "0611");
  EXPECT_EQ(merged->flags, SEL_F_TAGREPS);  // nothing joined: no OR

  SelPtr s = Make("0606 02 0611", "080050", SEL_F_CMPLX | SEL_F_TAGREPS);
  SelPtr src(sel_get_half(s.get(), 1)), dst(sel_get_half(s.get(), 2));
  ASSERT_NE(src, nullptr);
  ASSERT_NE(dst, nullptr);
  EXPECT_EQ(seltest::SrcHex(src.get()), "0606020611");
  EXPECT_EQ(src->flags, SEL_F_CMPLX);
  EXPECT_EQ(seltest::SrcHex(dst.get()), "080050");
  EXPECT_EQ(dst->len, dst->slen);
  EXPECT_EQ(dst->flags, SEL_F_TAGREPS);  // old flags, no OR in this half
  EXPECT_EQ(sel_get_half(s.get(), 3), nullptr);
  EXPECT_EQ(sel_get_half(s.get(), 0), nullptr);

  EXPECT_EQ(sel_is_empty(Make("").get()), 1);
  EXPECT_EQ(sel_is_empty(Make("02 03", "02").get()), 1);
  EXPECT_EQ(sel_is_empty(s.get()), 0);
  EXPECT_EQ(sel_is_empty(nullptr), 1);
  SelPtr copy(sel_duplicate(s.get()));
  EXPECT_EQ(sel_trivial_cmp(copy.get(), s.get()), 1);
  copy->flags = 0;
  EXPECT_EQ(sel_trivial_cmp(copy.get(), s.get()), 0);
  SelPtr fresh(sel_duplicate(nullptr));
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->len + fresh->slen + fresh->flags, 0u);
}

struct ElemRule {
  const char* name;
  const char* pattern;
  const char* candidate;
  int match;
  int light;
  int heavy;
};

TEST(SelMatch, ElementRules) {
  const ElemRule rules[] = {
      {"ANY pattern covers any IP4", "0401 00000000", "0400 C0A80101", SEL_MATCH, SEL_MATCH,
       SEL_MATCH},
      {"ANY candidate is not one address", "0400 00000000", "0401 00000000", SEL_NOMATCH,
       SEL_NOMATCH, SEL_NOMATCH},
      {"ANY candidate inside the full range", "0500 00000000 FFFFFFFF", "0401 12345678",
       SEL_MATCH, SEL_MATCH, SEL_MATCH},
      {"subtypes must agree", "0400 0A000001", "0402 0A000001000000000000000000000000",
       SEL_NOMATCH, SEL_NOMATCH, SEL_NOMATCH},
      {"serial numbers by octets", "1802 AABB", "1802 AABB", SEL_MATCH, SEL_MATCH, SEL_MATCH},
      {"serial numbers of other length", "1802 AABB", "1803 AABB00", SEL_NOMATCH, SEL_NOMATCH,
       SEL_NOMATCH},
      {"light compares the candidate's first port only", "080050", "080050 080051", SEL_NOMATCH,
       SEL_MATCH, SEL_NOMATCH},
      {"two pattern ports, either one", "080050 080051", "080051", SEL_MATCH, SEL_MATCH,
       SEL_MATCH},
      {"single range of one value", "0606", "07 06 06", SEL_MATCH, SEL_MATCH, SEL_MATCH},
      {"a reversed pattern range covers nothing", "07 06 05", "0606", SEL_NOMATCH, SEL_NOMATCH,
       SEL_NOMATCH},
      {"a reversed candidate range holds nothing", "0606", "07 09 01", SEL_MATCH, SEL_MATCH,
       SEL_MATCH},
      {"an empty pattern alternative matches all", "0606 02", "0611", SEL_MATCH, SEL_MATCH,
       SEL_MATCH},
      {"a name wildcard covers every name", "1A01 0000", "1A00 0200 3041", SEL_MATCH, SEL_MATCH,
       SEL_MATCH},
      {"a concrete name does not cover the wildcard", "1A00 0200 3041", "1A01 0000",
       SEL_NOMATCH, SEL_NOMATCH, SEL_NOMATCH},
  };
  for (const ElemRule& r : rules) {
    SCOPED_TRACE(r.name);
    SelPtr a = Make(r.pattern), b = Make(r.candidate);
    ASSERT_EQ(sel_check(a.get()), 1);
    ASSERT_EQ(sel_check(b.get()), 1);
    EXPECT_EQ(sel_match(a.get(), b.get()), r.match);
    EXPECT_EQ(sel_match_light(a.get(), b.get()), r.light);
    EXPECT_EQ(sel_match_heavy(a.get(), b.get()), r.heavy);
  }
}

TEST(SelMatch, ReverseDirection) {
  SelPtr rule = Make("080050", "0801BB");
  SelPtr reply = Make("0801BB", "080050");
  EXPECT_EQ(sel_match(rule.get(), reply.get()), SEL_NOMATCH);
  EXPECT_EQ(sel_revmatch(rule.get(), reply.get()), SEL_MATCH);
  EXPECT_EQ(sel_revmatch(rule.get(), rule.get()), SEL_NOMATCH);
}

TEST(SelMatch, AssociationRecords) {
  // 10.0.0.0-10.0.0.255 and TCP from any port to 443.
  SelPtr rule = Make("0500 0A000000 0A0000FF 0606", "0801BB");
  struct SaCase {
    const char* name;
    uint8_t flags;
    uint32_t lo, hi;
    uint16_t dport;
    int expected;
  };
  const SaCase cases[] = {
      {"range inside the rule", SEL_SA_PROTO | SEL_SA_DPORT, 0x0A000010, 0x0A000020, 443,
       SEL_MATCH},
      {"range reaching outside", SEL_SA_PROTO | SEL_SA_DPORT, 0x0A000010, 0x0A000100, 443,
       SEL_NOMATCH},
      {"protocol not carried", SEL_SA_DPORT, 0x0A000010, 0x0A000020, 443, SEL_UNDETERMINED},
      {"port not carried", SEL_SA_PROTO, 0x0A000010, 0x0A000020, 443, SEL_UNDETERMINED},
      {"other port", SEL_SA_PROTO | SEL_SA_DPORT, 0x0A000010, 0x0A000020, 80, SEL_NOMATCH},
  };
  for (const SaCase& c : cases) {
    SCOPED_TRACE(c.name);
    sel_sa sa{};
    sa.flags = c.flags;
    sa.protocol = 6;
    sa.saddr_lo = c.lo;
    sa.saddr_hi = c.hi;
    sa.dport = c.dport;
    EXPECT_EQ(sasel_match(rule.get(), &sa), c.expected);
  }
  // A single address element holds only a one-address range.
  SelPtr host = Make("0400 0A000005");
  sel_sa one{};
  one.saddr_lo = one.saddr_hi = 0x0A000005;
  EXPECT_EQ(sasel_match(host.get(), &one), SEL_MATCH);
  one.saddr_hi = 0x0A000006;
  EXPECT_EQ(sasel_match(host.get(), &one), SEL_NOMATCH);
  EXPECT_EQ(sasel_match(host.get(), nullptr), SEL_NOMATCH);
  EXPECT_EQ(psel_match(nullptr, nullptr), SEL_MATCH);
}

TEST(SelMatch, PacketRulesOfOtherTypesFail) {
  // Only addresses, protocol and ports can be judged from a packet.
  sel_packet p{};
  p.protocol = 1;
  EXPECT_EQ(psel_match(Make("0A08").get(), &p), SEL_NOMATCH);                        // ICMP type
  EXPECT_EQ(psel_match(Make("0A08 02 0601").get(), &p), SEL_MATCH);                  // or ICMP
  EXPECT_EQ(psel_match(Make("0402 00000000000000000000000000000000").get(), &p), SEL_NOMATCH);
  EXPECT_EQ(psel_match(Make("02 0A08").get(), &p), SEL_MATCH);  // empty first alternative
}

TEST(SelMessages, LevelsAndStreams) {
  struct Level {
    int level;
    const char* out;
    const char* err;
  };
  const Level levels[] = {
      {0, "text 1", "\n"},
      {1, "", "NOTE: text 1\n"},
      {2, "", "WARN: text 1\n"},
      {7, "text 1", "\n"},
  };
  for (const Level& l : levels) {
    SCOPED_TRACE(l.level);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    os_defs_error(l.level, "text %d", 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), l.err);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), l.out);
  }
}

TEST(SelMessagesDeathTest, PanicStopsTheProcess) {
  EXPECT_DEATH(os_defs_error(3, "stop %s", "here"), "PANIC: stop here");
}

TEST(SelName, TypeAndSerialFromTheSourcePart) {
  SelPtr s = Make("0606 1603 1803 010203 1804 09090909", "1601");
  unsigned type = 0;
  EXPECT_EQ(sel_get_type(s.get(), &type), 0);
  EXPECT_EQ(type, 3u);
  Buffer sn;
  init_buffer(&sn);
  ASSERT_EQ(sel_get_sn(s.get(), &sn), 0);
  EXPECT_EQ(seltest::ToHex(sn.data, sn.len), "010203");
  release_buffer(&sn);

  SelPtr range = Make("17 02 05");
  EXPECT_EQ(sel_get_type(range.get(), &type), 0);
  EXPECT_EQ(type, 2u);

  SelPtr dst_only = Make("0606", "1601 1801 01");
  type = 99;
  EXPECT_EQ(sel_get_type(dst_only.get(), &type), SEL_ERR_ABSENT);
  EXPECT_EQ(type, 99u);
  EXPECT_EQ(sel_get_sn(dst_only.get(), &sn), SEL_ERR_ABSENT);
  EXPECT_EQ(sel_get_type(nullptr, &type), SEL_ERR_ARG);
  EXPECT_EQ(sel_get_type(s.get(), nullptr), SEL_ERR_ARG);
  EXPECT_EQ(sel_get_sn(nullptr, &sn), SEL_ERR_ARG);
  EXPECT_EQ(sel_get_sn(s.get(), nullptr), SEL_ERR_ARG);

  SelPtr empty_sn = Make("1800");
  ASSERT_EQ(sel_get_sn(empty_sn.get(), &sn), 0);
  EXPECT_EQ(sn.len, 0u);
  release_buffer(&sn);
}

}  // namespace
