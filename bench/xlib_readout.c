/* The yardstick of a mouse move over the picture view: a minimal Xlib client doing per move what
 * bench_pick_bench's BM_MouseMoveOverView does through the program, in the same order and with the
 * same waits: the pointer moved to the next point of the same walk (XWarpPointer, one request as
 * the program's SetCursorPos), the server's motion event received (the program's event queue
 * receives it too), the pointer query, a one-pixel read of the root window under
 * it, and a fill of the two readout areas (the 720 x 7 bars and the 180 x 137 magnifier) in that
 * colour in its own 900 x 600 window, sent at once with XFlush as the program's paint is sent. The
 * server answers a client's requests in order, so the next move's pointer query waits until this
 * move's fill is done (and the run ends with XSync): each move is counted whole, the server's fill
 * and the pointer move included, as on the program's side.
 * RUNS runs of MOVES moves (after one unmeasured run); prints the median of the runs' per-move
 * means in milliseconds, then every run.
 * Usage: xlib_readout [RUNS] [MOVES]   (DISPLAY must be set) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "peer_timing.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? atoi(argv[1]) : 15;
  const int moves = argc > 2 ? atoi(argv[2]) : 1000;
  Display* d = XOpenDisplay(NULL);
  if (!d || runs < 1 || moves < 1) {
    fprintf(stderr, "xlib_readout: no display\n");
    return 2;
  }
  const int screen = DefaultScreen(d);
  Window root = RootWindow(d, screen);
  Window w = XCreateSimpleWindow(d, root, 0, 0, 900, 600, 0, BlackPixel(d, screen), WhitePixel(d, screen));
  XSelectInput(d, w, ExposureMask);
  XMapWindow(d, w);
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == Expose) break;
  }
  XSelectInput(d, w, PointerMotionMask);
  GC gc = XCreateGC(d, w, 0, NULL);
  double* t = malloc(sizeof(double) * (size_t)runs);
  unsigned long sink = 0;
  int i = 0;
  for (int r = -1; r < runs; ++r) {
    const double t0 = now_ms();
    for (int m = 0; m < moves; ++m, ++i) {
      XWarpPointer(d, None, root, 0, 0, 0, 0, 20 + (i * 37) % 680, 20 + (i * 53) % 480);
      XEvent e;
      XMaskEvent(d, PointerMotionMask, &e); /* the server's motion event, received as the program's */
      Window root_ret, child;
      int rx, ry, wx, wy;
      unsigned int mask;
      XQueryPointer(d, root, &root_ret, &child, &rx, &ry, &wx, &wy, &mask);
      XImage* img = XGetImage(d, root, rx, ry, 1, 1, AllPlanes, ZPixmap);
      const unsigned long pixel = img ? XGetPixel(img, 0, 0) : 0;
      if (img) XDestroyImage(img);
      sink += pixel;
      XSetForeground(d, gc, pixel ^ (unsigned long)(i & 0xFF));
      XFillRectangle(d, w, gc, 0, 0, 720, 7);
      XFillRectangle(d, w, gc, 720, 0, 180, 137);
      XFlush(d);
    }
    XSync(d, False);
    if (r >= 0) t[r] = (now_ms() - t0) / moves;
  }
  double* sorted = malloc(sizeof(double) * (size_t)runs);
  for (int r = 0; r < runs; ++r) sorted[r] = t[r];
  qsort(sorted, (size_t)runs, sizeof(double), cmp);
  printf("%.4f\n", sorted[runs / 2]);
  for (int r = 0; r < runs; ++r) printf("%.4f\n", t[r]);
  XFreeGC(d, gc);
  XDestroyWindow(d, w);
  XCloseDisplay(d);
  free(sorted);
  free(t);
  return sink == 0xFFFFFFFFul ? 1 : 0;
}
