#include "annotate/rubberband_mouse_handler.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "image/crop_transform.hpp"
#include "image/dib_graphic.hpp"
#include "image/hand_cursors.hpp"
#include "platform/clipbrd.hpp"
#include "platform/forms.hpp"

namespace {

// "Near" a band line or corner: closer than 4 pixels.
constexpr int kNear = 4;

bool near(int a, int b) { return std::abs(a - b) < kNear; }

bool pt_in_rect(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

TRect normalised(int x1, int y1, int x2, int y2) {
  return Rect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

// The on and off lengths of a pen style along a line, as the canvas draws its styled pens.
std::vector<int> dash_pattern(TPenStyle style) {
  switch (style) {
    case psDash: return {6, 2};
    case psDot: return {1, 1};
    case psDashDot: return {6, 2, 1, 2};
    case psDashDotDot: return {6, 2, 1, 2, 1, 2};
    default: return {};
  }
}

// Walks a styled line pixel by pixel, the pattern running on from segment to segment as it
// does along one pen's lines.
class StyledPath {
public:
  explicit StyledPath(TPenStyle style) : pattern_(dash_pattern(style)) {}

  // The pixels from (x0, y0) up to, not including, (x1, y1) (a horizontal or vertical
  // segment), as runs of equal state: draw(left, top, right, bottom, on).
  template <class Draw>
  void segment(int x0, int y0, int x1, int y1, Draw&& draw) {
    const int dx = (x1 > x0) - (x1 < x0), dy = (y1 > y0) - (y1 < y0);
    int x = x0, y = y0;
    int run_x = x, run_y = y;
    bool run_on = false;
    bool in_run = false;
    while (x != x1 || y != y1) {
      const bool on = step();
      if (in_run && on != run_on) {
        flush(run_x, run_y, x - dx, y - dy, run_on, draw);
        in_run = false;
      }
      if (!in_run) {
        run_x = x;
        run_y = y;
        run_on = on;
        in_run = true;
      }
      x += dx;
      y += dy;
    }
    if (in_run) flush(run_x, run_y, x - dx, y - dy, run_on, draw);
  }

private:
  // The state of the next pixel.
  bool step() {
    if (pattern_.empty()) return true;
    const bool on = index_ % 2 == 0;
    if (++count_ >= pattern_[index_]) {
      count_ = 0;
      index_ = (index_ + 1) % pattern_.size();
    }
    return on;
  }
  template <class Draw>
  static void flush(int ax, int ay, int bx, int by, bool on, Draw& draw) {
    draw(std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + 1, std::max(ay, by) + 1, on);
  }

  std::vector<int> pattern_;
  size_t index_ = 0;
  int count_ = 0;
};

}  // namespace

TBandMovement GrabHandleToBandMovement(TGrabHandle Handle) {
  switch (Handle) {
    case ghTopLeft:
    case ghTopRight:
    case ghBottomRight:
    case ghBottomLeft: return bmAllDirections;
    case ghTop:
    case ghBottom: return bmTopBottom;
    case ghRight:
    case ghLeft: return bmLeftRight;
    case ghInside: return bmInside;
  }
  throw Exception("Invalid GrabHandle, GrabHandleToBandMovement");
}

TCursor GrabHandleToCursor(TGrabHandle Handle) {
  switch (Handle) {
    case ghTopLeft:
    case ghBottomRight: return crSizeNWSE;
    case ghTopRight:
    case ghBottomLeft: return crSizeNESW;
    case ghTop:
    case ghBottom: return crSizeNS;
    case ghRight:
    case ghLeft: return crSizeWE;
    case ghInside: return crHandOpened;
  }
  throw Exception("Invalid GrabHandle, GrabHandleToCursor");
}

// ---------------------------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------------------------
TRubberbandMouseHandler::TRubberbandMouseHandler(TImageScrollBox* InImageScrollBox)
    : TRubberbandHandlerBase(InImageScrollBox) {
  FImageScrollBox->Image()->SetCursor(crDefault);
  FPen.SetMode(pmCopy);
  FPen.SetStyle(psDot);
  SetForegroundColor(clWhite);
  SetBackgroundColor(clNavy);
  FBandVisible = false;
  FAnimationTimer = new TTimer(FImageScrollBox);
  FAnimationTimer->SetEnabled(false);
  FAnimationTimer->SetInterval(FAnimationInterval);
  FAnimationTimer->OnTimer = [this](TObject* Sender) { DrawBandTimerEvent(Sender); };
  FTempFore = ForegroundColor();
  FTempBack = BackgroundColor();
  FShowGrips = false;
  FGripSize = 6;
  FGripColor = BackgroundColor();
}

TRubberbandMouseHandler::~TRubberbandMouseHandler() {
  if (FBandVisible) EraseBand();
  FAnimationTimer->SetEnabled(false);
  delete FAnimationTimer;
}

// ---------------------------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------------------------
void TRubberbandMouseHandler::SetForegroundColor(TColor Value) {
  FPen.SetColor(Value);
  InvalidateBand();
}

void TRubberbandMouseHandler::SetBackgroundColor(TColor Value) {
  FBrush.SetColor(Value);
  InvalidateBand();
}

void TRubberbandMouseHandler::SetLineStyle(TPenStyle Value) {
  if (Value < psSolid || Value > psDashDotDot) throw EZuroroveError("Invalid rubberband line style");
  FPen.SetStyle(Value);
  InvalidateBand();
}

void TRubberbandMouseHandler::SetLineMode(TPenMode Value) {
  FPen.SetMode(Value);
  InvalidateBand();
}

void TRubberbandMouseHandler::SetAnimated(bool Value) {
  FAnimated = Value;
  FAnimationTimer->SetEnabled(Value);
}

void TRubberbandMouseHandler::SetAnimationInterval(int Value) {
  FAnimationInterval = Value;
  FAnimationTimer->SetInterval(Value);
}

void TRubberbandMouseHandler::SetShowGrips(bool Value) {
  InvalidateBand();
  FShowGrips = Value;
  InvalidateBand();
}

void TRubberbandMouseHandler::SetGripSize(int Value) {
  InvalidateBand();
  FGripSize = Value;
  InvalidateBand();
}

void TRubberbandMouseHandler::SetGripColor(TColor Value) {
  FGripColor = Value;
  InvalidateBand();
}

// ---------------------------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------------------------
int TRubberbandMouseHandler::scroll_h() const { return FImageScrollBox->HorzScrollBar().Position(); }
int TRubberbandMouseHandler::scroll_v() const { return FImageScrollBox->VertScrollBar().Position(); }

TPoint TRubberbandMouseHandler::client_point(int X, int Y) const {
  const TDibView& image = *FImageScrollBox->Image();
  return Point(image.Left() + X, image.Top() + Y);
}

int TRubberbandMouseHandler::displayed_width() const { return FImageScrollBox->DisplayedGraphic()->Width(); }
int TRubberbandMouseHandler::displayed_height() const { return FImageScrollBox->DisplayedGraphic()->Height(); }

bool TRubberbandMouseHandler::HitTestBand(int X, int Y, TGrabHandle& Handle) const {
  const int H = scroll_h(), V = scroll_v();
  const int x = X + H, y = Y + V;
  auto hit = [&](TGrabHandle h) {
    Handle = h;
    return true;
  };
  if (near(x, FX2) && near(y, FY2)) return hit(ghBottomRight);
  if (near(x, FX1) && near(y, FY1)) return hit(ghTopLeft);
  if (near(x, FX2) && near(y, FY1)) return hit(ghTopRight);
  if (near(x, FX1) && near(y, FY2)) return hit(ghBottomLeft);
  const bool in_x = FX1 - H <= X && X <= FX2 - H;
  const bool in_y = FY1 - V <= Y && Y <= FY2 - V;
  if (near(y, FY1) && in_x) return hit(ghTop);
  if (near(y, FY2) && in_x) return hit(ghBottom);
  if (near(x, FX1) && in_y) return hit(ghLeft);
  if (near(x, FX2) && in_y) return hit(ghRight);
  if (pt_in_rect(Rect(FX1 - H + kNear, FY1 - V - kNear, FX2 - H - kNear, FY2 - V + kNear), X, Y)) return hit(ghInside);
  return false;
}

void TRubberbandMouseHandler::Normalise() {
  const TRect r = normalised(FX1, FY1, FX2, FY2);
  FX1 = r.Left;
  FY1 = r.Top;
  FX2 = r.Right;
  FY2 = r.Bottom;
}

// ---------------------------------------------------------------------------------------------
// Showing the band
// ---------------------------------------------------------------------------------------------
void TRubberbandMouseHandler::InvalidateBand() {
  TImageScrollBox& view = *FImageScrollBox;
  const int H = scroll_h(), V = scroll_v();
  const TRect r = normalised(FX1 - H, FY1 - V, FX2 - H, FY2 - V);
  // The outline's four one-pixel edges, corners included, and the grips.
  view.InvalidateOverlayRect(Rect(r.Left, r.Top, r.Right + 1, r.Top + 1));
  view.InvalidateOverlayRect(Rect(r.Left, r.Bottom, r.Right + 1, r.Bottom + 1));
  view.InvalidateOverlayRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom + 1));
  view.InvalidateOverlayRect(Rect(r.Right, r.Top, r.Right + 1, r.Bottom + 1));
  if (!FShowGrips) return;
  const int g = std::max(FGripSize / 2, 0);
  for (TPoint c : {Point(r.Left, r.Top), Point(r.Right, r.Top), Point(r.Right, r.Bottom), Point(r.Left, r.Bottom)})
    view.InvalidateOverlayRect(Rect(c.X - g, c.Y - g, c.X + g, c.Y + g));
}

