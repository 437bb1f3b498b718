// The two pictures of the activity icon, which alternate while frames move,
// and their 16 x 16 monochrome masks as the system's icon calls take them.
#pragma once

#include <array>
#include <cstdint>

namespace tarvik::ui {

inline constexpr int kActivityIconSize = 16;

// Rows top down, one byte per 8 pixels, leftmost pixel in the high bit. A
// pixel is drawn from (and, xor): (1, 0) transparent, (0, 0) black, (0, 1)
// white.
struct IconMasks {
  std::array<std::uint8_t, kActivityIconSize * kActivityIconSize / 8> andMask{};
  std::array<std::uint8_t, kActivityIconSize * kActivityIconSize / 8> xorMask{};
};

// A picture of 16 rows of 16 characters: '#' black, '.' white, any other
// character transparent.
using IconPicture = std::array<const char*, kActivityIconSize>;

IconMasks MakeIconMasks(const IconPicture& picture);

// The first picture shows the register's display lit, the second dark.
const IconPicture& ActivityIconPicture(bool first);

}  // namespace tarvik::ui
