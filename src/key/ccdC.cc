#include "key/ccdC.h"

#include <memory>
#include <new>

#include "contract/service_ids.h"
#include "key/x509key.h"
#include "support/abuf.h"
#include "support/result_codes.h"

Tuint32ID ccdID CMN_ID_INIT(pkixid::kCrypto);
CCD ccdService(nullptr);

// ---- The service stub ----

CCD::CCD() : CMN_ServiceStub<CCD_Interface>(&ccdID) {}
CCD::CCD(CCD_Interface* service) : CMN_ServiceStub<CCD_Interface>(&ccdID, service) {}
CCD::~CCD() = default;

ccTransform* CCD::create_ccTransform(aKey& key, ccFunc f, pki_alg_t alg) {
  return call([&](CCD_Interface* s) { return s->create_ccTransform(key, f, alg); }, nullptr);
}

const void* CCD::current() {
  return call([](CCD_Interface* s) { return static_cast<const void*>(s); }, nullptr);
}

ccKeyHandle* CCD::prepareKey(aKey& key) {
  return call([&](CCD_Interface* s) { return s->prepareKey(key); }, nullptr);
}

void CCD::prepareKeyRelease(ccKeyHandle* handle, const TKey* owner) {
  if (handle == nullptr) return;
  call([&](CCD_Interface* s) {
    s->prepareKeyRelease(handle, owner);
    return 0;
  }, 0);
}

int CCD::digest(pki_alg_t alg, const void* data, unsigned len, void* out, unsigned* out_len) {
  return call([&](CCD_Interface* s) { return s->digest(alg, data, len, out, out_len); },
              static_cast<int>(CCD_Interface::kDigestNotOffered));
}

ccTransform* CCD::create_ccTransformPrepared(ccKeyHandle* handle, aKey& key, ccFunc f, pki_alg_t alg) {
  return call([&](CCD_Interface* s) { return s->create_ccTransformPrepared(handle, key, f, alg); }, nullptr);
}

// ---- The transform context ----

ccCtx_Stub::ccCtx_Stub(aKey& key, ccFunc f, pki_alg_t alg) : CMN_ObjectStub<ccTransform>(nullptr, &ccdService) {
  adopt(ccdService.create_ccTransform(key, f, alg));
}

ccCtx_Stub::ccCtx_Stub(ccKeyHandle* handle, aKey& key, ccFunc f, pki_alg_t alg)
    : CMN_ObjectStub<ccTransform>(nullptr, &ccdService) {
  adopt(handle != nullptr ? ccdService.create_ccTransformPrepared(handle, key, f, alg)
                          : ccdService.create_ccTransform(key, f, alg));
}

ccCtx_Stub::ccCtx_Stub(ccTransform* t) : CMN_ObjectStub<ccTransform>(t, &ccdService) {}

ccCtx_Stub::~ccCtx_Stub() = default;

int ccCtx_Stub::lock() {
  return invoke([](ccTransform* t) { return t->lock(); }, pkixrc::kUnavailable);
}
int ccCtx_Stub::unlock() {
  return invoke([](ccTransform* t) { return t->unlock(); }, pkixrc::kUnavailable);
}
int ccCtx_Stub::in(void* data, unsigned len) {
  return invoke([&](ccTransform* t) { return t->in(data, len); }, pkixrc::kUnavailable);
}
int ccCtx_Stub::out(void* buf, unsigned* len) {
  return invoke([&](ccTransform* t) { return t->out(buf, len); }, pkixrc::kUnavailable);
}
aKey ccCtx_Stub::getKey(TKey::key_type_t kind) {
  if (get() == nullptr) return aKey();
  GuardLockVar g(guard());
  return get()->getKey(kind);
}
int ccCtx_Stub::error() {
  return invoke([](ccTransform* t) { return t->error(); }, pkixrc::kUnavailable);
}

// ---- The fixed sequence ----

