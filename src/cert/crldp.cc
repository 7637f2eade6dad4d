#include "cert/crldp.h"

#include <new>
#include <vector>

#include "crl/crlextn.h"
#include "crl/derbuild.h"
#include "crl/x509crl.h"
#include "name/x509name.h"
#include "support/buffers.h"
#include "support/der_reader.h"
#include "support/result_codes.h"

namespace {

constexpr int kIssuerDN = TName::NAME_ISSUER | TName::NAME_DN;
constexpr int kIssuerGN = TName::NAME_ISSUER | TName::NAME_GN;
// DistributionPoint's context tags.
constexpr unsigned char kDpNameTag = der::kContext0Constructed;
constexpr unsigned char kReasonsTag = der::kContext1;
constexpr unsigned char kCrlIssuerTag = der::kContext2Constructed;

// DistributionPoint ::= SEQUENCE {
//   distributionPoint [0] DistributionPointName OPTIONAL,
//   reasons           [1] ReasonFlags OPTIONAL,
//   cRLIssuer         [2] GeneralNames OPTIONAL }
// One template from the point at r; *code tells why it failed. With a null
// crl the point is only checked: the same reads and the same failures, but
// no template is built (the distribution point name goes into scratch, an
// issuing distribution point reused from point to point).
int readPoint(DerReader& point, X509CRL* crl, TName* cert_issuer, Ref<IDP>& scratch, int* code) {
  if (point.peek() == kDpNameTag) {
    Buffer name{};
    DER_TRY(point.primitive(kDpNameTag, &name));
    Ref<IDP> idp = crl != nullptr || !scratch ? adoptRef(new (std::nothrow) IDP) : scratch;
    if (!idp) return *code = pkixrc::kNoMemory, X509ASN_E_NOMEM;
    if ((*code = idp->setDp(name.data, name.len)) != 0) return X509ASN_E_VALUE;
    if (crl == nullptr) {
      scratch = idp;
    } else if ((*code = crl->addCRLExtn(idp.get())) != 0) {
      return X509ASN_E_VALUE;
    }
  }
  if (point.peek() == kReasonsTag) {
    Buffer bits{};
    DER_TRY(point.primitive(kReasonsTag, &bits));
    X509CRLReasons r = crlreasons::kAll;
    if (crlreasons::fromBitString(bits, &r) != 0) return *code = pkixrc::kMalformed, X509ASN_E_VALUE;
    if (crl != nullptr && (*code = crl->setReasons(r)) != 0) return X509ASN_E_VALUE;
  }
  if (point.peek() == kCrlIssuerTag) {
    Buffer whole{};
    DER_TRY(asn1_decode_any_type(point.buf(), &whole));
    std::vector<unsigned char> gn(whole.data, whole.data + whole.len);
    gn[0] = der::kSequence;
    Ref<TName> n = adoptRef(createTName(TName::NAME_GN, gn.data(), static_cast<unsigned>(gn.size())));
    if (!n || n->error() != 0) return *code = pkixrc::kFailed, X509ASN_E_NAME;
    if (crl != nullptr && (*code = crl->setTName(n.get())) != 0) return X509ASN_E_NAME;
  } else if (crl != nullptr && cert_issuer != nullptr && (*code = crl->setTName(cert_issuer)) != 0) {
    return X509ASN_E_NAME;
  }
  return 0;
}

// Reads a CRLDistributionPoints value: into list, one template per point,
// or, with a null list, only checking it. 0, or the code of the failure
// (kFailed when the DER itself is malformed).
int readPoints(TBuf* value, TCRLList* list, TName* cert_issuer) {
  int code = pkixrc::kOk;
  Ref<IDP> scratch;
  Buffer v = viewOf(value);
  DerReader r(v);
  int rc = r.element(der::kSequence, [&](DerReader& seq) {
    while (!seq.atEnd()) {
      Ref<X509CRL> tmpl;
      if (list != nullptr) {
        tmpl = adoptRef(new (std::nothrow) X509CRL);
        if (!tmpl) return code = pkixrc::kNoMemory, X509ASN_E_NOMEM;
      }
      DER_TRY(seq.element(der::kSequence, [&](DerReader& point) {
        return readPoint(point, tmpl.get(), cert_issuer, scratch, &code);
      }));
      if (list != nullptr && (code = list->append(tmpl.get())) != 0) return X509ASN_E_NOMEM;
    }
    return 0;
  });
  if (rc == 0 && r.left() != 0) rc = X509ASN_E_TRAILING;
  if (rc != 0) return code != pkixrc::kOk ? code : pkixrc::kFailed;
  return pkixrc::kOk;
}

using Octets = std::vector<unsigned char>;

// The GeneralNames DER of a template's issuer; empty when it has none.
Octets issuerOf(TCRL* tmpl) {
  Ref<TName> gn = adoptRef(tmpl->getTName(static_cast<TName::name_type_t>(kIssuerGN)));
  if (!gn || gn->is_empty() != 0) return {};
  Ref<TBuf> der = adoptRef(gn->getRaw());
  if (!der) return {};
  Buffer v = viewOf(der.get());
  return Octets(v.data, v.data + v.len);
}

// The GeneralNames DER a template given the certificate issuer n carries
// (the same conversion as the templates make); empty for null.
Octets certIssuerAsTemplate(TName* n) {
  if (n == nullptr) return {};
  Ref<TCRL> scratch = adoptRef(createTCRL(TCert::CF_X509));
  if (!scratch || scratch->setTName(n) != 0) return {};
  return issuerOf(scratch.get());
}

// Prepends the DistributionPoint of one template. Its issuer is written
// only when it is not the certificate issuer (cert_issuer, GeneralNames
// DER), which a reader supplies for a point without cRLIssuer.
int writePoint(TCRL* tmpl, const Octets& cert_issuer, DerBuilder& out) {
  if (tmpl->getType() != 1) return X509ASN_E_ARG;
  X509CRL* crl = static_cast<X509CRL*>(tmpl);
  return out.element(der::kSequence, [&](DerBuilder& point) {
    Octets gn = issuerOf(crl);
    if (!gn.empty() && gn != cert_issuer) {
      Buffer v{};
      v.data = gn.data();
      v.len = static_cast<unsigned>(gn.size());
      point.prepend(v);
      point.retag(kCrlIssuerTag);
    }
    X509CRLReasons r = crl->getReasons();
    if (r != crlreasons::kAll) {
      point.element(kReasonsTag, [&](DerBuilder& bits) { return crlreasons::prependBitString(r, bits); });
    }
    Ref<IDP> idp = adoptRef(crl->getIDP());
    Ref<TBuf> dp = adoptRef(idp ? idp->getDp() : nullptr);
    if (dp && dp->len() != 0) {
      point.element(kDpNameTag, [&](DerBuilder& name) { return name.prepend(viewOf(dp.get())); });
    }
    return point.status();
  });
}

}  // namespace

