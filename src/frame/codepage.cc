#include "frame/codepage.h"

#include <array>
#include <cstdint>

namespace tarvik::frame {
namespace {

// Unicode code points of the bytes 0x80..0xFF; 0 marks an unassigned byte.
constexpr std::array<std::uint16_t, 128> kHigh = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0,      0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0,      0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// The 30 Czech letters: code page 852 byte, Windows-1250 byte.
constexpr std::array<std::array<unsigned char, 2>, 30> kCzech = {{
    {0xA0, 0xE1}, {0xB5, 0xC1}, {0x9F, 0xE8}, {0xAC, 0xC8}, {0xD4, 0xEF}, {0xD2, 0xCF},
    {0x82, 0xE9}, {0x90, 0xC9}, {0xD8, 0xEC}, {0xB7, 0xCC}, {0xA1, 0xED}, {0xD6, 0xCD},
    {0xE5, 0xF2}, {0xD5, 0xD2}, {0xA2, 0xF3}, {0xE0, 0xD3}, {0xFD, 0xF8}, {0xFC, 0xD8},
    {0xE7, 0x9A}, {0xE6, 0x8A}, {0x9C, 0x9D}, {0x9B, 0x8D}, {0xA3, 0xFA}, {0xE9, 0xDA},
    {0x85, 0xF9}, {0xDE, 0xD9}, {0xEC, 0xFD}, {0xED, 0xDD}, {0xA7, 0x9E}, {0xA6, 0x8E},
}};

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char Cp1250Of(std::uint32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  for (std::size_t k = 0; k < kHigh.size(); ++k) {
    if (kHigh[k] != 0 && kHigh[k] == cp) return static_cast<char>(0x80 + k);
  }
  return '?';
}

CharConversionTable BuildConversion() {
  CharConversionTable t{};
  for (int i = 0; i < 256; ++i) {
    t.registerToFile[i] = static_cast<unsigned char>(i);
    t.fileToRegister[i] = static_cast<unsigned char>(i);
  }
  for (const auto& pair : kCzech) {
    t.registerToFile[pair[0]] = pair[1];
    t.fileToRegister[pair[1]] = pair[0];
  }
  return t;
}

}  // namespace

std::string Cp1250ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else {
      std::uint16_t cp = kHigh[b - 0x80];
      AppendUtf8(out, cp == 0 ? 0xFFFD : cp);
    }
  }
  return out;
}

namespace {

enum class Utf8Step { kOk, kBadLead, kCutShort, kBadContinuation };

// Decodes the sequence at `i` into `cp` and its length into `len`.
Utf8Step DecodeUtf8(std::string_view utf8, std::size_t i, std::uint32_t& cp, std::size_t& len) {
  auto b = static_cast<unsigned char>(utf8[i]);
  len = 1;
  if (b < 0x80) {
    cp = b;
    return Utf8Step::kOk;
  } else if ((b & 0xE0) == 0xC0) {
    len = 2;
    cp = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3;
    cp = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4;
    cp = b & 0x07;
  } else {
    return Utf8Step::kBadLead;
  }
  if (i + len > utf8.size()) return Utf8Step::kCutShort;
  bool valid = true;
  for (std::size_t k = 1; k < len; ++k) {
    auto c = static_cast<unsigned char>(utf8[i + k]);
    if ((c & 0xC0) != 0x80) valid = false;
    cp = (cp << 6) | (c & 0x3F);
  }
  return valid ? Utf8Step::kOk : Utf8Step::kBadContinuation;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  static constexpr std::uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  for (std::size_t i = 0; i < bytes.size();) {
    std::uint32_t cp = 0;
    std::size_t len = 1;
    if (DecodeUtf8(bytes, i, cp, len) != Utf8Step::kOk) return false;
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if (cp < kShortest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

std::string Utf8ToCp1250(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::uint32_t cp = 0;
    std::size_t len = 1;
    Utf8Step step = DecodeUtf8(utf8, i, cp, len);
    if (step == Utf8Step::kCutShort) {
      out += '?';
      break;
    }
    if (step != Utf8Step::kOk) {
      out += '?';
      ++i;
      continue;
    }
    i += len;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    out += Cp1250Of(cp);
  }
  return out;
}

std::u16string Cp1250ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    const std::uint16_t cp = b < 0x80 ? b : kHigh[b - 0x80];
    out += static_cast<char16_t>(cp == 0 && b != 0 ? 0xFFFD : cp);
  }
  return out;
}

std::string Utf16ToCp1250(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
                      text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (pair) ++i;
    out += pair ? '?' : Cp1250Of(unit);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  static constexpr std::uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::uint32_t cp = 0;
    std::size_t len = 1;
    const Utf8Step step = DecodeUtf8(utf8, i, cp, len);
    if (step == Utf8Step::kCutShort) {
      out += u'\uFFFD';
      break;
    }
    if (step != Utf8Step::kOk || cp < kShortest[len] || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      i += step == Utf8Step::kOk ? len : 1;
      continue;
    }
    i += len;
    if (cp < 0x10000) {
      out += static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) +
                          (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
  }
  return out;
}

const CharConversionTable& CharConversion() {
  static const CharConversionTable table = BuildConversion();
  return table;
}

}  // namespace tarvik::frame
