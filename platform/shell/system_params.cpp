// SystemParametersInfoA: the screen-saver timeout and the desktop wallpaper.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/shell/shell_internal.h"

namespace {

bool g_saverRunning = false;

std::string FileUri(const std::string& absolutePath) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : absolutePath) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0xF];
    }
  }
  return uri;
}

bool HasLine(const std::string& text, const std::string& line) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (text.compare(start, end - start, line) == 0) return true;
    start = end + 1;
  }
  return false;
}

// GNOME-family desktops keep their background in GSettings. False when
// none of their schemas is installed (or gsettings is missing).
bool SetWallpaperThroughGsettings(const std::string& path) {
  using lvx::shell::RunAndWait;
  if (lvx::shell::FindProgram("gsettings").empty()) return false;
  std::string schemas;
  if (RunAndWait({"gsettings", "list-schemas"}, &schemas, 5000) != 0) return false;
  const std::string uri = FileUri(path);
  bool any = false;
  auto set = [&](const char* schema, const char* key, const std::string& value) {
    return RunAndWait({"gsettings", "set", schema, key, value}, nullptr, 5000) == 0;
  };
  if (HasLine(schemas, "org.gnome.desktop.background")) {
    any = set("org.gnome.desktop.background", "picture-uri", uri) || any;
    // Only newer GNOME has a dark-style picture; older ones refuse the key.
    set("org.gnome.desktop.background", "picture-uri-dark", uri);
  }
  if (HasLine(schemas, "org.mate.background"))
    any = set("org.mate.background", "picture-filename", path) || any;
  if (HasLine(schemas, "org.cinnamon.desktop.background"))
    any = set("org.cinnamon.desktop.background", "picture-uri", uri) || any;
  return any;
}

bool SetWallpaperOnRoot(const std::string& path) {
  HANDLE image = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
  if (!image) return false;
  HBITMAP bitmap = static_cast<HBITMAP>(static_cast<HGDIOBJ>(image));
  bool ok = false;
  if (lvx::Surface* pixels = lvx::SurfaceOfBitmap(bitmap))
    ok = lvx::CurrentBackend().SetDesktopBackground(*pixels);
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
      if (SetWallpaperThroughGsettings(absolute) || SetWallpaperOnRoot(absolute)) return TRUE;
      return Fail(ERROR_INVALID_PARAMETER);
    }
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
}

BOOL MessageBeep(UINT) { return TRUE; }
