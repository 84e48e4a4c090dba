#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"
#include "view_test_support.hpp"

using namespace view_test;

namespace {

int displayed_width(TImageScrollBox& v) { return v.DisplayedGraphic()->Width(); }
int displayed_height(TImageScrollBox& v) { return v.DisplayedGraphic()->Height(); }

}  // namespace

TEST(ViewZoom, AnEmptyPictureHidesEverythingAndIgnoresZoomWrites) {
  ViewWindow w;
  w.show_picture(600, 400);
  EXPECT_TRUE(w.view->Image()->Visible());
  w.view->Clear();
  EXPECT_FALSE(w.view->Image()->Visible());
  EXPECT_FALSE(w.view->HorzScrollBar().Visible());
  EXPECT_FALSE(w.view->VertScrollBar().Visible());
  EXPECT_TRUE(w.view->DisplayedGraphic()->Empty());
  w.view->SetZoomPercent(200);
  EXPECT_EQ(w.view->ZoomPercent(), 100);
  EXPECT_EQ(w.view->ZoomMode(), zmOriginalSize);
}

TEST(ViewZoom, ImpossiblePercentagesAreIgnoredAndLargeOnesCapped) {
  ViewWindow w;
  w.show_picture(1000, 10);
  for (float z : {0.0f, -5.0f, 0.05f}) {
    w.view->SetZoomPercent(z);
    EXPECT_EQ(w.view->ZoomPercent(), 100) << z;
  }
  // The single-precision value nearest to 0.1 lies just above 0.1.
  w.view->SetZoomPercent(0.1f);
  EXPECT_EQ(w.view->ZoomPercent(), 0.1f);
  w.view->SetZoomPercent(0.5f);
  EXPECT_EQ(displayed_width(*w.view), 5);
  EXPECT_EQ(displayed_height(*w.view), 1);
  w.view->SetZoomPercent(5000);
  EXPECT_EQ(w.view->ZoomPercent(), 1000);
  w.view->SetMaxZoomPercent(50);
  EXPECT_EQ(w.view->MaxZoomPercent(), 100);
  w.view->SetMaxZoomPercent(20000);
  EXPECT_EQ(w.view->MaxZoomPercent(), 10000);
}

TEST(ViewZoom, RenderedSidesAreTruncatedAndAtLeastOnePixel) {
  ViewWindow w;
  w.show_picture(1, 1);
  w.view->SetZoomPercent(10);
  EXPECT_EQ(displayed_width(*w.view), 1);
  EXPECT_EQ(displayed_height(*w.view), 1);
  w.show_picture(1000, 30);
  w.view->SetZoomPercent(33.3f);
  EXPECT_EQ(displayed_width(*w.view), 333);
  EXPECT_EQ(displayed_height(*w.view), 9);  // 9.99
  w.view->SetZoomPercent(250);
  EXPECT_EQ(displayed_width(*w.view), 2500);
  EXPECT_EQ(w.view->Image()->Width(), 2500);
  EXPECT_EQ(w.view->HorzScrollBar().Range(), 2500);
  EXPECT_EQ(w.view->VertScrollBar().Range(), 75);
  // At 100 % a side keeps its length, also one that single precision cannot hold.
  w.show_picture(1, 16777217);
  w.view->SetZoomPercent(100);
  EXPECT_EQ(displayed_height(*w.view), 16777217);
}

