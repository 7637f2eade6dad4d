// Helpers of the certificate parser and encoder tests: files of the corpus
// and the fixtures, a small DER builder for hand-made cases, and records and
// buffers that release themselves.
#ifndef PKIX_TESTS_CERT_X509_TESTUTIL_H_
#define PKIX_TESTS_CERT_X509_TESTUTIL_H_

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "../platform/test_util.h"
#include "cert/x509.h"
#include "cert/x509enc.h"

namespace x509test {

using Octets = std::vector<uint8_t>;

// Hex, ToHex and Bytes (octets in a heap block of exactly their size, so
// that AddressSanitizer sees any read past the end) as the support
// library's tests have them.
using x509asn_test::Bytes;
using x509asn_test::Hex;
using x509asn_test::ToHex;

// The octets a view shows.
inline Octets Of(const Buffer& b) { return b.len == 0 ? Octets{} : Octets(b.data, b.data + b.len); }

inline std::string SourcePath(const std::string& rel) { return std::string(PKIX_SOURCE_DIR) + "/" + rel; }

inline Octets ReadFile(const std::string& path) {
  Octets out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return out;
  uint8_t chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
  std::fclose(f);
  return out;
}

inline Octets Fixture(const std::string& name) { return ReadFile(SourcePath("tests/data/cert/" + name)); }

// The .der files of a folder of the source tree, sorted by name.
inline std::vector<std::string> DerFiles(const std::string& rel_dir) {
  std::vector<std::string> files;
  std::string dir = SourcePath(rel_dir);
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return files;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".der") == 0) files.push_back(dir + "/" + n);
  }
  closedir(d);
  std::sort(files.begin(), files.end());
  return files;
}

inline std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// A record from x509_init_cert, released at the end of its scope.
class Record {
 public:
  Record() { x509_init_cert(&rec_); }
  ~Record() { x509_release_cert(rec_); }
  x509_cert_t* get() const { return rec_; }
  x509_cert_t* operator->() const { return rec_; }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

 private:
  x509_cert_t* rec_ = nullptr;
};

// An owned buffer of n zero octets (the shape x509_enc_cert wants), freed
// at the end of its scope.
class OwnedBuffer {
 public:
  explicit OwnedBuffer(uint32_t n = 0) {
    init_buffer(&b_);
    alloc_buffer(n, &b_);
    if (n != 0) std::memset(b_.data, 0, n);
  }
  // Empty, with n octets of room in front for prepending.
  static OwnedBuffer WithRoom(uint32_t n) {
    OwnedBuffer b(n);
    shift_buffer(&b.b_, n);
    return b;
  }
  OwnedBuffer(OwnedBuffer&& o) noexcept : b_(o.b_) { init_buffer(&o.b_); }
  ~OwnedBuffer() { release_buffer(&b_); }
  Buffer* get() { return &b_; }
  Octets octets() const { return Of(b_); }

 private:
  Buffer b_;
};

// ---- A small DER builder ------------------------------------------------

inline Octets Cat(std::initializer_list<Octets> parts) {
  Octets out;
  for (const Octets& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline Octets Tlv(uint8_t tag, const Octets& content) {
  Octets out{tag};
  size_t n = content.size();
  if (n < 0x80) {
    out.push_back(static_cast<uint8_t>(n));
  } else {
    Octets len;
    for (size_t v = n; v != 0; v >>= 8) len.insert(len.begin(), static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(0x80 | len.size()));
    out.insert(out.end(), len.begin(), len.end());
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

inline Octets Seq(std::initializer_list<Octets> parts) { return Tlv(0x30, Cat(parts)); }
// The indefinite form: 0x80 length and the end-of-contents octets.
inline Octets Indef(uint8_t tag, std::initializer_list<Octets> parts) {
  return Cat({Octets{tag, 0x80}, Cat(parts), Octets{0x00, 0x00}});
}
inline Octets Int(const Octets& content) { return Tlv(0x02, content); }

// Extension ::= SEQUENCE { extnID, critical BOOLEAN DEFAULT FALSE, extnValue }
// with the BOOLEAN's content given as it should stand (empty: none).
inline Octets Ext(const Octets& oid_content, const Octets& boolean, const Octets& value) {
  return Seq({Tlv(0x06, oid_content), boolean.empty() ? Octets{} : Tlv(0x01, boolean), Tlv(0x04, value)});
}

// A certificate put together from parts; every part has a sound default.
struct CertParts {
  Octets version = Tlv(0xA0, Int({0x02}));
  Octets serial = Int({0x01, 0x23});
  Octets inner_alg = Seq({Tlv(0x06, Hex("2A864886F70D01010B")), Hex("0500")});
  Octets issuer = Seq({Tlv(0x31, Seq({Tlv(0x06, Hex("550403")), Tlv(0x0C, {'C', 'A'})}))});
  Octets validity = Seq({Tlv(0x17, Octets{'2', '5', '0', '1', '0', '1', '0', '0', '0', '0', '0', '0', 'Z'}),
                         Tlv(0x17, Octets{'3', '5', '0', '1', '0', '1', '0', '0', '0', '0', '0', '0', 'Z'})});
  Octets subject = Seq({Tlv(0x31, Seq({Tlv(0x06, Hex("550403")), Tlv(0x0C, {'E', 'E'})}))});
  Octets spki = Seq({Seq({Tlv(0x06, Hex("2A864886F70D010101")), Hex("0500")}),
                     Tlv(0x03, Cat({Octets{0x00}, Seq({Int({0x00, 0xC1}), Int({0x03})})}))});
  Octets unique_ids;
  std::vector<Octets> extensions;  // Extension elements; none: no [3]
  Octets tbs_tail;                 // octets after the last field (bad input)
  Octets outer_alg = Seq({Tlv(0x06, Hex("2A864886F70D01010B")), Hex("0500")});
  Octets signature = Tlv(0x03, Hex("00 5A 5A 5A 5A"));

  Octets Tbs() const {
    Octets exts;
    for (const Octets& e : extensions) exts.insert(exts.end(), e.begin(), e.end());
    Octets ext_part = extensions.empty() ? Octets{} : Tlv(0xA3, Tlv(0x30, exts));
    return Tlv(0x30, Cat({version, serial, inner_alg, issuer, validity, subject, spki, unique_ids, ext_part,
                          tbs_tail}));
  }
  Octets Der() const { return Seq({Tbs(), outer_alg, signature}); }
};

// A certificate parsed from its own exact copy of der; the record's views
// point into that copy, which lives as long as this object.
class Parsed {
 public:
  explicit Parsed(const Octets& der) : bytes_(der) {
    Buffer in = bytes_.View();
    code_ = x509_parse_cert(&in, rec_.get());
    consumed_ = static_cast<uint32_t>(in.data - bytes_.data());
  }
  int code() const { return code_; }
  // Octets the parse stepped over.
  uint32_t consumed() const { return consumed_; }
  x509_cert_t* operator->() const { return rec_.get(); }
  x509_cert_t* get() const { return rec_.get(); }

 private:
  Bytes bytes_;
  Record rec_;
  int code_;
  uint32_t consumed_;
};

}  // namespace x509test

#endif  // PKIX_TESTS_CERT_X509_TESTUTIL_H_
