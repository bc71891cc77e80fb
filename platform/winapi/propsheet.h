// Property sheets (COMCTL32 PropertySheetA subset): a modal window with one
// tab per page and OK / Cancel (/ Apply, / Help) buttons.
//
// Pages are child dialogs of the sheet (GetParent(page) is the sheet), made
// from their templates when first shown: WM_INITDIALOG (lParam = the sheet's
// copy of the PROPSHEETPAGEA), then PSN_SETACTIVE. Switching pages sends
// PSN_KILLACTIVE to the old page (a TRUE result keeps it) and PSN_SETACTIVE
// to the new one. OK sends PSN_KILLACTIVE to the current page, then
// PSN_APPLY (lParam TRUE) to every page that was created, in page order; a
// page answering PSNRET_INVALID(_NOCHANGEPAGE) keeps the sheet open. Cancel,
// Escape and WM_CLOSE send PSN_QUERYCANCEL to the current page (TRUE keeps the
// sheet open), then PSN_RESET to every created page; nothing is applied.
// Apply (without PSH_NOAPPLYNOW) is enabled by PSM_CHANGED and applies every
// created page with lParam FALSE. Help (PSH_HASHELP) sends PSN_HELP.
// Pages answer WM_NOTIFY through DWLP_MSGRESULT and return TRUE.
#pragma once

#include "platform/winapi/dialog.h"
#include "platform/winapi/types.h"
#include "platform/winapi/user.h"

struct PROPSHEETPAGEA;
using LPFNPSPCALLBACKA = UINT (*)(HWND, UINT, PROPSHEETPAGEA*);
using PFNPROPSHEETCALLBACK = int (*)(HWND, UINT, LPARAM);
struct HPROPSHEETPAGE__;
using HPROPSHEETPAGE = HPROPSHEETPAGE__*;

struct PROPSHEETPAGEA {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  union {
    LPCSTR pszTemplate;  // MAKEINTRESOURCEA(dialog id)
    const void* pResource;
  };
  union {
    HICON hIcon;
    LPCSTR pszIcon;
  };
  LPCSTR pszTitle;  // the tab's caption with PSP_USETITLE, else the template's
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKA pfnCallback;
  UINT* pcRefParent;
};
using LPPROPSHEETPAGEA = PROPSHEETPAGEA*;
using LPCPROPSHEETPAGEA = const PROPSHEETPAGEA*;

struct PROPSHEETHEADERA {
  DWORD dwSize;
  DWORD dwFlags;
  HWND hwndParent;
  HINSTANCE hInstance;
  union {
    HICON hIcon;
    LPCSTR pszIcon;
  };
  LPCSTR pszCaption;
  UINT nPages;
  union {
    UINT nStartPage;
    LPCSTR pStartPage;  // with PSH_USEPSTARTPAGE: the caption of the first page shown
  };
  union {
    LPCPROPSHEETPAGEA ppsp;  // PSH_PROPSHEETPAGE: an array of nPages pages
    HPROPSHEETPAGE* phpage;
  };
  PFNPROPSHEETCALLBACK pfnCallback;
};
using LPPROPSHEETHEADERA = PROPSHEETHEADERA*;
using LPCPROPSHEETHEADERA = const PROPSHEETHEADERA*;

#define PSH_DEFAULT 0x00000000
#define PSH_PROPTITLE 0x00000001
#define PSH_USEHICON 0x00000002
#define PSH_USEICONID 0x00000004
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_USEPSTARTPAGE 0x00000040
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_HASHELP 0x00000200
#define PSH_MODELESS 0x00000400
#define PSH_NOCONTEXTHELP 0x02000000

#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USEHICON 0x00000002
#define PSP_USEICONID 0x00000004
#define PSP_USETITLE 0x00000008
#define PSP_HASHELP 0x00000020

// Notification codes (NMHDR::code of WM_NOTIFY to a page; idFrom 0,
// hwndFrom the sheet).
#define PSN_FIRST (0U - 200U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSN_QUERYCANCEL (PSN_FIRST - 9)

#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

struct PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam;  // PSN_APPLY: TRUE for OK, FALSE for Apply
};
using LPPSHNOTIFY = PSHNOTIFY*;

// Messages to the sheet (GetParent(page)).
#define PSM_SETCURSEL (WM_USER + 101)  // wParam page index, lParam HPROPSHEETPAGE (unused)
#define PSM_CHANGED (WM_USER + 104)    // wParam the page: enables Apply
#define PSM_CANCELTOCLOSE (WM_USER + 107)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_APPLY (WM_USER + 110)
#define PSM_SETTITLEA (WM_USER + 111)
#define PSM_PRESSBUTTON (WM_USER + 113)  // wParam PSBTN_*
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)

#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6

// The sheet's own buttons, as controls of the sheet window.
#define ID_APPLY_NOW 0x3021

#define PropSheet_SetCurSel(sheet, hpage, index) \
  SendMessageA((sheet), PSM_SETCURSEL, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(hpage))
#define PropSheet_Changed(sheet, page) \
  SendMessageA((sheet), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0)
#define PropSheet_UnChanged(sheet, page) \
  SendMessageA((sheet), PSM_UNCHANGED, reinterpret_cast<WPARAM>(page), 0)
#define PropSheet_PressButton(sheet, button) \
  PostMessageA((sheet), PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0)
#define PropSheet_GetCurrentPageHwnd(sheet) \
  reinterpret_cast<HWND>(SendMessageA((sheet), PSM_GETCURRENTPAGEHWND, 0, 0))

// Runs the sheet modally (PSH_PROPSHEETPAGE pages only; PSH_MODELESS is not
// offered). Returns 1 after OK, 0 after Cancel, -1 when it cannot be shown
// (no pages, a missing template, a bad header).
INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header);
