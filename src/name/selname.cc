// Certificate fields read out of selectors.
#include "name/selname.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "name/name.h"

namespace {

// The value of the first element of the given type in the source part.
bool FindInSource(const _selector* sel, unsigned type, unsigned* length,
                  const unsigned char** value) {
  const unsigned char* cursor = nullptr;
  unsigned tag = SEL_TAG(type, 0);
  return sel_getnext(sel, &cursor, SEL_M_SRC, &tag, length, value) == 1;
}

// The selector types a name of one role is read from.
struct NameTypes {
  unsigned whole;       // CERT_SUBJECT / CERT_ISSUER
  unsigned text;        // CERT_SUBJECT_STR / CERT_ISSUER_STR
  unsigned component;   // X509S / X509I
};
constexpr NameTypes kSubjectTypes = {SEL_CERT_SUBJECT, SEL_CERT_SUBJECT_STR, SEL_X509S};
constexpr NameTypes kIssuerTypes = {SEL_CERT_ISSUER, SEL_CERT_ISSUER_STR, SEL_X509I};

// The keyword table components are looked up in, and the component subtype
// of its first row.
struct ComponentTable {
  const x509_keyword_t* rows;
  unsigned count;
  unsigned first_subtype;
};
constexpr ComponentTable kDnComponents = {sub_rdn, X509_SUB_RDN_COUNT, 0};
constexpr ComponentTable kGnComponents = {sub_recognized_rgn, X509_SUB_RECOGNIZED_RGN_COUNT, SEL_X509_MAIL};
constexpr unsigned kGnIpRow = SEL_X509_IP - SEL_X509_MAIL;

unsigned SubtypeOf(unsigned tag) { return (tag >> 9) & 0x7Fu; }

int CopyOut(const unsigned char* data, unsigned length, Buffer* out) {
  if (alloc_buffer(length, out) != 0) return SEL_ERR_NOMEM;
  if (length != 0) std::memcpy(out->data, data, length);
  return 0;
}

int EncodeText(const unsigned char* text, unsigned length, Buffer* out) {
  Buffer in;
  set_buffer(&in, length, text);
  int rc = x509_enc_name(&in, out, 0);
  if (rc != 0) release_buffer(out);
  return rc;
}

// ", keyword=value" for every component of the source part, in selector
// order; rows without a selector tag for the role are skipped.
void ComponentText(const _selector* sel, unsigned type, const ComponentTable& table, bool issuer,
                   bool general_names, std::string* text) {
  const unsigned char* cursor = nullptr;
  for (;;) {
    unsigned tag = SEL_TAG(type, 0);
    unsigned length = 0;
    const unsigned char* value = nullptr;
    if (sel_getnext(sel, &cursor, SEL_M_SRC, &tag, &length, &value) != 1) break;
    unsigned sub = SubtypeOf(tag);
    if (sub < table.first_subtype || sub - table.first_subtype >= table.count) continue;
    unsigned row = sub - table.first_subtype;
    const x509_keyword_t& kw = table.rows[row];
    if ((issuer ? kw.issuer_tag : kw.subject_tag) == 0) continue;
    *text += ',';
    text->append(kw.keyword, kw.keyword_len);
    if (general_names && row == kGnIpRow) {
      // The address octets in dotted decimal.
      char octet[8];
      for (unsigned i = 0; i < length; ++i) {
        std::snprintf(octet, sizeof octet, "%c%u", i == 0 ? '=' : '.', value[i]);
        *text += octet;
      }
    } else {
      *text += '=';
      text->append(reinterpret_cast<const char*>(value), length);
    }
  }
}

}  // namespace

extern "C" {

int sel_compile_name(const _selector* sel, int issuer, int generalNames, Buffer* out, int* complete) {
  if (sel == nullptr || out == nullptr || complete == nullptr) return SEL_ERR_ARG;
  init_buffer(out);
  const NameTypes& types = issuer ? kIssuerTypes : kSubjectTypes;
  unsigned length = 0;
  const unsigned char* value = nullptr;
  if (!generalNames) {
    const unsigned char* cursor = nullptr;
    unsigned tag = SEL_TAG(types.whole, 0);
    if (sel_getnext(sel, &cursor, SEL_M_SRC, &tag, &length, &value) == 1) {
      *complete = SubtypeOf(tag) == SEL_NAME_COMPLETE;
      return CopyOut(value, length, out);
    }
    cursor = nullptr;
    tag = SEL_TAG(types.text, 0);
    if (sel_getnext(sel, &cursor, SEL_M_SRC, &tag, &length, &value) == 1) {
      int rc = EncodeText(value, length, out);
      if (rc == 0) *complete = SubtypeOf(tag) == SEL_NAME_COMPLETE;
      return rc;
    }
  }
  *complete = 0;
  try {
    std::string text;
    ComponentText(sel, types.component, generalNames ? kGnComponents : kDnComponents, issuer != 0,
                  generalNames != 0, &text);
    if (text.empty()) return 0;
    return EncodeText(reinterpret_cast<const unsigned char*>(text.data()) + 1,
                      static_cast<unsigned>(text.size() - 1), out);
  } catch (const std::bad_alloc&) {
    return SEL_ERR_NOMEM;
  }
}

int sel_get_type(const _selector* sel, unsigned int* type) {
  if (sel == nullptr || type == nullptr) return SEL_ERR_ARG;
  unsigned length = 0;
  const unsigned char* value = nullptr;
  if (!FindInSource(sel, SEL_CERT_TYPE, &length, &value) || length == 0) return SEL_ERR_ABSENT;
  *type = value[0];
  return 0;
}

int sel_get_sn(const _selector* sel, Buffer* serial) {
  if (sel == nullptr || serial == nullptr) return SEL_ERR_ARG;
  unsigned length = 0;
  const unsigned char* value = nullptr;
  if (!FindInSource(sel, SEL_CERT_SN, &length, &value)) return SEL_ERR_ABSENT;
  if (alloc_buffer(length, serial) != 0) return SEL_ERR_NOMEM;
  if (length != 0) std::memcpy(serial->data, value, length);
  return 0;
}

}  // extern "C"
