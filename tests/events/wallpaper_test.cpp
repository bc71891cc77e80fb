// The wallpaper changer on a GNOME-style desktop whose settings live in
// GLib's key-file store in a private folder.
#include "events/wallpaper.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/platform/resources/bmp_builder.h"
#include "tests/support/desktop_settings.h"
#include "tests/support/test_support.h"

namespace {

using lvx::test::KeyFileString;
using lvx::test::MakeTempDir;
using lvx::test::WriteFile;

std::string Picture(std::uint32_t colour) {
  lvx::test::BmpSpec b;
  b.width = 1;
  b.height = 1;
  b.pixels = lvx::test::PackRows({{colour}}, 24, false);
  return lvx::test::MakeBmp(b);
}

class WallpaperChanger : public ::testing::Test {
 protected:
  void SetUp() override {
    lvx::test::UseKeyFileDesktop("GNOME");
    if (!lvx::test::HasSchema("org.gnome.desktop.background"))
      GTEST_SKIP() << "the GNOME desktop schemas are not installed";
    WriteFile(lvx::LogFilePath(), "");  // the log writes every entry
    lvx::ResetLogForTests();
    lvx::ResetSettingsForTests();
    lvx::ResetSaverStateForTests();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    ScreenRect = RECT{0, 0, 1024, 768};
    MainSettings.WriteString("WallPaper", "Enabled", "1");
  }
  static std::string Wallpaper() {
    return KeyFileString("org/gnome/desktop/background", "picture-uri");
  }
  static std::string Log() { return lvx::test::ReadFile(lvx::LogFilePath()); }
  static int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
      ++n;
    return n;
  }
};

}  // namespace

TEST_F(WallpaperChanger, EachPictureWinsAboutOneTimeInThree) {
  const std::string dir = MakeTempDir("pictures");
  WriteFile(dir + "/aurora.bmp", Picture(0x00FF00));
  WriteFile(dir + "/comet.bmp", Picture(0xFFFFFF));
  WriteFile(dir + "/SUNSET.BMP", Picture(0xFF8000));  // capitals count too
  WriteFile(dir + "/notes.txt", "not a picture");
  WriteFile(dir + "/old.bmp.txt", "not a picture either");
  MainSettings.WriteString("WallPaper", "path", dir.c_str());

  lvx::SeedRandomForTests(3);
  std::map<std::string, int> wins;
  for (int run = 0; run < 300; ++run) {
    ChangeWallpaper();
    const std::string uri = Wallpaper();
    ++wins[uri.substr(uri.rfind('/') + 1)];
  }
  ASSERT_EQ(wins.size(), 3u) << "some run chose nothing, or something else";
  for (const char* name : {"aurora.bmp", "comet.bmp", "SUNSET.BMP"}) {
    EXPECT_GT(wins[name], 70) << name;
    EXPECT_LT(wins[name], 130) << name;
  }

  // A run logs its search, every entry even after the winner.
  WriteFile(lvx::LogFilePath(), "");
  lvx::ResetLogForTests();
  LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  ChangeWallpaper();
  const std::string log = Log();
  EXPECT_EQ(Count(log, "looking in path= " + dir), 1) << log;
  EXPECT_EQ(Count(log, "total BMPs= 3"), 1);
  EXPECT_EQ(Count(log, "winner BMP= "), 1);
  EXPECT_EQ(Count(log, "Found BMP file= " + dir + "\\SUNSET.BMP"), 1);
  EXPECT_EQ(Count(log, "Found BMP file= "), 3);
}

TEST_F(WallpaperChanger, NothingChangesWhenThereIsNothingToDo) {
  const std::string dir = MakeTempDir("pictures");
  WriteFile(dir + "/aurora.bmp", Picture(0x00FF00));
  const std::string empty = MakeTempDir("empty");
  struct Case {
    const char* what;
    const char* enabled;
    std::string path;
    int right;  // of the drawing area
    const char* logged;
  } const cases[] = {
      {"switched off", "0", dir, 1024, nullptr},
      {"setting absent", nullptr, dir, 1024, nullptr},
      {"preview", "1", dir, 152, nullptr},
      {"no folder given", "1", "", 1024, nullptr},
      {"missing folder", "1", dir + "/gone", 1024, "total BMPs= 0"},
      {"folder without pictures", "1", empty, 1024, "total BMPs= 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MainSettings.WriteString("WallPaper", "Enabled", c.enabled);
    MainSettings.WriteString("WallPaper", "path", c.path.c_str());
    ScreenRect.right = c.right;
    WriteFile(lvx::LogFilePath(), "");
    lvx::ResetLogForTests();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    ChangeWallpaper();
    EXPECT_FALSE(lvx::test::FileExists(lvx::test::KeyFilePath()));
    if (c.logged != nullptr) {
      EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
    } else {
      EXPECT_EQ(Log().find("looking in path"), std::string::npos) << Log();
    }
  }
}

TEST_F(WallpaperChanger, APictureThatCannotBeReadChangesNothingAndIsLogged) {
  const std::string dir = MakeTempDir("pictures");
  WriteFile(dir + "/broken.bmp", "BM and then nothing useful");
  MainSettings.WriteString("WallPaper", "path", dir.c_str());
  ChangeWallpaper();
  EXPECT_FALSE(lvx::test::FileExists(lvx::test::KeyFilePath()));
  EXPECT_NE(Log().find("WARNING>Wallpaper not changed= " + dir + "\\broken.bmp"), std::string::npos)
      << Log();
}
