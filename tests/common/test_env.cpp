#include "common/test_env.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

#include "platform/forms.hpp"
#include "platform/menus.hpp"

namespace fs = std::filesystem;

namespace hw_test {

void init_headless_application(int& argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : "/tmp";
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    std::string run = base + "/hw-runtime-" + std::to_string(getuid());
    fs::create_directories(run);
    fs::permissions(run, fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  }
  if (!std::getenv("QT_QPA_PLATFORM")) {
    std::string cfg = base + "/hw-offscreen-" + std::to_string(getpid()) + ".json";
    std::ofstream(cfg) << R"({"windowFrameMargins":false,"screens":[{"name":"S","x":0,"y":0,"width":1280,)"
                       << R"("height":800,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
    std::string v = "offscreen:configfile=" + cfg;
    setenv("QT_QPA_PLATFORM", v.c_str(), 1);
  }
  Application->Initialize(argc, argv);
  SetDialogHandler([](const DialogRequest& r) {
    auto& rec = dialogs();
    rec.requests.push_back(r);
    if (!rec.answers.empty()) {
      DialogAnswer a = rec.answers.front();
      rec.answers.erase(rec.answers.begin());
      return a;
    }
    DialogAnswer a;
    a.result = r.kind == DialogKind::MessageBox ? IDOK : IDCANCEL;
    return a;
  });
  SetPopupMenuRunner([](TPopupMenu& menu, TPoint at) {
    auto& rec = popups();
    PopupRecorder::Shown shown;
    for (int i = 0; i < menu.Count(); ++i) shown.captions.push_back(menu.Items(i)->Caption());
    shown.at = at;
    shown.component = menu.PopupComponent();
    rec.shown.push_back(shown);
    if (rec.choices.empty()) return -1;
    int choice = rec.choices.front();
    rec.choices.erase(rec.choices.begin());
    return choice;
  });
  SetModalFormRunner([](TForm& form) {
    auto& rec = modal_forms();
    rec.captions.push_back(form.Caption());
    if (rec.scripts.empty()) return mrCancel;
    auto script = rec.scripts.front();
    rec.scripts.erase(rec.scripts.begin());
    return script(form);
  });
}

PopupRecorder& popups() {
  static PopupRecorder r;
  return r;
}

ModalFormRecorder& modal_forms() {
  static ModalFormRecorder r;
  return r;
}

DialogRecorder& dialogs() {
  static DialogRecorder r;
  return r;
}

std::vector<std::string> DialogRecorder::messages() const {
  std::vector<std::string> out;
  for (const auto& r : requests)
    if (r.kind == DialogKind::MessageBox) out.push_back(r.text);
  return out;
}

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/hw-test-XXXXXX";
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

ScratchCwd::ScratchCwd() {
  old_ = fs::current_path().string();
  fs::current_path(dir_.path());
}

ScratchCwd::~ScratchCwd() {
  std::error_code ec;
  fs::current_path(old_, ec);
}

}  // namespace hw_test
