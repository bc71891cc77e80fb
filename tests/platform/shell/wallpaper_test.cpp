// SPI_SETDESKWALLPAPER on desktops that keep their background in GSettings
// (GLib's key-file store in a private folder stands in for the desktop's),
// and what is refused. The X root window is tested with the X11 display.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/winapi.h"
#include "tests/platform/resources/bmp_builder.h"
#include "tests/support/desktop_settings.h"
#include "tests/support/test_support.h"

namespace {

using lvx::test::KeyFileString;
using lvx::test::MakeTempDir;
using lvx::test::UseKeyFileDesktop;
using lvx::test::WriteFile;

constexpr const char* kGnome = "org/gnome/desktop/background";
constexpr const char* kMate = "org/mate/desktop/background";

std::string SmallPicture() {
  lvx::test::BmpSpec b;
  b.width = 2;
  b.height = 1;
  b.pixels = lvx::test::PackRows({{0xFF0000, 0x0000FF}}, 24, false);
  return lvx::test::MakeBmp(b);
}

BOOL SetWallpaper(const std::string& path) {
  return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path.c_str()),
                               SPIF_UPDATEINIFILE);
}

// A picture in a folder whose name needs escaping in a URI.
std::string Picture(const std::string& name = "sky.bmp") {
  const std::string dir = lvx::test::Home() + "/my pictures #1";
  std::filesystem::create_directories(dir);
  WriteFile(dir + "/" + name, SmallPicture());
  return dir + "/" + name;
}

std::string UriOf(const std::string& path) {
  std::string uri = "file://" + path;
  uri.replace(uri.find("my pictures #1"), 14, "my%20pictures%20%231");
  return uri;
}

}  // namespace

TEST(Wallpaper, GnomeFamilyDesktopsGetTheUriInBothStyles) {
  UseKeyFileDesktop("GNOME");
  if (!lvx::test::HasSchema("org.gnome.desktop.background"))
    GTEST_SKIP() << "the GNOME desktop schemas are not installed";
  int n = 0;
  for (const char* desktop : {"GNOME", "ubuntu:GNOME", "Budgie:GNOME", "Unity", "gnome"}) {
    SCOPED_TRACE(desktop);
    setenv("XDG_CURRENT_DESKTOP", desktop, 1);
    const std::string path = Picture("sky" + std::to_string(++n) + ".bmp");
    ASSERT_TRUE(SetWallpaper(path));
    EXPECT_EQ(KeyFileString(kGnome, "picture-uri"), UriOf(path));
    EXPECT_EQ(KeyFileString(kGnome, "picture-uri-dark"), UriOf(path));
  }
}

TEST(Wallpaper, MateGetsThePlainPath) {
  UseKeyFileDesktop("MATE");
  if (!lvx::test::HasSchema("org.mate.background"))
    GTEST_SKIP() << "the MATE desktop schemas are not installed";
  const std::string path = Picture();
  // A path as the saver builds it, with a backslash before the name.
  std::string windowsStyle = path;
  windowsStyle[windowsStyle.rfind('/')] = '\\';
  ASSERT_TRUE(SetWallpaper(windowsStyle));
  EXPECT_EQ(KeyFileString(kMate, "picture-filename"), path);
  EXPECT_EQ(KeyFileString(kGnome, "picture-uri"), "") << "another desktop's key";

  // A name in a legacy encoding cannot be a settings text: refused (there is
  // no root window here either), the stored path untouched, no GLib outcry.
  g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
  EXPECT_FALSE(SetWallpaper(Picture("caf\xe9.bmp")));
  EXPECT_EQ(KeyFileString(kMate, "picture-filename"), path);
}

TEST(Wallpaper, RefusedWithoutAPictureOrADesktopThatKeepsIt) {
  UseKeyFileDesktop("GNOME");
  const std::string dir = MakeTempDir("pics");
  WriteFile(dir + "/text.bmp", "not a bitmap");
  lvx::test::BmpSpec huge;
  huge.width = 1000000;  // claims far more pixels than it has
  huge.height = 1000000;
  huge.pixels = std::string(12, '\0');
  WriteFile(dir + "/huge.bmp", lvx::test::MakeBmp(huge));
  for (const std::string& bad :
       {dir + "/text.bmp", dir + "/huge.bmp", dir + "/missing.bmp", dir, std::string()}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(SetWallpaper(bad));
  }
  EXPECT_FALSE(SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, nullptr, SPIF_UPDATEINIFILE));
  EXPECT_FALSE(lvx::test::FileExists(lvx::test::KeyFilePath())) << "a desktop key was written";

  // A plain X session keeps no picture in GSettings, even with the schemas
  // installed; without a root window (headless) nothing can be done.
  unsetenv("XDG_CURRENT_DESKTOP");
  const std::string good = Picture();
  EXPECT_FALSE(SetWallpaper(good));
  EXPECT_FALSE(lvx::test::FileExists(lvx::test::KeyFilePath()));
}

TEST(Wallpaper, SettingsThatWouldNotBeKeptAreNoSuccess) {
  // GLib's stand-in store forgets everything when the process ends.
  UseKeyFileDesktop("GNOME");
  setenv("GSETTINGS_BACKEND", "memory", 1);
  EXPECT_FALSE(SetWallpaper(Picture()));
}
