#include "platform/folder_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

TFolderLock::TFolderLock(const std::string& folder) {
  // Closed on exec: a program started from here (a web browser) must not inherit the lock.
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  int rc;
  do {
    rc = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    state_ = State::Held;
    return;
  }
  state_ = errno == EWOULDBLOCK ? State::InUse : State::Unavailable;
  ::close(fd_);
  fd_ = -1;
}

TFolderLock::~TFolderLock() {
  if (fd_ >= 0) ::close(fd_);
}
