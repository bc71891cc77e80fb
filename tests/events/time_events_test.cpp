#include "events/time_events.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "messages/text_pixels.h"
#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {

std::time_t At(int year, int month, int day, int hour, int minute, int second = 0) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return timegm(&tm);
}

int LitPixels() {
  int count = 0;
  for (int y = 0; y < SourceHeight; ++y)
    for (int x = 0; x < SourceWidth; ++x)
      if (GetPixel(SourceDC, x, y) != 0) ++count;
  return count;
}

// The local zone is UTC so that instants and calendar fields agree; the
// saver window's DC serves as SaverDC on a 1024 x 768 area.
class TimeEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    lvx::ResetSettingsForTests();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    MainSettings.UserWriteString("Font", "Font", "Liberation Sans");
    lvx::ResetSaverStateForTests();
    lvx::ResetTextPixelsForTests();
    lvx::ResetTimeEventsForTests();
    lvx::ResetUtilitiesForTests();
    lvx::SeedRandomForTests(3);

    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "TimeEventsTest";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, "TimeEventsTest", "", WS_POPUP, 0, 0, 1024, 768, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    SaverDC = GetDC(window_);
    ScreenRect = RECT{0, 0, 1024, 768};
  }

  void TearDown() override {
    lvx::ResetTextPixelsForTests();
    ReleaseDC(window_, SaverDC);
    SaverDC = nullptr;
    DestroyWindow(window_);
  }

  static void Target(int year, int month, int day, int hour, int minute) {
    MainSettings.UserWriteUInt("CDCounter", "Year", static_cast<unsigned>(year));
    MainSettings.UserWriteUInt("CDCounter", "Month", static_cast<unsigned>(month));
    MainSettings.UserWriteUInt("CDCounter", "Day", static_cast<unsigned>(day));
    MainSettings.UserWriteUInt("CDCounter", "Hour", static_cast<unsigned>(hour));
    MainSettings.UserWriteUInt("CDCounter", "Min", static_cast<unsigned>(minute));
  }

  HWND window_ = nullptr;
};

TEST(Tokens, WholeTextOrLeadingWordDecidesTheKind) {
  struct Case {
    const char* text;
    TokenKind kind;
  } const cases[] = {
      {"HEART", TokenHeart},          {"heart", TokenText},
      {"Heart", TokenText},           {"HEART ", TokenText},
      {"HAPPY_FACE", TokenHappyFace}, {"PEACE", TokenPeace},
      {"SAD_FACE", TokenText},        {"STAR", TokenStar},
      {"STARS", TokenText},           {"XMASTREE", TokenXmasTree},
      {"COUNTDOWN", TokenCountdown},  {"Countdown", TokenText},
      {"Timer", TokenTime},           {"TIME", TokenTime},
      {"time 2", TokenTime},          {"TIME -3.5", TokenTime},
      {"Time flies", TokenTime},      {"TIM", TokenText},
      {"BIRTHDAY FROM 1980 5 17", TokenBirthday},
      {"birthday party", TokenBirthday},
      {"BIRTH", TokenText},           {"", TokenText},
  };
  for (const Case& c : cases) EXPECT_EQ(FindTokenKind(c.text), c.kind) << c.text;
}

TEST(Tokens, ZoneTableMatchesItsOwnNames) {
  int count = 0;
  for (const TimeZoneRecord& zone : TimeZones) {
    ++count;
    ASSERT_NE(zone.name, nullptr);
    EXPECT_LE(std::strlen(zone.name), 79u);
    int hours = 0, minutes = 0;
    char sign = 0;
    float offset = 0.0f;
    if (std::strncmp(zone.name, "(GMT)", 5) != 0) {
      ASSERT_EQ(std::sscanf(zone.name, "(GMT%c%d:%d)", &sign, &hours, &minutes), 3) << zone.name;
      offset = (sign == '-' ? -1.0f : 1.0f) * (static_cast<float>(hours) + minutes / 60.0f);
    }
    EXPECT_FLOAT_EQ(zone.offset, offset) << zone.name;
  }
  EXPECT_EQ(count, 64);
  EXPECT_STREQ(TimeZones[0].name, "(GMT-12:00) Eniwetok, Kwajalein");
  EXPECT_STREQ(TimeZones[21].name,
               "(GMT) Greenwich Mean Time : Dublin, Edinburgh, Lisbon, London");
  EXPECT_STREQ(TimeZones[47].name, "(GMT+08:00) Beijing, Chongqing, Hong Kong, Urumqi");
  EXPECT_STREQ(TimeZones[63].name, "(GMT+12:00) Auckland, Wellington");
  for (int i = 1; i < TimeZoneCount; ++i) EXPECT_LE(TimeZones[i - 1].offset, TimeZones[i].offset);
}

