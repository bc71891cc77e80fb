// The real program's settings dialog on an X server with the real GTK
// widgets, used the way a person uses it: xdotool moves the pointer, clicks
// and types; the settings file then holds what was typed.
#include <gtest/gtest.h>

#include <string>

#include "resources/dialog_ids.h"
#include "tests/config/dialog_on_x.h"
#include "tests/support/process.h"
#include "tests/support/test_support.h"
#include "tests/support/xserver.h"

TEST(SettingsOnX, TypedMessageIsStoredByOk) {
  if (!lvx::test::HaveTools({"Xvfb", "xdotool"})) GTEST_FAIL() << "Xvfb and xdotool are needed";
  // The OK button must stay where it is for this user.
  WritePrivateProfileStringA("params", "Jokes", "0",
                             (lvx::ConfigFolder() + "/Lumivex.ini").c_str());
  lvx::test::XServer x;
  ASSERT_FALSE(x.Display().empty());
  // Started as the desktop's settings entry starts it.
  lvx::test::Env env = x.SaverEnv();
  env.push_back({"SDL_AUDIODRIVER", "dummy"});
  lvx::test::Child lumivex = lvx::test::Spawn({"lumivex", "/c"}, env);
  const std::string window = x.WaitForWindow("Lumivex v3.08", true);
  ASSERT_FALSE(window.empty()) << lumivex.Err();
  lvx::test::SleepMs(300);  // let GTK lay the page out and draw it
  ASSERT_GT(x.Geometry(window).width, 300);

  ClickControl(x, window, IDD_MAIN, IDC_MAIN_MESSAGE);
  x.Tool("xdotool key --clearmodifiers ctrl+a");
  x.Tool("xdotool type --delay 20 'Stars over the sea'");
  ClickControl(x, window, IDD_MAIN, IDC_MAIN_BOTTOMLINE);
  x.Tool("xdotool key --clearmodifiers ctrl+a");
  x.Tool("xdotool type --delay 20 'typed by xdotool'");
  lvx::test::SleepMs(200);
  ClickControl(x, window, IDD_MAIN, IDOK);

  EXPECT_EQ(lumivex.Wait(10000), 1) << "OK ends the run with 1\n" << lumivex.Err();
  EXPECT_EQ(IniValue("Messages", "Message___0"), "Stars over the sea");
  EXPECT_EQ(IniValue("Messages", "BottomLine0"), "typed by xdotool");
  // Configure mode opens no saver window.
  EXPECT_TRUE(x.Tool("xdotool search --name '^Screen Saver$'").empty());
}
