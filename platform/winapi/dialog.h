// Message boxes (and, later, dialogs and property sheets).
#pragma once

#include "platform/winapi/types.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_YESNOCANCEL 0x00000003L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L
#define MB_DEFMASK 0x00000F00L
#define MB_ICONHAND 0x00000010L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_APPLMODAL 0x00000000L
#define MB_SYSTEMMODAL 0x00001000L
#define MB_TASKMODAL 0x00002000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Headless (or when LUMIVEX_MSGBOX_ANSWERS is set) the box is written to
// standard error as one line "MessageBox [caption] text", line breaks shown
// as the two characters \n, and answered from LUMIVEX_MSGBOX_ANSWERS (comma
// list of ok, yes, no, cancel, abort, retry, ignore; one per box, in order),
// else, or for an answer the box does not offer, with its default button.
// The script word "wait" keeps that box open until SIGTERM or SIGINT.
// On X11 it is a modal GTK message dialog; our own timers wait while it runs.
// A termination signal closes an open box with its default answer, and after
// one no box waits any more.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

namespace lvx {
// Run for a screen-saver daemon or as a preview, nobody can answer a box:
// with this on, no box is shown; its line goes to standard error and to the
// sink, and the default button is the answer.
void SetNoMessageBoxes(bool on);
bool NoMessageBoxes();
// Where unshown boxes are written besides standard error (the saver's log);
// nullptr for none. Called on the thread that raised the box.
using MessageBoxSink = void (*)(const char* caption, const char* text);
void SetMessageBoxSink(MessageBoxSink sink);
}  // namespace lvx
