/* Timing shared by the small peer and yardstick programs: a monotonic clock in milliseconds and
 * the comparison that sorts runs for their median. */
#ifndef HW_BENCH_PEER_TIMING_H
#define HW_BENCH_PEER_TIMING_H

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

#endif
