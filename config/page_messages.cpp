// Page "Lumivex Messages" (2019): the further messages of the message book
// (slots 1 and up; slot 0 is the main page's), the buttons that put symbols
// and live values into a message, and the message preferences.
//
// The page edits the book in place: the shown message is stored before every
// move, so what the page last showed is what the book holds. A message whose
// text and bottom line were both cleared is gone, as if deleted, and the
// later ones move down: a free slot in the middle would end the book there.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/help.h"
#include "config/messages_page.h"
#include "config/pages.h"
#include "config/time_event_dialogs.h"
#include "exchange/message_file.h"
#include "messages/quill.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {

constexpr int kInfo = 3;
// Delete moves later messages down over runs of up to this many free slots.
constexpr int kGapReach = 20;

// The buttons that write into the shown message.
constexpr int kKeywordButtons[] = {IDC_MSG_HEART, IDC_MSG_HAPPY,     IDC_MSG_PEACE,
                                   IDC_MSG_STAR,  IDC_MSG_COUNTDOWN, IDC_MSG_DAYCOUNTER,
                                   IDC_MSG_TIME,  IDC_MSG_WORLDTIME};

struct PageState {
  bool helpOpened;
  // The number the page shows: the current slot, or 0 with nothing to edit.
  int shown;
};
PageState Page = {false, 0};

std::string saverProgramForTests;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

// ---- Walking the book ----

// The page clears the decrypt password when it opens, so this is a slot
// without a password: secret messages never show here, and a page that never
// shows them can never store them unprotected.
bool LoadedSlotEligible() { return std::strcmp(Quill.Password, Quill.DecryptPassword) == 0; }

bool AnyEligible(int extent) {
  const int saved = Quill.Index;
  bool any = false;
  for (int k = 1; k < extent && !any; ++k) {
    Quill.Index = k;
    Quill.Read();
    any = LoadedSlotEligible();
  }
  Quill.Index = saved;
  Quill.Read();
  return any;
}

// ">": the next eligible further message, round the book past slot 0.
void StepForward() {
  const int extent = Quill.FindFirstFree();
  if (!AnyEligible(extent)) return;
  for (int tries = 0; tries <= extent; ++tries) {
    Quill.Index = Quill.Index + 1 >= extent ? 0 : Quill.Index + 1;
    Quill.Read();
    if (Quill.Index != 0 && LoadedSlotEligible()) return;
  }
}

// "<": the mirror image; below slot 1 it goes on from the last message.
void StepBack() {
  const int extent = Quill.FindFirstFree();
  if (!AnyEligible(extent)) return;
  for (int tries = 0; tries <= extent; ++tries) {
    const int k = Quill.Index - 1;
    Quill.Index = k < 1 || k > extent - 1 ? extent - 1 : k;
    Quill.Read();
    if (LoadedSlotEligible()) return;
  }
}

// Moves each message that follows the first free slot down into it, as long
// as free runs are no longer than kGapReach.
void CloseGaps() {
  int firstFree = Quill.FindFirstFree();
  for (int k = firstFree + 1; k <= firstFree + kGapReach; ++k) {
    if (Quill.IsFree(k)) continue;
    Quill.Index = k;
    Quill.Read();
    Quill.Index = firstFree;
    Quill.Write();
    Quill.Index = k;
    Quill.Clear();
    Quill.Write();
    ++firstFree;
  }
}

// After slot `removed` went: the message that moved into its place, else
// round to the first one.
void ShowAfterRemoval(int removed) {
  const int extent = Quill.FindFirstFree();
  if (removed > 0 && removed < extent) {
    Quill.Index = removed;
    Quill.Read();
    // A secret message that moved here is passed over, never shown.
    if (!LoadedSlotEligible()) StepForward();
    return;
  }
  Quill.Index = 0;
  Quill.Read();
  StepForward();
}

// ---- What the page shows ----

