// Huewright: a desktop workbench for building colour palettes from pictures.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "annotate/annotation_tools.hpp"
#include "image/freeimage_codec.hpp"
#include "image/freeimage_resource.hpp"
#include "image/hand_cursors.hpp"
#include "image/image_formats.hpp"
#include "platform/folder_lock.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/sysutils.hpp"
#include "workbench/main_window.hpp"

namespace {

int run(int argc, char** argv) {
  Application->Initialize(argc, argv);
  // One window per working folder: a second window there would delete the first one's working
  // palette and overwrite the history it saved. The lock lives as long as the program.
  const std::string folder = GetCurrentDir();
  TFolderLock lock(".");
  if (lock.state() == TFolderLock::State::InUse) {
    const std::string text = "The folder " + folder +
                             " is in use by another Huewright window.\n"
                             "Huewright keeps its colour history and working palette in the folder it "
                             "starts in: close the other window first, or start Huewright in another folder.";
    std::fprintf(stderr, "%s\n", text.c_str());
    MessageBox(text, "Huewright", MB_OK | MB_ICONERROR);
    Application->Shutdown();
    return 1;
  }
  // The image library's start-up: the codec library is bound, or the program ends after saying
  // why; then the picture formats are registered.
  register_freeimage_resource();
  if (!Init_ZuFreeImage()) {
    Application->Shutdown();
    return 1;
  }
  register_image_formats();
  // The picture view's hand cursors.
  register_hand_cursors();
  register_annotation_tools();
  Application->SetTitle("Huewright");
  create_workbench_windows();
  int rc = Application->Run();
  Application->Shutdown();
  // The picture model's clean-up, once no window holds a picture any more.
  unregister_image_formats();
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (!Application->HasDisplay()) {
    std::fprintf(stderr,
                 "Huewright needs a graphical display, and none was found (DISPLAY is not set).\n"
                 "Start it from a desktop session, or under a virtual display:\n"
                 "  xvfb-run -a -s '-screen 0 1280x800x24' %s\n",
                 argc > 0 ? argv[0] : "huewright");
    return 2;
  }
  try {
    return run(argc, argv);
  } catch (...) {
    // A mend: nothing the start-up raises ends the program unexplained (an exception leaving
    // main aborts it); the error is reported like any other, and the program ends with 1 as
    // it cannot open its window.
    const std::exception_ptr error = std::current_exception();
    std::fprintf(stderr, "Huewright could not start: %s\n", exception_message(error).c_str());
    Application->HandleException(error);
    // The windows made so far go before the window system, as at a normal end; left to the
    // exit handlers they would outlive it and crash there.
    try {
      Application->Shutdown();
    } catch (...) {
      std::fflush(stderr);
      std::_Exit(1);
    }
    return 1;
  }
}
