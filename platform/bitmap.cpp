// TBitmap: a bitmap handle with a canvas, BMP files and the clipboard's CF_BITMAP.
#include <cstring>
#include <vector>

#include "platform/clipbrd.hpp"
#include "platform/dib_io.hpp"
#include "platform/graphics.hpp"

namespace {

// The standard table of a palette depth: black and white, the 16 VGA colours, the halftone
// palette.
std::vector<RGBQUAD> standard_table(int bits) {
  std::vector<RGBQUAD> t;
  if (bits == 1) return {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = 1;
  bi.bmiHeader.biHeight = 1;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bits);
  // A throw-away 24-bit bitmap asked for `bits` deep pixels answers with the standard table.
  HBITMAP probe = CreateBitmap(1, 1, 1, 32, nullptr);
  Byte px[4] = {0, 0, 0, 0};
  GetDIBits(nullptr, probe, 0, 1, px, &bi, DIB_RGB_COLORS);
  DeleteObject(probe);
  t.assign(bi.bmiColors, bi.bmiColors + (1 << bits));
  return t;
}

HBITMAP make_bitmap(TPixelFormat format, int width, int height, bool monochrome) {
  if (width <= 0 || height <= 0) return nullptr;
  if (format == pfDevice || format == pfCustom) {
    return monochrome ? CreateBitmap(width, height, 1, 1, nullptr) : CreateCompatibleBitmap(nullptr, width, height);
  }
  int bits = format == pf1bit ? 1 : format == pf4bit ? 4 : format == pf8bit ? 8 : format == pf24bit ? 24
           : format == pf32bit ? 32 : 16;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bits);
  bi.bmiHeader.biCompression = BI_RGB;
  if (format == pf16bit) {
    bi.bmiHeader.biCompression = BI_BITFIELDS;
    DWORD m[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(bi.bmiColors, m, sizeof m);
  }
  if (bits <= 8) {
    auto t = standard_table(bits);
    bi.bmiHeader.biClrUsed = static_cast<DWORD>(t.size());
    std::copy(t.begin(), t.end(), bi.bmiColors);
  }
  return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0);
}

[[noreturn]] void out_of_resources() { throw EOutOfResources("Out of resources"); }

// Copies `from` into `to` (same size) with the nearest colours.
void copy_pixels(HBITMAP from, HBITMAP to, int width, int height) {
  HDC s = CreateCompatibleDC(nullptr);
  HDC d = CreateCompatibleDC(nullptr);
  HGDIOBJ os = SelectObject(s, from);
  HGDIOBJ od = SelectObject(d, to);
  SetStretchBltMode(d, COLORONCOLOR);
  BitBlt(d, 0, 0, width, height, s, 0, 0, SRCCOPY);
  SelectObject(s, os);
  SelectObject(d, od);
  DeleteDC(s);
  DeleteDC(d);
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  if (canvas_dc_) {
    SelectObject(canvas_dc_, canvas_old_bitmap_);
    DeleteDC(canvas_dc_);
  }
  if (handle_) DeleteObject(handle_);
  if (palette_) DeleteObject(palette_);
}

void TBitmap::deselect() {
  if (canvas_dc_ && canvas_old_bitmap_) {
    SelectObject(canvas_dc_, canvas_old_bitmap_);
    canvas_old_bitmap_ = nullptr;
  }
}

void TBitmap::reselect() {
  if (canvas_dc_ && handle_) canvas_old_bitmap_ = SelectObject(canvas_dc_, handle_);
}

void TBitmap::replace_handle(HBITMAP bitmap) {
  deselect();
  if (handle_ && handle_ != bitmap) DeleteObject(handle_);
  handle_ = bitmap;
  BITMAP info{};
  if (handle_ && GetObject(handle_, sizeof info, &info)) {
    width_ = info.bmWidth;
    height_ = info.bmHeight;
  } else {
    handle_ = nullptr;
    width_ = height_ = 0;
  }
  reselect();
}

bool TBitmap::Empty() const { return handle_ == nullptr; }

void TBitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap == handle_) return;
  replace_handle(bitmap);
  if (handle_) pixel_format_ = PixelFormat();
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  deselect();
  HBITMAP h = handle_;
  handle_ = nullptr;
  width_ = height_ = 0;
  return h;
}

TBitmapHandleType TBitmap::HandleType() const {
  if (!handle_) return pixel_format_ == pfDevice ? bmDDB : bmDIB;
  DIBSECTION ds{};
  return GetObject(handle_, sizeof ds, &ds) == sizeof(DIBSECTION) ? bmDIB : bmDDB;
}

