// The dialog layer's way to GTK: the module liblumivex_gtk.so, loaded the
// first time a dialog, box or chooser is shown on the X display.
#include <cstdio>
#include <cstring>

#include "platform/dialog/gtk_ui.h"
#include "platform/user/window_registry.h"

// Every function of the program that liblumivex_gtk.so calls. A program takes
// from a static library only the objects it refers to, and it cannot see the
// module's references when it is linked; every program is linked with this
// list (platform/CMakeLists.txt), so whatever it is, the module loads into it.
extern "C" void (*const LumivexGtkCallbacks[])() = {
    lvx::CallbackOf(&PeekMessageA),
    lvx::CallbackOf(&SendMessageA),
    lvx::CallbackOf(&GetClientRect),
    lvx::CallbackOf(&GetWindowLongA),
    lvx::CallbackOf(&GetWindowTextA),
    lvx::CallbackOf(&IsWindowEnabled),
    lvx::CallbackOf(&PostQuitMessage),
    lvx::CallbackOf(&DispatchMessageA),
    lvx::CallbackOf(&GetFocus),
    lvx::CallbackOf(&EndDialog),
    lvx::CallbackOf(&lvx::WindowSurface),
    lvx::CallbackOf(&lvx::NoteWindowMoved),
    lvx::CallbackOf(&lvx::NoteFocus),
    lvx::CallbackOf(&lvx::ClearMessageWake),
    lvx::CallbackOf(&lvx::PresentDirtyWindows),
    lvx::CallbackOf(&lvx::TerminationRequested),
    lvx::CallbackOf(&lvx::CurrentMessageWaitSources),
    lvx::CallbackOf(&lvx::ToUtf8),
    lvx::CallbackOf(&lvx::dialog::AllDialogs),
    lvx::CallbackOf(&lvx::dialog::FindDialog),
    lvx::CallbackOf(static_cast<lvx::dialog::Control* (*)(HWND)>(&lvx::dialog::FindControl)),
    lvx::CallbackOf(&lvx::dialog::RadioGroup),
    lvx::CallbackOf(&lvx::dialog::ControlRect),
    lvx::CallbackOf(&lvx::dialog::NotifyTarget),
    lvx::CallbackOf(&lvx::dialog::SheetSelectPage),
    lvx::CallbackOf(&lvx::dialog::UserSelect),
    lvx::CallbackOf(&lvx::dialog::UserEditText),
    lvx::CallbackOf(&lvx::dialog::UserKey),
    lvx::CallbackOf(&lvx::dialog::UserClick),
    lvx::CallbackOf(&lvx::dialog::GtkWindowOf),
};

namespace lvx::dialog {

GtkUi* LoadedGtkUi() {
  static GtkUi* const ui = [] {
    std::string why;
    GtkUi* found = lvx::LoadModuleInterface<GtkUi>(kGtkModule, kGtkEntry, kGtkUiRevision, &why);
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
