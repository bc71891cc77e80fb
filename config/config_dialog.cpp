// The main page of the configuration (dialog 2003).
#include "config/config_dialog.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "config/help.h"
#include "config/pages.h"
#include "events/dialog_jokes.h"
#include "messages/quill.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

ConfigDialogState ConfigDialog = {nullptr, 0, 0, nullptr, false, false, false};

namespace {

constexpr int kInfo = 3;
constexpr int kAirplaneSound = 140;
constexpr int kJokeSound = 187;
constexpr int kSecretSound = 130;
constexpr int kCongratulationSound = 183;
// The value the settings store hands back is cut at size - 2 characters.
constexpr std::size_t kEncryptReadSize = 1999;
constexpr std::size_t kEncryptSize = 2000;
constexpr int kPictureSize = 300;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

void PlayResource(int id) {
  PlaySoundA(MAKEINTRESOURCEA(id), Instance(), SND_RESOURCE | SND_ASYNC);
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

int UserInt(const char* section, const char* key, int defaultValue) {
  int value = defaultValue;
  MainSettings.UserReadInt(section, key, &value, defaultValue);
  return value;
}

void CheckFromSetting(HWND dialog, int id, const char* section, const char* key, int defaultValue) {
  CheckDlgButton(dialog, id,
                 UserInt(section, key, defaultValue) != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void WriteCheck(HWND dialog, int id, const char* section, const char* key) {
  MainSettings.UserWriteUInt(section, key, Checked(dialog, id) ? 1u : 0u);
}

// While an inner dialog is up, the running button waits.
class InnerDialog {
 public:
  InnerDialog() {
    ConfigDialog.innerDialogOpen = true;
    RunningButton.paused = true;
  }
  ~InnerDialog() {
    ConfigDialog.innerDialogOpen = false;
    RunningButton.paused = false;
  }
  InnerDialog(const InnerDialog&) = delete;
  InnerDialog& operator=(const InnerDialog&) = delete;
};

// ---- The picture frame ----

void ReleasePicture() {
  EyeBlink.Stop();
  if (ConfigDialog.picture != nullptr) DeleteObject(ConfigDialog.picture);
  ConfigDialog.picture = nullptr;
  ConfigDialog.ownPicture = false;
}

void LoadPicture() {
  char path[kPictureSize] = "";
  MainSettings.UserReadString("Params", "UPIC", path, "", sizeof path);
  if (path[0] != '\0') {
    ConfigDialog.picture = static_cast<HBITMAP>(
        LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (ConfigDialog.picture != nullptr) {
      ConfigDialog.ownPicture = true;
      return;
    }
    LogFile.Log(5, "UPIC does not load", path);
  }
  ConfigDialog.ownPicture = false;
  ConfigDialog.picture = LoadBitmapA(Instance(), MAKEINTRESOURCEA(ConfigDialog.pictureId));
}

// The user's own picture shrinks to fit the frame keeping its proportions and
// is never enlarged; the built-in one keeps its size (the frame clips it).
void PaintPicture(HWND dialog) {
  HWND frame = GetDlgItem(dialog, IDC_MAIN_PICTURE);
  if (frame == nullptr) return;
  if (ConfigDialog.picture == nullptr) LoadPicture();

  // The inner area: the window rectangle less the frame's border on each side.
  RECT window{0, 0, 0, 0};
  RECT client{0, 0, 0, 0};
  GetWindowRect(frame, &window);
  GetClientRect(frame, &client);
  const int windowWidth = window.right - window.left;
  const int windowHeight = window.bottom - window.top;
  const int borderX = (windowWidth - client.right) / 2;
  const int borderY = (windowHeight - client.bottom) / 2;
  const int areaWidth = windowWidth - 2 * borderX;
  const int areaHeight = windowHeight - 2 * borderY;
  if (areaWidth <= 2 || areaHeight <= 2) return;

  HDC dc = GetDC(frame);
  if (dc == nullptr) return;
  IntersectClipRect(dc, 1, 1, areaWidth - 1, areaHeight - 1);
  const RECT area{0, 0, areaWidth, areaHeight};
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  BITMAP info{};
  if (ConfigDialog.picture != nullptr &&
      GetObjectA(ConfigDialog.picture, sizeof info, &info) != 0 && info.bmWidth > 0 &&
      info.bmHeight > 0) {
    int width = info.bmWidth;
    int height = info.bmHeight;
    if (ConfigDialog.ownPicture) {
      const double scale = std::min({1.0, static_cast<double>(areaWidth) / info.bmWidth,
                                     static_cast<double>(areaHeight) / info.bmHeight});
      width = std::max(1, static_cast<int>(info.bmWidth * scale));
      height = std::max(1, static_cast<int>(info.bmHeight * scale));
    }
    HDC memoryDC = CreateCompatibleDC(dc);
    if (memoryDC != nullptr) {
      HGDIOBJ old = SelectObject(memoryDC, ConfigDialog.picture);
      StretchBlt(dc, (areaWidth - width) / 2, (areaHeight - height) / 2, width, height, memoryDC, 0,
                 0, info.bmWidth, info.bmHeight, SRCCOPY);
      SelectObject(memoryDC, old);
      DeleteDC(memoryDC);
    }
  }
  SelectClipRgn(dc, nullptr);
  ReleaseDC(frame, dc);

  if (!ConfigDialog.ownPicture) EyeBlink.Start(frame, ConfigDialog.pictureId, ConfigDialog.blinkId);
}

void RepaintPicture(HWND dialog) { InvalidateRect(dialog, nullptr, FALSE); }

// ---- Opening ----

// Texts written under "EncryptPlease" come back scrambled under "Encrypted":
// the way to make a protected message by hand.
void ScrambleRequestedLines() {
  for (int i = 1;; ++i) {
    char key[24];
    std::snprintf(key, sizeof key, "Line%i", i);
    char text[kEncryptSize] = "";
    MainSettings.ReadString("EncryptPlease", key, text, "", kEncryptReadSize);
    if (text[0] == '\0') break;
    Scramble(text, sizeof text);
    MainSettings.WriteString("Encrypted", key, text);
  }
}

void ShowMainMessage(HWND dialog) {
  Quill.Index = 0;
  Quill.Read();
  SetDlgItemTextA(dialog, IDC_MAIN_MESSAGE, Quill.Message);
  SetDlgItemTextA(dialog, IDC_MAIN_BOTTOMLINE, Quill.BottomLine);
}

BOOL OnInitDialog(HWND dialog) {
  ConfigDialog = ConfigDialogState{dialog, 0, 0, nullptr, false, false, false};

  if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  LogFile.Clear();
  LogFile.Log(kInfo, "Version", ProductVersion);
  LogFile.Log(kInfo, "operation", "configure");

  if (MainSettings.Init("$CURRENT", "\\Lumivex.ini") != 0) {
    // The user has been told; there is nothing to configure.
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    return TRUE;
  }

  if (RandomBelow(9) >= 6) {
    ConfigDialog.pictureId = 111;
    ConfigDialog.blinkId = 114;
  } else {
    ConfigDialog.pictureId = 196;
    ConfigDialog.blinkId = 197;
  }

  ScrambleRequestedLines();
  if (MainSettings.FirstTime) Quill.WriteFirstRunMessages();

  if (UserInt("params", "Jokes", 1) != 0 && RandomBelow(7) == 1)
    RunningButton.Start(dialog, GetDlgItem(dialog, IDOK));

  SetWindowTextA(dialog, ProductNameAndVersion);
  SetDlgItemTextA(dialog, IDOK, "Ok");
  SetDlgItemTextA(dialog, IDCANCEL, "Ooops... Cancel");

  // Typing stops where the store would cut.
  SendDlgItemMessageA(dialog, IDC_MAIN_MESSAGE, EM_LIMITTEXT, MainMessageLimit, 0);
  SendDlgItemMessageA(dialog, IDC_MAIN_BOTTOMLINE, EM_LIMITTEXT, MainBottomLineLimit, 0);
  ShowMainMessage(dialog);

  CheckFromSetting(dialog, IDC_MAIN_AIRPLANES, "Params", "Airplanes", 1);
  CheckFromSetting(dialog, IDC_MAIN_MOON, "Params", "Moon", 1);
  CheckFromSetting(dialog, IDC_MAIN_SOUTHERN, "Params", "SouthernHemisphere", 0);
  CheckFromSetting(dialog, IDC_MAIN_JOKES, "params", "Jokes", 1);
  CheckFromSetting(dialog, IDC_MAIN_EMAIL, "Email", "Enabled", 0);
  EnableWindow(GetDlgItem(dialog, IDC_MAIN_SOUTHERN), Checked(dialog, IDC_MAIN_MOON));
  return TRUE;
}

// ---- Saving and closing ----

void Save(HWND dialog) {
  char message[MainMessageLimit + 1] = "";
  char bottomLine[MainBottomLineLimit + 1] = "";
  GetDlgItemTextA(dialog, IDC_MAIN_MESSAGE, message, sizeof message);
  GetDlgItemTextA(dialog, IDC_MAIN_BOTTOMLINE, bottomLine, sizeof bottomLine);

  Quill.Index = 0;
  Quill.Read();
  SafeStrCpy(Quill.Message, message, MainMessageLimit);
  Quill.Write();
  SafeStrCpy(Quill.BottomLine, bottomLine, MainBottomLineLimit);
  Quill.Write();
  LogFile.Log(kInfo, "lv-dialogs", "point24");

  // A bottom line that is the password of protected messages unlocks them.
  SafeStrCpy(Quill.DecryptPassword, Quill.BottomLine, sizeof Quill.DecryptPassword - 1);
  const int secrets = Quill.CountSecretMessages();
  Quill.Index = 0;
  Quill.Read();
  if (Quill.DecryptPassword[0] != '\0' && secrets > 0) {
    char text[64];
    std::snprintf(text, sizeof text, "You have %i secret message(s).", secrets);
    PlayResource(kSecretSound);
    MessageBoxA(dialog, text, "You found a password !", MB_OK | MB_ICONINFORMATION);
  } else {
    Quill.DecryptPassword[0] = '\0';
  }
  MainSettings.UserWriteString("Messages", "DecryptPassword", Quill.DecryptPassword);

  if (RunningButton.active && !ConfigDialog.innerDialogOpen) {
    char text[96];
    std::snprintf(text, sizeof text, "You were able to hit the button with %i attempts!",
                  RunningButton.attempts);
    PlayResource(kCongratulationSound);
    MessageBoxA(dialog, text, "CONGRATULATIONS!", MB_OK);
  }

  WriteCheck(dialog, IDC_MAIN_AIRPLANES, "Params", "Airplanes");
  WriteCheck(dialog, IDC_MAIN_JOKES, "params", "Jokes");
  WriteCheck(dialog, IDC_MAIN_SOUTHERN, "Params", "SouthernHemisphere");
  WriteCheck(dialog, IDC_MAIN_EMAIL, "Email", "Enabled");
}

void Close(HWND dialog, INT_PTR result) {
  if (ConfigDialog.helpOpened) ShowHelp(dialog, HelpFileName, HelpRequest::Quit);
  ReleasePicture();
  RunningButton.Stop();
  EndDialog(dialog, result);
}

// ---- Commands ----

void ChoosePicture(HWND dialog) {
  char path[kPictureSize] = "";
  MainSettings.UserReadString("Params", "UPIC", path, "", sizeof path);
  {
    InnerDialog inner;
    // Cancelling the choice is the way back to the built-in picture.
    if (OpenFileDialog(dialog, "Select your favorite picture", "BMP", path, sizeof path) == 0)
      path[0] = '\0';
  }
  MainSettings.UserWriteString("Params", "UPIC", path);
  ReleasePicture();
  RepaintPicture(dialog);
}

BOOL OnCommand(HWND dialog, int id, int code) {
  if (code != BN_CLICKED) return FALSE;
  switch (id) {
    case IDC_MAIN_AIRPLANES:
      if (Checked(dialog, id)) PlayResource(kAirplaneSound);
      return TRUE;
    case IDC_MAIN_MOON: {
      const bool on = Checked(dialog, id);
      MainSettings.UserWriteUInt("Params", "Moon", on ? 1u : 0u);
      EnableWindow(GetDlgItem(dialog, IDC_MAIN_SOUTHERN), on ? TRUE : FALSE);
      return TRUE;
    }
    case IDC_MAIN_EMAIL:
      if (Checked(dialog, id)) {
        InnerDialog inner;
        RunDialog(Instance(), IDD_EMAIL, dialog, EmailParametersDialog);
      }
      RepaintPicture(dialog);
      return TRUE;
    case IDC_MAIN_JOKES:
      if (Checked(dialog, id)) PlayResource(kJokeSound);
      return TRUE;
    case IDC_MAIN_FONT: {
      {
        InnerDialog inner;
        TextFont font;
        font.Choose(dialog);
      }
      RepaintPicture(dialog);
      return TRUE;
    }
    case IDC_MAIN_PICTURE_BUTTON:
      ChoosePicture(dialog);
      return TRUE;
    case IDC_MAIN_OPTIONS: {
      {
        InnerDialog inner;
        OpenMoreOptions(dialog, 0);
      }
      Quill.Index = 0;
      Quill.Read();
      RepaintPicture(dialog);
      return TRUE;
    }
    case IDC_MAIN_HELP:
      ConfigDialog.helpOpened = true;
      ShowHelp(dialog, HelpFileName, HelpRequest::Contents);
      return TRUE;
    case IDOK:
      Save(dialog);
      Close(dialog, 1);
      return TRUE;
    case IDCANCEL:
      Close(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_TIMER:
      RunningButton.TimerTick(wParam);
      return TRUE;
    case WM_HELP:
      ConfigDialog.helpOpened = true;
      ShowHelp(nullptr, HelpFileName, HelpRequest::Contents);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      BeginPaint(dialog, &ps);
      EndPaint(dialog, &ps);
      PaintPicture(dialog);
      return TRUE;
    }
    case WM_CLOSE:
      Close(dialog, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

namespace lvx {
void ResetConfigDialogForTests() {
  if (ConfigDialog.picture != nullptr) DeleteObject(ConfigDialog.picture);
  ConfigDialog = ConfigDialogState{nullptr, 0, 0, nullptr, false, false, false};
}
}  // namespace lvx
