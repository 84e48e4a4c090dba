#include "annotate/marks.hpp"

#include <algorithm>
#include <cstdint>

#include "platform/classes.hpp"
#include "platform/global_block.hpp"

namespace {

constexpr UINT kMarkTextFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;  // 0x850

int clamp_line_size(int v) { return std::clamp(v, 0, kMaxMarkLineSize); }

void fill(TCanvas& c, TColor color, const TRect& r) {
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(color);
  c.FillRect(r);
}

void use_key(TBitmap& bmp, TColor key) {
  bmp.SetTransparentColor(key);
  bmp.SetTransparent(true);
}

void set_pen(TCanvas& c, TColor color, int width) {
  c.Pen().SetStyle(psSolid);
  c.Pen().SetMode(pmCopy);
  c.Pen().SetColor(color);
  c.Pen().SetWidth(width);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Sticky note
// ---------------------------------------------------------------------------------------------
TStickNoteMark::TStickNoteMark(TComponent* AOwner) : TGenericMark(AOwner) {
  SetColor(clYellow);
  FText = "Stick Note";
  FFont.SetName("Arial");
  FFont.SetSize(12);
  FFont.OnChange = [this](TObject*) { Redraw(); };
}

void TStickNoteMark::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  Redraw();
}

std::unique_ptr<TBitmap> TStickNoteMark::CreateBitmap() {
  auto bmp = NewMarkBitmap();
  const int w = bmp->Width(), h = bmp->Height();
  // The note's own grey would vanish with a grey key, so a grey note is keyed on white.
  const TColor key = Color() == clGray ? clWhite : clGray;
  TCanvas& c = *bmp->Canvas();
  fill(c, key, ZoomFactor() > 100 ? Rect(0, 0, w, h) : Rect(0, 0, w - 1, h - 1));
  const int s = RoundToInteger(static_cast<long double>(w) * 0.025L);
  fill(c, clBlack, Rect(s, s, w, h));  // the shadow
  fill(c, Color(), Rect(0, 0, w - s, h - s));
  c.Font().Assign(FFont);
  c.Font().SetSize(RoundToInteger(static_cast<long double>(FFont.Size()) * DisplayResolution() / 72));
  SetBkMode(c.Handle(), TRANSPARENT);
  TRect r = Rect(0, 0, w - s, h - s);
  c.DrawText(FText, r, kMarkTextFlags);
  use_key(*bmp, key);
  return bmp;
}

// ---------------------------------------------------------------------------------------------
// Rectangle
// ---------------------------------------------------------------------------------------------
TRectangleMark::TRectangleMark(TComponent* AOwner) : TGenericMark(AOwner) { SetColor(clLime); }

void TRectangleMark::SetLineSize(int Value) {
  Value = clamp_line_size(Value);
  if (Value == FLineSize) return;
  FLineSize = Value;
  Redraw();
}

void TRectangleMark::SetHightLight(bool Value) {
  if (Value == FHightLight) return;
  FHightLight = Value;
  Redraw();
}

void TRectangleMark::SetFilled(bool Value) {
  if (Value == FFilled) return;
  FFilled = Value;
  Redraw();
}

std::unique_ptr<TBitmap> TRectangleMark::CreateBitmap() {
  auto bmp = NewMarkBitmap();
  TCanvas& c = *bmp->Canvas();
  const TRect clip = c.ClipRect();
  if (FFilled) {
    fill(c, Color(), clip);
    return bmp;
  }
  fill(c, KeyColor(), clip);
  c.Brush().SetStyle(bsClear);
  set_pen(c, Color(), FLineSize);
  c.Rectangle(clip.Left, clip.Top, clip.Right, clip.Bottom);
  use_key(*bmp, KeyColor());
  return bmp;
}

void TRectangleMark::DrawMark(TCanvas& ACanvas, int X, int Y) {
  if (!HasDrawableSize() || Width() <= 0 || Height() <= 0) return;
  std::unique_ptr<TBitmap> bmp = CreateBitmap();
  // A highlight is ANDed onto what lies under it, so it tints instead of covering.
  ACanvas.SetCopyMode(FHightLight ? SRCAND : SRCCOPY);
  StretchBitmap(ACanvas, X, Y, *bmp);
}

// ---------------------------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------------------------
TTextMark::TTextMark(TComponent* AOwner) : TGenericMark(AOwner) {
  SetColor(clYellow);
  FText = "Text";
  FFont.SetName("Arial");
  FFont.SetSize(12);
  FFont.OnChange = [this](TObject*) { Redraw(); };
}

void TTextMark::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  Redraw();
}

std::unique_ptr<TBitmap> TTextMark::CreateBitmap() {
  auto bmp = NewMarkBitmap();
  TCanvas& c = *bmp->Canvas();
  TRect clip = c.ClipRect();
  fill(c, KeyColor(), clip);
  c.Font().Assign(FFont);
  SetBkMode(c.Handle(), TRANSPARENT);
  c.DrawText(FText, clip, kMarkTextFlags);
  SetBkMode(c.Handle(), OPAQUE);
  use_key(*bmp, KeyColor());
  return bmp;
}

// ---------------------------------------------------------------------------------------------
// Line
// ---------------------------------------------------------------------------------------------
TLineMark::TLineMark(TComponent* AOwner) : TGenericMark(AOwner) { SetColor(clNavy); }

void TLineMark::SetLineSize(int Value) {
  Value = clamp_line_size(Value);
  if (Value == FLineSize) return;
  FLineSize = Value;
  Redraw();
}

