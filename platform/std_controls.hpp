// The standard input controls: one-line edits, list boxes, memos and push buttons.
#pragma once

#include <string>
#include <vector>

#include "platform/classes.hpp"
#include "platform/controls.hpp"

// A windowed control whose keyboard focus the class library reports by OnEnter and OnExit.
class TFocusControl : public TWinControl {
public:
  explicit TFocusControl(TComponent* owner) : TWinControl(owner) {}
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  virtual void DoEnter();
  virtual void DoExit();
};

class TEdit : public TFocusControl {
public:
  explicit TEdit(TComponent* owner);
  ~TEdit() override;
  std::string ClassName() const override { return "TEdit"; }

  const std::string& Text() const { return text_; }
  // Setting the text fires OnChange when it differs.
  void SetText(std::string text);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int n);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v);
  // bsSingle (the default) draws the edit's frame, bsNone leaves it out.
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle v);
  TNotifyEvent OnChange;

  // Called by the window system when the user edits the text.
  void text_edited(std::string text);

protected:
  void Changed() override;

private:
  std::string text_;
  int max_length_ = 0;
  bool read_only_ = false;
  TBorderStyle border_style_ = TBorderStyle::bsSingle;
  bool syncing_ = false;
};

class TListBox : public TFocusControl {
public:
  explicit TListBox(TComponent* owner);
  ~TListBox() override;
  std::string ClassName() const override { return "TListBox"; }

  // The items. Changes through these members update the list on screen.
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int index) const;
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  int Add(std::string s);
  void Delete(int index);
  void Clear();

  // -1 = no selection; setting an index outside the list clears the selection.
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);
  // The first visible row.
  int TopIndex() const;
  void SetTopIndex(int index);
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int h);
  // Rows that fit in the list.
  int VisibleRows() const;

  // Called by the window system.
  void user_selected(int index);

private:
  void sync();
  std::vector<std::string> items_;
  int item_index_ = -1;
  int item_height_ = 13;
  int top_index_ = 0;
  bool syncing_ = false;
  friend struct ListBoxAccess;
};

class TMemo : public TFocusControl {
public:
  explicit TMemo(TComponent* owner);
  std::string ClassName() const override { return "TMemo"; }
  // The lines; call LinesChanged after changing them directly.
  TStringList& Lines() { return lines_; }
  const TStringList& Lines() const { return lines_; }
  void LinesChanged();

private:
  TStringList lines_;
};

class TButton : public TFocusControl {
public:
  explicit TButton(TComponent* owner);
  std::string ClassName() const override { return "TButton"; }

protected:
  void Changed() override;
};