void Display(HWND page) {
  const int extent = Quill.FindFirstFree();
  Page.shown = extent > 1 ? Quill.Index : 0;
  char number[64];
  std::snprintf(number, sizeof number, "Message %i of %i", Page.shown, extent - 1);
  SetDlgItemTextA(page, IDC_MSG_NUMBER, number);

  const BOOL editable = Page.shown != 0 ? TRUE : FALSE;
  SetDlgItemTextA(page, IDC_MSG_TEXT, editable ? Quill.Message : "");
  SetDlgItemTextA(page, IDC_MSG_BOTTOMLINE, editable ? Quill.BottomLine : "");
  EnableWindow(GetDlgItem(page, IDC_MSG_TEXT), editable);
  EnableWindow(GetDlgItem(page, IDC_MSG_BOTTOMLINE), editable);
  for (int id : kKeywordButtons) EnableWindow(GetDlgItem(page, id), editable);
  if (editable) SetFocus(GetDlgItem(page, IDC_MSG_TEXT));
}

// Stores the shown message in clear (the page has no password field). True
// when both texts were empty: the slot is free now, the later messages have
// moved down, and the caller shows what follows.
bool SaveShown(HWND page) {
  if (Quill.Index == 0 || Page.shown == 0) return false;
  char message[PageMessageLimit + 1] = "";
  char bottomLine[PageBottomLineLimit + 1] = "";
  GetDlgItemTextA(page, IDC_MSG_TEXT, message, sizeof message);
  GetDlgItemTextA(page, IDC_MSG_BOTTOMLINE, bottomLine, sizeof bottomLine);
  SafeStrCpy(Quill.Message, message);
  SafeStrCpy(Quill.BottomLine, bottomLine);
  Quill.Password[0] = '\0';
  Quill.DecryptPassword[0] = '\0';
  Quill.Write();
  if (message[0] != '\0' || bottomLine[0] != '\0') return false;
  CloseGaps();
  return true;
}

// ---- Commands ----

// Stores the shown message before a command moves on from it. True when
// that cleared it: the page already shows what follows, and the message is
// gone.
bool ClearedByStoring(HWND page) {
  const int from = Quill.Index;
  if (!SaveShown(page)) return false;
  ShowAfterRemoval(from);
  Display(page);
  return true;
}

void Next(HWND page) {
  if (ClearedByStoring(page)) return;
  StepForward();
  Display(page);
}

void Previous(HWND page) {
  SaveShown(page);
  StepBack();
  Display(page);
}

void NewMessage(HWND page) {
  SaveShown(page);
  Quill.Index = Quill.FindFirstFree();
  SafeStrCpy(Quill.Message, NewMessageText);
  SafeStrCpy(Quill.BottomLine, NewBottomLineText);
  Quill.Password[0] = '\0';
  Quill.Write();
  LogFile.Log(kInfo, "lv-dialogs", "point23");
  SafeStrCpy(Quill.Password, Quill.DecryptPassword);
  Quill.Write();
  Display(page);
}

void DeleteMessage(HWND page) {
  const int removed = Quill.Index;
  if (removed > 0) {
    Quill.Clear();
    Quill.Write();
  }
  CloseGaps();
  ShowAfterRemoval(removed);
  Display(page);
}

// The platform's save chooser asks where the message file goes; the
// temporary folder's "Lumivex.tmp" is offered first, when it is ours.
void SendShown(HWND page) {
  if (ClearedByStoring(page)) return;  // nothing left to send
  const std::string folder = PrivateMessageFileFolder();
  char path[4096] = "";
  std::snprintf(path, sizeof path, "%s%s%s", folder.c_str(), folder.empty() ? "" : "/",
                MessageFileName);

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = page;
  ofn.lpstrFilter = "Lumivex messages (*.lumivex)\0*.lumivex\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = sizeof path;
  ofn.lpstrTitle = "Where shall the message for your friend be saved?";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  ofn.lpstrDefExt = "Lumivex";
  if (!GetSaveFileNameA(&ofn)) {
    LogCommDlgError();
    return;
  }
  SendMessageToFriendAs(path);
}

