// The rubber band: pulling, resizing and moving it with the mouse, its marching outline and
// grips on screen, following the zoom, and copying, cropping and extracting the selection.
#include "annotate/rubberband_mouse_handler.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "annotation_view.hpp"
#include "common/test_env.hpp"
#include "image/hand_cursors.hpp"
#include "platform/clipbrd.hpp"
#include "platform/synthetic_window_input.hpp"

using hw_test::colour_of;
using hw_test::pattern_at;

namespace {

// A view in selecting mode over a pattern picture, with the band reports recorded.
struct Selecting : hw_test::ViewWindow {
  std::vector<TRect> reports;
  Selecting(int view_w, int view_h, int pic_w, int pic_h)
      : ViewWindow(view_w, view_h, *hw_test::pattern_picture(pic_w, pic_h)) {
    view->SetMouseMode(mmSelect);
    view->OnRubberbandChange = [this](const TRect& r) { reports.push_back(r); };
  }
  TRubberbandMouseHandler& band() const { return handler<TRubberbandMouseHandler>(); }
  // A left-button drag through the window from (x1, y1) by way of the points to the last one.
  void drag(int x1, int y1, const std::vector<TPoint>& path) const {
    send_window_mouse_press(*form, mbLeft, x1, y1);
    for (TPoint p : path) send_window_mouse_move(*form, p.X, p.Y, ssLeft);
    TPoint end = path.empty() ? Point(x1, y1) : path.back();
    send_window_mouse_release(*form, mbLeft, end.X, end.Y);
  }
  void hover(int x, int y) const { send_window_mouse_move(*form, x, y); }
};

// The outline pixels of a band in client coordinates, in drawing order: from the top-left corner
// along the top, down the right side, back along the bottom and up the left side, each side
// without its last pixel.
std::vector<TPoint> outline(int l, int t, int r, int b) {
  std::vector<TPoint> out;
  for (int x = l; x < r; ++x) out.push_back(Point(x, t));
  for (int y = t; y < b; ++y) out.push_back(Point(r, y));
  for (int x = r; x > l; --x) out.push_back(Point(x, b));
  for (int y = b; y > t; --y) out.push_back(Point(l, y));
  return out;
}

// Checks every outline pixel: `on(k)` tells whether pixel k of the path shows the foreground.
template <class On>
void expect_outline(const Selecting& s, const TRect& band, std::uint32_t fore, std::uint32_t back, On on) {
  flush_paints();
  std::vector<TPoint> path = outline(band.Left, band.Top, band.Right, band.Bottom);
  int wrong = 0;
  for (size_t k = 0; k < path.size(); ++k) {
    const std::uint32_t want = on(static_cast<int>(k)) ? fore : back;
    if (s.pixel(path[k].X, path[k].Y) != want && ++wrong <= 5)
      ADD_FAILURE() << "pixel " << k << " at " << path[k].X << "," << path[k].Y;
  }
  EXPECT_EQ(wrong, 0);
}

bool dotted(int k) { return k % 2 == 0; }

const std::uint32_t kWhite = 0xFFFFFF, kNavy = 0x800000;

}  // namespace

TEST(Rubberband, TheSelectingModeMakesTheBandWithItsDefaults) {
  Selecting s(420, 320, 200, 150);
  TRubberbandMouseHandler& b = s.band();
  EXPECT_EQ(b.ForegroundColor(), clWhite);
  EXPECT_EQ(b.BackgroundColor(), clNavy);
  EXPECT_EQ(b.LineStyle(), psDot);
  EXPECT_EQ(b.LineMode(), pmCopy);
  EXPECT_FALSE(b.SelectionActive());
  EXPECT_FALSE(b.Animated());
  EXPECT_EQ(b.AnimationInterval(), 400);
  ASSERT_NE(b.AnimationTimer(), nullptr);
  EXPECT_FALSE(b.AnimationTimer()->Enabled());
  EXPECT_EQ(b.AnimationTimer()->Interval(), 400);
  EXPECT_EQ(b.AnimationTimer()->Owner(), s.view);
  EXPECT_FALSE(b.ShowGrips());
  EXPECT_EQ(b.GripSize(), 6);
  EXPECT_EQ(b.GripColor(), clNavy);
  EXPECT_EQ(s.view->Image()->Cursor(), crDefault);
  // Leaving the mode frees the timer with the handler.
  const int components = s.view->ComponentCount();
  s.view->SetMouseMode(mmDrag);
  EXPECT_EQ(s.view->ComponentCount(), components - 1);
}

