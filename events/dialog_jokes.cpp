#include "events/dialog_jokes.h"

#include <algorithm>

#include "settings/log_file.h"
#include "settings/utilities.h"

RunningButtonClass RunningButton;
EyeBlinkClass EyeBlink;

namespace {

constexpr int kInfo = 3;
// How near the pointer may come to an edge of the button.
constexpr int kBand = 15;
// Steps of one jump; a step moves by the direction (1 or 3 pixels).
constexpr int kSteps = 50;
constexpr int kJumpSound = 188;

bool Within(int value, int low, int high) { return low < value && value < high; }

}  // namespace

UINT NextBlinkDelay() { return static_cast<UINT>(RandomBelow(3500) + 3500); }

bool IsApproaching(POINT pointer, const RECT& button, const RECT& dialog, int* dx, int* dy) {
  const int x = pointer.x;
  const int y = pointer.y;
  const int bx = button.left;
  const int by = button.top;
  const int w = button.right - button.left;
  const int h = button.bottom - button.top;
  const int w2 = w & ~1;
  const int h2 = h & ~1;
  int moveX = 0;
  int moveY = 0;

  const bool sideBand = Within(y, by - kBand, by + h2 + kBand);
  if (Within(x, bx - kBand, bx + kBand) && sideBand) {
    moveX = bx + w + kSteps >= dialog.right ? -3 : 1;
  }
  if (Within(x, bx + w - kBand, bx + w + kBand) && sideBand) {
    if (moveX != 0) LogFile.Log(kInfo, "IsApproaching X", "Both detected");
    moveX = bx - kSteps <= dialog.left ? 3 : -1;
  }
  const bool upDownBand = Within(x, bx - kBand, bx + w2 + kBand);
  if (Within(y, by - kBand, by + kBand) && upDownBand) {
    moveY = by + kSteps >= dialog.bottom ? -3 : 1;
  }
  if (Within(y, by + h - kBand, by + h + kBand) && upDownBand) {
    if (moveY != 0) LogFile.Log(kInfo, "IsApproaching Y", "Both detected");
    moveY = by - kSteps <= dialog.top ? 3 : -1;
  }
  if (dx != nullptr) *dx = moveX;
  if (dy != nullptr) *dy = moveY;
  return moveX != 0 || moveY != 0;
}

RunningButtonClass::RunningButtonClass()
    : attempts(0),
      dialog(nullptr),
      button(nullptr),
      dialogLeft(0),
      dialogTop(0),
      dialogHeight(0),
      dialogWidth(0),
      buttonX(0),
      buttonY(0),
      buttonHeight(0),
      buttonWidth(0),
      timer(0),
      active(false),
      paused(false) {}

void RunningButtonClass::Start(HWND dialogWindow, HWND buttonWindow) {
  if (dialogWindow == nullptr || buttonWindow == nullptr) {
    LogFile.Log(5, "RunningButtonClass::Start", "no button");
    return;
  }
  dialog = dialogWindow;
  button = buttonWindow;
  attempts = 0;
  active = true;
  paused = false;
  RECT d{0, 0, 0, 0};
  GetWindowRect(dialog, &d);
  dialogLeft = d.left;
  dialogTop = d.top;
  dialogHeight = d.bottom - d.top;
  dialogWidth = d.right - d.left;
  RECT b{0, 0, 0, 0};
  GetWindowRect(button, &b);
  buttonX = b.left;
  buttonY = b.top;
  buttonHeight = b.bottom - b.top;
  buttonWidth = b.right - b.left;
  timer = SetTimer(dialog, RunningButtonTimerId, RunningButtonPeriod, nullptr);
}

void RunningButtonClass::Stop() {
  if (timer != 0 && dialog != nullptr) KillTimer(dialog, timer);
  timer = 0;
  active = false;
}

