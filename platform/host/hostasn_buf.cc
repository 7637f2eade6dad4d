// The ASN.1 type service's buffer object and the pieces every value object
// shares: support-library codes, element reading, the nesting bound and the
// element lists of the containers.
#include <cstdio>
#include <cstring>

#include "host/hostasn_impl.h"

namespace pkixhost {
namespace asnimpl {

std::atomic<int> gLiveObjects{0};

int FromSupport(int rc) {
  if (rc >= 0) return kAsnOk;
  struct Row {
    int support;
    int code;
  };
  static const Row kRows[] = {
      {X509ASN_E_NOMEM, kAsnNoMemory},   {X509ASN_E_ARG, kAsnBadArgument},
      {X509ASN_E_TAG, kAsnBadTag},       {X509ASN_E_TAGFORM, kAsnBadTag},
      {X509ASN_E_SHORT, kAsnTruncated},  {X509ASN_E_LENGTH, kAsnBadLength},
      {X509ASN_E_INDEF, kAsnBadLength},  {X509ASN_E_EOC, kAsnBadLength},
      {X509ASN_E_DEPTH, kAsnTooDeep},    {X509ASN_E_VALUE, kAsnBadValue},
      {X509ASN_E_RANGE, kAsnBadValue},   {X509ASN_E_TRAILING, kAsnTrailing},
  };
  for (const Row& r : kRows) {
    if (r.support == rc) return r.code;
  }
  return kAsnFailed;
}

View UnreadOf(CMN_ASN_Buf_Interface* b) {
  unsigned n = b->len_of_datap();
  return View{n == 0 ? nullptr : b->datap(), n};
}

int Prepend(Buffer* b, View v) {
  if (v.n == 0) return kAsnOk;
  Buffer src;
  init_buffer(&src);
  set_buffer(&src, v.n, v.p);
  return FromSupport(insert_buffer(b, &src));
}

// ---------------------------------------------------------------------------
// Buffer object

AsnBuf::AsnBuf() : pos_(0) {
  init_buffer(&rec_);
  gLiveObjects.fetch_add(1, std::memory_order_relaxed);
}

AsnBuf::~AsnBuf() {
  release_buffer(&rec_);
  gLiveObjects.fetch_sub(1, std::memory_order_relaxed);
}

AsnBuf* AsnBuf::Copy(View v) {
  AsnBuf* b = new (std::nothrow) AsnBuf;
  if (b == nullptr) return nullptr;
  if (b->Replace(v) != kAsnOk) {
    delete b;
    return nullptr;
  }
  return b;
}

AsnBuf* AsnBuf::Adopt(OwnedRecord* rec) {
  AsnBuf* b = new (std::nothrow) AsnBuf;
  if (b != nullptr) b->rec_ = rec->Release();
  return b;
}

int AsnBuf::Replace(View v) {
  OwnedRecord fresh;
  int rc = Prepend(fresh.get(), v);
  if (rc != kAsnOk) return rc;
  release_buffer(&rec_);
  rec_ = fresh.Release();
  pos_ = 0;
  return kAsnOk;
}

int AsnBuf::load(const char* file) {
  if (file == nullptr) return kAsnBadArgument;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(file, "rb"), std::fclose);
  if (!f) return kAsnFailed;
  Bytes data;
  unsigned char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) {
    if (data.size() + n > UINT32_MAX - 2) return kAsnFailed;
    data.insert(data.end(), chunk, chunk + n);
  }
  if (std::ferror(f.get())) return kAsnFailed;
  return Replace(View{data.data(), static_cast<uint32_t>(data.size())});
}

int AsnBuf::save(const char* file) {
  if (file == nullptr) return kAsnBadArgument;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(file, "wb"), std::fclose);
  if (!f) return kAsnFailed;
  View v = UnreadOf(this);
  if (v.n != 0 && std::fwrite(v.p, 1, v.n, f.get()) != v.n) return kAsnFailed;
  return std::fflush(f.get()) == 0 ? kAsnOk : kAsnFailed;
}

