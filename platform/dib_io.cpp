#include "platform/dib_io.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/checked_size.hpp"
#include "platform/run_length_codes.hpp"

namespace {

[[noreturn]] void invalid() { throw EInvalidGraphic("Bitmap image is not valid"); }

std::uint32_t rd32(const Byte* p) { return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24); }
std::uint16_t rd16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

int mask_shift(std::uint32_t m) {
  int s = 0;
  while (s < 32 && !((m >> s) & 1)) ++s;
  return s;
}
int mask_width(std::uint32_t m, int shift) {
  int w = 0;
  while (shift + w < 32 && ((m >> (shift + w)) & 1)) ++w;
  return w;
}
// A channel value from masked bits, widened to 8 bits.
Byte channel(std::uint32_t v, std::uint32_t mask, int shift, int width) {
  if (!mask || width == 0) return 0;
  std::uint32_t c = (v & mask) >> shift;
  if (width >= 8) return static_cast<Byte>(c >> (width - 8));
  std::uint32_t max = (1u << width) - 1;
  return static_cast<Byte>((c * 255 + max / 2) / max);
}

}  // namespace

HBITMAP read_packed_dib(const Byte* data, std::size_t size, std::size_t pixel_offset, bool icon, PackedDibInfo* out) {
  if (!data || size < 12) invalid();
  std::uint32_t hsize = rd32(data);
  if (hsize != 12 && hsize != 40 && hsize != 52 && hsize != 56 && hsize != 64 && hsize != 108 && hsize != 124) invalid();
  if (size < hsize) invalid();
  std::int64_t width, height;
  int bits;
  std::uint32_t compression = BI_RGB, clr_used = 0;
  std::int32_t xppm = 0, yppm = 0;
  std::size_t entry_size = 4;
  if (hsize == 12) {
    width = rd16(data + 4);
    height = rd16(data + 6);
    bits = rd16(data + 10);
    entry_size = 3;
  } else {
    width = static_cast<std::int32_t>(rd32(data + 4));
    height = static_cast<std::int32_t>(rd32(data + 8));
    bits = rd16(data + 14);
    compression = rd32(data + 16);
    xppm = static_cast<std::int32_t>(rd32(data + 24));
    yppm = static_cast<std::int32_t>(rd32(data + 28));
    clr_used = rd32(data + 32);
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) invalid();
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  // Icons hold no run-length rows (their mask follows rows of a known size).
  if ((rle && icon) || (!rle && compression != BI_RGB && compression != BI_BITFIELDS))
    throw EInvalidGraphic("Unsupported bitmap compression");
  if (compression == BI_BITFIELDS && bits != 16 && bits != 32) invalid();
  if (rle && bits != (compression == BI_RLE8 ? 8 : 4)) invalid();
  bool top_down = height < 0;
  if (top_down && rle) invalid();  // run-length rows are bottom-up only
  if (top_down) height = -height;
  if (icon) height /= 2;
  if (width < 1 || height < 1 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) invalid();
  // A mend: the decompression-bomb limit, before anything is allocated.
  if (DeclaredPictureTooLarge(width, height)) throw EPictureTooLarge(PictureTooLargeMessage(width, height));

  std::size_t pos = hsize;
  std::uint32_t masks[3] = {0, 0, 0};
  if (compression == BI_BITFIELDS) {
    std::size_t at = hsize >= 52 ? 40 : hsize;
    if (at + 12 > size) invalid();
    for (int i = 0; i < 3; ++i) masks[i] = rd32(data + at + 4 * i);
    if (hsize < 52) pos += 12;
  } else if (bits == 16) {
    masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
  } else if (bits == 32) {
    masks[0] = 0xFF0000; masks[1] = 0xFF00; masks[2] = 0xFF;
  }
  // The colour table: biClrUsed entries, 2^bits when 0; for deeper pictures an optional table
  // that is skipped.
  std::uint64_t entries = clr_used;
  if (bits <= 8) {
    if (entries == 0) entries = 1u << bits;
    if (entries > 256) invalid();
  }
  if (entries > size / entry_size) invalid();
  std::size_t table_pos = pos;
  std::size_t table_end = pos + static_cast<std::size_t>(entries) * entry_size;
  if (table_end > size) invalid();
  std::size_t start = pixel_offset ? pixel_offset : table_end;
  std::int64_t stride = dib_row_size(width, bits);
  // A mend: the size is multiplied with an overflow check (a wrapped product was refused by luck).
  const std::optional<std::int64_t> checked_need = CheckedDibBytes(width, bits, height);
  if (!checked_need) invalid();
  const std::int64_t need = *checked_need;
  if (need > 0x7FFFFFFF || start > size) invalid();
  // Rows past the end of the bytes: uncompressed ones that do not fit, or run-length codes that
  // end, without the end-of-bitmap code, before they reach the last row.
  const bool too_short = rle ? [&] {
    const RleReach reach = walk_rle(data + start, data + size, bits, width, height, [](std::int64_t, std::int64_t, int) {});
    return !reach.ended && reach.row < height - 1;
  }() : static_cast<std::uint64_t>(need) > size - start;
  if (too_short) throw EInvalidGraphic(PictureTooShortMessage(width, height));

  // Pictures with unusual masks become 24 bits.
  bool standard = bits < 16 || (bits == 16 && masks[1] == 0x03E0 && masks[0] == 0x7C00 && masks[2] == 0x1F) ||
                  (bits == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x1F) ||
                  (bits == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) || bits == 24;
  int out_bits = standard ? bits : 24;

  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = static_cast<LONG>(width);
  bi.bmiHeader.biHeight = static_cast<LONG>(height);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(out_bits);
  bi.bmiHeader.biCompression = (out_bits == 16 && masks[0] == 0xF800) ? BI_BITFIELDS : BI_RGB;
  bi.bmiHeader.biXPelsPerMeter = xppm;
  bi.bmiHeader.biYPelsPerMeter = yppm;
  if (bi.bmiHeader.biCompression == BI_BITFIELDS) {
    // The masks follow the 40-byte header, where the colour table would start.
    std::uint32_t m[3] = {masks[0], masks[1], masks[2]};
    std::memcpy(bi.bmiColors, m, 12);
  }
  if (bits <= 8) {
    bi.bmiHeader.biClrUsed = clr_used ? static_cast<DWORD>(std::min<std::uint64_t>(entries, 1u << bits)) : 0;
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(entries, 1u << bits));
    for (std::size_t i = 0; i < n; ++i) {
      const Byte* e = data + table_pos + i * entry_size;
      bi.bmiColors[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
  }
  void* pixels = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!bm) throw EOutOfResources("Out of resources");
  Byte* dst = static_cast<Byte*>(pixels);
  std::int64_t out_stride = dib_row_size(width, out_bits);
  const Byte* src = data + start;
  // The section comes cleared: pixels the codes skip keep index 0.
  if (rle) {
    walk_rle(src, data + size, bits, width, height, [&](std::int64_t x, std::int64_t y, int index) {
      Byte* row = dst + y * out_stride;
      if (bits == 8) row[x] = static_cast<Byte>(index);
      else row[x / 2] = static_cast<Byte>(x & 1 ? (row[x / 2] & 0xF0) | index : (row[x / 2] & 0x0F) | (index << 4));
    });
  }
  for (std::int64_t y = 0; y < height && !rle; ++y) {
    // Both are stored bottom-up unless the source is top-down.
    const Byte* srow = src + (top_down ? (height - 1 - y) : y) * stride;
    Byte* drow = dst + y * out_stride;
    if (standard) {
      std::memcpy(drow, srow, static_cast<std::size_t>(stride));
    } else {
      int rs = mask_shift(masks[0]), gs = mask_shift(masks[1]), bs = mask_shift(masks[2]);
      int rw = mask_width(masks[0], rs), gw = mask_width(masks[1], gs), bw = mask_width(masks[2], bs);
      for (std::int64_t x = 0; x < width; ++x) {
        std::uint32_t v = bits == 16 ? rd16(srow + 2 * x) : rd32(srow + 4 * x);
        drow[3 * x] = channel(v, masks[2], bs, bw);
        drow[3 * x + 1] = channel(v, masks[1], gs, gw);
        drow[3 * x + 2] = channel(v, masks[0], rs, rw);
      }
    }
  }
  if (out) {
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->bits = bits;
    out->top_down = top_down;
    out->pixel_offset = start;
    out->pixel_bytes = static_cast<std::size_t>(need);
  }
  return bm;
}

