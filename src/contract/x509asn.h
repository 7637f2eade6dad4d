/* The ASN.1 support library (libs_x509asn.so) as the module uses it: byte
 * buffers, DER decoding and encoding, object identifiers, and name and
 * algorithm-identifier parsing.
 *
 * Buffer record. Three words:
 *   start  the owned block (from alloc_buffer and the growing operations), or
 *          NULL for a view (set_buffer, link_buffer) that borrows its octets;
 *   data   the first octet of the content;
 *   len    the number of content octets from data.
 * An owned buffer may have room in front of data (data - start octets) into
 * which encoders prepend; a view has none. release_buffer frees the owned
 * block and leaves an empty buffer; on a view it only empties the record.
 *
 * Results are non-negative on success and small negative codes on failure.
 */
#ifndef PKIX_CONTRACT_X509ASN_H_
#define PKIX_CONTRACT_X509ASN_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct Buffer {
  unsigned char* start;
  unsigned char* data;
  uint32_t len;
} Buffer;

#ifdef __cplusplus
static_assert(sizeof(Buffer) == 2 * sizeof(void*) + (sizeof(void*) == 8 ? 8 : 4),
              "Buffer is three words");
#endif

/* Empties the record without freeing anything. */
void init_buffer(Buffer* b);
/* Allocates an owned block of size octets as the content (uninitialised);
 * 0, or a negative code when memory is short (b then empty). */
int alloc_buffer(uint32_t size, Buffer* b);
/* Frees an owned block; empties the record in every case. */
void release_buffer(Buffer* b);
/* Makes b a view of len octets at ptr; 0. */
int set_buffer(Buffer* b, uint32_t len, const unsigned char* ptr);
/* Makes dst a view of src's content; 0. */
int link_buffer(Buffer* dst, const Buffer* src);
/* Moves the start of the content forward by n octets; non-zero when the
 * content is shorter than n (b unchanged). */
int shift_buffer(Buffer* b, uint32_t n);
/* Moves the start of the content back by n octets into the room in front;
 * non-zero when there is less room than n (b unchanged). */
int retreat_buffer(Buffer* b, uint32_t n);
/* Prepends a copy of src's content to dst, growing dst when its room is
 * short (dst then owns a new block); 0 or a negative code. */
int insert_buffer(Buffer* dst, const Buffer* src);
/* Appends a copy of src's content to dst; dst then owns its block. */
int append_buffer(Buffer* dst, const Buffer* src);
/* Orders two contents: negative, 0, positive; a shorter prefix first. */
int cmp_buffers(const Buffer* a, const Buffer* b);

#ifdef __cplusplus
}
#endif

#endif /* PKIX_CONTRACT_X509ASN_H_ */
