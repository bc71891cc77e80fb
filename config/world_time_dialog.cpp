// "World time view" (2020): the user's own place and a place to watch, each
// with its summer time, turned into the clock token
// "TIME <hours> [LDST] [WDST] iLoc<home> iWor<world>" that shows the time
// over there. The token keeps both list positions so that the dialog can
// show the same choice again.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/help.h"
#include "config/pages.h"
#include "config/time_event_dialogs.h"
#include "events/time_events.h"
#include "resources/dialog_ids.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {

constexpr int kInfo = 3;

WorldTimeTexts* TextsOf(HWND dialog) {
  return reinterpret_cast<WorldTimeTexts*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// The list position written after `mark` ("iLoc", "iWor", any letter case)
// in the token; -1 when there is none or it is no position of the lists.
int PositionAfter(const char* message, const char* mark, const char* logName) {
  const int at = FindText(message, mark);
  if (at < 0) return -1;
  const char* digits = message + at + std::strlen(mark);
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(digits, &end, 10);
  if (end == digits || errno != 0) return -1;
  LogFile.LogLong(kInfo, logName, value);
  return value >= 0 && value < TimeZoneCount ? static_cast<int>(value) : -1;
}

void FillZones(HWND dialog, int listId) {
  for (const TimeZoneRecord& zone : TimeZones)
    SendDlgItemMessageA(dialog, listId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(zone.name));
}

void Open(HWND dialog, const WorldTimeTexts& texts) {
  FillZones(dialog, IDC_WT_HOME);
  FillZones(dialog, IDC_WT_WORLD);
  LogFile.LogLong(kInfo, "WorldComboBox items",
                  static_cast<long>(SendDlgItemMessageA(dialog, IDC_WT_HOME, CB_GETCOUNT, 0, 0)));

  const int home = PositionAfter(texts.message, "iLoc", "sscan for local index");
  if (home >= 0) SendDlgItemMessageA(dialog, IDC_WT_HOME, CB_SETCURSEL, home, 0);
  const int world = PositionAfter(texts.message, "iWor", "sscan for world index");
  if (world >= 0) SendDlgItemMessageA(dialog, IDC_WT_WORLD, CB_SETCURSEL, world, 0);

  CheckDlgButton(dialog, IDC_WT_HOME_DST,
                 std::strstr(texts.message, "LDST") != nullptr ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_WT_WORLD_DST,
                 std::strstr(texts.message, "WDST") != nullptr ? BST_CHECKED : BST_UNCHECKED);
  SendDlgItemMessageA(dialog, IDC_WT_BOTTOMLINE, EM_LIMITTEXT, sizeof texts.bottomLine - 1, 0);
  SetDlgItemTextA(dialog, IDC_WT_BOTTOMLINE, texts.bottomLine);
}

int Selected(HWND dialog, int listId) {
  const auto index = static_cast<int>(SendDlgItemMessageA(dialog, listId, CB_GETCURSEL, 0, 0));
  return index >= 0 && index < TimeZoneCount ? index : -1;
}

// The clock token of the two places, or what is missing.
void Choose(HWND dialog, WorldTimeTexts* texts) {
  const bool homeSummer = IsDlgButtonChecked(dialog, IDC_WT_HOME_DST) == BST_CHECKED;
  const bool worldSummer = IsDlgButtonChecked(dialog, IDC_WT_WORLD_DST) == BST_CHECKED;
  bool missing = false;

  // From the local time back to UTC ...
  const int home = Selected(dialog, IDC_WT_HOME);
  double toUtc = 0.0;
  if (home < 0) {
    SafeStrCpy(texts->message, "Please select\nyour location");
    missing = true;
  } else {
    toUtc = -(TimeZones[home].offset + (homeSummer ? 1.0 : 0.0));
    LogFile.LogDouble(kInfo, "WorldTime Diff1", toUtc);
  }

  // ... and on to the watched place.
  const int world = Selected(dialog, IDC_WT_WORLD);
  if (world < 0) {
    SafeStrCpy(texts->message, "Please select\na world location");
    missing = true;
  }

  if (!missing) {
    const double hours = TimeZones[world].offset + toUtc + (worldSummer ? 1.0 : 0.0);
    LogFile.LogDouble(kInfo, "WorldTime Diff2-1", hours);
    char token[96];
    std::snprintf(token, sizeof token, "TIME %2.1f %s %s iLoc%i iWor%i", hours,
                  homeSummer ? "LDST" : "", worldSummer ? "WDST" : "", home, world);
    SafeStrCpy(texts->message, token);
  }
  GetDlgItemTextA(dialog, IDC_WT_BOTTOMLINE, texts->bottomLine, sizeof texts->bottomLine);
}

}  // namespace

INT_PTR CALLBACK WorldTimeDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    if (TextsOf(dialog) != nullptr) Open(dialog, *TextsOf(dialog));
    return TRUE;
  }
  // OK always ends the dialog: a missing place becomes a request to choose one.
  return AnswerDialogButtons(
      dialog, message, wParam,
      [](HWND d) {
        if (TextsOf(d) != nullptr) Choose(d, TextsOf(d));
        return true;
      },
      HelpMessagesPage);
}
