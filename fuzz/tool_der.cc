// The tool's own DER readers over arbitrary octets: the input read as a
// certificate (its stated fields and each extension's value), as the value
// of every extension the tool reads, and as an object whose kind is told
// by its shape. Every input must come back as a verdict, never a crash, a
// hang or a leak.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/cert_fields.h"
#include "tools/der_kind.h"
#include "tools/extn_values.h"

namespace {

// Extensions the tool has a reader for.
const char* const kReadOids[] = {"2.5.29.19", "2.5.29.15", "2.5.29.37", "2.5.29.14", "2.5.29.35",
                                 "2.5.29.17", "2.5.29.31", "2.5.29.30", "2.5.29.32", "1.3.6.1.5.5.7.1.1"};

// One reading; an entry list only with kRead, and a known identifier never
// unknown.
void Read(const std::string& oid, const pkixtool::Octets& value, bool known) {
  std::vector<std::string> entries;
  pkixtool::ExtnReading how = pkixtool::ReadExtnValue(oid, value, &entries);
  if (how != pkixtool::ExtnReading::kRead && !entries.empty()) __builtin_trap();
  if (known && how == pkixtool::ExtnReading::kUnknown) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const pkixtool::Octets der(data, data + size);
  pkixtool::CertFields f;
  if (pkixtool::ReadCertFields(der, &f) == 0) {
    // A certificate walked whole has its dates and algorithm identifiers.
    if (f.not_before.empty() || f.not_after.empty() || f.sign_oid.empty() || f.key_oid.empty()) __builtin_trap();
    for (const pkixtool::ExtnField& e : f.extensions) Read(e.oid, e.value, false);
    (void)pkixtool::SerialText(f.serial);
  }
  for (const char* oid : kReadOids) Read(oid, der, true);
  (void)pkixtool::KindNote(der, pkixtool::kKindCertificate);
  return 0;
}
