// Moving pictures between TDibGraphic and bitmaps, icons, other graphics, packed DIBs, BMP
// streams and the clipboard.
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "image/dib_graphic.hpp"
#include "platform/checked_size.hpp"
#include "platform/clipbrd.hpp"
#include "platform/global_block.hpp"
#include "platform/math.hpp"
#include "platform/pixel_memory.hpp"

namespace {

[[noreturn]] void bad_dib() { throw EZuroroveError("The DIB handle does not hold a valid bitmap"); }

// What a packed DIB holds, every part checked against the block's size.
struct DibParts {
  BITMAPINFOHEADER header{};
  int width = 0;
  int height = 0;  // rows, positive
  bool top_down = false;
  int bits = 0;
  int colors = 0;              // colour table entries used as the palette (at most 2^bits)
  std::size_t table_at = 0;    // offset of the colour table
  std::size_t table_bytes = 0; // bytes the table takes in the block
  std::size_t pixels_at = 0;   // offset of the rows
};

DibParts parse_dib(const Byte* p, std::size_t size) {
  DibParts d;
  if (!p || size < 40) bad_dib();
  std::memcpy(&d.header, p, 40);
  const BITMAPINFOHEADER& h = d.header;
  if (h.biSize < 40 || h.biSize > size) bad_dib();
  if (h.biWidth < 1 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min()) bad_dib();
  d.width = h.biWidth;
  d.top_down = h.biHeight < 0;
  d.height = d.top_down ? -h.biHeight : h.biHeight;
  d.bits = h.biBitCount;
  if (d.bits != 1 && d.bits != 4 && d.bits != 8 && d.bits != 16 && d.bits != 24 && d.bits != 32)
    throw EZuroroveError("Unsupported bit count");
  std::size_t pos = h.biSize;
  if (h.biCompression == BI_BITFIELDS && h.biSize == 40) pos += 12;
  // The table holds biClrUsed entries, 2^bits when that is 0 (up to 8 bits); no more than 256
  // are used as colours.
  std::uint64_t entries = h.biClrUsed;
  if (d.bits <= 8 && entries == 0) entries = 1u << d.bits;
  if (entries > size / 4) bad_dib();
  d.table_at = pos;
  d.table_bytes = static_cast<std::size_t>(entries) * 4;
  if (pos > size || d.table_bytes > size - pos) bad_dib();
  d.colors = d.bits <= 8 ? static_cast<int>(std::min<std::uint64_t>(entries, 1u << d.bits)) : 0;
  d.pixels_at = pos + d.table_bytes;
  return d;
}

// The bytes of the rows; INT64_MAX when the product does not fit (a mend: it overflowed before).
std::int64_t dib_pixel_bytes(const DibParts& d) {
  return CheckedDibBytes(d.width, d.bits, d.height).value_or(std::numeric_limits<std::int64_t>::max());
}

// Rows a straight copy takes: no compression, and a depth the picture model holds as it is.
bool plain_dib(const DibParts& d) { return d.header.biCompression == BI_RGB && d.bits != 16 && d.bits != 32; }

// The picture format and palette of a DIB's header and colour table (at `head`).
struct DibFormat {
  TImageFormat format = ifTrueColor;
  TMaxLogPalette palette{};
  bool has_palette = false;
  bool invert = false;  // the default black-and-white palette, with the bits inverted
};

DibFormat dib_format(const DibParts& d, const Byte* head) {
  DibFormat f;
  if (d.bits > 8) return f;
  f.palette.palVersion = 0x300;
  f.palette.palNumEntries = static_cast<WORD>(d.colors);
  bool all_grey = true;
  for (int i = 0; i < d.colors; ++i) {
    const Byte* q = head + d.table_at + 4 * static_cast<std::size_t>(i);
    f.palette.palPalEntry[i] = PALETTEENTRY{q[2], q[1], q[0], 0};
    if (!(q[0] == q[1] && q[1] == q[2])) all_grey = false;
  }
  f.has_palette = true;
  if (d.bits == 1) {
    f.format = ifBlackWhite;
    const PALETTEENTRY& e0 = f.palette.palPalEntry[0];
    if (d.colors >= 1 && e0.peRed == 255 && e0.peGreen == 255 && e0.peBlue == 255) {
      f.has_palette = false;
      f.invert = true;
    }
  } else if (d.bits == 4) {
    f.format = all_grey ? ifGray16 : ifColor16;
  } else {
    f.format = all_grey ? ifGray256 : ifColor256;
  }
  return f;
}

Word dots_per_inch(LONG ppm) { return static_cast<Word>(PelsPerMeterToDotsPerInch(ppm)); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Assign / AssignTo
// ---------------------------------------------------------------------------------------------
void TDibGraphic::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    ClearFrames();
    return;
  }
  if (auto* dib = dynamic_cast<TDibGraphic*>(Source)) {
    if (dib == this) return;
    CopyImage(*dib);
    ClearFrames();
    for (const auto& frame : dib->FFrames) {
      std::unique_ptr<TDibGraphic> copy = frame->NewDibInstance();
      copy->CopyImage(*frame);
      AddFrame(std::move(copy));
    }
    Changed(this);
    return;
  }
  if (auto* cb = dynamic_cast<TClipboard*>(Source)) {
    ClearFrames();
    cb->Open();
    try {
      LoadFromClipboardFormat(CF_BITMAP, cb->GetAsHandle(CF_BITMAP), static_cast<HPALETTE>(cb->GetAsHandle(CF_PALETTE)));
    } catch (...) {
      cb->Close();
      throw;
    }
    cb->Close();
    return;
  }
  if (auto* bmp = dynamic_cast<TBitmap*>(Source)) {
    ClearFrames();
    if (bmp->Empty()) {
      Clear();
      Changed(this);
      return;
    }
    bmp->SetHandleType(bmp->PixelFormat() == pfCustom ? bmDDB : bmDIB);
    AssignFromBitmapHandle(bmp->Handle());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    ClearFrames();
    if (g->Empty()) {
      Clear();
      Changed(this);
      return;
    }
    AssignFromOtherGraphic(*g);
    return;
  }
  TGraphic::Assign(Source);
}

