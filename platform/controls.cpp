#include "platform/controls.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QRegion>
#include <QToolTip>
#include <algorithm>

#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"
#include "platform/immediate_paint_qt.hpp"
#include "platform/math.hpp"
#include "platform/menus.hpp"

// ---------------------------------------------------------------------------------------------
// Components
// ---------------------------------------------------------------------------------------------
TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->insert_component(this);
}

TComponent::~TComponent() {
  alive_.reset();
  // Owned components go first, the last made first.
  while (!components_.empty()) {
    TComponent* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    delete c;
  }
  if (owner_) owner_->remove_component(this);
}

void TComponent::remove_component(TComponent* c) {
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it != components_.end()) components_.erase(it);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (TComponent* c : components_)
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Qt helpers
// ---------------------------------------------------------------------------------------------
QColor qt_color(TColor color) {
  TColor c = ColorToRGB(color);
  return QColor(GetRValue(static_cast<std::uint32_t>(c)), GetGValue(static_cast<std::uint32_t>(c)),
                GetBValue(static_cast<std::uint32_t>(c)));
}

QFont qt_font(const TFont& font) {
  QFont f(QString::fromStdString(font.Name()));
  int h = font.Height();
  f.setPixelSize(std::max(1, h < 0 ? -h : h));
  f.setBold(font.Style() & fsBold);
  f.setItalic(font.Style() & fsItalic);
  f.setUnderline(font.Style() & fsUnderline);
  f.setStrikeOut(font.Style() & fsStrikeOut);
  return f;
}

TShiftState qt_shift_state(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  TShiftState s = 0;
  if (mods & Qt::ShiftModifier) s |= ssShift;
  if (mods & Qt::AltModifier) s |= ssAlt;
  if (mods & Qt::ControlModifier) s |= ssCtrl;
  if (buttons & Qt::LeftButton) s |= ssLeft;
  if (buttons & Qt::RightButton) s |= ssRight;
  if (buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

Word qt_virtual_key(int k) {
  if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) return static_cast<Word>(k);
  switch (k) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default:
      if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return static_cast<Word>(VK_F1 + (k - Qt::Key_F1));
      return 0;
  }
}

