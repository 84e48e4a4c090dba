#include "annotate/control_resizer.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"
#include "platform/synthetic_window_input.hpp"

namespace {

struct Event {
  std::string kind;
  TRect old_bounds;
  TRect new_bounds;
};

// A window with a drawn target at (50, 50) of 100 x 60 and a frame round it.
struct Framed {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TPaintBox* target;
  TControlResizer* frame;
  std::vector<Event> events;

  explicit Framed(bool show = true) {
    form->SetBounds(20, 20, 400, 300);
    target = new TPaintBox(form.get());
    target->SetBounds(50, 50, 100, 60);
    target->SetParent(form.get());
    frame = new TControlResizer(form.get());
    auto record = [this](const char* kind) {
      return [this, kind](TObject* sender, const TRect& o, const TRect& n) {
        EXPECT_EQ(sender, frame);
        events.push_back({kind, o, n});
      };
    };
    frame->OnMoving = record("moving");
    frame->OnMoved = record("moved");
    frame->OnResizing = record("resizing");
    frame->OnResized = record("resized");
    if (show) form->Show();
    frame->SetTargetControl(target);
  }

  std::vector<std::string> kinds() const {
    std::vector<std::string> k;
    for (auto& e : events) k.push_back(e.kind);
    return k;
  }
  TResizerHandle& hook(TResizerHook h) { return *frame->Handle(h); }
  // Presses the left button through the window at a handle's centre (its local (2, 2)).
  void press_hook(TResizerHook h) {
    TRect b = hook(h).BoundsRect();
    send_mouse_press(*form, mbLeft, b.Left + 2, b.Top + 2);
  }
};

}  // namespace

TEST(ControlResizer, FitsItsFrameRoundTheTargetAndCentresTheHandles) {
  Framed f;
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(45, 45, 110, 70));
  EXPECT_EQ(f.frame->Parent(), f.form.get());
  // Box size 5: each handle is 5 x 5 with its centre on the corner or edge middle.
  const int l = 45, t = 45, r = 45 + 110 - 5 + 2, b = 45 + 70 - 5 + 2;
  const int mx = 45 + (110 - 5) / 2, my = 45 + (70 - 5) / 2;
  EXPECT_EQ(f.hook(rhNW).BoundsRect(), Bounds(l - 2, t - 2, 5, 5));
  EXPECT_EQ(f.hook(rhSW).BoundsRect(), Bounds(l - 2, b, 5, 5));
  EXPECT_EQ(f.hook(rhSE).BoundsRect(), Bounds(r, b, 5, 5));
  EXPECT_EQ(f.hook(rhNE).BoundsRect(), Bounds(r, t - 2, 5, 5));
  EXPECT_EQ(f.hook(rhN).BoundsRect(), Bounds(mx, t - 2, 5, 5));
  EXPECT_EQ(f.hook(rhW).BoundsRect(), Bounds(l - 2, my, 5, 5));
  EXPECT_EQ(f.hook(rhS).BoundsRect(), Bounds(mx, b, 5, 5));
  EXPECT_EQ(f.hook(rhE).BoundsRect(), Bounds(r, my, 5, 5));
  for (int h = 0; h < 8; ++h) EXPECT_TRUE(f.frame->Handle(TResizerHook(h))->Visible());
  EXPECT_EQ(f.hook(rhNW).Cursor(), crSizeNWSE);
  EXPECT_EQ(f.hook(rhNE).Cursor(), crSizeNESW);
  EXPECT_EQ(f.hook(rhN).Cursor(), crSizeNS);
  EXPECT_EQ(f.hook(rhE).Cursor(), crSizeWE);
  EXPECT_EQ(f.frame->Cursor(), crSizeAll);
}

TEST(ControlResizer, HandlesFollowBoxSizeAndColour) {
  Framed f;
  f.frame->SetBoxSize(9);
  // Placed with the new size at once: half a box (4) outside the frame's corner.
  EXPECT_EQ(f.hook(rhNW).BoundsRect(), Bounds(41, 41, 9, 9));
  EXPECT_EQ(f.hook(rhSE).BoundsRect(), Bounds(45 + 110 - 9 + 4, 45 + 70 - 9 + 4, 9, 9));
  f.frame->SetBoxColor(clRed);
  EXPECT_EQ(f.hook(rhS).BrushColor(), clRed);

  // A colour set before the handles exist colours them when they are made.
  TForm form(nullptr);
  auto* target = new TPaintBox(&form);
  target->SetParent(&form);
  auto* frame = new TControlResizer(&form);
  frame->SetBoxColor(clBlue);
  EXPECT_EQ(frame->Handle(rhN), nullptr);
  frame->SetTargetControl(target);
  ASSERT_NE(frame->Handle(rhN), nullptr);
  EXPECT_EQ(frame->Handle(rhN)->BrushColor(), clBlue);
}

