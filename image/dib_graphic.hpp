// The picture model: a device-independent bitmap in one of six pixel layouts, with its palette,
// frames, resolution, pixel access and drawing, and its exchange with bitmaps, icons, packed
// device-independent bitmaps, BMP streams and the clipboard.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/zu_misc.hpp"
#include "image/zu_types.hpp"
#include "platform/graphics.hpp"

class TDibGraphic;

// The multi-image save asks for picture ImageNo (1-based); it frees what it gets when
// FreeGraphic is set.
using TGetGraphicMethod = std::function<TGraphic*(int ImageNo, bool& FreeGraphic)>;
// A class of picture: makes an empty instance.
using TDibGraphicClass = std::function<std::unique_ptr<TDibGraphic>()>;

// Nearest palette colour with a direct-mapped cache of 1020 slots keyed by the whole 32-bit
// colour value.
class TRgbToPaletteConverter {
public:
  static constexpr int CacheSize = 1020;
  struct CacheEntry {
    std::uint32_t Key = 0;
    std::int16_t Index = -1;
  };

  explicit TRgbToPaletteConverter(const TMaxLogPalette* palette);
  Byte GetIndex(TRgb color);

  const TMaxLogPalette* pPalette;
  std::array<CacheEntry, CacheSize> Cache;
  int Hits = 0;
  int Misses = 0;
};

class TDibGraphic : public TGraphic {
public:
  using TGetPixelFunc = std::uint32_t (*)(const Byte* scan_line, int x);
  using TSetPixelProc = void (*)(Byte* scan_line, int x, std::uint32_t value);

