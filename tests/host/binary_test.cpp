// The real program, started as a user or the display's saver framework
// would: its exit codes, its end on input and on SIGTERM, the clock warning,
// and what appears on the screen.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/winapi.h"
#include "settings/log_file.h"
#include "tests/support/process.h"
#include "tests/support/test_support.h"
#include "tests/support/xserver.h"

namespace {

using lvx::test::Child;
using lvx::test::Env;
using lvx::test::HaveTools;
using lvx::test::kRunning;
using lvx::test::LumivexBinary;
using lvx::test::Shell;
using lvx::test::SleepMs;
using lvx::test::Spawn;
using lvx::test::XServer;

int RunToEnd(const std::vector<std::string>& args, const Env& env = {}) {
  Child c = Spawn(args, env);
  const int code = c.Wait(10000);
  if (code == kRunning) c.Terminate();
  return code;
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
    EXPECT_EQ(c.Wait(10000), 255);
    EXPECT_NE(c.Err().find("MessageBox [Lumivex] The settings need a display"), std::string::npos);
  }
}

TEST(Binary, EverySpellingOfFullScreenRunsUntilSigterm) {
  KeepLog();
  FastFrames();
  for (const std::vector<std::string>& args : {std::vector<std::string>{"lumivex", "-S"},
                                               {"lumivex", "/s"},
                                               {"lumivex", "/", "-", "s"},
                                               {"lumivex", "/screensaver"}}) {
    Child c = Spawn(args);
    EXPECT_EQ(c.Wait(1000), kRunning) << args.back();
    EXPECT_EQ(c.Terminate(), 0) << args.back();
  }
  const std::string log = Log();
  EXPECT_NE(log.find("WM_CLOSE received"), std::string::npos);
  EXPECT_NE(log.find("Screensaver= WM_DESTROY received"), std::string::npos);
}

TEST(Binary, ClockWarningOnlyADayBeforeTheBuildDate) {
  const std::string library = lvx::test::FakeTimeLibrary();
  if (library.empty()) GTEST_SKIP() << "libfaketime is not installed";
  SetIni("Params", "SwitchOffTV", "0");
  auto warned = [&](const char* when) {
    const Env env{{"LD_PRELOAD", library},
                  {"FAKETIME", when},
                  {"FAKETIME_DONT_FAKE_MONOTONIC", "1"},
                  {"ASAN_OPTIONS", "verify_asan_link_order=0"}};
    Child c = Spawn({"lumivex", "/s"}, env);
    SleepMs(1500);
    EXPECT_EQ(c.Terminate(), 0) << when;
    return c.Err().find("MessageBox [Date/time problem] It seems") != std::string::npos;
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
    EXPECT_NE(x.WaitForWindow("Screen Saver"), "");
    SleepMs(2500);  // past the pointer warm-up
    return c;
  };

  Child c = start();
  x.Tool("xdotool mousemove_relative 2 2");
  EXPECT_EQ(c.Wait(700), kRunning) << "4 pixels ended the saver";
  x.Tool("xdotool mousemove_relative 1 0");
  EXPECT_EQ(c.Wait(3000), 0) << "5 pixels did not end the saver";

  c = start();
  x.Tool("xdotool mousemove_relative 3 0");
  EXPECT_EQ(c.Wait(700), kRunning);
  x.Tool("xdotool mousemove_relative 3 0");
  EXPECT_EQ(c.Wait(3000), 0) << "two 3-pixel moves did not end the saver";

  c = start();
  x.Tool("xdotool key space");
  EXPECT_EQ(c.Wait(3000), 0) << "a key did not end the saver";
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
  ASSERT_NE(x.WaitForWindow("Screen Saver"), "");
  SleepMs(500);
  x.Tool("xdotool mousemove_relative 200 100");
  EXPECT_EQ(c.Wait(1000), kRunning);
  x.Tool("xdotool key Escape");
  EXPECT_EQ(c.Wait(3000), 0);
}

