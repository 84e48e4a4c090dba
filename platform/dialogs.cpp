#include "platform/dialogs.hpp"

bool TOpenDialog::Execute() {
  DialogRequest r;
  r.kind = Kind();
  r.text = title_;
  r.filter = filter_;
  r.initial_dir = initial_dir_;
  r.file_name = file_name_;
  r.default_ext = default_ext_;
  DialogAnswer a = RunDialog(r);
  if (a.result != IDOK || a.file_name.empty()) return false;
  file_name_ = a.file_name;
  return true;
}

bool TFontDialog::Execute() {
  DialogRequest r;
  r.kind = DialogKind::Font;
  r.text = "Font";
  r.font = DialogFont{font_.Name(), font_.Size(), font_.Style(), font_.Color()};
  DialogAnswer a = RunDialog(r);
  if (a.result != IDOK) return false;
  if (!a.font.name.empty()) font_.SetName(a.font.name);
  if (a.font.size > 0) font_.SetSize(a.font.size);
  font_.SetStyle(a.font.style & (fsBold | fsItalic | fsUnderline | fsStrikeOut));
  font_.SetColor(a.font.color);
  return true;
}

bool TColorDialog::Execute() {
  DialogRequest r;
  r.kind = DialogKind::Color;
  r.text = "Color";
  r.color = color_;
  DialogAnswer a = RunDialog(r);
  if (a.result != IDOK) return false;
  color_ = a.color;
  return true;
}
