#include "key/key.h"

#include "alg/pki_cnvrt_c.h"
#include "cert/x509.h"
#include "cert/x509enc.h"
#include "key/ccdC.h"
#include "key/eckey.h"
#include "key/x509key.h"
#include "support/abuf.h"
#include "support/buffers.h"
#include "support/der_reader.h"

namespace {

// The three views of a parameter record, by position.
Buffer* ParamView(x509_key_params_t* p, unsigned i) {
  Buffer* views[3] = {&p->first, &p->second, &p->third};
  return views[i];
}

// The number of significant bits of a big-endian unsigned number.
uint32_t BitLength(const Buffer& number) {
  DerReader r(number);
  while (r.peek() == 0) r.moveTo(r.pos() + 1);
  if (r.left() == 0) return 0;
  uint32_t bits = (r.left() - 1) * 8;
  for (unsigned top = static_cast<unsigned>(r.peek()); top != 0; top >>= 1) ++bits;
  return bits;
}

// The parts of a public key whose AlgorithmIdentifier has no parameters.
struct BareSpki {
  Buffer oid;    // the algorithm's OBJECT IDENTIFIER content
  Buffer value;  // the INTEGER's content
  Buffer whole;  // the SubjectPublicKeyInfo element
};

// SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
//                                     subjectPublicKey BIT STRING }
// AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER }
//                         (parameters absent)
// subjectPublicKey: no unused bits, one INTEGER (DSAPublicKey, DHPublicKey)
// Reads one at in; 0, or the first negative code.
int ReadBareSpki(const Buffer& in, BareSpki* out) {
  DerReader r(in);
  return r.element(
      der::kSequence,
      [&](DerReader& spki) {
        DER_TRY(spki.element(der::kSequence, [&](DerReader& algid) { return algid.primitive(der::kOid, &out->oid); }));
        Buffer bits;
        DER_TRY(spki.primitive(der::kBitString, &bits));
        DerReader key(bits);
        if (key.peek() != 0) return X509ASN_E_VALUE;  // unused bits, or nothing at all
        key.moveTo(key.pos() + 1);
        DER_TRY(asn1_decode_integer(key.buf(), &out->value));
        return key.atEnd() ? 0 : X509ASN_E_TRAILING;
      },
      &out->whole);
}

// Whether a SubjectPublicKeyInfo's AlgorithmIdentifier has no parameters.
bool HasNoParams(const Buffer& in) {
  Buffer probe = in;
  Buffer oid;
  Buffer params;
  return x509_parse_spki(&probe, &oid, &params, nullptr) == 0 && params.len == 0;
}

}  // namespace

bool isOctet(const Buffer& content, unsigned char v) {
  DerReader r(content);
  return r.left() == 1 && r.peek() == v;
}

Key::~Key() = default;

int Key::fitX509Key(X509Key* owner) {
  owner_ = owner;
  return pkixrc::kOk;
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
  if (v == nullptr) error_ = pkixrc::kUnavailable;
  return v;
}

int Key::store(TKey::aka_t a, TBuf* b) { return error_ = owner_->attrs().append(a, b); }

int Key::storeCopy(TKey::aka_t a, const Buffer& octets) {
  Ref<TBuf> b = tbufCopy(octets);
  if (!b) return error_ = pkixrc::kNoMemory;
  return store(a, b.get());
}

TBuf* Key::read(TKey::aka_t a) { return isSize(a) ? size(a) : attr(a); }

int Key::write(TKey::aka_t a, TBuf* b) {
  bool sized = isSize(a);
  if (sized && size_.read_only) return error_ = pkixrc::kBadArgument;
  dropCache();
  if (store(a, b) != pkixrc::kOk) return error_;
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
  Ref<TBuf> v = tbufCopy(octets);
  if (!v) return error_ = pkixrc::kNoMemory;
  return write(a, v.get());
}

TBuf* Key::getParam(unsigned i) {
  if (i >= map_[0].index) return none(pkixrc::kWrongType);
  return read(map_[i + 1].aka);
}

int Key::setParam(unsigned i, TBuf* b) {
  if (i >= map_[0].index) return error_ = pkixrc::kWrongType;
  return write(map_[i + 1].aka, b);
}

