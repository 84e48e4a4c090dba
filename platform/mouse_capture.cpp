#include "platform/mouse_capture.hpp"

#include <QPointer>
#include <memory>

#include "platform/control_host_qt.hpp"

namespace {

struct Capture {
  TControl* control = nullptr;
  std::weak_ptr<int> alive;
  QPointer<QWidget> widget;
};

Capture& capture() {
  static Capture c;
  return c;
}

}  // namespace

TControl* GetCaptureControl() {
  Capture& c = capture();
  return c.alive.expired() ? nullptr : c.control;
}

void SetCaptureControl(TControl* control) {
  Capture& c = capture();
  QWidget* grabber = QWidget::mouseGrabber();
  if (c.widget && grabber == c.widget.data()) c.widget->releaseMouse();
  c = Capture{};
  if (!control || !control->Host() || !control->Host()->widget) return;
  c.control = control;
  c.alive = control->AliveToken();
  c.widget = control->Host()->widget;
  c.widget->grabMouse();
}

void ReleaseCaptureOf(TControl* control) {
  if (control && GetCaptureControl() == control) SetCaptureControl(nullptr);
}
