#include "platform/services.hpp"
#include "platform/x_display_qt.hpp"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

TPoint GetCursorPos() {
  // On an X display one round trip, its reply straight to this call.
  if (xcb_connection_t* c = x_connection()) {
    if (xcb_query_pointer_reply_t* r = xcb_query_pointer_reply(c, xcb_query_pointer(c, x_root()), nullptr)) {
      const TPoint at{r->root_x, r->root_y};
      std::free(r);
      return at;
    }
  }
  QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void SetCursorPos(int x, int y) {
  // On an X display one request moves the pointer; the toolkit's move asks the server for the
  // pointer twice first.
  if (xcb_connection_t* c = x_connection(); c && x >= -0x8000 && y >= -0x8000 && x <= 0x7FFF && y <= 0x7FFF) {
    xcb_warp_pointer(c, XCB_NONE, x_root(), 0, 0, 0, 0, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
    xcb_flush(c);
    return;
  }
  QCursor::setPos(x, y);
}

namespace {

int channel_shift(std::uint32_t mask) {
  for (int s = 0; s <= 24; s += 8)
    if (mask == (0xFFu << s)) return s;
  return -1;
}

}  // namespace

namespace {

// A second connection to the toolkit's server, or nullptr: the same server is recognised by an
// atom that the toolkit's connection creates and the new one finds.
xcb_connection_t* own_connection(xcb_connection_t* toolkit, xcb_window_t root) {
  xcb_connection_t* own = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(own)) {
    xcb_disconnect(own);
    return nullptr;
  }
  const std::string name = "_HUEWRIGHT_DISPLAY_" + std::to_string(getpid());
  const auto len = static_cast<std::uint16_t>(name.size());
  xcb_intern_atom_reply_t* made = xcb_intern_atom_reply(toolkit, xcb_intern_atom(toolkit, 0, len, name.c_str()), nullptr);
  xcb_intern_atom_reply_t* found = xcb_intern_atom_reply(own, xcb_intern_atom(own, 1, len, name.c_str()), nullptr);
  const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(own));
  const bool same = made && found && made->atom != XCB_ATOM_NONE && found->atom == made->atom && screens.rem && screens.data->root == root;
  std::free(made);
  std::free(found);
  if (same) return own;
  xcb_disconnect(own);
  return nullptr;
}

}  // namespace

const RootPixels* root_pixels() {
  static const RootPixels found = [] {
    RootPixels r;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return r;
    const xcb_setup_t* setup = xcb_get_setup(c);
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary || primary->devicePixelRatio() != 1.0 || QGuiApplication::screens().size() != 1) return r;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    if (!screens.rem) return r;
    const xcb_screen_t* screen = screens.data;
    if (screen->root_depth != 24) return r;
    bool bpp32 = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
      if (f.data->depth == 24) bpp32 = f.data->bits_per_pixel == 32;
    if (!bpp32) return r;
    const xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem && !visual; xcb_depth_next(&d))
      for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
        if (v.data->visual_id == screen->root_visual) visual = v.data;
    if (!visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR) return r;
    r.red_shift = channel_shift(visual->red_mask);
    r.green_shift = channel_shift(visual->green_mask);
    r.blue_shift = channel_shift(visual->blue_mask);
    if (r.red_shift < 0 || r.green_shift < 0 || r.blue_shift < 0) return r;
    r.lsb_first = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    r.root = screen->root;
    r.connection = c;
    r.own = own_connection(c, r.root);
    return r;
  }();
  return found.connection ? &found : nullptr;
}

namespace {
bool toolkit_drew = true;
}  // namespace

void x_note_toolkit_drawing() { toolkit_drew = true; }

xcb_connection_t* x_connection() {
  const RootPixels* r = root_pixels();
  if (!r) return nullptr;
  if (!r->own) return r->connection;
  if (toolkit_drew) {
    // The server answers a connection's requests in order, not two connections' requests: one
    // round trip on the toolkit's connection puts what it drew before what comes next.
    toolkit_drew = false;
    std::free(xcb_get_input_focus_reply(r->connection, xcb_get_input_focus(r->connection), nullptr));
  }
  // Errors of earlier requests (a drawing on a window that was closed) are dropped.
  while (xcb_generic_event_t* e = xcb_poll_for_queued_event(r->own)) std::free(e);
  return r->own;
}