TBuf* Key::getParam(TKey::aka_t a) {
  if (!accepts(a)) return none(pkixrc::kWrongType);
  return read(a);
}

int Key::setParam(TKey::aka_t a, TBuf* b) {
  if (!accepts(a)) return error_ = pkixrc::kWrongType;
  return write(a, b);
}

// ---- key size -------------------------------------------------------------

int Key::measure(TBuf* source, uint32_t* bits) {
  Buffer v = viewOf(source);
  switch (size_.measure) {
    case KeySizeRule::kNumber:
      *bits = BitLength(v);
      return pkixrc::kOk;
    case KeySizeRule::kOctets:
      *bits = 8 * v.len;
      return pkixrc::kOk;
    case KeySizeRule::kOctetString: {
      // The key value must be exactly one OCTET STRING.
      DerReader r(v);
      Buffer content;
      if (r.primitive(der::kOctetString, &content) != 0 || !r.atEnd()) return pkixrc::kFailed;
      *bits = 8 * content.len;
      return pkixrc::kOk;
    }
    case KeySizeRule::kCurve:
      return ecCurveBits(v, bits);
    default:
      return pkixrc::kFailed;
  }
}

TBuf* Key::size(TKey::aka_t a) {
  Ref<TBuf> stored = adoptRef(attr(a));
  if (stored && stored->len() != 0) return stored.detach();
  uint32_t bits = size_.fixed_bits;
  if (size_.measure != KeySizeRule::kFixed) {
    bool octet_string = size_.measure == KeySizeRule::kOctetString;
    Ref<TBuf> source = adoptRef(attr(size_.source));
    if (!source && size_.fallback != TKey::AKA_NONE) source.reset(attr(size_.fallback));
    if (!source || (octet_string && source->len() == 0)) {
      // Without its source the size is unknown; a GOST key value is
      // required to hold one.
      return none(octet_string ? pkixrc::kFailed : pkixrc::kUnavailable);
    }
    int rc = measure(source.get(), &bits);
    if (rc != pkixrc::kOk) return none(rc);
  }
  const unsigned char be[4] = {static_cast<unsigned char>(bits >> 24), static_cast<unsigned char>(bits >> 16),
                               static_cast<unsigned char>(bits >> 8), static_cast<unsigned char>(bits)};
  TBuf* made = createTBuf(be, 4);
  if (made == nullptr) return none(pkixrc::kNoMemory);
  store(TKey::AKA_BITS, made);
  if (size_.rsa_bits) store(TKey::AKA_RSA_BITS, made);
  error_ = pkixrc::kOk;
  return made;
}

// ---- defaults of the virtual operations -----------------------------------

int Key::setKey(TBuf* b) {
  dropCache();
  return error_ = b == nullptr ? pkixrc::kBadArgument : pkixrc::kOk;
}

int Key::setRaw(const unsigned char* data, unsigned len) {
  error_ = pkixrc::kOk;
  if (data == nullptr || len == 0) return pkixrc::kOk;
  return cacheCopy(data, len);
}

TBuf* Key::getHashInput() { return none(pkixrc::kWrongType); }

TBuf* Key::getMD5() {
  Ref<TBuf> input = adoptRef(getHashInput());
  if (!input) return nullptr;
  unsigned char digest[20];
  unsigned len = sizeof digest;
  int rc = make_hash(PKI_ALG_MD5, input.get(), digest, &len);
  if (rc != pkixrc::kOk) return none(rc);
  TBuf* out = createTBuf(digest, len);
  error_ = out == nullptr ? pkixrc::kNoMemory : pkixrc::kOk;
  return out;
}

// ---- the cached encoding --------------------------------------------------

TBuf* Key::cached() {
  error_ = pkixrc::kOk;
  if (!encoding_) return nullptr;
  if ((error_ = addRefTo(encoding_.get())) != pkixrc::kOk) return nullptr;
  return encoding_.get();
}

int Key::setCache(TBuf* b, int form) {
  if ((error_ = addRefTo(b)) != pkixrc::kOk) return error_;
  encoding_.reset(b);
  form_ = form;
  return error_;
}

int Key::cacheCopy(const unsigned char* data, unsigned len, int form) {
  Ref<TBuf> b = adoptRef(createTBuf(data, len));
  if (!b) return error_ = pkixrc::kNoMemory;
  return setCache(b.get(), form);
}

