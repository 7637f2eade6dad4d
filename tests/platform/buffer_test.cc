// Buffer records: owned blocks, views, room in front, copies that alias.
#include <gtest/gtest.h>

#include "test_util.h"

namespace x509asn_test {
namespace {

TEST(BufferTest, AllocShiftRetreat) {
  Owned o;
  ASSERT_EQ(alloc_buffer(10, &o.b), 0);
  EXPECT_NE(o.b.start, nullptr);
  EXPECT_EQ(o.b.data, o.b.start);
  EXPECT_EQ(o.b.len, 10u);
  EXPECT_EQ(shift_buffer(&o.b, 11), 1);  // longer than the content: unchanged
  EXPECT_EQ(o.b.len, 10u);
  EXPECT_EQ(shift_buffer(&o.b, 10), 0);
  EXPECT_EQ(o.b.len, 0u);
  EXPECT_EQ(retreat_buffer(&o.b, 11), 1);  // more than the room
  EXPECT_EQ(retreat_buffer(&o.b, 4), 0);
  EXPECT_EQ(o.b.len, 4u);
  EXPECT_EQ(o.b.data, o.b.start + 6);
}

TEST(BufferTest, ZeroSizeBlockIsDistinct) {
  Owned a, b;
  ASSERT_EQ(alloc_buffer(0, &a.b), 0);
  ASSERT_EQ(alloc_buffer(0, &b.b), 0);
  EXPECT_NE(a.b.start, nullptr);
  EXPECT_NE(a.b.start, b.b.start);
}

TEST(BufferTest, HugeAllocationFailsCleanly) {
  Buffer b;
  int r = alloc_buffer(0xFFFFFFFFu, &b);
  EXPECT_LT(r, 0);
  EXPECT_EQ(b.start, nullptr);
  EXPECT_EQ(b.len, 0u);
}

TEST(BufferTest, ViewsHaveNoRoom) {
  Bytes x("01 02 03");
  Buffer v = x.View();
  EXPECT_EQ(v.start, nullptr);
  EXPECT_EQ(retreat_buffer(&v, 1), 1);
  Buffer w;
  EXPECT_EQ(link_buffer(&w, &v), 0);
  EXPECT_EQ(w.data, v.data);
  EXPECT_EQ(w.len, 3u);
  EXPECT_EQ(set_buffer(&w, 1, nullptr), X509ASN_E_ARG);
  EXPECT_EQ(set_buffer(&w, 0, nullptr), 0);
  release_buffer(&v);  // a view: nothing freed, record emptied
  EXPECT_EQ(v.data, nullptr);
}

TEST(BufferTest, InsertIntoRoomAndGrowing) {
  Owned o;
  Room(&o.b, 2);
  Bytes a("AA BB"), c("01 02 03");
  Buffer va = a.View(), vc = c.View();
  ASSERT_EQ(insert_buffer(&o.b, &va), 0);
  unsigned char* block = o.b.start;
  EXPECT_EQ(ToHex(o.b), "AABB");
  ASSERT_EQ(insert_buffer(&o.b, &vc), 0);  // no room left: grows
  EXPECT_NE(o.b.start, block);
  EXPECT_EQ(ToHex(o.b), "010203AABB");
  EXPECT_GT(o.b.data - o.b.start, 0);  // room to spare for the next prepend
}

TEST(BufferTest, InsertIntoView) {
  Bytes a("0A 0B"), c("01");
  Buffer v = a.View(), vc = c.View();
  ASSERT_EQ(insert_buffer(&v, &vc), 0);  // the view becomes owned
  EXPECT_NE(v.start, nullptr);
  EXPECT_EQ(ToHex(v), "010A0B");
  EXPECT_EQ(ToHex(a.data(), a.size()), "0A0B");  // the viewed octets are untouched
  release_buffer(&v);
}

TEST(BufferTest, InsertSelfWithoutRoom) {
  Owned o;
  ASSERT_EQ(alloc_buffer(3, &o.b), 0);
  std::memcpy(o.b.data, "\x01\x02\x03", 3);
  Buffer self = o.b;
  ASSERT_EQ(insert_buffer(&o.b, &self), 0);  // src lives in the block being replaced
  EXPECT_EQ(ToHex(o.b), "010203010203");
}

TEST(BufferTest, InsertSelfWithRoom) {
  Owned o;
  ASSERT_EQ(alloc_buffer(8, &o.b), 0);
  shift_buffer(&o.b, 5);
  std::memcpy(o.b.data, "\x01\x02\x03", 3);
  Buffer self = o.b;
  ASSERT_EQ(insert_buffer(&o.b, &self), 0);  // overlapping copy into the room
  EXPECT_EQ(ToHex(o.b), "010203010203");
}

TEST(BufferTest, InsertPartOfSelfRepeatedly) {
  Owned o;
  ASSERT_EQ(alloc_buffer(4, &o.b), 0);
  std::memcpy(o.b.data, "\x01\x02\x03\x04", 4);
  std::string want = "01020304";
  for (int i = 0; i < 20; ++i) {
    Buffer tail;
    set_buffer(&tail, 2, o.b.data + o.b.len - 2);
    std::string t = ToHex(tail);
    ASSERT_EQ(insert_buffer(&o.b, &tail), 0);
    want = t + want;
    ASSERT_EQ(ToHex(o.b), want);
  }
}

TEST(BufferTest, AppendKeepsRoomAndAliases) {
  Owned o;
  ASSERT_EQ(alloc_buffer(6, &o.b), 0);
  shift_buffer(&o.b, 4);
  std::memcpy(o.b.data, "\x0A\x0B", 2);
  Buffer self = o.b;
  ASSERT_EQ(append_buffer(&o.b, &self), 0);
  EXPECT_EQ(ToHex(o.b), "0A0B0A0B");
  EXPECT_EQ(o.b.data - o.b.start, 4);
  Bytes v("CC");
  Buffer vv = v.View();
  Buffer view = vv;
  ASSERT_EQ(append_buffer(&view, &vv), 0);  // a view becomes owned
  EXPECT_EQ(ToHex(view), "CCCC");
  release_buffer(&view);
}

TEST(BufferTest, EmptyCopiesChangeNothing) {
  Owned o;
  Buffer empty;
  init_buffer(&empty);
  ASSERT_EQ(insert_buffer(&o.b, &empty), 0);
  ASSERT_EQ(append_buffer(&o.b, &empty), 0);
  EXPECT_EQ(o.b.start, nullptr);
  EXPECT_EQ(o.b.len, 0u);
}

// A block at an odd address lives inside the object that holds its record:
// growing moves the content out of it and releasing empties the record, and
// neither frees it (ASan reports a free of memory not from malloc).
TEST(BufferTest, EmbeddedBlocksAreNeverFreed) {
  struct Holder {
    Buffer b;
    alignas(8) unsigned char area[1 + 4 + 2];  // one octet off, 4 of room, 2 of content
  };
  Bytes head("A1 A2 A3 A4 A5 A6"), tail("B1");
  Buffer vh = head.View(), vt = tail.View();
  // The content 01 02 with room octets in front (both starts odd).
  auto fresh = [](Holder* h, uint32_t room) {
    h->area[5] = 0x01;
    h->area[6] = 0x02;
    h->b.start = h->area + 5 - room;
    h->b.data = h->area + 5;
    h->b.len = 2;
  };
  struct Grow {
    const char* what;
    uint32_t room;
    int (*op)(Buffer* b, const Buffer* head, const Buffer* tail);
    const char* want;
  } grows[] = {
      {"insert", 4, [](Buffer* b, const Buffer* h, const Buffer*) { return insert_buffer(b, h); },
       "A1 A2 A3 A4 A5 A6 01 02"},
      {"append", 4, [](Buffer* b, const Buffer*, const Buffer* t) { return append_buffer(b, t); }, "01 02 B1"},
      {"encode", 0, [](Buffer* b, const Buffer*, const Buffer*) { return asn1_der_encode(0x04, b); },
       "04 02 01 02"},
  };
  for (const Grow& g : grows) {
    SCOPED_TRACE(g.what);
    Holder h;
    fresh(&h, g.room);
    unsigned char* embedded = h.b.start;
    ASSERT_EQ(g.op(&h.b, &vh, &vt), 0);
    EXPECT_NE(h.b.start, embedded);
    Bytes want(g.want);
    Buffer vw = want.View();
    EXPECT_EQ(cmp_buffers(&h.b, &vw), 0);
    EXPECT_EQ(h.area[5], 0x01);  // the embedded block is left as it was
    release_buffer(&h.b);        // frees the new block
  }
  Holder h;
  fresh(&h, 4);
  Bytes two("C1 C2");
  Buffer v2 = two.View();
  ASSERT_EQ(insert_buffer(&h.b, &v2), 0);  // fits in the room: stays embedded
  EXPECT_EQ(h.b.start, h.area + 1);
  release_buffer(&h.b);
  EXPECT_EQ(h.b.start, nullptr);
  EXPECT_EQ(h.b.len, 0u);
}

TEST(BufferTest, Compare) {
  struct Row {
    const char* a;
    const char* b;
    int sign;
  } rows[] = {
      {"", "", 0}, {"", "00", -1}, {"01", "01", 0}, {"01", "0100", -1},
      {"02", "0100", 1}, {"FF", "00", 1}, {"0001", "0002", -1},
  };
  for (const Row& r : rows) {
    Bytes a(r.a), b(r.b);
    Buffer va = a.View(), vb = b.View();
    int c = cmp_buffers(&va, &vb);
    EXPECT_EQ((c > 0) - (c < 0), r.sign) << r.a << " vs " << r.b;
  }
}

}  // namespace
}  // namespace x509asn_test
