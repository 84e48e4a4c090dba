// The one way the program and its library replace a file. Everything is written to a temporary
// file in the target's folder, which is synced and then renamed over the target; the folder is
// synced after. Until then, and whenever anything fails, the old file stays as it was.
//
// - A symbolic link is written through: the file it leads to is replaced, the link stays. The
//   path is walked one part at a time, each folder opened as itself (never through a link), and
//   every link on the way, in the middle of the path or at its end, is followed only by the
//   kernel's own rule for sticky, world-writable folders: there only when it is this user's or
//   the folder owner's. The file is then saved in the folder so found, whatever is renamed or
//   swapped on the way meanwhile.
// - A file that this user could not open for writing, or that has no write bit at all, is never
//   replaced.
// - Where the folder takes no new file but the target exists and may be written, the target is
//   overwritten in place at the commit: room for the new length is reserved first (a disk too
//   full for it, or a file system that cannot reserve, leaves the old file whole and reports
//   the error), then the file is written, cut to the new length and synced. A kill or a power
//   loss during that write cannot be made safe in place: the file is then part new, part old.
// - Only regular files are opened; a FIFO or a device put at the name is refused, never waited on.
// - The target's mode is kept (and its owner, where this process may set it); a new file gets
//   0666 less the umask.
// - The temporary file has no name while it is written (O_TMPFILE) where the file system allows,
//   so no kill leaves it behind; it gets a name of its own only for the rename. Elsewhere it is
//   created exclusively under a fresh name "<name>.~tmp-XXXXXX", never following a link; such
//   files of ours older than an hour, left by a killed save, are removed by the next save of the
//   same name. No existing file is opened for writing but a target overwritten in place.
// - Every write, sync, link and rename error raises EWriteError "Cannot write file \"%s\". %s";
//   a temporary file that cannot be made raises EFCreateError "Cannot create file \"%s\". %s".
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "platform/classes.hpp"

struct stat;

// Walks `name` one part at a time and follows its symbolic links (to at most 40) as the kernel
// would, refusing any link in a sticky, world-writable folder that neither this user nor the
// folder's owner owns. Gives the folder reached, as a descriptor (O_PATH) that the caller closes,
// the file's name in it, which need not exist, and its status when it does; returns 0 or an
// error code (the folder is then -1).
int follow_links(const std::string& name, int& folder, std::string& base, struct stat& st, bool& exists);
// Opens an existing regular file for reading with the links followed as above; -1 with errno set
// when it cannot (a FIFO or a device is refused, not waited on).
int open_for_reading(const std::string& name);

class TSafeSave {
public:
  explicit TSafeSave(const std::string& name);
  // Abandons a save that was not committed: the temporary file goes, the old file stays.
  ~TSafeSave();
  TSafeSave(const TSafeSave&) = delete;
  TSafeSave& operator=(const TSafeSave&) = delete;

  // Appends to the temporary file at its current offset. A failed write is remembered: Commit
  // refuses the file even when the caller carried on.
  void Write(const void* data, std::size_t size);
  // Syncs the temporary file, puts it in place of the target and syncs the folder.
  void Commit();

  const std::string& FileName() const { return name_; }
  // The temporary file, open for reading and writing.
  int Handle() const { return fd_; }

private:
  int create_named(int mode);  // 0 or the reason
  void open_in_place(const struct stat& st, int refused);
  void commit_in_place();
  void give_name();
  [[noreturn]] void fail(int error);

  std::string name_;    // as the caller gave it
  std::string base_;    // the file replaced, within its folder
  std::string temp_;    // the temporary file's name in the folder, once it has one
  int dir_ = -1;
  int fd_ = -1;
  int in_place_ = -1;  // the target, when it is overwritten in place
  int error_ = 0;  // the first write error
  bool committed_ = false;
};

// A stream over a safe save: it reads, writes, seeks and cuts the temporary file, and Commit puts
// the file in place. A write that fails raises EWriteError with the reason and is remembered, so
// that Commit refuses the file even when a caller swallowed the error. Destroyed without a
// commit, the stream leaves the old file as it was.
class TSafeFileStream : public TStream {
public:
  explicit TSafeFileStream(const std::string& name) : save_(name) {}
  std::string ClassName() const override { return "TSafeFileStream"; }
  Int64 Read(void* buffer, Int64 count) override;
  Int64 Write(const void* buffer, Int64 count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 size) override;
  void Commit();
  const std::string& FileName() const { return save_.FileName(); }

private:
  TSafeSave save_;
  int error_ = 0;  // a failed cut
};

// Replaces a whole file with `bytes` through a TSafeSave.
void safe_save_file(const std::string& name, std::string_view bytes);

// Test hooks: not for the program's own use.
namespace safe_save_testing {
// Skips the nameless temporary file, as on a file system without one.
extern std::atomic<bool> named_only;
// Called after each step of a commit succeeds: "fsync", "rename", "fsync folder" and, in place,
// "truncate" and "fsync".
extern std::function<void(const char*)> on_step;
// Called once the data is written and synced, just before the temporary file gets a name
// (nameless files) or replaces the target (named ones).
extern std::function<void()> before_replace;
// When not 0, every write to a temporary file fails with this error code, as on a full disk.
extern std::atomic<int> write_error;
// Whether the last save began with a nameless temporary file.
extern std::atomic<bool> last_was_nameless;
}  // namespace safe_save_testing
