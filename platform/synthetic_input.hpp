// Real window-system input events sent to a control's window, as the user's mouse and keyboard
// would send them (used by tests and by the program's own automation). Coordinates are the
// control's client coordinates.
#pragma once

#include <string>

#include "platform/controls.hpp"

void send_mouse_press(TControl& c, TMouseButton button, int x, int y, TShiftState keys = 0);
void send_mouse_release(TControl& c, TMouseButton button, int x, int y, TShiftState keys = 0);
void send_mouse_double_click(TControl& c, TMouseButton button, int x, int y, TShiftState keys = 0);
// A move with the given buttons held (ssLeft, ssRight, ssMiddle) and keys.
void send_mouse_move(TControl& c, int x, int y, TShiftState held = 0);
// Press and release at one point.
void send_click(TControl& c, int x, int y, TMouseButton button = mbLeft);
void send_mouse_enter(TControl& c);
void send_mouse_leave(TControl& c);
// A key press and release of a virtual key, with its text (may be empty).
void send_key(TControl& c, Word key, const std::string& text = {}, TShiftState keys = 0);
// Types each character as a key press and release.
void send_text(TControl& c, const std::string& text);
// Asks the window of a form to close, as the window manager would.
void send_close(TControl& form);
// Paints every pending change at once.
void flush_paints();
// Frees at once the windows of controls deleted outside the event loop, which the loop would free
// when it next runs: without a running loop they pile up as hidden top-level windows.
void free_deleted_windows();
