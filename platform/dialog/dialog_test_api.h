// Tests: drive dialogs, property sheets, message boxes and the standard
// choosers the way a person would, and read back what they show.
//
// Reset() switches the process to scripted mode. From then on a modal window
// (DialogBoxParamA, PropertySheetA, MessageBoxA, the choosers) never waits for
// a person:
//  - a dialog or sheet runs the script registered for it (OnDialog / OnSheet)
//    inside its own modal loop, right after it opened (WM_INITDIALOG done,
//    first page active). When the script returns, the messages it posted are
//    dispatched; a dialog still open then is closed with Escape (IDCANCEL,
//    forced if the procedure refuses) and noted in Unanswered().
//  - a dialog or sheet without a script is closed with Escape at once and
//    noted in Unanswered();
//  - a message box takes the answer of OnMessageBox / AnswerMessageBoxes,
//    else behaves as without a script (LUMIVEX_MSGBOX_ANSWERS, then its
//    default button); every box is recorded in MessageBoxes();
//  - a chooser takes its scripted answer, else it is cancelled and noted.
// Scripts may open further modal windows (click a button that opens one);
// those run their own scripts, nested, exactly as on screen.
//
// Everything here runs on the window thread. The functions acting as the
// user return false (and do nothing) when the control is missing, hidden or
// disabled, as a person could not use it either.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace lvx::dlgtest {

// Scripted mode on; every script, answer and record forgotten.
void Reset();

// ---- Scripts for modal windows ----

using Script = std::function<void(HWND)>;
// Runs once, when dialog `templateId` next opens modally (the HWND is the
// dialog). Several scripts for one id run for successive openings.
void OnDialog(int templateId, Script script);
// Runs once, when the next property sheet opens (the HWND is the sheet).
void OnSheet(Script script);

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::string caption;
  std::string text;
  UINT type = 0;
  int answer = 0;
};
// Answers the next message box: the function gets the box (answer unset) and
// returns IDOK, IDYES ... It may act on other windows first.
void OnMessageBox(std::function<int(const MessageBoxRecord&)> answer);
// Queues fixed answers, one per box, in order.
void AnswerMessageBoxes(const std::vector<int>& answers);
// Every message box shown since Reset, in order, with the answer it got.
const std::vector<MessageBoxRecord>& MessageBoxes();

// ---- Standard choosers ----

enum class ChooserKind { OpenFile, SaveFile, Folder, Font, Color };

struct ChooserRecord {
  ChooserKind kind = ChooserKind::OpenFile;
  HWND owner = nullptr;
  std::string title;
  // OpenFile / SaveFile: (description, pattern) pairs as given.
  std::vector<std::pair<std::string, std::string>> filters;
  std::string initial;  // preselected file or folder; font face for Font
  bool answered = false;
};

struct FontChoice {
  std::string face;
  float points = 10.0f;
  int weight = 400;
  bool italic = false;
  int charSet = 1;
  COLORREF color = 0;  // used with CF_EFFECTS
};

// The next chooser of that kind returns this (nullopt: the user cancels).
// A path is returned as given (a file chooser's "must exist" flags are not
// checked for scripted answers).
void AnswerFileChooser(std::optional<std::string> path);  // open and save
void AnswerFolderChooser(std::optional<std::string> path);
void AnswerFontChooser(std::optional<FontChoice> font);
void AnswerColorChooser(std::optional<COLORREF> color);
// Every chooser shown since Reset, in order.
const std::vector<ChooserRecord>& Choosers();

// Modal windows nobody answered: "dialog 2016", "sheet Lumivex v3.08 - Much
// More Options", "dialog 2003 left open", "folder chooser" ...
const std::vector<std::string>& Unanswered();

// ---- Finding windows ----

// The newest open dialog or created property page made from this template.
HWND FindDialog(int templateId);
// The newest open property sheet.
HWND FindSheet();
// The template a dialog or page was made from; 0 for a sheet or other window.
int TemplateOf(HWND dialog);

// ---- Acting as the user ----