TEST_F(TimeEvents, ClockShowsTwelveHourAndTwentyFourHourTimes) {
  lvx::SetClockForTests(At(2005, 10, 17, 0, 15));
  EXPECT_EQ(ClockText("TIME 0"), "    12:15 AM\nMon, Oct 17");
  lvx::SetClockForTests(At(2005, 10, 17, 12, 15));
  EXPECT_EQ(ClockText("TIME 0"), "    12:15 PM\nMon, Oct 17");
  lvx::SetClockForTests(At(2005, 10, 17, 23, 5));
  EXPECT_EQ(ClockText("TIME 0"), "    11:05 PM\nMon, Oct 17");

  MainSettings.UserWriteUInt("params", "FormatTime24H", 1);
  lvx::SetClockForTests(At(2005, 10, 17, 0, 15));
  EXPECT_EQ(ClockText("TIME 0"), "      0:15\nMon, Oct 17");
  lvx::SetClockForTests(At(2005, 10, 17, 12, 15));
  EXPECT_EQ(ClockText("TIME 0"), "      12:15\nMon, Oct 17");
}

TEST_F(TimeEvents, ClockMovesByTheTokenHours) {
  lvx::SetClockForTests(At(2005, 10, 17, 0, 15));
  EXPECT_EQ(ClockText("TIME -3.5"), "     8:45 PM\nSun, Oct 16");
  EXPECT_EQ(ClockText("time 2"), "     2:15 AM\nMon, Oct 17");
  EXPECT_EQ(ClockText("TIME 7.0 LDST  iLoc21 iWor47"), "     7:15 AM\nMon, Oct 17");
  // No usable number: the local time.
  for (const char* text : {"Time flies", "Timer", "TIME", "TIME nan", "TIME inf", "TIME 1e30"})
    EXPECT_EQ(ClockText(text), "    12:15 AM\nMon, Oct 17") << text;
}

TEST_F(TimeEvents, ClockIgnoresDaylightSavingWhenMoving) {
  // The moved time is the wall clock plus the hours, even across a change
  // of the local zone's offset.
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  // 2005-10-30 00:30 local (CEST) is 2005-10-29 22:30 UTC.
  lvx::SetClockForTests(At(2005, 10, 29, 22, 30));
  MainSettings.UserWriteUInt("params", "FormatTime24H", 1);
  EXPECT_EQ(ClockText("TIME 0"), "      0:30\nSun, Oct 30");
  EXPECT_EQ(ClockText("TIME 3"), "      3:30\nSun, Oct 30");
}

TEST_F(TimeEvents, CountdownTexts) {
  Target(2005, 10, 20, 12, 0);
  const std::time_t target = At(2005, 10, 20, 12, 0);
  struct Case {
    long long secondsAhead;
    const char* text;
  } const cases[] = {
      {2 * 86400 + 60, "2 days"},
      {10 * 86400, "10 days"},
      {2 * 86400, "2 days"},
      {47 * 3600 + 59 * 60, "1 day\n23:59 hours"},
      {29 * 3600 + 7 * 60 + 30, "1 day\n05:07 hours"},
      {86400, "1 day\n00:00 hours"},
      {5 * 3600 + 7 * 60, "05:07 hours"},
      {30, "00:00 hours"},
      {0, "00:00 hours"},
      {-30, "00:00 hours"},
      {-61, "Countdown\n   is over"},
      {-86400, "Countdown\n   is over"},
      {-5 * 86400, "Countdown\n   is over"},
  };
  for (const Case& c : cases) {
    lvx::SetClockForTests(target - c.secondsAhead);
    EXPECT_EQ(CountdownText(), c.text) << c.secondsAhead;
  }
}

