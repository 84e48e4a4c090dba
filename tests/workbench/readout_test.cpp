#include <gtest/gtest.h>

#include <memory>

#include "common/test_env.hpp"
#include "platform/forms.hpp"
#include "platform/synthetic_input.hpp"
#include "workbench/readout.hpp"

namespace {

// A small window with the bar strip and a readout label, laid out as on the main window.
struct BarWindow {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  ReadoutBars bars;
  TLabel* label;
  BarWindow() {
    form->SetBounds(0, 0, 720, 60);
    form->SetColor(0x00524B48);
    auto panel = [&](int top, int h, TColor c) {
      auto* p = new TPanel(form.get());
      p->SetParent(form.get());
      p->SetBevelOuter(TBevelCut::bvNone);
      p->SetBounds(0, top, 0, h);
      p->SetColor(c);
      return p;
    };
    bars.panGRYtop = panel(0, 7, clBlack);
    bars.panRtop = panel(1, 6, clBlack);
    bars.panGtop = panel(1, 6, clBlack);
    bars.panBtop = panel(1, 6, clBlack);
    bars.panR = panel(0, 1, kBarLineRed);
    bars.PanG = panel(0, 1, kBarLineGreen);
    bars.panB = panel(0, 1, kBarLineBlue);
    label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetTop(30);
  }
  std::uint32_t pixel(int x, int y) {
    TPoint p = form->ClientToScreen({x, y});
    return ScreenPixelColor(p.X, p.Y);
  }
};

}  // namespace

TEST(Readout, WhiteFillsTheStripAndHidesTheGreyBar) {
  BarWindow w;
  ShowColorBars(w.bars, 0xFFFFFF);
  EXPECT_EQ(w.bars.panRtop->Left(), 0);
  EXPECT_EQ(w.bars.panRtop->Width(), 255);
  EXPECT_EQ(w.bars.panGtop->Left(), 255);
  EXPECT_EQ(w.bars.panBtop->Left(), 510);
  EXPECT_EQ(w.bars.panBtop->Width(), 255);
  EXPECT_EQ(w.bars.panGRYtop->Width(), 0);
  EXPECT_EQ(w.bars.panRtop->Color(), RGB(255, 10, 10));
}

TEST(Readout, BarsShowOnScreenWithTheirColours) {
  BarWindow w;
  w.form->Show();
  ShowSelectedColor(w.bars, *w.label, RGB(0, 96, 149));
  flush_paints();
  // Red bar empty, green bar from 0 to 96, blue from 96 to 245, grey (its bar grey) after.
  EXPECT_EQ(w.pixel(50, 3), static_cast<std::uint32_t>(RGB(10, 96, 10)));
  EXPECT_EQ(w.pixel(50, 0), static_cast<std::uint32_t>(kBarLineGreen));
  EXPECT_EQ(w.pixel(200, 3), static_cast<std::uint32_t>(RGB(10, 10, 149)));
  EXPECT_EQ(w.pixel(200, 0), static_cast<std::uint32_t>(kBarLineBlue));
  const int grey = 73;  // Round(0.3*0 + 0.59*96 + 0.11*149) = Round(73.03)
  EXPECT_EQ(w.pixel(600, 3), static_cast<std::uint32_t>(RGB(grey, grey, grey)));
  EXPECT_EQ(w.label->Caption(), "hex006095\u00B7rgb0,96,149\u00B7cmyk149,53,0,107");
}

TEST(Readout, CaptionTurnsBlackFrom385) {
  BarWindow w;
  ShowSelectedColor(w.bars, *w.label, RGB(128, 128, 128));  // 384
  EXPECT_EQ(w.label->Font().Color(), clWhite);
  ShowSelectedColor(w.bars, *w.label, RGB(129, 128, 128));  // 385
  EXPECT_EQ(w.label->Font().Color(), clBlack);
  ShowSelectedColor(w.bars, *w.label, 0);
  EXPECT_EQ(w.label->Caption(), "hex000000\u00B7rgb0,0,0\u00B7cmyk0,0,0,256");
}

TEST(Readout, UnreadablePixelsAreReportedAsInvalid) {
  BarWindow w;
  w.form->Show();
  EXPECT_EQ(ScreenPixelColor(-10, -10), CLR_INVALID);
  EXPECT_EQ(ScreenPixelColor(100000, 5), CLR_INVALID);
}
