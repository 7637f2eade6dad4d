#include "host/hostbuf.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "framework/cmn_gref.h"
#include "support/result_codes.h"

namespace pkixhost {

namespace {

std::atomic<int> gLiveBuffers{0};

// Room kept in front of fresh content, so encoders can prepend headers
// without moving what is there.
constexpr uint32_t kFrontRoom = 64;

class HostBuf : public TBuf {
 public:
  HostBuf() : owner_(nullptr) {
    init_buffer(&buf_);
    addReference();  // the creator's reference
    ++gLiveBuffers;
  }
  ~HostBuf() override {
    Forget();
    --gLiveBuffers;
  }

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
    return Replace(other->datap(), other->len());
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
  int retreat(unsigned n) override { return retreat_buffer(&buf_, n) == 0 ? kBufOk : kBufOutOfRange; }
  int setView(TBuf* owner, const unsigned char* data, unsigned len) override {
    if (owner == nullptr || (data == nullptr && len != 0)) return kBufBadArgument;
    const unsigned char* begin = owner->datap();
    if (len != 0 && (data < begin || static_cast<uint64_t>(data - begin) + len > owner->len())) {
      return kBufOutOfRange;
    }
    if (owner == this) return kBufBadArgument;
    owner->addRef();  // taken before the old owner goes, in case it is the same
    Forget();
    owner_ = owner;
    set_buffer(&buf_, len, data);
    return kBufOk;
  }
  int reserved3() override { return pkixrc::kOk; }
  Buffer* getBuffer() override { return &buf_; }

  // Gives the buffer len octets of content: a copy of data, or zeroes for a
  // null data pointer.
  int Replace(const unsigned char* data, uint32_t len) {
    Buffer fresh;
    if (alloc_buffer(kFrontRoom + len, &fresh) != 0) return kBufNoMemory;
    shift_buffer(&fresh, kFrontRoom);
    if (len != 0) {
      if (data != nullptr) {
        std::memcpy(fresh.data, data, len);
      } else {
        std::memset(fresh.data, 0, len);
      }
    }
    Forget();
    buf_ = fresh;
    return kBufOk;
  }

 private:
  // Drops the content: frees an owned block, or lets the viewed owner go.
  void Forget() {
    release_buffer(&buf_);
    if (owner_ != nullptr) {
      TBuf* o = owner_;
      owner_ = nullptr;
      o->release();
    }
  }

  Buffer buf_;
  TBuf* owner_;  // for a view: the buffer whose content it shows (one reference)
};

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

TBuf* NewBuf(const unsigned char* data, uint32_t len) {
  HostBuf* b = new (std::nothrow) HostBuf;
  if (b == nullptr) return nullptr;
  if (b->Replace(data, len) != kBufOk) {
    b->release();
    return nullptr;
  }
  return b;
}

class HostBufService : public X509CmnSrv_I {
 public:
  int init() override { return pkixrc::kOk; }
  int fini() override { return pkixrc::kOk; }
  TBuf* createTBuf() override { return NewBuf(nullptr, 0); }
  TBuf* createTBuf(const char* text) override {
    if (text == nullptr) return NewBuf(nullptr, 0);
    return NewBuf(reinterpret_cast<const unsigned char*>(text), static_cast<uint32_t>(std::strlen(text)));
  }
  TBuf* createTBuf(const unsigned char* data, unsigned len) override { return NewBuf(data, len); }
  TBuf* createTBuf(TBuf* other) override {
    if (other == nullptr) return nullptr;
    return NewBuf(other->datap(), other->len());
  }
};

}  // namespace

X509CmnSrv_I* createBufferService() { return new HostBufService; }

int liveBuffers() { return gLiveBuffers.load(); }

}  // namespace pkixhost