void TDibGraphic::AssignFromOtherGraphic(TGraphic& Source) {
  NewImage(Source.Width(), Source.Height(), ifTrueColor, nullptr, 0, 0);
  std::memset(FBits, 0, static_cast<std::size_t>(Height()) * static_cast<std::size_t>(FScanLineSize));
  Source.Draw(*FCanvas, TRect{0, 0, Width(), Height()});
  Changed(this);
}

void TDibGraphic::AssignTo(TPersistent* Dest) {
  if (auto* dib = dynamic_cast<TDibGraphic*>(Dest)) {
    dib->Assign(this);
    return;
  }
  if (auto* bmp = dynamic_cast<TBitmap*>(Dest)) {
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(Width(), Height());
    if (!Empty()) Draw(*bmp->Canvas(), TRect{0, 0, Width(), Height()});
    return;
  }
  if (auto* icon = dynamic_cast<TIcon*>(Dest)) {
    TMemoryStream stream;
    if (ClassName() == "TIconGraphic") {
      SaveToStream(stream);
    } else {
      if (!IconGraphicClass()) throw EZuroroveError("Cannot assign a %s to a %s", {"TDibGraphic", Dest->ClassName()});
      std::unique_ptr<TDibGraphic> temp = IconGraphicClass()();
      temp->Assign(this);
      temp->SaveToStream(stream);
    }
    stream.SetPosition(0);
    icon->LoadFromStream(stream);
    return;
  }
  throw EZuroroveError("Cannot assign a %s to a %s", {"TDibGraphic", Dest ? Dest->ClassName() : std::string("nil")});
}

