// A reader of distinguished names as text after the rules of the module's text parser
// (x509_enc_name's scanner: keywords from sub_rgn then sub_rdn, numeric
// OIDs, values with backslash escapes, quotes and the "#" hex form, string
// type choice, trailing blanks dropped). The tests use it to check that what
// x509_parse_name writes reads back into the same attributes. Distinguished
// names only: a general-name keyword is reported as kGeneralName.
#ifndef PKIX_TESTS_PLATFORM_DN_READER_H_
#define PKIX_TESTS_PLATFORM_DN_READER_H_

#include <cctype>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "contract/x509asn.h"

namespace x509asn_test {

struct ReadAttr {
  std::string oid;    // OID content octets
  int type = 0;       // string type (universal tag) as the parser chooses it
  std::string value;  // value octets
  bool plus_before = false;
};

constexpr int kGeneralName = -1000;

class DnReader {
 public:
  // 0 and the attributes, or the Part's negative code.
  int Read(const std::string& text, std::vector<ReadAttr>* out) {
    s_ = text;
    i_ = 0;
    out->clear();
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n')) ++i_;
    if (i_ == s_.size()) return 0;
    bool plus = false;
    for (;;) {
      ReadAttr a;
      a.plus_before = plus;
      SkipBlanks();
      int r = Type(&a);
      if (r != 0) return r;
      SkipBlanks();
      if (i_ >= s_.size() || s_[i_] != '=') return -57;
      ++i_;
      SkipBlanks();
      int sep = 0;
      r = Value(&a, &sep);
      if (r != 0) return r;
      if (a.type != 4)
        while (!a.value.empty() && (a.value.back() == ' ' || a.value.back() == '\t')) a.value.pop_back();
      out->push_back(a);
      if (sep == 0) return 0;
      plus = sep == '+';
      if (!plus) {
        SkipBlanks();
        if (i_ == s_.size()) return -148;  // trailing separator
      }
    }
  }

 private:
  static bool IsPrintable(unsigned char c) { return isalnum(c) || strchr(" ()+,-./:=?", c) != nullptr; }
  static bool IsString(int t) { return t == 0 || t == 19 || t == 22 || t == 12; }
  static bool IsSpecial(char c) { return strchr("\"#+,;<>=\\", c) != nullptr; }
  static int HexVal(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }
  static int GetType(int cur, const std::string& seg) {
    if (cur != 0 && cur != 19 && cur != 22) return cur;
    int t = cur ? cur : 19;
    for (unsigned char c : seg) {
      if (IsPrintable(c)) continue;
      if (c >= 0x80) return 12;
      if (t == 19) t = 22;
    }
    return t;
  }
  void SkipBlanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
  }

