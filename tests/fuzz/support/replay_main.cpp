// The replay of a fuzz harness in the ordinary build: every input file named (folders are read
// whole, in name order) runs through the harness in a child process of its own, under a memory
// limit (RLIMIT_AS) and a time limit, so that an input that crashes, allocates without bound or
// hangs fails the replay instead of taking the machine.
//
//   replay_<harness> [--timeout=SECONDS] [--memory-mb=MB] FILE_OR_FOLDER...
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/support/fuzz_env.hpp"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs one input in a child; returns an empty text when it passed, else what went wrong.
std::string run_one(const fs::path& file, unsigned timeout_s, unsigned long long memory_mb, double& seconds) {
  const std::vector<std::uint8_t> bytes = read_bytes(file);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    const rlimit limit{memory_mb << 20, memory_mb << 20};
    setrlimit(RLIMIT_AS, &limit);
    int argc = 1;
    char name[] = "replay";
    char* args[] = {name, nullptr};
    char** argv = args;
    LLVMFuzzerInitialize(&argc, &argv);
    // The time limit counts the input only, not the program's start-up.
    alarm(timeout_s);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    std::fflush(nullptr);
    _exit(0);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  if (WIFSIGNALED(status)) {
    if (WTERMSIG(status) == SIGALRM) return "took longer than " + std::to_string(timeout_s) + " s";
    return std::string("killed by signal ") + strsignal(WTERMSIG(status));
  }
  return "exit code " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

int main(int argc, char** argv) {
  unsigned timeout_s = 5;
  unsigned long long memory_mb = 3072;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--timeout=", 0) == 0) {
      timeout_s = static_cast<unsigned>(std::stoul(a.substr(10)));
    } else if (a.rfind("--memory-mb=", 0) == 0) {
      memory_mb = std::stoull(a.substr(12));
    } else if (fs::is_directory(a)) {
      std::vector<fs::path> in_folder;
      for (const auto& e : fs::recursive_directory_iterator(a))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.') in_folder.push_back(e.path());
      std::sort(in_folder.begin(), in_folder.end());
      files.insert(files.end(), in_folder.begin(), in_folder.end());
    } else if (fs::is_regular_file(a)) {
      files.emplace_back(a);
    }
    // A folder that does not exist yet (no regression case so far) holds no input.
  }
  int failed = 0;
  double slowest = 0;
  fs::path slowest_file;
  for (const fs::path& f : files) {
    double seconds = 0;
    const std::string error = run_one(f, timeout_s, memory_mb, seconds);
    if (seconds > slowest) {
      slowest = seconds;
      slowest_file = f;
    }
    if (!error.empty()) {
      ++failed;
      std::printf("FAILED %s: %s\n", f.c_str(), error.c_str());
      std::fflush(stdout);
    }
  }
  std::printf("%zu inputs replayed, %d failed; slowest %.2f s (%s)\n", files.size(), failed, slowest,
              slowest_file.c_str());
  return failed == 0 && !files.empty() ? 0 : 1;
}
