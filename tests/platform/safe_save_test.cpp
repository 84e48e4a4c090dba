// The safe save: links written through, modes kept, old temporary names never written, nothing
// left behind by a save or a kill, and full disks that keep the old file. Every test runs with
// nameless temporary files (where the file system has them) and with named ones.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "common/small_disk.hpp"
#include "common/test_env.hpp"
#include "platform/classes.hpp"
#include "platform/graphics.hpp"
#include "platform/safe_save.hpp"
#include "platform/text_codec.hpp"

namespace {

using hw_test::file_text;

// Writes a file directly, without the safe save, with the given mode.
void put(const std::string& path, const std::string& text, mode_t mode = 0644) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ASSERT_EQ(::fchmod(fd, mode), 0);
  ::close(fd);
}

mode_t mode_of(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

bool is_link(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::vector<std::string> names_in(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

void age(const std::string& path, int seconds) {
  struct stat st {};
  ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
  timespec times[2] = {st.st_atim, st.st_mtim};
  times[0].tv_sec -= seconds;
  times[1].tv_sec -= seconds;
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// Runs `f` in a child process as the user nobody; gives its exit code, 1 when it threw.
int as_nobody(const std::function<int()>& f) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    try { ::_exit(f()); } catch (...) { ::_exit(1); }
  }
  int status = -1;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SafeSave : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override { safe_save_testing::named_only = GetParam(); }
  void TearDown() override {
    safe_save_testing::named_only = false;
    safe_save_testing::before_replace = nullptr;
    safe_save_testing::on_step = nullptr;
  }
  hw_test::ScratchDir dir;
};

}  // namespace

TEST_P(SafeSave, WritesThroughLinksAndKeepsTheMode) {
  put(dir.file("real.css"), "an older text, longer than the new one", 0600);
  ASSERT_EQ(::symlink("real.css", dir.file("link.css").c_str()), 0);
  ASSERT_EQ(::symlink(dir.file("link.css").c_str(), dir.file("chain.css").c_str()), 0);
  safe_save_file(dir.file("chain.css"), "new");
  EXPECT_TRUE(is_link(dir.file("chain.css")));
  EXPECT_TRUE(is_link(dir.file("link.css")));
  EXPECT_EQ(file_text(dir.file("real.css")), "new");
  EXPECT_EQ(mode_of(dir.file("real.css")), 0600u);
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"chain.css", "link.css", "real.css"}));
  // Relative links lead from their own folder, also through a link in another folder.
  for (const char* f : {"a", "b", "c"}) std::filesystem::create_directory(dir.file(f));
  ASSERT_EQ(::symlink("../b/hop", dir.file("a/start").c_str()) | ::symlink("../c/end", dir.file("b/hop").c_str()), 0);
  std::vector<std::string> steps;
  safe_save_testing::on_step = [&](const char* s) { steps.push_back(s); };
  safe_save_file(dir.file("a/start"), "far");
  EXPECT_EQ(file_text(dir.file("c/end")), "far");
  EXPECT_EQ(steps, (std::vector<std::string>{"fsync", "rename", "fsync folder"}));

  put(dir.file("shared.dat"), "old", 0604);
  TStringList lines;
  lines.Add("a");
  lines.SaveToFile(dir.file("shared.dat"));
  EXPECT_EQ(file_text(dir.file("shared.dat")), "a\r\n");
  EXPECT_EQ(mode_of(dir.file("shared.dat")), 0604u);
  put(dir.file("ro.dat"), "kept", 0444);  // without a write bit it stays, even for root
  EXPECT_THROW(safe_save_file(dir.file("ro.dat"), "lost"), EFCreateError);
  EXPECT_EQ(file_text(dir.file("ro.dat")), "kept");

  // New files, also at the end of a link that leads nowhere yet, get 0666 less the umask.
  mode_t old_mask = ::umask(027);
  std::filesystem::create_directory(dir.file("sub"));
  ASSERT_EQ(::symlink("sub/made.css", dir.file("dangling.css").c_str()), 0);
  safe_save_file(dir.file("dangling.css"), "x");
  safe_save_file(dir.file("plain.css"), "y");
  ::umask(old_mask);
  EXPECT_TRUE(is_link(dir.file("dangling.css")));
  EXPECT_EQ(file_text(dir.file("sub/made.css")), "x");
  EXPECT_EQ(mode_of(dir.file("sub/made.css")), 0640u);
  EXPECT_EQ(mode_of(dir.file("plain.css")), 0640u);

  // A folder is no file to replace; it stays. Nor is a FIFO, which is not read either: it would
  // hold the read for good.
  EXPECT_THROW(safe_save_file(dir.file("sub"), "z"), EFCreateError);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("sub")));
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  ::alarm(10);  // a read that waits ends the test
  EXPECT_THROW(read_file_bytes(dir.file("fifo")), EFOpenError);
  ::alarm(0);
}