void write_bmp(HBITMAP bitmap, TStream& stream) {
  DIBSECTION ds{};
  int got = GetObject(bitmap, sizeof ds, &ds);
  if (!got) throw EInvalidGraphic("Invalid bitmap");
  int bits = ds.dsBm.bmBitsPixel;
  if (bits == 16 && got == sizeof(DIBSECTION) && ds.dsBmih.biCompression == BI_BITFIELDS) bits = 24;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) bits = 24;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = ds.dsBm.bmWidth;
  bi.bmiHeader.biHeight = ds.dsBm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bits);
  bi.bmiHeader.biCompression = BI_RGB;
  std::int64_t stride = dib_row_size(ds.dsBm.bmWidth, bits);
  bi.bmiHeader.biSizeImage = static_cast<DWORD>(stride * ds.dsBm.bmHeight);
  if (got == sizeof(DIBSECTION)) {
    bi.bmiHeader.biXPelsPerMeter = ds.dsBmih.biXPelsPerMeter;
    bi.bmiHeader.biYPelsPerMeter = ds.dsBmih.biYPelsPerMeter;
  }
  // A section made with a shorter colour table keeps it short in the file.
  int colors = bits <= 8 ? 1 << bits : 0;
  if (colors && got == sizeof(DIBSECTION) && ds.dsBmih.biBitCount == bits && ds.dsBmih.biClrUsed >= 1 &&
      ds.dsBmih.biClrUsed < static_cast<DWORD>(colors))
    colors = static_cast<int>(ds.dsBmih.biClrUsed);
  bi.bmiHeader.biClrUsed = static_cast<DWORD>(colors);
  std::vector<Byte> pixels(static_cast<std::size_t>(stride * ds.dsBm.bmHeight));
  if (GetDIBits(nullptr, bitmap, 0, static_cast<UINT>(ds.dsBm.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS) == 0)
    throw EInvalidGraphic("Invalid bitmap");
  bi.bmiHeader.biClrUsed = static_cast<DWORD>(colors);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = static_cast<DWORD>(14 + 40 + 4 * colors);
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + pixels.size());
  stream.WriteBuffer(&fh, sizeof fh);
  stream.WriteBuffer(&bi.bmiHeader, 40);
  if (colors) stream.WriteBuffer(bi.bmiColors, 4 * colors);
  stream.WriteBuffer(pixels.data(), static_cast<Int64>(pixels.size()));
}
