#include "host/hostbuf.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <typeinfo>

#include "framework/cmn_gref.h"
#include "support/result_codes.h"

namespace pkixhost {

namespace {

// ---- The count of live buffers -------------------------------------------
//
// Every buffer's constructor and destructor change the count, so one shared
// counter would be a cache line all threads fight over. The count is kept on
// stripes instead, each on its own cache line; a thread always uses the one
// stripe it was given on first use. A buffer may end on another thread than
// the one that made it, so a single stripe can go negative: only the sum
// means anything.

constexpr unsigned kLiveStripes = 16;
constexpr size_t kCacheLine = 64;

struct alignas(kCacheLine) LiveStripe {
  std::atomic<int> count{0};
};

LiveStripe gLive[kLiveStripes];
std::atomic<unsigned> gNextStripe{0};

// 0 until the thread first counts, then its stripe + 1 (zero-initialised, so
// reading it needs no initialisation check).
thread_local unsigned tStripe;

std::atomic<int>& ThreadStripe() {
  unsigned s = tStripe;
  if (s == 0) {
    s = 1 + gNextStripe.fetch_add(1, std::memory_order_relaxed) % kLiveStripes;
    tStripe = s;
  }
  return gLive[s - 1].count;
}

// ---- Buffers ----------------------------------------------------------------

// Room kept in front of fresh content, so encoders can prepend headers
// without moving what is there.
constexpr uint32_t kFrontRoom = 64;

// Fresh content up to this size lives in the buffer object's own allocation;
// larger content gets a block of its own, which a later set() can free (an
// embedded block stays until the object ends).
constexpr uint32_t kMaxEmbedded = 16 * 1024;

// The content address of a fresh empty buffer whose front room has not been
// made: a valid address for zero octets, and the mark of that state (the
// record has no block and its data points here until something changes it).
unsigned char gNoOctets[1];

// A buffer object. One allocation holds the object and, for fresh content,
// the block behind it: it starts one octet after the object (an odd address:
// the support library then never frees it, see asn_free_block), then come
// the front room (kFrontRoom octets, a few more to align the content) and
// the content. A view holds only its record (no block) and one reference on
// the buffer whose octets it shows. A fresh empty buffer holds nothing; its
// front room is made when retreat() first needs it.
class HostBuf final : public TBuf {
 public:
  // A new empty buffer carrying the creator's reference, or null.
  static HostBuf* MakeEmpty() {
    HostBuf* b = Allocate(0);
    if (b != nullptr) b->buf_.data = gNoOctets;
    return b;
  }

  // A new buffer carrying the creator's reference whose content is len
  // octets: a copy of data, or zeroes for null data. Null for lack of memory.
  static HostBuf* MakeCopy(const unsigned char* data, uint32_t len) {
    if (len == 0) return MakeEmpty();
    if (len > kMaxEmbedded) {
      HostBuf* b = Allocate(0);
      if (b != nullptr && b->Replace(data, len) != kBufOk) {
        b->release();
        return nullptr;
      }
      return b;
    }
    HostBuf* b = Allocate(EmbeddedContentOffset() - sizeof(HostBuf) + len);
    if (b == nullptr) return nullptr;
    unsigned char* storage = reinterpret_cast<unsigned char*>(b);
    b->buf_.start = storage + sizeof(HostBuf) + 1;
    b->buf_.data = storage + EmbeddedContentOffset();
    b->buf_.len = len;
    FillContent(b->buf_.data, data, len);
    return b;
  }

  ~HostBuf() override {
    Forget();
    ThreadStripe().fetch_sub(1, std::memory_order_relaxed);
  }

  // The storage came from Allocate.
  static void operator delete(void* p) { std::free(p); }

  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  int addRef() override {
    addReference();
    return references();
  }
  int release() override { return remReference(); }

