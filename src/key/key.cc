#include "key/key.h"

#include <cstdlib>

#include "cert/x509.h"
#include "cert/x509enc.h"
#include "key/ccdC.h"
#include "key/eckey.h"
#include "key/keybuf.h"
#include "key/x509key.h"
#include "module/cmn_abuf.h"

namespace {

// The three views of a parameter record, by position.
Buffer* ParamView(x509_key_params_t* p, unsigned i) {
  Buffer* views[3] = {&p->first, &p->second, &p->third};
  return views[i];
}

// Frees a parameter record when the scope ends.
struct ParamsOwner {
  x509_key_params_t* p = nullptr;
  ~ParamsOwner() { std::free(p); }
};

// The number of significant bits of a big-endian unsigned number.
uint32_t BitLength(const unsigned char* p, uint32_t n) {
  while (n != 0 && *p == 0) ++p, --n;
  if (n == 0) return 0;
  uint32_t bits = (n - 1) * 8;
  for (unsigned top = *p; top != 0; top >>= 1) ++bits;
  return bits;
}

}  // namespace

Key::~Key() { dropCache(); }

int Key::fitX509Key(X509Key* owner) {
  owner_ = owner;
  return 0;
}

// ---- attributes -----------------------------------------------------------

bool Key::accepts(TKey::aka_t a) const {
  if (a == TKey::AKA_NONE) return false;
  for (unsigned i = 1; i <= map_[0].index; ++i) {
    if (map_[i].aka == a) return true;
  }
  return false;
}

bool Key::isSize(TKey::aka_t a) const {
  if (size_.measure == KeySizeRule::kNoSize) return false;
  return a == TKey::AKA_BITS || (size_.rsa_bits && a == TKey::AKA_RSA_BITS);
}

TBuf* Key::attr(TKey::aka_t a) {
  TBuf* v = owner_->attrs().get(a);
  error_ = owner_->attrs().error();
  return v;
}

TBuf* Key::required(TKey::aka_t a) {
  TBuf* v = attr(a);
  if (v == nullptr) error_ = 40;
  return v;
}

int Key::store(TKey::aka_t a, TBuf* b) { return error_ = owner_->attrs().append(a, b); }

int Key::storeCopy(TKey::aka_t a, const Buffer& octets) {
  TBuf* b = createTBuf(octets.data, octets.len);
  if (b == nullptr) return error_ = 1;
  int rc = store(a, b);
  b->release();
  return rc;
}

TBuf* Key::read(TKey::aka_t a) { return isSize(a) ? size(a) : attr(a); }

int Key::write(TKey::aka_t a, TBuf* b) {
  bool sized = isSize(a);
  if (sized && size_.read_only) return error_ = 4;
  dropCache();
  if (store(a, b) != 0) return error_;
  if (sized && size_.rsa_bits) {
    // AKA_RSA_BITS and AKA_BITS always hold the same value.
    store(a == TKey::AKA_BITS ? TKey::AKA_RSA_BITS : TKey::AKA_BITS, b);
  } else if (a != TKey::AKA_NONE && (a == size_.clears[0] || a == size_.clears[1])) {
    // The size derived from the old value no longer holds.
    store(TKey::AKA_BITS, nullptr);
    if (size_.rsa_bits) store(TKey::AKA_RSA_BITS, nullptr);
  }
  return error_;
}

int Key::writeCopy(TKey::aka_t a, const Buffer& octets) {
  BufRef v(createTBuf(octets.data, octets.len));
  if (!v) return error_ = 1;
  return write(a, v.get());
}

TBuf* Key::getParam(unsigned i) {
  if (i >= map_[0].index) return none(5);
  return read(map_[i + 1].aka);
}

int Key::setParam(unsigned i, TBuf* b) {
  if (i >= map_[0].index) return error_ = 5;
  return write(map_[i + 1].aka, b);
}

TBuf* Key::getParam(TKey::aka_t a) {
  if (!accepts(a)) return none(5);
  return read(a);
}

int Key::setParam(TKey::aka_t a, TBuf* b) {
  if (!accepts(a)) return error_ = 5;
  return write(a, b);
}

// ---- key size -------------------------------------------------------------

int Key::measure(TBuf* source, uint32_t* bits) {
  Buffer v = BufView(source);
  switch (size_.measure) {
    case KeySizeRule::kNumber:
      *bits = BitLength(v.data, v.len);
      return 0;
    case KeySizeRule::kOctets:
      *bits = 8 * v.len;
      return 0;
    case KeySizeRule::kOctetString: {
      // The key value must be exactly one OCTET STRING.
      Buffer content;
      if (asn1_decode_primitive(0x04, &v, &content) < 0 || v.len != 0) return 9;
      *bits = 8 * content.len;
      return 0;
    }
    case KeySizeRule::kCurve:
      return ecCurveBits(v, bits);
    default:
      return 9;
  }
}

