#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/dib_view.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"

namespace {

// A 13 x 5 bitmap of the given depth whose pixel (x, y) has palette index (or colour) f(x, y).
struct TestDib {
  BITMAPINFO info{};
  std::vector<std::uint8_t> bits;
  int stride;
  TestDib(int depth, bool top_down) {
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 13;
    info.bmiHeader.biHeight = top_down ? -5 : 5;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(depth);
    info.bmiHeader.biCompression = BI_RGB;
    for (int i = 0; i < 256; ++i) info.bmiColors[i] = RGBQUAD{Byte(i * 3), Byte(255 - i), Byte(i * 7), 0};
    stride = ((13 * depth + 31) / 32) * 4;
    bits.assign(static_cast<size_t>(stride) * 5, 0);
    for (int y = 0; y < 5; ++y) {
      std::uint8_t* row = bits.data() + static_cast<size_t>(top_down ? y : 4 - y) * stride;
      for (int x = 0; x < 13; ++x) {
        int v = index(depth, x, y);
        switch (depth) {
          case 1: row[x / 8] |= static_cast<std::uint8_t>(v << (7 - x % 8)); break;
          case 4: row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? v : v << 4); break;
          case 8: row[x] = static_cast<std::uint8_t>(v); break;
          default: {
            std::uint8_t* p = row + x * (depth / 8);
            p[0] = Byte(x * 19), p[1] = Byte(y * 50), p[2] = Byte(x * y);
          }
        }
      }
    }
  }
  static int index(int depth, int x, int y) { return (x * 5 + y * 3) % (1 << std::min(depth, 8)); }
  TColor expected(int x, int y) const {
    int depth = info.bmiHeader.biBitCount;
    if (depth > 8) return RGB(x * y, y * 50, x * 19);
    const RGBQUAD& q = info.bmiColors[index(depth, x, y)];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
};

}  // namespace

TEST(DibView, EveryDepthAndRowOrderShowsItsPixels) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(0, 0, 200, 100);
  form->SetColor(clWhite);
  auto* view = new TDibView(form.get());
  view->SetParent(form.get());
  view->SetBounds(10, 10, 30, 20);
  form->Show();
  for (int depth : {1, 4, 8, 24, 32})
    for (bool top_down : {false, true}) {
      TestDib dib(depth, top_down);
      int paints = 0;
      view->OnAfterPaint = [&](TObject*) { ++paints; };
      view->SetDibSource([&] { return TDibView::Dib{&dib.info, dib.bits.data()}; });
      flush_paints();
      EXPECT_GT(paints, 0);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x) {
          TPoint s = view->ClientToScreen(Point(x, y));
          ASSERT_EQ(GetScreenPixel(s.X, s.Y), static_cast<std::uint32_t>(dib.expected(x, y)))
              << depth << (top_down ? " top-down " : " bottom-up ") << x << "," << y;
        }
      // Beyond the bitmap the control's background shows.
      TPoint s = view->ClientToScreen(Point(20, 10));
      EXPECT_EQ(GetScreenPixel(s.X, s.Y), static_cast<std::uint32_t>(ColorToRGB(view->Color())));
      // The handlers refer to this iteration's picture and counter: drop them with it.
      view->OnAfterPaint = nullptr;
      view->SetDibSource(nullptr);
    }
  // No source: only the background.
  view->SetDibSource(nullptr);
  flush_paints();
  TPoint s = view->ClientToScreen(Point(1, 1));
  EXPECT_EQ(GetScreenPixel(s.X, s.Y), static_cast<std::uint32_t>(ColorToRGB(view->Color())));
}
