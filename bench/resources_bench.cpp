// Timing of the built-in pictures, and, with --sheet=FOLDER, contact sheets of them written as PNG
// files for a look by eye: every glyph on the panels it is shown on, the test pictures, the
// paintings and the help pages.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms.hpp"
#include "platform/vector_painter.hpp"
#include "resources/glyphs.hpp"
#include "resources/help_pages.hpp"
#include "resources/paintings.hpp"
#include "resources/test_pictures.hpp"

namespace {

// ---- PNG writer (8-bit RGB, one IDAT chunk) ----

void put_u32(std::string& s, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void chunk(std::string& out, const char* type, const std::string& data) {
  put_u32(out, static_cast<std::uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  put_u32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

void write_png(const std::string& path, const Raster24& r) {
  std::string raw;
  raw.reserve(static_cast<size_t>(r.height) * (static_cast<size_t>(r.width) * 3 + 1));
  for (int y = 0; y < r.height; ++y) {
    raw.push_back(0);
    const std::uint8_t* p = r.row(y);
    for (int x = 0; x < r.width; ++x) {
      raw.push_back(static_cast<char>(p[3 * x + 2]));
      raw.push_back(static_cast<char>(p[3 * x + 1]));
      raw.push_back(static_cast<char>(p[3 * x]));
    }
  }
  uLongf len = compressBound(static_cast<uLong>(raw.size()));
  std::string z(len, '\0');
  if (compress2(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6) != Z_OK)
    throw std::runtime_error("deflate failed");
  z.resize(len);
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  put_u32(ihdr, static_cast<std::uint32_t>(r.width));
  put_u32(ihdr, static_cast<std::uint32_t>(r.height));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  chunk(out, "IHDR", ihdr);
  chunk(out, "IDAT", z);
  chunk(out, "IEND", "");
  std::ofstream f(path, std::ios::binary);
  f.write(out.data(), static_cast<std::streamsize>(out.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

Raster24 from_painter(const VectorPainter& p) {
  Raster24 r(p.width(), p.height());
  r.bgr = p.bgr();
  return r;
}

// ---- Contact sheets ----

// Every glyph (one member per family) at `zoom`, on each backdrop it may be shown on, with its name.
void glyph_sheet(const std::string& path, int zoom) {
  // One of each drawing: a glyph equal to one listed already (family members, shared pictures) is
  // left out.
  std::vector<std::string> names;
  std::vector<Raster24> seen;
  for (const std::string& n : glyph_names()) {
    TColor key;
    Raster24 g = make_glyph(n, key);
    if (g.height > 100) continue;
    bool dup = false;
    for (const Raster24& s : seen) dup = dup || (s.width == g.width && s.height == g.height && s.bgr == g.bgr);
    if (dup) continue;
    seen.push_back(std::move(g));
    names.push_back(n);
  }
  const TColor backs[] = {0x00775652, 0x00535358, 0x00566050, 0x00524B48, 0x00F0F0F0, 0x002080E0};
  const int nb = 6, cell_w = 44 * zoom + 8, cell_h = 36 * zoom + 22, cols = 4;
  const int rows = static_cast<int>((names.size() + cols - 1) / cols);
  VectorPainter sheet(cols * (cell_w * nb + 16), rows * cell_h + 8, 0x00302C2A);
  for (size_t i = 0; i < names.size(); ++i) {
    TColor key = 0;
    Raster24 g = make_glyph(names[i], key);
    const int cx = static_cast<int>(i % cols) * (cell_w * nb + 16) + 8, cy = static_cast<int>(i / cols) * cell_h + 4;
    for (int b = 0; b < nb; ++b) {
      const int ox = cx + b * cell_w;
      sheet.no_pen();
      sheet.fill(backs[b]);
      sheet.rect(ox, cy, cell_w - 4, cell_h - 20);
      for (int y = 0; y < g.height && y * zoom < cell_h - 22; ++y)
        for (int x = 0; x < g.width && x * zoom < cell_w - 6; ++x) {
          const TColor c = static_cast<TColor>(g.colour(x, y));
          if (key != clNone && c == key) continue;
          sheet.fill(c);
          sheet.rect(ox + 2 + x * zoom, cy + 2 + y * zoom, zoom, zoom);
        }
    }
    sheet.pen(0x00E0E0E0, 1);
    sheet.text(cx, cy + cell_h - 20, cell_w * 3, 16, names[i], 12, false, 0);
  }
  write_png(path, from_painter(sheet));
}

Raster24 test_picture_raster(const TestPicture& p) {
  Raster24 r(p.width, p.height);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const auto c = static_cast<std::uint32_t>(p.palette[p.index_at(x, y)]);
      r.set(x, y, GetRValue(c), GetGValue(c), GetBValue(c));
    }
  return r;
}

// Box-filtered reduction by a whole factor.
Raster24 reduce(const Raster24& r, int f) {
  Raster24 o(r.width / f, r.height / f);
  for (int y = 0; y < o.height; ++y)
    for (int x = 0; x < o.width; ++x) {
      int s[3] = {0, 0, 0};
      for (int dy = 0; dy < f; ++dy)
        for (int dx = 0; dx < f; ++dx)
          for (int k = 0; k < 3; ++k) s[k] += r.row(y * f + dy)[3 * (x * f + dx) + k];
      for (int k = 0; k < 3; ++k) o.row(y)[3 * x + k] = static_cast<std::uint8_t>(s[k] / (f * f));
    }
  return o;
}

void paste(Raster24& dst, const Raster24& src, int ox, int oy) {
  for (int y = 0; y < src.height && oy + y < dst.height; ++y)
    for (int x = 0; x < src.width && ox + x < dst.width; ++x)
      for (int k = 0; k < 3; ++k) dst.row(oy + y)[3 * (ox + x) + k] = src.row(y)[3 * x + k];
}

void paintings_sheet(const std::string& dir) {
  Raster24 sheet(2 * 570, 5 * 300);
  std::fill(sheet.bgr.begin(), sheet.bgr.end(), 0x30);
  int i = 0;
  for (const Painter& p : painters()) {
    Raster24 full = make_painting(p);
    if (i == 0) write_png(dir + "/painting_" + p.name + ".png", full);
    paste(sheet, reduce(full, 2), (i % 2) * 570, (i / 2) * 300);
    ++i;
  }
  write_png(dir + "/paintings.png", sheet);
}

void help_sheet(const std::string& dir) {
  const std::vector<std::string> names = help_page_names();
  Raster24 sheet(2 * 510, 4 * 470);
  std::fill(sheet.bgr.begin(), sheet.bgr.end(), 0x20);
  TColor key;
  Raster24 logo = make_help_logo(key);
  for (size_t i = 0; i < names.size(); ++i) {
    Raster24 page = make_help_page(names[i]);
    // What the help window shows: 487 x 449 of the page, with the logo in the corner.
    Raster24 shown(487, 449);
    for (auto& b : shown.bgr) b = 0;
    for (int y = 0; y < 449; ++y)
      for (int x = 0; x < 487; ++x) {
        if (x < page.width && y < page.height) {
          const std::uint32_t c = page.colour(x, y);
          shown.set(x, y, c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        } else {
          shown.set(x, y, 0x48, 0x4B, 0x52);
        }
      }
    for (int y = 0; y < 25; ++y)
      for (int x = 0; x < 25; ++x) {
        const std::uint32_t c = logo.colour(x, y);
        if (static_cast<TColor>(c) != key) shown.set(462 + x, 424 + y, c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
      }
    if (i == 0) write_png(dir + "/help_page_1.png", shown);
    paste(sheet, shown, static_cast<int>(i % 2) * 510 + 10, static_cast<int>(i / 2) * 470 + 10);
  }
  write_png(dir + "/help_pages.png", sheet);
}

bool write_sheets(const std::string& dir) {
  help_sheet(dir);
  paintings_sheet(dir);
  glyph_sheet(dir + "/glyphs.png", 3);
  glyph_sheet(dir + "/glyphs_1x.png", 1);
  write_png(dir + "/test_picture_0.png", test_picture_raster(make_test_picture("imgPicTest")));
  write_png(dir + "/test_picture_1.png", test_picture_raster(make_test_picture("imgPicTest1")));
  std::printf("sheets written to %s\n", dir.c_str());
  return true;
}

// ---- Benchmarks ----

void BM_AllGlyphs(benchmark::State& state) {
  const std::vector<std::string> names = glyph_names();
  for (auto _ : state) {
    for (const auto& n : names) {
      TColor key;
      benchmark::DoNotOptimize(make_glyph(n, key));
    }
  }
  state.counters["glyphs"] = static_cast<double>(names.size());
}
BENCHMARK(BM_AllGlyphs)->Unit(benchmark::kMillisecond);

void BM_TestPictures(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(make_test_picture("imgPicTest"));
    benchmark::DoNotOptimize(make_test_picture("imgPicTest1"));
  }
}
BENCHMARK(BM_TestPictures)->Unit(benchmark::kMillisecond);

void BM_Paintings(benchmark::State& state) {
  for (auto _ : state)
    for (const Painter& p : painters()) benchmark::DoNotOptimize(make_painting(p));
}
BENCHMARK(BM_Paintings)->Unit(benchmark::kMillisecond);

void BM_HelpPages(benchmark::State& state) {
  for (auto _ : state)
    for (const std::string& n : help_page_names()) benchmark::DoNotOptimize(make_help_page(n));
}
BENCHMARK(BM_HelpPages)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::string sheet_dir;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--sheet=", 8) == 0) sheet_dir = argv[i] + 8;
    else args.push_back(argv[i]);
  }
  int n = static_cast<int>(args.size());
  Application->Initialize(n, args.data());
  int rc = 0;
  if (!sheet_dir.empty()) {
    write_sheets(sheet_dir);
  } else {
    benchmark::Initialize(&n, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  }
  Application->Shutdown();
  return rc;
}
