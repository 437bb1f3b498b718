#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "frame/errors.h"

namespace tarvik::frame {
namespace {

TEST(ErrorTable, TextsSitAtTheirCodes) {
  EXPECT_EQ(ErrorText(38), "Pokladna se nehlasi");
  EXPECT_EQ(ErrorText(6), "Send packet error ");  // trailing blank is part of the text
  EXPECT_EQ(ErrorText(115), "Stejná PLU v souboru ");
  EXPECT_EQ(ErrorText(kInterruptedCode), "Uloha byla prerusena ");
  EXPECT_EQ(ErrorText(117), "");
  EXPECT_EQ(ErrorText(75), "");
  EXPECT_EQ(ErrorText(101), "");
  EXPECT_EQ(ErrorText(500), "");
  EXPECT_EQ(ErrorText(-1), "");
}

TEST(ErrorTable, AddedSubcodesAreUniqueAndHaveTexts) {
  std::set<std::pair<int, int>> seen;
  for (const auto& added : kAddedSubcodes) {
    EXPECT_TRUE(seen.insert({added.code, added.subcode}).second)
        << added.code << "/" << added.subcode;
    EXPECT_FALSE(ErrorText(added.code).empty()) << added.code;
  }
}

}  // namespace
}  // namespace tarvik::frame
