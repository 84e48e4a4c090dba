// The picture view opening a file as the workbench's open-picture button does: every page as a
// frame, fitted to the height of a 720 x 524 view, then drawn. The first byte of the input picks
// the file's extension (and so the reader), the rest is the file.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "image/dib_graphic.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/checked_size.hpp"
#include "platform/forms.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

namespace {

struct Scene {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TImageScrollBox* view;
  std::string folder;
  Scene() {
    form->SetBounds(0, 0, 760, 560);
    view = new TImageScrollBox(form.get());
    view->SetBounds(10, 10, 720, 524);
    view->SetParent(form.get());
    form->Show();
    const char* tmp = std::getenv("TMPDIR");
    folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/hw-view-open-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) hw_fuzz::broken("no temporary folder");
  }
  ~Scene() {
    for (const char* e : kExtensions) std::remove((folder + "/picture." + e).c_str());
    rmdir(folder.c_str());
    // The toolkit is gone by the time exit handlers run: its window is left to the process's end.
    (void)form.release();
  }
  static constexpr const char* kExtensions[] = {"tif", "png", "gif", "jpg", "bmp", "ppm"};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static Scene scene;
  const char* ext = Scene::kExtensions[data[0] % std::size(Scene::kExtensions)];
  const std::string name = scene.folder + "/picture." + ext;
  std::ofstream(name, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  TImageScrollBox& view = *scene.view;
  HW_FUZZ_REFUSES({
    view.LoadFromFile(name, 0);
    view.SetZoomMode(zmFitHeight);
    view.VertScrollBar().SetVisible(false);
    view.Redraw(true);
  });
  Application->ProcessMessages();
  const TDibGraphic& shown = *view.DisplayedGraphic();
  if (!shown.Empty() && std::int64_t{shown.Width()} * shown.Height() > MaxDeclaredPixels)
    hw_fuzz::broken("a rendering larger than the pixel limit");
  std::int64_t frames = 0;
  for (int i = 1; i <= view.FrameCount(); ++i)
    frames += std::int64_t{view.Graphic()->GetFrame(i)->Width()} * view.Graphic()->GetFrame(i)->Height();
  if (frames > MaxDeclaredPixels) hw_fuzz::broken("frames larger than the pixel limit together");
  view.SetZoomMode(zmOriginalSize);  // the next input starts as a first open does
  return 0;
}
