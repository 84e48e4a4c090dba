#include "platform/menus.hpp"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Items
// ---------------------------------------------------------------------------------------------
TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  if (menu_) menu_->remove(this);
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

// ---------------------------------------------------------------------------------------------
// The menu
// ---------------------------------------------------------------------------------------------
namespace {

PopupMenuRunner& runner() {
  static PopupMenuRunner r;
  return r;
}

int run_real_menu(TPopupMenu& menu, TPoint at) {
  if (!QApplication::instance()) return -1;
  QMenu q;
  std::vector<QAction*> actions;
  for (int i = 0; i < menu.Count(); ++i) {
    TMenuItem* item = menu.Items(i);
    QAction* a = q.addAction(QString::fromStdString(item->Caption()));
    a->setEnabled(item->Enabled());
    a->setVisible(item->Visible());
    actions.push_back(a);
  }
  QAction* chosen = q.exec(QPoint(at.X, at.Y));
  auto it = std::find(actions.begin(), actions.end(), chosen);
  return it == actions.end() ? -1 : static_cast<int>(it - actions.begin());
}

}  // namespace

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() {
  // The items go here, while the list still exists.
  while (!items_.empty()) {
    TMenuItem* item = items_.back();
    items_.pop_back();
    item->menu_ = nullptr;
    delete item;
  }
}

TMenuItem* TPopupMenu::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return items_[static_cast<size_t>(index)];
}

void TPopupMenu::Add(TMenuItem* item) {
  if (!item || item->menu_ == this) return;
  if (item->menu_) item->menu_->remove(item);
  item->menu_ = this;
  items_.push_back(item);
}

TMenuItem* TPopupMenu::AddItem(std::string caption, TNotifyEvent on_click) {
  auto* item = new TMenuItem(this);
  item->SetCaption(std::move(caption));
  item->OnClick = std::move(on_click);
  Add(item);
  return item;
}

void TPopupMenu::remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it != items_.end()) items_.erase(it);
}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  const int index = runner() ? runner()(*this, Point(X, Y)) : run_real_menu(*this, Point(X, Y));
  if (index < 0 || index >= Count()) return;
  TMenuItem* item = items_[static_cast<size_t>(index)];
  if (item->Visible()) item->Click();
}

PopupMenuRunner SetPopupMenuRunner(PopupMenuRunner r) {
  PopupMenuRunner old = std::move(runner());
  runner() = std::move(r);
  return old;
}