// The saver starts with the shown message: it takes "Preview" first.
void Preview(HWND page) {
  if (ClearedByStoring(page)) return;
  MainSettings.UserWriteLong("Messages", "Preview", Quill.Index);
  Quill.DecryptPassword[0] = '\0';
  MainSettings.UserWriteString("Messages", "DecryptPassword", "");

  std::string program = saverProgramForTests;
  if (program.empty()) {
    char own[4096] = "";
    GetModuleFileNameA(nullptr, own, sizeof own);
    program = own;
  }
  const auto started = reinterpret_cast<std::intptr_t>(
      ShellExecuteA(page, "open", program.c_str(), "/s", nullptr, SW_SHOWMAXIMIZED));
  if (started <= 32) LogFile.Log(5, "Preview - saver not started", program.c_str());
}

void Peace(HWND page) {
  SetDlgItemTextA(page, IDC_MSG_TEXT, "PEACE");
  SetDlgItemTextA(page, IDC_MSG_BOTTOMLINE,
                  RandomBelow(2) != 0 ? "In time of war the first casualty is truth."
                                      : "Since you don't eat them, why do you kill them?");
}

// Cancel in the small dialogs leaves the message as it was.
void Countdown(HWND page) {
  if (RunDialog(Instance(), IDD_COUNTDOWN, page, CountdownDialog) == IDOK)
    SetDlgItemTextA(page, IDC_MSG_TEXT, "COUNTDOWN");
}

void DayCounter(HWND page) {
  char message[51] = "";
  GetDlgItemTextA(page, IDC_MSG_TEXT, message, sizeof message);
  // A birthday message already there preselects its date. Leading zeros are
  // decimal, as the sky reads them.
  BirthdayDate date{0, 0, 0};
  std::sscanf(message, "BIRTHDAY FROM %d%d%d", &date.year, &date.month, &date.day);
  if (RunDialog(Instance(), IDD_BIRTHDAY, page, BirthdayDialog, reinterpret_cast<LPARAM>(&date)) !=
      IDOK)
    return;
  char text[PageMessageLimit + 1];
  std::snprintf(text, sizeof text, "BIRTHDAY FROM %i %i %i", date.year, date.month, date.day);
  SetDlgItemTextA(page, IDC_MSG_TEXT, text);
  SetDlgItemTextA(page, IDC_MSG_BOTTOMLINE, "Just don't spare it");
}

void WorldTime(HWND page) {
  WorldTimeTexts texts{};
  GetDlgItemTextA(page, IDC_MSG_BOTTOMLINE, texts.bottomLine, sizeof texts.bottomLine);
  GetDlgItemTextA(page, IDC_MSG_TEXT, texts.message, sizeof texts.message);
  if (RunDialog(Instance(), IDD_WORLDTIME, page, WorldTimeDialog,
                reinterpret_cast<LPARAM>(&texts)) != IDOK)
    return;
  SetDlgItemTextA(page, IDC_MSG_TEXT, texts.message);
  SetDlgItemTextA(page, IDC_MSG_BOTTOMLINE, texts.bottomLine);
}

void OpenHelp(HWND owner) {
  Page.helpOpened = true;
  ShowHelp(owner, HelpFileName, HelpRequest::Context, HelpMessagesPage);
}

// A symbol or live-value button puts its keyword in place of the text.
template <const char* Word>
void Keyword(HWND page) {
  SetDlgItemTextA(page, IDC_MSG_TEXT, Word);
}
constexpr char kHeart[] = "HEART", kHappy[] = "HAPPY_FACE", kStar[] = "STAR", kTime[] = "TIME 0";

