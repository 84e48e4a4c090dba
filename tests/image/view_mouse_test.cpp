#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "image/hand_cursors.hpp"
#include "image/image_scroll_box.hpp"
#include "image/view_mouse_handlers.hpp"
#include "platform/synthetic_input.hpp"
#include "view_test_support.hpp"

using namespace view_test;

// ---------------------------------------------------------------------------------------------
// Routing
// ---------------------------------------------------------------------------------------------
TEST(ViewMouse, TheHandlerHearsEveryEventBeforeThePictureEvents) {
  ViewWindow w;
  w.show_picture(100, 80);
  std::vector<std::string> log;
  w.view->SetMouseHandler(new RecordingHandler(w.view, log));
  record_view_events(*w.view, log);
  TDibView& image = *w.view->Image();
  send_mouse_move(image, 5, 6);
  send_click(image, 7, 8);
  send_mouse_double_click(image, mbLeft, 7, 8);
  send_mouse_release(image, mbLeft, 7, 8);
  send_mouse_press(image, mbRight, 1, 2);
  send_mouse_release(image, mbRight, 1, 2);
  EXPECT_EQ(log, (std::vector<std::string>{
                     "h.move 5,6", "e.move 5,6",                                    //
                     "h.down0 7,8", "e.down0 7,8", "h.click", "e.click", "h.up0 7,8", "e.up0 7,8",  //
                     "h.dbl", "e.dbl", "h.down0 7,8", "e.down0 7,8", "h.up0 7,8", "e.up0 7,8",      //
                     "h.down1 1,2", "e.down1 1,2", "h.up1 1,2", "e.up1 1,2"}));
  // Beside the picture the view's own coordinates are passed.
  log.clear();
  send_click(*w.view, 250, 150);
  EXPECT_EQ(log, (std::vector<std::string>{"h.down0 250,150", "e.down0 250,150", "h.click", "e.click", "h.up0 250,150",
                                           "e.up0 250,150"}));
  // Assigning the view's own mouse event replaces its router; the picture keeps its own.
  log.clear();
  w.view->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("own"); };
  send_mouse_press(*w.view, mbLeft, 250, 150);
  send_mouse_press(image, mbLeft, 3, 3);
  EXPECT_EQ(log, (std::vector<std::string>{"own", "h.down0 3,3", "e.down0 3,3"}));
}

TEST(ViewMouse, HandlersAreFreedOnlyWhenOwnedAndNeverWhileSetAgain) {
  ViewWindow w;
  std::vector<std::string> log;
  bool first = false, second = false;
  auto* h1 = new RecordingHandler(w.view, log, &first);
  w.view->SetMouseHandler(h1);
  w.view->SetMouseHandler(h1);
  EXPECT_FALSE(first);
  EXPECT_EQ(w.view->MouseHandler(), h1);
  RecordingHandler h2(w.view, log, &second);
  w.view->SetMouseHandler(&h2);  // the owned first one goes
  EXPECT_TRUE(first);
  w.view->SetMouseHandlerOwnership(false);
  w.view->SetMouseHandler(nullptr);
  EXPECT_FALSE(second);
  w.view->SetMouseHandlerOwnership(true);
  // Modes make their own handlers; the user mode has none.
  w.view->SetMouseMode(mmQuickSelect);
  EXPECT_NE(dynamic_cast<TQuickSelectMouseHandler*>(w.view->MouseHandler()), nullptr);
  EXPECT_EQ(w.view->Image()->Cursor(), crDefault);
  w.view->SetMouseMode(mmDrag);
  EXPECT_NE(dynamic_cast<TDragMouseHandler*>(w.view->MouseHandler()), nullptr);
  EXPECT_EQ(w.view->Image()->Cursor(), crHandOpened);
  w.view->SetMouseMode(mmUser);
  EXPECT_EQ(w.view->MouseHandler(), nullptr);
  EXPECT_EQ(w.view->Image()->Cursor(), crDefault);
}

TEST(ViewMouse, ScrollMessagesBeginAndEndAScroll) {
  ViewWindow w;
  w.show_picture(900, 700);
  std::vector<std::string> log;
  w.view->OnBeginScroll = [&](TObject* s) {
    EXPECT_EQ(s, w.view);
    log.push_back("begin");
  };
  w.view->OnEndScroll = [&](TObject*) { log.push_back("end"); };
  w.view->HorzScrollBar().SetIncrement(5);
  w.view->ScrollMessage(sbHorizontal, SB_LINEDOWN, 0);
  EXPECT_TRUE(w.view->ScrollInProgress());
  w.view->ScrollMessage(sbVertical, SB_THUMBTRACK, 44);
  w.view->ScrollMessage(sbHorizontal, SB_ENDSCROLL, 0);
  EXPECT_FALSE(w.view->ScrollInProgress());
  w.view->ScrollMessage(sbHorizontal, SB_ENDSCROLL, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"begin", "end"}));
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 5);
  EXPECT_EQ(w.view->VertScrollBar().Position(), 44);
  EXPECT_EQ(w.view->Image()->Left(), -5);
  EXPECT_EQ(w.view->Image()->Top(), -44);
}

