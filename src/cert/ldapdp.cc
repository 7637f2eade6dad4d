#include "cert/ldapdp.h"

#include <strings.h>

#include <cstring>
#include <new>

#include "crl/derbuild.h"
#include "support/abuf.h"
#include "crl/tcrl.h"
#include "module/pkixacrl.h"
#include "name/x509name.h"
#include "support/buffers.h"
#include "support/der_reader.h"
#include "support/result_codes.h"
#include "support/tbufs.h"

namespace {

constexpr char kScheme[] = "ldap://";
constexpr unsigned kSchemeLen = sizeof kScheme - 1;

// The directory client's answer status of a completed request.
constexpr int kAnswered = 2;

bool isAttributeOctet(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == ';' ||
         c == '.';
}

// The URL octets of a point (without the zero octet the copy ends with).
Buffer urlOf(TBuf* uri) {
  Buffer b = viewOf(uri);
  if (b.len != 0) --b.len;
  return b;
}

}  // namespace

// ldapurl = scheme "://" [hostport] ["/" [dn ["?" [attributes ["?" ...]]]]]
bool ldapurl::reduce(const unsigned char* url, unsigned len, std::string* out) {
  if (url == nullptr || len < kSchemeLen || strncasecmp(reinterpret_cast<const char*>(url), kScheme, kSchemeLen) != 0) {
    return false;
  }
  for (unsigned i = 0; i < len; ++i) {
    if (url[i] < 0x20 || url[i] == 0x7F) return false;
  }
  std::string text(reinterpret_cast<const char*>(url) + kSchemeLen, len - kSchemeLen);
  // A fragment is no part of an LDAP URL; an escaped zero octet would cut
  // the DN short once decoded.
  if (text.find('#') != std::string::npos || text.find("%00") != std::string::npos) return false;
  std::string::size_type slash = text.find('/');
  std::string hostport = text.substr(0, slash);
  // Userinfo or a second URL hidden in the authority.
  if (hostport.find_first_of("@?/") != std::string::npos) return false;
  std::string reduced = std::string(kScheme) + hostport;
  if (slash != std::string::npos) {
    std::string rest = text.substr(slash + 1);
    std::string::size_type q = rest.find('?');
    reduced += '/';
    reduced += rest.substr(0, q);
    if (q != std::string::npos) {
      std::string::size_type q2 = rest.find('?', q + 1);
      std::string attr = rest.substr(q + 1, q2 == std::string::npos ? std::string::npos : q2 - q - 1);
      for (unsigned char c : attr) {
        if (!isAttributeOctet(c)) return false;
      }
      if (!attr.empty()) reduced += '?' + attr;
    }
  }
  *out = reduced;
  return true;
}

LDAPDP::LDAPDP() : request_(static_cast<CMN_LdapReqCont_I*>(nullptr)) {}

LDAPDP::~LDAPDP() = default;

int LDAPDP::setURI(TBuf* u) {
  uri_.reset();
  name_.reset();
  rdn_.reset();
  if (u == nullptr) return error_ = pkixrc::kOk;
  Buffer b = viewOf(u);
  if (b.len < kSchemeLen || strncasecmp(reinterpret_cast<const char*>(b.data), kScheme, kSchemeLen) != 0) {
    return error_ = pkixrc::kWrongType;
  }
  std::string text(reinterpret_cast<const char*>(b.data), b.len);
  Ref<TBuf> copy = adoptRef(createTBuf(reinterpret_cast<const unsigned char*>(text.c_str()), b.len + 1));
  if (!copy) return error_ = pkixrc::kNoMemory;
  uri_ = std::move(copy);
  return error_ = pkixrc::kOk;
}

int LDAPDP::setTName(TName* n) {
  name_.reset();
  uri_.reset();
  if (n == nullptr) return error_ = pkixrc::kOk;
  int t = n->getType();
  if (t != TName::NAME_DN && t != (TName::NAME_ISSUER | TName::NAME_DN)) return error_ = pkixrc::kWrongType;
  name_ = shareRef(n);
  return error_ = pkixrc::kOk;
}