BOOL OnCommand(HWND page, int id) {
  static constexpr struct {
    int id;
    void (*act)(HWND);
  } kButtons[] = {
      {IDC_MSG_NEXT, Next},
      {IDC_MSG_PREV, Previous},
      {IDC_MSG_NEW, NewMessage},
      {IDC_MSG_DELETE, DeleteMessage},
      {IDC_MSG_SEND, SendShown},
      {IDC_MSG_PREVIEW, Preview},
      {IDC_MSG_HELP, OpenHelp},
      {IDC_MSG_HEART, Keyword<kHeart>},
      {IDC_MSG_HAPPY, Keyword<kHappy>},
      {IDC_MSG_STAR, Keyword<kStar>},
      {IDC_MSG_TIME, Keyword<kTime>},
      {IDC_MSG_PEACE, Peace},
      {IDC_MSG_COUNTDOWN, Countdown},
      {IDC_MSG_DAYCOUNTER, DayCounter},
      {IDC_MSG_WORLDTIME, WorldTime},
  };
  for (const auto& button : kButtons) {
    if (button.id == id) {
      button.act(page);
      return TRUE;
    }
  }
  return FALSE;
}

// ---- Opening, leaving, applying ----

BOOL OnInitDialog(HWND page) {
  Page = PageState{false, 0};
  int format24 = 0;
  MainSettings.UserReadInt("params", "FormatTime24H", &format24, 0);
  MainSettings.UserReadInt("Messages", "ShowRandomly", &Quill.ShowRandomly, 0);
  MainSettings.UserReadInt("Messages", "DisableMultiple", &Quill.DisableMultiple, 0);
  CheckDlgButton(page, IDC_MSG_RANDOM, Quill.ShowRandomly != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IDC_MSG_24H, format24 != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IDC_MSG_HAPPY_CHECK, BST_CHECKED);
  CheckDlgButton(page, IDC_MSG_PEACE_CHECK, BST_CHECKED);
  // Typing stops where the book would cut.
  SendDlgItemMessageA(page, IDC_MSG_TEXT, EM_LIMITTEXT, PageMessageLimit, 0);
  SendDlgItemMessageA(page, IDC_MSG_BOTTOMLINE, EM_LIMITTEXT, PageBottomLineLimit, 0);

  Quill.DecryptPassword[0] = '\0';
  Quill.Index = 0;
  Quill.Read();
  if (Quill.FindFirstFree() > 1) StepForward();
  Display(page);
  return TRUE;
}

void OnApply(HWND page) {
  Quill.ShowRandomly = Checked(page, IDC_MSG_RANDOM) ? 1 : 0;
  MainSettings.UserWriteUInt("Messages", "ShowRandomly", static_cast<unsigned>(Quill.ShowRandomly));
  MainSettings.UserWriteLong("Messages", "DisableMultiple", Quill.DisableMultiple);
  SaveShown(page);
  MainSettings.UserWriteUInt("params", "FormatTime24H", Checked(page, IDC_MSG_24H) ? 1u : 0u);
}

// A preview is over once the user moves on; so is a password typed before.
void OnKillActive(HWND page) {
  MainSettings.UserWriteLong("Messages", "Preview", 0);
  Quill.DecryptPassword[0] = '\0';
  MainSettings.UserWriteString("Messages", "DecryptPassword", "");
  if (Page.helpOpened) ShowHelp(page, HelpFileName, HelpRequest::Quit);
}

// Cancel leaves the page too: a preview must not outlive the sheet, or the
// next run would start at the previewed message.
void OnReset(HWND) { MainSettings.UserWriteLong("Messages", "Preview", 0); }

}  // namespace

INT_PTR CALLBACK MessagesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page);
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      return OnCommand(page, LOWORD(wParam));
    case WM_NOTIFY:
      return AnswerSheetNotification(page, lParam,
                                     {.apply = OnApply, .leave = OnKillActive, .cancel = OnReset});
    case WM_HELP:
      OpenHelp(nullptr);
      return TRUE;
    default:
      return FALSE;
  }
}

namespace lvx {
void SetSaverProgramForTests(const std::string& path) { saverProgramForTests = path; }
}  // namespace lvx
