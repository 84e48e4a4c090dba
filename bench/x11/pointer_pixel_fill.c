// The yardstick of a mouse move over the picture view: a minimal Xlib client that, per move,
// moves the pointer (as the benchmark does), queries it, reads the one pixel under it from the
// root window and fills the two readout areas (720 x 7 and 180 x 137) in that colour, made
// visible with XSync. Prints the median microseconds of 3000 moves; compare with
// bench_pick_bench's BM_MouseMoveOverView run under the same server (QT_QPA_PLATFORM=xcb), both
// on one core:
//   cc -O2 pointer_pixel_fill.c -o pointer_pixel_fill -lX11
//   taskset -c 1 ./pointer_pixel_fill
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

static int by_value(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

int main(void) {
  Display* d = XOpenDisplay(NULL);
  if (!d) return 1;
  Window root = DefaultRootWindow(d);
  Window w = XCreateSimpleWindow(d, root, 0, 0, 900, 600, 0, 0, 0);
  XMapWindow(d, w);
  XSync(d, False);
  GC gc = XCreateGC(d, w, 0, NULL);
  enum { N = 3000 };
  static double t[N];
  for (int i = 0; i < N; ++i) {
    const double t0 = now();
    XWarpPointer(d, None, root, 0, 0, 0, 0, 20 + (i * 37) % 680, 27 + (i * 53) % 480);
    Window r, c;
    int rx, ry, wx, wy;
    unsigned m;
    XQueryPointer(d, root, &r, &c, &rx, &ry, &wx, &wy, &m);
    XImage* im = XGetImage(d, root, rx, ry, 1, 1, AllPlanes, ZPixmap);
    const unsigned long p = XGetPixel(im, 0, 0);
    XDestroyImage(im);
    XSetForeground(d, gc, p);
    XFillRectangle(d, w, gc, 0, 0, 720, 7);
    XFillRectangle(d, w, gc, 720, 0, 180, 137);
    XSync(d, False);
    t[i] = now() - t0;
  }
  qsort(t, N, sizeof t[0], by_value);
  printf("median_us %.1f\n", t[N / 2]);
  return 0;
}
