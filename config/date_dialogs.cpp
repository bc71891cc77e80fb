// The two date dialogs of the messages page: "Countdown Timer" (2012) and
// "Please enter your Birthday" (2015). Both check their fields in a fixed
// order, say what is wrong in a box and stay open; nothing is stored until
// every field is right.
#include <cstddef>

#include "config/help.h"
#include "config/pages.h"
#include "config/time_event_dialogs.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"

namespace {

// One field's allowed range and what the box says when the value is below or
// above it. A field that holds no number counts as below.
struct FieldCheck {
  int id;
  int low;
  int high;
  const char* tooLow;
  const char* tooHigh;
  const char* caption;
};

constexpr FieldCheck kMonth{IDC_DATE_MONTH,
                            1,
                            12,
                            "Please enter a number from 1 to 12",
                            "Please enter a number from 1 to 12",
                            "Error in Month"};
constexpr FieldCheck kDay{IDC_DATE_DAY,
                          1,
                          31,
                          "Please enter a number from 1 to 31",
                          "Please enter a number from 1 to 31",
                          "Error in Day"};

int FieldValue(HWND dialog, int id, bool* isNumber) {
  BOOL translated = FALSE;
  const int value = static_cast<int>(GetDlgItemInt(dialog, id, &translated, TRUE));
  *isNumber = translated != FALSE;
  return value;
}

// True when every field passes; otherwise the first failure is shown and its
// field gets the focus.
template <std::size_t N>
bool FieldsPass(HWND dialog, const FieldCheck (&checks)[N]) {
  for (const FieldCheck& c : checks) {
    bool isNumber = false;
    const int value = FieldValue(dialog, c.id, &isNumber);
    const char* problem = nullptr;
    if (!isNumber || value < c.low) {
      problem = c.tooLow;
    } else if (value > c.high) {
      problem = c.tooHigh;
    }
    if (problem != nullptr) {
      MessageBoxA(dialog, problem, c.caption, MB_OK);
      SetFocus(GetDlgItem(dialog, c.id));
      return false;
    }
  }
  return true;
}

int Field(HWND dialog, int id) {
  bool isNumber = false;
  return FieldValue(dialog, id, &isNumber);
}

void LimitFields(HWND dialog, bool withTime) {
  SendDlgItemMessageA(dialog, IDC_DATE_YEAR, EM_LIMITTEXT, 4, 0);
  SendDlgItemMessageA(dialog, IDC_DATE_MONTH, EM_LIMITTEXT, 2, 0);
  SendDlgItemMessageA(dialog, IDC_DATE_DAY, EM_LIMITTEXT, 2, 0);
  if (withTime) {
    SendDlgItemMessageA(dialog, IDC_DATE_HOUR, EM_LIMITTEXT, 2, 0);
    SendDlgItemMessageA(dialog, IDC_DATE_MINUTE, EM_LIMITTEXT, 2, 0);
  }
}

int CurrentYear() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wYear;
}

// ---- Countdown Timer ----

struct CountdownKey {
  int id;
  const char* key;
  int defaultValue;
};
constexpr CountdownKey kCountdownKeys[] = {
    {IDC_DATE_YEAR, "Year", 0 /* this year */},
    {IDC_DATE_MONTH, "Month", 1},
    {IDC_DATE_DAY, "Day", 1},
    {IDC_DATE_HOUR, "Hour", 0},
    {IDC_DATE_MINUTE, "Min", 0},
};

void ShowCountdownTarget(HWND dialog) {
  LimitFields(dialog, true);
  for (const CountdownKey& k : kCountdownKeys) {
    // With nothing stored the year offered is this one, which the check takes.
    const int fallback = k.id == IDC_DATE_YEAR ? CurrentYear() : k.defaultValue;
    int value = fallback;
    MainSettings.UserReadInt("CDCounter", k.key, &value, fallback);
    SetDlgItemInt(dialog, k.id, static_cast<UINT>(value), TRUE);
  }
}

bool StoreCountdownTarget(HWND dialog) {
  // A countdown to a year gone by could only say that it is over; years are
  // judged against today, not against a fixed calendar.
  const int year = CurrentYear();
  const FieldCheck checks[] = {
      {IDC_DATE_YEAR, year, year + CountdownYearsAhead, "You can not specify past years",
       "You specified a very far year", "Error in Year"},
      kMonth,
      kDay,
      {IDC_DATE_HOUR, 0, 23, "Please enter a number from 0 to 23",
       "Please enter a number from 0 to 23", "Error in Hour"},
      {IDC_DATE_MINUTE, 0, 59, "Please enter a number from 0 to 59",
       "Please enter a number from 0 to 59", "Error in Minutes"},
  };
  if (!FieldsPass(dialog, checks)) return false;
  for (const CountdownKey& k : kCountdownKeys)
    MainSettings.UserWriteUInt("CDCounter", k.key, static_cast<unsigned>(Field(dialog, k.id)));
  return true;
}

// ---- Birthday ----

void ShowBirthday(HWND dialog, const BirthdayDate& date) {
  LimitFields(dialog, false);
  const struct {
    int id;
    int value;
  } fields[] = {{IDC_DATE_YEAR, date.year}, {IDC_DATE_MONTH, date.month}, {IDC_DATE_DAY, date.day}};
  for (const auto& f : fields)
    if (f.value != 0) SetDlgItemInt(dialog, f.id, static_cast<UINT>(f.value), TRUE);
}

bool StoreBirthday(HWND dialog, BirthdayDate* date) {
  constexpr FieldCheck checks[] = {
      {IDC_DATE_YEAR, 1950, 2050, "Please enter a number from 1950 to 2050",
       "Please enter a number from 1950 to 2050", "Error in Year"},
      kMonth,
      kDay,
  };
  if (!FieldsPass(dialog, checks)) return false;
  const BirthdayDate entered{Field(dialog, IDC_DATE_YEAR), Field(dialog, IDC_DATE_MONTH),
                             Field(dialog, IDC_DATE_DAY)};
  MainSettings.UserWriteUInt("Birthday", "Year", static_cast<unsigned>(entered.year));
  MainSettings.UserWriteUInt("Birthday", "Month", static_cast<unsigned>(entered.month));
  MainSettings.UserWriteUInt("Birthday", "Day", static_cast<unsigned>(entered.day));
  if (date != nullptr) *date = entered;
  return true;
}

BirthdayDate* DateOf(HWND dialog) {
  return reinterpret_cast<BirthdayDate*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

}  // namespace

INT_PTR CALLBACK CountdownDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    ShowCountdownTarget(dialog);
    return TRUE;
  }
  return AnswerDialogButtons(dialog, message, wParam, StoreCountdownTarget, HelpMessagesPage);
}

INT_PTR CALLBACK BirthdayDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    const BirthdayDate* date = DateOf(dialog);
    ShowBirthday(dialog, date != nullptr ? *date : BirthdayDate{0, 0, 0});
    return TRUE;
  }
  return AnswerDialogButtons(
      dialog, message, wParam, [](HWND d) { return StoreBirthday(d, DateOf(d)); },
      HelpMessagesPage);
}
