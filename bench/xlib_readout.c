/* The yardstick of a mouse move: a minimal Xlib client doing what a colour readout needs per
 * move, one round trip each, synchronously: the pointer query, a one-pixel read of the screen
 * under it, and a fill of a small readout rectangle in its own window in that colour, flushed and
 * waited for. RUNS runs of MOVES moves; prints the median per-move time in milliseconds.
 * Usage: xlib_readout [RUNS] [MOVES]   (DISPLAY must be set) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int cmp(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
  const int runs = argc > 1 ? atoi(argv[1]) : 15;
  const int moves = argc > 2 ? atoi(argv[2]) : 200;
  Display* d = XOpenDisplay(NULL);
  if (!d || runs < 1 || moves < 1) {
    fprintf(stderr, "xlib_readout: no display\n");
    return 2;
  }
  const int screen = DefaultScreen(d);
  Window root = RootWindow(d, screen);
  Window w = XCreateSimpleWindow(d, root, 0, 0, 200, 100, 0, BlackPixel(d, screen), WhitePixel(d, screen));
  XSelectInput(d, w, ExposureMask);
  XMapWindow(d, w);
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == Expose) break;
  }
  GC gc = XCreateGC(d, w, 0, NULL);
  double* t = malloc(sizeof(double) * (size_t)runs);
  unsigned long sink = 0;
  for (int r = 0; r < runs; ++r) {
    const double t0 = now_ms();
    for (int i = 0; i < moves; ++i) {
      Window root_ret, child;
      int rx, ry, wx, wy;
      unsigned int mask;
      XQueryPointer(d, root, &root_ret, &child, &rx, &ry, &wx, &wy, &mask);
      XImage* img = XGetImage(d, root, rx, ry, 1, 1, AllPlanes, ZPixmap);
      const unsigned long pixel = img ? XGetPixel(img, 0, 0) : 0;
      if (img) XDestroyImage(img);
      sink += pixel;
      XSetForeground(d, gc, pixel ^ (unsigned long)i);
      XFillRectangle(d, w, gc, 10, 10, 60, 20);
      XSync(d, False);
    }
    t[r] = (now_ms() - t0) / moves;
  }
  qsort(t, (size_t)runs, sizeof(double), cmp);
  printf("%.4f\n", t[runs / 2]);
  XFreeGC(d, gc);
  XDestroyWindow(d, w);
  XCloseDisplay(d);
  return sink == 0xFFFFFFFFul ? 1 : 0;
}
