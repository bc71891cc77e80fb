// The entry point's command line, the end-of-run rules and the password check.
#include <string>

#include "config/config_dialog.h"
#include "events/dialog_jokes.h"
#include "host_fixture.h"
#include "platform/dialog/dialog_test_api.h"
#include "resources/dialog_ids.h"

namespace {

int Main(const char* tail) {
  std::string writable(tail);
  return SaverMain(nullptr, nullptr, writable.data(), 1);
}

HWND Handle(std::uintptr_t id) { return reinterpret_cast<HWND>(id); }

}  // namespace

TEST(CommandTail, DropsTheProgramPathQuotedOrNot) {
  EXPECT_STREQ(CommandTail("/usr/bin/lumivex /s"), "/s");
  EXPECT_STREQ(CommandTail("\"/opt/my saver/lumivex\"   /p 12"), "/p 12");
  EXPECT_STREQ(CommandTail("\"/opt/my saver/lumivex\"/c"), "/c");
  EXPECT_STREQ(CommandTail("lumivex"), "");
  EXPECT_STREQ(CommandTail("\"unterminated quote /s"), "");
  EXPECT_STREQ(CommandTail(nullptr), "");
  // Only the program path and the blanks after it go; the rest is kept as is.
  EXPECT_STREQ(CommandTail("lumivex \t / - s "), "/ - s ");
}

TEST(ParseWindowHandle, ReadsLeadingDecimalDigitsOnly) {
  EXPECT_EQ(ParseWindowHandle("1234"), Handle(1234));
  EXPECT_EQ(ParseWindowHandle("12ab"), Handle(12));
  EXPECT_EQ(ParseWindowHandle(""), nullptr);
  EXPECT_EQ(ParseWindowHandle(":1234"), nullptr);
  EXPECT_EQ(ParseWindowHandle("-5"), nullptr);
  EXPECT_EQ(ParseWindowHandle("0x20"), nullptr);
  EXPECT_EQ(ParseWindowHandle("4294967295"), Handle(4294967295u));
  // Too large for a window id: not a wrapped-around small number.
  EXPECT_EQ(ParseWindowHandle("4294967296"), nullptr);
  EXPECT_EQ(ParseWindowHandle("99999999999999999999999999"), nullptr);
}

TEST(XScreenSaverWords, RootAndWindowId) {
  auto kind = [](const char* tail, const char* env) {
    return ParseXScreenSaverWords(tail, env).kind;
  };
  EXPECT_EQ(kind("/s", nullptr), XScreenSaverRequest::NotXScreenSaver);
  EXPECT_EQ(kind("-rooted", nullptr), XScreenSaverRequest::NotXScreenSaver);
  EXPECT_EQ(kind("", "0x10"), XScreenSaverRequest::NotXScreenSaver);
  EXPECT_EQ(kind("-root", nullptr), XScreenSaverRequest::FullScreen);
  EXPECT_EQ(kind("--root", "junk"), XScreenSaverRequest::FullScreen);

  XScreenSaverRequest r = ParseXScreenSaverWords("-root", "0x2a00005");
  EXPECT_EQ(r.kind, XScreenSaverRequest::InWindow);
  EXPECT_EQ(r.window, Handle(0x2a00005));
  r = ParseXScreenSaverWords("--window-id 0X1F", nullptr);
  EXPECT_EQ(r.kind, XScreenSaverRequest::InWindow);
  EXPECT_EQ(r.window, Handle(31));
  r = ParseXScreenSaverWords("-root -window-id 77", "0x99");
  EXPECT_EQ(r.window, Handle(77));

  EXPECT_EQ(kind("-window-id", nullptr), XScreenSaverRequest::Invalid);
  EXPECT_EQ(kind("-window-id 12x", nullptr), XScreenSaverRequest::Invalid);
  EXPECT_EQ(kind("-window-id 0x", nullptr), XScreenSaverRequest::Invalid);
  EXPECT_EQ(kind("-window-id 0x1ffffffff", nullptr), XScreenSaverRequest::Invalid);
  EXPECT_EQ(kind("---root", nullptr), XScreenSaverRequest::NotXScreenSaver);
  EXPECT_EQ(kind("-root /s", nullptr), XScreenSaverRequest::Invalid);
}

