#include "framework/id_type.h"
#include "contract/service_ids.h"

#include <gtest/gtest.h>

namespace {

TEST(TypifiedIDTest, EqualityByKindAndValue) {
  Tuint32ID a(5), b(5), c(6);
  TstringID s("5"), t("5"), u("6"), empty(""), null(nullptr);
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == c);
  EXPECT_TRUE(s == t);
  EXPECT_FALSE(s == u);
  // Kinds never compare equal, whatever the values.
  EXPECT_FALSE(a == s);
  EXPECT_FALSE(s == a);
  Tuint32ID zero(0);
  EXPECT_FALSE(zero == empty);
  // A null text is the empty text.
  EXPECT_TRUE(null == empty);
  EXPECT_STREQ(null.text(), "");
}

TEST(TypifiedIDTest, ValCompOrdersUnsignedAndByBytes) {
  Tuint32ID small(1), big(0xFFFFFFFFu);
  EXPECT_EQ(small.val_comp(big), 1);   // the other is greater
  EXPECT_EQ(big.val_comp(small), -1);  // unsigned: 0xFFFFFFFF is not -1
  EXPECT_EQ(small.val_comp(small), 0);
  TstringID a("abc"), b("abd");
  EXPECT_GT(a.val_comp(b), 0);
  EXPECT_LT(b.val_comp(a), 0);
}

TEST(TypifiedIDTest, CopiesAreIndependent) {
  TstringID* original = new TstringID("service");
  TstringID copy(*original);
  delete original;
  EXPECT_STREQ(copy.text(), "service");
  Tuint32ID n(pkixid::kCertService);
  Tuint32ID m(n);
  EXPECT_TRUE(n == m);
}

}  // namespace
