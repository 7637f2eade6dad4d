/* Byte buffers: owned blocks with room in front for prepending, and views. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "internal.h"

/* Largest content (and block) the library makes: one below 2^32 so that the
 * spare octet of every block still fits in 32 bits, and never more than the
 * address space allows. */
#define MAX_BLOCK ((uint64_t)(SIZE_MAX < 0xFFFFFFFEu ? SIZE_MAX - 1 : 0xFFFFFFFEu))

/* A block at an odd address is embedded in the object that holds its record
 * (a buffer object keeps small content in its own allocation, placed one
 * octet off so that it is told apart from every malloc block, which is at
 * least 2-aligned). The library never frees such a block: growing leaves it
 * where it is and moves the content to a new block, and releasing only
 * empties the record; its object frees it with itself. */
void asn_free_block(unsigned char* block) {
  if (((uintptr_t)block & 1u) != 0) return;
  free(block);
}

void init_buffer(Buffer* b) {
  b->start = NULL;
  b->data = NULL;
  b->len = 0;
}

int alloc_buffer(uint32_t size, Buffer* b) {
  if (b == NULL) return X509ASN_E_ARG;
  if ((uint64_t)size > MAX_BLOCK) {
    init_buffer(b);
    return X509ASN_E_RANGE;
  }
  /* One spare octet so a zero-size block is still a distinct allocation. */
  unsigned char* block = malloc((size_t)size + 1);
  if (block == NULL) {
    init_buffer(b);
    return X509ASN_E_NOMEM;
  }
  b->start = block;
  b->data = block;
  b->len = size;
  return 0;
}

void release_buffer(Buffer* b) {
  if (b == NULL) return;
  asn_free_block(b->start);
  init_buffer(b);
}

int set_buffer(Buffer* b, uint32_t len, const unsigned char* ptr) {
  if (b == NULL || (ptr == NULL && len != 0)) return X509ASN_E_ARG;
  b->start = NULL;
  b->data = (unsigned char*)ptr;
  b->len = len;
  return 0;
}

int link_buffer(Buffer* dst, const Buffer* src) {
  if (dst == NULL || src == NULL) return X509ASN_E_ARG;
  return set_buffer(dst, src->len, src->data);
}

int shift_buffer(Buffer* b, uint32_t n) {
  if (b == NULL || n > b->len) return 1;
  if (n == 0) return 0;
  b->data += n;
  b->len -= n;
  return 0;
}

static uint32_t room(const Buffer* b) {
  return b->start == NULL ? 0 : (uint32_t)(b->data - b->start);
}

int retreat_buffer(Buffer* b, uint32_t n) {
  if (b == NULL || n > room(b)) return 1;
  if (n == 0) return 0; /* an empty view may have a null data pointer */
  b->data -= n;
  b->len += n;
  return 0;
}

int asn_reserve(Buffer* b, uint32_t n, unsigned char** old_block) {
  if (old_block != NULL) *old_block = NULL;
  if (room(b) >= n) return 0;
  uint64_t need = (uint64_t)n + b->len;
  if (need > MAX_BLOCK) return X509ASN_E_RANGE;
  /* Leave as much room again as the result will hold, so that repeated
   * prepends (DER is written back to front) stay linear. */
  uint64_t front = (uint64_t)n + need + 64;
  if (front + b->len > MAX_BLOCK) front = MAX_BLOCK - b->len;
  unsigned char* block = malloc((size_t)(front + b->len) + 1);
  if (block == NULL) return X509ASN_E_NOMEM;
  if (b->len != 0) memcpy(block + front, b->data, b->len);
  if (old_block != NULL)
    *old_block = b->start;
  else
    asn_free_block(b->start);
  b->start = block;
  b->data = block + front;
  return 0;
}

int asn_prepend(Buffer* b, const void* src, uint32_t n) {
  if (n == 0) return 0;
  unsigned char* old = NULL;
  int r = asn_reserve(b, n, &old);
  if (r != 0) return r;
  /* src may lie in the old block (freed only now) or in b's own room. */
  memmove(b->data - n, src, n);
  asn_free_block(old);
  b->data -= n;
  b->len += n;
  return 0;
}

