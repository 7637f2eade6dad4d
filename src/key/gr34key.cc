#include "key/gr34key.h"

#include <cstring>

#include "alg/pki_cnvrt_c.h"
#include "cert/x509.h"
#include "key/x509key.h"
#include "module/cmn_abuf.h"

namespace {

// The public maps: key value, size and the third attribute of the vendor.
const KeyMapRow kTikMap[] = {{4, TKey::AKA_NONE}, {0, TKey::AKA_KEY}, {1, TKey::AKA_BITS},
                             {2, TKey::AKA_X17},  {3, TKey::AKA_NONE}};
const KeyMapRow kPubMap[] = {{4, TKey::AKA_NONE},       {0, TKey::AKA_KEY}, {1, TKey::AKA_BITS},
                             {2, TKey::AKA_ALG_PARAMS}, {3, TKey::AKA_NONE}};
const KeyMapRow kSCMap[] = {{5, TKey::AKA_NONE},
                            {0, TKey::AKA_KEY},
                            {1, TKey::AKA_CONTAINER_NAME},
                            {2, TKey::AKA_CONTAINER_ATTR1},
                            {3, TKey::AKA_CONTAINER_ATTR0},
                            {4, TKey::AKA_CONTAINER_ATTR2}};
const KeyMapRow kCPROMap[] = {{3, TKey::AKA_NONE}, {0, TKey::AKA_CONTAINER_NAME}, {1, TKey::AKA_CONTAINER_ATTR1},
                              {2, TKey::AKA_NONE}};

const KeySizeRule kTikSize = {KeySizeRule::kFixed, TKey::AKA_NONE, 1024, false, false,
                              {TKey::AKA_KEY, TKey::AKA_NONE}};
// The size follows the key value and cannot be set.
const KeySizeRule kPubSize = {KeySizeRule::kOctetString, TKey::AKA_KEY, 0, false, true,
                              {TKey::AKA_KEY, TKey::AKA_NONE}};
const KeySizeRule kNoSize = {KeySizeRule::kNoSize, TKey::AKA_NONE, 0, false, false,
                             {TKey::AKA_NONE, TKey::AKA_NONE}};

// SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier,
//                                     subjectPublicKey BIT STRING }
// The shape of both the public keys and the containers.
struct SpkiParts {
  pki_alg_t alg;
  Buffer params;  // the parameters element, header included
  Buffer bits;    // the BIT STRING octets
  unsigned consumed;
};

bool ReadSpki(const unsigned char* data, unsigned len, SpkiParts* out) {
  Buffer in;
  Buffer oid;
  if (set_buffer(&in, len, data) != 0 || x509_parse_spki(&in, &oid, &out->params, &out->bits) < 0) return false;
  out->alg = asn2alg(oid.data, oid.len);
  out->consumed = static_cast<unsigned>(in.data - data);
  return true;
}

// Context-specific primitive tags of the SC container fields.
constexpr unsigned char kField0 = 0x80;
constexpr unsigned char kField1 = 0x81;
constexpr unsigned char kField2 = 0x82;
constexpr unsigned char kFlag3 = 0x83;

// Reads an optional primitive element of tag at cur into out; false when
// it is there but malformed.
bool Optional(Buffer* cur, unsigned char tag, Buffer* out, bool* present) {
  *present = false;
  init_buffer(out);
  if (cur->len == 0 || asn1_peek_tag(cur) != tag) return true;
  if (asn1_decode_primitive(tag, cur, out) < 0) return false;
  *present = true;
  return true;
}

}  // namespace

// ---- TIK --------------------------------------------------------------------

TIKGostPubKey::TIKGostPubKey() : ValueKey(kTikMap, kTikSize) {}

TBuf* TIKGostPubKey::getRaw() { return required(TKey::AKA_KEY); }

int TIKGostPubKey::setRaw(const unsigned char* data, unsigned len) {
  BufRef value(createTBuf(data, len));
  if (!value) return error_ = 1;
  if (write(TKey::AKA_KEY, value.get()) != 0) return error_;
  return setCache(value.get());
}