  int Type(ReadAttr* a) {
    size_t st = i_;
    if (i_ < s_.size() && isalpha(static_cast<unsigned char>(s_[i_]))) {
      while (i_ < s_.size() && (isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '-')) ++i_;
      std::string kw = s_.substr(st, i_ - st);
      for (const auto& row : sub_rgn)
        if (kw.size() == row.keyword_len && strcasecmp(kw.c_str(), row.keyword) == 0) return kGeneralName;
      for (const auto& row : sub_rdn)
        if (kw.size() == row.keyword_len && strcasecmp(kw.c_str(), row.keyword) == 0) {
          a->oid.assign(reinterpret_cast<const char*>(row.oid + 1), row.oid[0]);
          a->type = 19;
          return 0;
        }
      return -30;
    }
    // Numeric OID: 1-10 digits, then one or more "." and 1-10 digits.
    std::vector<uint32_t> arcs;
    for (;;) {
      size_t d = i_;
      unsigned long long v = 0;
      while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_])) && i_ - d < 10) v = v * 10 + (s_[i_++] - '0');
      if (i_ == d) return arcs.size() >= 2 ? 0 : (arcs.empty() ? -148 : -57);
      if (v > 0xFFFFFFFFull) return -7;
      arcs.push_back(static_cast<uint32_t>(v));
      if (i_ < s_.size() && s_[i_] == '.' && i_ + 1 < s_.size() && isdigit(static_cast<unsigned char>(s_[i_ + 1]))) {
        ++i_;
        continue;
      }
      break;
    }
    if (arcs.size() < 2) return -57;
    if (arcs.size() > 16) return -7;
    Buffer b;
    init_buffer(&b);
    if (asn1_enc_objid(arcs.data(), static_cast<uint32_t>(arcs.size()), &b) != 0) return -7;
    a->oid.assign(reinterpret_cast<char*>(b.data), b.len);
    release_buffer(&b);
    if (a->oid == std::string("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x02", 9)) a->type = 22;
    return 0;
  }

  // Reads the value up to the end of the text, or a "," (sep ',') or "+"
  // (sep '+') outside escapes.
  int Value(ReadAttr* a, int* sep) {
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == '\\') {
        if (!IsString(a->type)) return -58;
        if (++i_ >= s_.size()) return -62;
        int h1 = HexVal(s_[i_]), h2 = i_ + 1 < s_.size() ? HexVal(s_[i_ + 1]) : -1;
        std::string one;
        if (h1 >= 0 && h2 >= 0) {
          one = std::string(1, static_cast<char>(h1 * 16 + h2));
          i_ += 2;
        } else if (IsSpecial(s_[i_])) {
          one = std::string(1, s_[i_++]);
        } else {
          return -63;
        }
        a->value += one;
        a->type = GetType(a->type, one);
      } else if (c == '"') {
        if (!IsString(a->type)) return -58;
        size_t end = s_.find('"', i_ + 1);
        if (end == std::string::npos) return -62;
        std::string run = s_.substr(i_ + 1, end - i_ - 1);
        a->value += run;
        a->type = GetType(a->type, run);
        i_ = end + 1;
      } else if (c == '#') {
        size_t j = i_ + 1;
        std::vector<unsigned char> pairs;
        while (j + 1 < s_.size() && HexVal(s_[j]) >= 0 && HexVal(s_[j + 1]) >= 0) {
          pairs.push_back(static_cast<unsigned char>(HexVal(s_[j]) * 16 + HexVal(s_[j + 1])));
          j += 2;
        }
        if (pairs.empty()) return -61;
        a->type = pairs[0];
        // A DER length, then exactly that many octets.
        if (pairs.size() < 2) return -60;
        size_t k = 1, len = pairs[1];
        if (len & 0x80) {
          size_t n = len & 0x7F;
          if (n == 0 || n > 4 || pairs.size() < 2 + n) return -60;
          len = 0;
          for (size_t q = 0; q < n; ++q) len = len << 8 | pairs[2 + q];
          k += n;
        }
        ++k;
        if (pairs.size() - k != len) return -60;
        a->value.append(reinterpret_cast<const char*>(pairs.data() + k), len);
        i_ = j;
      } else if (c == ';' || c == '<' || c == '>' || c == '=') {
        return -61;
      } else if (c == ',' || c == '+') {
        *sep = c;
        ++i_;
        if (c == '+') return 0;
        // Rule 13: ", /" continues like ",".
        size_t j = i_;
        while (j < s_.size() && (s_[j] == ' ' || s_[j] == '\t')) ++j;
        if (j < s_.size() && s_[j] == '/') i_ = j + 1;
        return 0;
      } else {
        size_t j = i_;
        while (j < s_.size() && !IsSpecial(s_[j])) ++j;
        std::string run = s_.substr(i_, j - i_);
        a->value += run;
        a->type = GetType(a->type, run);
        i_ = j;
      }
    }
    *sep = 0;
    return 0;
  }

  std::string s_;
  size_t i_ = 0;
};

}  // namespace x509asn_test

#endif  // PKIX_TESTS_PLATFORM_DN_READER_H_
