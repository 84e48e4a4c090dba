#include "platform/child_run.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

TSharedRoom::TSharedRoom(std::size_t bytes) {
  if (bytes == 0) return;
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return;
  data_ = p;
  size_ = bytes;
}

TSharedRoom::~TSharedRoom() {
  if (data_ != nullptr) munmap(data_, size_);
}

namespace {

// Bytes of address space this process has mapped (0 when unknown).
std::size_t mapped_bytes() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return 0;
  unsigned long pages = 0;
  const int read = std::fscanf(f, "%lu", &pages);
  std::fclose(f);
  return read == 1 ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace

bool RunInChild(const std::function<bool()>& work, std::size_t memory_bytes, int milliseconds) {
  if (milliseconds <= 0) return false;
  const std::size_t mapped = mapped_bytes();
  if (mapped == 0) return false;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const rlim_t memory = static_cast<rlim_t>(mapped + memory_bytes);
    const rlimit as{memory, memory};
    // Processor time counted from the fork: what the parent used before is not the child's.
    rusage used{};
    getrusage(RUSAGE_SELF, &used);
    const rlim_t seconds = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                           static_cast<rlim_t>(milliseconds + 999) / 1000 + 1;
    const rlimit cpu{seconds, seconds};
    bool done = false;
    if (setrlimit(RLIMIT_AS, &as) == 0 && setrlimit(RLIMIT_CPU, &cpu) == 0) {
      try {
        done = work();
      } catch (...) {
        done = false;
      }
    }
    _exit(done ? 0 : 1);
  }
  // The parent waits on the child's descriptor within the time left, then ends it.
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  int status = 0;
  bool ended = false;  // by itself, with `status`
  for (;;) {
    const pid_t waited = waitpid(pid, &status, WNOHANG);
    if (waited == pid) {
      ended = true;
      break;
    }
    if (waited < 0 && errno != EINTR) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    if (pidfd >= 0) {
      pollfd wait{pidfd, POLLIN, 0};
      poll(&wait, 1, static_cast<int>(std::min<long long>(left, 100)));
    } else {
      usleep(1000);
    }
  }
  if (pidfd >= 0) close(pidfd);
  return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
