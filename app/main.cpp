// Huewright: a desktop workbench for building colour palettes from pictures.
#include <cstdio>

#include "annotate/annotation_tools.hpp"
#include "image/freeimage_codec.hpp"
#include "image/freeimage_resource.hpp"
#include "image/hand_cursors.hpp"
#include "image/image_formats.hpp"
#include "platform/forms.hpp"
#include "workbench/main_window.hpp"

int main(int argc, char** argv) {
  if (!Application->HasDisplay()) {
    std::fprintf(stderr,
                 "Huewright needs a graphical display, and none was found (DISPLAY is not set).\n"
                 "Start it from a desktop session, or under a virtual display:\n"
                 "  xvfb-run -a -s '-screen 0 1280x800x24' %s\n",
                 argc > 0 ? argv[0] : "huewright");
    return 2;
  }
  Application->Initialize(argc, argv);
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
