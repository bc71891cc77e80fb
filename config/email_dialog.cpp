// The e-mail parameters dialog (2016): the mail account the saver checks. OK stores it in the
// private settings file, the password scrambled; Cancel stores nothing. Whether the check runs
// at all is the main page's "If I have new e-mail." box.
#include <cstring>
#include <iterator>

#include "config/help.h"
#include "config/pages.h"
#include "mail/new_mail.h"
#include "resources/dialog_ids.h"

namespace {

// The dialog's own account record; its private store opens on first use.
NewMailClass Account;

constexpr int kTextLimit = 78;

// The "Security" choices in the order of their values.
constexpr const char* kSecurityChoices[] = {
    "None (password sent unencrypted)",
    "STARTTLS, if the server offers it",
    "STARTTLS, always (required)",
    "SSL/TLS from the start (port 995)",
};
static_assert(std::size(kSecurityChoices) == SecurityImplicitTls + 1);

// The password is kept in the clear only while the dialog is open.
void ForgetPassword() { std::memset(Account.password, 0, sizeof Account.password); }

void Load(HWND dialog) {
  Account.ReadParams();
  for (int id : {IDC_MAIL_LOGIN, IDC_MAIL_PASSWORD, IDC_MAIL_SERVER})
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, kTextLimit, 0);
  SetDlgItemTextA(dialog, IDC_MAIL_LOGIN, Account.loginName);
  SetDlgItemTextA(dialog, IDC_MAIL_PASSWORD, Account.password);
  SetDlgItemTextA(dialog, IDC_MAIL_SERVER, Account.popServer);
  SetDlgItemInt(dialog, IDC_MAIL_CHECKEVERY, static_cast<UINT>(Account.checkEvery), FALSE);
  CheckRadioButton(dialog, IDC_MAIL_LAN, IDC_MAIL_MODEM,
                   Account.lan == 1 ? IDC_MAIL_LAN : IDC_MAIL_MODEM);
  for (const char* choice : kSecurityChoices)
    SendDlgItemMessageA(dialog, IDC_MAIL_SECURITY, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(choice));
  SendDlgItemMessageA(dialog, IDC_MAIL_SECURITY, CB_SETCURSEL,
                      static_cast<WPARAM>(Account.security), 0);
  ForgetPassword();
}

// The fields as typed; the number is stored as it stands (the saver keeps
// it within 5 to 65 minutes when it reads it).
void Store(HWND dialog) {
  GetDlgItemTextA(dialog, IDC_MAIL_LOGIN, Account.loginName, kTextLimit + 1);
  GetDlgItemTextA(dialog, IDC_MAIL_PASSWORD, Account.password, kTextLimit + 1);
  GetDlgItemTextA(dialog, IDC_MAIL_SERVER, Account.popServer, kTextLimit + 1);
  Account.checkEvery = static_cast<int>(GetDlgItemInt(dialog, IDC_MAIL_CHECKEVERY, nullptr, FALSE));
  Account.lan = IsDlgButtonChecked(dialog, IDC_MAIL_LAN) == BST_CHECKED ? 1 : 0;
  const LRESULT security = SendDlgItemMessageA(dialog, IDC_MAIL_SECURITY, CB_GETCURSEL, 0, 0);
  if (security >= SecurityPlain && security <= SecurityImplicitTls)
    Account.security = static_cast<int>(security);
  Account.WriteParams();
  ForgetPassword();
}

}  // namespace

INT_PTR CALLBACK EmailParametersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Load(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          Store(dialog);
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
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
