// The readout on a real X server: a mouse move over the picture view leaves the picked colour in
// the magnifier with its caption over it and the bars for that colour, on the screen at once, and
// the same pixels after the window is shown again and after the toolkit's own full repaint.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "common/test_env.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"
#include "workbench/readout.hpp"
#include "x11/x11_helpers.hpp"

using hw_x11::invalidate_all;
using hw_x11::pump;

namespace {

// The screen's colours of a rectangle of the window's client area, read by the program.
std::vector<std::uint32_t> screen(TControl& c, int left, int top, int width, int height) {
  std::vector<std::uint32_t> out;
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) {
      const TPoint p = c.ClientToScreen(Point(x, y));
      out.push_back(GetScreenPixel(p.X, p.Y));
    }
  return out;
}


}  // namespace

TEST(ReadoutX11, AMoveLeavesThePickedColourItsCaptionAndTheBarsOnTheScreen) {
  hw_test::ScratchCwd cwd;
  create_workbench_windows();
  TForm1* w = Form1;
  w->Show();
  pump(300);
  TControl& image = *w->ImageScrollBox1->Image();
  for (auto [x, y] : {std::pair{300, 200}, std::pair{50, 50}}) {
    const TPoint scr = image.ClientToScreen({x, y});
    SetCursorPos(scr.X, scr.Y);
    const std::uint32_t under = GetScreenPixel(scr.X, scr.Y);
    send_mouse_move(image, x, y);
    ASSERT_EQ(static_cast<std::uint32_t>(w->panBlowColor->Color()), under);
    // The magnifier (180 x 137 at 720, 0) away from its hairs and caption, and the caption
    // (40 x 7 at 860, 65) with some of its text in the caption's font colour side.
    for (TPoint p : {Point(725, 5), Point(800, 30), Point(760, 120), Point(895, 130)})
      EXPECT_EQ(screen(*w, p.X, p.Y, 1, 1)[0], under) << p.X << "," << p.Y;
    const std::vector<std::uint32_t> caption = screen(*w, 860, 65, 40, 7);
    int text = 0;
    const bool white = caption_font_colour(static_cast<TColor>(under)) == clWhite;
    for (std::uint32_t c : caption) {
      const int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
      const int ground = GetRValue(under) + GetGValue(under) + GetBValue(under);
      text += white ? sum > ground + 60 : sum < ground - 60;
    }
    EXPECT_GT(text, 5) << "caption of " << x << "," << y;
    // The red bar's width is the red channel.
    const int red = GetRValue(under);
    if (red > 0) {
      EXPECT_EQ(screen(*w, red - 1, 3, 1, 1)[0], static_cast<std::uint32_t>(RGB(red, 10, 10)));
      EXPECT_EQ(screen(*w, red - 1, 6, 1, 1)[0], static_cast<std::uint32_t>(RGB(red, 10, 10)));
    }
    // The magnifier's last row, below its hairs, is the picked colour from end to end.
    const std::vector<std::uint32_t> bottom = screen(*w, 720, 136, 180, 1);
    for (int x = 0; x < 180; ++x) ASSERT_EQ(bottom[static_cast<size_t>(x)], under) << x;
    const std::vector<std::uint32_t> shown = screen(*w, 0, 0, 900, 7);
    const std::vector<std::uint32_t> magnifier = screen(*w, 720, 60, 180, 20);
    // The toolkit's own full repaint shows the same.
    invalidate_all(*w);
    w->Repaint();
    pump(50);
    EXPECT_EQ(screen(*w, 0, 0, 900, 7), shown);
    EXPECT_EQ(screen(*w, 720, 60, 180, 20), magnifier);
  }
  delete Form2;
  Form2 = nullptr;
  delete Form1;
  SpectrumStep = 0;
  SavedHorzScrollPos = 0;
}
