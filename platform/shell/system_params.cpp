// SystemParametersInfoA: the screen-saver timeout and the desktop wallpaper.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/x11/root_background.h"
#include "platform/shell/desktop_background.h"
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

using lvx::shell::BackgroundKey;

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

// Writes the picture into the desktop's GSettings keys (through the GIO
// module, loaded only here). False when the desktop keeps none there, its
// schema is missing, settings would not be kept, or GIO cannot be loaded.
bool SetWallpaperThroughGsettings(const std::string& path) {
  const std::vector<BackgroundKey> keys = DesktopBackgroundKeys();
  if (keys.empty()) return false;
  static const auto write = [] {
    std::string why;
    auto entry = lvx::ProcAs<lvx::shell::WriteBackgroundKeysEntry>(
        lvx::LoadModuleEntry(lvx::shell::kGioModule, lvx::shell::kGioEntry, &why));
    if (entry == nullptr) std::fprintf(stderr, "lumivex: no GSettings (%s)\n", why.c_str());
    return entry;
  }();
  return write != nullptr && write(keys.data(), static_cast<int>(keys.size()), path.c_str());
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