TBuf* Key::size(TKey::aka_t a) {
  TBuf* stored = attr(a);
  if (stored != nullptr && stored->len() != 0) return stored;
  if (stored != nullptr) stored->release();
  uint32_t bits = size_.fixed_bits;
  if (size_.measure != KeySizeRule::kFixed) {
    bool octet_string = size_.measure == KeySizeRule::kOctetString;
    TBuf* source = attr(size_.source);
    if (source == nullptr || (octet_string && source->len() == 0)) {
      if (source != nullptr) source->release();
      // Without its source the size is unknown; a GOST key value is
      // required to hold one.
      return none(octet_string ? 9 : 40);
    }
    int rc = measure(source, &bits);
    source->release();
    if (rc != 0) return none(rc);
  }
  const unsigned char be[4] = {static_cast<unsigned char>(bits >> 24), static_cast<unsigned char>(bits >> 16),
                               static_cast<unsigned char>(bits >> 8), static_cast<unsigned char>(bits)};
  TBuf* made = createTBuf(be, 4);
  if (made == nullptr) return none(1);
  store(TKey::AKA_BITS, made);
  if (size_.rsa_bits) store(TKey::AKA_RSA_BITS, made);
  error_ = 0;
  return made;
}

// ---- defaults of the virtual operations -----------------------------------

int Key::setKey(TBuf* b) {
  dropCache();
  return error_ = b == nullptr ? 4 : 0;
}

int Key::setRaw(const unsigned char* data, unsigned len) {
  error_ = 0;
  if (data == nullptr || len == 0) return 0;
  return cacheCopy(data, len);
}

TBuf* Key::getHashInput() { return none(5); }

TBuf* Key::getMD5() {
  TBuf* input = getHashInput();
  if (input == nullptr) return nullptr;
  BufRef hold(input);
  unsigned char digest[20];
  unsigned len = sizeof digest;
  int rc = make_hash(PKI_ALG_MD5, input, digest, &len);
  if (rc != 0) return none(rc);
  TBuf* out = createTBuf(digest, len);
  error_ = out == nullptr ? 1 : 0;
  return out;
}

// ---- the cached encoding --------------------------------------------------

TBuf* Key::cached() {
  error_ = 0;
  if (encoding_ == nullptr) return nullptr;
  if (encoding_->addRef() <= 0) return none(43);
  return encoding_;
}

int Key::setCache(TBuf* b, int form) {
  if (b->addRef() <= 0) return error_ = 43;
  dropCache();
  encoding_ = b;
  form_ = form;
  return error_ = 0;
}

int Key::cacheCopy(const unsigned char* data, unsigned len, int form) {
  TBuf* b = createTBuf(data, len);
  if (b == nullptr) return error_ = 1;
  int rc = setCache(b, form);
  b->release();
  return rc;
}

void Key::dropCache() {
  TBuf* old = encoding_;
  encoding_ = nullptr;
  form_ = 0;
  if (old != nullptr) old->release();
}

// ---- generic DER ----------------------------------------------------------

int Key::setRaw(pki_alg_t alg, const unsigned char* data, unsigned len, const KeyAttr* attrs, unsigned n) {
  TKey::key_type_t kind = owner_->kind();
  if (n > 3 || (kind != TKey::KT_PUBLIC && kind != TKey::KT_PRIVATE)) return error_ = 5;
  Buffer in;
  if (set_buffer(&in, len, data) != 0) return error_ = 9;
  uint16_t type = 0;
  ParamsOwner params;
  Buffer value;
  int rc = kind == TKey::KT_PUBLIC ? x509_parse_key(&in, &type, &params.p, &value)
                                   : asn1_der_decode_secret(&in, &type, &params.p, &value);
  if (rc < 0) return error_ = 9;
  if (type != alg) return error_ = 5;
  for (unsigned i = 0; i < n && params.p != nullptr; ++i) {
    Buffer* v = ParamView(params.p, i);
    if (v->len == 0) continue;
    TBuf* b = createTBuf(v->data, v->len);
    if (b == nullptr) return error_ = 1;
    rc = setParam(attrs[i].id, b);
    b->release();
    if (rc != 0) return rc;
  }
  TBuf* key_value = createTBuf(value.data, value.len);
  if (key_value == nullptr) return error_ = 1;
  rc = takeValue(key_value);
  key_value->release();
  if (rc != 0) return rc;
  // What the parse consumed, from the start of the input.
  return cacheCopy(data, static_cast<unsigned>(in.data - data));
}

TBuf* Key::getRaw(pki_alg_t alg, const KeyAttr* attrs, unsigned n) {
  TKey::key_type_t kind = owner_->kind();
  if (kind != TKey::KT_PUBLIC && kind != TKey::KT_PRIVATE) return none(5);
  if (hasCache()) return cached();
  TBuf* key_value = getKey();
  if (key_value == nullptr) return none(40);
  BufRef hold_value(key_value);
  if (n > 3) return none(5);

  x509_key_params_t params = {};
  BufRef values[3];
  uint32_t size = key_value->len() + 5 + 35;
  for (unsigned i = 0; i < n; ++i) {
    values[i].reset(getParam(attrs[i].id));
    if (!values[i]) return none(9);
    *ParamView(&params, i) = BufView(values[i].get());
    size += values[i].get()->len() + 5;
  }
  TBuf* out = createTBuf(nullptr, size);
  if (out == nullptr) return none(1);
  BufRef hold_out(out);
  out->shift(size);
  Buffer v = BufView(key_value);
  x509_key_params_t* p = n == 0 ? nullptr : &params;
  uint16_t code = static_cast<uint16_t>(alg);
  int rc = kind == TKey::KT_PUBLIC ? x509_enc_key(code, p, &v, out->getBuffer())
                                   : asn1_der_encode_secret(code, p, &v, out->getBuffer());
  if (rc < 0) {
    dropCache();
    return none(9);
  }
  if (setCache(out) != 0) return nullptr;
  return cached();
}
