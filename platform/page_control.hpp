// A page control: a stack of pages of which one, the active page, shows at a time. The pages
// show no tabs; the program chooses the page.
#pragma once

#include <string>
#include <vector>

#include "platform/controls.hpp"

class TPageControl;

class TTabSheet : public TWinControl {
public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;
  std::string ClassName() const override { return "TTabSheet"; }

  TPageControl* PageControl() const { return page_control_; }
  // Makes the sheet a page of the control (its last), or takes it out (nullptr).
  void SetPageControl(TPageControl* pc);
  // Kept for the callers: no page shows a tab.
  bool TabVisible() const { return tab_visible_; }
  void SetTabVisible(bool v) { tab_visible_ = v; }
  int PageIndex() const;

private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
  bool tab_visible_ = true;
};

class TPageControl : public TWinControl {
public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;
  std::string ClassName() const override { return "TPageControl"; }

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Raises EListError outside the list.
  TTabSheet* Pages(int index) const;
  TTabSheet* ActivePage() const { return active_; }
  // Shows the page (one of this control's) and hides the others; nullptr hides them all.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);

  void SetBounds(int left, int top, int width, int height) override;

private:
  friend class TTabSheet;
  void insert_page(TTabSheet* page);
  void remove_page(TTabSheet* page);
  void place(TTabSheet* page);
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
};
