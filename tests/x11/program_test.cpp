// The real program on a real X server: the pointer moved and pressed with xdotool, the screen
// read back with ImageMagick, the window closed as a window manager would close it.
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/test_env.hpp"
#include "platform/sysutils.hpp"
#include "platform/text_codec.hpp"
#include "storage/css_palette_file.hpp"

namespace {

std::string run(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A window on the screen: its id and size.
struct ScreenWindow {
  std::string id;
  int x = 0, y = 0, width = 0, height = 0;
  bool main_window() const { return width == 1160 && height == 616; }
};

// The visible windows titled "Huewright" of one process.
std::vector<ScreenWindow> windows_of(pid_t pid) {
  std::vector<ScreenWindow> out;
  const std::string ids =
      run("xdotool search --all --onlyvisible --pid " + std::to_string(pid) + " --name '^Huewright$' 2>/dev/null");
  size_t at = 0;
  while (at < ids.size()) {
    size_t end = ids.find('\n', at);
    if (end == std::string::npos) end = ids.size();
    ScreenWindow w;
    w.id = ids.substr(at, end - at);
    at = end + 1;
    if (w.id.empty()) continue;
    const std::string geo = run("xdotool getwindowgeometry --shell " + w.id + " 2>/dev/null");
    const auto value = [&](const char* key) {
      const size_t k = geo.find(key);
      return k == std::string::npos ? 0 : std::atoi(geo.c_str() + k + std::strlen(key));
    };
    w.x = value("\nX="), w.y = value("\nY=");
    w.width = value("WIDTH=");
    w.height = value("HEIGHT=");
    out.push_back(w);
  }
  return out;
}

// How the program is started: as the unprivileged user "nobody" (permissions then hold), and
// where its error output goes.
struct StartOptions {
  bool as_nobody = false;
  std::string stderr_file;
};

// The program started in a folder; its window appears at (10, 10) on a server without a
// window manager, so client point (x, y) is screen point (10 + x, 10 + y).
class Program {
public:
  explicit Program(const std::string& dir, const StartOptions& options = {}) {
    std::string program = HW_PROGRAM;
    std::string xauthority;
    if (options.as_nobody) {
      // The build folder may be closed to other users: a copy of the program, and of the
      // server's key, that "nobody" can read.
      chmod(own_.path().c_str(), 0755);
      program = own_.file("huewright");
      const std::string bytes = read_file_bytes(HW_PROGRAM);
      write_file_bytes_atomic(program, bytes);
      chmod(program.c_str(), 0755);
      if (const char* xa = std::getenv("XAUTHORITY")) {
        xauthority = own_.file("xauthority");
        write_file_bytes_atomic(xauthority, read_file_bytes(xa));
        chmod(xauthority.c_str(), 0644);
      }
      mkdir(own_.file("runtime").c_str(), 0700);
      chown(own_.file("runtime").c_str(), 65534, 65534);
    }
    pid_ = fork();
    if (pid_ == 0) {
      if (!options.stderr_file.empty()) {
        FILE* f = std::freopen(options.stderr_file.c_str(), "w", stderr);
        (void)f;
      }
      if (chdir(dir.c_str()) != 0) _exit(127);
      if (options.as_nobody) {
        if (!xauthority.empty()) setenv("XAUTHORITY", xauthority.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", own_.file("runtime").c_str(), 1);
        setenv("HOME", own_.path().c_str(), 1);
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(126);
      }
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200 && window_.empty(); ++i) {
      pause_ms(50);
      for (const ScreenWindow& w : windows_of(pid_))
        if (w.main_window()) window_ = w.id;
      if (window_.empty() && !box().empty()) break;
    }
    pause_ms(500);
  }
  ~Program() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool started() const { return !window_.empty(); }
  std::string position() const {  // of the main window, as "x,y"
    for (const ScreenWindow& w : windows_of(pid_))
      if (w.id == window_) return std::to_string(w.x) + "," + std::to_string(w.y);
    return {};
  }
  // A message box of the program, when one is shown ("" otherwise).
  std::string box() const {
    for (const ScreenWindow& w : windows_of(pid_))
      if (!w.main_window()) return w.id;
    return {};
  }
  // Waits up to `ms` for a message box.
  std::string wait_for_box(int ms = 5000) {
    std::string id;
    for (int waited = 0; waited < ms && id.empty(); waited += 100) {
      id = box();
      if (id.empty()) pause_ms(100);
    }
    return id;
  }
  // Waits up to `ms` for the main window.
  bool wait_for_window(int ms = 10000) {
    for (int waited = 0; waited < ms && window_.empty(); waited += 100) {
      for (const ScreenWindow& w : windows_of(pid_))
        if (w.main_window()) window_ = w.id;
      if (window_.empty()) pause_ms(100);
    }
    pause_ms(300);
    return !window_.empty();
  }
  // Closes a window of the program as a window manager would.
  static void close_window(const std::string& id) {
    run(std::string(HW_CLOSE_WINDOW) + " " + id);
    pause_ms(300);
  }
  void move(int x, int y) {
    run("xdotool mousemove " + std::to_string(10 + x) + " " + std::to_string(10 + y));
    pause_ms(120);
  }
  void click(int x, int y) {
    move(x, y);
    run("xdotool click 1");
    pause_ms(250);
  }
  // The colour on the screen at client point (x, y), as RRGGBB.
  std::string screen_hex(int x, int y) {
    std::string txt = run("import -window root -crop 1x1+" + std::to_string(10 + x) + "+" + std::to_string(10 + y) +
                          " -depth 8 txt:- 2>/dev/null | tail -n 1");
    auto hash = txt.find('#');
    return hash == std::string::npos ? std::string() : txt.substr(hash + 1, 6);
  }
  // Closes the window as a window manager would.
  void request_close() { close_window(window_); }
  // The same, and waits for the program to end.
  int close() {
    request_close();
    return wait();
  }
  // Waits for the program to end; its exit code, -1 for a signal, -2 when it is still running.
  int wait(int ms = 5000) {
    int status = 0;
    for (int waited = 0; waited < ms; waited += 50) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      pause_ms(50);
    }
    return -2;
  }

private:
  hw_test::ScratchDir own_;
  pid_t pid_ = -1;
  std::string window_;
  bool exited_ = false;
};

// Every file of a folder with its bytes, mode and inode, as text to compare.
std::string folder_state(const std::string& dir) {
  std::string out;
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    struct stat st {};
    lstat((dir + "/" + n).c_str(), &st);
    out += n + " mode " + std::to_string(st.st_mode) + " inode " + std::to_string(st.st_ino) + " size " +
           std::to_string(st.st_size);
    if (S_ISREG(st.st_mode)) out += " " + read_file_bytes(dir + "/" + n);
    out += "\n";
  }
  return out;
}

}  // namespace

