// The pictures of image marks in the annotation text: a packed DIB written as ASCII PPM text
// (through the PPM format class) and read back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/gdi.hpp"

// The picture as ASCII PPM text.
std::string DibToPpmText(HGLOBAL Dib);
// A new packed DIB (the caller owns it) from PPM text. Raises Exception "Invalid picture in
// annotation text" when the text has no PPM header or its header asks for more pixels than the
// text could describe; the PPM reader's own errors pass on.
HGLOBAL PpmTextToDib(const std::string& Text);

// Width and height from the header of PBM/PGM/PPM text ("P1" to "P6"), read exactly as the PPM
// reader reads it (ReadPnmHeader); false when that reader fails on it.
bool ReadPnmHeaderSize(std::string_view Text, std::int64_t& Width, std::int64_t& Height);
// Whether a picture of that size fits the text: every pixel takes at least one bit of the
// text, and no side or area is beyond what the picture model takes.
bool PnmSizeFitsText(std::int64_t Width, std::int64_t Height, std::size_t TextBytes);
