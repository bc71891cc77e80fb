#include "moon/phase.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "settings/log_file.h"

namespace {

// Full moons 2002-2014, UTC: day, month, year, hour, minute.
constexpr FullMoonRecord kFullMoons[] = {
    {28, 1, 2002, 22, 52},  {27, 2, 2002, 9, 18},   {28, 3, 2002, 18, 26},  {27, 4, 2002, 3, 1},
    {26, 5, 2002, 11, 52},  {24, 6, 2002, 21, 43},  {24, 7, 2002, 9, 8},    {22, 8, 2002, 22, 30},
    {21, 9, 2002, 14, 0},   {21, 10, 2002, 7, 22},  {20, 11, 2002, 1, 36},  {19, 12, 2002, 19, 12},

    {18, 1, 2003, 10, 50},  {16, 2, 2003, 23, 53},  {18, 3, 2003, 10, 36},  {16, 4, 2003, 19, 37},
    {16, 5, 2003, 3, 37},   {14, 6, 2003, 11, 16},  {13, 7, 2003, 19, 22},  {12, 8, 2003, 4, 48},
    {10, 9, 2003, 16, 36},  {10, 10, 2003, 7, 28},  {9, 11, 2003, 1, 15},   {8, 12, 2003, 20, 39},

    {7, 1, 2004, 15, 43},   {6, 2, 2004, 8, 50},    {6, 3, 2004, 23, 17},   {5, 4, 2004, 11, 5},
    {4, 5, 2004, 20, 36},   {3, 6, 2004, 4, 21},    {2, 7, 2004, 11, 10},   {31, 7, 2004, 18, 6},
    {30, 8, 2004, 2, 23},   {28, 9, 2004, 13, 9},   {28, 10, 2004, 3, 8},   {26, 11, 2004, 20, 8},
    {26, 12, 2004, 15, 7},

    {25, 1, 2005, 10, 33},  {24, 2, 2005, 4, 55},   {25, 3, 2005, 21, 1},   {24, 4, 2005, 10, 9},
    {23, 5, 2005, 20, 21},  {22, 6, 2005, 4, 16},   {21, 7, 2005, 11, 3},   {19, 8, 2005, 17, 55},
    {18, 9, 2005, 2, 2},    {17, 10, 2005, 12, 14}, {16, 11, 2005, 0, 57},  {15, 12, 2005, 16, 16},

    {14, 1, 2006, 9, 48},   {13, 2, 2006, 4, 45},   {14, 3, 2006, 23, 36},  {13, 4, 2006, 16, 42},
    {13, 5, 2006, 6, 54},   {11, 6, 2006, 18, 5},   {11, 7, 2006, 3, 4},    {9, 8, 2006, 10, 56},
    {7, 9, 2006, 18, 44},   {7, 10, 2006, 3, 14},   {5, 11, 2006, 12, 59},  {5, 12, 2006, 0, 25},

    {3, 1, 2007, 13, 58},   {2, 2, 2007, 5, 46},    {3, 3, 2007, 23, 18},   {2, 4, 2007, 17, 16},
    {2, 5, 2007, 10, 11},   {1, 6, 2007, 1, 5},     {30, 6, 2007, 13, 50},  {30, 7, 2007, 0, 50},
    {28, 8, 2007, 10, 37},  {26, 9, 2007, 19, 47},  {26, 10, 2007, 4, 53},  {24, 11, 2007, 14, 31},
    {24, 12, 2007, 1, 17},

    {22, 1, 2008, 13, 35},  {21, 2, 2008, 3, 31},   {21, 3, 2008, 18, 40},  {20, 4, 2008, 10, 26},
    {20, 5, 2008, 2, 12},   {18, 6, 2008, 17, 31},  {18, 7, 2008, 8, 0},    {16, 8, 2008, 21, 18},
    {15, 9, 2008, 9, 15},   {14, 10, 2008, 20, 4},  {13, 11, 2008, 6, 19},  {12, 12, 2008, 16, 39},

    {11, 1, 2009, 3, 28},   {9, 2, 2009, 14, 50},   {11, 3, 2009, 2, 38},   {9, 4, 2009, 14, 56},
    {9, 5, 2009, 4, 2},     {7, 6, 2009, 18, 12},   {7, 7, 2009, 9, 22},    {6, 8, 2009, 0, 56},
    {4, 9, 2009, 16, 4},    {4, 10, 2009, 6, 12},   {2, 11, 2009, 19, 15},  {2, 12, 2009, 7, 32},
    {31, 12, 2009, 19, 14},

    {30, 1, 2010, 6, 19},   {28, 2, 2010, 16, 39},  {30, 3, 2010, 2, 26},   {28, 4, 2010, 12, 19},
    {27, 5, 2010, 23, 8},   {26, 6, 2010, 11, 31},  {26, 7, 2010, 1, 38},   {24, 8, 2010, 17, 6},
    {23, 9, 2010, 9, 19},   {23, 10, 2010, 1, 38},  {21, 11, 2010, 17, 29}, {21, 12, 2010, 8, 15},

    {19, 1, 2011, 21, 23},  {18, 2, 2011, 8, 37},   {19, 3, 2011, 18, 11},  {18, 4, 2011, 2, 44},
    {17, 5, 2011, 11, 8},   {15, 6, 2011, 20, 13},  {15, 7, 2011, 6, 39},   {13, 8, 2011, 18, 58},
    {12, 9, 2011, 9, 27},   {12, 10, 2011, 2, 7},   {10, 11, 2011, 20, 18}, {10, 12, 2011, 14, 38},

    {9, 1, 2012, 7, 32},    {7, 2, 2012, 21, 56},   {8, 3, 2012, 9, 42},    {6, 4, 2012, 19, 20},
    {6, 5, 2012, 3, 36},    {4, 6, 2012, 11, 12},   {3, 7, 2012, 18, 52},   {2, 8, 2012, 3, 27},
    {31, 8, 2012, 13, 58},  {30, 9, 2012, 3, 19},   {29, 10, 2012, 19, 51}, {28, 11, 2012, 14, 47},
    {28, 12, 2012, 10, 23},

    {27, 1, 2013, 4, 40},   {25, 2, 2013, 20, 29},  {27, 3, 2013, 9, 30},   {25, 4, 2013, 20, 60},
    {25, 5, 2013, 4, 27},   {23, 6, 2013, 11, 34},  {22, 7, 2013, 18, 17},  {21, 8, 2013, 1, 45},
    {19, 9, 2013, 11, 13},  {18, 10, 2013, 23, 38}, {17, 11, 2013, 15, 17}, {17, 12, 2013, 9, 29},

    {16, 1, 2014, 4, 54},   {14, 2, 2014, 23, 55},  {16, 3, 2014, 17, 11},  {15, 4, 2014, 7, 45},
    {14, 5, 2014, 19, 19},  {13, 6, 2014, 4, 14},   {12, 7, 2014, 11, 27},  {10, 8, 2014, 18, 11},
    {9, 9, 2014, 1, 39},    {8, 10, 2014, 10, 51},  {6, 11, 2014, 22, 23},  {6, 12, 2014, 12, 27},
};
constexpr std::size_t kFullMoonCount = sizeof(kFullMoons) / sizeof(kFullMoons[0]);
static_assert(kFullMoonCount == 160);

// Each starts with a blank so it can follow the notice directly.
constexpr const char* kMonthMoonNames[12] = {
    " \"Wolf Moon\"",    " \"Snow Moon\"",       " \"Worm Moon\"",   " \"Pink Moon\"",
    " \"Flower Moon\"",  " \"Strawberry Moon\"", " \"Buck Moon\"",   " \"Sturgeon Moon\"",
    " \"Harvest Moon\"", " \"Hunter's Moon\"",   " \"Beaver Moon\"", " \"Cold Moon\"",
};

constexpr const char* kMonthAbbreviations[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                 "jul", "aug", "sep", "oct", "nov", "dec"};

std::array<char, MoonTextSize> g_moonText{};

// Appends `piece` behind the text's terminator, cutting it at the buffer's end.
void AppendBounded(char* text, std::size_t size, const char* piece) {
  if (text == nullptr || size == 0) return;
  std::size_t used = strnlen(text, size);
  if (used >= size) {  // unterminated: terminate rather than run past the end
    text[size - 1] = '\0';
    return;
  }
  std::size_t room = size - 1 - used;
  std::size_t n = std::min(std::strlen(piece), room);
  std::memcpy(text + used, piece, n);
  text[used + n] = '\0';
}

void ReplaceMoonText(const char* text) {
  g_moonText[0] = '\0';
  AppendBounded(g_moonText.data(), g_moonText.size(), text);
}

// Days from 1970-01-01 to a proleptic Gregorian date; exact for any year, so
// record instants never depend on the local zone or the C library.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Local minus UTC in seconds, positive east of Greenwich; 0 when either
// breakdown fails. Only logged.
long UtcOffset(std::time_t now) {
  std::tm local{};
  std::tm utc{};
  if (localtime_r(&now, &local) == nullptr || gmtime_r(&now, &utc) == nullptr) return 0;
  const long y1 = local.tm_year + 1900 - 1;
  const long y0 = utc.tm_year + 1900 - 1;
  const long days = 365 * (y1 - y0) + (y1 / 4 - y0 / 4) - (y1 / 100 - y0 / 100) +
                    (y1 / 400 - y0 / 400) + (local.tm_yday - utc.tm_yday);
  return ((days * 24 + (local.tm_hour - utc.tm_hour)) * 60 + (local.tm_min - utc.tm_min)) * 60 +
         (local.tm_sec - utc.tm_sec);
}

bool UtcDateIs(std::time_t when, const FullMoonRecord& record) {
  std::tm utc{};
  if (gmtime_r(&when, &utc) == nullptr) return false;
  return utc.tm_year + 1900 == record.year && utc.tm_mon + 1 == record.month &&
         utc.tm_mday == record.day;
}

void LogInfo(const char* name, const char* value) { LogFile.Log(3, name, value); }

void LogInfo(const char* name, long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld", value);
  LogFile.Log(3, name, text);
}

}  // namespace