TEST(Rubberband, APulledBandIsReportedOnEveryMoveAndNormalisedAtRelease) {
  Selecting s(420, 320, 200, 150);
  send_window_mouse_press(*s.form, mbLeft, 100, 80);
  send_window_mouse_move(*s.form, 70, 50, ssLeft);
  send_window_mouse_move(*s.form, 40, 20, ssLeft);
  EXPECT_EQ(s.band().Corners(), Rect(100, 80, 40, 20));
  send_window_mouse_release(*s.form, mbLeft, 40, 20);
  EXPECT_EQ(s.band().Corners(), Rect(40, 20, 100, 80));
  EXPECT_TRUE(s.band().SelectionActive());
  EXPECT_EQ(s.band().GetSelection(), Rect(40, 20, 100, 80));
  EXPECT_EQ(s.reports, (std::vector<TRect>{Rect(70, 50, 100, 80), Rect(40, 20, 100, 80)}));
}

TEST(Rubberband, TheOutlineIsDottedInTheTwoColoursOverThePicture) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(100, 80)});
  expect_outline(s, Rect(40, 20, 100, 80), kWhite, kNavy, dotted);
  EXPECT_EQ(s.pixel(70, 50), colour_of(pattern_at(70, 50)));
  EXPECT_EQ(s.pixel(39, 20), colour_of(pattern_at(39, 20)));
  EXPECT_EQ(s.pixel(101, 80), colour_of(pattern_at(101, 80)));
  // Other line styles: solid, and dashes of six on and two off.
  s.band().SetLineStyle(psSolid);
  expect_outline(s, Rect(40, 20, 100, 80), kWhite, kNavy, [](int) { return true; });
  s.band().SetLineStyle(psDash);
  expect_outline(s, Rect(40, 20, 100, 80), kWhite, kNavy, [](int k) { return k % 8 < 6; });
  s.band().SetForegroundColor(clYellow);
  s.band().SetBackgroundColor(clBlack);
  s.band().SetLineStyle(psDot);
  expect_outline(s, Rect(40, 20, 100, 80), 0x00FFFF, 0x000000, dotted);
}

TEST(Rubberband, ClicksWithoutMotionLeaveNoBand) {
  Selecting s(420, 320, 200, 150);
  s.drag(120, 90, {});
  EXPECT_FALSE(s.band().SelectionActive());
  EXPECT_TRUE(s.reports.empty());
  EXPECT_THROW(s.band().GetSelection(), ERubberbandError);
  // A band one pixel high goes at release, without a report of its going.
  s.drag(20, 30, {Point(80, 30)});
  EXPECT_FALSE(s.band().SelectionActive());
  EXPECT_EQ(s.reports, (std::vector<TRect>{Rect(20, 30, 80, 30)}));
  // A click away from a shown band takes it down and reports the empty rectangle.
  s.drag(40, 20, {Point(100, 80)});
  s.reports.clear();
  s.drag(150, 120, {});
  EXPECT_FALSE(s.band().SelectionActive());
  EXPECT_EQ(s.reports, (std::vector<TRect>{Rect(0, 0, 0, 0)}));
  flush_paints();
  EXPECT_EQ(s.pixel(40, 20), colour_of(pattern_at(40, 20)));
}

