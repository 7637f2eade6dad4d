// Fuzz target: the name walkers, x509_parse_name and x509_esc_value of
// libs_x509asn over arbitrary octets. Views stay inside the input; the three
// walkers agree; a walked distinguished name rebuilt from its attributes
// walks the same; the texts are zero-terminated, ASCII in mode 1 and UTF-8
// in mode 3; every OID the walkers deliver (attribute types, registeredID)
// passes asn1_oid_check. The empty record {NULL, NULL, 0} is walked too.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "contract/x509asn.h"

namespace {

const uint8_t* g_begin;
const uint8_t* g_end;

void Check(bool ok) {
  if (!ok) std::abort();
}

void InInput(const Buffer& v) {
  if (v.len == 0) return;
  Check(v.data >= g_begin && v.data + v.len <= g_end);
}

struct Attr {
  unsigned char tag;
  std::string type, value;
  uint32_t enclosed;
  bool operator==(const Attr& o) const {
    return tag == o.tag && type == o.type && value == o.value && enclosed == o.enclosed;
  }
};

using First = int (*)(x509_walk_state_t*, const Buffer*, unsigned char*, Buffer*, Buffer*);
using Next = int (*)(x509_walk_state_t*, unsigned char*, Buffer*, Buffer*);

int Walk(First first, Next next, const Buffer& name, std::vector<Attr>* out, uint32_t* total, bool check_bounds) {
  x509_walk_state_t st;
  unsigned char tag = 0;
  Buffer type, value;
  out->clear();
  int r = first(&st, &name, &tag, &type, &value);
  while (r == 1 && out->size() < 100000) {
    if (check_bounds) {
      InInput(type);
      InInput(value);
    }
    out->push_back({tag, std::string(reinterpret_cast<char*>(type.data), type.len),
                    std::string(reinterpret_cast<char*>(value.data), value.len), st.enclosed});
    r = next(&st, &tag, &type, &value);
  }
  Check(r <= 1);
  Check(next(&st, &tag, &type, &value) == r);  // sticky end
  if (r == 0) {
    Check(st.total >= 2 && st.total <= name.len);
    if (!out->empty()) Check(out->back().enclosed == 0);
  }
  *total = st.total;
  return r;
}

// Prepends header + content.
void Wrap(Buffer* b, unsigned char tag) { Check(asn1_der_encode(tag, b) == 0); }

// Rebuilds a Name from walked attributes (DER, definite lengths).
void Rebuild(const std::vector<Attr>& attrs, Buffer* out) {
  init_buffer(out);
  // Written backwards: the last RDN first.
  size_t i = attrs.size();
  while (i > 0) {
    size_t end = i;
    size_t start = i - 1;
    while (start > 0 && attrs[start - 1].enclosed) --start;
    Buffer set;
    init_buffer(&set);
    for (size_t k = end; k-- > start;) {
      Buffer atv;
      init_buffer(&atv);
      Buffer v;
      set_buffer(&v, static_cast<uint32_t>(attrs[k].value.size()),
                 reinterpret_cast<const unsigned char*>(attrs[k].value.data()));
      Check(insert_buffer(&atv, &v) == 0);
      Wrap(&atv, attrs[k].tag);
      Buffer t, oid;
      set_buffer(&t, static_cast<uint32_t>(attrs[k].type.size()),
                 reinterpret_cast<const unsigned char*>(attrs[k].type.data()));
      init_buffer(&oid);
      Check(insert_buffer(&oid, &t) == 0);
      Wrap(&oid, 0x06);
      Check(insert_buffer(&atv, &oid) == 0);
      release_buffer(&oid);
      Wrap(&atv, 0x30);
      Check(insert_buffer(&set, &atv) == 0);
      release_buffer(&atv);
    }
    Wrap(&set, 0x31);
    Check(insert_buffer(out, &set) == 0);
    release_buffer(&set);
    i = start;
  }
  Wrap(out, 0x30);
}

bool Utf8Valid(const unsigned char* p, uint32_t n) {
  for (uint32_t i = 0; i < n;) {
    unsigned char c = p[i];
    uint32_t len, cp;
    if (c < 0x80) { ++i; continue; }
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else return false;
    if (i + len > n) return false;
    for (uint32_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = cp << 6 | (p[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1u << 16) return 0;
  g_begin = data;
  g_end = data + size;
  Buffer name;
  set_buffer(&name, static_cast<uint32_t>(size), data);

  int kind = isDN(&name);
  std::vector<Attr> dn, gn, any;
  uint32_t t_dn = 0, t_gn = 0, t_any = 0;
  int r_dn = Walk(x509_dn_gfra, x509_dn_gnra, name, &dn, &t_dn, true);
  int r_gn = Walk(x509_gfra, x509_gnra, name, &gn, &t_gn, true);
  int r_any = Walk(x509_U_gfra, x509_U_gnra, name, &any, &t_any, true);
  for (const Attr& a : dn) {
    Buffer t;
    set_buffer(&t, static_cast<uint32_t>(a.type.size()), reinterpret_cast<const unsigned char*>(a.type.data()));
    Check(asn1_oid_check(&t) == 0);
  }
  for (const Attr& a : gn) {
    if (a.tag != 0x88) continue;  // registeredID: the value is OID content
    Buffer v;
    set_buffer(&v, static_cast<uint32_t>(a.value.size()), reinterpret_cast<const unsigned char*>(a.value.data()));
    Check(asn1_oid_check(&v) == 0);
  }
  if (kind == 1) {
    Check(r_any == r_dn && any == dn);
  } else if (kind == 2) {
    Check(r_any == r_gn && any == gn);
    for (const Attr& a : gn) Check(a.enclosed == 0 && a.type.size() == 1 && (unsigned char)a.type[0] == a.tag);
  } else {
    Check(r_any == kind && r_dn < 0 && r_gn < 0);
  }

  // A walked distinguished name rebuilt in DER walks the same.
  if (r_dn == 0) {
    Buffer again;
    Rebuild(dn, &again);
    std::vector<Attr> back;
    uint32_t t;
    Check(Walk(x509_dn_gfra, x509_dn_gnra, again, &back, &t, false) == 0);
    Check(back == dn && t == again.len);
    release_buffer(&again);
  }

  for (int mode : {1, 3}) {
    Buffer text;
    int r = x509_parse_name(&name, &text, mode);
    Check((r >= 0) == (r_any == 0));
    if (r >= 0) {
      Check(static_cast<uint32_t>(r) == text.len && text.data[text.len] == 0);
      if (mode == 1) {
        for (uint32_t i = 0; i < text.len; ++i) Check(text.data[i] < 0x7F && text.data[i] >= 0x20);
      } else {
        Check(Utf8Valid(text.data, text.len));
        for (uint32_t i = 0; i < text.len; ++i) Check(text.data[i] >= 0x20 && text.data[i] != 0x7F);
      }
      Check(any.empty() == (text.len == 0) || kind == 2);
    }
    release_buffer(&text);
  }

  // The empty record: refused by every walker and by the renderer.
  Buffer none = {nullptr, nullptr, 0};
  Check(isDN(&none) == X509ASN_E_SHORT);
  for (First first : {x509_dn_gfra, x509_gfra, x509_U_gfra}) {
    x509_walk_state_t st;
    Check(first(&st, &none, nullptr, nullptr, nullptr) == X509ASN_E_SHORT);
  }
  {
    Buffer text;
    Check(x509_parse_name(&none, &text, 3) == X509ASN_E_SHORT);
    Buffer esc;
    Check(x509_esc_value(&none, &esc, X509_ESC_UTF8) == 0 && esc.len == 0);
    release_buffer(&esc);
  }

  for (int flags : {X509_ESC_ASCII, X509_ESC_UTF8}) {
    Buffer esc;
    int r = x509_esc_value(&name, &esc, flags);
    Check(r >= 0 && esc.data[esc.len] == 0);
    if (flags == X509_ESC_UTF8) Check(Utf8Valid(esc.data, esc.len));
    release_buffer(&esc);
  }
  return 0;
}
