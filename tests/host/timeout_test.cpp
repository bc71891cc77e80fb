// The automatic adjustment of the display's screen-saver timeout.
#include "host_fixture.h"

namespace {
int Timeout() {
  int seconds = -1;
  SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
  return seconds;
}
void SetTimeout(int seconds) {
  SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(seconds), nullptr, 0);
}
}  // namespace

class TimeoutTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    SetIni("TimeoutCorrection", "Status", "1");
    SetTimeout(300);
  }
  // One run that the user ends after `seconds`.
  void Run(int seconds) {
    ScreenSaveTimeout.Start();
    lvx::AdvanceStopwatchClockForTests(seconds * 1000);
    ScreenSaveTimeout.Stop();
  }
};

TEST_F(TimeoutTest, SwitchedOffItNeverChangesTheTimeout) {
  SetIni("TimeoutCorrection", "Status", "0");
  Run(5);
  EXPECT_EQ(Timeout(), 300);
  EXPECT_NE(Log().find("Stop called, but ignored"), std::string::npos);
}

TEST_F(TimeoutTest, EarlyReturnsLengthenTheTimeout) {
  Run(10);
  EXPECT_EQ(Timeout(), 420);
  // Only the first stop of a run counts.
  lvx::AdvanceStopwatchClockForTests(1000);
  ScreenSaveTimeout.Stop();
  EXPECT_EQ(Timeout(), 420);
  EXPECT_NE(Log().find("Stop called, but ignored"), std::string::npos);

  SetTimeout(300);
  Run(30);
  EXPECT_EQ(Timeout(), 360);
  SetTimeout(300);
  Run(120);
  EXPECT_EQ(Timeout(), 300);
  EXPECT_EQ(GetIni("TimeoutCorrection", "Runs"), "<none>");
}

TEST_F(TimeoutTest, EveryEleventhLongRunShortensByAMinute) {
  for (int run = 1; run <= 10; ++run) {
    Run(300);
    EXPECT_EQ(Timeout(), 300);
    EXPECT_EQ(GetIni("TimeoutCorrection", "Runs"), std::to_string(run));
  }
  Run(400);
  EXPECT_EQ(Timeout(), 240);
  EXPECT_EQ(GetIni("TimeoutCorrection", "Runs"), "0");

  // A count beyond the limit in the file is a due shortening, not an overflow.
  SetTimeout(300);
  SetIni("TimeoutCorrection", "Runs", "2147483647");
  Run(400);
  EXPECT_EQ(Timeout(), 240);
  EXPECT_EQ(GetIni("TimeoutCorrection", "Runs"), "0");
}

TEST_F(TimeoutTest, NeverBelowOneMinuteNorWhenTheDisplayHasNone) {
  SetTimeout(60);
  SetIni("TimeoutCorrection", "Runs", "10");
  Run(1000);
  EXPECT_EQ(Timeout(), 60);
  EXPECT_EQ(GetIni("TimeoutCorrection", "Runs"), "0");

  // 0: the display's own saver is off; lengthening would switch it on.
  SetTimeout(0);
  Run(5);
  EXPECT_EQ(Timeout(), 0);
}

TEST_F(HostTest, InputStopsTheTrackerButPointerOnlyAfterTheWarmUp) {
  SetIni("Params", "SwitchOffTV", "0");
  SetIni("TimeoutCorrection", "Status", "1");
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_TRUE(ScreenSaveTimeout.Armed());
  FrameCounter = 3;
  MoveTo(900, 10);
  EXPECT_TRUE(ScreenSaveTimeout.Armed());
  FrameCounter = PointerWarmUpFrames;
  SendMessageA(window_, WM_MOUSEMOVE, 0, 0);  // below the threshold, still a stop
  EXPECT_FALSE(ScreenSaveTimeout.Armed());
}
