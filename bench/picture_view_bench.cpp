// The picture view on a 4000 x 3000 photo-like true-colour picture, in a 720 x 524 view as the
// main window has it: fitting the height, zooming 100 -> 200 -> 400 %, repainting the viewport
// after a scroll, the peak memory at 400 %, and beside them one plain write of a buffer of the
// displayed picture's size (the memory-bandwidth bound of a rendering).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/photo_picture.hpp"
#include "image/dib_graphic.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/forms.hpp"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Peak resident memory of the process in MB.
double peak_rss_mb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  return 0;
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
    auto g = std::make_unique<TDibGraphic>();
    photo::new_picture(*g, kWidth, kHeight, ifTrueColor, 1);
    view->SetGraphic(g.get());
    Application->ProcessMessages();
  }
};

// Kept to the end of the process: a mend, its windows must not be destroyed by the exit handlers
// after the application has shut down (that crashed every run at exit).
Scene& scene() {
  static Scene* s = new Scene;
  return *s;
}

void BM_FitHeight(benchmark::State& state) {
  Scene& s = scene();
  for (auto _ : state) {
    s.view->SetZoomMode(zmOriginalSize);
    s.view->SetZoomMode(zmFitHeight);
  }
  state.counters["displayed_w"] = s.view->DisplayedGraphic()->Width();
  state.counters["displayed_h"] = s.view->DisplayedGraphic()->Height();
}
BENCHMARK(BM_FitHeight)->Unit(benchmark::kMillisecond);

// One rendering at the percent given: the step into that zoom.
void BM_ZoomTo(benchmark::State& state) {
  Scene& s = scene();
  const float percent = static_cast<float>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    s.view->SetZoomPercent(percent == 100 ? 50 : percent / 2);
    state.ResumeTiming();
    s.view->SetZoomPercent(percent);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.view->DisplayedGraphic()->ScanLineSize()) *
                          s.view->DisplayedGraphic()->Height());
  state.counters["peak_rss_MB"] = peak_rss_mb();
}
BENCHMARK(BM_ZoomTo)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The same number of bytes written once, plainly.
void BM_PlainWrite(benchmark::State& state) {
  const float percent = static_cast<float>(state.range(0));
  const size_t row = ((static_cast<size_t>(kWidth * percent / 100) * 3 + 3) / 4) * 4;
  const size_t bytes = row * static_cast<size_t>(kHeight * percent / 100);
  std::vector<unsigned char> buffer(bytes, 1);
  unsigned char v = 0;
  for (auto _ : state) {
    std::memset(buffer.data(), ++v, bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PlainWrite)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// A write of the displayed picture's size into memory fresh from the system, as every rendering's new
// picture is (the zoom's yardstick, a plain copy between buffers in use, is bench/plain_copy.c).
void BM_PlainWriteFresh(benchmark::State& state) {
  const float percent = static_cast<float>(state.range(0));
  const size_t row = ((static_cast<size_t>(kWidth * percent / 100) * 3 + 3) / 4) * 4;
  const size_t bytes = row * static_cast<size_t>(kHeight * percent / 100);
  for (auto _ : state) {
    void* p = std::calloc(bytes, 1);
    std::memset(p, 1, bytes);
    benchmark::DoNotOptimize(p);
    std::free(p);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PlainWriteFresh)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

// A scroll by the thumb and the repaint of the whole 720 x 524 client area at 400 %.
void BM_ScrollRepaint(benchmark::State& state) {
  Scene& s = scene();
  s.view->SetZoomPercent(400);
  Application->ProcessMessages();
  int pos = 0;
  for (auto _ : state) {
    pos = (pos + 997) % 10000;
    s.view->ScrollMessage(sbHorizontal, SB_THUMBTRACK, pos);
    s.view->ScrollMessage(sbVertical, SB_THUMBTRACK, pos);
  }
}
BENCHMARK(BM_ScrollRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Application->Initialize(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Application->Shutdown();
  return 0;
}
