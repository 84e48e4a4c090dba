#include "annotate/generic_mark.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "annotate/annotations_editor.hpp"
#include "platform/math.hpp"
#include "platform/scroll_box.hpp"

namespace {

// Control coordinates stay within 2^24 pixels of the origin (far beyond any picture at any
// zoom), so that no sum of a position and a size can overflow.
constexpr std::int64_t kMaxPlace = std::int64_t{1} << 24;

struct Place {
  int left, top, width, height;
};

// The control's bounds for a rectangle moved back by (dx, dy).
Place control_bounds(const TRect& r, std::int64_t dx, std::int64_t dy) {
  const std::int64_t l = std::clamp<std::int64_t>(r.Left - dx, -kMaxPlace, kMaxPlace);
  const std::int64_t t = std::clamp<std::int64_t>(r.Top - dy, -kMaxPlace, kMaxPlace);
  const std::int64_t w = std::clamp<std::int64_t>(std::int64_t{r.Right} - r.Left, 0, kMaxPlace);
  const std::int64_t h = std::clamp<std::int64_t>(std::int64_t{r.Bottom} - r.Top, 0, kMaxPlace);
  return Place{static_cast<int>(l), static_cast<int>(t), static_cast<int>(w), static_cast<int>(h)};
}

TComponent* checked_owner(TComponent* owner) {
  if (!dynamic_cast<TAnnotationsEditor*>(owner)) throw Exception("Invalid Parent for Mark");
  return owner;
}

}  // namespace

int RoundToInteger(long double Value) {
  if (std::isnan(Value)) return 0;
  if (Value >= static_cast<long double>(INT_MAX)) return INT_MAX;
  if (Value <= static_cast<long double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(std::nearbyintl(Value));
}

TRect ScaleRect(const TRect& R, double Zoom) {
  auto scale = [Zoom](int v) { return RoundToInteger(static_cast<long double>(v) * Zoom / 100); };
  return TRect{scale(R.Left), scale(R.Top), scale(R.Right), scale(R.Bottom)};
}

bool IsRectEmpty(const TRect& R) { return R.Right <= R.Left || R.Bottom <= R.Top; }

// ---------------------------------------------------------------------------------------------
TGenericMark::TGenericMark(TComponent* AOwner)
    : TControl(checked_owner(AOwner)), FEditor(static_cast<TAnnotationsEditor*>(AOwner)) {
  create_host(false);
  OnClick = [this](TObject* Sender) { FEditor->AnnotationClick(Sender); };
  OnDblClick = [this](TObject* Sender) { FEditor->AnnotationDblClick(Sender); };
  OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    FEditor->AnnotationMouseDown(Sender, Button, Shift, X, Y);
  };
  OnMouseMove = [this](TObject* Sender, TShiftState Shift, int X, int Y) {
    FEditor->AnnotationMouseMove(Sender, Shift, X, Y);
  };
  OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    FEditor->AnnotationMouseUp(Sender, Button, Shift, X, Y);
  };
  TControl::SetPopupMenu(FEditor->PopupMenu());
  FDisplayRect = FEditor->DisplayRect();
  FDisplayResolution = FEditor->DisplayResolution();
}

TGenericMark::~TGenericMark() {
  if (FControlResizer) {
    FControlResizer->OnResized = nullptr;
    FControlResizer->OnMoved = nullptr;
  }
}

int TGenericMark::scroll_left() const {
  return FEditor->DisplayHorzScrollBar() ? FEditor->DisplayHorzScrollBar()->Position() : 0;
}

int TGenericMark::scroll_top() const {
  return FEditor->DisplayVertScrollBar() ? FEditor->DisplayVertScrollBar()->Position() : 0;
}

void TGenericMark::SetMarkRect(const TRect& R) {
  FMarkRect = R;
  if (!IsRectEmpty(FDisplayRect)) {
    FMarkRect.Left = std::max(FMarkRect.Left, FDisplayRect.Left);
    FMarkRect.Top = std::max(FMarkRect.Top, FDisplayRect.Top);
    FMarkRect.Right = std::min(FMarkRect.Right, FDisplayRect.Right);
    FMarkRect.Bottom = std::min(FMarkRect.Bottom, FDisplayRect.Bottom);
  }
  const Place b = control_bounds(ScaleRect(FMarkRect, FZoomFactor), scroll_left(), scroll_top());
  SetBounds(b.left, b.top, b.width, b.height);
  if (FEditMode && FControlResizer) {
    FControlResizer->SetBounds(Left(), Top(), Width(), Height());
  }
}

