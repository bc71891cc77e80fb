#include "host/saver_proc.h"

#include <cstdio>

#include "events/jokes.h"
#include "exchange/message_file.h"
#include "host/hot_corners.h"
#include "host/saver_host.h"
#include "host/timeout.h"
#include "messages/quill.h"
#include "moon/phase.h"
#include "scene/saver_state.h"
#include "universe/universe.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {

constexpr int kInfo = 3;
constexpr int kWarning = 5;
// Frames run back to back by the daily speed measurement.
constexpr int kMeasuredTicks = 50;

void LogOperation(const char* value) { LogFile.Log(kInfo, "operation", value); }

int TodayDayOfMonth() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wDay;
}

// The window's client size the scene was laid out for, and whether a new
// one has come since (WM_SIZE): the next frame then builds a new scene.
SIZE LaidOutSize{0, 0};
bool SizeChanged = false;

// A debugging override of the drawing area's right or bottom edge; values
// that would leave no area or reach past the window are not used.
void ApplySmallWindow(const char* key, LONG low, LONG* edge) {
  int value = 0;
  MainSettings.ReadInt("params", key, &value, 0);
  if (value == 0) return;
  if (value <= low || value > *edge) {
    LogFile.LogInt(kWarning, key, value);
    return;
  }
  *edge = value;
}

// ScreenRect from the client rectangle and the "SmallWindow" overrides.
void LayOutDrawingArea(HWND window) {
  RECT client{0, 0, 0, 0};
  GetClientRect(window, &client);
  LaidOutSize = SIZE{client.right - client.left, client.bottom - client.top};
  SizeChanged = false;
  ApplySmallWindow("SmallWindowX", client.left, &client.right);
  ApplySmallWindow("SmallWindowY", client.top, &client.bottom);
  ScreenRect = client;
}

// A preview or daemon window that changed size, or a full-screen window on a
// resized screen: the scene is torn down as at the end of a run, and this
// frame creates one of the new size.
void RebuildScene(HWND window) {
  if (SaverDC != nullptr) {
    Universe::Instance().Destroy();
    ReleaseDC(window, SaverDC);
    SaverDC = nullptr;
  }
  LayOutDrawingArea(window);
  LogFile.LogLong(kInfo, "new screen width", static_cast<long>(ScreenRect.right) - ScreenRect.left);
  LogFile.LogLong(kInfo, "new screen height",
                  static_cast<long>(ScreenRect.bottom) - ScreenRect.top);
}

LRESULT OnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  FrameBusy = true;
  SizeChanged = false;

  if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  LogFile.Clear();
  LogFile.Log(kInfo, "Version", SaverVersion);
  LogOperation("running");

  if (MainSettings.Init("$CURRENT", "\\Lumivex.ini") != 0) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return DefaultSaverProc(window, message, wParam, lParam);
  }
  if (MainSettings.FirstTime) Quill.WriteFirstRunMessages();

  MainSettings.WriteString("params", "CDate", SaverBuildDate);
  CheckClock(window, std::time(nullptr));
  MainSettings.WriteString("Info", "CDate", SaverBuildTimestamp);
  MainSettings.WriteString("params", "Version", SaverVersion);

  LogOperation("adv1");
  ReceiveMessage();
  LogOperation("adv2");

  if (MouseInCorner(window) != 0) {
    // A tiny nudge of the pointer restarts the display's idle time, so the
    // saver is not started again right away.
    POINT p{0, 0};
    GetCursorPos(&p);
    SetCursorPos(p.x + 1, p.y + 1);
    SetCursorPos(p.x, p.y);
    PostMessageA(window, WM_CLOSE, 0, 0);
    FrameBusy = false;
    StartAborted = true;
    return DefaultSaverProc(window, message, wParam, lParam);
  }

  LogOperation("adv3");
  ScreenSaveTimeout.Start();
  LogOperation("adv4");
  SetWindowLongA(window, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  LogOperation("adv5");

  int tick = 40;
  MainSettings.ReadInt("params", "TickTime", &tick, 40);
  TickTime = ClampTickTime(tick);
  int realTick = 60;
  MainSettings.ReadInt("params", "RealTickTime", &realTick, 60);
  RealTickTime = ClampRealTickTime(realTick);

  MainWindow = window;
  LayOutDrawingArea(window);

  FrameTimerId = SetTimer(window, FrameTimerNumber, static_cast<UINT>(TickTime), nullptr);
  FrameBusy = false;
  return DefaultSaverProc(window, message, wParam, lParam);
}

// Once a day the first drawing frame times a burst of frames, so the stored
// processing time follows the machine without a separate benchmark.
void DailyMeasurement() {
  // Frames under the start picture draw nothing and would time nothing.
  if (!DailyMeasurePending || Universe::Instance().ShowingStartPicture()) return;
  DailyMeasurePending = false;
  const int today = TodayDayOfMonth();
  int stored = 0;
  MainSettings.ReadInt("params", "oncepd_tpms", &stored, 0);
  MainSettings.WriteUInt("params", "oncepd_tpms", static_cast<unsigned>(today));
  if (stored == today) return;
  Universe& universe = Universe::Instance();
  SaverStopwatch.Start();
  for (int i = 0; i < kMeasuredTicks; ++i) universe.Tick();
  const double average = SaverStopwatch.ElapsedSeconds() * 20.0;
  MainSettings.WriteUInt("Params", "TickProcess_mSec",
                         average > 0.0 ? static_cast<unsigned>(average) : 0u);
}

