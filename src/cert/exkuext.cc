#include "cert/exkuext.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "support/tbufs.h"

using namespace pkixrc;

namespace {

constexpr uint32_t kMaxArcs = 64;

// The arcs of an identifier written in decimal with " ." as delimiters;
// empty when the text holds none or a part does not read as a number.
std::vector<uint32_t> readArcs(const char* text) {
  std::vector<uint32_t> arcs;
  std::string s(text);
  size_t i = 0;
  while (i < s.size()) {
    size_t j = s.find_first_of(" .", i);
    if (j == std::string::npos) j = s.size();
    if (j > i) {
      unsigned v = 0;
      char tail = 0;
      if (std::sscanf(s.substr(i, j - i).c_str(), "%u%c", &v, &tail) != 1) return {};
      arcs.push_back(v);
    }
    i = j + 1;
  }
  return arcs;
}

}  // namespace

int X509ExtKeyUsage::setValue(TBuf* value) {
  if (value == nullptr) return error_ = kFailed;
  Buffer b = viewOf(value);
  Buffer seq;
  if (asn1_decode_primitive(0x30, &b, &seq) < 0) return error_ = kFailed;
  int found = 0;
  std::vector<Arcs> read;
  while (seq.len != 0) {
    Buffer oid;
    if (asn1_decode_primitive(6, &seq, &oid) < 0) return error_ = kFailed;
    uint32_t arcs[kMaxArcs];
    int n = asn1_dec_objid(&oid, arcs, kMaxArcs);
    if (n < 0) return error_ = kFailed;
    read.emplace_back(arcs, arcs + n);
    ++found;
  }
  if (found == 0) return error_ = kFailed;
  // Each read identifier goes to the head: the set holds them in reverse.
  for (Arcs& a : read) ids_.insert(ids_.begin(), a);
  return error_ = storeValue(value);
}

int X509ExtKeyUsage::isIdPresent(char* oid) {
  if (oid == nullptr) {
    error_ = kFailed;
    return 0;
  }
  Arcs want = readArcs(oid);
  if (want.empty()) {
    error_ = kFailed;
    return 0;
  }
  error_ = kOk;
  for (const Arcs& a : ids_) {
    if (a == want) return 1;
  }
  return 0;
}

int X509ExtKeyUsage::setId(char* oid, int replace) {
  if (oid == nullptr) return error_ = kFailed;
  Arcs arcs = readArcs(oid);
  if (arcs.empty()) return error_ = kFailed;
  if (replace != 0) ids_.clear();
  ids_.insert(ids_.begin(), arcs);
  markStale();
  return error_ = kOk;
}

TBuf* X509ExtKeyUsage::encodeValue() {
  TBuf* out = createTBuf();
  if (out == nullptr) return nullptr;
  Buffer* b = out->getBuffer();
  bool ok = true;
  // Written from the end so the list order stands in the DER.
  for (auto it = ids_.rbegin(); ok && it != ids_.rend(); ++it) {
    Buffer w;
    init_buffer(&w);
    ok = asn1_enc_objid(it->data(), static_cast<uint32_t>(it->size()), &w) == 0 &&
         asn1_der_encode(6, &w) == 0 && insert_buffer(b, &w) == 0;
    release_buffer(&w);
  }
  if (!ok || asn1_der_encode(0x30, b) != 0) {
    out->release();
    return nullptr;
  }
  return out;
}
