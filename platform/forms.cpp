#include "platform/forms.hpp"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/control_host_qt.hpp"
#include "platform/main_thread.hpp"
#include "platform/services.hpp"
#include "platform/std_controls.hpp"
#include "platform/x_display_qt.hpp"

// ---------------------------------------------------------------------------------------------
// Forms
// ---------------------------------------------------------------------------------------------
TForm::TForm(TComponent* owner) : TWinControl(owner) {
  create_host(true);
  Host()->widget->hide();
  SetVisible(false);
  SetBounds(0, 0, 640, 480);
}

TForm::~TForm() {
  if (OnDestroy) Application->Dispatch([&] { OnDestroy(this); });
  if (Application->MainForm() == this) Application->SetMainForm(nullptr);
  // Tool windows of this form become windows of their own rather than going with its window.
  if (QWidget* w = Host() ? Host()->widget : nullptr) {
    const QObjectList children = w->children();  // reparenting changes the list
    for (QObject* o : children) {
      auto* child = dynamic_cast<HostWidget*>(o);
      if (!child || !child->isWindow()) continue;
      if (auto* f = dynamic_cast<TForm*>(child->control())) f->SetPopupParent(nullptr);
      else child->setParent(nullptr, child->windowFlags());
    }
  }
}

void TForm::SetVisible(bool visible) {
  bool was = Visible();
  TControl::SetVisible(visible);
  QWidget* w = Host()->widget;
  if (visible && !w->isVisible()) {
    w->move(Left(), Top());
    w->show();
    WMWindowPosChanged();
    if (!was && OnShow) Application->Dispatch([&] { OnShow(this); });
  } else if (!visible && w->isVisible()) {
    w->hide();
    if (was && OnHide) Application->Dispatch([&] { OnHide(this); });
  }
}

void TForm::AfterFirstPaint(std::function<void()> fn) {
  if (painted_) QueueOnMainThread(std::move(fn));
  else after_first_paint_.push_back(std::move(fn));
}

void TForm::painted() {
  if (painted_) return;
  painted_ = true;
  for (auto& fn : after_first_paint_) QueueOnMainThread(std::move(fn));
  after_first_paint_.clear();
}

void TForm::SetBounds(int left, int top, int width, int height) {
  const bool changed = left != Left() || top != Top() || width != Width() || height != Height();
  TWinControl::SetBounds(left, top, width, height);
  if (changed && Host()->widget->isVisible()) WMWindowPosChanged();
}

void TForm::window_moved(int left, int top) {
  if (left == Left() && top == Top()) return;
  take_position_from_window(left, top);
  WMWindowPosChanged();
}

void apply_window_flags(TForm& f) {
  QWidget* w = f.Host()->widget;
  QWidget* owner = f.popup_parent_ ? f.popup_parent_->Host()->widget : nullptr;
  // A tool window of its owner stays above it.
  Qt::WindowFlags flags = owner ? Qt::Tool : Qt::Window;
  if (f.BorderStyle() == TFormBorderStyle::bsNone) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (f.BorderIcons() & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (f.BorderIcons() & biMinimize) flags |= Qt::WindowMinimizeButtonHint;
    if ((f.BorderIcons() & biMaximize) && f.BorderStyle() == TFormBorderStyle::bsSizeable) flags |= Qt::WindowMaximizeButtonHint;
  }
  if (f.FormStyle() == TFormStyle::fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  bool shown = w->isVisible();
  if (w->parentWidget() != owner) w->setParent(owner, flags);
  else w->setWindowFlags(flags);
  if (f.BorderStyle() != TFormBorderStyle::bsSizeable && f.BorderStyle() != TFormBorderStyle::bsSizeToolWin)
    w->setFixedSize(f.Width(), f.Height());
  else
    w->setMinimumSize(0, 0), w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (shown) w->show();
}

void TForm::SetBorderStyle(TFormBorderStyle v) {
  border_style_ = v;
  apply_window_flags(*this);
}

void TForm::SetBorderIcons(TBorderIcons v) {
  border_icons_ = v;
  apply_window_flags(*this);
}

void TForm::SetPopupParent(TForm* parent) {
  if (parent == this) parent = nullptr;
  popup_parent_ = parent;
  apply_window_flags(*this);
}

void TForm::SetFormStyle(TFormStyle v) {
  form_style_ = v;
  apply_window_flags(*this);
}

void TForm::BringToFront() {
  QWidget* w = Host()->widget;
  w->raise();
  w->activateWindow();
}

bool TForm::close_requested() {
  if (modal_) {
    modal_result_ = mrCancel;
    return true;
  }
  if (closing_) return false;
  closing_ = true;
  struct Reset {
    bool& b;
    ~Reset() { b = false; }
  } reset{closing_};
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  if (!can_close) return false;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return false;
  if (action == TCloseAction::caMinimize) {
    Host()->widget->showMinimized();
    return false;
  }
  SetVisible(false);
  if (Application->MainForm() == this) Application->Terminate();
  return true;
}

void TForm::Close() { Application->Dispatch([&] { close_requested(); }); }

// ---------------------------------------------------------------------------------------------
// Modal runs
// ---------------------------------------------------------------------------------------------
namespace {

ModalFormRunner& modal_runner() {
  static ModalFormRunner r;
  return r;
}

int run_real_modal(TForm& form) {
  if (!QApplication::instance()) return mrCancel;
  QWidget* w = form.Host()->widget;
  if (form.Position() != TPosition::poDesigned) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
      QRect g = screen->availableGeometry();
      form.SetBounds(g.x() + (g.width() - form.Width()) / 2, g.y() + (g.height() - form.Height()) / 2, form.Width(),
                     form.Height());
    }
  }
  w->setWindowModality(Qt::ApplicationModal);
  std::weak_ptr<int> alive = form.AliveToken();
  form.Show();
  while (!alive.expired() && form.ModalResult() == mrNone) {
    if (!form.Visible()) {
      form.SetModalResult(mrCancel);
      break;
    }
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (alive.expired()) return mrCancel;
  w->setWindowModality(Qt::NonModal);
  return form.ModalResult();
}

// The buttons of a form, depth first.
void collect_buttons(const TWinControl& parent, std::vector<TButton*>& out) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* c = parent.Controls(i);
    if (auto* b = dynamic_cast<TButton*>(c)) out.push_back(b);
    if (auto* w = dynamic_cast<TWinControl*>(c)) collect_buttons(*w, out);
  }
}

}  // namespace