TEST(XScreenSaverWords, TheDaemonsOwnOptionsAreIgnored) {
  const struct {
    const char* tail;
    XScreenSaverRequest::Kind kind;
    std::uintptr_t window;
  } cases[] = {
      {"-root -fps", XScreenSaverRequest::InWindow, 0x99},
      {"-root --no-fps -install -pair", XScreenSaverRequest::InWindow, 0x99},
      {"-fps -root", XScreenSaverRequest::InWindow, 0x99},
      {"-root -visual 0x21", XScreenSaverRequest::InWindow, 0x99},
      {"-visual default -window-id 77 -fps", XScreenSaverRequest::InWindow, 77},
      // The visual needs its id; other words stay refused.
      {"-root -visual", XScreenSaverRequest::Invalid, 0},
      {"-root -fpsx", XScreenSaverRequest::Invalid, 0},
      {"-root -geometry 10x10", XScreenSaverRequest::Invalid, 0},
      // Without -root or -window-id they are nothing of ours: the letter rule
      // then reads "-fps" as mode F and "-pair" as a preview without a window.
      {"-fps", XScreenSaverRequest::NotXScreenSaver, 0},
      {"-pair", XScreenSaverRequest::NotXScreenSaver, 0},
      {"/s -root", XScreenSaverRequest::NotXScreenSaver, 0},
  };
  for (const auto& c : cases) {
    const XScreenSaverRequest r = ParseXScreenSaverWords(c.tail, "0x99");
    EXPECT_EQ(r.kind, c.kind) << c.tail;
    if (c.kind == XScreenSaverRequest::InWindow) {
      EXPECT_EQ(r.window, Handle(c.window)) << c.tail;
    }
  }
  EXPECT_EQ(Main("-pair"), -1);
  EXPECT_EQ(Main("-fps"), -1);
}

TEST(SaverMain, HelpAndVersionAnswerOnStandardOutput) {
  for (const char* word : {"--help", "-help"}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Main(word), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    for (const char* mode : {"/s", "/p", "/c", "/a", "-root", "-window-id", "-fps", "--version"})
      EXPECT_NE(out.find(mode), std::string::npos) << word << " lacks " << mode;
  }
  for (const char* word : {"--version", "-version"}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Main(word), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "lumivex v3.08, build date Oct 16 2005\n");
  }
  // Only as the whole command line; the letter rule reads the rest.
  EXPECT_EQ(Main("--help me"), -1);
  EXPECT_EQ(Main("-h"), -1);
  EXPECT_EQ(Main("--helpful"), -1);
}

TEST(SaverMain, ModesThatShowNothing) {
  EXPECT_EQ(Main("/x"), -1);
  EXPECT_EQ(Main("/\t"), -1);
  EXPECT_EQ(Main("/p 0"), -1);
  EXPECT_EQ(Main("/p"), -1);
  EXPECT_EQ(Main("/p:1234"), -1);
  EXPECT_EQ(Main("/l 4242"), -1);  // no such window
  EXPECT_EQ(Main("-window-id 4242"), -1);
  EXPECT_EQ(Main("/a"), 0);
  EXPECT_EQ(Main("/A 99"), 0);
}

TEST_F(HostTest, ConfigureModesShowTheMainPageAndNoSaverWindow) {
  lvx::dlgtest::Reset();
  const struct {
    const char* tail;
    int button;
    int exitCode;
  } runs[] = {{"/c", IDCANCEL, 0}, {"/c:5678", IDOK, 1}, {"", IDCANCEL, 0}, {" -C", IDOK, 1}};
  for (const auto& run : runs) {
    ResetProcess();
    lvx::ResetConfigDialogForTests();
    lvx::ResetDialogJokesForTests();
    bool shown = false;
    lvx::dlgtest::OnDialog(IDD_MAIN, [&](HWND d) {
      shown = true;
      EXPECT_EQ(lvx::dlgtest::Caption(d), "Lumivex v3.08");
      EXPECT_EQ(FindWindowA(SaverClassName, nullptr), nullptr);
      lvx::dlgtest::Click(d, run.button);
    });
    EXPECT_EQ(Main(run.tail), run.exitCode) << run.tail;
    EXPECT_TRUE(shown) << run.tail;
  }
  EXPECT_TRUE(lvx::dlgtest::Unanswered().empty());
}

