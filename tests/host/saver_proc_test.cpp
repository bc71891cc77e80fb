// Start-up, frames and the end of a run of the saver window procedure.
#include <ctime>

#include "host/hot_corners.h"
#include "host_fixture.h"

namespace {
std::time_t LocalTime(int year, int month, int day, int hour) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_isdst = -1;
  return std::mktime(&t);
}
int Today() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return st.wDay;
}
}  // namespace

TEST(ClockCheck, WarnsOnlyADayOrMoreBeforeTheBuildDate) {
  EXPECT_EQ(DaysSinceBuildDate(LocalTime(2005, 10, 14, 23)), -1);
  EXPECT_EQ(DaysSinceBuildDate(LocalTime(2005, 10, 15, 1)), 0);
  EXPECT_EQ(DaysSinceBuildDate(LocalTime(2005, 10, 16, 0)), 0);
  EXPECT_EQ(DaysSinceBuildDate(LocalTime(2005, 10, 19, 12)), 3);
  EXPECT_LT(DaysSinceBuildDate(LocalTime(1999, 1, 1, 0)), -2000);
}

TEST(FrameTimings, AreForcedIntoTheirRanges) {
  EXPECT_EQ(ClampTickTime(5), 20);
  EXPECT_EQ(ClampTickTime(20), 20);
  EXPECT_EQ(ClampTickTime(21), 21);
  EXPECT_EQ(ClampTickTime(300), 70);
  EXPECT_EQ(ClampTickTime(-100), 20);
  EXPECT_EQ(ClampRealTickTime(0), 5);
  EXPECT_EQ(ClampRealTickTime(6), 6);
  EXPECT_EQ(ClampRealTickTime(1000), 100);
}

TEST_F(HostTest, FirstStartStoresTheSampleMessagesOnlyOnce) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(GetIni("Messages", "Message___0"), "Lumivex v3.08");
  EXPECT_EQ(GetIni("Messages", "BottomLine0"),
            std::string("For more information, please visit: ") + HomePageAddress);
  EXPECT_EQ(GetIni("Messages", "Message___1"), "PEACE");
  EXPECT_EQ(GetIni("Messages", "BottomLine2"), "and love");
  EXPECT_EQ(GetIni("params", "CDate"), "Oct 16 2005");
  EXPECT_EQ(GetIni("Info", "CDate"), "Sun Oct 16 14:14:04 2005");
  EXPECT_EQ(GetIni("params", "Version"), "v3.08");
  EXPECT_EQ(GetWindowLongA(window_, GWL_EXSTYLE), WS_EX_TOOLWINDOW);
  CloseSaver();

  SetIni("Messages", "Message___1", "my own");
  ResetProcess();
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(GetIni("Messages", "Message___1"), "my own");
}

TEST_F(HostTest, FrameTimingsAreReadAndClamped) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(TickTime, 40);
  EXPECT_EQ(RealTickTime, 60);
  EXPECT_EQ(FrameTimerId, FrameTimerNumber);
  CloseSaver();

  SetIni("params", "TickTime", "5");
  SetIni("params", "RealTickTime", "0");
  ResetProcess();
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(TickTime, 20);
  EXPECT_EQ(RealTickTime, 5);
  CloseSaver();

  SetIni("params", "TickTime", "300");
  SetIni("params", "RealTickTime", "1000");
  ResetProcess();
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(TickTime, 70);
  EXPECT_EQ(RealTickTime, 100);
}

TEST_F(HostTest, SmallWindowSettingsShrinkTheDrawingArea) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(ScreenRect.right, 1024);
  EXPECT_EQ(ScreenRect.bottom, 768);
  EXPECT_EQ(MainWindow, window_);
  CloseSaver();

  SetIni("params", "SmallWindowX", "320");
  SetIni("params", "SmallWindowY", "240");
  ResetProcess();
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(ScreenRect.left, 0);
  EXPECT_EQ(ScreenRect.top, 0);
  EXPECT_EQ(ScreenRect.right, 320);
  EXPECT_EQ(ScreenRect.bottom, 240);
  CloseSaver();

  // Values that leave no area, or reach past the window, are not used.
  SetIni("params", "SmallWindowX", "-50");
  SetIni("params", "SmallWindowY", "100000");
  ResetProcess();
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(ScreenRect.right, 1024);
  EXPECT_EQ(ScreenRect.bottom, 768);
}