// A mouse click on a button, check box or radio button: auto check boxes
// toggle and auto radio buttons check (others of the group uncheck) before
// the dialog hears WM_COMMAND BN_CLICKED. On a sheet, IDOK, IDCANCEL,
// ID_APPLY_NOW and IDHELP are its own buttons.
bool Click(HWND dialog, int id);
// Replaces an edit's whole text as typed (select all, type): cut at the
// edit's limit, one EN_UPDATE / EN_CHANGE pair.
bool SetText(HWND dialog, int id, const std::string& text);
// Types at the end of an edit, one character at a time (one EN_CHANGE each);
// typing stops at the limit (EN_MAXTEXT). "\n" in a multi-line edit with
// ES_WANTRETURN is a line break (stored as "\r\n"); elsewhere Enter presses
// the default button, as PressKey(VK_RETURN).
bool Type(HWND dialog, int id, const std::string& text);
// Picks a combo box item as from its list: CBN_SELCHANGE, CBN_SELENDOK.
bool Select(HWND dialog, int id, int index);
bool Select(HWND dialog, int id, const std::string& itemText);
// Moves the keyboard focus to a control (EN_SETFOCUS / EN_KILLFOCUS ...).
bool Focus(HWND dialog, int id);
// A key pressed in the dialog: VK_RETURN (default button), VK_ESCAPE
// (IDCANCEL), VK_F1 (WM_HELP for the focused control, to its dialog).
bool PressKey(HWND dialog, int vk);
// The title bar's close button (WM_CLOSE).
bool CloseButton(HWND dialog);
// A click on a sheet's tab (PSN_KILLACTIVE, then PSN_SETACTIVE); false when
// the page refused to be left.
bool SelectPage(HWND sheet, int index);

// ---- Reading what the user sees ----

std::string Text(HWND dialog, int id);                // control text ("" for a missing one)
std::string Caption(HWND dialog);                     // the title
int CheckState(HWND dialog, int id);                  // BST_*; -1 for a missing control
bool Enabled(HWND dialog, int id);                    // false for a missing control
bool Visible(HWND dialog, int id);                    // itself and its dialog
std::vector<std::string> Items(HWND dialog, int id);  // combo box list
int Selection(HWND dialog, int id);                   // CB_ERR when none
RECT Rect(HWND dialog, int id);                       // in the dialog's client pixels
int Limit(HWND dialog, int id);                       // an edit's text limit in bytes
bool Masked(HWND dialog, int id);                     // a password edit shows bullets
HWND FocusedControl();
// Property sheets.
int PageCount(HWND sheet);
int CurrentPage(HWND sheet);
HWND Page(HWND sheet, int index);  // nullptr until the page was first shown
std::string PageTitle(HWND sheet, int index);
bool ApplyEnabled(HWND sheet);  // the Apply button (absent with PSH_NOAPPLYNOW: false)

// ---- Time and the queue ----

// Dispatches every posted message, pending paint and due timer, without
// waiting. Scripts call it after posting.
void Pump();
// Delivers one tick of a running timer now (WM_TIMER to the window, or its
// TIMERPROC), as if it were due. False when there is no such timer.
bool FireTimer(HWND hwnd, UINT_PTR id);
// The period of a running timer in milliseconds; 0 when there is none.
UINT TimerPeriod(HWND hwnd, UINT_PTR id);

// ---- What the dialog procedures heard ----

struct Heard {
  HWND dialog = nullptr;
  int templateId = 0;  // 0 for a sheet
  UINT message = 0;    // WM_INITDIALOG, WM_COMMAND, WM_NOTIFY, WM_TIMER, WM_HELP, ...
  WPARAM wParam = 0;
  UINT code = 0;  // WM_NOTIFY: NMHDR::code; WM_COMMAND: HIWORD(wParam)
  int id = 0;     // WM_COMMAND: LOWORD(wParam); WM_HELP: the control id
};
// Messages delivered to dialog procedures since Reset, except WM_PAINT,
// WM_ERASEBKGND, focus and size traffic (WM_TIMER is included).
const std::vector<Heard>& HeardMessages();

// ---- With a display (X tests) ----

// What the GTK widget of a control shows right now; nullopt headless or when
// the control has no widget.
std::optional<std::string> WidgetText(HWND dialog, int id);
std::optional<int> WidgetCheck(HWND dialog, int id);
std::optional<bool> WidgetSensitive(HWND dialog, int id);
std::optional<bool> WidgetVisible(HWND dialog, int id);
// The control's rectangle on the screen (root window pixels), for xdotool.
std::optional<RECT> WidgetScreenRect(HWND dialog, int id);

}  // namespace lvx::dlgtest
