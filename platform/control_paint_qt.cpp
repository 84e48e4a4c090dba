#include "platform/canvas_qt.hpp"
#include "platform/control_host_qt.hpp"
#include "platform/dib_view.hpp"
#include "platform/forms.hpp"
#include "platform/painting_qt.hpp"
#include "platform/scroll_box.hpp"
#include "platform/track_bar.hpp"

// Controls with their own drawing: the platform's drawn controls paint with Qt first, then every
// such control draws through a canvas over the widget's painter, valid for this call only.
void paint_custom(TControl& control, QPainter& painter) {
  if (auto* view = dynamic_cast<TDibView*>(&control)) {
    paint_dib_view(*view, painter);  // draws nothing through a canvas
    return;
  }
  if (auto* bar = dynamic_cast<TTrackBar*>(&control)) paint_track_bar(*bar, painter);
  painter.save();
  {
    TCanvas canvas;
    CanvasPaintScope scope(canvas, painter, control.Width(), control.Height());
    Application->Dispatch([&] { control.Paint(canvas); });
  }
  painter.restore();
}

void paint_overlay(TScrollingWinControl& control, QPainter& painter, int width, int height) {
  painter.save();
  {
    TCanvas canvas;
    CanvasPaintScope scope(canvas, painter, width, height);
    Application->Dispatch([&] { control.PaintOverlay(canvas); });
  }
  painter.restore();
}