TEST(ControlResizer, DraggingTheBodyMovesTargetOnceAtRelease) {
  Framed f;
  send_mouse_press(*f.form, mbLeft, 60, 60);  // the frame's (15, 15)
  EXPECT_TRUE(f.frame->Moving());
  EXPECT_TRUE(f.frame->OutlineShown());
  EXPECT_FALSE(f.hook(rhNW).Visible());
  send_mouse_move(*f.frame, 35, 30, ssLeft);
  EXPECT_EQ(f.frame->OutlineRect(), Bounds(65, 60, 110, 70));
  EXPECT_EQ(f.target->BoundsRect(), Bounds(50, 50, 100, 60));  // nothing moves yet
  send_mouse_release(*f.frame, mbLeft, 35, 30);
  EXPECT_FALSE(f.frame->Moving());
  EXPECT_FALSE(f.frame->OutlineShown());
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(65, 60, 110, 70));
  EXPECT_EQ(f.target->BoundsRect(), Bounds(70, 65, 100, 60));
  EXPECT_TRUE(f.hook(rhNW).Visible());
  EXPECT_EQ(f.hook(rhNW).BoundsRect(), Bounds(63, 58, 5, 5));

  // Every outline drawing reports, the erasing ones included, with the outline's inner part.
  ASSERT_EQ(f.kinds(), (std::vector<std::string>{"moving", "moving", "moving", "moving", "moved"}));
  const TRect before = Bounds(50, 50, 100, 60), after = Bounds(70, 65, 100, 60);
  EXPECT_EQ(f.events[0].new_bounds, before);
  EXPECT_EQ(f.events[1].new_bounds, before);
  EXPECT_EQ(f.events[2].new_bounds, after);
  EXPECT_EQ(f.events[3].new_bounds, after);
  EXPECT_EQ(f.events[0].old_bounds, Bounds(45, 45, 110, 70));
  EXPECT_EQ(f.events[4].old_bounds, Bounds(45, 45, 110, 70));
  EXPECT_EQ(f.events[4].new_bounds, Bounds(65, 60, 110, 70));
  EXPECT_EQ(f.frame->OldBounds(), Bounds(45, 45, 110, 70));
}

TEST(ControlResizer, PressAndReleaseOnTheBodyWithoutMotionReportsNoMove) {
  Framed f;
  send_mouse_press(*f.form, mbLeft, 60, 60);
  send_mouse_release(*f.frame, mbLeft, 15, 15);
  for (auto& e : f.events) EXPECT_NE(e.kind, "moved");
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(45, 45, 110, 70));
  EXPECT_TRUE(f.hook(rhSE).Visible());
}

TEST(ControlResizer, OtherButtonsAndDisabledDragsAreIgnored) {
  Framed f;
  send_mouse_press(*f.form, mbRight, 60, 60);
  EXPECT_FALSE(f.frame->Moving());
  send_mouse_release(*f.frame, mbRight, 15, 15);
  f.frame->SetMovable(false);
  send_mouse_press(*f.form, mbLeft, 60, 60);
  EXPECT_FALSE(f.frame->Moving());
  send_mouse_release(*f.frame, mbLeft, 15, 15);
  f.frame->SetResizable(false);
  f.press_hook(rhSE);
  EXPECT_FALSE(f.frame->Sizing());
  send_mouse_release(f.hook(rhSE), mbLeft, 2, 2);
  EXPECT_TRUE(f.events.empty());
  EXPECT_EQ(f.target->BoundsRect(), Bounds(50, 50, 100, 60));
}

