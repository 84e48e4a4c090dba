#include "platform/types.hpp"

namespace {

// The Windows default ("Windows Standard") colours, as 0x00BBGGRR, by system colour index.
constexpr TColor kSystemColors[31] = {
    0xC8D0D4,  // 0 scroll bar
    0xA56E3A,  // 1 desktop
    0x6A240A,  // 2 active caption
    0x808080,  // 3 inactive caption
    0xC8D0D4,  // 4 menu
    0xFFFFFF,  // 5 window
    0x000000,  // 6 window frame
    0x000000,  // 7 menu text
    0x000000,  // 8 window text
    0xFFFFFF,  // 9 caption text
    0xC8D0D4,  // 10 active border
    0xC8D0D4,  // 11 inactive border
    0x808080,  // 12 application work space
    0x6A240A,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xC8D0D4,  // 15 button face
    0x808080,  // 16 button shadow
    0x808080,  // 17 grey text
    0x000000,  // 18 button text
    0xC8D0D4,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x404040,  // 21 3D dark shadow
    0xC8D0D4,  // 22 3D light
    0x000000,  // 23 info text
    0xE1FFFF,  // 24 info background
    0xB5B5B5,  // 25 (unused)
    0x800000,  // 26 hot light
    0xF0CAA6,  // 27 gradient active caption
    0xC0C0C0,  // 28 gradient inactive caption
    0x6A240A,  // 29 menu highlight
    0xC8D0D4,  // 30 menu bar
};

}  // namespace

TColor ColorToRGB(TColor color) {
  if (color >= 0) return color;
  unsigned index = static_cast<unsigned>(color) & 0xFF;
  return index < 31 ? kSystemColors[index] : 0;
}

TColor WebColorStrToColor(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits[0] == '#') digits.remove_prefix(1);
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  bool ok = digits.size() == 6;
  int v[6] = {};
  for (size_t i = 0; ok && i < 6; ++i) ok = (v[i] = hex(digits[i])) >= 0;
  if (!ok) throw EConvertError(Format("'%s' is not a valid color value", {text}));
  return RGB(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
}
