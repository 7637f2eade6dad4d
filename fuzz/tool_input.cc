// The tool's input readers over arbitrary octets: a file's content as
// certificates, keys, certificate sets and revocation lists (PEM split by
// label, each object checked to be one DER element), the times a list
// states, and the hex form of a name. Every input must come back as a
// verdict, never a crash, a hang or a leak.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/crl_times.h"
#include "tools/tool_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using pkixtool::Block;
  const std::string content = size != 0 ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
  const std::vector<std::string> kLabels = {"CERTIFICATE", "PRIVATE KEY", "PKCS7", "X509 CRL"};
  std::vector<Block> blocks;
  std::string why;
  if (pkixtool::ObjectsOf("input", content, kLabels, "object", &blocks, &why)) {
    // Every object returned is one whole element.
    for (const Block& b : blocks) {
      if (!pkixtool::CheckOneElement("input", b.der.data(), b.der.size(), "object", &why)) __builtin_trap();
      // A list walked whole has a this update.
      pkixtool::StatedTimes t = pkixtool::TimesOf(b.der);
      if (t.read && t.this_update.empty()) __builtin_trap();
    }
  } else if (why.empty()) {
    __builtin_trap();  // a refusal always says why
  }
  std::string octets;
  if (pkixtool::FromHex(content, &octets) && octets.size() * 2 > content.size()) __builtin_trap();
  return 0;
}
