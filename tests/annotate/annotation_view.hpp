// A picture view in a shown window for the mouse-mode tests, with helpers to read the screen
// and to reach the current handler.
#pragma once

#include <cstdint>
#include <memory>

#include "image/dib_graphic.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"

namespace hw_test {

// The colour of picture pixel (x, y) of the test pattern: red x, green y, blue from both.
inline TRgb pattern_at(int x, int y) {
  return Rgb(static_cast<Byte>(x * 3 % 256), static_cast<Byte>(y * 5 % 256), static_cast<Byte>((x + y) % 256));
}

inline std::unique_ptr<TDibGraphic> pattern_picture(int w, int h) {
  auto g = std::make_unique<TDibGraphic>();
  g->NewImage(w, h, ifTrueColor, nullptr, 0, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) g->SetPixel(x, y, pattern_at(x, y));
  return g;
}

inline std::unique_ptr<TDibGraphic> plain_picture(int w, int h, TRgb colour) {
  auto g = std::make_unique<TDibGraphic>();
  g->NewImage(w, h, ifTrueColor, nullptr, 0, 0);
  g->Fill(colour);
  return g;
}

// A view of width x height at the top-left of a shown form's client area.
struct ViewWindow {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TImageScrollBox* view;
  ViewWindow(int width, int height, const TDibGraphic& picture) {
    form->SetBounds(30, 30, width + 20, height + 20);
    view = new TImageScrollBox(form.get());
    view->SetBounds(0, 0, width, height);
    view->SetParent(form.get());
    form->Show();
    view->SetGraphic(const_cast<TDibGraphic*>(&picture));
  }
  // The screen colour at a client point of the view, 0x00BBGGRR.
  std::uint32_t pixel(int x, int y) const {
    TPoint p = view->ClientToScreen(Point(x, y));
    return GetScreenPixel(p.X, p.Y);
  }
  template <class H>
  H& handler() const {
    return *dynamic_cast<H*>(view->MouseHandler());
  }
};

inline std::uint32_t colour_of(TRgb c) { return static_cast<std::uint32_t>(RgbToColor(c)); }

}  // namespace hw_test
