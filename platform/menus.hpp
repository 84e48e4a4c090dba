// Popup menus of the class library: items with captions and click events, shown at a screen
// point. Showing a menu is modal (it returns once an item is chosen or the menu is dismissed),
// so it goes through one runner, which tests replace so that nothing can block.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/controls.hpp"

class TPopupMenu;

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  std::string ClassName() const override { return "TMenuItem"; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  // The menu the item is in, or nullptr.
  TPopupMenu* Menu() const { return menu_; }

  TNotifyEvent OnClick;
  // Runs OnClick (with the item as Sender) when the item is enabled.
  virtual void Click();

private:
  friend class TPopupMenu;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  TPopupMenu* menu_ = nullptr;
};

class TPopupMenu : public TComponent {
public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;
  std::string ClassName() const override { return "TPopupMenu"; }

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError outside the list.
  TMenuItem* Items(int index) const;
  // Appends an item; the menu frees its items (an item freed first leaves the menu).
  void Add(TMenuItem* item);
  // A new item owned by the menu, appended.
  TMenuItem* AddItem(std::string caption, TNotifyEvent on_click);

  // The control the menu was last shown for.
  TComponent* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(TComponent* c) { popup_component_ = c; }

  // Shows the menu with its top-left corner at the screen point and, when an enabled, visible
  // item is chosen, runs that item's Click. OnPopup fires first.
  void Popup(int X, int Y);
  TNotifyEvent OnPopup;

private:
  friend class TMenuItem;
  void remove(TMenuItem* item);
  std::vector<TMenuItem*> items_;
  TComponent* popup_component_ = nullptr;
};

// What chooses an item of a menu shown at a screen point: the index of the chosen item, or -1
// when the menu is dismissed. The real runner shows the window system's menu and waits.
using PopupMenuRunner = std::function<int(TPopupMenu& Menu, TPoint At)>;
// Installs a runner; returns the previous one. An empty runner restores the real menus.
PopupMenuRunner SetPopupMenuRunner(PopupMenuRunner runner);
