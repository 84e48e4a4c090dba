// The class library's PNG writer: palette pictures of 1, 4 and 8 bits with their colour table,
// and true colour with or without an alpha channel. Every row carries the Sub filter, Adam7
// interlacing is optional, the deflate level is zlib's 0 to 9, and the chunks are written in the
// order IHDR, PLTE, tRNS, IDAT (each at most 65535 bytes), IEND.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/classes.hpp"
#include "platform/gdi.hpp"

class TPngEncoder {
public:
  // Takes the layout of a device-independent bitmap: its header, its colour table (biClrUsed
  // entries, or 2^bits when that is 0) and its rows (bottom-up for a positive biHeight, top-down
  // for a negative one, each padded to 32 bits). The rows are read when the PNG is written, so
  // they must outlive the encoder's use. Only BI_RGB with 1, 4, 8 or 24 bits per pixel is taken;
  // anything else raises EInvalidGraphic "Unsupported bitmap format for PNG".
  void Assign(const BITMAPINFOHEADER& Header, const RGBQUAD* Colors, const void* Bits);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsPalette() const { return bits_ <= 8; }

  bool Interlaced() const { return interlaced_; }
  void SetInterlaced(bool Value) { interlaced_ = Value; }
  int CompressionLevel() const { return level_; }
  // 0 to 9; any other value raises EInvalidGraphic "Invalid PNG compression level".
  void SetCompressionLevel(int Level);

  // True colour only: adds an alpha channel with every pixel opaque (255).
  void CreateAlpha();
  bool HasAlpha() const { return !alpha_.empty(); }
  // The alpha values of row `Row` (0 at the top), one byte per pixel; nullptr without alpha.
  Byte* AlphaScanline(int Row);

  // Palette pictures only: every palette entry of this colour (0x00BBGGRR) becomes fully
  // transparent through a tRNS chunk; a colour no entry has writes no tRNS.
  void SetTransparentColor(COLORREF Color);

  // Writes the PNG file at the stream's position. Raises EInvalidGraphic "No image to save"
  // before Assign, and, writing nothing, for a picture wider or taller than 1,000,000 pixels,
  // which PNG readers refuse.
  void SaveToStream(TStream& Stream) const;

private:
  const Byte* row_pointer(int y) const;

  int width_ = 0;
  int height_ = 0;
  int bits_ = 0;
  std::ptrdiff_t stride_ = 0;  // bytes from one top-down row to the next (negative: bottom-up)
  const Byte* top_row_ = nullptr;
  std::vector<RGBQUAD> palette_;
  std::vector<Byte> alpha_;
  std::vector<Byte> transparent_entries_;  // palette indices to make transparent
  bool interlaced_ = false;
  int level_ = 6;
};
