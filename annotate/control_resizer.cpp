#include "annotate/control_resizer.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/forms.hpp"
#include "platform/math.hpp"
#include "platform/mouse_capture.hpp"

namespace {

constexpr int kFar = 2147483647;  // the open end of a handle's mouse range

// How a handle changes the frame: new left = Left + a·dX, top = Top + b·dY,
// width = W + c·dX, height = H + d·dY.
struct HookRule {
  int a, b, c, d;
  TCursor cursor;
};

constexpr std::array<HookRule, 8> kRules = {{
    {1, 1, -1, -1, crSizeNWSE},  // NW
    {1, 0, -1, 1, crSizeNESW},   // SW
    {0, 0, 1, 1, crSizeNWSE},    // SE
    {0, 1, 1, -1, crSizeNESW},   // NE
    {0, 1, 0, -1, crSizeNS},     // N
    {1, 0, -1, 0, crSizeWE},     // W
    {0, 0, 0, 1, crSizeNS},      // S
    {0, 0, 1, 0, crSizeWE},      // E
}};

// The range of the mouse position inside a handle: an edge that moves toward the far side may
// go up to the far edge, the other way without limit; an edge the handle does not move pins the
// position to 0.
void hook_limits(int coefficient, int size, int& lo, int& hi) {
  if (coefficient < 0) {
    lo = -kFar;
    hi = size;
  } else if (coefficient > 0) {
    lo = -size;
    hi = kFar;
  } else {
    lo = hi = 0;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Handles and outline
// ---------------------------------------------------------------------------------------------
TResizerHandle::TResizerHandle(TControlResizer* owner, TResizerHook hook) : TControl(owner), hook_(hook) {
  create_host(false);
  SetVisible(false);
  SetCursor(kRules[hook].cursor);
}

void TResizerHandle::SetBrushColor(TColor color) {
  brush_color_ = color;
  SetColor(color);
}

void TResizerHandle::Paint(TCanvas& canvas) {
  canvas.Brush().SetColor(brush_color_);
  canvas.Pen().SetColor(clBlack);
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetWidth(1);
  canvas.Rectangle(0, 0, Width(), Height());
}

TResizerOutline::TResizerOutline(TControlResizer* owner) : TControl(owner), resizer_(owner) {
  create_host(false);
  SetVisible(false);
}

void TResizerOutline::Paint(TCanvas& canvas) {
  // Focus rectangles: one-pixel dotted lines in black over white, readable on any picture.
  canvas.Brush().SetStyle(bsClear);
  canvas.Pen().SetWidth(1);
  for (int i = 0; i < resizer_->LineSize(); ++i) {
    for (int pass = 0; pass < 2; ++pass) {
      canvas.Pen().SetColor(pass == 0 ? clWhite : clBlack);
      canvas.Pen().SetStyle(pass == 0 ? psSolid : psDot);
      canvas.Rectangle(i, i, Width() - i, Height() - i);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The frame
// ---------------------------------------------------------------------------------------------
TControlResizer::TControlResizer(TComponent* owner) : TControl(owner) {
  create_host(false);
  SetBounds(Left(), Top(), 25, 25);
  SetCursor(crSizeAll);
  OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int y) { BodyMouseDown(button, x, y); };
  OnMouseMove = [this](TObject*, TShiftState, int x, int y) { BodyMouseMove(x, y); };
  OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int, int) { BodyMouseUp(button); };
}

TControlResizer::~TControlResizer() {
  if (TControl* c = GetCaptureControl(); c && (c == this || c->Owner() == this))
    SetCaptureControl(nullptr);
  OnResizing = nullptr;
  OnResized = nullptr;
  OnMoving = nullptr;
  OnMoved = nullptr;
}

void TControlResizer::SetTargetControl(TControl* value) {
  if (value == FTargetControl || FControlChanging) return;
  FControlChanging = true;
  HideHandles();
  if (value) {
    SetParent(value->Parent());
    FTargetControl = value;
    target_alive_ = value->AliveToken();
    Application->ProcessMessages();
    FitToTarget();
    Application->ProcessMessages();
    BringToFront();
    Application->ProcessMessages();
    ShowHandles();
  } else {
    SetParent(nullptr);
    FTargetControl = nullptr;
    target_alive_.reset();
    Application->ProcessMessages();
  }
  FControlChanging = false;
}

TControl* TControlResizer::target() const { return target_alive_.expired() ? nullptr : FTargetControl; }

void TControlResizer::CreateHandles() {
  for (int i = 0; i < 8; ++i) {
    auto* h = new TResizerHandle(this, static_cast<TResizerHook>(i));
    h->SetBrushColor(FBoxColor);
    h->OnMouseDown = [this, h](TObject*, TMouseButton button, TShiftState, int x, int y) {
      HandleMouseDown(h, button, x, y);
    };
    h->OnMouseMove = [this, h](TObject*, TShiftState, int x, int y) { HandleMouseMove(h, x, y); };
    h->OnMouseUp = [this, h](TObject*, TMouseButton button, TShiftState, int x, int y) {
      HandleMouseUp(h, button, x, y);
    };
    hooks_[static_cast<size_t>(i)] = h;
  }
  FHandlesCreated = true;
}

void TControlResizer::ShowHandles() {
  if (!FHandlesCreated) {
    CreateHandles();
    for (TResizerHandle* h : hooks_) h->SetParent(Parent());
    PlaceHandles();
  }
  for (TResizerHandle* h : hooks_) {
    h->SetVisible(true);
    // Above the frame, which may have been brought to the front after them.
    h->BringToFront();
  }
}

void TControlResizer::HideHandles() {
  if (!FHandlesCreated) return;
  for (TResizerHandle* h : hooks_) h->SetVisible(false);
  if (Parent()) Parent()->Update();
}

void TControlResizer::PlaceHandles() {
  if (!FHandlesCreated) return;
  // Every handle is BoxSize square and centred on its corner or edge middle.
  const int b = FBoxSize, h = b / 2;
  const std::int64_t l = Left(), t = Top(), w = Width(), ht = Height();
  const int right = clamp_int(l + w - b + h), bottom = clamp_int(t + ht - b + h);
  const int mid_x = clamp_int(l + (w - b) / 2), mid_y = clamp_int(t + (ht - b) / 2);
  const int left = clamp_int(l - h), top = clamp_int(t - h);
  const std::array<TPoint, 8> at = {{
      {left, top},      // NW
      {left, bottom},   // SW
      {right, bottom},  // SE
      {right, top},     // NE
      {mid_x, top},     // N
      {left, mid_y},    // W
      {mid_x, bottom},  // S
      {right, mid_y},   // E
  }};
  for (size_t i = 0; i < 8; ++i) hooks_[i]->SetBounds(at[i].X, at[i].Y, b, b);
}

void TControlResizer::SetParent(TWinControl* parent) {
  TControl::SetParent(parent);
  if (!FHandlesCreated) return;
  for (TResizerHandle* h : hooks_) h->SetParent(parent);
  PlaceHandles();
}

void TControlResizer::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  PlaceHandles();
}

void TControlResizer::SetVisible(bool visible) {
  if (visible == Visible()) return;
  TControl::SetVisible(visible);
  if (visible) ShowHandles();
  else HideHandles();
}

void TControlResizer::SetBoxSize(int v) {
  FBoxSize = v;
  PlaceHandles();
}

void TControlResizer::SetBoxColor(TColor v) {
  FBoxColor = v;
  if (FHandlesCreated)
    for (TResizerHandle* h : hooks_) h->SetBrushColor(v);
}

void TControlResizer::FitToTarget() {
  TControl* t = target();
  if (!t) return;
  const std::int64_t b = FBoxSize;
  SetBounds(clamp_int(t->Left() - b), clamp_int(t->Top() - b), clamp_int(t->Width() + 2 * b),
            clamp_int(t->Height() + 2 * b));
}

void TControlResizer::UpdateTarget() {
  TControl* t = target();
  if (FControlChanging || !Visible() || !t) return;
  const std::int64_t b = FBoxSize;
  std::int64_t w = Width() - 2 * b, h = Height() - 2 * b;
  if (w <= 0 || h <= 0) return;
  t->SetBounds(clamp_int(Left() + b), clamp_int(Top() + b), clamp_int(w), clamp_int(h));
}

void TControlResizer::DoResized() {
  if (OnResized) OnResized(this, FOldBounds, BoundsRect());
}

void TControlResizer::DoMoved() {
  if (OnMoved) OnMoved(this, FOldBounds, BoundsRect());
}

// ---------------------------------------------------------------------------------------------
// The outline
// ---------------------------------------------------------------------------------------------
// A move or resize starts from the frame's present box, shown as its outline.
void TControlResizer::start_outline() {
  FNewLeft = Left();
  FNewTop = Top();
  FNewWidth = Width();
  FNewHeight = Height();
  BeginOutline();
  DrawOutline();
}

void TControlResizer::BeginOutline() {
  if (!outline_) outline_ = new TResizerOutline(this);
  outline_->SetParent(Parent());
  outline_taken_ = true;
}

void TControlResizer::EndOutline() {
  outline_taken_ = false;
  if (outline_) outline_->SetVisible(false);
}

void TControlResizer::DrawOutline() {
  if (outline_taken_) {
    outline_shown_ = !outline_shown_;
    if (outline_) {
      outline_->SetBounds(FNewLeft, FNewTop, FNewWidth, FNewHeight);
      bool show = outline_shown_ && FLineSize > 0;
      if (show) outline_->BringToFront();
      outline_->SetVisible(show);
      outline_->Invalidate();
    }
  }
  const TRect inner = Rect(FNewLeft + FBoxSize, FNewTop + FBoxSize, FNewLeft + FNewWidth - FBoxSize,
                           FNewTop + FNewHeight - FBoxSize);
  if (FMoving && OnMoving) OnMoving(this, BoundsRect(), inner);
  if (FSizing && OnResizing) OnResizing(this, BoundsRect(), inner);
}

// ---------------------------------------------------------------------------------------------
// Moving: the frame's body
// ---------------------------------------------------------------------------------------------
void TControlResizer::BodyMouseDown(TMouseButton button, int x, int y) {
  if (FControlChanging || button != mbLeft || !FMovable || FMoving || FSizing) return;
  SetCaptureControl(this);
  FClick = Point(-x, -y);
  FMoving = true;
  HideHandles();
  start_outline();
}

void TControlResizer::BodyMouseMove(int x, int y) {
  if (FControlChanging || !FMoving) return;
  DrawOutline();
  FDelta = Point(clamp_int(std::int64_t{x} + FClick.X), clamp_int(std::int64_t{y} + FClick.Y));
  FNewLeft = clamp_int(std::int64_t{Left()} + FDelta.X);
  FNewTop = clamp_int(std::int64_t{Top()} + FDelta.Y);
  FNewWidth = Width();
  FNewHeight = Height();
  DrawOutline();
}

void TControlResizer::BodyMouseUp(TMouseButton button) {
  if (FControlChanging || button != mbLeft || !FMoving) return;
  ReleaseCaptureOf(this);
  DrawOutline();
  EndOutline();
  FMoving = false;
  if (FNewLeft != Left() || FNewTop != Top()) {
    FOldBounds = BoundsRect();
    SetBounds(FNewLeft, FNewTop, FNewWidth, FNewHeight);
    UpdateTarget();
    DoMoved();
  }
  ShowHandles();
}

// ---------------------------------------------------------------------------------------------
// Resizing: the handles
// ---------------------------------------------------------------------------------------------
void TControlResizer::SizeOutline(TResizerHook hook, int x, int y) {
  x = std::max(std::min(x, FMaxPos.X), FMinPos.X);
  y = std::max(std::min(y, FMaxPos.Y), FMinPos.Y);
  FDelta = Point(clamp_int(std::int64_t{x} + FClick.X), clamp_int(std::int64_t{y} + FClick.Y));
  const HookRule& r = kRules[hook];
  const std::int64_t dx = FDelta.X, dy = FDelta.Y;
  FNewLeft = clamp_int(Left() + r.a * dx);
  FNewTop = clamp_int(Top() + r.b * dy);
  // Never smaller than the minimum, at release as in the outline the user was shown.
  FNewWidth = std::max(clamp_int(Width() + r.c * dx), FMinWidth);
  FNewHeight = std::max(clamp_int(Height() + r.d * dy), FMinHeight);
}

void TControlResizer::HandleMouseDown(TResizerHandle* handle, TMouseButton button, int x, int y) {
  if (FControlChanging || button != mbLeft || !FResizable || FMoving || FSizing) return;
  // Captured first: the handle goes on getting the mouse while it is hidden.
  SetCaptureControl(handle);
  HideHandles();
  FClick = Point(-x, -y);
  const HookRule& r = kRules[handle->Hook()];
  hook_limits(r.c, Width(), FMinPos.X, FMaxPos.X);
  hook_limits(r.d, Height(), FMinPos.Y, FMaxPos.Y);
  start_outline();
  FSizing = true;
}

void TControlResizer::HandleMouseMove(TResizerHandle* handle, int x, int y) {
  if (FControlChanging || !FSizing) return;
  DrawOutline();
  SizeOutline(handle->Hook(), x, y);
  DrawOutline();
}

void TControlResizer::HandleMouseUp(TResizerHandle* handle, TMouseButton button, int x, int y) {
  if (FControlChanging || button != mbLeft || !FSizing) return;
  ReleaseCaptureOf(handle);
  DrawOutline();
  EndOutline();
  FSizing = false;
  SizeOutline(handle->Hook(), x, y);
  FOldBounds = BoundsRect();
  SetBounds(FNewLeft, FNewTop, FNewWidth, FNewHeight);
  ShowHandles();
  UpdateTarget();
  DoResized();
}
