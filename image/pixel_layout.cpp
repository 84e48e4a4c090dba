#include "image/pixel_layout.hpp"

#include <algorithm>

#include "image/dib_graphic.hpp"
#include "image/pixel_loop.hpp"
#include "image/pixel_rows.hpp"

void new_image_like(TDibGraphic& dest, const TDibGraphic& source, int width, int height) {
  // A copy of the palette: the destination clears its own record first.
  const TMaxLogPalette palette = source.Palette();
  dest.NewImage(width, height, source.ImageFormat(), source.ImageFormat() == ifTrueColor ? nullptr : &palette,
                source.XDotsPerInch(), source.YDotsPerInch());
}

HW_UNGUIDED_LOOP void reverse_row(const std::uint8_t* src, std::uint8_t* dst, int bits, int width, std::vector<std::uint8_t>& scratch) {
  switch (bits) {
    case 24:
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = src + 3 * x;
        std::uint8_t* d = dst + 3 * (width - 1 - x);
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
      return;
    case 8:
      std::reverse_copy(src, src + width, dst);
      return;
    default:
      scratch.resize(static_cast<std::size_t>(width));
      unpack_indices(src, bits, 0, width, scratch.data());
      std::reverse(scratch.begin(), scratch.end());
      pack_indices(scratch.data(), bits, width, dst);
      return;
  }
}

BytePlane::BytePlane(TDibGraphic& picture, bool load)
    : picture_(picture),
      bits_(ImageFormatBits(picture.ImageFormat())),
      pixel_bytes_(bits_ == 24 ? 3 : 1),
      width_(picture.Width()),
      height_(picture.Height()) {
  if (bits_ >= 8) return;
  unpacked_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
  if (load) {
    for (int y = 0; y < height_; ++y) unpack_indices(picture_.GetScanLine(y), bits_, 0, width_, row(y));
  }
}

std::uint8_t* BytePlane::row(int y) {
  if (bits_ >= 8) return picture_.GetScanLine(y);
  return unpacked_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
}

void BytePlane::store() {
  if (bits_ >= 8) return;
  for (int y = 0; y < height_; ++y) pack_indices(row(y), bits_, width_, picture_.GetScanLine(y));
}
