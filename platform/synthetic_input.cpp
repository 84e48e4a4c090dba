#include "platform/synthetic_input.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/control_host_qt.hpp"

namespace {

QWidget* widget_of(TControl& c) { return c.Host() ? c.Host()->widget : nullptr; }

Qt::MouseButton qt_button(TMouseButton b) {
  return b == mbRight ? Qt::RightButton : b == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
}

Qt::MouseButtons qt_buttons(TShiftState s) {
  Qt::MouseButtons b;
  if (s & ssLeft) b |= Qt::LeftButton;
  if (s & ssRight) b |= Qt::RightButton;
  if (s & ssMiddle) b |= Qt::MiddleButton;
  return b;
}

Qt::KeyboardModifiers qt_mods(TShiftState s) {
  Qt::KeyboardModifiers m;
  if (s & ssShift) m |= Qt::ShiftModifier;
  if (s & ssCtrl) m |= Qt::ControlModifier;
  if (s & ssAlt) m |= Qt::AltModifier;
  return m;
}

void send_mouse(TControl& c, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, int x, int y, TShiftState keys) {
  QWidget* w = widget_of(c);
  if (!w) return;
  // The event goes to the widget under the point, as the pointer's would (the inner widget of an
  // edit or a list, a child control lying there).
  if (QWidget* child = w->childAt(x, y)) {
    QPoint p = child->mapFrom(w, QPoint(x, y));
    w = child;
    x = p.x();
    y = p.y();
  }
  QPointF local(x, y);
  QPointF global = w->mapToGlobal(local.toPoint());
  QMouseEvent e(type, local, local, global, button, buttons, qt_mods(keys));
  QApplication::sendEvent(w, &e);
}

int qt_key(Word vk) {
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return vk;
  switch (vk) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_RETURN: return Qt::Key_Return;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_LEFT: return Qt::Key_Left;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_UP: return Qt::Key_Up;
    case VK_DOWN: return Qt::Key_Down;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_HOME: return Qt::Key_Home;
    case VK_END: return Qt::Key_End;
    default: return 0;
  }
}

}  // namespace

void send_mouse_press(TControl& c, TMouseButton b, int x, int y, TShiftState keys) {
  send_mouse(c, QEvent::MouseButtonPress, qt_button(b), qt_buttons(keys) | qt_button(b), x, y, keys);
}

void send_mouse_release(TControl& c, TMouseButton b, int x, int y, TShiftState keys) {
  send_mouse(c, QEvent::MouseButtonRelease, qt_button(b), qt_buttons(keys) & ~Qt::MouseButtons(qt_button(b)), x, y, keys);
}

void send_mouse_double_click(TControl& c, TMouseButton b, int x, int y, TShiftState keys) {
  send_mouse(c, QEvent::MouseButtonDblClick, qt_button(b), qt_buttons(keys) | qt_button(b), x, y, keys);
}

void send_mouse_move(TControl& c, int x, int y, TShiftState held) {
  send_mouse(c, QEvent::MouseMove, Qt::NoButton, qt_buttons(held), x, y, held);
}

void send_click(TControl& c, int x, int y, TMouseButton b) {
  send_mouse_press(c, b, x, y);
  send_mouse_release(c, b, x, y);
}

void send_mouse_enter(TControl& c) {
  QWidget* w = widget_of(c);
  if (!w) return;
  QEnterEvent e(QPointF(0, 0), QPointF(0, 0), w->mapToGlobal(QPointF(0, 0)));
  QApplication::sendEvent(w, &e);
}

void send_mouse_leave(TControl& c) {
  QWidget* w = widget_of(c);
  if (!w) return;
  QEvent e(QEvent::Leave);
  QApplication::sendEvent(w, &e);
}

void send_key(TControl& c, Word key, const std::string& text, TShiftState keys) {
  QWidget* w = widget_of(c);
  if (!w) return;
  if (w->focusProxy()) w = w->focusProxy();
  QString t = QString::fromStdString(text);
  QKeyEvent press(QEvent::KeyPress, qt_key(key), qt_mods(keys), t);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, qt_key(key), qt_mods(keys), t);
  QApplication::sendEvent(w, &release);
}

void send_text(TControl& c, const std::string& text) {
  for (char ch : text) {
    Word vk = (ch >= 'a' && ch <= 'z') ? static_cast<Word>(ch - 32) : static_cast<Word>(static_cast<unsigned char>(ch));
    send_key(c, vk, std::string(1, ch));
  }
}

void send_close(TControl& form) {
  QWidget* w = widget_of(form);
  if (!w) return;
  QCloseEvent e;
  QApplication::sendEvent(w, &e);
}

void free_deleted_windows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

void flush_paints() {
  QApplication::processEvents();
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) w->repaint();
}
