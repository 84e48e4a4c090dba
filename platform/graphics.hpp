// Pens, brushes, fonts, the canvas, and the graphic classes of the class library: the abstract
// TGraphic, TBitmap, TIcon and the picture container TPicture that picks a graphic class by file
// extension.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes.hpp"
#include "platform/font.hpp"
#include "platform/gdi.hpp"
#include "platform/persistent.hpp"
#include "platform/types.hpp"

class TCanvas;
class TGraphic;

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Clipboard format numbers, as on Windows.
constexpr Word CF_TEXT = 1;
constexpr Word CF_BITMAP = 2;
constexpr Word CF_DIB = 8;
constexpr Word CF_PALETTE = 9;
constexpr Word CF_UNICODETEXT = 13;

// ---------------------------------------------------------------------------------------------
// Pen, brush, font
// ---------------------------------------------------------------------------------------------
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
  pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };


class TPen : public TPersistent {
public:
  std::string ClassName() const override { return "TPen"; }
  void Assign(TPersistent* source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v < 0 ? 0 : v; }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v) { style_ = v; }
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode v) { mode_ = v; }

private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

class TBrush : public TPersistent {
public:
  std::string ClassName() const override { return "TBrush"; }
  void Assign(TPersistent* source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor v);  // a solid colour also makes a clear brush solid again
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v) { style_ = v; }

private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// ---------------------------------------------------------------------------------------------
// Canvas: draws on a device context, that of a bitmap or one that stands for a window being
// painted (see canvas_qt.hpp). Without a context every drawing call does nothing.
// ---------------------------------------------------------------------------------------------
// DrawText flags.
constexpr UINT DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_BOTTOM = 0x8,
               DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_TABSTOP = 0x80,
               DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800,
               DT_END_ELLIPSIS = 0x8000;

class TCanvas : public TPersistent {
public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  std::string ClassName() const override { return "TCanvas"; }

  // The context, with the canvas's font and colours selected into it.
  HDC Handle();
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  TFont& Font() { return font_; }
  TPoint PenPos() const { return pen_pos_; }
  void SetPenPos(TPoint p) { pen_pos_ = p; }
  DWORD CopyMode() const { return copy_mode_; }
  void SetCopyMode(DWORD rop) { copy_mode_ = rop; }
  // The drawable area: the bitmap or window size, (0, 0, 0, 0) without a context.
  TRect ClipRect();

  void FillRect(const TRect& rect);
  void FrameRect(const TRect& rect);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void MoveTo(int x, int y) { pen_pos_ = {x, y}; }
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);

  // Texts are UTF-8.
  void TextOut(int x, int y, const std::string& text);
  void TextRect(const TRect& rect, int x, int y, const std::string& text);
  TSize TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  // Windows' DrawText with the DT_ flags; returns the text height. DT_CALCRECT only measures and
  // widens or heightens `rect`.
  int DrawText(const std::string& text, TRect& rect, UINT flags);

  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& src);

  // Pixels outside the target read as -1 and are not written.
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

private:
  GdiFontSpec font_spec() const;

  HDC dc_ = nullptr;
  TColor pushed_brush_color_ = 0x7FFFFFFF;  // none pushed yet
  TBrushStyle pushed_brush_style_ = bsSolid;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  TPoint pen_pos_;
  DWORD copy_mode_ = SRCCOPY;
};

// DrawText on a bare context, with the font and colours selected into it.
int DrawText(HDC dc, const std::string& text, TRect& rect, UINT flags);

// ---------------------------------------------------------------------------------------------
// TGraphic
// ---------------------------------------------------------------------------------------------
class TGraphic : public TPersistent {
public:
  std::string ClassName() const override { return "TGraphic"; }
  // A new empty graphic of this object's class (the class library's virtual constructor).
  virtual std::unique_ptr<TGraphic> NewInstance() const = 0;

  // Draws the graphic stretched into `rect` of the canvas.
  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual void SetSize(int width, int height);
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  virtual HPALETTE GetPalette() { return nullptr; }
  virtual void SetPalette(HPALETTE) {}

  virtual void LoadFromFile(const std::string& name);
  virtual void SaveToFile(const std::string& name);
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) = 0;
  virtual void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) = 0;

  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  TNotifyEvent OnChange;
  // Marks the graphic modified and fires OnChange with the graphic as sender.
  virtual void Changed(TObject* sender);

private:
  bool transparent_ = false;
  bool modified_ = false;
};

