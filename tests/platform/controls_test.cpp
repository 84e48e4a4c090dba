#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "platform/controls.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"

namespace {

struct Window {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  Window() {
    form->SetBounds(50, 60, 300, 200);
    form->SetCaption("Test");
  }
  template <class T>
  T* add(const std::string& name, int l, int t, int w, int h, TWinControl* parent = nullptr) {
    auto* c = new T(form.get());
    c->SetName(name);
    c->SetBounds(l, t, w, h);
    c->SetParent(parent ? parent : form.get());
    return c;
  }
};


}  // namespace

TEST(Components, OwnershipNamesAndTags) {
  Window w;
  auto* p = w.add<TPanel>("pan1", 0, 0, 10, 10);
  p->SetTag(7);
  EXPECT_EQ(w.form->FindComponent("PAN1"), p);
  EXPECT_EQ(w.form->FindComponent("pan2"), nullptr);
  EXPECT_EQ(p->Tag(), 7);
  EXPECT_EQ(w.form->ComponentCount(), 1);
  delete p;
  EXPECT_EQ(w.form->ComponentCount(), 0);
  EXPECT_EQ(w.form->ControlCount(), 0);
}

TEST(Controls, OwnVisibleFlagBeforeTheWindowShows) {
  Window w;
  auto* p = w.add<TPanel>("p", 0, 0, 10, 10);
  EXPECT_TRUE(p->Visible());
  EXPECT_FALSE(p->Showing());
  p->Hide();
  EXPECT_FALSE(p->Visible());
  w.form->Show();
  EXPECT_FALSE(p->Showing());
  p->Show();
  EXPECT_TRUE(p->Showing());
}

TEST(Controls, LeftClickFiresClickBeforeMouseUpAndOnlyInside) {
  Window w;
  auto* p = w.add<TPanel>("p", 10, 10, 50, 50);
  std::vector<std::string> log;
  p->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    log.push_back("down" + std::to_string(b) + (s & ssLeft ? "L" : "") + std::to_string(x) + "," + std::to_string(y));
  };
  p->OnClick = [&](TObject*) { log.push_back("click"); };
  p->OnMouseUp = [&](TObject*, TMouseButton, TShiftState s, int, int) { log.push_back(s & ssLeft ? "upL" : "up"); };
  w.form->Show();
  send_click(*p, 5, 6);
  EXPECT_EQ(log, (std::vector<std::string>{"down0L5,6", "click", "up"}));
  log.clear();
  // Released outside: no click.
  send_mouse_press(*p, mbLeft, 5, 5);
  send_mouse_release(*p, mbLeft, 80, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"down0L5,5", "up"}));
  log.clear();
  // The right button never clicks.
  send_click(*p, 5, 5, mbRight);
  EXPECT_EQ(log, (std::vector<std::string>{"down15,5", "up"}));
}

TEST(Controls, DoubleClickFiresDblClickThenMouseDownWithDouble) {
  Window w;
  auto* l = w.add<TLabel>("lab", 10, 10, 50, 20);
  std::vector<std::string> log;
  l->OnDblClick = [&](TObject*) { log.push_back("dbl"); };
  l->OnMouseDown = [&](TObject*, TMouseButton, TShiftState s, int, int) { log.push_back(s & ssDouble ? "downD" : "down"); };
  l->OnClick = [&](TObject*) { log.push_back("click"); };
  w.form->Show();
  send_click(*l, 1, 1);
  send_mouse_double_click(*l, mbLeft, 1, 1);
  send_mouse_release(*l, mbLeft, 1, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"down", "click", "dbl", "downD"}));
}

TEST(Controls, LabelsKeepTheirClicks) {
  Window w;
  auto* p = w.add<TPanel>("p", 0, 0, 100, 100);
  auto* l = w.add<TLabel>("l", 5, 5, 30, 15, p);
  int panel_clicks = 0, label_clicks = 0;
  p->OnClick = [&](TObject*) { ++panel_clicks; };
  l->OnClick = [&](TObject*) { ++label_clicks; };
  w.form->Show();
  send_click(*l, 2, 2);
  EXPECT_EQ(label_clicks, 1);
  EXPECT_EQ(panel_clicks, 0);
}

