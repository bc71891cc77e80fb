// The standard choosers without a display: scripted answers fill the Win32
// records as the real dialogs do, and refusals say why.
#include <cstring>
#include <string>

#include "tests/platform/dialog/dialog_fixture.h"

namespace {

using lvx::test::DialogTest;
namespace dt = lvx::dlgtest;

const char kFilter[] = "WAV files (*.WAV)\0*.WAV\0All files (*.*)\0*.*\0";

OPENFILENAMEA OpenRecord(char* buf, DWORD size) {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = kFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buf;
  ofn.nMaxFile = size;
  ofn.lpstrTitle = "Select your favorite audio file";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  return ofn;
}

TEST_F(DialogTest, FileChoosersFillTheRecordOrSayWhyNot) {
  char buf[300] = "/music/old.wav";
  char title[64] = "";
  OPENFILENAMEA ofn = OpenRecord(buf, sizeof buf);
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = sizeof title;
  dt::AnswerFileChooser(std::string("/home/me/sounds/rain.WAV"));
  ASSERT_TRUE(GetOpenFileNameA(&ofn));
  EXPECT_STREQ(buf, "/home/me/sounds/rain.WAV");
  EXPECT_STREQ(title, "rain.WAV");
  EXPECT_EQ(ofn.nFileOffset, 16);
  EXPECT_EQ(ofn.nFileExtension, 21);
  ASSERT_EQ(dt::Choosers().size(), 1u);
  const dt::ChooserRecord& shown = dt::Choosers()[0];
  EXPECT_EQ(shown.kind, dt::ChooserKind::OpenFile);
  EXPECT_EQ(shown.title, "Select your favorite audio file");
  EXPECT_EQ(shown.initial, "/music/old.wav");
  EXPECT_EQ(shown.filters, (std::vector<std::pair<std::string, std::string>>{
                               {"WAV files (*.WAV)", "*.WAV"}, {"All files (*.*)", "*.*"}}));

  // Cancelled: nothing changes and the extended error is 0.
  dt::AnswerFileChooser(std::nullopt);
  EXPECT_FALSE(GetOpenFileNameA(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_STREQ(buf, "/home/me/sounds/rain.WAV");

  // A path longer than the caller's buffer is refused, not cut.
  char tiny[8] = "";
  OPENFILENAMEA small = OpenRecord(tiny, sizeof tiny);
  dt::AnswerFileChooser(std::string("/a/b/c/long.wav"));
  EXPECT_FALSE(GetOpenFileNameA(&small));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  EXPECT_STREQ(tiny, "");

  // A wrong record size, and nobody to answer.
  OPENFILENAMEA bad = OpenRecord(buf, sizeof buf);
  bad.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileNameA(&bad));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  EXPECT_FALSE(GetSaveFileNameA(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_EQ(dt::Unanswered().back(), "save file chooser");
}

TEST_F(DialogTest, TheFolderBrowserHandsOutAPathItem) {
  char name[MAX_PATH] = "";
  BROWSEINFOA bi{};
  bi.lpszTitle = "containing wallpaper pictures";
  bi.pszDisplayName = name;
  dt::AnswerFolderChooser(std::string("/home/me/Pictures/Walls"));
  PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&bi);
  ASSERT_NE(item, nullptr);
  char path[MAX_PATH];
  EXPECT_TRUE(SHGetPathFromIDListA(item, path));
  EXPECT_STREQ(path, "/home/me/Pictures/Walls");
  EXPECT_STREQ(name, "Walls");
  CoTaskMemFree(item);
  EXPECT_EQ(dt::Choosers().back().title, "containing wallpaper pictures");

  dt::AnswerFolderChooser(std::nullopt);
  EXPECT_EQ(SHBrowseForFolderA(&bi), nullptr);
  // A folder too long for MAX_PATH cannot be handed out as a path.
  dt::AnswerFolderChooser(std::string(400, 'x'));
  item = SHBrowseForFolderA(&bi);
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(SHGetPathFromIDListA(item, path));
  EXPECT_STREQ(path, "");
  EXPECT_EQ(std::strlen(name), MAX_PATH - 1u) << "the display name is cut, terminated";
  CoTaskMemFree(item);
  EXPECT_FALSE(SHGetPathFromIDListA(nullptr, path));
}

TEST_F(DialogTest, TheFontChooserFillsTheLogicalFontAndColour) {
  LOGFONTA lf{};
  std::strcpy(lf.lfFaceName, "Arial");
  lf.lfHeight = -13;
  lf.lfCharSet = 1;
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.lpLogFont = &lf;
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
  cf.rgbColors = 0xFFFF00;

  dt::FontChoice choice;
  choice.face = "A face name longer than thirty-one bytes in all";
  choice.points = 12.0f;
  choice.weight = 700;
  choice.charSet = 0;
  choice.color = RGB(0, 200, 0);
  dt::AnswerFontChooser(choice);
  ASSERT_TRUE(ChooseFontA(&cf));
  EXPECT_EQ(dt::Choosers().back().initial, "Arial") << "the chooser opened on the given font";
  EXPECT_EQ(lf.lfHeight, -16) << "12 points at 96 pixels per inch";
  EXPECT_EQ(cf.iPointSize, 120);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfCharSet, 0);
  EXPECT_EQ(std::strlen(lf.lfFaceName), 31u);
  EXPECT_EQ(cf.rgbColors, RGB(0, 200, 0));

  // Without effects the colour stays; a cancel leaves everything.
  cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
  choice.color = RGB(1, 2, 3);
  choice.points = 20.0f;
  dt::AnswerFontChooser(choice);
  ASSERT_TRUE(ChooseFontA(&cf));
  EXPECT_EQ(cf.rgbColors, RGB(0, 200, 0));
  EXPECT_EQ(lf.lfHeight, -27);
  LOGFONTA before = lf;
  dt::AnswerFontChooser(std::nullopt);
  EXPECT_FALSE(ChooseFontA(&cf));
  EXPECT_EQ(std::memcmp(&before, &lf, sizeof lf), 0);

  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.rgbResult = RGB(9, 9, 9);
  cc.Flags = CC_RGBINIT;
  dt::AnswerColorChooser(RGB(250, 10, 20));
  ASSERT_TRUE(ChooseColorA(&cc));
  EXPECT_EQ(cc.rgbResult, RGB(250, 10, 20));
  EXPECT_FALSE(ChooseColorA(&cc)) << "unanswered";
  EXPECT_EQ(cc.rgbResult, RGB(250, 10, 20));
}

}  // namespace
