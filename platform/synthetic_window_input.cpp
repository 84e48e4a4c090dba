#include "platform/synthetic_window_input.hpp"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWindow>

#include "platform/control_host_qt.hpp"

namespace {

Qt::MouseButton qt_button(TMouseButton b) {
  return b == mbRight ? Qt::RightButton : b == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
}

void send(TControl& form, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, int x, int y) {
  QWidget* w = form.Host() ? form.Host()->widget : nullptr;
  if (!w) return;
  QWindow* window = w->window()->windowHandle();
  if (!window) return;
  QPointF local = QPointF(w->mapTo(w->window(), QPoint(x, y)));
  QMouseEvent e(type, local, local, window->mapToGlobal(local.toPoint()), button, buttons, Qt::NoModifier);
  QGuiApplication::sendEvent(window, &e);
}

}  // namespace

void send_window_mouse_press(TControl& form, TMouseButton b, int x, int y) {
  send(form, QEvent::MouseButtonPress, qt_button(b), Qt::MouseButtons(qt_button(b)), x, y);
}

void send_window_mouse_release(TControl& form, TMouseButton b, int x, int y) {
  send(form, QEvent::MouseButtonRelease, qt_button(b), Qt::NoButton, x, y);
}

void send_window_mouse_move(TControl& form, int x, int y, TShiftState held) {
  Qt::MouseButtons b;
  if (held & ssLeft) b |= Qt::LeftButton;
  if (held & ssRight) b |= Qt::RightButton;
  if (held & ssMiddle) b |= Qt::MiddleButton;
  send(form, QEvent::MouseMove, Qt::NoButton, b, x, y);
}
