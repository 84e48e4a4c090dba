#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/forms.hpp"
#include "platform/synthetic_input.hpp"
#include "platform/track_bar.hpp"

namespace {

struct Fixture {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TTrackBar* bar;
  std::vector<int> changes;
  Fixture() {
    form->SetBounds(0, 0, 400, 300);
    bar = new TTrackBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(10, 10, 200, 45);
    bar->OnChange = [this](TObject* s) { changes.push_back(static_cast<TTrackBar*>(s)->Position()); };
  }
};

// A bar whose windows are made without the selection range.
class NoSelBar : public TTrackBar {
public:
  using TTrackBar::TTrackBar;
  int colour_changes = 0;

protected:
  void CreateParams(TCreateParams& p) override {
    TTrackBar::CreateParams(p);
    p.Style &= ~TBS_ENABLESELRANGE;
  }
  void ColorChanged() override {
    ++colour_changes;
    TTrackBar::ColorChanged();
  }
};

}  // namespace

TEST(TrackBarControl, ProgramWriteOfPositionFiresOnChangeOnlyOnAChange) {
  Fixture f;
  f.bar->SetPosition(4);
  f.bar->SetPosition(4);
  f.bar->SetPosition(99);  // limited to Max
  f.bar->SetPosition(-3);  // and to Min
  EXPECT_EQ(f.changes, (std::vector<int>{4, 10, 0}));
  f.changes.clear();
  f.bar->SetMax(240);
  f.bar->SetPosition(120);
  f.bar->SetMax(100);  // the position follows the smaller range
  EXPECT_EQ(f.bar->Position(), 100);
  f.bar->SetMin(110);
  EXPECT_EQ(f.bar->Position(), 110);
  EXPECT_EQ(f.changes, (std::vector<int>{120, 100, 110}));
}

TEST(TrackBarControl, TicksAndThumbFollowTheChannel) {
  Fixture f;
  f.bar->SetMax(10);
  TRect c = f.bar->ChannelRect();
  f.bar->SetPosition(0);
  TRect t0 = f.bar->ThumbRect();
  int half = (t0.Right - t0.Left) / 2;
  EXPECT_EQ(f.bar->ValueToPixel(0), c.Left + half);
  EXPECT_EQ((t0.Left + t0.Right) / 2, c.Left + half);
  EXPECT_EQ(f.bar->ValueToPixel(10), c.Right - half);
  f.bar->SetPosition(10);
  TRect t10 = f.bar->ThumbRect();
  EXPECT_EQ((t10.Left + t10.Right) / 2, c.Right - half);
  EXPECT_EQ(t10.Top, t0.Top);
  // Interior ticks: 1 .. 9, evenly spread, index 0 is value 1.
  ASSERT_EQ(f.bar->TicCount(), 9);
  int span = c.Right - c.Left - 2 * half;
  for (int i = 0; i < 9; ++i) EXPECT_EQ(f.bar->TicPos(i), c.Left + half + (i + 1) * span / 10) << i;
  EXPECT_EQ(f.bar->TicPos(9), -1);
  EXPECT_EQ(f.bar->TicPos(-1), -1);
  // Every second value: index 0 is value 2.
  f.bar->SetFrequency(2);
  ASSERT_EQ(f.bar->TicCount(), 4);
  EXPECT_EQ(f.bar->TicPos(0), f.bar->ValueToPixel(2));
  EXPECT_EQ(f.bar->TicPos(3), f.bar->ValueToPixel(8));
  EXPECT_EQ(f.bar->TicPos(4), -1);
  f.bar->SetTickStyle(tsNone);
  EXPECT_EQ(f.bar->TicCount(), 0);
  EXPECT_NE(f.bar->WindowStyle() & TBS_NOTICKS, 0u);
  // Odd thumb lengths: the thumb is the length across and, along the bar, the smallest odd
  // number above half of it, centred on its value's pixel; the channel (half a thumb thick
  // with the selection range) lies in the thumb's middle, one pixel nearer its top when the
  // two cannot be centred exactly.
  for (int length : {21, 23}) {
    SCOPED_TRACE(length);
    f.bar->SetThumbLength(length);
    int along = length / 2 + 1;
    if (along % 2 == 0) ++along;
    for (int v : {0, 3, 10}) {
      f.bar->SetPosition(v);
      const TRect t = f.bar->ThumbRect();
      EXPECT_EQ(t.Bottom - t.Top, length);
      EXPECT_EQ(t.Right - t.Left, along);
      EXPECT_EQ(t.Left + along / 2, f.bar->ValueToPixel(v));
    }
    const TRect ch = f.bar->ChannelRect();
    EXPECT_EQ(f.bar->ValueToPixel(0), ch.Left + along / 2);
    EXPECT_EQ(f.bar->ValueToPixel(10), ch.Right - along / 2);
    EXPECT_EQ(ch.Bottom - ch.Top, length / 2);
    EXPECT_EQ(ch.Top - f.bar->ThumbRect().Top, (length - length / 2) / 2);
  }
}

