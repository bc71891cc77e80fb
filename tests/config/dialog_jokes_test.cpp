// The running OK button and the blinking eyes of the main page.
#include "config_fixture.h"

namespace {

RECT ScreenRect(HWND window) {
  RECT r{0, 0, 0, 0};
  GetWindowRect(window, &r);
  return r;
}

}  // namespace

TEST(ApproachTest, ThePointerNearAnEdgeSendsTheButtonTheOtherWay) {
  const RECT dialog{100, 100, 620, 640};
  // A 90 x 40 button, so that the pointer can be beside it without being
  // near its top or bottom too.
  const struct {
    const char* what;
    RECT button;
    POINT pointer;
    int dx, dy;
  } cases[] = {
      {"from the left", {300, 400, 390, 440}, {295, 420}, 1, 0},
      {"from the left, dialog edge near", {500, 400, 590, 440}, {505, 420}, -3, 0},
      {"from the right", {300, 400, 390, 440}, {392, 420}, -1, 0},
      {"from the right, dialog edge near", {140, 400, 230, 440}, {228, 420}, 3, 0},
      {"from above", {300, 400, 390, 440}, {340, 390}, 0, 1},
      {"from above, dialog edge near", {300, 595, 390, 635}, {340, 591}, 0, -3},
      {"from below", {300, 400, 390, 440}, {340, 445}, 0, -1},
      {"from below, dialog edge near", {300, 140, 390, 180}, {340, 185}, 0, 3},
      {"corner: left and top", {300, 400, 390, 440}, {298, 402}, 1, 1},
      {"in the middle", {300, 400, 390, 440}, {345, 420}, 0, 0},
      {"far away", {300, 400, 390, 440}, {100, 100}, 0, 0},
      // The bands stop short of 15 pixels.
      {"15 to the left", {300, 400, 390, 440}, {285, 420}, 0, 0},
      {"beside, but too high", {300, 400, 390, 440}, {295, 385}, 0, 0},
  };
  for (const auto& c : cases) {
    int dx = 99, dy = 99;
    const bool jump = IsApproaching(c.pointer, c.button, dialog, &dx, &dy);
    EXPECT_EQ(dx, c.dx) << c.what;
    EXPECT_EQ(dy, c.dy) << c.what;
    EXPECT_EQ(jump, c.dx != 0 || c.dy != 0) << c.what;
  }
}

TEST(ApproachTest, APointerNearBothSidesOfANarrowButtonSendsItLeft) {
  lvx::test::WriteFile(lvx::LogFilePath(), "");
  lvx::ResetLogForTests();
  LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  const RECT dialog{100, 100, 620, 640};
  int dx = 0, dy = 0;
  EXPECT_TRUE(IsApproaching({310, 420}, {300, 400, 320, 440}, dialog, &dx, &dy));
  EXPECT_EQ(dx, -1);
  EXPECT_EQ(dy, 0);
  const std::string log = lvx::test::ReadFile(lvx::LogFilePath());
  EXPECT_NE(log.find("IsApproaching X= Both detected"), std::string::npos) << log;
  EXPECT_EQ(log.find("IsApproaching Y"), std::string::npos);
}

class RunningButtonTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    Prepare();
    lvx::SeedRandomForTests(SeedForJoke(true));
  }
  // Puts the pointer just left of the OK button, near its bottom, and lets
  // the joke look.
  static RECT PointFromTheLeftAndTick(HWND d) {
    const RECT before = ScreenRect(GetDlgItem(d, IDOK));
    SetCursorPos(before.left - 5, before.bottom - 2);
    EXPECT_TRUE(dlg::FireTimer(d, RunningButtonTimerId));
    return before;
  }
};

TEST_F(RunningButtonTest, StartsOnlyWithJokesOnAndTheDiceRight) {
  const struct {
    const char* jokes;
    bool starts;
    bool active;
  } cases[] = {{"1", true, true}, {"0", true, false}, {"1", false, false}};
  for (const auto& c : cases) {
    SetIni("params", "Jokes", c.jokes);
    lvx::ResetSettingsForTests();
    lvx::ResetDialogJokesForTests();
    lvx::SeedRandomForTests(SeedForJoke(c.starts));
    RunMainPage([&](HWND d) {
      EXPECT_EQ(RunningButton.active, c.active) << c.jokes << c.starts;
      EXPECT_EQ(dlg::TimerPeriod(d, RunningButtonTimerId), c.active ? RunningButtonPeriod : 0u);
      dlg::Click(d, IDCANCEL);
    });
  }
}

