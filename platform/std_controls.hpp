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

// An edit whose text follows a mask "characters;save literals;blank": per position '0' a digit
// that must be there, '9' a digit that may be there, 'L' / 'l' a letter, 'A' / 'a' a letter or
// digit, 'C' / 'c' any character (upper case: must be there), anything else a literal. The text
// always holds one character per mask position, the blank for each position not filled.
class TMaskEdit : public TEdit {
public:
  explicit TMaskEdit(TComponent* owner);
  std::string ClassName() const override { return "TMaskEdit"; }

  const std::string& EditMask() const { return edit_mask_; }
  void SetEditMask(std::string mask);
  // Fits `text` to the mask: characters are placed in order into the positions that take them
  // (others are dropped), literals are kept, and the rest is blank.
  void SetText(std::string text);
  // `text` fitted to `mask` as SetText fits it.
  static std::string FormatMaskText(const std::string& mask, const std::string& text);

private:
  std::string edit_mask_;
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

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TFocusControl {
public:
  explicit TMemo(TComponent* owner);
  std::string ClassName() const override { return "TMemo"; }
  // The lines; call LinesChanged after changing them directly.
  TStringList& Lines() { return lines_; }
  const TStringList& Lines() const { return lines_; }
  void LinesChanged();
  // The whole text: the lines joined with CR LF (no line break after the last one).
  std::string Text() const;
  void SetText(const std::string& text);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle v);
  TNotifyEvent OnChange;

  // Called by the window system when the user edits the text.
  void text_edited(const std::string& text);

protected:
  void Changed() override;

private:
  void show_text(const std::string& text);
  TStringList lines_;
  TScrollStyle scroll_bars_ = TScrollStyle::ssNone;
  bool syncing_ = false;
};

class TButton : public TFocusControl {
public:
  explicit TButton(TComponent* owner);
  std::string ClassName() const override { return "TButton"; }

  // A click sets the form's ModalResult to this (mrNone included), then runs OnClick.
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int v) { modal_result_ = v; }
  // Return presses the default button of a form, Escape its cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  void Click() override;

protected:
  void Changed() override;

private:
  int modal_result_ = 0;
  bool default_ = false;
  bool cancel_ = false;
};
