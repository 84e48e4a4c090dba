// Shared test environment: the headless application, the dialog recorder and scratch folders.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/services.hpp"

class TComponent;
class TForm;

// Each test folder defines this once (tests/<folder>/setup.cpp): the explicit registrations its
// code needs (format classes, cursors, factories).
void register_test_environment();

namespace hw_test {

// Sets up the application for tests: offscreen platform on a 1280 x 800 screen at 96 dpi unless a
// platform is chosen already, and every dialog and message box answered by the recorder.
void init_headless_application(int& argc, char** argv);

// Every dialog the program asked for since the last clear, and the answers to give.
struct DialogRecorder {
  std::vector<DialogRequest> requests;
  // Answers handed out in order; when none is left, message boxes answer IDOK and file dialogs
  // IDCANCEL.
  std::vector<DialogAnswer> answers;
  void clear() {
    requests.clear();
    answers.clear();
  }
  // The texts of the message boxes shown.
  std::vector<std::string> messages() const;
};
DialogRecorder& dialogs();

// Every popup menu shown since the last clear, and the items to choose.
struct PopupRecorder {
  struct Shown {
    std::vector<std::string> captions;
    TPoint at;                         // screen point
    TComponent* component = nullptr;   // the menu's PopupComponent
  };
  std::vector<Shown> shown;
  // Item indices chosen in order; when none is left the menu is dismissed.
  std::vector<int> choices;
  void clear() {
    shown.clear();
    choices.clear();
  }
};
PopupRecorder& popups();

// Every modal form shown since the last clear, and the scripts that answer them in order: each
// gets the form, fills its controls, presses a button and returns the form's ModalResult. When
// no script is left the form is cancelled (mrCancel).
struct ModalFormRecorder {
  std::vector<std::string> captions;
  std::vector<std::function<int(TForm&)>> scripts;
  void clear() {
    captions.clear();
    scripts.clear();
  }
};
ModalFormRecorder& modal_forms();

// A fresh empty folder under the temporary folder, removed with the object.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

// Makes a scratch folder the current folder for the life of the object.
class ScratchCwd {
public:
  ScratchCwd();
  ~ScratchCwd();
  const std::string& path() const { return dir_.path(); }
  std::string file(const std::string& name) const { return dir_.file(name); }

private:
  ScratchDir dir_;
  std::string old_;
};

}  // namespace hw_test