TEST_F(HostTest, FramesCreateTheSceneThenTickIt) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(SendMessageA(window_, WM_TIMER, 99, 0), 1);  // a foreign timer
  EXPECT_EQ(FrameCounter, 0);

  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(FrameCounter, 1);
  EXPECT_NE(SaverDC, nullptr);
  EXPECT_TRUE(Universe::Instance().Created());
  EXPECT_FALSE(FrameBusy);

  // A timer message that arrives inside a frame is dropped, not nested.
  FrameBusy = true;
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(FrameCounter, 1);
  FrameBusy = false;

  // The first drawing frame of the day measures the speed once.
  EXPECT_EQ(GetIni("Params", "TickProcess_mSec"), "<none>");
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(FrameCounter, 2);
  EXPECT_NE(GetIni("Params", "TickProcess_mSec"), "<none>");
  EXPECT_EQ(GetIni("params", "oncepd_tpms"), std::to_string(Today()));
  EXPECT_FALSE(DailyMeasurePending);
}

TEST_F(HostTest, TheDailyMeasurementRunsOnlyOnADayNotYetMeasured) {
  SetIni("Params", "SwitchOffTV", "0");
  SetIni("params", "oncepd_tpms", std::to_string(Today()).c_str());
  SetIni("Params", "TickProcess_mSec", "77");
  ASSERT_NE(OpenSaver(), nullptr);
  Frame();
  Frame();
  EXPECT_EQ(GetIni("Params", "TickProcess_mSec"), "77");
}

TEST_F(HostTest, TimingsAreSavedByTheFirstRunOfTheDayOnly) {
  SetIni("Params", "SwitchOffTV", "0");
  SetIni("params", "TickTime", "33");
  SetIni("params", "RealTickTime", "44");
  ASSERT_NE(OpenSaver(), nullptr);
  Frame();
  TickTime = 50;
  RealTickTime = 70;
  CloseSaver();
  EXPECT_EQ(GetIni("params", "TickTime"), "50");
  EXPECT_EQ(GetIni("params", "RealTickTime"), "70");
  EXPECT_EQ(GetIni("params", "oncepd_rtt"), std::to_string(Today()));
  EXPECT_EQ(FrameTimerId, 0u);
  EXPECT_EQ(SaverDC, nullptr);
  EXPECT_FALSE(Universe::Instance().Created());

  ResetProcess();
  ASSERT_NE(OpenSaver(), nullptr);
  Frame();
  TickTime = 61;
  RealTickTime = 62;
  CloseSaver();
  EXPECT_EQ(GetIni("params", "TickTime"), "50");
  EXPECT_EQ(GetIni("params", "RealTickTime"), "70");
}

TEST_F(HostTest, HotCornerRefusesTheStartAndTouchesNoTimings) {
  SetIni("Params", "SwitchOffTV", "0");
  SetIni("Params", "DisableBR", "1");
  SetIni("params", "TickTime", "33");
  SetCursorPos(1023, 767);  // the bottom-right pixel of the screen
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_TRUE(StartAborted);
  EXPECT_FALSE(FrameBusy);
  EXPECT_EQ(FrameTimerId, 0u);
  EXPECT_TRUE(TakeClose());
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 1023);  // nudged and put back
  EXPECT_EQ(p.y, 767);
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(FrameCounter, 0);
  EXPECT_FALSE(ScreenSaveTimeout.Armed());

  SendMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(GetIni("params", "TickTime"), "33");
  EXPECT_EQ(GetIni("params", "RealTickTime"), "<none>");
  EXPECT_EQ(GetIni("params", "oncepd_rtt"), "<none>");
}

