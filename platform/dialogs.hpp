// The common dialogs as components (open file, open picture, font, colour): their settings are
// properties, Execute runs the dialog through the platform's dialog handler (which tests replace
// with a recorder) and returns whether the user confirmed it.
#pragma once

#include <string>

#include "platform/controls.hpp"
#include "platform/services.hpp"
#include "platform/font.hpp"

class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  std::string ClassName() const override { return "TOpenDialog"; }

  const std::string& Title() const { return title_; }
  void SetTitle(std::string v) { title_ = std::move(v); }
  // The file proposed when the dialog opens; after Execute, the file chosen.
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string v) { file_name_ = std::move(v); }
  // "Description|*.png;*.jpg|Description|*.bmp|..."
  const std::string& Filter() const { return filter_; }
  void SetFilter(std::string v) { filter_ = std::move(v); }
  const std::string& InitialDir() const { return initial_dir_; }
  void SetInitialDir(std::string v) { initial_dir_ = std::move(v); }
  const std::string& DefaultExt() const { return default_ext_; }
  void SetDefaultExt(std::string v) { default_ext_ = std::move(v); }

  // Shows the dialog; true when the user chose a file, which FileName then names. A cancel
  // leaves FileName as it was.
  bool Execute();

protected:
  virtual DialogKind Kind() const { return DialogKind::OpenFile; }

private:
  std::string title_, file_name_, filter_, initial_dir_, default_ext_;
};

class TSaveDialog : public TOpenDialog {
public:
  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
  std::string ClassName() const override { return "TSaveDialog"; }

protected:
  DialogKind Kind() const override { return DialogKind::SaveFile; }
};

class TOpenPictureDialog : public TOpenDialog {
public:
  explicit TOpenPictureDialog(TComponent* owner) : TOpenDialog(owner) {}
  std::string ClassName() const override { return "TOpenPictureDialog"; }
};

class TSavePictureDialog : public TSaveDialog {
public:
  explicit TSavePictureDialog(TComponent* owner) : TSaveDialog(owner) {}
  std::string ClassName() const override { return "TSavePictureDialog"; }
};

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