int AsnBuf::init(unsigned size) {
  if (size > UINT32_MAX - 2) return kAsnNoMemory;
  OwnedRecord fresh;
  if (size > 0) {
    if (alloc_buffer(size, fresh.get()) != 0) return kAsnNoMemory;
    std::memset(fresh.get()->data, 0, size);
  }
  release_buffer(&rec_);
  rec_ = fresh.Release();
  pos_ = 0;
  return kAsnOk;
}

int AsnBuf::set(const unsigned char* p, unsigned len) {
  if (p == nullptr && len > 0) return kAsnBadArgument;
  return Replace(View{p, len});
}

bool AsnBuf::operator==(CMN_ASN_Buf_Interface& other) {
  View a = UnreadOf(this);
  View b = UnreadOf(&other);
  return a.n == b.n && (a.n == 0 || std::memcmp(a.p, b.p, a.n) == 0);
}

CMN_ASN_Buf_Interface* AsnBuf::clone() {
  AsnBuf* c = Copy(View{rec_.data, rec_.len});
  if (c == nullptr) return nullptr;
  c->pos_ = pos_;
  return NewRef(c);
}

unsigned char AsnBuf::operator[](unsigned i) { return i < len_of_datap() ? rec_.data[pos_ + i] : 0; }

int AsnBuf::operator>>(unsigned n) {
  if (n > len_of_datap()) return kAsnTruncated;
  pos_ += n;
  return kAsnOk;
}

int AsnBuf::operator<<(unsigned n) {
  if (n > pos_) return kAsnBadArgument;
  pos_ -= n;
  return kAsnOk;
}

int AsnBuf::reset() {
  pos_ = 0;
  return kAsnOk;
}

int AsnBuf::insert(CMN_ASN_Buf_Interface* other) {
  if (other == nullptr) return kAsnBadArgument;
  int rc = Prepend(&rec_, UnreadOf(other));
  if (rc == kAsnOk) pos_ = 0;
  return rc;
}

int AsnBuf::getTag(unsigned& number, unsigned char& flag, unsigned& octets) {
  if (len_of_datap() == 0) return kAsnTruncated;
  unsigned char id = rec_.data[pos_];
  if ((id & ~kAsnFlagMask & 0xFF) > kAsnMaxTagNumber) return kAsnBadTag;
  number = id & ~kAsnFlagMask & 0xFFu;
  flag = static_cast<unsigned char>(id & kAsnFlagMask);
  octets = 1;
  ++pos_;
  return kAsnOk;
}

int AsnBuf::putTag(unsigned number, unsigned char flag) {
  if (number > kAsnMaxTagNumber || (flag & ~kAsnFlagMask) != 0) return kAsnBadArgument;
  unsigned char id = static_cast<unsigned char>(flag | number);
  int rc = Prepend(&rec_, View{&id, 1});
  if (rc == kAsnOk) pos_ = 0;
  return rc;
}

int AsnBuf::chkTag(unsigned number, unsigned char flag) {
  if (len_of_datap() == 0) return kAsnTruncated;
  if (number > kAsnMaxTagNumber) return kAsnBadTag;
  return rec_.data[pos_] == static_cast<unsigned char>(flag | number) ? kAsnOk : kAsnBadTag;
}

int AsnBuf::putLen(unsigned len) {
  if (len == kAsnIndefiniteLength) return kAsnBadArgument;
  // Short form below 128; else 0x80 + the count of big-endian value octets.
  unsigned char octets[5];
  unsigned n = 0;
  if (len < 0x80) {
    octets[n++] = static_cast<unsigned char>(len);
  } else {
    unsigned count = len > 0xFFFFFF ? 4 : len > 0xFFFF ? 3 : len > 0xFF ? 2 : 1;
    octets[n++] = static_cast<unsigned char>(0x80 | count);
    for (unsigned i = count; i-- > 0;) octets[n++] = static_cast<unsigned char>(len >> (8 * i));
  }
  int rc = Prepend(&rec_, View{octets, n});
  if (rc == kAsnOk) pos_ = 0;
  return rc;
}