namespace {

TMouseButton to_button(Qt::MouseButton b) {
  return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

// Runs one event handler of a control through the application's dispatcher.
template <class F>
void dispatch(F&& f) {
  Application->Dispatch(std::forward<F>(f));
}

void draw_bevel(QPainter& p, QRect r, TBevelCut cut, int width) {
  if (cut == TBevelCut::bvNone) return;
  QColor top = cut == TBevelCut::bvRaised ? qt_color(clBtnHighlight) : qt_color(clBtnShadow);
  QColor bottom = cut == TBevelCut::bvRaised ? qt_color(clBtnShadow) : qt_color(clBtnHighlight);
  for (int i = 0; i < width; ++i) {
    QRect q = r.adjusted(i, i, -i, -i);
    p.setPen(top);
    p.drawLine(q.left(), q.top(), q.right(), q.top());
    p.drawLine(q.left(), q.top(), q.left(), q.bottom());
    p.setPen(bottom);
    p.drawLine(q.right(), q.top(), q.right(), q.bottom());
    p.drawLine(q.left(), q.bottom(), q.right(), q.bottom());
  }
}

int qt_alignment(TAlignment a) {
  return a == TAlignment::taCenter ? Qt::AlignHCenter : a == TAlignment::taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The host widget
// ---------------------------------------------------------------------------------------------
HostWidget::HostWidget(TControl* control, bool top_level)
    : QWidget(nullptr, top_level ? Qt::Window : Qt::Widget), control_(control), alive_(control->AliveToken()) {
  setMouseTracking(true);
  setAttribute(Qt::WA_NoSystemBackground, true);
  setFocusPolicy(top_level ? Qt::StrongFocus : Qt::NoFocus);
}

void HostWidget::paintEvent(QPaintEvent* e) {
  if (!control()) return;
  QPainter p(this);
  p.setClipRegion(e->region());
  paint(p);
}

void HostWidget::paint(QPainter& p) {
  TControl* c = control();
  if (!c) return;
  if (!c->IsTransparent()) p.fillRect(rect(), qt_color(c->EffectiveColor()));
  if (auto* panel = dynamic_cast<TPanel*>(c)) {
    QRect r = rect();
    if (panel->BorderStyle() == TBorderStyle::bsSingle) {
      p.setPen(qt_color(clWindowFrame));
      p.drawRect(r.adjusted(0, 0, -1, -1));
      r.adjust(1, 1, -1, -1);
    }
    draw_bevel(p, r, panel->BevelOuter(), panel->BevelWidth());
    if (panel->BevelOuter() != TBevelCut::bvNone) r.adjust(panel->BevelWidth(), panel->BevelWidth(), -panel->BevelWidth(), -panel->BevelWidth());
    draw_bevel(p, r, panel->BevelInner(), panel->BevelWidth());
    if (!panel->Caption().empty()) {
      p.setFont(qt_font(panel->Font()));
      p.setPen(qt_color(panel->Font().Color()));
      p.drawText(rect(), qt_alignment(panel->Alignment()) | Qt::AlignVCenter, QString::fromStdString(panel->Caption()));
    }
  } else if (auto* label = dynamic_cast<TLabel*>(c)) {
    if (!label->Caption().empty()) {
      p.setFont(qt_font(label->Font()));
      p.setPen(qt_color(label->Font().Color()));
      int v = label->Layout() == TTextLayout::tlCenter ? Qt::AlignVCenter
              : label->Layout() == TTextLayout::tlBottom ? Qt::AlignBottom : Qt::AlignTop;
      int flags = qt_alignment(label->Alignment()) | v | (label->WordWrap() ? Qt::TextWordWrap : 0);
      p.drawText(rect(), flags, QString::fromStdString(label->Caption()));
    }
  }
  if (c->HasCustomPaint()) paint_custom(*c, p);
  // A paint of any part of a window is its paint: opaque children leave the form's own
  // background unpainted.
  if (auto* top = dynamic_cast<HostWidget*>(window()))
    if (auto* form = dynamic_cast<TForm*>(top->control())) form->painted();
}

void HostWidget::mousePressEvent(QMouseEvent* e) {
  TControl* c = control();
  if (!c) return;
  e->accept();
  if (!c->Enabled()) return;
  if (e->button() == Qt::LeftButton) clicked_ = true;
  TShiftState s = qt_shift_state(e->modifiers(), e->buttons());
  QPoint pt = e->position().toPoint();
  dispatch([&] { c->MouseDown(to_button(e->button()), s, pt.x(), pt.y()); });
}

void HostWidget::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  TControl* c = control();
  if (!c || !c->Enabled()) {
    clicked_ = false;
    return;
  }
  QPoint pt = e->position().toPoint();
  TShiftState s = qt_shift_state(e->modifiers(), e->buttons());
  if (e->button() == Qt::LeftButton && clicked_) {
    clicked_ = false;
    if (rect().contains(pt)) dispatch([&] { c->Click(); });
  }
  if (!control()) return;  // the click handler freed the control
  dispatch([&] { c->MouseUp(to_button(e->button()), s, pt.x(), pt.y()); });
  // A right-button release asks for the control's menu, as the window system's context-menu
  // message does.
  if (e->button() == Qt::RightButton && control() && c->PopupMenu()) {
    TPopupMenu* menu = c->PopupMenu();
    QPoint at = mapToGlobal(pt);
    dispatch([&] {
      menu->SetPopupComponent(c);
      menu->Popup(at.x(), at.y());
    });
  }
}

void HostWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  e->accept();
  TControl* c = control();
  if (!c || !c->Enabled()) return;
  clicked_ = false;
  QPoint pt = e->position().toPoint();
  TShiftState s = qt_shift_state(e->modifiers(), e->buttons()) | ssDouble;
  if (e->button() == Qt::LeftButton) dispatch([&] { c->DblClick(); });
  if (!control()) return;
  dispatch([&] { c->MouseDown(to_button(e->button()), s, pt.x(), pt.y()); });
}

void HostWidget::mouseMoveEvent(QMouseEvent* e) {
  e->accept();
  TControl* c = control();
  if (!c || !c->Enabled()) return;
  QPoint pt = e->position().toPoint();
  TShiftState s = qt_shift_state(e->modifiers(), e->buttons());
  dispatch([&] { c->MouseMove(s, pt.x(), pt.y()); });
}

void HostWidget::enterEvent(QEnterEvent*) {
  if (TControl* c = control()) dispatch([&] { c->MouseEnter(); });
}

void HostWidget::leaveEvent(QEvent*) {
  if (TControl* c = control()) dispatch([&] { c->MouseLeave(); });
}

void HostWidget::keyPressEvent(QKeyEvent* e) {
  auto* c = dynamic_cast<TWinControl*>(control());
  if (!c) return QWidget::keyPressEvent(e);
  if (std::find(pressed_keys_.begin(), pressed_keys_.end(), e->key()) == pressed_keys_.end())
    pressed_keys_.push_back(e->key());
  Word key = qt_virtual_key(e->key());
  TShiftState s = qt_shift_state(e->modifiers(), Qt::NoButton);
  auto* form = dynamic_cast<TForm*>(c->TopLevel());
  std::weak_ptr<int> alive = c->AliveToken();
  if (form && form != c && form->KeyPreview() && key) dispatch([&] { form->KeyDown(key, s); });
  if (alive.expired()) return;
  if (key) dispatch([&] { c->KeyDown(key, s); });
  // Return and Escape that the control leaves alone press the form's default or cancel button.
  if (!alive.expired() && form && form != c && (key == VK_RETURN || key == VK_ESCAPE)) {
    bool taken = false;
    dispatch([&] { taken = form->DialogKey(key); });
    if (taken) {
      e->accept();
      return;
    }
  }
  QString text = e->text();
  if (!alive.expired() && text.size() == 1 && text[0].unicode() < 256) {
    char ch = static_cast<char>(text[0].unicode());
    if (form && form != c && form->KeyPreview()) dispatch([&] { form->KeyPress(ch); });
    if (!alive.expired() && ch) dispatch([&] { c->KeyPress(ch); });
  }
  e->accept();
}

void HostWidget::keyReleaseEvent(QKeyEvent* e) {
  auto* c = dynamic_cast<TWinControl*>(control());
  if (!c) return QWidget::keyReleaseEvent(e);
  // A release whose press went to another window (a message box the key closed) is not ours.
  auto pressed = std::find(pressed_keys_.begin(), pressed_keys_.end(), e->key());
  if (pressed == pressed_keys_.end()) return e->accept();
  pressed_keys_.erase(pressed);
  Word key = qt_virtual_key(e->key());
  TShiftState s = qt_shift_state(e->modifiers(), Qt::NoButton);
  if (key) dispatch([&] { c->KeyUp(key, s); });
  e->accept();
}

void HostWidget::resizeEvent(QResizeEvent*) {}

void HostWidget::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  if (!isWindow()) return;
  auto* form = dynamic_cast<TForm*>(control());
  if (!form) return;
  // The place of the client area, as the form's own bounds keep it.
  const QPoint p = geometry().topLeft();
  dispatch([&] { form->window_moved(p.x(), p.y()); });
}

