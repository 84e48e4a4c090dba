// Services of the window system: the mouse pointer, the screen's pixels, the clipboard's text,
// message boxes and the opening of web addresses.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/types.hpp"

// The pointer position in screen coordinates.
TPoint GetCursorPos();
void SetCursorPos(int x, int y);

// The colour (0x00BBGGRR) of one screen pixel, or CLR_INVALID when it cannot be read: a point
// outside every screen, a failed grab, or (without a real display) a point outside the
// program's own windows.
std::uint32_t GetScreenPixel(int x, int y);

// Clipboard text.
std::string ClipboardText();
void SetClipboardText(const std::string& text);

// ---------------------------------------------------------------------------------------------
// Modal dialogs. Every dialog and message box, and every web address handed to the desktop,
// goes through one handler, which tests replace with a recorder so that nothing can block or
// leave the program.
// ---------------------------------------------------------------------------------------------
enum class DialogKind { MessageBox, OpenFile, SaveFile, WebPage };

struct DialogRequest {
  DialogKind kind = DialogKind::MessageBox;
  std::string text;      // message text, dialog title, or the web address
  std::string caption;   // message box caption
  unsigned flags = 0;    // MB_* flags of a message box
  std::string filter;    // file dialogs: "Description|*.png;*.jpg|..."
  std::string initial_dir;
  std::string file_name;
  std::string default_ext;
};

struct DialogAnswer {
  int result = 0;          // IDOK, IDCANCEL, ...; file dialogs: IDOK when a file was chosen
  std::string file_name;
};

using DialogHandler = std::function<DialogAnswer(const DialogRequest&)>;
// Installs a handler; returns the previous one. An empty handler restores the real dialogs.
DialogHandler SetDialogHandler(DialogHandler handler);
DialogAnswer RunDialog(const DialogRequest& request);

constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNO = 0x4, MB_ICONERROR = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
void ShowMessage(const std::string& text);

// Asks the desktop to open a web address (through the dialog handler, DialogKind::WebPage);
// returns whether it was handed over.
bool OpenURL(const std::string& url);

// The Windows version the program is told it runs on (major, minor).
struct WindowsVersion {
  int major = 6;
  int minor = 2;
};
WindowsVersion GetWindowsVersion();
