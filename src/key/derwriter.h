// Writes DER back to front into a Buffer: each call puts one element (or its
// header) in front of what is there, so a structure is written from its last
// element to its first and every header after its content.
#ifndef PKIX_KEY_DERWRITER_H_
#define PKIX_KEY_DERWRITER_H_

#include <cstdint>

#include "contract/x509asn.h"

class DerWriter {
 public:
  // Writes in front of out's content; out grows as the library's encoders
  // grow it.
  explicit DerWriter(Buffer* out) : out_(out) {}

  // The current length: pass it to close() to wrap what is written after.
  uint32_t mark() const { return out_->len; }
  // Raw octets.
  void octets(const unsigned char* p, uint32_t n);
  void octets(const Buffer& b) { octets(b.data, b.len); }
  // A whole primitive element: content, then its header.
  void element(unsigned char tag, const Buffer& content);
  void element(unsigned char tag, const unsigned char* p, uint32_t n);
  // INTEGER with content octets as they stand (an empty content writes 0).
  void integer(const Buffer& content);
  // The header of a constructed element whose content is everything written
  // since mark m.
  void close(unsigned char tag, uint32_t m);

  // 0, or the first failure of the library (later calls then do nothing).
  int code() const { return code_; }

 private:
  void header(unsigned char tag, uint32_t content_len);

  Buffer* out_;
  int code_ = 0;
};

#endif  // PKIX_KEY_DERWRITER_H_
