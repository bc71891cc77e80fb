// The real program, started as a user or the display's saver framework
// would: its exit codes, its end on input and on SIGTERM, the clock warning,
// and what appears on the screen.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/winapi.h"
#include "settings/log_file.h"
#include "tests/support/test_support.h"

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;
constexpr int kRunning = -1000;

std::string Binary() {
  const char* dir = std::getenv("LUMIVEX_BINARY_DIR");
  return std::string(dir != nullptr ? dir : ".") + "/host/lumivex";
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A started program; one still running when the test ends is killed, so no
// saver outlives a failed test.
struct Child {
  pid_t pid = -1;
  std::string errPath;
  Child() = default;
  Child(Child&& other) noexcept : pid(std::exchange(other.pid, -1)), errPath(other.errPath) {}
  Child& operator=(Child&& other) noexcept {
    Kill();
    pid = std::exchange(other.pid, -1);
    errPath = other.errPath;
    return *this;
  }
  ~Child() { Kill(); }
  void Kill() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }
};

// argv[0] is looked up on PATH; "lumivex" is the program under test.
Child Spawn(std::vector<std::string> args, const Env& env = {}) {
  static int serial = 0;
  Child c;
  c.errPath = lvx::test::Home() + "/stderr-" + std::to_string(++serial) + ".txt";
  for (std::string& a : args)
    if (a == "lumivex") a = Binary();
  std::fflush(nullptr);
  c.pid = fork();
  if (c.pid == 0) {
    for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    if (std::freopen(c.errPath.c_str(), "w", stderr) == nullptr) _exit(126);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return c;
}

// The exit status, or kRunning when it has not ended within `ms`.
int WaitExit(Child& c, int ms) {
  for (int waited = 0;; waited += 20) {
    int status = 0;
    if (waitpid(c.pid, &status, WNOHANG) == c.pid) {
      c.pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (waited >= ms) return kRunning;
    SleepMs(20);
  }
}

int Terminate(Child& c) {
  if (c.pid <= 0) return kRunning;
  kill(c.pid, SIGTERM);
  const int code = WaitExit(c, 10000);
  if (code == kRunning) {
    kill(c.pid, SIGKILL);
    WaitExit(c, 5000);
  }
  return code;
}

int RunToEnd(const std::vector<std::string>& args, const Env& env = {}) {
  Child c = Spawn(args, env);
  const int code = WaitExit(c, 10000);
  if (code == kRunning) Terminate(c);
  return code;
}

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

std::string SettingsPath() { return lvx::ConfigFolder() + "/Lumivex.ini"; }
void SetIni(const char* section, const char* key, const char* value) {
  WritePrivateProfileStringA(section, key, value, SettingsPath().c_str());
}
// An existing log file makes the program log everything.
void KeepLog() { lvx::test::WriteFile(lvx::LogFilePath(), ""); }
std::string Log() { return lvx::test::ReadFile(lvx::LogFilePath()); }

// Quick frames: the warm-up of 66 frames passes in under two seconds. Quick
// closes too: one close in 25 would otherwise wait five seconds for a joke.
void FastFrames() {
  SetIni("params", "TickTime", "20");
  SetIni("params", "FixedTickTime", "20");
  SetIni("Params", "SwitchOffTV", "0");
  SetIni("params", "Jokes", "0");
}

// A private X server of the given size for one test.
class XServer {
 public:
  explicit XServer(const char* geometry) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      std::freopen("/dev/null", "w", stderr);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", geometry, "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number and a line end once it listens.
    std::string number;
    char ch = 0;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
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
  Env SaverEnv() const { return {{"DISPLAY", display_}, {"LUMIVEX_DISPLAY", "x11"}}; }
  std::string Tool(const std::string& command) const {
    return Shell("DISPLAY=" + display_ + " " + command + " 2>/dev/null");
  }
  // Ids of the windows with this exact title.
  std::vector<std::string> Windows(const std::string& title) const {
    std::vector<std::string> ids;
    const std::string out = Tool("xdotool search --name '^" + title + "$'");
    std::size_t start = 0;
    while (start < out.size()) {
      std::size_t end = out.find('\n', start);
      if (end == std::string::npos) end = out.size();
      if (end > start) ids.push_back(out.substr(start, end - start));
      start = end + 1;
    }
    return ids;
  }
  bool WaitForWindow(const std::string& title) const {
    for (int i = 0; i < 750; ++i) {
      if (!Windows(title).empty()) return true;
      SleepMs(20);
    }
    return false;
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

bool HaveTools(std::initializer_list<const char*> tools) {
  for (const char* t : tools)
    if (Shell(std::string("command -v ") + t).empty()) return false;
  return true;
}

}  // namespace

TEST(Binary, ExitCodesOfTheModesThatDoNotRun) {
  EXPECT_EQ(RunToEnd({"lumivex", "/x"}), 255);
  EXPECT_EQ(RunToEnd({"lumivex", "/\t"}), 255);
  EXPECT_EQ(RunToEnd({"lumivex", "/p", "0"}), 255);
  EXPECT_EQ(RunToEnd({"lumivex", "/p"}), 255);
  EXPECT_EQ(RunToEnd({"lumivex", "/p:1234"}), 255);
  EXPECT_EQ(RunToEnd({"lumivex", "/l", "999999"}), 255);
  EXPECT_EQ(RunToEnd({"lumivex", "/a"}), 0);

  // Without any display the settings cannot be shown, and say so.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"lumivex"}, {"lumivex", "/c"}, {"lumivex", "/c:1234"}}) {
    Child c = Spawn(args, {{"LUMIVEX_DISPLAY", ""}, {"DISPLAY", ""}});
    EXPECT_EQ(WaitExit(c, 10000), 255);
    EXPECT_NE(
        lvx::test::ReadFile(c.errPath).find("MessageBox [Lumivex] The settings need a display"),
        std::string::npos);
  }
}

TEST(Binary, EverySpellingOfFullScreenRunsUntilSigterm) {
  KeepLog();
  FastFrames();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"lumivex", "-S"}, {"lumivex", "/s"}, {"lumivex", "/", "-", "s"},
        {"lumivex", "/screensaver"}}) {
    Child c = Spawn(args);
    EXPECT_EQ(WaitExit(c, 1000), kRunning) << args.back();
    EXPECT_EQ(Terminate(c), 0) << args.back();
  }
  const std::string log = Log();
  EXPECT_NE(log.find("WM_CLOSE received"), std::string::npos);
  EXPECT_NE(log.find("Screensaver= WM_DESTROY received"), std::string::npos);
}

