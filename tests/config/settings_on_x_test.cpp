// The real program's settings dialog on an X server with the real GTK
// widgets, used the way a person uses it: xdotool moves the pointer, clicks
// and types; the settings file then holds what was typed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/winapi.h"
#include "resources/dialog_ids.h"
#include "resources/dialogs.h"
#include "tests/support/test_support.h"

namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

bool HaveTool(const char* tool) { return !Shell(std::string("command -v ") + tool).empty(); }

// A private X server for one test; its display number comes back on a pipe.
class XServer {
 public:
  XServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& Display() const { return display_; }
  std::string Tool(const std::string& command) const {
    return Shell("DISPLAY=" + display_ + " " + command + " 2>/dev/null");
  }
  // The window with this exact title, waiting up to 15 s; "" if none came.
  std::string WaitForWindow(const std::string& title) const {
    for (int i = 0; i < 750; ++i) {
      std::string id = Tool("xdotool search --onlyvisible --name '^" + title + "$'");
      if (!id.empty()) return id.substr(0, id.find('\n'));
      SleepMs(20);
    }
    return "";
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// The program, started as the desktop's settings entry starts it.
class Program {
 public:
  Program(const XServer& x, const std::string& arg) {
    const char* dir = std::getenv("LUMIVEX_BINARY_DIR");
    const std::string binary = std::string(dir != nullptr ? dir : ".") + "/host/lumivex";
    errPath_ = lvx::test::Home() + "/lumivex-stderr.txt";
    pid_ = fork();
    if (pid_ == 0) {
      setenv("DISPLAY", x.Display().c_str(), 1);
      setenv("LUMIVEX_DISPLAY", "x11", 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      if (std::freopen(errPath_.c_str(), "w", stderr) == nullptr) _exit(126);
      execl(binary.c_str(), binary.c_str(), arg.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The exit status, or -1000 when it has not ended within `ms`.
  int Wait(int ms) {
    for (int waited = 0; waited <= ms; waited += 20) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      SleepMs(20);
    }
    return -1000;
  }
  std::string Errors() const { return lvx::test::ReadFile(errPath_); }

 private:
  pid_t pid_ = -1;
  std::string errPath_;
};

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

Geometry WindowGeometry(const XServer& x, const std::string& window) {
  Geometry g;
  const std::string out = x.Tool("xdotool getwindowgeometry --shell " + window);
  auto value = [&](const char* key) {
    const std::size_t at = out.find(std::string(key) + "=");
    return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + std::strlen(key) + 1);
  };
  g.x = value("X");
  g.y = value("Y");
  g.width = value("WIDTH");
  g.height = value("HEIGHT");
  return g;
}

// The centre of a control on the screen: its place in dialog units scaled as
// the window came out.
POINT ControlCentre(const Geometry& window, int templateId, int controlId) {
  const lvx::res::DialogTemplate* t = lvx::res::FindDialogTemplate(templateId);
  for (std::size_t i = 0; t != nullptr && i < t->count; ++i) {
    const lvx::res::DialogItem& item = t->items[i];
    if (item.id != controlId) continue;
    const double sx = static_cast<double>(window.width) / t->cx;
    const double sy = static_cast<double>(window.height) / t->cy;
    return POINT{window.x + static_cast<LONG>((item.x + item.cx / 2.0) * sx),
                 window.y + static_cast<LONG>((item.y + item.cy / 2.0) * sy)};
  }
  return POINT{-1, -1};
}

void ClickAt(const XServer& x, POINT p) {
  x.Tool("xdotool mousemove --sync " + std::to_string(p.x) + " " + std::to_string(p.y) +
         " click 1");
}

std::string IniValue(const char* section, const char* key) {
  char buffer[400] = "";
  GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer,
                           (lvx::ConfigFolder() + "/Lumivex.ini").c_str());
  return buffer;
}

}  // namespace

TEST(SettingsOnX, TypedMessageIsStoredByOk) {
  if (!HaveTool("Xvfb") || !HaveTool("xdotool")) GTEST_FAIL() << "Xvfb and xdotool are needed";
  // The OK button must stay where it is for this user.
  WritePrivateProfileStringA("params", "Jokes", "0",
                             (lvx::ConfigFolder() + "/Lumivex.ini").c_str());
  XServer x;
  ASSERT_FALSE(x.Display().empty());
  Program lumivex(x, "/c");
  const std::string window = x.WaitForWindow("Lumivex v3.08");
  ASSERT_FALSE(window.empty()) << lumivex.Errors();
  SleepMs(300);  // let GTK lay the page out and draw it
  const Geometry g = WindowGeometry(x, window);
  ASSERT_GT(g.width, 300);

  ClickAt(x, ControlCentre(g, IDD_MAIN, IDC_MAIN_MESSAGE));
  x.Tool("xdotool key --clearmodifiers ctrl+a");
  x.Tool("xdotool type --delay 20 'Stars over the sea'");
  ClickAt(x, ControlCentre(g, IDD_MAIN, IDC_MAIN_BOTTOMLINE));
  x.Tool("xdotool key --clearmodifiers ctrl+a");
  x.Tool("xdotool type --delay 20 'typed by xdotool'");
  SleepMs(200);
  ClickAt(x, ControlCentre(g, IDD_MAIN, IDOK));

  EXPECT_EQ(lumivex.Wait(10000), 1) << "OK ends the run with 1\n" << lumivex.Errors();
  EXPECT_EQ(IniValue("Messages", "Message___0"), "Stars over the sea");
  EXPECT_EQ(IniValue("Messages", "BottomLine0"), "typed by xdotool");
  // Configure mode opens no saver window.
  EXPECT_TRUE(x.Tool("xdotool search --name '^Screen Saver$'").empty());
}
