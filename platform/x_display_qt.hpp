// The X display under the toolkit, where the program talks to the server directly: Qt's own xcb
// connection and how the screen's pixels are laid out. Private to the platform layer.
#pragma once

#include <xcb/xcb.h>

// The X server's root window and how its pixels read as colours: 32-bit pixels of a depth-24
// true-colour visual, 8 bits per channel, in the server's byte order. Other layouts are left to
// the toolkit.
struct RootPixels {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
  bool lsb_first = true;
  int red_shift = 0, green_shift = 0, blue_shift = 0;
  // The program's own second connection to the same server, or nullptr. Its replies come straight
  // to the waiting call; those of the toolkit's connection pass through the toolkit's
  // event-reading thread first (two thread switches per round trip on a busy core).
  xcb_connection_t* own = nullptr;
};

// The layout, or nullptr when the program does not run on such an X display (another platform,
// another depth, several screens, a scaled screen).
const RootPixels* root_pixels();
xcb_window_t x_root();
// The connection for the program's own requests (pointer, screen pixels, its own drawing), once
// the server has done whatever the toolkit drew before: the toolkit's connection, or the own one.
xcb_connection_t* x_connection();
// Tells that the toolkit may have drawn on the screen (a paint, an expose): the next request on
// the own connection waits until the server has done it.
void x_note_toolkit_drawing();