void HostWidget::closeEvent(QCloseEvent* e) {
  auto* form = dynamic_cast<TForm*>(control());
  if (!form) return QWidget::closeEvent(e);
  bool closed = false;
  dispatch([&] { closed = form->close_requested(); });
  // The form hides its own window when it closes; Qt must not close it a second time.
  e->ignore();
  (void)closed;
}

bool HostWidget::event(QEvent* e) {
  if (e->type() == QEvent::FocusOut) pressed_keys_.clear();  // the releases of held keys go elsewhere
  if (e->type() == QEvent::ToolTip) {
    TControl* c = control();
    auto* he = static_cast<QHelpEvent*>(e);
    if (c && Application->ShowHint() && c->ShowHint() && !c->Hint().empty()) {
      std::string h = c->Hint();
      auto bar = h.find('|');
      if (bar != std::string::npos) h.resize(bar);
      QToolTip::showText(he->globalPos(), QString::fromStdString(h), this, rect(), Application->HintHidePause());
    } else {
      QToolTip::hideText();
      e->ignore();
    }
    return true;
  }
  return QWidget::event(e);
}

// ---------------------------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------------------------
TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this](TObject*) { Changed(); };
}

TControl::~TControl() {
  if (parent_) parent_->remove_child(this);
  if (host_ && host_->widget) {
    host_->widget->detach();
    if (QWidget::mouseGrabber() == host_->widget) host_->widget->releaseMouse();  // a freed control holds no capture
    host_->widget->hide();
    host_->widget->deleteLater();
    host_->widget->setParent(nullptr);
  }
}

void TControl::create_host(bool top_level) {
  host_ = std::make_unique<ControlHost>();
  host_->widget = new HostWidget(this, top_level);
  if (!top_level) host_->widget->setAttribute(Qt::WA_OpaquePaintEvent, !IsTransparent());
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) parent_->remove_child(this);
  parent_ = parent;
  if (host_ && host_->widget) {
    host_->widget->setParent(parent && parent->host_ ? parent->host_->container() : nullptr);
    host_->widget->setGeometry(left_, top_, width_, height_);
    host_->widget->setVisible(visible_);
  }
  if (parent_) {
    parent_->add_child(this);
    if (align_ != TAlign::alNone) parent_->Realign();
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  bool resized = width != width_ || height != height_;
  if (left == left_ && top == top_ && !resized) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (host_ && host_->widget) {
    QWidget* w = host_->widget;
    const QRect g(left, top, width, height);
    // Inside a change that paints this place itself, the toolkit's paint of it would be a second one.
    if (!w->isWindow() && immediate_paint_covers(w, w->geometry()) && immediate_paint_covers(w, g)) set_geometry_unpainted(w, g);
    else w->setGeometry(g);
  }
  if (resized) Resize();
}

