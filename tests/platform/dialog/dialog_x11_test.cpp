// Dialogs on the X display with real GTK widgets: the widgets show what the
// model holds, a person's typing and clicking (xdotool) reaches the model
// and the procedure, and a picture frame's pixels reach the screen.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/backend/backend.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/dialog/gtk_mirror.h"
#include "platform/winapi.h"
#include "resources/dialog_ids.h"
#include "tests/support/test_support.h"

// Xlib's macros must come after every other header.
// clang-format off
#include <gdk/gdkx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include "tests/platform/dialog/x_windows.h"
// clang-format on

// GTK's process-wide caches are kept out of leak reports by the suppressions
// of message_box_test.cpp, which serve this whole test program.

namespace lvx::test {
// The X window id of a dialog's GTK window; 0 when it has none.
unsigned long XidOfDialog(HWND dialog) {
  auto* w = static_cast<GtkWidget*>(lvx::dialog::GtkWindowOf(dialog));
  if (w == nullptr || gtk_widget_get_window(w) == nullptr) return 0;
  return GDK_WINDOW_XID(gtk_widget_get_window(w));
}
}  // namespace lvx::test

namespace {

namespace dt = lvx::dlgtest;

class DialogX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lvx::test::UseTestXDisplay()) << "the test script starts Xvfb";
    lvx::ResetBackendForTests();
    ASSERT_STREQ(lvx::DisplayName(), "x11");
    unsetenv("LUMIVEX_MSGBOX_ANSWERS");
    // GTK's choosers keep their settings in memory, not in a desktop store.
    setenv("GSETTINGS_BACKEND", "memory", 1);
  }
  void TearDown() override {
    lvx::ResetDialogsForTests();
    lvx::ResetUserStateForTests();
  }
};

// Runs xdotool on the test display; true when it succeeded. Its --sync
// waits have no end of their own.
bool XDo(const std::string& args) {
  const std::string cmd =
      "DISPLAY=" + lvx::test::TestXDisplay() + " timeout 20 xdotool " + args + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

std::string Center(const RECT& r) {
  return std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2);
}

