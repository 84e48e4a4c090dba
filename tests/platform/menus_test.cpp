// Popup menus: shown by a right-button release over a control that has one, through the
// menu runner (the test recorder here), and the chosen item's click.
#include "platform/menus.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "platform/forms.hpp"
#include "platform/synthetic_input.hpp"

namespace {

struct MenuWindow {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  std::unique_ptr<TPopupMenu> menu = std::make_unique<TPopupMenu>(nullptr);
  TPaintBox* box;
  std::vector<std::string> clicked;
  MenuWindow() {
    hw_test::popups().clear();
    form->SetBounds(100, 100, 300, 200);
    box = new TPaintBox(form.get());
    box->SetBounds(20, 30, 100, 80);
    box->SetParent(form.get());
    menu->AddItem("First", [this](TObject* s) { clicked.push_back("first:" + static_cast<TMenuItem*>(s)->Caption()); });
    menu->AddItem("Second", [this](TObject*) { clicked.push_back("second"); });
    form->Show();
  }
};

}  // namespace

TEST(PopupMenu, ARightReleaseShowsTheControlsMenuAtThePointerAfterMouseUp) {
  MenuWindow w;
  std::vector<std::string> order;
  w.box->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) { order.push_back(b == mbRight ? "up-right" : "up"); };
  w.menu->OnPopup = [&](TObject*) { order.push_back("popup"); };
  w.box->SetPopupMenu(w.menu.get());
  hw_test::popups().choices = {1};
  send_click(*w.box, 10, 12, mbRight);
  ASSERT_EQ(hw_test::popups().shown.size(), 1u);
  const auto& shown = hw_test::popups().shown[0];
  EXPECT_EQ(shown.captions, (std::vector<std::string>{"First", "Second"}));
  EXPECT_EQ(shown.at, w.box->ClientToScreen(Point(10, 12)));
  EXPECT_EQ(shown.component, w.box);
  EXPECT_EQ(order, (std::vector<std::string>{"up-right", "popup"}));
  EXPECT_EQ(w.clicked, (std::vector<std::string>{"second"}));
}

TEST(PopupMenu, LeftClicksAndControlsWithoutAMenuShowNone) {
  MenuWindow w;
  send_click(*w.box, 10, 12, mbRight);  // no menu yet
  w.box->SetPopupMenu(w.menu.get());
  send_click(*w.box, 10, 12, mbLeft);
  EXPECT_TRUE(hw_test::popups().shown.empty());
  EXPECT_TRUE(w.clicked.empty());
}

TEST(PopupMenu, DismissedMenusAndDisabledOrHiddenItemsClickNothing) {
  MenuWindow w;
  w.box->SetPopupMenu(w.menu.get());
  send_click(*w.box, 5, 5, mbRight);  // no choice: dismissed
  w.menu->Items(0)->SetEnabled(false);
  hw_test::popups().choices = {0};
  send_click(*w.box, 5, 5, mbRight);
  w.menu->Items(1)->SetVisible(false);
  hw_test::popups().choices = {1, 7};
  send_click(*w.box, 5, 5, mbRight);
  send_click(*w.box, 5, 5, mbRight);  // an index outside the menu
  EXPECT_EQ(hw_test::popups().shown.size(), 4u);
  EXPECT_TRUE(w.clicked.empty());
  w.menu->Items(0)->SetEnabled(true);
  w.menu->Popup(0, 0);  // no choice left
  hw_test::popups().choices = {0};
  w.menu->Popup(0, 0);
  EXPECT_EQ(w.clicked, (std::vector<std::string>{"first:First"}));
}

TEST(PopupMenu, AnItemFreedFirstLeavesTheMenu) {
  TPopupMenu menu(nullptr);
  TMenuItem* a = menu.AddItem("a", nullptr);
  auto* b = new TMenuItem(nullptr);
  b->SetCaption("b");
  menu.Add(b);
  EXPECT_EQ(menu.Count(), 2);
  delete a;
  ASSERT_EQ(menu.Count(), 1);
  EXPECT_EQ(menu.Items(0), b);
  EXPECT_EQ(b->Menu(), &menu);
  EXPECT_THROW(menu.Items(1), EListError);
  // The menu frees the items left in it, the foreign one included.
}

TEST(PopupMenu, AHandlerThatFreesTheControlEndsTheRelease) {
  MenuWindow w;
  auto* victim = new TPaintBox(w.form.get());
  victim->SetBounds(150, 30, 50, 50);
  victim->SetParent(w.form.get());
  victim->SetPopupMenu(w.menu.get());
  w.menu->Items(0)->OnClick = [&](TObject*) { delete victim; };
  hw_test::popups().choices = {0};
  send_click(*victim, 5, 5, mbRight);
  EXPECT_EQ(w.form->ControlCount(), 1);
  flush_paints();
}
