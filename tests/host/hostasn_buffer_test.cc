// The buffer object of the host's ASN.1 type service: the read cursor, the
// prepending writers (headers checked against OpenSSL's ASN1_put_object) and
// the header readers over well-formed and hostile octets.
#include <openssl/asn1.h>

#include <cstdio>
#include <string>

#include "host/hostasn_testutil.h"

namespace asntest {
namespace {

class AsnBufferTest : public AsnTest {};

TEST_F(AsnBufferTest, CursorMovesWithinTheOctetsOnly) {
  auto b = Buf({0x10, 0x20, 0x30, 0x40});
  EXPECT_EQ(b->len(), 4u);
  EXPECT_EQ(b->datap(), b->base());
  EXPECT_EQ(*b >> 3, kAsnOk);
  EXPECT_EQ(b->len_of_datap(), 1u);
  EXPECT_EQ((*b)[0], 0x40);
  EXPECT_EQ((*b)[1], 0);  // beyond the end
  EXPECT_EQ(*b >> 2, kAsnTruncated);  // refused, cursor kept
  EXPECT_EQ(b->len_of_datap(), 1u);
  EXPECT_EQ(*b << 4, kAsnBadArgument);  // before the first octet
  EXPECT_EQ(b->retreat(2), kAsnOk);
  EXPECT_EQ((*b)[0], 0x20);
  EXPECT_EQ(b->shift(1), kAsnOk);
  EXPECT_EQ(Octets(b), (Bytes{0x30, 0x40}));
  EXPECT_EQ(b->reset(), kAsnOk);
  EXPECT_EQ(b->len_of_datap(), 4u);
  EXPECT_EQ(b->set(nullptr, 1), kAsnBadArgument);
  EXPECT_EQ(b->len(), 4u);
}

TEST_F(AsnBufferTest, EqualityAndCloneSeeTheUnreadOctets) {
  auto a = Buf({0x01, 0x02, 0x03});
  auto b = Buf({0x02, 0x03});
  EXPECT_FALSE(*a == *b);
  *a >> 1;
  EXPECT_TRUE(*a == *b);
  Own<CMN_ASN_Buf_Interface> c(a->clone());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->len(), 3u);
  EXPECT_EQ(Octets(c), (Bytes{0x02, 0x03}));  // the cursor is copied too
  EXPECT_NE(c->base(), a->base());             // and the octets
  EXPECT_EQ(a->init(3), kAsnOk);
  EXPECT_EQ(Octets(a), (Bytes{0, 0, 0}));
  EXPECT_EQ(Octets(c), (Bytes{0x02, 0x03}));
}

TEST_F(AsnBufferTest, HeadersPrependedAsOpenSSLWritesThem) {
  struct Case {
    unsigned number;
    unsigned char flag;
    unsigned len;
  } cases[] = {
      {2, 0x00, 0},          {16, 0x20, 3},        {17, 0x20, 127},     {4, 0x00, 128},
      {0, 0xA0, 255},        {1, 0x80, 256},       {30, 0x40, 65535},   {3, 0x00, 65536},
      {5, 0xC0, 0x1000000},  {12, 0x20, 0xFFFFFFFE},
  };
  for (const Case& c : cases) {
    auto b = Make<CMN_ASN_Buf_Interface>(kKindBuffer);
    ASSERT_EQ(b->putLen(c.len), kAsnOk);
    ASSERT_EQ(b->putTag(c.number, c.flag), kAsnOk);
    unsigned char want[16];
    unsigned char* p = want;
    ASN1_put_object(&p, (c.flag & 0x20) != 0, static_cast<int>(c.len > 0x7FFFFFFF ? 0 : c.len), c.number,
                    c.flag & 0xC0);
    if (c.len <= 0x7FFFFFFF) {
      EXPECT_EQ(Octets(b), Bytes(want, p)) << c.number << "/" << c.len;
    }
    // And the readers take them apart again.
    unsigned number = 99, octets = 0, len = 0;
    unsigned char flag = 0xFF;
    ASSERT_EQ(b->getTag(number, flag, octets), kAsnOk);
    EXPECT_EQ(number, c.number);
    EXPECT_EQ(flag, c.flag);
    EXPECT_EQ(octets, 1u);
    // The length claims more than the buffer holds; above 2^31-1 it is
    // refused as a length at all.
    EXPECT_EQ(b->getLen(len), c.len == 0 ? kAsnOk : c.len > 0x7FFFFFFF ? kAsnBadLength : kAsnTruncated);
  }
}

TEST_F(AsnBufferTest, WritersRefuseWhatOneOctetCannotSay) {
  auto b = Make<CMN_ASN_Buf_Interface>(kKindBuffer);
  EXPECT_EQ(b->putTag(31, 0x00), kAsnBadArgument);  // high tag-number form
  EXPECT_EQ(b->putTag(1, 0x81), kAsnBadArgument);   // number bits in the flag
  EXPECT_EQ(b->putLen(kAsnIndefiniteLength), kAsnBadArgument);
  EXPECT_EQ(b->len(), 0u);
}

TEST_F(AsnBufferTest, ElementBuiltBackwards) {
  // 30 06 | 02 01 05 | 04 01 AA: content first, then its header in front.
  auto seq = Buf({0x04, 0x01, 0xAA});
  auto num = Buf({0x02, 0x01, 0x05});
  ASSERT_EQ(seq->insert(num.get()), kAsnOk);
  ASSERT_EQ(seq->putLen(seq->len()), kAsnOk);
  ASSERT_EQ(seq->putTag(16, kAsnConstructed), kAsnOk);
  EXPECT_EQ(Octets(seq), (Bytes{0x30, 0x06, 0x02, 0x01, 0x05, 0x04, 0x01, 0xAA}));
  // Inserting a buffer into itself doubles it.
  auto twice = Buf({0x05, 0x00});
  ASSERT_EQ(twice->insert(twice.get()), kAsnOk);
  EXPECT_EQ(Octets(twice), (Bytes{0x05, 0x00, 0x05, 0x00}));
  EXPECT_EQ(twice->insert(nullptr), kAsnBadArgument);
}

TEST_F(AsnBufferTest, HeaderReadersOverHostileOctets) {
  struct Case {
    const char* what;
    Bytes in;
    int tagRc;
    int lenRc;
    unsigned len;      // on success
    unsigned unread;   // after both reads (or where the cursor stayed)
  } cases[] = {
      {"short form", {0x04, 0x02, 0xAA, 0xBB}, kAsnOk, kAsnOk, 2, 2},
      {"long form", Cat({{0x04, 0x81, 0x80}, Bytes(128, 0x11)}), kAsnOk, kAsnOk, 128, 128},
      {"indefinite", {0x30, 0x80, 0x00, 0x00}, kAsnOk, kAsnOk, kAsnIndefiniteLength, 2},
      {"empty", {}, kAsnTruncated, kAsnTruncated, 0, 0},
      {"identifier only", {0x30}, kAsnOk, kAsnTruncated, 0, 0},
      {"length octets cut", {0x04, 0x82, 0x01}, kAsnOk, kAsnTruncated, 0, 2},
      {"non-minimal long form", {0x04, 0x81, 0x05, 1, 2, 3, 4, 5}, kAsnOk, kAsnBadLength, 0, 7},
      {"five length octets", {0x04, 0x85, 0, 0, 0, 0, 1, 0}, kAsnOk, kAsnBadLength, 0, 7},
      {"length past the end", {0x04, 0x84, 0x7F, 0xFF, 0xFF, 0xFF, 0x00}, kAsnOk, kAsnTruncated, 0, 6},
      {"high tag-number form", {0x1F, 0x21, 0x00}, kAsnBadTag, kAsnBadLength, 0, 3},
  };
  for (const Case& c : cases) {
    auto b = Buf(c.in);
    unsigned number = 0, octets = 0, len = 0;
    unsigned char flag = 0;
    EXPECT_EQ(b->getTag(number, flag, octets), c.tagRc) << c.what;
    if (c.tagRc != kAsnOk) {
      EXPECT_EQ(b->len_of_datap(), c.in.size()) << c.what;  // nothing read
      continue;
    }
    EXPECT_EQ(b->getLen(len), c.lenRc) << c.what;
    if (c.lenRc == kAsnOk) {
      EXPECT_EQ(len, c.len) << c.what;
    }
    EXPECT_EQ(b->len_of_datap(), c.unread) << c.what;
  }
}

TEST_F(AsnBufferTest, ChkTagLooksWithoutReading) {
  auto b = Buf({0xA1, 0x00});
  EXPECT_EQ(b->chkTag(1, kAsnClassContext | kAsnConstructed), kAsnOk);
  EXPECT_EQ(b->chkTag(1, kAsnClassContext), kAsnBadTag);
  EXPECT_EQ(b->chkTag(0, kAsnClassContext | kAsnConstructed), kAsnBadTag);
  EXPECT_EQ(b->len_of_datap(), 2u);
  *b >> 2;
  EXPECT_EQ(b->chkTag(1, 0xA0), kAsnTruncated);
}

TEST_F(AsnBufferTest, SavesUnreadOctetsAndLoadsThemBack) {
  std::string path = ::testing::TempDir() + "hostasn_buffer_test.bin";
  auto b = Buf({0xDE, 0xAD, 0xBE, 0xEF});
  *b >> 1;
  ASSERT_EQ(b->save(path.c_str()), kAsnOk);
  auto c = Make<CMN_ASN_Buf_Interface>(kKindBuffer);
  ASSERT_EQ(c->load(path.c_str()), kAsnOk);
  EXPECT_EQ(Octets(c), (Bytes{0xAD, 0xBE, 0xEF}));
  std::remove(path.c_str());
  EXPECT_EQ(c->load(path.c_str()), kAsnFailed);
  EXPECT_EQ(Octets(c), (Bytes{0xAD, 0xBE, 0xEF}));  // unchanged
  EXPECT_EQ(c->load(nullptr), kAsnBadArgument);
  EXPECT_EQ(c->save("/nonexistent-dir/x"), kAsnFailed);
}

}  // namespace
}  // namespace asntest
