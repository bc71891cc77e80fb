#include "moon/phase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

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
using FarClock = Moon;

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
      // The lunations are measured whole: the last minutes before a full moon read 359.
      {Utc(2012, 8, 31, 13, 57), 359, " - Full moon tonight: Blue Moon - Waxing Gibbous Moon 99%"},
      {Utc(2012, 8, 31, 13, 58), 0, " - Full moon tonight: Blue Moon - Full Moon 100%"},
      // A lunation of 29.8 days no longer wraps early to the waning side.
      {Utc(2013, 1, 27, 4, 0), 359,
       " - Full moon tonight: \"Wolf Moon\" - Waxing Gibbous Moon 99%"},
      {Utc(2012, 8, 30, 12, 0), 346, " - Full moon tomorrow: Blue Moon - Waxing Gibbous Moon 92%"},
      {Utc(2005, 10, 20, 0, 0), 30, " - Waning Gibbous Moon 83%"},  // notice of before is gone
      {Utc(2005, 10, 17, 12, 0), 359,
       " - Full moon tonight: \"Hunter's Moon\" - Waxing Gibbous Moon 99%"},
      // 25 April 2013 20:60 is 21:00 for the phase and 25 April for the notices.
      {Utc(2013, 4, 25, 20, 59), 359,
       " - Full moon tonight: \"Pink Moon\" - Waxing Gibbous Moon 99%"},
      {Utc(2013, 4, 25, 21, 0), 0, " - Full moon tonight: \"Pink Moon\" - Full Moon 100%"},
      {Utc(2013, 4, 24, 3, 59), 339, " - Waxing Gibbous Moon 88%"},
      {Utc(2013, 4, 24, 4, 0), 339,
       " - Full moon tomorrow: \"Pink Moon\" - Waxing Gibbous Moon 88%"},
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
  const std::time_t march = Utc(2013, 3, 27, 9, 30);
  const std::time_t lunation = Utc(2013, 4, 25, 21, 0) - march;
  const std::time_t now = march + (111 * lunation + 359) / 360;
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

// The traditional names as the notice shows them, January first.
constexpr const char* kMoonNames[12] = {
    " \"Wolf Moon\"",    " \"Snow Moon\"",       " \"Worm Moon\"",   " \"Pink Moon\"",
    " \"Flower Moon\"",  " \"Strawberry Moon\"", " \"Buck Moon\"",   " \"Sturgeon Moon\"",
    " \"Harvest Moon\"", " \"Hunter's Moon\"",   " \"Beaver Moon\"", " \"Cold Moon\"",
};

std::string DateText(const FullMoonRecord& m) {
  char text[48];
  std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d", m.year, m.month, m.day, m.hour,
                m.minute);
  return text;
}

double DaysBetween(const FullMoonRecord& a, const FullMoonRecord& b) {
  return double(FullMoonInstant(b) - FullMoonInstant(a)) / 86400.0;
}

TEST_F(FullMoons, ComputedInstantsAgreeWithTheTable) {
  long largest = 0;
  std::string where;
  for (std::size_t i = 0; i < FullMoonCount(); ++i) {
    const FullMoonRecord& record = FullMoonTable()[i];
    const FullMoonRecord computed = ComputedFullMoon(FirstTableLunation + long(i));
    const long off = std::labs(long(FullMoonInstant(computed) - FullMoonInstant(record)));
    if (record.minute == 60) {
      // The record of 25 April 2013 says 20:60, an hour after the full moon of that night.
      EXPECT_TRUE(off >= 55 * 60 && off <= 70 * 60) << DateText(computed) << ": " << off << " s";
      continue;
    }
    if (off > largest) {
      largest = off;
      where = DateText(record) + " computed " + DateText(computed);
    }
  }
  RecordProperty("largest_difference_seconds", int(largest));
  EXPECT_LE(largest, 600) << "largest difference " << largest << " s at " << where;
}

TEST_F(FullMoons, ComputedLunationsFrom1900To2100LastAsLongAsRealOnes) {
  long n = -1250;
  while (ComputedFullMoon(n + 1).year < 1900) ++n;
  FullMoonRecord before = ComputedFullMoon(n);
  ASSERT_EQ(before.year, 1899);
  for (++n; before.year <= 2100; ++n) {
    const FullMoonRecord moon = ComputedFullMoon(n);
    const double days = DaysBetween(before, moon);
    ASSERT_TRUE(days >= 29.27 && days <= 29.84) << DateText(moon) << ": " << days;
    ASSERT_TRUE(moon.hour >= 0 && moon.hour <= 23 && moon.minute >= 0 && moon.minute <= 59);
    before = moon;
  }
  EXPECT_EQ(DateText(ComputedFullMoon(0)).substr(0, 10), "2000-01-21");
}