TEST(Rubberband, HandlesAreFoundNearTheCornersEdgesAndInside) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(100, 80)});
  TRubberbandMouseHandler& b = s.band();
  auto hit = [&](int x, int y) {
    TGrabHandle h = ghInside;
    return b.HitTestBand(x, y, h) ? static_cast<int>(h) : -1;
  };
  EXPECT_EQ(hit(103, 83), ghBottomRight);
  EXPECT_EQ(hit(104, 80), -1);
  EXPECT_EQ(hit(37, 17), ghTopLeft);
  EXPECT_EQ(hit(102, 18), ghTopRight);
  EXPECT_EQ(hit(40, 80), ghBottomLeft);
  EXPECT_EQ(hit(70, 21), ghTop);
  EXPECT_EQ(hit(70, 78), ghBottom);
  EXPECT_EQ(hit(41, 50), ghLeft);
  EXPECT_EQ(hit(99, 50), ghRight);
  EXPECT_EQ(hit(70, 50), ghInside);
  EXPECT_EQ(hit(70, 10), -1);
  EXPECT_EQ(hit(20, 50), -1);
  // Hovering with no button held shows the handle's cursor.
  const std::vector<std::pair<TPoint, TCursor>> cursors = {
      {Point(100, 80), crSizeNWSE}, {Point(40, 20), crSizeNWSE}, {Point(100, 20), crSizeNESW},
      {Point(40, 80), crSizeNESW},  {Point(70, 20), crSizeNS},   {Point(70, 80), crSizeNS},
      {Point(40, 50), crSizeWE},    {Point(100, 50), crSizeWE},  {Point(70, 50), crHandOpened},
      {Point(150, 120), crDefault}};
  for (auto& [p, cursor] : cursors) {
    s.hover(p.X, p.Y);
    EXPECT_EQ(s.view->Image()->Cursor(), cursor) << p.X << "," << p.Y;
  }
}

TEST(Rubberband, EdgesMoveInTheirOwnDirectionAndCornersInBoth) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(100, 80)});
  s.drag(100, 50, {Point(130, 10)});  // the right edge: only X follows
  EXPECT_EQ(s.band().GetSelection(), Rect(40, 20, 130, 80));
  s.drag(70, 80, {Point(10, 120)});  // the bottom edge: only Y
  EXPECT_EQ(s.band().GetSelection(), Rect(40, 20, 130, 120));
  s.drag(40, 20, {Point(10, 5)});  // the top-left corner
  EXPECT_EQ(s.band().GetSelection(), Rect(10, 5, 130, 120));
  s.drag(11, 60, {Point(160, 60)});  // the left edge past the right one
  EXPECT_EQ(s.band().GetSelection(), Rect(130, 5, 160, 120));
  EXPECT_EQ(s.reports.back(), Rect(130, 5, 160, 120));
  // The moving corner stays in the displayed picture.
  s.drag(160, 120, {Point(500, 400)});
  EXPECT_EQ(s.band().GetSelection(), Rect(130, 5, 199, 149));
}

TEST(Rubberband, TheWholeBandMovesButNeverLeavesThePicture) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(100, 80)});
  s.drag(70, 50, {Point(80, 55), Point(90, 65)});
  EXPECT_EQ(s.band().GetSelection(), Rect(60, 35, 120, 95));
  s.reports.clear();
  s.drag(90, 60, {Point(20, 60)});  // 70 to the left would cross the left edge
  EXPECT_EQ(s.band().GetSelection(), Rect(60, 35, 120, 95));
  EXPECT_EQ(s.reports, (std::vector<TRect>{Rect(60, 35, 120, 95)}));
  s.drag(90, 60, {Point(169, 60)});  // 79 to the right: the right corner reaches 199
  EXPECT_EQ(s.band().GetSelection(), Rect(139, 35, 199, 95));
  expect_outline(s, Rect(139, 35, 199, 95), kWhite, kNavy, dotted);
}

TEST(Rubberband, AZoomScalesTheBandAndReportsIt) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(99, 79)});
  s.view->SetZoomPercent(200);
  EXPECT_EQ(s.band().GetSelection(), Rect(80, 40, 198, 158));
  EXPECT_EQ(s.reports.back(), Rect(80, 40, 198, 158));
  s.view->SetZoomPercent(150);
  // 300 / 400 of each corner, truncated.
  EXPECT_EQ(s.band().GetSelection(), Rect(60, 30, 148, 118));
  expect_outline(s, Rect(60, 30, 148, 118), kWhite, kNavy, dotted);
}

