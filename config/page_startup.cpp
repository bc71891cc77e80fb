// Page "Startup" (2018): the wallpaper changer, the hot corners, the automatic timeout and the
// warm-up effects.
//
// The page's own work comes with the next step of the configuration; until
// then it shows its controls, accepts the sheet's notifications and stores
// nothing. Fill in WM_INITDIALOG, WM_COMMAND and PSN_APPLY here.
#include "config/help.h"
#include "config/pages.h"

INT_PTR CALLBACK StartupPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_NOTIFY:
      return AcceptSheetNotification(page, lParam);
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpStartupPage);
      return TRUE;
    default:
      return FALSE;
  }
}