int X509CRLDP::setValue(TBuf* value) {
  if (value == nullptr) return error_ = pkixrc::kBadArgument;
  // An empty value holds no SEQUENCE (and is not handed to the decoder as
  // a record without octets).
  if (value->len() == 0) return error_ = pkixrc::kFailed;
  // The value is checked now, with the same failures as reading it into
  // templates, but the templates are made only when something asks for
  // them: a certificate's extension list rarely does.
  int code = readPoints(value, nullptr, cert_issuer_.get());
  if (code != pkixrc::kOk) return error_ = code;
  list_.reset();
  unread_ = shareRef(value);
  return error_ = storeValue(value);
}

int X509CRLDP::readList() {
  if (!unread_) return pkixrc::kOk;
  Ref<TCRLList> list = adoptRef(createTCRLList());
  if (!list) return pkixrc::kNoMemory;
  int code = readPoints(unread_.get(), list.get(), cert_issuer_.get());
  if (code != pkixrc::kOk) return code;
  list_ = list;
  unread_.reset();
  return pkixrc::kOk;
}

TBuf* X509CRLDP::encodeValue() {
  int read = readList();
  if (read != pkixrc::kOk) return error_ = read, nullptr;
  if (!list_) return error_ = pkixrc::kUnavailable, nullptr;
  // Written back to front: the points are collected, then prepended last
  // first.
  std::vector<Ref<TCRL>> points;
  for (Ref<TCRL> c = adoptRef(list_->getFirst()); c; c.reset(list_->getNext())) points.push_back(c);
  const Octets cert_issuer = certIssuerAsTemplate(cert_issuer_.get());
  DerBuilder b;
  for (auto it = points.rbegin(); it != points.rend(); ++it) {
    if (writePoint(it->get(), cert_issuer, b) != 0) return error_ = pkixrc::kFailed, nullptr;
  }
  b.wrap(der::kSequence);
  TBuf* out = b.toTBuf();
  error_ = out != nullptr ? pkixrc::kOk : pkixrc::kFailed;
  return out;
}

