#include "image/view_mouse_handlers.hpp"

#include <algorithm>
#include <memory>

#include "image/crop_transform.hpp"
#include "image/dib_graphic.hpp"
#include "image/hand_cursors.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/forms.hpp"
#include "platform/graphics.hpp"

// ---------------------------------------------------------------------------------------------
// Dragging
// ---------------------------------------------------------------------------------------------
TDragMouseHandler::TDragMouseHandler(TImageScrollBox* InImageScrollBox) : TMouseHandler(InImageScrollBox) {
  FImageScrollBox->Image()->SetCursor(crHandOpened);
}

void TDragMouseHandler::MouseDown(TMouseButton Button, TShiftState, int X, int Y) {
  TImageScrollBox& view = *FImageScrollBox;
  if (!view.HorzScrollBar().Visible() && !view.VertScrollBar().Visible()) return;
  if (Button == mbRight || FMouseIsDown) return;
  FMouseIsDown = true;
  FDragButton = Button;
  FStartMousePos = Point(X, Y);
  FScreenCursor = Screen->Cursor();
  Screen->SetCursor(crHandClosed);
}

void TDragMouseHandler::MouseMove(TShiftState, int X, int Y) {
  if (!FMouseIsDown) return;
  TImageScrollBox& view = *FImageScrollBox;
  view.HorzScrollBar().SetPosition(view.HorzScrollBar().Position() + FStartMousePos.X - X);
  view.VertScrollBar().SetPosition(view.VertScrollBar().Position() + FStartMousePos.Y - Y);
  view.UpdateWindow();
}

void TDragMouseHandler::MouseUp(TMouseButton Button, TShiftState, int, int) {
  if (!FMouseIsDown || Button != FDragButton) return;
  if (Screen->Cursor() == crHandClosed) Screen->SetCursor(FScreenCursor);
  FMouseIsDown = false;
}

// ---------------------------------------------------------------------------------------------
// Quick select
// ---------------------------------------------------------------------------------------------
TQuickSelectMouseHandler::TQuickSelectMouseHandler(TImageScrollBox* InImageScrollBox) : TMouseHandler(InImageScrollBox) {
  FImageScrollBox->Image()->SetCursor(crDefault);
}

TQuickSelectMouseHandler::~TQuickSelectMouseHandler() {
  if (FMouseIsDown) FImageScrollBox->InvalidateOverlay();
}

TPoint TQuickSelectMouseHandler::ClampToImage(TPoint P) const {
  const TDibView& image = *FImageScrollBox->Image();
  const TDibGraphic& g = *FImageScrollBox->DisplayedGraphic();
  P.X = std::max(P.X, image.Left());
  P.X = std::min(P.X, image.Left() + g.Width() - 1);
  P.Y = std::max(P.Y, image.Top());
  P.Y = std::min(P.Y, image.Top() + g.Height() - 1);
  return P;
}

void TQuickSelectMouseHandler::MouseDown(TMouseButton, TShiftState, int X, int Y) {
  TImageScrollBox& view = *FImageScrollBox;
  if (view.Centered() || view.DisplayedGraphic()->Empty()) return;
  FMouseIsDown = true;
  // The fixed corner lies in the picture, so the band never spans an empty part.
  TPoint p = ClampToImage(Point(view.Image()->Left() + X, view.Image()->Top() + Y));
  FX1 = FX2 = p.X;
  FY1 = FY2 = p.Y;
  view.InvalidateOverlay();
}

void TQuickSelectMouseHandler::MouseMove(TShiftState Shift, int X, int Y) {
  if (!FMouseIsDown || !(Shift & ssLeft)) return;
  TImageScrollBox& view = *FImageScrollBox;
  TPoint p = ClampToImage(Point(X + view.Image()->Left(), Y + view.Image()->Top()));
  FX2 = p.X;
  FY2 = p.Y;
  view.InvalidateOverlay();
}

void TQuickSelectMouseHandler::MouseUp(TMouseButton, TShiftState, int X, int Y) {
  if (!FMouseIsDown) return;
  TImageScrollBox& view = *FImageScrollBox;
  FMouseIsDown = false;
  view.InvalidateOverlay();  // the band goes
  TDibGraphic& g = *view.DisplayedGraphic();
  TPoint a = Point(FX1 - view.Image()->Left(), FY1 - view.Image()->Top());
  TPoint b = Point(std::clamp(X, 0, g.Width()), std::clamp(Y, 0, g.Height()));
  TRect r = Rect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
  if (r.Right - r.Left >= 1 && r.Bottom - r.Top >= 1) {
    TCropTransform crop;
    crop.SetCropMode(cmRemoveBorders);
    crop.SetTop(r.Top);
    crop.SetLeft(r.Left);
    crop.SetBottom(g.Height() - r.Bottom);
    crop.SetRight(g.Width() - r.Right);
    auto part = std::make_unique<TDibGraphic>();
    crop.ApplyOnDest(g, *part);
    if (view.OnQuickSelect) view.OnQuickSelect(&view, part.get(), r);
  }
}

void TQuickSelectMouseHandler::DrawQuickBand(TCanvas& Canvas) const {
  Canvas.MoveTo(FX1, FY1);
  Canvas.LineTo(FX2, FY1);
  Canvas.LineTo(FX2, FY2);
  Canvas.LineTo(FX1, FY2);
  Canvas.LineTo(FX1, FY1);
}

void TQuickSelectMouseHandler::PaintOverlay(TCanvas& Canvas) {
  if (!FMouseIsDown) return;
  // A black dotted XOR pen over the white background colour: on screen its dots leave the
  // picture as it is and its gaps invert it. Drawn here as exactly that, every other pixel of
  // the outline inverted, with the gaps left alone.
  Canvas.Brush().SetStyle(bsClear);
  Canvas.Pen().SetColor(clWhite);
  Canvas.Pen().SetMode(pmXor);
  Canvas.Pen().SetStyle(psDot);
  Canvas.Pen().SetWidth(1);
  DrawQuickBand(Canvas);
}
