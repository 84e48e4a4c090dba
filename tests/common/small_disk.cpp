#include "common/small_disk.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <unistd.h>

namespace hw_test {

SmallDisk::SmallDisk() {
  if (::geteuid() != 0) return;
  mounted_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700") == 0;
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
}

long SmallDisk::fill(long room) {
  int fd = ::open(file("filler").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  char block[512] = {};
  long total = 0;
  for (;;) {
    ssize_t n = ::write(fd, block, sizeof block);
    if (n <= 0) break;
    total += n;
  }
  for (;;) {  // the last bytes of a partly used page
    ssize_t n = ::write(fd, block, 1);
    if (n <= 0) break;
    total += n;
  }
  if (room > 0) {
    total = total > room ? total - room : 0;
    if (::ftruncate(fd, total) != 0) total = -1;
  }
  ::close(fd);
  return total;
}

std::vector<std::string> SmallDisk::names() const {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(path())) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace hw_test
