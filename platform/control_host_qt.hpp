// The Qt side of a control: one widget per control that paints the control's state and turns
// Qt's input into the control's events. Private to the platform layer.
#pragma once

#include <QCursor>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/controls.hpp"

class QPainter;

class HostWidget : public QWidget {
public:
  HostWidget(TControl* control, bool top_level);
  TControl* control() const { return alive_.expired() ? nullptr : control_; }
  void detach() { control_ = nullptr; alive_.reset(); }
  // Paints what the control shows (not its child widgets) with a painter set up for the widget's
  // own coordinates and clip; a paint event does it with a painter on the widget.
  void paint(QPainter& p);

protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;

private:
  TControl* control_;
  std::weak_ptr<int> alive_;
  bool clicked_ = false;
  std::vector<int> pressed_keys_;  // keys pressed over this control and not yet released
};

struct ControlHost {
  HostWidget* widget = nullptr;
  // Where the control's children are placed: its own widget, or an inner client widget (the
  // viewport of a scrolling control).
  QWidget* client = nullptr;
  QWidget* container() const { return client ? client : widget; }
};

// The Qt cursor for a cursor number (built-in or registered).
QCursor qt_cursor(TCursor cursor);
// Qt's modifiers and buttons as a shift state.
TShiftState qt_shift_state(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons);
// The virtual key code of a Qt key.
Word qt_virtual_key(int qt_key);
// Qt colour of a TColor (system colours resolved).
QColor qt_color(TColor color);
QFont qt_font(const TFont& font);

// Paints what a control with custom painting draws, through a canvas over the painter.
void paint_custom(TControl& control, QPainter& painter);
