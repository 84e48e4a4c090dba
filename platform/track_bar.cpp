#include "platform/track_bar.hpp"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cstdint>

#include "platform/control_host_qt.hpp"
#include "platform/painting_qt.hpp"

// Geometry of the drawn control. The thumb is ThumbLength across the bar and half of that plus
// one along it; the channel leaves room for half a thumb and a little more at each end, so that
// the thumb's centre runs from the channel's left + half a thumb (Min) to its right - half a
// thumb (Max).
namespace {

int thumb_half(int thumb_length) { return (thumb_length / 2 + 1) / 2; }
int channel_edge(int thumb_length) { return thumb_half(thumb_length) + 3; }

}  // namespace

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
  create_host(false);
  Host()->widget->setFocusPolicy(Qt::StrongFocus);
  SetBounds(0, 0, 150, 45);
  seen_color_ = EffectiveColor();
  seen_enabled_ = Enabled();
}

TTrackBar::~TTrackBar() = default;

// ---------------------------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------------------------
void TTrackBar::CreateParams(TCreateParams& params) {
  unsigned s = TBS_FIXEDLENGTH | TBS_ENABLESELRANGE;
  if (orientation_ == trVertical) s |= TBS_VERT;
  if (tick_style_ == tsNone) s |= TBS_NOTICKS;
  else if (tick_style_ == tsAuto) s |= TBS_AUTOTICKS;
  if (tick_marks_ == tmTopLeft) s |= TBS_TOP;
  else if (tick_marks_ == tmBoth) s |= TBS_BOTH;
  if (!slider_visible_) s |= TBS_NOTHUMB;
  params.Style = s;
}

// The window is made when it is first needed, after construction, so that subclasses' creation
// parameters apply from the start.
void TTrackBar::ensure_window() const {
  if (creations_ == 0) const_cast<TTrackBar*>(this)->RecreateWnd();
}

void TTrackBar::RecreateWnd() {
  TCreateParams params;
  CreateParams(params);
  style_ = params.Style;
  window_color_ = EffectiveColor();
  ++creations_;
  Invalidate();
}

void TTrackBar::SetWindowStyle(unsigned style) {
  ensure_window();
  if (style == style_) return;
  style_ = style;
  Invalidate();
}

void TTrackBar::check_color() {
  TColor c = EffectiveColor();
  if (c != seen_color_) {
    seen_color_ = c;
    ColorChanged();
  }
}

void TTrackBar::Changed() {
  check_color();
  if (Enabled() != seen_enabled_) {
    seen_enabled_ = Enabled();
    EnabledChanged();
  }
  TWinControl::Changed();
}

void TTrackBar::ColorChanged() { Invalidate(); }
void TTrackBar::EnabledChanged() { Invalidate(); }

void TTrackBar::DoChange() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------------------------
void TTrackBar::set_position(int v, bool notify) {
  v = std::clamp(v, min_, std::max(min_, max_));
  if (v == position_) return;
  position_ = v;
  Invalidate();
  if (notify) DoChange();
}

void TTrackBar::SetPosition(int v) { set_position(v, true); }

void TTrackBar::SetMin(int v) {
  if (v == min_) return;
  min_ = v;
  Invalidate();
  set_position(position_, true);
}

void TTrackBar::SetMax(int v) {
  if (v == max_) return;
  max_ = v;
  Invalidate();
  set_position(position_, true);
}

void TTrackBar::SetOrientation(TTrackBarOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  SetBounds(Left(), Top(), Height(), Width());
  if (creations_ > 0) RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark v) {
  if (v == tick_marks_) return;
  tick_marks_ = v;
  if (creations_ > 0) RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle v) {
  if (v == tick_style_) return;
  tick_style_ = v;
  if (creations_ > 0) RecreateWnd();
}

void TTrackBar::SetSliderVisible(bool v) {
  if (v == slider_visible_) return;
  slider_visible_ = v;
  if (creations_ > 0) RecreateWnd();
}

void TTrackBar::SetFrequency(int v) {
  v = std::max(1, v);
  if (v == frequency_) return;
  frequency_ = v;
  Invalidate();
}

void TTrackBar::SetThumbLength(int v) {
  v = std::max(4, v);
  if (v == thumb_length_) return;
  thumb_length_ = v;
  Invalidate();
}