TEST(ViewZoom, FittingModes) {
  ViewWindow w(300, 200);
  w.show_picture(100, 50);
  w.view->SetZoomMode(zmFitToPage);
  EXPECT_EQ(w.view->ZoomPercent(), 100);  // small pictures are not enlarged
  w.view->SetZoomMode(zmFullPage);
  EXPECT_EQ(w.view->ZoomPercent(), 300);  // min(300 / 100, 200 / 50)
  EXPECT_EQ(displayed_width(*w.view), 300);
  EXPECT_FALSE(w.view->HorzScrollBar().IsScrollBarVisible());
  w.show_picture(1000, 800);
  w.view->SetZoomMode(zmFitToPage);
  EXPECT_EQ(w.view->ZoomPercent(), 25);  // min(0.3, 0.25)
  w.view->SetZoomMode(zmFitHeight);
  EXPECT_EQ(w.view->ZoomPercent(), 25);
  EXPECT_EQ(displayed_height(*w.view), 200);
  w.show_picture(2000, 100);
  EXPECT_EQ(w.view->ZoomPercent(), 200);  // still fitting the height
  EXPECT_EQ(displayed_width(*w.view), 4000);
  // The width does not fit: the horizontal bar shows and the vertical one stays hidden.
  EXPECT_TRUE(w.view->HorzScrollBar().IsScrollBarVisible());
  EXPECT_FALSE(w.view->VertScrollBar().IsScrollBarVisible());
  w.view->SetZoomMode(zmFitWidth);
  EXPECT_EQ(w.view->ZoomPercent(), 15);  // 100 * 300 / 2000
  w.view->SetZoomMode(zmOriginalSize);
  EXPECT_EQ(w.view->ZoomPercent(), 100);
  EXPECT_EQ(displayed_width(*w.view), 2000);
  // Fitted to the height, a line of 10000 pixels would render 2,000,000 x 200: it shows at the
  // largest zoom whose rendering stays within a quarter of the pixel limit of a picture.
  TDibGraphic line;
  line.NewImage(10000, 1, ifBlackWhite, nullptr, 0, 0);
  w.view->SetGraphic(&line);
  w.view->SetZoomMode(zmFitHeight);
  const std::int64_t shown = std::int64_t{displayed_width(*w.view)} * displayed_height(*w.view);
  EXPECT_LE(shown, std::int64_t{1} << 26);
  EXPECT_GT(shown, (std::int64_t{1} << 26) - displayed_width(*w.view) - displayed_height(*w.view));
  EXPECT_LT(w.view->ZoomPercent(), 20000);
  // A zoom the user chose keeps the whole limit: 400 % of it renders 40,000 x 4.
  w.view->SetZoomPercent(400);
  EXPECT_EQ(w.view->ZoomPercent(), 400);
  EXPECT_EQ(displayed_width(*w.view), 40000);
  // A rendering exactly at the limit keeps its zoom: 250 % of 51 x 563,644 renders
  // 127 x 1,409,110 = 178,956,970 pixels.
  TDibGraphic tall;
  tall.NewImage(51, 563644, ifBlackWhite, nullptr, 0, 0);
  w.view->SetGraphic(&tall);
  w.view->SetZoomPercent(250);
  EXPECT_EQ(w.view->ZoomPercent(), 250);
  EXPECT_EQ(displayed_height(*w.view), 1409110);
  // The original size is shown at 100 % up to the whole limit, past the fitted modes' quarter.
  TDibGraphic large;
  large.NewImage(10000, 9000, ifBlackWhite, nullptr, 0, 0);
  w.view->SetGraphic(&large);
  w.view->SetZoomMode(zmOriginalSize);
  EXPECT_EQ(w.view->ZoomPercent(), 100);
  EXPECT_EQ(displayed_width(*w.view), 10000);
}

TEST(ViewZoom, EveryRenderingScrollsBackToTheTopLeft) {
  ViewWindow w;
  w.show_picture(900, 700);
  w.view->HorzScrollBar().SetPosition(120);
  w.view->VertScrollBar().SetPosition(80);
  EXPECT_EQ(w.view->Image()->Left(), -120);
  EXPECT_EQ(w.view->Image()->Top(), -80);
  w.view->Redraw(false);
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 0);
  EXPECT_EQ(w.view->VertScrollBar().Position(), 0);
  EXPECT_EQ(w.view->Image()->Left(), 0);
  EXPECT_EQ(w.view->ImageRect(), Rect(0, 0, 900, 700));
}

