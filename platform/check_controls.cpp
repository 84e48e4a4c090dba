#include "platform/check_controls.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"

namespace {

template <class W>
W* embed_widget(TControl* c, W* w) {
  auto* lay = new QVBoxLayout(c->Host()->widget);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(w);
  c->Host()->widget->setFocusProxy(w);
  return w;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Check box
// ---------------------------------------------------------------------------------------------
TCheckBox::TCheckBox(TComponent* owner) : TFocusControl(owner) {
  create_host(false);
  auto* box = embed_widget(this, new QCheckBox);
  std::weak_ptr<int> alive = AliveToken();
  QObject::connect(box, &QCheckBox::clicked, [this, alive](bool v) {
    if (!alive.expired()) Application->Dispatch([&] { user_toggled(v); });
  });
  SetBounds(0, 0, 97, 17);
  Changed();
}

void TCheckBox::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  if (auto* box = Host()->widget->findChild<QCheckBox*>()) {
    syncing_ = true;
    box->setChecked(v);
    syncing_ = false;
  }
  Click();
}

void TCheckBox::user_toggled(bool v) {
  if (syncing_ || v == checked_) return;
  checked_ = v;
  Click();
}

void TCheckBox::Changed() {
  if (auto* box = Host() ? Host()->widget->findChild<QCheckBox*>() : nullptr) {
    box->setText(QString::fromStdString(Caption()));
    box->setFont(qt_font(Font()));
  }
  TFocusControl::Changed();
}

// ---------------------------------------------------------------------------------------------
// Radio group
// ---------------------------------------------------------------------------------------------
struct TRadioGroup::Impl {
  QGroupBox* box = nullptr;
  QButtonGroup* group = nullptr;
  std::vector<QRadioButton*> buttons;
};

TRadioGroup::TRadioGroup(TComponent* owner) : TFocusControl(owner), impl_(std::make_unique<Impl>()) {
  create_host(false);
  impl_->box = embed_widget(this, new QGroupBox);
  new QVBoxLayout(impl_->box);
  impl_->group = new QButtonGroup(impl_->box);
  impl_->group->setExclusive(true);
  std::weak_ptr<int> alive = AliveToken();
  QObject::connect(impl_->group, &QButtonGroup::idClicked, [this, alive](int id) {
    if (!alive.expired()) Application->Dispatch([&] { user_chose(id); });
  });
  SetBounds(0, 0, 185, 105);
  Changed();
}

TRadioGroup::~TRadioGroup() = default;

void TRadioGroup::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  item_index_ = -1;
  rebuild();
}

void TRadioGroup::SetItemIndex(int index) {
  if (index < 0 || index >= Count()) index = -1;
  if (index == item_index_) return;
  item_index_ = index;
  sync();
  Click();
}

void TRadioGroup::user_chose(int index) {
  if (syncing_ || index == item_index_ || index < 0 || index >= Count()) return;
  item_index_ = index;
  Click();
}

void TRadioGroup::rebuild() {
  for (QRadioButton* b : impl_->buttons) {
    impl_->group->removeButton(b);
    delete b;
  }
  impl_->buttons.clear();
  auto* lay = static_cast<QVBoxLayout*>(impl_->box->layout());
  for (size_t i = 0; i < items_.size(); ++i) {
    auto* b = new QRadioButton(QString::fromStdString(items_[i]));
    b->setFont(qt_font(Font()));
    lay->addWidget(b);
    impl_->group->addButton(b, static_cast<int>(i));
    impl_->buttons.push_back(b);
  }
  sync();
}

void TRadioGroup::sync() {
  syncing_ = true;
  // An exclusive group cannot uncheck its last button; it is made non-exclusive for that.
  impl_->group->setExclusive(false);
  for (size_t i = 0; i < impl_->buttons.size(); ++i) impl_->buttons[i]->setChecked(static_cast<int>(i) == item_index_);
  impl_->group->setExclusive(true);
  syncing_ = false;
}

void TRadioGroup::Changed() {
  if (impl_ && impl_->box) {
    impl_->box->setTitle(QString::fromStdString(Caption()));
    impl_->box->setFont(qt_font(Font()));
    for (QRadioButton* b : impl_->buttons) b->setFont(qt_font(Font()));
  }
  TFocusControl::Changed();
}
