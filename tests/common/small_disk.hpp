// A 64 KiB file system of its own for tests of full disks: a tmpfs mounted on a scratch folder
// (root only), filled on request, unmounted with the object.
#pragma once

#include <string>
#include <vector>

#include "common/test_env.hpp"

namespace hw_test {

class SmallDisk {
public:
  SmallDisk();
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  // False when this process may not mount (not root, or no tmpfs): the test should skip.
  bool mounted() const { return mounted_; }
  const std::string& path() const { return dir_.path(); }
  std::string file(const std::string& name) const { return dir_.file(name); }
  // Writes a filler file until the disk has no room left, then gives `room` bytes back; returns
  // the filler's size.
  long fill(long room = 0);
  // The names in the folder, sorted.
  std::vector<std::string> names() const;

private:
  ScratchDir dir_;
  bool mounted_ = false;
};

// The whole content of a file ("" when it cannot be read).
std::string file_text(const std::string& path);

}  // namespace hw_test
