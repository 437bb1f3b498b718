#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include <iconv.h>
#endif

#include <string>

#include "frame/codepage.h"

namespace tarvik::frame {
namespace {

// An independent reference: the system's own CP1250 tables. Returns false
// for a byte the code page leaves undefined.
#ifdef _WIN32
bool SystemCp1250ToUtf8(unsigned char byte, std::string* utf8) {
  const char in = static_cast<char>(byte);
  wchar_t wide = 0;
  if (::MultiByteToWideChar(1250, MB_ERR_INVALID_CHARS, &in, 1, &wide, 1) != 1) return false;
  // The system maps the undefined bytes onto the C1 controls of the same value.
  if (wide >= 0x80 && wide <= 0x9F) return false;
  char out[8] = {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, &wide, 1, out, sizeof out, nullptr, nullptr);
  if (n <= 0) return false;
  utf8->assign(out, static_cast<std::size_t>(n));
  return true;
}
#else
bool SystemCp1250ToUtf8(unsigned char byte, std::string* utf8) {
  iconv_t cd = iconv_open("UTF-8", "CP1250");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* inp = in;
  char* outp = out;
  size_t inLeft = 1, outLeft = sizeof out;
  bool ok = iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (ok) utf8->assign(out, static_cast<size_t>(outp - out));
  return ok;
}
#endif

TEST(CodePage, Cp1250MatchesTheSystemConverterForEveryByte) {
  int defined = 0;
  for (int b = 0x20; b < 0x100; ++b) {
    std::string expected;
    if (!SystemCp1250ToUtf8(static_cast<unsigned char>(b), &expected)) {
      EXPECT_EQ(Cp1250ToUtf8(std::string(1, static_cast<char>(b))), "\xEF\xBF\xBD") << b;
      continue;
    }
    ++defined;
    EXPECT_EQ(Cp1250ToUtf8(std::string(1, static_cast<char>(b))), expected) << b;
    EXPECT_EQ(Utf8ToCp1250(expected), std::string(1, static_cast<char>(b))) << b;
  }
  // 0x81, 0x83, 0x88, 0x90 and 0x98 are the only holes of the code page.
  EXPECT_EQ(defined, 0x100 - 0x20 - 5);
}

TEST(CodePage, CzechTextsBecomeOneBytePerLetter) {
  EXPECT_EQ(W("ÚČET#"), std::string("\xDA\xC8") + "ET#");
  EXPECT_EQ(Utf8ToCp1250("日本"), "??");
  EXPECT_EQ(Utf16ToCp1250(u"ÚČET#日"), W("ÚČET#?"));
  // A character outside the basic plane is one '?', an unpaired half too.
  EXPECT_EQ(Utf16ToCp1250(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(Utf16ToCp1250(std::u16string{u'a', char16_t{0xD800}, u'b'}), "a?b");
  // Broken sequences: a stray continuation byte, a bad continuation, one cut short.
  EXPECT_EQ(Utf8ToCp1250("a\x80"
                         "b\xC5"
                         "Xc\xE2\x82"),
            "a?b?Xc?");
}

TEST(CodePage, Utf8IsToldFromWindows1250) {
  EXPECT_TRUE(IsValidUtf8("plain ASCII"));
  EXPECT_TRUE(IsValidUtf8("Žďár €"));
  EXPECT_FALSE(IsValidUtf8(W("Žďár")));
  EXPECT_FALSE(IsValidUtf8("\xC5"));              // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}

TEST(CodePage, Utf8AndUtf16BothWays) {
  EXPECT_EQ(Utf8ToUtf16("Nastav port a rychlost: Počet bitů €"),
            u"Nastav port a rychlost: Počet bitů €");
  EXPECT_EQ(Utf16ToUtf8(u"Terminál Žďár"), "Terminál Žďár");
  // Beyond the basic plane: a surrogate pair, and back.
  EXPECT_EQ(Utf8ToUtf16("a\U0001F600b"), u"a\U0001F600b");
  EXPECT_EQ(Utf16ToUtf8(u"a\U0001F600b"), "a\U0001F600b");
  // Broken input is marked, never dropped silently.
  EXPECT_EQ(Utf8ToUtf16("a\x80"
                        "b\xC0\xAF"
                        "c\xE2\x82"),
            u"a\uFFFDb\uFFFDc\uFFFD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t{0xDC00}, u'b'}), "a\uFFFDb");
}

TEST(CodePage, Utf16AndUtf8AgreeOnEveryByte) {
  for (int b = 0; b < 0x100; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::u16string wide = Cp1250ToUtf16(byte);
    ASSERT_EQ(wide.size(), 1u) << b;
    // The code point of the UTF-8 form (at most three bytes for this page).
    const std::string utf8 = Cp1250ToUtf8(byte);
    char32_t cp = static_cast<unsigned char>(utf8[0]);
    if (utf8.size() > 1) cp &= utf8.size() == 2 ? 0x1F : 0x0F;
    for (std::size_t i = 1; i < utf8.size(); ++i) {
      cp = cp << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    }
    EXPECT_EQ(static_cast<char32_t>(wide[0]), cp) << b;
    if (wide[0] != 0xFFFD) {
      EXPECT_EQ(Utf16ToCp1250(wide), byte) << b;
    }
  }
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
