#include "platform/scroll_box.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"
#include "platform/painting_qt.hpp"


namespace {

// A scroll bar that tells its control about every user action, and about the end of each
// scroll gesture.
class BarWidget : public QScrollBar {
public:
  BarWidget(Qt::Orientation o, QWidget* parent, TScrollingWinControl* control, TScrollBarKind kind)
      : QScrollBar(o, parent), control_(control), alive_(control->AliveToken()), kind_(kind) {
    setFocusPolicy(Qt::NoFocus);
    QObject::connect(this, &QAbstractSlider::actionTriggered, [this](int action) { on_action(action); });
  }

  void send(int code, int pos) {
    if (alive_.expired()) return;
    TScrollingWinControl* c = control_;
    TScrollBarKind k = kind_;
    Application->Dispatch([&] { c->ScrollMessage(k, code, pos); });
  }

protected:
  void mouseReleaseEvent(QMouseEvent* e) override {
    bool thumb = isSliderDown();
    QScrollBar::mouseReleaseEvent(e);
    if (thumb) send(SB_THUMBPOSITION, sliderPosition());
    send(SB_ENDSCROLL, 0);
  }
  void wheelEvent(QWheelEvent* e) override {
    QScrollBar::wheelEvent(e);
    send(SB_ENDSCROLL, 0);
  }

private:
  void on_action(int action) {
    int code = -1;
    switch (action) {
      case SliderSingleStepAdd: code = SB_LINEDOWN; break;
      case SliderSingleStepSub: code = SB_LINEUP; break;
      case SliderPageStepAdd: code = SB_PAGEDOWN; break;
      case SliderPageStepSub: code = SB_PAGEUP; break;
      case SliderToMinimum: code = SB_TOP; break;
      case SliderToMaximum: code = SB_BOTTOM; break;
      case SliderMove: code = SB_THUMBTRACK; break;
      default: return;
    }
    send(code, sliderPosition());
  }

  TScrollingWinControl* control_;
  std::weak_ptr<int> alive_;
  TScrollBarKind kind_;
};

// Draws the control's overlay over its children; takes no input.
class OverlayWidget : public QWidget {
public:
  OverlayWidget(QWidget* parent, TScrollingWinControl* control)
      : QWidget(parent), control_(control), alive_(control->AliveToken()) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setAttribute(Qt::WA_TranslucentBackground, true);
  }

protected:
  void paintEvent(QPaintEvent* e) override {
    if (alive_.expired()) return;
    QPainter p(this);
    p.setClipRegion(e->region());
    TScrollingWinControl* c = control_;
    paint_overlay(*c, p, width(), height());
  }

private:
  TScrollingWinControl* control_;
  std::weak_ptr<int> alive_;
};

// Reports focus changes of the control's window.
class FocusFilter : public QObject {
public:
  FocusFilter(QObject* parent, TFocusControl* control) : QObject(parent), control_(control), alive_(control->AliveToken()) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (alive_.expired()) return false;
    TFocusControl* c = control_;
    if (e->type() == QEvent::FocusIn) Application->Dispatch([&] { c->DoEnter(); });
    else if (e->type() == QEvent::FocusOut) Application->Dispatch([&] { c->DoExit(); });
    return false;
  }

private:
  TFocusControl* control_;
  std::weak_ptr<int> alive_;
};

}  // namespace

struct TScrollingWinControl::Widgets {
  QWidget* viewport = nullptr;
  OverlayWidget* overlay = nullptr;
  BarWidget* hbar = nullptr;
  BarWidget* vbar = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Scroll bars
// ---------------------------------------------------------------------------------------------
int TControlScrollBar::MaxPosition() const {
  if (!visible_) return 0;
  int extent = kind_ == sbHorizontal ? control_.ClientWidth() : control_.ClientHeight();
  return std::max(0, range_ - extent);
}

bool TControlScrollBar::IsScrollBarVisible() const {
  return kind_ == sbHorizontal ? control_.horz_shown_ : control_.vert_shown_;
}

void TControlScrollBar::SetPosition(int value) {
  value = std::clamp(value, 0, MaxPosition());
  if (value != position_) {
    int old = position_;
    position_ = value;
    if (kind_ == sbHorizontal) control_.ScrollBy(old - value, 0);
    else control_.ScrollBy(0, old - value);
  }
  control_.update_bars();
}

void TControlScrollBar::SetRange(int value) {
  value = std::max(0, value);
  if (value == range_) return;
  range_ = value;
  control_.update_bars();
}

void TControlScrollBar::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  control_.update_bars();
}

void TControlScrollBar::SetStyle(TScrollBarStyle value) { style_ = value; }

void TControlScrollBar::ScrollMessage(int code, int pos) {
  int page = kind_ == sbHorizontal ? control_.ClientWidth() : control_.ClientHeight();
  switch (code) {
    case SB_LINEUP: SetPosition(position_ - increment_); break;
    case SB_LINEDOWN: SetPosition(position_ + increment_); break;
    case SB_PAGEUP: SetPosition(position_ - page); break;
    case SB_PAGEDOWN: SetPosition(position_ + page); break;
    case SB_THUMBPOSITION: SetPosition(pos); break;
    case SB_THUMBTRACK:
      if (tracking_) SetPosition(pos);
      break;
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(MaxPosition()); break;
    default: control_.update_bars(); break;
  }
}

