// The moon's phase from the built-in table of full moons, and the short notice
// about it that the bottom line appends.
#pragma once

#include <cstddef>
#include <ctime>

// One full moon, in UTC. Minute may be 60 (carried into the next hour).
struct FullMoonRecord {
  int day;
  int month;  // 1..12
  int year;   // four digits
  int hour;
  int minute;
};

// Mean synodic month in seconds (29 d 12 h 44 min 3 s).
constexpr long MeanSynodicMonth = 2551443;
// Room of the process-wide moon text, terminator included.
constexpr std::size_t MoonTextSize = 120;

// The table, oldest first, and its length.
const FullMoonRecord* FullMoonTable();
std::size_t FullMoonCount();

// Seconds since the epoch of a record's UTC instant.
std::time_t FullMoonInstant(const FullMoonRecord& record);

// Phase angle of the present instant in whole degrees: 0 full moon, 90 last
// quarter, 180 new moon, 270 first quarter; always 0..359. Rebuilds the moon text.
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