// ---------------------------------------------------------------------------------------------
// Dragging
// ---------------------------------------------------------------------------------------------
TEST(ViewDrag, ThePressedPointStaysUnderTheMouse) {
  ViewWindow w(300, 200);
  w.show_picture(900, 700);
  TDibView& image = *w.view->Image();
  EXPECT_EQ(image.Cursor(), crHandOpened);
  send_mouse_press(image, mbLeft, 100, 100);
  EXPECT_EQ(Screen->Cursor(), crHandClosed);
  // The mouse goes to client (60, 70), which is (60, 70) on the picture control before it moves.
  send_mouse_move(image, 60, 70, ssLeft);
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 40);
  EXPECT_EQ(w.view->VertScrollBar().Position(), 30);
  EXPECT_EQ(image.Left(), -40);
  // Client (50, 70) is (90, 100) on the moved picture control.
  send_mouse_move(image, 90, 100, ssLeft);
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 50);
  EXPECT_EQ(w.view->VertScrollBar().Position(), 30);
  // The positions stop at the ends of the ranges.
  send_mouse_move(image, -5000, -5000, ssLeft);
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 900 - w.view->ClientWidth());
  EXPECT_EQ(w.view->VertScrollBar().Position(), 700 - w.view->ClientHeight());
  send_mouse_release(image, mbLeft, 0, 0);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  // Moves after the release scroll nothing.
  int h = w.view->HorzScrollBar().Position();
  send_mouse_move(image, 10, 10);
  EXPECT_EQ(w.view->HorzScrollBar().Position(), h);
}

TEST(ViewDrag, OnlyAPictureLargerThanTheViewDrags) {
  ViewWindow w(300, 200);
  w.show_picture(100, 80);
  TDibView& image = *w.view->Image();
  send_mouse_press(image, mbLeft, 50, 50);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  send_mouse_move(image, 10, 10, ssLeft);
  send_mouse_release(image, mbLeft, 10, 10);
  EXPECT_EQ(image.Left(), 0);
  EXPECT_EQ(image.Cursor(), crHandOpened);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(ViewDrag, TheRightButtonNeverDragsTheMiddleOneDoes) {
  ViewWindow w(300, 200);
  w.show_picture(900, 700);
  TDibView& image = *w.view->Image();
  send_mouse_press(image, mbRight, 100, 100);
  send_mouse_move(image, 50, 50, ssRight);
  send_mouse_release(image, mbRight, 50, 50);
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 0);
  send_mouse_press(image, mbMiddle, 100, 100);
  send_mouse_move(image, 50, 50, ssMiddle);
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 50);
  send_mouse_release(image, mbMiddle, 100, 100);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(ViewDrag, TheCursorReturnsOnlyWhenNothingElseChangedIt) {
  ViewWindow w(300, 200);
  w.show_picture(900, 700);
  TDibView& image = *w.view->Image();
  Screen->SetCursor(crCross);
  send_mouse_press(image, mbLeft, 10, 10);
  EXPECT_EQ(Screen->Cursor(), crHandClosed);
  send_mouse_release(image, mbLeft, 10, 10);
  EXPECT_EQ(Screen->Cursor(), crCross);
  send_mouse_press(image, mbLeft, 10, 10);
  Screen->SetCursor(crHourGlass);
  send_mouse_release(image, mbLeft, 10, 10);
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
}

TEST(ViewDrag, ASecondButtonDuringADragIsIgnored) {
  ViewWindow w(300, 200);
  w.show_picture(900, 700);
  TDibView& image = *w.view->Image();
  send_mouse_press(image, mbLeft, 100, 100);
  send_mouse_press(image, mbMiddle, 100, 100, ssLeft);
  send_mouse_release(image, mbMiddle, 100, 100, ssLeft);
  EXPECT_EQ(Screen->Cursor(), crHandClosed);  // still dragging with the left button
  send_mouse_move(image, 90, 100, ssLeft);
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 10);
  send_mouse_release(image, mbLeft, 90, 100);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

// ---------------------------------------------------------------------------------------------
// Quick select
// ---------------------------------------------------------------------------------------------
namespace {

struct QuickSelect {
  ViewWindow w{300, 200};
  std::vector<TRect> rects;
  std::vector<TRgb> first_pixels;
  std::vector<TPoint> sizes;
  QuickSelect(int pw, int ph, float zoom = 100) {
    w.show_picture(pw, ph, 8);
    if (zoom != 100) w.view->SetZoomPercent(zoom);
    w.view->SetMouseMode(mmQuickSelect);
    w.view->OnQuickSelect = [this](TImageScrollBox* s, TDibGraphic* g, const TRect& r) {
      EXPECT_EQ(s, w.view);
      rects.push_back(r);
      first_pixels.push_back(g->GetPixel(0, 0));
      sizes.push_back(Point(g->Width(), g->Height()));
    };
  }
  TQuickSelectMouseHandler& handler() { return *dynamic_cast<TQuickSelectMouseHandler*>(w.view->MouseHandler()); }
};

}  // namespace

