// Reading and writing device-independent bitmaps as bytes: the packed form (header, masks,
// colour table, pixels) inside BMP files and icons. Private to the platform layer.
#pragma once

#include <cstddef>

#include "platform/classes.hpp"
#include "platform/gdi.hpp"

struct PackedDibInfo {
  int width = 0;
  int height = 0;        // rows of the picture (an icon's doubled height already halved)
  int bits = 0;
  bool top_down = false;
  std::size_t pixel_offset = 0;  // where the pixel rows start in the bytes
  std::size_t pixel_bytes = 0;   // row size × height (of the decoded rows)
};

// Makes a bottom-up section from a packed DIB in `data` (`size` bytes). `pixel_offset` 0 means
// the rows follow the colour table; `icon` halves the height (the mask follows the rows).
// RLE8 and RLE4 rows are decoded (bottom-up only; pixels the codes skip are index 0). Every field
// is checked against the bytes there are: bad input raises EInvalidGraphic "Bitmap image is not
// valid" (or "Unsupported bitmap compression"), rows past the end of the bytes the message of
// PictureTooShortMessage.
HBITMAP read_packed_dib(const Byte* data, std::size_t size, std::size_t pixel_offset, bool icon,
                        PackedDibInfo* info = nullptr);
// Writes a bitmap as a BMP file (file header, info header, colour table, bottom-up rows). A
// palette section keeps the colour table it was made with (biClrUsed entries).
void write_bmp(HBITMAP bitmap, TStream& stream);
