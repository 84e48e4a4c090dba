// The codec layer against FreeImage alone, in one run, on the 4000 x 3000 photo-like picture
// (photo_picture.hpp): decoding a PNG and a JPEG and encoding a JPEG at quality 90 through the
// format classes, and the same through FreeImage called directly. The ratios of the medians are
// printed at the end. Our PNG writer is measured for information. Every case runs 15 times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "bench/photo_picture.hpp"
#include <string>

#include "image/freeimage_api.hpp"
#include "image/jpeg_graphic.hpp"
#include "image/picture_memory.hpp"
#include "image/png_graphic.hpp"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

constexpr int kJpegQuality = 90;

// A photo-like picture: pure noise would hide what the encoders do with smooth areas and edges.
TDibGraphic& picture() {
  static TDibGraphic* p = nullptr;
  if (!p) {
    p = new TDibGraphic;  // kept for the whole run
    photo::new_picture(*p, kWidth, kHeight, ifTrueColor, 1);
  }
  return *p;
}

// The picture as a FreeImage bitmap, made once.
FIBITMAP* picture_bitmap() {
  static FIBITMAP* b = nullptr;
  if (!b) {
    HGLOBAL dib = picture().AsDibHandle();
    b = DibToFIBitmap(dib);
    GlobalFree(dib);
  }
  return b;
}

// A file of the picture written by FreeImage.
TMemoryStream& file(FREE_IMAGE_FORMAT fif, int flags) {
  static std::map<int, TMemoryStream*> files;
  TMemoryStream*& s = files[fif];
  if (!s) {
    s = new TMemoryStream;
    FreeImageAPI().FreeImage_SaveToHandle(fif, picture_bitmap(), StreamIO(), static_cast<TStream*>(s), flags);
  }
  return *s;
}

TMemoryStream& png_file() { return file(FIF_PNG, PNG_DEFAULT); }
TMemoryStream& jpeg_file() { return file(FIF_JPEG, kJpegQuality); }

void decode_with_class(benchmark::State& state, TDibGraphic& target, TMemoryStream& in) {
  for (auto _ : state) {
    in.SetPosition(0);
    target.SingleLoadFromStream(in, 1);
    benchmark::DoNotOptimize(target.Bits());
  }
  state.SetLabel(std::to_string(in.Size() / 1024) + " KB");
}

void decode_with_freeimage(benchmark::State& state, FREE_IMAGE_FORMAT fif, TMemoryStream& in) {
  const TFreeImageEntries& fi = FreeImageAPI();
  for (auto _ : state) {
    in.SetPosition(0);
    FIBITMAP* b = fi.FreeImage_LoadFromHandle(fif, StreamIO(), static_cast<TStream*>(&in), 0);
    benchmark::DoNotOptimize(b);
    fi.FreeImage_Unload(b);
  }
}

void BM_PngDecode_FormatClass(benchmark::State& state) {
  TPngGraphic p;
  decode_with_class(state, p, png_file());
}
void BM_PngDecode_FreeImage(benchmark::State& state) { decode_with_freeimage(state, FIF_PNG, png_file()); }

void BM_JpegDecode_FormatClass(benchmark::State& state) {
  TJpegGraphic p;
  decode_with_class(state, p, jpeg_file());
}
void BM_JpegDecode_FreeImage(benchmark::State& state) { decode_with_freeimage(state, FIF_JPEG, jpeg_file()); }

void BM_JpegEncode_FormatClass(benchmark::State& state) {
  TJpegGraphic p;
  p.Assign(&picture());
  p.SaveQuality = kJpegQuality;
  TMemoryStream out;
  for (auto _ : state) {
    out.Clear();
    p.SaveToStream(out);
  }
  state.SetLabel(std::to_string(out.Size() / 1024) + " KB");
}

void BM_JpegEncode_FreeImage(benchmark::State& state) {
  TMemoryStream out;
  for (auto _ : state) {
    out.Clear();
    FreeImageAPI().FreeImage_SaveToHandle(FIF_JPEG, picture_bitmap(), StreamIO(), static_cast<TStream*>(&out),
                                          kJpegQuality);
  }
}

// Our PNG writer, for information: deflate level 1, 6 and 9, plain or interlaced.
void BM_PngEncode_Ours(benchmark::State& state) {
  TPngGraphic p;
  p.Assign(&picture());
  p.CompressionLevel = state.range(0) == 1 ? pcLow : state.range(0) == 6 ? pcMedium : pcHigh;
  p.SaveProgressive = state.range(1) != 0;
  TMemoryStream out;
  for (auto _ : state) {
    out.Clear();
    p.SaveToStream(out);
  }
  state.SetLabel(std::to_string(out.Size() / 1024) + " KB");
}

void BM_PngEncode_FreeImage(benchmark::State& state) {
  TMemoryStream out;
  for (auto _ : state) {
    out.Clear();
    FreeImageAPI().FreeImage_SaveToHandle(FIF_PNG, picture_bitmap(), StreamIO(), static_cast<TStream*>(&out),
                                          PNG_DEFAULT);
  }
}

// Collects the times of the runs to print the ratios at the end.
class ratio_reporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // The median of the repeated runs.
    for (const Run& r : runs)
      if (r.aggregate_name == "median")
        times[r.run_name.function_name] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nFormat classes against FreeImage alone, medians (goal: JPEG encode 1.1 or less)\n");
    for (const char* what : {"PngDecode", "JpegDecode", "JpegEncode"}) {
      double ours = times["BM_" + std::string(what) + "_FormatClass"];
      double theirs = times["BM_" + std::string(what) + "_FreeImage"];
      if (ours > 0 && theirs > 0) std::printf("  %-11s %.2f\n", what, ours / theirs);
    }
  }
  std::map<std::string, double> times;
};

}  // namespace

BENCHMARK(BM_PngDecode_FormatClass)->Unit(benchmark::kMillisecond)->Repetitions(15);
BENCHMARK(BM_PngDecode_FreeImage)->Unit(benchmark::kMillisecond)->Repetitions(15);
BENCHMARK(BM_JpegDecode_FormatClass)->Unit(benchmark::kMillisecond)->Repetitions(15);
BENCHMARK(BM_JpegDecode_FreeImage)->Unit(benchmark::kMillisecond)->Repetitions(15);
BENCHMARK(BM_JpegEncode_FormatClass)->Unit(benchmark::kMillisecond)->Repetitions(15);
BENCHMARK(BM_JpegEncode_FreeImage)->Unit(benchmark::kMillisecond)->Repetitions(15);
BENCHMARK(BM_PngEncode_Ours)
    ->ArgNames({"zlib", "interlaced"})
    ->Args({1, 0})
    ->Args({6, 0})
    ->Args({9, 0})
    ->Args({6, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15);
BENCHMARK(BM_PngEncode_FreeImage)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);

int main(int argc, char** argv) {
  keep_picture_memory_in_heap();  // as the program's start-up does
  std::string error;
  if (!LoadFreeImage(error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  ratio_reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
