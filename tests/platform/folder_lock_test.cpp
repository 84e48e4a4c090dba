#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/test_env.hpp"
#include "platform/folder_lock.hpp"

TEST(FolderLock, OneHolderPerFolderUntilItLetsGo) {
  hw_test::ScratchDir a, b;
  ASSERT_EQ(chmod(a.path().c_str(), 0555), 0);  // a read-only folder can be locked too
  {
    TFolderLock first(a.path());
    EXPECT_EQ(first.state(), TFolderLock::State::Held);
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