TEST(Program, PicksFromTheScreenExportsAndKeepsItsHistory) {
  hw_test::ScratchDir dir;
  std::string hex[3];
  {
    Program p(dir.path());
    ASSERT_TRUE(p.started());
    EXPECT_EQ(run("xdotool getmouselocation --shell | head -n 2 | tr '\\n' ' '"), "X=610 Y=210 ");
    // Three colours from the spectrum in the picture view (client 0, 7 .. 720, 531).
    const int points[3][2] = {{120, 90}, {400, 260}, {650, 420}};
    for (int i = 0; i < 3; ++i) {
      p.move(points[i][0], points[i][1]);
      hex[i] = p.screen_hex(points[i][0], points[i][1]);
      ASSERT_EQ(hex[i].size(), 6u);
      p.click(points[i][0], points[i][1]);
      p.click(900 + 212 + 20, 8 + 20);  // the add button on the selected colour
    }
    p.click(900 + 82 + 12, 92 + 2 + 12);  // export all
    EXPECT_EQ(p.close(), 0);
  }
  const std::string css = dir.file("Tintbox" + hex[0] + "_3.css");
  ASSERT_TRUE(FileExists(css)) << css;
  auto lines = decode_text_lines(read_file_bytes(css));
  ASSERT_EQ(lines.size(), 25u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(lines[2 + 7 * k].substr(27, 6), hex[k]);
  EXPECT_EQ(read_file_bytes(dir.file("history.dat")), "hex006095\xB7rgb0,96,149\xB7" "cmyk149,53,0,107\r\n");
  EXPECT_FALSE(FileExists(dir.file("session.css")));
  // A second start finds the same history and leaves it as it was, also UTF-8 with its mark.
  for (const std::string history : {"hex006095\xB7rgb0,96,149\xB7" "cmyk149,53,0,107\r\n",
                                    "\xEF\xBB\xBFhex778899\xC2\xB7\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xE2\x9C\x93 \xE2\x82\xAC\r\n"}) {
    write_file_bytes_atomic(dir.file("history.dat"), history);
    Program again(dir.path());
    ASSERT_TRUE(again.started());
    EXPECT_EQ(again.close(), 0);
    EXPECT_EQ(read_file_bytes(dir.file("history.dat")), history);
  }
}

TEST(Program, OpensAndClosesInAFolderItCannotWriteOrWithAHistoryItCannotRead) {
  if (geteuid() != 0) GTEST_SKIP() << "runs the program as the user nobody, which needs root";
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind == 0 ? "read-only folder" : "unreadable history");
    hw_test::ScratchDir dir;
    if (kind == 0) {
      ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    } else {
      // A folder the program may write, with a history it may not read.
      write_file_bytes_atomic(dir.file("history.dat"), "hex00FF00\xB7rgb0,255,0\xB7" "cmyk255,0,255,0\r\n");
      ASSERT_EQ(chmod(dir.file("history.dat").c_str(), 0), 0);
      ASSERT_EQ(chown(dir.path().c_str(), 65534, 65534), 0);
      ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    }
    const std::string before = folder_state(dir.path());
    StartOptions as_nobody;
    as_nobody.as_nobody = true;
    Program p(dir.path(), as_nobody);
    // The history's error is reported before the window shows; then the window opens.
    const std::string start_box = p.wait_for_box();
    ASSERT_FALSE(start_box.empty());
    EXPECT_FALSE(p.started());
    Program::close_window(start_box);
    ASSERT_TRUE(p.wait_for_window());
    EXPECT_TRUE(p.box().empty());
    // The rest of the start-up was carried out: the window placed, the spectrum in view and strip.
    EXPECT_EQ(p.position(), "10,10");
    EXPECT_NE(p.screen_hex(100, 200), p.screen_hex(600, 200));
    EXPECT_NE(p.screen_hex(100, 570), p.screen_hex(600, 570));
    // The close reports the history it cannot write, and the program ends as usual.
    p.request_close();
    const std::string close_box = p.wait_for_box();
    ASSERT_FALSE(close_box.empty());
    Program::close_window(close_box);
    EXPECT_EQ(p.wait(), 0);
    EXPECT_EQ(folder_state(dir.path()), before);
    chmod(dir.path().c_str(), 0700);
  }
  // A folder that takes no new file, with a history the program may write: the close overwrites
  // it in place (its LF line end comes back as CR LF).
  hw_test::ScratchDir dir;
  write_file_bytes_atomic(dir.file("history.dat"), "hex00FF00\xB7rgb0,255,0\xB7" "cmyk255,0,255,0\n");
  ASSERT_EQ(chown(dir.file("history.dat").c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  StartOptions as_nobody;
  as_nobody.as_nobody = true;
  Program p(dir.path(), as_nobody);
  ASSERT_TRUE(p.started());
  EXPECT_EQ(p.close(), 0);
  EXPECT_EQ(read_file_bytes(dir.file("history.dat")), "hex00FF00\xB7rgb0,255,0\xB7" "cmyk255,0,255,0\r\n");
  chmod(dir.path().c_str(), 0700);
}

TEST(Program, ASecondWindowInTheSameFolderEndsWithItsMessage) {
  hw_test::ScratchDir dir;
  hw_test::ScratchDir logs;
  Program first(dir.path());
  ASSERT_TRUE(first.started());
  // A palette from the spectrum (it is written to the working file), all of it saved to the
  // history.
  first.click(775 - 10, 368 - 10);
  first.click(900 + 56 + 12, 91 + 2 + 12);
  ASSERT_TRUE(FileExists(dir.file("session.css")));
  const std::string palette = read_file_bytes(dir.file("session.css"));
  const std::string before = folder_state(dir.path());
  {
    StartOptions options;
    options.stderr_file = logs.file("second.txt");
    Program second(dir.path(), options);
    EXPECT_FALSE(second.started());
    const std::string box = second.wait_for_box();
    ASSERT_FALSE(box.empty());
    Program::close_window(box);
    EXPECT_EQ(second.wait(), 1);
    EXPECT_NE(read_file_bytes(logs.file("second.txt")).find("is in use by another Huewright window"),
              std::string::npos);
  }
  EXPECT_EQ(folder_state(dir.path()), before);
  EXPECT_EQ(read_file_bytes(dir.file("session.css")), palette);
  EXPECT_EQ(first.close(), 0);
  // The first window's history holds the sixteen colours it saved.
  const auto lines = decode_text_lines(read_file_bytes(dir.file("history.dat")));
  ASSERT_EQ(lines.size(), 17u);
  const auto blocks = css_palette_positions(decode_text_lines(palette));
  for (size_t k = 0; k < 16; ++k) EXPECT_EQ(lines[k + 1].substr(3, 6), blocks[k].text) << k;
  // With the first window gone, the folder is free again.
  Program third(dir.path());
  EXPECT_TRUE(third.started());
  EXPECT_EQ(third.close(), 0);
}

TEST(Program, ADisplayThatCannotBeOpenedEndsWithAMessage) {
  hw_test::ScratchDir dir;
  const std::string out = run("cd '" + dir.path() + "' && DISPLAY=:59999 " + std::string(HW_PROGRAM) +
                              " 2>&1; echo \"exit $?\"");
  EXPECT_NE(out.find("The display \":59999\" could not be opened"), std::string::npos) << out;
  EXPECT_NE(out.find("exit 2"), std::string::npos) << out;
  EXPECT_TRUE(FindFiles(dir.path(), "*").empty());
}
