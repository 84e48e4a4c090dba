// The picture view's own mouse modes: dragging the picture to scroll with the hand cursors (the
// default mode), and pulling a dotted band over the picture to hand the enclosed part of the
// displayed picture to the view's OnQuickSelect.
#pragma once

#include "image/mouse_handler.hpp"
#include "platform/types.hpp"

class TDragMouseHandler : public TMouseHandler {
public:
  // The view's picture control gets the open hand.
  explicit TDragMouseHandler(TImageScrollBox* InImageScrollBox);
  std::string ClassName() const override { return "TDragMouseHandler"; }

  // A press with a scroll bar shown starts a drag (any button but the right one); a second
  // button pressed during a drag is ignored, and only the release of the dragging button
  // ends it.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;

private:
  TCursor FScreenCursor = crDefault;
  TPoint FStartMousePos;
  TMouseButton FDragButton = mbLeft;
};

class TQuickSelectMouseHandler : public TMouseHandler {
public:
  // The view's picture control gets the default cursor.
  explicit TQuickSelectMouseHandler(TImageScrollBox* InImageScrollBox);
  ~TQuickSelectMouseHandler() override;
  std::string ClassName() const override { return "TQuickSelectMouseHandler"; }

  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  // The band while it is pulled: a dotted outline that inverts every other pixel.
  void PaintOverlay(TCanvas& Canvas) override;

  // The band's fixed and moving corners in the view's client coordinates.
  TRect Band() const { return Rect(FX1, FY1, FX2, FY2); }

private:
  TPoint ClampToImage(TPoint P) const;
  void DrawQuickBand(TCanvas& Canvas) const;

  int FX1 = 0, FY1 = 0, FX2 = 0, FY2 = 0;
};
