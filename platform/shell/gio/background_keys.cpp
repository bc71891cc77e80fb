// The entry of liblumivex_gio.so: the desktop's picture written into its
// GSettings keys.
// GLib's own settings stores are looked at (to avoid its stand-in).
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstring>
#include <string>

#include "platform/shell/desktop_background.h"
#include "platform/winapi.h"

using lvx::shell::BackgroundKey;

LVX_MODULE_EXPORT bool LumivexWriteBackgroundKeys(const BackgroundKey* keys, int count,
                                                  const char* path) {
  if (keys == nullptr || count <= 0 || path == nullptr) return false;
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return false;
  {
    GSettingsBackend* backend = g_settings_backend_get_default();
    const bool kept = std::strcmp(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend") != 0;
    g_object_unref(backend);
    if (!kept) return false;
  }
  gchar* uriText = g_filename_to_uri(path, nullptr, nullptr);
  if (uriText == nullptr) return false;
  const std::string uri = uriText;
  g_free(uriText);

  bool written = false;
  for (int i = 0; i < count; ++i) {
    const BackgroundKey& k = keys[i];
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, k.schema, TRUE);
    if (schema == nullptr) continue;
    // Older GNOME has no dark-style picture; a settings text must be UTF-8,
    // which a file name need not be.
    const bool usable = k.uri || g_utf8_validate(path, -1, nullptr);
    if (usable && g_settings_schema_has_key(schema, k.key)) {
      GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
      if (g_settings_set_string(settings, k.key, k.uri ? uri.c_str() : path)) written = true;
      g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
  }
  // The write reaches the store before we go on (and perhaps end).
  g_settings_sync();
  return written;
}
