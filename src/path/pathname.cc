// Name matching for path validation.
#include "path/pathname.h"

#include <cstring>
#include <string>

namespace pkixpath {
namespace {

// One AttributeTypeAndValue, its value folded for comparison.
struct Atv {
  Bytes type;
  std::string value;  // folded text, or the raw element for other types
  bool text = false;
};
using Rdn = std::vector<Atv>;

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool endsWithNoCase(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && equalNoCase(s.substr(s.size() - suffix.size()), suffix);
}

void appendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | cp >> 6));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | cp >> 12));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | cp >> 18));
    out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The string value as UTF-8 with leading and trailing spaces removed,
// inner runs of spaces made one and ASCII letters lowered; false for a
// type that is not a string.
bool foldString(int tag, const Buffer& v, std::string* out) {
  std::string s;
  switch (tag) {
    case der::kUtf8String:
    case der::kPrintableString:
    case der::kIa5String:
    case 0x14:  // TeletexString, read as Latin-1 octets
    case 0x1A:  // VisibleString
      s.assign(reinterpret_cast<const char*>(v.data), v.len);
      break;
    case der::kBmpString:
      if (v.len % 2 != 0) return false;
      for (uint32_t i = 0; i < v.len; i += 2) appendUtf8(static_cast<uint32_t>(v.data[i]) << 8 | v.data[i + 1], &s);
      break;
    case 0x1C:  // UniversalString
      if (v.len % 4 != 0) return false;
      for (uint32_t i = 0; i < v.len; i += 4) {
        appendUtf8(static_cast<uint32_t>(v.data[i]) << 24 | v.data[i + 1] << 16 | v.data[i + 2] << 8 | v.data[i + 3], &s);
      }
      break;
    default:
      return false;
  }
  out->clear();
  bool space = false;
  for (char c : s) {
    if (c == ' ') {
      space = !out->empty();
      continue;
    }
    if (space) out->push_back(' ');
    space = false;
    out->push_back(lower(c));
  }
  return true;
}

// Name ::= SEQUENCE OF RelativeDistinguishedName
// RelativeDistinguishedName ::= SET SIZE (1..MAX) OF AttributeTypeAndValue
// AttributeTypeAndValue ::= SEQUENCE { type OID, value ANY }
int readRdn(DerReader& r, Rdn* out) {
  return r.element(der::kSet, [&](DerReader& set) {
    if (set.atEnd()) return kPathParse;
    while (!set.atEnd()) {
      Atv atv;
      DER_TRY(set.element(der::kSequence, [&](DerReader& a) {
        Buffer type{nullptr, nullptr, 0};
        DER_TRY(a.primitive(der::kOid, &type));
        atv.type.assign(type.data, type.data + type.len);
        int tag = a.peek();
        if (tag < 0) return kPathParse;
        const unsigned char* from = a.pos();
        Buffer value{nullptr, nullptr, 0};
        DER_TRY(a.primitive(static_cast<unsigned char>(tag), &value));
        atv.text = foldString(tag, value, &atv.value);
        if (!atv.text) atv.value.assign(reinterpret_cast<const char*>(from), a.pos() - from);
        return 0;
      }));
      out->push_back(std::move(atv));
    }
    return 0;
  });
}

bool readName(const Bytes& name, std::vector<Rdn>* out) {
  Buffer in{nullptr, const_cast<unsigned char*>(name.data()), static_cast<uint32_t>(name.size())};
  DerReader r(in);
  int rc = r.element(der::kSequence, [&](DerReader& seq) {
    while (!seq.atEnd()) {
      Rdn rdn;
      DER_TRY(readRdn(seq, &rdn));
      out->push_back(std::move(rdn));
    }
    return 0;
  });
  return rc == 0 && r.atEnd();
}

bool sameAtv(const Atv& a, const Atv& b) { return a.type == b.type && a.text == b.text && a.value == b.value; }

bool sameRdn(const Rdn& a, const Rdn& b) {
  if (a.size() != b.size()) return false;
  for (const Atv& x : a) {
    bool found = false;
    for (const Atv& y : b) found = found || sameAtv(x, y);
    if (!found) return false;
  }
  return true;
}

std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A DNS name within a dNSName constraint: the same name, or one ending in
// "." followed by it; an empty constraint takes every name.
bool dnsWithin(const std::string& name, const std::string& base) {
  if (base.empty()) return true;
  if (equalNoCase(name, base)) return true;
  if (base[0] == '.') return endsWithNoCase(name, base);
  return endsWithNoCase(name, "." + base);
}

// A mailbox within an rfc822Name constraint: a whole mailbox matches
// exactly (the host part without regard to case), ".domain" any host
// below the domain, a host name that host.
bool mailWithin(const std::string& mail, const std::string& base) {
  size_t at = mail.rfind('@');
  if (at == std::string::npos) return false;
  std::string host = mail.substr(at + 1);
  if (base.find('@') != std::string::npos) {
    size_t bat = base.rfind('@');
    return mail.compare(0, at, base, 0, bat) == 0 && equalNoCase(host, base.substr(bat + 1));
  }
  if (!base.empty() && base[0] == '.') return endsWithNoCase(host, base);
  return equalNoCase(host, base);
}

