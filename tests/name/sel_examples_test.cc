// The documented examples of the selector format and its operations, as
// tables: built selectors and their octets, matcher results, packets.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <functional>

#include "name/sel.h"
#include "sel_testutil.h"

namespace {

using seltest::Make;
using seltest::SelPtr;

constexpr unsigned kIp4 = SEL_TAG(SEL_IP_ADDR, SEL_IP4);
constexpr unsigned kProto = SEL_TAG(SEL_PROTOCOL, 0);
constexpr unsigned kPort = SEL_TAG(SEL_PORT, 0);

// 10.0.0.1 and port 80 in the source part, nothing in the destination.
SelPtr ExampleSelector() {
  return SelPtr(sel_insert(nullptr, kIp4, htonl(0x0A000001), kPort, unsigned{htons(80)}, 0, 0));
}

struct BuildCase {
  const char* name;
  std::function<SelPtr()> build;
  const char* src_hex;
  const char* dst_hex;
  uint32_t flags;
};

const BuildCase kBuildCases[] = {
    {"example selector: IP4 10.0.0.1 and port 80", ExampleSelector, "04000A000001080050", "", 0},
    {"port range 1024-65535",
     [] {
       return SelPtr(sel_insert(nullptr, kPort | SEL_TAG_RANGE, unsigned{htons(1024)},
                                unsigned{htons(65535)}, 0, 0));
     },
     "090400FFFF", "", 0},
    {"two ports keep their insertion order and set TAGREPS",
     [] {
       return SelPtr(
           sel_insert(nullptr, kPort, unsigned{htons(80)}, kPort, unsigned{htons(443)}, 0, 0));
     },
     "0800500801BB", "", SEL_F_TAGREPS},
    {"a protocol inserted later goes before the ports",
     [] {
       SelPtr ports(
           sel_insert(nullptr, kPort, unsigned{htons(80)}, kPort, unsigned{htons(443)}, 0, 0));
       return SelPtr(sel_insert(ports.get(), kProto, 6u, 0, 0));
     },
     "06060800500801BB", "", SEL_F_TAGREPS},
    {"the destination group goes to the destination part",
     [] { return SelPtr(sel_insert(nullptr, 0, kPort, unsigned{htons(80)}, 0)); }, "", "080050",
     0},
    {"merge of two sources puts one OR between them",
     [] {
       SelPtr a = Make("0606"), b = Make("0611");
       return SelPtr(sel_merge(a.get(), b.get()));
     },
     "06060206 11", "", SEL_F_CMPLX},
    {"append keeps the given order and an OR sets CMPLX",
     [] {
       return SelPtr(sel_append(nullptr, kPort, unsigned{htons(443)}, 2u, kProto, 6u, 0, 0));
     },
     "0801BB020606", "", SEL_F_CMPLX},
};

TEST(SelExamples, BuiltSelectors) {
  for (const BuildCase& c : kBuildCases) {
    SCOPED_TRACE(c.name);
    SelPtr s = c.build();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(seltest::SrcHex(s.get()), seltest::Norm(c.src_hex));
    EXPECT_EQ(seltest::DstHex(s.get()), seltest::Norm(c.dst_hex));
    EXPECT_EQ(s->flags, c.flags);
    EXPECT_EQ(sel_check(s.get()), 1);
  }
}

TEST(SelExamples, ExampleHeaderWords) {
  SelPtr s = ExampleSelector();
  EXPECT_EQ(s->slen, 9u);
  EXPECT_EQ(s->len, 9u);
  EXPECT_EQ(s->flags, 0u);
}

// The dump's text on standard output; each message's line end goes to
// standard error, so the entry header and its hex line share a line.
TEST(SelExamples, DumpText) {
  SelPtr s = ExampleSelector();
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  sel_dump(s.get());
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "flags =  (0x0), slen = 0x9, dlen = 0x0\n"
            "SRC\n"
            " IP_ADDR/IP4 (4):0A000001\n"
            " PORT (8):0050\n"
            "DST\n");
  EXPECT_EQ(err, std::string(7, '\n'));
}

TEST(SelExamples, DumpFlagNamesAndLongValues) {
  // Both flags, a destination SHA-1 hash of 20 octets over two hex lines.
  SelPtr s = Make("06060606", "1402000102030405060708090A0B0C0D0E0F10111213",
                  SEL_F_TAGREPS | SEL_F_CMPLX);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  sel_dump(s.get());
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "flags = TAGREPS, CMPLX (0x3), slen = 0x4, dlen = 0x16\n"
            "SRC\n"
            " PROTOCOL (6):06\n"
            " PROTOCOL (6):06\n"
            "DST\n"
            " CERT_HASH/SHA1 (214):000102030405060708090A0B0C0D0E0F\n"
            "10111213\n");
}

