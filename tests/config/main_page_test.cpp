// The main page: what it shows when it opens, what OK stores and Cancel
// leaves alone, the switches, the secret-message test and the doors to the
// other dialogs.
#include <filesystem>

#include "config_fixture.h"
#include "platform/sound/sound_internal.h"

namespace {

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

}  // namespace

TEST_F(ConfigTest, OpeningShowsSlotZeroTheCaptionsAndTheStoredSwitches) {
  Prepare([] {
    PutSlot(0, "Good night", "Sleep well");
    MainSettings.UserWriteUInt("Params", "Airplanes", 0);
    MainSettings.UserWriteUInt("Params", "Moon", 0);
    MainSettings.UserWriteUInt("Params", "SouthernHemisphere", 1);
    MainSettings.UserWriteUInt("Email", "Enabled", 1);
  });
  const INT_PTR result = RunMainPage([](HWND d) {
    EXPECT_EQ(dlg::Caption(d), "Lumivex v3.08");
    EXPECT_EQ(dlg::Text(d, IDOK), "Ok");
    EXPECT_EQ(dlg::Text(d, IDCANCEL), "Ooops... Cancel");
    EXPECT_EQ(dlg::Text(d, IDC_MAIN_MESSAGE), "Good night");
    EXPECT_EQ(dlg::Text(d, IDC_MAIN_BOTTOMLINE), "Sleep well");
    const struct {
      int id;
      int state;
    } checks[] = {
        {IDC_MAIN_AIRPLANES, BST_UNCHECKED}, {IDC_MAIN_MOON, BST_UNCHECKED},
        {IDC_MAIN_SOUTHERN, BST_CHECKED},    {IDC_MAIN_EMAIL, BST_CHECKED},
        {IDC_MAIN_JOKES, BST_CHECKED},  // never stored: on by default
    };
    for (const auto& c : checks) EXPECT_EQ(dlg::CheckState(d, c.id), c.state) << c.id;
    // The hemisphere means nothing without the moon.
    EXPECT_FALSE(dlg::Enabled(d, IDC_MAIN_SOUTHERN));
    dlg::Click(d, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  const std::string log = Log();
  EXPECT_NE(log.find("Version= v3.08"), std::string::npos) << log;
  EXPECT_NE(log.find("operation= configure"), std::string::npos) << log;
  EXPECT_TRUE(dlg::Unanswered().empty());
}

TEST_F(ConfigTest, FirstRunShowsAndStoresTheSampleMessages) {
  RunMainPage([](HWND d) {
    EXPECT_EQ(dlg::Text(d, IDC_MAIN_MESSAGE), "Lumivex v3.08");
    EXPECT_EQ(dlg::Text(d, IDC_MAIN_BOTTOMLINE),
              "For more information, please visit: https://lumivex.example.org");
    dlg::Click(d, IDCANCEL);
  });
  EXPECT_EQ(Ini("Messages", "Message___1"), "PEACE");
  EXPECT_EQ(Ini("Messages", "BottomLine2"), "and love");
}

TEST_F(ConfigTest, CancelAfterEditingLeavesEverythingAsItWas) {
  Prepare([] { PutSlot(0, "old message", "old line"); });
  const INT_PTR result = RunMainPage([](HWND d) {
    dlg::SetText(d, IDC_MAIN_MESSAGE, "new message");
    dlg::SetText(d, IDC_MAIN_BOTTOMLINE, "new line");
    dlg::Click(d, IDC_MAIN_AIRPLANES);
    dlg::Click(d, IDC_MAIN_JOKES);
    dlg::Click(d, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Ini("Messages", "Message___0"), "old message");
  EXPECT_EQ(Ini("Messages", "BottomLine0"), "old line");
  for (const char* key : {"Airplanes", "Jokes"}) EXPECT_EQ(Ini("Params", key), "<none>") << key;
  EXPECT_EQ(Ini("Messages", "DecryptPassword"), "<none>");
}

TEST_F(ConfigTest, OkStoresTheMainMessageCutToItsLimits) {
  Prepare([] { PutSlot(0, "old", "old line"); });
  // Byte limits that never split a character: the last "é" would straddle 78.
  const std::string message = Repeat('m', 77) + "\xC3\xA9" + "tail";
  const std::string line = Repeat('b', 400);
  const INT_PTR result = RunMainPage([&](HWND d) {
    dlg::SetText(d, IDC_MAIN_MESSAGE, message);
    dlg::SetText(d, IDC_MAIN_BOTTOMLINE, line);
    EXPECT_EQ(dlg::Limit(d, IDC_MAIN_MESSAGE), MainMessageLimit);
    EXPECT_EQ(dlg::Limit(d, IDC_MAIN_BOTTOMLINE), MainBottomLineLimit);
    dlg::Click(d, IDOK);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Ini("Messages", "Message___0"), Repeat('m', 77));
  EXPECT_EQ(Ini("Messages", "BottomLine0"), Repeat('b', 298));
  // The switches are stored with OK, as shown.
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } stored[] = {{"Params", "Airplanes", "1"},
                {"params", "Jokes", "1"},
                {"Params", "SouthernHemisphere", "0"},
                {"Email", "Enabled", "0"}};
  for (const auto& s : stored) EXPECT_EQ(Ini(s.section, s.key), s.value) << s.key;
  EXPECT_NE(Log().find("lv-dialogs= point24"), std::string::npos);
}

TEST_F(ConfigTest, OkStoresAProtectedMainMessageStillProtected) {
  Prepare([] { PutSlot(0, "hidden", "line", "secret"); });
  RunMainPage([](HWND d) {
    EXPECT_EQ(dlg::Text(d, IDC_MAIN_MESSAGE), "hidden");
    dlg::SetText(d, IDC_MAIN_MESSAGE, "still hidden");
    dlg::Click(d, IDOK);
  });
  EXPECT_EQ(Ini("Messages", "Message___0").find("still"), std::string::npos);
  Prepare([] {
    Quill.Index = 0;
    Quill.Read();
    EXPECT_STREQ(Quill.Message, "still hidden");
    EXPECT_STREQ(Quill.Password, "secret");
  });
}

TEST_F(ConfigTest, TheMoonBoxIsStoredAtOnceAndGovernsTheHemisphere) {
  Prepare();
  RunMainPage([](HWND d) {
    ASSERT_TRUE(dlg::Enabled(d, IDC_MAIN_SOUTHERN));
    dlg::Click(d, IDC_MAIN_MOON);
    EXPECT_FALSE(dlg::Enabled(d, IDC_MAIN_SOUTHERN));
    EXPECT_EQ(Ini("Params", "Moon"), "0") << "written before OK";
    dlg::Click(d, IDC_MAIN_MOON);
    EXPECT_TRUE(dlg::Enabled(d, IDC_MAIN_SOUTHERN));
    EXPECT_EQ(Ini("Params", "Moon"), "1");
    dlg::Click(d, IDC_MAIN_MOON);
    dlg::Click(d, IDCANCEL);
  });
  EXPECT_EQ(Ini("Params", "Moon"), "0") << "Cancel does not take it back";
}

TEST_F(ConfigTest, TheMailBoxOpensTheAccountDialogOnlyWhenTurnedOn) {
  Prepare();
  int accountDialogs = 0;
  auto answer = [&](HWND e) {
    ++accountDialogs;
    EXPECT_TRUE(ConfigDialog.innerDialogOpen);
    EXPECT_TRUE(dlg::Click(e, IDOK));
  };
  dlg::OnDialog(IDD_EMAIL, answer);
  dlg::OnDialog(IDD_EMAIL, answer);
  RunMainPage([&](HWND d) {
    dlg::Click(d, IDC_MAIN_EMAIL);  // on: the dialog
    EXPECT_EQ(accountDialogs, 1);
    EXPECT_FALSE(ConfigDialog.innerDialogOpen);
    dlg::Click(d, IDC_MAIN_EMAIL);  // off: nothing
    EXPECT_EQ(accountDialogs, 1);
    dlg::Click(d, IDC_MAIN_EMAIL);  // on again
    EXPECT_EQ(accountDialogs, 2);
    EXPECT_EQ(Ini("Email", "Enabled"), "<none>") << "stored only with OK";
    dlg::Click(d, IDOK);
  });
  EXPECT_EQ(Ini("Email", "Enabled"), "1");
  EXPECT_TRUE(dlg::Unanswered().empty());
  // The account dialog stores nothing yet.
  EXPECT_FALSE(lvx::test::FileExists(lvx::ConfigFolder() + "/LumivexPrivateSettings.ini"));
}

class SecretMessages : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Prepare([] {
      PutSlot(0, "main", "line");
      PutSlot(1, "one", "first", "moonlight");
      PutSlot(2, "two", "second", "other");
      PutSlot(3, "three", "third", "moonlight");
      PutSlot(4, "four", "plain");
    });
  }
  void SaveWithBottomLine(const std::string& line) {
    RunMainPage([&](HWND d) {
      dlg::SetText(d, IDC_MAIN_BOTTOMLINE, line);
      dlg::Click(d, IDOK);
    });
  }
};

TEST_F(SecretMessages, ABottomLineThatIsAPasswordUnlocksItsMessages) {
  dlg::AnswerMessageBoxes({IDOK});
  SaveWithBottomLine("moonlight");
  ASSERT_EQ(BoxesCaptioned("You found a password !"), 1);
  EXPECT_EQ(dlg::MessageBoxes().back().text, "You have 2 secret message(s).");
  EXPECT_EQ(Ini("Messages", "DecryptPassword"), "moonlight");
  if (lvx::sound::AudioAvailable()) {
    EXPECT_NEAR(lvx::sound::WaveSeconds(), 1.8, 0.1);
  }
}

TEST_F(SecretMessages, ABottomLineMatchingNoPasswordStoresNone) {
  SetIni("Messages", "DecryptPassword", "moonlight");
  for (const char* line : {"Moonlight", "plain", ""}) {
    SaveWithBottomLine(line);
    EXPECT_EQ(BoxesCaptioned("You found a password !"), 0) << line;
    EXPECT_EQ(Ini("Messages", "DecryptPassword"), "") << line;
  }
}

TEST_F(ConfigTest, RequestedLinesAreScrambledUpToTheFirstGap) {
  Prepare([] {
    MainSettings.WriteString("EncryptPlease", "Line1", "first secret");
    MainSettings.WriteString("EncryptPlease", "Line2", "second secret");
    MainSettings.WriteString("EncryptPlease", "Line4", "after the gap");
  });
  RunMainPage([](HWND d) { dlg::Click(d, IDCANCEL); });
  for (const char* key : {"Line1", "Line2"}) {
    char expected[2000];
    std::snprintf(expected, sizeof expected, "%s", Ini("EncryptPlease", key).c_str());
    Scramble(expected, sizeof expected);
    EXPECT_EQ(Ini("Encrypted", key), expected) << key;
    EXPECT_NE(Ini("Encrypted", key), Ini("EncryptPlease", key));
  }
  EXPECT_EQ(Ini("Encrypted", "Line3"), "<none>");
  EXPECT_EQ(Ini("Encrypted", "Line4"), "<none>");
}

TEST_F(ConfigTest, AnUnusableSettingsFileClosesTheDialogAtOnce) {
  std::filesystem::create_directories(IniPath());  // a folder where the file should be
  bool scripted = false;
  const INT_PTR result = RunMainPage([&](HWND) { scripted = true; });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(dlg::Unanswered().empty()) << "it closed itself";
  EXPECT_TRUE(scripted);
}

TEST_F(ConfigTest, ThePictureButtonStoresTheChoiceAndCancelGoesBackToTheOwl) {
  Prepare([] { MainSettings.UserWriteString("Params", "UPIC", "/old/picture.bmp"); });
  const std::string chosen = lvx::test::Home() + "/mine.bmp";
  dlg::AnswerFileChooser(chosen);
  dlg::AnswerFileChooser(std::nullopt);
  RunMainPage([&](HWND d) {
    dlg::Click(d, IDC_MAIN_PICTURE_BUTTON);
    EXPECT_EQ(Ini("Params", "UPIC"), chosen) << "stored at once";
    dlg::Click(d, IDC_MAIN_PICTURE_BUTTON);
    EXPECT_EQ(Ini("Params", "UPIC"), "");
    dlg::Click(d, IDCANCEL);
  });
  const std::vector<dlg::ChooserRecord>& choosers = dlg::Choosers();
  ASSERT_EQ(choosers.size(), 2u);
  EXPECT_EQ(choosers[0].title, "Select your favorite picture");
  EXPECT_EQ(choosers[0].initial, "/old/picture.bmp");
  EXPECT_EQ(choosers[1].initial, chosen);
  ASSERT_EQ(choosers[0].filters.size(), 1u) << "pictures only";
}

TEST_F(ConfigTest, TheOptionsButtonOpensTheSheetAndRereadsTheMainSlot) {
  Prepare([] { PutSlot(0, "main", "line"); });
  bool sheetShown = false;
  dlg::OnSheet([&](HWND sheet) {
    sheetShown = true;
    EXPECT_TRUE(ConfigDialog.innerDialogOpen);
    EXPECT_EQ(dlg::CurrentPage(sheet), 0);
    Quill.Index = 3;  // as a page browsing the book leaves it
    dlg::Click(sheet, IDOK);
  });
  RunMainPage([](HWND d) {
    dlg::Click(d, IDC_MAIN_OPTIONS);
    EXPECT_EQ(Quill.Index, 0);
    EXPECT_STREQ(Quill.Message, "main");
    dlg::Click(d, IDCANCEL);
  });
  EXPECT_TRUE(sheetShown);
}

TEST_F(ConfigTest, HelpButtonAndF1OpenTheHelpAtItsContents) {
  UseTreeHelp();
  Prepare();
  RunMainPage([](HWND d) {
    dlg::Click(d, IDC_MAIN_HELP);
    dlg::PressKey(d, VK_F1);
    EXPECT_TRUE(ConfigDialog.helpOpened);
    dlg::Click(d, IDCANCEL);
  });
  const std::vector<std::string> links = Opened(2);
  ASSERT_EQ(links.size(), 2u);
  const std::string page = "file://" + lvx::test::SourceDir() + "/docs/help/index.html";
  for (const std::string& link : links) EXPECT_EQ(Unescaped(link), page + "#contents");
}