LRESULT OnTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (wParam != FrameTimerId) return 1;
  if (StartAborted || FrameBusy) return 0;
  FrameBusy = true;
  ++FrameCounter;

  if (SizeChanged) RebuildScene(window);
  Universe& universe = Universe::Instance();
  if (SaverDC == nullptr) {
    SaverDC = GetDC(MainWindow);
    if (SaverDC == nullptr) {
      // FrameBusy stays set: without a DC no frame can ever run.
      Trace("main - 2811");
      return DefaultSaverProc(window, message, wParam, lParam);
    }
    universe.Create();
    FrameBusy = false;
    return 0;
  }

  universe.Tick();
  DailyMeasurement();
  if (universe.AdaptTickTime()) {
    if (FrameTimerId != 0) KillTimer(window, FrameTimerId);
    FrameTimerId = SetTimer(window, FrameTimerNumber, static_cast<UINT>(TickTime), nullptr);
  }
  FrameBusy = false;
  return 0;
}

LRESULT OnEraseBackground(HWND window, WPARAM wParam) {
  if (StartAborted) return 0;
  HotCorners.Load();
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (HotCorners.switchOffTV) {
    Universe::Instance().SwitchOffEffect(window, dc);
  } else {
    RECT client{0, 0, 0, 0};
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  return 0;
}

LRESULT OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LogFile.Log(kInfo, "Screensaver", "WM_DESTROY received");
  if (SaverDC != nullptr && !StartAborted) {
    Universe::Instance().Destroy();
    ReleaseDC(window, SaverDC);
    SaverDC = nullptr;
    if (FrameTimerId != 0) KillTimer(window, FrameTimerId);
    FrameTimerId = 0;

    // The adapted timings are kept at most once a day, by the first run.
    const int today = TodayDayOfMonth();
    int stored = 0;
    MainSettings.ReadInt("params", "oncepd_rtt", &stored, 0);
    MainSettings.WriteUInt("params", "oncepd_rtt", static_cast<unsigned>(today));
    if (stored != today) {
      MainSettings.WriteUInt("params", "TickTime", static_cast<unsigned>(TickTime));
      MainSettings.WriteUInt("params", "RealTickTime", static_cast<unsigned>(RealTickTime));
    }
  }
  return DefaultSaverProc(window, message, wParam, lParam);
}

}  // namespace

int ClampTickTime(int milliseconds) {
  if (milliseconds <= 20) return 20;
  if (milliseconds >= 70) return 70;
  return milliseconds;
}

int ClampRealTickTime(int milliseconds) {
  if (milliseconds <= 5) return 5;
  if (milliseconds >= 100) return 100;
  return milliseconds;
}

long DaysSinceBuildDate(std::time_t now) {
  char monthName[16] = "";
  int day = 0, year = 0;
  std::sscanf(SaverBuildDate, "%15s%i%i", monthName, &day, &year);
  std::tm midnight{};
  midnight.tm_year = year - 1900;
  midnight.tm_mon = MonthFromName(monthName) - 1;
  midnight.tm_mday = day;
  midnight.tm_isdst = -1;
  const std::time_t built = std::mktime(&midnight);
  return static_cast<long>(std::difftime(now, built) * (1.0 / 86400.0));
}

void CheckClock(HWND owner, std::time_t now) {
  if (DaysSinceBuildDate(now) >= 0) return;
  MessageBoxA(owner,
              "It seems that your computer has incorrect\ntime or date. Please correct it so that "
              "the\nmoon phases are displayed correctly.",
              "Date/time problem", MB_OK);
}

LRESULT ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window, message, wParam, lParam);
    case WM_TIMER:
      return OnTimer(window, message, wParam, lParam);
    case WM_ERASEBKGND:
      return OnEraseBackground(window, wParam);
    case WM_SIZE:
      // Only noted: the scene is rebuilt at the next frame, never inside one.
      if (MainWindow == window && (static_cast<LONG>(LOWORD(lParam)) != LaidOutSize.cx ||
                                   static_cast<LONG>(HIWORD(lParam)) != LaidOutSize.cy))
        SizeChanged = true;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!StartAborted) ScreenSaveTimeout.Stop();
      break;
    case WM_MOUSEMOVE:
      if (StartAborted) break;
      if (FrameCounter < PointerWarmUpFrames) return 0;
      ScreenSaveTimeout.Stop();
      break;
    case WM_CLOSE:
      LogFile.LogTime("WM_CLOSE received");
      LogFile.LogLong(kInfo, "screen width", static_cast<long>(ScreenRect.right) - ScreenRect.left);
      LogFile.LogLong(kInfo, "screen height", static_cast<long>(ScreenRect.bottom) - ScreenRect.top);
      // One close in 25 gets a joke first. Not in a window of another
      // program (a preview, or a saver framework that is stopping us), nor
      // when a signal tells the program to end: that must be prompt.
      if (!StartAborted && !SaverHost.isPreview && !lvx::TerminationRequested() &&
          RandomBelow(25) == 1)
        ShutDownJoke();
      break;
    case WM_DESTROY:
      return OnDestroy(window, message, wParam, lParam);
    default:
      break;
  }
  return DefaultSaverProc(window, message, wParam, lParam);
}