// ---------------------------------------------------------------------------------------------
// Bitmap handles
// ---------------------------------------------------------------------------------------------
void TDibGraphic::AssignFromBitmapHandle(HBITMAP InBitmapHandle) {
  DIBSECTION ds{};
  int got = GetObject(InBitmapHandle, sizeof ds, &ds);
  if (!got) throw EInvalidGraphic("Invalid bitmap");
  BITMAPINFOHEADER h{};
  if (got == static_cast<int>(sizeof(DIBSECTION)) && ds.dsBmih.biSize >= 40) {
    h = ds.dsBmih;
  } else {
    h.biSize = 40;
    h.biWidth = ds.dsBm.bmWidth;
    h.biHeight = ds.dsBm.bmHeight;
  }
  int bits = ds.dsBm.bmPlanes * ds.dsBm.bmBitsPixel;
  if (bits == 16 || bits == 32) {
    // Read as 24-bit BI_RGB rows, whatever masks the bitmap has. A mend: a section with colour
    // masks (BI_BITFIELDS, such as every 5-6-5 bitmap) is not refused as an unsupported
    // compression, so 16-bit pictures from files and the clipboard can be opened at all.
    bits = 24;
    h.biSizeImage = 0;
    h.biCompression = BI_RGB;
  }
  h.biBitCount = static_cast<WORD>(bits);
  h.biPlanes = 1;
  // Rows are read bottom-up whatever the bitmap's own order.
  if (h.biHeight < 0) h.biHeight = -h.biHeight;
  if (h.biWidth < 1 || h.biHeight < 1) throw EInvalidGraphic("Invalid bitmap");
  const std::int64_t row = dib_row_size(h.biWidth, bits);
  if (CheckedMul(row, h.biHeight).value_or(INT64_MAX) > 0x7FFFFFFF) throw EZuroroveError("GlobalAlloc failed");
  if (h.biSizeImage == 0 || h.biSizeImage != row * h.biHeight) h.biSizeImage = static_cast<DWORD>(row * h.biHeight);
  if (h.biCompression != BI_RGB) throw EZuroroveError("Unsupported compression");
  TImageFormat format;
  switch (bits) {
    case 1: format = ifBlackWhite; break;
    case 4: format = ifColor16; break;
    case 8: format = ifColor256; break;
    case 24: format = ifTrueColor; break;
    default: throw EZuroroveError("Unsupported bit count");
  }
  auto info = std::make_unique<BITMAPINFO>();
  info->bmiHeader = h;
  // The colour table first; the rows then go straight into the picture's own pixels, so that no
  // third copy of them lives between the bitmap and the picture.
  HDC dc = CreateCompatibleDC(nullptr);
  int rows = GetDIBits(dc, InBitmapHandle, 0, static_cast<UINT>(h.biHeight), nullptr, info.get(), DIB_RGB_COLORS);
  if (rows == 0) {
    DeleteDC(dc);
    throw EZuroroveError("GetDIB failed");
  }
  info->bmiHeader = h;
  // The palette: biClrUsed entries of the colour table. A mend: with biClrUsed 0 or above 256
  // the whole table the bitmap has (2^bits entries, as GDI reported it), not the format's
  // default palette, which would show the pixels in the wrong colours.
  TMaxLogPalette palette{};
  const TMaxLogPalette* pal = nullptr;
  if (bits <= 8) {
    int n = (h.biClrUsed >= 1 && h.biClrUsed <= 256) ? static_cast<int>(std::min<DWORD>(h.biClrUsed, 1u << bits)) : 1 << bits;
    palette.palVersion = 0x300;
    palette.palNumEntries = static_cast<WORD>(n);
    for (int i = 0; i < n; ++i) {
      const RGBQUAD& q = info->bmiColors[i];
      palette.palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    pal = &palette;
  }
  auto resolution = [](LONG ppm) -> Word {
    if (ppm <= 0) return 0;
    std::int64_t v = PelsPerMeterToDotsPerInch(ppm);
    return v < 0 || v > 65535 ? 0 : static_cast<Word>(v);
  };
  try {
    NewImage(h.biWidth, h.biHeight, format, pal, resolution(h.biXPelsPerMeter), resolution(h.biYPelsPerMeter));
    rows = GetDIBits(dc, InBitmapHandle, 0, static_cast<UINT>(h.biHeight), FBits, info.get(), DIB_RGB_COLORS);
  } catch (...) {
    DeleteDC(dc);
    throw;
  }
  DeleteDC(dc);
  if (rows == 0) {
    Clear();
    throw EZuroroveError("GetDIB failed");
  }
  Changed(this);
}

// ---------------------------------------------------------------------------------------------
// Packed DIBs
// ---------------------------------------------------------------------------------------------
void TDibGraphic::AssignFromDIBHandle(HGLOBAL InDibHandle) {
  global_block block(InDibHandle, global_block::lock);
  const Byte* p = block.data();
  DibParts d = parse_dib(p, block.size());
  if (plain_dib(d)) {
    if (d.pixels_at > block.size()) bad_dib();
    AssignFromDIBParts(p, block.size(), p + d.pixels_at, block.size() - d.pixels_at);
    return;
  }
  // 16 and 32 bits and compressed DIBs go through a bitmap stream.
  try {
    TMemoryStream stream;
    DibToBmpStream(InDibHandle, stream);
    stream.SetPosition(0);
    TBitmap bitmap;
    try {
      bitmap.LoadFromStream(stream);
    } catch (const EInvalidGraphic& e) {
      throw EZuroroveError(e.Message());
    }
    AssignFromBitmapHandle(bitmap.Handle());
  } catch (const std::bad_alloc&) {  // a mend: the program's own error, not the library's
    throw EOutOfMemory("Out of memory");
  }
}

bool TDibGraphic::AssignFromDIBParts(const Byte* Head, std::size_t HeadSize, const Byte* Rows, std::size_t RowsSize) {
  DibParts d = parse_dib(Head, HeadSize);
  const BITMAPINFOHEADER& h = d.header;
  if (!plain_dib(d)) return false;
  const std::int64_t need = dib_pixel_bytes(d);
  if (need > 0x7FFFFFFF || Rows == nullptr || static_cast<std::uint64_t>(need) > RowsSize) bad_dib();
  const DibFormat f = dib_format(d, Head);
  // Every byte of the rows is written below, the row padding included: nothing to clear first.
  NewImageForOverwrite(d.width, d.height, f.format, f.has_palette ? &f.palette : nullptr, dots_per_inch(h.biXPelsPerMeter),
                       dots_per_inch(h.biYPelsPerMeter));
  const std::size_t row = static_cast<std::size_t>(FScanLineSize);
  if (d.top_down) {
    for (int y = 0; y < d.height; ++y)
      std::memcpy(FBits + static_cast<std::size_t>(d.height - 1 - y) * row, Rows + static_cast<std::size_t>(y) * row, row);
  } else {
    std::memcpy(FBits, Rows, row * static_cast<std::size_t>(d.height));
  }
  if (f.invert) {
    const std::size_t n = row * static_cast<std::size_t>(d.height);
    for (std::size_t i = 0; i < n; ++i) FBits[i] = static_cast<Byte>(~FBits[i]);
  }
  Changed(this);
  return true;
}

bool TDibGraphic::TakeDIBRows(const Byte* Head, std::size_t HeadSize, Byte* Rows, std::size_t RowsSize,
                              void (*Release)(void*), void* Context) {
  DibParts d;
  try {
    d = parse_dib(Head, HeadSize);
  } catch (const Exception&) {
    return false;  // AssignFromDIBParts raises for it
  }
  const BITMAPINFOHEADER& h = d.header;
  if (!plain_dib(d) || d.top_down || Rows == nullptr) return false;
  // The rows must be the picture's own layout exactly: bottom-up, padded to 32 bits.
  const std::int64_t need = dib_pixel_bytes(d);
  if (need > 0x7FFFFFFF || static_cast<std::uint64_t>(need) != RowsSize) return false;
  const DibFormat f = dib_format(d, Head);
  try {
    pixel_memory_adopt(Rows, Release, Context);
  } catch (...) {
    Release(Context);
    throw;
  }
  NewImageOverBits(d.width, d.height, f.format, f.has_palette ? &f.palette : nullptr, dots_per_inch(h.biXPelsPerMeter),
                   dots_per_inch(h.biYPelsPerMeter), Rows);
  if (f.invert) {
    const std::size_t n = static_cast<std::size_t>(FScanLineSize) * static_cast<std::size_t>(d.height);
    for (std::size_t i = 0; i < n; ++i) FBits[i] = static_cast<Byte>(~FBits[i]);
  }
  Changed(this);
  return true;
}

HGLOBAL TDibGraphic::AsDibHandle() const {
  if (Empty()) throw EZuroroveError("Graphic is empty");
  const std::size_t colors = FImageFormat == ifTrueColor ? 0 : FPalette.palNumEntries;
  const std::size_t pixels = FBitmapInfo.bmiHeader.biSizeImage;
  const std::size_t size = 40 + 4 * colors + pixels;
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
  if (!h) throw EZuroroveError("GlobalAlloc failed");
  Byte* p = static_cast<Byte*>(GlobalLock(h));
  std::memcpy(p, &FBitmapInfo.bmiHeader, 40);
  std::memcpy(p + 40, FBitmapInfo.bmiColors, 4 * colors);
  std::memcpy(p + 40 + 4 * colors, FBits, pixels);
  GlobalUnlock(h);
  return h;
}

void TDibGraphic::DibToBmpStream(HGLOBAL InDibHandle, TStream& Stream) {
  global_block block(InDibHandle, global_block::lock);
  Byte* p = block.data();
  DibParts d = parse_dib(p, block.size());
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(p);
  DWORD image_size;
  if (d.header.biCompression == BI_RGB) {
    std::int64_t need = dib_pixel_bytes(d);
    if (need > 0x7FFFFFFF) bad_dib();
    image_size = static_cast<DWORD>(need);
    std::memcpy(&header->biSizeImage, &image_size, sizeof image_size);
  } else {
    if (d.header.biSizeImage == 0)
      throw EZuroroveError("Unsupported HDIB in DibToBmpStream: biSizeImage not set with non RGB bitmap");
    image_size = d.header.biSizeImage;
  }
  const std::size_t dib_bytes = d.pixels_at + image_size;
  if (dib_bytes < d.pixels_at || dib_bytes > block.size()) bad_dib();
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfSize = static_cast<DWORD>(14 + dib_bytes);
  fh.bfOffBits = static_cast<DWORD>(14 + d.pixels_at);
  if (auto* ms = dynamic_cast<TMemoryStream*>(&Stream)) {
    Int64 end = ms->Position() + static_cast<Int64>(fh.bfSize);
    if (end > ms->Size()) ms->SetSize(end);
  }
  Stream.WriteBuffer(&fh, sizeof fh);
  Stream.WriteBuffer(p, static_cast<Int64>(dib_bytes));
}

// ---------------------------------------------------------------------------------------------
// Clipboard
// ---------------------------------------------------------------------------------------------
void TDibGraphic::LoadFromClipboardFormat(Word AFormat, HANDLE AData, HPALETTE APalette) {
  HBITMAP bitmap = gdi_as_bitmap(AData);
  if (AFormat != CF_BITMAP || !bitmap) throw EInvalidGraphic("Unknown clipboard format, %d", {static_cast<int>(AFormat)});
  if (!PaletteDevice()) {
    AssignFromBitmapHandle(bitmap);
    return;
  }
  TBitmap temp;
  temp.LoadFromClipboardFormat(CF_BITMAP, AData, APalette);
  NewImage(temp.Width(), temp.Height(), ifTrueColor, nullptr, 0, 0);
  FCanvas->Draw(0, 0, &temp);
  Changed(this);
}

void TDibGraphic::SaveToClipboardFormat(Word& AFormat, HANDLE& AData, HPALETTE&) {
  AFormat = CF_BITMAP;
  HBITMAP bitmap = FImageFormat == ifBlackWhite ? CreateBitmap(Width(), Height(), 1, 1, nullptr)
                                                : CreateCompatibleBitmap(nullptr, Width(), Height());
  if (!bitmap) throw EZuroroveError("CopyBitmap: CreateBitmap failed");
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, Width(), Height(), FDC, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  AData = bitmap;
}