TEST(BinaryOnX, SecondStartAndPreviewsInsideALiveWindow) {
  if (!HaveTools({"Xvfb", "xdotool", "xwininfo"})) GTEST_SKIP() << "X tools missing";
  XServer x("800x600x24");
  ASSERT_FALSE(x.Display().empty());
  KeepLog();
  FastFrames();
  Child first = Spawn({"lumivex", "/s"}, x.SaverEnv());
  ASSERT_NE(x.WaitForWindow("Screen Saver"), "");

  // The second full-screen start finds the first one and leaves.
  EXPECT_EQ(RunToEnd({"lumivex", "/s"}, x.SaverEnv()), 0);
  EXPECT_EQ(x.Windows("Screen Saver").size(), 1u);

  // The running saver's window serves as a live foreign parent.
  const std::string parent = x.Windows("Screen Saver").front();
  for (const char* mode : {"/p", "/l", "-window-id"}) {
    Child preview = Spawn({"lumivex", mode, parent}, x.SaverEnv());
    ASSERT_NE(x.WaitForWindow("Preview"), "") << mode;
    const std::string tree = x.Tool("xwininfo -children -id " + parent);
    EXPECT_NE(tree.find("\"Preview\""), std::string::npos) << tree;
    SleepMs(2000);
    x.Tool("xdotool mousemove_relative 50 50 key space");
    EXPECT_EQ(preview.Wait(700), kRunning) << "input ended a preview";
    EXPECT_EQ(preview.Terminate(), 0) << mode;
  }
  EXPECT_EQ(first.Terminate(), 0);
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
  ASSERT_NE(x.WaitForWindow("Screen Saver"), "");
  SleepMs(7000);
  const std::string formed = lvx::test::Home() + "/formed.png";
  x.Tool("import -window root '" + formed + "'");
  SleepMs(4000);
  const std::string later = lvx::test::Home() + "/later.png";
  x.Tool("import -window root '" + later + "'");
  EXPECT_EQ(c.Terminate(), 0);

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
  Child c =
      Spawn({"lumivex", "/s"}, {{"LUMIVEX_SNAPSHOT", dir}, {"LUMIVEX_SNAPSHOT_EVERY", "300"}});
  // Frame 300 is past the 200-frame flight; 600 is well into the bottom line.
  for (int i = 0; i < 300 && !lvx::test::FileExists(dir + "/lumivex-000600.png"); ++i) SleepMs(100);
  EXPECT_EQ(c.Terminate(), 0);
  const Picture formed = ReadPicture(dir + "/lumivex-000300.png", 1024, 768);
  ExpectMessageWritten(formed, Log());
  const Picture later = ReadPicture(dir + "/lumivex-000600.png", 1024, 768);
  EXPECT_GT(BottomLinePixels(later), 250) << "no bottom line";
}

// ---- A good citizen of the desktop: usage words, boxes nobody can answer,
// previews that change size or lose their window, screen-saver daemons.

namespace {

// An old log with an ERROR line: the next start asks whether to get help.
void OldLogWithAnError() {
  lvx::test::WriteFile(lvx::LogFilePath(), "ERROR>Old run= something went wrong\n");
}
const char kPromptCaption[] = "Possible Error Detected";

bool ErrContains(const Child& c, const std::string& text) {
  return c.Err().find(text) != std::string::npos;
}

bool WaitForErr(const Child& c, const std::string& text, int ms = 15000) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (ErrContains(c, text)) return true;
    SleepMs(20);
  }
  return false;
}

// A window of another program to hold previews: xmessage with a unique title.
struct ParentWindow {
  Child program;
  std::string title;
  std::string id;
};

ParentWindow OpenParent(const XServer& x, const std::string& geometry) {
  static int serial = 0;
  ParentWindow p;
  p.title = "lumivex-parent-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
  p.program = Spawn({"xmessage", "-title", p.title, "-geometry", geometry, "holder"}, x.SaverEnv());
  p.id = x.WaitForWindow(p.title);
  return p;
}

// Bright pixels of a window's picture outside its top-left w x h corner.
int BrightOutside(const Picture& shot, int w, int h) {
  return shot.BrightIn(w, 0, shot.width, shot.height, 120) +
         shot.BrightIn(0, h, w, shot.height, 120);
}

}  // namespace

TEST(Binary, HelpAndVersionPrintAndExitZero) {
  const std::string help = Shell("'" + LumivexBinary() + "' --help 2>/dev/null; echo \"rc=$?\"");
  EXPECT_NE(help.find("Usage: lumivex"), std::string::npos) << help;
  EXPECT_NE(help.find("-window-id ID"), std::string::npos) << help;
  EXPECT_NE(help.find("rc=0"), std::string::npos) << help;
  const std::string version =
      Shell("'" + LumivexBinary() + "' --version 2>/dev/null; echo \"rc=$?\"");
  EXPECT_EQ(version, "lumivex v3.08, build date Oct 16 2005\nrc=0\n");
}

