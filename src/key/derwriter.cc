#include "key/derwriter.h"

#include "support/der_reader.h"

void DerWriter::octets(const unsigned char* p, uint32_t n) {
  if (code_ != 0 || n == 0) return;
  Buffer view;
  if (set_buffer(&view, n, p) != 0) {
    code_ = X509ASN_E_ARG;
    return;
  }
  code_ = insert_buffer(out_, &view);
}

void DerWriter::header(unsigned char tag, uint32_t content_len) {
  // Identifier, then the minimal definite length: short form below 128,
  // else 0x80 | count followed by the count big-endian octets.
  unsigned char h[6];
  unsigned char* end = h + sizeof h;
  unsigned char* p = end;
  if (content_len < 0x80) {
    *--p = static_cast<unsigned char>(content_len);
  } else {
    unsigned count = 0;
    for (uint32_t v = content_len; v != 0; v >>= 8, ++count) *--p = static_cast<unsigned char>(v);
    *--p = static_cast<unsigned char>(0x80 | count);
  }
  *--p = tag;
  octets(p, static_cast<uint32_t>(end - p));
}

void DerWriter::element(unsigned char tag, const unsigned char* p, uint32_t n) {
  octets(p, n);
  header(tag, n);
}

void DerWriter::element(unsigned char tag, const Buffer& content) { element(tag, content.data, content.len); }

void DerWriter::integer(const Buffer& content) {
  static const unsigned char kZero = 0;
  if (content.len == 0) {
    element(der::kInteger, &kZero, 1);
  } else {
    element(der::kInteger, content);
  }
}

void DerWriter::close(unsigned char tag, uint32_t m) {
  if (code_ != 0) return;
  header(tag, out_->len - m);
}
