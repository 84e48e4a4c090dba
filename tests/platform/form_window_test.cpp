// Forms as windows: the place-changed handler, tool windows of another form, and web addresses
// handed to the desktop through the dialog handler.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <memory>
#include <vector>

#include "common/test_env.hpp"
#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"

namespace {

// A form that notes where it was each time its place changed, and can be told to move
// somewhere else whenever that happens.
class PlacedForm : public TForm {
public:
  PlacedForm() : TForm(nullptr) { SetBorderStyle(TFormBorderStyle::bsNone); }
  std::vector<TPoint> seen;
  bool pin = false;
  TPoint pinned{300, 200};

protected:
  void WMWindowPosChanged() override {
    TForm::WMWindowPosChanged();
    seen.push_back({Left(), Top()});
    if (pin) SetBounds(pinned.X, pinned.Y, Width(), Height());
  }
};

void settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace

TEST(FormWindow, ThePlaceHandlerRunsWhenShownAndMovedButNotWhileHidden) {
  PlacedForm f;
  f.SetBounds(40, 50, 200, 100);
  EXPECT_TRUE(f.seen.empty());
  f.Show();
  ASSERT_EQ(f.seen.size(), 1u);
  EXPECT_EQ(f.seen[0].X, 40);
  f.SetLeft(60);
  ASSERT_EQ(f.seen.size(), 2u);
  EXPECT_EQ(f.seen[1].X, 60);
  f.SetLeft(60);  // an unchanged place says nothing
  EXPECT_EQ(f.seen.size(), 2u);
  f.Hide();
  f.SetLeft(80);
  EXPECT_EQ(f.seen.size(), 2u);
}

TEST(FormWindow, AHandlerThatMovesTheWindowSettles) {
  PlacedForm f;
  f.pin = true;
  f.SetBounds(10, 10, 200, 100);
  f.Show();
  settle();
  EXPECT_EQ(f.Left(), 300);
  EXPECT_EQ(f.Top(), 200);
  // Shown (at 10, 10), then moved by itself once, then the unchanged place ends it.
  EXPECT_EQ(f.seen.size(), 2u);
  EXPECT_EQ(f.ClientToScreen({0, 0}).X, 300);
}

TEST(FormWindow, AMoveByTheWindowSystemIsTakenOverAndReported) {
  PlacedForm f;
  f.SetBounds(10, 10, 200, 100);
  f.Show();
  settle();
  // The window system places the window elsewhere, as a window manager would.
  f.Host()->widget->move(120, 130);
  settle();
  EXPECT_EQ(f.Left(), 120);
  EXPECT_EQ(f.Top(), 130);
  ASSERT_GE(f.seen.size(), 2u);
  EXPECT_EQ(f.seen.back().X, 120);
  // A handler that puts it back wins.
  f.pin = true;
  f.Host()->widget->move(150, 160);
  settle();
  EXPECT_EQ(f.Left(), 300);
  EXPECT_EQ(f.Host()->widget->geometry().topLeft(), QPoint(300, 200));
}

TEST(FormWindow, AToolWindowBelongsToItsOwnerAndOutlivesIt) {
  auto owner = std::make_unique<TForm>(nullptr);
  auto tool = std::make_unique<TForm>(nullptr);
  tool->SetBorderStyle(TFormBorderStyle::bsNone);
  tool->SetPopupParent(owner.get());
  EXPECT_EQ(tool->PopupParent(), owner.get());
  QWidget* tw = tool->Host()->widget;
  EXPECT_EQ(tw->parentWidget(), owner->Host()->widget);
  EXPECT_TRUE(tw->isWindow());
  EXPECT_TRUE(tw->windowFlags() & Qt::Tool);
  EXPECT_TRUE(tw->windowFlags() & Qt::FramelessWindowHint);
  owner->Show();
  tool->SetBounds(30, 40, 100, 80);
  tool->Show();
  EXPECT_TRUE(tw->isVisible());
  // Clicks inside the owner never reach the tool window's controls.
  EXPECT_EQ(owner->Host()->widget->childAt(35, 45), nullptr);
  owner.reset();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(tool->PopupParent(), nullptr);
  EXPECT_EQ(tw->parentWidget(), nullptr);
  EXPECT_TRUE(tw->isWindow());
  tool->SetLeft(50);
  EXPECT_EQ(tool->Left(), 50);
}

TEST(FormWindow, WebAddressesGoThroughTheDialogHandler) {
  hw_test::dialogs().clear();
  hw_test::dialogs().answers.push_back({IDOK, {}});
  EXPECT_TRUE(OpenURL("https://example.invalid/page"));
  EXPECT_FALSE(OpenURL("https://example.invalid/other"));  // the recorder's default answer
  ASSERT_EQ(hw_test::dialogs().requests.size(), 2u);
  EXPECT_EQ(hw_test::dialogs().requests[0].kind, DialogKind::WebPage);
  EXPECT_EQ(hw_test::dialogs().requests[0].text, "https://example.invalid/page");
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
}

TEST(FormWindow, WorkLeftUntilTheFirstPaintRunsAfterIt) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBounds(30, 30, 200, 100);
  // Covered all over by an opaque child, so that the form's own background is never painted.
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 200, 100);
  int runs = 0;
  form->AfterFirstPaint([&] { ++runs; });
  settle();
  EXPECT_EQ(runs, 0);  // never shown, never painted
  form->Show();
  flush_paints();
  settle();
  EXPECT_EQ(runs, 1);
  // Once painted, later work runs at the next turn of the loop, and earlier work never again.
  form->AfterFirstPaint([&] { runs += 10; });
  EXPECT_EQ(runs, 1);
  form->Repaint();
  settle();
  EXPECT_EQ(runs, 11);
}