TEST(Binary, TheDaemonsOptionsAreAcceptedWithRoot) {
  FastFrames();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"lumivex", "-root", "-fps"},
        {"lumivex", "--root", "--install", "-visual", "0x21", "-pair", "-no-fps"}}) {
    Child c = Spawn(args);
    EXPECT_EQ(c.Wait(1500), kRunning) << args.back() << " was refused";
    EXPECT_EQ(c.Terminate(), 0) << args.back();
  }
  EXPECT_EQ(RunToEnd({"lumivex", "-fps"}), 255);
}

TEST(Binary, SigtermEndsAFullScreenRunWhoseBoxIsWaiting) {
  OldLogWithAnError();
  FastFrames();
  Child c = Spawn({"lumivex", "/s"}, {{"LUMIVEX_MSGBOX_ANSWERS", "wait"}});
  ASSERT_TRUE(WaitForErr(c, std::string("MessageBox [") + kPromptCaption + "]"));
  SleepMs(300);
  EXPECT_EQ(c.Wait(0), kRunning) << "the box did not wait";
  c.Signal(SIGTERM);
  EXPECT_EQ(c.Wait(2000), 0);
}

TEST(Binary, ARunForADaemonTakesTheDefaultAnswerWithoutWaiting) {
  OldLogWithAnError();
  FastFrames();
  // A box that would wait for SIGTERM, were it shown.
  Child c = Spawn({"lumivex", "-root"}, {{"LUMIVEX_MSGBOX_ANSWERS", "wait"}});
  ASSERT_TRUE(WaitForErr(c, std::string("MessageBox [") + kPromptCaption + "]"));
  // Start-up went on: the first frame made the scene.
  for (int i = 0; i < 100 && Log().find("Create-exit") == std::string::npos; ++i) SleepMs(50);
  EXPECT_NE(Log().find("Create-exit"), std::string::npos) << "the run stood still at the box";
  EXPECT_EQ(c.Terminate(), 0);
}

TEST(BinaryOnX, SigtermClosesAnOpenGtkBoxAndEndsTheProgram) {
  if (!HaveTools({"Xvfb", "xdotool"})) GTEST_SKIP() << "Xvfb or xdotool missing";
  XServer x("1024x768x24");
  ASSERT_FALSE(x.Display().empty());
  FastFrames();
  // Full screen, asking about the old log's error; then the settings mode
  // with its box.
  OldLogWithAnError();
  Child run = Spawn({"lumivex", "/s"}, x.SaverEnv());
  ASSERT_NE(x.WaitForWindow(kPromptCaption), "") << "no GTK box";
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(2000), 0);
  EXPECT_TRUE(x.Windows(kPromptCaption).empty());
  EXPECT_TRUE(x.Windows("Screen Saver").empty());

  Child settings = Spawn({"lumivex", "/c"}, x.SaverEnv());
  ASSERT_NE(x.WaitForWindow("Lumivex"), "") << "no GTK box";
  settings.Signal(SIGTERM);
  EXPECT_EQ(settings.Wait(2000), 0);
}

TEST(BinaryOnX, APreviewThatGrowsFillsItsNewAreaWithStars) {
  if (!HaveTools({"Xvfb", "xdotool", "xmessage", "import", "convert"}))
    GTEST_SKIP() << "X tools or ImageMagick missing";
  XServer x("1024x768x24");
  ASSERT_FALSE(x.Display().empty());
  KeepLog();
  FastFrames();
  SetIni("Params", "Moon", "0");  // stars only: the moon is one bright disc
  ParentWindow parent = OpenParent(x, "300x200+20+20");
  ASSERT_FALSE(parent.id.empty()) << parent.program.Err();
  Child preview = Spawn({"lumivex", "/p", parent.id}, x.SaverEnv());
  ASSERT_NE(x.WaitForWindow("Preview"), "");
  // The sky comes after the program's start, which a loaded machine (or a
  // sanitized build) may make slow: look until it is there, for a while.
  const std::string small = lvx::test::Home() + "/small.png";
  Picture before;
  for (int attempt = 0; attempt < 20; ++attempt) {
    SleepMs(500);
    x.Tool("import -window " + parent.id + " '" + small + "'");
    before = ReadPicture(small, 300, 200);
    if (before.width > 0 && before.BrightIn(0, 0, 300, 200, 120) > 50) break;
  }
  ASSERT_GT(before.width, 0);
  EXPECT_GT(before.BrightIn(0, 0, 300, 200, 120), 50) << "no sky before growing";

  x.Tool("xdotool windowsize " + parent.id + " 600 400");
  SleepMs(1000);
  const std::string big = lvx::test::Home() + "/big.png";
  x.Tool("import -window " + parent.id + " '" + big + "'");
  const Picture after = ReadPicture(big, 600, 400);
  ASSERT_GT(after.width, 0) << "the parent did not grow";
  // Three quarters of the new window lie outside the old corner; the new
  // scene's stars are spread over all of it.
  EXPECT_GT(BrightOutside(after, 300, 200), 60) << "the new area stayed dark";
  EXPECT_EQ(preview.Wait(0), kRunning);
  EXPECT_NE(Log().find("new screen width= 600"), std::string::npos);
  EXPECT_EQ(preview.Terminate(), 0);
}

