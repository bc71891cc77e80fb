// SystemParametersInfoA: the screen-saver timeout and the desktop wallpaper.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

// GLib's own settings stores are looked at (to avoid its stand-in).
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/x11/root_background.h"
#include "platform/shell/shell_internal.h"

namespace {

bool g_saverRunning = false;

// Names of the running desktop, lower case: XDG_CURRENT_DESKTOP is a colon
// list ("ubuntu:GNOME"); older sessions only set DESKTOP_SESSION.
std::vector<std::string> DesktopNames() {
  const char* value = std::getenv("XDG_CURRENT_DESKTOP");
  if (value == nullptr || *value == '\0') value = std::getenv("DESKTOP_SESSION");
  std::vector<std::string> names;
  std::string name;
  for (const char* p = value != nullptr ? value : "";; ++p) {
    if (*p == ':' || *p == '\0') {
      if (!name.empty()) names.push_back(name);
      name.clear();
      if (*p == '\0') break;
    } else {
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
  }
  return names;
}

struct BackgroundKey {
  const char* schema;
  const char* key;
  bool uri;  // a file URI, else a plain path
};

// Where the running desktop keeps its picture; nothing for desktops that do
// not keep it in GSettings (a plain X session paints the root window).
std::vector<BackgroundKey> DesktopBackgroundKeys() {
  for (const std::string& name : DesktopNames()) {
    if (name == "mate") return {{"org.mate.background", "picture-filename", false}};
    if (name == "x-cinnamon" || name == "cinnamon")
      return {{"org.cinnamon.desktop.background", "picture-uri", true}};
    if (name == "gnome" || name == "gnome-classic" || name == "gnome-flashback" ||
        name == "unity" || name == "budgie" || name == "budgie-desktop" || name == "pantheon") {
      // Newer GNOME shows another picture in its dark style: both get it.
      return {{"org.gnome.desktop.background", "picture-uri", true},
              {"org.gnome.desktop.background", "picture-uri-dark", true}};
    }
  }
  return {};
}

// Writes the picture into the desktop's GSettings keys. False when the
// desktop keeps none there, its schema is missing, or settings would not be
// kept (GLib's stand-in memory store).
bool SetWallpaperThroughGsettings(const std::string& path) {
  const std::vector<BackgroundKey> keys = DesktopBackgroundKeys();
  if (keys.empty()) return false;
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return false;
  {
    GSettingsBackend* backend = g_settings_backend_get_default();
    const bool kept = std::strcmp(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend") != 0;
    g_object_unref(backend);
    if (!kept) return false;
  }
  gchar* uriText = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (uriText == nullptr) return false;
  const std::string uri = uriText;
  g_free(uriText);

  bool written = false;
  for (const BackgroundKey& k : keys) {
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, k.schema, TRUE);
    if (schema == nullptr) continue;
    // Older GNOME has no dark-style picture; a settings text must be UTF-8,
    // which a file name need not be.
    const bool usable =
        k.uri || g_utf8_validate(path.c_str(), static_cast<gssize>(path.size()), nullptr);
    if (usable && g_settings_schema_has_key(schema, k.key)) {
      GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
      if (g_settings_set_string(settings, k.key, k.uri ? uri.c_str() : path.c_str()))
        written = true;
      g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
  }
  // The write reaches the store before we go on (and perhaps end).
  g_settings_sync();
  return written;
}

// Decoded by our own reader, so a file that is no usable picture is refused
// before any desktop sees it.
bool SetWallpaper(const std::string& path) {
  HANDLE image = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  if (!image) return false;
  HBITMAP bitmap = static_cast<HBITMAP>(static_cast<HGDIOBJ>(image));
  bool ok = SetWallpaperThroughGsettings(path);
  if (!ok && std::strcmp(lvx::CurrentBackend().Name(), "x11") == 0) {
    if (const lvx::Surface* pixels = lvx::SurfaceOfBitmap(bitmap))
      ok = lvx::SetRootWindowBackground(*pixels);
  }
  DeleteObject(bitmap);
  return ok;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

BOOL SystemParametersInfoA(UINT action, UINT uiParam, LPVOID pvParam, UINT) {
  switch (action) {
    case SPI_GETSCREENSAVETIMEOUT: {
      if (pvParam == nullptr) return Fail(ERROR_INVALID_PARAMETER);
      int seconds = 0;
      if (!lvx::CurrentBackend().GetScreenSaverTimeout(&seconds))
        return Fail(ERROR_INVALID_PARAMETER);
      *static_cast<int*>(pvParam) = seconds;
      return TRUE;
    }
    case SPI_SETSCREENSAVETIMEOUT:
      if (uiParam > static_cast<UINT>(INT_MAX)) return Fail(ERROR_INVALID_PARAMETER);
      return lvx::CurrentBackend().SetScreenSaverTimeout(static_cast<int>(uiParam))
                 ? TRUE
                 : Fail(ERROR_INVALID_PARAMETER);
    case SPI_SETSCREENSAVERRUNNING: {
      // Nothing to tell Linux: locking is the screen locker's business. The
      // previous state is still reported, as callers may ask for it.
      if (pvParam) *static_cast<BOOL*>(pvParam) = g_saverRunning ? TRUE : FALSE;
      g_saverRunning = uiParam != 0;
      return TRUE;
    }
    case SPI_SETDESKWALLPAPER: {
      const std::string path = lvx::shell::NativePath(static_cast<LPCSTR>(pvParam));
      struct stat st {};
      if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Fail(ERROR_FILE_NOT_FOUND);
      char resolved[PATH_MAX];
      const std::string absolute = realpath(path.c_str(), resolved) ? resolved : path;
      return SetWallpaper(absolute) ? TRUE : Fail(ERROR_INVALID_PARAMETER);
    }
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
}

BOOL MessageBeep(UINT) { return TRUE; }
