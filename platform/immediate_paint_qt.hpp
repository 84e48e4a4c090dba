// What TControl::ChangeAndRepaint needs from the controls while its change runs. Private to the
// platform layer.
#pragma once

class QWidget;
class QRect;

// Inside a change whose rectangles are painted at its end: does that paint cover this rectangle
// of the widget (in its parent's coordinates)? The widget then need not ask the toolkit for a
// paint of its own.
bool immediate_paint_covers(const QWidget* widget, const QRect& in_parent);

// Gives the widget its new geometry without the toolkit marking the old and new places for a
// later paint (the change's own paint covers both).
void set_geometry_unpainted(QWidget* widget, const QRect& geometry);
