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
