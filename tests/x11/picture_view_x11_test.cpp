// The picture view on a real X server: a loaded picture at 200 % with stored annotations shown
// over it, beside labelled track bars. The screen must show the zoomed pixels, the marks and
// the labels. With HW_HOLD_MS set the window stays up that long (for a screenshot).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "common/test_env.hpp"
#include "image/dib_graphic.hpp"
#include "image/ex_track_bar.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"
#include "x11/x11_helpers.hpp"

using hw_x11::pump;

namespace {

// A colour wheel over a grey grid: easy to recognise when zoomed.
TRgb demo_pixel(int x, int y) {
  if (x % 40 == 0 || y % 40 == 0) return Rgb(90, 90, 90);
  const double a = std::atan2(y - 160.0, x - 240.0);
  const double r = std::min(1.0, std::hypot(x - 240.0, y - 160.0) / 200.0);
  auto channel = [&](double phase) {
    double v = 0.5 + 0.5 * std::cos(a - phase);
    return static_cast<Byte>(255 * (1 - r) + 255 * v * r);
  };
  return Rgb(channel(0), channel(2.094), channel(4.189));
}

std::uint32_t screen_at(TControl& c, int x, int y) {
  TPoint p = c.ClientToScreen(Point(x, y));
  return GetScreenPixel(p.X, p.Y);
}

int grey_of(std::uint32_t c) { return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3; }

// A highlight rectangle, a sticky note and a line, in the annotation text format.
std::string demo_annotations() {
  std::string note = "drag to scroll";
  return "(3)"
         "(2)(20)(200)(110)(300)(1)(65280)(1)(1)(4)"
         "(1)(150)(20)(330)(110)(1)(65535)(" +
         std::to_string(note.size()) + ")" + note +
         "(0)(5)Arial(12)(0)(0)(0)(1)"
         "(3)(360)(180)(460)(300)(1)(8388608)(4)(2)";
}

}  // namespace

