#include "moon/phase.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

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

// The proleptic Gregorian date of a day counted from 1970-01-01.
void CivilFromDays(std::int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}

// Full moons computed after Jean Meeus, "Astronomical Algorithms" (2nd ed.,
// 1998), chapter 49 "Phases of the Moon": the mean phase, the periodic terms
// for a full moon and the fourteen planetary arguments, good to a few
// minutes over 1900-2100 and usable for centuries around them. The series
// gives Terrestrial Time; Universal Time is that minus Delta T.

constexpr double kJulianDayOfEpoch = 2440587.5;  // 1970-01-01 00:00 UT
constexpr double kMeanLunation = 29.530588861;   // days
constexpr double kFirstNewMoon = 2451550.09766;  // JDE of the new moon of 6 January 2000

double SinDegrees(double degrees) {
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
  return std::sin(std::fmod(degrees, 360.0) * kRadiansPerDegree);
}

// Delta T (TT - UT) in seconds for a decimal year: the polynomials of Espenak
// and Meeus ("Five Millennium Canon of Solar Eclipses", NASA TP-2006-214141)
// for 1900-2150, and their long-term parabola outside that span, where the
// value is no better than a guess anyway.
double DeltaTSeconds(double y) {
  if (y >= 1900 && y < 1920) {
    const double t = y - 1900;
    return -2.79 + t * (1.494119 + t * (-0.0598939 + t * (0.0061966 - 0.000197 * t)));
  }
  if (y >= 1920 && y < 1941) {
    const double t = y - 1920;
    return 21.20 + t * (0.84493 + t * (-0.076100 + 0.0020936 * t));
  }
  if (y >= 1941 && y < 1961) {
    const double t = y - 1950;
    return 29.07 + 0.407 * t - t * t / 233 + t * t * t / 2547;
  }
  if (y >= 1961 && y < 1986) {
    const double t = y - 1975;
    return 45.45 + 1.067 * t - t * t / 260 - t * t * t / 718;
  }
  if (y >= 1986 && y < 2005) {
    const double t = y - 2000;
    return 63.86 +
           t * (0.3345 + t * (-0.060374 + t * (0.0017275 + t * (0.000651814 + 0.00002373599 * t))));
  }
  if (y >= 2005 && y < 2050) {
    const double t = y - 2000;
    return 62.92 + 0.32217 * t + 0.005589 * t * t;
  }
  const double u = (y - 1820) / 100;
  if (y >= 2050 && y < 2150) return -20 + 32 * u * u - 0.5628 * (2150 - y);
  return -20 + 32 * u * u;
}