TEST(Controls, ExceptionInHandlerIsReportedAndTheLoopCarriesOn) {
  Window w;
  auto* p = w.add<TPanel>("p", 0, 0, 100, 100);
  int clicks = 0;
  p->OnClick = [&](TObject*) {
    ++clicks;
    throw EConvertError("'x' is not a valid integer value");
  };
  w.form->Show();
  hw_test::dialogs().clear();
  send_click(*p, 2, 2);
  send_click(*p, 2, 2);
  EXPECT_EQ(clicks, 2);
  auto msgs = hw_test::dialogs().messages();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(msgs[0], "'x' is not a valid integer value");
}

TEST(Controls, HandlerMayFreeItsControl) {
  Window w;
  auto* p = w.add<TPanel>("p", 0, 0, 100, 100);
  int ups = 0;
  p->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  p->OnClick = [&](TObject*) { delete p; };
  w.form->Show();
  send_click(*p, 2, 2);
  EXPECT_EQ(ups, 0);
  EXPECT_EQ(w.form->FindComponent("p"), nullptr);
}

TEST(Controls, ColoursPaintAndLabelsAreBeneathPanels) {
  Window w;
  w.form->SetColor(0x00524B48);
  auto* label = w.add<TLabel>("l", 0, 0, 40, 40);
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 40, 40);
  label->SetColor(0x0000FF);  // red
  auto* panel = w.add<TPanel>("p", 20, 20, 40, 40);
  panel->SetBevelOuter(TBevelCut::bvNone);
  panel->SetColor(0xFF0000);  // blue
  label->BringToFront();      // still beneath the windowed panel
  w.form->Show();
  flush_paints();
  TPoint org = w.form->ClientToScreen({0, 0});
  EXPECT_EQ(GetScreenPixel(org.X + 5, org.Y + 5), 0x0000FFu);
  EXPECT_EQ(GetScreenPixel(org.X + 30, org.Y + 30), 0xFF0000u);
  EXPECT_EQ(GetScreenPixel(org.X + 100, org.Y + 100), 0x524B48u);
  // Outside every window there is nothing to read.
  EXPECT_EQ(GetScreenPixel(1200, 700), CLR_INVALID);
  EXPECT_EQ(GetScreenPixel(-5, -5), CLR_INVALID);
}

TEST(Controls, LabelFollowsItsParentsColourUntilGivenItsOwn) {
  Window w;
  auto* p = w.add<TPanel>("p", 0, 0, 100, 100);
  auto* l = w.add<TLabel>("l", 0, 0, 10, 10, p);
  p->SetColor(0x123456);
  EXPECT_EQ(l->EffectiveColor(), 0x123456);
  l->SetColor(0x654321);
  EXPECT_EQ(l->EffectiveColor(), 0x654321);
}

TEST(Forms, CloseRunsHandlersAndQueryCanRefuse) {
  Window w;
  std::vector<std::string> log;
  bool allow = false;
  w.form->OnCloseQuery = [&](TObject*, bool& can) {
    log.push_back("query");
    can = allow;
  };
  w.form->OnClose = [&](TObject*, TCloseAction& a) {
    log.push_back("close");
    a = TCloseAction::caHide;
  };
  w.form->Show();
  send_close(*w.form);
  EXPECT_TRUE(w.form->Visible());
  allow = true;
  send_close(*w.form);
  EXPECT_FALSE(w.form->Visible());
  EXPECT_EQ(log, (std::vector<std::string>{"query", "query", "close"}));
}

TEST(Timers, FireRunsTheHandlerThroughTheDispatcher) {
  TTimer t(nullptr);
  t.SetInterval(3000);
  int n = 0;
  t.OnTimer = [&](TObject*) {
    if (++n == 2) throw Exception("boom");
  };
  hw_test::dialogs().clear();
  t.Fire();
  t.Fire();
  EXPECT_EQ(n, 2);
  EXPECT_EQ(hw_test::dialogs().messages(), std::vector<std::string>{"boom"});
  // An exception that reaches the event loop itself is reported as well; the loop goes on.
  QTimer::singleShot(0, [] { throw Exception("past the handlers"); });
  QApplication::processEvents();
  EXPECT_EQ(hw_test::dialogs().messages(), (std::vector<std::string>{"boom", "past the handlers"}));
}

TEST(Services, ClipboardTextAndCursor) {
  SetClipboardText("#484B52");
  EXPECT_EQ(ClipboardText(), "#484B52");
  SetCursorPos(123, 77);
  EXPECT_EQ(GetCursorPos(), (TPoint{123, 77}));
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}
