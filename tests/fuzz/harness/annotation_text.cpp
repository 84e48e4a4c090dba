// The annotation text: what loads saves, the saved text loads again into the same marks (the
// same text when saved once more), and the marks draw.
#include <string>

#include "annotate/annotations_editor.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TAnnotationsEditor editor(nullptr);
  // As the picture view holds it: marks kept inside the picture, at 100 % and 96 dpi.
  editor.SetDisplayRect(Rect(0, 0, 64, 64));
  editor.SetZoomFactor(100);
  editor.SetDisplayResolution(96);
  try {
    editor.LoadFromString(text);
  } catch (const Exception&) {
    return 0;
  }
  const std::string saved = editor.SaveToString();
  TAnnotationsEditor again(nullptr);
  try {
    again.LoadFromString(saved);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    hw_fuzz::broken("the saved annotation text does not load again");
  }
  if (again.Count() != editor.Count()) hw_fuzz::broken("the saved annotation text loads other marks");
  if (again.SaveToString() != saved) hw_fuzz::broken("the saved annotation text loads other marks");
  editor.SetEditMode(true);
  editor.SetEditMode(false);
  TBitmap canvas;
  canvas.SetSize(64, 64);
  HW_FUZZ_REFUSES(editor.BurnIn(*canvas.Canvas()));
  return 0;
}