TEST_P(SafeSave, KeepsToTheKernelsRulesForLinksAndFolders) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  // In a sticky, world-writable folder another user's link is neither written nor read through.
  std::filesystem::create_directory(dir.file("tmp"));
  put(dir.file("system.conf"), "root's");
  ASSERT_EQ(::chmod(dir.file("tmp").c_str(), 01777) | ::symlink("../system.conf", dir.file("tmp/h.dat").c_str()) |
                ::symlink("../made.dat", dir.file("tmp/d.dat").c_str()) | ::lchown(dir.file("tmp/h.dat").c_str(), 65534, 0) |
                ::lchown(dir.file("tmp/d.dat").c_str(), 65534, 0),
            0);
  EXPECT_THROW(safe_save_file(dir.file("tmp/h.dat"), "x"), EFCreateError);
  EXPECT_THROW(safe_save_file(dir.file("tmp/d.dat"), "x"), EFCreateError);
  EXPECT_THROW(read_file_bytes(dir.file("tmp/h.dat")), EFOpenError);
  // Nor is a link to a folder in the middle of the path, which the kernel here would follow.
  ASSERT_EQ(::symlink("..", dir.file("tmp/dl").c_str()) | ::lchown(dir.file("tmp/dl").c_str(), 65534, 0), 0);
  EXPECT_THROW(safe_save_file(dir.file("tmp/dl/system.conf"), "x"), EFCreateError);
  EXPECT_THROW(read_file_bytes(dir.file("tmp/dl/system.conf")), EFOpenError);
  EXPECT_EQ(file_text(dir.file("system.conf")), "root's");
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"system.conf", "tmp"}));
  // A folder that takes no new file: a file there that the user may write is overwritten in place
  // and synced, here through a link that the sticky folder's owner made.
  std::filesystem::create_directory(dir.file("ro"));
  put(dir.file("ro/h.dat"), "an old and longer text");
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755) | ::chown(dir.file("ro/h.dat").c_str(), 65534, 65534) |
                ::symlink("../ro/h.dat", dir.file("tmp/own").c_str()),
            0);
  EXPECT_EQ(as_nobody([&] {
              std::vector<std::string> steps;
              safe_save_testing::on_step = [&](const char* s) { steps.push_back(s); };
              safe_save_file(dir.file("tmp/own"), "new");
              return steps == std::vector<std::string>{"truncate", "fsync"} ? 0 : 3;
            }),
            0);
  EXPECT_EQ(file_text(dir.file("ro/h.dat")), "new");
  EXPECT_EQ(names_in(dir.file("ro")), std::vector<std::string>{"h.dat"});
}

TEST_P(SafeSave, NeverWritesIntoAnOldTemporaryName) {
  // A longer stale file at the old temporary name lends the new file none of its tail.
  put(dir.file("s.dat.~tmp"), "stale stale stale stale stale stale stale");
  safe_save_file(dir.file("s.dat"), "abc");
  EXPECT_EQ(file_text(dir.file("s.dat")), "abc");
  EXPECT_EQ(file_text(dir.file("s.dat.~tmp")), "stale stale stale stale stale stale stale");

  // A hard link and a symbolic link planted at the old temporary names: their file stays.
  put(dir.file("victim"), "precious");
  ASSERT_EQ(::link(dir.file("victim").c_str(), dir.file("h.dat.~tmp").c_str()), 0);
  put(dir.file("h.dat"), "an old text that is longer than the new one");
  safe_save_file(dir.file("h.dat"), "short");
  EXPECT_EQ(file_text(dir.file("h.dat")), "short");
  EXPECT_EQ(file_text(dir.file("victim")), "precious");
  ASSERT_EQ(::symlink(dir.file("victim").c_str(), dir.file("l.dat.~tmp").c_str()), 0);
  EXPECT_NO_THROW(safe_save_file(dir.file("l.dat"), "other"));
  EXPECT_EQ(file_text(dir.file("l.dat")), "other");
  EXPECT_FALSE(is_link(dir.file("l.dat")));
  EXPECT_EQ(file_text(dir.file("victim")), "precious");
}