void TLineMark::SetOrientation(TLineOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  Redraw();
}

std::unique_ptr<TBitmap> TLineMark::CreateBitmap() {
  auto bmp = NewMarkBitmap();
  TCanvas& c = *bmp->Canvas();
  const TRect clip = c.ClipRect();
  fill(c, KeyColor(), clip);
  set_pen(c, Color(), FLineSize);
  // Lines along an edge keep clear of the sizing frame's handles.
  const int d = ControlResizer() ? ControlResizer()->BoxSize() : 5;
  const int l = clip.Left, t = clip.Top, r = clip.Right, b = clip.Bottom;
  switch (FOrientation) {
    case loTop: c.MoveTo(l, t + d); c.LineTo(r, t + d); break;
    case loRight: c.MoveTo(r - d, t); c.LineTo(r - d, b); break;
    case loTLBR: c.MoveTo(l, t); c.LineTo(r, b); break;
    case loBLTR: c.MoveTo(l, b); c.LineTo(r, t); break;
  }
  use_key(*bmp, KeyColor());
  return bmp;
}

void TLineMark::DrawMark(TCanvas& ACanvas, int X, int Y) {
  if (!HasDrawableSize() || Width() <= 0 || Height() <= 0) return;
  std::unique_ptr<TBitmap> bmp = CreateBitmap();
  StretchBitmap(ACanvas, X, Y, *bmp);  // in whatever copy mode the canvas has
}

// ---------------------------------------------------------------------------------------------
// Polyline
// ---------------------------------------------------------------------------------------------
TMultiLineMark::TMultiLineMark(TComponent* AOwner) : TGenericMark(AOwner) { SetColor(clNavy); }

void TMultiLineMark::SetLineSize(int Value) {
  Value = clamp_line_size(Value);
  if (Value == FLineSize) return;
  FLineSize = Value;
  Redraw();
}

void TMultiLineMark::AddPoint(TPoint Point) { FPoints.push_back(Point); }

void TMultiLineMark::DeletePoint(int Index) {
  if (Index < 0 || Index >= PointsCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  FPoints.erase(FPoints.begin() + Index);
}

void TMultiLineMark::ClearPoints() { FPoints.clear(); }

void TMultiLineMark::SetMarkRect(const TRect& R) {
  const TRect& old = MarkRect();
  const std::int64_t ow = std::int64_t{old.Right} - old.Left, oh = std::int64_t{old.Bottom} - old.Top;
  if (ow >= 1 && oh >= 1) {
    const long double sx = static_cast<long double>(std::int64_t{R.Right} - R.Left) / ow;
    const long double sy = static_cast<long double>(std::int64_t{R.Bottom} - R.Top) / oh;
    for (TPoint& p : FPoints) {
      p.X = RoundToInteger(p.X * sx);
      p.Y = RoundToInteger(p.Y * sy);
    }
  }
  TGenericMark::SetMarkRect(R);
}

std::unique_ptr<TBitmap> TMultiLineMark::CreateBitmap() {
  auto bmp = NewMarkBitmap();
  TCanvas& c = *bmp->Canvas();
  fill(c, KeyColor(), Rect(0, 0, bmp->Width(), bmp->Height()));
  set_pen(c, Color(), FLineSize);
  if (!FPoints.empty()) {
    c.MoveTo(FPoints.front().X, FPoints.front().Y);
    for (size_t i = 1; i < FPoints.size(); ++i) c.LineTo(FPoints[i].X, FPoints[i].Y);
  }
  use_key(*bmp, KeyColor());
  return bmp;
}

// ---------------------------------------------------------------------------------------------
// Picture
// ---------------------------------------------------------------------------------------------
TImageMark::TImageMark(TComponent* AOwner) : TGenericMark(AOwner) { SetColor(clBlack); }

TImageMark::~TImageMark() {
  if (FDIBHandle) GlobalFree(FDIBHandle);
}

void TImageMark::SetDIBHandle(HGLOBAL Value) {
  if (Value == FDIBHandle) return;
  if (FDIBHandle) GlobalFree(FDIBHandle);
  FDIBHandle = Value;
  Redraw();
}

void TImageMark::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Redraw();
}

std::unique_ptr<TBitmap> TImageMark::CreateBitmap() {
  std::unique_ptr<TBitmap> bmp;
  if (FDIBHandle) {
    bmp = DibHandleToBitmap(FDIBHandle);
  } else {
    bmp = NewMarkBitmap();
    fill(*bmp->Canvas(), Color(), Rect(0, 0, bmp->Width() - 1, bmp->Height() - 1));
  }
  // No colour is set: a transparent picture keys on its bottom-left pixel.
  bmp->SetTransparent(FTransparent);
  return bmp;
}

std::unique_ptr<TBitmap> DibHandleToBitmap(HGLOBAL Handle) {
  const std::size_t size = GlobalSize(Handle);
  TMemoryStream stream;
  {
    global_block block(Handle, global_block::lock);
    const void* bits = block.data();
    if (!bits || size == 0) throw EInvalidGraphic("Bitmap image is not valid");
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = static_cast<DWORD>(size + sizeof(header));
    header.bfOffBits = 0;  // the pixels follow the colour table
    stream.WriteBuffer(&header, sizeof(header));
    stream.WriteBuffer(bits, static_cast<Int64>(size));
  }
  stream.SetPosition(0);
  auto bmp = std::make_unique<TBitmap>();
  bmp->LoadFromStream(stream);
  return bmp;
}