TEST(ControlResizer, DraggingACornerResizesTargetAtRelease) {
  Framed f;
  f.press_hook(rhSE);
  EXPECT_TRUE(f.frame->Sizing());
  for (int h = 0; h < 8; ++h) EXPECT_FALSE(f.frame->Handle(TResizerHook(h))->Visible());
  send_mouse_move(f.hook(rhSE), 12, 7, ssLeft);
  EXPECT_EQ(f.frame->OutlineRect(), Bounds(45, 45, 120, 75));
  send_mouse_release(f.hook(rhSE), mbLeft, 12, 7);
  EXPECT_FALSE(f.frame->Sizing());
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(45, 45, 120, 75));
  EXPECT_EQ(f.target->BoundsRect(), Bounds(50, 50, 110, 65));
  ASSERT_FALSE(f.events.empty());
  EXPECT_EQ(f.events.back().kind, "resized");
  EXPECT_EQ(f.events.back().old_bounds, Bounds(45, 45, 110, 70));
  EXPECT_EQ(f.events.back().new_bounds, Bounds(45, 45, 120, 75));
  // The first outline comes before sizing starts; the move erases and draws, the release erases.
  EXPECT_EQ(f.kinds(), (std::vector<std::string>{"resizing", "resizing", "resizing", "resized"}));
}

TEST(ControlResizer, DraggingTheTopLeftCornerMovesTheOppositeEdgesNot) {
  Framed f;
  f.press_hook(rhNW);
  send_mouse_move(f.hook(rhNW), -8, -3, ssLeft);  // 10 left, 5 up
  send_mouse_release(f.hook(rhNW), mbLeft, -8, -3);
  EXPECT_EQ(f.frame->BoundsRect(), Rect(35, 40, 155, 115));
  EXPECT_EQ(f.target->BoundsRect(), Rect(40, 45, 150, 110));
}

TEST(ControlResizer, AHandleClickWithoutMotionStillReportsAResize) {
  Framed f;
  f.press_hook(rhW);
  send_mouse_release(f.hook(rhW), mbLeft, 2, 2);
  ASSERT_FALSE(f.events.empty());
  EXPECT_EQ(f.events.back().kind, "resized");
  EXPECT_EQ(f.events.back().old_bounds, f.events.back().new_bounds);
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(45, 45, 110, 70));
}

TEST(ControlResizer, TheEastHandleStopsAtTheMinimumWidthAlsoAtRelease) {
  Framed f;
  f.press_hook(rhE);
  send_mouse_move(f.hook(rhE), -300, 2, ssLeft);
  EXPECT_EQ(f.frame->OutlineRect(), Bounds(45, 45, 8, 70));
  send_mouse_release(f.hook(rhE), mbLeft, -300, 2);
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(45, 45, 8, 70));
  // A frame no wider than two boxes leaves the target as it was.
  EXPECT_EQ(f.target->BoundsRect(), Bounds(50, 50, 100, 60));
}

TEST(ControlResizer, TheNorthHandleMovesOnlyTheTopEdge) {
  Framed f;
  f.press_hook(rhN);
  send_mouse_move(f.hook(rhN), 60, -10, ssLeft);
  EXPECT_EQ(f.frame->OutlineRect(), Rect(45, 33, 155, 115));
  send_mouse_release(f.hook(rhN), mbLeft, 60, -10);
  EXPECT_EQ(f.frame->BoundsRect(), Rect(45, 33, 155, 115));
  EXPECT_EQ(f.target->BoundsRect(), Rect(50, 38, 150, 110));
  // Dragged down past the bottom edge it stops at the minimum height.
  f.press_hook(rhN);
  send_mouse_move(f.hook(rhN), 2, 500, ssLeft);
  EXPECT_EQ(f.frame->OutlineRect().Height(), 8);
  send_mouse_release(f.hook(rhN), mbLeft, 2, 500);
  EXPECT_EQ(f.frame->Height(), 8);
}

TEST(ControlResizer, WithoutOutlineLinesMovingStillWorks) {
  Framed f;
  f.frame->SetLineSize(0);
  send_mouse_press(*f.form, mbLeft, 60, 60);
  EXPECT_FALSE(f.frame->OutlineShown());
  send_mouse_move(*f.frame, 20, 25, ssLeft);
  EXPECT_FALSE(f.frame->OutlineShown());
  send_mouse_release(*f.frame, mbLeft, 20, 25);
  EXPECT_EQ(f.target->BoundsRect(), Bounds(55, 60, 100, 60));
  EXPECT_EQ(f.kinds().back(), "moved");
}

TEST(ControlResizer, VisibilityShowsAndHidesTheHandles) {
  Framed f;
  f.frame->SetVisible(false);
  EXPECT_FALSE(f.hook(rhE).Visible());
  // A hidden frame does not move its target.
  send_mouse_press(*f.form, mbLeft, 60, 60);
  EXPECT_FALSE(f.frame->Moving());
  f.frame->SetVisible(true);
  EXPECT_TRUE(f.hook(rhE).Visible());
}