TEST_F(RunningButtonTest, JumpsFiftyPixelsAwayOrHundredFiftyBackFromTheEdge) {
  RunMainPage([](HWND d) {
    HWND ok = GetDlgItem(d, IDOK);
    const RECT first = PointFromTheLeftAndTick(d);
    RECT now = ScreenRect(ok);
    // The pointer is near the bottom edge as well: it also jumps up.
    EXPECT_EQ(now.left, first.left + 50);
    EXPECT_EQ(now.top, first.top - 50);
    EXPECT_EQ(now.right - now.left, first.right - first.left) << "same size";
    EXPECT_EQ(now.bottom - now.top, first.bottom - first.top);

    // Next to the dialog's right edge it runs back across the dialog.
    RECT client{0, 0, 0, 0};
    GetClientRect(d, &client);
    const int width = now.right - now.left;
    MoveWindow(ok, client.right - width - 20, client.bottom / 2, width, now.bottom - now.top, TRUE);
    const RECT second = PointFromTheLeftAndTick(d);
    now = ScreenRect(ok);
    EXPECT_EQ(now.left, second.left - 150);
    EXPECT_EQ(RunningButton.attempts, 2);

    // A pointer far from it leaves it alone.
    SetCursorPos(now.left - 100, now.top - 100);
    dlg::FireTimer(d, RunningButtonTimerId);
    EXPECT_EQ(ScreenRect(ok).left, now.left);
    EXPECT_EQ(ScreenRect(ok).top, now.top);
    EXPECT_EQ(RunningButton.attempts, 2);
    dlg::Click(d, IDCANCEL);
  });
  const std::string log = Log();
  EXPECT_NE(log.find("ButtonX jump"), std::string::npos);
}

TEST_F(RunningButtonTest, StaysPutWhilePressedOrWhileAnInnerDialogIsUp) {
  dlg::OnDialog(IDD_EMAIL, [](HWND e) {
    HWND main = dlg::FindDialog(IDD_MAIN);
    const RECT before = PointFromTheLeftAndTick(main);
    EXPECT_EQ(ScreenRect(GetDlgItem(main, IDOK)).left, before.left) << "paused";
    dlg::Click(e, IDCANCEL);
  });
  RunMainPage([](HWND d) {
    HWND ok = GetDlgItem(d, IDOK);
    // The mouse button is down on it, which also gives it the focus.
    SetFocus(ok);
    SendMessageA(ok, BM_SETSTATE, TRUE, 0);
    ASSERT_EQ(SendMessageA(ok, BM_GETSTATE, 0, 0), BST_PUSHED | BST_FOCUS);
    RECT before = PointFromTheLeftAndTick(d);
    EXPECT_EQ(ScreenRect(ok).left, before.left);
    SendMessageA(ok, BM_SETSTATE, FALSE, 0);

    dlg::Click(d, IDC_MAIN_EMAIL);
    EXPECT_EQ(RunningButton.attempts, 0);
    before = PointFromTheLeftAndTick(d);
    EXPECT_EQ(ScreenRect(ok).left, before.left + 50) << "running again";
    dlg::Click(d, IDCANCEL);
  });
}

TEST_F(RunningButtonTest, HittingItAnywayIsCongratulatedWithTheCount) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  dlg::AnswerMessageBoxes({IDOK});
  const INT_PTR result = RunMainPage([](HWND d) {
    PointFromTheLeftAndTick(d);
    PointFromTheLeftAndTick(d);
    dlg::Click(d, IDOK);
  });
  EXPECT_EQ(result, 1);
  ASSERT_EQ(BoxesCaptioned("CONGRATULATIONS!"), 1);
  EXPECT_EQ(dlg::MessageBoxes().back().text, "You were able to hit the button with 2 attempts!");
}

TEST_F(RunningButtonTest, NeverLeavesTheDialog) {
  RunMainPage([](HWND d) {
    // A dialog too narrow for the jump back: 150 pixels left would put the
    // button outside, where nobody could press it.
    const RECT dialog = ScreenRect(d);
    MoveWindow(d, dialog.left, dialog.top, 220, dialog.bottom - dialog.top, TRUE);
    HWND ok = GetDlgItem(d, IDOK);
    const RECT size = ScreenRect(ok);
    RECT client{0, 0, 0, 0};
    GetClientRect(d, &client);
    MoveWindow(ok, 100, client.bottom / 2, size.right - size.left, size.bottom - size.top, TRUE);
    PointFromTheLeftAndTick(d);
    POINT corner{ScreenRect(ok).left, ScreenRect(ok).top};
    ScreenToClient(d, &corner);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, client.bottom / 2 - 50) << "and up, away from the pointer at its bottom";
    EXPECT_EQ(RunningButton.attempts, 1);
    dlg::Click(d, IDCANCEL);
  });
}