TBuf* TIKGostPubKey::getHashInput() { return required(TKey::AKA_KEY); }

// ---- CPRO and SC public keys --------------------------------------------------

GostPubKey::GostPubKey(pki_alg_t family, pki_vendor vendor)
    : ValueKey(kPubMap, kPubSize), family_(family), vendor_(vendor) {}

TBuf* GostPubKey::getRaw() {
  TBuf* raw = cached();
  if (raw == nullptr && error_ == 0) error_ = 40;
  return raw;
}

int GostPubKey::setRaw(const unsigned char* data, unsigned len) {
  SpkiParts spki;
  if (!ReadSpki(data, len, &spki) || pki_alg_gost_family(spki.alg) != family_) return error_ = 9;
  if (writeCopy(TKey::AKA_ALG_PARAMS, spki.params) != 0 || writeCopy(TKey::AKA_KEY, spki.bits) != 0) return error_;
  return cacheCopy(data, spki.consumed);
}

TBuf* GostPubKey::getHashInput() { return required(TKey::AKA_KEY); }

// ---- containers -------------------------------------------------------------

GostContainerKey::GostContainerKey(const KeyMapRow* map, pki_vendor vendor) : Key(map, kNoSize), vendor_(vendor) {}

int GostContainerKey::setKey(TBuf*) { return error_ = 5; }

TBuf* GostContainerKey::getKey() { return none(5); }

TBuf* GostContainerKey::getHashInput() { return required(TKey::AKA_KEY); }

int GostContainerKey::setRaw(const unsigned char* data, unsigned len) {
  SpkiParts spki;
  if (!ReadSpki(data, len, &spki) || spki.alg != alg()) return error_ = 9;
  // The parameters must be one non-empty SEQUENCE.
  Buffer content;
  if (asn1_decode_primitive(0x30, &spki.params, &content) < 0 || spki.params.len != 0 || content.len == 0) {
    return error_ = 9;
  }
  int rc = readContainer(content, spki.bits);
  if (rc != 0) return error_ = rc;
  return cacheCopy(data, spki.consumed);
}

TBuf* GostContainerKey::getRaw() {
  if (hasCache()) return cached();
  unsigned oid_len = 0;
  const unsigned char* oid_octets = alg2asn(alg(), &oid_len);
  if (oid_octets == nullptr) return none(9);
  Buffer oid;
  set_buffer(&oid, oid_len, oid_octets);

  ScratchBuffer params;
  DerWriter w(&params.b);
  Buffer bits;
  init_buffer(&bits);
  BufRef hold;
  int rc = writeContainer(w, &bits, &hold);
  if (rc != 0) return none(rc);
  if (w.code() != 0) return none(9);

  unsigned size = params.b.len + bits.len + oid_len + 16;
  BufRef out(createTBuf(nullptr, size));
  if (!out) return none(1);
  out.get()->shift(size);
  if (x509_encode_spki(&oid, &params.b, &bits, out.get()->getBuffer()) < 0) return none(9);
  if (setCache(out.get()) != 0) return nullptr;
  return cached();
}

// ---- SC container -------------------------------------------------------------

SCPrivKey::SCPrivKey() : GostContainerKey(kSCMap, VENDOR_SC) {}

