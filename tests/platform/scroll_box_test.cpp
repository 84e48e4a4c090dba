#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"
#include "platform/scroll_box.hpp"
#include "platform/synthetic_input.hpp"

namespace {

// Records the scroll messages and client-size changes it sees.
class RecordingBox : public TScrollingWinControl {
public:
  using TScrollingWinControl::TScrollingWinControl;
  std::vector<std::string> log;
  int resized = 0;
  void ScrollMessage(TScrollBarKind kind, int code, int pos) override {
    log.push_back(std::string(kind == sbHorizontal ? "h" : "v") + std::to_string(code));
    TScrollingWinControl::ScrollMessage(kind, code, pos);
  }

protected:
  void ClientResized() override { ++resized; }
};

struct Fixture {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  RecordingBox* box;
  TPanel* child;
  Fixture() {
    form->SetBounds(0, 0, 400, 300);
    box = new RecordingBox(form.get());
    box->SetBounds(10, 10, 200, 100);
    box->SetParent(form.get());
    child = new TPanel(form.get());
    child->SetBounds(0, 0, 500, 300);
    child->SetParent(box);
  }
  QScrollBar* bar(TScrollBarKind kind) {
    for (QObject* o : box->Host()->widget->children())
      if (auto* b = qobject_cast<QScrollBar*>(o))
        if ((b->orientation() == Qt::Horizontal) == (kind == sbHorizontal)) return b;
    return nullptr;
  }
};

void send_to(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(p), QPointF(p), QPointF(w->mapToGlobal(p)), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

TEST(ScrollBox, BarsShowOnlyWhenVisibleAndTheRangeExceedsTheClient) {
  Fixture f;
  EXPECT_EQ(f.box->ClientWidth(), 200);
  EXPECT_EQ(f.box->ClientHeight(), 100);
  f.box->HorzScrollBar().SetRange(200);  // fits exactly: no bar
  EXPECT_FALSE(f.box->HorzScrollBar().IsScrollBarVisible());
  f.box->HorzScrollBar().SetRange(201);
  EXPECT_TRUE(f.box->HorzScrollBar().IsScrollBarVisible());
  EXPECT_EQ(f.box->ClientHeight(), 100 - 17);
  EXPECT_EQ(f.box->ClientWidth(), 200);
  // The horizontal bar narrows the height, so a vertical range of 90 now needs a bar too,
  // which in turn narrows the width.
  f.box->VertScrollBar().SetRange(90);
  EXPECT_TRUE(f.box->VertScrollBar().IsScrollBarVisible());
  EXPECT_EQ(f.box->ClientWidth(), 200 - 17);
  f.box->HorzScrollBar().SetVisible(false);
  EXPECT_FALSE(f.box->HorzScrollBar().IsScrollBarVisible());
  EXPECT_FALSE(f.box->VertScrollBar().IsScrollBarVisible());  // 90 fits into 100 again
  EXPECT_EQ(f.box->ClientWidth(), 200);
  EXPECT_EQ(f.box->ClientHeight(), 100);
}

TEST(ScrollBox, PositionIsLimitedAndMovesTheChildren) {
  Fixture f;
  f.box->HorzScrollBar().SetRange(500);
  f.box->VertScrollBar().SetRange(300);
  int cw = f.box->ClientWidth(), ch = f.box->ClientHeight();
  ASSERT_EQ(cw, 183);
  ASSERT_EQ(ch, 83);
  f.box->HorzScrollBar().SetPosition(50);
  EXPECT_EQ(f.child->Left(), -50);
  f.box->HorzScrollBar().SetPosition(10000);
  EXPECT_EQ(f.box->HorzScrollBar().Position(), 500 - cw);
  EXPECT_EQ(f.child->Left(), -(500 - cw));
  f.box->VertScrollBar().SetPosition(-7);
  EXPECT_EQ(f.box->VertScrollBar().Position(), 0);
  f.box->VertScrollBar().SetPosition(40);
  EXPECT_EQ(f.child->Top(), -40);
  EXPECT_EQ(f.box->VertScrollBar().ScrollPos(), 40);
  // Hiding a bar scrolls back to 0 in its direction.
  f.box->VertScrollBar().SetVisible(false);
  EXPECT_EQ(f.box->VertScrollBar().Position(), 0);
  EXPECT_EQ(f.child->Top(), 0);
  f.box->VertScrollBar().SetPosition(40);
  EXPECT_EQ(f.box->VertScrollBar().Position(), 0);
  // A smaller range pulls the position in.
  f.box->HorzScrollBar().SetRange(250);
  EXPECT_EQ(f.box->HorzScrollBar().Position(), 250 - f.box->ClientWidth());
  EXPECT_EQ(f.child->Left(), -(250 - f.box->ClientWidth()));
}

TEST(ScrollBox, ScrollMessagesStepByIncrementPageAndThumb) {
  Fixture f;
  auto& h = f.box->HorzScrollBar();
  h.SetRange(1000);
  h.SetIncrement(7);
  f.box->ScrollMessage(sbHorizontal, SB_LINEDOWN, 0);
  EXPECT_EQ(h.Position(), 7);
  f.box->ScrollMessage(sbHorizontal, SB_PAGEDOWN, 0);
  EXPECT_EQ(h.Position(), 7 + f.box->ClientWidth());
  f.box->ScrollMessage(sbHorizontal, SB_LINEUP, 0);
  EXPECT_EQ(h.Position(), f.box->ClientWidth());
  // Without tracking the thumb moves the picture only when it is let go.
  h.SetTracking(false);
  f.box->ScrollMessage(sbHorizontal, SB_THUMBTRACK, 300);
  EXPECT_EQ(h.Position(), f.box->ClientWidth());
  f.box->ScrollMessage(sbHorizontal, SB_THUMBPOSITION, 300);
  EXPECT_EQ(h.Position(), 300);
  h.SetTracking(true);
  f.box->ScrollMessage(sbHorizontal, SB_THUMBTRACK, 320);
  EXPECT_EQ(h.Position(), 320);
  f.box->ScrollMessage(sbHorizontal, SB_BOTTOM, 0);
  EXPECT_EQ(h.Position(), 1000 - f.box->ClientWidth());
  f.box->ScrollMessage(sbHorizontal, SB_TOP, 0);
  EXPECT_EQ(h.Position(), 0);
  EXPECT_EQ(f.child->Left(), 0);
}

TEST(ScrollBox, UserScrollingSendsMessagesAndEndsWithEndScroll) {
  Fixture f;
  f.form->Show();
  f.box->HorzScrollBar().SetRange(1000);
  f.box->HorzScrollBar().SetTracking(true);
  f.box->HorzScrollBar().SetIncrement(1);
  QScrollBar* bar = f.bar(sbHorizontal);
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->height(), 17);
  // A click in the page area right of the thumb.
  QPoint page(bar->width() - 30, bar->height() / 2);
  send_to(bar, QEvent::MouseButtonPress, page, Qt::LeftButton);
  send_to(bar, QEvent::MouseButtonRelease, page, Qt::NoButton);
  EXPECT_EQ(f.box->log, (std::vector<std::string>{"h" + std::to_string(SB_PAGEDOWN), "h" + std::to_string(SB_ENDSCROLL)}));
  EXPECT_EQ(f.box->HorzScrollBar().Position(), f.box->ClientWidth());
  EXPECT_EQ(f.child->Left(), -f.box->ClientWidth());
  EXPECT_EQ(bar->value(), f.box->ClientWidth());
}

TEST(ScrollBox, ClientResizeIsReportedWhenABarComesOrGoes) {
  Fixture f;
  f.box->resized = 0;
  f.box->VertScrollBar().SetRange(50);  // fits: nothing changes
  EXPECT_EQ(f.box->resized, 0);
  f.box->VertScrollBar().SetRange(150);
  EXPECT_EQ(f.box->resized, 1);
  f.box->VertScrollBar().SetVisible(false);
  EXPECT_EQ(f.box->resized, 2);
  f.box->SetBounds(10, 10, 220, 100);
  EXPECT_EQ(f.box->resized, 3);
  f.box->SetBounds(20, 20, 220, 100);  // moved only
  EXPECT_EQ(f.box->resized, 3);
}

TEST(ScrollBox, MouseOverTheEmptyClientAreaReachesTheControl) {
  Fixture f;
  f.child->SetBounds(0, 0, 50, 50);
  std::vector<std::string> log;
  f.box->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) { log.push_back(std::to_string(x) + "," + std::to_string(y)); };
  f.box->OnMouseMove = [&](TObject*, TShiftState, int x, int y) { log.push_back("m" + std::to_string(x) + "," + std::to_string(y)); };
  f.form->Show();
  QWidget* viewport = f.box->Host()->client;
  ASSERT_NE(viewport, nullptr);
  send_to(viewport, QEvent::MouseButtonPress, QPoint(120, 70), Qt::LeftButton);
  send_to(viewport, QEvent::MouseMove, QPoint(121, 71), Qt::NoButton);
  send_to(viewport, QEvent::MouseButtonRelease, QPoint(121, 71), Qt::NoButton);
  EXPECT_EQ(log, (std::vector<std::string>{"120,70", "m121,71"}));
}
