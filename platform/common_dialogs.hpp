// The common dialogs as components: the font dialog, the colour dialog and the open-picture
// dialog. Execute runs the dialog through the dialog handler of platform/services.hpp (which
// tests replace with a recorder) and returns whether the user confirmed it.
#pragma once

#include <string>

#include "platform/controls.hpp"
#include "platform/font.hpp"

class TFontDialog : public TComponent {
public:
  explicit TFontDialog(TComponent* owner) : TComponent(owner) {}
  std::string ClassName() const override { return "TFontDialog"; }

  // The font the dialog starts with and, once confirmed, the chosen one.
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  bool Execute();

private:
  TFont font_;
};

class TColorDialog : public TComponent {
public:
  explicit TColorDialog(TComponent* owner) : TComponent(owner) {}
  std::string ClassName() const override { return "TColorDialog"; }

  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }
  bool Execute();

private:
  TColor color_ = clBlack;
};

class TOpenPictureDialog : public TComponent {
public:
  explicit TOpenPictureDialog(TComponent* owner) : TComponent(owner) {}
  std::string ClassName() const override { return "TOpenPictureDialog"; }

  // Description and pattern pairs joined by "|".
  const std::string& Filter() const { return filter_; }
  void SetFilter(std::string f) { filter_ = std::move(f); }
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string f) { file_name_ = std::move(f); }
  const std::string& InitialDir() const { return initial_dir_; }
  void SetInitialDir(std::string d) { initial_dir_ = std::move(d); }
  const std::string& Title() const { return title_; }
  void SetTitle(std::string t) { title_ = std::move(t); }
  bool Execute();

private:
  std::string filter_;
  std::string file_name_;
  std::string initial_dir_;
  std::string title_;
};
