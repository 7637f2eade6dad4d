// DER content octets of an object identifier from its arcs, written into a
// reusable output area.
#ifndef PKIX_ALG_OID2ASN_H_
#define PKIX_ALG_OID2ASN_H_

#include <cstdint>

class Oid2Asn {
 public:
  Oid2Asn() = default;
  ~Oid2Asn();

  // Encodes the n arcs: the content octets of the OBJECT IDENTIFIER (no
  // identifier, no length), which data() and length() then show until the
  // next call. Returns false, with an empty result, when n is below 2, the
  // first arc is above 2, a second arc is above 39 under a first arc of 0 or
  // 1 (the two would not come apart again), or memory is short.
  bool asn(const uint32_t* arcs, uint32_t n);

  const unsigned char* data() const { return start_; }
  uint32_t length() const { return length_; }

  Oid2Asn(const Oid2Asn&) = delete;
  Oid2Asn& operator=(const Oid2Asn&) = delete;

 private:
  unsigned char* area_ = nullptr;   // the output area, filled from its end
  uint32_t size_ = 0;               // octets of the area
  unsigned char* start_ = nullptr;  // first octet of the current result
  uint32_t length_ = 0;             // octets of the current result
};

#endif  // PKIX_ALG_OID2ASN_H_
