// PropertySheetA: a dialog of our own holding the pages as child dialogs,
// with OK, Cancel, Apply and Help as its controls.
#include <strings.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "platform/dialog/dialog_internal.h"
#include "platform/dialog/gtk_mirror.h"

namespace lvx::dialog {
namespace {

// Sheet geometry in dialog units: the margin, the room the tabs take above a
// page, and the button row.
constexpr short kMargin = 7;
constexpr short kTabsHeight = 18;
constexpr short kPageInset = 4;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kButtonGap = 4;

Sheet* SheetOf(HWND hwnd) {
  Dialog* d = FindDialog(hwnd);
  return d != nullptr ? d->sheet.get() : nullptr;
}

LRESULT NotifyPage(HWND sheet, HWND page, UINT code, LPARAM lParam) {
  if (page == nullptr || !IsWindow(page)) return 0;
  PSHNOTIFY n{};
  n.hdr.hwndFrom = sheet;
  n.hdr.idFrom = 0;
  n.hdr.code = code;
  n.lParam = lParam;
  return SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

HWND CurrentPageHwnd(HWND sheet) {
  Sheet* s = SheetOf(sheet);
  if (s == nullptr || s->current < 0) return nullptr;
  return s->pages[static_cast<std::size_t>(s->current)].hwnd;
}

void SetApplyEnabled(HWND sheet, bool enabled) {
  if (HWND apply = GetDlgItem(sheet, ID_APPLY_NOW)) EnableWindow(apply, enabled ? TRUE : FALSE);
}

// Makes page `index` if it is new.
HWND EnsurePage(HWND sheet, int index) {
  Sheet* s = SheetOf(sheet);
  SheetPage& p = s->pages[static_cast<std::size_t>(index)];
  if (p.hwnd != nullptr) return p.hwnd;
  HWND page = CreateDialogFromTemplate(p.tmpl, sheet, p.page.pfnDlgProc,
                                       reinterpret_cast<LPARAM>(&p.page), true, s->pageOrigin);
  if ((s = SheetOf(sheet)) == nullptr) return nullptr;  // the sheet went away meanwhile
  s->pages[static_cast<std::size_t>(index)].hwnd = page;
  Dialog* sd = FindDialog(sheet);
  Dialog* pd = FindDialog(page);
  if (sd != nullptr && pd != nullptr && sd->mirror && pd->mirror)
    sd->mirror->AttachPage(index, *pd->mirror);
  return page;
}

bool Activate(HWND sheet, int index) {
  Sheet* s = SheetOf(sheet);
  if (s == nullptr || index < 0 || index >= static_cast<int>(s->pages.size())) return false;
  if (index == s->current) return true;
  if (HWND old = CurrentPageHwnd(sheet)) {
    // A page with wrong input keeps the user on it.
    if (NotifyPage(sheet, old, PSN_KILLACTIVE, 0) != 0) return false;
    ShowWindow(old, SW_HIDE);
  }
  HWND page = EnsurePage(sheet, index);
  if ((s = SheetOf(sheet)) == nullptr) return false;
  if (page == nullptr) {
    std::fprintf(stderr, "lumivex: property page %d could not be made\n", index);
    return false;
  }
  s->current = index;
  ShowWindow(page, SW_SHOW);
  if (Dialog* sd = FindDialog(sheet); sd != nullptr && sd->mirror) sd->mirror->ShowPage(index);
  NotifyPage(sheet, page, PSN_SETACTIVE, 0);
  return true;
}

// Applies every page made so far, in page order. False when one refused
// (then the sheet shows it, unless it asked to keep the current page).
bool ApplyAll(HWND sheet, BOOL pressedOk) {
  Sheet* s = SheetOf(sheet);
  if (s == nullptr) return false;
  if (HWND cur = CurrentPageHwnd(sheet)) {
    if (NotifyPage(sheet, cur, PSN_KILLACTIVE, 0) != 0) return false;
  }
  for (std::size_t i = 0; i < s->pages.size(); ++i) {
    HWND page = s->pages[i].hwnd;
    if (page == nullptr) continue;
    LRESULT r = NotifyPage(sheet, page, PSN_APPLY, pressedOk);
    if ((s = SheetOf(sheet)) == nullptr) return false;
    if (r == PSNRET_INVALID) {
      Activate(sheet, static_cast<int>(i));
      return false;
    }
    if (r == PSNRET_INVALID_NOCHANGEPAGE) return false;
  }
  s->changed.clear();
  SetApplyEnabled(sheet, false);
  return true;
}

void PressOk(HWND sheet) {
  if (ApplyAll(sheet, TRUE)) EndDialog(sheet, 1);
}

void PressCancel(HWND sheet) {
  Sheet* s = SheetOf(sheet);
  if (s == nullptr) return;
  if (NotifyPage(sheet, CurrentPageHwnd(sheet), PSN_QUERYCANCEL, 0) != 0) return;
  if ((s = SheetOf(sheet)) == nullptr) return;
  for (std::size_t i = 0; i < s->pages.size(); ++i) {
    NotifyPage(sheet, s->pages[i].hwnd, PSN_RESET, FALSE);
    if ((s = SheetOf(sheet)) == nullptr) return;
  }
  EndDialog(sheet, 0);
}

void PressApply(HWND sheet) {
  if (!ApplyAll(sheet, FALSE)) return;
  // The current page is active again after an apply.
  NotifyPage(sheet, CurrentPageHwnd(sheet), PSN_SETACTIVE, 0);
}

INT_PTR Answer(HWND sheet, LRESULT result) {
  SetWindowLongPtrA(sheet, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR SheetProc(HWND sheet, UINT msg, WPARAM wParam, LPARAM lParam) {
  Sheet* s = SheetOf(sheet);
  if (s == nullptr) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          PressOk(sheet);
          return TRUE;
        case IDCANCEL:
          PressCancel(sheet);
          return TRUE;
        case ID_APPLY_NOW:
          PressApply(sheet);
          return TRUE;
        case IDHELP:
          NotifyPage(sheet, CurrentPageHwnd(sheet), PSN_HELP, 0);
          return TRUE;
        default:
          return FALSE;
      }
    case PSM_SETCURSEL:
      return Answer(sheet, Activate(sheet, static_cast<int>(wParam)) ? TRUE : FALSE);
    case PSM_CHANGED: {
      HWND page = reinterpret_cast<HWND>(wParam);
      if (std::find(s->changed.begin(), s->changed.end(), page) == s->changed.end())
        s->changed.push_back(page);
      SetApplyEnabled(sheet, true);
      return Answer(sheet, 0);
    }
    case PSM_UNCHANGED: {
      HWND page = reinterpret_cast<HWND>(wParam);
      s->changed.erase(std::remove(s->changed.begin(), s->changed.end(), page), s->changed.end());
      if (s->changed.empty()) SetApplyEnabled(sheet, false);
      return Answer(sheet, 0);
    }
    case PSM_APPLY:
      return Answer(sheet, ApplyAll(sheet, FALSE) ? TRUE : FALSE);
    case PSM_PRESSBUTTON:
      switch (wParam) {
        case PSBTN_OK:
          PressOk(sheet);
          break;
        case PSBTN_CANCEL:
          PressCancel(sheet);
          break;
        case PSBTN_APPLYNOW:
          if (IsWindowEnabled(GetDlgItem(sheet, ID_APPLY_NOW))) PressApply(sheet);
          break;
        case PSBTN_HELP:
          NotifyPage(sheet, CurrentPageHwnd(sheet), PSN_HELP, 0);
          break;
        default:
          break;
      }
      return Answer(sheet, 0);
    case PSM_GETCURRENTPAGEHWND:
      return Answer(sheet, reinterpret_cast<LRESULT>(CurrentPageHwnd(sheet)));
    case PSM_SETTITLEA:
      SetWindowTextA(sheet, reinterpret_cast<LPCSTR>(lParam));
      return Answer(sheet, 0);
    case PSM_CANCELTOCLOSE:
      // Changes can no longer be undone: OK becomes Close, Cancel goes grey.
      SetDlgItemTextA(sheet, IDOK, "Close");
      EnableWindow(GetDlgItem(sheet, IDCANCEL), FALSE);
      return Answer(sheet, 0);
    case WM_HELP:
      // Help that no page answered: with a Help button, the page hears PSN_HELP.
      if (s->flags & PSH_HASHELP) NotifyPage(sheet, CurrentPageHwnd(sheet), PSN_HELP, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

std::string PageTitle(const PROPSHEETPAGEA& p, const res::DialogTemplate* t) {
  if ((p.dwFlags & PSP_USETITLE) && p.pszTitle != nullptr) {
    if (!IS_INTRESOURCE(p.pszTitle)) return p.pszTitle;
    char buf[256];
    if (LoadStringA(p.hInstance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(p.pszTitle)), buf,
                    sizeof buf) > 0)
      return buf;
  }
  return t != nullptr && t->caption != nullptr ? t->caption : "";
}

}  // namespace

bool SheetSelectPage(HWND sheet, int index) { return Activate(sheet, index); }

int SheetPageCount(HWND sheet) {
  Sheet* s = SheetOf(sheet);
  return s != nullptr ? static_cast<int>(s->pages.size()) : 0;
}

int SheetCurrentPage(HWND sheet) {
  Sheet* s = SheetOf(sheet);
  return s != nullptr ? s->current : -1;
}

HWND SheetPageHwnd(HWND sheet, int index) {
  Sheet* s = SheetOf(sheet);
  if (s == nullptr || index < 0 || index >= static_cast<int>(s->pages.size())) return nullptr;
  return s->pages[static_cast<std::size_t>(index)].hwnd;
}

std::string SheetPageTitle(HWND sheet, int index) {
  Sheet* s = SheetOf(sheet);
  if (s == nullptr || index < 0 || index >= static_cast<int>(s->pages.size())) return "";
  return s->pages[static_cast<std::size_t>(index)].title;
}

}  // namespace lvx::dialog

using namespace lvx::dialog;

INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header) {
  if (header == nullptr || header->dwSize < offsetof(PROPSHEETHEADERA, pfnCallback)) return -1;
  if (!(header->dwFlags & PSH_PROPSHEETPAGE) || header->ppsp == nullptr || header->nPages == 0) {
    std::fprintf(stderr, "lumivex: a property sheet needs its pages as PROPSHEETPAGEA records\n");
    return -1;
  }
  if (header->dwFlags & PSH_MODELESS) {
    std::fprintf(stderr, "lumivex: modeless property sheets are not offered\n");
    return -1;
  }
  auto sheet = std::make_unique<Sheet>();
  sheet->flags = header->dwFlags;
  short pageCx = 0, pageCy = 0;
  for (UINT i = 0; i < header->nPages; ++i) {
    const PROPSHEETPAGEA& in = header->ppsp[i];
    SheetPage p;
    p.page = in;
    if (in.pszTemplate != nullptr && IS_INTRESOURCE(in.pszTemplate) &&
        !(in.dwFlags & PSP_DLGINDIRECT)) {
      p.tmpl = lvx::res::FindDialogTemplate(
          static_cast<int>(reinterpret_cast<ULONG_PTR>(in.pszTemplate)));
    }
    if (p.tmpl == nullptr || in.pfnDlgProc == nullptr) {
      std::fprintf(stderr, "lumivex: property page %u has no dialog template or procedure\n", i);
      return -1;
    }
    p.title = PageTitle(in, p.tmpl);
    pageCx = std::max(pageCx, p.tmpl->cx);
    pageCy = std::max(pageCy, p.tmpl->cy);
    sheet->pages.push_back(std::move(p));
  }
  // The sheet's size follows its largest page.
  int bx = 0, by = 0;
  BaseUnits(&bx, &by);
  auto du = [&](short x, short y, short cx, short cy) {
    return DialogUnitsToPixels(bx, by, x, y, cx, cy);
  };
  const bool hasApply = !(header->dwFlags & PSH_NOAPPLYNOW);
  const bool hasHelp = (header->dwFlags & PSH_HASHELP) != 0;
  RECT page = du(kMargin + kPageInset, kMargin + kTabsHeight, pageCx, pageCy);
  sheet->pageOrigin = POINT{page.left, page.top};
  sheet->pageWidth = page.right - page.left;
  sheet->pageHeight = page.bottom - page.top;
  const short sheetCx = static_cast<short>(pageCx + 2 * (kMargin + kPageInset));
  const short buttonsY = static_cast<short>(kMargin + kTabsHeight + pageCy + kPageInset + kMargin);
  const short sheetCy = static_cast<short>(buttonsY + kButtonHeight + kMargin);
  RECT size = du(0, 0, sheetCx, sheetCy);

  std::string caption = header->pszCaption != nullptr && !IS_INTRESOURCE(header->pszCaption)
                            ? header->pszCaption
                            : "";
  HWND owner =
      header->hwndParent != nullptr && IsWindow(header->hwndParent) ? header->hwndParent : nullptr;
  HWND hwnd = CreateSheetWindow(caption, owner, size.right, size.bottom, SheetProc);
  if (hwnd == nullptr) return -1;
  Dialog* d = FindDialog(hwnd);
  d->sheet = std::move(sheet);

  struct ButtonDef {
    int id;
    const char* text;
    bool present;
  };
  const ButtonDef buttons[] = {{IDOK, "OK", true},
                               {IDCANCEL, "Cancel", true},
                               {ID_APPLY_NOW, "&Apply", hasApply},
                               {IDHELP, "Help", hasHelp}};
  int shown = 0;
  for (const ButtonDef& b : buttons) shown += b.present ? 1 : 0;
  short x = static_cast<short>(sheetCx - kMargin - shown * kButtonWidth - (shown - 1) * kButtonGap);
  for (const ButtonDef& b : buttons) {
    if (!b.present) continue;
    AddControl(hwnd, b.id == IDOK ? lvx::res::Ctl::DefPushButton : lvx::res::Ctl::PushButton, b.id,
               b.text, du(x, buttonsY, kButtonWidth, kButtonHeight),
               b.id == ID_APPLY_NOW ? static_cast<DWORD>(WS_DISABLED) : 0u, 0);
    x = static_cast<short>(x + kButtonWidth + kButtonGap);
  }
  if ((d = FindDialog(hwnd)) == nullptr) return -1;
  d->mirror = MakeMirror(*d);
  if (d->mirror) d->mirror->Build();

  int start = 0;
  if ((header->dwFlags & PSH_USEPSTARTPAGE) && header->pStartPage != nullptr &&
      !IS_INTRESOURCE(header->pStartPage)) {
    for (std::size_t i = 0; i < d->sheet->pages.size(); ++i)
      if (strcasecmp(d->sheet->pages[i].title.c_str(), header->pStartPage) == 0)
        start = static_cast<int>(i);
  } else if (header->nStartPage < d->sheet->pages.size()) {
    start = static_cast<int>(header->nStartPage);
  }
  if (!Activate(hwnd, start)) {
    DestroyWindow(hwnd);
    return -1;
  }
  return RunModal(hwnd);
}
