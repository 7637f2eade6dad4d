#include "host/hostldap_text.h"

#include <ldap.h>
#include <strings.h>

#include <memory>
#include <new>
#include <vector>

#include "contract/x509asn.h"
#include "support/der_reader.h"
#include "support/result_codes.h"

namespace pkixhost {

const LdapAttribute kLdapAttributes[kLdapAttributeCount] = {
    {"certificateRevocationList;binary", LdapValueKind::kCrl},
    {"authorityRevocationList;binary", LdapValueKind::kCrl},
    {"cACertificate;binary", LdapValueKind::kCert},
    {"userCertificate;binary", LdapValueKind::kCert},
};

namespace {

constexpr char kBinaryOption[] = ";binary";
constexpr size_t kBinaryOptionLen = sizeof kBinaryOption - 1;
constexpr size_t kHostMax = 255;
constexpr uint16_t kDefaultPort = 389;

// Value types read as text (X.520 DirectoryString and its relatives).
constexpr unsigned char kNumericString = 0x12;
constexpr unsigned char kTeletexString = 0x14;
constexpr unsigned char kVisibleString = 0x1A;
constexpr unsigned char kUniversalString = 0x1C;

// RFC 4514's attribute type names, by dotted decimal.
struct TypeName {
  const char* oid;
  const char* name;
};
constexpr TypeName kTypeNames[] = {
    {"2.5.4.3", "CN"},  {"2.5.4.7", "L"},  {"2.5.4.8", "ST"},
    {"2.5.4.10", "O"},  {"2.5.4.11", "OU"}, {"2.5.4.6", "C"},
    {"2.5.4.9", "STREET"}, {"0.9.2342.19200300.100.1.25", "DC"},
    {"0.9.2342.19200300.100.1.1", "UID"},
};

constexpr unsigned kMaxCodePoint = 0x10FFFF;
bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

void PutUtf8(uint32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// True when p[0..n) is well-formed UTF-8 (no overlong forms, surrogates or
// code points above U+10FFFF).
bool IsUtf8(const unsigned char* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    unsigned char b = p[i];
    size_t extra;
    uint32_t c;
    if (b < 0x80) {
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1;
      c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2;
      c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3;
      c = b & 0x07;
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      c = (c << 6) | (p[i + k] & 0x3F);
    }
    static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[extra] || c > kMaxCodePoint || IsSurrogate(c)) return false;
    i += extra + 1;
  }
  return true;
}

// The UTF-8 text of a string value of type tag; false for other types and
// for content that does not convert.
bool ValueText(unsigned char tag, const Buffer& v, std::string* out) {
  const unsigned char* p = v.data;
  size_t n = v.len;
  switch (tag) {
    case der::kUtf8String:
      if (!IsUtf8(p, n)) return false;
      out->assign(reinterpret_cast<const char*>(p), n);
      return true;
    case der::kPrintableString:
    case kNumericString:
    case der::kIa5String:
    case kVisibleString:
      for (size_t i = 0; i < n; ++i) {
        if (p[i] >= 0x80) return false;
      }
      out->assign(reinterpret_cast<const char*>(p), n);
      return true;
    case kTeletexString:  // read as ISO-8859-1
      for (size_t i = 0; i < n; ++i) PutUtf8(p[i], out);
      return true;
    case der::kBmpString:  // UTF-16, big-endian
      if (n % 2 != 0) return false;
      for (size_t i = 0; i < n; i += 2) {
        uint32_t c = (uint32_t{p[i]} << 8) | p[i + 1];
        if (c >= 0xD800 && c <= 0xDBFF) {
          if (n - i < 4) return false;
          uint32_t low = (uint32_t{p[i + 2]} << 8) | p[i + 3];
          if (low < 0xDC00 || low > 0xDFFF) return false;
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        } else if (IsSurrogate(c)) {
          return false;
        }
        PutUtf8(c, out);
      }
      return true;
    case kUniversalString:  // UCS-4, big-endian
      if (n % 4 != 0) return false;
      for (size_t i = 0; i < n; i += 4) {
        uint32_t c = (uint32_t{p[i]} << 24) | (uint32_t{p[i + 1]} << 16) | (uint32_t{p[i + 2]} << 8) | p[i + 3];
        if (c > kMaxCodePoint || IsSurrogate(c)) return false;
        PutUtf8(c, out);
      }
      return true;
    default:
      return false;
  }
}

// Appends text escaped as an RFC 4514 attribute value.
void AppendEscaped(const std::string& text, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool lead = i == 0 && (c == ' ' || c == '#');
    bool trail = i + 1 == n && c == ' ';
    bool special = c == '"' || c == '+' || c == ',' || c == ';' || c == '<' || c == '>' || c == '\\' || c == '=';
    if (c < 0x20 || c == 0x7F) {
      *out += '\\';
      *out += kHex[c >> 4];
      *out += kHex[c & 0x0F];
    } else {
      if (lead || trail || special) *out += '\\';
      *out += static_cast<char>(c);
    }
  }
}

// AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
// appended to *out as type=value.
int ReadAttribute(DerReader& atv, std::string* out) {
  Buffer oid;
  if (atv.primitive(der::kOid, &oid) != 0 || asn1_oid_check(&oid) != 0) return pkixrc::kMalformed;
  std::vector<char> dotted(4 * static_cast<size_t>(oid.len) + 8);
  if (asn1_oid_to_text(&oid, dotted.data(), static_cast<uint32_t>(dotted.size())) < 0) return pkixrc::kMalformed;
  const char* type = dotted.data();
  for (const TypeName& t : kTypeNames) {
    if (strcmp(t.oid, dotted.data()) == 0) type = t.name;
  }
  int tag = atv.peek();
  Buffer value;
  if (tag < 0 || atv.primitive(static_cast<unsigned char>(tag), &value) != 0) return pkixrc::kMalformed;
  std::string text;
  if (!ValueText(static_cast<unsigned char>(tag), value, &text)) return pkixrc::kMalformed;
  *out += type;
  *out += '=';
  AppendEscaped(text, out);
  return pkixrc::kOk;
}

