#include "platform/control_host_qt.hpp"

// Controls with their own drawing receive a canvas over the widget's painter once the
// graphics layer provides canvases; until then they draw nothing of their own.
void paint_custom(TControl&, QPainter&) {}
