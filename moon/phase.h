// The moon's phase from the full moons around the present instant (the
// built-in table for 2002-2014, computed for any other year), and the short
// notice about it that the bottom line appends.
#pragma once

#include <cstddef>
#include <ctime>
#include <vector>

// One full moon, in UTC. Minute may be 60 (carried into the next hour).
struct FullMoonRecord {
  int day;
  int month;  // 1..12
  int year;   // four digits
  int hour;
  int minute;
};

// Room of the process-wide moon text, terminator included.
constexpr std::size_t MoonTextSize = 120;

// The table, oldest first, and its length.
const FullMoonRecord* FullMoonTable();
std::size_t FullMoonCount();

// Seconds since the epoch of a record's UTC instant.
std::time_t FullMoonInstant(const FullMoonRecord& record);

// Full moons are numbered by lunation: 0 is the full moon of 21 January 2000,
// negative numbers come before it. The table holds lunations 25 to 184.
constexpr long FirstTableLunation = 25;
// The lunations the computation covers: full moons from late in the year 0 to
// early in the year 10000, so that every instant of the years 1..9999 lies
// between two of them.
constexpr long FirstComputedLunation = -24725;
constexpr long LastComputedLunation = 98946;

// A lunation's full moon computed from the lunar-phase series, UTC, rounded to
// the minute (minute is 0..59). The lunation is clamped to the span above.
FullMoonRecord ComputedFullMoon(long lunation);
// A lunation's full moon as the phase uses it: the table's record inside
// 2002-2014, the computed one before and after.
FullMoonRecord FullMoonOfLunation(long lunation);
// The full moons (as the phase uses them) whose UTC date lies in `year`,
// oldest first: 12 or 13 of them; none for a year outside 1..9999.
std::vector<FullMoonRecord> FullMoonsOfYear(int year);

// Phase angle of the present instant in whole degrees: 0 full moon, 90 last
// quarter, 180 new moon, 270 first quarter; always 0..359, the time elapsed
// since the previous full moon over the length of this lunation. Rebuilds the
// moon text.
int CalcPhase();
// The same for a given instant (CalcPhase passes the present one).
int CalcPhaseAt(std::time_t now);

// The notice CalcPhase built last ("" before the first call).
const char* MoonText();

// Append to the zero-terminated text in a buffer of `size` bytes, cutting what
// does not fit: the phase name and lit percentage of `angle`, and the
// traditional name of a month's full moon (nothing for a month outside 1..12).
void AppendPhaseName(char* text, std::size_t size, int angle);
void AppendMonthMoonName(int month, char* text, std::size_t size);

// 1..12 from a month name ("Oct", "oct", "October" ...: its first three
// letters decide); 1 and an ERROR log line when it names no month.
int MonthFromName(const char* name);

namespace lvx {
// Tests: empty the moon text.
void ResetMoonForTests();
}  // namespace lvx
