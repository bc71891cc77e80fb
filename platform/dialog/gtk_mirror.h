// Internal to platform/dialog: the GTK widgets that show a dialog's model on
// the X display. The model stays the truth: every change of a control is
// pushed to its widget, and what the user does in a widget goes back through
// the same paths the test API uses (UserClick, UserEditText, UserSelect).
// The widgets live in the GTK module (gtk/mirror.cpp); the functions below
// load it when first needed (gtk_module.cpp).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/dialog/dialog_internal.h"

namespace lvx::dialog {

// Loads the GTK module and starts GTK on first use (false when either fails).
bool GtkStarted();
// GTK is started and the process runs on the X display.
bool GtkDialogsAvailable();
// The desktop font's base units (average character width, height) in screen
// pixels. Dialog geometry is kept in screen pixels (as the pointer and the
// X display count them); widgets are placed at that divided by GTK's scale.
void GtkBaseUnits(int* x, int* y);

class Mirror {
 public:
  virtual ~Mirror() = default;
  // Widgets for the dialog and every control it has now.
  virtual void Build() = 0;
  // A control added after Build (sheet buttons).
  virtual void AddControl(HWND control) = 0;
  // The control's model changed (text, check, items, selection, image ...).
  virtual void Update(HWND control) = 0;
  virtual void Show(HWND hwnd, bool show) = 0;
  virtual void Move(HWND hwnd, int x, int y, int width, int height) = 0;
  virtual void Enable(HWND hwnd, bool enable) = 0;
  virtual void Focus(HWND hwnd) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void Raise() = 0;
  // The control's surface has new pixels (picture frames and bitmaps).
  virtual void Redraw(HWND control) = 0;
  virtual void ControlDestroyed(HWND control) = 0;
  // Sheets: a page's mirror goes into tab `index`; the current tab changed.
  virtual void AttachPage(int index, Mirror& page) = 0;
  virtual void ShowPage(int index) = 0;

  // What the widgets show (X tests).
  virtual std::optional<std::string> WidgetText(HWND control) = 0;
  virtual std::optional<int> WidgetCheck(HWND control) = 0;
  virtual std::optional<bool> WidgetSensitive(HWND control) = 0;
  virtual std::optional<bool> WidgetVisible(HWND control) = 0;
  virtual std::optional<RECT> WidgetScreenRect(HWND control) = 0;

  // The GTK window of a top-level dialog or sheet (a GtkWindow*); nullptr
  // for a page.
  virtual void* NativeWindow() = 0;
};

// The mirror of a dialog (top-level, sheet or page); nullptr headless.
std::unique_ptr<Mirror> MakeMirror(Dialog& dialog);

// Runs the dialog's modal loop with GTK's main loop and ours together until
// EndDialog (or the dialog is gone).
void GtkModalLoop(HWND dialog);

// The GtkWindow of the dialog `hwnd` belongs to (a page's sheet), nullptr if
// it has none: message boxes and choosers stay above it.
void* GtkWindowOf(HWND hwnd);

}  // namespace lvx::dialog
