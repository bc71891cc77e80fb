// Internal to platform/shell: the desktop's picture setting in GSettings,
// written by the module liblumivex_gio.so, which SPI_SETDESKWALLPAPER loads
// only on desktops that keep their picture there.
#pragma once

namespace lvx::shell {

struct BackgroundKey {
  const char* schema;
  const char* key;
  bool uri;  // a file URI, else a plain path
};

inline constexpr char kGioModule[] = "liblumivex_gio.so";
inline constexpr char kGioEntry[] = "LumivexWriteBackgroundKeys";
// Writes the picture at `path` (absolute) into those of the `count` keys
// whose schema is installed. False when none was written, or when settings
// would not be kept (GLib's stand-in memory store).
using WriteBackgroundKeysEntry = bool (*)(const BackgroundKey* keys, int count, const char* path);

}  // namespace lvx::shell