TEST(Rubberband, TheMarchingAntsSwapTheirColoursOnTheTimer) {
  Selecting s(420, 320, 200, 150);
  TRubberbandMouseHandler& b = s.band();
  b.SetAnimated(true);
  EXPECT_TRUE(b.AnimationTimer()->Enabled());
  b.SetAnimationInterval(250);
  EXPECT_EQ(b.AnimationTimer()->Interval(), 250);
  b.AnimationTimer()->Fire();  // no band: nothing to swap
  EXPECT_EQ(b.ForegroundColor(), clWhite);
  s.drag(40, 20, {Point(100, 80)});
  b.AnimationTimer()->Fire();
  EXPECT_EQ(b.ForegroundColor(), clNavy);
  EXPECT_EQ(b.BackgroundColor(), clWhite);
  expect_outline(s, Rect(40, 20, 100, 80), kNavy, kWhite, dotted);
  b.AnimationTimer()->Fire();
  expect_outline(s, Rect(40, 20, 100, 80), kWhite, kNavy, dotted);
  b.SetAnimated(false);
  EXPECT_FALSE(b.AnimationTimer()->Enabled());
}

TEST(Rubberband, GripsAreSquaresOnTheCornersInsideThePicture) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(199, 149)});
  s.band().SetShowGrips(true);
  s.band().SetGripColor(clRed);
  flush_paints();
  for (int y = 17; y <= 22; ++y)
    for (int x = 37; x <= 42; ++x) EXPECT_EQ(s.pixel(x, y), 0x0000FFu) << x << "," << y;
  EXPECT_EQ(s.pixel(36, 20), colour_of(pattern_at(36, 20)));
  EXPECT_EQ(s.pixel(40, 16), colour_of(pattern_at(40, 16)));
  EXPECT_EQ(s.pixel(43, 20), kNavy);  // the outline goes on past the grip
  // At the picture's last pixel the grip is cut off by the picture's edge.
  EXPECT_EQ(s.pixel(196, 146), 0x0000FFu);
  EXPECT_EQ(s.pixel(199, 149), 0x0000FFu);
  EXPECT_NE(s.pixel(200, 149), 0x0000FFu);
  EXPECT_NE(s.pixel(199, 150), 0x0000FFu);
  s.band().SetGripSize(2);
  flush_paints();
  EXPECT_EQ(s.pixel(39, 19), 0x0000FFu);
  EXPECT_EQ(s.pixel(38, 20), colour_of(pattern_at(38, 20)));
}

TEST(Rubberband, CornersOfAScrolledViewAreInDisplayedPixels) {
  Selecting s(300, 220, 640, 480);
  s.view->HorzScrollBar().SetPosition(100);
  s.view->VertScrollBar().SetPosition(50);
  s.drag(20, 30, {Point(70, 60)});
  EXPECT_EQ(s.band().GetSelection(), Rect(120, 80, 170, 110));
  expect_outline(s, Rect(20, 30, 70, 60), kWhite, kNavy, dotted);
  TGrabHandle h = ghTop;
  EXPECT_TRUE(s.band().HitTestBand(70, 60, h));
  EXPECT_EQ(h, ghBottomRight);
}

TEST(Rubberband, CopyingScalesTheCornersByTruncatingDivision) {
  Selecting s(420, 320, 200, 150);
  s.view->SetZoomPercent(300);
  s.drag(50, 20, {Point(100, 80)});
  ASSERT_EQ(s.band().GetSelection(), Rect(50, 20, 100, 80));
  SetClipboardText("nothing yet");
  s.view->CopySelectionToClipboard();
  ASSERT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  TDibGraphic copy;
  copy.Assign(Clipboard());
  // 50 * 200 div 600 = 16, 20 * 150 div 450 = 6, 100 * 200 div 600 = 33, 80 * 150 div 450 = 26.
  ASSERT_EQ(copy.Width(), 17);
  ASSERT_EQ(copy.Height(), 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 17; ++x) ASSERT_EQ(copy.GetPixel(x, y), pattern_at(16 + x, 6 + y)) << x << "," << y;
}

