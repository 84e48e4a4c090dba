#include "image/icon_graphic.hpp"

#include <cstring>
#include <vector>

#include "image/format_registry.hpp"

namespace {

void put16(std::vector<Byte>& out, unsigned v) {
  out.push_back(static_cast<Byte>(v));
  out.push_back(static_cast<Byte>(v >> 8));
}

void put32(std::vector<Byte>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<Byte>(v >> (8 * i)));
}

bool icon_side(Byte b) { return b == 16 || b == 32 || b == 64; }

}  // namespace

bool TIconGraphic::CanReadStream(TStream& Stream) {
  Byte head[6 + 16];
  if (PeekStreamBytes(Stream, head, sizeof head) < 8) return false;
  unsigned type = head[2] | (head[3] << 8);
  unsigned count = head[4] | (head[5] << 8);
  return type < 2 && count > 0 && icon_side(head[6]) && icon_side(head[7]);
}

void TIconGraphic::SingleLoadFromStream(TStream& Stream, int) {
  Byte last = DoProgress(this, 0, 0, 255, 100, OnReadWriteProgress);
  TIcon icon;
  icon.LoadFromStream(Stream);
  last = DoProgress(this, 95, 0, last, 100, OnReadWriteProgress);
  NewImage(icon.Width(), icon.Height(), ifTrueColor, nullptr, 0, 0);
  Fill(BackgroundColor());
  Canvas()->StretchDraw(Rect(0, 0, Width(), Height()), &icon);
  DoProgress(this, 100, 0, last, 100, OnReadWriteProgress);
}

void TIconGraphic::SaveToStream(TStream& Stream) {
  if (Empty()) throw EZuroroveError("Graphic is empty");
  Byte last = DoProgress(this, 0, 0, 255, 100, OnReadWriteProgress);
  const int width = Width();
  const int height = Height();
  // The colour image: the picture drawn on a true-colour bitmap. The mask is all black, so
  // every pixel is opaque.
  TBitmap colour;
  colour.SetPixelFormat(pf24bit);
  colour.SetSize(width, height);
  colour.Canvas()->Draw(0, 0, this);
  const auto colour_row = static_cast<std::size_t>(dib_row_size(width, 24));
  const auto mask_row = static_cast<std::size_t>(dib_row_size(width, 1));
  const auto image_size = static_cast<std::uint32_t>((colour_row + mask_row) * static_cast<std::size_t>(height));
  last = DoProgress(this, 10, 0, last, 100, OnReadWriteProgress);

  std::vector<Byte> file;
  file.reserve(22 + 40 + image_size);
  put16(file, 0);  // reserved
  put16(file, 1);  // icon
  put16(file, 1);  // one image
  file.push_back(static_cast<Byte>(width >= 256 ? 0 : width));
  file.push_back(static_cast<Byte>(height >= 256 ? 0 : height));
  file.push_back(0);  // no palette
  file.push_back(0);
  put16(file, 1);   // planes
  put16(file, 24);  // bits per pixel
  put32(file, 40 + image_size);
  put32(file, 22);
  put32(file, 40);
  put32(file, static_cast<std::uint32_t>(width));
  put32(file, static_cast<std::uint32_t>(2 * height));  // colour and mask rows
  put16(file, 1);
  put16(file, 24);
  put32(file, BI_RGB);
  put32(file, image_size);
  put32(file, 0);
  put32(file, 0);
  put32(file, 0);
  put32(file, 0);
  for (int y = height - 1; y >= 0; --y) {
    const auto* row = static_cast<const Byte*>(colour.ScanLine(y));
    file.insert(file.end(), row, row + 3 * width);
    file.insert(file.end(), colour_row - 3 * static_cast<std::size_t>(width), Byte{0});
  }
  file.insert(file.end(), mask_row * static_cast<std::size_t>(height), Byte{0});
  Stream.WriteBuffer(file.data(), static_cast<Int64>(file.size()));
  DoProgress(this, 100, 0, last, 100, OnReadWriteProgress);
}
