#include "workbench/test_picture_graphic.hpp"

std::unique_ptr<TPngGraphic> test_picture_graphic(const TestPicture& picture) {
  TMaxLogPalette palette{};
  palette.palVersion = 0x300;
  palette.palNumEntries = 16;
  for (size_t i = 0; i < 16; ++i) {
    const auto c = static_cast<std::uint32_t>(picture.palette[i]);
    palette.palPalEntry[i] = PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), 0};
  }
  auto g = std::make_unique<TPngGraphic>();
  g->NewImage(picture.width, picture.height, ifColor16, &palette, 96, 96);
  for (int y = 0; y < picture.height; ++y) {
    Byte* row = g->GetScanLine(y);
    for (int x = 0; x < picture.width; ++x) {
      const Byte index = picture.index_at(x, y);
      row[x / 2] = (x & 1) ? static_cast<Byte>(row[x / 2] | index) : static_cast<Byte>(index << 4);
    }
  }
  return g;
}