TEST(TrackBarControl, VerticalBarsReportTheirChannelAsIfHorizontal) {
  Fixture f;
  f.bar->SetOrientation(trVertical);
  EXPECT_EQ(f.bar->Width(), 45);
  EXPECT_EQ(f.bar->Height(), 200);
  f.bar->SetMax(240);
  TRect c = f.bar->ChannelRect();
  EXPECT_GT(c.Right - c.Left, 150);  // along the bar: its height
  EXPECT_LT(c.Bottom - c.Top, 45);
  f.bar->SetPosition(0);
  TRect t = f.bar->ThumbRect();
  EXPECT_LT(t.Top, 20);  // Min at the top
  EXPECT_GT(t.Bottom - t.Top, 0);
  EXPECT_GT(t.Right - t.Left, t.Bottom - t.Top);  // lies across the bar
  EXPECT_NE(f.bar->WindowStyle() & TBS_VERT, 0u);
}

TEST(TrackBarControl, WindowStyleComesFromCreateParamsAtEveryCreation) {
  Fixture f;
  EXPECT_NE(f.bar->WindowStyle() & TBS_ENABLESELRANGE, 0u);
  auto* nb = new NoSelBar(f.form.get());
  nb->SetParent(f.form.get());
  EXPECT_EQ(nb->WindowStyle() & TBS_ENABLESELRANGE, 0u);
  int wide = f.bar->ChannelRect().Bottom - f.bar->ChannelRect().Top;
  int thin = nb->ChannelRect().Bottom - nb->ChannelRect().Top;
  EXPECT_GT(wide, thin);
  nb->SetWindowStyle(nb->WindowStyle() | TBS_ENABLESELRANGE);
  EXPECT_NE(nb->WindowStyle() & TBS_ENABLESELRANGE, 0u);
  int made = nb->WindowCreations();
  nb->RecreateWnd();
  EXPECT_EQ(nb->WindowCreations(), made + 1);
  EXPECT_EQ(nb->WindowStyle() & TBS_ENABLESELRANGE, 0u);
  // Colour changes are reported, own or inherited from the parent.
  nb->SetColor(clRed);
  EXPECT_EQ(nb->colour_changes, 1);
  nb->SetColor(clRed);
  EXPECT_EQ(nb->colour_changes, 1);
  nb->SetParentColor(true);
  EXPECT_EQ(nb->colour_changes, 2);
}

TEST(TrackBarControl, MouseAndKeysMoveThePosition) {
  Fixture f;
  f.bar->SetMax(20);
  f.bar->SetPageSize(5);
  f.form->Show();
  f.changes.clear();
  TRect c = f.bar->ChannelRect();
  int y = (c.Top + c.Bottom) / 2;
  // A press right of the thumb pages up.
  send_click(*f.bar, c.Right - 2, y);
  EXPECT_EQ(f.bar->Position(), 5);
  // Dragging the thumb to the far end.
  TRect t = f.bar->ThumbRect();
  int cx = (t.Left + t.Right) / 2;
  send_mouse_press(*f.bar, mbLeft, cx, y);
  send_mouse_move(*f.bar, f.bar->ValueToPixel(12), y, ssLeft);
  EXPECT_EQ(f.bar->Position(), 12);
  send_mouse_move(*f.bar, f.bar->Width() + 50, y, ssLeft);
  send_mouse_release(*f.bar, mbLeft, f.bar->Width() + 50, y);
  EXPECT_EQ(f.bar->Position(), 20);
  send_key(*f.bar, VK_LEFT);
  EXPECT_EQ(f.bar->Position(), 19);
  send_key(*f.bar, VK_HOME);
  EXPECT_EQ(f.bar->Position(), 0);
  send_key(*f.bar, VK_DOWN);
  EXPECT_EQ(f.bar->Position(), 1);
  send_key(*f.bar, VK_END);
  EXPECT_EQ(f.bar->Position(), 20);
  EXPECT_EQ(f.changes, (std::vector<int>{5, 12, 20, 19, 0, 1, 20}));
}

TEST(TrackBarControl, ANarrowBarCentresItsThumbAndChannel) {
  Fixture f;
  f.bar->SetOrientation(trVertical);
  f.bar->SetBounds(0, 0, 12, 396);
  f.bar->SetMax(240);
  TRect t = f.bar->ThumbRect();
  EXPECT_EQ(t.Left + t.Right, 12);  // centred across the 12 pixels
  TRect c = f.bar->ChannelRect();
  EXPECT_EQ(c.Top + c.Bottom, 12);
  EXPECT_GT(c.Right - c.Left, 350);
}
