#include "moon/phase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "settings/log_file.h"
#include "tests/support/test_support.h"

namespace {

// The C library's own UTC conversion, independent of the code under test.
std::time_t Utc(int year, int month, int day, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  return timegm(&t);
}

// The log as the saver opens it at start-up.
class Moon : public ::testing::Test {
 protected:
  void SetUp() override {
    if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  }
};

using FullMoons = Moon;
using PhaseName = Moon;
using MonthName = Moon;

std::string PhaseText(std::time_t when, int* angle) {
  *angle = CalcPhaseAt(when);
  return MoonText();
}

TEST_F(FullMoons, RecordsAreOneLunationApartWithFourBlueMoons) {
  ASSERT_EQ(FullMoonCount(), 160u);
  const FullMoonRecord* t = FullMoonTable();
  EXPECT_EQ(FullMoonInstant(t[0]), Utc(2002, 1, 28, 22, 52));
  EXPECT_EQ(FullMoonInstant(t[159]), Utc(2014, 12, 6, 12, 27));
  std::string blue;
  for (std::size_t i = 0; i < FullMoonCount(); ++i) {
    // timegm normalises minute 60 just as the record means it.
    EXPECT_EQ(FullMoonInstant(t[i]), Utc(t[i].year, t[i].month, t[i].day, t[i].hour, t[i].minute));
    if (i == 0) continue;
    const double days = double(FullMoonInstant(t[i]) - FullMoonInstant(t[i - 1])) / 86400.0;
    EXPECT_TRUE(days >= 29.2 && days <= 29.9) << i << ": " << days;
    if (t[i].month == t[i - 1].month)
      blue += std::to_string(t[i].day) + "." + std::to_string(t[i].month) + "." +
              std::to_string(t[i].year) + " ";
  }
  EXPECT_EQ(blue, "31.7.2004 30.6.2007 31.12.2009 31.8.2012 ");
}

// Zones far from UTC, with daylight saving: a phase leaning on local time shows.
class MoonInZone : public Moon, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    Moon::SetUp();
    setenv("TZ", GetParam(), 1);
    tzset();
    lvx::ResetMoonForTests();
  }
};
INSTANTIATE_TEST_SUITE_P(Zones, MoonInZone,
                         ::testing::Values("America/New_York", "Pacific/Auckland",
                                           "Europe/Berlin"));

TEST_P(MoonInZone, WorkedExamplesGiveTheirAnglesAndTexts) {
  const struct {
    std::time_t when;
    int angle;
    const char* text;
  } cases[] = {
      {Utc(2012, 8, 31, 13, 57), 358, " - Full moon tonight: Blue Moon - Waxing Gibbous Moon 98%"},
      {Utc(2012, 8, 31, 13, 58), 0, " - Full moon tonight: Blue Moon - Full Moon 100%"},
      {Utc(2013, 1, 27, 4, 0), 2, " - Full moon tonight: \"Wolf Moon\" - Waning Gibbous Moon 98%"},
      {Utc(2012, 8, 30, 12, 0), 345, " - Full moon tomorrow: Blue Moon - Waxing Gibbous Moon 91%"},
      {Utc(2005, 10, 20, 0, 0), 30, " - Waning Gibbous Moon 83%"},  // notice of before is gone
      {Utc(2005, 10, 17, 12, 0), 358,
       " - Full moon tonight: \"Hunter's Moon\" - Waxing Gibbous Moon 98%"},
      // 25 April 2013 20:60 is 21:00 for the phase and 25 April for the notices.
      {Utc(2013, 4, 25, 20, 59), 359,
       " - Full moon tonight: \"Pink Moon\" - Waxing Gibbous Moon 99%"},
      {Utc(2013, 4, 25, 21, 0), 0, " - Full moon tonight: \"Pink Moon\" - Full Moon 100%"},
      {Utc(2013, 4, 24, 3, 59), 338, " - Waxing Gibbous Moon 87%"},
      {Utc(2013, 4, 24, 4, 0), 338,
       " - Full moon tomorrow: \"Pink Moon\" - Waxing Gibbous Moon 87%"},
      {Utc(2013, 4, 26, 3, 59), 3, " - Full moon tonight: \"Pink Moon\" - Waning Gibbous Moon 98%"},
      {Utc(2013, 4, 26, 4, 0), 3, " - Waning Gibbous Moon 98%"},
  };
  for (const auto& c : cases) {
    int angle = -1;
    EXPECT_EQ(PhaseText(c.when, &angle), c.text);
    EXPECT_EQ(angle, c.angle) << c.text;
  }
}

