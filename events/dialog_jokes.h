// The jokes of the configuration dialog: an OK button that runs away from the
// mouse pointer, and the eyes of the built-in picture that blink now and then.
// Both are switched on and driven by the dialog; the "Jokes" setting decides
// whether the button runs.
#pragma once

#include "platform/winapi.h"

// The dialog timer of the running button and its period.
inline constexpr UINT_PTR RunningButtonTimerId = 2;
inline constexpr UINT RunningButtonPeriod = 100;
// The picture frame's timer of the eye blink, and how long the eyes stay shut.
inline constexpr UINT_PTR EyeBlinkTimerId = 2;
inline constexpr UINT EyeBlinkShutMs = 40;
// The eyes open again after 3.5 to 7 seconds.
UINT NextBlinkDelay();

// Which way the button should jump when the pointer is at `pointer`: the
// pointer within 15 pixels of one of the button's edges sends it 50 pixels the
// other way (dx or dy of +1 or -1, taken 50 times), or 150 pixels back (+3 or
// -3) when the dialog's edge is too near for that. `button` and `dialog` are
// window rectangles on the screen. True when it should jump at all. A pointer
// near both side edges (or both top and bottom) of a small button logs "Both
// detected" and sends it left (or up).
bool IsApproaching(POINT pointer, const RECT& button, const RECT& dialog, int* dx, int* dy);

class RunningButtonClass {
 public:
  RunningButtonClass();

  // Makes `button` of `dialog` run away: takes both rectangles and starts the
  // dialog timer (RunningButtonTimerId, every RunningButtonPeriod ms).
  void Start(HWND dialog, HWND button);
  // Every WM_TIMER of the dialog comes here; only the joke's own timer acts.
  void TimerTick(UINT_PTR id);
  // The dialog is closing: the timer stops; attempts and active stay for the
  // congratulation.
  void Stop();

  int attempts;  // how often the button has jumped
  HWND dialog;
  HWND button;
  // The dialog's window rectangle when the joke started.
  int dialogLeft, dialogTop, dialogHeight, dialogWidth;
  // The button's top-left corner on the screen, updated by every jump, and its size.
  int buttonX, buttonY, buttonHeight, buttonWidth;
  UINT_PTR timer;
  bool active;
  // An inner dialog is open: the button stays where it is meanwhile.
  bool paused;

 private:
  void Jump(int dx, int dy);
};

// The one running button of the process.
extern RunningButtonClass RunningButton;

class EyeBlinkClass {
 public:
  EyeBlinkClass();

  // Starts (or restarts) the blinking on the picture frame, whose picture is
  // bitmap resource `pictureId` drawn at its natural size, centred; the
  // first blink comes after NextBlinkDelay.
  void Start(HWND frame, int pictureId, int blinkId);
  // Stops the timer; the frame keeps what it shows.
  void Stop();
  // The frame timer's procedure: shuts the eyes for EyeBlinkShutMs, then
  // opens them and waits for the next blink.
  static void CALLBACK TimerProc(HWND frame, UINT message, UINT_PTR id, DWORD time);

  HWND frame;
  int pictureId;
  int blinkId;
  // Loaded only while it is being drawn.
  HBITMAP blink;
  UINT_PTR timer;
  bool eyesShut;

 private:
  // Draws bitmap resource `id` at its natural size, centred in the frame,
  // inside its 1-pixel border. False when the memory DC could not be made.
  bool Draw(int id, HBITMAP* loaded);
};

// The one blinking picture of the process.
extern EyeBlinkClass EyeBlink;

namespace lvx {
// Tests: both jokes as at program start (timers are not touched).
void ResetDialogJokesForTests();
}  // namespace lvx
