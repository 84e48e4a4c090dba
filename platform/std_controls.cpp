#include "platform/std_controls.hpp"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"

namespace {

// Forwards focus changes and the inner widget's mouse input to the control.
class InnerFilter : public QObject {
public:
  // `mouse_up`: the control reports mouse releases itself (list boxes do, after selecting).
  InnerFilter(TFocusControl* c, QObject* parent, bool mouse_up = true)
      : QObject(parent), c_(c), alive_(c->AliveToken()), mouse_up_(mouse_up) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (alive_.expired()) return false;
    switch (e->type()) {
      case QEvent::FocusIn: Application->Dispatch([&] { c_->DoEnter(); }); break;
      case QEvent::FocusOut: Application->Dispatch([&] { c_->DoExit(); }); break;
      case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        QPoint pt = static_cast<QWidget*>(o)->mapTo(c_->Host()->widget, me->position().toPoint());
        TShiftState s = qt_shift_state(me->modifiers(), me->buttons());
        Application->Dispatch([&] { c_->MouseMove(s, pt.x(), pt.y()); });
        break;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(e);
        QPoint pt = static_cast<QWidget*>(o)->mapTo(c_->Host()->widget, me->position().toPoint());
        TShiftState s = qt_shift_state(me->modifiers(), me->buttons());
        TMouseButton b = me->button() == Qt::RightButton ? mbRight : me->button() == Qt::MiddleButton ? mbMiddle : mbLeft;
        if (e->type() == QEvent::MouseButtonPress) Application->Dispatch([&] { c_->MouseDown(b, s, pt.x(), pt.y()); });
        else if (mouse_up_) Application->Dispatch([&] { c_->MouseUp(b, s, pt.x(), pt.y()); });
        break;
      }
      default: break;
    }
    return false;
  }
private:
  TFocusControl* c_;
  std::weak_ptr<int> alive_;
  bool mouse_up_;
};

QWidget* inner_of(const TControl* c) {
  QWidget* host = c->Host()->widget;
  return host->layout() && host->layout()->count() ? host->layout()->itemAt(0)->widget() : nullptr;
}

template <class W>
W* embed(TFocusControl* c, W* w) {
  auto* lay = new QVBoxLayout(c->Host()->widget);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(w);
  c->Host()->widget->setFocusProxy(w);
  auto* f = new InnerFilter(c, w);
  w->installEventFilter(f);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) area->viewport()->installEventFilter(f);
  return w;
}

}  // namespace

void TFocusControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TFocusControl::DoExit() {
  if (OnExit) OnExit(this);
}

// ---------------------------------------------------------------------------------------------
// Edit
// ---------------------------------------------------------------------------------------------
TEdit::TEdit(TComponent* owner) : TFocusControl(owner) {
  create_host(false);
  SetColor(clWindow);
  auto* line = embed(this, new QLineEdit);
  line->setFrame(true);
  std::weak_ptr<int> alive = AliveToken();
  QObject::connect(line, &QLineEdit::textEdited, [this, alive](const QString& t) {
    if (!alive.expired()) Application->Dispatch([&] { text_edited(t.toStdString()); });
  });
  SetBounds(0, 0, 121, 21);
  Changed();
}

TEdit::~TEdit() = default;

void TEdit::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  syncing_ = true;
  if (auto* line = static_cast<QLineEdit*>(inner_of(this))) line->setText(QString::fromStdString(text_));
  syncing_ = false;
  if (OnChange) OnChange(this);
}

void TEdit::text_edited(std::string text) {
  if (syncing_ || text == text_) return;
  text_ = std::move(text);
  if (OnChange) OnChange(this);
}

void TEdit::SetMaxLength(int n) {
  max_length_ = n;
  if (auto* line = static_cast<QLineEdit*>(inner_of(this))) line->setMaxLength(n > 0 ? n : 32767);
}

void TEdit::SetReadOnly(bool v) {
  read_only_ = v;
  if (auto* line = static_cast<QLineEdit*>(inner_of(this))) line->setReadOnly(v);
}

void TEdit::Changed() {
  if (auto* line = static_cast<QLineEdit*>(inner_of(this))) {
    line->setFont(qt_font(Font()));
    QPalette pal = line->palette();
    pal.setColor(QPalette::Base, qt_color(EffectiveColor()));
    pal.setColor(QPalette::Text, qt_color(Font().Color()));
    line->setPalette(pal);
  }
  TFocusControl::Changed();
}

// ---------------------------------------------------------------------------------------------
// List box
// ---------------------------------------------------------------------------------------------
namespace {

class ListWidget : public QListWidget {
public:
  explicit ListWidget(TListBox* owner) : owner_(owner), alive_(owner->AliveToken()) {
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    // Moves with no button held reach the list's mouse handler too, as the class library's do.
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
  }

protected:
  void mouseReleaseEvent(QMouseEvent* e) override {
    QListWidget::mouseReleaseEvent(e);
    if (alive_.expired()) return;
    QPoint pt = viewport()->mapTo(owner_->Host()->widget, e->position().toPoint());
    TShiftState s = qt_shift_state(e->modifiers(), e->buttons());
    TMouseButton b = e->button() == Qt::RightButton ? mbRight : e->button() == Qt::MiddleButton ? mbMiddle : mbLeft;
    int row = indexAt(e->position().toPoint()).row();
    TListBox* o = owner_;
    if (b == mbLeft && row >= 0) Application->Dispatch([&] { o->user_selected(row); });
    if (!alive_.expired()) Application->Dispatch([&] { o->MouseUp(b, s, pt.x(), pt.y()); });
  }
  void showEvent(QShowEvent* e) override {
    QListWidget::showEvent(e);
    restore_top();
  }
  void resizeEvent(QResizeEvent* e) override {
    QListWidget::resizeEvent(e);
    restore_top();
  }
  void restore_top() {
    if (!alive_.expired()) verticalScrollBar()->setValue(owner_->TopIndex());
  }
  void keyPressEvent(QKeyEvent* e) override {
    int before = currentRow();
    QListWidget::keyPressEvent(e);
    if (!alive_.expired() && currentRow() != before && currentRow() >= 0) {
      TListBox* o = owner_;
      int row = currentRow();
      Application->Dispatch([&] { o->user_selected(row); });
    }
  }

private:
  TListBox* owner_;
  std::weak_ptr<int> alive_;
};

}  // namespace

