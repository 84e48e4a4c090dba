// One mouse move over the picture view, from the event to the repainted readout: the pointer
// moved, the move handler's pointer query and screen pixel read, the bars, the magnifier and their
// repaint. On an X display (QT_QPA_PLATFORM=xcb, as bench/ratios.py runs it against
// bench/xlib_readout.c, which does the same per move) this is the real path with its requests to
// the server; headless (the default) only the program's own part.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "image/freeimage_codec.hpp"
#include "image/hand_cursors.hpp"
#include "image/image_formats.hpp"
#include "platform/dib_view.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

static void BM_MouseMoveOverView(benchmark::State& state) {
  TControl& image = *Form1->ImageScrollBox1->Image();
  int i = 0;
  for (auto _ : state) {
    const int x = 20 + (i * 37) % 680, y = 20 + (i * 53) % 480;
    ++i;
    TPoint scr = image.ClientToScreen({x, y});
    SetCursorPos(scr.X, scr.Y);  // on X one request; the server's motion event reaches the toolkit's queue
    send_mouse_move(image, x, y);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MouseMoveOverView)->Repetitions(15)->ReportAggregatesOnly(true);  // medians of 15 runs

// The parts of a move: the pointer query, the pixel read, the readout's repaint.
static void BM_PointerQuery(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(GetCursorPos());
}
BENCHMARK(BM_PointerQuery);

static void BM_PixelRead(benchmark::State& state) {
  TPoint p = Form1->ImageScrollBox1->Image()->ClientToScreen({100, 100});
  for (auto _ : state) benchmark::DoNotOptimize(GetScreenPixel(p.X, p.Y));
}
BENCHMARK(BM_PixelRead);

static void BM_ReadoutRepaint(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    Form1->panBlowColor->SetColor((++i & 1) ? clRed : clBlue);
    Form1->RepaintRects({Rect(0, 0, 720, 7), Form1->panBlowColor->BoundsRect()});
  }
}
BENCHMARK(BM_ReadoutRepaint);

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Application->Initialize(argc, argv);
  Init_ZuFreeImage();
  register_image_formats();
  register_hand_cursors();
  char tmpl[] = "/tmp/hw-bench-XXXXXX";
  if (!mkdtemp(tmpl) || !SetCurrentDir(tmpl)) return 1;
  create_workbench_windows();
  Form1->Show();
  Application->ProcessMessages();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  Application->Shutdown();
  return 0;
}
