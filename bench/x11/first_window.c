// Start to first window on an X display: starts a program and prints the microseconds from its
// start until a window whose name contains NAME is mapped, and until a point of that window
// (environment PX, PY, window coordinates; none: 0, 0 means not watched) first shows a colour
// other than the one it had when mapped (the first paint). Used for the start-up ratio against
// gpick, both pinned to one core:
//   cc -O2 first_window.c -o first_window -lX11
//   PX=300 PY=300 taskset -c 1 ./first_window Huewright huewright
//   PX=100 PY=100 taskset -c 1 ./first_window Gpick gpick
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

static int named(Display* d, Window w, const char* n) {
  char* s = NULL;
  int ok = 0;
  if (XFetchName(d, w, &s) && s) {
    ok = strstr(s, n) != NULL;
    XFree(s);
  }
  if (!ok) {
    XTextProperty tp;
    if (XGetTextProperty(d, w, &tp, XInternAtom(d, "_NET_WM_NAME", False)) && tp.value) {
      ok = strstr((char*)tp.value, n) != NULL;
      XFree(tp.value);
    }
  }
  return ok;
}

static unsigned long root_pixel(Display* d, int x, int y) {
  XImage* im = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!im) return 0;
  unsigned long p = XGetPixel(im, 0, 0);
  XDestroyImage(im);
  return p;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s NAME program [args...]\n", argv[0]);
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (!d) return 1;
  XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
  XSync(d, False);
  const double t0 = now();
  pid_t child = fork();
  if (child == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  XEvent e;
  for (;;) {
    XNextEvent(d, &e);
    if (e.type == MapNotify && named(d, e.xmap.window, argv[1])) break;
  }
  const double mapped = now();
  double painted = mapped;
  const int px = getenv("PX") ? atoi(getenv("PX")) : 0, py = getenv("PY") ? atoi(getenv("PY")) : 0;
  if (px || py) {
    Window ignored;
    int rx, ry;
    XTranslateCoordinates(d, e.xmap.window, DefaultRootWindow(d), px, py, &rx, &ry, &ignored);
    const unsigned long first = root_pixel(d, rx, ry);
    for (int i = 0; i < 50000; ++i) {
      const unsigned long p = root_pixel(d, rx, ry);
      if (p != first && p != 0) break;
      usleep(200);
    }
    painted = now();
  }
  printf("%.0f %.0f\n", mapped - t0, painted - t0);
  kill(child, SIGTERM);
  waitpid(child, NULL, 0);
  return 0;
}
