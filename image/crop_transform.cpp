#include "image/crop_transform.hpp"

#include <cstring>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/pixel_layout.hpp"
#include "image/pixel_rows.hpp"

// Bottom and right edges are exclusive; the rectangle is cut to the picture. An empty result or
// (a mend) a rectangle starting before the picture is refused, which would read outside it.
void TCropTransform::ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) {
  if (&Source == &Dest) {
    Apply(Source);
    return;
  }
  const Int64 sw = Source.Width();
  const Int64 sh = Source.Height();
  Int64 top = FTop, left = FLeft, bottom = FBottom, right = FRight;
  if (FCropMode == cmRemoveBorders) {
    bottom = sh - FBottom;
    right = sw - FRight;
  }
  if (bottom <= top || left >= right || top < 0 || left < 0) throw EZuroroveError("Invalid crop parameters");
  const Int64 w = std::min(right - left, sw - left);
  const Int64 h = std::min(bottom - top, sh - top);
  if (w < 1 || h < 1) throw EZuroroveError("Invalid crop parameters");

  BeginProgress();
  Progress(0, 0, 100);
  new_image_like(Dest, Source, static_cast<int>(w), static_cast<int>(h));
  const int bits = ImageFormatBits(Source.ImageFormat());
  std::vector<std::uint8_t> indices(bits < 8 ? static_cast<std::size_t>(w) : 0);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* from = Source.GetScanLine(static_cast<int>(top) + y);
    std::uint8_t* to = Dest.GetScanLine(y);
    if (bits >= 8) {
      const std::size_t bytes = static_cast<std::size_t>(bits / 8);
      std::memcpy(to, from + static_cast<std::size_t>(left) * bytes, static_cast<std::size_t>(w) * bytes);
    } else {
      unpack_indices(from, bits, static_cast<int>(left), static_cast<int>(w), indices.data());
      pack_indices(indices.data(), bits, static_cast<int>(w), to);
    }
    Progress(y + 1, 0, h);
  }
  Progress(100, 0, 100);
}
