// The entry of liblumivex_gtk.so: GTK dialogs, message boxes and choosers
// for the dialog layer of the program that loads it.
#include "platform/dialog/gtk/parts.h"

namespace lvx::dialog::gtk {
namespace {

class Ui final : public GtkUi {
 public:
  bool Start() override { return gtk::Start(); }
  void BaseUnits(int* x, int* y) override { gtk::BaseUnits(x, y); }
  Mirror* NewMirror(Dialog& dialog) override { return gtk::NewMirror(dialog); }
  void ModalLoop(HWND dialog) override { gtk::ModalLoop(dialog); }
  int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
                 const std::vector<BoxButton>& buttons, int fallback) override {
    return gtk::MessageBox(owner, text, caption, type, buttons, fallback);
  }
  std::optional<std::string> ChooseFile(const dlgtest::ChooserRecord& r, HWND owner, bool save,
                                        DWORD flags, DWORD* filterIndex) override {
    return gtk::ChooseFile(r, owner, save, flags, filterIndex);
  }
  std::optional<dlgtest::FontChoice> ChooseFont(const dlgtest::ChooserRecord& r, HWND owner,
                                                const dlgtest::FontChoice& now,
                                                bool withColor) override {
    return gtk::ChooseFont(r, owner, now, withColor);
  }
  std::optional<COLORREF> ChooseColor(const dlgtest::ChooserRecord& r, HWND owner,
                                      std::optional<COLORREF> initial) override {
    return gtk::ChooseColor(r, owner, initial);
  }
};

}  // namespace
}  // namespace lvx::dialog::gtk

LVX_MODULE_EXPORT lvx::dialog::GtkUi* LumivexGtkUi(int revision) {
  static lvx::dialog::gtk::Ui ui;
  return revision == lvx::dialog::kGtkUiRevision ? &ui : nullptr;
}