const FullMoonRecord* FullMoonTable() { return kFullMoons; }
std::size_t FullMoonCount() { return kFullMoonCount; }

std::time_t FullMoonInstant(const FullMoonRecord& r) {
  // Minute 60 (25 April 2013) simply carries into the next hour here.
  return static_cast<std::time_t>(DaysFromCivil(r.year, r.month, r.day) * 86400 +
                                  std::int64_t{r.hour} * 3600 + std::int64_t{r.minute} * 60);
}

const char* MoonText() { return g_moonText.data(); }

int CalcPhase() { return CalcPhaseAt(std::time(nullptr)); }

int CalcPhaseAt(std::time_t now) {
  LogInfo("CalcPhase", "Entering");
  LogInfo("time zone", static_cast<long long>(UtcOffset(now)));
  g_moonText[0] = '\0';

  // Walk back from the newest record to the most recent full moon not after
  // `now`; the coming full moon passes first, so it can give "tomorrow" or
  // "tonight" too.
  std::size_t stop = 0;
  for (std::size_t i = kFullMoonCount; i-- > 0;) {
    const FullMoonRecord& record = kFullMoons[i];
    bool fullMoon = false;
    if (UtcDateIs(now - 14400, record)) {
      LogInfo("Full moon", "tonight");
      fullMoon = true;
      ReplaceMoonText(" - Full moon tonight:");
    }
    if (UtcDateIs(now + 72000, record)) {
      LogInfo("Full moon", "tomorrow");
      fullMoon = true;
      ReplaceMoonText(" - Full moon tomorrow:");
    }
    if (fullMoon) {
      if (i > 0 && kFullMoons[i - 1].month == record.month)
        AppendBounded(g_moonText.data(), g_moonText.size(), " Blue Moon");
      else
        AppendMonthMoonName(record.month, g_moonText.data(), g_moonText.size());
    }
    const std::time_t instant = FullMoonInstant(record);
    if (instant <= now) {
      LogInfo("Seconds after the previous Full moon", static_cast<long long>(now - instant));
      LogInfo("Seconds before the next Full moon",
              static_cast<long long>(instant - now + MeanSynodicMonth));
      stop = i;
      break;
    }
  }

  // A lunation longer than the mean month wraps, so the last hours before a
  // full moon show small angles. Before the first record the elapsed time is
  // negative: a floored remainder extrapolates back with the mean month and
  // keeps the angle within 0..359.
  const std::int64_t elapsed =
      static_cast<std::int64_t>(now) - static_cast<std::int64_t>(FullMoonInstant(kFullMoons[stop]));
  std::int64_t rest = elapsed % MeanSynodicMonth;
  if (rest < 0) rest += MeanSynodicMonth;
  const int angle = static_cast<int>(rest * 360 / MeanSynodicMonth);

  AppendPhaseName(g_moonText.data(), g_moonText.size(), angle);
  return angle;
}

