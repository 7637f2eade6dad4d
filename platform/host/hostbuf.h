// The host's buffer service (111): reference-counted byte buffers whose
// content lives in a Buffer record with room in front for prepending.
#ifndef PKIX_HOST_HOSTBUF_H_
#define PKIX_HOST_HOSTBUF_H_

#include <cstdint>

#include "contract/service_ids.h"
#include "contract/tbuf.h"

namespace pkixhost {

constexpr uint32_t kBufferServiceID = pkixid::kBuffers;

// Result codes of buffer operations.
enum BufCode : int {
  kBufOk = 0,
  kBufNoMemory = 1,
  kBufBadArgument = 4,
  kBufOutOfRange = 6,
  kBufIOFailed = 9,
  kBufCannotOpen = 50,
};

// A new buffer service with count 0 (the host's holder adds the first).
X509CmnSrv_I* createBufferService();

// Buffers currently alive (leak checks in tests).
int liveBuffers();

}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTBUF_H_