void TControl::SetAlign(TAlign align) {
  if (align_ == align) return;
  align_ = align;
  if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  // A control without a parent has no place to show in (forms override this).
  if (host_ && host_->widget && parent_) host_->widget->setVisible(visible);
  if (parent_ && align_ != TAlign::alNone) parent_->Realign();
}

bool TControl::Showing() const {
  if (!visible_) return false;
  if (parent_) return parent_->Showing();
  return host_ && host_->widget && host_->widget->isVisible();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  // A disabled control drawn on its parent lets the mouse through to what lies beneath, as the
  // class library's parent finds only enabled ones under the pointer.
  if (host_ && host_->widget && !IsWindowed() && !host_->widget->isWindow())
    host_->widget->setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
  Changed();
}

void TControl::SetColor(TColor color) {
  parent_color_ = false;
  if (color_ == color) return;
  color_ = color;
  Changed();
}

void TControl::SetParentColor(bool v) {
  if (parent_color_ == v) return;
  parent_color_ = v;
  Changed();
}

TColor TControl::EffectiveColor() const {
  if (parent_color_ && parent_) return parent_->EffectiveColor();
  return color_;
}

void TControl::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  if (host_ && host_->widget && host_->widget->isWindow()) host_->widget->setWindowTitle(QString::fromStdString(caption_));
  Changed();
}

void TControl::SetHint(std::string hint) { hint_ = std::move(hint); }

void TControl::SetCursor(TCursor cursor) {
  if (cursor_ == cursor) return;
  cursor_ = cursor;
  apply_cursor();
}

void TControl::apply_cursor() {
  if (!host_ || !host_->widget) return;
  if (cursor_ == crDefault) host_->widget->unsetCursor();
  else host_->widget->setCursor(qt_cursor(cursor_));
}

void TControl::BringToFront() {
  if (parent_) {
    auto& v = parent_->controls_;
    v.erase(std::find(v.begin(), v.end(), this));
    v.push_back(this);
    parent_->place_on_top(this);
  } else if (host_ && host_->widget) {
    host_->widget->raise();
  }
}

void TControl::SendToBack() {
  if (parent_) {
    auto& v = parent_->controls_;
    v.erase(std::find(v.begin(), v.end(), this));
    v.insert(v.begin(), this);
    parent_->place_at_back(this);
  } else if (host_ && host_->widget) {
    host_->widget->lower();
  }
}

void TControl::Invalidate() {
  if (!host_ || !host_->widget) return;
  QWidget* w = host_->widget;
  if (!w->isWindow() && immediate_paint_covers(w, w->geometry())) return;  // the change's own paint covers it
  w->update();
}

void TControl::Repaint() {
  if (host_ && host_->widget && host_->widget->isVisible()) host_->widget->repaint();
}

void TControl::RepaintRect(const TRect& r) {
  if (host_ && host_->widget && host_->widget->isVisible())
    host_->widget->repaint(QRect(r.Left, r.Top, r.Width(), r.Height()));
}

void TControl::RepaintRects(std::initializer_list<TRect> rects) {
  if (!host_ || !host_->widget || !host_->widget->isVisible()) return;
  QRegion region;
  for (const TRect& r : rects) region += QRect(r.Left, r.Top, r.Width(), r.Height());
  host_->widget->repaint(region);
}

void TControl::Update() {
  if (host_ && host_->widget && host_->widget->isVisible()) host_->widget->repaint();
}

TPoint TControl::ClientToScreen(TPoint p) const {
  if (!host_ || !host_->widget) return p;
  QPoint q = host_->widget->mapToGlobal(QPoint(p.X, p.Y));
  return {q.x(), q.y()};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  if (!host_ || !host_->widget) return p;
  QPoint q = host_->widget->mapFromGlobal(QPoint(p.X, p.Y));
  return {q.x(), q.y()};
}

TControl* TControl::TopLevel() {
  TControl* c = this;
  while (c->parent_) c = c->parent_;
  return c;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}
void TControl::Paint(TCanvas&) {}

// ---------------------------------------------------------------------------------------------
// Windowed controls
// ---------------------------------------------------------------------------------------------
TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Children that are not owned by this control lose their parent.
  auto children = controls_;
  for (TControl* c : children) c->SetParent(nullptr);
}

