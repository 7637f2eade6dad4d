// The subjects and issuers of the Mozilla root corpus (tests/data/roots):
// printed and parsed back they equal the original; every pair OpenSSL's
// X509_NAME_cmp finds equal we find equal too; and a name with its RDNs in
// another order is equal for us (OpenSSL compares in order).
#include <dirent.h>
#include <gtest/gtest.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/abuf.h"
#include "name/x509name.h"
#include "name_test_util.h"
#include "testing/inproc.h"

namespace nametest {
namespace {

const char kRootsDir[] = PKIX_SOURCE_DIR "/tests/data/roots";

struct CorpusName {
  std::string where;  // file and field
  Bytes der;
};

std::vector<CorpusName> CorpusNames() {
  std::vector<std::string> files;
  if (DIR* d = opendir(kRootsDir)) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && n.compare(n.size() - 4, 4, ".der") == 0) files.push_back(n);
    }
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  std::vector<CorpusName> names;
  for (const std::string& f : files) {
    FILE* fp = std::fopen((std::string(kRootsDir) + "/" + f).c_str(), "rb");
    if (fp == nullptr) continue;
    X509* x = d2i_X509_fp(fp, nullptr);
    std::fclose(fp);
    if (x == nullptr) continue;
    const X509_NAME* fields[2] = {X509_get_subject_name(x), X509_get_issuer_name(x)};
    const char* labels[2] = {"subject", "issuer"};
    for (int i = 0; i < 2; ++i) {
      const unsigned char* der = nullptr;
      size_t len = 0;
      X509_NAME_get0_der(const_cast<X509_NAME*>(fields[i]), &der, &len);
      names.push_back({f + " " + labels[i], Bytes(reinterpret_cast<const char*>(der), len)});
    }
    X509_free(x);
  }
  return names;
}

struct OsslFree {
  void operator()(X509_NAME* n) const { X509_NAME_free(n); }
};
using OsslName = std::unique_ptr<X509_NAME, OsslFree>;

OsslName Ossl(const Bytes& der) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
  return OsslName(d2i_X509_NAME(nullptr, &p, static_cast<long>(der.size())));
}

// The RDN elements of a Name, in order.
std::vector<Bytes> Rdns(const Bytes& der) {
  std::vector<Bytes> rdns;
  Buffer b = View(der);
  if (asn1_der_decode(0x30, &b) < 0) return rdns;
  while (b.len > 0) {
    Buffer rdn;
    if (asn1_decode_any_type(&b, &rdn) < 0) break;
    rdns.emplace_back(reinterpret_cast<const char*>(rdn.data), rdn.len);
  }
  return rdns;
}

struct NameRelease {
  void operator()(TName* n) const {
    if (n != nullptr) n->release();
  }
};
using Name = std::unique_ptr<TName, NameRelease>;

Name Ours(const Bytes& der) {
  return Name(createTName(TName::NAME_DN, reinterpret_cast<const unsigned char*>(der.data()),
                          static_cast<unsigned>(der.size())));
}

class RootsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    corpus_ = CorpusNames();
    ASSERT_GE(corpus_.size(), 200u) << "the root corpus is missing";
  }
  void TearDown() override { x509cmn_fini(); }

  pkixtest::InProcessManager mgr_;
  std::vector<CorpusName> corpus_;
};

TEST_F(RootsTest, PrintAndParseBack) {
  int byte_identical = 0;
  for (const CorpusName& c : corpus_) {
    Name original = Ours(c.der);
    ASSERT_NE(original, nullptr) << c.where;
    TBuf* text = original->getPrintable(TName::PRN_PLAIN);
    ASSERT_NE(text, nullptr) << c.where;
    std::string printed(reinterpret_cast<const char*>(text->datap()));
    text->release();
    Name back(createTName(TName::NAME_DN));
    ASSERT_EQ(back->setPrintable(printed.c_str()), 0) << c.where << ": " << printed;
    EXPECT_EQ(*back == *original, 1) << c.where << ": " << printed;
    TBuf* raw = back->getRaw();
    if (Bytes(reinterpret_cast<const char*>(raw->datap()), raw->len()) == c.der) ++byte_identical;
    raw->release();
  }
  std::printf("[ roots    ] %zu names printed and parsed back equal; %d byte-identical\n", corpus_.size(),
              byte_identical);
  RecordProperty("names", static_cast<int>(corpus_.size()));
  RecordProperty("byte_identical", byte_identical);
}

TEST_F(RootsTest, EqualWheneverOpenSslSaysEqual) {
  std::vector<Name> ours;
  std::vector<OsslName> theirs;
  for (const CorpusName& c : corpus_) {
    ours.push_back(Ours(c.der));
    theirs.push_back(Ossl(c.der));
    ASSERT_NE(ours.back(), nullptr) << c.where;
    ASSERT_NE(theirs.back(), nullptr) << c.where;
  }
  int pairs = 0, both_equal = 0, only_ours = 0, only_ours_order = 0;
  for (size_t i = 0; i < corpus_.size(); ++i) {
    for (size_t j = i + 1; j < corpus_.size(); ++j) {
      ++pairs;
      bool ossl = X509_NAME_cmp(theirs[i].get(), theirs[j].get()) == 0;
      bool us = (*ours[i] == *ours[j]) == 1;
      if (ossl) {
        EXPECT_TRUE(us) << corpus_[i].where << " / " << corpus_[j].where;
        ++both_equal;
      } else if (us) {
        ++only_ours;
        std::vector<Bytes> a = Rdns(corpus_[i].der), b = Rdns(corpus_[j].der);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        if (a == b) ++only_ours_order;
        std::printf("[ roots    ] equal for us only (%s): %s / %s\n", a == b ? "RDN order" : "normalisation",
                    corpus_[i].where.c_str(), corpus_[j].where.c_str());
      }
    }
  }
  std::printf("[ roots    ] %d pairs: %d equal for both, %d for us only (%d by RDN order)\n", pairs, both_equal,
              only_ours, only_ours_order);
  RecordProperty("pairs", pairs);
  RecordProperty("both_equal", both_equal);
  RecordProperty("only_ours", only_ours);
}

TEST_F(RootsTest, OtherRdnOrderIsEqual) {
  int reordered = 0, ossl_differs = 0;
  for (const CorpusName& c : corpus_) {
    std::vector<Bytes> rdns = Rdns(c.der);
    if (rdns.size() < 2) continue;
    std::vector<Bytes> rotated(rdns.begin() + 1, rdns.end());
    rotated.push_back(rdns.front());
    Bytes content;
    for (const Bytes& r : rotated) content += r;
    Bytes der = Tlv(0x30, content);
    Name a = Ours(c.der), b = Ours(der);
    ASSERT_NE(b, nullptr) << c.where;
    EXPECT_EQ(*a == *b, 1) << c.where;
    EXPECT_EQ(*b << *a, 1) << c.where;
    ++reordered;
    if (X509_NAME_cmp(Ossl(c.der).get(), Ossl(der).get()) != 0) ++ossl_differs;
  }
  std::printf("[ roots    ] %d names with rotated RDNs equal for us; OpenSSL finds %d of them different\n",
              reordered, ossl_differs);
  EXPECT_GT(reordered, 100);
}

}  // namespace
}  // namespace nametest
