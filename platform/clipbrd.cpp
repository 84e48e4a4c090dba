#include "platform/clipbrd.hpp"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include <cstring>

#include "platform/canvas_qt.hpp"
#include "platform/dib_io.hpp"

namespace {

QClipboard* qt_clipboard() { return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr; }

QImage clipboard_image() {
  QClipboard* cb = qt_clipboard();
  if (!cb) return {};
  const QMimeData* md = cb->mimeData();
  if (!md || !md->hasImage()) return {};
  return cb->image();
}

// A packed 24-bit DIB of an image.
HGLOBAL packed_dib_of(const QImage& image) {
  QImage img = image.convertToFormat(QImage::Format_RGB32);
  std::int64_t stride = dib_row_size(img.width(), 24);
  std::size_t size = 40 + static_cast<std::size_t>(stride * img.height());
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!h) return nullptr;
  auto* p = static_cast<Byte*>(GlobalLock(h));
  BITMAPINFOHEADER bh{};
  bh.biSize = 40;
  bh.biWidth = img.width();
  bh.biHeight = img.height();
  bh.biPlanes = 1;
  bh.biBitCount = 24;
  bh.biSizeImage = static_cast<DWORD>(stride * img.height());
  std::memcpy(p, &bh, 40);
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
    Byte* row = p + 40 + static_cast<std::ptrdiff_t>(img.height() - 1 - y) * stride;
    for (int x = 0; x < img.width(); ++x) {
      row[3 * x] = Byte(line[x]);
      row[3 * x + 1] = Byte(line[x] >> 8);
      row[3 * x + 2] = Byte(line[x] >> 16);
    }
  }
  GlobalUnlock(h);
  return h;
}

}  // namespace

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}

void TClipboard::Open() { ++open_count_; }

void TClipboard::Close() {
  if (open_count_ > 0 && --open_count_ == 0) release_handles();
}

void TClipboard::release_handles() {
  for (HANDLE h : handed_out_) {
    if (HGLOBAL g = gdi_as_global(h)) GlobalFree(g);
    else if (gdi_is_live(h)) DeleteObject(h);
  }
  handed_out_.clear();
}

void TClipboard::Clear() {
  release_handles();
  if (QClipboard* cb = qt_clipboard()) cb->clear();
}

bool TClipboard::HasFormat(Word format) {
  QClipboard* cb = qt_clipboard();
  if (!cb) return false;
  const QMimeData* md = cb->mimeData();
  if (!md) return false;
  switch (format) {
    case CF_BITMAP:
    case CF_DIB: return md->hasImage();
    case CF_TEXT:
    case CF_UNICODETEXT: return md->hasText();
    default: return false;
  }
}

HANDLE TClipboard::GetAsHandle(Word format) {
  if (format != CF_BITMAP && format != CF_DIB) return nullptr;
  QImage img = clipboard_image();
  if (img.isNull()) return nullptr;
  HANDLE h = nullptr;
  if (format == CF_DIB) {
    h = packed_dib_of(img);
  } else {
    HBITMAP bm = CreateCompatibleBitmap(nullptr, img.width(), img.height());
    if (bm) {
      HBITMAP section = gdi_bitmap_from_image(img, false);
      HDC s = CreateCompatibleDC(nullptr), d = CreateCompatibleDC(nullptr);
      HGDIOBJ os = SelectObject(s, section), od = SelectObject(d, bm);
      BitBlt(d, 0, 0, img.width(), img.height(), s, 0, 0, SRCCOPY);
      SelectObject(s, os);
      SelectObject(d, od);
      DeleteDC(s);
      DeleteDC(d);
      DeleteObject(section);
    }
    h = bm;
  }
  if (h) {
    handed_out_.push_back(h);
    if (open_count_ == 0 && handed_out_.size() > 16) {
      // Outside Open/Close the handles live until the next few requests.
      HANDLE oldest = handed_out_.front();
      handed_out_.erase(handed_out_.begin());
      if (HGLOBAL g = gdi_as_global(oldest)) GlobalFree(g);
      else if (HBITMAP b = gdi_as_bitmap(oldest)) DeleteObject(b);
    }
  }
  return h;
}

void TClipboard::SetAsHandle(Word format, HANDLE data) {
  QClipboard* cb = qt_clipboard();
  if (format == CF_PALETTE) {
    // No palette display: the palette is not kept.
    if (gdi_is_live(data) && !gdi_as_bitmap(data) && !gdi_as_global(data)) DeleteObject(data);
    return;
  }
  QImage img;
  if (format == CF_BITMAP) {
    HBITMAP bm = gdi_as_bitmap(data);
    if (!bm) throw EClipboardException("Cannot assign to clipboard: not a bitmap");
    BITMAP b{};
    GetObject(bm, sizeof b, &b);
    img = gdi_read_bitmap(bm, QRect(0, 0, b.bmWidth, b.bmHeight));
    DeleteObject(bm);
  } else if (format == CF_DIB) {
    HGLOBAL g = gdi_as_global(data);
    if (!g) throw EClipboardException("Cannot assign to clipboard: not a memory block");
    HBITMAP bm = nullptr;
    try {
      bm = read_packed_dib(static_cast<const Byte*>(GlobalLock(g)), GlobalSize(g), 0, false);
      GlobalUnlock(g);
    } catch (...) {
      GlobalFree(g);
      throw;
    }
    BITMAP b{};
    GetObject(bm, sizeof b, &b);
    img = gdi_read_bitmap(bm, QRect(0, 0, b.bmWidth, b.bmHeight));
    DeleteObject(bm);
    GlobalFree(g);
  } else {
    throw EClipboardException("Unsupported clipboard format");
  }
  if (cb) cb->setImage(img);
}

void TClipboard::Assign(TPersistent* source) {
  TGraphic* g = dynamic_cast<TGraphic*>(source);
  if (auto* p = dynamic_cast<TPicture*>(source)) g = p->Graphic();
  if (!g) {
    TPersistent::Assign(source);
    return;
  }
  Word format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  g->SaveToClipboardFormat(format, data, palette);
  Open();
  try {
    SetAsHandle(format, data);
    if (palette) SetAsHandle(CF_PALETTE, palette);
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

void TClipboard::AssignTo(TPersistent* dest) {
  if (auto* p = dynamic_cast<TPicture*>(dest)) {
    Open();
    try {
      p->LoadFromClipboardFormat(CF_BITMAP, GetAsHandle(CF_BITMAP), nullptr);
    } catch (...) {
      Close();
      throw;
    }
    Close();
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(dest)) {
    Open();
    try {
      g->LoadFromClipboardFormat(CF_BITMAP, GetAsHandle(CF_BITMAP), nullptr);
    } catch (...) {
      Close();
      throw;
    }
    Close();
    return;
  }
  TPersistent::AssignTo(dest);
}
