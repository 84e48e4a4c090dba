/* The yardstick of a zoom step: one memcpy of the displayed picture's size, 4 bytes per pixel,
 * between two buffers written beforehand. Prints the median milliseconds of RUNS copies per size.
 * Usage: plain_copy RUNS BYTES... */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "peer_timing.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: plain_copy RUNS BYTES...\n");
    return 2;
  }
  const int runs = atoi(argv[1]);
  if (runs < 1) return 2;
  double* t = malloc(sizeof(double) * (size_t)runs);
  for (int a = 2; a < argc; ++a) {
    const size_t n = strtoull(argv[a], NULL, 10);
    unsigned char* src = malloc(n);
    unsigned char* dst = malloc(n);
    if (!src || !dst) return 1;
    memset(src, 1, n);
    memset(dst, 2, n);
    for (int i = 0; i < runs; ++i) {
      src[i % n] = (unsigned char)i;
      const double t0 = now_ms();
      memcpy(dst, src, n);
      t[i] = now_ms() - t0;
      if (dst[i % n] != (unsigned char)i) return 1;
    }
    qsort(t, (size_t)runs, sizeof(double), cmp);
    printf("%zu %.3f\n", n, t[runs / 2]);
    free(src);
    free(dst);
  }
  free(t);
  return 0;
}