TEST_F(TimeEvents, CountdownWithoutUsableTargetIsOver) {
  // Nothing stored: 1 January 2003, long past.
  lvx::SetClockForTests(At(2005, 10, 17, 12, 0));
  EXPECT_EQ(CountdownText(), "Countdown\n   is over");
  // A year no calendar conversion takes.
  MainSettings.UserWriteString("CDCounter", "Year", "-2147483648");
  EXPECT_EQ(CountdownText(), "Countdown\n   is over");
  MainSettings.UserWriteString("CDCounter", "Year", "2006");
  MainSettings.UserWriteString("CDCounter", "Month", "-2147483648");
  EXPECT_EQ(CountdownText(), "Countdown\n   is over");
}

TEST_F(TimeEvents, DayOfLifeTexts) {
  lvx::SetClockForTests(At(2005, 10, 17, 12, 0));
  EXPECT_EQ(DayOfLifeText(2005, 10, 15), "Day 2\nof your life");
  EXPECT_EQ(DayOfLifeText(2005, 10, 16), "Day 1\nof your life");
  EXPECT_EQ(DayOfLifeText(2005, 10, 17), "Wrong birthday");
  EXPECT_EQ(DayOfLifeText(2005, 10, 18), "Wrong birthday");
  EXPECT_EQ(DayOfLifeText(2004, 10, 17), "Day 365\nof your life");

  // Years before 1970 count 365 days, 366 when divisible by four.
  lvx::SetClockForTests(At(1970, 1, 11, 12, 0));
  EXPECT_EQ(DayOfLifeText(1960, 1, 1), "Day 3663\nof your life");  // 3653 + 10
  EXPECT_EQ(DayOfLifeText(1969, 1, 1), "Day 375\nof your life");
  EXPECT_EQ(DayOfLifeText(1968, 1, 1), "Day 741\nof your life");  // 1968 has 366

  // A preposterous year from a message file answers at once.
  const std::string far = DayOfLifeText(-2000000000, 1, 1);
  EXPECT_EQ(far.rfind("Day ", 0), 0u) << far;
  EXPECT_EQ(DayOfLifeText(2147483647, 1, 1), "Wrong birthday");
}

TEST_F(TimeEvents, PicturesBecomeTheSource) {
  struct Case {
    const char* text;
    int width, height;
  } const cases[] = {{"HEART", 65, 55}, {"HAPPY_FACE", 35, 40}, {"PEACE", 41, 31}, {"STAR", 55, 55}};
  for (const Case& c : cases) {
    char message[80];
    std::snprintf(message, sizeof message, "%s", c.text);
    Project(message);
    ASSERT_NE(SourceBitmap, nullptr) << c.text;
    EXPECT_EQ(SourceWidth, c.width) << c.text;
    EXPECT_EQ(SourceHeight, c.height) << c.text;
    const int lit = LitPixels();
    EXPECT_GT(lit, 30) << c.text;
    int handed = 0, x = 0, y = 0;
    while (GetNextXY(&x, &y) == 1) ++handed;
    EXPECT_EQ(handed, lit) << c.text;
  }
  EXPECT_EQ(lvx::TraceBufferForTests().find("7161"), std::string::npos);
}

TEST_F(TimeEvents, LowerCaseKeywordIsWrittenAsLetters) {
  char message[80] = "heart";
  Project(message);
  ASSERT_NE(SourceBitmap, nullptr);
  EXPECT_NE(SourceWidth, 65);
  const int width = SourceWidth;
  const int lit = LitPixels();

  // The same as a plain render at 10 points.
  NewPixelSource();
  RenderTextSource("heart", 10.0f);
  EXPECT_EQ(SourceWidth, width);
  EXPECT_EQ(LitPixels(), lit);
}

