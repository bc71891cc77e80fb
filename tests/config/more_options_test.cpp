// "Much More Options": its pages in order, and the Friends, Users and About
// pages with their buttons.
#include <regex>

#include "config/pages.h"
#include "config_fixture.h"

class MoreOptionsTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    Prepare();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
  }
  // Opens the sheet at `page` with `script` acting as the user.
  static INT_PTR RunSheet(int page, const dlg::Script& script) {
    dlg::OnSheet(script);
    return OpenMoreOptions(nullptr, page);
  }
};

TEST_F(MoreOptionsTest, SevenPagesInOrderWithoutApply) {
  const char* const captions[] = {"Lumivex Messages", "Sounds", "Quotes", "Friends",
                                  "Startup",          "Users",  "About"};
  const int templates[] = {IDD_MESSAGES, IDD_SOUNDS, IDD_QUOTES, IDD_FRIENDS,
                           IDD_STARTUP,  IDD_USERS,  IDD_ABOUT};
  const INT_PTR result = RunSheet(0, [&](HWND sheet) {
    EXPECT_EQ(dlg::Caption(sheet), "Lumivex v3.08 - Much More Options");
    ASSERT_EQ(dlg::PageCount(sheet), 7);
    EXPECT_FALSE(dlg::ApplyEnabled(sheet));
    // Every page lets itself be left: a visit to each goes round.
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(dlg::PageTitle(sheet, i), captions[i]) << i;
      EXPECT_TRUE(dlg::SelectPage(sheet, i)) << captions[i];
      EXPECT_EQ(dlg::TemplateOf(dlg::Page(sheet, i)), templates[i]) << captions[i];
    }
    dlg::Click(sheet, IDOK);
  });
  EXPECT_EQ(result, 1) << "every page accepted the apply";
  int applies = 0;
  for (const dlg::Heard& h : dlg::HeardMessages())
    applies += h.message == WM_NOTIFY && h.code == PSN_APPLY;
  EXPECT_EQ(applies, 7);
}

TEST_F(MoreOptionsTest, OpensAtTheAskedPage) {
  for (int page : {3, 6, 9}) {
    RunSheet(page, [&](HWND sheet) {
      EXPECT_EQ(dlg::CurrentPage(sheet), page < 7 ? page : 0) << page;
      dlg::Click(sheet, IDCANCEL);
    });
  }
}

TEST_F(MoreOptionsTest, FriendsShowsTheAddressesAndMailsAFriend) {
  RunSheet(3, [](HWND sheet) {
    HWND page = dlg::Page(sheet, 3);
    EXPECT_EQ(dlg::Text(page, IDC_FRI_SITE), HomePageAddress);
    EXPECT_EQ(dlg::Text(page, IDC_FRI_DOWNLOAD), DownloadSiteAddress);
    EXPECT_FALSE(dlg::Type(page, IDC_FRI_SITE, "x")) << "read only";
    dlg::Click(page, IDC_FRI_MAIL);
    dlg::Click(sheet, IDCANCEL);
  });
  const std::vector<std::string> links = Opened(1);
  ASSERT_EQ(links.size(), 1u);
  const std::string mail = Unescaped(links[0]);
  EXPECT_EQ(mail.rfind("mailto:?subject=Write your messages in the stars", 0), 0u) << mail;
  EXPECT_NE(mail.find("&body=I am writing to tell you about a screen saver I liked very much! "
                      "Its called Lumivex and you can download it from     "
                      "https://lumivex.example.org "),
            std::string::npos)
      << mail;
}

TEST_F(MoreOptionsTest, AboutShowsTheVersionAndReachesTheMaker) {
  RunSheet(6, [](HWND sheet) {
    HWND page = dlg::Page(sheet, 6);
    EXPECT_EQ(dlg::Text(page, IDC_ABO_VERSION), "Version:\tv3.08");
    EXPECT_EQ(dlg::Text(page, IDC_ABO_BUILD), "Build:\tOct 16 2005");
    dlg::Click(page, IDC_ABO_HI);
    dlg::Click(page, IDC_ABO_NEWER);
    dlg::Click(sheet, IDCANCEL);
  });
  std::vector<std::string> links = Opened(2);
  ASSERT_EQ(links.size(), 2u);
  std::sort(links.begin(), links.end());
  EXPECT_EQ(links[0], "https://lumivex.example.org/?CurrentUser");
  const std::string mail = Unescaped(links[1]);
  EXPECT_EQ(mail.rfind("mailto:support@lumivex.example.org?subject=From a Lumivexv3.08 user", 0),
            0u)
      << mail;
  // The settings file to attach is named where it really is.
  EXPECT_NE(mail.find(lvx::ConfigFolder()), std::string::npos) << mail;
}

TEST_F(MoreOptionsTest, UninstallExplainsTheWayOutAndDeletesNothing) {
  UseTreeHelp();
  dlg::AnswerMessageBoxes({IDOK});
  bool stillOpen = false;
  RunSheet(6, [&](HWND sheet) {
    dlg::Click(dlg::Page(sheet, 6), IDC_ABO_UNINSTALL);
    dlg::Pump();
    stillOpen = IsWindow(sheet) != FALSE;
    dlg::Click(sheet, IDCANCEL);
  });
  EXPECT_TRUE(stillOpen);
  ASSERT_EQ(BoxesCaptioned(UninstallCaption), 1);
  const std::string text = dlg::MessageBoxes().back().text;
  for (const std::string& step :
       {std::string("sudo apt remove lumivex"), std::string("sudo xargs rm < install_manifest.txt"),
        lvx::ConfigFolder()})
    EXPECT_NE(text.find(step), std::string::npos) << step;
  EXPECT_TRUE(lvx::test::FileExists(IniPath()));
  const std::vector<std::string> links = Opened(1);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_NE(links[0].find("index.html#context-20"), std::string::npos) << links[0];
}

TEST_F(MoreOptionsTest, F1OnEachPageOpensItsOwnPartOfTheHelp) {
  UseTreeHelp();
  const unsigned topics[] = {HelpMessagesPage, HelpSoundsPage, HelpQuotesPage, HelpFriendsPage,
                             HelpStartupPage,  HelpUsersPage,  HelpAboutPage};
  RunSheet(0, [&](HWND sheet) {
    for (int i = 0; i < 7; ++i) {
      dlg::SelectPage(sheet, i);
      EXPECT_TRUE(dlg::PressKey(dlg::Page(sheet, i), VK_F1)) << i;
    }
    dlg::Click(sheet, IDCANCEL);
  });
  const std::vector<std::string> links = Opened(7);
  ASSERT_EQ(links.size(), 7u);
  std::vector<std::string> anchors;
  for (const std::string& link : links) anchors.push_back(link.substr(link.find('#')));
  for (unsigned topic : topics) {
    const std::string anchor = "#context-" + std::to_string(topic);
    EXPECT_NE(std::find(anchors.begin(), anchors.end(), anchor), anchors.end()) << anchor;
  }
}