// libfaketime's library, preloaded straight into the saver so that SIGTERM
// reaches the saver and not a wrapper.
std::string FakeTimeLibrary() {
  for (const char* path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/faketime/libfaketime.so.1"})
    if (access(path, R_OK) == 0) return path;
  return "";
}

TEST(Binary, ClockWarningOnlyADayBeforeTheBuildDate) {
  const std::string library = FakeTimeLibrary();
  if (library.empty()) GTEST_SKIP() << "libfaketime is not installed";
  SetIni("Params", "SwitchOffTV", "0");
  auto warned = [&](const char* when) {
    const Env env{{"LD_PRELOAD", library},
                  {"FAKETIME", when},
                  {"FAKETIME_DONT_FAKE_MONOTONIC", "1"},
                  {"ASAN_OPTIONS", "verify_asan_link_order=0"}};
    Child c = Spawn({"lumivex", "/s"}, env);
    SleepMs(1500);
    EXPECT_EQ(Terminate(c), 0) << when;
    return lvx::test::ReadFile(c.errPath).find("MessageBox [Date/time problem] It seems") !=
           std::string::npos;
  };
  EXPECT_TRUE(warned("@2005-10-14 23:00:00"));
  EXPECT_FALSE(warned("@2005-10-15 01:00:00"));
}

TEST(BinaryOnX, InputEndsTheSaverByTheRules) {
  if (!HaveTools({"Xvfb", "xdotool"})) GTEST_SKIP() << "Xvfb or xdotool missing";
  XServer x("1024x768x24");
  ASSERT_FALSE(x.Display().empty());
  FastFrames();
  auto start = [&]() {
    x.Tool("xdotool mousemove 500 400");
    Child c = Spawn({"lumivex", "/s"}, x.SaverEnv());
    EXPECT_TRUE(x.WaitForWindow("Screen Saver"));
    SleepMs(2500);  // past the pointer warm-up
    return c;
  };

  Child c = start();
  x.Tool("xdotool mousemove_relative 2 2");
  EXPECT_EQ(WaitExit(c, 700), kRunning) << "4 pixels ended the saver";
  x.Tool("xdotool mousemove_relative 1 0");
  EXPECT_EQ(WaitExit(c, 3000), 0) << "5 pixels did not end the saver";

  c = start();
  x.Tool("xdotool mousemove_relative 3 0");
  EXPECT_EQ(WaitExit(c, 700), kRunning);
  x.Tool("xdotool mousemove_relative 3 0");
  EXPECT_EQ(WaitExit(c, 3000), 0) << "two 3-pixel moves did not end the saver";

  c = start();
  x.Tool("xdotool key space");
  EXPECT_EQ(WaitExit(c, 3000), 0) << "a key did not end the saver";
}

TEST(BinaryOnX, PointerIsIgnoredDuringTheWarmUp) {
  if (!HaveTools({"Xvfb", "xdotool"})) GTEST_SKIP() << "Xvfb or xdotool missing";
  XServer x("1024x768x24");
  ASSERT_FALSE(x.Display().empty());
  SetIni("params", "TickTime", "70");  // 66 frames take more than 4.6 s
  SetIni("Params", "SwitchOffTV", "0");
  SetIni("params", "Jokes", "0");
  x.Tool("xdotool mousemove 500 400");
  Child c = Spawn({"lumivex", "/s"}, x.SaverEnv());
  ASSERT_TRUE(x.WaitForWindow("Screen Saver"));
  SleepMs(500);
  x.Tool("xdotool mousemove_relative 200 100");
  EXPECT_EQ(WaitExit(c, 1000), kRunning);
  x.Tool("xdotool key Escape");
  EXPECT_EQ(WaitExit(c, 3000), 0);
}

TEST(BinaryOnX, SecondStartAndPreviewsInsideALiveWindow) {
  if (!HaveTools({"Xvfb", "xdotool", "xwininfo"})) GTEST_SKIP() << "X tools missing";
  XServer x("800x600x24");
  ASSERT_FALSE(x.Display().empty());
  KeepLog();
  FastFrames();
  Child first = Spawn({"lumivex", "/s"}, x.SaverEnv());
  ASSERT_TRUE(x.WaitForWindow("Screen Saver"));

  // The second full-screen start finds the first one and leaves.
  EXPECT_EQ(RunToEnd({"lumivex", "/s"}, x.SaverEnv()), 0);
  EXPECT_EQ(x.Windows("Screen Saver").size(), 1u);

  // The running saver's window serves as a live foreign parent.
  const std::string parent = x.Windows("Screen Saver").front();
  for (const char* mode : {"/p", "/l", "-window-id"}) {
    Child preview = Spawn({"lumivex", mode, parent}, x.SaverEnv());
    ASSERT_TRUE(x.WaitForWindow("Preview")) << mode;
    const std::string tree = x.Tool("xwininfo -children -id " + parent);
    EXPECT_NE(tree.find("\"Preview\""), std::string::npos) << tree;
    SleepMs(2000);
    x.Tool("xdotool mousemove_relative 50 50 key space");
    EXPECT_EQ(WaitExit(preview, 700), kRunning) << "input ended a preview";
    EXPECT_EQ(Terminate(preview), 0) << mode;
  }
  EXPECT_EQ(Terminate(first), 0);
}

namespace {

// A picture as 8-bit RGB triples, read through ImageMagick.
struct Picture {
  int width = 0, height = 0;
  std::string rgb;
  bool Bright(int x, int y, int level) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return static_cast<unsigned char>(rgb[i]) >= level ||
           static_cast<unsigned char>(rgb[i + 1]) >= level ||
           static_cast<unsigned char>(rgb[i + 2]) >= level;
  }
  int BrightIn(int left, int top, int right, int bottom, int level) const {
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
      for (int x = std::max(left, 0); x < std::min(right, width); ++x)
        n += Bright(x, y, level) ? 1 : 0;
    return n;
  }
};

Picture ReadPicture(const std::string& png, int width, int height) {
  Picture p;
  p.rgb = Shell("convert '" + png + "' -depth 8 rgb:- 2>/dev/null");
  if (p.rgb.size() == static_cast<std::size_t>(width) * height * 3) {
    p.width = width;
    p.height = height;
  }
  return p;
}

// The last value the log holds for a name ("INFO>name= value").
double Logged(const std::string& log, const std::string& name) {
  const std::size_t at = log.rfind(name + "= ");
  return at == std::string::npos ? -1.0 : std::atof(log.c_str() + at + name.size() + 2);
}

// Where the message's lit pixels were laid out on the screen.
RECT TextBox(const std::string& log) {
  const double scale = Logged(log, "Text2Pixel-ScaleFactor");
  const double biasX = Logged(log, "Text2Pixel-BiasX"), biasY = Logged(log, "Text2Pixel-BiasY");
  return RECT{static_cast<LONG>(biasX + Logged(log, "origMinX") * scale) - 3,
              static_cast<LONG>(biasY + Logged(log, "origMinY") * scale) - 3,
              static_cast<LONG>(biasX + (Logged(log, "origMaxX") + 1) * scale) + 3,
              static_cast<LONG>(biasY + (Logged(log, "origMaxY") + 1) * scale) + 3};
}

// A known message that forms in about five seconds.
void QuickMessage() {
  KeepLog();
  SetIni("params", "FirstTime", "0");
  SetIni("params", "TickTime", "20");
  SetIni("params", "FixedTickTime", "20");
  SetIni("params", "RealTickTime", "100");
  SetIni("Params", "SwitchOffTV", "0");
  // The moon's bright disc would count as stars outside the text box.
  SetIni("Params", "Moon", "0");
  SetIni("Messages", "Message___0", "\"Good night\"");
  SetIni("Messages", "BottomLine0", "\"Sleep well, and see you tomorrow\"");
}

// The arrived message stars shine brighter than most sky stars; above the
// bottom band (parked stars, bottom line) nearly all of them must stand in
// the text box, far denser than anywhere else.
void ExpectMessageWritten(const Picture& shot, const std::string& log) {
  ASSERT_GT(shot.width, 0);
  const RECT box = TextBox(log);
  ASSERT_GT(box.right - box.left, 100) << log;
  constexpr int kLevel = 150;
  const int band = shot.height - 40;
  const int all = shot.BrightIn(0, 0, shot.width, band, kLevel);
  const int inside =
      shot.BrightIn(box.left, box.top, box.right, std::min<int>(box.bottom, band), kLevel);
  EXPECT_GT(inside, 400);
  EXPECT_GT(inside, all * 7 / 10) << inside << " of " << all << " bright pixels in the text box";
  const double boxArea = static_cast<double>(box.right - box.left) * (box.bottom - box.top);
  const double restArea = static_cast<double>(shot.width) * band - boxArea;
  EXPECT_GT(inside / boxArea, 10.0 * (all - inside) / restArea);
}

// Bright pixels in the densest 250-pixel stretch of the bottom line's rows:
// a line of text there, scattered stars elsewhere.
int BottomLinePixels(const Picture& shot) {
  int best = 0;
  for (int x = 0; x + 250 <= shot.width; x += 10)
    best = std::max(best, shot.BrightIn(x, shot.height - 30, x + 250, shot.height - 5, 100));
  return best;
}

}  // namespace

