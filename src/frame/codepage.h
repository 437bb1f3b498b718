// The one place that knows code pages. Every file the program touches holds
// Windows-1250 bytes; the source keeps its texts in UTF-8 and converts at the
// boundary. The register's own texts use code page 852, of which only the 30
// Czech accented letters are translated (CharConversionTable).
#pragma once

#include <string>
#include <string_view>

namespace tarvik::frame {

// Windows-1250 bytes to UTF-8; the five unassigned bytes become U+FFFD.
std::string Cp1250ToUtf8(std::string_view bytes);
// Whether the bytes are well-formed UTF-8 (no overlong forms or surrogates).
bool IsValidUtf8(std::string_view bytes);
// UTF-8 to Windows-1250; characters the code page lacks become '?'.
std::string Utf8ToCp1250(std::string_view utf8);
// Windows-1250 bytes and UTF-16 text, for toolkits that hold text in UTF-16:
// unassigned bytes become U+FFFD; characters the code page lacks (a
// surrogate pair counts as one) become '?'.
std::u16string Cp1250ToUtf16(std::string_view bytes);
std::string Utf16ToCp1250(std::u16string_view text);
// UTF-8 and UTF-16, for the texts of the source shown through a wide API:
// malformed sequences and unpaired surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);
// Shorthand for texts written in the source: "Čas je v pokladně." -> 1250 bytes.
inline std::string W(std::string_view utf8) {
  return Utf8ToCp1250(utf8);
}

// The pair of 256-byte tables between the register (852) and data files (1250).
struct CharConversionTable {
  unsigned char registerToFile[256];
  unsigned char fileToRegister[256];
};
const CharConversionTable& CharConversion();

inline unsigned char RegisterToFile(unsigned char c) {
  return CharConversion().registerToFile[c];
}
inline unsigned char FileToRegister(unsigned char c) {
  return CharConversion().fileToRegister[c];
}

}  // namespace tarvik::frame
