#include "platform/shapes.hpp"

TShape::TShape(TComponent* owner) : TControl(owner) {
  create_host(false);
  SetBounds(0, 0, 65, 65);
}

void TShape::SetPenStyle(TPenStyle style) {
  pen_.SetStyle(style);
  Invalidate();
}

void TShape::SetBrushColor(TColor color) {
  brush_.SetColor(color);
  Invalidate();
}

void TShape::Paint(TCanvas& canvas) {
  canvas.Pen().Assign(&pen_);
  canvas.Brush().Assign(&brush_);
  // A pen of width w keeps half of it inside the control, as the class library places it.
  const int inset = pen_.Style() == psClear ? 0 : pen_.Width() / 2;
  canvas.Rectangle(inset, inset, Width() - inset, Height() - inset);
}

TBevel::TBevel(TComponent* owner) : TControl(owner) {
  create_host(false);
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape v) {
  shape_ = v;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
  style_ = v;
  Invalidate();
}

namespace {

void edges(TCanvas& canvas, const TRect& r, TColor top_left, TColor bottom_right) {
  if (r.Right - r.Left < 1 || r.Bottom - r.Top < 1) return;
  canvas.Brush().SetColor(top_left);
  canvas.FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1));
  canvas.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom));
  canvas.Brush().SetColor(bottom_right);
  canvas.FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
  canvas.FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
}

}  // namespace

void TBevel::Paint(TCanvas& canvas) {
  const TColor shadow = clBtnShadow, light = clBtnHighlight;
  const bool lowered = style_ == TBevelStyle::bsLowered;
  const TRect all = Rect(0, 0, Width(), Height());
  if (shape_ == TBevelShape::bsBox) {
    edges(canvas, all, lowered ? shadow : light, lowered ? light : shadow);
    return;
  }
  // Etched: the outer box in one pair of colours, the inner one pixel in in the other.
  edges(canvas, Rect(0, 0, Width() - 1, Height() - 1), lowered ? shadow : light, lowered ? shadow : light);
  edges(canvas, Rect(1, 1, Width(), Height()), lowered ? light : shadow, lowered ? light : shadow);
}