void TGenericMark::SetZoomFactor(double Value) {
  FZoomFactor = Value;
  const Place b = control_bounds(ScaleRect(FMarkRect, FZoomFactor), 0, 0);
  SetBounds(b.left, b.top, b.width, b.height);
  if (FEditMode && FControlResizer) FControlResizer->SetBounds(Left(), Top(), Width(), Height());
}

void TGenericMark::SetEditMode(bool Value) {
  if (Value == FEditMode) return;
  FEditMode = Value;
  if (Value && !FControlResizer) {
    FControlResizer = new TControlResizer(this);
    FControlResizer->SetTargetControl(this);
    auto changed = [this](TObject* Sender, const TRect& OldBounds, const TRect& NewBounds) {
      ResizerChanged(Sender, OldBounds, NewBounds);
    };
    FControlResizer->OnResized = changed;
    FControlResizer->OnMoved = changed;
    FControlResizer->SetMovable(true);
    FControlResizer->SetResizable(true);
    FControlResizer->SetBounds(Left(), Top(), Width(), Height());
    FControlResizer->SetBoxColor(clBlue);
    FControlResizer->SetPopupMenu(PopupMenu());
  }
  if (Value) FControlResizer->SetBounds(Left(), Top(), Width(), Height());
  if (FControlResizer) FControlResizer->SetVisible(Value);
}

void TGenericMark::ResizerChanged(TObject*, const TRect&, const TRect& NewBounds) {
  FModified = true;
  const long double h = scroll_left(), v = scroll_top();
  auto unscale = [this](long double c) { return RoundToInteger(c / FZoomFactor * 100); };
  SetMarkRect(TRect{unscale(NewBounds.Left + h), unscale(NewBounds.Top + v), unscale(NewBounds.Right + h),
                    unscale(NewBounds.Bottom + v)});
}

void TGenericMark::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Redraw();
}

void TGenericMark::SetDisplayResolution(int Value) {
  if (Value == FDisplayResolution) return;
  FDisplayResolution = Value;
  Redraw();
}

void TGenericMark::SetPopupMenu(TPopupMenu* Value) {
  TControl::SetPopupMenu(Value);
  if (FControlResizer) FControlResizer->SetPopupMenu(Value);
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------
TColor TGenericMark::KeyColor() const { return FColor == clWhite ? clBlack : clWhite; }

int TGenericMark::BitmapWidth() const { return clamp_int(std::int64_t{FMarkRect.Right} - FMarkRect.Left + 1); }
int TGenericMark::BitmapHeight() const { return clamp_int(std::int64_t{FMarkRect.Bottom} - FMarkRect.Top + 1); }

bool TGenericMark::HasDrawableSize() const {
  const int w = BitmapWidth(), h = BitmapHeight();
  return w > 0 && h > 0 && w <= kMaxMarkBitmapSide && h <= kMaxMarkBitmapSide &&
         static_cast<long long>(w) * h <= kMaxMarkBitmapPixels;
}

std::unique_ptr<TBitmap> TGenericMark::NewMarkBitmap() const {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetMonochrome(false);
  bmp->SetSize(BitmapWidth(), BitmapHeight());
  return bmp;
}

std::unique_ptr<TBitmap> TGenericMark::CreateBitmap() { return NewMarkBitmap(); }

void TGenericMark::StretchBitmap(TCanvas& ACanvas, int X, int Y, TBitmap& bitmap) {
  ACanvas.StretchDraw(Bounds(X, Y, Width(), Height()), &bitmap);
}

void TGenericMark::DrawMark(TCanvas& ACanvas, int X, int Y) {
  // A mark without area, or one too large to have a bitmap, draws nothing.
  if (!HasDrawableSize() || Width() <= 0 || Height() <= 0) return;
  std::unique_ptr<TBitmap> bmp = CreateBitmap();
  ACanvas.SetCopyMode(SRCCOPY);
  StretchBitmap(ACanvas, X, Y, *bmp);
}

void TGenericMark::Paint(TCanvas& canvas) {
  TControl::Paint(canvas);
  try {
    DrawMark(canvas, 0, 0);
  } catch (...) {
    // A mark that cannot draw itself stays unpainted.
  }
}
