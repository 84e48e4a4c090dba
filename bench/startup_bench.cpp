// Start-up: the built-in pictures the main window makes before it shows (the spectrum strip it
// shows first and the spectrum buttons), and the creation of both windows up to the first paint.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "annotate/annotation_tools.hpp"
#include "image/freeimage_codec.hpp"
#include "image/hand_cursors.hpp"
#include "image/image_formats.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "resources/glyphs.hpp"
#include "resources/spectrum_strips.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

namespace {

void BM_SpectrumStrip(benchmark::State& state) {
  const int step = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(make_spectrum_strip(step));
}
BENCHMARK(BM_SpectrumStrip)->Arg(0)->Arg(199)->Unit(benchmark::kMillisecond);

void BM_SpectrumButtons(benchmark::State& state) {
  for (auto _ : state)
    for (int step : kSpectrumSteps) {
      TColor key;
      benchmark::DoNotOptimize(make_glyph(step == 0 ? "img000" : "img" + std::to_string(step), key));
    }
}
BENCHMARK(BM_SpectrumButtons)->Unit(benchmark::kMillisecond);

// Both windows made, the main one shown and painted, then closed down again.
void BM_CreateWindows(benchmark::State& state) {
  for (auto _ : state) {
    create_workbench_windows();
    Form1->Show();
    Application->ProcessMessages();
    delete Form2;
    Form2 = nullptr;
    delete Form1;
  }
}
BENCHMARK(BM_CreateWindows)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Application->Initialize(argc, argv);
  Init_ZuFreeImage();
  register_image_formats();
  register_hand_cursors();
  register_annotation_tools();
  char tmpl[] = "/tmp/hw-bench-XXXXXX";
  if (!mkdtemp(tmpl) || !SetCurrentDir(tmpl)) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Application->Shutdown();
  return 0;
}
