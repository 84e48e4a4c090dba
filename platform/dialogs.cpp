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