TEST_P(MoonInZone, RecordAndPresentInDifferentDaylightSeasons) {
  // The March full moon is in winter time, the present in summer time; taking
  // the record as local time would move the first instant of 111 degrees.
  const std::time_t now = Utc(2013, 3, 27, 9, 30) + (111 * MeanSynodicMonth + 359) / 360;
  EXPECT_EQ(CalcPhaseAt(now), 111);
  EXPECT_EQ(CalcPhaseAt(now - 1), 110);
}

TEST_P(MoonInZone, EveryFullMoonIsAngleZeroAndEveryNoticeFits) {
  for (std::size_t i = 0; i < FullMoonCount(); ++i) {
    const std::time_t instant = FullMoonInstant(FullMoonTable()[i]);
    int angle = -1;
    const std::string text = PhaseText(instant, &angle);
    EXPECT_EQ(angle, 0) << i;
    EXPECT_EQ(text.substr(text.size() - 17), " - Full Moon 100%") << i;
    EXPECT_LT(PhaseText(instant - 86400 + 3600, &angle).size(), 90u) << i;
  }
}

TEST_P(MoonInZone, OutsideTheTableTheMeanMonthCarriesOn) {
  const std::time_t first = Utc(2002, 1, 28, 22, 52);
  const std::time_t last = Utc(2014, 12, 6, 12, 27);
  int angle = -1;
  EXPECT_EQ(PhaseText(first - MeanSynodicMonth, &angle), " - Full Moon 100%");
  EXPECT_EQ(PhaseText(first - MeanSynodicMonth / 2, &angle), " - New Moon 0%");
  EXPECT_EQ(PhaseText(first - MeanSynodicMonth / 4, &angle), " - First Quarter 50%");
  EXPECT_EQ(CalcPhaseAt(first - 60), 359);
  for (std::time_t t = 0; t < first; t += 86400 * 7 + 3333) {
    angle = CalcPhaseAt(t);
    ASSERT_TRUE(angle >= 0 && angle <= 359) << t << ": " << angle;
  }
  EXPECT_EQ(PhaseText(last + 10 * MeanSynodicMonth + MeanSynodicMonth / 4 + 60, &angle),
            " - Last Quarter 50%");
  // The day before an extrapolated full moon: no record, no notice.
  EXPECT_EQ(PhaseText(last + 20 * MeanSynodicMonth - 86400, &angle), " - Waxing Gibbous Moon 92%");
}

TEST_F(PhaseName, NamesAndPercentagesAtTheBoundaries) {
  const struct {
    int angle;
    const char* text;
  } cases[] = {
      {0, " - Full Moon 100%"},
      {1, " - Waning Gibbous Moon 99%"},
      {89, " - Waning Gibbous Moon 50%"},
      {90, " - Last Quarter 50%"},
      {91, " - Waning Crescent Moon 49%"},
      {179, " - Waning Crescent Moon 0%"},
      {180, " - New Moon 0%"},
      {181, " - Waxing Crescent Moon 0%"},
      {269, " - Waxing Crescent Moon 49%"},
      {270, " - First Quarter 50%"},
      {271, " - Waxing Gibbous Moon 50%"},
      {359, " - Waxing Gibbous Moon 99%"},
  };
  for (const auto& c : cases) {
    char text[MoonTextSize] = "x";
    AppendPhaseName(text, sizeof text, c.angle);
    EXPECT_EQ(std::string(text), std::string("x") + c.text) << c.angle;
  }
}

TEST_F(PhaseName, AppendsWithinTheBufferOnly) {
  char buffer[32];
  std::memset(buffer, '#', sizeof buffer);
  std::strcpy(buffer, "abc");
  AppendPhaseName(buffer, 12, 200);
  EXPECT_STREQ(buffer, "abc - Waxin");
  for (std::size_t i = 12; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << i;

  char month[MoonTextSize] = "t:";
  AppendMonthMoonName(0, month, sizeof month);
  AppendMonthMoonName(13, month, sizeof month);
  AppendMonthMoonName(6, month, sizeof month);
  EXPECT_STREQ(month, "t: \"Strawberry Moon\"");
}

TEST_F(MonthName, MatchesWithoutRegardToCaseAndReportsOthers) {
  EXPECT_EQ(MonthFromName("Oct"), 10);
  EXPECT_EQ(MonthFromName("OCT"), 10);
  EXPECT_EQ(MonthFromName("oct"), 10);
  EXPECT_EQ(MonthFromName("dec"), 12);
  EXPECT_EQ(MonthFromName("Oct 16 2005"), 10);  // the build date as the compiler writes it
  EXPECT_EQ(MonthFromName("De"), 1);
  EXPECT_EQ(MonthFromName(nullptr), 1);
  EXPECT_EQ(MonthFromName("Okt"), 1);
  const std::string log = lvx::test::ReadFile(lvx::LogFilePath());
  EXPECT_NE(log.find("ERROR>not a valid month name= Okt"), std::string::npos) << log;
}

}  // namespace
