// The Startup page: what it shows of the stored switches, that it stores
// them only when the sheet applies, and the folder chooser of the wallpaper.
#include "config/pages.h"
#include "config_fixture.h"

namespace {

constexpr int kStartupPage = 4;

class StartupPageTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    Prepare();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
  }
  // Opens the sheet at the Startup page; `script` gets the page.
  static INT_PTR RunPage(const std::function<void(HWND sheet, HWND page)>& script) {
    dlg::OnSheet([&](HWND sheet) { script(sheet, dlg::Page(sheet, kStartupPage)); });
    return OpenMoreOptions(nullptr, kStartupPage);
  }
};

TEST_F(StartupPageTest, ShowsTheStoredSwitchesAndStoresThemAsOnOrOff) {
  const struct {
    const char* section;
    const char* key;
    const char* stored;  // nullptr: absent
    int id;
    int shown;
    const char* written;
  } cases[] = {
      {"Params", "DisableTL", "2", IDC_STA_TOPLEFT, BST_CHECKED, "1"},
      {"Params", "DisableTR", nullptr, IDC_STA_TOPRIGHT, BST_UNCHECKED, "0"},
      {"Params", "DisableBL", "-1", IDC_STA_BOTTOMLEFT, BST_UNCHECKED, "0"},
      {"Params", "DisableBR", "1", IDC_STA_BOTTOMRIGHT, BST_CHECKED, "1"},
      {"Params", "SwitchOffTV", nullptr, IDC_STA_SWITCHOFF, BST_CHECKED, "1"},
      {"Params", "ReachTheStars", "0", IDC_STA_REACH, BST_UNCHECKED, "0"},
      {"TimeoutCorrection", "Status", "3", IDC_STA_TIMEOUT, BST_CHECKED, "1"},
      {"WallPaper", "Enabled", "7", IDC_STA_WALLPAPER, BST_CHECKED, "1"},
  };
  for (const auto& c : cases)
    if (c.stored != nullptr) SetIni(c.section, c.key, c.stored);
  SetIni("WallPaper", "path", "/home/me/Pictures/old walls");

  const INT_PTR result = RunPage([&](HWND sheet, HWND page) {
    for (const auto& c : cases) EXPECT_EQ(dlg::CheckState(page, c.id), c.shown) << c.key;
    EXPECT_EQ(dlg::Text(page, IDC_STA_WALLPAPER_PATH), "/home/me/Pictures/old walls");
    dlg::Click(sheet, IDOK);
  });
  EXPECT_EQ(result, 1);
  for (const auto& c : cases) EXPECT_EQ(Ini(c.section, c.key), c.written) << c.key;
  EXPECT_EQ(Ini("WallPaper", "path"), "/home/me/Pictures/old walls");
}

TEST_F(StartupPageTest, StoresNothingUntilTheSheetApplies) {
  auto edit = [](HWND page) {
    dlg::Click(page, IDC_STA_TOPLEFT);
    dlg::Click(page, IDC_STA_WALLPAPER);
    dlg::SetText(page, IDC_STA_WALLPAPER_PATH, "/srv/walls");
  };
  RunPage([&](HWND sheet, HWND page) {
    edit(page);
    dlg::SelectPage(sheet, 0);  // leaving the page stores nothing either
    dlg::Click(sheet, IDCANCEL);
  });
  for (const char* key : {"DisableTL", "SwitchOffTV"}) EXPECT_EQ(Ini("Params", key), "<none>");
  EXPECT_EQ(Ini("WallPaper", "Enabled"), "<none>");
  EXPECT_EQ(Ini("WallPaper", "path"), "<none>");

  RunPage([&](HWND sheet, HWND page) {
    edit(page);
    EXPECT_EQ(Ini("Params", "DisableTL"), "<none>");
    dlg::Click(sheet, IDOK);
  });
  EXPECT_EQ(Ini("Params", "DisableTL"), "1");
  EXPECT_EQ(Ini("WallPaper", "Enabled"), "1");
  EXPECT_EQ(Ini("WallPaper", "path"), "/srv/walls");
}

TEST_F(StartupPageTest, TheFolderChooserReplacesThePathOnlyWithAFolderThatFits) {
  SetIni("WallPaper", "path", "/home/me/walls");
  const std::string longest = "/" + std::string(254, 'l');
  const struct {
    std::optional<std::string> picked;
    std::string shown;
    int boxes;
  } cases[] = {
      {std::nullopt, "/home/me/walls", 0},
      {"/media/photos/summer", "/media/photos/summer", 0},
      {longest, longest, 0},
      // Longer than the changer can read: refused, with a word why.
      {longest + "x", "/home/me/walls", 1},
  };
  for (const auto& c : cases) {
    dlg::Reset();
    dlg::AnswerFolderChooser(c.picked);
    RunPage([&](HWND sheet, HWND page) {
      EXPECT_TRUE(dlg::Click(page, IDC_STA_WALLPAPER_BROWSE));
      EXPECT_EQ(dlg::Text(page, IDC_STA_WALLPAPER_PATH), c.shown);
      dlg::Click(sheet, IDOK);
    });
    ASSERT_EQ(dlg::Choosers().size(), 1u);
    EXPECT_EQ(dlg::Choosers()[0].kind, dlg::ChooserKind::Folder);
    EXPECT_EQ(dlg::Choosers()[0].title, "containing wallpaper pictures");
    EXPECT_EQ(static_cast<int>(dlg::MessageBoxes().size()), c.boxes) << c.shown;
    EXPECT_EQ(Ini("WallPaper", "path"), c.shown);
    SetIni("WallPaper", "path", "/home/me/walls");
  }
  EXPECT_NE(Log().find("IDC_WALLPAPER_BROWSE - path= /home/me/walls"), std::string::npos);
}

}  // namespace