void TRubberbandMouseHandler::DrawBand() {
  const TRect& image = FImageScrollBox->ImageRect();
  if (!pt_in_rect(image, FX1, FY1) || !pt_in_rect(image, FX2, FY2)) return;
  FBandVisible = true;
  InvalidateBand();
}

void TRubberbandMouseHandler::EraseBand() {
  FBandVisible = false;
  InvalidateBand();
}

void TRubberbandMouseHandler::ReportBand() {
  if (FImageScrollBox->OnRubberbandChange) FImageScrollBox->OnRubberbandChange(normalised(FX1, FY1, FX2, FY2));
}

void TRubberbandMouseHandler::ReportEmpty() {
  if (FImageScrollBox->OnRubberbandChange) FImageScrollBox->OnRubberbandChange(Rect(0, 0, 0, 0));
}

void TRubberbandMouseHandler::PaintOverlay(TCanvas& Canvas) {
  if (!FBandVisible) return;
  const TRect& image = FImageScrollBox->ImageRect();
  if (!pt_in_rect(image, FX1, FY1) || !pt_in_rect(image, FX2, FY2)) return;
  const int H = scroll_h(), V = scroll_v();
  const int L = FX1 - H, T = FY1 - V, R = FX2 - H, B = FY2 - V;
  // The dotted line: the pen's colour on its dots, the brush's in its gaps.
  Canvas.Pen().SetStyle(psClear);
  Canvas.Pen().SetMode(FPen.Mode());
  const TColor fore = FPen.Color(), back = FBrush.Color();
  StyledPath path(FPen.Style());
  auto draw = [&](int l, int t, int r, int b, bool on) {
    Canvas.Brush().SetColor(on ? fore : back);
    Canvas.Rectangle(l, t, r, b);
  };
  path.segment(L, T, R, T, draw);
  path.segment(R, T, R, B, draw);
  path.segment(R, B, L, B, draw);
  path.segment(L, B, L, T, draw);
  if (FShowGrips) {
    const int g = FGripSize / 2;
    const TRect clip = FImageScrollBox->Image()->BoundsRect();
    Canvas.Brush().SetColor(FGripColor);
    for (TPoint c : {Point(L, T), Point(R, T), Point(R, B), Point(L, B)}) {
      TRect r = Rect(std::max(c.X - g, clip.Left), std::max(c.Y - g, clip.Top), std::min(c.X + g, clip.Right),
                     std::min(c.Y + g, clip.Bottom));
      if (r.Right > r.Left && r.Bottom > r.Top) Canvas.FillRect(r);
    }
  }
}

