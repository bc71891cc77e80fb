#include "events/time_events.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "messages/text_pixels.h"
#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/messages/saver_window.h"

namespace {

std::time_t At(int year, int month, int day, int hour, int minute) {
  std::tm tm{0, minute, hour, day, month - 1, year - 1900, 0, 0, 0, 0, nullptr};
  return timegm(&tm);
}

int LitPixels() {
  int count = 0;
  for (int y = 0; y < SourceHeight; ++y)
    for (int x = 0; x < SourceWidth; ++x) count += GetPixel(SourceDC, x, y) != 0;
  return count;
}

// The local zone is UTC so that instants and calendar fields agree; the
// saver window's DC serves as SaverDC on a 1024 x 768 area.
class TimeEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    lvx::ResetSettingsForTests();
    ASSERT_NO_FATAL_FAILURE(window_.Open());
    lvx::ResetTimeEventsForTests();
    lvx::ResetUtilitiesForTests();
  }
  void TearDown() override { window_.Close(); }
  static void Target(int year, int month, int day, int hour, int minute) {
    const std::pair<const char*, int> fields[] = {
        {"Year", year}, {"Month", month}, {"Day", day}, {"Hour", hour}, {"Min", minute}};
    for (auto [key, value] : fields)
      MainSettings.UserWriteUInt("CDCounter", key, static_cast<unsigned>(value));
  }
  lvx::test::SaverWindow window_;
};

TEST(Tokens, WholeTextOrLeadingWordDecidesTheKind) {
  const std::pair<const char*, TokenKind> cases[] = {
      {"HEART", TokenHeart}, {"heart", TokenText}, {"HEART ", TokenText},
      {"HAPPY_FACE", TokenHappyFace}, {"PEACE", TokenPeace}, {"SAD_FACE", TokenText},
      {"STAR", TokenStar}, {"STARS", TokenText}, {"XMASTREE", TokenXmasTree},
      {"COUNTDOWN", TokenCountdown}, {"Countdown", TokenText}, {"Timer", TokenTime},
      {"TIME", TokenTime}, {"time 2", TokenTime}, {"Time flies", TokenTime}, {"TIM", TokenText},
      {"BIRTHDAY FROM 1980 5 17", TokenBirthday}, {"birthday party", TokenBirthday},
      {"BIRTH", TokenText}, {"", TokenText}};
  for (auto [text, kind] : cases) EXPECT_EQ(FindTokenKind(text), kind) << text;
}

TEST(Tokens, ZoneOffsetsMatchTheirNames) {
  for (const TimeZoneRecord& zone : TimeZones) {
    int hours = 0, minutes = 0;
    char sign = '+';
    if (std::strncmp(zone.name, "(GMT)", 5) != 0) {
      ASSERT_EQ(std::sscanf(zone.name, "(GMT%c%d:%d)", &sign, &hours, &minutes), 3) << zone.name;
    }
    EXPECT_FLOAT_EQ(zone.offset, (sign == '-' ? -1 : 1) * (hours + minutes / 60.0f)) << zone.name;
    EXPECT_LE(std::strlen(zone.name), 79u);
  }
  EXPECT_STREQ(TimeZones[21].name, "(GMT) Greenwich Mean Time : Dublin, Edinburgh, Lisbon, London");
  EXPECT_STREQ(TimeZones[63].name, "(GMT+12:00) Auckland, Wellington");
}

TEST_F(TimeEvents, ClockTexts) {
  lvx::SetClockForTests(At(2005, 10, 17, 0, 15));
  EXPECT_EQ(ClockText("TIME 0"), "    12:15 AM\nMon, Oct 17");
  EXPECT_EQ(ClockText("TIME -3.5"), "     8:45 PM\nSun, Oct 16");
  EXPECT_EQ(ClockText("time 12"), "    12:15 PM\nMon, Oct 17");
  EXPECT_EQ(ClockText("TIME 7.0 LDST  iLoc21 iWor47"), "     7:15 AM\nMon, Oct 17");
  // No usable number: the local time.
  for (const char* text : {"Time flies", "TIME", "TIME nan", "TIME inf", "TIME 1e30"})
    EXPECT_EQ(ClockText(text), "    12:15 AM\nMon, Oct 17") << text;

  MainSettings.UserWriteUInt("params", "FormatTime24H", 1);
  EXPECT_EQ(ClockText("TIME 0"), "      0:15\nMon, Oct 17");
  EXPECT_EQ(ClockText("TIME 12"), "      12:15\nMon, Oct 17");

  // Hours move the wall clock, also across the end of summer time:
  // 00:30 summer time in Berlin is 22:30 UTC of the day before.
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  lvx::SetClockForTests(At(2005, 10, 29, 22, 30));
  EXPECT_EQ(ClockText("TIME 3"), "      3:30\nSun, Oct 30");
}

