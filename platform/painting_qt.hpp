// Painting of the platform's own drawn controls with Qt. Private to the platform layer.
#pragma once

#include <QPainter>

class TDibView;
class TScrollingWinControl;
class TTrackBar;

// The channel, ticks and thumb of a track bar.
void paint_track_bar(TTrackBar& bar, QPainter& painter);
// The overlay of a scrolling control (its PaintOverlay through a canvas over the painter).
void paint_overlay(TScrollingWinControl& control, QPainter& painter, int width, int height);
// The exposed part of a bitmap view's bitmap.
void paint_dib_view(TDibView& view, QPainter& painter);
