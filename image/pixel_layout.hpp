// Helpers for transforms that move pixels without changing them: the destination's layout
// copied from the source, and rows reversed pixel by pixel in any depth.
#pragma once

#include <cstdint>
#include <vector>

class TDibGraphic;

// NewImage of `dest` with the given size and the source's format, palette and resolution.
void new_image_like(TDibGraphic& dest, const TDibGraphic& source, int width, int height);

// Writes the first `width` pixels of `src` into `dst` in reverse order (`bits` 1, 4, 8 or 24).
// `scratch` holds unpacked indices for the sub-byte depths.
void reverse_row(const std::uint8_t* src, std::uint8_t* dst, int bits, int width, std::vector<std::uint8_t>& scratch);

// The pixels of a picture as whole bytes: 3 per pixel (blue, green, red) for true colour, one
// palette index per pixel otherwise. 8- and 24-bit rows are the picture's own; 1- and 4-bit
// rows are unpacked into a copy (filled from the picture when `load` is set) and packed back by
// `store`.
class BytePlane {
public:
  BytePlane(TDibGraphic& picture, bool load);
  int pixel_bytes() const { return pixel_bytes_; }
  std::uint8_t* row(int y);
  // Writes unpacked rows back into the picture (nothing to do for 8 and 24 bits).
  void store();

private:
  TDibGraphic& picture_;
  int bits_;
  int pixel_bytes_;
  int width_;
  int height_;
  std::vector<std::uint8_t> unpacked_;
};