namespace {

// Runs one operation: lock, feed the whole of data, run body (the out()
// calls), unlock whatever happened after a successful lock.
template <class Body>
int RunLocked(ccCtx_Stub& ctx, TBuf* data, Body body) {
  int r = ctx.lock();
  if (r != 0) return r;
  r = ctx.in(data != nullptr ? data->datap() : nullptr, data != nullptr ? data->len() : 0);
  if (r == 0) r = body();
  ctx.unlock();
  return r;
}

// Sets the length of t's content to n (n never above the current length).
int Shorten(TBuf* t, unsigned n) {
  Buffer* b = t->getBuffer();
  if (b == nullptr) return pkixrc::kUnavailable;
  b->len = n;
  return 0;
}

}  // namespace

int verifyMessage(ccCtx_Stub& ctx, TBuf* data, TBuf* signature) {
  if (data == nullptr || signature == nullptr) return pkixrc::kBadArgument;
  return RunLocked(ctx, data, [&] {
    // A local length: the signature buffer itself is left as it is.
    unsigned n = signature->len();
    return ctx.out(signature->datap(), &n);
  });
}

int encryptMessage(ccCtx_Stub& ctx, TBuf* data, TBuf** out) {
  if (out == nullptr) return pkixrc::kBadArgument;
  *out = nullptr;
  return RunLocked(ctx, data, [&] {
    unsigned n = 0;
    int r = ctx.out(nullptr, &n);
    if (r != 0) return r;
    std::unique_ptr<unsigned char[]> room(new (std::nothrow) unsigned char[n == 0 ? 1 : n]());
    if (room == nullptr) return pkixrc::kNoMemory;
    *out = createTBuf(room.get(), n);
    if (*out == nullptr) return pkixrc::kNoMemory;
    unsigned announced = n;
    r = ctx.out((*out)->datap(), &n);
    if (r != 0) return r;
    if (n > announced) return pkixrc::kFailed;  // the service wrote past what it asked for
    return n != announced ? Shorten(*out, n) : 0;
  });
}

TBuf* encryptMessage(ccCtx_Stub& ctx, TBuf* data) {
  TBuf* out = nullptr;
  if (encryptMessage(ctx, data, &out) == 0) return out;
  if (out != nullptr) out->release();
  return nullptr;
}

namespace {

// The size query starting from n, then the fetch into a new array of the
// size asked for: *plain and *n are the plaintext and its length. 0, 1 (no
// memory), 9 (the service wrote more than it asked room for), or the
// service's code.
int FetchPlain(ccCtx_Stub& ctx, unsigned* n, std::unique_ptr<unsigned char[]>* plain) {
  int r = ctx.out(nullptr, n);
  if (r != 0) return r;
  plain->reset(new (std::nothrow) unsigned char[*n == 0 ? 1 : *n]);
  if (*plain == nullptr) return pkixrc::kNoMemory;
  unsigned room = *n;
  r = ctx.out(plain->get(), n);
  if (r != 0) return r;
  return *n > room ? 9 : 0;
}

}  // namespace

TBuf* decryptMessage(ccCtx_Stub& ctx, TBuf* data) {
  TBuf* result = nullptr;
  RunLocked(ctx, data, [&] {
    unsigned n = 0;
    std::unique_ptr<unsigned char[]> plain;
    int r = FetchPlain(ctx, &n, &plain);
    if (r != 0) return r;
    result = createTBuf(plain.get(), n);
    return result != nullptr ? pkixrc::kOk : pkixrc::kNoMemory;
  });
  return result;
}

int decryptMessage(ccCtx_Stub& ctx, TBuf* data, TBuf* out) {
  if (out == nullptr) return pkixrc::kBadArgument;
  return RunLocked(ctx, data, [&] {
    unsigned n = out->len();
    std::unique_ptr<unsigned char[]> plain;
    int r = FetchPlain(ctx, &n, &plain);
    if (r != 0 || out->len() < n) return r;  // too short: nothing is copied
    Buffer* b = out->getBuffer();
    if (b == nullptr) return pkixrc::kFailed;
    for (unsigned i = 0; i < n; ++i) b->data[i] = plain[i];
    b->len = n;
    return r;
  });
}