TEST(BinaryOnX, APreviewWhoseWindowDiesEndsQuietlyAtOnce) {
  if (!HaveTools({"Xvfb", "xdotool", "xmessage"})) GTEST_SKIP() << "X tools missing";
  XServer x("1024x768x24");
  ASSERT_FALSE(x.Display().empty());
  FastFrames();
  OldLogWithAnError();  // a box nobody could answer would not show either
  for (int run = 0; run < 10; ++run) {
    ParentWindow parent = OpenParent(x, "320x240+10+10");
    ASSERT_FALSE(parent.id.empty()) << parent.program.Err();
    Child preview = Spawn({"lumivex", "/p", parent.id}, x.SaverEnv());
    ASSERT_NE(x.WaitForWindow("Preview"), "") << run;
    SleepMs(300 + 70 * run);  // the parent dies at every stage of drawing
    EXPECT_TRUE(x.Windows(kPromptCaption).empty()) << "a preview showed a box";
    parent.program.Kill();
    // Usually within a few tens of milliseconds; the bound leaves room for a
    // loaded machine.
    EXPECT_EQ(preview.Wait(5000), 0) << "run " << run;
    std::string err = preview.Err();
    // The only line is the unshown box of the first run.
    const std::string box = std::string("MessageBox [") + kPromptCaption + "]";
    if (err.compare(0, box.size(), box) == 0) err.erase(0, err.find('\n') + 1);
    EXPECT_EQ(err, "") << "run " << run;
  }
}

namespace {

// XScreenSaver refuses to start savers for root: as root, its processes run
// as "nobody" in a private folder; otherwise as the current user.
class DaemonUser {
 public:
  DaemonUser() {
    if (geteuid() != 0) {
      uid_ = geteuid();
      gid_ = getegid();
      usable_ = true;
      return;
    }
    if (const passwd* pw = getpwnam("nobody")) {
      uid_ = pw->pw_uid;
      gid_ = pw->pw_gid;
      usable_ = true;
    }
  }
  bool usable() const { return usable_; }
  // Gives `path` (and what lies below) to the daemon's user.
  void Own(const std::string& path) const {
    std::error_code ec;
    if (chown(path.c_str(), uid_, gid_) != 0) return;
    if (!std::filesystem::is_directory(path, ec)) return;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec))
      if (chown(entry.path().c_str(), uid_, gid_) != 0) return;
  }
  // Starts a program as that user with exactly `env`, its output in `outPath`.
  Child Start(std::vector<std::string> args, const Env& env, const std::string& outPath) const {
    lvx::test::SpawnOptions options;
    options.env = env;
    options.clearEnv = true;
    options.errPath = outPath;
    options.withOutput = true;
    options.inChild = [this] {
      return geteuid() != 0 ||
             (setgroups(0, nullptr) == 0 && setgid(gid_) == 0 && setuid(uid_) == 0);
    };
    return Spawn(std::move(args), std::move(options));
  }

 private:
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool usable_ = false;
};

// Processes running the given program file.
int ProcessesOf(const std::string& program) {
  int n = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    std::error_code linkError;
    const auto exe = std::filesystem::read_symlink(entry.path() / "exe", linkError);
    if (!linkError && exe == program) ++n;
  }
  return n;
}

}  // namespace

