#include "platform/gif_image.hpp"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "platform/canvas_qt.hpp"
#include "platform/checked_size.hpp"

void TGIFImage::LoadFromStream(TStream& stream) {
  Int64 avail = stream.Size() - stream.Position();
  if (avail <= 0 || avail > 0x7FFFFFFF) throw EInvalidGraphic("Invalid GIF image");
  QByteArray bytes(static_cast<qsizetype>(avail), Qt::Uninitialized);
  stream.ReadBuffer(bytes.data(), avail);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "gif");
  // A mend: the logical screen, and the size the reader finds for the first image, are checked
  // against the decompression-bomb limit before anything is allocated.
  if (avail >= 10) {
    const auto* b = reinterpret_cast<const Byte*>(bytes.constData());
    std::int64_t width = b[6] | (b[7] << 8), height = b[8] | (b[9] << 8);
    const QSize first = reader.size();
    if (first.isValid()) {
      width = std::max<std::int64_t>(width, first.width());
      height = std::max<std::int64_t>(height, first.height());
    }
    if (DeclaredPictureTooLarge(width, height)) throw EPictureTooLarge(PictureTooLargeMessage(width, height));
  }
  QImage img = reader.read();
  if (img.isNull()) throw EInvalidGraphic("Invalid GIF image");
  img = img.convertToFormat(QImage::Format_ARGB32);
  // Transparent pixels get a key colour that no opaque pixel has.
  bool has_transparency = false;
  std::unordered_set<std::uint32_t> used;
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      if ((line[x] >> 24) < 128) has_transparency = true;
      else used.insert(line[x] & 0xFFFFFF);
    }
  }
  std::uint32_t key = 0xFF00FF;
  while (has_transparency && used.count(key)) key = (key + 0x010101) & 0xFFFFFF;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = img.width();
  bi.bmiHeader.biHeight = img.height();
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bm) throw EOutOfResources("Out of resources");
  std::int64_t stride = dib_row_size(img.width(), 24);
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
    Byte* row = static_cast<Byte*>(bits) + static_cast<std::ptrdiff_t>(img.height() - 1 - y) * stride;
    for (int x = 0; x < img.width(); ++x) {
      std::uint32_t c = (line[x] >> 24) < 128 ? key : line[x];
      row[3 * x] = Byte(c);
      row[3 * x + 1] = Byte(c >> 8);
      row[3 * x + 2] = Byte(c >> 16);
    }
  }
  bitmap_.SetHandle(bm);
  bitmap_.SetTransparentColor(
      has_transparency ? static_cast<TColor>(((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF)) : clDefault);
  bitmap_.SetTransparent(has_transparency);
  Changed(this);
}

void TGIFImage::Assign(TPersistent* source) {
  if (auto* gif = dynamic_cast<TGIFImage*>(source)) {
    if (gif == this) return;
    bitmap_.Assign(&gif->bitmap_);
    Changed(this);
    return;
  }
  if (auto* bmp = dynamic_cast<TBitmap*>(source)) {
    bitmap_.Assign(bmp);
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TGIFImage::AssignTo(TPersistent* dest) {
  if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
    bmp->Assign(&bitmap_);
    return;
  }
  TGraphic::AssignTo(dest);
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) { bitmap_.Draw(canvas, rect); }

void TGIFImage::LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) {
  bitmap_.LoadFromClipboardFormat(format, data, palette);
  Changed(this);
}

void TGIFImage::SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) {
  bitmap_.SaveToClipboardFormat(format, data, palette);
}

void TGIFImage::SaveToStream(TStream& stream) {
  if (Empty()) return;
  QImage img = gdi_read_bitmap(bitmap_.Handle(), QRect(0, 0, Width(), Height()));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "gif");
  if (!writer.write(img)) {
    // The window system may have no GIF writer: fall back to a bitmap stream.
    bitmap_.SaveToStream(stream);
    return;
  }
  stream.WriteBuffer(bytes.constData(), bytes.size());
}
