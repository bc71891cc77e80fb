#include "host/saver_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/config_dialog.h"
#include "host/saver_proc.h"
#include "resources/dialog_ids.h"

SaverHostState SaverHost = {nullptr, nullptr, false, false, false, nullptr, {0, 0}, 4, 0xFFFFFFFFu};

namespace {

constexpr WORD kIconResource = 100;
// X window ids are 32-bit; anything larger names no window.
constexpr std::uintmax_t kLargestHandle = 0xFFFFFFFFu;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\0'; }

const char* SkipSpaces(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

HWND LiveWindowOrNull(HWND window) { return window != nullptr && IsWindow(window) ? window : nullptr; }

void HideCursor() { SetCursor(nullptr); }

// A whole number in decimal or 0x hexadecimal, nothing else; 0 if not one.
std::uintmax_t ParseWindowId(const std::string& text) {
  std::size_t i = 0;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  }
  if (i >= text.size()) return 0;
  std::uintmax_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return 0;
    }
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > kLargestHandle) return 0;
  }
  return value;
}

// "-word" or "--word".
bool IsOption(const std::string& word, const char* name) {
  std::size_t dashes = 0;
  while (dashes < word.size() && dashes < 2 && word[dashes] == '-') ++dashes;
  return dashes > 0 && word.compare(dashes, std::string::npos, name) == 0;
}

std::vector<std::string> Words(const char* text) {
  std::vector<std::string> words;
  const char* p = text;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') break;
    const char* start = p;
    while (*p != '\0' && !IsBlank(*p)) ++p;
    words.emplace_back(start, p);
  }
  return words;
}

HWND HandleFromId(std::uintmax_t id) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
}

int RunInForeignWindow(HWND parent) {
  if (parent == nullptr || !IsWindow(parent)) return -1;
  return RunSaverWindow(parent);
}

int Dispatch(const char* tail) {
  const XScreenSaverRequest xs = ParseXScreenSaverWords(tail, std::getenv("XSCREENSAVER_WINDOW"));
  switch (xs.kind) {
    case XScreenSaverRequest::InWindow:
      return RunInForeignWindow(xs.window);
    case XScreenSaverRequest::FullScreen:
      return RunSaverWindow(nullptr);
    case XScreenSaverRequest::Invalid:
      return -1;
    case XScreenSaverRequest::NotXScreenSaver:
      break;
  }

  const char* p = tail;
  while (*p == ' ' || *p == '-' || *p == '/') ++p;
  switch (*p) {
    case 'S':
    case 's':
      return RunSaverWindow(nullptr);
    case 'P':
    case 'p':
    case 'L':
    case 'l':
      return RunInForeignWindow(ParseWindowHandle(SkipSpaces(p + 1)));
    case 'C':
    case 'c':
      return ShowConfiguration(GetForegroundWindow());
    case 'A':
    case 'a': {
      HWND owner = LiveWindowOrNull(ParseWindowHandle(SkipSpaces(p + 1)));
      ChangeSaverPassword(owner != nullptr ? owner : GetForegroundWindow());
      return 0;
    }
    case '\0':
      return ShowConfiguration(nullptr);
    default:
      return -1;
  }
}

}  // namespace

const char* CommandTail(const char* commandLine) {
  if (commandLine == nullptr) return "";
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !IsBlank(*p)) ++p;
  }
  while (IsBlank(*p)) ++p;
  return p;
}

HWND ParseWindowHandle(const char* text) {
  if (text == nullptr) return nullptr;
  std::uintmax_t value = 0;
  for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + static_cast<unsigned>(*p - '0');
    if (value > kLargestHandle) return nullptr;
  }
  return HandleFromId(value);
}

