// Internal to platform/dialog: the model of dialogs and controls that the
// Win32 functions, property sheets, the GTK mirror and the test API share.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog/dialog_test_api.h"
#include "platform/winapi.h"
#include "resources/dialogs.h"

namespace lvx::dialog {

enum class Kind { Button, CheckBox, Radio, GroupBox, Text, Edit, Combo, Frame, Bitmap };

// Win32's default limit of what a user may type into an edit.
constexpr int kDefaultEditLimit = 32767;

struct Control {
  HWND hwnd = nullptr;
  HWND dialog = nullptr;
  int id = 0;
  Kind kind = Kind::Text;
  DWORD style = 0;
  std::string text;
  // Buttons.
  int check = BST_UNCHECKED;
  bool pushed = false;
  bool defaultButton = false;
  // Edits.
  int limit = kDefaultEditLimit;
  char passwordChar = 0;
  bool modified = false;
  int selStart = 0, selEnd = 0;
  // Combo boxes.
  std::vector<std::string> items;
  std::vector<LPARAM> itemData;
  int selection = CB_ERR;
  // Pictures: the shown image (ours to delete when loaded from a resource)
  // and where the last paint put it, in control pixels.
  HBITMAP image = nullptr;
  bool ownsImage = false;
  RECT imageRect{};

  bool IsAutoCheck() const;
  bool IsMultiLine() const { return kind == Kind::Edit && (style & ES_MULTILINE); }
  bool IsPassword() const { return kind == Kind::Edit && passwordChar != 0; }
};

class Mirror;

struct SheetPage {
  PROPSHEETPAGEA page{};  // the sheet's copy, WM_INITDIALOG's lParam
  const res::DialogTemplate* tmpl = nullptr;
  std::string title;
  HWND hwnd = nullptr;  // made when first shown
};

struct Sheet {
  DWORD flags = 0;
  std::vector<SheetPage> pages;
  int current = -1;
  POINT pageOrigin{};  // where pages sit in the sheet, pixels
  int pageWidth = 0, pageHeight = 0;
  std::vector<HWND> changed;  // pages that asked for Apply (PSM_CHANGED)
};

struct Dialog {
  HWND hwnd = nullptr;
  const res::DialogTemplate* tmpl = nullptr;  // nullptr for a sheet
  DLGPROC proc = nullptr;
  HWND owner = nullptr;
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  bool ownerWasEnabled = false;
  HWND page_sheet = nullptr;     // a property page: its sheet
  std::unique_ptr<Sheet> sheet;  // a property sheet: its pages
  std::vector<HWND> controls;    // in template order
  int baseX = 0, baseY = 0;      // dialog base units in pixels
  std::unique_ptr<Mirror> mirror;

  int TemplateId() const { return tmpl != nullptr ? tmpl->id : 0; }
};

// ---- The model ----
Dialog* FindDialog(HWND hwnd);
Control* FindControl(HWND hwnd);
Control* FindControl(HWND dialog, int id);
// A control's rectangle in its dialog's client coordinates.
RECT ControlRect(HWND control, HWND dialog);
// Every live dialog (sheets and pages included), oldest first.
std::vector<Dialog*> AllDialogs();

// The base units (average character width and height of the dialog font).
void BaseUnits(int* x, int* y);
// Dialog units to pixels.
RECT DialogUnitsToPixels(int baseX, int baseY, short x, short y, short cx, short cy);

// Makes a dialog from a template, hidden, with its controls; sends
// WM_INITDIALOG. `parent` is the owner of a top-level dialog or the sheet of
// a page (then the dialog is a child placed at `pageOrigin`). nullptr when
// the window cannot be made (the dialog then no longer exists).
HWND CreateDialogFromTemplate(const res::DialogTemplate* t, HWND parent, DLGPROC proc,
                              LPARAM initParam, bool page, POINT pageOrigin);
// Makes the window of a property sheet (no template) with its own procedure.
HWND CreateSheetWindow(const std::string& caption, HWND owner, int width, int height,
                       DLGPROC sheetProc);
// Adds a control to a dialog at a pixel rectangle (sheets add their buttons).
HWND AddControl(HWND dialog, res::Ctl kind, int id, const char* text, RECT pixels, DWORD style,
                int image);

// Runs a dialog's modal loop until EndDialog; destroys it; returns the result.
INT_PTR RunModal(HWND hwnd);
// Dispatches what is pending in the queue (posted, paint, due timers) without
// waiting.
void PumpPending();

// ---- Acting as the user (the GTK mirror and the test API) ----
// A click: auto check boxes toggle, auto radio buttons check (their group's
// others uncheck), then BN_CLICKED to the dialog.
void UserClick(Control& c);
// The user changed an edit's text (already cut to the limit).
void UserEditText(Control& c, const std::string& text);
// The user picked a combo box item.
void UserSelect(Control& c, int index);
// Keys that dialogs handle: Enter, Escape, F1.
void UserKey(HWND dialog, int vk);
// The dialog whose procedure hears a control's notifications.
HWND NotifyTarget(const Control& c);
// The radio buttons of c's group (WS_GROUP to the next WS_GROUP), in order.
std::vector<HWND> RadioGroup(const Control& c);

// ---- Sheets ----
// Property sheet actions shared with the mirror and the test API.
bool SheetSelectPage(HWND sheet, int index);
int SheetPageCount(HWND sheet);
int SheetCurrentPage(HWND sheet);
HWND SheetPageHwnd(HWND sheet, int index);
std::string SheetPageTitle(HWND sheet, int index);

// ---- Test mode (dialog_test_api) ----
bool Scripted();
// Runs a modal window's script in scripted mode; true when there was one.
bool RunScript(HWND hwnd);
// Notes a modal window nobody answered.
void NoteUnanswered(const std::string& what);
// Records what a dialog procedure hears.
void NoteHeard(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
// A scripted answer for a message box; false when none is queued.
bool ScriptedMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
                        int* answer);
void RecordMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
                      int answer);
void ResetTestState();
// Scripted answers of the standard choosers. False outside scripted mode;
// else true, with the scripted reply or nullopt (cancel: unanswered).
bool ScriptedFileChoice(const dlgtest::ChooserRecord& record, std::optional<std::string>* reply);
bool ScriptedFontChoice(const dlgtest::ChooserRecord& record,
                        std::optional<dlgtest::FontChoice>* reply);
bool ScriptedColorChoice(const dlgtest::ChooserRecord& record, std::optional<COLORREF>* reply);

}  // namespace lvx::dialog
