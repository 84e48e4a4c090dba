// Picture files for the codec and format tests: rasters written as plain PPM/PAM files by the
// tests themselves, turned into other formats by Debian's tools (ImageMagick's convert,
// libtiff's tiffset), and read back the same way, so that expected pixels never come from the
// library under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "image/dib_graphic.hpp"
#include "platform/classes.hpp"

namespace codec_test {

// A top-down raster of 8-bit samples: 1 (grey), 3 (RGB) or 4 (RGBA) per pixel.
struct raster {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<Byte> samples;

  Byte at(int x, int y, int c) const {
    return samples[(static_cast<std::size_t>(y) * width + x) * channels + c];
  }
  Byte& at(int x, int y, int c) { return samples[(static_cast<std::size_t>(y) * width + x) * channels + c]; }
  TRgb rgb(int x, int y) const {
    if (channels < 3) return Rgb(at(x, y, 0), at(x, y, 0), at(x, y, 0));
    return Rgb(at(x, y, 0), at(x, y, 1), at(x, y, 2));
  }
};

inline raster make_raster(int w, int h, int channels, const std::function<std::vector<Byte>(int, int)>& pixel) {
  raster r{w, h, channels, {}};
  r.samples.reserve(static_cast<std::size_t>(w) * h * channels);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (Byte b : pixel(x, y)) r.samples.push_back(b);
  return r;
}

// A colourful deterministic pattern.
inline raster pattern(int w, int h) {
  return make_raster(w, h, 3, [](int x, int y) {
    return std::vector<Byte>{static_cast<Byte>(x * 37 + y * 11), static_cast<Byte>(x * 5 + y * 71),
                             static_cast<Byte>((x ^ y) * 13)};
  });
}

// Large flat blocks of a few colours, which JPEG keeps nearly exactly.
inline raster blocks(int w, int h) {
  static const Byte colours[4][3] = {{200, 30, 40}, {20, 180, 60}, {30, 40, 210}, {230, 220, 90}};
  return make_raster(w, h, 3, [](int x, int y) {
    const Byte* c = colours[((x / 16) + 2 * (y / 16)) % 4];
    return std::vector<Byte>{c[0], c[1], c[2]};
  });
}

// A smooth gradient, which JPEG keeps within a few levels.
inline raster smooth(int w, int h) {
  return make_raster(w, h, 3, [w, h](int x, int y) {
    return std::vector<Byte>{static_cast<Byte>(40 + 160 * x / w), static_cast<Byte>(30 + 180 * y / h),
                             static_cast<Byte>(120 + 40 * (x + y) / (w + h))};
  });
}

// Random pixels, which no compressor shrinks much.
inline raster noise(int w, int h, std::uint32_t seed) {
  std::mt19937 rng(seed);
  raster r{w, h, 3, std::vector<Byte>(static_cast<std::size_t>(w) * h * 3)};
  for (Byte& b : r.samples) b = static_cast<Byte>(rng());
  return r;
}

inline std::vector<Byte> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::string& path, const std::vector<Byte>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Writes the raster as binary PGM (1 channel), PPM (3) or PAM with alpha (4).
inline void write_netpbm(const std::string& path, const raster& r) {
  std::ostringstream head;
  if (r.channels == 1) head << "P5\n" << r.width << " " << r.height << "\n255\n";
  else if (r.channels == 3) head << "P6\n" << r.width << " " << r.height << "\n255\n";
  else
    head << "P7\nWIDTH " << r.width << "\nHEIGHT " << r.height << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  std::string h = head.str();
  std::vector<Byte> bytes(h.begin(), h.end());
  bytes.insert(bytes.end(), r.samples.begin(), r.samples.end());
  write_file(path, bytes);
}

// Runs a shell command; a failure fails the test with the command.
inline bool run(const std::string& command) {
  int rc = std::system((command + " 2>/dev/null").c_str());
  EXPECT_EQ(rc, 0) << command;
  return rc == 0;
}

// ImageMagick's reading of any picture file as 8-bit RGB, or RGBA with `alpha`.
inline raster magick_read(const std::string& path, bool alpha = false) {
  std::string out = path + ".check.pam";
  run("convert '" + path + "' -depth 8 " + (alpha ? "-alpha on" : "-alpha off -type TrueColor") + " '" + out + "'");
  std::vector<Byte> bytes = read_file(out);
  std::remove(out.c_str());
  raster r;
  std::string text(bytes.begin(), bytes.end());
  std::size_t end = text.find("ENDHDR\n");
  if (end == std::string::npos) {
    ADD_FAILURE() << "no PAM output for " << path;
    return r;
  }
  std::istringstream head(text.substr(0, end));
  std::string word;
  while (head >> word) {
    if (word == "WIDTH") head >> r.width;
    else if (word == "HEIGHT") head >> r.height;
    else if (word == "DEPTH") head >> r.channels;
  }
  r.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(end + 7), bytes.end());
  EXPECT_EQ(r.samples.size(), static_cast<std::size_t>(r.width) * r.height * r.channels) << path;
  return r;
}

// Every pixel of the picture against the raster's colours, within `tolerance` per channel.
inline void expect_pixels(const TDibGraphic& picture, const raster& expected, int tolerance = 0,
                          const std::string& what = "") {
  ASSERT_EQ(picture.Width(), expected.width) << what;
  ASSERT_EQ(picture.Height(), expected.height) << what;
  int bad = 0;
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x) {
      TRgb got = picture.GetPixel(x, y);
      TRgb want = expected.rgb(x, y);
      if (std::abs(got.Red - want.Red) > tolerance || std::abs(got.Green - want.Green) > tolerance ||
          std::abs(got.Blue - want.Blue) > tolerance) {
        if (++bad <= 5)
          ADD_FAILURE() << what << " pixel (" << x << ", " << y << "): got " << int(got.Red) << "," << int(got.Green)
                        << "," << int(got.Blue) << " want " << int(want.Red) << "," << int(want.Green) << ","
                        << int(want.Blue);
      }
    }
  EXPECT_EQ(bad, 0) << what;
}

// The picture's pixels as an RGB raster.
inline raster picture_raster(const TDibGraphic& picture) {
  return make_raster(picture.Width(), picture.Height(), 3, [&](int x, int y) {
    TRgb c = picture.GetPixel(x, y);
    return std::vector<Byte>{c.Red, c.Green, c.Blue};
  });
}

// A memory stream holding the file.
inline void load_stream(TMemoryStream& stream, const std::string& path) {
  std::vector<Byte> bytes = read_file(path);
  stream.Clear();
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  stream.SetPosition(0);
}

inline std::vector<Byte> stream_bytes(TMemoryStream& stream) {
  return {stream.Memory(), stream.Memory() + stream.Size()};
}

// Records progress reports.
struct progress_log {
  std::vector<int> percents;
  TZuroroveProgressEvent handler() {
    return [this](TObject*, Byte p) { percents.push_back(p); };
  }
};

}  // namespace codec_test