  TDibGraphic();
  ~TDibGraphic() override;
  TDibGraphic(const TDibGraphic&) = delete;
  TDibGraphic& operator=(const TDibGraphic&) = delete;
  std::string ClassName() const override { return "TDibGraphic"; }
  // Subclasses make an instance of their own class.
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TDibGraphic>(); }
  std::unique_ptr<TDibGraphic> NewDibInstance() const;

  // ---- The graphic's slots.
  void Assign(TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) override;
  void Draw(TCanvas& ACanvas, const TRect& Rect) override;
  bool Empty() const override { return FBitmapHandle == nullptr; }
  int Width() const override { return FBitmapInfo.bmiHeader.biWidth; }
  int Height() const override { return FBitmapInfo.bmiHeader.biHeight; }
  // Both raise EZuroroveError "Dimensions must be change with the NewImage method".
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  void SetSize(int width, int height) override;
  HPALETTE GetPalette() override { return PaletteHandle(); }
  void SetPalette(HPALETTE value) override { SetPaletteHandle(value); }
  void LoadFromFile(const std::string& Filename) override;
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override;
  void LoadFromClipboardFormat(Word AFormat, HANDLE AData, HPALETTE APalette) override;
  void SaveToClipboardFormat(Word& AFormat, HANDLE& AData, HPALETTE& APalette) override;

  // ---- The load/save protocol the format classes fill in.
  virtual int GetImageCount(TStream& Stream);
  virtual int GetImageCount(const std::string& FileName);
  virtual void SingleLoadFromStream(TStream& Stream, int ImageToLoad);
  virtual void SingleLoadFromFile(const std::string& Filename, int ImageToLoad);
  virtual void AppendToStream(TStream& Stream);
  virtual void AppendToFile(const std::string& FileName);
  virtual void MultiSaveToStream(TStream& Stream, int ImageCount, const TGetGraphicMethod& OnGetGraphic);
  virtual void MultiSaveToFile(const std::string& FileName, int ImageCount, const TGetGraphicMethod& OnGetGraphic);
  // The picture's pixels: width × height in the format, with `pPalette` (nullptr: the format's
  // default palette; ignored for true colour) and the resolution (0: the screen's). The pixels
  // are zero. Sides below 1 and pixel buffers over 2^31 - 1 bytes raise EZuroroveError.
  virtual void NewImage(int AWidth, int AHeight, TImageFormat AImageFormat, const TMaxLogPalette* pPalette,
                        Word InXDotsPerInch, Word InYDotsPerInch);
  // NewImage for a caller that writes every byte of every row itself, the padding at the row
  // ends included: the pixels are left uncleared.
  void NewImageForOverwrite(int AWidth, int AHeight, TImageFormat AImageFormat, const TMaxLogPalette* pPalette,
                            Word InXDotsPerInch, Word InYDotsPerInch);
  // NewImage over pixels that are there already: `Bits`, a block of pixel_memory_allocate or
  // pixel_memory_adopt with the picture's layout, which the picture frees (at once when NewImage
  // raises).
  void NewImageOverBits(int AWidth, int AHeight, TImageFormat AImageFormat, const TMaxLogPalette* pPalette,
                        Word InXDotsPerInch, Word InYDotsPerInch, void* Bits);
  virtual bool CanRead(TStream& Stream);
  virtual bool CanRead(const std::string& FileName);
  virtual bool CanSave();
  virtual std::string PrimaryFileExt();
  int GetImageCountFromFile(const std::string& FileName) { return GetImageCount(FileName); }

  void Clear();
  bool IsEmpty() const { return FBitmapHandle == nullptr; }
  void Fill(TRgb Color);

  // ---- Pixels. Row 0 is the top row. Coordinates are not checked.
  Byte* GetScanLine(int Y) const { return FBits + static_cast<std::ptrdiff_t>(Height() - 1 - Y) * FScanLineSize; }
  TRgb GetPixel(int X, int Y) const;
  void SetPixel(int X, int Y, TRgb Color);
  // Raise EZuroroveError "The image does not have a palette" on true colour.
  Byte GetPaletteIndex(int X, int Y) const;
  void SetPaletteIndex(int X, int Y, Byte Index);

  // ---- Properties.
  int ImageToLoad() const { return FImageToLoad; }
  void SetImageToLoad(int v) { FImageToLoad = v; }
  TImageFormat ImageFormat() const { return FImageFormat; }
  Byte* Bits() const { return FBits; }
  int ScanLineSize() const { return FScanLineSize; }
  TRgbToPaletteConverter* RgbToPaletteConverter() const { return FRgbToPaletteConverter.get(); }
  const TMaxLogPalette& Palette() const { return FPalette; }
  TMaxLogPalette* PalettePtr() { return &FPalette; }
  const TMaxLogPalette* PalettePtr() const { return &FPalette; }
  // Made from the palette on first use for palette formats; none for true colour unless the
  // palette worker made one.
  HPALETTE PaletteHandle();
  void SetPaletteHandle(HPALETTE value);
  void DestroyOptimizedPalette();
  HBITMAP BitmapHandle() const { return FBitmapHandle; }
  HDC DC() const { return FDC; }
  Word XDotsPerInch() const;
  Word YDotsPerInch() const;
  void SetXDotsPerInch(Word value);
  void SetYDotsPerInch(Word value);
  TCanvas* Canvas() const { return FCanvas.get(); }
  const BITMAPINFO& BitmapInfo() const { return FBitmapInfo; }
  bool MultiLoad() const { return FMultiLoad; }
  void SetMultiLoad(bool v) { FMultiLoad = v; }
  TTransparentPixel TransparentPixel() const { return FTransparentPixel; }
  void SetTransparentPixel(TTransparentPixel v) { FTransparentPixel = v; }
  TRgb TransparentColor() const { return FTransparentColor; }
  void SetTransparentColor(TRgb v) { FTransparentColor = v; }
  TRgb BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TRgb v) { FBackgroundColor = v; }
  bool OverwriteFileBackground() const { return FOverwriteFileBackground; }
  void SetOverwriteFileBackground(bool v) { FOverwriteFileBackground = v; }
  TNotifyEvent AfterDraw;
  TZuroroveProgressEvent OnReadWriteProgress;

  // ---- Frames (pages of a multi-page file), 1-based.
  void AddFrame(std::unique_ptr<TDibGraphic> Graphic);
  void ClearFrames();
  TDibGraphic* GetFrame(int Index) const;  // "Frame %d does not exist"
  int FrameCount() const { return static_cast<int>(FFrames.size()); }
  int CurrentFrame() const { return FCurrentFrame; }
  void SetCurrentFrame(int Value);

  // On a palette display, starts the background palette computation for a true-colour
  // picture once.
  void CreateOptimizedPalette();
  bool QuantizeStarted() const { return FQuantizeStarted; }

  // ---- Interchange.
  void AssignFromBitmapHandle(HBITMAP InBitmapHandle);
  // Copies a packed DIB; the handle stays the caller's. Raises EZuroroveError for a block that
  // is not a readable DIB.
  void AssignFromDIBHandle(HGLOBAL InDibHandle);
  // The same for a DIB whose header and colour table (`Head`, `HeadSize` bytes) lie apart from
  // its rows (`Rows`, `RowsSize` bytes), such as a codec library's bitmap: the rows are copied
  // once, straight into the picture. False, and the picture unchanged, for a compressed DIB or
  // one of 16 or 32 bits, which only AssignFromDIBHandle takes.
  bool AssignFromDIBParts(const Byte* Head, std::size_t HeadSize, const Byte* Rows, std::size_t RowsSize);
  // The same without a copy: the picture's pixels become `Rows` themselves (bottom-up rows of
  // exactly the picture's layout, `RowsSize` bytes), and `Release(Context)` frees them with the
  // picture, or at once when the picture cannot be made (raising as NewImage does). False, and
  // nothing taken (nor released), for rows of another layout or a DIB AssignFromDIBParts would
  // refuse.
  bool TakeDIBRows(const Byte* Head, std::size_t HeadSize, Byte* Rows, std::size_t RowsSize, void (*Release)(void*),
                   void* Context);
  // The picture as a new packed DIB (GMEM_MOVEABLE | GMEM_SHARE) the caller frees.
  HGLOBAL AsDibHandle() const;
  static void DibToBmpStream(HGLOBAL InDibHandle, TStream& Stream);