void TTrackBar::SetSelStart(int v) {
  sel_start_ = v;
  Invalidate();
}

void TTrackBar::SetSelEnd(int v) {
  sel_end_ = v;
  Invalidate();
}

// ---------------------------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------------------------
int TTrackBar::thumb_across() const {
  // A bar too narrow for its thumb centres it (and the channel with it) across the bar.
  int across = orientation_ == trHorizontal ? Height() : Width();
  if (across < thumb_length_ + 4) return (across - thumb_length_) / 2;
  // Ticks on the top (left) side push the thumb away from that edge.
  bool ticks_before = tick_marks_ == tmTopLeft || tick_marks_ == tmBoth;
  return ticks_before ? 8 : 2;
}

TRect TTrackBar::ChannelRect() const {
  ensure_window();
  int edge = channel_edge(thumb_length_);
  int thick = (style_ & TBS_ENABLESELRANGE) ? thumb_length_ / 2 : 4;
  int top = thumb_across() + (thumb_length_ - thick) / 2;
  return Rect(edge, top, std::max(edge, length() - edge), top + thick);
}

int TTrackBar::ValueToPixel(int value) const {
  TRect c = ChannelRect();
  int h = thumb_half(thumb_length_);
  int span = c.Right - c.Left - 2 * h;
  if (max_ <= min_ || span <= 0) return c.Left + h;
  value = std::clamp(value, min_, max_);
  return c.Left + h + static_cast<int>(static_cast<std::int64_t>(value - min_) * span / (max_ - min_));
}

int TTrackBar::value_at(int along) const {
  TRect c = ChannelRect();
  int h = thumb_half(thumb_length_);
  int span = c.Right - c.Left - 2 * h;
  if (max_ <= min_ || span <= 0) return min_;
  std::int64_t off = along - (c.Left + h);
  std::int64_t range = max_ - min_;
  // Nearest value, halves up.
  std::int64_t v = off >= 0 ? (2 * off * range + span) / (2 * span) : -((-2 * off * range + span) / (2 * span));
  return static_cast<int>(std::clamp<std::int64_t>(min_ + v, min_, max_));
}

TRect TTrackBar::ThumbRect() const {
  int p = ValueToPixel(position_);
  int h = thumb_half(thumb_length_);
  int a = thumb_across();
  if (orientation_ == trHorizontal) return Rect(p - h, a, p + h + 1, a + thumb_length_);
  return Rect(a, p - h, a + thumb_length_, p + h + 1);
}

int TTrackBar::TicCount() const {
  ensure_window();
  if (!(style_ & TBS_AUTOTICKS) || max_ - min_ < 2) return 0;
  return (max_ - min_ - 1) / frequency_;
}

int TTrackBar::TicPos(int index) const {
  if (index < 0 || index >= TicCount()) return -1;
  return ValueToPixel(min_ + (index + 1) * frequency_);
}

// ---------------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------------
void TTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  SetFocus();
  if (button == mbLeft) {
    TRect t = ThumbRect();
    int along = along_of(x, y);
    if (slider_visible_ && PtInRect(t, Point(x, y))) {
      dragging_ = true;
      drag_offset_ = along - ValueToPixel(position_);
    } else if (along < ValueToPixel(position_)) {
      SetPosition(position_ - page_size_);
    } else {
      SetPosition(position_ + page_size_);
    }
  }
  TWinControl::MouseDown(button, shift, x, y);
}

void TTrackBar::MouseMove(TShiftState shift, int x, int y) {
  if (dragging_) SetPosition(value_at(along_of(x, y) - drag_offset_));
  TWinControl::MouseMove(shift, x, y);
}

void TTrackBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) dragging_ = false;
  TWinControl::MouseUp(button, shift, x, y);
}

void TTrackBar::KeyDown(Word& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  switch (key) {
    case VK_LEFT:
    case VK_UP: SetPosition(position_ - line_size_); break;
    case VK_RIGHT:
    case VK_DOWN: SetPosition(position_ + line_size_); break;
    case VK_PRIOR: SetPosition(position_ - page_size_); break;
    case VK_NEXT: SetPosition(position_ + page_size_); break;
    case VK_HOME: SetPosition(min_); break;
    case VK_END: SetPosition(max_); break;
    default: break;
  }
}