TEST(PictureViewX11, ZoomedPictureMarksAndLabelsReachTheScreen) {
  hw_test::ScratchDir dir;
  auto picture = std::make_unique<TDibGraphic>();
  picture->NewImage(480, 320, ifTrueColor, nullptr, 0, 0);
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 480; ++x) picture->SetPixel(x, y, demo_pixel(x, y));

  auto form = std::make_unique<TForm>(nullptr);
  form->SetCaption("Picture view");
  form->SetColor(0x00524B48);
  form->SetBounds(40, 40, 900, 640);
  auto* view = new TImageScrollBox(form.get());
  view->SetBounds(10, 10, 720, 524);
  view->SetParent(form.get());
  view->HorzScrollBar().SetStyle(ssFlat);
  view->VertScrollBar().SetStyle(ssFlat);
  // Saved and loaded again, as a user's picture would come.
  view->SetGraphic(picture.get());
  view->SaveToFile(dir.file("wheel.png"));
  view->LoadFromFile(dir.file("wheel.png"), 1);
  view->SetZoomPercent(200);
  view->SetAnnotations(demo_annotations());
  view->SetAlwaysShowAnnotations(true);

  auto* bar = new TExTrackBar(form.get());
  bar->SetParent(form.get());
  bar->SetBounds(10, 545, 720, 50);
  bar->SetMax(10);
  bar->SetLabelsFactor(10);
  bar->SetLabelsText("%");
  bar->SetPosition(5);
  auto* vbar = new TExTrackBar(form.get());
  vbar->SetParent(form.get());
  vbar->SetOrientation(trVertical);
  vbar->SetBounds(750, 10, 70, 524);
  vbar->SetMax(240);
  vbar->SetLabelsInterval(40);
  vbar->SetLabelsLeftTop(36);
  vbar->SetPosition(120);

  // Three narrow bars without labels, as the main window has them.
  const TColor colours[3] = {0x00A96060, 0x00EE6060, 0x00607760};
  for (int i = 0; i < 3; ++i) {
    auto* thin = new TExTrackBar(form.get());
    thin->SetParent(form.get());
    thin->SetOrientation(trVertical);
    thin->SetBounds(840 + 20 * i, 20, 12, 396);
    thin->SetMax(240);
    thin->SetLabels(false);
    thin->SetLabelsFirstLast(false);
    thin->SetColor(colours[i]);
    thin->SetPosition(60 * (i + 1));
  }

  form->Show();
  view->HorzScrollBar().SetPosition(100);
  pump(300);

  // Zoomed pixels away from the marks: client (x, y) shows source ((x + 100) / 2, y / 2).
  for (TPoint p : {Point(10, 100), Point(300, 350), Point(600, 450), Point(500, 20)}) {
    TRgb want = demo_pixel((p.X + 100) / 2, p.Y / 2);
    EXPECT_EQ(screen_at(*view, p.X, p.Y), static_cast<std::uint32_t>(RgbToColor(want))) << p.X << "," << p.Y;
  }
  // Read from the X server one request per pixel: every channel where the picture has it, over
  // a spread of the wheel's colours left of the marks.
  int wrong = 0;
  for (int y = 1; y < 180; y += 7)
    for (int x = 1; x < 90; x += 5)
      wrong += screen_at(*view, x, y) != static_cast<std::uint32_t>(RgbToColor(demo_pixel((x + 100) / 2, y / 2)));
  EXPECT_EQ(wrong, 0);
  // The sticky note: yellow at 200 %, moved left by the scroll position.
  std::uint32_t note = screen_at(*view, 2 * 300 - 100, 2 * 90);
  EXPECT_EQ(note, 0x0000FFFFu);
  // The labels under the horizontal bar and beside the vertical one.
  int dark = 0;
  for (int x = 0; x < 720; ++x)
    for (int y = 30; y < 45; ++y) dark += grey_of(screen_at(*bar, x, y)) < 100;
  EXPECT_GT(dark, 20);
  dark = 0;
  for (int x = 36; x < 66; ++x)
    for (int y = 0; y < 524; y += 2) dark += grey_of(screen_at(*vbar, x, y)) < 100;
  EXPECT_GT(dark, 20);
  // The pointer goes where it is sent and is read back there, twice (the second move from a
  // point already reached).
  for (TPoint to : {Point(123, 234), Point(124, 234)}) {
    const TPoint target = view->ClientToScreen(to);
    SetCursorPos(target.X, target.Y);
    const TPoint at = GetCursorPos();
    EXPECT_EQ(at.X, target.X);
    EXPECT_EQ(at.Y, target.Y);
  }

  if (const char* hold = std::getenv("HW_HOLD_MS")) pump(std::atoi(hold));

  // A quick-select band shows while it is pulled, as a dotted outline over the picture, and is
  // gone after the release.
  view->SetAlwaysShowAnnotations(false);
  view->SetMouseMode(mmQuickSelect);
  TRect got{};
  view->OnQuickSelect = [&](TImageScrollBox*, TDibGraphic*, const TRect& r) { got = r; };
  TDibView& image = *view->Image();
  int left = -image.Left(), top = -image.Top();
  send_mouse_press(image, mbLeft, left + 200, top + 150);
  send_mouse_move(image, left + 500, top + 400, ssLeft);
  pump(200);
  int changed = 0;
  for (int x = 200; x <= 500; ++x) {
    TRgb under = demo_pixel((x + left) / 2, (150 + top) / 2);
    changed += screen_at(*view, x, 150) != static_cast<std::uint32_t>(RgbToColor(under));
  }
  EXPECT_GT(changed, 100);
  if (const char* hold = std::getenv("HW_HOLD_BAND_MS")) pump(std::atoi(hold));
  send_mouse_release(image, mbLeft, left + 500, top + 400);
  pump(200);
  EXPECT_EQ(got, Rect(left + 200, top + 150, left + 500, top + 400));
  changed = 0;
  for (int x = 200; x <= 500; ++x) {
    TRgb under = demo_pixel((x + left) / 2, (150 + top) / 2);
    changed += screen_at(*view, x, 150) != static_cast<std::uint32_t>(RgbToColor(under));
  }
  EXPECT_EQ(changed, 0);
}
