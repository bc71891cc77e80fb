// The e-mail parameters dialog (2016): the mail account the saver checks.
//
// The account fields are read and written by the mail check's own code,
// which comes with the mail feature; until then the dialog shows its fields,
// stores nothing, and OK and Cancel both just close it. Fill in
// WM_INITDIALOG and IDOK here.
#include "config/help.h"
#include "config/pages.h"

INT_PTR CALLBACK EmailParametersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpEmailDialog);
      return TRUE;
    default:
      return FALSE;
  }
}