TEST(BinaryOnX, TheMessageIsWrittenInStarsThenTheBottomLineRuns) {
  if (!HaveTools({"Xvfb", "import", "convert"})) GTEST_SKIP() << "Xvfb or ImageMagick missing";
  XServer x("1024x768x24");
  ASSERT_FALSE(x.Display().empty());
  QuickMessage();
  Child c = Spawn({"lumivex", "/s"}, x.SaverEnv());
  ASSERT_TRUE(x.WaitForWindow("Screen Saver"));
  SleepMs(7000);
  const std::string formed = lvx::test::Home() + "/formed.png";
  x.Tool("import -window root '" + formed + "'");
  SleepMs(4000);
  const std::string later = lvx::test::Home() + "/later.png";
  x.Tool("import -window root '" + later + "'");
  EXPECT_EQ(Terminate(c), 0);

  const Picture first = ReadPicture(formed, 1024, 768);
  ExpectMessageWritten(first, Log());
  const Picture second = ReadPicture(later, 1024, 768);
  EXPECT_GT(BottomLinePixels(second), 250) << "no bottom line";
  if (const char* keep = std::getenv("LUMIVEX_KEEP_SCREENSHOT"))
    Shell("cp '" + formed + "' '" + keep + "'");
}

TEST(Binary, HeadlessSnapshotsShowTheMessageThenTheBottomLine) {
  if (!HaveTools({"convert"})) GTEST_SKIP() << "ImageMagick missing";
  QuickMessage();
  const std::string dir = lvx::test::MakeTempDir("snapshots");
  Child c = Spawn({"lumivex", "/s"}, {{"LUMIVEX_SNAPSHOT", dir}, {"LUMIVEX_SNAPSHOT_EVERY", "300"}});
  // Frame 300 is past the 200-frame flight; 600 is well into the bottom line.
  for (int i = 0; i < 300 && !lvx::test::FileExists(dir + "/lumivex-000600.png"); ++i) SleepMs(100);
  EXPECT_EQ(Terminate(c), 0);
  const Picture formed = ReadPicture(dir + "/lumivex-000300.png", 1024, 768);
  ExpectMessageWritten(formed, Log());
  const Picture later = ReadPicture(dir + "/lumivex-000600.png", 1024, 768);
  EXPECT_GT(BottomLinePixels(later), 250) << "no bottom line";
}
