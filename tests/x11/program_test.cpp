// The real program on a real X server: the pointer moved and pressed with xdotool, the screen
// read back with ImageMagick, the window closed as a window manager would close it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "common/test_env.hpp"
#include "platform/sysutils.hpp"
#include "platform/text_codec.hpp"

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

// The program started in a folder; its window appears at (10, 10) on a server without a
// window manager, so client point (x, y) is screen point (10 + x, 10 + y).
class Program {
public:
  explicit Program(const std::string& dir) {
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(dir.c_str()) != 0) _exit(127);
      execl(HW_PROGRAM, HW_PROGRAM, static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200 && window_.empty(); ++i) {
      pause_ms(50);
      window_ = run("xdotool search --onlyvisible --name '^Huewright$' 2>/dev/null | head -n 1");
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
  // Closes the window as a window manager would and waits for the program to end.
  int close() {
    run(std::string(HW_CLOSE_WINDOW) + " " + window_);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      pause_ms(50);
    }
    return -2;
  }

private:
  pid_t pid_ = -1;
  std::string window_;
  bool exited_ = false;
};

}  // namespace

TEST(Program, PicksFromTheScreenExportsAndKeepsItsHistory) {
  hw_test::ScratchDir dir;
  std::string hex[3];
  {
    Program p(dir.path());
    ASSERT_TRUE(p.started());
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
  {
    // A second start finds the same history and leaves it as it was.
    Program again(dir.path());
    ASSERT_TRUE(again.started());
    EXPECT_EQ(again.close(), 0);
  }
  EXPECT_EQ(read_file_bytes(dir.file("history.dat")), "hex006095\xB7rgb0,96,149\xB7" "cmyk149,53,0,107\r\n");
}
