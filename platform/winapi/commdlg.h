// The standard dialogs (COMDLG32 subset) and the shell's folder browser
// (SHELL32 subset). With a display they are GTK's file chooser (folder mode
// for folders), font chooser and colour chooser; headless, tests answer them
// through platform/dialog/dialog_test_api.h and without a script they are
// cancelled (a line on standard error says so).
#pragma once

#include "platform/winapi/gdi.h"
#include "platform/winapi/types.h"

// ---- Open and save ----

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  // Pairs of NUL-terminated description and pattern ("*.WAV;*.WAVE"),
  // ended by an empty string. Patterns match without regard to case.
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;  // 1-based; 0 means the first
  // In: the preselected file (a path or a name); out: the chosen path.
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;  // out: the chosen file's name without folder
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
};
using LPOPENFILENAMEA = OPENFILENAMEA*;

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_EXPLORER 0x00080000

// Non-zero when a file was chosen; 0 when cancelled or failed
// (CommDlgExtendedError tells which: 0 is a plain cancel).
BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);

// ---- Fonts ----

using LPCFHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct CHOOSEFONTA {
  DWORD lStructSize;
  HWND hwndOwner;
  HDC hDC;
  LOGFONTA* lpLogFont;  // in (with CF_INITTOLOGFONTSTRUCT) and out
  INT iPointSize;       // out: tenths of a point
  DWORD Flags;
  COLORREF rgbColors;  // in and out with CF_EFFECTS
  LPARAM lCustData;
  LPCFHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
  HINSTANCE hInstance;
  LPSTR lpszStyle;
  WORD nFontType;
  WORD ___MISSING_ALIGNMENT__;
  INT nSizeMin;
  INT nSizeMax;
};
using LPCHOOSEFONTA = CHOOSEFONTA*;

#define CF_SCREENFONTS 0x00000001
#define CF_PRINTERFONTS 0x00000002
#define CF_BOTH (CF_SCREENFONTS | CF_PRINTERFONTS)
#define CF_SHOWHELP 0x00000004
#define CF_INITTOLOGFONTSTRUCT 0x00000040
#define CF_EFFECTS 0x00000100
#define CF_LIMITSIZE 0x00002000
#define CF_FORCEFONTEXIST 0x00010000
#define CF_NOSCRIPTSEL 0x00800000

// The font (lfHeight = -pixels at the DC's LOGPIXELSY, or 96 without a DC;
// lfWeight, lfItalic, lfFaceName, lfCharSet) and, with CF_EFFECTS, the colour
// the user chose. TRUE when the user pressed OK.
BOOL ChooseFontA(LPCHOOSEFONTA cf);

// ---- Colours ----

using LPCCHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct CHOOSECOLORA {
  DWORD lStructSize;
  HWND hwndOwner;
  HWND hInstance;
  COLORREF rgbResult;      // in with CC_RGBINIT, out
  COLORREF* lpCustColors;  // 16 entries, left as they are
  DWORD Flags;
  LPARAM lCustData;
  LPCCHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
};
using LPCHOOSECOLORA = CHOOSECOLORA*;

#define CC_RGBINIT 0x00000001
#define CC_FULLOPEN 0x00000002
#define CC_ANYCOLOR 0x00000100

BOOL ChooseColorA(LPCHOOSECOLORA cc);

// ---- Why the last standard dialog failed ----

#define CDERR_DIALOGFAILURE 0xFFFF
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define CDERR_NOTEMPLATE 0x0003
#define CDERR_NOHINSTANCE 0x0004
#define CDERR_LOADSTRFAILURE 0x0005
#define CDERR_FINDRESFAILURE 0x0006
#define CDERR_LOADRESFAILURE 0x0007
#define CDERR_LOCKRESFAILURE 0x0008
#define CDERR_MEMALLOCFAILURE 0x0009
#define CDERR_MEMLOCKFAILURE 0x000A
#define CDERR_NOHOOK 0x000B
#define CFERR_NOFONTS 0x2001
#define FNERR_SUBCLASSFAILURE 0x3001
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

// 0 after success or a plain cancel; else one of the codes above
// (CDERR_STRUCTSIZE for a wrong lStructSize, FNERR_BUFFERTOOSMALL when the
// chosen path does not fit nMaxFile, CDERR_INITIALIZATION when no chooser can
// be shown).
DWORD CommDlgExtendedError();

// ---- Folder browser (SHELL32) ----

// An opaque item: here always a folder path. Free with CoTaskMemFree.
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;
using BFFCALLBACK = int (*)(HWND, UINT, LPARAM, LPARAM);

struct BROWSEINFOA {
  HWND hwndOwner;
  PCIDLIST_ABSOLUTE pidlRoot;  // nullptr: the whole file system
  LPSTR pszDisplayName;        // out, MAX_PATH bytes: the chosen folder's name
  LPCSTR lpszTitle;
  UINT ulFlags;
  BFFCALLBACK lpfn;
  LPARAM lParam;
  int iImage;
};
using LPBROWSEINFOA = BROWSEINFOA*;

#define BIF_RETURNONLYFSDIRS 0x00000001
#define BIF_EDITBOX 0x00000010
#define BIF_NEWDIALOGSTYLE 0x00000040

// The chosen folder, or nullptr when cancelled.
PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA bi);
// Copies the folder's path into `path` (MAX_PATH bytes); FALSE when it does
// not fit or the item is null.
BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR path);
void CoTaskMemFree(void* memory);
