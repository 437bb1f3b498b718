#include "platform/file_names.h"

#include <gtest/gtest.h>

namespace tarvik::platform {
namespace {

TEST(FileNames, OnlyAsciiLettersFold) {
  EXPECT_TRUE(EqualNoCase("X_REG.DAT", "x_reg.dat"));
  EXPECT_FALSE(EqualNoCase("x_reg.dat", "x_reg.da"));
  EXPECT_FALSE(EqualNoCase("a[", "A{"));  // '[' and '{' differ by the case bit but are no letters
  EXPECT_FALSE(EqualNoCase("\xC8", "\xE8"));  // Windows-1250 Č and č stay apart
  EXPECT_TRUE(StartsNoCase("Zurnal01.TXT", "zurNAL"));
  EXPECT_FALSE(StartsNoCase("zu", "zur"));
  EXPECT_TRUE(EndsNoCase("Zurnal01.TXT", ".txt"));
  EXPECT_FALSE(EndsNoCase("txt", ".txt"));
  EXPECT_TRUE(StartsNoCase("", "") && EndsNoCase("a", ""));
}

}  // namespace
}  // namespace tarvik::platform
