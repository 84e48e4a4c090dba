#include "image/anti_alias_transform.hpp"

#include <vector>

#include "image/dib_graphic.hpp"
#include "image/pixel_rows.hpp"
#include "platform/math.hpp"

void TAntiAliasTransform::Apply(TDibGraphic& DibGraphic) {
  if (DibGraphic.ImageFormat() == ifBlackWhite && !DibGraphic.Empty()) TImageTransform::Apply(DibGraphic);
}

// Destination column i covers source columns cx(i) .. cx(i + 1) - 1 and destination row j
// source rows ry(j) .. ry(j + 1) inclusive, with cx(i) = Trunc(i * SourceWidth / W) and ry(j)
// likewise, exact in integers; cx(W) = SourceWidth - 1, so the source's last column is counted
// only where a column's range reaches past it. A mend: a last destination column whose range is
// empty covers cx(W - 1) up to the source's last column (a picture 1 pixel wide came out white).
// Black is palette index 0.
void TAntiAliasTransform::ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) {
  if (&Source == &Dest) {
    Apply(Source);
    return;
  }
  if (Source.ImageFormat() != ifBlackWhite || Source.Empty()) {
    Dest.Assign(&Source);
    return;
  }
  BeginProgress();
  Progress(0, 0, 100);
  const int sw = Source.Width();
  const int sh = Source.Height();
  const int w = FWidth != 0 ? FWidth : sw;
  const int h = FHeight != 0 ? FHeight : sh;
  Dest.NewImage(w, h, ifGray256, nullptr, Source.XDotsPerInch(), Source.YDotsPerInch());

  std::vector<int> cx(static_cast<std::size_t>(w) + 1);
  std::vector<int> cy(static_cast<std::size_t>(h) + 1);
  for (int i = 0; i < w; ++i) cx[static_cast<std::size_t>(i)] = static_cast<int>(Int64{i} * sw / w);
  cx[static_cast<std::size_t>(w)] = sw - 1;
  for (int j = 0; j < h; ++j) cy[static_cast<std::size_t>(j)] = static_cast<int>(Int64{j} * sh / h);
  cy[static_cast<std::size_t>(h)] = sh - 1;

  // Black pixels per source column over the rows of one destination row, then running sums.
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(sw));
  std::vector<Int64> black(static_cast<std::size_t>(sw) + 1);
  for (int j = 0; j < h; ++j) {
    const int r0 = cy[static_cast<std::size_t>(j)];
    const int r1 = cy[static_cast<std::size_t>(j) + 1];
    std::fill(black.begin(), black.end(), 0);
    for (int r = r0; r <= r1; ++r) {
      unpack_indices(Source.GetScanLine(r), 1, 0, sw, bits.data());
      for (int x = 0; x < sw; ++x) black[static_cast<std::size_t>(x) + 1] += bits[static_cast<std::size_t>(x)] == 0;
    }
    for (int x = 0; x < sw; ++x) black[static_cast<std::size_t>(x) + 1] += black[static_cast<std::size_t>(x)];
    const Int64 rows = r1 >= r0 ? r1 - r0 + 1 : 0;
    std::uint8_t* out = Dest.GetScanLine(j);
    for (int i = 0; i < w; ++i) {
      const int c0 = cx[static_cast<std::size_t>(i)];
      int c1 = cx[static_cast<std::size_t>(i) + 1];  // exclusive
      if (i == w - 1 && c1 <= c0) c1 = sw;
      const Int64 cols = c1 > c0 ? c1 - c0 : 0;
      const Int64 total = rows * cols;
      const Int64 dark = cols > 0 && rows > 0 ? black[static_cast<std::size_t>(c1)] - black[static_cast<std::size_t>(c0)] : 0;
      std::uint8_t grey;
      if (dark == 0) {
        grey = 255;
      } else if (dark == total) {
        grey = 0;
      } else if (total - dark < total / 8) {
        grey = 0;
      } else if (dark < total / 8) {
        grey = 255;
      } else {
        grey = static_cast<std::uint8_t>((total - dark) * 255 / total);
      }
      out[i] = grey;
    }
    Progress(j + 1, 0, h);
  }
  Progress(100, 0, 100);
}
