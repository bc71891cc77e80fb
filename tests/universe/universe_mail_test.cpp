// The scene starts the mailbox check with the sky and stops it with the sky,
// but never in a preview.
#include <string>

#include "mail/new_mail.h"
#include "mail/ras_api.h"
#include "tests/universe/universe_fixture.h"

namespace {

class UniverseMail : public UniverseFixture {
 protected:
  void SetUp() override {
    UniverseFixture::SetUp();
    lvx::ResetMailForTests();
    lvx::SetNetFolderForTests(lvx::test::MakeTempDir("net").c_str());
    MainSettings.UserWriteString("Email", "Enabled", "1");
  }
  void TearDown() override {
    UniverseFixture::TearDown();
    lvx::ResetMailForTests();
  }
  static bool Breadcrumb(const char* text) {
    return lvx::test::ReadFile(MainSettings.Path()).find(text) != std::string::npos;
  }
};

TEST_F(UniverseMail, TheFullSkyRunsTheCheckTimerUntilItIsDestroyed) {
  Universe& u = Universe::Instance();
  u.Create();
  EXPECT_TRUE(Logged("NewMailClass= StartTimer\n"));
  EXPECT_TRUE(Logged("NewMailClass= StartTimer-exit"));
  const UINT_PTR id = NewMail.timerId;
  EXPECT_NE(id, 0u);
  EXPECT_TRUE(RasApiDLL.Loaded());
  u.Destroy();
  EXPECT_EQ(NewMail.timerId, 0u);
  EXPECT_EQ(KillTimer(nullptr, id), FALSE) << "the check timer outlived the scene";
  EXPECT_FALSE(RasApiDLL.Loaded());
  EXPECT_FALSE(Breadcrumb("UnloadDLL-Nothing to unload "));
}

TEST_F(UniverseMail, APreviewNeverChecks) {
  ScreenRect.right = 152;
  ScreenRect.bottom = 112;
  Universe& u = Universe::Instance();
  u.Create();
  EXPECT_TRUE(SmallScreen);
  EXPECT_TRUE(Logged("NewMailClass= StartTimer-Aborted"));
  EXPECT_EQ(NewMail.timerId, 0u);
  EXPECT_FALSE(RasApiDLL.Loaded());
  u.Destroy();
  // Destroy leaves the mailbox alone: nothing was loaded, nothing is missed.
  EXPECT_FALSE(Breadcrumb("UnloadDLL-Nothing to unload "));
}

}  // namespace
