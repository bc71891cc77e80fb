// The messages page of the real program on the test X server with the real
// GTK widgets, used the way a person uses it: xdotool opens the sheet, adds a
// message, types it and presses OK on the sheet and on the main page; the
// settings file then holds the message.
#include <gtest/gtest.h>

#include <string>

#include "resources/dialog_ids.h"
#include "tests/config/dialog_on_x.h"
#include "tests/support/process.h"
#include "tests/support/test_support.h"
#include "tests/support/xserver.h"

using lvx::test::SleepMs;

TEST(MessagesOnX, NewMessageTypedOnThePageIsStoredByOkAndOk) {
  ASSERT_FALSE(lvx::test::TestXDisplay().empty()) << "the test script starts Xvfb";
  // No further messages yet, and an OK button that stays where it is.
  lvx::test::WriteFile(
      lvx::ConfigFolder() + "/Lumivex.ini",
      "[params]\nFirstTime=\"0\"\nJokes=\"0\"\n[Messages]\nMessage___0=\"main\"\n");
  const lvx::test::XDisplay x(lvx::test::TestXDisplay());
  lvx::test::Env env = x.SaverEnv();
  env.push_back({"SDL_AUDIODRIVER", "dummy"});
  lvx::test::Child lumivex = lvx::test::Spawn({"lumivex", "/c"}, env);

  const std::string main = x.WaitForWindow("Lumivex v3.08", true);
  ASSERT_FALSE(main.empty()) << lumivex.Err();
  SleepMs(300);
  x.Tool("xdotool windowfocus --sync " + main + " key --clearmodifiers alt+o");
  const std::string sheet = x.WaitForWindow("Lumivex v3.08 - Much More Options", true);
  ASSERT_FALSE(sheet.empty()) << lumivex.Err();
  SleepMs(300);
  // The sheet is its page (300 x 244 units) with 11 units on either side, 25
  // above for the tabs and 32 below for its buttons.
  const Units sheetSize{322, 301};
  auto onPage = [&](int control) {
    ClickControl(x, sheet, IDD_MESSAGES, control, Units{11, 25}, sheetSize);
  };
  onPage(IDC_MSG_NEW);
  SleepMs(200);
  onPage(IDC_MSG_TEXT);
  x.Tool("xdotool key --clearmodifiers ctrl+a type --delay 20 'Sweet dreams'");
  onPage(IDC_MSG_BOTTOMLINE);
  x.Tool("xdotool key --clearmodifiers ctrl+a type --delay 20 'from the messages page'");
  SleepMs(200);
  // The sheet's OK, 50 x 14 units at (211, 280).
  ClickInUnits(x, sheet, Units{211 + 25, 280 + 7}, sheetSize);
  for (int i = 0; i < 100 && !x.Tool("xdotool getwindowname " + sheet).empty(); ++i) SleepMs(50);
  SleepMs(200);
  ClickControl(x, main, IDD_MAIN, IDOK);

  const int code = lumivex.Wait(10000);
  ASSERT_NE(code, lvx::test::kRunning) << "the program ended\n" << lumivex.Err();
  EXPECT_EQ(code, 1) << "OK ends the run with 1";
  EXPECT_EQ(IniValue("Messages", "Message___1"), "Sweet dreams");
  EXPECT_EQ(IniValue("Messages", "BottomLine1"), "from the messages page");
  EXPECT_EQ(IniValue("Messages", "Message___0"), "main");
}