// ---------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------
void paint_track_bar(TTrackBar& bar, QPainter& p) {
  bar.check_color();
  bar.ensure_window();
  bool vert = bar.orientation_ == trVertical;
  // Along/across to client coordinates.
  auto pt = [vert](int along, int across) { return vert ? QPoint(across, along) : QPoint(along, across); };
  auto rect = [vert](int l, int t, int r, int b) {
    return vert ? QRect(QPoint(t, l), QPoint(b - 1, r - 1)) : QRect(QPoint(l, t), QPoint(r - 1, b - 1));
  };
  p.fillRect(QRect(0, 0, bar.Width(), bar.Height()), qt_color(bar.window_color_));

  // Channel: a sunken groove.
  TRect c = bar.ChannelRect();
  QRect groove = rect(c.Left, c.Top, c.Right, c.Bottom);
  p.fillRect(groove, qt_color(clWindow));
  p.setPen(qt_color(clBtnShadow));
  p.drawLine(groove.topLeft(), vert ? groove.bottomLeft() : groove.topRight());
  p.drawLine(groove.topLeft(), vert ? groove.topRight() : groove.bottomLeft());
  p.setPen(qt_color(clBtnHighlight));
  p.drawLine(groove.bottomRight(), vert ? groove.topRight() : groove.bottomLeft());
  p.drawLine(groove.bottomRight(), vert ? groove.bottomLeft() : groove.topRight());
  if ((bar.style_ & TBS_ENABLESELRANGE) && bar.sel_end_ > bar.sel_start_) {
    int a = bar.ValueToPixel(bar.sel_start_), b = bar.ValueToPixel(bar.sel_end_);
    p.fillRect(rect(a, c.Top + 2, b + 1, c.Bottom - 2), qt_color(clHighlight));
  }

  // Ticks: at Min and Max, and at every Frequency between.
  int a = bar.thumb_across();
  int t = bar.thumb_length_;
  if (!(bar.style_ & TBS_NOTICKS)) {
    p.setPen(qt_color(bar.Enabled() ? clBtnText : clGrayText));
    bool after = bar.tick_marks_ == tmBottomRight || bar.tick_marks_ == tmBoth;
    bool before = bar.tick_marks_ == tmTopLeft || bar.tick_marks_ == tmBoth;
    auto tick = [&](int along, int len) {
      if (after) p.drawLine(pt(along, a + t + 2), pt(along, a + t + 1 + len));
      if (before) p.drawLine(pt(along, a - 2), pt(along, a - 1 - len));
    };
    tick(bar.ValueToPixel(bar.min_), 4);
    tick(bar.ValueToPixel(bar.max_), 4);
    for (int i = 0; i < bar.TicCount(); ++i) tick(bar.TicPos(i), 3);
  }

  // Thumb: pointing at the ticks.
  if (!(bar.style_ & TBS_NOTHUMB)) {
    TRect r = bar.ThumbRect();
    int l = vert ? r.Top : r.Left, rr = (vert ? r.Bottom : r.Right) - 1;
    int mid = (l + rr) / 2;
    int top = a, bottom = a + t - 1;
    int tip = (rr - l) / 2;
    QPolygon shape;
    if (bar.tick_marks_ == tmBottomRight)
      shape << pt(l, top) << pt(rr, top) << pt(rr, bottom - tip) << pt(mid, bottom) << pt(l, bottom - tip);
    else if (bar.tick_marks_ == tmTopLeft)
      shape << pt(mid, top) << pt(rr, top + tip) << pt(rr, bottom) << pt(l, bottom) << pt(l, top + tip);
    else
      shape << pt(l, top) << pt(rr, top) << pt(rr, bottom) << pt(l, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(qt_color(bar.Enabled() ? clBtnFace : clBtnHighlight));
    p.drawPolygon(shape);
    p.setBrush(Qt::NoBrush);
    p.setPen(qt_color(clBtnHighlight));
    for (int i = 0; i + 1 < shape.size(); ++i)
      if (i < 1 || i >= shape.size() - 2) p.drawLine(shape[i], shape[i + 1]);
    p.drawLine(shape.last(), shape.first());
    p.setPen(qt_color(cl3DDkShadow));
    for (int i = 1; i + 1 < shape.size() - 1; ++i) p.drawLine(shape[i], shape[i + 1]);
  }
}