xcb_window_t x_root() {
  const RootPixels* r = root_pixels();
  return r ? r->root : 0;
}

namespace {

// One pixel of the root window in one request: the colour, or nothing when the server refused
// (a point off the screen).
std::optional<std::uint32_t> read_root_pixel(const RootPixels& r, int x, int y) {
  if (x < 0 || y < 0 || x > 0x7FFF || y > 0x7FFF) return std::nullopt;
  xcb_connection_t* c = x_connection();
  xcb_get_image_cookie_t cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, r.root, static_cast<std::int16_t>(x),
                                                static_cast<std::int16_t>(y), 1, 1, ~0u);
  xcb_generic_error_t* error = nullptr;
  xcb_get_image_reply_t* reply = xcb_get_image_reply(c, cookie, &error);
  std::free(error);
  if (!reply) return std::nullopt;
  std::optional<std::uint32_t> colour;
  if (xcb_get_image_data_length(reply) >= 4) {
    const std::uint8_t* b = xcb_get_image_data(reply);
    const std::uint32_t p = r.lsb_first ? (b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24)
                                        : (b[3] | b[2] << 8 | b[1] << 16 | static_cast<std::uint32_t>(b[0]) << 24);
    colour = ((p >> r.red_shift) & 0xFF) | ((p >> r.green_shift) & 0xFF) << 8 | ((p >> r.blue_shift) & 0xFF) << 16;
  }
  std::free(reply);
  return colour;
}

}  // namespace

std::uint32_t GetScreenPixel(int x, int y) {
  if (!QGuiApplication::instance()) return CLR_INVALID;
  QPoint pt(x, y);
  QScreen* screen = QGuiApplication::screenAt(pt);
  if (!screen) return CLR_INVALID;
  // On an X display one request reads the pixel; the toolkit's grab takes several round trips.
  if (const RootPixels* r = root_pixels()) {
    if (std::optional<std::uint32_t> c = read_root_pixel(*r, x, y)) return *c;
  }
  if (QGuiApplication::platformName() == "offscreen") {
    // Without a real display only the program's own windows have pixels.
    bool inside = false;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->frameGeometry().contains(pt)) inside = true;
    if (!inside) return CLR_INVALID;
  }
  QRect g = screen->geometry();
  QPixmap pm = screen->grabWindow(0, x - g.x(), y - g.y(), 1, 1);
  if (pm.isNull() || pm.width() < 1 || pm.height() < 1) return CLR_INVALID;
  QImage img = pm.toImage();
  QRgb c = img.pixel(0, 0);
  return static_cast<std::uint32_t>(qRed(c)) | (static_cast<std::uint32_t>(qGreen(c)) << 8) |
         (static_cast<std::uint32_t>(qBlue(c)) << 16);
}

std::string ClipboardText() {
  if (!QGuiApplication::instance()) return {};
  return QGuiApplication::clipboard()->text().toStdString();
}

void SetClipboardText(const std::string& text) {
  if (!QGuiApplication::instance()) return;
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

// ---------------------------------------------------------------------------------------------
// Dialogs
// ---------------------------------------------------------------------------------------------
namespace {

DialogHandler& handler() {
  static DialogHandler h;
  return h;
}

// "Description|*.png;*.jpg|..." -> "Description(*.png *.jpg);;...". The dialog takes the patterns
// from the last parentheses and, with its filter details hidden, shows the description before
// them as it stands: descriptions that name their patterns already are not repeated.
QString qt_filter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString pats = parts[i + 1];
    pats.replace(';', ' ');
    out << parts[i] + "(" + pats + ")";
  }
  return out.join(";;");
}

