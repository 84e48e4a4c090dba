#include "platform/safe_save.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/sysutils.hpp"

namespace safe_save_testing {
std::atomic<bool> named_only{false};
std::function<void(const char*)> on_step;
std::function<void()> before_replace;
std::atomic<bool> last_was_nameless{false};
std::atomic<int> write_error{0};
}  // namespace safe_save_testing

namespace {

constexpr int kMaxLinks = 40;         // as the kernel's own limit on links followed
constexpr time_t kStaleAfter = 3600;  // seconds
constexpr char kTempMark[] = ".~tmp-";
constexpr std::size_t kRandomLength = 6;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

void step(const char* what) {
  if (safe_save_testing::on_step) safe_save_testing::on_step(what);
}

[[noreturn]] void raise_create(const std::string& name, int error) {
  throw EFCreateError(Format("Cannot create file \"%s\". %s", {name, SysErrorMessage(error)}));
}

[[noreturn]] void raise_write(const std::string& name, int error) {
  throw EWriteError(Format("Cannot write file \"%s\". %s", {name, SysErrorMessage(error)}));
}

// Puts the parts of `path` on the stack of parts still to walk, its first part on top. Empty
// parts go; a path that ends in a slash, or has no part at all ("/"), ends in ".", which
// names a folder.
void push_parts(const std::string& path, std::vector<std::string>& parts) {
  std::vector<std::string> mine;
  for (std::size_t at = 0; at < path.size();) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    if (slash > at) mine.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  if (path.empty() || path.back() == '/') mine.push_back(".");
  parts.insert(parts.end(), mine.rbegin(), mine.rend());
}

// The kernel's protection for links in sticky, world-writable folders (such as /tmp): a link
// there is followed only when it belongs to this user or to the folder's owner. We resolve links
// ourselves, so the rule is ours to apply, or another user's link would lead our writes anywhere.
bool may_follow_link(const struct stat& folder, const struct stat& link) {
  if ((folder.st_mode & S_ISVTX) == 0 || (folder.st_mode & S_IWOTH) == 0) return true;
  return link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

int root_folder() { return ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC); }

// Opens an existing file in `folder` without following a link and without waiting (a FIFO put
// there would hold the open until someone writes or reads it), and only when it is a regular
// file; -1 with errno set otherwise.
int open_regular(int folder, const std::string& base, int flags) {
  int fd = ::openat(folder, base.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  int error = ::fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? (S_ISDIR(st.st_mode) ? EISDIR : EINVAL) : 0;
  const int flags_now = error == 0 ? ::fcntl(fd, F_GETFL) : 0;
  if (error == 0 && (flags_now < 0 || ::fcntl(fd, F_SETFL, flags_now & ~O_NONBLOCK) != 0)) error = errno;
  if (error != 0) {
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

}  // namespace

int follow_links(const std::string& name, int& folder, std::string& base, struct stat& st, bool& exists) {
  folder = -1;
  if (name.empty()) return ENOENT;
  std::vector<std::string> parts;  // what is left to walk, the next part last
  push_parts(name, parts);
  int dir = name[0] == '/' ? root_folder() : ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return errno;
  auto fail = [&dir](int error) {
    ::close(dir);
    return error;
  };
  for (int links = 0;;) {
    const std::string part = std::move(parts.back());
    parts.pop_back();
    const bool last = parts.empty();
    // Each folder on the way is opened as itself, never through a link; a link is followed only
    // below, by the rule.
    int fd = ::openat(dir, part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC | (last ? 0 : O_DIRECTORY));
    if (fd < 0 && errno == ENOTDIR && !last) fd = ::openat(dir, part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && last) {
      exists = false;
      folder = dir;
      base = part;
      return 0;
    }
    if (fd < 0) return fail(errno);
    struct stat here {};
    if (::fstat(fd, &st) != 0 || (S_ISLNK(st.st_mode) && ::fstat(dir, &here) != 0)) {
      const int error = errno;
      ::close(fd);
      return fail(error);
    }
    if (S_ISLNK(st.st_mode)) {
      int error = ++links > kMaxLinks ? ELOOP : may_follow_link(here, st) ? 0 : EACCES;
      std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
      const ssize_t n = error == 0 ? ::readlinkat(fd, "", link.data(), link.size()) : -1;
      if (n < 0 && error == 0) error = errno;
      ::close(fd);
      if (error == 0 && static_cast<std::size_t>(n) >= link.size()) error = ENAMETOOLONG;  // grew meanwhile
      if (error == 0 && n == 0) error = ENOENT;
      if (error != 0) return fail(error);
      link.resize(static_cast<std::size_t>(n));
      if (link[0] == '/') {
        ::close(dir);
        if ((dir = root_folder()) < 0) return errno;
      }
      push_parts(link, parts);
      continue;
    }
    if (last || !S_ISDIR(st.st_mode)) {
      ::close(fd);
      if (!last) return fail(ENOTDIR);
      exists = true;
      folder = dir;
      base = part;
      return 0;
    }
    ::close(dir);
    dir = fd;
  }
}

int open_for_reading(const std::string& name) {
  int folder = -1;
  std::string base;
  struct stat st {};
  bool exists = false;
  int error = follow_links(name, folder, base, st, exists);
  if (error == 0 && !exists) error = ENOENT;
  if (error == 0 && !S_ISREG(st.st_mode)) error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  // A link or a FIFO put in place of the file since it was looked at is not opened.
  const int fd = error == 0 ? open_regular(folder, base, O_RDONLY) : -1;
  if (fd < 0 && error == 0) error = errno;
  if (folder >= 0) ::close(folder);
  errno = error;
  return fd;
}

namespace {

// The stem of our temporary names for a file: its name, cut so that the whole temporary name
// stays within the file system's limit, and the mark.
std::string temp_stem(const std::string& base) {
  constexpr std::size_t room = NAME_MAX - kRandomLength - sizeof kTempMark;
  return (base.size() > room ? base.substr(0, room) : base) + kTempMark;
}

std::string random_suffix() {
  unsigned char bytes[kRandomLength];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // No entropy yet: the clock and the process mixed still give distinct names; O_EXCL keeps
    // any clash harmless.
    auto now = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    now ^= static_cast<unsigned long long>(::getpid()) << 32;
    for (auto& b : bytes) {
      now = now * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<unsigned char>(now >> 56);
    }
  }
  std::string s;
  for (unsigned char b : bytes) s += kAlphabet[b % (sizeof kAlphabet - 1)];
  return s;
}

bool is_our_temp_name(const std::string& entry, const std::string& stem) {
  if (entry.size() != stem.size() + kRandomLength || entry.compare(0, stem.size(), stem) != 0) return false;
  for (std::size_t i = stem.size(); i < entry.size(); ++i) {
    char c = entry[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// Removes the temporary files that killed saves of this name left in the folder: only names of
// our pattern, only plain files of this user with no other link, only those older than an hour.
void remove_stale_temps(int dir, const std::string& stem) {
  int fd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) {
    ::close(fd);
    return;
  }
  const time_t now = std::time(nullptr);
  const uid_t me = ::geteuid();
  while (dirent* e = ::readdir(d)) {
    std::string entry = e->d_name;
    if (!is_our_temp_name(entry, stem)) continue;
    struct stat st;
    if (::fstatat(dir, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != me || st.st_nlink != 1) continue;
    if (now - st.st_mtime <= kStaleAfter) continue;
    ::unlinkat(dir, entry.c_str(), 0);
  }
  ::closedir(d);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TSafeSave
// ---------------------------------------------------------------------------------------------
TSafeSave::TSafeSave(const std::string& name) : name_(name) {
  struct stat st {};
  bool exists = false;
  int folder = -1;
  if (int error = follow_links(name, folder, base_, st, exists); error != 0) raise_create(name, error);
  // The folder is kept open as found: the save happens in it, whatever is renamed meanwhile.
  dir_ = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int open_error = errno;
  ::close(folder);
  if (dir_ < 0) raise_create(name, open_error);
  auto refuse = [&](int error) {
    ::close(dir_);
    dir_ = -1;
    raise_create(name, error);
  };
  if (exists && !S_ISREG(st.st_mode)) refuse(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  // A read-only file is not replaced, as an overwrite would fail on it: the rename needs only the
  // folder's permission. A file without any write bit counts as read-only for root as well.
  if (exists && (st.st_mode & 0222) == 0) refuse(EACCES);
  if (exists && ::faccessat(dir_, base_.c_str(), W_OK, AT_EACCESS) != 0) refuse(errno);
  if (base_ == "." || base_ == "..") refuse(EISDIR);

  // A kill leaves a named temporary file behind, in either way (a nameless one gets its name
  // just before the rename).
  remove_stale_temps(dir_, temp_stem(base_));
  try {
    // A new file gets 0666 less the umask from the system; an old one's mode is set below.
    const int mode = exists ? 0600 : 0666;
    safe_save_testing::last_was_nameless = false;
    if (!safe_save_testing::named_only) {
      fd_ = ::openat(dir_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
      safe_save_testing::last_was_nameless = fd_ >= 0;
    }
    if (fd_ < 0) {
      const int refused = create_named(mode);
      // A folder that takes no new file, with a file there that we may write: the file is
      // overwritten in place at the commit, rather than losing what is saved.
      if (refused != 0 && exists && (refused == EACCES || refused == EPERM)) open_in_place(st, refused);
      else if (refused != 0) raise_create(name, refused);
    }
    if (exists && in_place_ < 0) {
      // The owner first: changing it may clear the set-id bits that the mode then restores.
      if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) (void)::fchown(fd_, st.st_uid, st.st_gid);
      if (::fchmod(fd_, st.st_mode & 07777) != 0) raise_create(name, errno);
    }
  } catch (...) {
    if (fd_ >= 0) ::close(fd_);
    if (in_place_ >= 0) ::close(in_place_);
    if (!temp_.empty()) ::unlinkat(dir_, temp_.c_str(), 0);
    ::close(dir_);
    throw;
  }
}

// The target itself is opened for the overwrite (never through a link, nor a FIFO, put there
// meanwhile); the new content is gathered in memory until the commit, so that a save abandoned
// before it leaves the file as it was.
void TSafeSave::open_in_place(const struct stat& st, int refused) {
  in_place_ = open_regular(dir_, base_, O_WRONLY);
  struct stat now {};
  if (in_place_ < 0 || ::fstat(in_place_, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino)
    raise_create(name_, refused);
  fd_ = ::memfd_create("save", MFD_CLOEXEC);
  if (fd_ < 0) raise_create(name_, errno);
}

TSafeSave::~TSafeSave() {
  if (!committed_ && !temp_.empty()) ::unlinkat(dir_, temp_.c_str(), 0);
  if (fd_ >= 0) ::close(fd_);
  if (in_place_ >= 0) ::close(in_place_);
  if (dir_ >= 0) ::close(dir_);
}

int TSafeSave::create_named(int mode) {
  const std::string stem = temp_stem(base_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = stem + random_suffix();
    fd_ = ::openat(dir_, candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd_ >= 0) {
      temp_ = candidate;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

void TSafeSave::fail(int error) {
  if (!temp_.empty()) {
    ::unlinkat(dir_, temp_.c_str(), 0);
    temp_.clear();
  }
  raise_write(name_, error);
}

void TSafeSave::Write(const void* data, std::size_t size) {
  if (committed_) raise_write(name_, EBADF);
  if (error_ != 0) raise_write(name_, error_);
  const char* p = static_cast<const char*>(data);
  if (size > 0 && safe_save_testing::write_error != 0) {
    error_ = safe_save_testing::write_error.load();
    raise_write(name_, error_);
  }
  while (size > 0) {
    ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : ENOSPC;
      raise_write(name_, error_);
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

// Links the nameless temporary file into the folder under a fresh name of our pattern.
void TSafeSave::give_name() {
  const std::string stem = temp_stem(base_);
  char proc[64];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = stem + random_suffix();
    int r = ::linkat(AT_FDCWD, proc, dir_, candidate.c_str(), AT_SYMLINK_FOLLOW);
    if (r != 0 && errno == ENOENT) r = ::linkat(fd_, "", dir_, candidate.c_str(), AT_EMPTY_PATH);  // no /proc
    if (r == 0) {
      temp_ = candidate;
      return;
    }
    if (errno != EEXIST) fail(errno);
  }
  fail(EEXIST);
}

void TSafeSave::Commit() {
  if (committed_) return;
  if (error_ != 0) fail(error_);
  if (in_place_ >= 0) {
    commit_in_place();
    return;
  }
  if (::fsync(fd_) != 0) fail(errno);
  step("fsync");
  if (safe_save_testing::before_replace) safe_save_testing::before_replace();
  if (temp_.empty()) give_name();
  if (::renameat(dir_, temp_.c_str(), dir_, base_.c_str()) != 0) fail(errno);
  step("rename");
  // The file is in place from here on; what is left to fail is its durability, reported all the
  // same.
  committed_ = true;
  temp_.clear();
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) raise_write(name_, errno);
  // A folder that cannot be synced at all (EINVAL: some network and virtual file systems) is no
  // write error; any other failure is.
  if (::fsync(dir_) != 0 && errno != EINVAL) raise_write(name_, errno);
  step("fsync folder");
}

// Writes the gathered content over the target from its start, cuts it to the new length and
// syncs it.
void TSafeSave::commit_in_place() {
  const off_t length = ::lseek(fd_, 0, SEEK_END);
  if (length < 0) raise_write(name_, errno);
  if (safe_save_testing::before_replace) safe_save_testing::before_replace();
  // Room for the whole new content is taken before a byte of the old is overwritten, so that a
  // full disk leaves the old file whole. The system call itself, not posix_fallocate: where the
  // file system cannot reserve, that one writes into the file block by block instead, and can
  // fill the disk half way. There (EOPNOTSUPP) the file is not overwritten and the error is
  // reported: nothing short of a reservation keeps the old file safe.
  int reserved = 0;
  while (length > 0 && (reserved = ::fallocate(in_place_, FALLOC_FL_KEEP_SIZE, 0, length)) != 0 && errno == EINTR) {
  }
  if (reserved != 0) raise_write(name_, errno);
  committed_ = true;
  char buf[65536];
  for (off_t at = 0; at < length;) {
    ssize_t n = ::pread(fd_, buf, static_cast<std::size_t>(std::min<off_t>(length - at, sizeof buf)), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) raise_write(name_, n < 0 ? errno : EIO);
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::pwrite(in_place_, buf + done, static_cast<std::size_t>(n - done), at + done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) raise_write(name_, w < 0 ? errno : ENOSPC);
      done += w;
    }
    at += n;
  }
  if (::ftruncate(in_place_, length) != 0) raise_write(name_, errno);
  step("truncate");
  if (::fsync(in_place_) != 0) raise_write(name_, errno);
  step("fsync");
}

// ---------------------------------------------------------------------------------------------
// TSafeFileStream
// ---------------------------------------------------------------------------------------------
Int64 TSafeFileStream::Read(void* buffer, Int64 count) {
  Int64 done = 0;
  while (done < count) {
    ssize_t n = ::read(save_.Handle(), static_cast<char*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

Int64 TSafeFileStream::Write(const void* buffer, Int64 count) {
  if (count <= 0) return 0;
  save_.Write(buffer, static_cast<std::size_t>(count));
  return count;
}

Int64 TSafeFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(save_.Handle(), static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError("Invalid stream seek");
  return r;
}

void TSafeFileStream::SetSize(Int64 size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  if (::ftruncate(save_.Handle(), static_cast<off_t>(size)) != 0) {
    if (error_ == 0) error_ = errno;
    raise_write(save_.FileName(), error_);
  }
  if (Position() > size) SetPosition(size);
}

void TSafeFileStream::Commit() {
  if (error_ != 0) raise_write(save_.FileName(), error_);
  save_.Commit();
}

// ---------------------------------------------------------------------------------------------
void safe_save_file(const std::string& name, std::string_view bytes) {
  TSafeSave save(name);
  save.Write(bytes.data(), bytes.size());
  save.Commit();
}