// The class of a graphic for the registries: a name and a way to make an empty instance.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// ---------------------------------------------------------------------------------------------
// TBitmap
// ---------------------------------------------------------------------------------------------
enum TBitmapHandleType { bmDIB, bmDDB };
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  std::string ClassName() const override { return "TBitmap"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TBitmap>(); }

  void Assign(TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  bool Empty() const override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int value) override { SetSize(value, height_); }
  void SetHeight(int value) override { SetSize(width_, value); }
  // Keeps the top-left part of the old picture; new areas are white.
  void SetSize(int width, int height) override;

  // The bitmap handle; the bitmap keeps owning it. An empty bitmap has none.
  HBITMAP Handle() const { return handle_; }
  // Takes ownership of `bitmap` (the old handle is deleted).
  void SetHandle(HBITMAP bitmap);
  // Gives up ownership of the handle; the bitmap becomes empty.
  HBITMAP ReleaseHandle();

  TBitmapHandleType HandleType() const;
  void SetHandleType(TBitmapHandleType type);
  TPixelFormat PixelFormat() const;
  // Converts the pixels; palette depths get the standard palettes.
  void SetPixelFormat(TPixelFormat format);
  bool Monochrome() const;
  void SetMonochrome(bool value);
  HPALETTE GetPalette() override { return palette_; }
  void SetPalette(HPALETTE palette) override;  // the bitmap takes ownership

  TCanvas* Canvas();
  // Row `row` (0 at the top) of a device-independent bitmap; raises EInvalidGraphicOperation
  // "Scan line index out of range" outside it.
  void* ScanLine(int row);

  TColor TransparentColor();
  void SetTransparentColor(TColor color);  // also makes the mode tmFixed
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode mode) { transparent_mode_ = mode; }

  // BMP files: every depth of 1 to 32 bits, BI_RGB or BI_BITFIELDS, the 12-byte core header and
  // the 40-, 52-, 56-, 108- and 124-byte info headers, top-down or bottom-up rows. A file header
  // whose pixel offset is 0 means the pixels follow the colour table. A palette picture gets a
  // palette of its colour table's entries (GetPalette).
  void LoadFromStream(TStream& stream) override;
  // Writes the bitmap's own depth (a screen bitmap as 32 bits) with its colour table.
  void SaveToStream(TStream& stream) override;
  void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) override;

private:
  void replace_handle(HBITMAP bitmap);
  void adopt_copy(HBITMAP bitmap);
  void deselect();
  void reselect();

  HBITMAP handle_ = nullptr;
  HPALETTE palette_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixel_format_ = pfDevice;
  std::unique_ptr<TCanvas> canvas_;
  HDC canvas_dc_ = nullptr;
  HGDIOBJ canvas_old_bitmap_ = nullptr;
  TColor transparent_color_ = clDefault;
  TTransparentMode transparent_mode_ = tmAuto;
};

// ---------------------------------------------------------------------------------------------
// TIcon: .ico files (bitmap entries with their masks, and PNG entries). The entry shown is the
// one closest to 32 x 32, deeper entries first among equals.
// ---------------------------------------------------------------------------------------------
class TIcon : public TGraphic {
public:
  TIcon();
  ~TIcon() override;
  std::string ClassName() const override { return "TIcon"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TIcon>(); }

  void Assign(TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  bool Empty() const override { return image_ == nullptr; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Raises EInvalidGraphicOperation "Cannot change the size of an icon".
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  bool Transparent() const override { return true; }

  // Raises EInvalidGraphic "Icon image is not valid" for anything but a readable icon file.
  void LoadFromStream(TStream& stream) override;
  // Writes the icon file as it was loaded.
  void SaveToStream(TStream& stream) override;
  // Icons have no clipboard format: EInvalidGraphic.
  void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) override;

  // The colour of pixel (x, y) of the shown entry as 0xAARRGGBB (not premultiplied).
  std::uint32_t PixelArgb(int x, int y) const;

private:
  void clear();

  std::vector<Byte> file_;  // the icon file
  HBITMAP image_ = nullptr;  // the shown entry, 32 bits with premultiplied alpha, top-down
  int width_ = 0;
  int height_ = 0;
};

// ---------------------------------------------------------------------------------------------
// TPicture: holds one graphic of any class; loads files by extension from the registry of
// graphic classes. ".bmp" (TBitmap), ".ico" (TIcon) and ".gif" (TGIFImage) are known from the
// start; later registrations of an extension win over earlier ones.
// ---------------------------------------------------------------------------------------------
struct TFileFormat {
  std::string extension;  // without the dot, lower case
  std::string description;
  std::string class_name;
  TGraphicFactory factory;
};

class TPicture : public TPersistent {
public:
  TPicture();
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  std::string ClassName() const override { return "TPicture"; }

  TGraphic* Graphic() const { return graphic_.get(); }
  // Holds a copy of `graphic` (a new instance of its class assigned from it); nullptr empties.
  void SetGraphic(TGraphic* graphic);
  // Holds `graphic` itself where SetGraphic would hold a copy of it; nullptr empties.
  void TakeGraphic(std::unique_ptr<TGraphic> graphic);
  // The graphic as a bitmap: a graphic of another class is replaced by an empty TBitmap.
  TBitmap* Bitmap();
  TIcon* Icon();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  void Assign(TPersistent* source) override;
  void AssignTo(TPersistent* dest) override;

  // Raises EInvalidGraphic "Unknown picture file extension (.%s)" for an extension no class is
  // registered for; the graphic's own load errors pass on, leaving the picture as it was.
  void LoadFromFile(const std::string& name);
  void SaveToFile(const std::string& name);
  // Raises EInvalidGraphic "Unsupported clipboard format" when no class takes the format.
  void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette);
  void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette);
  static bool SupportsClipboardFormat(Word format);

  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 const std::string& class_name, TGraphicFactory factory);
  static void RegisterClipboardFormat(Word format, const std::string& class_name, TGraphicFactory factory);
  // Withdraws every file and clipboard registration of the class.
  static void UnregisterGraphicClass(const std::string& class_name);
  // The registered file formats, latest first.
  static std::vector<TFileFormat> FileFormats();
  // The class registered for an extension (with or without the dot), nullptr when none.
  static const TFileFormat* FindFileFormat(const std::string& extension);

  TNotifyEvent OnChange;

private:
  void changed();
  std::unique_ptr<TGraphic> graphic_;
};

// The colour of a TColor resolved through the system colours, as COLORREF.
inline COLORREF ColorToRef(TColor color) { return static_cast<COLORREF>(ColorToRGB(color)) & 0x00FFFFFFu; }
