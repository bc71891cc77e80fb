#include "events/wallpaper.h"

#include <cstdio>

#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;
constexpr int kWarning = 5;

// The folder (at most 255 characters), a backslash and a found name (less
// than MAX_PATH) always fit.
constexpr std::size_t kNameSize = 256 + 1 + MAX_PATH;

void JoinName(char (&out)[kNameSize], const char* folder, const char* name) {
  std::snprintf(out, sizeof out, "%s\\%s", folder, name);
}

// Entries of the folder that match "*.bmp" (without regard to case); `each`
// sees every name in the order of the search. Returns how many there were.
template <typename Each>
int SearchPictures(const char* folder, Each&& each) {
  char pattern[kNameSize];
  JoinName(pattern, folder, "*.bmp");
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    each(found.cFileName);
    ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}
}  // namespace

void ChangeWallpaper() {
  int enabled = 0;
  MainSettings.ReadInt("WallPaper", "Enabled", &enabled, 0);
  if (enabled == 0 || ScreenRect.right < 400) return;

  char folder[257];
  MainSettings.ReadString("WallPaper", "path", folder, "", sizeof folder);
  if (folder[0] == '\0') return;
  LogFile.Log(kInfo, "looking in path", folder);

  const int total = SearchPictures(folder, [](const char*) {});
  LogFile.LogInt(kInfo, "total BMPs", total);
  if (total == 0) return;

  const int winner = RandomBelow(total);
  LogFile.LogInt(kInfo, "winner BMP", winner);

  // The folder may have changed since the count; every entry is still logged.
  int countdown = winner;
  SearchPictures(folder, [&](const char* name) {
    char full[kNameSize];
    JoinName(full, folder, name);
    LogFile.Log(kInfo, "Found BMP file", full);
    if (countdown == 0 &&
        !SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, full, SPIF_UPDATEINIFILE)) {
      // A picture that cannot be read, or no desktop to show it on.
      LogFile.Log(kWarning, "Wallpaper not changed", full);
    }
    --countdown;
  });
}
