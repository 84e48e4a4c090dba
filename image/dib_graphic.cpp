// The picture model: pixels, palettes, frames, resolution, drawing and the load dispatch.
#include "image/dib_graphic.hpp"

#include <cerrno>
#include <cstring>
#include <utility>

#include "image/format_change.hpp"
#include "image/quantize_thread.hpp"
#include "platform/checked_size.hpp"
#include "platform/forms.hpp"
#include "platform/math.hpp"
#include "platform/pixel_memory.hpp"
#include "platform/safe_save.hpp"

namespace {

// ---- Default palettes.
TMaxLogPalette palette_of(std::initializer_list<std::array<int, 3>> entries) {
  TMaxLogPalette p{};
  p.palVersion = 0x300;
  for (auto& e : entries) p.palPalEntry[p.palNumEntries++] = PALETTEENTRY{Byte(e[0]), Byte(e[1]), Byte(e[2]), 0};
  return p;
}

const std::initializer_list<std::array<int, 3>> kColor16 = {
    {0, 0, 0},     {0, 0, 170},   {0, 170, 0},   {0, 170, 170},   {170, 0, 0},   {170, 0, 170},
    {170, 85, 0},  {170, 170, 170}, {85, 85, 85}, {85, 85, 255},  {85, 255, 85}, {85, 255, 255},
    {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};

TMaxLogPalette vga256() {
  TMaxLogPalette p = palette_of(kColor16);
  const int grey[16] = {0, 20, 32, 44, 56, 69, 81, 97, 113, 130, 146, 162, 182, 203, 227, 255};
  auto put = [&p](int r, int g, int b) { p.palPalEntry[p.palNumEntries++] = PALETTEENTRY{Byte(r), Byte(g), Byte(b), 0}; };
  for (int v : grey) put(v, v, v);
  const int rings[9][5] = {{0, 65, 125, 190, 255},   {125, 158, 190, 223, 255}, {182, 199, 219, 235, 255},
                           {0, 28, 56, 85, 113},     {56, 69, 85, 97, 113},     {81, 89, 97, 105, 113},
                           {0, 16, 32, 48, 65},      {32, 40, 48, 56, 65},      {44, 48, 52, 60, 65}};
  for (auto& L : rings) {
    for (int k = 0; k < 24; ++k) {
      if (k <= 4) put(L[k], L[0], L[4]);
      else if (k <= 8) put(L[4], L[0], L[8 - k]);
      else if (k <= 12) put(L[4], L[k - 8], L[0]);
      else if (k <= 16) put(L[16 - k], L[4], L[0]);
      else if (k <= 20) put(L[0], L[4], L[k - 16]);
      else put(L[0], L[24 - k], L[4]);
    }
  }
  while (p.palNumEntries < 256) put(0, 0, 0);
  p.palPalEntry[30] = PALETTEENTRY{227, 179, 179, 0};
  p.palPalEntry[85] = PALETTEENTRY{223, 182, 235, 0};
  p.palPalEntry[96] = PALETTEENTRY{182, 223, 182, 0};
  return p;
}

TMaxLogPalette grey_ramp(int n, int step) {
  TMaxLogPalette p{};
  p.palVersion = 0x300;
  p.palNumEntries = static_cast<WORD>(n);
  for (int i = 0; i < n; ++i) p.palPalEntry[i] = PALETTEENTRY{Byte(i * step), Byte(i * step), Byte(i * step), 0};
  return p;
}

// ---- Row accessors by depth.
std::uint32_t get_bw(const Byte* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
void set_bw(Byte* row, int x, std::uint32_t v) {
  Byte m = Byte(0x80 >> (x & 7));
  if (v) row[x >> 3] |= m; else row[x >> 3] &= Byte(~m);
}
std::uint32_t get_nibble(const Byte* row, int x) { return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4); }
void set_nibble(Byte* row, int x, std::uint32_t v) {
  Byte& b = row[x >> 1];
  b = (x & 1) ? Byte((b & 0xF0) | (v & 0x0F)) : Byte((b & 0x0F) | ((v & 0x0F) << 4));
}
std::uint32_t get_byte(const Byte* row, int x) { return row[x]; }
void set_byte(Byte* row, int x, std::uint32_t v) { row[x] = Byte(v); }
std::uint32_t get_bgr(const Byte* row, int x) {
  const Byte* p = row + 3 * x;
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
}
void set_bgr(Byte* row, int x, std::uint32_t v) {
  Byte* p = row + 3 * x;
  p[0] = Byte(v);
  p[1] = Byte(v >> 8);
  p[2] = Byte(v >> 16);
}

TDibGraphicClass& icon_class() {
  static TDibGraphicClass cls;
  return cls;
}

HPALETTE& halftone_palette() {
  static HPALETTE palette = nullptr;
  return palette;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Unit services
// ---------------------------------------------------------------------------------------------
const TMaxLogPalette& DefaultPalette(TImageFormat format) {
  static const TMaxLogPalette bw = palette_of({{0, 0, 0}, {255, 255, 255}});
  static const TMaxLogPalette g16 = grey_ramp(16, 17);
  static const TMaxLogPalette g256 = grey_ramp(256, 1);
  static const TMaxLogPalette c16 = palette_of(kColor16);
  static const TMaxLogPalette c256 = vga256();
  switch (format) {
    case ifBlackWhite: return bw;
    case ifGray16: return g16;
    case ifGray256: return g256;
    case ifColor16: return c16;
    case ifColor256: return c256;
    default: throw EZuroroveError("Internal error: Invalid image format");
  }
}

namespace {
constexpr long double kPelsPerInch = 39.37007874015748L;
}  // namespace

std::int64_t PelsPerMeterToDotsPerInch(std::int64_t PelsPerMeter) {
  return Round(static_cast<long double>(PelsPerMeter) / kPelsPerInch);
}

LONG DotsPerInchToPelsPerMeter(Word DotsPerInch) {
  return static_cast<LONG>(Round(static_cast<long double>(DotsPerInch) * kPelsPerInch));
}

bool PaletteDevice() { return (GetDeviceCaps(nullptr, RASTERCAPS) & RC_PALETTE) != 0; }

HPALETTE HalftonePalette() {
  HPALETTE& palette = halftone_palette();
  if (!palette) palette = CreateHalftonePalette(nullptr);
  return palette;
}

void InitDibGraphicUnit() {
  TPicture::RegisterClipboardFormat(CF_BITMAP, "TDibGraphic", [] { return std::unique_ptr<TGraphic>(new TDibGraphic); });
  HalftonePalette();
}

void DoneDibGraphicUnit() {
  HPALETTE& palette = halftone_palette();
  if (palette) DeleteObject(palette);
  palette = nullptr;
  TPicture::UnregisterGraphicClass("TDibGraphic");
}

void SetIconGraphicClass(TDibGraphicClass cls) { icon_class() = std::move(cls); }
const TDibGraphicClass& IconGraphicClass() { return icon_class(); }

std::unique_ptr<TDibGraphic> ConvertImageFormat(TDibGraphic& Graphic, TImageFormat ImageFormat,
                                                const TDibGraphicClass& GraphicClass) {
  std::unique_ptr<TDibGraphic> result = GraphicClass ? GraphicClass() : std::make_unique<TDibGraphic>();
  if (Graphic.ImageFormat() != ImageFormat && !Graphic.Empty()) ChangeImageFormat(Graphic, *result, ImageFormat, true, true);
  else result->Assign(&Graphic);
  return result;
}

// ---------------------------------------------------------------------------------------------
// Nearest palette colour
// ---------------------------------------------------------------------------------------------
TRgbToPaletteConverter::TRgbToPaletteConverter(const TMaxLogPalette* palette) : pPalette(palette) {}

Byte TRgbToPaletteConverter::GetIndex(TRgb color) {
  const std::uint32_t key = color.Value();
  CacheEntry& slot = Cache[key % CacheSize];
  if (slot.Index >= 0 && slot.Key == key) {
    ++Hits;
    return static_cast<Byte>(slot.Index);
  }
  ++Misses;
  int count = pPalette->palNumEntries;
  if (count == 0) {
    slot = CacheEntry{key, 0};
    return 0;
  }
  int best = 0;
  int best_d = 0x7FFFFFFF;
  for (int i = 0; i < count && i < 256; ++i) {
    const PALETTEENTRY& e = pPalette->palPalEntry[i];
    int dr = color.Red - e.peRed, dg = color.Green - e.peGreen, db = color.Blue - e.peBlue;
    int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = i;
      if (d == 0) break;
    }
  }
  slot = CacheEntry{key, static_cast<std::int16_t>(best)};
  return static_cast<Byte>(best);
}

// ---------------------------------------------------------------------------------------------
// TDibGraphic
// ---------------------------------------------------------------------------------------------
TDibGraphic::TDibGraphic() : FLifeToken(std::make_shared<std::uint64_t>(0)) {}

TDibGraphic::~TDibGraphic() {
  ClearFrames();
  try {
    Clear();
  } catch (...) {
    // Nothing to report from a destructor.
  }
}

std::unique_ptr<TDibGraphic> TDibGraphic::NewDibInstance() const {
  std::unique_ptr<TGraphic> g = NewInstance();
  if (auto* d = dynamic_cast<TDibGraphic*>(g.get())) {
    g.release();
    return std::unique_ptr<TDibGraphic>(d);
  }
  return std::make_unique<TDibGraphic>();
}

void TDibGraphic::OutOfResources() {
  int code = GetLastError();
  std::string text = code ? SysErrorMessage(code) : std::string();
  if (!text.empty()) throw EOutOfResources(text);
  throw Exception("Out of resources");
}

void TDibGraphic::SetWidth(int) { throw EZuroroveError("Dimensions must be change with the NewImage method"); }
void TDibGraphic::SetHeight(int) { throw EZuroroveError("Dimensions must be change with the NewImage method"); }
void TDibGraphic::SetSize(int, int) { throw EZuroroveError("Dimensions must be change with the NewImage method"); }

void TDibGraphic::Clear() {
  ++*FLifeToken;  // a palette computed for the old image no longer applies
  FCanvas.reset();
  if (FDC && FOldBitmapHandle) SelectObject(FDC, FOldBitmapHandle);
  FOldBitmapHandle = nullptr;
  FRgbToPaletteConverter.reset();
  if (FPaletteHandle) DeleteObject(FPaletteHandle);
  FPaletteHandle = nullptr;
  if (FBitmapHandle) DeleteObject(FBitmapHandle);
  FBitmapHandle = nullptr;
  HDC dc = FDC;
  FDC = nullptr;
  FBits = nullptr;
  FBitmapInfo = BITMAPINFO{};
  FGetPixelFunc = nullptr;
  FSetPixelProc = nullptr;
  if (dc && !DeleteDC(dc)) OutOfResources();
}

void TDibGraphic::NewImage(int AWidth, int AHeight, TImageFormat AImageFormat, const TMaxLogPalette* pPalette,
                           Word InXDotsPerInch, Word InYDotsPerInch) {
  // Pixels handed over by NewImageOverBits: freed here unless the picture takes them.
  std::unique_ptr<void, void (*)(void*)> given(std::exchange(FNextImageBits, nullptr), pixel_memory_free);
  const int bits = ImageFormatBits(AImageFormat);
  if (AWidth < 1 || AHeight < 1) throw EZuroroveError("Invalid image size %d x %d", {AWidth, AHeight});
  const std::int64_t scan = dib_row_size(AWidth, bits);
  if (CheckedMul(scan, AHeight).value_or(INT64_MAX) > 0x7FFFFFFF)  // a mend: the product could overflow
    throw EZuroroveError("An image of %d x %d pixels is too large", {AWidth, AHeight});
  // The palette argument may be this picture's own palette: copy it before anything is cleared.
  TMaxLogPalette palette{};
  if (bits <= 8) {
    const TMaxLogPalette* src = pPalette && pPalette->palNumEntries > 0 ? pPalette : &DefaultPalette(AImageFormat);
    palette = *src;
    palette.palVersion = 0x300;
    palette.palNumEntries = static_cast<WORD>(std::min<int>(palette.palNumEntries, 1 << bits));
  }

  Clear();
  errno = 0;
  FDC = CreateCompatibleDC(nullptr);
  if (!FDC) OutOfResources();
  FImageFormat = AImageFormat;
  BITMAPINFOHEADER& h = FBitmapInfo.bmiHeader;
  h.biSize = 40;
  h.biWidth = AWidth;
  h.biHeight = AHeight;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bits);
  h.biCompression = BI_RGB;
  FScanLineSize = static_cast<int>(scan);
  h.biSizeImage = static_cast<DWORD>(scan * AHeight);
  h.biClrImportant = 0;
  if (bits <= 8) {
    h.biClrUsed = palette.palNumEntries;
    for (int i = 0; i < palette.palNumEntries; ++i) {
      const PALETTEENTRY& e = palette.palPalEntry[i];
      FBitmapInfo.bmiColors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
  } else {
    h.biClrUsed = 0;
  }
  SetXDotsPerInch(InXDotsPerInch ? InXDotsPerInch : static_cast<Word>(GetDeviceCaps(FDC, LOGPIXELSX)));
  SetYDotsPerInch(InYDotsPerInch ? InYDotsPerInch : static_cast<Word>(GetDeviceCaps(FDC, LOGPIXELSY)));
  void* bits_ptr = nullptr;
  if (given) {
    void* over = given.release();
    FBitmapHandle = CreateDIBSectionOverBits(FDC, &FBitmapInfo, over);
    if (FBitmapHandle) bits_ptr = over;
  } else {
    FBitmapHandle = FNextImageUncleared ? CreateDIBSectionForOverwrite(FDC, &FBitmapInfo, &bits_ptr)
                                        : CreateDIBSection(FDC, &FBitmapInfo, DIB_RGB_COLORS, &bits_ptr, nullptr, 0);
  }
  if (!FBitmapHandle) {
    HDC dc = FDC;
    FDC = nullptr;
    DeleteDC(dc);
    FBitmapInfo = BITMAPINFO{};
    errno = ENOMEM;
    OutOfResources();
  }
  FBits = static_cast<Byte*>(bits_ptr);
  switch (bits) {
    case 1: FGetPixelFunc = get_bw; FSetPixelProc = set_bw; break;
    case 4: FGetPixelFunc = get_nibble; FSetPixelProc = set_nibble; break;
    case 8: FGetPixelFunc = get_byte; FSetPixelProc = set_byte; break;
    default: FGetPixelFunc = get_bgr; FSetPixelProc = set_bgr; break;
  }
  FOldBitmapHandle = SelectObject(FDC, FBitmapHandle);
  FPalette = TMaxLogPalette{};
  if (bits <= 8) {
    std::memcpy(&FPalette, &palette, 4 + 4 * static_cast<std::size_t>(palette.palNumEntries));
    FPalette.palVersion = 0x300;
    FRgbToPaletteConverter = std::make_unique<TRgbToPaletteConverter>(&FPalette);
  }
  FCanvas = std::make_unique<TCanvas>();
  FCanvas->SetHandle(FDC);
}

void TDibGraphic::NewImageForOverwrite(int AWidth, int AHeight, TImageFormat AImageFormat, const TMaxLogPalette* pPalette,
                                       Word InXDotsPerInch, Word InYDotsPerInch) {
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FNextImageUncleared};
  FNextImageUncleared = true;
  NewImage(AWidth, AHeight, AImageFormat, pPalette, InXDotsPerInch, InYDotsPerInch);
}

void TDibGraphic::NewImageOverBits(int AWidth, int AHeight, TImageFormat AImageFormat, const TMaxLogPalette* pPalette,
                                   Word InXDotsPerInch, Word InYDotsPerInch, void* Bits) {
  struct Reset {
    void*& bits;
    ~Reset() {
      // NewImage took them (or freed them); an override that never called it leaves them here.
      if (bits) pixel_memory_free(std::exchange(bits, nullptr));
    }
  } reset{FNextImageBits};
  FNextImageBits = Bits;
  NewImage(AWidth, AHeight, AImageFormat, pPalette, InXDotsPerInch, InYDotsPerInch);
}

void TDibGraphic::Fill(TRgb Color) {
  if (Empty()) return;
  for (int x = 0; x < Width(); ++x) SetPixel(x, 0, Color);
  const Byte* first = GetScanLine(0);
  for (int y = 1; y < Height(); ++y) std::memcpy(GetScanLine(y), first, static_cast<std::size_t>(FScanLineSize));
}

TRgb TDibGraphic::GetPixel(int X, int Y) const {
  std::uint32_t v = FGetPixelFunc(GetScanLine(Y), X);
  if (FImageFormat == ifTrueColor) return TRgb{Byte(v), Byte(v >> 8), Byte(v >> 16), 0};
  const PALETTEENTRY& e = FPalette.palPalEntry[v & 0xFF];
  return Rgb(e.peRed, e.peGreen, e.peBlue);
}

void TDibGraphic::SetPixel(int X, int Y, TRgb Color) {
  if (FImageFormat == ifTrueColor) {
    FSetPixelProc(GetScanLine(Y), X, Color.Value() & 0xFFFFFF);
    return;
  }
  SetPaletteIndex(X, Y, FRgbToPaletteConverter->GetIndex(Color));
}

Byte TDibGraphic::GetPaletteIndex(int X, int Y) const {
  if (FImageFormat == ifTrueColor) throw EZuroroveError("The image does not have a palette");
  return static_cast<Byte>(FGetPixelFunc(GetScanLine(Y), X));
}

void TDibGraphic::SetPaletteIndex(int X, int Y, Byte Index) {
  if (FImageFormat == ifTrueColor) throw EZuroroveError("The image does not have a palette");
  FSetPixelProc(GetScanLine(Y), X, Index);
}

HPALETTE TDibGraphic::PaletteHandle() {
  if (!FPaletteHandle && FImageFormat != ifTrueColor && !Empty()) FPaletteHandle = CreatePalette(&FPalette);
  return FPaletteHandle;
}

void TDibGraphic::SetPaletteHandle(HPALETTE value) {
  if (!FPaletteHandle) return;
  DeleteObject(FPaletteHandle);
  FPaletteHandle = nullptr;
  if (value) {
    TMaxLogPalette copy{};
    copy.palVersion = 0x300;
    copy.palNumEntries = static_cast<WORD>(GetPaletteEntries(value, 0, 256, copy.palPalEntry));
    FPaletteHandle = CreatePalette(&copy);
  }
}

void TDibGraphic::DestroyOptimizedPalette() {
  if (FPaletteHandle) DeleteObject(FPaletteHandle);
  FPaletteHandle = nullptr;
}

Word TDibGraphic::XDotsPerInch() const {
  return static_cast<Word>(PelsPerMeterToDotsPerInch(FBitmapInfo.bmiHeader.biXPelsPerMeter));
}
Word TDibGraphic::YDotsPerInch() const {
  return static_cast<Word>(PelsPerMeterToDotsPerInch(FBitmapInfo.bmiHeader.biYPelsPerMeter));
}
void TDibGraphic::SetXDotsPerInch(Word value) { FBitmapInfo.bmiHeader.biXPelsPerMeter = DotsPerInchToPelsPerMeter(value); }
void TDibGraphic::SetYDotsPerInch(Word value) { FBitmapInfo.bmiHeader.biYPelsPerMeter = DotsPerInchToPelsPerMeter(value); }

// ---- Frames
void TDibGraphic::AddFrame(std::unique_ptr<TDibGraphic> Graphic) {
  if (Graphic) FFrames.push_back(std::move(Graphic));
}

void TDibGraphic::ClearFrames() {
  FFrames.clear();
  // With the frames gone no frame is current, so the next multi-page load shows its first page.
  FCurrentFrame = -1;
}

TDibGraphic* TDibGraphic::GetFrame(int Index) const {
  if (Index < 1 || Index > FrameCount()) throw EZuroroveError("Frame %d does not exist", {Index});
  return FFrames[static_cast<std::size_t>(Index - 1)].get();
}

void TDibGraphic::SetCurrentFrame(int Value) {
  if (Value == FCurrentFrame) return;
  if (Value < 1 || Value > FrameCount()) throw EZuroroveError("Frame %d does not exist", {Value});
  CopyImage(*FFrames[static_cast<std::size_t>(Value - 1)]);
  Changed(this);
  if (Application) Application->ProcessMessages();
  FCurrentFrame = Value;
}

void TDibGraphic::CopyImage(const TDibGraphic& Source) {
  if (&Source == this) return;
  if (Source.Width() > 0 && Source.Height() > 0) {
    NewImage(Source.Width(), Source.Height(), Source.ImageFormat(), Source.PalettePtr(), Source.XDotsPerInch(),
             Source.YDotsPerInch());
    std::memcpy(FBits, Source.FBits, static_cast<std::size_t>(Height()) * static_cast<std::size_t>(FScanLineSize));
  } else {
    // A mend: an empty source leaves an empty copy, not the destination's old picture.
    Clear();
  }
  FBackgroundColor = Source.FBackgroundColor;
  FOverwriteFileBackground = Source.FOverwriteFileBackground;
  FTransparentPixel = Source.FTransparentPixel;
  FTransparentColor = Source.FTransparentColor;
}

// ---- Drawing
void TDibGraphic::Draw(TCanvas& ACanvas, const TRect& Rect) {
  HDC dc = ACanvas.Handle();
  if (!dc || Empty()) return;
  SetStretchBltMode(dc, COLORONCOLOR);
  bool palette_selected = false;
  HPALETTE old_palette = nullptr;
  if (PaletteDevice()) {
    CreateOptimizedPalette();
    HPALETTE p = PaletteHandle();
    old_palette = SelectPalette(dc, p ? p : HalftonePalette(), FALSE_);
    RealizePalette(dc);
    palette_selected = true;
  }
  const int w = Rect.Right - Rect.Left, h = Rect.Bottom - Rect.Top;
  auto restore = [&] {
    if (palette_selected) SelectPalette(dc, old_palette, FALSE_);
  };
  if (Transparent()) {
    TRgb key;
    switch (FTransparentPixel) {
      case tpTopLeft: key = GetPixel(0, 0); break;
      case tpTopRight: key = GetPixel(Width() - 1, 0); break;
      case tpBottomLeft: key = GetPixel(0, Height() - 1); break;
      case tpBottomRight: key = GetPixel(Width() - 1, Height() - 1); break;
      case tpUseTransparentColor: key = FTransparentColor; break;
      default:
        restore();
        throw Exception("Invalid TransparentPixel");
    }
    TransparentBlt(dc, Rect.Left, Rect.Top, w, h, FDC, 0, 0, Width(), Height(), ColorToRef(RgbToColor(key)));
  } else {
    StretchDIBits(dc, Rect.Left, Rect.Top, w, h, 0, 0, Width(), Height(), FBits, &FBitmapInfo, DIB_RGB_COLORS, SRCCOPY);
  }
  restore();
  if (AfterDraw) AfterDraw(this);
}

void TDibGraphic::CreateOptimizedPalette() {
  if (!PaletteDevice() || FPaletteHandle || FImageFormat != ifTrueColor || FQuantizeStarted || Empty()) return;
  FQuantizeStarted = true;
  TQuantizeThread::Start(*this);
}

void TDibGraphic::AfterQuantize(const TMaxLogPalette& palette, std::uint64_t generation) {
  if (*FLifeToken != generation || Empty()) return;
  FPalette = palette;
  if (FPaletteHandle) DeleteObject(FPaletteHandle);
  FPaletteHandle = CreatePalette(&FPalette);
  Changed(this);
}

// ---- Loading and saving
int TDibGraphic::GetImageCount(TStream&) { return 1; }

int TDibGraphic::GetImageCount(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  return GetImageCount(stream);
}

void TDibGraphic::SingleLoadFromStream(TStream&, int) {}

void TDibGraphic::SingleLoadFromFile(const std::string& Filename, int ImageToLoad) {
  TFileStream stream(Filename, fmOpenRead | fmShareDenyWrite);
  SingleLoadFromStream(stream, ImageToLoad);
}

void TDibGraphic::AppendToStream(TStream&) {
  throw EZuroroveError("The %s format does not support multiple images", {ClassName()});
}

void TDibGraphic::AppendToFile(const std::string& FileName) {
  // A mend: the pages are appended to a copy of the file that replaces it only when complete and
  // written, so a full disk or a kill keeps the old file as it was.
  TMemoryStream data;
  {
    TFileStream file(FileName, fmOpenReadWrite | fmShareDenyWrite);
    if (file.Size() > 0) data.CopyFrom(file, 0);
  }
  data.SetPosition(0);
  AppendToStream(data);
  safe_save_file(FileName, std::string_view(reinterpret_cast<const char*>(data.Memory()), static_cast<std::size_t>(data.Size())));
}

void TDibGraphic::MultiSaveToStream(TStream& Stream, int ImageCount, const TGetGraphicMethod& OnGetGraphic) {
  for (int i = 1; i <= ImageCount; ++i) {
    bool free_graphic = false;
    TGraphic* g = OnGetGraphic ? OnGetGraphic(i, free_graphic) : nullptr;
    std::unique_ptr<TGraphic> owned(free_graphic ? g : nullptr);
    Assign(g);
    if (i == 1) SaveToStream(Stream);
    else AppendToStream(Stream);
  }
}

void TDibGraphic::MultiSaveToFile(const std::string& FileName, int ImageCount, const TGetGraphicMethod& OnGetGraphic) {
  TSafeFileStream stream(FileName);
  MultiSaveToStream(stream, ImageCount, OnGetGraphic);
  stream.Commit();
}

bool TDibGraphic::CanRead(TStream&) { return false; }

bool TDibGraphic::CanRead(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  return CanRead(stream);
}

bool TDibGraphic::CanSave() { return true; }
std::string TDibGraphic::PrimaryFileExt() { return ""; }

void TDibGraphic::SaveToStream(TStream&) {
  throw EZuroroveError("Saving to format %s is not supported", {PrimaryFileExt()});
}

void TDibGraphic::LoadFromStream(TStream& Stream) { LoadDispatch(&Stream, nullptr); }
void TDibGraphic::LoadFromFile(const std::string& Filename) { LoadDispatch(nullptr, &Filename); }

void TDibGraphic::LoadDispatch(TStream* Stream, const std::string* FileName) {
  if (Stream ? Stream->Position() >= Stream->Size() : FileSize(*FileName) == 0) {
    Clear();
    return;
  }
  Int64 start = Stream ? Stream->Position() : 0;
  int count = 1;
  if (FMultiLoad) {
    count = Stream ? GetImageCount(*Stream) : GetImageCount(*FileName);
    // Fewer than two pages (a reader may say 0) load as one picture.
    if (count < 2) {
      FMultiLoad = false;
      if (Stream) Stream->SetPosition(start);
    }
  }
  if (!FMultiLoad) {
    if (Stream) SingleLoadFromStream(*Stream, FImageToLoad);
    else SingleLoadFromFile(*FileName, FImageToLoad);
    return;
  }
  for (int i = 1; i <= count; ++i) {
    std::unique_ptr<TDibGraphic> page = NewDibInstance();
    page->SetOverwriteFileBackground(FOverwriteFileBackground);
    page->SetBackgroundColor(FBackgroundColor);
    if (Stream) {
      Stream->SetPosition(start);
      page->SingleLoadFromStream(*Stream, i);
    } else {
      page->SingleLoadFromFile(*FileName, i);
    }
    AddFrame(std::move(page));
  }
  SetCurrentFrame(1);
}
