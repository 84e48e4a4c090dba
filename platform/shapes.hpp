// Graphic controls that draw a figure: a shape filled with its brush and outlined with its pen,
// and a bevel, the sunken or raised frame that groups the controls of a dialog.
#pragma once

#include <string>

#include "platform/controls.hpp"
#include "platform/graphics.hpp"

class TShape : public TControl {
public:
  explicit TShape(TComponent* owner);
  std::string ClassName() const override { return "TShape"; }

  // Change the pen or brush through these, or call Invalidate after changing them directly.
  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  void SetPenStyle(TPenStyle style);
  void SetBrushColor(TColor color);

  bool IsTransparent() const override { return true; }
  bool HasCustomPaint() const override { return true; }
  // A rectangle over the whole control: the brush inside, the pen (unless clear) along the edge.
  void Paint(TCanvas& canvas) override;

private:
  TPen pen_;
  TBrush brush_;
};

enum class TBevelShape { bsBox, bsFrame };
enum class TBevelStyle { bsLowered, bsRaised };

class TBevel : public TControl {
public:
  explicit TBevel(TComponent* owner);
  std::string ClassName() const override { return "TBevel"; }

  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape v);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle v);

  bool IsTransparent() const override { return true; }
  bool HasCustomPaint() const override { return true; }
  // A box is one-pixel edges in shadow and highlight colours; a frame is two nested boxes that
  // look etched.
  void Paint(TCanvas& canvas) override;

private:
  TBevelShape shape_ = TBevelShape::bsBox;
  TBevelStyle style_ = TBevelStyle::bsLowered;
};