TPixelFormat TBitmap::PixelFormat() const {
  if (!handle_) return pixel_format_;
  DIBSECTION ds{};
  int got = GetObject(handle_, sizeof ds, &ds);
  if (got != sizeof(DIBSECTION)) return ds.dsBm.bmBitsPixel == 1 ? pf1bit : ds.dsBm.bmBitsPixel == 32 ? pfDevice : pfCustom;
  switch (ds.dsBm.bmBitsPixel) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return ds.dsBmih.biCompression == BI_BITFIELDS ? pf16bit : pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
  }
}

bool TBitmap::Monochrome() const {
  if (!handle_) return false;
  BITMAP b{};
  GetObject(handle_, sizeof b, &b);
  return b.bmBitsPixel == 1;
}

// Takes a new bitmap of another layout in place of the old one, with the old pixels copied in.
void TBitmap::adopt_copy(HBITMAP nb) {
  if (!nb) out_of_resources();
  deselect();
  copy_pixels(handle_, nb, width_, height_);
  replace_handle(nb);
  pixel_format_ = PixelFormat();
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pfCustom) throw EInvalidGraphicOperation("Cannot set a custom pixel format");
  if (!handle_) {
    pixel_format_ = format;
    return;
  }
  if (format == PixelFormat() && (format != pfDevice || HandleType() == bmDDB)) return;
  HBITMAP nb = make_bitmap(format, width_, height_, false);
  if (!nb) out_of_resources();
  deselect();
  copy_pixels(handle_, nb, width_, height_);
  pixel_format_ = format;
  replace_handle(nb);
  Changed(this);
}

void TBitmap::SetHandleType(TBitmapHandleType type) {
  if (type == HandleType() || !handle_) {
    if (!handle_) pixel_format_ = type == bmDDB ? pfDevice : (pixel_format_ == pfDevice ? pf32bit : pixel_format_);
    return;
  }
  BITMAP b{};
  GetObject(handle_, sizeof b, &b);
  HBITMAP nb;
  if (type == bmDDB) {
    nb = b.bmBitsPixel == 1 ? CreateBitmap(width_, height_, 1, 1, nullptr) : CreateCompatibleBitmap(nullptr, width_, height_);
  } else {
    nb = make_bitmap(b.bmBitsPixel == 1 ? pf1bit : b.bmBitsPixel == 4 ? pf4bit : b.bmBitsPixel == 8 ? pf8bit
                     : b.bmBitsPixel == 24 ? pf24bit : pf32bit, width_, height_, false);
  }
  adopt_copy(nb);
}

void TBitmap::SetMonochrome(bool value) {
  if (value == Monochrome()) return;
  if (!handle_) {
    pixel_format_ = value ? pf1bit : pfDevice;
    return;
  }
  HBITMAP nb = make_bitmap(pfDevice, width_, height_, value);
  adopt_copy(nb);
}

void TBitmap::SetPalette(HPALETTE palette) {
  if (palette == palette_) return;
  if (palette_) DeleteObject(palette_);
  palette_ = palette;
  Changed(this);
}

void TBitmap::SetSize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (width == width_ && height == height_) return;
  if (width == 0 || height == 0) {
    deselect();
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    width_ = width;
    height_ = height;
    Changed(this);
    return;
  }
  TPixelFormat format = handle_ ? PixelFormat() : pixel_format_;
  bool mono = handle_ ? (Monochrome() && HandleType() == bmDDB) : false;
  HBITMAP nb = make_bitmap(format, width, height, mono);
  if (!nb) out_of_resources();
  // New areas are white; the old picture keeps its place at the top left.
  HDC d = CreateCompatibleDC(nullptr);
  HGDIOBJ od = SelectObject(d, nb);
  BitBlt(d, 0, 0, width, height, nullptr, 0, 0, WHITENESS);
  if (handle_) {
    deselect();
    HDC s = CreateCompatibleDC(nullptr);
    HGDIOBJ os = SelectObject(s, handle_);
    BitBlt(d, 0, 0, std::min(width, width_), std::min(height, height_), s, 0, 0, SRCCOPY);
    SelectObject(s, os);
    DeleteDC(s);
  }
  SelectObject(d, od);
  DeleteDC(d);
  replace_handle(nb);
  Changed(this);
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TCanvas>();
    canvas_dc_ = CreateCompatibleDC(nullptr);
    reselect();
    canvas_->SetHandle(canvas_dc_);
  }
  return canvas_.get();
}

