// Page "Quotes" (121): the flying picture's category or own picture, how often it flies, and its
// quotation.
#include <string>

#include "config/help.h"
#include "config/pages.h"
#include "messages/quotes.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"
#include "settings/utilities.h"

namespace {

constexpr int kStepSound = 152;
constexpr int kDefaultShowEvery = 20;
// What the page stores when the seconds field holds no number.
constexpr unsigned kShowEveryFallback = 21;
constexpr int kPathLimit = 298;
constexpr int kBrowseSize = 300;
// The user's own text: typed up to 98 characters; a longer one written into
// the settings by hand is kept up to what the flying picture reads.
constexpr int kBannerTypedLimit = 98;
constexpr int kBannerKeptLimit = 197;

// The own-picture controls, shown only for "Your picture -->".
constexpr int kOwnPictureControls[] = {IDC_QUO_OWN_LABEL, IDC_QUO_SIZE_NOTE, IDC_QUO_OWN_PATH,
                                       IDC_QUO_BROWSE};

struct QuotesPageState {
  QuoteSelection selection;
  int autoText = 1;
  // The shown category has no quotations: AutoText was set aside (stored) and
  // the user's own text is in use.
  bool noQuotes = false;
  // The category picture the page loaded and shows.
  HBITMAP picture = nullptr;
};
QuotesPageState Current;

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void WriteAutoText() {
  // As held: a hand-written value other than 0 or 1 is not bent on the way.
  MainSettings.UserWriteLong("FPicture", "AutoText", Current.autoText);
}

void ReleasePicture(HWND page) {
  if (Current.picture == nullptr) return;
  if (GetDlgItem(page, IDC_QUO_PICTURE) != nullptr)
    SendDlgItemMessageA(page, IDC_QUO_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, 0);
  DeleteObject(Current.picture);
  Current.picture = nullptr;
}

void ShowPicture(HWND page) {
  HBITMAP next =
      LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(Current.selection.categoryPicture));
  ReleasePicture(page);
  Current.picture = next;
  SendDlgItemMessageA(page, IDC_QUO_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(next));
}

void ShowTextSource(HWND page) {
  const bool byProgram = Checked(page, IDC_QUO_AUTOTEXT);
  EnableWindow(GetDlgItem(page, IDC_QUO_BANNER), byProgram ? FALSE : TRUE);
}

// The category's name and picture, its own-picture controls and whether the
// program can compose the text.
void ShowCategory(HWND page) {
  SetDlgItemTextA(page, IDC_QUO_CATEGORY, Current.selection.categoryName);
  ShowPicture(page);
  if (Current.selection.RandomPick()) {
    // Back from a category without quotations: the stored choice returns.
    MainSettings.UserReadInt("FPicture", "AutoText", &Current.autoText, 1);
    Current.noQuotes = false;
  } else {
    if (!Current.noQuotes) WriteAutoText();
    Current.autoText = 0;
    Current.noQuotes = true;
  }
  CheckDlgButton(page, IDC_QUO_AUTOTEXT, Current.autoText >= 1 ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(page, IDC_QUO_AUTOTEXT), Current.noQuotes ? FALSE : TRUE);
  ShowTextSource(page);
  const bool own = Current.selection.categoryPicture == OwnPicturePicture;
  for (int id : kOwnPictureControls) {
    HWND control = GetDlgItem(page, id);
    ShowWindow(control, own ? SW_SHOW : SW_HIDE);
    EnableWindow(control, own ? TRUE : FALSE);
  }
}

void Load(HWND page) {
  SendDlgItemMessageA(page, IDC_QUO_OWN_PATH, EM_LIMITTEXT, kPathLimit, 0);
  SendDlgItemMessageA(page, IDC_QUO_BANNER, EM_LIMITTEXT, kBannerTypedLimit, 0);
  Current.noQuotes = false;
  Current.selection.ReadSelectedCategory();

  char text[kPathLimit + 2] = "";
  MainSettings.UserReadString("FPicture", "BMPFILE", text, "", sizeof text);
  SetDlgItemTextA(page, IDC_QUO_OWN_PATH, text);
  int showEvery = kDefaultShowEvery;
  MainSettings.UserReadInt("FPicture", "ShowEvery", &showEvery, kDefaultShowEvery);
  SetDlgItemInt(page, IDC_QUO_SECONDS, static_cast<UINT>(showEvery), TRUE);
  MainSettings.UserReadString("FPicture", "BANNER", text, "", kBannerKeptLimit + 2);
  SetDlgItemTextA(page, IDC_QUO_BANNER, text);
  MainSettings.UserReadInt("FPicture", "AutoText", &Current.autoText, 1);
  ShowCategory(page);
}

void Step(HWND page, bool forward) {
  PlaySoundA(MAKEINTRESOURCEA(kStepSound), GetModuleHandleA(nullptr), SND_RESOURCE | SND_ASYNC);
  if (forward) {
    Current.selection.NextCategory();
  } else {
    Current.selection.PrevCategory();
  }
  ShowCategory(page);
}

void Browse(HWND page) {
  char path[kBrowseSize] = "";
  GetDlgItemTextA(page, IDC_QUO_OWN_PATH, path, sizeof path);
  if (OpenFileDialog(page, "Select your favorite picture", "BMP", path, sizeof path))
    SetDlgItemTextA(page, IDC_QUO_OWN_PATH, path);
}

void Apply(HWND page) {
  WriteAutoText();
  char text[kBrowseSize];
  GetDlgItemTextA(page, IDC_QUO_OWN_PATH, text, kPathLimit + 1);
  MainSettings.UserWriteString("FPicture", "BMPFILE", text);
  GetDlgItemTextA(page, IDC_QUO_BANNER, text, kBannerKeptLimit + 1);
  MainSettings.UserWriteString("FPicture", "BANNER", text);
  BOOL isNumber = FALSE;
  const UINT seconds = GetDlgItemInt(page, IDC_QUO_SECONDS, &isNumber, FALSE);
  MainSettings.UserWriteUInt("FPicture", "ShowEvery", isNumber ? seconds : kShowEveryFallback);
  Current.selection.WriteCategory();
}

INT_PTR Command(HWND page, int id) {
  switch (id) {
    case IDC_QUO_NEXT:
      Step(page, true);
      return TRUE;
    case IDC_QUO_PREV:
      Step(page, false);
      return TRUE;
    case IDC_QUO_BROWSE:
      Browse(page);
      return TRUE;
    case IDC_QUO_AUTOTEXT:
      // Stored at once, so that a later category with quotations finds it.
      Current.autoText = Checked(page, IDC_QUO_AUTOTEXT) ? 1 : 0;
      WriteAutoText();
      ShowTextSource(page);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK QuotesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Load(page);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      return Command(page, LOWORD(wParam));
    case WM_NOTIFY:
      return AnswerSheetNotification(page, lParam, {.apply = Apply, .helpTopic = HelpQuotesPage});
    case WM_DESTROY:
      ReleasePicture(page);
      return FALSE;
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpQuotesPage);
      return TRUE;
    default:
      return FALSE;
  }
}
