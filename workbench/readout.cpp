#include "workbench/readout.hpp"

#include "platform/services.hpp"
#include "workbench/colour_model.hpp"

namespace {
int red(TColor c) { return c & 0xFF; }
int green(TColor c) { return (c >> 8) & 0xFF; }
int blue(TColor c) { return (c >> 16) & 0xFF; }
}  // namespace

TColor caption_font_colour(TColor c) { return red(c) + green(c) + blue(c) < 385 ? clWhite : clBlack; }

void ShowColorBars(const ReadoutBars& b, TColor c) {
  const int r = red(c), g = green(c), bl = blue(c);
  const int grey = bar_grey(c);
  b.panRtop->SetBounds(0, b.panRtop->Top(), r, b.panRtop->Height());
  b.panR->SetBounds(0, b.panR->Top(), r, b.panR->Height());
  b.panGtop->SetBounds(r, b.panGtop->Top(), g, b.panGtop->Height());
  b.PanG->SetBounds(r, b.PanG->Top(), g, b.PanG->Height());
  b.panBtop->SetBounds(r + g, b.panBtop->Top(), bl, b.panBtop->Height());
  b.panB->SetBounds(r + g, b.panB->Top(), bl, b.panB->Height());
  // Nothing of the grey bar shows when the three bars already fill the strip.
  b.panGRYtop->SetBounds(r + g + bl, b.panGRYtop->Top(), 720 - (r + g + bl), b.panGRYtop->Height());
  b.panRtop->SetColor(RGB(r, 10, 10));
  b.panGtop->SetColor(RGB(10, g, 10));
  b.panBtop->SetColor(RGB(10, 10, bl));
  b.panGRYtop->SetColor(RGB(grey, grey, grey));
}

void ShowSelectedColor(const ReadoutBars& bars, TLabel& label, TColor c) {
  ShowColorBars(bars, c);
  label.Font().SetColor(caption_font_colour(c));
  label.SetCaption(HistoryLine(c));
}

std::uint32_t ScreenPixelColor(int x, int y) { return GetScreenPixel(x, y); }