// ---- The key forms ----

namespace {

// Runs op over a context for key (wrapped for the call) in mode f with alg.
// Signing and decrypting with one of the module's own key objects use the
// material the key had the service prepare, kept while the key lives.
template <class Op>
auto WithKey(TKey* key, ccFunc f, pki_alg_t alg, Op op) {
  ccKeyHandle* prepared = nullptr;
  if (f == CC_SIGN || f == CC_DECRYPT) {
    if (auto* own = dynamic_cast<X509Key*>(key)) prepared = own->preparedHandle();
  }
  aKey k(key);
  ccCtx_Stub ctx(prepared, k, f, alg);
  return op(ctx);
}

}  // namespace

int make_hash(pki_alg_t alg, TBuf* data, unsigned char* out, unsigned* len) {
  if (data == nullptr || out == nullptr || len == nullptr) return pkixrc::kBadArgument;
  // The service's one-call digest when it has one; otherwise a transform.
  int direct = ccdService.digest(alg, data->datap(), data->len(), out, len);
  if (direct != CCD_Interface::kDigestNotOffered) return direct;
  // A digest needs no key: the empty wrapper keeps no key service in use.
  aKey none(nullptr, nullptr);
  ccCtx_Stub ctx(none, CC_HASH, alg);
  return RunLocked(ctx, data, [&] { return ctx.out(out, len); });
}

int signMessage(TKey* key, TBuf* data, TBuf** sig, pki_alg_t alg) {
  if (sig == nullptr) return pkixrc::kBadArgument;
  *sig = nullptr;
  if (key == nullptr) return pkixrc::kBadArgument;
  return WithKey(key, CC_SIGN, alg, [&](ccCtx_Stub& c) { return encryptMessage(c, data, sig); });
}

int signMessage(TKey* key, TBuf* data, TBuf** sig) { return signMessage(key, data, sig, PKI_ALG_NONE); }

TBuf* signMessage(TKey* key, TBuf* data) {
  if (key == nullptr) return nullptr;
  return WithKey(key, CC_SIGN, PKI_ALG_NONE, [&](ccCtx_Stub& c) { return encryptMessage(c, data); });
}

int verifyMessage(TKey* key, TBuf* data, TBuf* signature, pki_alg_t alg) {
  if (key == nullptr || data == nullptr || signature == nullptr) return pkixrc::kBadArgument;
  return WithKey(key, CC_VERIFY, alg, [&](ccCtx_Stub& c) { return verifyMessage(c, data, signature); });
}

int verifyMessage(TKey* key, TBuf* data, TBuf* signature) {
  return verifyMessage(key, data, signature, PKI_ALG_NONE);
}

int encryptMessage(TKey* key, TBuf* data, TBuf** out) {
  if (out == nullptr) return pkixrc::kBadArgument;
  *out = nullptr;
  if (key == nullptr) return pkixrc::kBadArgument;
  return WithKey(key, CC_ENCRYPT, PKI_ALG_NONE, [&](ccCtx_Stub& c) { return encryptMessage(c, data, out); });
}

TBuf* encryptMessage(TKey* key, TBuf* data) {
  if (key == nullptr) return nullptr;
  return WithKey(key, CC_ENCRYPT, PKI_ALG_NONE, [&](ccCtx_Stub& c) { return encryptMessage(c, data); });
}

TBuf* decryptMessage(TKey* key, TBuf* data) {
  if (key == nullptr) return nullptr;
  return WithKey(key, CC_DECRYPT, PKI_ALG_NONE, [&](ccCtx_Stub& c) { return decryptMessage(c, data); });
}

int decryptMessage(TKey* key, TBuf* data, TBuf* out) {
  if (key == nullptr) return pkixrc::kBadArgument;
  return WithKey(key, CC_DECRYPT, PKI_ALG_NONE, [&](ccCtx_Stub& c) { return decryptMessage(c, data, out); });
}