TEST_F(TimeEvents, CountdownTexts) {
  const std::time_t target = At(2005, 10, 20, 12, 0);
  const std::pair<long long, const char*> cases[] = {
      {2 * 86400 + 60, "2 days"}, {10 * 86400, "10 days"}, {2 * 86400, "2 days"},
      {47 * 3600 + 59 * 60, "1 day\n23:59 hours"}, {86400, "1 day\n00:00 hours"},
      {5 * 3600 + 7 * 60, "05:07 hours"}, {30, "00:00 hours"}, {-30, "00:00 hours"},
      {-61, "Countdown\n   is over"}, {-86400, "Countdown\n   is over"}};
  Target(2005, 10, 20, 12, 0);
  for (auto [secondsAhead, text] : cases) {
    lvx::SetClockForTests(target - secondsAhead);
    EXPECT_EQ(CountdownText(), text) << secondsAhead;
  }
  // Unusable targets: nothing stored (2003), years or months no calendar takes.
  lvx::ResetSettingsForTests();
  MainSettings.Init("$CURRENT", "\\Lumivex2.ini");
  EXPECT_EQ(CountdownText(), "Countdown\n   is over");
  MainSettings.UserWriteString("CDCounter", "Year", "-2147483648");
  EXPECT_EQ(CountdownText(), "Countdown\n   is over");
  MainSettings.UserWriteString("CDCounter", "Year", "2006");
  MainSettings.UserWriteString("CDCounter", "Month", "-2147483648");
  EXPECT_EQ(CountdownText(), "Countdown\n   is over");
}

TEST_F(TimeEvents, DayOfLifeTexts) {
  lvx::SetClockForTests(At(2005, 10, 17, 12, 0));
  EXPECT_EQ(DayOfLifeText(2005, 10, 15), "Day 2\nof your life");
  EXPECT_EQ(DayOfLifeText(2005, 10, 17), "Wrong birthday");
  EXPECT_EQ(DayOfLifeText(2005, 10, 18), "Wrong birthday");
  EXPECT_EQ(DayOfLifeText(2004, 10, 17), "Day 365\nof your life");
  // Years before 1970 count 365 days, 366 when divisible by four.
  lvx::SetClockForTests(At(1970, 1, 11, 12, 0));
  EXPECT_EQ(DayOfLifeText(1960, 1, 1), "Day 3663\nof your life");  // 3653 + 10
  EXPECT_EQ(DayOfLifeText(1969, 1, 1), "Day 375\nof your life");
  // Preposterous years from a message file answer at once.
  EXPECT_EQ(DayOfLifeText(-2000000000, 1, 1).rfind("Day ", 0), 0u);
  EXPECT_EQ(DayOfLifeText(2147483647, 1, 1), "Wrong birthday");
}

// Width of the source that a plain render of text at size gives.
int RenderedWidth(const char* text, float size) {
  NewPixelSource();
  RenderTextSource(text, size);
  return SourceWidth;
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
    int handed = 0;
    while (GetNextXY(nullptr, nullptr) == 1) ++handed;
    EXPECT_EQ(handed, lit) << c.text;
  }
  EXPECT_EQ(lvx::TraceBufferForTests().find("7161"), std::string::npos);

  char tree[80] = "XMASTREE";  // no such picture: nothing to write
  Project(tree);
  EXPECT_EQ(SourceBitmap, nullptr);
  EXPECT_NE(lvx::TraceBufferForTests().find("TEXT2PIXEL - 7161"), std::string::npos);
  EXPECT_EQ(GetNextXY(nullptr, nullptr), 0);
}

TEST_F(TimeEvents, PlainTextsAndTheMailNotice) {
  char message[80] = "heart";
  Project(message);
  const int width = SourceWidth, lit = LitPixels();
  EXPECT_EQ(RenderedWidth("heart", 10.0f), width) << "letters at 10 points";
  EXPECT_EQ(LitPixels(), lit);

  message[0] = '\0';
  Project(message);
  EXPECT_STREQ(message, " ");
  EXPECT_EQ(GetNextXY(nullptr, nullptr), 0) << "a blank lights nothing";

  MailCount = 3;
  for (const char* text : {"HEART", "COUNTDOWN", "Hello"}) {
    std::snprintf(message, sizeof message, "%s", text);
    Project(message);
    EXPECT_STREQ(message, "You've got\nmail (3)");
    EXPECT_EQ(SourceWidth, RenderedWidth("You've got\nmail (3)", 10.0f));
  }
  char shortBuffer[8] = "PEACE";
  Project(shortBuffer);
  EXPECT_STREQ(shortBuffer, "You've ") << "cut, never overrun";
}

TEST_F(TimeEvents, ComputedTextsUseTheAutomaticSize) {
  lvx::SetClockForTests(At(2005, 10, 17, 12, 0));
  const float size = AFSize();
  Target(2005, 10, 20, 12, 1);
  const std::pair<const char*, std::string> cases[] = {
      {"TIME 0", ClockText("TIME 0")},
      {"COUNTDOWN", "3 days"},
      {"BIRTHDAY FROM 2005 10 15", "Day 2\nof your life"},
      {"BIRTHDAY FROM 2005 10 08", "Day 9\nof your life"},  // decimal, not octal
      {"birthday from 2000 1 1", "Wrong birthday"},
      {"BIRTHDAY FROM 1990", "Wrong birthday"}};
  for (const auto& [token, shown] : cases) {
    char message[80];
    std::snprintf(message, sizeof message, "%s", token);
    Project(message);
    const int width = SourceWidth;
    EXPECT_EQ(RenderedWidth(shown.c_str(), size), width) << token;
  }
}

}  // namespace