TEST(XScreenSaverDaemon, RunsTheSaverWithoutABoxAndStopsIt) {
  if (!HaveTools({"xscreensaver", "xscreensaver-command"}))
    GTEST_SKIP() << "XScreenSaver is not installed (Debian package xscreensaver)";
  if (!HaveTools({"Xvfb", "xdotool", "import", "convert"})) GTEST_SKIP() << "X tools missing";
  const DaemonUser user;
  if (!user.usable()) GTEST_SKIP() << "no user \"nobody\" to run XScreenSaver as";
  XServer x("1024x768x24");
  ASSERT_FALSE(x.Display().empty());

  // A private folder the daemon's user owns: its home, the saver's settings
  // and log (with an ERROR line from an old run), and the saver itself.
  std::string dir = (std::filesystem::temp_directory_path() / "lumivex-xs-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  struct Cleanup {
    std::string dir;
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    }
  } cleanup{dir};
  chmod(dir.c_str(), 0755);
  const std::string home = dir + "/home", saverHome = dir + "/lumivex",
                    saver = dir + "/lumivex-bin";
  std::filesystem::create_directories(home);
  std::filesystem::create_directories(saverHome);
  std::filesystem::copy_file(LumivexBinary(), saver);
  lvx::test::WriteFile(saverHome + "/lumivex-log.txt", "ERROR>Old run= something went wrong\n");
  lvx::test::WriteFile(
      saverHome + "/Lumivex.ini",
      "[params]\nTickTime=\"20\"\nFixedTickTime=\"20\"\n[Params]\nSwitchOffTV=\"0\"\n");
  // Only Lumivex, no locking, no fading, no splash.
  lvx::test::WriteFile(home + "/.xscreensaver",
                       "mode:\tone\nselected:\t0\ntimeout:\t0:30:00\ncycle:\t0:00:00\n"
                       "lock:\tFalse\nsplash:\tFalse\nfade:\tFalse\nunfade:\tFalse\n"
                       "dpmsEnabled:\tFalse\nprograms:\t\"Lumivex\"  " +
                           saver + " -root  \\n\n");
  user.Own(dir);

  const Env env{{"HOME", home},
                {"DISPLAY", x.Display()},
                {"PATH", "/usr/bin:/bin"},
                {"LUMIVEX_HOME", saverHome},
                {"LUMIVEX_DISPLAY", "x11"}};
  const std::string daemonOut = dir + "/xscreensaver.txt";
  Child daemon = user.Start({"xscreensaver", "--no-splash", "--verbose"}, env, daemonOut);
  auto command = [&](const char* word) {
    const std::string out = dir + "/command.txt";
    Child c = user.Start({"xscreensaver-command", word}, env, out);
    const int code = c.Wait(10000);
    const std::string text = lvx::test::ReadFile(out);
    std::remove(out.c_str());
    return std::make_pair(code, text);
  };
  // The daemon takes a moment before it answers.
  bool blanked = false;
  for (int i = 0; i < 50 && !blanked; ++i) {
    blanked = command("-activate").first == 0;
    if (!blanked) SleepMs(200);
  }
  ASSERT_TRUE(blanked) << lvx::test::ReadFile(daemonOut);
  for (int i = 0; i < 100 && ProcessesOf(saver) == 0; ++i) SleepMs(100);
  ASSERT_EQ(ProcessesOf(saver), 1) << lvx::test::ReadFile(daemonOut);
  SleepMs(4000);  // the stars find their places

  // The sky: a black screen with stars all over it, and no box on it.
  const std::string shot = lvx::test::Home() + "/xscreensaver.png";
  x.Tool("import -window root '" + shot + "'");
  const Picture sky = ReadPicture(shot, 1024, 768);
  ASSERT_GT(sky.width, 0);
  const int bright = sky.BrightIn(0, 0, 1024, 768, 120);
  const int lit = sky.BrightIn(0, 0, 1024, 768, 30);
  EXPECT_GT(bright, 300) << "no stars";
  EXPECT_LT(lit, 1024 * 768 / 10) << "not a night sky";
  for (const auto& [left, top] : {std::pair{0, 0}, {512, 0}, {0, 384}, {512, 384}})
    EXPECT_GT(sky.BrightIn(left, top, left + 512, top + 384, 120), 10) << "an empty quarter";
  EXPECT_EQ(x.Tool("xdotool search --name '" + std::string(kPromptCaption) + "'"), "")
      << "a box was shown";
  const std::string daemonText = lvx::test::ReadFile(daemonOut);
  EXPECT_NE(daemonText.find(std::string("MessageBox [") + kPromptCaption + "]"), std::string::npos)
      << daemonText;
  if (const char* keep = std::getenv("LUMIVEX_KEEP_SCREENSHOT"))
    Shell("cp '" + shot + "' '" + keep + "-xscreensaver.png'");

  // Deactivated, the daemon stops the saver with SIGTERM: nothing remains.
  EXPECT_EQ(command("-deactivate").first, 0);
  for (int i = 0; i < 50 && ProcessesOf(saver) != 0; ++i) SleepMs(100);
  EXPECT_EQ(ProcessesOf(saver), 0) << "a lumivex process outlived the saver";
  command("-exit");
  EXPECT_NE(daemon.Wait(5000), kRunning);
}
