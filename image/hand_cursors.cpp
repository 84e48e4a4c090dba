#include "image/hand_cursors.hpp"

#include <array>

#include "platform/forms.hpp"

namespace {

// 16 x 16 outlines, each cell drawn as 2 x 2 pixels: 'B' outline, 'W' fill, '.' clear.
constexpr std::array<const char*, 16> kOpenHand = {
    "................",
    ".......BB.......",
    "...BB.BWWBBB....",
    "..BWWBBWWBWWB...",
    "..BWWBBWWBWWB.B.",
    "...BWWBWWBWWBBWB",
    "...BWWBWWBWWBWWB",
    ".BB.BWWWWWWWBWWB",
    "BWWBBWWWWWWWWWB.",
    "BWWWBWWWWWWWWWB.",
    ".BWWWWWWWWWWWWB.",
    "..BWWWWWWWWWWWB.",
    "..BWWWWWWWWWWB..",
    "...BWWWWWWWWWB..",
    "....BWWWWWWWB...",
    "....BWWWWWWWB...",
};

constexpr std::array<const char*, 16> kClosedHand = {
    "................",
    "................",
    "................",
    "................",
    "....BB.BB.BB....",
    "...BWWBWWBWWBB..",
    "...BWWWWWWWWBWB.",
    "....BWWWWWWWWWB.",
    "...BBWWWWWWWWWB.",
    "..BWWWWWWWWWWWB.",
    "..BWWWWWWWWWWWB.",
    "...BWWWWWWWWWB..",
    "....BWWWWWWWWB..",
    ".....BWWWWWWB...",
    ".....BWWWWWWB...",
    "................",
};

}  // namespace

std::vector<std::uint32_t> hand_cursor_picture(bool closed) {
  const auto& rows = closed ? kClosedHand : kOpenHand;
  std::vector<std::uint32_t> argb(32 * 32, 0u);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      char c = rows[static_cast<size_t>(y / 2)][x / 2];
      argb[static_cast<size_t>(y * 32 + x)] = c == 'B' ? 0xFF000000u : c == 'W' ? 0xFFFFFFFFu : 0u;
    }
  return argb;
}

void register_hand_cursors() {
  for (bool closed : {false, true}) {
    std::vector<std::uint32_t> argb = hand_cursor_picture(closed);
    Screen->RegisterCursor(closed ? crHandClosed : crHandOpened, 32, 32, argb.data(), 16, 16);
  }
}