int AsnBuf::getLen(unsigned& len) {
  View v = UnreadOf(this);
  Buffer b;
  init_buffer(&b);
  set_buffer(&b, v.n, v.p);
  uint32_t value = 0;
  int form = asn1_read_length(&b, &value);
  if (form < 0) return FromSupport(form);
  len = form == 0 ? kAsnIndefiniteLength : value;
  pos_ += v.n - b.len;
  return kAsnOk;
}

// ---------------------------------------------------------------------------
// Elements of the input

int ReadElement(View in, bool ber, Element* out) {
  if (in.n == 0) return kAsnTruncated;
  Buffer all;
  init_buffer(&all);
  set_buffer(&all, in.n, in.p);
  int total = asn1_decode_any_type(&all, nullptr);
  if (total < 0) return FromSupport(total);
  // The header again, for its size and the form of its length.
  Buffer header;
  init_buffer(&header);
  set_buffer(&header, in.n - 1, in.p + 1);
  uint32_t len = 0;
  int form = asn1_read_length(&header, &len);
  if (form < 0) return FromSupport(form);
  uint32_t headerLen = in.n - header.len;
  out->id = in.p[0];
  out->total = static_cast<uint32_t>(total);
  out->indefinite = form == 0;
  if (out->indefinite && !ber) return kAsnNotDer;
  uint32_t contentLen = out->indefinite ? out->total - headerLen - 2 : len;
  out->content = View{contentLen == 0 ? nullptr : in.p + headerLen, contentLen};
  return kAsnOk;
}

namespace {
thread_local unsigned tDepth = 0;
}  // namespace

DepthGuard::DepthGuard() : ok_(tDepth < kAsnMaxDepth) { ++tDepth; }
DepthGuard::~DepthGuard() { --tDepth; }

int PrependEncodingOf(CMN_ASN_Type_Interface* child, Buffer* out) {
  if (child == nullptr) return kAsnFailed;  // a holder detached at a module's unload
  Adopted<CMN_ASN_Buf_Interface> enc(child->encode());
  if (!enc) return child->err() != kAsnOk ? child->err() : kAsnFailed;
  return Prepend(out, UnreadOf(enc.get()));
}

// ---------------------------------------------------------------------------
// Element lists

Elements::Elements(const Elements& o) : cursor_(0) {
  for (const Item& it : o.items_) Add(it.holder->get(), nullptr, it.found);
}

int Elements::Add(CMN_ASN_Type_Interface* e, const void* owner, bool found) {
  if (e == nullptr || e == owner) return kAsnBadArgument;
  std::unique_ptr<CMN_GRefPtr<CMN_ASN_Type_Interface>> h(new (std::nothrow)
                                                             CMN_GRefPtr<CMN_ASN_Type_Interface>(e));
  if (!h) return kAsnNoMemory;
  try {
    items_.push_back(Item{std::move(h), found});
  } catch (const std::bad_alloc&) {
    return kAsnNoMemory;
  }
  return kAsnOk;
}

CMN_ASN_Type_Interface* Elements::Get(size_t i) const {
  return i < items_.size() ? NewRef(items_[i].holder->get()) : nullptr;
}

int Elements::RemoveLast() {
  if (items_.empty()) return kAsnNotFound;
  items_.pop_back();
  if (cursor_ > items_.size()) cursor_ = items_.size();
  return kAsnOk;
}

void Elements::DropFound() {
  std::vector<Item> kept;
  for (Item& it : items_) {
    if (!it.found) kept.push_back(std::move(it));
  }
  items_.swap(kept);
  cursor_ = 0;
}

int Elements::CloneAll() {
  for (Item& it : items_) {
    CMN_ASN_Type_Interface* e = it.holder->get();
    if (e == nullptr) return kAsnFailed;
    Adopted<CMN_ASN_Type_Interface> copy(e->clone());
    if (!copy) return kAsnNoMemory;
    *it.holder = copy.get();
  }
  return kAsnOk;
}

}  // namespace asnimpl
}  // namespace pkixhost
