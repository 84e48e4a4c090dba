// Memory of the program around opening a big picture: the workbench windows are created and
// shown as at start-up, the resident set is read (idle), then a picture file is opened the way
// the program's Open command does it and the resident set read again once the view shows it.
// Prints "idle_MB after_MB peak_MB".
// Usage: open_rss FILE
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "annotate/annotation_tools.hpp"
#include "image/freeimage_codec.hpp"
#include "image/freeimage_resource.hpp"
#include "image/hand_cursors.hpp"
#include "image/image_formats.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/forms.hpp"
#include "workbench/main_window.hpp"

namespace {

// A field of /proc/self/status in MB.
double status_mb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + key.size(), nullptr) / 1024.0;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: open_rss FILE\n");
    return 2;
  }
  const std::string file = argv[1];
  Application->Initialize(argc, argv);
  register_freeimage_resource();
  if (!Init_ZuFreeImage()) return 1;
  register_image_formats();
  register_hand_cursors();
  register_annotation_tools();
  create_workbench_windows();
  Form1->Show();
  for (int i = 0; i < 20; ++i) Application->ProcessMessages();
  const double idle = status_mb("VmRSS");
  Form1->ImageScrollBox1->LoadFromFile(file, 0);
  Form1->ImageScrollBox1->SetZoomMode(zmFitHeight);
  for (int i = 0; i < 20; ++i) Application->ProcessMessages();
  const double after = status_mb("VmRSS");
  const double peak = status_mb("VmHWM");
  std::printf("%.1f %.1f %.1f\n", idle, after, peak);
  std::fflush(stdout);
  Application->Shutdown();
  return 0;
}
