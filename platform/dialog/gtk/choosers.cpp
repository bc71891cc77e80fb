// The standard choosers on X11 (liblumivex_gtk.so): GTK's file chooser (folder
// mode for folders), its font chooser with a colour button, and its colour
// chooser, each modal above the newest dialog of ours.
#include <gtk/gtk.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/dialog/gtk/parts.h"

namespace lvx::dialog::gtk {
namespace {

using dlgtest::ChooserKind;
using dlgtest::ChooserRecord;
using dlgtest::FontChoice;

// "*.WAV" matches "a.wav" too, as on Windows.
std::string CaseFreeGlob(const std::string& pattern) {
  std::string out;
  for (char c : pattern) {
    unsigned char u = static_cast<unsigned char>(c);
    if (std::isalpha(u)) {
      out += '[';
      out += static_cast<char>(std::tolower(u));
      out += static_cast<char>(std::toupper(u));
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

GtkWindow* ParentFor(HWND owner) {
  if (void* w = GtkWindowOf(owner)) return GTK_WINDOW(w);
  // No owner given: stay above the newest dialog of ours all the same.
  std::vector<Dialog*> all = AllDialogs();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if (void* w = GtkWindowOf((*it)->hwnd)) return GTK_WINDOW(w);
  }
  return nullptr;
}

int RunGtkDialog(GtkWidget* dialog) {
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_present(GTK_WINDOW(dialog));
  QueueHold hold;
  return gtk_dialog_run(GTK_DIALOG(dialog));
}

void FinishGtkDialog(GtkWidget* dialog) {
  gtk_widget_destroy(dialog);
  SettleGtk();
}

COLORREF FromRgba(const GdkRGBA& c) {
  auto b = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return RGB(b(c.red), b(c.green), b(c.blue));
}

GdkRGBA ToRgba(COLORREF c) {
  return GdkRGBA{GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0, 1.0};
}

}  // namespace

std::optional<std::string> ChooseFile(const ChooserRecord& r, HWND owner, bool save, DWORD flags,
                                      DWORD* filterIndex) {
  GtkFileChooserAction action = r.kind == ChooserKind::Folder
                                    ? GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER
                                : save ? GTK_FILE_CHOOSER_ACTION_SAVE
                                       : GTK_FILE_CHOOSER_ACTION_OPEN;
  const char* accept = r.kind == ChooserKind::Folder ? "_Select" : save ? "_Save" : "_Open";
  GtkWidget* dialog =
      gtk_file_chooser_dialog_new(ToUtf8(r.title).c_str(), ParentFor(owner), action, "_Cancel",
                                  GTK_RESPONSE_CANCEL, accept, GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_window_set_default_size(GTK_WINDOW(dialog), 760, 520);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  std::vector<GtkFileFilter*> filters;
  for (const auto& [description, patterns] : r.filters) {
    GtkFileFilter* f = gtk_file_filter_new();
    gtk_file_filter_set_name(f, ToUtf8(description).c_str());
    std::size_t start = 0;
    while (start <= patterns.size()) {
      std::size_t end = patterns.find(';', start);
      if (end == std::string::npos) end = patterns.size();
      std::string one = patterns.substr(start, end - start);
      if (one == "*.*") one = "*";
      if (!one.empty()) gtk_file_filter_add_pattern(f, CaseFreeGlob(one).c_str());
      start = end + 1;
    }
    gtk_file_chooser_add_filter(chooser, f);
    filters.push_back(f);
  }
  if (!filters.empty()) {
    std::size_t want = *filterIndex >= 1 && *filterIndex <= filters.size() ? *filterIndex - 1 : 0;
    gtk_file_chooser_set_filter(chooser, filters[want]);
  }
  if (save && (flags & OFN_OVERWRITEPROMPT))
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  if (!r.initial.empty()) {
    if (r.initial.find('/') != std::string::npos) {
      if (r.kind == ChooserKind::Folder) {
        gtk_file_chooser_set_current_folder(chooser, r.initial.c_str());
      } else if (save && !g_file_test(r.initial.c_str(), G_FILE_TEST_EXISTS)) {
        // GTK preselects only a file that exists; a new one is a folder and a
        // name typed in for the user.
        gchar* folder = g_path_get_dirname(r.initial.c_str());
        gchar* name = g_path_get_basename(r.initial.c_str());
        gtk_file_chooser_set_current_folder(chooser, folder);
        gtk_file_chooser_set_current_name(chooser, name);
        g_free(name);
        g_free(folder);
      } else {
        gtk_file_chooser_set_filename(chooser, r.initial.c_str());
      }
    } else if (save) {
      gtk_file_chooser_set_current_name(chooser, ToUtf8(r.initial).c_str());
    }
  }
  std::optional<std::string> out;
  if (RunGtkDialog(dialog) == GTK_RESPONSE_ACCEPT) {
    if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
      out = std::string(name);
      g_free(name);
    }
    GtkFileFilter* chosen = gtk_file_chooser_get_filter(chooser);
    for (std::size_t i = 0; i < filters.size(); ++i)
      if (filters[i] == chosen) *filterIndex = static_cast<DWORD>(i + 1);
  }
  FinishGtkDialog(dialog);
  return out;
}

std::optional<FontChoice> ChooseFont(const ChooserRecord& r, HWND owner, const FontChoice& now,
                                     bool withColor) {
  GtkWidget* dialog =
      gtk_dialog_new_with_buttons(ToUtf8(r.title).c_str(), ParentFor(owner), GTK_DIALOG_MODAL,
                                  "_Cancel", GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(area), 8);
  GtkWidget* fonts = gtk_font_chooser_widget_new();
  char desc[128];
  std::snprintf(desc, sizeof desc, "%s %s%s%.1f", ToUtf8(now.face).c_str(),
                now.weight >= 600 ? "Bold " : "", now.italic ? "Italic " : "", now.points);
  gtk_font_chooser_set_font(GTK_FONT_CHOOSER(fonts), desc);
  gtk_box_pack_start(GTK_BOX(area), fonts, TRUE, TRUE, 0);
  GtkWidget* colorButton = nullptr;
  if (withColor) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_pack_start(GTK_BOX(row), gtk_label_new_with_mnemonic("Co_lour:"), FALSE, FALSE, 0);
    GdkRGBA rgba = ToRgba(now.color);
    colorButton = gtk_color_button_new_with_rgba(&rgba);
    gtk_box_pack_start(GTK_BOX(row), colorButton, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(area), row, FALSE, FALSE, 6);
  }
  gtk_widget_show_all(area);
  std::optional<FontChoice> out;
  if (RunGtkDialog(dialog) == GTK_RESPONSE_OK) {
    FontChoice c = now;
    if (PangoFontDescription* pd = gtk_font_chooser_get_font_desc(GTK_FONT_CHOOSER(fonts))) {
      if (const char* family = pango_font_description_get_family(pd)) c.face = family;
      int size = pango_font_description_get_size(pd);
      if (size > 0) c.points = static_cast<float>(size) / PANGO_SCALE;
      c.weight = pango_font_description_get_weight(pd);
      c.italic = pango_font_description_get_style(pd) != PANGO_STYLE_NORMAL;
      pango_font_description_free(pd);
    }
    if (colorButton != nullptr) {
      GdkRGBA rgba;
      gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(colorButton), &rgba);
      c.color = FromRgba(rgba);
    }
    out = c;
  }
  FinishGtkDialog(dialog);
  return out;
}

std::optional<COLORREF> ChooseColor(const ChooserRecord& r, HWND owner,
                                    std::optional<COLORREF> initial) {
  GtkWidget* dialog = gtk_color_chooser_dialog_new(ToUtf8(r.title).c_str(), ParentFor(owner));
  gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(dialog), FALSE);
  if (initial) {
    GdkRGBA rgba = ToRgba(*initial);
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &rgba);
  }
  std::optional<COLORREF> out;
  if (RunGtkDialog(dialog) == GTK_RESPONSE_OK) {
    GdkRGBA rgba;
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &rgba);
    out = FromRgba(rgba);
  }
  FinishGtkDialog(dialog);
  return out;
}

}  // namespace lvx::dialog::gtk