void RunningButtonClass::TimerTick(UINT_PTR id) {
  if (!active || paused || id != timer || timer == 0) return;
  // A determined user who holds the mouse button down on it gets it.
  if ((SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0) return;
  InvalidateRect(button, nullptr, TRUE);

  // Where the button and the dialog are now: the user may have moved the
  // dialog since the joke started.
  RECT b{0, 0, 0, 0};
  GetWindowRect(button, &b);
  buttonX = b.left;
  buttonY = b.top;
  RECT d{0, 0, 0, 0};
  GetWindowRect(dialog, &d);
  POINT pointer{0, 0};
  GetCursorPos(&pointer);
  const RECT where{buttonX, buttonY, buttonX + buttonWidth, buttonY + buttonHeight};
  int dx = 0;
  int dy = 0;
  if (!IsApproaching(pointer, where, d, &dx, &dy)) return;

  ++attempts;
  PlaySoundA(MAKEINTRESOURCEA(kJumpSound), GetModuleHandleA(nullptr), SND_RESOURCE | SND_ASYNC);
  LogFile.LogInt(kInfo, "ButtonX", buttonX);
  LogFile.LogInt(kInfo, "ButtonY", buttonY);
  Jump(dx, dy);
  LogFile.LogInt(kInfo, "ButtonX jump", buttonX);
  LogFile.LogInt(kInfo, "ButtonY jump", buttonY);
  InvalidateRect(button, nullptr, TRUE);
}

// The whole jump is one move: its 50 steps would be drawn without a pause
// anyway. The button never leaves the dialog, or nobody could press it.
void RunningButtonClass::Jump(int dx, int dy) {
  POINT target{buttonX + kSteps * dx, buttonY + kSteps * dy};
  ScreenToClient(dialog, &target);
  RECT client{0, 0, 0, 0};
  GetClientRect(dialog, &client);
  target.x = std::max<LONG>(0, std::min<LONG>(target.x, client.right - buttonWidth));
  target.y = std::max<LONG>(0, std::min<LONG>(target.y, client.bottom - buttonHeight));
  MoveWindow(button, target.x, target.y, buttonWidth, buttonHeight, TRUE);
  ClientToScreen(dialog, &target);
  buttonX = target.x;
  buttonY = target.y;
}

EyeBlinkClass::EyeBlinkClass()
    : frame(nullptr), pictureId(0), blinkId(0), blink(nullptr), timer(0), eyesShut(false) {}

void EyeBlinkClass::Start(HWND frameWindow, int picture, int blinkFrame) {
  if (frameWindow == nullptr) {
    LogFile.Log(5, "EyeBlinkClass::Start", "no frame");
    return;
  }
  frame = frameWindow;
  pictureId = picture;
  blinkId = blinkFrame;
  eyesShut = false;
  timer = SetTimer(frame, EyeBlinkTimerId, NextBlinkDelay(), &EyeBlinkClass::TimerProc);
}

void EyeBlinkClass::Stop() {
  if (timer != 0 && frame != nullptr) KillTimer(frame, timer);
  timer = 0;
  eyesShut = false;
  if (blink != nullptr) {
    DeleteObject(blink);
    blink = nullptr;
  }
}

bool EyeBlinkClass::Draw(int id, HBITMAP* loaded) {
  HDC frameDC = GetDC(frame);
  HDC memoryDC = CreateCompatibleDC(nullptr);
  if (memoryDC == nullptr) {
    ShowProblem(nullptr, "EyeBlink-3");
    if (frameDC != nullptr) ReleaseDC(frame, frameDC);
    return false;
  }
  *loaded = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  if (*loaded != nullptr && frameDC != nullptr) {
    BITMAP info{};
    GetObjectA(*loaded, sizeof info, &info);
    HGDIOBJ old = SelectObject(memoryDC, *loaded);
    RECT client{0, 0, 0, 0};
    GetClientRect(frame, &client);
    IntersectClipRect(frameDC, 1, 1, client.right - 1, client.bottom - 1);
    BitBlt(frameDC, (client.right - info.bmWidth) / 2, (client.bottom - info.bmHeight) / 2,
           info.bmWidth, info.bmHeight, memoryDC, 0, 0, SRCCOPY);
    SelectClipRgn(frameDC, nullptr);
    SelectObject(memoryDC, old);
  }
  if (*loaded != nullptr) DeleteObject(*loaded);
  *loaded = nullptr;
  DeleteDC(memoryDC);
  if (frameDC != nullptr) ReleaseDC(frame, frameDC);
  return true;
}

// The eyes stay shut for a moment through a short timer rather than a
// blocking wait, so the shut eyes reach the screen before they open again.
void CALLBACK EyeBlinkClass::TimerProc(HWND frameWindow, UINT, UINT_PTR id, DWORD) {
  EyeBlinkClass& self = EyeBlink;
  if (frameWindow != self.frame || id != self.timer) return;
  if (!self.eyesShut) {
    if (self.blink != nullptr) ShowProblem(nullptr, "EyeBlink-1");
    if (!self.Draw(self.blinkId, &self.blink)) return;
    self.eyesShut = true;
    self.timer = SetTimer(self.frame, EyeBlinkTimerId, EyeBlinkShutMs, &EyeBlinkClass::TimerProc);
    return;
  }
  HBITMAP picture = nullptr;
  self.Draw(self.pictureId, &picture);
  self.eyesShut = false;
  KillTimer(self.frame, self.timer);
  self.timer = SetTimer(self.frame, EyeBlinkTimerId, NextBlinkDelay(), &EyeBlinkClass::TimerProc);
}

namespace lvx {
void ResetDialogJokesForTests() {
  RunningButton = RunningButtonClass();
  if (EyeBlink.blink != nullptr) DeleteObject(EyeBlink.blink);
  EyeBlink = EyeBlinkClass();
}
}  // namespace lvx
