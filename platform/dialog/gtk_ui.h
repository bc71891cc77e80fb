// Internal to platform/dialog: what the module liblumivex_gtk.so does for the
// dialog layer. The program loads it the first time a dialog, message box or
// chooser is shown on the X display, so a running sky and every headless run
// never map GTK. The module reads the dialog model through the program's own
// functions (dialog_internal.h, window_registry.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/dialog/dialog_internal.h"
#include "platform/dialog/gtk_mirror.h"

namespace lvx::dialog {

// A message box button: its answer and its label with a GTK mnemonic.
struct BoxButton {
  int id;
  const char* label;
};

class GtkUi {
 public:
  // Starts GTK on the X display once; false (said on stderr) when it cannot.
  virtual bool Start() = 0;
  // The desktop font's base units in screen pixels (see GtkBaseUnits).
  virtual void BaseUnits(int* x, int* y) = 0;
  // Widgets for a dialog, sheet or page; the caller owns the mirror.
  virtual Mirror* NewMirror(Dialog& dialog) = 0;
  // A dialog's modal loop, GTK's main loop and ours together.
  virtual void ModalLoop(HWND dialog) = 0;
  // A modal message box with these buttons; the id of the one pressed.
  // `fallback` answers when the program is told to end while it is open.
  virtual int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
                         const std::vector<BoxButton>& buttons, int fallback) = 0;
  // The standard choosers; nullopt when cancelled. A file chooser's filter
  // index (1-based) goes in and comes back.
  virtual std::optional<std::string> ChooseFile(const dlgtest::ChooserRecord& r, HWND owner,
                                                bool save, DWORD flags, DWORD* filterIndex) = 0;
  virtual std::optional<dlgtest::FontChoice> ChooseFont(const dlgtest::ChooserRecord& r, HWND owner,
                                                        const dlgtest::FontChoice& now,
                                                        bool withColor) = 0;
  virtual std::optional<COLORREF> ChooseColor(const dlgtest::ChooserRecord& r, HWND owner,
                                              std::optional<COLORREF> initial) = 0;

 protected:
  ~GtkUi() = default;
};

// The module's file and entry. The entry returns its GtkUi when it was built
// for this revision of the interface, else nullptr.
inline constexpr char kGtkModule[] = "liblumivex_gtk.so";
inline constexpr char kGtkEntry[] = "LumivexGtkUi";
inline constexpr int kGtkUiRevision = 1;
using GtkUiEntry = GtkUi* (*)(int revision);

// The module's interface, loaded on first use; nullptr when it cannot be
// loaded (said once on stderr: dialogs then run without a window and message
// boxes are answered alone, as without a display).
GtkUi* LoadedGtkUi();

}  // namespace lvx::dialog
