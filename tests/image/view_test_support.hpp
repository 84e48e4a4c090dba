// Helpers of the picture view tests: a small multi-page test format registered under "HWT"
// (and a failing one under "HWX"), pictures with a known pattern, a view in a shown window and
// a mouse handler that records what it is told.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/forms.hpp"

namespace view_test {

// The test format: "HWT", a page count byte, then per page a 32-bit little-endian size and a
// BMP stream. Loads any page, saves one page, appends pages.
class TTestPictureGraphic : public TDibGraphic {
public:
  std::string ClassName() const override { return "TTestPictureGraphic"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TTestPictureGraphic>(); }
  int GetImageCount(TStream& Stream) override;
  using TDibGraphic::GetImageCount;
  void SingleLoadFromStream(TStream& Stream, int ImageToLoad) override;
  void SaveToStream(TStream& Stream) override;
  void AppendToStream(TStream& Stream) override;
  bool CanRead(TStream& Stream) override;
  using TDibGraphic::CanRead;
  std::string PrimaryFileExt() override { return "hwt"; }
};

// Fails every load and writes half a file, then fails, on every save.
class TFailingGraphic : public TDibGraphic {
public:
  std::string ClassName() const override { return "TFailingGraphic"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TFailingGraphic>(); }
  void SingleLoadFromStream(TStream& Stream, int ImageToLoad) override;
  void SaveToStream(TStream& Stream) override;
  void AppendToStream(TStream& Stream) override;
};

// Registers the two test formats once (after the library's own, so that the registry's own
// tests see only the library's).
void register_view_test_formats();

// The pattern colour of pixel (x, y) of picture `seed`.
TRgb pattern(int seed, int x, int y);
// A true-colour picture of the pattern.
std::unique_ptr<TDibGraphic> make_picture(int width, int height, int seed = 0);
// Test-format bytes holding the pages.
std::string hwt_bytes(const std::vector<const TDibGraphic*>& pages);
// BMP bytes of a picture.
std::string bmp_bytes(const TDibGraphic& picture);
void write_file(const std::string& name, const std::string& bytes);
std::string read_file(const std::string& name);

// A view of 300 x 200 in a shown window.
struct ViewWindow {
  std::unique_ptr<TForm> form;
  TImageScrollBox* view;
  explicit ViewWindow(int width = 300, int height = 200);
  ~ViewWindow();
  // Assigns a pattern picture and redraws.
  void show_picture(int width, int height, int seed = 0);
};

// Records the calls of the view into a shared log.
class RecordingHandler : public TMouseHandler {
public:
  RecordingHandler(TImageScrollBox* view, std::vector<std::string>& log, bool* destroyed = nullptr)
      : TMouseHandler(view), log_(log), destroyed_(destroyed) {}
  ~RecordingHandler() override {
    if (destroyed_) *destroyed_ = true;
  }
  void BeforeResize() override { log_.push_back("Before"); }
  void AfterResize() override { log_.push_back("After"); }
  void MouseDown(TMouseButton b, TShiftState, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState, int x, int y) override;
  void MouseMove(TShiftState, int x, int y) override;
  void DblClick() override { log_.push_back("h.dbl"); }
  void Click() override { log_.push_back("h.click"); }

private:
  std::vector<std::string>& log_;
  bool* destroyed_;
};

// Wires the view's events into the log (zoom, redraw, new picture, picture mouse events).
void record_view_events(TImageScrollBox& view, std::vector<std::string>& log);

}  // namespace view_test