// ---------------------------------------------------------------------------------------------
// The scrolling control
// ---------------------------------------------------------------------------------------------
TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TFocusControl(owner), widgets_(std::make_unique<Widgets>()) {
  create_host(false);
  HostWidget* w = Host()->widget;
  w->installEventFilter(new FocusFilter(w, this));
  // Stacking: the viewport with the children, the overlay over it, the bars beside it.
  widgets_->viewport = new QWidget(w);
  widgets_->viewport->setMouseTracking(true);  // moves over the empty client area reach the control
  widgets_->overlay = new OverlayWidget(w, this);
  widgets_->hbar = new BarWidget(Qt::Horizontal, w, this, sbHorizontal);
  widgets_->vbar = new BarWidget(Qt::Vertical, w, this, sbVertical);
  widgets_->hbar->hide();
  widgets_->vbar->hide();
  Host()->client = widgets_->viewport;
  SetBounds(0, 0, 185, 41);
  layout();
}

TScrollingWinControl::~TScrollingWinControl() = default;

int TScrollingWinControl::ClientWidth() const { return std::max(0, Width() - (vert_shown_ ? vert_.Size() : 0)); }

int TScrollingWinControl::ClientHeight() const { return std::max(0, Height() - (horz_shown_ ? horz_.Size() : 0)); }

void TScrollingWinControl::SetBounds(int left, int top, int width, int height) {
  int cw = ClientWidth(), ch = ClientHeight();
  bool was = updating_;
  updating_ = true;  // reported once, below
  TFocusControl::SetBounds(left, top, width, height);
  updating_ = was;
  update_bars();
  if (!was && (cw != ClientWidth() || ch != ClientHeight())) ClientResized();
}

void TScrollingWinControl::ClientResized() {}

void TScrollingWinControl::update_bars() {
  int cw = ClientWidth(), ch = ClientHeight();
  // A bar that shows narrows the other direction; settle both.
  for (int i = 0; i < 3; ++i) {
    bool h = horz_.visible_ && horz_.range_ > Width() - (vert_shown_ ? vert_.Size() : 0);
    bool v = vert_.visible_ && vert_.range_ > Height() - (h ? horz_.Size() : 0);
    if (h == horz_shown_ && v == vert_shown_) break;
    horz_shown_ = h;
    vert_shown_ = v;
  }
  for (TControlScrollBar* bar : {&horz_, &vert_}) {
    int maxp = bar->MaxPosition();
    if (bar->position_ > maxp) {
      int old = bar->position_;
      bar->position_ = maxp;
      if (bar->kind_ == sbHorizontal) ScrollBy(old - maxp, 0);
      else ScrollBy(0, old - maxp);
    }
  }
  layout();
  if (!updating_ && (cw != ClientWidth() || ch != ClientHeight())) {
    updating_ = true;
    struct Reset {
      bool& b;
      ~Reset() { b = false; }
    } reset{updating_};
    ClientResized();
  }
}

void TScrollingWinControl::layout() {
  if (!widgets_ || !widgets_->viewport) return;
  int cw = ClientWidth(), ch = ClientHeight();
  widgets_->viewport->setGeometry(0, 0, cw, ch);
  widgets_->overlay->setGeometry(0, 0, cw, ch);
  struct Push {
    BarWidget* w;
    const TControlScrollBar& bar;
    bool shown;
    QRect geometry;
    int page;
  };
  for (const Push& p : {Push{widgets_->hbar, horz_, horz_shown_, QRect(0, ch, cw, horz_.Size()), cw},
                        Push{widgets_->vbar, vert_, vert_shown_, QRect(cw, 0, vert_.Size(), ch), ch}}) {
    QSignalBlocker block(p.w);
    p.w->setRange(0, p.bar.MaxPosition());
    p.w->setPageStep(std::max(1, p.page));
    p.w->setSingleStep(p.bar.Increment());
    p.w->setValue(p.bar.Position());
    p.w->setGeometry(p.geometry);
    p.w->setVisible(p.shown);
  }
}

void TScrollingWinControl::ScrollBy(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  QWidget* vp = widgets_ ? widgets_->viewport : nullptr;
  bool updates = vp && vp->updatesEnabled();
  if (updates) vp->setUpdatesEnabled(false);
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
  }
  if (updates) vp->setUpdatesEnabled(true);
  InvalidateOverlay();
}

void TScrollingWinControl::UpdateWindow() {
  if (Host() && Host()->widget && Host()->widget->isVisible()) Host()->widget->repaint();
}

void TScrollingWinControl::InvalidateOverlay() {
  if (widgets_ && widgets_->overlay) widgets_->overlay->update();
}

void TScrollingWinControl::ScrollMessage(TScrollBarKind kind, int code, int pos) {
  (kind == sbHorizontal ? horz_ : vert_).ScrollMessage(code, pos);
}
