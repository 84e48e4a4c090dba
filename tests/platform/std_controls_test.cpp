#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "platform/forms.hpp"
#include "platform/std_controls.hpp"
#include "platform/synthetic_input.hpp"

namespace {
std::unique_ptr<TForm> make_form() {
  auto f = std::make_unique<TForm>(nullptr);
  f->SetBounds(0, 0, 400, 500);
  return f;
}
}  // namespace

TEST(Edit, TextChangesFireOnChangeOnce) {
  auto f = make_form();
  auto* e = new TEdit(f.get());
  e->SetParent(f.get());
  int changes = 0;
  e->OnChange = [&](TObject*) { ++changes; };
  e->SetText("484B52");
  e->SetText("484B52");
  EXPECT_EQ(changes, 1);
  f->Show();
  e->SetFocus();
  e->SetText("");
  send_text(*e, "ab");
  EXPECT_EQ(e->Text(), "ab");
  EXPECT_EQ(changes, 4);  // set, clear, 'a', 'b'
}

TEST(ListBox, ClickSelectsTheRowUnderThePointer) {
  auto f = make_form();
  auto* l = new TListBox(f.get());
  l->SetParent(f.get());
  l->SetBounds(0, 0, 246, 420);
  l->SetItemHeight(14);
  for (int i = 0; i < 40; ++i) l->Add("entry " + std::to_string(i));
  std::vector<int> clicks;
  l->OnClick = [&](TObject*) { clicks.push_back(l->ItemIndex()); };
  f->Show();
  flush_paints();
  send_click(*l, 20, 14 * 3 + 5);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0], 3);
  EXPECT_EQ(l->VisibleRows(), 30);
  l->SetTopIndex(25);  // the last page starts at 40 - 30
  EXPECT_EQ(l->TopIndex(), 10);
  flush_paints();
  send_click(*l, 20, 14 * 2 + 5);
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[1], 12);
}

TEST(ListBox, MovesWithoutAButtonReachTheMouseHandler) {
  auto f = make_form();
  auto* l = new TListBox(f.get());
  l->SetParent(f.get());
  l->SetBounds(0, 0, 200, 140);
  for (int i = 0; i < 5; ++i) l->Add("entry " + std::to_string(i));
  std::vector<TPoint> moves;
  l->OnMouseMove = [&](TObject*, TShiftState, int x, int y) { moves.push_back({x, y}); };
  f->Show();
  flush_paints();
  send_mouse_move(*l, 40, 30);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].X, 40);
  EXPECT_EQ(moves[0].Y, 30);
}

TEST(ListBox, SelectionPastTheEndMeansNone) {
  TListBox l(nullptr);
  l.Add("a");
  l.SetItemIndex(5);
  EXPECT_EQ(l.ItemIndex(), -1);
  l.SetItemIndex(0);
  EXPECT_EQ(l.ItemIndex(), 0);
  l.Delete(0);
  EXPECT_EQ(l.ItemIndex(), -1);
  EXPECT_THROW(l.Item(0), EListError);
  l.Add("x");
  l.Add("y");
  l.SetItemIndex(1);
  l.Delete(0);
  EXPECT_EQ(l.ItemIndex(), 0);
  EXPECT_EQ(l.Item(0), "y");
}

TEST(ListBox, HiddenListKeepsItsTopIndex) {
  auto f = make_form();
  auto* l = new TListBox(f.get());
  l->SetParent(f.get());
  l->SetBounds(0, 0, 246, 420);
  l->SetItemHeight(14);
  l->Hide();
  for (int i = 0; i < 50; ++i) l->Add(std::to_string(i));
  l->SetTopIndex(12);
  f->Show();
  l->Show();
  flush_paints();
  EXPECT_EQ(l->TopIndex(), 12);
}
