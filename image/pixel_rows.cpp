#include "image/pixel_rows.hpp"

#include <cstring>
#include <vector>

#include "image/pixel_loop.hpp"

HW_UNGUIDED_LOOP void unpack_indices(const std::uint8_t* row, int bits, int x0, int count, std::uint8_t* out) {
  switch (bits) {
    case 8:
      std::memcpy(out, row + x0, static_cast<std::size_t>(count));
      return;
    case 4:
      for (int i = 0; i < count; ++i) {
        const int x = x0 + i;
        const std::uint8_t b = row[x >> 1];
        out[i] = (x & 1) ? (b & 0x0F) : (b >> 4);
      }
      return;
    case 1: {
      int i = 0;
      // Whole bytes when the start falls on one.
      if ((x0 & 7) == 0) {
        const std::uint8_t* p = row + (x0 >> 3);
        for (; i + 8 <= count; i += 8, ++p) {
          const std::uint8_t b = *p;
          for (int k = 0; k < 8; ++k) out[i + k] = (b >> (7 - k)) & 1;
        }
      }
      for (; i < count; ++i) {
        const int x = x0 + i;
        out[i] = (row[x >> 3] >> (7 - (x & 7))) & 1;
      }
      return;
    }
    default:
      return;
  }
}

HW_UNGUIDED_LOOP void pack_indices(const std::uint8_t* in, int bits, int count, std::uint8_t* row) {
  switch (bits) {
    case 8:
      std::memcpy(row, in, static_cast<std::size_t>(count));
      return;
    case 4: {
      int i = 0;
      for (; i + 2 <= count; i += 2) row[i >> 1] = static_cast<std::uint8_t>(((in[i] & 15) << 4) | (in[i + 1] & 15));
      if (i < count) row[i >> 1] = static_cast<std::uint8_t>((in[i] & 15) << 4);
      return;
    }
    case 1: {
      int i = 0;
      for (; i + 8 <= count; i += 8) {
        std::uint8_t b = 0;
        for (int k = 0; k < 8; ++k) b = static_cast<std::uint8_t>((b << 1) | (in[i + k] != 0));
        row[i >> 3] = b;
      }
      if (i < count) {
        std::uint8_t b = 0;
        for (int k = 0; i + k < count; ++k) b |= static_cast<std::uint8_t>((in[i + k] != 0) << (7 - k));
        row[i >> 3] = b;
      }
      return;
    }
    default:
      return;
  }
}

PaletteTable palette_table(const LOGPALETTE& palette) {
  PaletteTable t{};
  for (int i = 0; i < 256; ++i) {
    const PALETTEENTRY& e = palette.palPalEntry[i];
    t[static_cast<std::size_t>(i)] = Rgb(e.peRed, e.peGreen, e.peBlue);
  }
  return t;
}

void row_to_bgr(const std::uint8_t* row, int bits, const PaletteTable& palette, int x0, int count,
                std::uint8_t* bgr) {
  if (bits == 24) {
    std::memcpy(bgr, row + 3 * static_cast<std::size_t>(x0), 3 * static_cast<std::size_t>(count));
    return;
  }
  std::vector<std::uint8_t> idx(static_cast<std::size_t>(count));
  unpack_indices(row, bits, x0, count, idx.data());
  for (int i = 0; i < count; ++i) {
    const TRgb& c = palette[idx[static_cast<std::size_t>(i)]];
    bgr[3 * i] = c.Blue;
    bgr[3 * i + 1] = c.Green;
    bgr[3 * i + 2] = c.Red;
  }
}