protected:
  // Copies the image and the settings of `Source` (no frames).
  void CopyImage(const TDibGraphic& Source);
  // The load dispatch shared by LoadFromStream and LoadFromFile.
  void LoadDispatch(TStream* Stream, const std::string* FileName);

private:
  friend class TQuantizeThread;
  [[noreturn]] static void OutOfResources();
  void AssignFromOtherGraphic(TGraphic& Source);
  void AfterQuantize(const TMaxLogPalette& palette, std::uint64_t generation);

  HBITMAP FBitmapHandle = nullptr;
  HDC FDC = nullptr;
  Byte* FBits = nullptr;
  HPALETTE FPaletteHandle = nullptr;
  TImageFormat FImageFormat = ifTrueColor;
  BITMAPINFO FBitmapInfo{};
  TMaxLogPalette FPalette{};
  int FScanLineSize = 0;
  std::unique_ptr<TCanvas> FCanvas;
  int FImageToLoad = 1;
  bool FMultiLoad = false;
  std::vector<std::unique_ptr<TDibGraphic>> FFrames;
  int FCurrentFrame = -1;
  TGetPixelFunc FGetPixelFunc = nullptr;
  TSetPixelProc FSetPixelProc = nullptr;
  std::unique_ptr<TRgbToPaletteConverter> FRgbToPaletteConverter;
  HGDIOBJ FOldBitmapHandle = nullptr;
  TTransparentPixel FTransparentPixel = tpBottomLeft;
  TRgb FTransparentColor = Rgb(255, 255, 255);
  bool FQuantizeStarted = false;
  bool FOverwriteFileBackground = false;
  bool FNextImageUncleared = false;  // set by NewImageForOverwrite for its NewImage
  void* FNextImageBits = nullptr;    // set by NewImageOverBits for its NewImage
  TRgb FBackgroundColor = Rgb(255, 255, 255);
  // Lets the palette worker find out whether the picture still lives and still holds the
  // image it worked on.
  std::shared_ptr<std::uint64_t> FLifeToken;
};

// A new picture of class `GraphicClass` holding `Graphic` in `ImageFormat` (the caller owns it).
std::unique_ptr<TDibGraphic> ConvertImageFormat(TDibGraphic& Graphic, TImageFormat ImageFormat,
                                                const TDibGraphicClass& GraphicClass);

// Resolution is kept as pixels per metre and shown as dots per inch:
// dots per inch = Round(pixels per metre / 39.37007874015748), and back with the same factor.
std::int64_t PelsPerMeterToDotsPerInch(std::int64_t PelsPerMeter);
LONG DotsPerInchToPelsPerMeter(Word DotsPerInch);

// The screen uses a palette (RC_PALETTE); on this system only when a test forces it.
bool PaletteDevice();
HPALETTE HalftonePalette();
// The default palette of a palette format (2, 16, 256, 16 or 256 entries).
const TMaxLogPalette& DefaultPalette(TImageFormat format);
// The picture model's start-up: TDibGraphic registered with the picture container for
// CF_BITMAP, and the halftone palette made.
void InitDibGraphicUnit();
// Its clean-up: the halftone palette deleted and TDibGraphic withdrawn from the container.
void DoneDibGraphicUnit();
// The icon format class, through which a picture assigned to a TIcon is written as an icon
// file; the format classes register it.
void SetIconGraphicClass(TDibGraphicClass cls);
const TDibGraphicClass& IconGraphicClass();