TEST(MouseInCorner, CornerZonesAndTheirSwitches) {
  const RECT screen{0, 0, 1024, 768};
  HotCornerRecord none{0, 0, 0, 0, 1, 0};
  HotCornerRecord all{1, 1, 1, 1, 1, 0};
  HotCornerRecord bottomRight{0, 0, 0, 1, 1, 0};
  EXPECT_EQ(CornerOf(none, screen, POINT{0, 0}), 0);
  EXPECT_EQ(CornerOf(none, screen, POINT{1024, 768}), 0);
  EXPECT_EQ(CornerOf(bottomRight, screen, POINT{1024, 768}), 4);
  EXPECT_EQ(CornerOf(bottomRight, screen, POINT{1023, 767}), 4);
  EXPECT_EQ(CornerOf(bottomRight, screen, POINT{1024 - 64, 767}), 0);
  EXPECT_EQ(CornerOf(bottomRight, screen, POINT{0, 0}), 0);
  EXPECT_EQ(CornerOf(all, screen, POINT{0, 0}), 1);
  EXPECT_EQ(CornerOf(all, screen, POINT{63, 63}), 1);
  EXPECT_EQ(CornerOf(all, screen, POINT{64, 63}), 0);
  EXPECT_EQ(CornerOf(all, screen, POINT{1000, 10}), 2);
  EXPECT_EQ(CornerOf(all, screen, POINT{10, 760}), 3);
  EXPECT_EQ(CornerOf(all, screen, POINT{500, 400}), 0);
  // On a window smaller than two zones the later corner wins.
  EXPECT_EQ(CornerOf(all, RECT{0, 0, 100, 100}, POINT{50, 50}), 4);
}

TEST_F(HostTest, WithoutTheSwitchOffEffectTheBackgroundIsErasedBlack) {
  ASSERT_NE(OpenSaver(), nullptr);
  HDC dc = GetDC(window_);
  SetPixel(dc, 5, 5, RGB(255, 0, 0));
  SetIni("Params", "SwitchOffTV", "0");
  EXPECT_EQ(SendMessageA(window_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
  EXPECT_EQ(GetPixel(dc, 5, 5), 0u);
  EXPECT_EQ(HotCorners.switchOffTV, 0);
  ReleaseDC(window_, dc);
}

TEST_F(HostTest, CloseAndDestroyAreLogged) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  SendMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window_));
  const std::string log = Log();
  EXPECT_NE(log.find("WM_CLOSE received"), std::string::npos) << log;
  EXPECT_NE(log.find("screen width= 1024"), std::string::npos) << log;
  EXPECT_NE(log.find("screen height= 768"), std::string::npos) << log;
  EXPECT_NE(log.find("Screensaver= WM_DESTROY received"), std::string::npos) << log;
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 0u);
}

TEST_F(HostTest, AResizedWindowGetsANewSceneOfItsSizeAtTheNextFrame) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  ASSERT_EQ(Frame(), 0);  // the first frame creates the scene
  ASSERT_TRUE(Universe::Instance().Created());
  const RECT before = ScreenRect;
  EXPECT_EQ(before.right, GetSystemMetrics(SM_CXSCREEN));

  // The same size again changes nothing.
  MoveWindow(window_, 0, 0, before.right, before.bottom, TRUE);
  Frame();
  EXPECT_EQ(Log().find("new screen width"), std::string::npos);

  // A new size: noted at once, acted on at the next frame, not inside one.
  MoveWindow(window_, 0, 0, 500, 300, TRUE);
  EXPECT_EQ(ScreenRect.right, before.right);
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(ScreenRect.right, 500);
  EXPECT_EQ(ScreenRect.bottom, 300);
  EXPECT_TRUE(Universe::Instance().Created());
  ASSERT_NE(SaverDC, nullptr);
  const std::string log = Log();
  EXPECT_NE(log.find("new screen width= 500"), std::string::npos);
  EXPECT_NE(log.find("new screen height= 300"), std::string::npos);
  // The old scene was torn down before the new one was made.
  const std::size_t resized = log.find("new screen width= 500");
  EXPECT_NE(log.rfind("Destroy", resized), std::string::npos);
  EXPECT_NE(log.find("Create", resized), std::string::npos);
  // Every star of the new scene stands inside the new area.
  for (const STAR& star : Universe::Instance().stars) {
    EXPECT_LT(star.x, 500);
    EXPECT_LT(star.y, 300);
  }
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Frame(), 0);

  // The debugging override of the drawing area still holds after a resize.
  SetIni("params", "SmallWindowX", "320");
  MoveWindow(window_, 0, 0, 800, 600, TRUE);
  Frame();
  EXPECT_EQ(ScreenRect.right, 320);
  EXPECT_EQ(ScreenRect.bottom, 600);
}
