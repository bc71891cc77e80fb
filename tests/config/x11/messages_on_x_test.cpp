// The messages page of the real program on the test X server with the real
// GTK widgets, used the way a person uses it: xdotool opens the sheet, adds a
// message, types it and presses OK on the sheet and on the main page; the
// settings file then holds the message.
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

#include "platform/winapi.h"
#include "resources/dialog_ids.h"
#include "resources/dialogs.h"
#include "tests/support/test_support.h"

namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string XTool(const std::string& command) {
  std::string out;
  const std::string line = "DISPLAY=" + lvx::test::TestXDisplay() + " " + command + " 2>/dev/null";
  if (FILE* p = popen(line.c_str(), "r")) {
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

// The visible window with this exact title, waiting up to 15 s; "" if none.
std::string WaitForWindow(const std::string& title) {
  for (int i = 0; i < 300; ++i) {
    const std::string id = XTool("xdotool search --onlyvisible --name '^" + title + "$'");
    if (!id.empty()) return id.substr(0, id.find('\n'));
    SleepMs(50);
  }
  return "";
}

// Clicks the point (x, y) of `window`, given in dialog units of a window
// `unitsX` x `unitsY` units large, scaled as the window came out.
void ClickAt(const std::string& window, double x, double y, double unitsX, double unitsY) {
  const std::string g = XTool("xdotool getwindowgeometry --shell " + window);
  auto value = [&](const char* key) {
    const std::size_t at = g.find(std::string("\n") + key + "=");
    return at == std::string::npos ? 0 : std::atoi(g.c_str() + at + 2 + std::strlen(key));
  };
  const int px = value("X") + static_cast<int>(x * value("WIDTH") / unitsX);
  const int py = value("Y") + static_cast<int>(y * value("HEIGHT") / unitsY);
  XTool("xdotool mousemove --sync " + std::to_string(px) + " " + std::to_string(py) + " click 1");
}

// The middle of a control of dialog `templateId`, whose own place in
// `window` is (originX, originY): a page sits inside its sheet.
void Click(const std::string& window, int templateId, int controlId, double originX, double originY,
           double unitsX, double unitsY) {
  const lvx::res::DialogTemplate* t = lvx::res::FindDialogTemplate(templateId);
  for (std::size_t i = 0; t != nullptr && i < t->count; ++i) {
    const lvx::res::DialogItem& item = t->items[i];
    if (item.id == controlId)
      return ClickAt(window, originX + item.x + item.cx / 2.0, originY + item.y + item.cy / 2.0,
                     unitsX, unitsY);
  }
  ADD_FAILURE() << "no control " << controlId << " in " << templateId;
}

std::string IniValue(const char* section, const char* key) {
  char buffer[400] = "";
  GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer,
                           (lvx::ConfigFolder() + "/Lumivex.ini").c_str());
  return buffer;
}

}  // namespace

TEST(MessagesOnX, NewMessageTypedOnThePageIsStoredByOkAndOk) {
  ASSERT_FALSE(lvx::test::TestXDisplay().empty()) << "the test script starts Xvfb";
  // No further messages yet, and an OK button that stays where it is.
  lvx::test::WriteFile(
      lvx::ConfigFolder() + "/Lumivex.ini",
      "[params]\nFirstTime=\"0\"\nJokes=\"0\"\n[Messages]\nMessage___0=\"main\"\n");
  const std::string binary = std::string(std::getenv("LUMIVEX_BINARY_DIR")) + "/host/lumivex";
  const std::string errors = lvx::test::Home() + "/lumivex-stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("DISPLAY", lvx::test::TestXDisplay().c_str(), 1);
    setenv("LUMIVEX_DISPLAY", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (std::freopen(errors.c_str(), "w", stderr) == nullptr) _exit(126);
    execl(binary.c_str(), binary.c_str(), "/c", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  int status = -1;
  auto ended = [&](int ms) {
    for (int waited = 0; waited <= ms; waited += 50, SleepMs(50))
      if (waitpid(pid, &status, WNOHANG) == pid) return true;
    return false;
  };

  const std::string main = WaitForWindow("Lumivex v3.08");
  ASSERT_FALSE(main.empty()) << lvx::test::ReadFile(errors);
  SleepMs(300);
  XTool("xdotool windowfocus --sync " + main + " key --clearmodifiers alt+o");
  const std::string sheet = WaitForWindow("Lumivex v3.08 - Much More Options");
  ASSERT_FALSE(sheet.empty()) << lvx::test::ReadFile(errors);
  SleepMs(300);
  // The sheet is its page (300 x 244 units) with 11 units on either side, 25
  // above for the tabs and 32 below for its buttons.
  auto onPage = [&](int control) { Click(sheet, IDD_MESSAGES, control, 11, 25, 322, 301); };
  onPage(IDC_MSG_NEW);
  SleepMs(200);
  onPage(IDC_MSG_TEXT);
  XTool("xdotool key --clearmodifiers ctrl+a type --delay 20 'Sweet dreams'");
  onPage(IDC_MSG_BOTTOMLINE);
  XTool("xdotool key --clearmodifiers ctrl+a type --delay 20 'from the messages page'");
  SleepMs(200);
  ClickAt(sheet, 211 + 25, 280 + 7, 322, 301);  // the sheet's OK, 50 x 14 units at (211, 280)
  for (int i = 0; i < 100 && !XTool("xdotool getwindowname " + sheet).empty(); ++i) SleepMs(50);
  SleepMs(200);
  const lvx::res::DialogTemplate* mainPage = lvx::res::FindDialogTemplate(IDD_MAIN);
  Click(main, IDD_MAIN, IDOK, 0, 0, mainPage->cx, mainPage->cy);

  const bool done = ended(10000);
  if (!done) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  ASSERT_TRUE(done) << "the program ended\n" << lvx::test::ReadFile(errors);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "OK ends the run with 1";
  EXPECT_EQ(IniValue("Messages", "Message___1"), "Sweet dreams");
  EXPECT_EQ(IniValue("Messages", "BottomLine1"), "from the messages page");
  EXPECT_EQ(IniValue("Messages", "Message___0"), "main");
}
