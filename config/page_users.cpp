// Page "Users" (2010): texts and pictures only.
#include "config/help.h"
#include "config/pages.h"

INT_PTR CALLBACK UsersPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_NOTIFY:
      return AnswerSheetNotification(page, lParam);
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpUsersPage);
      return TRUE;
    default:
      return FALSE;
  }
}
