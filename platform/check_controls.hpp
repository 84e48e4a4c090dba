// Controls with a checked state: the check box and the radio group, a framed column of
// mutually exclusive choices.
#pragma once

#include <string>
#include <vector>

#include "platform/std_controls.hpp"

class TCheckBox : public TFocusControl {
public:
  explicit TCheckBox(TComponent* owner);
  std::string ClassName() const override { return "TCheckBox"; }

  bool Checked() const { return checked_; }
  // A change, by the program or by the user's click, fires OnClick.
  void SetChecked(bool v);

  // Called by the window system when the user toggles the box.
  void user_toggled(bool v);

protected:
  void Changed() override;

private:
  bool checked_ = false;
  bool syncing_ = false;
};

class TRadioGroup : public TFocusControl {
public:
  explicit TRadioGroup(TComponent* owner);
  ~TRadioGroup() override;
  std::string ClassName() const override { return "TRadioGroup"; }

  const std::vector<std::string>& Items() const { return items_; }
  // New items; the selection goes.
  void SetItems(std::vector<std::string> items);
  int Count() const { return static_cast<int>(items_.size()); }
  // -1 = no item chosen. A change, by the program or by the user's click, fires OnClick; an
  // index outside the items chooses none.
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);

  // Called by the window system when the user picks an item.
  void user_chose(int index);

protected:
  void Changed() override;

private:
  void rebuild();
  void sync();
  std::vector<std::string> items_;
  int item_index_ = -1;
  bool syncing_ = false;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