TEST_F(TimeEvents, MissingPictureLeavesTheSkyEmpty) {
  char message[80] = "XMASTREE";
  Project(message);
  EXPECT_EQ(SourceBitmap, nullptr);
  EXPECT_NE(lvx::TraceBufferForTests().find("TEXT2PIXEL - 7161"), std::string::npos);
  int x = 0, y = 0;
  EXPECT_EQ(GetNextXY(&x, &y), 0);
  EXPECT_EQ(y, 768);
}

TEST_F(TimeEvents, EmptyMessageBecomesABlank) {
  char message[80] = "";
  Project(message);
  EXPECT_STREQ(message, " ");
  int x = 0, y = 0;
  EXPECT_EQ(GetNextXY(&x, &y), 0) << "a blank lights nothing";
}

TEST_F(TimeEvents, MailNoticeReplacesAnyMessage) {
  MailCount = 3;
  char message[80] = "HEART";
  Project(message);
  EXPECT_STREQ(message, "You've got\nmail (3)");
  ASSERT_NE(SourceBitmap, nullptr);
  EXPECT_NE(SourceWidth, 65) << "written as text, not the heart";
  const int width = SourceWidth;

  std::snprintf(message, sizeof message, "COUNTDOWN");
  Project(message);
  EXPECT_STREQ(message, "You've got\nmail (3)");
  EXPECT_EQ(SourceWidth, width);

  // A short buffer is cut, never overrun.
  char shortBuffer[8] = "PEACE";
  Project(shortBuffer);
  EXPECT_STREQ(shortBuffer, "You've ");
}

TEST_F(TimeEvents, ComputedTextsUseTheAutomaticSize) {
  lvx::SetClockForTests(At(2005, 10, 17, 0, 15));
  char message[80] = "TIME 0";
  Project(message);
  ASSERT_NE(SourceBitmap, nullptr);
  float stored = 0.0f;
  MainSettings.UserReadFloat("Font", "PreviousFontSize", &stored, 0.0f);
  EXPECT_GE(stored, 5.0f);

  const int clockWidth = SourceWidth;
  const int clockHeight = SourceHeight;
  NewPixelSource();
  RenderTextSource(ClockText("TIME 0").c_str(), stored);
  EXPECT_EQ(SourceWidth, clockWidth);
  EXPECT_EQ(SourceHeight, clockHeight);

  // Countdown and birthday go the same way.
  Target(2005, 10, 20, 12, 0);
  std::snprintf(message, sizeof message, "COUNTDOWN");
  Project(message);
  const int countdownWidth = SourceWidth;
  NewPixelSource();
  RenderTextSource("2 days", stored);
  EXPECT_EQ(SourceWidth, countdownWidth);

  std::snprintf(message, sizeof message, "BIRTHDAY FROM 2005 10 15");
  Project(message);
  const int birthdayHeight = SourceHeight;
  NewPixelSource();
  RenderTextSource("Day 2\nof your life", stored);
  EXPECT_EQ(SourceHeight, birthdayHeight);
}

TEST_F(TimeEvents, BirthdayInOtherWordingIsWrong) {
  lvx::SetClockForTests(At(2005, 10, 17, 12, 0));
  const float size = AFSize();
  for (const char* text : {"birthday from 2000 1 1", "Birthday party", "BIRTHDAY FROM 1990"}) {
    char message[80];
    std::snprintf(message, sizeof message, "%s", text);
    Project(message);
    const int width = SourceWidth;
    NewPixelSource();
    RenderTextSource("Wrong birthday", size);
    EXPECT_EQ(SourceWidth, width) << text;
  }
  // Leading zeros are read as decimal numbers.
  char message[80] = "BIRTHDAY FROM 2005 10 08";
  Project(message);
  const int width = SourceWidth;
  NewPixelSource();
  RenderTextSource(DayOfLifeText(2005, 10, 8).c_str(), size);
  EXPECT_EQ(SourceWidth, width);
  EXPECT_EQ(DayOfLifeText(2005, 10, 8), "Day 9\nof your life");
}

}  // namespace