void AppendPhaseName(char* text, std::size_t size, int angle) {
  // Wide arithmetic: a debugging override may hand in any number.
  const long long nearest = std::min<long long>(angle, 360LL - angle);
  const long long lit = (180 - nearest) * 100 / 180;
  const int r = angle % 360;
  const char* name = nullptr;
  if (r == 0)
    name = " - Full Moon";
  else if (r >= 1 && r <= 89)
    name = " - Waning Gibbous Moon";
  else if (r == 90)
    name = " - Last Quarter";
  else if (r >= 91 && r <= 179)
    name = " - Waning Crescent Moon";
  else if (r == 180)
    name = " - New Moon";
  else if (r >= 181 && r <= 269)
    name = " - Waxing Crescent Moon";
  else if (r == 270)
    name = " - First Quarter";
  else if (r >= 271 && r <= 359)
    name = " - Waxing Gibbous Moon";
  if (name != nullptr) AppendBounded(text, size, name);
  char percent[24];
  std::snprintf(percent, sizeof percent, " %lld%%", lit);
  AppendBounded(text, size, percent);
}

void AppendMonthMoonName(int month, char* text, std::size_t size) {
  LogInfo("MoonName for month", static_cast<long long>(month));
  if (month < 1 || month > 12) return;
  AppendBounded(text, size, kMonthMoonNames[month - 1]);
}

int MonthFromName(const char* name) {
  if (name != nullptr) {
    for (int m = 0; m < 12; ++m)
      if (strncasecmp(name, kMonthAbbreviations[m], 3) == 0) return m + 1;
  }
  LogFile.Log(9, "not a valid month name", name != nullptr ? name : "");
  return 1;
}

namespace lvx {
void ResetMoonForTests() { g_moonText.fill('\0'); }
}  // namespace lvx