  int set(const char* text) override {
    if (text == nullptr) return kBufBadArgument;
    return Replace(reinterpret_cast<const unsigned char*>(text), static_cast<uint32_t>(std::strlen(text)));
  }
  int set(const unsigned char* data, unsigned len) override {
    if (data == nullptr && len != 0) return kBufBadArgument;
    return Replace(data, len);
  }
  int reserved1() override { return pkixrc::kOk; }
  unsigned char* datap() override { return buf_.data; }
  unsigned len() override { return buf_.len; }
  int dup(TBuf* other) override {
    if (other == nullptr) return kBufBadArgument;
    if (other == this) return kBufOk;
    uint32_t n = other->len();
    return Replace(n != 0 ? other->datap() : nullptr, n);
  }
  int reserved2() override { return pkixrc::kOk; }
  int operator!=(TBuf* other) override {
    if (other == nullptr) return 1;
    if (other->len() != buf_.len) return 1;
    return buf_.len != 0 && std::memcmp(buf_.data, other->datap(), buf_.len) != 0 ? 1 : 0;
  }
  int load(const char* path) override;
  int save(const char* path) override;
  int shift(unsigned n) override { return shift_buffer(&buf_, n) == 0 ? kBufOk : kBufOutOfRange; }
  int retreat(unsigned n) override {
    if (n != 0) MakePendingRoom();
    return retreat_buffer(&buf_, n) == 0 ? kBufOk : kBufOutOfRange;
  }
  int setView(TBuf* owner, const unsigned char* data, unsigned len) override;
  int reserved3() override { return pkixrc::kOk; }
  Buffer* getBuffer() override { return &buf_; }

 private:
  HostBuf() : buf_{nullptr, nullptr, 0}, owner_(nullptr) {
    addReference();  // the creator's reference
    ThreadStripe().fetch_add(1, std::memory_order_relaxed);
  }

  // One allocation for the object and extra octets behind it (its embedded
  // block); the new object carries the creator's reference. Null for lack
  // of memory.
  static HostBuf* Allocate(size_t extra) {
    void* storage = std::malloc(sizeof(HostBuf) + extra);
    if (storage == nullptr) return nullptr;
    try {
      return new (storage) HostBuf;
    } catch (...) {
      std::free(storage);
      return nullptr;
    }
  }

  // Where embedded content begins in the object's storage: behind the
  // object, the one octet that makes the block's start odd and at least
  // kFrontRoom octets of room, rounded up to the alignment malloc gives a
  // block, so that content stays as aligned as in a block of its own (some
  // callers keep arrays of words in a buffer).
  static constexpr size_t EmbeddedContentOffset() {
    constexpr size_t kAlign = alignof(std::max_align_t);
    return (sizeof(HostBuf) + 1 + kFrontRoom + kAlign - 1) / kAlign * kAlign;
  }

  // True for a block at an odd address: an embedded one (malloc blocks are
  // at least 2-aligned), which is freed with the object and nowhere else.
  static bool IsEmbedded(const unsigned char* block) { return (reinterpret_cast<uintptr_t>(block) & 1u) != 0; }

  // Copies len octets of data to dst, or writes zeroes for null data.
  static void FillContent(unsigned char* dst, const unsigned char* data, uint32_t len) {
    if (data != nullptr) {
      std::memcpy(dst, data, len);
    } else {
      std::memset(dst, 0, len);
    }
  }

  // Gives the buffer len octets of content in a block of its own: a copy of
  // data, or zeroes for a null data pointer. data may lie in the old content,
  // which goes only after the copy.
  int Replace(const unsigned char* data, uint32_t len) {
    Buffer fresh;
    if (alloc_buffer(kFrontRoom + len, &fresh) != 0) return kBufNoMemory;
    shift_buffer(&fresh, kFrontRoom);
    if (len != 0) FillContent(fresh.data, data, len);
    Forget();
    buf_ = fresh;
    return kBufOk;
  }

  // A fresh empty buffer gets the front room every fresh content has, made
  // only now that something is to be put in front.
  void MakePendingRoom() {
    if (buf_.data != gNoOctets || buf_.start != nullptr || buf_.len != 0) return;
    Buffer fresh;
    if (alloc_buffer(kFrontRoom, &fresh) != 0) return;  // stays without room
    shift_buffer(&fresh, kFrontRoom);
    buf_ = fresh;
  }

  // Drops the content: frees a block of its own (the support library leaves
  // an embedded one alone), or lets the viewed buffer go.
  void Forget() {
    if (buf_.start != nullptr && !IsEmbedded(buf_.start)) release_buffer(&buf_);
    buf_ = Buffer{nullptr, nullptr, 0};
    if (owner_ != nullptr) {
      TBuf* o = owner_;
      owner_ = nullptr;
      o->release();
    }
  }

