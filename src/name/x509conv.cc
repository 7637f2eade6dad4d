// Name normalisation and the string-encoding configuration.
#include "name/x509conv.h"

#include <iconv.h>
#include <strings.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "support/cmn_logC.h"
#include "support/global.h"
#include "support/ini_file.h"
#include "support/result_codes.h"

namespace {

using pkixrc::kFailed;
using pkixrc::kNoMemory;
using pkixrc::kOk;

// ---- Configuration ---------------------------------------------------------

struct CharsetRow {
  unsigned char tag;
  const char* key;
  const char* fallback;
};

// BMPString is big-endian UCS-2; glibc's plain "UCS-2" is the machine's
// byte order, so the default names the byte order.
const CharsetRow kCharsets[] = {
    {12, "ASN1UTF8StringEncoding", "UTF-8"},
    {19, "ASN1PrintableStringEncoding", "ASCII"},
    {20, "ASN1TeletexStringEncoding", "ISO-8859-1"},
    {22, "ASN1IA5StringEncoding", "ASCII"},
    {28, "ASN1UniversalStringEncoding", "UCS-4"},
    {30, "ASN1BMPStringEncoding", "UCS-2BE"},
};
constexpr size_t kRows = sizeof kCharsets / sizeof kCharsets[0];
const char kForbidKey[] = "ASN1ForbidEncoding";

// One complete configuration. Published ones are never changed or freed
// while the process runs, so a reader holds a plain pointer.
struct Config {
  std::string configured[kRows];  // empty: the row's default
  bool forbid = false;
  const char* charset(size_t row) const {
    return configured[row].empty() ? kCharsets[row].fallback : configured[row].c_str();
  }
};

std::mutex g_config_lock;  // writers only
std::vector<std::unique_ptr<Config>> g_configs;
const Config kDefaults;
std::atomic<const Config*> g_config{&kDefaults};

void Publish(std::unique_ptr<Config> c) {
  std::lock_guard<std::mutex> lock(g_config_lock);
  g_config.store(c.get(), std::memory_order_release);
  g_configs.push_back(std::move(c));
}

const Config& Current() { return *g_config.load(std::memory_order_acquire); }

int RowOf(unsigned char tag) {
  for (size_t i = 0; i < kRows; ++i) {
    if (kCharsets[i].tag == tag) return static_cast<int>(i);
  }
  return -1;
}

bool IconvAccepts(const char* charset) {
  iconv_t cd = iconv_open("UTF-8", charset);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

void LogRejectedSet(const char* value, const char* in_force) {
  aLogContainer msg(kConvLogMsgID, static_cast<cmn_resource>(kConvResRejectedSet), 0);
  msg.addVar(1, value);
  msg.addVar(2, in_force);
  msg.send();
}

void LogUnknownName(const char* name) {
  aLogContainer msg(kConvLogMsgID, static_cast<cmn_resource>(kConvResUnknownName), 0);
  msg.addVar(1, name);
  msg.send();
}

struct IniReleaser {
  void operator()(HIniFile* ini) const { ini->release(); }
};

// Reads the variables of the first section into c.
int ReadInto(HIniFile* ini, Config* c) {
  unsigned count = ini->getVarCount(0);
  for (unsigned j = 0; j < count; ++j) {
    const char* name = ini->getVarName(0, j);
    const char* value = ini->getVarValue(0, j);
    if (name == nullptr || value == nullptr) return kFailed;
    bool known = false;
    for (size_t row = 0; row < kRows; ++row) {
      if (std::strcmp(name, kCharsets[row].key) != 0) continue;
      known = true;
      if (IconvAccepts(value)) {
        c->configured[row] = value;
      } else {
        LogRejectedSet(value, c->charset(row));
      }
    }
    if (known) continue;
    if (std::strcmp(name, kForbidKey) == 0) {
      c->forbid = std::strcmp(value, "TRUE") == 0;
    } else {
      LogUnknownName(name);
    }
  }
  return kOk;
}

// ---- Values ----------------------------------------------------------------

bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// ASCII value normalisation: leading white space dropped, each inner run of
// white space one space, a trailing space removed, letters upper-cased with
// NORM_UPPER. kConvUnconvertible for an octet of 0x80 or above.
int AsciiValue(const Buffer& v, int mode, std::string* out) {
  bool pending_space = false;
  for (uint32_t i = 0; i < v.len; ++i) {
    unsigned char c = v.data[i];
    if (c >= 0x80) return kConvUnconvertible;
    if (IsSpace(c)) {
      pending_space = !out->empty();
      continue;
    }
    if (pending_space) out->push_back(' ');
    pending_space = false;
    if ((mode & NORM_UPPER) && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    out->push_back(static_cast<char>(c));
  }
  return kOk;
}

void Octets(const Buffer& v, std::string* out) { out->append(reinterpret_cast<const char*>(v.data), v.len); }

// The comparison form of a UTF-8 value: white space and ASCII letters
// treated as AsciiValue does, every other octet kept, so that the same text
// in any string type compares equal.
void FoldUtf8(std::string* value) {
  std::string folded;
  folded.reserve(value->size());
  bool pending_space = false;
  for (char ch : *value) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (IsSpace(c)) {
      pending_space = !folded.empty();
      continue;
    }
    if (pending_space) folded.push_back(' ');
    pending_space = false;
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    folded.push_back(static_cast<char>(c));
  }
  value->swap(folded);
}

// The value read in charset, as UTF-8. kFailed when iconv refuses the set,
// kConvUnconvertible for an invalid or incomplete sequence.
int ToUtf8(const char* charset, const Buffer& v, std::string* out) {
  iconv_t cd = iconv_open("UTF-8", charset);
  if (cd == reinterpret_cast<iconv_t>(-1)) return kFailed;
  char* in = reinterpret_cast<char*>(v.data);
  size_t in_left = v.len;
  size_t used = out->size();
  int rc = kOk;
  while (in_left > 0) {
    out->resize(used + in_left * 2 + 32);
    char* dst = &(*out)[used];
    size_t room = out->size() - used;
    size_t before = room;
    size_t r = iconv(cd, &in, &in_left, &dst, &room);
    used += before - room;
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    rc = kConvUnconvertible;
    break;
  }
  out->resize(used);
  iconv_close(cd);
  return rc;
}

// The normalised octets and string tag of one distinguished-name value.
int NormValue(const Config& c, unsigned char tag, const Buffer& v, int mode, std::string* out,
              unsigned char* out_tag) {
  *out_tag = 12;
  if (mode & NORM_ASCII) {
    if (tag == 19 || tag == 22) {
      if (AsciiValue(v, mode, out) == kOk) return kOk;
      out->clear();
    }
    Octets(v, out);
    return kOk;
  }
  int row = RowOf(tag);
  if (row < 0) {
    *out_tag = tag;
    Octets(v, out);
    return kOk;
  }
  const char* charset = c.charset(static_cast<size_t>(row));
  if (strcasecmp(charset, "ASCII") == 0) return AsciiValue(v, mode, out);
  int rc = kOk;
  if (tag == 12 && strcasecmp(charset, "UTF-8") == 0) {
    Octets(v, out);
  } else {
    rc = ToUtf8(charset, v, out);
  }
  if (rc == kOk && (mode & NORM_UPPER)) FoldUtf8(out);
  return rc;
}

// ---- DER written forwards ------------------------------------------------------

// Octets of the definite length field for len: the short form below 0x80,
// else 0x80 | n followed by the n octets of len, most significant first.
size_t LengthOctets(size_t len) {
  if (len < 0x80) return 1;
  size_t n = 1;
  for (size_t v = len; v != 0; v >>= 8) ++n;
  return n;
}

// Identifier and length octets of an element with len content octets.
size_t HeaderSize(size_t len) { return 1 + LengthOctets(len); }

void PutHeader(std::string* out, unsigned char tag, size_t len) {
  out->push_back(static_cast<char>(tag));
  size_t n = LengthOctets(len);
  if (n == 1) {
    out->push_back(static_cast<char>(len));
    return;
  }
  out->push_back(static_cast<char>(0x80 | (n - 1)));
  for (size_t i = n - 1; i > 0; --i) out->push_back(static_cast<char>((len >> (8 * (i - 1))) & 0xFF));
}

void PutTlv(std::string* out, unsigned char tag, const char* p, size_t n) {
  PutHeader(out, tag, n);
  out->append(p, n);
}

// AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
void PutAtv(std::string* out, const Buffer& type, unsigned char tag, const std::string& value) {
  size_t inner = HeaderSize(type.len) + type.len + HeaderSize(value.size()) + value.size();
  PutHeader(out, 0x30, inner);
  PutTlv(out, 0x06, reinterpret_cast<const char*>(type.data), type.len);
  PutTlv(out, tag, value.data(), value.size());
}

int Emit(const std::string& der, Buffer* out) {
  if (alloc_buffer(static_cast<uint32_t>(der.size()), out) != 0) {
    init_buffer(out);
    return kNoMemory;
  }
  std::memcpy(out->data, der.data(), der.size());
  return kOk;
}

// The forbid flag and the mode combination rules.
int EffectiveMode(const Config& c, int mode, int* effective) {
  if (mode & NORM_STRICT) mode &= ~NORM_ASCII;
  if (c.forbid) {
    if (mode & NORM_STRICT) return kConvForbidden;
    mode |= NORM_ASCII;
  }
  *effective = mode;
  return kOk;
}

using FirstAttrFn = int (*)(x509_walk_state_t*, const Buffer*, unsigned char*, Buffer*, Buffer*);
using NextAttrFn = int (*)(x509_walk_state_t*, unsigned char*, Buffer*, Buffer*);

// The frame of both kinds: walks the name element at in, hands each
// attribute to each(state, tag, type, value, body), which appends to body
// and returns kOk, the lossy mark (remembered, the walk goes on) or a
// failure (returned at once), and wraps body in the outer SEQUENCE. A name
// without attributes is copied as it is.
template <class Each>
int WalkName(FirstAttrFn first, NextAttrFn next, const Buffer* in, std::string* der, Each each) {
  x509_walk_state_t st;
  unsigned char tag = 0;
  Buffer type, value;
  int r = first(&st, in, &tag, &type, &value);
  if (r < 0) return kFailed;
  if (r == 0) {
    der->assign(reinterpret_cast<const char*>(in->data), st.total);
    return kOk;
  }
  int result = kOk;
  std::string body;
  body.reserve(in->len + 16);
  for (; r == 1; r = next(&st, &tag, &type, &value)) {
    int rc = each(st, tag, type, value, &body);
    if (rc == kConvUnconvertible) {
      result = rc;
    } else if (rc != kOk) {
      return rc;
    }
  }
  if (r < 0) return kFailed;
  der->clear();
  PutTlv(der, 0x30, body.data(), body.size());
  return result;
}

// Name ::= SEQUENCE OF RelativeDistinguishedName
// RelativeDistinguishedName ::= SET OF AttributeTypeAndValue
// One pass over the attributes in mode; the whole normalised element. The
// first value that does not convert ends the pass with the lossy mark.
int DnPass(const Config& c, const Buffer* in, int mode, std::string* der) {
  constexpr int kStopLossy = -1;
  std::string rdn, v;
  int rc = WalkName(x509_dn_gfra, x509_dn_gnra, in, der,
                    [&](const x509_walk_state_t& st, unsigned char tag, const Buffer& type, const Buffer& value,
                        std::string* body) {
                      v.clear();
                      unsigned char out_tag = 12;
                      int r = NormValue(c, tag, value, mode, &v, &out_tag);
                      if (r != kOk) return r == kConvUnconvertible ? kStopLossy : r;
                      PutAtv(&rdn, type, out_tag, v);
                      if (st.enclosed == 0) {
                        PutTlv(body, 0x31, rdn.data(), rdn.size());
                        rdn.clear();
                      }
                      return kOk;
                    });
  return rc == kStopLossy ? kConvUnconvertible : rc;
}

// A distinguished name normalised, falling back to ASCII mode for a value
// that does not convert unless the mode is strict.
int NormDn(const Config& c, const Buffer* in, int mode, std::string* der) {
  int rc = DnPass(c, in, mode, der);
  if (rc != kConvUnconvertible || (mode & NORM_STRICT)) return rc;
  return DnPass(c, in, mode | NORM_ASCII, der) == kOk ? kConvUnconvertible : kFailed;
}

// The URI with the scheme and the host upper-cased (NORM_UPPER): the text
// before "://", and after it the part from an "@" (of the authority, before
// the first "/") to the first "/".
void NormUri(const Buffer& v, int mode, std::string* out) {
  Octets(v, out);
  if (!(mode & NORM_UPPER)) return;
  size_t sep = out->find("://");
  if (sep == std::string::npos) return;
  auto upper = [out](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      char& ch = (*out)[i];
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    }
  };
  upper(0, sep);
  size_t host = sep + 3;
  size_t end = out->find('/', host);
  if (end == std::string::npos) end = out->size();
  size_t at = out->find('@', host);
  if (at != std::string::npos && at < end) host = at + 1;
  upper(host, end);
}

// GeneralNames ::= SEQUENCE OF GeneralName
int NormGn(const Config& c, const Buffer* in, int mode, std::string* der) {
  std::string v;
  return WalkName(x509_gfra, x509_gnra, in, der,
                  [&](const x509_walk_state_t&, unsigned char tag, const Buffer&, const Buffer& value,
                      std::string* body) {
                    v.clear();
                    int rc = kOk;
                    switch (tag) {
                      case 0x81:  // rfc822Name
                      case 0x82:  // dNSName
                        if (AsciiValue(value, mode, &v) != kOk) return kFailed;
                        break;
                      case 0x86:  // uniformResourceIdentifier
                        NormUri(value, mode, &v);
                        break;
                      case 0xA4:  // directoryName (the lossy mark is kept)
                        rc = NormDn(c, &value, mode, &v);
                        if (rc != kOk && rc != kConvUnconvertible) return rc;
                        break;
                      default:
                        Octets(value, &v);
                        break;
                    }
                    PutTlv(body, tag, v.data(), v.size());
                    return rc;
                  });
}

using NormFn = int (*)(const Config&, const Buffer*, int, std::string*);

// The frame both kinds share: configuration, mode, output, and no
// exception leaving.
int Normalise(NormFn fn, Buffer* in, Buffer* out, int mode) {
  if (out == nullptr) return kFailed;
  init_buffer(out);
  if (in == nullptr) return kFailed;
  const Config& c = Current();
  int effective = 0;
  int rc = EffectiveMode(c, mode, &effective);
  if (rc != kOk) return rc;
  try {
    std::string der;
    rc = fn(c, in, effective, &der);
    if (rc != kOk && rc != kConvUnconvertible) return rc;
    if (rc == kConvUnconvertible && (effective & NORM_STRICT)) return rc;
    int e = Emit(der, out);
    return e != kOk ? e : rc;
  } catch (const std::bad_alloc&) {
    release_buffer(out);
    return kNoMemory;
  }
}

}  // namespace

