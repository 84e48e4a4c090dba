// The picture view's pluggable mouse mode. The view calls its handler before its own picture
// mouse events and brackets every change of zoom, rendering or picture place with BeforeResize
// and AfterResize.
#pragma once

#include <string>

#include "platform/classes.hpp"
#include "platform/types.hpp"

class TCanvas;
class TImageScrollBox;

class TMouseHandler : public TObject {
public:
  explicit TMouseHandler(TImageScrollBox* InImageScrollBox) : FImageScrollBox(InImageScrollBox) {}
  ~TMouseHandler() override = default;
  TMouseHandler(const TMouseHandler&) = delete;
  TMouseHandler& operator=(const TMouseHandler&) = delete;
  std::string ClassName() const override { return "TMouseHandler"; }

  TImageScrollBox* ImageScrollBox() const { return FImageScrollBox; }
  bool MouseIsDown() const { return FMouseIsDown; }

  virtual void BeforeResize() {}
  virtual void AfterResize() {}
  virtual void MouseDown(TMouseButton, TShiftState, int, int) { FMouseIsDown = true; }
  virtual void MouseUp(TMouseButton, TShiftState, int, int) { FMouseIsDown = false; }
  virtual void MouseMove(TShiftState, int, int) {}
  virtual void DblClick() {}
  virtual void Click() {}

  // Draws what the mode shows over the picture (bands, outlines, grips) from its state, in the
  // view's client coordinates. The view's overlay calls it on every repaint of the overlay;
  // handlers call TImageScrollBox::InvalidateOverlay when that state changes.
  virtual void PaintOverlay(TCanvas&) {}

protected:
  TImageScrollBox* FImageScrollBox;
  bool FMouseIsDown = false;
};
