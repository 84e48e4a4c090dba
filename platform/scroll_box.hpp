// The class library's scrolling window control: a windowed control with a horizontal and a
// vertical scroll bar that moves its child controls when scrolled. Child positions are client
// coordinates, so a scroll changes every child's Left and Top.
#pragma once

#include <memory>
#include <string>

#include "platform/controls.hpp"
#include "platform/std_controls.hpp"

class TCanvas;
class TScrollingWinControl;

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollBarStyle { ssRegular, ssFlat, ssHotTrack };

// Scroll message codes.
constexpr int SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_THUMBPOSITION = 4,
              SB_THUMBTRACK = 5, SB_TOP = 6, SB_BOTTOM = 7, SB_ENDSCROLL = 8;

// One scroll bar of a scrolling control. The bar shows when it is Visible and its Range
// exceeds the client extent in its direction; a hidden bar keeps its Position at 0.
class TControlScrollBar : public TObject {
public:
  TControlScrollBar(TScrollingWinControl& control, TScrollBarKind kind) : control_(control), kind_(kind) {}
  TControlScrollBar(const TControlScrollBar&) = delete;
  TControlScrollBar& operator=(const TControlScrollBar&) = delete;
  std::string ClassName() const override { return "TControlScrollBar"; }

  TScrollBarKind Kind() const { return kind_; }
  // The stored position; writes are limited to 0 .. Range - client extent and scroll the
  // children.
  int Position() const { return position_; }
  void SetPosition(int value);
  // The position as scrolled: Position while the bar shows, else 0.
  int ScrollPos() const { return IsScrollBarVisible() ? position_ : 0; }
  int Range() const { return range_; }
  void SetRange(int value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  // Does the bar show on the control?
  bool IsScrollBarVisible() const;
  bool Tracking() const { return tracking_; }
  void SetTracking(bool value) { tracking_ = value; }
  int Increment() const { return increment_; }
  void SetIncrement(int value) { increment_ = value < 1 ? 1 : value; }
  TScrollBarStyle Style() const { return style_; }
  void SetStyle(TScrollBarStyle value);
  // The bar's thickness in pixels.
  int Size() const { return 17; }
  // The largest position the bar allows now.
  int MaxPosition() const;

  // Reacts to a scroll message of the user (SB_ codes; `pos` for the thumb codes).
  void ScrollMessage(int code, int pos);

private:
  friend class TScrollingWinControl;
  TScrollingWinControl& control_;
  TScrollBarKind kind_;
  int position_ = 0;
  int range_ = 0;
  bool visible_ = true;
  bool tracking_ = false;
  int increment_ = 8;
  TScrollBarStyle style_ = ssRegular;
};

// It reports gaining and losing the keyboard focus through OnEnter and OnExit.
class TScrollingWinControl : public TFocusControl {
public:
  explicit TScrollingWinControl(TComponent* owner);
  ~TScrollingWinControl() override;
  std::string ClassName() const override { return "TScrollingWinControl"; }

  TControlScrollBar& HorzScrollBar() { return horz_; }
  TControlScrollBar& VertScrollBar() { return vert_; }
  const TControlScrollBar& HorzScrollBar() const { return horz_; }
  const TControlScrollBar& VertScrollBar() const { return vert_; }
  // Kept for the callers; ranges are set by the program, never computed from the children.
  bool AutoScroll() const { return auto_scroll_; }
  void SetAutoScroll(bool v) { auto_scroll_ = v; }
  bool DoubleBuffered() const { return double_buffered_; }
  void SetDoubleBuffered(bool v) { double_buffered_ = v; }

  // The control's size less the scroll bars that show.
  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetBounds(int left, int top, int width, int height) override;

  // Moves every child control by (dx, dy).
  void ScrollBy(int dx, int dy);
  // Paints pending changes of the control at once.
  void UpdateWindow();

  // Draws over the children, from the control's state, in client coordinates (bands and
  // outlines of mouse modes). The overlay takes no mouse input.
  virtual void PaintOverlay(TCanvas&) {}
  void InvalidateOverlay();

  // A scroll message from one of the bars (the user scrolled). The base scrolls.
  virtual void ScrollMessage(TScrollBarKind kind, int code, int pos);

protected:
  // Called when the client size changes (the control was resized or a bar appeared or went);
  // the base does nothing.
  virtual void ClientResized();

private:
  friend class TControlScrollBar;
  // Recomputes which bars show, limits the positions and pushes it all to the window.
  void update_bars();
  void layout();

  TControlScrollBar horz_{*this, sbHorizontal};
  TControlScrollBar vert_{*this, sbVertical};
  bool horz_shown_ = false;
  bool vert_shown_ = false;
  bool auto_scroll_ = true;
  bool double_buffered_ = false;
  bool updating_ = false;
  struct Widgets;
  std::unique_ptr<Widgets> widgets_;
};
