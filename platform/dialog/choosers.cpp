// The standard choosers: files (open and save), folders, fonts and colours.
// GTK's choosers with a display; scripted answers in tests; cancelled
// otherwise.
#include <gtk/gtk.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dialog/dialog_internal.h"
#include "platform/dialog/gtk_mirror.h"

// The folder an SHBrowseForFolderA result stands for; malloc'ed, so
// CoTaskMemFree is free().
struct ITEMIDLIST {
  std::uint32_t magic;
  char path[1];  // NUL-terminated, allocated as long as needed
};

namespace lvx::dialog {
namespace {

constexpr std::uint32_t kItemMagic = 0x4C564944;  // "LVID"
constexpr std::size_t kMaxFilters = 64;

DWORD g_lastError = 0;

using dlgtest::ChooserKind;
using dlgtest::ChooserRecord;
using dlgtest::FontChoice;

// The description/pattern pairs of a Win32 filter string (ended by an empty
// string), read with an upper bound.
std::vector<std::pair<std::string, std::string>> ParseFilter(LPCSTR filter) {
  std::vector<std::pair<std::string, std::string>> out;
  if (filter == nullptr) return out;
  const char* p = filter;
  while (*p != '\0' && out.size() < kMaxFilters) {
    std::string description = p;
    p += description.size() + 1;
    if (*p == '\0') break;
    std::string pattern = p;
    p += pattern.size() + 1;
    out.emplace_back(description, pattern);
  }
  return out;
}

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

void NoDisplay(const ChooserRecord& r) {
  const char* what = r.kind == ChooserKind::Folder  ? "folder"
                     : r.kind == ChooserKind::Font  ? "font"
                     : r.kind == ChooserKind::Color ? "colour"
                                                    : "file";
  std::fprintf(stderr, "lumivex: no display to choose a %s (%s); cancelled\n", what,
               r.title.c_str());
}

int RunGtkDialog(GtkWidget* dialog) {
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_present(GTK_WINDOW(dialog));
  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  return response;
}

void FinishGtkDialog(GtkWidget* dialog) {
  gtk_widget_destroy(dialog);
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

std::optional<std::string> GtkChooseFile(const ChooserRecord& r, HWND owner, bool save, DWORD flags,
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

BOOL FileDialog(LPOPENFILENAMEA ofn, bool save) {
  g_lastError = 0;
  if (ofn == nullptr || ofn->lStructSize < offsetof(OPENFILENAMEA, pvReserved)) {
    g_lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) {
    g_lastError = CDERR_INITIALIZATION;
    return FALSE;
  }
  ChooserRecord r;
  r.kind = save ? ChooserKind::SaveFile : ChooserKind::OpenFile;
  r.owner = ofn->hwndOwner;
  r.title = ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : (save ? "Save As" : "Open");
  r.filters = ParseFilter(ofn->lpstrFilter);
  r.initial.assign(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
  std::optional<std::string> reply;
  DWORD filterIndex = ofn->nFilterIndex;
  if (!ScriptedFileChoice(r, &reply)) {
    if (GtkDialogsAvailable()) {
      reply = GtkChooseFile(r, ofn->hwndOwner, save, ofn->Flags, &filterIndex);
    } else {
      NoDisplay(r);
    }
  }
  if (!reply) return FALSE;
  if (reply->size() + 1 > ofn->nMaxFile) {
    g_lastError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::memcpy(ofn->lpstrFile, reply->c_str(), reply->size() + 1);
  std::size_t slash = reply->rfind('/');
  std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = reply->rfind('.');
  ofn->nFileOffset = static_cast<WORD>(std::min<std::size_t>(nameStart, 0xFFFF));
  ofn->nFileExtension = dot != std::string::npos && dot > nameStart
                            ? static_cast<WORD>(std::min<std::size_t>(dot + 1, 0xFFFF))
                            : 0;
  ofn->nFilterIndex = filterIndex;
  if (ofn->lpstrFileTitle != nullptr && ofn->nMaxFileTitle > 0) {
    std::string name = reply->substr(nameStart);
    if (name.size() < ofn->nMaxFileTitle) {
      std::memcpy(ofn->lpstrFileTitle, name.c_str(), name.size() + 1);
    } else {
      ofn->lpstrFileTitle[0] = '\0';
    }
  }
  return TRUE;
}

int DpiOf(HDC dc) {
  int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

COLORREF FromRgba(const GdkRGBA& c) {
  auto b = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return RGB(b(c.red), b(c.green), b(c.blue));
}

GdkRGBA ToRgba(COLORREF c) {
  return GdkRGBA{GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0, 1.0};
}

std::optional<FontChoice> GtkChooseFont(const ChooserRecord& r, HWND owner, const FontChoice& now,
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

}  // namespace
}  // namespace lvx::dialog

using namespace lvx::dialog;

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) { return FileDialog(ofn, false); }
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn) { return FileDialog(ofn, true); }

DWORD CommDlgExtendedError() { return g_lastError; }

PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA bi) {
  if (bi == nullptr) return nullptr;
  ChooserRecord r;
  r.kind = ChooserKind::Folder;
  r.owner = bi->hwndOwner;
  r.title = bi->lpszTitle != nullptr ? bi->lpszTitle : "Browse for Folder";
  std::optional<std::string> reply;
  if (!ScriptedFileChoice(r, &reply)) {
    if (GtkDialogsAvailable()) {
      DWORD unused = 0;
      reply = GtkChooseFile(r, bi->hwndOwner, false, 0, &unused);
    } else {
      NoDisplay(r);
    }
  }
  if (!reply) return nullptr;
  auto* item =
      static_cast<ITEMIDLIST*>(std::malloc(offsetof(ITEMIDLIST, path) + reply->size() + 1));
  if (item == nullptr) return nullptr;
  item->magic = kItemMagic;
  std::memcpy(item->path, reply->c_str(), reply->size() + 1);
  if (bi->pszDisplayName != nullptr) {
    std::size_t slash = reply->rfind('/');
    std::string name = slash == std::string::npos ? *reply : reply->substr(slash + 1);
    std::size_t n = lvx::CutLength(name, MAX_PATH - 1);
    std::memcpy(bi->pszDisplayName, name.data(), n);
    bi->pszDisplayName[n] = '\0';
  }
  return item;
}

BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE pidl, LPSTR path) {
  if (path == nullptr) return FALSE;
  path[0] = '\0';
  if (pidl == nullptr || pidl->magic != kItemMagic) return FALSE;
  std::size_t n = std::strlen(pidl->path);
  if (n >= MAX_PATH) return FALSE;
  std::memcpy(path, pidl->path, n + 1);
  return TRUE;
}

void CoTaskMemFree(void* memory) { std::free(memory); }

BOOL ChooseFontA(LPCHOOSEFONTA cf) {
  g_lastError = 0;
  if (cf == nullptr || cf->lStructSize < offsetof(CHOOSEFONTA, nSizeMin)) {
    g_lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (cf->lpLogFont == nullptr) {
    g_lastError = CDERR_INITIALIZATION;
    return FALSE;
  }
  const int dpi = DpiOf(cf->hDC);
  LOGFONTA& lf = *cf->lpLogFont;
  FontChoice now;
  if (cf->Flags & CF_INITTOLOGFONTSTRUCT) {
    now.face.assign(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
    if (lf.lfHeight != 0) now.points = std::fabs(static_cast<float>(lf.lfHeight)) * 72.0f / dpi;
    now.weight = lf.lfWeight > 0 ? lf.lfWeight : 400;
    now.italic = lf.lfItalic != 0;
    now.charSet = lf.lfCharSet;
  }
  if (now.face.empty()) now.face = "Sans";
  now.color = cf->rgbColors;
  ChooserRecord r;
  r.kind = ChooserKind::Font;
  r.owner = cf->hwndOwner;
  r.title = "Font";
  r.initial = now.face;
  std::optional<FontChoice> reply;
  if (!ScriptedFontChoice(r, &reply)) {
    if (GtkDialogsAvailable()) {
      reply = GtkChooseFont(r, cf->hwndOwner, now, (cf->Flags & CF_EFFECTS) != 0);
    } else {
      NoDisplay(r);
    }
  }
  if (!reply) return FALSE;
  float points = std::clamp(reply->points, 1.0f, 1638.0f);
  lf.lfHeight = -static_cast<LONG>(std::lround(points * dpi / 72.0f));
  lf.lfWidth = 0;
  lf.lfWeight = reply->weight;
  lf.lfItalic = reply->italic ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(reply->charSet);
  std::size_t n = lvx::CutLength(reply->face, LF_FACESIZE - 1);
  std::memcpy(lf.lfFaceName, reply->face.data(), n);
  lf.lfFaceName[n] = '\0';
  cf->iPointSize = static_cast<INT>(std::lround(points * 10));
  if (cf->Flags & CF_EFFECTS) cf->rgbColors = reply->color & 0x00FFFFFF;
  return TRUE;
}

BOOL ChooseColorA(LPCHOOSECOLORA cc) {
  g_lastError = 0;
  if (cc == nullptr || cc->lStructSize < sizeof(CHOOSECOLORA)) {
    g_lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  ChooserRecord r;
  r.kind = ChooserKind::Color;
  r.owner = cc->hwndOwner;
  r.title = "Colour";
  std::optional<COLORREF> reply;
  if (!ScriptedColorChoice(r, &reply)) {
    if (GtkDialogsAvailable()) {
      GtkWidget* dialog = gtk_color_chooser_dialog_new("Colour", ParentFor(cc->hwndOwner));
      gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(dialog), FALSE);
      if (cc->Flags & CC_RGBINIT) {
        GdkRGBA rgba = ToRgba(cc->rgbResult);
        gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &rgba);
      }
      if (RunGtkDialog(dialog) == GTK_RESPONSE_OK) {
        GdkRGBA rgba;
        gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &rgba);
        reply = FromRgba(rgba);
      }
      FinishGtkDialog(dialog);
    } else {
      NoDisplay(r);
    }
  }
  if (!reply) return FALSE;
  cc->rgbResult = *reply & 0x00FFFFFF;
  return TRUE;
}
