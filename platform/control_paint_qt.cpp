#include "platform/control_host_qt.hpp"
#include "platform/painting_qt.hpp"
#include "platform/scroll_box.hpp"
#include "platform/track_bar.hpp"

// Controls with their own drawing: the platform's drawn controls paint with Qt first; what a
// control draws through a canvas comes once the graphics layer provides canvases.
void paint_custom(TControl& control, QPainter& painter) {
  if (auto* bar = dynamic_cast<TTrackBar*>(&control)) paint_track_bar(*bar, painter);
}

void paint_overlay(TScrollingWinControl&, QPainter&, int, int) {}
