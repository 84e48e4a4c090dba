/* The libvips side of the resize ratios: a picture loaded once into memory, then each operation
 * timed on it, output written to memory so that every pixel is computed. One thread
 * (vips_concurrency_set(1), as VIPS_CONCURRENCY=1), the operation cache off so that every run
 * computes. Prints one line per case: name, median milliseconds over the runs.
 * Usage: vips_peer FILE [RUNS] */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <vips/vips.h>

#include "peer_timing.h"

enum op { REDUCE, RESIZE, RESIZE_NOGAP };

static int run(VipsImage* in, enum op op, double scale, VipsKernel kernel, double* ms) {
  VipsImage* out = NULL;
  const double t0 = now_ms();
  int rc;
  if (op == REDUCE)
    rc = vips_reduce(in, &out, 1.0 / scale, 1.0 / scale, "kernel", kernel, NULL);
  else if (op == RESIZE)
    rc = vips_resize(in, &out, scale, "kernel", kernel, NULL);
  else
    rc = vips_resize(in, &out, scale, "kernel", kernel, "gap", 0.0, NULL);
  if (rc) return -1;
  size_t size = 0;
  void* mem = vips_image_write_to_memory(out, &size);
  *ms = now_ms() - t0;
  g_free(mem);
  g_object_unref(out);
  return mem ? 0 : -1;
}

int main(int argc, char** argv) {
  if (argc < 2 || VIPS_INIT(argv[0])) {
    fprintf(stderr, "usage: vips_peer FILE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? atoi(argv[2]) : 15;
  vips_concurrency_set(1);
  vips_cache_set_max(0);
  VipsImage* file = vips_image_new_from_file(argv[1], NULL);
  VipsImage* in = file ? vips_image_copy_memory(file) : NULL;
  if (!in) {
    fprintf(stderr, "%s\n", vips_error_buffer());
    return 1;
  }
  static const struct {
    const char* name;
    enum op op;
    double scale;
    VipsKernel kernel;
  } cases[] = {
      {"reduce_25_bilinear", REDUCE, 0.25, VIPS_KERNEL_LINEAR},
      {"reduce_25_lanczos", REDUCE, 0.25, VIPS_KERNEL_LANCZOS3},
      {"resize_25_bilinear", RESIZE, 0.25, VIPS_KERNEL_LINEAR},
      {"resize_25_lanczos", RESIZE, 0.25, VIPS_KERNEL_LANCZOS3},
      {"resize_gap0_25_bilinear", RESIZE_NOGAP, 0.25, VIPS_KERNEL_LINEAR},
      {"resize_gap0_25_lanczos", RESIZE_NOGAP, 0.25, VIPS_KERNEL_LANCZOS3},
  };
  double* t = malloc(sizeof(double) * (size_t)runs);
  for (size_t c = 0; c < sizeof cases / sizeof cases[0]; ++c) {
    double warm;
    if (run(in, cases[c].op, cases[c].scale, cases[c].kernel, &warm)) {
      fprintf(stderr, "%s: %s\n", cases[c].name, vips_error_buffer());
      return 1;
    }
    for (int i = 0; i < runs; ++i) run(in, cases[c].op, cases[c].scale, cases[c].kernel, &t[i]);
    qsort(t, (size_t)runs, sizeof(double), cmp);
    printf("%s %.2f\n", cases[c].name, t[runs / 2]);
  }
  free(t);
  g_object_unref(in);
  g_object_unref(file);
  vips_shutdown();
  return 0;
}