void TRubberbandMouseHandler::DrawBandTimerEvent(TObject*) {
  if (!FBandVisible) return;
  FTempFore = FPen.Color();
  FTempBack = FBrush.Color();
  FPen.SetColor(FTempBack);
  FBrush.SetColor(FTempFore);
  DrawBand();
}

// ---------------------------------------------------------------------------------------------
// Mouse
// ---------------------------------------------------------------------------------------------
void TRubberbandMouseHandler::MouseDown(TMouseButton, TShiftState, int X, int Y) {
  if (FImageScrollBox->Centered()) return;
  const TPoint p = client_point(X, Y);
  TGrabHandle handle = FGrabHandle;
  const bool hit = FBandVisible && HitTestBand(p.X, p.Y, handle);
  // The band is drawn over the marks of the view (its overlay lies above them), so taking it
  // down never needs the marks drawn into the displayed picture.
  FMouseIsDown = true;
  FMouseX = X;
  FMouseY = Y;
  if (hit) {
    FGrabHandle = handle;
    FBandMovement = GrabHandleToBandMovement(FGrabHandle);
    // The grabbed corner or edge becomes the moving one.
    switch (FGrabHandle) {
      case ghTopLeft:
        std::swap(FX1, FX2);
        std::swap(FY1, FY2);
        break;
      case ghTop:
      case ghTopRight: std::swap(FY1, FY2); break;
      case ghBottomLeft:
      case ghLeft: std::swap(FX1, FX2); break;
      default: break;
    }
    return;
  }
  if (FBandVisible) {
    EraseBand();
    ReportEmpty();
  }
  FBandMovement = bmAllDirections;
  FGrabHandle = ghBottomRight;
  FX1 = FX2 = X;
  FY1 = FY2 = Y;
}