int insert_buffer(Buffer* dst, const Buffer* src) {
  if (dst == NULL || src == NULL) return X509ASN_E_ARG;
  return asn_prepend(dst, src->data, src->len);
}

int append_buffer(Buffer* dst, const Buffer* src) {
  if (dst == NULL || src == NULL) return X509ASN_E_ARG;
  uint32_t n = src->len;
  if (n == 0) return 0;
  uint32_t front = room(dst);
  uint64_t total = (uint64_t)front + dst->len + n;
  if ((uint64_t)dst->len + n > MAX_BLOCK) return X509ASN_E_RANGE;
  if (total > MAX_BLOCK) front = 0, total = (uint64_t)dst->len + n;
  /* Always copy into a new owned block: the end of an owned block is not
   * recorded, so there is no known room after the content. The old block is
   * freed only after both copies, so src may alias dst. */
  unsigned char* block = malloc((size_t)total + 1);
  if (block == NULL) return X509ASN_E_NOMEM;
  if (dst->len != 0) memcpy(block + front, dst->data, dst->len);
  memcpy(block + front + dst->len, src->data, n);
  asn_free_block(dst->start);
  dst->start = block;
  dst->data = block + front;
  dst->len += n;
  return 0;
}

int cmp_buffers(const Buffer* a, const Buffer* b) {
  uint32_t n = a->len < b->len ? a->len : b->len;
  int c = n == 0 ? 0 : memcmp(a->data, b->data, n);
  if (c != 0) return c;
  if (a->len == b->len) return 0;
  return a->len < b->len ? -1 : 1;
}

/* ---- growing strings ---------------------------------------------------- */

static int sb_grow(asn_sb* sb, uint32_t n) {
  if (sb->failed) return 0;
  uint64_t need = (uint64_t)sb->len + n + 1; /* + the closing zero */
  if (need <= sb->cap) return 1;
  if (need > (uint64_t)INT32_MAX) { /* lengths are returned as int */
    sb->failed = X509ASN_E_RANGE;
    return 0;
  }
  uint64_t cap = sb->cap < 64 ? 64 : sb->cap;
  while (cap < need) cap *= 2;
  if (cap > (uint64_t)INT32_MAX) cap = INT32_MAX;
  unsigned char* p = realloc(sb->p, (size_t)cap);
  if (p == NULL) {
    sb->failed = X509ASN_E_NOMEM;
    return 0;
  }
  sb->p = p;
  sb->cap = (uint32_t)cap;
  return 1;
}

void sb_put(asn_sb* sb, const void* src, uint32_t n) {
  if (n == 0 || !sb_grow(sb, n)) return;
  memcpy(sb->p + sb->len, src, n);
  sb->len += n;
}

void sb_putc(asn_sb* sb, unsigned char c) { sb_put(sb, &c, 1); }

void sb_puts(asn_sb* sb, const char* s) { sb_put(sb, s, (uint32_t)strlen(s)); }

void sb_hex(asn_sb* sb, const unsigned char* p, uint32_t n) {
  static const char kHex[] = "0123456789ABCDEF";
  for (uint32_t i = 0; i < n; ++i) {
    unsigned char two[2] = {(unsigned char)kHex[p[i] >> 4], (unsigned char)kHex[p[i] & 15]};
    sb_put(sb, two, 2);
  }
}

int sb_finish(asn_sb* sb, Buffer* out) {
  if (!sb->failed) sb_grow(sb, 0);
  if (sb->failed) {
    int r = sb->failed;
    sb_free(sb);
    init_buffer(out);
    return r;
  }
  sb->p[sb->len] = 0;
  out->start = sb->p;
  out->data = sb->p;
  out->len = sb->len;
  sb->p = NULL;
  sb->len = sb->cap = 0;
  return (int)out->len;
}

void sb_free(asn_sb* sb) {
  free(sb->p);
  sb->p = NULL;
  sb->len = sb->cap = 0;
}