TListBox::TListBox(TComponent* owner) : TFocusControl(owner) {
  create_host(false);
  SetColor(clWindow);
  auto* list = new ListWidget(this);
  auto* lay = new QVBoxLayout(Host()->widget);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(list);
  Host()->widget->setFocusProxy(list);
  auto* f = new InnerFilter(this, list, false);
  list->installEventFilter(f);
  list->viewport()->installEventFilter(f);
  std::weak_ptr<int> alive = AliveToken();
  QObject::connect(list->verticalScrollBar(), &QScrollBar::valueChanged, [this, alive](int v) {
    // The user scrolled; a hidden list reports nothing that counts.
    if (!alive.expired() && !syncing_ && Host()->widget->isVisible()) top_index_ = v;
  });
  SetBounds(0, 0, 121, 97);
}

TListBox::~TListBox() = default;

const std::string& TListBox::Item(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return items_[static_cast<size_t>(index)];
}

void TListBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  item_index_ = -1;
  top_index_ = 0;
  sync();
}

int TListBox::Add(std::string s) {
  items_.push_back(std::move(s));
  sync();
  return Count() - 1;
}

void TListBox::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  items_.erase(items_.begin() + index);
  if (item_index_ == index) item_index_ = -1;
  else if (item_index_ > index) --item_index_;
  sync();
}

void TListBox::Clear() {
  items_.clear();
  item_index_ = -1;
  top_index_ = 0;
  sync();
}

void TListBox::SetItemIndex(int index) {
  item_index_ = (index >= 0 && index < Count()) ? index : -1;
  if (item_index_ >= 0) {
    // Make the selected row visible, as the list box does.
    int rows = std::max(1, VisibleRows());
    if (item_index_ < top_index_) top_index_ = item_index_;
    else if (item_index_ >= top_index_ + rows) top_index_ = item_index_ - rows + 1;
  }
  sync();
}

int TListBox::VisibleRows() const { return item_height_ > 0 ? Height() / item_height_ : 0; }

int TListBox::TopIndex() const { return top_index_; }

void TListBox::SetTopIndex(int index) {
  int max_top = std::max(0, Count() - VisibleRows());
  top_index_ = std::clamp(index, 0, std::max(0, max_top));
  sync();
}

void TListBox::SetItemHeight(int h) {
  item_height_ = std::max(1, h);
  sync();
}

void TListBox::user_selected(int index) {
  if (syncing_) return;
  item_index_ = index;
  Click();
}

void TListBox::sync() {
  auto* list = static_cast<QListWidget*>(inner_of(this));
  if (!list) return;
  syncing_ = true;
  list->setFont(qt_font(Font()));
  QPalette pal = list->palette();
  pal.setColor(QPalette::Base, qt_color(EffectiveColor()));
  pal.setColor(QPalette::Text, qt_color(Font().Color()));
  list->setPalette(pal);
  if (list->count() != Count()) {
    list->clear();
    for (const auto& s : items_) {
      auto* it = new QListWidgetItem(QString::fromStdString(s));
      it->setSizeHint(QSize(0, item_height_));
      list->addItem(it);
    }
  } else {
    for (int i = 0; i < Count(); ++i) {
      QListWidgetItem* it = list->item(i);
      QString t = QString::fromStdString(items_[static_cast<size_t>(i)]);
      if (it->text() != t) it->setText(t);
      if (it->sizeHint().height() != item_height_) it->setSizeHint(QSize(0, item_height_));
    }
  }
  list->setCurrentRow(item_index_);
  if (item_index_ < 0) list->clearSelection();
  list->verticalScrollBar()->setValue(top_index_);
  syncing_ = false;
}

// ---------------------------------------------------------------------------------------------
// Memo
// ---------------------------------------------------------------------------------------------
TMemo::TMemo(TComponent* owner) : TFocusControl(owner) {
  create_host(false);
  SetColor(clWindow);
  embed(this, new QPlainTextEdit);
  SetBounds(0, 0, 185, 89);
}

void TMemo::LinesChanged() {
  if (auto* edit = static_cast<QPlainTextEdit*>(inner_of(this))) {
    QStringList l;
    for (const auto& s : lines_.Items()) l << QString::fromStdString(s);
    edit->setPlainText(l.join('\n'));
  }
}

// ---------------------------------------------------------------------------------------------
// Button
// ---------------------------------------------------------------------------------------------
TButton::TButton(TComponent* owner) : TFocusControl(owner) {
  create_host(false);
  auto* b = embed(this, new QPushButton);
  std::weak_ptr<int> alive = AliveToken();
  QObject::connect(b, &QPushButton::clicked, [this, alive] {
    if (!alive.expired()) Application->Dispatch([&] { Click(); });
  });
  SetBounds(0, 0, 75, 25);
}

void TButton::Changed() {
  if (auto* b = static_cast<QPushButton*>(inner_of(this))) {
    b->setText(QString::fromStdString(Caption()));
    b->setFont(qt_font(Font()));
  }
  TFocusControl::Changed();
}
