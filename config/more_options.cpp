// The property sheet "Much More Options" opened from the main page.
#include <iterator>

#include "config/config_dialog.h"
#include "config/pages.h"
#include "resources/dialog_ids.h"

namespace {

struct Page {
  int templateId;
  const char* caption;
  DLGPROC procedure;
};

constexpr Page kPages[] = {
    {IDD_MESSAGES, "Lumivex Messages", MessagesPageProc},
    {IDD_SOUNDS, "Sounds", SoundsPageProc},
    {IDD_QUOTES, "Quotes", QuotesPageProc},
    {IDD_FRIENDS, "Friends", FriendsPageProc},
    {IDD_STARTUP, "Startup", StartupPageProc},
    {IDD_USERS, "Users", UsersPageProc},
    {IDD_ABOUT, "About", AboutPageProc},
};
constexpr int kPageCount = static_cast<int>(std::size(kPages));

}  // namespace

INT_PTR OpenMoreOptions(HWND owner, int firstPage) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  PROPSHEETPAGEA pages[kPageCount] = {};
  for (int i = 0; i < kPageCount; ++i) {
    pages[i].dwSize = sizeof(PROPSHEETPAGEA);
    pages[i].dwFlags = PSP_USETITLE;
    pages[i].hInstance = instance;
    pages[i].pszTemplate = MAKEINTRESOURCEA(kPages[i].templateId);
    pages[i].pszTitle = kPages[i].caption;
    pages[i].pfnDlgProc = kPages[i].procedure;
  }
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USEICONID;
  header.hwndParent = owner;
  header.hInstance = instance;
  header.pszIcon = MAKEINTRESOURCEA(IDI_LUMIVEX);
  header.pszCaption = MoreOptionsTitle;
  header.nPages = kPageCount;
  header.nStartPage = firstPage >= 0 && firstPage < kPageCount ? static_cast<UINT>(firstPage) : 0u;
  header.ppsp = pages;
  return PropertySheetA(&header);
}