void TWinControl::add_child(TControl* c) {
  controls_.push_back(c);
  place_on_top(c);
}

void TWinControl::remove_child(TControl* c) {
  auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it != controls_.end()) controls_.erase(it);
}

// Qt's stacking follows the z-order list, with the controls drawn on the parent (labels,
// images, paint boxes) always beneath the windowed ones, as in the class library.
QWidget* TWinControl::lowest_windowed(const TControl* except) const {
  for (TControl* c : controls_)
    if (c != except && c->IsWindowed() && c->Host() && c->Host()->widget) return c->Host()->widget;
  return nullptr;
}

void TWinControl::place_on_top(TControl* c) {
  if (!c->Host() || !c->Host()->widget) return;
  QWidget* w = c->Host()->widget;
  QWidget* under = c->IsWindowed() ? nullptr : lowest_windowed(c);
  if (under) w->stackUnder(under);
  else w->raise();
}

void TWinControl::place_at_back(TControl* c) {
  if (!c->Host() || !c->Host()->widget) return;
  QWidget* w = c->Host()->widget;
  QWidget* under = c->IsWindowed() ? lowest_windowed(c) : nullptr;
  if (!c->IsWindowed()) w->lower();
  else if (under) w->stackUnder(under);
  else w->raise();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  bool resized = width != Width() || height != Height();
  TControl::SetBounds(left, top, width, height);
  if (resized) Realign();
}

void TWinControl::Realign() {
  int l = 0, t = 0, r = ClientWidth(), b = ClientHeight();
  for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
    for (TControl* c : controls_) {
      if (c->Align() != pass || !c->Visible()) continue;
      switch (pass) {
        case TAlign::alTop: c->SetBounds(l, t, r - l, c->Height()); t += c->Height(); break;
        case TAlign::alBottom: b -= c->Height(); c->SetBounds(l, b, r - l, c->Height()); break;
        case TAlign::alLeft: c->SetBounds(l, t, c->Width(), b - t); l += c->Width(); break;
        case TAlign::alRight: r -= c->Width(); c->SetBounds(r, t, c->Width(), b - t); break;
        case TAlign::alClient: c->SetBounds(l, t, r - l, b - t); break;
        default: break;
      }
    }
  }
}

void TWinControl::SetFocus() {
  if (Host() && Host()->widget) Host()->widget->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const { return Host() && Host()->widget && Host()->widget->hasFocus(); }

void TWinControl::KeyDown(Word& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(Word& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

// ---------------------------------------------------------------------------------------------
// Panels, labels, paint boxes
// ---------------------------------------------------------------------------------------------
TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  create_host(false);
  SetBounds(0, 0, 185, 41);
}
void TPanel::SetBevelOuter(TBevelCut v) {
  bevel_outer_ = v;
  Changed();
}
void TPanel::SetBevelInner(TBevelCut v) {
  bevel_inner_ = v;
  Changed();
}
void TPanel::SetBevelWidth(int v) {
  bevel_width_ = v;
  Changed();
}
void TPanel::SetBorderStyle(TBorderStyle v) {
  border_style_ = v;
  Changed();
}
void TPanel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Changed();
}

TLabel::TLabel(TComponent* owner) : TControl(owner) {
  SetParentColor(true);
  create_host(false);
  SetBounds(0, 0, 65, 13);
}

void TLabel::Changed() {
  adjust_size();
  TControl::Changed();
}

void TLabel::adjust_size() {
  if (!auto_size_ || word_wrap_) return;
  QFontMetrics fm(qt_font(Font()));
  QString text = QString::fromStdString(Caption());
  int w = text.isEmpty() ? 0 : fm.horizontalAdvance(text);
  int h = fm.height();
  SetBounds(Left(), Top(), w, h);
}

void TLabel::SetAutoSize(bool v) {
  auto_size_ = v;
  Changed();
}
void TLabel::SetTransparent(bool v) {
  transparent_ = v;
  if (Host() && Host()->widget) Host()->widget->setAttribute(Qt::WA_OpaquePaintEvent, !v);
  Changed();
}
void TLabel::SetWordWrap(bool v) {
  word_wrap_ = v;
  Changed();
}
void TLabel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Changed();
}
void TLabel::SetLayout(TTextLayout v) {
  layout_ = v;
  Changed();
}

TPaintBox::TPaintBox(TComponent* owner) : TControl(owner) {
  create_host(false);
  SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint(TCanvas& canvas) {
  if (OnPaint) OnPaint(this, canvas);
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) { create_host(false); }
