#include "platform/std_controls.hpp"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"

namespace {

// Forwards focus changes and the inner widget's mouse input to the control.
class InnerFilter : public QObject {
public:
  // `mouse_up`: the control reports mouse releases itself (list boxes do, after selecting).
  // `key_up`: key releases go to the control (the edit's inner widget keeps them otherwise).
  InnerFilter(TFocusControl* c, QObject* parent, bool mouse_up = true, bool key_up = false)
      : QObject(parent), c_(c), alive_(c->AliveToken()), mouse_up_(mouse_up), key_up_(key_up) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (alive_.expired()) return false;
    switch (e->type()) {
      case QEvent::KeyPress: {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (std::find(pressed_.begin(), pressed_.end(), ke->key()) == pressed_.end()) pressed_.push_back(ke->key());
        break;
      }
      case QEvent::KeyRelease: {
        auto* ke = static_cast<QKeyEvent*>(e);
        // A held key repeats its press only; its release comes once, when it is let go.
        if (!key_up_ || ke->isAutoRepeat()) break;
        // A release whose press went to another window (the message box that Return or Escape
        // just closed) is not this control's: its handler would open the box again.
        auto pressed = std::find(pressed_.begin(), pressed_.end(), ke->key());
        if (pressed == pressed_.end()) break;
        pressed_.erase(pressed);
        Word key = qt_virtual_key(ke->key());
        TShiftState s = qt_shift_state(ke->modifiers(), Qt::NoButton);
        if (key) Application->Dispatch([&] { c_->KeyUp(key, s); });
        if (alive_.expired()) return true;  // the handler freed the edit
        break;
      }
      case QEvent::FocusIn: Application->Dispatch([&] { c_->DoEnter(); }); break;
      case QEvent::FocusOut:
        pressed_.clear();  // the releases of keys held now go elsewhere
        Application->Dispatch([&] { c_->DoExit(); });
        break;
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
  bool key_up_;
  std::vector<int> pressed_;  // keys pressed while this control had the focus, not yet released
};

QWidget* inner_of(const TControl* c) {
  QWidget* host = c->Host()->widget;
  return host->layout() && host->layout()->count() ? host->layout()->itemAt(0)->widget() : nullptr;
}

template <class W>
W* embed(TFocusControl* c, W* w, bool key_up = false) {
  auto* lay = new QVBoxLayout(c->Host()->widget);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(w);
  c->Host()->widget->setFocusProxy(w);
  auto* f = new InnerFilter(c, w, true, key_up);
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
  auto* line = embed(this, new QLineEdit, true);
  line->setFrame(true);
  std::weak_ptr<int> alive = AliveToken();
  QObject::connect(line, &QLineEdit::textEdited, [this, alive, line](const QString& t) {
    // A masked edit's text keeps its blanks, which the line edit's own text leaves out.
    QString text = line->inputMask().isEmpty() ? t : line->displayText();
    if (!alive.expired()) Application->Dispatch([&] { text_edited(text.toStdString()); });
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

void TEdit::SetBorderStyle(TBorderStyle v) {
  border_style_ = v;
  if (auto* line = static_cast<QLineEdit*>(inner_of(this))) line->setFrame(v == TBorderStyle::bsSingle);
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
// Masked edit
// ---------------------------------------------------------------------------------------------
namespace {

struct MaskSpec {
  std::string chars;
  char blank = '_';
};

MaskSpec parse_mask(const std::string& mask) {
  MaskSpec m;
  auto semi = mask.find(';');
  m.chars = mask.substr(0, semi);
  if (semi == std::string::npos) return m;
  auto semi2 = mask.find(';', semi + 1);
  if (semi2 != std::string::npos && semi2 + 1 < mask.size()) m.blank = mask[semi2 + 1];
  return m;
}

bool is_mask_char(char m) { return std::string_view("09LlAaCc").find(m) != std::string_view::npos; }

bool fits(char m, char c) {
  const auto u = static_cast<unsigned char>(c);
  switch (m) {
    case '0':
    case '9': return c >= '0' && c <= '9';
    case 'L':
    case 'l': return std::isalpha(u) != 0;
    case 'A':
    case 'a': return std::isalnum(u) != 0;
    default: return true;
  }
}

// The same mask for the line edit: Qt's letters mean other things, and its own meta characters
// are escaped where they stand for literals.
QString qt_input_mask(const MaskSpec& m) {
  QString out;
  for (char c : m.chars) {
    switch (c) {
      case '0': out += '9'; break;
      case '9': out += '0'; break;
      case 'L': out += 'A'; break;
      case 'l': out += 'a'; break;
      case 'A': out += 'N'; break;
      case 'a': out += 'n'; break;
      case 'C': out += 'X'; break;
      case 'c': out += 'x'; break;
      default:
        if (QString("AaNnXx90Dd#HhBb<>!\\[]{}").contains(QChar(c))) out += '\\';
        out += QChar(c);
    }
  }
  out += ';';
  out += QChar(m.blank);
  return out;
}

}  // namespace

TMaskEdit::TMaskEdit(TComponent* owner) : TEdit(owner) {}

void TMaskEdit::SetEditMask(std::string mask) {
  edit_mask_ = std::move(mask);
  if (auto* line = static_cast<QLineEdit*>(inner_of(this)))
    line->setInputMask(edit_mask_.empty() ? QString() : qt_input_mask(parse_mask(edit_mask_)));
  SetText(Text());
}

std::string TMaskEdit::FormatMaskText(const std::string& mask, const std::string& text) {
  if (mask.empty()) return text;
  const MaskSpec m = parse_mask(mask);
  std::string out;
  size_t ti = 0;
  for (char mc : m.chars) {
    if (!is_mask_char(mc)) {
      out += mc;
      if (ti < text.size() && text[ti] == mc) ++ti;
      continue;
    }
    while (ti < text.size() && text[ti] != m.blank && !fits(mc, text[ti])) ++ti;
    if (ti < text.size()) out += text[ti++];
    else out += m.blank;
  }
  return out;
}

void TMaskEdit::SetText(std::string text) { TEdit::SetText(FormatMaskText(edit_mask_, text)); }

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
namespace {

// The lines of a text broken at CR LF, LF or CR; a break at the end starts an empty last line.
std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

}  // namespace

TMemo::TMemo(TComponent* owner) : TFocusControl(owner) {
  create_host(false);
  SetColor(clWindow);
  auto* edit = embed(this, new QPlainTextEdit);
  std::weak_ptr<int> alive = AliveToken();
  QObject::connect(edit, &QPlainTextEdit::textChanged, [this, alive, edit] {
    if (alive.expired() || syncing_) return;
    std::string text = edit->toPlainText().toStdString();
    Application->Dispatch([&] { text_edited(text); });
  });
  SetBounds(0, 0, 185, 89);
  Changed();
}

std::string TMemo::Text() const {
  std::string out;
  for (int i = 0; i < lines_.Count(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines_[i];
  }
  return out;
}

void TMemo::SetText(const std::string& text) {
  std::string before = Text();
  lines_.Clear();
  for (auto& l : split_lines(text)) lines_.Add(std::move(l));
  show_text(Text());
  if (OnChange && Text() != before) OnChange(this);
}

void TMemo::LinesChanged() { show_text(Text()); }

void TMemo::show_text(const std::string& text) {
  auto* edit = static_cast<QPlainTextEdit*>(inner_of(this));
  if (!edit) return;
  syncing_ = true;
  QString q = QString::fromStdString(text);
  q.replace("\r\n", "\n");
  q.replace('\r', '\n');
  edit->setPlainText(q);
  syncing_ = false;
}

void TMemo::text_edited(const std::string& text) {
  std::string before = Text();
  lines_.Clear();
  for (auto& l : split_lines(text)) lines_.Add(std::move(l));
  if (OnChange && Text() != before) OnChange(this);
}

void TMemo::SetScrollBars(TScrollStyle v) {
  scroll_bars_ = v;
  auto* edit = static_cast<QPlainTextEdit*>(inner_of(this));
  if (!edit) return;
  bool vert = v == TScrollStyle::ssVertical || v == TScrollStyle::ssBoth;
  bool horz = v == TScrollStyle::ssHorizontal || v == TScrollStyle::ssBoth;
  edit->setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  edit->setHorizontalScrollBarPolicy(horz ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  // Without a horizontal bar the memo breaks long lines.
  edit->setLineWrapMode(horz ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
}

void TMemo::Changed() {
  if (auto* edit = static_cast<QPlainTextEdit*>(inner_of(this))) {
    edit->setFont(qt_font(Font()));
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, qt_color(EffectiveColor()));
    pal.setColor(QPalette::Text, qt_color(Font().Color()));
    edit->setPalette(pal);
  }
  TFocusControl::Changed();
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

void TButton::SetDefault(bool v) {
  default_ = v;
  if (auto* b = static_cast<QPushButton*>(inner_of(this))) b->setDefault(v);
}

void TButton::Click() {
  if (auto* form = dynamic_cast<TForm*>(TopLevel())) form->SetModalResult(modal_result_);
  TFocusControl::Click();
}

void TButton::Changed() {
  if (auto* b = static_cast<QPushButton*>(inner_of(this))) {
    b->setText(QString::fromStdString(Caption()));
    b->setFont(qt_font(Font()));
  }
  TFocusControl::Changed();
}
