// The help: which page and anchor a request opens, and that every topic the
// program asks for is in the help it installs.
#include "config_fixture.h"

TEST_F(ConfigTest, EveryTopicTheDialogsOpenIsInTheHelp) {
  const std::string help = lvx::test::ReadFile(lvx::test::SourceDir() + "/docs/help/index.html");
  ASSERT_FALSE(help.empty());
  EXPECT_NE(help.find("id=\"contents\""), std::string::npos);
  for (unsigned topic :
       {HelpMainPage, HelpMessagesPage, HelpSoundsPage, HelpQuotesPage, HelpFriendsPage,
        HelpStartupPage, HelpUsersPage, HelpAboutPage, HelpEmailDialog, HelpUninstall}) {
    const std::string id = "id=\"context-" + std::to_string(topic) + "\"";
    EXPECT_NE(help.find(id), std::string::npos) << id;
  }
  // Links inside the help lead somewhere.
  for (std::size_t at = help.find("href=\"#"); at != std::string::npos;
       at = help.find("href=\"#", at + 1)) {
    const std::size_t start = at + 7;
    const std::string target = help.substr(start, help.find('"', start) - start);
    EXPECT_NE(help.find("id=\"" + target + "\""), std::string::npos) << target;
  }
}

TEST_F(ConfigTest, RequestsOpenTheInstalledPageAtTheirAnchor) {
  const std::string folder = lvx::test::MakeTempDir("my help");
  lvx::SetHelpPageForTests(folder + "/index.html");
  lvx::test::WriteFile(folder + "/index.html", "<html></html>");
  const std::string page =
      "file://" + folder.substr(0, folder.find("my help")) + "my%20help/index.html";
  EXPECT_EQ(HelpLink(HelpRequest::Contents, 0), page + "#contents");
  EXPECT_EQ(HelpLink(HelpRequest::Context, 12), page + "#context-12");

  EXPECT_TRUE(ShowHelp(nullptr, "lumivex.hlp", HelpRequest::Context, 13));
  EXPECT_TRUE(ShowHelp(nullptr, HelpFileName, HelpRequest::Quit)) << "nothing to close";
  EXPECT_FALSE(ShowHelp(nullptr, "Other.HLP", HelpRequest::Contents));
  const std::vector<std::string> links = Opened(1);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0], page + "#context-13");
}

TEST_F(ConfigTest, HelpThatIsNotInstalledIsSaidSo) {
  lvx::SetHelpPageForTests(lvx::test::Home() + "/nowhere/index.html");
  EXPECT_FALSE(ShowHelp(nullptr, HelpFileName, HelpRequest::Contents));
  ASSERT_EQ(dlg::MessageBoxes().size(), 1u);
  EXPECT_NE(dlg::MessageBoxes()[0].text.find("not installed"), std::string::npos);
  EXPECT_TRUE(Opened(0).empty());
}
