// Page "Sounds" (2006): the mood sound or the user's own wave or MIDI file, and the cuckoo.
//
// The page's own work comes with the next step of the configuration; until
// then it shows its controls, accepts the sheet's notifications and stores
// nothing. Fill in WM_INITDIALOG, WM_COMMAND and PSN_APPLY here.
#include "config/help.h"
#include "config/pages.h"

INT_PTR CALLBACK SoundsPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_NOTIFY:
      return AcceptSheetNotification(page, lParam);
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpSoundsPage);
      return TRUE;
    default:
      return FALSE;
  }
}