// Name ::= SEQUENCE OF RelativeDistinguishedName: the given SET becomes the
// one RDN of a name of its own.
int LDAPDP::setRDN(TBuf* r) {
  if (!name_) return error_ = pkixrc::kUnavailable;
  rdn_.reset();
  uri_.reset();
  Buffer b = viewOf(r);
  if (r == nullptr || b.len == 0) return error_ = pkixrc::kOk;
  DerBuilder der(b.len + 8);
  der.prepend(b);
  if (der.wrap(der::kSequence) != 0) return error_ = pkixrc::kNoMemory;
  Ref<TBuf> seq = adoptRef(der.toTBuf());
  if (!seq) return error_ = pkixrc::kNoMemory;
  Ref<TName> rdn = adoptRef(::createTName(TName::NAME_DN, seq.get()));
  if (!rdn || rdn->error() != pkixrc::kOk) return error_ = pkixrc::kFailed;
  // The whole input must be the name: setRaw keeps only the first element.
  Ref<TBuf> back = adoptRef(rdn->getRaw());
  if (!back || !tbufEqual(back.get(), seq.get())) return error_ = pkixrc::kFailed;
  rdn_ = std::move(rdn);
  return error_ = pkixrc::kOk;
}

int LDAPDP::isMatch(TDP* o) {
  if (o == nullptr || o->getType() != kLdap) return 0;
  if (o == this) return 1;
  LDAPDP* other = dynamic_cast<LDAPDP*>(o);
  if (other == nullptr) return 0;
  // A URL point and a name point never name the same location.
  if (static_cast<bool>(uri_) != static_cast<bool>(other->uri_)) return 0;
  if (uri_) return tbufEqual(uri_.get(), other->uri_.get());
  auto same = [](const Ref<TName>& a, const Ref<TName>& b) {
    if (!a || !b) return !a && !b;
    return (*a == *b) == 1;
  };
  return same(name_, other->name_) && same(rdn_, other->rdn_) ? 1 : 0;
}

int LDAPDP::requestByName() {
  Ref<TName> dn = name_;
  if (rdn_) {
    dn = adoptRef(name_->dup());
    if (!dn) return pkixrc::kNoMemory;
    *dn += *rdn_;
    if (dn->error() != pkixrc::kOk) return dn->error();
  }
  Ref<TBuf> raw = adoptRef(dn->getRaw());
  if (!raw) return pkixrc::kFailed;
  Buffer b = viewOf(raw.get());
  return request_.setDN(b.data, b.len);
}

CMN_LdapCrlReq* LDAPDP::send() {
  error_ = pkixrc::kFailed;
  if (!uri_ && !name_) return nullptr;
  // A fresh request for every sending: an earlier answer never leaks into
  // this one.
  request_ = CMN_LdapCrlReq(CMN_LdapReqCont_I::kReqCrl);
  if (request_.get() == nullptr) return error_ = pkixrc::kUnavailable, nullptr;
  int rc;
  if (uri_) {
    Buffer u = urlOf(uri_.get());
    std::string reduced;
    if (!ldapurl::reduce(u.data, u.len, &reduced)) return nullptr;
    rc = request_.setURL(reduced.c_str());
  } else {
    rc = requestByName();
  }
  if (rc != pkixrc::kOk) {
    error_ = rc;
    return nullptr;
  }
  error_ = pkixrc::kOk;
  return &request_;
}

TCRLList* LDAPDP::responce() {
  if (request_.getResStatus() != kAnswered) return error_ = pkixrc::kNotFound, nullptr;
  aCrlList crls = request_.getCrlList();
  error_ = pkixrc::kOk;
  TCRLList* l = crls.raw();
  if (l != nullptr) l->addRef();
  return l;
}

TLDAPDP* createTLDAPDP() { return new (std::nothrow) LDAPDP; }
