// The check timer: when it checks, the dial-up connection test in front of a
// check on a modem setup, and the timer's start and stop.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "mail/ras_api.h"
#include "tests/mail/mail_fixture.h"

namespace {

class MailTimer : public MailTest {
 protected:
  // An interface folder like /sys/class/net with the given interfaces:
  // name, operstate ("" for none) and flags ("" for none).
  std::string NetFolder(const std::vector<std::vector<std::string>>& interfaces) {
    const std::string dir = lvx::test::MakeTempDir("net" + std::to_string(++folders_));
    for (const auto& i : interfaces) {
      const std::string base = dir + "/" + i[0];
      mkdir(base.c_str(), 0755);
      if (!i[1].empty()) lvx::test::WriteFile(base + "/operstate", i[1] + "\n");
      if (!i[2].empty()) lvx::test::WriteFile(base + "/flags", i[2] + "\n");
    }
    return dir;
  }
  static std::string Breadcrumbs() { return lvx::test::ReadFile(MainSettings.Path()); }

  int folders_ = 0;
};

TEST_F(MailTimer, TheFirstTickChecksThenEvery61st) {
  lvx::SetNetFolderForTests(NetFolder({}).c_str());
  Enable(true);
  NewMail.StartTimer();
  const std::string check = "NewMailClass= Its time to check for emails";
  std::vector<int> checkedAt;
  for (int tick = 1; tick <= 200; ++tick) {
    const int before = Occurrences(check);
    NewMailClass::CheckTimerProc(nullptr, WM_TIMER, NewMail.timerId, 0);
    if (Occurrences(check) != before) checkedAt.push_back(tick);
  }
  EXPECT_EQ(checkedAt, (std::vector<int>{1, 62, 123, 184}));
  // A modem setup without a dial-up connection: no check thread.
  EXPECT_EQ(Occurrences("NewMailClass= Modem not connected"), 4);
  EXPECT_FALSE(Logged("Creating thread"));
  EXPECT_TRUE(lvx::WaitForMailWorkersForTests(0));
  NewMail.StopTimer();
}

TEST_F(MailTimer, OnlineWithExactlyOneDialUpConnectionUp) {
  const struct {
    const char* name;
    std::vector<std::vector<std::string>> interfaces;
    bool connected;
  } cases[] = {
      {"no interfaces", {}, false},
      {"only a LAN", {{"eth0", "up", "0x1003"}, {"lo", "unknown", "0x9"}}, false},
      {"ppp up", {{"eth0", "up", "0x1003"}, {"ppp0", "up", "0x10d1"}}, true},
      {"ppp up by its flags", {{"ppp0", "unknown", "0x10d1"}}, true},
      {"ppp flags only", {{"ppp0", "", "0x10d1"}}, true},
      {"ppp not running", {{"ppp0", "unknown", "0x1090"}}, false},
      {"ppp down", {{"ppp0", "down", "0x10d1"}}, false},
      {"ppp dormant", {{"ppp0", "dormant", "0x10d1"}}, false},
      {"ppp without attributes", {{"ppp0", "", ""}}, false},
      {"two ppp links", {{"ppp0", "up", "0x10d1"}, {"ppp1", "up", "0x10d1"}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    lvx::SetNetFolderForTests(NetFolder(c.interfaces).c_str());
    RasApiDLLClass ras;
    EXPECT_FALSE(ras.Connected());
    ASSERT_EQ(ras.LoadDLL(), 0);
    EXPECT_EQ(ras.Connected(), c.connected);
    ras.UnloadDLL();
    EXPECT_FALSE(ras.Connected());
  }
}

TEST_F(MailTimer, TheConnectionTestLeavesBreadcrumbsWhenMisused) {
  lvx::SetNetFolderForTests((lvx::test::Home() + "/no-such-folder").c_str());
  RasApiDLLClass ras;
  EXPECT_EQ(ras.LoadDLL(), 2);
  EXPECT_NE(Breadcrumbs().find("StartDLL-fail1 "), std::string::npos);
  ras.UnloadDLL();
  EXPECT_NE(Breadcrumbs().find("UnloadDLL-Nothing to unload "), std::string::npos);

  lvx::SetNetFolderForTests(NetFolder({}).c_str());
  EXPECT_EQ(ras.LoadDLL(), 0);
  EXPECT_EQ(ras.LoadDLL(), 1);
  EXPECT_NE(Breadcrumbs().find("StartDLL-Already loaded "), std::string::npos);
  EXPECT_TRUE(Logged("RasApiDLLClass= LoadDLL-exit-normal"));
}

TEST_F(MailTimer, StartsOnlyWhenEnabledAndNotOffForThisRun) {
  lvx::SetNetFolderForTests(NetFolder({}).c_str());
  NewMail.StartTimer();
  EXPECT_EQ(NewMail.timerId, 0u);
  EXPECT_EQ(Occurrences("NewMailClass= StartTimer-Aborted"), 1);

  Enable(true);
  NewMail.offForThisRun = 1;
  NewMail.StartTimer();
  EXPECT_EQ(NewMail.timerId, 0u);
  EXPECT_EQ(Occurrences("NewMailClass= StartTimer-Aborted"), 2);
  EXPECT_FALSE(RasApiDLL.Loaded());
  NewMail.StopTimer();
  EXPECT_EQ(Breadcrumbs().find("UnloadDLL-Nothing to unload "), std::string::npos);

  NewMail.offForThisRun = 0;
  NewMail.StartTimer();
  EXPECT_NE(NewMail.timerId, 0u);
  EXPECT_TRUE(RasApiDLL.Loaded());
  EXPECT_TRUE(Logged("NewMailClass= StartTimer-exit"));
  const UINT_PTR id = NewMail.timerId;
  NewMail.StopTimer();
  EXPECT_EQ(NewMail.timerId, 0u);
  EXPECT_EQ(KillTimer(nullptr, id), FALSE) << "the timer still ran";
  EXPECT_FALSE(RasApiDLL.Loaded());
}

}  // namespace