TEST_F(HostTest, PointerMovesUpToFourPixelsAreTolerated) {
  SetIni("Params", "SwitchOffTV", "0");
  SetCursorPos(500, 400);
  ASSERT_NE(OpenSaver(), nullptr);
  FrameCounter = PointerWarmUpFrames;

  MoveTo(502, 402);  // 4 in total
  EXPECT_FALSE(TakeClose());
  MoveTo(498, 400);  // 2 left of the reference: still fine
  EXPECT_FALSE(TakeClose());
  MoveTo(503, 402);  // 5
  EXPECT_TRUE(TakeClose());

  // The reference point moved with the close request: jitter adds up.
  MoveTo(506, 402);  // 3 from the new reference
  EXPECT_FALSE(TakeClose());
  MoveTo(509, 402);  // another 3 in the same direction: 6 from it
  EXPECT_TRUE(TakeClose());
}

TEST_F(HostTest, PointerIsIgnoredDuringTheWarmUpButKeysAreNot) {
  SetIni("Params", "SwitchOffTV", "0");
  SetCursorPos(100, 100);
  ASSERT_NE(OpenSaver(), nullptr);
  FrameCounter = PointerWarmUpFrames - 1;
  MoveTo(600, 600);
  EXPECT_FALSE(TakeClose());
  SendMessageA(window_, WM_KEYDOWN, 'A', 0);
  EXPECT_TRUE(TakeClose());
  SendMessageA(window_, WM_RBUTTONDOWN, 0, 0);
  EXPECT_TRUE(TakeClose());

  FrameCounter = PointerWarmUpFrames;
  MoveTo(610, 600);
  EXPECT_TRUE(TakeClose());
  // Key releases and characters do not end the saver.
  SendMessageA(window_, WM_KEYUP, 'A', 0);
  SendMessageA(window_, WM_CHAR, 'a', 0);
  EXPECT_FALSE(TakeClose());
}

TEST_F(HostTest, SwitchingCommandsAreSwallowedAndTheTitleStays) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  EXPECT_EQ(SendMessageA(window_, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
  EXPECT_EQ(SendMessageA(window_, WM_SYSCOMMAND, SC_NEXTWINDOW, 0), 0);
  SendMessageA(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other"));
  char title[32] = "";
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ(title, "Screen Saver");
  EXPECT_EQ(FindWindowA(SaverClassName, FullScreenTitle), window_);
}

TEST_F(HostTest, ASecondFullScreenStartBringsTheFirstForward) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  bool forward = false;
  EXPECT_EQ(CreateSaverWindow(nullptr, &forward), nullptr);
  EXPECT_TRUE(forward);
  EXPECT_EQ(RunSaverWindow(nullptr), 0);
  EXPECT_TRUE(IsWindow(window_));
}

namespace {
int g_verifications = 0;
BOOL g_accept = FALSE;
BOOL CountingVerifier(HWND) {
  ++g_verifications;
  return g_accept;
}
}  // namespace

TEST_F(HostTest, RejectedPasswordKeepsTheSaverAndDebouncesCloseRequests) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  lvx::SetPasswordVerifierForTests(CountingVerifier);

  SetCursorPos(10, 10);
  EXPECT_EQ(SendMessageA(window_, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(g_verifications, 1);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_FALSE(SaverHost.isClosing);
  // The reference point follows the cursor after a rejection.
  EXPECT_EQ(SaverHost.referencePoint.x, 10);

  SendMessageA(window_, WM_CLOSE, 0, 0);  // within 200 ms: dropped
  EXPECT_EQ(g_verifications, 1);

  Sleep(220);
  g_accept = TRUE;
  SendMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_EQ(g_verifications, 2);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(SaverHost.isClosing);
  UnloadPasswordModule();
  EXPECT_EQ(SaverHost.verifyPassword, nullptr);
}

TEST_F(HostTest, OnceClosingTimersAndInputNoLongerReachTheSaver) {
  SetIni("Params", "SwitchOffTV", "0");
  ASSERT_NE(OpenSaver(), nullptr);
  // Without a password module a close request is granted at once.
  EXPECT_EQ(VerifyPasswordToClose(window_), TRUE);
  EXPECT_TRUE(SaverHost.isClosing);
  const int frames = FrameCounter;
  EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(FrameCounter, frames);
  SendMessageA(window_, WM_KEYDOWN, 'Q', 0);
  EXPECT_FALSE(TakeClose());
}