// Seconds since the epoch (UT) of a lunation's full moon.
double FullMoonSeconds(long lunation) {
  const double k = static_cast<double>(lunation) + 0.5;  // a full moon is half a lunation on
  const double T = k / 1236.85;                          // Julian centuries from 2000.0
  const double T2 = T * T;
  const double T3 = T2 * T;
  const double T4 = T3 * T;

  const double meanPhase =
      kFirstNewMoon + kMeanLunation * k + 0.00015437 * T2 - 0.000000150 * T3 + 0.00000000073 * T4;
  // The eccentricity of the earth's orbit weakens the terms with the sun's anomaly.
  const double E = 1 - 0.002516 * T - 0.0000074 * T2;
  const double M = 2.5534 + 29.10535670 * k - 0.0000014 * T2 - 0.00000011 * T3;  // sun
  const double Mm =
      201.5643 + 385.81693528 * k + 0.0107582 * T2 + 0.00001238 * T3 - 0.000000058 * T4;  // moon
  const double F = 160.7108 + 390.67050284 * k - 0.0016118 * T2 - 0.00000227 * T3 +
                   0.000000011 * T4;  // moon's argument of latitude
  const double node = 124.7746 - 1.56375588 * k + 0.0020672 * T2 + 0.00000215 * T3;

  double days = -0.40614 * SinDegrees(Mm) + 0.17302 * E * SinDegrees(M) +
                0.01614 * SinDegrees(2 * Mm) + 0.01043 * SinDegrees(2 * F) +
                0.00734 * E * SinDegrees(Mm - M) - 0.00515 * E * SinDegrees(Mm + M) +
                0.00209 * E * E * SinDegrees(2 * M) - 0.00111 * SinDegrees(Mm - 2 * F) -
                0.00057 * SinDegrees(Mm + 2 * F) + 0.00056 * E * SinDegrees(2 * Mm + M) -
                0.00042 * SinDegrees(3 * Mm) + 0.00042 * E * SinDegrees(M + 2 * F) +
                0.00038 * E * SinDegrees(M - 2 * F) - 0.00024 * E * SinDegrees(2 * Mm - M) -
                0.00017 * SinDegrees(node) - 0.00007 * SinDegrees(Mm + 2 * M) +
                0.00004 * SinDegrees(2 * Mm - 2 * F) + 0.00004 * SinDegrees(3 * M) +
                0.00003 * SinDegrees(Mm + M - 2 * F) + 0.00003 * SinDegrees(2 * Mm + 2 * F) -
                0.00003 * SinDegrees(Mm + M + 2 * F) + 0.00003 * SinDegrees(Mm - M + 2 * F) -
                0.00002 * SinDegrees(Mm - M - 2 * F) - 0.00002 * SinDegrees(3 * Mm + M) +
                0.00002 * SinDegrees(4 * Mm);

  // Planetary arguments, the same for every phase; the first drifts with T too.
  days += 0.000325 * SinDegrees(299.77 + 0.107408 * k - 0.009173 * T2);
  struct Planetary {
    double base, perLunation, weight;
  };
  static constexpr Planetary kPlanetary[] = {
      {251.88, 0.016321, 0.000165}, {251.83, 26.651886, 0.000164}, {349.42, 36.412478, 0.000126},
      {84.66, 18.206239, 0.000110}, {141.74, 53.303771, 0.000062}, {207.14, 2.453732, 0.000060},
      {154.84, 7.306860, 0.000056}, {34.52, 27.261239, 0.000047},  {207.19, 0.121824, 0.000042},
      {291.34, 1.844379, 0.000040}, {161.72, 24.198154, 0.000037}, {239.56, 25.513099, 0.000035},
      {331.55, 3.592518, 0.000023},
  };
  for (const Planetary& p : kPlanetary) days += p.weight * SinDegrees(p.base + p.perLunation * k);

  const double year = 2000 + k / 12.3685;
  return (meanPhase + days - kJulianDayOfEpoch) * 86400.0 - DeltaTSeconds(year);
}

// The lunation whose full moon is nearest before `when`, give or take one: the
// mean lunation, as the true one strays from it by less than a day. Clamped to
// the computed span.
long EstimateLunation(std::time_t when) {
  const double days = static_cast<double>(when) / 86400.0 + kJulianDayOfEpoch - kFirstNewMoon;
  const double lunation = std::floor(days / kMeanLunation - 0.5);
  return static_cast<long>(std::clamp(lunation, static_cast<double>(FirstComputedLunation),
                                      static_cast<double>(LastComputedLunation)));
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

// `when` moved by `seconds`, held at the ends of time_t instead of overflowing.
std::time_t Shifted(std::time_t when, std::time_t seconds) {
  std::time_t moved = 0;
  if (__builtin_add_overflow(when, seconds, &moved))
    return seconds < 0 ? std::numeric_limits<std::time_t>::min()
                       : std::numeric_limits<std::time_t>::max();
  return moved;
}

// "tonight" from 04:00 UTC on the full moon's date until 04:00 the day after,
// "tomorrow" in the 24 hours before; the second full moon of a calendar month
// is a Blue Moon, any other one carries its month's name.
void NoticeFullMoon(std::time_t now, long lunation, const FullMoonRecord& moon) {
  bool fullMoon = false;
  if (UtcDateIs(Shifted(now, -14400), moon)) {
    LogInfo("Full moon", "tonight");
    fullMoon = true;
    ReplaceMoonText(" - Full moon tonight:");
  }
  if (UtcDateIs(Shifted(now, 72000), moon)) {
    LogInfo("Full moon", "tomorrow");
    fullMoon = true;
    ReplaceMoonText(" - Full moon tomorrow:");
  }
  if (!fullMoon) return;
  if (FullMoonOfLunation(lunation - 1).month == moon.month)
    AppendBounded(g_moonText.data(), g_moonText.size(), " Blue Moon");
  else
    AppendMonthMoonName(moon.month, g_moonText.data(), g_moonText.size());
}

}  // namespace

