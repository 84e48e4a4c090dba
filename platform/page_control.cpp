#include "platform/page_control.hpp"

#include <algorithm>

namespace {
// The frame round the pages.
constexpr int kBorder = 2;
}  // namespace

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  create_host(false);
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  if (page_control_) page_control_->remove_page(this);
}

void TTabSheet::SetPageControl(TPageControl* pc) {
  if (pc == page_control_) return;
  if (page_control_) page_control_->remove_page(this);
  page_control_ = pc;
  if (pc) pc->insert_page(this);
  else SetParent(nullptr);
}

int TTabSheet::PageIndex() const {
  if (!page_control_) return -1;
  for (int i = 0; i < page_control_->PageCount(); ++i)
    if (page_control_->Pages(i) == this) return i;
  return -1;
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  create_host(false);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  for (TTabSheet* p : pages_) p->page_control_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return pages_[static_cast<size_t>(index)];
}

void TPageControl::insert_page(TTabSheet* page) {
  pages_.push_back(page);
  page->SetParent(this);
  place(page);
  page->SetVisible(page == active_);
}

void TPageControl::remove_page(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it != pages_.end()) pages_.erase(it);
  if (active_ == page) active_ = nullptr;
}

void TPageControl::place(TTabSheet* page) {
  page->SetBounds(kBorder, kBorder, std::max(0, Width() - 2 * kBorder), std::max(0, Height() - 2 * kBorder));
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->PageControl() != this) return;
  active_ = page;
  for (TTabSheet* p : pages_) p->SetVisible(p == active_);
  if (active_) active_->BringToFront();
}

int TPageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr);
}

void TPageControl::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width, height);
  for (TTabSheet* p : pages_) place(p);
}