void TRubberbandMouseHandler::MouseMove(TShiftState Shift, int X, int Y) {
  TPoint p = client_point(X, Y);
  if (!FMouseIsDown && FBandVisible) {
    TGrabHandle handle = FGrabHandle;
    const bool hit = HitTestBand(p.X, p.Y, handle);
    if (hit) FGrabHandle = handle;
    FImageScrollBox->Image()->SetCursor(hit ? GrabHandleToCursor(handle) : crDefault);
    return;
  }
  const int H = scroll_h(), V = scroll_v();
  switch (FGrabHandle) {
    case ghTopLeft:
    case ghTopRight:
    case ghBottomRight:
    case ghBottomLeft:
      p.X += H;
      p.Y += V;
      break;
    case ghTop:
    case ghBottom: p.Y += V; break;
    case ghRight:
    case ghLeft: p.X += H; break;
    default: break;
  }
  p.X = std::max(0, std::min(p.X, displayed_width() - 1));
  p.Y = std::max(0, std::min(p.Y, displayed_height() - 1));
  if (!FMouseIsDown || !(Shift & ssLeft)) return;
  if (FBandMovement == bmTopBottom) p.X = FX2;
  if (FBandMovement == bmLeftRight) p.Y = FY2;
  if (FBandMovement != bmInside) {
    EraseBand();
    FX2 = p.X;
    FY2 = p.Y;
    DrawBand();
    ReportBand();
    return;
  }
  EraseBand();
  const int dx = X - FMouseX, dy = Y - FMouseY;
  FMouseX = X;
  FMouseY = Y;
  const int w = displayed_width(), h = displayed_height();
  if (FX1 + dx >= 0 && FY1 + dy >= 0 && FX2 + dx < w && FY2 + dy < h) {
    FX1 = std::clamp(FX1 + dx, 0, std::max(0, w - 1));
    FX2 = std::clamp(FX2 + dx, 0, std::max(0, w - 1));
    FY1 = std::clamp(FY1 + dy, 0, std::max(0, h - 1));
    FY2 = std::clamp(FY2 + dy, 0, std::max(0, h - 1));
  }
  DrawBand();
  ReportBand();
}

void TRubberbandMouseHandler::MouseUp(TMouseButton, TShiftState, int, int) {
  if (!FMouseIsDown) return;
  if (FBandVisible) Normalise();
  if (!(FX1 != FX2 && FY1 != FY2)) EraseBand();
  FMouseIsDown = false;
}

// ---------------------------------------------------------------------------------------------
// Following the view
// ---------------------------------------------------------------------------------------------
void TRubberbandMouseHandler::BeforeResize() {
  if (!FBandVisible) return;
  EraseBand();
  if (FImageScrollBox->Centered()) return;
  FSaveSize = Point(displayed_width(), displayed_height());
  FBandVisible = true;
}