TEST(ViewZoom, AZoomChangeIsBracketedAndReportedTwice) {
  ViewWindow w;
  w.show_picture(200, 100);
  std::vector<std::string> log;
  w.view->SetMouseHandler(new RecordingHandler(w.view, log));
  record_view_events(*w.view, log);
  w.view->SetZoomPercent(200);
  EXPECT_EQ(log, (std::vector<std::string>{"Before", "Zoom 200", "Before", "Redraw", "After", "After", "Zoom 200"}));
  log.clear();
  w.view->SetZoomPercent(200);  // same percent in percent mode: nothing
  EXPECT_TRUE(log.empty());
  // A redraw of a changed picture at the same zoom brackets once; of an unchanged one not at all.
  w.view->Redraw(true);
  EXPECT_EQ(log, (std::vector<std::string>{"Before", "Redraw", "After"}));
  log.clear();
  w.view->Redraw(false);
  EXPECT_EQ(log, (std::vector<std::string>{"Redraw"}));
}

TEST(ViewZoom, ARedrawDuringARedrawDoesNothing) {
  ViewWindow w;
  w.show_picture(200, 100);
  int redraws = 0;
  w.view->OnRedraw = [&](TDibGraphic*) {
    ++redraws;
    w.view->Redraw(true);
  };
  w.view->SetZoomPercent(300);  // the bars appear: a size change during the rendering
  EXPECT_EQ(redraws, 1);
  EXPECT_TRUE(w.view->HorzScrollBar().IsScrollBarVisible());
  // A size change outside a redraw renders again.
  redraws = 0;
  w.view->SetBounds(w.view->Left(), w.view->Top(), 250, 150);
  EXPECT_EQ(redraws, 1);
}

TEST(ViewZoom, AViewWithoutParentOrHiddenDoesNotRender) {
  TImageScrollBox view(nullptr);
  auto g = make_picture(40, 30);
  view.SetGraphic(g.get());
  EXPECT_TRUE(view.DisplayedGraphic()->Empty());
  ViewWindow w;
  w.view->Hide();
  w.view->SetGraphic(g.get());
  EXPECT_TRUE(w.view->DisplayedGraphic()->Empty());
  w.view->Show();
  EXPECT_TRUE(w.view->DisplayedGraphic()->Empty());
  w.view->Redraw(false);
  EXPECT_EQ(w.view->DisplayedGraphic()->Width(), 40);
}

TEST(ViewZoom, CentringUsesTheOuterSizeOnlyInDragMode) {
  ViewWindow w(300, 200);
  w.show_picture(100, 51);
  w.view->SetCentered(true);
  EXPECT_EQ(w.view->Image()->Left(), 100);
  EXPECT_EQ(w.view->Image()->Top(), 74);  // (200 - 51) / 2 truncated
  EXPECT_EQ(w.view->ImageRect(), Rect(100, 74, 200, 125));
  w.view->SetCentered(false);
  w.view->SetMouseMode(mmQuickSelect);
  w.view->SetCentered(true);
  EXPECT_FALSE(w.view->Centered());
  EXPECT_EQ(w.view->Image()->Left(), 0);
  // Switching to quick select un-centres a centred view.
  w.view->SetMouseMode(mmDrag);
  w.view->SetCentered(true);
  w.view->SetMouseMode(mmQuickSelect);
  EXPECT_FALSE(w.view->Centered());
}

TEST(ViewZoom, ZoomedPixelsComeFromTheirSourcePixels) {
  ViewWindow w;
  w.show_picture(30, 20, 3);
  w.view->SetZoomPercent(200);
  TDibGraphic& d = *w.view->DisplayedGraphic();
  ASSERT_EQ(d.Width(), 60);
  for (int y = 0; y < 20; y += 3)
    for (int x = 0; x < 30; x += 4) {
      EXPECT_EQ(d.GetPixel(2 * x, 2 * y), pattern(3, x, y));
      EXPECT_EQ(d.GetPixel(2 * x + 1, 2 * y + 1), pattern(3, x, y));
    }
}

