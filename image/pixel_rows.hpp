// Row helpers shared by the transforms: palette rows unpacked to one index byte per pixel and
// packed back, rows of any format read as blue, green, red bytes, and the geometry of a
// picture's rows. Each transform chooses its kernel once per picture from these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/zu_types.hpp"
#include "platform/gdi.hpp"

class TDibGraphic;

// Indices x0 .. x0 + count - 1 of a 1-, 4- or 8-bit row, one byte each.
void unpack_indices(const std::uint8_t* row, int bits, int x0, int count, std::uint8_t* out);
// Writes `count` indices as a 1-, 4- or 8-bit row from its first pixel on; the unused bits of
// the last byte become 0.
void pack_indices(const std::uint8_t* in, int bits, int count, std::uint8_t* row);

// The 256 colours a palette picture's indices stand for (entries past the palette's count are
// black, as the picture's zeroed palette record holds them).
using PaletteTable = std::array<TRgb, 256>;
PaletteTable palette_table(const LOGPALETTE& palette);

// Pixels x0 .. x0 + count - 1 of a row of the given depth as blue, green, red bytes.
void row_to_bgr(const std::uint8_t* row, int bits, const PaletteTable& palette, int x0, int count,
                std::uint8_t* bgr);