// The host of a URI (scheme ":" "//" [userinfo "@"] host [":" port] ...),
// or false when it has none.
bool uriHost(const std::string& uri, std::string* host) {
  size_t colon = uri.find(':');
  if (colon == std::string::npos || uri.compare(colon + 1, 2, "//") != 0) return false;
  size_t start = colon + 3;
  size_t end = uri.find_first_of("/?#", start);
  std::string authority = uri.substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t at = authority.rfind('@');
  if (at != std::string::npos) authority = authority.substr(at + 1);
  if (!authority.empty() && authority[0] == '[') {
    size_t close = authority.find(']');
    if (close == std::string::npos) return false;
    *host = authority.substr(1, close - 1);
  } else {
    *host = authority.substr(0, authority.find(':'));
  }
  return !host->empty();
}

bool uriWithin(const std::string& uri, const std::string& base) {
  std::string host;
  if (!uriHost(uri, &host)) return false;
  if (!base.empty() && base[0] == '.') return endsWithNoCase(host, base);
  return equalNoCase(host, base);
}

// An address (4 or 16 octets) within a constraint of address and mask (8
// or 32 octets).
Within ipWithin(const Bytes& addr, const Bytes& base) {
  if (base.size() != 8 && base.size() != 32) return Within::kCannotTell;
  if (addr.size() * 2 != base.size()) return Within::kNo;
  size_t n = addr.size();
  for (size_t i = 0; i < n; ++i) {
    if ((addr[i] & base[n + i]) != (base[i] & base[n + i])) return Within::kNo;
  }
  return Within::kYes;
}

const uint8_t kEmailAddressOid[] = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x09, 0x01};

}  // namespace

bool sameName(const Bytes& a, const Bytes& b) {
  if (a == b) return true;
  std::vector<Rdn> x, y;
  if (!readName(a, &x) || !readName(b, &y) || x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i) {
    if (!sameRdn(x[i], y[i])) return false;
  }
  return true;
}

bool emptyName(const Bytes& name) { return name.size() == 2 && name[0] == der::kSequence && name[1] == 0; }

bool lastRdnIs(const Bytes& name, const Bytes& rdn) {
  std::vector<Rdn> x;
  if (!readName(name, &x) || x.empty()) return false;
  Rdn r;
  Buffer in{nullptr, const_cast<unsigned char*>(rdn.data()), static_cast<uint32_t>(rdn.size())};
  DerReader reader(in);
  if (readRdn(reader, &r) != 0) return false;
  return sameRdn(x.back(), r);
}

Bytes appendRdn(const Bytes& name, const Bytes& rdn) {
  Buffer in{nullptr, const_cast<unsigned char*>(name.data()), static_cast<uint32_t>(name.size())};
  DerReader r(in);
  Buffer content{nullptr, nullptr, 0};
  if (r.primitive(der::kSequence, &content) != 0) return {};
  Bytes body(content.data, content.data + content.len);
  body.insert(body.end(), rdn.begin(), rdn.end());
  return derElement(der::kSequence, body);
}

std::vector<Bytes> emailAddresses(const Bytes& name) {
  std::vector<Bytes> out;
  std::vector<Rdn> rdns;
  if (!readName(name, &rdns)) return out;
  for (const Rdn& rdn : rdns) {
    for (const Atv& a : rdn) {
      if (a.text && a.type.size() == sizeof(kEmailAddressOid) &&
          std::memcmp(a.type.data(), kEmailAddressOid, sizeof(kEmailAddressOid)) == 0) {
        out.emplace_back(a.value.begin(), a.value.end());
      }
    }
  }
  return out;
}

bool sameGeneralName(const GeneralName& a, const GeneralName& b) {
  if (a.type != b.type) return false;
  if (a.type == kDirectoryName) return sameName(a.value, b.value);
  if (a.type == kDnsName || a.type == kUri || a.type == kRfc822Name) return equalNoCase(text(a.value), text(b.value));
  return a.value == b.value;
}

Within withinSubtree(const GeneralName& name, const GeneralName& base) {
  switch (base.type) {
    case kDirectoryName: {
      std::vector<Rdn> n, b;
      if (!readName(name.value, &n) || !readName(base.value, &b)) return Within::kCannotTell;
      if (b.size() > n.size()) return Within::kNo;
      for (size_t i = 0; i < b.size(); ++i) {
        if (!sameRdn(n[i], b[i])) return Within::kNo;
      }
      return Within::kYes;
    }
    case kDnsName: return dnsWithin(text(name.value), text(base.value)) ? Within::kYes : Within::kNo;
    case kRfc822Name: return mailWithin(text(name.value), text(base.value)) ? Within::kYes : Within::kNo;
    case kUri: return uriWithin(text(name.value), text(base.value)) ? Within::kYes : Within::kNo;
    case kIpAddress: return ipWithin(name.value, base.value);
    default: return Within::kCannotTell;
  }
}

}  // namespace pkixpath