TEST(Rubberband, ExtractingScalesTheCornersByRounding) {
  Selecting s(420, 320, 200, 150);
  s.view->SetZoomPercent(300);
  s.drag(50, 20, {Point(100, 80)});
  EXPECT_DOUBLE_EQ(s.band().GetXFactor(), 200.0 / 600.0);
  EXPECT_DOUBLE_EQ(s.band().GetYFactor(), 150.0 / 450.0);
  // 16.67 -> 17, 6.67 -> 7, 33.33 -> 33, 26.67 -> 27.
  EXPECT_EQ(s.band().GetSourceSelection(), Rect(17, 7, 33, 27));
  TDibGraphic part;
  s.view->ExtractSelection(&part);
  ASSERT_EQ(part.Width(), 16);
  ASSERT_EQ(part.Height(), 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(part.GetPixel(x, y), pattern_at(17 + x, 7 + y)) << x << "," << y;
  EXPECT_TRUE(s.band().SelectionActive());
}

TEST(Rubberband, CroppingKeepsTheSelectedPartAndDropsTheBand) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(100, 80)});
  s.reports.clear();
  s.view->CropToSelection();
  TDibGraphic& g = *s.view->Graphic();
  ASSERT_EQ(g.Width(), 60);
  ASSERT_EQ(g.Height(), 60);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(g.GetPixel(x, y), pattern_at(40 + x, 20 + y)) << x << "," << y;
  EXPECT_EQ(s.view->DisplayedGraphic()->Width(), 60);
  EXPECT_FALSE(s.band().SelectionActive());
  EXPECT_EQ(s.reports.back(), Rect(0, 0, 0, 0));
  flush_paints();
  EXPECT_EQ(s.pixel(0, 0), colour_of(pattern_at(40, 20)));
  EXPECT_EQ(s.pixel(59, 59), colour_of(pattern_at(99, 79)));
}

TEST(Rubberband, ASelectionUnderOneSourcePixelDoesNothing) {
  Selecting s(420, 320, 100, 75);
  s.view->SetZoomPercent(400);
  s.drag(8, 8, {Point(10, 40)});
  ASSERT_TRUE(s.band().SelectionActive());
  SetClipboardText("kept");
  s.view->CopySelectionToClipboard();  // 8 div 4 = 2 and 10 div 4 = 2: no width
  EXPECT_FALSE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_EQ(ClipboardText(), "kept");
  TDibGraphic part;
  s.view->ExtractSelection(&part);  // 2 and 2.5 round to 2
  EXPECT_TRUE(part.Empty());
  s.band().CropToSelection();
  EXPECT_EQ(s.view->Graphic()->Width(), 100);
}

TEST(Rubberband, ErrorsOfTheSelectionOperations) {
  Selecting s(420, 320, 200, 150);
  TRubberbandMouseHandler& b = s.band();
  TDibGraphic g;
  auto message = [](auto&& f) {
    try {
      f();
    } catch (const ERubberbandError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { b.ExtractSelection(nullptr); }), "Graphic not assigned!");
  EXPECT_EQ(message([&] { b.ExtractSelection(&g); }), "A region is not selected");
  EXPECT_EQ(message([&] { b.CopySelectionToClipBoard(); }), "A region is not selected");
  EXPECT_EQ(message([&] { b.CropToSelection(); }), "A region is not selected");
  EXPECT_EQ(message([&] { b.GetSelection(); }), "A region is not selected");
  EXPECT_EQ(message([&] { b.GetSourceSelection(); }), "A region is not selected");
  EXPECT_EQ(message([&] { s.view->ZoomToSelection(); }), "A region is not selected");
  s.drag(40, 20, {Point(100, 80)});
  EXPECT_EQ(message([&] { b.ExtractSelection(nullptr); }), "Graphic not assigned!");

  for (TPenStyle bad : {psClear, psInsideFrame}) {
    try {
      b.SetLineStyle(bad);
      ADD_FAILURE() << "style " << bad << " accepted";
    } catch (const EZuroroveError& e) {
      EXPECT_STREQ(e.what(), "Invalid rubberband line style");
    }
  }
  EXPECT_EQ(b.LineStyle(), psDot);
  try {
    GrabHandleToCursor(static_cast<TGrabHandle>(9));
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid GrabHandle, GrabHandleToCursor");
  }
  try {
    GrabHandleToBandMovement(static_cast<TGrabHandle>(15));
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid GrabHandle, GrabHandleToBandMovement");
  }
  EXPECT_EQ(GrabHandleToBandMovement(ghTop), bmTopBottom);
  EXPECT_EQ(GrabHandleToBandMovement(ghLeft), bmLeftRight);
  EXPECT_EQ(GrabHandleToBandMovement(ghInside), bmInside);
  EXPECT_EQ(GrabHandleToBandMovement(ghBottomLeft), bmAllDirections);
}

