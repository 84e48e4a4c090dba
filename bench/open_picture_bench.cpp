// Opening small files that declare extreme pictures, the way the workbench's open-picture button
// does it: every page as a frame, then fitted to the height of a 720 x 524 view (already in that
// mode, as after an earlier open, so each open renders twice). The inputs are made here: a PNG
// of 2600 x 1, a 1-bit TIFF of 200000 x 7, a GIF whose logical screen is 65535 x 41, TIFFs of
// 600, 3000 and 12000 pages of 1 x 1, and TIFFs of 40 and 80 pages of 8000 x 8000 sharing one
// deflated strip; pictures at the pixel limit in files of a few bytes: RLE8 BMPs of
// 1 x 178,956,970 (also named .png, for the codec layer), 178,956,970 x 1 and 13377 x 13377, and
// a deflated 1-bit TIFF of 170,000,000 x 1; and enhanced metafiles declaring 36,842,765 x 1,
// 1 x 99,824,841 and 13371 x 13371 pixels. Run one input per process for its peak memory:
//   taskset -c 0 /usr/bin/time -v bench_open_picture_bench --benchmark_filter=BM_Open/png
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/freeimage_codec.hpp"
#include "image/freeimage_resource.hpp"
#include "image/image_formats.hpp"
#include "image/image_scroll_box.hpp"
#include "image/png_graphic.hpp"
#include "image/tiff_graphic.hpp"
#include "platform/forms.hpp"
#include "tests/common/metafile_writer.hpp"

