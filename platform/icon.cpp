// TIcon: icon files with bitmap and PNG entries.
#include <QImage>

#include <cstring>

#include "platform/canvas_qt.hpp"
#include "platform/checked_size.hpp"
#include "platform/dib_io.hpp"
#include "platform/graphics.hpp"

namespace {

[[noreturn]] void invalid_icon() { throw EInvalidGraphic("Icon image is not valid"); }

std::uint32_t rd32(const Byte* p) { return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24); }
std::uint16_t rd16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

struct Entry {
  int width;
  int height;
  int bits;
  std::uint32_t size;
  std::uint32_t offset;
};

// The entry image as a non-premultiplied ARGB picture.
QImage decode_entry(const Byte* data, std::size_t size) {
  static const Byte png_sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 8 && std::memcmp(data, png_sig, 8) == 0) {
    // A mend: the declared size is checked against the decompression-bomb limit first.
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
      auto be32 = [](const Byte* p) {
        return (std::int64_t{p[0]} << 24) | (std::int64_t{p[1]} << 16) | (std::int64_t{p[2]} << 8) | p[3];
      };
      if (DeclaredPictureTooLarge(be32(data + 16), be32(data + 20)))
        throw EPictureTooLarge(PictureTooLargeMessage(be32(data + 16), be32(data + 20)));
    }
    QImage img = QImage::fromData(data, static_cast<int>(size), "PNG");
    if (img.isNull()) invalid_icon();
    return img.convertToFormat(QImage::Format_ARGB32);
  }
  PackedDibInfo info;
  HBITMAP xor_bm;
  try {
    xor_bm = read_packed_dib(data, size, 0, true, &info);
  } catch (const EPictureTooLarge&) {
    throw;
  } catch (const EInvalidGraphic&) {
    invalid_icon();
  }
  QImage img = gdi_read_bitmap(xor_bm, QRect(0, 0, info.width, info.height)).convertToFormat(QImage::Format_ARGB32);
  // A 32-bit entry carries alpha in its fourth byte; the others use the AND mask.
  bool has_alpha = false;
  DIBSECTION ds{};
  GetObject(xor_bm, sizeof ds, &ds);
  // A mend: a 32-bit entry with unusual colour masks is read into a 24-bit section; reading its
  // rows as 4 bytes a pixel ran past the section's end. Alpha comes from 32-bit sections only.
  if (info.bits == 32 && ds.dsBm.bmBitsPixel == 32) {
    const Byte* bits = static_cast<const Byte*>(ds.dsBm.bmBits);
    for (int y = 0; y < info.height; ++y)
      for (int x = 0; x < info.width; ++x)
        if (bits[static_cast<std::size_t>(y) * ds.dsBm.bmWidthBytes + 4 * x + 3]) has_alpha = true;
    if (has_alpha) {
      for (int y = 0; y < info.height; ++y) {
        const Byte* row = bits + static_cast<std::size_t>(info.height - 1 - y) * ds.dsBm.bmWidthBytes;
        auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
        for (int x = 0; x < info.width; ++x) line[x] = (line[x] & 0xFFFFFF) | (std::uint32_t{row[4 * x + 3]} << 24);
      }
    }
  }
  DeleteObject(xor_bm);
  if (!has_alpha) {
    std::int64_t mask_stride = dib_row_size(info.width, 1);
    std::size_t mask_at = info.pixel_offset + info.pixel_bytes;
    bool have_mask = mask_at <= size && static_cast<std::uint64_t>(mask_stride) * info.height <= size - mask_at;
    for (int y = 0; y < info.height; ++y) {
      auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
      int src_row = info.top_down ? y : info.height - 1 - y;
      const Byte* m = have_mask ? data + mask_at + static_cast<std::size_t>(src_row) * mask_stride : nullptr;
      for (int x = 0; x < info.width; ++x) {
        bool transparent = m && ((m[x >> 3] >> (7 - (x & 7))) & 1);
        line[x] = transparent ? 0u : (line[x] | 0xFF000000u);
      }
    }
  }
  return img;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() { clear(); }