int SCPrivKey::readContainer(Buffer params, const Buffer& bits) {
  Buffer name;
  if (asn1_decode_primitive(0x0C, &params, &name) < 0) return 9;
  struct Field {
    unsigned char tag;
    TKey::aka_t aka;
    Buffer value;
    bool present;
  } fields[] = {{kField0, TKey::AKA_CONTAINER_ATTR0, {}, false},
                {kField1, TKey::AKA_CONTAINER_ATTR1, {}, false},
                {kField2, TKey::AKA_CONTAINER_ATTR2, {}, false},
                {kFlag3, TKey::AKA_NONE, {}, false}};
  for (Field& f : fields) {
    if (!Optional(&params, f.tag, &f.value, &f.present)) return 9;
  }
  const Field& flag = fields[3];
  if (params.len != 0 || (flag.present && flag.value.len != 1)) return 9;

  // The name is kept with a terminating zero octet.
  BufRef stored(createTBuf(nullptr, name.len + 1));
  if (!stored) return error_ = 1;
  if (name.len != 0) std::memcpy(stored.get()->datap(), name.data, name.len);
  if (write(TKey::AKA_CONTAINER_NAME, stored.get()) != 0) return error_;
  for (int i = 0; i < 3; ++i) {
    if (fields[i].present && writeCopy(fields[i].aka, fields[i].value) != 0) return error_;
  }
  if (bits.len != 0 && writeCopy(TKey::AKA_KEY, bits) != 0) return error_;
  // A set flag: the container is one of the CPRO form.
  if (flag.present && flag.value.data[0] != 0) owner_->adoptAlg((alg() & 0x00FFFFFFu) | 0x02000000u);
  return 0;
}

int SCPrivKey::writeContainer(DerWriter& w, Buffer* bits, BufRef* hold) {
  BufRef name(attr(TKey::AKA_CONTAINER_NAME));
  if (!name) return 9;
  hold->reset(attr(TKey::AKA_KEY));
  bool has_value = hold->get() != nullptr && hold->get()->len() != 0;
  *bits = BufView(hold->get());

  uint32_t end = w.mark();
  switch (pki_alg_vendor(owner_->alg())) {
    case VENDOR_CPRO: {
      static const unsigned char kOn = 0xFF;
      w.element(kFlag3, &kOn, 1);
      break;
    }
    case VENDOR_SC:
      break;
    default:
      return 9;
  }
  const struct {
    unsigned char tag;
    TKey::aka_t aka;
  } fields[] = {{kField2, TKey::AKA_CONTAINER_ATTR2}, {kField1, TKey::AKA_CONTAINER_ATTR1},
                {kField0, TKey::AKA_CONTAINER_ATTR0}};
  for (const auto& f : fields) {
    // [0] is written only for a container without key value.
    if (f.tag == kField0 && has_value) continue;
    BufRef v(attr(f.aka));
    if (v) w.element(f.tag, BufView(v.get()));
  }
  w.element(0x0C, BufView(name.get()));
  w.close(0x30, end);
  return 0;
}

// ---- CPRO container -----------------------------------------------------------

CPROPrivKey::CPROPrivKey() : GostContainerKey(kCPROMap, VENDOR_CPRO) {}

int CPROPrivKey::readContainer(Buffer params, const Buffer& bits) {
  Buffer usage;
  Buffer attr1;
  if (asn1_decode_primitive(0x04, &params, &usage) < 0 || usage.len != 1) return 9;
  if (asn1_decode_primitive(0x04, &params, &attr1) < 0 || params.len != 0) return 9;
  if (writeCopy(TKey::AKA_CONTAINER_ATTR1, attr1) != 0 || writeCopy(TKey::AKA_CONTAINER_NAME, bits) != 0) return error_;
  owner_->setFlag(TKey::BKA_SIGNATURE, usage.data[0] == 2);
  owner_->setFlag(TKey::BKA_EXCHANGE, usage.data[0] == 1);
  return 0;
}

int CPROPrivKey::writeContainer(DerWriter& w, Buffer* bits, BufRef* hold) {
  BufRef attr1(attr(TKey::AKA_CONTAINER_ATTR1));
  hold->reset(attr(TKey::AKA_CONTAINER_NAME));
  if (!attr1 || !*hold) return 9;
  *bits = BufView(hold->get());
  unsigned char usage = owner_->flag(TKey::BKA_SIGNATURE) ? 2 : owner_->flag(TKey::BKA_EXCHANGE) ? 1 : 0;
  uint32_t end = w.mark();
  w.element(0x04, BufView(attr1.get()));
  w.element(0x04, &usage, 1);
  w.close(0x30, end);
  return 0;
}
