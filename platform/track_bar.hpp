// The class library's track bar over a track-bar control we draw ourselves: a channel, a thumb
// that moves from Min to Max, tick marks, and the geometry queries of the common control
// (channel, thumb and tick positions). A program write of Position fires OnChange when the
// value changes, as a user's move does.
#pragma once

#include <string>

#include "platform/controls.hpp"

class QPainter;

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };

// Style bits of the track-bar window.
constexpr unsigned TBS_AUTOTICKS = 0x0001, TBS_VERT = 0x0002, TBS_TOP = 0x0004, TBS_BOTH = 0x0008,
                   TBS_NOTICKS = 0x0010, TBS_ENABLESELRANGE = 0x0020, TBS_FIXEDLENGTH = 0x0040,
                   TBS_NOTHUMB = 0x0080;

// What a control's window is created with.
struct TCreateParams {
  unsigned Style = 0;
};

class TTrackBar : public TWinControl {
public:
  explicit TTrackBar(TComponent* owner);
  ~TTrackBar() override;
  std::string ClassName() const override { return "TTrackBar"; }

  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  void SetPosition(int v);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation v);
  TTickMark TickMarks() const { return tick_marks_; }
  void SetTickMarks(TTickMark v);
  TTickStyle TickStyle() const { return tick_style_; }
  void SetTickStyle(TTickStyle v);
  int PageSize() const { return page_size_; }
  void SetPageSize(int v) { page_size_ = v < 0 ? 0 : v; }
  int LineSize() const { return line_size_; }
  void SetLineSize(int v) { line_size_ = v < 0 ? 0 : v; }
  int Frequency() const { return frequency_; }
  void SetFrequency(int v);
  // The thumb's size across the bar.
  int ThumbLength() const { return thumb_length_; }
  void SetThumbLength(int v);
  bool SliderVisible() const { return slider_visible_; }
  void SetSliderVisible(bool v);
  int SelStart() const { return sel_start_; }
  void SetSelStart(int v);
  int SelEnd() const { return sel_end_; }
  void SetSelEnd(int v);

  TNotifyEvent OnChange;

  // ---- The window of the common control.
  // Its style bits (TBS_*), as CreateParams made them at its last creation and as changed since.
  unsigned WindowStyle() const {
    ensure_window();
    return style_;
  }
  void SetWindowStyle(unsigned style);
  // Throws the window away and makes a new one from CreateParams and the current colour.
  void RecreateWnd();
  // How many times the window was created.
  int WindowCreations() const { return creations_; }
  // The colour the window paints its background with, taken at its creation.
  TColor WindowColor() const {
    ensure_window();
    return window_color_;
  }

  // ---- The common control's geometry, in client pixels.
  // The channel as the control reports it: along the bar in Left .. Right and across it in
  // Top .. Bottom, whatever the orientation.
  TRect ChannelRect() const;
  TRect ThumbRect() const;
  // The position along the bar of the interior tick mark `index` (0 is the first after Min),
  // -1 when there is no such tick.
  int TicPos(int index) const;
  int TicCount() const;
  // The place along the bar of a value.
  int ValueToPixel(int value) const;

  bool HasCustomPaint() const override { return true; }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(Word& key, TShiftState shift) override;

protected:
  virtual void CreateParams(TCreateParams& params);
  // Fires OnChange.
  virtual void DoChange();
  // The effective colour changed (own or parent's); the base repaints.
  virtual void ColorChanged();
  // The enabled state changed; the base repaints.
  virtual void EnabledChanged();
  void Changed() override;

private:
  friend void paint_track_bar(TTrackBar& bar, QPainter& painter);
  void set_position(int v, bool notify);
  int value_at(int along) const;
  int along_of(int x, int y) const { return orientation_ == trHorizontal ? x : y; }
  int length() const { return orientation_ == trHorizontal ? Width() : Height(); }
  int thumb_across() const;
  void check_color();

  int min_ = 0;
  int max_ = 10;
  int position_ = 0;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickMark tick_marks_ = tmBottomRight;
  TTickStyle tick_style_ = tsAuto;
  int page_size_ = 2;
  int line_size_ = 1;
  int frequency_ = 1;
  int thumb_length_ = 20;
  bool slider_visible_ = true;
  int sel_start_ = 0;
  int sel_end_ = 0;

  void ensure_window() const;

  mutable unsigned style_ = 0;
  mutable int creations_ = 0;
  mutable TColor window_color_ = clBtnFace;
  TColor seen_color_ = clBtnFace;
  bool seen_enabled_ = true;
  bool dragging_ = false;
  int drag_offset_ = 0;
};