ModalFormRunner SetModalFormRunner(ModalFormRunner r) {
  ModalFormRunner old = std::move(modal_runner());
  modal_runner() = std::move(r);
  return old;
}

int TForm::ShowModal() {
  if (modal_ || Host()->widget->isVisible()) throw EInvalidOperation("Cannot make a visible window modal");
  modal_ = true;
  modal_result_ = mrNone;
  std::weak_ptr<int> alive = AliveToken();
  struct Reset {
    TForm& form;
    std::weak_ptr<int> alive;
    ~Reset() {
      if (alive.expired()) return;
      form.modal_ = false;
      form.SetVisible(false);
    }
  } reset{*this, alive};
  int result = modal_runner() ? modal_runner()(*this) : run_real_modal(*this);
  if (!alive.expired()) modal_result_ = result;
  return result;
}

bool TForm::DialogKey(Word key) {
  if (key != VK_RETURN && key != VK_ESCAPE) return false;
  std::vector<TButton*> buttons;
  collect_buttons(*this, buttons);
  for (TButton* b : buttons) {
    if (!b->Visible() || !b->Enabled()) continue;
    if ((key == VK_RETURN && b->Default()) || (key == VK_ESCAPE && b->Cancel())) {
      b->Click();
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// The application
// ---------------------------------------------------------------------------------------------
struct TApplication::Impl {
  std::unique_ptr<QApplication> app;
  int argc = 1;
  char* argv[2] = {nullptr, nullptr};
  std::string arg0;
};

TApplication::TApplication() : TComponent(nullptr), impl_(std::make_unique<Impl>()) {}
TApplication::~TApplication() {
  // Too late to take the window system down in order: the process is ending.
  if (impl_->app) (void)impl_->app.release();
}

void TApplication::Shutdown() {
  // Components go before the window system they live in.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  main_form_ = nullptr;
  impl_->app.reset();
}

static TApplication the_application;
TApplication* const Application = &the_application;
static TScreen the_screen;
TScreen* const Screen = &the_screen;

namespace {

// While the window system starts: a display that cannot be opened ends the program with a
// message and exit code 2, as a missing one does, instead of an abort.
void startup_message_handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  if (type != QtFatalMsg) return;
  const char* display = std::getenv("DISPLAY");
  std::fprintf(stderr,
               "The display \"%s\" could not be opened. Start the program from a desktop session, or under "
               "a virtual display (xvfb-run).\n",
               display ? display : "");
  std::fflush(stderr);
  std::_Exit(2);
}

// The last net under the event loop: an exception that a handler let through is reported like
// any other, and the loop goes on.
class GuardedApplication : public QApplication {
public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    // Every paint and flush of the toolkit starts with one of these.
    const QEvent::Type t = event->type();
    if (t == QEvent::UpdateRequest || t == QEvent::Paint || t == QEvent::Expose) x_note_toolkit_drawing();
    try {
      return QApplication::notify(receiver, event);
    } catch (...) {
      Application->HandleException(std::current_exception());
      return false;
    }
  }
};

}  // namespace

void TApplication::Initialize(int& argc, char** argv) {
  if (QApplication::instance()) return;
  impl_->arg0 = argc > 0 && argv && argv[0] ? argv[0] : "huewright";
  impl_->argv[0] = impl_->arg0.data();
  impl_->argc = 1;
  (void)argc;
  // On an X display the window pixels go to the server through the socket rather than a shared
  // memory segment: a shared segment makes every paint over an area still in the server's hands
  // wait a round trip first, and the readout repaints the same small areas at every mouse move.
  // A setting of the user's own is kept; ours is read once, when the display is opened, and is
  // not handed on to the programs this one starts.
  const bool own_shm_setting = !qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
  if (own_shm_setting) qputenv("QT_XCB_NO_MITSHM", "1");
  const QtMessageHandler previous = qInstallMessageHandler(startup_message_handler);
  impl_->app = std::make_unique<GuardedApplication>(impl_->argc, impl_->argv);
  qInstallMessageHandler(previous);
  if (own_shm_setting) qunsetenv("QT_XCB_NO_MITSHM");
  QApplication::setQuitOnLastWindowClosed(false);
  if (!title_.empty()) QApplication::setApplicationName(QString::fromStdString(title_));
}

bool TApplication::Initialized() const { return QApplication::instance() != nullptr; }

bool TApplication::HasDisplay() const {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (qpa && *qpa) return true;
  const char* d = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  return (d && *d) || (w && *w);
}

void TApplication::SetTitle(std::string title) {
  title_ = std::move(title);
  if (QApplication::instance()) QApplication::setApplicationName(QString::fromStdString(title_));
}

int TApplication::Run() {
  terminated_ = false;
  if (main_form_ && !main_form_->Visible()) main_form_->Show();
  if (!QApplication::instance()) return 0;
  return QApplication::exec();
}

void TApplication::Terminate() {
  terminated_ = true;
  if (QApplication::instance()) QApplication::quit();
}

void TApplication::ProcessMessages() {
  if (QApplication::instance()) QApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::ProcessPaintMessages() {
  if (QApplication::instance()) QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::string exception_message(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      if (OnException) {
        OnException(this, e);
        return;
      }
      MessageBox(e.what(), title_, MB_OK | MB_ICONERROR);
    } catch (...) {
      MessageBox("Unknown error", title_, MB_OK | MB_ICONERROR);
    }
  } catch (...) {
    // A reporter that fails must not take the loop down.
  }
}

std::string TApplication::ExeName() const { return ProgramPath(); }

// ---------------------------------------------------------------------------------------------
// The screen
// ---------------------------------------------------------------------------------------------
namespace {
std::map<TCursor, QCursor>& registered_cursors() {
  static std::map<TCursor, QCursor> m;
  return m;
}
}  // namespace

QCursor qt_cursor(TCursor c) {
  auto& reg = registered_cursors();
  if (auto it = reg.find(c); it != reg.end()) return it->second;
  switch (c) {
    case crNone: return QCursor(Qt::BlankCursor);
    case crCross: return QCursor(Qt::CrossCursor);
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crSizeNESW: return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS: return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE: return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE: return QCursor(Qt::SizeHorCursor);
    case crUpArrow: return QCursor(Qt::UpArrowCursor);
    case crHourGlass: return QCursor(Qt::WaitCursor);
    case crSQLWait: return QCursor(Qt::WaitCursor);
    case crDrag:
    case crMultiDrag: return QCursor(Qt::DragMoveCursor);
    case crNoDrop:
    case crNo: return QCursor(Qt::ForbiddenCursor);
    case crHSplit: return QCursor(Qt::SplitHCursor);
    case crVSplit: return QCursor(Qt::SplitVCursor);
    case crAppStart: return QCursor(Qt::BusyCursor);
    case crHelp: return QCursor(Qt::WhatsThisCursor);
    case crHandPoint: return QCursor(Qt::PointingHandCursor);
    case crSizeAll: return QCursor(Qt::SizeAllCursor);
    default: return QCursor(Qt::ArrowCursor);
  }
}

int TScreen::Width() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 0;
}

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (!QGuiApplication::instance()) return;
  if (cursor == crDefault) {
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
  } else if (QGuiApplication::overrideCursor()) {
    QGuiApplication::changeOverrideCursor(qt_cursor(cursor));
  } else {
    QGuiApplication::setOverrideCursor(qt_cursor(cursor));
  }
}

void TScreen::RegisterCursor(TCursor id, int width, int height, const std::uint32_t* argb, int hot_x, int hot_y) {
  QImage img(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) img.setPixel(x, y, argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]);
  registered_cursors()[id] = QCursor(QPixmap::fromImage(img), hot_x, hot_y);
}

bool TScreen::HasCursor(TCursor id) const { return registered_cursors().count(id) != 0; }

// ---------------------------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------------------------
struct TTimer::Impl {
  QTimer timer;
};

TTimer::TTimer(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {
  std::weak_ptr<int> alive = AliveToken();
  QObject::connect(&impl_->timer, &QTimer::timeout, [this, alive] {
    if (!alive.expired()) Fire();
  });
  update();
}

TTimer::~TTimer() { impl_->timer.stop(); }

void TTimer::SetEnabled(bool v) {
  enabled_ = v;
  update();
}

void TTimer::SetInterval(int ms) {
  interval_ = ms;
  update();
}

void TTimer::update() {
  impl_->timer.stop();
  if (enabled_ && interval_ > 0) impl_->timer.start(interval_);
}

void TTimer::Fire() {
  if (OnTimer) Application->Dispatch([&] { OnTimer(this); });
}