// Ends the test program when a step never returns, so that a hang fails in
// seconds with its name instead of at the suite's timeout.
class Watchdog {
 public:
  Watchdog(int seconds, const char* what)
      : thread_([this, seconds, what] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
            std::fprintf(stderr, "Hung: %s\n", what);
            std::_Exit(1);
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

// Each test's procedure: a step function called on every tick of timer 1
// until it ends the dialog, with a deadline so no test can hang.
struct Steps {
  std::function<void(HWND)> init;
  std::function<bool(HWND, int)> tick;  // true: done (the step ended the dialog)
  int ticks = 0;
  bool timedOut = false;
  bool cancelled = false;  // the dialog got IDCANCEL
};
Steps* g_steps = nullptr;

INT_PTR CALLBACK StepProc(HWND d, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      if (g_steps->init) g_steps->init(d);
      SetTimer(d, 1, 50, nullptr);
      return TRUE;
    case WM_TIMER:
      if (wParam != 1) return FALSE;
      if (++g_steps->ticks > 400) {  // 20 seconds
        g_steps->timedOut = true;
        EndDialog(d, -2);
      } else if (g_steps->tick(d, g_steps->ticks)) {
        KillTimer(d, 1);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        if (LOWORD(wParam) == IDCANCEL) g_steps->cancelled = true;
        EndDialog(d, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR RunSteps(int templateId, Steps& steps) {
  g_steps = &steps;
  INT_PTR r = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(templateId), nullptr, StepProc, 0);
  g_steps = nullptr;
  return r;
}

TEST_F(DialogX11, WidgetsShowWhatTheModelHolds) {
  Steps steps;
  steps.init = [](HWND d) {
    SetDlgItemTextA(d, IDC_MAIL_LOGIN, "Jonah");
    SetDlgItemTextA(d, IDC_MAIL_PASSWORD, "secret");
    CheckRadioButton(d, IDC_MAIL_LAN, IDC_MAIL_MODEM, IDC_MAIL_LAN);
    EnableWindow(GetDlgItem(d, IDC_MAIL_SERVER), FALSE);
    ShowWindow(GetDlgItem(d, IDC_MAIL_CHECKEVERY), SW_HIDE);
  };
  steps.tick = [](HWND d, int) {
    EXPECT_EQ(dt::WidgetText(d, IDC_MAIL_LOGIN), std::optional<std::string>("Jonah"));
    EXPECT_EQ(dt::WidgetText(d, IDC_MAIL_PASSWORD), std::optional<std::string>("secret"));
    EXPECT_EQ(dt::WidgetCheck(d, IDC_MAIL_LAN), std::optional<int>(BST_CHECKED));
    EXPECT_EQ(dt::WidgetCheck(d, IDC_MAIL_MODEM), std::optional<int>(BST_UNCHECKED));
    EXPECT_EQ(dt::WidgetSensitive(d, IDC_MAIL_SERVER), std::optional<bool>(false));
    EXPECT_EQ(dt::WidgetVisible(d, IDC_MAIL_CHECKEVERY), std::optional<bool>(false));
    EXPECT_EQ(dt::WidgetVisible(d, IDC_MAIL_LOGIN), std::optional<bool>(true));
    // Later changes follow at once.
    SetDlgItemTextA(d, IDC_MAIL_LOGIN, "J\xC3\xB6nah");
    EXPECT_EQ(dt::WidgetText(d, IDC_MAIL_LOGIN), std::optional<std::string>("J\xC3\xB6nah"));
    CheckRadioButton(d, IDC_MAIL_LAN, IDC_MAIL_MODEM, IDC_MAIL_MODEM);
    EXPECT_EQ(dt::WidgetCheck(d, IDC_MAIL_LAN), std::optional<int>(BST_UNCHECKED));
    EXPECT_EQ(dt::WidgetCheck(d, IDC_MAIL_MODEM), std::optional<int>(BST_CHECKED));
    // No radio button checked at all, which GTK's own radio groups cannot show.
    CheckDlgButton(d, IDC_MAIL_MODEM, BST_UNCHECKED);
    EXPECT_EQ(dt::WidgetCheck(d, IDC_MAIL_LAN), std::optional<int>(BST_UNCHECKED));
    EXPECT_EQ(dt::WidgetCheck(d, IDC_MAIL_MODEM), std::optional<int>(BST_UNCHECKED));
    EXPECT_EQ(dt::CheckState(d, IDC_MAIL_MODEM), BST_UNCHECKED) << "and the model did not move";
    EnableWindow(GetDlgItem(d, IDC_MAIL_SERVER), TRUE);
    EXPECT_EQ(dt::WidgetSensitive(d, IDC_MAIL_SERVER), std::optional<bool>(true));
    SetWindowTextA(d, "Changed title");
    EndDialog(d, IDOK);
    return true;
  };
  EXPECT_EQ(RunSteps(IDD_EMAIL, steps), IDOK);
  EXPECT_FALSE(steps.timedOut);
}

TEST_F(DialogX11, TypingAndClickingReachTheModelAndTheProcedure) {
  Steps steps;
  std::thread person;
  std::atomic<bool> typed{false}, clicked{false}, held{false};
  bool sawPushed = false;
  int stage = 0;
  steps.init = [](HWND d) { SetDlgItemTextA(d, IDC_MAIL_LOGIN, "old"); };
  steps.tick = [&](HWND d, int) {
    if (stage == 0) {
      std::optional<RECT> login = dt::WidgetScreenRect(d, IDC_MAIL_LOGIN);
      std::optional<RECT> modem = dt::WidgetScreenRect(d, IDC_MAIL_MODEM);
      if (!login || !modem) return false;  // not on screen yet
      stage = 1;
      person = std::thread([&, login = *login, modem = *modem] {
        typed =
            XDo("mousemove " + Center(login) + " click --repeat 3 1 type --delay 20 'Hello stars'");
        clicked = XDo("mousemove " + Center(modem) + " click 1");
      });
      return false;
    }
    if (stage == 1 && dt::Text(d, IDC_MAIL_LOGIN) == "Hello stars" &&
        dt::CheckState(d, IDC_MAIL_MODEM) == BST_CHECKED) {
      stage = 2;
      std::optional<RECT> ok = dt::WidgetScreenRect(d, IDOK);
      if (person.joinable()) person.join();
      // Held down first: a held button reports BST_PUSHED (the running OK
      // button of the settings dialog stops for it), then let go.
      if (ok)
        person =
            std::thread([&, ok = *ok] { held = XDo("mousemove " + Center(ok) + " mousedown 1"); });
    } else if (stage == 2 && held) {
      if ((SendMessageA(GetDlgItem(d, IDOK), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0) {
        sawPushed = true;
        stage = 3;
        if (person.joinable()) person.join();
        person = std::thread([] { XDo("mouseup 1"); });
      }
    }
    return false;
  };
  INT_PTR result = RunSteps(IDD_EMAIL, steps);
  if (person.joinable()) person.join();
  EXPECT_TRUE(typed);
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(sawPushed) << "a button held down reports BST_PUSHED";
  EXPECT_FALSE(steps.timedOut) << "stage " << stage;
  EXPECT_EQ(result, IDOK) << "the OK button's click reached the procedure";
}

INT_PTR CALLBACK QuietPage(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// Escape on a sheet opened over a dialog whose edit holds the focus cancels
// the sheet; the dialog beneath stays open.
TEST_F(DialogX11, EscapeOnASheetCancelsTheSheetAndNotTheDialogBeneath) {
  Watchdog watchdog(60, "Escape on a sheet");
  const char* kTitle = "Escape test";
  Steps steps;
  std::thread person;
  std::atomic<bool> pressed{false};
  INT_PTR sheet = -5;
  bool cancelledBeneath = true;
  steps.init = [](HWND d) { SetFocus(GetDlgItem(d, IDC_MAIL_LOGIN)); };
  bool opened = false;
  steps.tick = [&](HWND d, int tick) {
    // The owner's timer goes on ticking inside the sheet's loop.
    if (tick < 2 || opened) return false;
    opened = true;
    person = std::thread([&] {
      Display* x = XOpenDisplay(lvx::test::TestXDisplay().c_str());
      if (x == nullptr) return;
      if (Window w = lvx::test::WaitForViewable(x, kTitle, 10, true)) {
        pressed = XDo("windowfocus --sync " + std::to_string(w) + " key Escape");
        // A sheet that Escape left open is closed, so that the test ends.
        bool open = true;
        for (int i = 0; i < 150 && open; ++i) {
          open = lvx::test::FindViewable(x, kTitle, true) != 0;
          if (open) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (open) lvx::test::SendCloseRequest(x, w);
      }
      XCloseDisplay(x);
    });
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.pszTemplate = MAKEINTRESOURCEA(IDD_USERS);
    page.pfnDlgProc = QuietPage;
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = d;
    header.pszCaption = kTitle;
    header.nPages = 1;
    header.ppsp = &page;
    sheet = PropertySheetA(&header);
    cancelledBeneath = steps.cancelled;
    EndDialog(d, IDOK);
    return true;
  };
  const INT_PTR result = RunSteps(IDD_EMAIL, steps);
  if (person.joinable()) person.join();
  EXPECT_TRUE(pressed);
  EXPECT_EQ(sheet, 0) << "Escape cancels the sheet";
  EXPECT_FALSE(cancelledBeneath) << "Escape reached the dialog beneath the sheet";
  EXPECT_EQ(result, IDOK);
}

// Reads one pixel of the screen as 0x00RRGGBB.
unsigned long ScreenPixel(int x, int y) {
  Display* d = XOpenDisplay(lvx::test::TestXDisplay().c_str());
  if (d == nullptr) return 0xFFFFFFFF;
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  unsigned long p = image != nullptr ? XGetPixel(image, 0, 0) & 0xFFFFFF : 0xFFFFFFFF;
  if (image != nullptr) XDestroyImage(image);
  XCloseDisplay(d);
  return p;
}

TEST_F(DialogX11, APictureFrameShowsWhatTheDialogPaints) {
  Steps steps;
  unsigned long seen = 0;
  steps.init = [](HWND d) {
    HWND frame = GetDlgItem(d, IDC_MAIN_PICTURE);
    HDC dc = GetDC(frame);
    RECT r{};
    GetClientRect(frame, &r);
    HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
    FillRect(dc, &r, green);
    DeleteObject(green);
    ReleaseDC(frame, dc);
  };
  steps.tick = [&](HWND d, int tick) {
    std::optional<RECT> r = dt::WidgetScreenRect(d, IDC_MAIN_PICTURE);
    if (!r || tick < 10) return false;  // let GTK draw
    seen = ScreenPixel((r->left + r->right) / 2, (r->top + r->bottom) / 2);
    EndDialog(d, IDOK);
    return true;
  };
  EXPECT_EQ(RunSteps(IDD_MAIN, steps), IDOK);
  EXPECT_EQ(seen, 0x00A000ul) << std::hex << seen;
}

}  // namespace

namespace {

using lvx::test::FindViewable;

Window WaitForTitle(Display* d, const std::string& title) {
  return lvx::test::WaitForViewable(d, title, 15);
}

TEST_F(DialogX11, AMessageBoxOfADialogStaysAboveIt) {
  Steps steps;
  unsigned long dialogXid = 0;
  std::atomic<unsigned long> transientFor{0};
  int answer = 0;
  steps.tick = [&](HWND d, int) {
    dialogXid = dt::WidgetScreenRect(d, IDOK) ? lvx::test::XidOfDialog(d) : 0;
    if (dialogXid == 0) return false;
    std::thread closer([&] {
      Display* x = XOpenDisplay(lvx::test::TestXDisplay().c_str());
      if (x == nullptr) return;
      if (Window w = WaitForTitle(x, "Error in Year")) {
        Window t = 0;
        if (XGetTransientForHint(x, w, &t)) transientFor = t;
        lvx::test::SendCloseRequest(x, w);
      }
      XCloseDisplay(x);
    });
    answer = MessageBoxA(d, "You can not specify past years", "Error in Year", MB_OK);
    closer.join();
    EndDialog(d, IDOK);
    return true;
  };
  EXPECT_EQ(RunSteps(IDD_COUNTDOWN, steps), IDOK);
  EXPECT_EQ(answer, IDOK);
  EXPECT_NE(dialogXid, 0ul);
  EXPECT_EQ(transientFor.load(), dialogXid);
}

// Sleeps past its owner's 50 ms timer on its first tick, then ends.
INT_PTR CALLBACK SleepyEnder(HWND d, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SetTimer(d, 7, 10, nullptr);
    return TRUE;
  }
  if (msg == WM_TIMER && KillTimer(d, 7)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EndDialog(d, IDOK);
    return TRUE;
  }
  return FALSE;
}

// A dialog closed while its owner's timer is due: the timer's message waits
// for the owner's own loop, and the closing does not wait on it.
TEST_F(DialogX11, ClosingADialogWhileItsOwnersTimerIsDueReturns) {
  Watchdog watchdog(30, "closing a dialog while its owner's timer was due");
  Steps steps;
  bool opened = false;
  INT_PTR nested = -5;
  steps.tick = [&](HWND d, int tick) {
    if (tick < 2 || opened) return false;
    opened = true;
    nested = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_USERS), d, SleepyEnder, 0);
    EndDialog(d, IDOK);
    return true;
  };
  EXPECT_EQ(RunSteps(IDD_EMAIL, steps), IDOK);
  EXPECT_EQ(nested, IDOK);
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A box GTK runs on its own, over a dialog whose timer falls due meanwhile,
// waits for its answer without keeping a processor busy.
TEST_F(DialogX11, AMessageBoxOverATickingDialogWaitsWithoutSpinning) {
  Watchdog watchdog(60, "a message box over a ticking dialog");
  Steps steps;
  double wall = 0, cpu = 0;
  bool seen = false;
  steps.tick = [&](HWND d, int) {
    std::thread closer([&] {
      Display* x = XOpenDisplay(lvx::test::TestXDisplay().c_str());
      if (x == nullptr) return;
      if (Window w = WaitForTitle(x, "Quiet box")) {
        seen = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        lvx::test::SendCloseRequest(x, w);
      }
      XCloseDisplay(x);
    });
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    MessageBoxA(d, "Nothing to do but wait", "Quiet box", MB_OK);
    cpu = ProcessCpuSeconds() - cpuStart;
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    closer.join();
    EndDialog(d, IDOK);
    return true;
  };
  EXPECT_EQ(RunSteps(IDD_COUNTDOWN, steps), IDOK);
  ASSERT_TRUE(seen) << "no box appeared";
  EXPECT_GE(wall, 1.5);
  EXPECT_LT(cpu, 0.5 * wall) << cpu << " s of processor time in " << wall << " s";
}

TEST_F(DialogX11, TheFileChooserReturnsWhatIsTypedIntoIt) {
  const std::string dir = lvx::test::MakeTempDir("sounds");
  lvx::test::WriteFile(dir + "/rain.wav", "RIFF");
  char path[300] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = "WAV files (*.WAV)\0*.WAV\0All files (*.*)\0*.*\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrTitle = "Select your favorite audio file";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  std::atomic<bool> typed{false};
  std::thread person([&] {
    Display* x = XOpenDisplay(lvx::test::TestXDisplay().c_str());
    if (x == nullptr) return;
    const std::string title = "Select your favorite audio file";
    if (Window w = WaitForTitle(x, title)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      // Other programs on the display may take the focus meanwhile: try again
      // while the chooser is still up.
      const std::string focus = "windowfocus --sync " + std::to_string(w);
      for (int attempt = 0; attempt < 3 && FindViewable(x, title) != 0; ++attempt) {
        if (XDo(focus + " key ctrl+l ctrl+a type --delay 10 '" + dir + "/rain.wav'") &&
            XDo(focus + " key Return"))
          typed = true;
        // The first Return may only close the name completion's list.
        for (int wait = 0; wait < 10 && FindViewable(x, title) != 0; ++wait)
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (FindViewable(x, title) != 0) XDo(focus + " key Return");
        for (int wait = 0; wait < 10 && FindViewable(x, title) != 0; ++wait)
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    XCloseDisplay(x);
  });
  const BOOL chosen = GetOpenFileNameA(&ofn);
  person.join();
  EXPECT_TRUE(typed);
  EXPECT_TRUE(chosen);
  EXPECT_EQ(std::string(path), dir + "/rain.wav");
}

}  // namespace