XScreenSaverRequest ParseXScreenSaverWords(const char* tail, const char* environmentWindow) {
  XScreenSaverRequest request{XScreenSaverRequest::NotXScreenSaver, nullptr};
  const std::vector<std::string> words = Words(tail != nullptr ? tail : "");
  if (words.empty() || (!IsOption(words[0], "root") && !IsOption(words[0], "window-id")))
    return request;

  bool root = false;
  std::uintmax_t windowId = 0;
  bool haveWindowId = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (IsOption(words[i], "root")) {
      root = true;
    } else if (IsOption(words[i], "window-id") && i + 1 < words.size()) {
      windowId = ParseWindowId(words[++i]);
      haveWindowId = true;
    } else {
      request.kind = XScreenSaverRequest::Invalid;
      return request;
    }
  }
  if (haveWindowId) {
    request.kind = windowId != 0 ? XScreenSaverRequest::InWindow : XScreenSaverRequest::Invalid;
    request.window = HandleFromId(windowId);
    return request;
  }
  // XScreenSaver names the window it wants drawn in; started by hand the
  // saver simply covers the screen.
  const std::uintmax_t fromEnvironment =
      environmentWindow != nullptr ? ParseWindowId(environmentWindow) : 0;
  if (root && fromEnvironment != 0) {
    request.kind = XScreenSaverRequest::InWindow;
    request.window = HandleFromId(fromEnvironment);
  } else {
    request.kind = XScreenSaverRequest::FullScreen;
  }
  return request;
}

int SaverMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
  SaverHost.instance = instance;
  // No exception may end the process with the running flag still on.
  try {
    return Dispatch(commandTail != nullptr ? commandTail : "");
  } catch (...) {
    SetSaverRunningFlag(FALSE);
    return -1;
  }
}

HWND CreateSaverWindow(HWND parent, bool* broughtForward) {
  if (broughtForward != nullptr) *broughtForward = false;
  WNDCLASSA wc{};
  wc.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = SaverClassWindowProc;
  wc.hInstance = SaverHost.instance;
  wc.hIcon = LoadIconA(SaverHost.instance, MAKEINTRESOURCEA(kIconResource));
  wc.hCursor = nullptr;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = SaverClassName;

  int width = 0, height = 0;
  DWORD style = 0, exStyle = 0;
  const char* title = nullptr;
  if (parent != nullptr) {
    RECT client{0, 0, 0, 0};
    GetClientRect(parent, &client);
    width = client.right;
    height = client.bottom;
    style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    title = PreviewTitle;
    SaverHost.isPreview = true;
  } else {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
    style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    exStyle = WS_EX_TOPMOST;
    title = FullScreenTitle;
    HWND running = FindWindowA(SaverClassName, FullScreenTitle);
    if (running != nullptr && IsWindow(running)) {
      SetForegroundWindow(running);
      if (broughtForward != nullptr) *broughtForward = true;
      return nullptr;
    }
    LoadPasswordModule();
  }

  if (RegisterClassA(&wc) != 0) {
    SaverHost.mainWindow = CreateWindowExA(exStyle, SaverClassName, title, style, 0, 0, width,
                                           height, parent, nullptr, SaverHost.instance, nullptr);
  }
  if (SaverHost.mainWindow != nullptr && !SaverHost.isPreview)
    SetForegroundWindow(SaverHost.mainWindow);
  return SaverHost.mainWindow;
}

int RunSaverWindow(HWND parent) {
  bool broughtForward = false;
  HWND window = CreateSaverWindow(parent, &broughtForward);
  if (broughtForward) return 0;
  int code = -1;
  if (window != nullptr) {
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    code = static_cast<int>(msg.wParam);
  } else {
    std::fprintf(stderr, "lumivex: the saver window could not be created\n");
  }
  UnloadPasswordModule();
  return code;
}

// No saver window: the configuration dialog is the whole run. (The platform
// has no extra dialog classes to register for it.) The headless display is
// only a fallback when there is no X display, and there nobody could answer
// a dialog; asked for by name (tests), it is used.
int ShowConfiguration(HWND parent) {
  const char* wanted = std::getenv("LUMIVEX_DISPLAY");
  if (std::strcmp(lvx::DisplayName(), "headless") == 0 &&
      (wanted == nullptr || std::strcmp(wanted, "headless") != 0)) {
    MessageBoxA(nullptr, "The settings need a display: run \"lumivex /c\" in your desktop session.",
                "Lumivex", MB_OK | MB_ICONERROR);
    return -1;
  }
  return static_cast<int>(DialogBoxParamA(SaverHost.instance, MAKEINTRESOURCEA(IDD_MAIN), parent,
                                          ScreenSaverConfigureDialog, 0));
}

// The password-change provider of the platform does not exist on Linux, so
// this mode has nothing to do.
void ChangeSaverPassword(HWND) {}

