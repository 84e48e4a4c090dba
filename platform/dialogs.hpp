// The file dialogs as components: their settings are properties, Execute runs the dialog through
// the platform's dialog handler (which tests replace with a recorder).
#pragma once

#include <string>

#include "platform/controls.hpp"

class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  std::string ClassName() const override { return "TOpenDialog"; }

  // "Description|*.png;*.jpg|Description|*.bmp"
  const std::string& Filter() const { return filter_; }
  void SetFilter(std::string v) { filter_ = std::move(v); }
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string v) { file_name_ = std::move(v); }
  const std::string& InitialDir() const { return initial_dir_; }
  void SetInitialDir(std::string v) { initial_dir_ = std::move(v); }
  const std::string& Title() const { return title_; }
  void SetTitle(std::string v) { title_ = std::move(v); }

  // Shows the dialog; true when a file was chosen, whose full name is then FileName. A cancelled
  // dialog keeps FileName as it was.
  bool Execute();

private:
  std::string filter_;
  std::string file_name_;
  std::string initial_dir_;
  std::string title_;
};

// The open dialog for pictures.
class TOpenPictureDialog : public TOpenDialog {
public:
  explicit TOpenPictureDialog(TComponent* owner) : TOpenDialog(owner) {}
  std::string ClassName() const override { return "TOpenPictureDialog"; }
};
