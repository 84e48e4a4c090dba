#include "platform/services.hpp"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <QWidget>

TPoint GetCursorPos() {
  QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void SetCursorPos(int x, int y) { QCursor::setPos(x, y); }

std::uint32_t GetScreenPixel(int x, int y) {
  if (!QGuiApplication::instance()) return CLR_INVALID;
  QPoint pt(x, y);
  QScreen* screen = QGuiApplication::screenAt(pt);
  if (!screen) return CLR_INVALID;
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

// "Description|*.png;*.jpg|..." -> "Description (*.png *.jpg);;..."
QString qt_filter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString pats = parts[i + 1];
    pats.replace(';', ' ');
    out << parts[i] + " (" + pats + ")";
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
                         ? QFileDialog::getOpenFileName(nullptr, QString::fromStdString(r.text), dir, qt_filter(r.filter))
                         : QFileDialog::getSaveFileName(nullptr, QString::fromStdString(r.text), dir, qt_filter(r.filter));
      a.result = name.isEmpty() ? IDCANCEL : IDOK;
      a.file_name = name.toStdString();
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
  if (!QApplication::instance()) return {IDCANCEL, {}};
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