TEST(ViewZoom, TheWindowShowsTheDisplayedPixelsWhereverScrolled) {
  ViewWindow w;
  w.show_picture(400, 300, 5);
  w.view->HorzScrollBar().SetPosition(37);
  w.view->VertScrollBar().SetPosition(21);
  flush_paints();
  for (TPoint p : {Point(0, 0), Point(10, 5), Point(200, 150), Point(250, 160)}) {
    TPoint s = w.view->ClientToScreen(p);
    TRgb want = pattern(5, p.X + 37, p.Y + 21);
    EXPECT_EQ(GetScreenPixel(s.X, s.Y), static_cast<std::uint32_t>(RgbToColor(want))) << p.X << "," << p.Y;
  }
}

TEST(ViewZoom, AntiAliasingRendersBlackAndWhitePicturesInGrey) {
  ViewWindow w;
  auto bw = std::make_unique<TDibGraphic>();
  bw->NewImage(64, 64, ifBlackWhite, nullptr, 0, 0);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) bw->SetPaletteIndex(x, y, static_cast<Byte>((x + y) & 1));
  w.view->SetGraphic(bw.get());
  w.view->SetZoomPercent(50);
  EXPECT_EQ(w.view->DisplayedGraphic()->ImageFormat(), ifBlackWhite);
  w.view->SetAntiAliased(true);
  EXPECT_EQ(w.view->DisplayedGraphic()->ImageFormat(), ifGray256);
  EXPECT_EQ(w.view->DisplayedGraphic()->Width(), 32);
  // A half-white checkerboard shrinks to a middle grey.
  TRgb c = w.view->DisplayedGraphic()->GetPixel(10, 10);
  EXPECT_NEAR(c.Red, 128, 2);
  // Other pictures are not re-rendered by the switch.
  w.show_picture(20, 20);
  int redraws = 0;
  w.view->OnRedraw = [&](TDibGraphic*) { ++redraws; };
  w.view->SetAntiAliased(false);
  EXPECT_EQ(redraws, 0);
}

TEST(ViewZoom, FramesAndAnimation) {
  ViewWindow w;
  auto multi = make_picture(10, 10, 0);
  multi->AddFrame(make_picture(10, 10, 1));
  multi->AddFrame(make_picture(30, 12, 2));
  multi->AddFrame(make_picture(10, 10, 3));
  multi->SetCurrentFrame(1);
  w.view->SetGraphic(multi.get());
  ASSERT_EQ(w.view->FrameCount(), 3);
  w.view->SetCurrentFrame(2);
  EXPECT_EQ(w.view->DisplayedGraphic()->Width(), 30);
  EXPECT_EQ(w.view->DisplayedGraphic()->GetPixel(1, 1), pattern(2, 1, 1));
  w.view->SetCurrentFrame(1);
  w.view->AnimationDelayMS = 50;
  w.view->SetAnimated(true);
  EXPECT_TRUE(w.view->Animated());
  EXPECT_TRUE(w.view->DoubleBuffered());
  EXPECT_EQ(w.view->Image()->Width(), 30);  // widened to the largest frame
  std::vector<int> frames;
  w.view->OnRedraw = [&](TDibGraphic*) { frames.push_back(w.view->CurrentFrame()); };
  TTimer* timer = nullptr;
  for (int i = 0; i < w.view->ComponentCount(); ++i)
    if (auto* t = dynamic_cast<TTimer*>(w.view->Components(i))) timer = t;
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 50);
  for (int i = 0; i < 4; ++i) timer->Fire();
  EXPECT_EQ(frames, (std::vector<int>{2, 3, 1, 2}));
  w.view->SetAnimated(false);
  EXPECT_FALSE(timer->Enabled());
  EXPECT_FALSE(w.view->DoubleBuffered());
  // A single picture does not animate.
  w.show_picture(10, 10);
  w.view->SetAnimated(true);
  EXPECT_FALSE(w.view->Animated());
}