TEST(ControlResizer, ANewTargetTakesTheFrameAlongAndNoneTakesItOff) {
  Framed f;
  auto* other = new TPaintBox(f.form.get());
  other->SetBounds(200, 150, 40, 30);
  other->SetParent(f.form.get());
  f.frame->SetTargetControl(other);
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(195, 145, 50, 40));
  EXPECT_EQ(f.hook(rhNW).BoundsRect(), Bounds(193, 143, 5, 5));
  // Its handles still take the mouse after the frame was brought to the front.
  f.press_hook(rhSE);
  EXPECT_TRUE(f.frame->Sizing());
  send_mouse_release(f.hook(rhSE), mbLeft, 2, 2);
  f.frame->SetTargetControl(nullptr);
  EXPECT_EQ(f.frame->Parent(), nullptr);
  EXPECT_EQ(f.frame->TargetControl(), nullptr);
}

TEST(ControlResizer, TheTargetGoingAwayLeavesTheFrameHarmless) {
  Framed f;
  delete f.target;
  send_mouse_press(*f.form, mbLeft, 60, 60);
  send_mouse_move(*f.frame, 35, 30, ssLeft);
  send_mouse_release(*f.frame, mbLeft, 35, 30);
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(65, 60, 110, 70));
}

TEST(ControlResizer, DragsRoutedByTheWindowKeepTheirControlWhileItHides) {
  // The pointer's events go to the window: the grabbed handle hides itself at the press and
  // still gets the moves and the release.
  Framed f;
  TRect se = f.hook(rhSE).BoundsRect();
  send_window_mouse_press(*f.form, mbLeft, se.Left + 2, se.Top + 2);
  ASSERT_TRUE(f.frame->Sizing());
  send_window_mouse_move(*f.form, se.Left + 32, se.Top + 22, ssLeft);
  EXPECT_EQ(f.frame->OutlineRect(), Bounds(45, 45, 140, 90));
  send_window_mouse_release(*f.form, mbLeft, se.Left + 32, se.Top + 22);
  EXPECT_FALSE(f.frame->Sizing());
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(45, 45, 140, 90));
  // The body, dragged beyond the window's edge.
  send_window_mouse_press(*f.form, mbLeft, 100, 100);
  ASSERT_TRUE(f.frame->Moving());
  send_window_mouse_move(*f.form, 100 + 400, 100 - 70, ssLeft);
  send_window_mouse_release(*f.form, mbLeft, 100 + 400, 100 - 70);
  EXPECT_EQ(f.frame->BoundsRect(), Bounds(445, -25, 140, 90));
  EXPECT_EQ(f.target->BoundsRect(), Bounds(450, -20, 130, 80));
}

TEST(ControlResizer, HandlesAndOutlineShowOnScreen) {
  Framed f;
  f.form->SetColor(clWhite);
  f.frame->SetBoxColor(clRed);
  flush_paints();
  TPoint c = f.form->ClientToScreen(Point(f.hook(rhSE).Left() + 2, f.hook(rhSE).Top() + 2));
  EXPECT_EQ(GetScreenPixel(c.X, c.Y), 0x0000FFu);
  // The outline runs along the dragged frame's edges; away from it the window shows through.
  send_mouse_press(*f.form, mbLeft, 60, 60);
  send_mouse_move(*f.frame, 115, 115, ssLeft);  // outline at (145, 145, 255, 215)
  flush_paints();
  int dark = 0;
  for (int x = 150; x < 250; ++x) {
    TPoint p = f.form->ClientToScreen(Point(x, 145));
    if (GetScreenPixel(p.X, p.Y) == 0) ++dark;
  }
  EXPECT_GE(dark, 40);  // dotted: every other pixel
  TPoint in = f.form->ClientToScreen(Point(200, 180));
  EXPECT_EQ(GetScreenPixel(in.X, in.Y), 0xFFFFFFu);
  send_mouse_release(*f.frame, mbLeft, 115, 115);
  flush_paints();
  TPoint edge = f.form->ClientToScreen(Point(170, 145));  // clear of the N handle
  EXPECT_EQ(GetScreenPixel(edge.X, edge.Y), 0xFFFFFFu);
}