const FullMoonRecord* FullMoonTable() { return kFullMoons; }
std::size_t FullMoonCount() { return kFullMoonCount; }

std::time_t FullMoonInstant(const FullMoonRecord& r) {
  // Minute 60 (25 April 2013) simply carries into the next hour here.
  return static_cast<std::time_t>(DaysFromCivil(r.year, r.month, r.day) * 86400 +
                                  std::int64_t{r.hour} * 3600 + std::int64_t{r.minute} * 60);
}

FullMoonRecord ComputedFullMoon(long lunation) {
  lunation = std::clamp(lunation, FirstComputedLunation, LastComputedLunation);
  const auto minutes = static_cast<std::int64_t>(std::llround(FullMoonSeconds(lunation) / 60.0));
  std::int64_t days = minutes / 1440;
  std::int64_t minuteOfDay = minutes % 1440;
  if (minuteOfDay < 0) {
    minuteOfDay += 1440;
    --days;
  }
  FullMoonRecord record{};
  CivilFromDays(days, &record.year, &record.month, &record.day);
  record.hour = static_cast<int>(minuteOfDay / 60);
  record.minute = static_cast<int>(minuteOfDay % 60);
  return record;
}

FullMoonRecord FullMoonOfLunation(long lunation) {
  const long index = lunation - FirstTableLunation;
  if (index >= 0 && index < static_cast<long>(kFullMoonCount)) return kFullMoons[index];
  return ComputedFullMoon(lunation);
}

std::vector<FullMoonRecord> FullMoonsOfYear(int year) {
  std::vector<FullMoonRecord> moons;
  if (year < 1 || year > 9999) return moons;
  const auto newYear = static_cast<std::time_t>(DaysFromCivil(year, 1, 1) * 86400);
  for (long n = std::max(EstimateLunation(newYear) - 1, FirstComputedLunation);
       n <= LastComputedLunation; ++n) {
    const FullMoonRecord moon = FullMoonOfLunation(n);
    if (moon.year > year) break;
    if (moon.year == year) moons.push_back(moon);
  }
  return moons;
}

const char* MoonText() { return g_moonText.data(); }

int CalcPhase() { return CalcPhaseAt(std::time(nullptr)); }

int CalcPhaseAt(std::time_t now) {
  LogInfo("CalcPhase", "Entering");
  LogInfo("time zone", static_cast<long long>(UtcOffset(now)));
  g_moonText[0] = '\0';

  // The full moons on either side of `now`: the previous one not after it, the
  // next one after it (within the computed span; beyond it, its edge lunation).
  long previous = std::min(EstimateLunation(now), LastComputedLunation - 1);
  while (previous > FirstComputedLunation && FullMoonInstant(FullMoonOfLunation(previous)) > now)
    --previous;
  while (previous + 1 < LastComputedLunation &&
         FullMoonInstant(FullMoonOfLunation(previous + 1)) <= now)
    ++previous;
  const FullMoonRecord before = FullMoonOfLunation(previous);
  const FullMoonRecord after = FullMoonOfLunation(previous + 1);

  // The coming full moon can give "tomorrow" or "tonight", the one just past
  // "tonight" (or "tomorrow" until 04:00 UTC on its date).
  NoticeFullMoon(now, previous + 1, after);
  NoticeFullMoon(now, previous, before);

  // Elapsed over the length of this very lunation, so a long lunation ends at
  // 359 rather than wrapping early. Outside the computed span the remainder
  // repeats the edge lunation and keeps the angle within 0..359.
  const std::int64_t start = FullMoonInstant(before);
  const std::int64_t length = static_cast<std::int64_t>(FullMoonInstant(after)) - start;
  const std::int64_t elapsed = static_cast<std::int64_t>(now) - start;
  LogInfo("Seconds after the previous Full moon", static_cast<long long>(elapsed));
  LogInfo("Seconds before the next Full moon", static_cast<long long>(length - elapsed));
  std::int64_t rest = elapsed % length;
  if (rest < 0) rest += length;
  const int angle = static_cast<int>(rest * 360 / length);

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