DialogAnswer run_real_dialog(const DialogRequest& r) {
  DialogAnswer a;
  switch (r.kind) {
    case DialogKind::MessageBox: {
      QMessageBox box;
      box.setWindowTitle(QString::fromStdString(r.caption));
      box.setText(QString::fromStdString(r.text));
      unsigned icon = r.flags & 0xF0;
      box.setIcon(icon == MB_ICONERROR ? QMessageBox::Critical
                  : icon == MB_ICONQUESTION ? QMessageBox::Question
                  : icon == MB_ICONWARNING ? QMessageBox::Warning
                  : icon == MB_ICONINFORMATION ? QMessageBox::Information : QMessageBox::NoIcon);
      unsigned kind = r.flags & 0x0F;
      if (kind == MB_YESNO) box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      else if (kind == MB_OKCANCEL) box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      else box.setStandardButtons(QMessageBox::Ok);
      int res = box.exec();
      a.result = res == QMessageBox::Yes ? IDYES : res == QMessageBox::No ? IDNO : res == QMessageBox::Cancel ? IDCANCEL : IDOK;
      return a;
    }
    case DialogKind::WebPage:
      a.result = QDesktopServices::openUrl(QUrl(QString::fromStdString(r.text))) ? IDOK : IDCANCEL;
      return a;
    case DialogKind::OpenFile:
    case DialogKind::SaveFile: {
      QString dir = QString::fromStdString(r.initial_dir.empty() ? r.file_name : r.initial_dir + "/" + r.file_name);
      QString name = r.kind == DialogKind::OpenFile
                         ? QFileDialog::getOpenFileName(nullptr, QString::fromStdString(r.text), dir, qt_filter(r.filter),
                                                        nullptr, QFileDialog::HideNameFilterDetails)
                         : QFileDialog::getSaveFileName(nullptr, QString::fromStdString(r.text), dir, qt_filter(r.filter),
                                                        nullptr, QFileDialog::HideNameFilterDetails);
      a.result = name.isEmpty() ? IDCANCEL : IDOK;
      a.file_name = name.toStdString();
      return a;
    }
    case DialogKind::Font: {
      QFont initial(QString::fromStdString(r.font.name));
      if (r.font.size > 0) initial.setPointSize(r.font.size);
      initial.setBold(r.font.style & 1);
      initial.setItalic(r.font.style & 2);
      initial.setUnderline(r.font.style & 4);
      initial.setStrikeOut(r.font.style & 8);
      bool ok = false;
      QFont f = QFontDialog::getFont(&ok, initial, nullptr, QString::fromStdString(r.text));
      a.result = ok ? IDOK : IDCANCEL;
      a.font.name = f.family().toStdString();
      a.font.size = f.pointSize() > 0 ? f.pointSize() : r.font.size;
      a.font.style = (f.bold() ? 1u : 0u) | (f.italic() ? 2u : 0u) | (f.underline() ? 4u : 0u) | (f.strikeOut() ? 8u : 0u);
      a.font.color = r.font.color;  // the window system's font dialog has no colour
      return a;
    }
    case DialogKind::Color: {
      const auto c = static_cast<std::uint32_t>(r.color);
      QColor chosen = QColorDialog::getColor(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)), nullptr,
                                             QString::fromStdString(r.text));
      a.result = chosen.isValid() ? IDOK : IDCANCEL;
      a.color = chosen.isValid() ? static_cast<TColor>(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16)) : r.color;
      return a;
    }
  }
  return a;
}

}  // namespace

DialogHandler SetDialogHandler(DialogHandler h) {
  DialogHandler old = std::move(handler());
  handler() = std::move(h);
  return old;
}

DialogAnswer RunDialog(const DialogRequest& request) {
  if (handler()) return handler()(request);
  if (!QApplication::instance()) {
    DialogAnswer a;
    a.result = IDCANCEL;
    return a;
  }
  return run_real_dialog(request);
}

int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  DialogRequest r;
  r.kind = DialogKind::MessageBox;
  r.text = text;
  r.caption = caption;
  r.flags = flags;
  return RunDialog(r).result;
}

void ShowMessage(const std::string& text) {
  std::string title = QApplication::instance() ? QApplication::applicationName().toStdString() : std::string();
  MessageBox(text, title, MB_OK);
}

bool OpenURL(const std::string& url) {
  DialogRequest r;
  r.kind = DialogKind::WebPage;
  r.text = url;
  return RunDialog(r).result == IDOK;
}

WindowsVersion GetWindowsVersion() { return WindowsVersion{6, 2}; }
