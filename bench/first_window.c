/* Start to first window: starts a program, waits for its first top-level window to be mapped on
 * the X display, and prints the time from the fork to the map in milliseconds; the program is then
 * ended (SIGTERM to the child started here, SIGKILL if it lingers). Repeats RUNS times after one
 * unmeasured warm-up and prints the median, then every run.
 * Usage: first_window RUNS PROGRAM [ARGS...]   (DISPLAY must be set) */
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "peer_timing.h"

static void end_child(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid, NULL, WNOHANG) == pid) return;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, NULL, 0);
}

/* One run: -1 if the program never mapped a window within 20 s. */
static double one_run(Display* d, char** argv) {
  Window root = DefaultRootWindow(d);
  XSelectInput(d, root, SubstructureNotifyMask);
  XSync(d, True);
  const double t0 = now_ms();
  pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);  /* the program's chatter stays out of the result */
    if (null >= 0) {
      dup2(null, 1);
      dup2(null, 2);
    }
    execvp(argv[0], argv);
    _exit(127);
  }
  double result = -1;
  const int fd = ConnectionNumber(d);
  while (now_ms() - t0 < 20000) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == MapNotify && e.xmap.event == root && !e.xmap.override_redirect) {
        result = now_ms() - t0;
        goto done;
      }
    }
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    struct timeval tv = {0, 20000};
    select(fd + 1, &set, NULL, NULL, &tv);
    if (waitpid(pid, NULL, WNOHANG) == pid) return -1;
  }
done:
  XSelectInput(d, root, NoEventMask);
  end_child(pid);
  return result;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: first_window RUNS PROGRAM [ARGS...]\n");
    return 2;
  }
  const int runs = atoi(argv[1]);
  Display* d = XOpenDisplay(NULL);
  if (!d || runs < 1) {
    fprintf(stderr, "first_window: no display\n");
    return 2;
  }
  double* t = malloc(sizeof(double) * (size_t)runs);
  if (one_run(d, argv + 2) < 0) {
    fprintf(stderr, "first_window: %s showed no window\n", argv[2]);
    return 1;
  }
  for (int i = 0; i < runs; ++i) {
    t[i] = one_run(d, argv + 2);
    if (t[i] < 0) {
      fprintf(stderr, "first_window: %s showed no window\n", argv[2]);
      return 1;
    }
  }
  double* s = malloc(sizeof(double) * (size_t)runs);
  for (int i = 0; i < runs; ++i) s[i] = t[i];
  qsort(s, (size_t)runs, sizeof(double), cmp);
  printf("%.2f", s[runs / 2]);
  for (int i = 0; i < runs; ++i) printf(" %.1f", t[i]);
  printf("\n");
  XCloseDisplay(d);
  return 0;
}
