// Page "Startup" (2018): the wallpaper changer, the hot corners, the automatic timeout and the
// warm-up effects. Nothing is stored until the sheet applies.
#include <cstring>
#include <string>

#include "config/help.h"
#include "config/pages.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {

constexpr int kInfo = 3;
// The wallpaper changer reads at most 255 characters of the folder, so that is
// what the page takes and stores.
constexpr int kPathLimit = 255;
constexpr std::size_t kPathReadSize = kPathLimit + 2;  // the store cuts at size - 2
constexpr int kBrowseSize = 300;

// The per-user switches of section "Params", with the defaults the saver reads
// them with.
struct Switch {
  int id;
  const char* key;
  int defaultValue;
};
constexpr Switch kSwitches[] = {
    {IDC_STA_TOPLEFT, "DisableTL", 0},     {IDC_STA_TOPRIGHT, "DisableTR", 0},
    {IDC_STA_BOTTOMLEFT, "DisableBL", 0},  {IDC_STA_BOTTOMRIGHT, "DisableBR", 0},
    {IDC_STA_SWITCHOFF, "SwitchOffTV", 1}, {IDC_STA_REACH, "ReachTheStars", 0},
};
// The automatic timeout's switch.
constexpr const char* kTimeoutSection = "TimeoutCorrection";

void Tick(HWND page, int id, int value) {
  // Any positive value is on, as the saver takes it.
  CheckDlgButton(page, id, value >= 1 ? BST_CHECKED : BST_UNCHECKED);
}

unsigned Ticked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED ? 1u : 0u; }

void Load(HWND page) {
  SendDlgItemMessageA(page, IDC_STA_WALLPAPER_PATH, EM_LIMITTEXT, kPathLimit, 0);
  int enabled = 0;
  MainSettings.ReadInt("WallPaper", "Enabled", &enabled, 0);
  char path[kPathReadSize] = "";
  MainSettings.ReadString("WallPaper", "path", path, "", sizeof path);
  CheckDlgButton(page, IDC_STA_WALLPAPER, enabled != 0 ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(page, IDC_STA_WALLPAPER_PATH, path);

  int status = 0;
  MainSettings.UserReadInt(kTimeoutSection, "Status", &status, 0);
  Tick(page, IDC_STA_TIMEOUT, status);

  for (const Switch& s : kSwitches) {
    int value = s.defaultValue;
    MainSettings.UserReadInt("Params", s.key, &value, s.defaultValue);
    Tick(page, s.id, value);
  }
}

void Apply(HWND page) {
  MainSettings.UserWriteLong(kTimeoutSection, "Status",
                             static_cast<long>(Ticked(page, IDC_STA_TIMEOUT)));
  MainSettings.WriteUInt("WallPaper", "Enabled", Ticked(page, IDC_STA_WALLPAPER));
  char path[kPathLimit + 1] = "";
  GetDlgItemTextA(page, IDC_STA_WALLPAPER_PATH, path, sizeof path);
  MainSettings.WriteString("WallPaper", "path", path);
  for (const Switch& s : kSwitches) MainSettings.UserWriteUInt("Params", s.key, Ticked(page, s.id));
}

void Browse(HWND page) {
  char path[kBrowseSize] = "";
  GetDlgItemTextA(page, IDC_STA_WALLPAPER_PATH, path, sizeof path);
  LogFile.Log(kInfo, "IDC_WALLPAPER_BROWSE - path", path);
  if (!BrowseForFolder(page, "containing wallpaper pictures", path, sizeof path)) return;
  // A longer path would be stored cut, naming some other folder.
  if (std::strlen(path) > static_cast<std::size_t>(kPathLimit)) {
    const std::string text = "The path of this folder is too long for Lumivex (at most " +
                             std::to_string(kPathLimit) +
                             " characters). Please choose a folder with a shorter path.";
    MessageBoxA(page, text.c_str(), "Wallpaper changer", MB_OK | MB_ICONWARNING);
    return;
  }
  SetDlgItemTextA(page, IDC_STA_WALLPAPER_PATH, path);
}

}  // namespace

INT_PTR CALLBACK StartupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Load(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_STA_WALLPAPER_BROWSE && HIWORD(wParam) == BN_CLICKED) Browse(page);
      SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
      return TRUE;
    case WM_NOTIFY:
      return AnswerSheetNotification(page, lParam, {.apply = Apply, .helpTopic = HelpStartupPage});
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpStartupPage);
      return TRUE;
    default:
      return FALSE;
  }
}
