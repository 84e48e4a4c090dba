// Forms, the application object, the screen and timers.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.hpp"

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8;
enum class TFormStyle { fsNormal, fsStayOnTop };
// Where a form places itself when it is shown.
enum class TPosition { poDesigned, poScreenCenter, poDesktopCenter };

// Modal results, numbered as the class library numbers them.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7;

class TForm : public TWinControl {
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;
  std::string ClassName() const override { return "TForm"; }

  // The client area is the form's own size (the frame belongs to the window system).
  void SetClientWidth(int w) { SetWidth(w); }
  void SetClientHeight(int h) { SetHeight(h); }
  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle v);
  TBorderIcons BorderIcons() const { return border_icons_; }
  void SetBorderIcons(TBorderIcons v);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle v);
  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool v) { key_preview_ = v; }
  // Double buffering is how every window paints here; the flag is kept for the callers.
  bool DoubleBuffered() const { return double_buffered_; }
  void SetDoubleBuffered(bool v) { double_buffered_ = v; }

  TPosition Position() const { return position_; }
  void SetPosition(TPosition v) { position_ = v; }

  void SetVisible(bool visible) override;
  void SetBounds(int left, int top, int width, int height) override;
  // Makes the window a tool window of another form: it stays above that form and has no
  // task-bar entry of its own (the class library's PopupParent). nullptr makes it a window of its
  // own again.
  TForm* PopupParent() const { return popup_parent_; }
  void SetPopupParent(TForm* parent);
  // Runs OnCloseQuery and OnClose; hides the window unless the action is caNone, and ends the
  // application's loop when this is the main form. A modal form only gets mrCancel as its
  // ModalResult, which ends its modal run.
  void Close();

  // ---- Modal runs.
  // Shows the form modally and returns once its ModalResult is set (a button with a modal
  // result sets it; closing the window sets mrCancel); the form is hidden again and the
  // result returned. The modal form runner runs it (see SetModalFormRunner). Raises
  // EInvalidOperation "Cannot make a visible window modal" for a shown or already modal form.
  int ShowModal();
  bool Modal() const { return modal_; }
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int v) { modal_result_ = v; }
  // A key the focused control left alone: VK_RETURN clicks the form's visible, enabled default
  // button, VK_ESCAPE its cancel button. Returns whether a button took it.
  bool DialogKey(Word key);
  // Brings the window to the front and gives it the focus.
  void BringToFront();

  std::function<void(TObject* Sender, bool& CanClose)> OnCloseQuery;
  std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDestroy;

  // Runs `fn` at the event loop's next turn after the window's first paint (so that the paint
  // reaches the screen first); when it has been painted already, at the next turn. For work a
  // window can leave until it is on screen.
  void AfterFirstPaint(std::function<void()> fn);
  // Called by the window system after each paint of the window.
  void painted();

  // Called by the window system when the user closes the window; returns whether it closed.
  bool close_requested();
  // Called by the window system when it placed the window elsewhere (a window manager's move);
  // (left, top) is the new place of the client area.
  void window_moved(int left, int top);

protected:
  // The window's place or visibility changed (shown, moved or sized, by the program or by the
  // window system): the handler of WM_WINDOWPOSCHANGED. The default handling does nothing more.
  virtual void WMWindowPosChanged() {}

private:
  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  TBorderIcons border_icons_ = biSystemMenu | biMinimize | biMaximize;
  TFormStyle form_style_ = TFormStyle::fsNormal;
  bool key_preview_ = false;
  bool double_buffered_ = false;
  bool closing_ = false;
  bool painted_ = false;
  std::vector<std::function<void()>> after_first_paint_;
  TPosition position_ = TPosition::poDesigned;
  bool modal_ = false;
  int modal_result_ = mrNone;
  TForm* popup_parent_ = nullptr;
  friend void apply_window_flags(TForm& f);
};

// What runs a modal form: returns the form's modal result. The real runner shows the window
// modally and processes events until ModalResult is set; tests install one that fills the
// form's controls and presses a button, so that no test can block.
using ModalFormRunner = std::function<int(TForm& Form)>;
// Installs a runner; returns the previous one. An empty runner restores the real modal run.
ModalFormRunner SetModalFormRunner(ModalFormRunner runner);

// ---------------------------------------------------------------------------------------------
// The application object
// ---------------------------------------------------------------------------------------------
class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;
  std::string ClassName() const override { return "TApplication"; }

  // Creates the window system's application. Call once, before any control is made.
  void Initialize(int& argc, char** argv);
  bool Initialized() const;
  // Frees the components the application owns and takes the window system down (the end of
  // the program's main).
  void Shutdown();
  // Is there a display to show windows on?
  bool HasDisplay() const;
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);
  TForm* MainForm() const { return main_form_; }
  void SetMainForm(TForm* form) { main_form_ = form; }
  // Runs the message loop until Terminate; returns the exit code.
  int Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles pending events (paints, timers, input) and returns.
  void ProcessMessages();
  // Handles what waits except the user's input: above all the window system's requests to paint
  // what a closed window uncovered.
  void ProcessPaintMessages();

  // Hints: delay before a hint shows and how long it stays up (milliseconds).
  int HintPause() const { return hint_pause_; }
  void SetHintPause(int ms) { hint_pause_ = ms; }
  int HintHidePause() const { return hint_hide_pause_; }
  void SetHintHidePause(int ms) { hint_hide_pause_ = ms; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool v) { show_hint_ = v; }

  // Reports an exception that escaped an event handler: OnException when assigned, otherwise a
  // message box with the exception's message. The loop carries on.
  void HandleException(std::exception_ptr error);
  std::function<void(TObject* Sender, const std::exception& E)> OnException;

  // Runs `fn`, reporting any exception it raises (the dispatcher of every event).
  template <class F>
  void Dispatch(F&& fn) noexcept {
    try {
      fn();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }

  std::string ExeName() const;

private:
  std::string title_;
  TForm* main_form_ = nullptr;
  bool terminated_ = false;
  int hint_pause_ = 500;
  int hint_hide_pause_ = 2500;
  bool show_hint_ = true;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

extern TApplication* const Application;

// The text of an exception for reports.
std::string exception_message(std::exception_ptr error);

// ---------------------------------------------------------------------------------------------
// The screen: size, cursors
// ---------------------------------------------------------------------------------------------
class TScreen : public TObject {
public:
  std::string ClassName() const override { return "TScreen"; }
  int Width() const;
  int Height() const;
  int PixelsPerInch() const { return 96; }
  // The cursor shown over the whole application (crDefault: each control's own).
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  // Registers a screen cursor under a number from a 32-bit ARGB picture (rows top-down) with its
  // hot spot. Numbers above 0 are the program's own.
  void RegisterCursor(TCursor id, int width, int height, const std::uint32_t* argb, int hot_x, int hot_y);
  bool HasCursor(TCursor id) const;

private:
  TCursor cursor_ = crDefault;
};

extern TScreen* const Screen;

// ---------------------------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------------------------
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  std::string ClassName() const override { return "TTimer"; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  int Interval() const { return interval_; }
  void SetInterval(int ms);
  TNotifyEvent OnTimer;
  // Runs the handler as the timer would (tests use it to step time).
  void Fire();

private:
  void update();
  bool enabled_ = true;
  int interval_ = 1000;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
