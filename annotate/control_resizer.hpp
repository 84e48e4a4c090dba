// The sizing frame: a frame over a target control on the same parent. Dragging the frame's body
// moves the target, dragging one of its eight square handles resizes it. While the button is
// held only a dotted outline shows; the target changes once, at release, and the frame reports
// the change through its events.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "platform/controls.hpp"
#include "platform/graphics.hpp"

class TPopupMenu;
class TControlResizer;

using TControlResizerEvent = std::function<void(TObject* Sender, const TRect& OldBounds, const TRect& NewBounds)>;

// The handles, in the frame's field order.
enum TResizerHook { rhNW, rhSW, rhSE, rhNE, rhN, rhW, rhS, rhE };

// One square handle of the frame: filled with the frame's box colour, framed black.
class TResizerHandle : public TControl {
public:
  TResizerHandle(TControlResizer* owner, TResizerHook hook);
  std::string ClassName() const override { return "TResizerHandle"; }

  TResizerHook Hook() const { return hook_; }
  TColor BrushColor() const { return brush_color_; }
  void SetBrushColor(TColor color);

  void Paint(TCanvas& canvas) override;
  bool HasCustomPaint() const override { return true; }

private:
  TResizerHook hook_;
  TColor brush_color_ = clWhite;
};

// The dotted outline of a drag: LineSize nested rectangles along the edges of its bounds. It
// is shown only between a press and the release and is drawn from the frame's state.
class TResizerOutline : public TControl {
public:
  explicit TResizerOutline(TControlResizer* owner);
  std::string ClassName() const override { return "TResizerOutline"; }
  void Paint(TCanvas& canvas) override;
  bool HasCustomPaint() const override { return true; }
  bool IsTransparent() const override { return true; }

private:
  TControlResizer* resizer_;
};

class TControlResizer : public TControl {
public:
  explicit TControlResizer(TComponent* owner);
  ~TControlResizer() override;
  std::string ClassName() const override { return "TControlResizer"; }
  bool IsTransparent() const override { return true; }

  void SetParent(TWinControl* parent) override;
  void SetBounds(int left, int top, int width, int height) override;
  // Shows the handles when the frame becomes visible and hides them otherwise.
  void SetVisible(bool visible) override;

  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int v) { FMinWidth = v; }
  int MinHeight() const { return FMinHeight; }
  void SetMinHeight(int v) { FMinHeight = v; }
  int BoxSize() const { return FBoxSize; }
  void SetBoxSize(int v);
  TColor BoxColor() const { return FBoxColor; }
  void SetBoxColor(TColor v);
  int LineSize() const { return FLineSize; }
  void SetLineSize(int v) { FLineSize = v; }
  bool Resizable() const { return FResizable; }
  void SetResizable(bool v) { FResizable = v; }
  bool Movable() const { return FMovable; }
  void SetMovable(bool v) { FMovable = v; }
  TControl* TargetControl() const { return FTargetControl; }
  void SetTargetControl(TControl* value);
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu) { FPopupMenu = menu; }

  // The frame's bounds before the last completed move or resize.
  const TRect& OldBounds() const { return FOldBounds; }
  bool Moving() const { return FMoving; }
  bool Sizing() const { return FSizing; }
  // The drag outline: whether it shows on the parent now, and its outer rectangle.
  bool OutlineShown() const { return outline_shown_ && FLineSize > 0; }
  TRect OutlineRect() const { return Bounds(FNewLeft, FNewTop, FNewWidth, FNewHeight); }
  // A handle, or nullptr before the handles are first shown.
  TResizerHandle* Handle(TResizerHook hook) const { return hooks_[hook]; }

  void ShowHandles();
  void HideHandles();

  TControlResizerEvent OnResizing;
  TControlResizerEvent OnResized;
  TControlResizerEvent OnMoving;
  TControlResizerEvent OnMoved;

protected:
  virtual void DoResized();
  virtual void DoMoved();

private:
  friend class TResizerOutline;

  void CreateHandles();
  void PlaceHandles();
  void FitToTarget();
  void UpdateTarget();
  // Takes the parent for the outline (the press) and gives it back (the release).
  void BeginOutline();
  void start_outline();
  void EndOutline();
  // Draws the outline at FNew...; drawing it a second time takes it away again.
  void DrawOutline();

  void BodyMouseDown(TMouseButton button, int x, int y);
  void BodyMouseMove(int x, int y);
  void BodyMouseUp(TMouseButton button);
  void HandleMouseDown(TResizerHandle* handle, TMouseButton button, int x, int y);
  void HandleMouseMove(TResizerHandle* handle, int x, int y);
  void HandleMouseUp(TResizerHandle* handle, TMouseButton button, int x, int y);
  // Sets FNew... to the geometry a handle drag to (x, y) in the handle gives.
  void SizeOutline(TResizerHook hook, int x, int y);
  // The target while it lives.
  TControl* target() const;

  bool outline_taken_ = false;  // between press and release, as the line device context
  bool outline_shown_ = false;
  int FNewLeft = 0, FNewTop = 0, FNewWidth = 0, FNewHeight = 0;
  int FMinWidth = 8, FMinHeight = 8;
  bool FMoving = false, FSizing = false;
  TControl* FTargetControl = nullptr;
  std::weak_ptr<int> target_alive_;
  std::array<TResizerHandle*, 8> hooks_{};
  TPoint FMaxPos, FMinPos;
  TPoint FDelta;
  TPoint FClick;
  int FBoxSize = 5;
  int FLineSize = 2;
  bool FMovable = true, FResizable = true;
  bool FControlChanging = false;
  TColor FBoxColor = clBlack;
  bool FHandlesCreated = false;
  TRect FOldBounds;
  TPopupMenu* FPopupMenu = nullptr;
  TResizerOutline* outline_ = nullptr;  // owned as a component
};
