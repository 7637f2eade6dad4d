#include "asn/pkix_asn_sceps.h"

#include <new>

namespace {

constexpr TName::name_type_t kIssuerDN = static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_ISSUER);
constexpr TName::name_type_t kSubjectDN = static_cast<TName::name_type_t>(TName::NAME_DN | TName::NAME_SUBJECT);

// A wrapper's error, or 9 when it reports none.
template <class W>
int ErrorOf(const W& w) {
  return w.error() != 0 ? w.error() : pkixrc::kFailed;
}

int Written(int der_code) { return der_code == 0 ? 0 : pkixasn::derFailure(der_code); }

}  // namespace

namespace pkixasn {

int nameOf(const aCert& c, TName::name_type_t t, Octets* out) {
  if (c.raw() == nullptr) return pkixrc::kBadArgument;
  aName n = c.getName(t);
  if (n.raw() == nullptr) return ErrorOf(c);
  *out = octetsOf(n.getRaw());
  return out->empty() ? ErrorOf(n) : 0;
}

int issuerAndSerialOf(const aCert& c, IssuerAndSerial* out) {
  IssuerAndSerial v;
  if (int rc = nameOf(c, kIssuerDN, &v.issuer); rc != 0) return rc;
  v.serial = octetsOf(c.getSerialNumber());
  if (v.serial.empty()) return ErrorOf(c);
  *out = std::move(v);
  return 0;
}

int partialCert(const Octets& issuer, const Octets& subject, const Octets& serial, std::optional<aCert>* out) {
  aCert c(TCert::CF_X509);
  if (c.raw() == nullptr) return c.error() != 0 ? c.error() : pkixrc::kUnavailable;
  struct Part {
    const Octets& der;
    TName::name_type_t type;
  };
  const Part names[] = {{issuer, kIssuerDN}, {subject, kSubjectDN}};
  for (const Part& p : names) {
    if (p.der.empty()) continue;
    aName n(p.type, p.der.data(), static_cast<unsigned>(p.der.size()));
    if (n.raw() == nullptr) return ErrorOf(n);
    if (int rc = c.setName(n); rc != 0) return rc;
  }
  if (!serial.empty()) {
    aBuf s = aBufOf(serial);
    if (int rc = c.setSerialNumber(s); rc != 0) return rc;
  }
  out->emplace(c);
  return 0;
}

}  // namespace pkixasn

// ---------------------------------------------------------------------------

ASNIssuerAndSerialStruct::~ASNIssuerAndSerialStruct() = default;

int ASNIssuerAndSerialStruct::setCert(aCert& c) {
  pkixasn::IssuerAndSerial v;
  if (int rc = pkixasn::issuerAndSerialOf(c, &v); rc != 0) return fail(rc);
  value_ = std::move(v);
  cert_.emplace(c);
  return error_ = 0;
}

int ASNIssuerAndSerialStruct::fini() {
  cert_.reset();
  return 0;
}

int ASNIssuerAndSerialStruct::readDer(DerReader& in) {
  // Read on a copy of the cursor: it moves only when the certificate is
  // made too.
  DerReader at = in;
  pkixasn::IssuerAndSerial v;
  if (int rc = pkixasn::issuerAndSerialDecode(at, &v); rc != 0) return pkixasn::derFailure(rc);
  std::optional<aCert> c;
  if (int rc = pkixasn::partialCert(v.issuer, {}, v.serial, &c); rc != 0) return rc;
  in.moveTo(at.pos());
  value_ = std::move(v);
  cert_.emplace(*c);
  return 0;
}

int ASNIssuerAndSerialStruct::writeDer(DerBuilder& out) {
  return Written(pkixasn::issuerAndSerialEncode(value_, out));
}

// ---------------------------------------------------------------------------

ASNIssuerAndSubjectStruct::~ASNIssuerAndSubjectStruct() = default;

int ASNIssuerAndSubjectStruct::setCert(aCert& c) {
  pkixasn::IssuerAndSubject v;
  if (int rc = pkixasn::nameOf(c, kIssuerDN, &v.issuer); rc != 0) return fail(rc);
  if (int rc = pkixasn::nameOf(c, kSubjectDN, &v.subject); rc != 0) return fail(rc);
  value_ = std::move(v);
  cert_.emplace(c);
  return error_ = 0;
}

int ASNIssuerAndSubjectStruct::fini() {
  cert_.reset();
  return 0;
}

int ASNIssuerAndSubjectStruct::readDer(DerReader& in) {
  DerReader at = in;
  pkixasn::IssuerAndSubject v;
  if (int rc = pkixasn::issuerAndSubjectDecode(at, &v); rc != 0) return pkixasn::derFailure(rc);
  std::optional<aCert> c;
  if (int rc = pkixasn::partialCert(v.issuer, v.subject, {}, &c); rc != 0) return rc;
  in.moveTo(at.pos());
  value_ = std::move(v);
  cert_.emplace(*c);
  return 0;
}

int ASNIssuerAndSubjectStruct::writeDer(DerBuilder& out) {
  return Written(pkixasn::issuerAndSubjectEncode(value_, out));
}

// ---------------------------------------------------------------------------

ASNIssuerAndDpStruct::~ASNIssuerAndDpStruct() = default;

int ASNIssuerAndDpStruct::setCertAndDp(aCert& c, aCDP& dp) {
  if (dp.raw() == nullptr) return fail(pkixrc::kBadArgument);
  pkixasn::IssuerAndDp v;
  if (int rc = pkixasn::issuerAndSerialOf(c, &v.ias); rc != 0) return fail(rc);
  v.extension = pkixasn::octetsOf(dp.getRaw());
  if (v.extension.empty()) return fail(ErrorOf(dp));
  value_ = std::move(v);
  cert_.emplace(c);
  cdp_.emplace(dp);
  return error_ = 0;
}

aCDP ASNIssuerAndDpStruct::getCDP() {
  if (!cdp_) return aCDP();
  aExtn generic(*cdp_);
  return aCDP(generic);
}

int ASNIssuerAndDpStruct::fini() {
  cert_.reset();
  cdp_.reset();
  return 0;
}

int ASNIssuerAndDpStruct::readDer(DerReader& in) {
  DerReader at = in;
  pkixasn::IssuerAndDp v;
  if (int rc = pkixasn::issuerAndDpDecode(at, &v); rc != 0) return pkixasn::derFailure(rc);
  aExtn e(pkixasn::aBufOf(v.extension));
  if (e.raw() == nullptr || e.getType() != TExtn::EXT_CRL_DP) return pkixrc::kFailed;
  std::optional<aCert> c;
  if (int rc = pkixasn::partialCert(v.ias.issuer, {}, v.ias.serial, &c); rc != 0) return rc;
  in.moveTo(at.pos());
  value_ = std::move(v);
  cert_.emplace(*c);
  cdp_.emplace(e);
  return 0;
}

int ASNIssuerAndDpStruct::writeDer(DerBuilder& out) { return Written(pkixasn::issuerAndDpEncode(value_, out)); }