void TRubberbandMouseHandler::AfterResize() {
  if (!FBandVisible) return;
  if (FSaveSize.X <= 0 || FSaveSize.Y <= 0) {
    // Nothing was shown to scale from.
    EraseBand();
    return;
  }
  const Extended sx = static_cast<Extended>(displayed_width()) / FSaveSize.X;
  const Extended sy = static_cast<Extended>(displayed_height()) / FSaveSize.Y;
  FX1 = static_cast<int>(SafeTrunc(FX1 * sx));
  FX2 = static_cast<int>(SafeTrunc(FX2 * sx));
  FY1 = static_cast<int>(SafeTrunc(FY1 * sy));
  FY2 = static_cast<int>(SafeTrunc(FY2 * sy));
  FSaveSize = Point(displayed_width(), displayed_height());
  DrawBand();
  ReportBand();
}

// ---------------------------------------------------------------------------------------------
// Selections
// ---------------------------------------------------------------------------------------------
TRect TRubberbandMouseHandler::GetSelection() {
  if (!FBandVisible) throw ERubberbandError("A region is not selected");
  return normalised(FX1, FY1, FX2, FY2);
}

void TRubberbandMouseHandler::SetSelection(const TRect& R) {
  if (FBandVisible) EraseBand();
  const TRect n = normalised(R.Left, R.Top, R.Right, R.Bottom);
  FX1 = n.Left;
  FY1 = n.Top;
  FX2 = n.Right;
  FY2 = n.Bottom;
  DrawBand();
}

double TRubberbandMouseHandler::GetXFactor() const {
  return static_cast<double>(FImageScrollBox->Graphic()->Width()) / displayed_width();
}

double TRubberbandMouseHandler::GetYFactor() const {
  return static_cast<double>(FImageScrollBox->Graphic()->Height()) / displayed_height();
}

TRect TRubberbandMouseHandler::GetSourceSelection() {
  const TRect r = GetSelection();
  const double fx = GetXFactor(), fy = GetYFactor();
  auto round = [](double v) { return static_cast<int>(std::nearbyint(v)); };
  return Rect(round(r.Left * fx), round(r.Top * fy), round(r.Right * fx), round(r.Bottom * fy));
}

void TRubberbandMouseHandler::ClearSelection() {
  if (!FBandVisible) return;
  EraseBand();
  ReportEmpty();
}

void TRubberbandMouseHandler::CopySelectionToClipBoard() {
  if (!FBandVisible) throw ERubberbandError("A region is not selected");
  TDibGraphic& source = *FImageScrollBox->Graphic();
  const Int64 sw = source.Width(), sh = source.Height();
  const Int64 dw = displayed_width(), dh = displayed_height();
  const TRect r = normalised(static_cast<int>(FX1 * sw / dw), static_cast<int>(FY1 * sh / dh),
                             static_cast<int>(FX2 * sw / dw), static_cast<int>(FY2 * sh / dh));
  if (r.Right - r.Left < 1 || r.Bottom - r.Top < 1) return;
  TCropTransform crop;
  crop.SetCropMode(cmRemoveBorders);
  crop.SetTop(r.Top);
  crop.SetLeft(r.Left);
  crop.SetBottom(static_cast<int>(sh) - r.Bottom);
  crop.SetRight(static_cast<int>(sw) - r.Right);
  auto part = std::make_unique<TDibGraphic>();
  crop.ApplyOnDest(source, *part);
  Clipboard()->Assign(part.get());
}

void TRubberbandMouseHandler::CropToSelection() {
  if (!FBandVisible) throw ERubberbandError("A region is not selected");
  const TRect r = GetSourceSelection();
  if (r.Right - r.Left < 1 || r.Bottom - r.Top < 1) return;
  auto part = std::make_unique<TDibGraphic>();
  ExtractSelection(part.get());
  FImageScrollBox->Graphic()->Assign(part.get());
  FImageScrollBox->Redraw(true);
}

void TRubberbandMouseHandler::ExtractSelection(TDibGraphic* Dest) {
  if (!Dest) throw ERubberbandError("Graphic not assigned!");
  const TRect r = GetSourceSelection();
  if (r.Right - r.Left < 1 || r.Bottom - r.Top < 1) return;
  TCropTransform crop;
  crop.SetCropMode(cmExtractRect);
  crop.SetTop(r.Top);
  crop.SetLeft(r.Left);
  crop.SetBottom(r.Bottom);
  crop.SetRight(r.Right);
  crop.ApplyOnDest(*FImageScrollBox->Graphic(), *Dest);
}
