// contract/typed_id.h on its own: identifiers compare by kind and value.
#include "contract/typed_id.h"

#include <gtest/gtest.h>

namespace {

TEST(TypedIdContract, EqualOnlyWithinOneKind) {
  const Tuint32ID seven(7), also_seven(7), eight(8);
  const TstringID text_seven("7"), empty(nullptr), also_empty("");
  struct Case {
    const char* what;
    const TypifiedID& a;
    const TypifiedID& b;
    int equal;
  } cases[] = {
      {"same number", seven, also_seven, 1},
      {"other number", seven, eight, 0},
      {"number and text", seven, text_seven, 0},
      {"text and number", text_seven, seven, 0},
      {"null text is the empty text", empty, also_empty, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.a == c.b, c.equal) << c.what;
  EXPECT_EQ(seven.val_comp(eight), 1);  // the other is greater
  EXPECT_EQ(eight.val_comp(seven), -1);
  EXPECT_EQ(seven.kind(), kIdUint32);
  EXPECT_EQ(text_seven.kind(), kIdString);
}

}  // namespace
