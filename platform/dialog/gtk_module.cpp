// The dialog layer's way to GTK: the module liblumivex_gtk.so, loaded the
// first time a dialog, box or chooser is shown on the X display.
#include <cstdio>
#include <cstring>

#include "platform/dialog/gtk_ui.h"

namespace lvx::dialog {

GtkUi* LoadedGtkUi() {
  static GtkUi* const ui = [] {
    std::string why;
    auto entry = lvx::ProcAs<GtkUiEntry>(LoadModuleEntry(kGtkModule, kGtkEntry, &why));
    GtkUi* found = entry != nullptr ? entry(kGtkUiRevision) : nullptr;
    if (entry != nullptr && found == nullptr)
      why = std::string(kGtkModule) + " was built for another version of the program";
    if (found == nullptr)
      std::fprintf(stderr, "lumivex: no GTK (%s); dialogs run without a window\n", why.c_str());
    return found;
  }();
  return ui;
}

bool GtkStarted() {
  GtkUi* ui = LoadedGtkUi();
  return ui != nullptr && ui->Start();
}

bool GtkDialogsAvailable() { return std::strcmp(lvx::DisplayName(), "x11") == 0 && GtkStarted(); }

void GtkBaseUnits(int* x, int* y) {
  if (GtkUi* ui = LoadedGtkUi()) ui->BaseUnits(x, y);
}

std::unique_ptr<Mirror> MakeMirror(Dialog& dialog) {
  if (!GtkDialogsAvailable()) return nullptr;
  return std::unique_ptr<Mirror>(LoadedGtkUi()->NewMirror(dialog));
}

void GtkModalLoop(HWND dialog) {
  if (GtkUi* ui = LoadedGtkUi()) ui->ModalLoop(dialog);
}

void* GtkWindowOf(HWND hwnd) {
  Dialog* d = FindDialog(hwnd);
  if (d == nullptr) {
    if (Control* c = FindControl(hwnd)) d = FindDialog(c->dialog);
  }
  if (d != nullptr && d->page_sheet != nullptr) d = FindDialog(d->page_sheet);
  if (d == nullptr || !d->mirror) return nullptr;
  return d->mirror->NativeWindow();
}

}  // namespace lvx::dialog
