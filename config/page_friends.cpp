// Page "Friends" (2017): where the program can be found, and a mail to tell
// friends about it.
#include <string>

#include "config/help.h"
#include "config/pages.h"
#include "messages/quill.h"
#include "resources/dialog_ids.h"
#include "settings/utilities.h"

INT_PTR CALLBACK FriendsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(page, IDC_FRI_SITE, HomePageAddress);
      SetDlgItemTextA(page, IDC_FRI_DOWNLOAD, DownloadSiteAddress);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_FRI_MAIL && HIWORD(wParam) == BN_CLICKED) {
        const std::string body =
            std::string(
                "I am writing to tell you about a screen saver I liked very much! Its "
                "called Lumivex and you can download it from     ") +
            HomePageAddress + " ";
        OpenMailLink("", "", "Write your messages in the stars", body.c_str());
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY:
      return AnswerSheetNotification(page, lParam);
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpFriendsPage);
      return TRUE;
    default:
      return FALSE;
  }
}
