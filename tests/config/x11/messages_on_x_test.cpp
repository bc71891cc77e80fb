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
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
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

bool WindowGone(const std::string& id, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (XTool("xdotool getwindowname " + id).empty()) return true;
    SleepMs(50);
  }
  return false;
}

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};

Box Geometry(const std::string& window) {
  const std::string out = XTool("xdotool getwindowgeometry --shell " + window);
  auto value = [&](const char* key) {
    const std::size_t at = out.find("\n" + std::string(key) + "=");
    return at == std::string::npos ? 0 : std::atoi(out.c_str() + at + std::strlen(key) + 2);
  };
  return Box{value("X"), value("Y"), value("WIDTH"), value("HEIGHT")};
}

// Clicks the middle of a control: its template place in dialog units,
// shifted by `originX/Y` units (where the page sits in the sheet) and scaled
// as the window came out for a dialog of `unitsX` x `unitsY` units.
void ClickControl(const Box& window, int templateId, int controlId, int originX, int originY,
                  int unitsX, int unitsY) {
  const lvx::res::DialogTemplate* t = lvx::res::FindDialogTemplate(templateId);
  ASSERT_NE(t, nullptr);
  for (std::size_t i = 0; i < t->count; ++i) {
    const lvx::res::DialogItem& item = t->items[i];
    if (item.id != controlId) continue;
    const int x = window.x + static_cast<int>((originX + item.x + item.cx / 2.0) * window.width /
                                              unitsX);
    const int y = window.y + static_cast<int>((originY + item.y + item.cy / 2.0) * window.height /
                                              unitsY);
    XTool("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    return;
  }
  FAIL() << "no control " << controlId;
}

// The sheet is its largest page (300 x 244 units) with 11 units of margin
// on each side, 25 above for the tabs and 32 below for its buttons; its OK
// button sits at (211, 280).
constexpr int kSheetUnitsX = 322, kSheetUnitsY = 301, kPageX = 11, kPageY = 25;

void ClickSheetOk(const Box& sheet) {
  const int x = sheet.x + static_cast<int>((211 + 25) * sheet.width / double(kSheetUnitsX));
  const int y = sheet.y + static_cast<int>((280 + 7) * sheet.height / double(kSheetUnitsY));
  XTool("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
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
  lvx::test::WriteFile(lvx::ConfigFolder() + "/Lumivex.ini",
                       "[params]\nFirstTime=\"0\"\nJokes=\"0\"\n[Messages]\nMessage___0=\"main\"\n");

  const char* dir = std::getenv("LUMIVEX_BINARY_DIR");
  const std::string binary = std::string(dir != nullptr ? dir : ".") + "/host/lumivex";
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
  struct Reaper {
    pid_t pid;
    ~Reaper() {
      if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  } reaper{pid};

  const std::string main = WaitForWindow("Lumivex v3.08");
  ASSERT_FALSE(main.empty()) << lvx::test::ReadFile(errors);
  SleepMs(300);
  XTool("xdotool windowfocus --sync " + main + " key --clearmodifiers alt+o");
  const std::string sheetId = WaitForWindow("Lumivex v3.08 - Much More Options");
  ASSERT_FALSE(sheetId.empty()) << lvx::test::ReadFile(errors);
  SleepMs(300);
  const Box sheet = Geometry(sheetId);
  ASSERT_GT(sheet.width, 300);

  auto onPage = [&](int control) {
    ClickControl(sheet, IDD_MESSAGES, control, kPageX, kPageY, kSheetUnitsX, kSheetUnitsY);
  };
  onPage(IDC_MSG_NEW);
  SleepMs(200);
  onPage(IDC_MSG_TEXT);
  XTool("xdotool key --clearmodifiers ctrl+a");
  XTool("xdotool type --delay 20 'Sweet dreams'");
  onPage(IDC_MSG_BOTTOMLINE);
  XTool("xdotool key --clearmodifiers ctrl+a");
  XTool("xdotool type --delay 20 'from the messages page'");
  SleepMs(200);
  ClickSheetOk(sheet);
  ASSERT_TRUE(WindowGone(sheetId, 5000)) << "OK closes the sheet";

  SleepMs(200);
  const Box page = Geometry(main);
  const lvx::res::DialogTemplate* t = lvx::res::FindDialogTemplate(IDD_MAIN);
  ClickControl(page, IDD_MAIN, IDOK, 0, 0, t->cx, t->cy);

  int status = -1;
  for (int waited = 0; waited < 10000 && reaper.pid > 0; waited += 50) {
    if (waitpid(pid, &status, WNOHANG) == pid) reaper.pid = -1;
    SleepMs(50);
  }
  ASSERT_EQ(reaper.pid, -1) << "the program ended\n" << lvx::test::ReadFile(errors);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "OK ends the run with 1";
  EXPECT_EQ(IniValue("Messages", "Message___1"), "Sweet dreams");
  EXPECT_EQ(IniValue("Messages", "BottomLine1"), "from the messages page");
  EXPECT_EQ(IniValue("Messages", "Message___0"), "main");
}
