// The host's buffer service (pkixid::kBuffers): reference-counted byte buffers whose
// content lives in a Buffer record with room in front for prepending.
#ifndef PKIX_HOST_HOSTBUF_H_
#define PKIX_HOST_HOSTBUF_H_

#include <cstdint>

#include "contract/service_ids.h"
#include "contract/tbuf.h"
#include "support/result_codes.h"

namespace pkixhost {

constexpr uint32_t kBufferServiceID = pkixid::kBuffers;

// Result codes of buffer operations.
enum BufCode : int {
  kBufOk = pkixrc::kOk,
  kBufNoMemory = pkixrc::kNoMemory,
  kBufBadArgument = pkixrc::kBadArgument,
  kBufOutOfRange = pkixrc::kMalformed,
  kBufIOFailed = pkixrc::kFailed,
  kBufCannotOpen = pkixrc::kCannotOpen,
};

// A new buffer service with count 0 (the host's holder adds the first).
X509CmnSrv_I* createBufferService();

// Buffers currently alive (leak checks in tests): exact whenever no buffer
// is being made or released at the same time.
int liveBuffers();

}  // namespace pkixhost

#endif  // PKIX_HOST_HOSTBUF_H_