TEST(ViewQuickSelect, ABandHandsOverThePartOfTheDisplayedPicture) {
  QuickSelect q(120, 90, 200);
  TDibView& image = *q.w.view->Image();
  send_mouse_press(image, mbLeft, 110, 70);
  send_mouse_move(image, 40, 30, ssLeft);
  EXPECT_EQ(q.handler().Band(), Rect(110, 70, 40, 30));
  send_mouse_release(image, mbLeft, 40, 30);
  ASSERT_EQ(q.rects.size(), 1u);
  EXPECT_EQ(q.rects[0], Rect(40, 30, 110, 70));
  EXPECT_EQ(q.sizes[0], Point(70, 40));
  // Displayed pixel (40, 30) is source pixel (20, 15) at 200 %.
  EXPECT_EQ(q.first_pixels[0], pattern(8, 20, 15));
  EXPECT_TRUE(q.w.view->Graphic()->Width() == 120);  // the source is left alone
}

TEST(ViewQuickSelect, APointOrALineSelectsNothing) {
  QuickSelect q(120, 90);
  TDibView& image = *q.w.view->Image();
  send_click(image, 20, 20);
  send_mouse_press(image, mbLeft, 20, 20);
  send_mouse_move(image, 60, 20, ssLeft);
  send_mouse_release(image, mbLeft, 60, 20);
  EXPECT_TRUE(q.rects.empty());
  // Moves without the left button held leave the band.
  send_mouse_press(image, mbLeft, 20, 20);
  send_mouse_move(image, 60, 60);
  EXPECT_EQ(q.handler().Band(), Rect(20, 20, 20, 20));
  send_mouse_release(image, mbLeft, 20, 20);
  EXPECT_TRUE(q.rects.empty());
}

TEST(ViewQuickSelect, TheBandStaysInsideThePicture) {
  QuickSelect q(120, 90);
  TDibView& image = *q.w.view->Image();
  send_mouse_press(image, mbLeft, 100, 80);
  send_mouse_move(image, 500, 400, ssLeft);
  EXPECT_EQ(q.handler().Band(), Rect(100, 80, 119, 89));
  send_mouse_release(image, mbLeft, 500, 400);
  ASSERT_EQ(q.rects.size(), 1u);
  EXPECT_EQ(q.rects[0], Rect(100, 80, 120, 90));
  EXPECT_EQ(q.sizes[0], Point(20, 10));
  // A press beside the picture fixes the corner on the picture's edge.
  q.rects.clear();
  send_mouse_press(*q.w.view, mbLeft, 250, 150);
  EXPECT_EQ(q.handler().Band(), Rect(119, 89, 119, 89));
  send_mouse_release(image, mbLeft, 60, 50);
  ASSERT_EQ(q.rects.size(), 1u);
  EXPECT_EQ(q.rects[0], Rect(60, 50, 119, 89));
}

TEST(ViewQuickSelect, ACentredViewIgnoresPresses) {
  QuickSelect q(120, 90);
  q.w.view->SetMouseMode(mmDrag);
  q.w.view->SetCentered(true);
  // Centring survives only in drag mode; put the handler in by hand.
  q.w.view->SetMouseHandler(new TQuickSelectMouseHandler(q.w.view));
  TDibView& image = *q.w.view->Image();
  send_mouse_press(image, mbLeft, 10, 10);
  send_mouse_move(image, 50, 50, ssLeft);
  send_mouse_release(image, mbLeft, 50, 50);
  EXPECT_TRUE(q.rects.empty());
}

TEST(HandCursors, BothHandsAreRegisteredAsDrawn) {
  EXPECT_TRUE(Screen->HasCursor(crHandOpened));
  EXPECT_TRUE(Screen->HasCursor(crHandClosed));
  auto open = hand_cursor_picture(false), closed = hand_cursor_picture(true);
  ASSERT_EQ(open.size(), 32u * 32u);
  EXPECT_NE(open, closed);
  // Black outlines round white palms, the rest clear; the middle (the hot spot) is on the palm.
  for (const auto* pic : {&open, &closed}) {
    int black = 0, white = 0;
    for (std::uint32_t p : *pic) {
      EXPECT_TRUE(p == 0u || p == 0xFF000000u || p == 0xFFFFFFFFu);
      black += p == 0xFF000000u;
      white += p == 0xFFFFFFFFu;
    }
    EXPECT_GT(black, 100);
    EXPECT_GT(white, 200);
    EXPECT_EQ((*pic)[16 * 32 + 16], 0xFFFFFFFFu);
  }
}
