#include "ui/activity_icons.h"

namespace tarvik::ui {
namespace {

constexpr IconPicture kLit = {
    "                ",  //
    "   ##########   ",  //
    "   #........#   ",  //
    "   #........#   ",  //
    "   #........#   ",  //
    "   ##########   ",  //
    "  ############  ",  //
    "  #..........#  ",  //
    "  #.#.#.#.#..#  ",  //
    "  #..........#  ",  //
    "  #.#.#.#.#..#  ",  //
    "  #..........#  ",  //
    " ############## ",  //
    " #............# ",  //
    " ############## ",  //
    "                ",  //
};

// The second picture: the same register with its display dark.
constexpr IconPicture kDark = [] {
  IconPicture picture = kLit;
  for (int row = 2; row <= 4; ++row) picture[row] = "   ##########   ";
  return picture;
}();

}  // namespace

IconMasks MakeIconMasks(const IconPicture& picture) {
  IconMasks masks;
  for (int row = 0; row < kActivityIconSize; ++row) {
    const char* line = picture[row];
    bool ended = false;
    for (int column = 0; column < kActivityIconSize; ++column) {
      // A short row is transparent to its end.
      if (!ended && line[column] == '\0') ended = true;
      const char c = ended ? ' ' : line[column];
      const int index = row * kActivityIconSize / 8 + column / 8;
      const auto bit = static_cast<std::uint8_t>(0x80u >> (column % 8));
      if (c == '#') continue;
      if (c == '.') {
        masks.xorMask[index] |= bit;
      } else {
        masks.andMask[index] |= bit;
      }
    }
  }
  return masks;
}

const IconPicture& ActivityIconPicture(bool first) {
  return first ? kLit : kDark;
}

}  // namespace tarvik::ui
