#include <gtest/gtest.h>
#include <iconv.h>

#include "frame/codepage.h"

namespace tarvik::frame {
namespace {

TEST(CodePage, Cp1250MatchesTheSystemConverterForEveryByte) {
  // An independent reference: the C library's own CP1250 tables.
  iconv_t cd = iconv_open("UTF-8", "CP1250");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 0x20; b < 0x100; ++b) {
    char in[1] = {static_cast<char>(b)};
    char out[8] = {};
    char* inp = in;
    char* outp = out;
    size_t inLeft = 1, outLeft = sizeof out;
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) {
      EXPECT_EQ(Cp1250ToUtf8(std::string(1, static_cast<char>(b))), "\xEF\xBF\xBD") << b;
      continue;
    }
    std::string expected(out, static_cast<size_t>(outp - out));
    EXPECT_EQ(Cp1250ToUtf8(std::string(1, static_cast<char>(b))), expected) << b;
    EXPECT_EQ(Utf8ToCp1250(expected), std::string(1, static_cast<char>(b))) << b;
  }
  iconv_close(cd);
}

TEST(CodePage, CzechTextsBecomeOneBytePerLetter) {
  EXPECT_EQ(W("MEZISOUČET"),
            "MEZISOU\xC8"
            "ET");
  EXPECT_EQ(W("VRÁTIT").size(), 6u);
  EXPECT_EQ(W("ÚČET#"),
            "\xDA\xC8"
            "ET#");
  EXPECT_EQ(Utf8ToCp1250("日本"), "??");
}

TEST(CodePage, RegisterLettersTranslateBothWaysAndOthersPass) {
  EXPECT_EQ(RegisterToFile(0xA0), 0xE1);  // á
  EXPECT_EQ(FileToRegister(0x9A), 0xE7);  // š
  EXPECT_EQ(FileToRegister(0xE9), 0x82);  // é
  EXPECT_EQ(FileToRegister(0x82), 0x82);  // not a 1250 letter: unchanged
  EXPECT_EQ(RegisterToFile(0x80), 0x80);
  EXPECT_EQ(FileToRegister(0x80), 0x80);
  int changed = 0;
  for (int b = 0; b < 256; ++b) {
    auto c = static_cast<unsigned char>(b);
    if (RegisterToFile(c) != c) {
      ++changed;
      EXPECT_EQ(FileToRegister(RegisterToFile(c)), c);
    }
  }
  EXPECT_EQ(changed, 30);
}

}  // namespace
}  // namespace tarvik::frame