void conv_ini_clear() { Publish(std::make_unique<Config>()); }

const char* conv_enc(unsigned char tag) {
  int row = RowOf(tag);
  return row < 0 ? nullptr : Current().charset(static_cast<size_t>(row));
}

bool conv_forbidden() { return Current().forbid; }

int conv_read_ini_file(const char* path) {
  try {
    conv_ini_clear();
    std::unique_ptr<HIniFile, IniReleaser> ini(createIniFile());
    if (ini == nullptr) return kNoMemory;
    int rc = ini->load(path);
    if (rc == pkixrc::kCannotOpen) return kOk;
    if (rc != kOk) return rc;
    auto c = std::make_unique<Config>();
    rc = ReadInto(ini.get(), c.get());
    if (rc != kOk) return rc;
    Publish(std::move(c));
    return kOk;
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

int conv_read_ini() {
  const char* dir = nullptr;
  if (zel_get_product_dir(&dir) != 0 || dir == nullptr) return conv_read_ini_file("x509conv.ini");
  try {
    return conv_read_ini_file((std::string(dir) + "etc/x509conv.ini").c_str());
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

int x509_norm_dn(Buffer* in, Buffer* out, int mode) { return Normalise(NormDn, in, out, mode); }

int x509_norm_gn(Buffer* in, Buffer* out, int mode) { return Normalise(NormGn, in, out, mode); }

int x509_norm_name(Buffer* in, Buffer* out, int mode) {
  if (out != nullptr) init_buffer(out);
  int kind = isDN(in);
  if (kind < 0) return kFailed;
  return kind == 1 ? x509_norm_dn(in, out, mode) : x509_norm_gn(in, out, mode);
}
