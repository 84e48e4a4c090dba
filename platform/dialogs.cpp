#include "platform/dialogs.hpp"

#include "platform/services.hpp"

bool TOpenDialog::Execute() {
  DialogRequest request;
  request.kind = DialogKind::OpenFile;
  request.text = title_;
  request.filter = filter_;
  request.initial_dir = initial_dir_;
  request.file_name = file_name_;
  const DialogAnswer answer = RunDialog(request);
  if (answer.result != IDOK || answer.file_name.empty()) return false;
  file_name_ = answer.file_name;
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
