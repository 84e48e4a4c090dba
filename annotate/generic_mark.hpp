// The common part of every annotation mark: a control over the display surface that keeps its
// rectangle in picture pixels at 100 % zoom, draws itself into a bitmap of that size and
// stretches the bitmap over its zoomed bounds. In edit mode a sizing frame lets the user move
// and resize it.
#pragma once

#include <memory>

#include "annotate/control_resizer.hpp"
#include "platform/controls.hpp"
#include "platform/graphics.hpp"

class TAnnotationsEditor;
class TPopupMenu;

// Each coordinate v becomes Round(v × Zoom / 100), halves to even (saturated to the Integer
// range).
TRect ScaleRect(const TRect& Rect, double Zoom);
// Round(Value), halves to even, saturated to the Integer range; not-a-number gives 0.
int RoundToInteger(long double Value);
// True when the rectangle has no area (Right <= Left or Bottom <= Top).
bool IsRectEmpty(const TRect& Rect);

// The largest bitmap a mark draws through, in pixels per side and in all; a mark whose
// rectangle asks for more draws nothing.
constexpr int kMaxMarkBitmapSide = 32767;
constexpr long long kMaxMarkBitmapPixels = 1LL << 26;
// The bounds of a mark's pen width.
constexpr int kMaxMarkLineSize = 1000;

class TGenericMark : public TControl {
public:
  // Raises Exception "Invalid Parent for Mark" unless AOwner is an annotations editor.
  explicit TGenericMark(TComponent* AOwner);
  ~TGenericMark() override;
  std::string ClassName() const override { return "TGenericMark"; }

  const TRect& MarkRect() const { return FMarkRect; }
  // Stores the rectangle (clamped into a non-empty DisplayRect) and places the control.
  virtual void SetMarkRect(const TRect& Rect);
  double ZoomFactor() const { return FZoomFactor; }
  void SetZoomFactor(double Value);
  bool EditMode() const { return FEditMode; }
  void SetEditMode(bool Value);
  bool Modified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }
  // The mark's own colour (not the control's background).
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  const TRect& DisplayRect() const { return FDisplayRect; }
  void SetDisplayRect(const TRect& Value) { FDisplayRect = Value; }
  int DisplayResolution() const { return FDisplayResolution; }
  void SetDisplayResolution(int Value);
  void SetAllowEdit(bool Value) { SetEnabled(Value); }
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  // The sizing frame, made on the first switch into edit mode.
  TControlResizer* ControlResizer() const { return FControlResizer; }
  TAnnotationsEditor* Editor() const { return FEditor; }

  // A new bitmap of the mark's picture at 100 % (the caller owns it): generic marks give a
  // blank bitmap of the mark rectangle's inclusive size.
  virtual std::unique_ptr<TBitmap> CreateBitmap();
  // Stretches the mark's picture over its bounds moved to (X, Y) of the canvas.
  virtual void DrawMark(TCanvas& ACanvas, int X, int Y);

  void Paint(TCanvas& canvas) override;
  bool HasCustomPaint() const override { return true; }
  bool IsTransparent() const override { return true; }

protected:
  // The colour the mark's bitmap makes transparent: white, or black for a white mark.
  TColor KeyColor() const;
  // Width and height of the mark's bitmap, and whether a bitmap of that size is drawn at all.
  int BitmapWidth() const;
  int BitmapHeight() const;
  bool HasDrawableSize() const;
  // A blank bitmap of the mark's size (CreateBitmap of the generic mark).
  std::unique_ptr<TBitmap> NewMarkBitmap() const;
  // Stretches `bitmap` over the mark's bounds moved to (X, Y).
  void StretchBitmap(TCanvas& ACanvas, int X, int Y, TBitmap& bitmap);
  void Redraw() { Invalidate(); }

private:
  void ResizerChanged(TObject* Sender, const TRect& OldBounds, const TRect& NewBounds);
  int scroll_left() const;
  int scroll_top() const;

  TAnnotationsEditor* FEditor;
  TRect FDisplayRect;
  int FDisplayResolution = 0;
  TRect FMarkRect;
  double FZoomFactor = 0;
  TControlResizer* FControlResizer = nullptr;  // owned as a component
  bool FEditMode = false;
  bool FModified = false;
  TColor FColor = clBlack;
  TPopupMenu* FPopupMenu = nullptr;
};
