// Mouse events sent to a form's window rather than to one control: the window system routes
// them as it routes the pointer's, to the control under the point, or, while a button is held,
// to the control that took the press or holds the capture. Coordinates are the form's client
// coordinates.
#pragma once

#include "platform/controls.hpp"

void send_window_mouse_press(TControl& form, TMouseButton button, int x, int y);
void send_window_mouse_release(TControl& form, TMouseButton button, int x, int y);
// A move with the given buttons held (ssLeft, ssRight, ssMiddle).
void send_window_mouse_move(TControl& form, int x, int y, TShiftState held = 0);