TEST(Rubberband, TheViewDropsTheBandWithANewPictureOrAModeChange) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(100, 80)});
  s.reports.clear();
  auto other = hw_test::pattern_picture(120, 90);
  s.view->SetGraphic(other.get());
  EXPECT_FALSE(s.band().SelectionActive());
  EXPECT_EQ(s.reports, (std::vector<TRect>{Rect(0, 0, 0, 0)}));
  s.drag(40, 20, {Point(100, 80)});
  s.view->SetMouseMode(mmDrag);
  flush_paints();
  EXPECT_EQ(s.pixel(40, 20), colour_of(pattern_at(40, 20)));
  EXPECT_EQ(s.pixel(41, 20), colour_of(pattern_at(41, 20)));
}

TEST(Rubberband, ZoomingToTheSelectionTakesTheBandDown) {
  Selecting s(420, 320, 200, 150);
  s.drag(40, 20, {Point(100, 80)});
  s.view->ZoomToSelection();
  EXPECT_FALSE(s.band().SelectionActive());
  // 320 / 61 of 100 % is the smaller factor.
  EXPECT_FLOAT_EQ(s.view->ZoomPercent(), static_cast<float>(320.0L / 61 * 100));
}

TEST(Rubberband, SettingTheSelectionShowsItWithoutAReport) {
  Selecting s(420, 320, 200, 150);
  s.band().SetSelection(Rect(100, 90, 30, 10));
  EXPECT_TRUE(s.band().SelectionActive());
  EXPECT_EQ(s.band().Corners(), Rect(30, 10, 100, 90));
  EXPECT_TRUE(s.reports.empty());
  expect_outline(s, Rect(30, 10, 100, 90), kWhite, kNavy, dotted);
  // Outside the picture a band is not shown.
  s.band().SetSelection(Rect(30, 10, 300, 90));
  EXPECT_FALSE(s.band().SelectionActive());
  s.band().ClearSelection();
  EXPECT_TRUE(s.reports.empty());
}

TEST(Rubberband, MovingTheBandRepaintsItsOldAndItsNewOutline) {
  Selecting s(420, 320, 200, 150);
  flush_paints();
  // From here on only what the band marks for repainting is painted again.
  s.drag(40, 20, {Point(100, 80)});
  Application->ProcessMessages();
  EXPECT_EQ(s.pixel(40, 20), kWhite);
  EXPECT_EQ(s.pixel(100, 51), kNavy);
  s.drag(70, 50, {Point(80, 60)});
  Application->ProcessMessages();
  EXPECT_EQ(s.band().GetSelection(), Rect(50, 30, 110, 90));
  EXPECT_EQ(s.pixel(40, 20), colour_of(pattern_at(40, 20)));
  EXPECT_EQ(s.pixel(100, 51), colour_of(pattern_at(100, 51)));
  EXPECT_EQ(s.pixel(50, 30), kWhite);
  EXPECT_EQ(s.pixel(110, 61), kNavy);
  s.band().SetShowGrips(true);
  Application->ProcessMessages();
  EXPECT_EQ(s.pixel(47, 27), kNavy);
  s.band().SetShowGrips(false);
  Application->ProcessMessages();
  EXPECT_EQ(s.pixel(47, 27), colour_of(pattern_at(47, 27)));
}