struct MatchCase {
  const char* name;
  const char* pattern_src;
  const char* pattern_dst;
  const char* candidate_src;
  const char* candidate_dst;
  int match;  // sel_match
  int heavy;  // sel_match_heavy
};

const MatchCase kMatchCases[] = {
    {"empty pattern matches everything", "", "", "04000A000001080050", "", SEL_MATCH, SEL_MATCH},
    {"empty candidate against a rule", "04000A000001080050", "", "", "", SEL_UNDETERMINED,
     SEL_NOMATCH},
    {"ports 1-10 OR 11-20 against 5-15", "09 0001 000A 02 09 000B 0014", "", "09 0005 000F", "",
     SEL_NOMATCH, SEL_MATCH},
    {"a protocol the candidate does not mention", "0606", "", "080050", "", SEL_UNDETERMINED,
     SEL_NOMATCH},
    {"a range holds a single value", "05 00 0A000000 0A0000FF", "", "04 00 0A000005", "",
     SEL_MATCH, SEL_MATCH},
    {"a single value is not a range", "04 00 0A000005", "", "05 00 0A000000 0A0000FF", "",
     SEL_NOMATCH, SEL_NOMATCH},
    {"the candidate's extra conditions do not matter", "0606", "", "0606 080050", "", SEL_MATCH,
     SEL_MATCH},
    {"the destination part is compared too", "", "080050", "", "080051", SEL_NOMATCH,
     SEL_NOMATCH},
};

TEST(SelExamples, MatchResults) {
  for (const MatchCase& c : kMatchCases) {
    SCOPED_TRACE(c.name);
    SelPtr a = Make(c.pattern_src, c.pattern_dst), b = Make(c.candidate_src, c.candidate_dst);
    ASSERT_EQ(sel_check(a.get()), 1);
    ASSERT_EQ(sel_check(b.get()), 1);
    EXPECT_EQ(sel_match(a.get(), b.get()), c.match);
    EXPECT_EQ(sel_match_heavy(a.get(), b.get()), c.heavy);
  }
}

struct PacketCase {
  const char* name;
  uint8_t flags;
  uint16_t sport;
  int expected;
};

TEST(SelExamples, PortRuleAgainstPackets) {
  const PacketCase cases[] = {
      {"source port not valid", 0, 80, SEL_UNDETERMINED},
      {"source port 80", SEL_PKT_SPORT, 80, SEL_MATCH},
      {"source port 81", SEL_PKT_SPORT, 81, SEL_NOMATCH},
      {"only the destination port valid", SEL_PKT_DPORT, 80, SEL_UNDETERMINED},
  };
  SelPtr rule = Make("080050");
  for (const PacketCase& c : cases) {
    SCOPED_TRACE(c.name);
    sel_packet p{};
    p.flags = c.flags;
    p.protocol = 6;
    p.sport = c.sport;
    p.dport = 80;
    EXPECT_EQ(psel_match(rule.get(), &p), c.expected);
  }
}

TEST(SelExamples, MergeThenSplitGivesTheSourcesBack) {
  SelPtr a = Make("0606 080050"), b = Make("0611");
  SelPtr merged(sel_merge(a.get(), b.get()));
  ASSERT_NE(merged, nullptr);
  _selector* first = nullptr;
  _selector* rest = nullptr;
  ASSERT_EQ(sel_split(merged.get(), 1, &first, &rest), 1);
  SelPtr f(first), r(rest);
  ASSERT_NE(f, nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(sel_trivial_cmp(f.get(), a.get()), 1);
  EXPECT_EQ(sel_trivial_cmp(r.get(), b.get()), 1);
}

TEST(SelExamples, SwapTwiceRestores) {
  SelPtr s = Make("04000A000001 080050", "0606 09 0400 FFFF", SEL_F_TAGREPS);
  SelPtr copy(sel_duplicate(s.get()));
  EXPECT_EQ(sel_swap(s.get()), 7u);
  EXPECT_EQ(seltest::SrcHex(s.get()), "0606090400FFFF");
  EXPECT_EQ(seltest::DstHex(s.get()), "04000A000001080050");
  EXPECT_EQ(sel_swap(s.get()), 9u);
  EXPECT_EQ(sel_trivial_cmp(s.get(), copy.get()), 1);
}

TEST(SelExamples, CheckRejectsUnknownTypeAndValuePastTheEnd) {
  EXPECT_EQ(sel_check(Make("2A").get()), 0);          // first octet 42
  EXPECT_EQ(sel_check(Make("04000A0000").get()), 0);  // IP4 value one octet short
  EXPECT_EQ(sel_check(Make("2900 0000").get()), 0);   // CERT_ISSUER_STR range: no layout
  EXPECT_EQ(sel_check(Make("28 00 0100 41").get()), 1);
}

}  // namespace
