#include "key/gr34key.h"

#include <cstring>

#include "alg/pki_cnvrt_c.h"
#include "cert/x509.h"
#include "key/x509key.h"
#include "support/abuf.h"
#include "support/buffers.h"
#include "support/der_reader.h"

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
                              {TKey::AKA_KEY, TKey::AKA_NONE}, TKey::AKA_NONE};
// The size follows the key value and cannot be set.
const KeySizeRule kPubSize = {KeySizeRule::kOctetString, TKey::AKA_KEY, 0, false, true,
                              {TKey::AKA_KEY, TKey::AKA_NONE}, TKey::AKA_NONE};
const KeySizeRule kNoSize = {KeySizeRule::kNoSize, TKey::AKA_NONE, 0, false, false,
                             {TKey::AKA_NONE, TKey::AKA_NONE}, TKey::AKA_NONE};

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
  if (data == nullptr || len == 0 || set_buffer(&in, len, data) != 0) return false;
  DerReader r(in);
  if (x509_parse_spki(r.buf(), &oid, &out->params, &out->bits) < 0) return false;
  out->alg = asn2alg(oid.data, oid.len);
  out->consumed = len - r.left();
  return true;
}

// Context-specific primitive tags of the SC container fields.
constexpr unsigned char kField0 = der::kContext0;
constexpr unsigned char kField1 = der::kContext1;
constexpr unsigned char kField2 = der::kContext2;
constexpr unsigned char kFlag3 = der::kContext3;

// The usage octet of a CPRO container.
constexpr int kUsageExchange = 1;
constexpr int kUsageSignature = 2;

// The one octet of a set SC flag [3], as this module writes it.
const unsigned char kFlagOn = 0xFF;

// Reads an optional primitive element of tag at r into *out; false when it
// is there but malformed.
bool Optional(DerReader& r, unsigned char tag, Buffer* out, bool* present) {
  *present = false;
  *out = Buffer{};
  if (r.peek() != tag) return true;
  if (r.primitive(tag, out) != 0) return false;
  *present = true;
  return true;
}

// The first octet of a one-octet content (-1 when empty).
int FirstOctet(const Buffer& content) { return DerReader(content).peek(); }

}  // namespace

// ---- TIK --------------------------------------------------------------------

TIKGostPubKey::TIKGostPubKey() : ValueKey(kTikMap, kTikSize) {}

TBuf* TIKGostPubKey::getRaw() { return required(TKey::AKA_KEY); }

int TIKGostPubKey::setRaw(const unsigned char* data, unsigned len) {
  Ref<TBuf> value = adoptRef(createTBuf(data, len));
  if (!value) return error_ = pkixrc::kNoMemory;
  if (write(TKey::AKA_KEY, value.get()) != pkixrc::kOk) return error_;
  return setCache(value.get());
}

TBuf* TIKGostPubKey::getHashInput() { return required(TKey::AKA_KEY); }

// ---- CPRO and SC public keys --------------------------------------------------

GostPubKey::GostPubKey(pki_alg_t family, pki_vendor vendor)
    : ValueKey(kPubMap, kPubSize), family_(family), vendor_(vendor) {}

TBuf* GostPubKey::getRaw() {
  TBuf* raw = cached();
  if (raw == nullptr && error_ == pkixrc::kOk) error_ = pkixrc::kUnavailable;
  return raw;
}

int GostPubKey::setRaw(const unsigned char* data, unsigned len) {
  SpkiParts spki;
  if (!ReadSpki(data, len, &spki) || pki_alg_gost_family(spki.alg) != family_) return error_ = pkixrc::kFailed;
  if (writeCopy(TKey::AKA_ALG_PARAMS, spki.params) != pkixrc::kOk ||
      writeCopy(TKey::AKA_KEY, spki.bits) != pkixrc::kOk) {
    return error_;
  }
  return cacheCopy(data, spki.consumed);
}

TBuf* GostPubKey::getHashInput() { return required(TKey::AKA_KEY); }

// ---- containers -------------------------------------------------------------

GostContainerKey::GostContainerKey(const KeyMapRow* map, pki_vendor vendor) : Key(map, kNoSize), vendor_(vendor) {}

int GostContainerKey::setKey(TBuf*) { return error_ = pkixrc::kWrongType; }

TBuf* GostContainerKey::getKey() { return none(pkixrc::kWrongType); }

TBuf* GostContainerKey::getHashInput() { return required(TKey::AKA_KEY); }

int GostContainerKey::setRaw(const unsigned char* data, unsigned len) {
  SpkiParts spki;
  if (!ReadSpki(data, len, &spki) || spki.alg != alg()) return error_ = pkixrc::kFailed;
  // The parameters must be one non-empty SEQUENCE.
  DerReader params(spki.params);
  Buffer content;
  if (params.left() == 0 || params.primitive(der::kSequence, &content) != 0 || !params.atEnd() || content.len == 0) {
    return error_ = pkixrc::kFailed;
  }
  DerReader fields(content);
  int rc = readContainer(fields, spki.bits);
  if (rc != pkixrc::kOk) return error_ = rc;
  return cacheCopy(data, spki.consumed);
}