bool StartsWithNoCase(const char* text, const char* prefix) {
  return strncasecmp(text, prefix, strlen(prefix)) == 0;
}

struct UrlFree {
  void operator()(LDAPURLDesc* d) const { ldap_free_urldesc(d); }
};
using UrlDesc = std::unique_ptr<LDAPURLDesc, UrlFree>;

bool DnParses(const char* dn) {
  LDAPDN parsed = nullptr;
  int rc = ldap_str2dn(dn, &parsed, LDAP_DN_FORMAT_LDAPV3);
  if (parsed != nullptr) ldap_dnfree(parsed);
  return rc == LDAP_SUCCESS;
}

}  // namespace

const LdapAttribute* ldapFindAttribute(const char* text, size_t len) {
  if (text == nullptr) return nullptr;
  for (const LdapAttribute& a : kLdapAttributes) {
    size_t full = strlen(a.name);
    size_t bare = full - kBinaryOptionLen;
    if ((len == full || len == bare) && strncasecmp(text, a.name, len) == 0) return &a;
  }
  return nullptr;
}

int ldapDnFromDer(const unsigned char* der, size_t len, std::string* out) {
  if (out == nullptr) return pkixrc::kBadArgument;
  out->clear();
  if (der == nullptr || len == 0) return pkixrc::kBadArgument;
  if (len > UINT32_MAX) return pkixrc::kMalformed;
  Buffer in{nullptr, const_cast<unsigned char*>(der), static_cast<uint32_t>(len)};
  DerReader r(in);
  std::vector<std::string> rdns;
  int failure = pkixrc::kOk;
  // Name ::= SEQUENCE OF RelativeDistinguishedName
  int rc = r.element(der::kSequence, [&](DerReader& name) {
    while (!name.atEnd()) {
      std::string rdn;
      // RelativeDistinguishedName ::= SET SIZE (1..MAX) OF AttributeTypeAndValue
      int set_rc = name.element(der::kSet, [&](DerReader& set) {
        if (set.atEnd()) return -1;
        while (!set.atEnd()) {
          if (!rdn.empty()) rdn += '+';
          int atv_rc = set.element(der::kSequence, [&](DerReader& atv) {
            failure = ReadAttribute(atv, &rdn);
            return failure == pkixrc::kOk ? 0 : -1;
          });
          if (atv_rc != 0) return atv_rc;
        }
        return 0;
      });
      if (set_rc != 0) return set_rc;
      rdns.push_back(std::move(rdn));
    }
    return 0;
  });
  if (rc != 0 || !r.atEnd()) return failure != pkixrc::kOk ? failure : pkixrc::kMalformed;
  if (rdns.empty()) return pkixrc::kBadArgument;
  for (size_t i = rdns.size(); i-- > 0;) {
    *out += rdns[i];
    if (i != 0) *out += ',';
  }
  return pkixrc::kOk;
}

int ldapParseUrl(const char* url, LdapTarget* out) {
  if (url == nullptr || out == nullptr) return pkixrc::kBadArgument;
  *out = LdapTarget();
  if (!StartsWithNoCase(url, "ldap://")) {
    return strstr(url, "://") != nullptr ? pkixrc::kWrongType : pkixrc::kMalformed;
  }
  LDAPURLDesc* raw = nullptr;
  int rc = ldap_url_parse(url, &raw);
  UrlDesc desc(raw);
  if (rc == LDAP_URL_ERR_MEM) return pkixrc::kNoMemory;
  if (rc != LDAP_URL_SUCCESS || desc == nullptr) return pkixrc::kMalformed;
  if (desc->lud_scheme == nullptr || strcasecmp(desc->lud_scheme, "ldap") != 0) return pkixrc::kWrongType;
  if (desc->lud_scope != LDAP_SCOPE_BASE && desc->lud_scope != LDAP_SCOPE_DEFAULT) return pkixrc::kWrongType;
  if (desc->lud_filter != nullptr && strcasecmp(desc->lud_filter, "(objectClass=*)") != 0) return pkixrc::kWrongType;
  if (desc->lud_exts != nullptr && desc->lud_exts[0] != nullptr) return pkixrc::kWrongType;
  if (desc->lud_attrs != nullptr && desc->lud_attrs[0] != nullptr) {
    if (desc->lud_attrs[1] != nullptr) return pkixrc::kWrongType;
    out->attribute = ldapFindAttribute(desc->lud_attrs[0], strlen(desc->lud_attrs[0]));
    if (out->attribute == nullptr) return pkixrc::kWrongType;
  }
  const char* host = desc->lud_host != nullptr ? desc->lud_host : "";
  if (strlen(host) > kHostMax) return pkixrc::kMalformed;
  if (desc->lud_port < 0 || desc->lud_port > UINT16_MAX) return pkixrc::kMalformed;
  const char* dn = desc->lud_dn != nullptr ? desc->lud_dn : "";
  if (!DnParses(dn)) return pkixrc::kMalformed;
  try {
    out->host = host;
    out->dn = dn;
  } catch (const std::bad_alloc&) {
    *out = LdapTarget();
    return pkixrc::kNoMemory;
  }
  out->port = desc->lud_port == 0 ? kDefaultPort : static_cast<uint16_t>(desc->lud_port);
  return pkixrc::kOk;
}

}  // namespace pkixhost