namespace {

std::string folder() {
  static const std::string path = [] {
    std::string p = "/tmp/hw-open-bench-XXXXXX";
    if (mkdtemp(p.data()) == nullptr) std::abort();
    return p + "/";
  }();
  return path;
}

void write_bytes(const std::string& name, const std::vector<unsigned char>& b) {
  std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

void put16(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(std::vector<unsigned char>& b, unsigned v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

// A little-endian TIFF of `pages` grey pages of w x h, all pointing at the same strip.
std::vector<unsigned char> shared_strip_tiff(int pages, unsigned w, unsigned h, unsigned compression,
                                             const std::vector<unsigned char>& strip) {
  std::vector<unsigned char> b{'I', 'I', 42, 0};
  put32(b, 8 + static_cast<unsigned>(strip.size() + (strip.size() & 1)));
  b.insert(b.end(), strip.begin(), strip.end());
  if (b.size() & 1) b.push_back(0);
  for (int p = 0; p < pages; ++p) {
    const unsigned entries[][3] = {{256, 4, w}, {257, 4, h}, {258, 3, 8}, {259, 3, compression}, {262, 3, 1},
                                   {273, 4, 8}, {277, 3, 1}, {278, 4, h}, {279, 4, static_cast<unsigned>(strip.size())}};
    put16(b, 9);
    for (const auto& e : entries) {
      put16(b, e[0]), put16(b, e[1]), put32(b, 1);
      if (e[1] == 3) put16(b, e[2]), put16(b, 0);
      else put32(b, e[2]);
    }
    put32(b, p + 1 < pages ? static_cast<unsigned>(b.size() + 4) : 0);
  }
  return b;
}

// An 8-bit BMP of w x h whose run-length codes end the bitmap at once (1080 bytes).
std::vector<unsigned char> rle8_empty(unsigned w, unsigned h) {
  std::vector<unsigned char> b{'B', 'M'};
  put32(b, 1080), put32(b, 0), put32(b, 1078);
  put32(b, 40), put32(b, w), put32(b, h), put16(b, 1), put16(b, 8), put32(b, 1), put32(b, 2);
  put32(b, 0), put32(b, 0), put32(b, 256), put32(b, 0);
  for (unsigned i = 0; i < 256; ++i) put32(b, i * 0x010101u);
  b.push_back(0), b.push_back(1);
  return b;
}

// A 1-bit TIFF of `w` x 1 whose one row is deflated.
std::vector<unsigned char> deflated_1bit_row(unsigned w) {
  std::vector<unsigned char> row((w + 7) / 8, 0);
  uLongf size = compressBound(row.size());
  std::vector<unsigned char> strip(size);
  compress2(strip.data(), &size, row.data(), row.size(), 9);
  strip.resize(size);
  std::vector<unsigned char> b = shared_strip_tiff(1, w, 1, 8, strip);
  b[8 + strip.size() + (strip.size() & 1) + 2 + 2 * 12 + 8] = 1;  // BitsPerSample 1
  return b;
}

std::string input(const std::string& kind) {
  const std::string name = folder() + kind;
  if (FILE* f = std::fopen(name.c_str(), "rb")) {
    std::fclose(f);
    return name;
  }
  if (kind == "png_2600x1.png") {
    TPngGraphic g;
    g.NewImage(2600, 1, ifTrueColor, nullptr, 0, 0);
    g.Fill(Rgb(200, 30, 90));
    g.SaveToFile(name);
  } else if (kind == "tiff_1bit_200000x7.tif") {
    TTiffGraphic g;
    g.NewImage(200000, 7, ifBlackWhite, nullptr, 0, 0);
    g.Fill(Rgb(255, 255, 255));
    g.SaveToFile(name);
  } else if (kind == "gif_65535x41.gif") {
    write_bytes(name, {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 41, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                       0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B});
  } else if (kind.rfind("tiff_pages_1x1_", 0) == 0) {
    write_bytes(name, shared_strip_tiff(std::atoi(kind.c_str() + 15), 1, 1, 1, {128}));
  } else if (kind.rfind("tiff_pages_8000_", 0) == 0) {
    std::vector<unsigned char> zeros(8000u * 8000u, 0);
    uLongf size = compressBound(zeros.size());
    std::vector<unsigned char> strip(size);
    compress2(strip.data(), &size, zeros.data(), zeros.size(), 9);
    strip.resize(size);
    write_bytes(name, shared_strip_tiff(std::atoi(kind.c_str() + 16), 8000, 8000, 8, strip));
  } else if (kind == "rle8_1x178956970.bmp" || kind == "rle8_1x178956970.png") {
    write_bytes(name, rle8_empty(1, 178956970));
  } else if (kind == "rle8_178956970x1.bmp") {
    write_bytes(name, rle8_empty(178956970, 1));
  } else if (kind == "rle8_13377x13377.bmp") {
    write_bytes(name, rle8_empty(13377, 13377));
  } else if (kind == "tiff_1bit_170000000x1.tif") {
    write_bytes(name, deflated_1bit_row(170000000));
  } else if (kind.rfind("emf_", 0) == 0) {
    // A filled polygon; a frame of one 0.01 mm a pixel (10 for the square), libgdiplus adding one.
    hw_test::EmfHeader header;
    const std::vector<hw_test::MetafileBytes> records = {
        hw_test::emf_record(39, {1, 0, 0x0000FF, 0}), hw_test::emf_record(37, {1}),
        hw_test::emf_record(86, {2, 2, 38, 28, 4}, hw_test::words({2, 2, 38, 2, 38, 28, 2, 28}))};
    if (kind == "emf_13371x13371.emf") {
      header.frame[2] = header.frame[3] = 133700;
    } else {
      header.device[0] = header.device[1] = 25400;
      header.micrometres = {{254000, 254000}};
      header.frame[2] = kind == "emf_36842765x1.emf" ? 36842764 : 0;
      header.frame[3] = kind == "emf_36842765x1.emf" ? 0 : 99824840;
    }
    write_bytes(name, hw_test::emf_file(records, header));
  }
  return name;
}

struct Scene {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TImageScrollBox* view;
  Scene() {
    form->SetBounds(0, 0, 760, 560);
    view = new TImageScrollBox(form.get());
    view->SetBounds(10, 10, 720, 524);
    view->SetParent(form.get());
    form->Show();
    view->SetZoomMode(zmFitHeight);
    Application->ProcessMessages();
  }
};

Scene& scene() {
  static Scene* s = new Scene;  // kept to the end of the process, as the windows must be
  return *s;
}

void open(benchmark::State& state, const std::string& kind) {
  const std::string name = input(kind);
  Scene& s = scene();
  for (auto _ : state) {
    try {
      s.view->LoadFromFile(name, 0);
      s.view->SetZoomMode(zmFitHeight);
      s.view->VertScrollBar().SetVisible(false);
      s.view->Redraw(true);
    } catch (const std::exception& e) {
      state.SetLabel(e.what());
    }
  }
  const TDibGraphic* d = s.view->DisplayedGraphic();
  state.counters["frames"] = s.view->FrameCount();
  state.counters["shown_w"] = d->Empty() ? 0 : d->Width();
  state.counters["shown_h"] = d->Empty() ? 0 : d->Height();
}

BENCHMARK_CAPTURE(open, png, std::string("png_2600x1.png"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, tiff1bit, std::string("tiff_1bit_200000x7.tif"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, gif, std::string("gif_65535x41.gif"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, rle8_tallest, std::string("rle8_1x178956970.bmp"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, rle8_widest, std::string("rle8_178956970x1.bmp"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, rle8_square, std::string("rle8_13377x13377.bmp"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, rle8_tallest_as_png, std::string("rle8_1x178956970.png"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, tiff1bit_widest, std::string("tiff_1bit_170000000x1.tif"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, pages600, std::string("tiff_pages_1x1_600.tif"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, pages3000, std::string("tiff_pages_1x1_3000.tif"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, pages12000, std::string("tiff_pages_1x1_12000.tif"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, big40, std::string("tiff_pages_8000_40.tif"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, emf_wide, std::string("emf_36842765x1.emf"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, emf_tall, std::string("emf_1x99824841.emf"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, emf_square, std::string("emf_13371x13371.emf"))->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(open, big80, std::string("tiff_pages_8000_80.tif"))->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Application->Initialize(argc, argv);
  register_freeimage_resource();
  if (!Init_ZuFreeImage()) return 1;
  register_image_formats();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
