// The standard choosers: files (open and save), folders, fonts and colours.
// GTK's choosers with a display (gtk/choosers.cpp, in the GTK module);
// scripted answers in tests; cancelled otherwise.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dialog/dialog_internal.h"
#include "platform/dialog/gtk_ui.h"

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

// The GTK module when choosers can be shown, else nullptr.
GtkUi* Ui() { return GtkDialogsAvailable() ? LoadedGtkUi() : nullptr; }

void NoDisplay(const ChooserRecord& r) {
  const char* what = r.kind == ChooserKind::Folder  ? "folder"
                     : r.kind == ChooserKind::Font  ? "font"
                     : r.kind == ChooserKind::Color ? "colour"
                                                    : "file";
  std::fprintf(stderr, "lumivex: no chooser window for a %s (%s); cancelled\n", what,
               r.title.c_str());
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
    if (GtkUi* ui = Ui()) {
      reply = ui->ChooseFile(r, ofn->hwndOwner, save, ofn->Flags, &filterIndex);
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
    if (GtkUi* ui = Ui()) {
      DWORD unused = 0;
      reply = ui->ChooseFile(r, bi->hwndOwner, false, 0, &unused);
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
    if (GtkUi* ui = Ui()) {
      reply = ui->ChooseFont(r, cf->hwndOwner, now, (cf->Flags & CF_EFFECTS) != 0);
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
    if (GtkUi* ui = Ui()) {
      reply = ui->ChooseColor(
          r, cc->hwndOwner,
          (cc->Flags & CC_RGBINIT) ? std::optional<COLORREF>(cc->rgbResult) : std::nullopt);
    } else {
      NoDisplay(r);
    }
  }
  if (!reply) return FALSE;
  cc->rgbResult = *reply & 0x00FFFFFF;
  return TRUE;
}
