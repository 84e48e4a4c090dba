#include "image/flip_transform.hpp"

#include <cstring>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/pixel_layout.hpp"

void TFlipHorizontalTransform::ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) {
  if (&Source == &Dest) {
    Apply(Source);
    return;
  }
  BeginProgress();
  Progress(0, 0, 100);
  if (Source.Empty() || Source.Width() < 2) {
    Dest.Assign(&Source);
  } else {
    const int w = Source.Width();
    const int h = Source.Height();
    new_image_like(Dest, Source, w, h);
    const int bits = ImageFormatBits(Source.ImageFormat());
    std::vector<std::uint8_t> scratch;
    for (int y = 0; y < h; ++y) {
      reverse_row(Source.GetScanLine(y), Dest.GetScanLine(y), bits, w, scratch);
      Progress(y + 1, 0, h);
    }
  }
  Progress(100, 0, 100);
}

void TFlipVerticalTransform::ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) {
  if (&Source == &Dest) {
    Apply(Source);
    return;
  }
  BeginProgress();
  Progress(0, 0, 100);
  if (Source.Empty() || Source.Height() < 2) {
    Dest.Assign(&Source);
  } else {
    const int w = Source.Width();
    const int h = Source.Height();
    new_image_like(Dest, Source, w, h);
    // Rows of equal layout: each row moves as a whole.
    const std::size_t bytes = static_cast<std::size_t>(Source.ScanLineSize());
    for (int y = 0; y < h; ++y) {
      std::memcpy(Dest.GetScanLine(h - 1 - y), Source.GetScanLine(y), bytes);
      Progress(y + 1, 0, h);
    }
  }
  Progress(100, 0, 100);
}