int X509CRLDP::setCertIssuer(TName* n) {
  // The templates are read under the issuer the value was given with,
  // before the new one replaces it.
  int read = readList();
  if (read != pkixrc::kOk) return error_ = read;
  markStale();
  if (n == nullptr) {
    cert_issuer_.reset();
    return error_ = pkixrc::kOk;
  }
  if (n->getType() != kIssuerDN) return error_ = pkixrc::kBadArgument;
  // The templates that stand for the certificate issuer (none of their
  // own, or the previous certificate issuer's) take the new one; a point's
  // own cRLIssuer is kept, or rewriting the value would lose it.
  const Octets previous = certIssuerAsTemplate(cert_issuer_.get());
  cert_issuer_ = shareRef(n);
  if (!list_) return error_ = pkixrc::kOk;
  int r = pkixrc::kOk;
  for (Ref<TCRL> c = adoptRef(list_->getFirst()); c && r == 0; c.reset(list_->getNext())) {
    Octets own = issuerOf(c.get());
    if (own.empty() || own == previous) r = c->setTName(n);
  }
  return error_ = r;
}

int X509CRLDP::setCRLList(TCRLList* l) {
  unread_.reset();
  list_ = shareRef(l);
  markStale();
  return error_ = pkixrc::kOk;
}

TCRLList* X509CRLDP::getCRLList() {
  int read = readList();
  if (read != pkixrc::kOk) return error_ = read, nullptr;
  if (!list_ && cert_issuer_) {
    Ref<TCRLList> list = adoptRef(createTCRLList());
    Ref<TCRL> tmpl = adoptRef(createTCRL(TCert::CF_X509));
    if (!list || !tmpl || tmpl->setTName(cert_issuer_.get()) != 0 || list->append(tmpl.get()) != 0) {
      return error_ = pkixrc::kNoMemory, nullptr;
    }
    list_ = list;
  }
  error_ = list_ ? pkixrc::kOk : pkixrc::kUnavailable;
  return list_.newRef();
}

namespace {
// The module's own factories, for collectDistributionPoints.
struct ModuleFactories {
  TExtn* createTExtn(TExtn::extn_t t) { return ::createTExtn(t); }
  TDPList* createTDPList() { return ::createTDPList(); }
};
}  // namespace

TDPList* X509CRLDP::getDistributionPoints() {
  Ref<TCRLList> templates = adoptRef(getCRLList());
  if (!templates) return nullptr;
  int code = pkixrc::kOk;
  ModuleFactories own;
  TDPList* l = collectDistributionPoints(templates.get(), own, &code);
  error_ = code;
  return l;
}

