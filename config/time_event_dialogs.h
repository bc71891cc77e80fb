// The small dialogs behind the live values of the messages page: the
// countdown's target (2012), the birthday (2015) and the two places of the
// world clock (2020). Each runs modally; IDOK means it changed something.
#pragma once

#include <cstddef>

#include "platform/winapi.h"

// "Countdown Timer": shows the stored "CDCounter" target and stores the one
// entered, once every field passed its check.
INT_PTR CALLBACK CountdownDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A countdown aims at this year or at most this many years ahead.
inline constexpr int CountdownYearsAhead = 15;

// What the birthday dialog shows (0: a number not known, shown empty) and,
// after OK, what was entered and stored under "Birthday".
struct BirthdayDate {
  int year;
  int month;
  int day;
};
// "Please enter your Birthday"; WM_INITDIALOG's lParam is a BirthdayDate*.
INT_PTR CALLBACK BirthdayDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The message and bottom line the world-time dialog works on.
struct WorldTimeTexts {
  char message[40];  // 39 characters
  char bottomLine[300];
};
// "World time view"; WM_INITDIALOG's lParam is a WorldTimeTexts*. After OK
// the message is the clock token of the two places chosen (or a request to
// choose one) and the bottom line the one typed.
INT_PTR CALLBACK WorldTimeDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
