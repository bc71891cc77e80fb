#include "events/jokes.h"

#include "scene/bitmap.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;

void (*pauseFunction)(DWORD) = nullptr;

void Pause(DWORD milliseconds) {
  if (pauseFunction != nullptr) {
    pauseFunction(milliseconds);
  } else {
    Sleep(milliseconds);
  }
}

void BlackScreen() {
  FillRect(SaverDC, &ScreenRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}
}  // namespace

void ShutDownJoke() {
  int jokes = 1;
  MainSettings.UserReadInt("params", "Jokes", &jokes, 1);
  if (jokes == 0 || ScreenRect.right <= 400) return;
  // Nothing has been drawn yet (the close came before the first frame): a
  // joke would only be five seconds of a frozen window.
  if (SaverDC == nullptr) return;
  LogFile.Log(kInfo, "Joke", "shut down");

  PlaySoundA("SystemExit", nullptr, SND_ALIAS | SND_ASYNC);

  BitmapClass picture;
  picture.CreateFromResource(SaverDC, ShutDownPicture);
  picture.StretchTo(ScreenRect.left, ScreenRect.top, ScreenRect.right, ScreenRect.bottom);
  picture.Display();
  Pause(1500);
  picture.Destroy();

  const COLORREF oldText = SetTextColor(SaverDC, RGB(255, 255, 255));
  const COLORREF oldBack = SetBkColor(SaverDC, RGB(0, 0, 0));
  BlackScreen();

  TextFont font;
  font.SetSize(20.0f);
  font.Select(SaverDC, ShutDownTextColour, RGB(0, 0, 0));
  // The lower two thirds of the screen, each line centred.
  RECT area{ScreenRect.left, ScreenRect.bottom / 3, ScreenRect.right, ScreenRect.bottom};
  DrawTextA(SaverDC, ShutDownText, -1, &area, DT_CENTER | DT_WORDBREAK);
  font.Release();

  Pause(3500);
  BlackScreen();
  SetTextColor(SaverDC, oldText);
  SetBkColor(SaverDC, oldBack);
}

namespace lvx {
void SetJokePauseForTests(void (*pause)(DWORD)) { pauseFunction = pause; }
}  // namespace lvx
