// What the pages of "Much More Options" and the small dialogs they open
// answer alike.
#include "config/help.h"
#include "config/pages.h"

INT_PTR AnswerSheetNotification(HWND page, LPARAM lParam, const SheetSteps& steps) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header == nullptr) return FALSE;
  switch (header->code) {
    case PSN_SETACTIVE:
      break;
    case PSN_KILLACTIVE:
      if (steps.leave != nullptr) steps.leave(page);
      break;
    case PSN_APPLY:
      if (steps.apply != nullptr) steps.apply(page);
      break;
    case PSN_RESET:
      if (steps.cancel != nullptr) steps.cancel(page);
      return FALSE;
    case PSN_HELP:
      if (steps.helpTopic == 0) return FALSE;
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, steps.helpTopic);
      break;
    default:
      return FALSE;
  }
  SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_NOERROR);
  return TRUE;
}

INT_PTR AnswerDialogButtons(HWND dialog, UINT message, WPARAM wParam, bool (*accept)(HWND dialog),
                            unsigned helpTopic) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        if (accept(dialog)) EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
      ShowHelp(dialog, HelpFileName, HelpRequest::Context, helpTopic);
      return TRUE;
    default:
      return FALSE;
  }
}
