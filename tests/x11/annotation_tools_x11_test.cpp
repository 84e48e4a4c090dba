// The annotating and selecting modes of the picture view on a real X server: marks over the
// picture with the selected one in its sizing frame, and a rubber band with grips. With
// HW_HOLD_MS set each window stays up that long (for a screenshot).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>

#include "annotate/annotation_mouse_handler.hpp"
#include "annotate/rubberband_mouse_handler.hpp"
#include "common/test_env.hpp"
#include "image/dib_graphic.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"
#include "platform/synthetic_window_input.hpp"
#include "x11/x11_helpers.hpp"

using hw_x11::pump;

namespace {

// Soft colour bands over a grey grid.
TRgb scene_pixel(int x, int y) {
  if (x % 50 == 0 || y % 50 == 0) return Rgb(110, 110, 110);
  return Rgb(static_cast<Byte>(120 + 100 * std::sin(x / 60.0)), static_cast<Byte>(140 + 80 * std::cos(y / 45.0)),
             static_cast<Byte>(150 + 60 * std::sin((x + y) / 90.0)));
}

std::uint32_t screen_at(TControl& c, int x, int y) {
  TPoint p = c.ClientToScreen(Point(x, y));
  return GetScreenPixel(p.X, p.Y);
}

void hold() {
  if (const char* ms = std::getenv("HW_HOLD_MS")) pump(std::atoi(ms));
}

struct Scene {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TImageScrollBox* view;
  Scene(const char* caption) {
    form->SetCaption(caption);
    form->SetBounds(20, 20, 640, 440);
    view = new TImageScrollBox(form.get());
    view->SetBounds(0, 0, 640, 440);
    view->SetParent(form.get());
    form->Show();
    auto picture = std::make_unique<TDibGraphic>();
    picture->NewImage(600, 400, ifTrueColor, nullptr, 0, 0);
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 600; ++x) picture->SetPixel(x, y, scene_pixel(x, y));
    view->SetGraphic(picture.get());
    pump(300);
  }
};

}  // namespace

TEST(AnnotationToolsX11, MarksAndTheSizingFrameOfTheSelectedOneReachTheScreen) {
  Scene s("Annotating");
  s.view->SetMouseMode(mmAnnotate);
  auto& h = *dynamic_cast<TAnnotationMouseHandler*>(s.view->MouseHandler());
  TStickNoteMark* note = h.AddNote();
  note->SetMarkRect(Rect(30, 30, 230, 170));
  note->SetText("Sky a little\r\nwarmer here");
  TRectangleMark* rect = h.AddRectangle();
  rect->SetMarkRect(Rect(300, 60, 520, 160));
  auto* text = dynamic_cast<TTextMark*>(h.AddText());
  text->SetMarkRect(Rect(60, 300, 400, 340));
  text->SetText("Palette taken from this corner");
  TGenericMark* line = h.AddLine();
  line->SetMarkRect(Rect(420, 220, 560, 360));
  s.view->SetAnnotations(s.view->Annotations());  // through the text format and back
  ASSERT_EQ(h.Editor().Count(), 4);
  pump(200);
  // Select the rectangle with a click through the window.
  send_window_mouse_press(*s.form, mbLeft, 400, 100);
  send_window_mouse_release(*s.form, mbLeft, 400, 100);
  pump(300);
  TGenericMark* selected = h.LastAnnotationSelected();
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ(selected->MarkRect(), Rect(300, 60, 520, 160));

  // The note's yellow, the highlight's tint of the picture (green kept, red and blue gone), the
  // frame's blue handle at the rectangle's top-left corner, the untouched picture elsewhere.
  EXPECT_EQ(screen_at(*s.view, 100, 60), 0x0000FFFFu);
  const std::uint32_t under = static_cast<std::uint32_t>(RgbToColor(scene_pixel(410, 110)));
  EXPECT_EQ(screen_at(*s.view, 410, 110), under & 0x00FF00u);
  EXPECT_EQ(screen_at(*s.view, 300, 60), 0x00FF0000u);
  EXPECT_EQ(screen_at(*s.view, 250, 250), static_cast<std::uint32_t>(RgbToColor(scene_pixel(250, 250))));
  int red = 0;
  for (int x = 60; x < 400; x += 3)
    for (int y = 300; y < 340; y += 2) {
      std::uint32_t c = screen_at(*s.view, x, y);
      red += GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60;
    }
  EXPECT_GT(red, 20);
  hold();
}

TEST(AnnotationToolsX11, ABandWithGripsReachesTheScreen) {
  Scene s("Selecting");
  s.view->SetMouseMode(mmSelect);
  auto& band = *dynamic_cast<TRubberbandMouseHandler*>(s.view->MouseHandler());
  band.SetShowGrips(true);
  send_window_mouse_press(*s.form, mbLeft, 120, 90);
  send_window_mouse_move(*s.form, 300, 200, ssLeft);
  send_window_mouse_move(*s.form, 460, 310, ssLeft);
  send_window_mouse_release(*s.form, mbLeft, 460, 310);
  pump(300);
  ASSERT_EQ(band.GetSelection(), Rect(120, 90, 460, 310));
  // The top edge alternates white and navy from the corner's grip on.
  for (int x = 130; x < 200; ++x)
    EXPECT_EQ(screen_at(*s.view, x, 90), (x - 120) % 2 == 0 ? 0x00FFFFFFu : 0x00800000u) << x;
  EXPECT_EQ(screen_at(*s.view, 118, 88), 0x00800000u);  // a grip
  EXPECT_EQ(screen_at(*s.view, 300, 200), static_cast<std::uint32_t>(RgbToColor(scene_pixel(300, 200))));
  band.SetAnimated(true);
  hold();
  band.SetAnimated(false);
}