void* TBitmap::ScanLine(int row) {
  if (!handle_ || row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  if (HandleType() == bmDDB) SetHandleType(bmDIB);
  DIBSECTION ds{};
  GetObject(handle_, sizeof ds, &ds);
  auto* bits = static_cast<Byte*>(ds.dsBm.bmBits);
  bool top_down = ds.dsBmih.biHeight < 0;
  return bits + static_cast<std::ptrdiff_t>(top_down ? row : height_ - 1 - row) * ds.dsBm.bmWidthBytes;
}

TColor TBitmap::TransparentColor() {
  if (transparent_mode_ == tmFixed && transparent_color_ != clDefault) return transparent_color_;
  if (!handle_) return clDefault;
  return Canvas()->Pixels(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
  transparent_color_ = color;
  transparent_mode_ = color == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TBitmap::Assign(TPersistent* source) {
  if (!source) {
    SetSize(0, 0);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(source)) {
    if (b == this) return;
    HBITMAP copy = b->handle_ ? gdi_copy_bitmap(b->handle_) : nullptr;
    if (b->handle_ && !copy) out_of_resources();
    replace_handle(copy);
    pixel_format_ = b->handle_ ? PixelFormat() : b->pixel_format_;
    width_ = b->width_;
    height_ = b->height_;
    transparent_color_ = b->transparent_color_;
    transparent_mode_ = b->transparent_mode_;
    SetTransparent(b->Transparent());
    if (palette_) DeleteObject(palette_);
    palette_ = nullptr;
    if (b->palette_) {
      LOGPALETTE lp{};
      lp.palVersion = 0x300;
      lp.palNumEntries = static_cast<WORD>(GetPaletteEntries(b->palette_, 0, 256, lp.palPalEntry));
      palette_ = CreatePalette(&lp);
    }
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
  if (!handle_) return;
  Canvas();  // the source context
  HDC dest = canvas.Handle();
  if (!dest) return;
  int w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
  if (Transparent()) {
    TransparentBlt(dest, rect.Left, rect.Top, w, h, canvas_dc_, 0, 0, width_, height_, ColorToRef(TransparentColor()));
    return;
  }
  int old = SetStretchBltMode(dest, COLORONCOLOR);
  StretchBlt(dest, rect.Left, rect.Top, w, h, canvas_dc_, 0, 0, width_, height_, canvas.CopyMode());
  SetStretchBltMode(dest, old);
}

void TBitmap::LoadFromStream(TStream& stream) {
  Int64 avail = stream.Size() - stream.Position();
  if (avail < 14) throw EInvalidGraphic("Bitmap image is not valid");
  BITMAPFILEHEADER fh{};
  stream.ReadBuffer(&fh, sizeof fh);
  if (fh.bfType != 0x4D42) throw EInvalidGraphic("Bitmap image is not valid");
  avail -= 14;
  // The DIB is what follows the file header, up to the stream's end or the file size given.
  if (avail > 0x7FFFFFFF) avail = 0x7FFFFFFF;
  std::vector<Byte> bytes(static_cast<std::size_t>(avail));
  stream.ReadBuffer(bytes.data(), avail);
  // An offset of 0 (or one inside the file header) means the rows follow the colour table.
  std::size_t offset = fh.bfOffBits >= 14 ? fh.bfOffBits - 14 : 0;
  HBITMAP bm = read_packed_dib(bytes.data(), bytes.size(), offset, false);
  replace_handle(bm);
  pixel_format_ = PixelFormat();
  Changed(this);
}

void TBitmap::SaveToStream(TStream& stream) {
  if (!handle_) return;
  deselect();
  try {
    write_bmp(handle_, stream);
  } catch (...) {
    reselect();
    throw;
  }
  reselect();
}

void TBitmap::LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) {
  HBITMAP src = gdi_as_bitmap(data);
  if (format != CF_BITMAP || !src) throw EInvalidGraphic("Unsupported clipboard format");
  HBITMAP copy = gdi_copy_bitmap(src);
  if (!copy) out_of_resources();
  replace_handle(copy);
  pixel_format_ = PixelFormat();
  if (palette) {
    LOGPALETTE lp{};
    lp.palVersion = 0x300;
    lp.palNumEntries = static_cast<WORD>(GetPaletteEntries(palette, 0, 256, lp.palPalEntry));
    SetPalette(CreatePalette(&lp));
  }
  Changed(this);
}

void TBitmap::SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) {
  format = CF_BITMAP;
  data = handle_ ? gdi_copy_bitmap(handle_) : nullptr;
  palette = nullptr;
  if (palette_) {
    LOGPALETTE lp{};
    lp.palVersion = 0x300;
    lp.palNumEntries = static_cast<WORD>(GetPaletteEntries(palette_, 0, 256, lp.palPalEntry));
    palette = CreatePalette(&lp);
  }
}