TEST_F(FullMoons, YearListsJoinWithoutGapOrRepeat) {
  ASSERT_FALSE(FullMoonsOfYear(1999).empty());
  FullMoonRecord before = FullMoonsOfYear(1999).back();
  for (int year = 2000; year <= 2100; ++year) {
    const std::vector<FullMoonRecord> moons = FullMoonsOfYear(year);
    ASSERT_TRUE(moons.size() == 12 || moons.size() == 13) << year;
    for (const FullMoonRecord& moon : moons) {
      EXPECT_EQ(moon.year, year);
      const double days = DaysBetween(before, moon);
      ASSERT_TRUE(days >= 29.27 && days <= 29.84) << DateText(moon) << ": " << days;
      before = moon;
    }
  }
  // Inside the table the list is the table.
  const std::vector<FullMoonRecord> y2009 = FullMoonsOfYear(2009);
  ASSERT_EQ(y2009.size(), 13u);
  EXPECT_EQ(DateText(y2009.back()), "2009-12-31 19:14");
  // The edges of the computed span, and beyond them nothing.
  for (int year : {1, 9999}) {
    const std::vector<FullMoonRecord> moons = FullMoonsOfYear(year);
    EXPECT_TRUE(moons.size() == 12 || moons.size() == 13) << year;
    for (const FullMoonRecord& moon : moons) EXPECT_EQ(moon.year, year);
  }
  for (int year : {0, -1, 10000, 2147483647, -2147483647 - 1})
    EXPECT_TRUE(FullMoonsOfYear(year).empty()) << year;
  EXPECT_EQ(FullMoonInstant(ComputedFullMoon(2147483647L)),
            FullMoonInstant(ComputedFullMoon(LastComputedLunation)));
}

TEST_P(MoonInZone, FullMoonsOf2026AreAnnouncedWithTheirNames) {
  std::vector<FullMoonRecord> moons = FullMoonsOfYear(2025);
  ASSERT_FALSE(moons.empty());
  FullMoonRecord before = moons.back();
  moons = FullMoonsOfYear(2026);
  ASSERT_FALSE(moons.empty());
  int blueMoons = 0;
  for (const FullMoonRecord& moon : moons) {
    std::string name = kMoonNames[moon.month - 1];
    if (moon.month == before.month) {
      name = " Blue Moon";
      ++blueMoons;
    }
    const std::time_t evening = Utc(moon.year, moon.month, moon.day, 21, 0);
    int angle = -1;
    std::string text = PhaseText(evening, &angle);
    EXPECT_EQ(text.rfind(" - Full moon tonight:" + name + " - ", 0), 0u) << DateText(moon) << text;
    EXPECT_TRUE(angle <= 11 || angle >= 348) << DateText(moon) << ": " << angle;
    text = PhaseText(evening - 86400, &angle);
    EXPECT_EQ(text.rfind(" - Full moon tomorrow:" + name + " - ", 0), 0u) << DateText(moon) << text;
    text = PhaseText(evening - 2 * 86400, &angle);
    EXPECT_EQ(text.find("Full moon"), std::string::npos) << DateText(moon) << text;
    // At the full moon itself; before 04:00 UTC its date is still "tomorrow".
    EXPECT_EQ(PhaseText(FullMoonInstant(moon), &angle),
              std::string(" - Full moon ") + (moon.hour < 4 ? "tomorrow:" : "tonight:") + name +
                  " - Full Moon 100%")
        << DateText(moon);
    before = moon;
  }
  EXPECT_GE(blueMoons, 1) << "2026 has a month with two full moons";
}

// Hourly through a few lunations in several epochs, two of them across the
// joins of the table and the computed full moons.
class PhaseAngle : public Moon, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(Years, PhaseAngle,
                         ::testing::Values(1900, 1937, 1970, 2001, 2014, 2026, 2038, 2069, 2100));

TEST_P(PhaseAngle, GrowsThroughEveryDegreeAndIsZeroAtEachFullMoon) {
  // The last two full moons of the year and the first two of the next.
  const std::vector<FullMoonRecord> year = FullMoonsOfYear(GetParam());
  const std::vector<FullMoonRecord> following = FullMoonsOfYear(GetParam() + 1);
  ASSERT_TRUE(year.size() >= 12 && following.size() >= 12);
  std::vector<FullMoonRecord> moons(year.end() - 2, year.end());
  moons.insert(moons.end(), following.begin(), following.begin() + 2);
  for (std::size_t i = 0; i + 1 < moons.size(); ++i) {
    const std::time_t start = FullMoonInstant(moons[i]);
    const std::time_t end = FullMoonInstant(moons[i + 1]);
    int angle = -1;
    const std::string text = PhaseText(start, &angle);
    EXPECT_EQ(angle, 0) << DateText(moons[i]);
    EXPECT_EQ(text.substr(text.size() - 17), " - Full Moon 100%") << DateText(moons[i]);
    EXPECT_EQ(CalcPhaseAt(start + 59 * 60), 0) << DateText(moons[i]);
    EXPECT_EQ(CalcPhaseAt(end - 60), 359) << DateText(moons[i + 1]);
    std::vector<bool> seen(360, false);
    int last = 0;
    for (std::time_t t = start; t < end; t += 3600) {
      angle = CalcPhaseAt(t);
      ASSERT_TRUE(angle >= last && angle <= 359) << DateText(moons[i]) << " +" << (t - start);
      seen[angle] = true;
      last = angle;
    }
    for (int a = 0; a < 360; ++a) EXPECT_TRUE(seen[a]) << DateText(moons[i]) << ": " << a;
  }
}

TEST_F(FarClock, StillGivesAnAngleAndAShortText) {
  const std::time_t far[] = {std::numeric_limits<std::time_t>::min(),
                             std::numeric_limits<std::time_t>::max(),
                             Utc(1, 1, 1, 0, 0) - 1,
                             Utc(9999, 12, 31, 23, 59),
                             Utc(10000, 1, 1, 0, 0) + 86400 * 400LL,
                             -1};
  for (std::time_t t : far) {
    const int angle = CalcPhaseAt(t);
    EXPECT_TRUE(angle >= 0 && angle <= 359) << t << ": " << angle;
    EXPECT_LT(std::strlen(MoonText()), 90u) << t;
  }
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
