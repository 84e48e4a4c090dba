#include <gtest/gtest.h>
#include <QApplication>
#include <QKeyEvent>

#include <memory>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"
#include "platform/std_controls.hpp"
#include "platform/synthetic_input.hpp"

namespace {

struct EditForm {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TEdit* edit = nullptr;
  EditForm() {
    form->SetBounds(0, 0, 300, 200);
    edit = new TEdit(form.get());
    edit->SetParent(form.get());
    form->Show();
    edit->SetFocus();
  }
};

}  // namespace

TEST(EditKeys, EachReleaseReachesTheEditOnceAfterTheTextChanged) {
  EditForm f;
  std::vector<std::string> seen;  // the text at each release
  std::vector<Word> keys;
  f.edit->OnKeyUp = [&](TObject* sender, Word& key, TShiftState) {
    EXPECT_EQ(sender, f.edit);
    seen.push_back(f.edit->Text());
    keys.push_back(key);
  };
  send_text(*f.edit, "a1F");
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "a");
  EXPECT_EQ(seen[1], "a1");
  EXPECT_EQ(seen[2], "a1F");
  EXPECT_EQ(keys[0], 'A');
  EXPECT_EQ(keys[1], '1');
  send_key(*f.edit, VK_BACK);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[3], "a1");
  EXPECT_EQ(keys[3], VK_BACK);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(f.edit->Host()->widget->focusProxy(), &release);  // its press went elsewhere
  EXPECT_EQ(seen.size(), 4u);
}

TEST(EditKeys, ReleasesOfOtherControlsDoNotReachTheEdit) {
  EditForm f;
  auto* other = new TEdit(f.form.get());
  other->SetParent(f.form.get());
  other->SetTop(40);
  int edit_ups = 0, other_ups = 0;
  f.edit->OnKeyUp = [&](TObject*, Word&, TShiftState) { ++edit_ups; };
  other->OnKeyUp = [&](TObject*, Word&, TShiftState) { ++other_ups; };
  other->SetFocus();
  send_text(*other, "xy");
  EXPECT_EQ(edit_ups, 0);
  EXPECT_EQ(other_ups, 2);
  EXPECT_EQ(other->Text(), "xy");
  EXPECT_EQ(f.edit->Text(), "");
}

TEST(EditKeys, AnEditWithoutBorderKeepsItsText) {
  EditForm f;
  f.edit->SetBorderStyle(TBorderStyle::bsNone);
  EXPECT_EQ(f.edit->BorderStyle(), TBorderStyle::bsNone);
  send_text(*f.edit, "ff8000");
  EXPECT_EQ(f.edit->Text(), "ff8000");
}