TBuf* GostContainerKey::getRaw() {
  if (hasCache()) return cached();
  unsigned oid_len = 0;
  const unsigned char* oid_octets = alg2asn(alg(), &oid_len);
  if (oid_octets == nullptr) return none(pkixrc::kFailed);
  Buffer oid;
  set_buffer(&oid, oid_len, oid_octets);

  OwnedBuffer params;
  DerWriter w(&params.b);
  Buffer bits = {};
  Ref<TBuf> hold;
  int rc = writeContainer(w, &bits, &hold);
  if (rc != pkixrc::kOk) return none(rc);
  if (w.code() != 0) return none(pkixrc::kFailed);

  unsigned size = params.b.len + bits.len + oid_len + 16;
  Ref<TBuf> out = adoptRef(createTBuf(nullptr, size));
  if (!out) return none(pkixrc::kNoMemory);
  out->shift(size);
  if (x509_encode_spki(&oid, &params.b, &bits, out->getBuffer()) < 0) return none(pkixrc::kFailed);
  if (setCache(out.get()) != pkixrc::kOk) return nullptr;
  return cached();
}

// ---- SC container -------------------------------------------------------------

SCPrivKey::SCPrivKey() : GostContainerKey(kSCMap, VENDOR_SC) {}

int SCPrivKey::readContainer(DerReader& params, const Buffer& bits) {
  // name UTF8String
  Buffer name;
  if (params.primitive(der::kUtf8String, &name) != 0) return pkixrc::kFailed;
  // [0], [1], [2] OCTETS OPTIONAL, [3] one octet OPTIONAL
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
    if (!Optional(params, f.tag, &f.value, &f.present)) return pkixrc::kFailed;
  }
  const Field& flag = fields[3];
  if (!params.atEnd() || (flag.present && flag.value.len != 1)) return pkixrc::kFailed;

  // The name is kept with a terminating zero octet.
  Ref<TBuf> stored = adoptRef(createTBuf(nullptr, name.len + 1));
  if (!stored) return error_ = pkixrc::kNoMemory;
  if (name.len != 0) std::memcpy(stored->datap(), name.data, name.len);
  if (write(TKey::AKA_CONTAINER_NAME, stored.get()) != pkixrc::kOk) return error_;
  for (int i = 0; i < 3; ++i) {
    if (fields[i].present && writeCopy(fields[i].aka, fields[i].value) != pkixrc::kOk) return error_;
  }
  if (bits.len != 0 && writeCopy(TKey::AKA_KEY, bits) != pkixrc::kOk) return error_;
  // A set flag: the container is one of the CPRO form.
  if (flag.present && FirstOctet(flag.value) != 0) {
    owner_->adoptAlg((alg() & 0x00FFFFFFu) | static_cast<pki_alg_t>(VENDOR_CPRO) << 24);
  }
  return pkixrc::kOk;
}

int SCPrivKey::writeContainer(DerWriter& w, Buffer* bits, Ref<TBuf>* hold) {
  Ref<TBuf> name = adoptRef(attr(TKey::AKA_CONTAINER_NAME));
  if (!name) return pkixrc::kFailed;
  hold->reset(attr(TKey::AKA_KEY));
  bool has_value = *hold && (*hold)->len() != 0;
  *bits = viewOf(hold->get());

  uint32_t end = w.mark();
  switch (pki_alg_vendor(owner_->alg())) {
    case VENDOR_CPRO:
      w.element(kFlag3, &kFlagOn, 1);
      break;
    case VENDOR_SC:
      break;
    default:
      return pkixrc::kFailed;
  }
  const struct {
    unsigned char tag;
    TKey::aka_t aka;
  } fields[] = {{kField2, TKey::AKA_CONTAINER_ATTR2}, {kField1, TKey::AKA_CONTAINER_ATTR1},
                {kField0, TKey::AKA_CONTAINER_ATTR0}};
  for (const auto& f : fields) {
    // [0] is written only for a container without key value.
    if (f.tag == kField0 && has_value) continue;
    Ref<TBuf> v = adoptRef(attr(f.aka));
    if (v) w.element(f.tag, viewOf(v.get()));
  }
  w.element(der::kUtf8String, viewOf(name.get()));
  w.close(der::kSequence, end);
  return pkixrc::kOk;
}

// ---- CPRO container -----------------------------------------------------------

CPROPrivKey::CPROPrivKey() : GostContainerKey(kCPROMap, VENDOR_CPRO) {}

int CPROPrivKey::readContainer(DerReader& params, const Buffer& bits) {
  // usage OCTET STRING (one octet), OCTET STRING
  Buffer usage;
  Buffer attr1;
  if (params.primitive(der::kOctetString, &usage) != 0 || usage.len != 1) return pkixrc::kFailed;
  if (params.primitive(der::kOctetString, &attr1) != 0 || !params.atEnd()) return pkixrc::kFailed;
  if (writeCopy(TKey::AKA_CONTAINER_ATTR1, attr1) != pkixrc::kOk ||
      writeCopy(TKey::AKA_CONTAINER_NAME, bits) != pkixrc::kOk) {
    return error_;
  }
  int use = FirstOctet(usage);
  owner_->setFlag(TKey::BKA_SIGNATURE, use == kUsageSignature);
  owner_->setFlag(TKey::BKA_EXCHANGE, use == kUsageExchange);
  return pkixrc::kOk;
}

int CPROPrivKey::writeContainer(DerWriter& w, Buffer* bits, Ref<TBuf>* hold) {
  Ref<TBuf> attr1 = adoptRef(attr(TKey::AKA_CONTAINER_ATTR1));
  hold->reset(attr(TKey::AKA_CONTAINER_NAME));
  if (!attr1 || !*hold) return pkixrc::kFailed;
  *bits = viewOf(hold->get());
  unsigned char usage = owner_->flag(TKey::BKA_SIGNATURE) ? kUsageSignature
                        : owner_->flag(TKey::BKA_EXCHANGE) ? kUsageExchange
                                                            : 0;
  uint32_t end = w.mark();
  w.element(der::kOctetString, viewOf(attr1.get()));
  w.element(der::kOctetString, &usage, 1);
  w.close(der::kSequence, end);
  return pkixrc::kOk;
}
