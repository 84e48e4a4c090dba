#include "tests/fuzz/support/fuzz_env.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "annotate/annotation_tools.hpp"
#include "image/freeimage_codec.hpp"
#include "image/image_formats.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static bool done = false;
  if (done) return 0;
  done = true;
  // A headless program: the offscreen platform on a 1280 x 800 screen at 96 dpi, every dialog
  // answered at once.
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = tmp && *tmp ? tmp : "/tmp";
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    const std::string run = base + "/hw-runtime-" + std::to_string(getuid());
    mkdir(run.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  }
  // The screen's file is the process's own and goes once the platform has read it: harnesses and
  // replays running side by side never share one.
  std::string cfg;
  if (!std::getenv("QT_QPA_PLATFORM")) {
    cfg = base + "/hw-fuzz-offscreen-" + std::to_string(getpid()) + ".json";
    std::ofstream(cfg) << R"({"windowFrameMargins":false,"screens":[{"name":"S","x":0,"y":0,"width":1280,)"
                       << R"("height":800,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
    const std::string v = "offscreen:configfile=" + cfg;
    setenv("QT_QPA_PLATFORM", v.c_str(), 1);
  }
  static int app_argc = 1;
  static char name[] = "hw_fuzz";
  static char* app_argv[] = {name, nullptr};
  (void)argc;
  (void)argv;
  Application->Initialize(app_argc, app_argv);
  // Programs started from here (libFuzzer's fork mode runs the harness again) write their own.
  if (!cfg.empty()) {
    std::remove(cfg.c_str());
    unsetenv("QT_QPA_PLATFORM");
  }
  SetDialogHandler([](const DialogRequest& r) {
    DialogAnswer a;
    a.result = r.kind == DialogKind::MessageBox ? IDOK : IDCANCEL;
    return a;
  });
  if (!Init_ZuFreeImage()) {
    std::fprintf(stderr, "hw_fuzz: FreeImage cannot be bound\n");
    std::abort();
  }
  register_image_formats();
  register_annotation_tools();
  return 0;
}

namespace hw_fuzz {

HGLOBAL block_of(const std::uint8_t* data, std::size_t size) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
  if (size) std::memcpy(GlobalLock(h), data, size);
  GlobalUnlock(h);
  return h;
}

void exercise(TGraphic& graphic) {
  if (graphic.Empty()) return;
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(9, 9);
  target.Canvas()->StretchDraw(TRect{0, 0, 9, 9}, &graphic);
}

void broken(const char* what) {
  std::fprintf(stderr, "hw_fuzz: invariant broken: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

}  // namespace hw_fuzz
