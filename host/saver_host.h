// The saver's shell: the entry point and its modes, the saver window with its
// message loop, and the rules that end the saver on user input.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

// Sent to the saver window to run the password check; returns the verdict.
inline constexpr UINT MSG_VERIFY_PASSWORD = 0x8000;

inline constexpr const char* SaverClassName = "WindowsScreenSaverClass";
inline constexpr const char* FullScreenTitle = "Screen Saver";
inline constexpr const char* PreviewTitle = "Preview";

using VerifyPasswordFunction = BOOL (*)(HWND);

struct SaverHostState {
  HINSTANCE instance;
  HWND mainWindow;
  bool isPreview;
  // Once set, input and timer messages no longer reach the saver.
  bool isClosing;
  bool isVerifying;
  // The password check of the platform; none on Linux, where locking is the
  // screen locker's business.
  VerifyPasswordFunction verifyPassword;
  POINT referencePoint;
  DWORD wakeThreshold;
  DWORD lastVerifyTick;
};

extern SaverHostState SaverHost;

// The entry point: the mode letter of the command tail picks what runs.
// Returns the process exit code (-1 for an unusable command line).
int SaverMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandTail, int showCommand);

// The command line without the program's own path and the blanks after it.
// Points into `commandLine`.
const char* CommandTail(const char* commandLine);

// Decimal digits at the start of text; 0 when there are none, and 0 for a
// number too large to be a window handle.
HWND ParseWindowHandle(const char* text);

// The words XScreenSaver starts its programs with ("-root", "-window-id ID",
// one or two dashes), read from the whole command tail.
struct XScreenSaverRequest {
  enum Kind { NotXScreenSaver, InWindow, FullScreen, Invalid } kind;
  HWND window;
};
// environmentWindow: the value of XSCREENSAVER_WINDOW, or nullptr.
XScreenSaverRequest ParseXScreenSaverWords(const char* tail, const char* environmentWindow);

// Creates the saver window (full screen without a parent, else a preview
// inside it) and runs the loop; returns the quit code.
int RunSaverWindow(HWND parent);
// The first half of RunSaverWindow: the single-instance test, the class and
// the window. Returns the window, or nullptr (with *broughtForward set when
// another saver window was brought forward instead).
HWND CreateSaverWindow(HWND parent, bool* broughtForward);

int ShowConfiguration(HWND parent);
void ChangeSaverPassword(HWND window);

LRESULT SaverClassWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void LoadPasswordModule();
void UnloadPasswordModule();
// TRUE when the saver may close.
BOOL VerifyPasswordToClose(HWND window);
void SetSaverRunningFlag(BOOL on);

namespace lvx {
// Tests: the shell's state as at program start.
void ResetSaverHostForTests();
// Tests: a password check to run instead of the platform's (none on Linux).
void SetPasswordVerifierForTests(VerifyPasswordFunction verify);
}  // namespace lvx