  // The buffer that really holds the octets a view of owner shows: when
  // owner is itself one of these views (no block of its own), the buffer it
  // views, so that a view of a view holds the octets' holder directly.
  static TBuf* Holder(TBuf* owner) {
    if (typeid(*owner) != typeid(HostBuf)) return owner;
    HostBuf* h = static_cast<HostBuf*>(owner);
    return h->owner_ != nullptr && h->buf_.start == nullptr ? h->owner_ : owner;
  }

  Buffer buf_;
  TBuf* owner_;  // for a view: the buffer holding its octets (one reference)
};

static_assert(alignof(HostBuf) % 2 == 0, "the embedded block's odd address tells it from malloc blocks");

int HostBuf::setView(TBuf* owner, const unsigned char* data, unsigned len) {
  if (owner == nullptr || (data == nullptr && len != 0)) return kBufBadArgument;
  if (len != 0) {
    const unsigned char* begin = owner->datap();
    if (data < begin || static_cast<uint64_t>(data - begin) + len > owner->len()) return kBufOutOfRange;
  }
  if (owner == this) return kBufBadArgument;
  TBuf* holder = Holder(owner);
  if (holder == this) return kBufBadArgument;  // this buffer's own octets, through a view of it
  holder->addRef();  // taken before the old owner goes, in case it is the same
  Forget();
  owner_ = holder;
  buf_ = Buffer{nullptr, const_cast<unsigned char*>(data), len};  // a view: no block
  return kBufOk;
}

int HostBuf::load(const char* path) {
  if (path == nullptr) return kBufBadArgument;
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return kBufCannotOpen;
  int code = kBufOk;
  if (std::fseek(f, 0, SEEK_END) != 0) code = kBufIOFailed;
  long size = code == kBufOk ? std::ftell(f) : -1;
  if (size < 0 || size > 0x7fffffffL || std::fseek(f, 0, SEEK_SET) != 0) code = kBufIOFailed;
  Buffer fresh;
  init_buffer(&fresh);
  if (code == kBufOk && alloc_buffer(kFrontRoom + static_cast<uint32_t>(size), &fresh) != 0) code = kBufNoMemory;
  if (code == kBufOk) {
    shift_buffer(&fresh, kFrontRoom);
    if (size != 0 && std::fread(fresh.data, 1, static_cast<size_t>(size), f) != static_cast<size_t>(size)) {
      code = kBufIOFailed;
    }
  }
  std::fclose(f);
  if (code != kBufOk) {
    release_buffer(&fresh);
    return code;
  }
  Forget();
  buf_ = fresh;
  return kBufOk;
}

int HostBuf::save(const char* path) {
  if (path == nullptr) return kBufBadArgument;
  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return kBufCannotOpen;
  bool ok = buf_.len == 0 || std::fwrite(buf_.data, 1, buf_.len, f) == buf_.len;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) std::remove(path);
  return ok ? kBufOk : kBufIOFailed;
}

class HostBufService : public X509CmnSrv_I {
 public:
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  TBuf* createTBuf() override { return HostBuf::MakeEmpty(); }
  TBuf* createTBuf(const char* text) override {
    if (text == nullptr) return HostBuf::MakeEmpty();
    return HostBuf::MakeCopy(reinterpret_cast<const unsigned char*>(text), static_cast<uint32_t>(std::strlen(text)));
  }
  TBuf* createTBuf(const unsigned char* data, unsigned len) override { return HostBuf::MakeCopy(data, len); }
  TBuf* createTBuf(TBuf* other) override {
    if (other == nullptr) return nullptr;
    uint32_t n = other->len();
    return n != 0 ? HostBuf::MakeCopy(other->datap(), n) : HostBuf::MakeEmpty();
  }
};

}  // namespace

X509CmnSrv_I* createBufferService() { return new HostBufService; }

int liveBuffers() {
  int sum = 0;
  for (const LiveStripe& s : gLive) sum += s.count.load(std::memory_order_relaxed);
  return sum;
}

}  // namespace pkixhost
