// Writes the benchmarks' photo-like picture (photo_picture.hpp) as a binary PPM, so that the
// peers measured beside us (libvips, Pillow) read exactly our input.
// Usage: photo_ppm WIDTH HEIGHT FILE [SEED]
#include <cstdio>
#include <cstdlib>

#include "bench/photo_picture.hpp"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s WIDTH HEIGHT FILE [SEED]\n", argv[0]);
    return 2;
  }
  const int w = std::atoi(argv[1]);
  const int h = std::atoi(argv[2]);
  const std::uint32_t seed = argc > 4 ? static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1u;
  if (w < 1 || h < 1 || w > 30000 || h > 30000) {
    std::fprintf(stderr, "bad size\n");
    return 2;
  }
  std::vector<std::uint8_t> bgr = photo::bgr_pixels(w, h, seed);
  for (std::size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);  // to RGB
  std::FILE* f = std::fopen(argv[3], "wb");
  if (!f) {
    std::perror(argv[3]);
    return 1;
  }
  std::fprintf(f, "P6\n%d %d\n255\n", w, h);
  const bool ok = std::fwrite(bgr.data(), 1, bgr.size(), f) == bgr.size();
  if (std::fclose(f) != 0 || !ok) {
    std::fprintf(stderr, "cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