// Linux has no "ScreenSaveUsePassword" and no password module: the saver runs
// without a password and the running flag stays off.
void LoadPasswordModule() {
  if (SaverHost.verifyPassword != nullptr) UnloadPasswordModule();
}

void UnloadPasswordModule() {
  if (SaverHost.verifyPassword == nullptr) return;
  SaverHost.verifyPassword = nullptr;
  SetSaverRunningFlag(FALSE);
}

void SetSaverRunningFlag(BOOL on) {
  BOOL previous = FALSE;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, on ? 1u : 0u, &previous, 0);
}

LRESULT SaverClassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      // No input-method library is ever loaded into this process, so there is
      // no input context to take away from the window.
      GetCursorPos(&SaverHost.referencePoint);
      if (!SaverHost.isPreview) HideCursor();
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_SETTEXT:
      return 0;
    case WM_PAINT:
      if (SaverHost.isClosing) return DefWindowProcA(window, message, wParam, lParam);
      if (!SaverHost.isPreview) HideCursor();
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (SaverHost.isPreview) {
        HWND parent = GetParent(window);
        if (parent != nullptr && IsWindow(parent))
          PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
        return 1;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (SaverHost.isClosing) return DefWindowProcA(window, message, wParam, lParam);
      break;
    case WM_SYSCOMMAND:
      if (!SaverHost.isPreview &&
          (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE))
        return 0;
      break;
    case WM_TIMER:
      if (SaverHost.isClosing) return 0;
      Sleep(0);
      break;
    default:
      break;
  }
  return ScreenSaverProc(window, message, wParam, lParam);
}

LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (SaverHost.isPreview || SaverHost.isClosing)
    return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_CLOSE) {
    if (!VerifyPasswordToClose(window)) {
      GetCursorPos(&SaverHost.referencePoint);
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  if (message == MSG_VERIFY_PASSWORD)
    return SaverHost.verifyPassword != nullptr ? SaverHost.verifyPassword(window) : TRUE;
  if (SaverHost.isVerifying) return DefWindowProcA(window, message, wParam, lParam);

  switch (message) {
    case WM_SETCURSOR:
      HideCursor();
      return TRUE;
    case WM_SHOWWINDOW:
      if (wParam != 0) HideCursor();
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case WM_MOUSEMOVE: {
      // Screen coordinates: the message's client ones would not survive a
      // moved reference window.
      POINT now{0, 0};
      GetCursorPos(&now);
      const long long dx = static_cast<long long>(now.x) - SaverHost.referencePoint.x;
      const long long dy = static_cast<long long>(now.y) - SaverHost.referencePoint.y;
      const unsigned long long distance =
          static_cast<unsigned long long>(dx < 0 ? -dx : dx) +
          static_cast<unsigned long long>(dy < 0 ? -dy : dy);
      if (distance > SaverHost.wakeThreshold) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        SaverHost.referencePoint = now;
      }
      break;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

BOOL VerifyPasswordToClose(HWND window) {
  if (SaverHost.isVerifying) return FALSE;
  if (SaverHost.verifyPassword == nullptr) {
    SaverHost.isClosing = true;
    return TRUE;
  }
  const DWORD now = GetTickCount();
  // A close request right after a rejected password is the same key press
  // that dismissed the dialog.
  if (SaverHost.lastVerifyTick != 0xFFFFFFFFu && now - SaverHost.lastVerifyTick < 200)
    return SaverHost.isClosing ? TRUE : FALSE;

  SaverHost.isVerifying = true;
  MSG pending{};
  PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  SaverHost.isClosing = SendMessageA(window, MSG_VERIFY_PASSWORD, 0, 0) != 0;
  SaverHost.isVerifying = false;
  if (!SaverHost.isClosing) HideCursor();
  SaverHost.lastVerifyTick = GetTickCount();
  return SaverHost.isClosing ? TRUE : FALSE;
}

namespace lvx {
void ResetSaverHostForTests() {
  SaverHost = SaverHostState{nullptr, nullptr, false, false, false, nullptr, {0, 0}, 4, 0xFFFFFFFFu};
}

void SetPasswordVerifierForTests(VerifyPasswordFunction verify) {
  SaverHost.verifyPassword = verify;
  if (verify != nullptr) SetSaverRunningFlag(TRUE);
}
}  // namespace lvx
