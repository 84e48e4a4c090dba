// Stand-in palette selection: the most frequent 15-bit colour keys of the picture.
#include "image/quantize.hpp"

#include <algorithm>
#include <vector>

#include "image/dib_graphic.hpp"

void QuantizeColors(TDibGraphic& Graphic, TMaxLogPalette& LogPalette, int MaxColors, int& LastPercent,
                    const TZuroroveProgressEvent& OnProgress) {
  MaxColors = std::clamp(MaxColors, 1, 256);
  std::vector<std::uint32_t> counts(32768, 0);
  for (int y = 0; y < Graphic.Height(); ++y)
    for (int x = 0; x < Graphic.Width(); ++x) {
      TRgb c = Graphic.GetPixel(x, y);
      ++counts[(c.Red >> 3) | ((c.Green >> 3) << 5) | ((c.Blue >> 3) << 10)];
    }
  std::vector<int> keys;
  for (int k = 0; k < 32768; ++k)
    if (counts[static_cast<std::size_t>(k)]) keys.push_back(k);
  std::stable_sort(keys.begin(), keys.end(), [&](int a, int b) { return counts[std::size_t(a)] > counts[std::size_t(b)]; });
  LogPalette = TMaxLogPalette{};
  LogPalette.palVersion = 0x300;
  int n = std::max(1, std::min<int>(MaxColors, static_cast<int>(keys.size())));
  LogPalette.palNumEntries = static_cast<WORD>(n);
  for (int i = 0; i < n && i < static_cast<int>(keys.size()); ++i) {
    int k = keys[static_cast<std::size_t>(i)];
    LogPalette.palPalEntry[i] = PALETTEENTRY{Byte((k & 31) * 8), Byte(((k >> 5) & 31) * 8), Byte(((k >> 10) & 31) * 8), 0};
  }
  LastPercent = DoProgress(nullptr, 100, 0, static_cast<Byte>(LastPercent), 100, OnProgress);
}
