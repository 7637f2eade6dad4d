#include "cert/keyusage.h"

#include <cstdio>
#include <iterator>

#include "cert/x509.h"

namespace {

struct UsageName {
  uint16_t mask;
  const char* name;
};

// KeyUsage ::= BIT STRING { digitalSignature (0), nonRepudiation (1),
//     keyEncipherment (2), dataEncipherment (3), keyAgreement (4),
//     keyCertSign (5), cRLSign (6), encipherOnly (7), decipherOnly (8) }
const UsageName kUsages[] = {
    {X509_KU_DIGITAL_SIGNATURE, "digitalSignature"}, {X509_KU_NON_REPUDIATION, "nonRepudiation"},
    {X509_KU_KEY_ENCIPHERMENT, "keyEncipherment"},   {X509_KU_DATA_ENCIPHERMENT, "dataEncipherment"},
    {X509_KU_KEY_AGREEMENT, "keyAgreement"},         {X509_KU_KEY_CERT_SIGN, "keyCertSign"},
    {X509_KU_CRL_SIGN, "cRLSign"},                   {X509_KU_ENCIPHER_ONLY, "encipherOnly"},
    {X509_KU_DECIPHER_ONLY, "decipherOnly"},
};

}  // namespace

extern "C" {

int is_set(Buffer* bits, uint16_t mask) {
  // The unused-bits octet, then one or two octets of bits.
  constexpr uint32_t kShortest = 2, kLongest = 3;
  if (bits == nullptr || bits->data == nullptr || bits->len < kShortest || bits->len > kLongest) {
    return X509_E_UNUSED_BITS;
  }
  unsigned v = static_cast<unsigned>(bits->data[1]) << 8;
  if (bits->len == kLongest) v |= bits->data[2];
  return (v & mask) != 0 ? 1 : 0;
}

void print_keyusage(Buffer* bits) {
  for (const UsageName& u : kUsages) {
    if (is_set(bits, u.mask) == 1) std::printf("\t%s\n", u.name);
  }
}

int search_byte(Buffer* b, uint8_t c) {
  if (b == nullptr || b->data == nullptr) return X509_SEARCH_NOT_FOUND;
  if (b->len != 0 && b->data[0] == c) return 0;
  if (b->start == nullptr || b->start > b->data) return X509_SEARCH_NOT_FOUND;
  for (const unsigned char* p = b->data; p > b->start;) {
    --p;
    if (*p == c) return static_cast<int>(b->data - p);
  }
  return X509_SEARCH_NOT_FOUND;
}

}  // extern "C"
