// Internal to liblumivex_gtk.so: the pieces ui.cpp hands out as GtkUi.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/dialog/gtk_ui.h"

namespace lvx::dialog::gtk {

// mirror.cpp
bool Start();
void BaseUnits(int* x, int* y);
Mirror* NewMirror(Dialog& dialog);
void ModalLoop(HWND dialog);

// Keeps our message queue out of GTK's main loop while it lives. Only
// ModalLoop reads the queue; a loop GTK runs on its own (a box, a chooser)
// would otherwise find a due timer ready again and again and spin.
class QueueHold {
 public:
  QueueHold();
  ~QueueHold();
  QueueHold(const QueueHold&) = delete;
  QueueHold& operator=(const QueueHold&) = delete;
};

// Lets GTK handle what a closed window left pending.
void SettleGtk();

// message_box.cpp
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
               const std::vector<BoxButton>& buttons, int fallback);

// choosers.cpp
std::optional<std::string> ChooseFile(const dlgtest::ChooserRecord& r, HWND owner, bool save,
                                      DWORD flags, DWORD* filterIndex);
std::optional<dlgtest::FontChoice> ChooseFont(const dlgtest::ChooserRecord& r, HWND owner,
                                              const dlgtest::FontChoice& now, bool withColor);
std::optional<COLORREF> ChooseColor(const dlgtest::ChooserRecord& r, HWND owner,
                                    std::optional<COLORREF> initial);

}  // namespace lvx::dialog::gtk
