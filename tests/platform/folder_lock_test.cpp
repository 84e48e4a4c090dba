#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>

#include "common/test_env.hpp"
#include "platform/folder_lock.hpp"

TEST(FolderLock, OneHolderPerFolderUntilItLetsGo) {
  hw_test::ScratchDir a, b;
  std::error_code ec;
  ASSERT_EQ(chmod(a.path().c_str(), 0555), 0);  // a read-only folder can be locked too
  {
    TFolderLock first(a.path());
    EXPECT_EQ(first.state(), TFolderLock::State::Held);
    int lock_fds = 0;  // its descriptor is not handed on to programs started from here
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
      if (std::filesystem::read_symlink(e.path(), ec) == a.path() && ++lock_fds)
        EXPECT_NE(fcntl(std::stoi(e.path().filename().string()), F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(lock_fds, 1);
    TFolderLock second(a.path());
    EXPECT_EQ(second.state(), TFolderLock::State::InUse);
    TFolderLock other(b.path());
    EXPECT_EQ(other.state(), TFolderLock::State::Held);
  }
  TFolderLock again(a.path());
  EXPECT_EQ(again.state(), TFolderLock::State::Held);
  TFolderLock missing(a.file("no such folder"));
  EXPECT_EQ(missing.state(), TFolderLock::State::Unavailable);
  chmod(a.path().c_str(), 0700);
}
