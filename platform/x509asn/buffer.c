/* Byte buffers: owned blocks with room in front for prepending, and views. */
#include <stdlib.h>
#include <string.h>

#include "contract/x509asn.h"

#define ASN_ERR_MEMORY (-1)

void init_buffer(Buffer* b) {
  b->start = NULL;
  b->data = NULL;
  b->len = 0;
}

int alloc_buffer(uint32_t size, Buffer* b) {
  /* One spare octet so a zero-size block is still a distinct allocation. */
  unsigned char* block = malloc((size_t)size + 1);
  if (block == NULL) {
    init_buffer(b);
    return ASN_ERR_MEMORY;
  }
  b->start = block;
  b->data = block;
  b->len = size;
  return 0;
}

void release_buffer(Buffer* b) {
  free(b->start);
  init_buffer(b);
}

int set_buffer(Buffer* b, uint32_t len, const unsigned char* ptr) {
  b->start = NULL;
  b->data = (unsigned char*)ptr;
  b->len = len;
  return 0;
}

int link_buffer(Buffer* dst, const Buffer* src) { return set_buffer(dst, src->len, src->data); }

int shift_buffer(Buffer* b, uint32_t n) {
  if (n > b->len) return 1;
  b->data += n;
  b->len -= n;
  return 0;
}

static uint32_t room(const Buffer* b) { return b->start == NULL ? 0 : (uint32_t)(b->data - b->start); }

int retreat_buffer(Buffer* b, uint32_t n) {
  if (n > room(b)) return 1;
  b->data -= n;
  b->len += n;
  return 0;
}

/* Gives dst an owned block holding its content with at least front octets of
 * room before it and back octets after it. */
static int regrow(Buffer* dst, uint32_t front, uint32_t back) {
  uint64_t total = (uint64_t)front + dst->len + back;
  if (total > 0xFFFFFFFFu) return ASN_ERR_MEMORY;
  unsigned char* block = malloc((size_t)total + 1);
  if (block == NULL) return ASN_ERR_MEMORY;
  if (dst->len != 0) memcpy(block + front, dst->data, dst->len);
  free(dst->start);
  dst->start = block;
  dst->data = block + front;
  return 0;
}

int insert_buffer(Buffer* dst, const Buffer* src) {
  uint32_t n = src->len;
  if (n == 0) return 0;
  if (room(dst) < n) {
    /* Leave as much room again as the buffer holds, so repeated prepends
     * (DER is written back to front) stay linear. */
    uint32_t extra = n + dst->len + 64;
    int r = regrow(dst, extra, 0);
    if (r != 0) return r;
  }
  dst->data -= n;
  dst->len += n;
  memmove(dst->data, src->data, n);
  return 0;
}

int append_buffer(Buffer* dst, const Buffer* src) {
  uint32_t n = src->len;
  if (n == 0) return 0;
  if ((uint64_t)dst->len + n > 0xFFFFFFFFu) return ASN_ERR_MEMORY;
  /* Always copy into a new owned block: the end of an owned block is not
   * recorded, so there is no known room after the content. */
  unsigned char* old_data = dst->data;
  unsigned char* old_start = dst->start;
  uint32_t front = room(dst);
  unsigned char* block = malloc((size_t)front + dst->len + n + 1);
  if (block == NULL) return ASN_ERR_MEMORY;
  if (dst->len != 0) memcpy(block + front, old_data, dst->len);
  memcpy(block + front + dst->len, src->data, n);
  dst->start = block;
  dst->data = block + front;
  dst->len += n;
  free(old_start);
  return 0;
}

int cmp_buffers(const Buffer* a, const Buffer* b) {
  uint32_t n = a->len < b->len ? a->len : b->len;
  int c = n == 0 ? 0 : memcmp(a->data, b->data, n);
  if (c != 0) return c;
  if (a->len == b->len) return 0;
  return a->len < b->len ? -1 : 1;
}