void TIcon::clear() {
  if (image_) DeleteObject(image_);
  image_ = nullptr;
  file_.clear();
  width_ = height_ = 0;
}

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of an icon"); }

void TIcon::Assign(TPersistent* source) {
  if (!source) {
    clear();
    Changed(this);
    return;
  }
  if (auto* i = dynamic_cast<TIcon*>(source)) {
    if (i == this) return;
    clear();
    file_ = i->file_;
    if (i->image_) image_ = gdi_copy_bitmap(i->image_);
    width_ = i->width_;
    height_ = i->height_;
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::LoadFromStream(TStream& stream) {
  Int64 avail = stream.Size() - stream.Position();
  if (avail < 6 || avail > 0x7FFFFFFF) invalid_icon();
  std::vector<Byte> file(static_cast<std::size_t>(avail));
  stream.ReadBuffer(file.data(), avail);
  const Byte* d = file.data();
  if (rd16(d) != 0 || (rd16(d + 2) != 1 && rd16(d + 2) != 2)) invalid_icon();
  int count = rd16(d + 4);
  if (count < 1 || 6 + static_cast<std::size_t>(count) * 16 > file.size()) invalid_icon();
  std::vector<Entry> entries;
  for (int i = 0; i < count; ++i) {
    const Byte* e = d + 6 + 16 * i;
    Entry en{e[0] ? e[0] : 256, e[1] ? e[1] : 256, rd16(e + 6), rd32(e + 8), rd32(e + 12)};
    if (en.offset > file.size() || en.size > file.size() - en.offset || en.size == 0) invalid_icon();
    entries.push_back(en);
  }
  // The entry nearest to 32 x 32; deeper among equals.
  const Entry* best = &entries[0];
  auto distance = [](const Entry& e) { return std::abs(e.width - 32) + std::abs(e.height - 32); };
  for (auto& e : entries)
    if (distance(e) < distance(*best) || (distance(e) == distance(*best) && e.bits > best->bits)) best = &e;
  QImage img = decode_entry(d + best->offset, best->size);
  HBITMAP bm = gdi_bitmap_from_image(img.convertToFormat(QImage::Format_ARGB32_Premultiplied), true);
  if (!bm) throw EOutOfResources("Out of resources");
  clear();
  file_ = std::move(file);
  image_ = bm;
  width_ = img.width();
  height_ = img.height();
  Changed(this);
}

void TIcon::SaveToStream(TStream& stream) {
  if (file_.empty()) return;
  stream.WriteBuffer(file_.data(), static_cast<Int64>(file_.size()));
}

void TIcon::LoadFromClipboardFormat(Word, HANDLE, HPALETTE) { throw EInvalidGraphic("Unsupported clipboard format"); }
void TIcon::SaveToClipboardFormat(Word&, HANDLE&, HPALETTE&) { throw EInvalidGraphic("Unsupported clipboard format"); }

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
  if (!image_) return;
  HDC dest = canvas.Handle();
  if (!dest) return;
  HDC src = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(src, image_);
  AlphaBlend(dest, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top, src, 0, 0, width_, height_,
             BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  SelectObject(src, old);
  DeleteDC(src);
}

std::uint32_t TIcon::PixelArgb(int x, int y) const {
  if (!image_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  DIBSECTION ds{};
  GetObject(image_, sizeof ds, &ds);
  const Byte* row = static_cast<const Byte*>(ds.dsBm.bmBits) +
                    static_cast<std::size_t>(ds.dsBmih.biHeight < 0 ? y : height_ - 1 - y) * ds.dsBm.bmWidthBytes;
  const Byte* p = row + 4 * x;
  std::uint32_t a = p[3];
  if (a == 0) return 0;
  auto un = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
  return (a << 24) | (un(p[2]) << 16) | (un(p[1]) << 8) | un(p[0]);
}
