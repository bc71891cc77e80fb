// The utilities around the standard dialogs: the file chooser's filters per
// kind, the folder browser, the mail link, running a dialog and choosing the
// message font, with scripted choosers and a stand-in for xdg-open.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/dialog/dialog_test_api.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;
namespace dt = lvx::dlgtest;

namespace {

class DialogUtilities : public ::testing::Test {
 protected:
  void SetUp() override {
    dt::Reset();
    WriteFile(LogPath(), "");
    LogFile.Init(LogPath().c_str(), "Lumivex.ini");
    LogFile.Clear();
    ASSERT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  }
  void TearDown() override { lvx::ResetDialogsForTests(); }
  static std::vector<std::string> Problems() {
    std::vector<std::string> out;
    for (const auto& box : dt::MessageBoxes())
      if (box.caption == "PROBLEM") out.push_back(box.text);
    return out;
  }
};

using Filters = std::vector<std::pair<std::string, std::string>>;

TEST_F(DialogUtilities, OpenFileDialogOffersTheFiltersOfItsKind) {
  struct Case {
    const char* kind;
    Filters filters;
  } cases[] = {
      {"WAV", {{"WAV files (*.WAV)", "*.WAV"}, {"All files (*.*)", "*.*"}}},
      {"MID", {{"MIDI files (*.MID)", "*.MID"}, {"All files (*.*)", "*.*"}}},
      {"BMP", {{"BMP files (*.BMP)", "*.BMP"}}},
  };
  for (const Case& c : cases) {
    char path[300] = "/old/choice";
    dt::AnswerFileChooser(std::string("/new/choice.") + c.kind);
    EXPECT_NE(OpenFileDialog(nullptr, "Select your favorite audio file", c.kind, path, sizeof path),
              0)
        << c.kind;
    EXPECT_EQ(std::string(path), std::string("/new/choice.") + c.kind);
    const dt::ChooserRecord& shown = dt::Choosers().back();
    EXPECT_EQ(shown.filters, c.filters) << c.kind;
    EXPECT_EQ(shown.initial, "/old/choice") << "the current choice is preselected";
    EXPECT_EQ(shown.title, "Select your favorite audio file");
  }
}

TEST_F(DialogUtilities, ACancelledChoiceIsLoggedAndASmallBufferRefused) {
  char path[300] = "/kept.bmp";
  dt::AnswerFileChooser(std::nullopt);
  EXPECT_EQ(OpenFileDialog(nullptr, "Select your favorite picture", "BMP", path, sizeof path), 0);
  EXPECT_STREQ(path, "/kept.bmp");
  EXPECT_EQ(CountOf(ReadFile(LogPath()), "CommDlgError= UNKNOWN"), 1);

  char small[260] = "";
  const std::size_t choosersBefore = dt::Choosers().size();
  EXPECT_EQ(OpenFileDialog(nullptr, "Select your favorite picture", "BMP", small, sizeof small), 0);
  EXPECT_EQ(dt::Choosers().size(), choosersBefore) << "no chooser for a buffer too small";
  EXPECT_EQ(Problems(), (std::vector<std::string>{"Internal error #2394"}));
}

TEST_F(DialogUtilities, BrowseForFolderReturnsTheFolderOrLeavesThePath) {
  char path[300] = "/home/me/old";
  dt::AnswerFolderChooser(std::nullopt);
  EXPECT_EQ(BrowseForFolder(nullptr, "containing wallpaper pictures", path, sizeof path), 0);
  EXPECT_STREQ(path, "/home/me/old");
  dt::AnswerFolderChooser(std::string("/home/me/Pictures"));
  EXPECT_EQ(BrowseForFolder(nullptr, "containing wallpaper pictures", path, sizeof path), 1);
  EXPECT_STREQ(path, "/home/me/Pictures");
  EXPECT_EQ(dt::Choosers().back().title, "containing wallpaper pictures");
  char small[259];
  EXPECT_EQ(BrowseForFolder(nullptr, "t", small, sizeof small), 0);
  EXPECT_EQ(Problems(), (std::vector<std::string>{"Internal error #7724"}));
}

// A stand-in for the desktop's opener that writes down what it was asked to open.
std::string FakeOpener() {
  std::string dir = MakeTempDir("bin");
  std::string out = Home() + "/opened.txt";
  WriteFile(dir + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + out + ".tmp' && mv '" + out +
                                   ".tmp' '" + out + "'\n");
  chmod((dir + "/xdg-open").c_str(), 0755);
  setenv("PATH", (dir + ":" + std::getenv("PATH")).c_str(), 1);
  return out;
}

std::string WaitForFile(const std::string& path) {
  for (int i = 0; i < 500 && !FileExists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ReadFile(path);
}

TEST_F(DialogUtilities, MailLinksGoToTheDesktopUnescapedAndBounded) {
  const std::string opened = FakeOpener();
  EXPECT_EQ(OpenMailLink("", "", "Write your messages in the stars", "Hi%0A%0Dthere"), 1);
  EXPECT_EQ(WaitForFile(opened),
            "mailto:?subject=Write your messages in the stars&cc=&body=Hi%0A%0Dthere");
  EXPECT_TRUE(Problems().empty());

  std::remove(opened.c_str());
  const std::string body(6000, 'b');
  EXPECT_EQ(OpenMailLink("a@b.c", "", "s", body.c_str()), 1);
  const std::string link = WaitForFile(opened);
  EXPECT_EQ(Problems(), (std::vector<std::string>{"Internal error #4112"}));
  // The texts together stay below 5000 characters.
  EXPECT_EQ(link.size(), std::strlen("mailto:?subject=&cc=&body=") + 4999);
  EXPECT_EQ(link.rfind("mailto:a@b.c?subject=s&cc=&body=bbb", 0), 0u);
}

INT_PTR CALLBACK EchoParam(HWND d, UINT msg, WPARAM, LPARAM lParam) {
  if (msg == WM_INITDIALOG) EndDialog(d, lParam);
  return FALSE;
}

TEST_F(DialogUtilities, RunDialogReportsADialogThatCannotBeMade) {
  EXPECT_EQ(RunDialog(nullptr, IDD_BIRTHDAY, nullptr, EchoParam, 1977), 1977);
  EXPECT_TRUE(Problems().empty());
  EXPECT_EQ(RunDialog(nullptr, 4040, nullptr, EchoParam), -1);
  EXPECT_EQ(Problems(), (std::vector<std::string>{"Dialog Box returned -1"}));
}

TEST_F(DialogUtilities, ChoosingTheFontStoresItForTheNextText) {
  MainSettings.UserWriteString("Font", "Font", "Arial");
  MainSettings.UserWriteFloat("Font", "FontSize", 10.0f);
  MainSettings.UserWriteLong("Font", "Color", 0xFFFF00);
  dt::FontChoice choice;
  choice.face = "DejaVu Serif";
  choice.points = 14.0f;
  choice.charSet = 0;
  choice.color = RGB(0, 255, 0);
  dt::AnswerFontChooser(choice);
  TextFont chooser;
  chooser.Choose(nullptr);
  TextFont next;
  next.Load("Font");
  EXPECT_STREQ(next.FaceName(), "DejaVu Serif");
  // Stored as the pixel height read back in points (19 px = 14.25 pt); text
  // uses the whole points, so 14 points it is.
  EXPECT_FLOAT_EQ(next.Size(), 14.25f);
  EXPECT_EQ(next.CharSet(), 0);
  EXPECT_EQ(next.Color(), RGB(0, 255, 0));
  EXPECT_EQ(next.LogFont().lfHeight, -19) << "14 points at 96 pixels per inch";

  // Cancel stores the same values again.
  dt::AnswerFontChooser(std::nullopt);
  TextFont again;
  again.Choose(nullptr);
  TextFont after;
  after.Load("Font");
  EXPECT_STREQ(after.FaceName(), "DejaVu Serif");
  EXPECT_FLOAT_EQ(after.Size(), 14.25f);
  EXPECT_EQ(after.Color(), RGB(0, 255, 0));
}

}  // namespace