TEST_P(SafeSave, NoTemporaryFileIsLeftBehindBySavesOrKills) {
  put(dir.file("k.dat"), "old");
  safe_save_file(dir.file("k.dat"), "one");
  const bool nameless = safe_save_testing::last_was_nameless;
  EXPECT_EQ(file_text(dir.file("k.dat")), "one");
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"k.dat"});
  EXPECT_THROW(safe_save_file(dir.file("no-folder/k.dat"), "x"), EFCreateError);

  // A save killed after writing, before the new file takes the old one's place.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    safe_save_testing::before_replace = [] { ::_exit(42); };
    try {
      safe_save_file(dir.file("k.dat"), "two, never in place");
    } catch (...) {
    }
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 42) << "the save never reached the point of replacing";
  EXPECT_EQ(file_text(dir.file("k.dat")), "one");
  std::vector<std::string> names = names_in(dir.path());
  std::string left;
  if (nameless) {
    EXPECT_EQ(names, std::vector<std::string>{"k.dat"});
    // Only a kill between the link and the rename leaves a name; as such a one:
    left = "k.dat.~tmp-Killed";
    put(dir.file(left), "two, never in place");
  } else {
    ASSERT_EQ(names.size(), 2u);
    left = names[0] == "k.dat" ? names[1] : names[0];
    EXPECT_EQ(left.rfind("k.dat.~tmp-", 0), 0u) << left;
  }
  // The killed save's file stays while it may still be in use...
  safe_save_file(dir.file("k.dat"), "three");
  EXPECT_TRUE(std::filesystem::exists(dir.file(left)));
  // ... and the next save removes it once it is older than an hour, and no file but ours.
  age(dir.file(left), 2 * 3600);
  put(dir.file("keeper"), "kept");
  ASSERT_EQ(::link(dir.file("keeper").c_str(), dir.file("k.dat.~tmp-Linked").c_str()), 0);
  put(dir.file("k.dat.~tmp"), "old style");
  put(dir.file("k.dat.~tmp-TooLong1"), "not our pattern");
  put(dir.file("other.dat.~tmp-Abc123"), "another file's");
  for (const char* n : {"k.dat.~tmp-Linked", "k.dat.~tmp", "k.dat.~tmp-TooLong1", "other.dat.~tmp-Abc123"})
    age(dir.file(n), 2 * 3600);
  safe_save_file(dir.file("k.dat"), "four");
  EXPECT_EQ(file_text(dir.file("k.dat")), "four");
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"k.dat", "k.dat.~tmp", "k.dat.~tmp-Linked",
                                                             "k.dat.~tmp-TooLong1", "keeper", "other.dat.~tmp-Abc123"}));
}

TEST_P(SafeSave, AFullDiskRaisesAndKeepsTheOldFile) {
  hw_test::SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system needs root";
  put(disk.file("f.dat"), "the old content", 0640);
  TBitmap old_picture;
  old_picture.SetSize(4, 4);
  old_picture.SaveToFile(disk.file("p.bmp"));
  const std::string old_bmp = file_text(disk.file("p.bmp"));
  ASSERT_FALSE(old_bmp.empty());
  ASSERT_GT(disk.fill(), 0);

  const std::string big(32768, 'n');
  try {
    safe_save_file(disk.file("f.dat"), big);
    ADD_FAILURE() << "a save to a full disk reported success";
  } catch (const EStreamError& e) {
    EXPECT_NE(e.Message().find("No space left on device"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find(disk.file("f.dat")), std::string::npos) << e.Message();
  }
  TBitmap picture;
  picture.SetSize(100, 100);
  EXPECT_THROW(picture.SaveToFile(disk.file("p.bmp")), EStreamError);
  EXPECT_THROW(picture.SaveToFile(disk.file("new.bmp")), EStreamError);
  EXPECT_EQ(file_text(disk.file("f.dat")), "the old content");
  EXPECT_EQ(mode_of(disk.file("f.dat")), 0640u);
  EXPECT_TRUE(file_text(disk.file("p.bmp")) == old_bmp) << "the old picture changed";
  EXPECT_EQ(disk.names(), (std::vector<std::string>{"f.dat", "filler", "p.bmp"}));

  // With room again the same save goes through.
  std::filesystem::remove(disk.file("filler"));
  safe_save_file(disk.file("f.dat"), big);
  EXPECT_EQ(file_text(disk.file("f.dat")), big);
  EXPECT_EQ(mode_of(disk.file("f.dat")), 0640u);

  // Where the folder takes no new file, the overwrite in place first takes its room; without it
  // the old file stays whole.
  put(disk.file("f.dat"), std::string(16384, 'o'), 0644);
  ASSERT_EQ(::chown(disk.file("f.dat").c_str(), 65534, 65534) | ::chmod(disk.path().c_str(), 0755), 0);
  ASSERT_GT(disk.fill(4096), 0);
  EXPECT_EQ(as_nobody([&] { return safe_save_file(disk.file("f.dat"), std::string(40000, 'n')), 0; }), 1);
  EXPECT_TRUE(file_text(disk.file("f.dat")) == std::string(16384, 'o')) << "the old file changed";
}

INSTANTIATE_TEST_SUITE_P(TemporaryFiles, SafeSave, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Named" : "Nameless"; });
