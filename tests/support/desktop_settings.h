// A desktop whose settings live in GLib's key-file store in a private folder,
// for the tests of the wallpaper: no real desktop or settings daemon needed.
#pragma once

#include <gio/gio.h>
#include <stdlib.h>

#include <string>

#include "tests/support/test_support.h"

namespace lvx::test {

// Points GSettings at a key file under a fresh private XDG_CONFIG_HOME and
// names the running desktop (nullptr: none, a plain X session). Call before
// anything in the process has used GLib's settings.
inline void UseKeyFileDesktop(const char* desktop) {
  setenv("XDG_CONFIG_HOME", MakeTempDir("xdg-config").c_str(), 1);
  setenv("GSETTINGS_BACKEND", "keyfile", 1);
  unsetenv("DESKTOP_SESSION");
  if (desktop != nullptr) {
    setenv("XDG_CURRENT_DESKTOP", desktop, 1);
  } else {
    unsetenv("XDG_CURRENT_DESKTOP");
  }
}

// The schema is installed (the tests that need one skip cleanly otherwise).
inline bool HasSchema(const char* id) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return false;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
  if (schema == nullptr) return false;
  g_settings_schema_unref(schema);
  return true;
}

inline std::string KeyFilePath() {
  return std::string(getenv("XDG_CONFIG_HOME")) + "/glib-2.0/settings/keyfile";
}

// A string value as the key file holds it ("" when absent): the group is the
// schema's path, the value a quoted text.
inline std::string KeyFileString(const char* group, const char* key) {
  std::string result;
  GKeyFile* file = g_key_file_new();
  if (g_key_file_load_from_file(file, KeyFilePath().c_str(), G_KEY_FILE_NONE, nullptr)) {
    if (gchar* text = g_key_file_get_value(file, group, key, nullptr)) {
      if (GVariant* value =
              g_variant_parse(G_VARIANT_TYPE_STRING, text, nullptr, nullptr, nullptr)) {
        result = g_variant_get_string(value, nullptr);
        g_variant_unref(value);
      }
      g_free(text);
    }
  }
  g_key_file_free(file);
  return result;
}

}  // namespace lvx::test