void Key::dropCache() {
  form_ = 0;
  encoding_.reset();
}

// ---- generic DER ----------------------------------------------------------

int Key::setRaw(pki_alg_t alg, const unsigned char* data, unsigned len, const KeyAttr* attrs, unsigned n) {
  TKey::key_type_t kind = owner_->kind();
  if (n > 3 || (kind != TKey::KT_PUBLIC && kind != TKey::KT_PRIVATE)) return error_ = pkixrc::kWrongType;
  Buffer in;
  if (data == nullptr || set_buffer(&in, len, data) != 0) return error_ = pkixrc::kFailed;
  if (kind == TKey::KT_PUBLIC && HasNoParams(in)) {
    // Only a family whose parameters may be inherited takes such a key;
    // the parameter parsers are never handed the absent element.
    BareSpki bare;
    if (!paramsInherited() || ReadBareSpki(in, &bare) != 0) return error_ = pkixrc::kFailed;
    if (asn2alg(bare.oid.data, bare.oid.len) != alg) return error_ = pkixrc::kWrongType;
    Ref<TBuf> value = tbufCopy(bare.value);
    if (!value) return error_ = pkixrc::kNoMemory;
    if (takeValue(value.get()) != pkixrc::kOk) return error_;
    return cacheCopy(bare.whole.data, bare.whole.len);
  }
  uint16_t type = 0;
  MallocPtr<x509_key_params_t> params;
  Buffer value;
  int rc = kind == TKey::KT_PUBLIC ? x509_parse_key(&in, &type, params.out(), &value)
                                   : asn1_der_decode_secret(&in, &type, params.out(), &value);
  if (rc < 0) return error_ = pkixrc::kFailed;
  if (type != alg) return error_ = pkixrc::kWrongType;
  for (unsigned i = 0; i < n && params.get() != nullptr; ++i) {
    Buffer* v = ParamView(params.get(), i);
    if (v->len == 0) continue;
    Ref<TBuf> b = tbufCopy(*v);
    if (!b) return error_ = pkixrc::kNoMemory;
    if (setParam(attrs[i].id, b.get()) != pkixrc::kOk) return error_;
  }
  Ref<TBuf> key_value = tbufCopy(value);
  if (!key_value) return error_ = pkixrc::kNoMemory;
  if (takeValue(key_value.get()) != pkixrc::kOk) return error_;
  // What the parse consumed, from the start of the input.
  return cacheCopy(data, len - in.len);
}

TBuf* Key::getRaw(pki_alg_t alg, const KeyAttr* attrs, unsigned n) {
  TKey::key_type_t kind = owner_->kind();
  if (kind != TKey::KT_PUBLIC && kind != TKey::KT_PRIVATE) return none(pkixrc::kWrongType);
  if (hasCache()) return cached();
  Ref<TBuf> key_value = adoptRef(getKey());
  if (!key_value) return none(pkixrc::kUnavailable);
  if (n > 3) return none(pkixrc::kWrongType);

  x509_key_params_t params = {};
  Ref<TBuf> values[3];
  uint32_t size = key_value->len() + 5 + 35;
  for (unsigned i = 0; i < n; ++i) {
    values[i].reset(getParam(attrs[i].id));
    if (!values[i]) return none(pkixrc::kFailed);
    *ParamView(&params, i) = viewOf(values[i].get());
    size += values[i]->len() + 5;
  }
  Ref<TBuf> out = adoptRef(createTBuf(nullptr, size));
  if (!out) return none(pkixrc::kNoMemory);
  out->shift(size);
  Buffer v = viewOf(key_value.get());
  x509_key_params_t* p = n == 0 ? nullptr : &params;
  uint16_t code = static_cast<uint16_t>(alg);
  int rc = kind == TKey::KT_PUBLIC ? x509_enc_key(code, p, &v, out->getBuffer())
                                   : asn1_der_encode_secret(code, p, &v, out->getBuffer());
  if (rc < 0) {
    dropCache();
    return none(pkixrc::kFailed);
  }
  if (setCache(out.get()) != pkixrc::kOk) return nullptr;
  return cached();
}
