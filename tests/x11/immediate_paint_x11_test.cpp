// A change painted at once on a real X server (TControl::ChangeAndRepaint): plain-coloured panels
// reach the screen as fills, the rest as pixels. The screen must show what the toolkit's own full
// repaint shows, right after the change, after the server asks the window to show a covered part
// again (from the window's backing store), and after more changes that move panels sideways.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "platform/controls.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "x11/x11_helpers.hpp"

using hw_x11::invalidate_all;
using hw_x11::pump;

namespace {

// The screen's pixels of a rectangle of a control's client area, as 0xRRGGBB, read through a
// connection of the test's own once the program's connection has had a reply (so every request
// the program sent before is done).
std::vector<std::uint32_t> grab(TControl& c, int left, int top, int width, int height) {
  const TPoint at = c.ClientToScreen(Point(left, top));
  (void)GetScreenPixel(at.X, at.Y);
  std::vector<std::uint32_t> out;
  xcb_connection_t* x = xcb_connect(nullptr, nullptr);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
  xcb_get_image_reply_t* img = xcb_get_image_reply(
      x, xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, static_cast<std::int16_t>(at.X), static_cast<std::int16_t>(at.Y),
                       static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), ~0u),
      nullptr);
  // 32-bit little-endian pixels of a depth-24 screen (the test display's).
  if (img && xcb_get_image_data_length(img) == width * height * 4) {
    const std::uint8_t* p = xcb_get_image_data(img);
      for (int i = 0; i < width * height; ++i) out.push_back(p[4 * i] | p[4 * i + 1] << 8 | p[4 * i + 2] << 16);
  }
  std::free(img);
  xcb_disconnect(x);
  return out;
}

// Covers a screen rectangle with a window of another client for a moment: the server then asks
// the program to show that part again.
void cover(int x, int y, int width, int height) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t w = xcb_generate_id(c);
  const std::uint32_t values[] = {0x123456, 1};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                    static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
  xcb_map_window(c, w);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  xcb_destroy_window(c, w);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  xcb_disconnect(c);
}

std::uint32_t rgb(TColor c) { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); }

TPanel* plain(TWinControl* parent, int l, int t, int w, int h, TColor colour) {
  auto* p = new TPanel(parent);
  p->SetParent(parent);
  p->SetBevelOuter(TBevelCut::bvNone);
  p->SetBounds(l, t, w, h);
  p->SetColor(colour);
  return p;
}


}  // namespace

TEST(ImmediatePaintX11, FillsAndPixelsShowWhatTheToolkitPaints) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetCaption("Immediate paint");
  form->SetColor(0x00524B48);
  form->SetBounds(40, 40, 420, 200);
  // A strip of panels end to end, and a panel with a hair line and a captioned child over it.
  TPanel* a = plain(form.get(), 0, 0, 100, 10, 0x000000C0);
  TPanel* b = plain(form.get(), 100, 0, 100, 10, 0x0000C000);
  TPanel* big = plain(form.get(), 220, 0, 180, 140, 0x00C00000);
  plain(big, 90, 0, 1, 60, clWhite);  // the hair line
  TPanel* caption = plain(big, 120, 64, 50, 14, 0x00C00000);
  caption->SetCaption("#0000C0");
  caption->Font().SetHeight(-11);
  caption->Font().SetColor(clWhite);
  form->Show();
  pump(300);

  const TColor picked = 0x0030A0E0;
  form->ChangeAndRepaint({Rect(0, 0, 220, 10), big->BoundsRect()}, [&] {
    a->SetWidth(130);
    b->SetBounds(130, 0, 70, 10);
    big->SetColor(picked);
    caption->SetColor(picked);
    caption->SetCaption("#E0A030");
    caption->Font().SetColor(clBlack);
  });
  // Nothing else was painted or flushed: the change is on the screen as it stands.
  const std::vector<std::uint32_t> shown = grab(*form, 0, 0, 400, 140);
  ASSERT_EQ(shown.size(), 400u * 140u);
  auto at = [&](const std::vector<std::uint32_t>& v, int x, int y) { return v[static_cast<size_t>(y) * 400 + x]; };
  EXPECT_EQ(at(shown, 120, 5), rgb(0x000000C0));
  EXPECT_EQ(at(shown, 135, 5), rgb(0x0000C000));
  EXPECT_EQ(at(shown, 205, 5), rgb(0x00524B48));  // the form between the strip and the big panel
  EXPECT_EQ(at(shown, 230, 10), rgb(picked));
  EXPECT_EQ(at(shown, 220 + 90, 30), rgb(clWhite));
  EXPECT_EQ(at(shown, 220 + 90, 100), rgb(picked));
  int ink = 0, ground = 0;
  for (int y = 64; y < 78; ++y)
    for (int x = 220 + 120; x < 220 + 170; ++x) {
      ink += GetRValue(at(shown, x, y)) < 0x80;  // dark: the black caption, drawn smooth
      ground += at(shown, x, y) == rgb(picked);
    }
  EXPECT_GT(ink, 10);  // the new caption is drawn over its panel
  EXPECT_GT(ground, 100);

  // Shown again from the backing store after another client covered it.
  const TPoint origin = form->ClientToScreen(Point(0, 0));
  cover(origin.X, origin.Y, 400, 140);
  pump(200);
  EXPECT_EQ(grab(*form, 0, 0, 400, 140), shown);

  // The toolkit's own full repaint shows the same pixels.
  invalidate_all(*form);
  form->Repaint();
  pump(100);
  EXPECT_EQ(grab(*form, 0, 0, 400, 140), shown);

  // Panels moved sideways without a change of size, a few times, then shown again.
  for (int i = 1; i <= 3; ++i)
    form->ChangeAndRepaint({Rect(0, 0, 220, 10)}, [&] {
      a->SetWidth(130 - 10 * i);
      b->SetLeft(130 - 10 * i);
    });
  const std::vector<std::uint32_t> moved = grab(*form, 0, 0, 400, 140);
  EXPECT_EQ(at(moved, 95, 5), rgb(0x000000C0));
  EXPECT_EQ(at(moved, 100, 5), rgb(0x0000C000));
  EXPECT_EQ(at(moved, 169, 5), rgb(0x0000C000));
  EXPECT_EQ(at(moved, 170, 5), rgb(0x00524B48));
  cover(origin.X, origin.Y, 400, 140);
  pump(200);
  EXPECT_EQ(grab(*form, 0, 0, 400, 140), moved);
  invalidate_all(*form);
  form->Repaint();
  pump(100);
  EXPECT_EQ(grab(*form, 0, 0, 400, 140), moved);
  // What the toolkit has just drawn is what the program reads back at once over its own
  // connection, a few times over.
  const TPoint spot = a->ClientToScreen(Point(40, 5));
  for (int i = 1; i <= 100; ++i) {
    const auto c = static_cast<TColor>(0x00102030 + 0x00010101 * i);
    a->SetColor(c);
    a->Repaint();
    ASSERT_EQ(GetScreenPixel(spot.X, spot.Y), static_cast<std::uint32_t>(c)) << i;
  }
  form->Hide();
}
