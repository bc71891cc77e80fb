// Dialog boxes on the model: control state through the Win32 calls, what the
// procedure hears and in which order, how dialogs end, timers and painting.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "tests/platform/dialog/dialog_fixture.h"

namespace {

using lvx::test::Behaviours;
using lvx::test::DialogTest;
using lvx::test::EndOnButtons;
using lvx::test::HeardBy;
using lvx::test::Msg;
namespace dt = lvx::dlgtest;

TEST_F(DialogTest, TextAndNumbersRoundTripThroughTheControls) {
  Behaviours()[IDD_EMAIL] = EndOnButtons;
  dt::OnDialog(IDD_EMAIL, [](HWND d) {
    // Text: a cut copy never splits a character and always ends.
    EXPECT_TRUE(SetDlgItemTextA(d, IDC_MAIL_LOGIN, "J\xC3\xB6nah"));  // "Jönah"
    char buf[8];
    EXPECT_EQ(GetDlgItemTextA(d, IDC_MAIL_LOGIN, buf, sizeof buf), 6u);
    EXPECT_STREQ(buf, "J\xC3\xB6nah");
    char small[3];
    EXPECT_EQ(GetDlgItemTextA(d, IDC_MAIL_LOGIN, small, sizeof small), 1u) << "ö is not split";
    EXPECT_STREQ(small, "J");
    EXPECT_EQ(GetWindowTextLengthA(GetDlgItem(d, IDC_MAIL_LOGIN)), 6);
    EXPECT_FALSE(SetDlgItemTextA(d, 4242, "nowhere"));
    EXPECT_EQ(GetDlgItemTextA(d, 4242, buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");

    struct Case {
      const char* text;
      BOOL isSigned;
      BOOL ok;
      UINT value;
    } cases[] = {
        {"15", FALSE, TRUE, 15},
        {"  7", FALSE, TRUE, 7},
        {"12 minutes", FALSE, TRUE, 12},
        {"-5", TRUE, TRUE, static_cast<UINT>(-5)},
        {"-5", FALSE, FALSE, 0},
        {"", FALSE, FALSE, 0},
        {"abc", TRUE, FALSE, 0},
        {"4294967295", FALSE, TRUE, 4294967295u},
        {"4294967296", FALSE, FALSE, 0},
        {"2147483648", TRUE, FALSE, 0},
        {"-2147483648", TRUE, TRUE, 0x80000000u},
    };
    for (const Case& c : cases) {
      SetDlgItemTextA(d, IDC_MAIL_CHECKEVERY, c.text);
      BOOL ok = 2;
      EXPECT_EQ(GetDlgItemInt(d, IDC_MAIL_CHECKEVERY, &ok, c.isSigned), c.value) << c.text;
      EXPECT_EQ(ok, c.ok) << c.text;
    }
    SetDlgItemInt(d, IDC_MAIL_CHECKEVERY, static_cast<UINT>(-3), TRUE);
    EXPECT_EQ(dt::Text(d, IDC_MAIL_CHECKEVERY), "-3");
    SetDlgItemInt(d, IDC_MAIL_CHECKEVERY, 4000000000u, FALSE);
    EXPECT_EQ(dt::Text(d, IDC_MAIL_CHECKEVERY), "4000000000");
    EndDialog(d, IDOK);
  });
  EXPECT_EQ(Run(IDD_EMAIL), IDOK);
  EXPECT_TRUE(dt::Unanswered().empty());
}

TEST_F(DialogTest, ButtonsRadiosAndCombosKeepTheirState) {
  Behaviours()[IDD_WORLDTIME] = EndOnButtons;
  Behaviours()[IDD_EMAIL] = EndOnButtons;
  dt::OnDialog(IDD_WORLDTIME, [](HWND d) {
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_WT_HOME_DST), BST_UNCHECKED);
    CheckDlgButton(d, IDC_WT_HOME_DST, BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(d, IDC_WT_HOME_DST), BST_CHECKED);
    EXPECT_EQ(SendDlgItemMessageA(d, IDC_WT_HOME_DST, BM_GETSTATE, 0, 0) & BST_CHECKED,
              BST_CHECKED);
    // Combo box: the list, the selection and its text.
    HWND combo = GetDlgItem(d, IDC_WT_HOME);
    EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("(GMT) London")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("(GMT+01:00) Rome")),
              1);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("(GMT-05:00) Lima")),
              0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 2, 0), 2);
    char item[64];
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXTLEN, 2, 0), 16);
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(item)), 16);
    EXPECT_STREQ(item, "(GMT+01:00) Rome");
    EXPECT_EQ(dt::Text(d, IDC_WT_HOME), "(GMT+01:00) Rome");
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>("(gmt)")),
              1);
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>("(GMT)")),
              CB_ERR);
    // Inserting before the selection keeps the same item selected.
    SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("(GMT-10:00) Hawaii"));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, 9, 0), CB_ERR) << "out of range clears";
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(item)), CB_ERR);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_TRUE(dt::Items(d, IDC_WT_HOME).empty());

    // Enabled, visible, rectangle and id.
    HWND edit = GetDlgItem(d, IDC_WT_BOTTOMLINE);
    EXPECT_EQ(GetDlgCtrlID(edit), IDC_WT_BOTTOMLINE);
    EXPECT_EQ(GetParent(edit), d);
    EXPECT_FALSE(EnableWindow(edit, FALSE)) << "it was enabled";
    EXPECT_FALSE(IsWindowEnabled(edit));
    EXPECT_FALSE(dt::Enabled(d, IDC_WT_BOTTOMLINE));
    EXPECT_TRUE(EnableWindow(edit, TRUE)) << "it was disabled";
    ShowWindow(edit, SW_HIDE);
    EXPECT_FALSE(dt::Visible(d, IDC_WT_BOTTOMLINE));
    ShowWindow(edit, SW_SHOW);
    EXPECT_TRUE(dt::Visible(d, IDC_WT_BOTTOMLINE));
    MoveWindow(edit, 10, 20, 100, 30, TRUE);
    RECT r{};
    GetWindowRect(edit, &r);
    POINT tl{r.left, r.top};
    ScreenToClient(d, &tl);
    EXPECT_EQ(tl.x, 10);
    EXPECT_EQ(tl.y, 20);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 30);
    EndDialog(d, IDOK);
  });
  EXPECT_EQ(Run(IDD_WORLDTIME), IDOK);

  dt::OnDialog(IDD_EMAIL, [](HWND d) {
    // CheckRadioButton checks one and clears the rest of the range.
    CheckRadioButton(d, IDC_MAIL_LAN, IDC_MAIL_MODEM, IDC_MAIL_LAN);
    EXPECT_EQ(dt::CheckState(d, IDC_MAIL_LAN), BST_CHECKED);
    EXPECT_EQ(dt::CheckState(d, IDC_MAIL_MODEM), BST_UNCHECKED);
    // A person's click on the other radio button unchecks the first.
    EXPECT_TRUE(dt::Click(d, IDC_MAIL_MODEM));
    EXPECT_EQ(dt::CheckState(d, IDC_MAIL_LAN), BST_UNCHECKED);
    EXPECT_EQ(dt::CheckState(d, IDC_MAIL_MODEM), BST_CHECKED);
    // The password field shows bullets; the limit binds typing, not the program.
    EXPECT_TRUE(dt::Masked(d, IDC_MAIL_PASSWORD));
    EXPECT_FALSE(dt::Masked(d, IDC_MAIL_LOGIN));
    SendDlgItemMessageA(d, IDC_MAIL_LOGIN, EM_LIMITTEXT, 5, 0);
    EXPECT_EQ(dt::Limit(d, IDC_MAIL_LOGIN), 5);
    EXPECT_TRUE(dt::Type(d, IDC_MAIL_LOGIN, "abcdefgh"));
    EXPECT_EQ(dt::Text(d, IDC_MAIL_LOGIN), "abcde");
    EXPECT_TRUE(dt::SetText(d, IDC_MAIL_LOGIN, "\xC3\xB6\xC3\xB6\xC3\xB6"));  // "ööö"
    EXPECT_EQ(dt::Text(d, IDC_MAIL_LOGIN), "\xC3\xB6\xC3\xB6") << "cut at a character";
    SetDlgItemTextA(d, IDC_MAIL_LOGIN, "longer than five");
    EXPECT_EQ(dt::Text(d, IDC_MAIL_LOGIN), "longer than five");
    // A number field takes digits only.
    EXPECT_TRUE(dt::Type(d, IDC_MAIL_CHECKEVERY, "1x5"));
    EXPECT_EQ(dt::Text(d, IDC_MAIL_CHECKEVERY), "15");
    EndDialog(d, IDCANCEL);
  });
  EXPECT_EQ(Run(IDD_EMAIL), IDCANCEL);
}

TEST_F(DialogTest, TheProcedureHearsEachActionInWin32Order) {
  int checkSeenInHandler = -1;
  Behaviours()[IDD_WORLDTIME] = [&](HWND d, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
    if (msg == WM_INITDIALOG) {
      SendDlgItemMessageA(d, IDC_WT_WORLD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("A"));
      SendDlgItemMessageA(d, IDC_WT_WORLD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("B"));
      return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDC_WT_HOME_DST)
      checkSeenInHandler = static_cast<int>(IsDlgButtonChecked(d, IDC_WT_HOME_DST));
    return EndOnButtons(d, msg, wParam, 0);
  };
  dt::OnDialog(IDD_WORLDTIME, [](HWND d) {
    dt::Click(d, IDC_WT_HOME_DST);
    SetDlgItemTextA(d, IDC_WT_BOTTOMLINE, "set by the program");
    dt::SetText(d, IDC_WT_BOTTOMLINE, "typed");
    dt::Select(d, IDC_WT_WORLD, "B");
    dt::PressKey(d, VK_RETURN);
  });
  EXPECT_EQ(Run(IDD_WORLDTIME), IDOK);
  EXPECT_EQ(checkSeenInHandler, BST_CHECKED) << "the box is ticked before the dialog hears it";
  const std::vector<Msg> want = {
      {WM_INITDIALOG, 0, 0},
      {WM_COMMAND, BN_CLICKED, IDC_WT_HOME_DST},
      // The program's own text: an edit reports it too.
      {WM_COMMAND, EN_UPDATE, IDC_WT_BOTTOMLINE},
      {WM_COMMAND, EN_CHANGE, IDC_WT_BOTTOMLINE},
      // The person clicks into the edit, then types.
      {WM_COMMAND, EN_SETFOCUS, IDC_WT_BOTTOMLINE},
      {WM_COMMAND, EN_UPDATE, IDC_WT_BOTTOMLINE},
      {WM_COMMAND, EN_CHANGE, IDC_WT_BOTTOMLINE},
      {WM_COMMAND, EN_KILLFOCUS, IDC_WT_BOTTOMLINE},
      {WM_COMMAND, CBN_SETFOCUS, IDC_WT_WORLD},
      {WM_COMMAND, CBN_SELCHANGE, IDC_WT_WORLD},
      {WM_COMMAND, CBN_SELENDOK, IDC_WT_WORLD},
      // Enter presses the default button.
      {WM_COMMAND, BN_CLICKED, IDOK},
      {WM_DESTROY, 0, 0},
  };
  std::vector<Msg> heard = HeardBy(IDD_WORLDTIME);
  // Focus leaving the combo box for the button is the only difference
  // allowed around the end.
  heard.erase(std::remove(heard.begin(), heard.end(), Msg{WM_COMMAND, CBN_KILLFOCUS, IDC_WT_WORLD}),
              heard.end());
  EXPECT_EQ(heard, want);
}

TEST_F(DialogTest, MultiLineEditsKeepWin32LineBreaksAndStaySilentOnProgramText) {
  Behaviours()[IDD_MAIN] = EndOnButtons;
  dt::OnDialog(IDD_MAIN, [](HWND d) {
    std::size_t before = dt::HeardMessages().size();
    SetDlgItemTextA(d, IDC_MAIN_MESSAGE, "two\r\nlines");
    EXPECT_TRUE(HeardBy(IDD_MAIN, before).empty()) << "multi-line edits do not report program text";
    EXPECT_EQ(SendDlgItemMessageA(d, IDC_MAIN_MESSAGE, EM_GETLINECOUNT, 0, 0), 2);
    // Without ES_WANTRETURN, Enter presses the default button instead.
    dt::Type(d, IDC_MAIN_MESSAGE, "!\n");
    EXPECT_EQ(dt::Text(d, IDC_MAIN_MESSAGE), "two\r\nlines!");
  });
  EXPECT_EQ(Run(IDD_MAIN), IDOK);
}

TEST_F(DialogTest, DialogsEndTheWaysAPersonEndsThem) {
  struct Case {
    const char* name;
    std::function<void(HWND)> action;
    INT_PTR result;
  } cases[] = {
      {"OK button", [](HWND d) { dt::Click(d, IDOK); }, IDOK},
      {"Cancel button", [](HWND d) { dt::Click(d, IDCANCEL); }, IDCANCEL},
      {"Escape", [](HWND d) { dt::PressKey(d, VK_ESCAPE); }, IDCANCEL},
      {"Enter", [](HWND d) { dt::PressKey(d, VK_RETURN); }, IDOK},
      {"close button", [](HWND d) { dt::CloseButton(d); }, IDCANCEL},
      {"posted close", [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }, IDCANCEL},
      {"EndDialog with a number", [](HWND d) { EndDialog(d, 4711); }, 4711},
  };
  Behaviours()[IDD_COUNTDOWN] = EndOnButtons;
  for (const Case& c : cases) {
    dt::OnDialog(IDD_COUNTDOWN, c.action);
    EXPECT_EQ(Run(IDD_COUNTDOWN), c.result) << c.name;
    EXPECT_EQ(dt::FindDialog(IDD_COUNTDOWN), nullptr) << c.name << ": destroyed after its loop";
  }
  EXPECT_TRUE(dt::Unanswered().empty());

  // Ended during WM_INITDIALOG: no loop, the result all the same.
  Behaviours()[IDD_BIRTHDAY] = [](HWND d, UINT msg, WPARAM, LPARAM lParam) -> INT_PTR {
    if (msg == WM_INITDIALOG) EndDialog(d, lParam);
    return FALSE;
  };
  EXPECT_EQ(Run(IDD_BIRTHDAY, nullptr, 33), 33);
  // No such template, no procedure: -1.
  EXPECT_EQ(Run(9999), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_BIRTHDAY), nullptr, nullptr, 0), -1);
}

TEST_F(DialogTest, UnansweredDialogsAreEscapedAndNoted) {
  Behaviours()[IDD_COUNTDOWN] = EndOnButtons;
  // A procedure that ignores Cancel cannot hold a test hostage.
  Behaviours()[IDD_BIRTHDAY] = [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
    return msg == WM_INITDIALOG;
  };
  EXPECT_EQ(Run(IDD_COUNTDOWN), IDCANCEL);
  dt::OnDialog(IDD_BIRTHDAY, [](HWND) {});
  EXPECT_EQ(Run(IDD_BIRTHDAY), IDCANCEL);
  EXPECT_EQ(dt::Unanswered(), (std::vector<std::string>{"dialog 2012", "dialog 2015 left open"}));
}

TEST_F(DialogTest, AModalDialogDisablesItsOwnerUntilItEnds) {
  bool ownerEnabledInside = true;
  Behaviours()[IDD_MAIN] = EndOnButtons;
  Behaviours()[IDD_EMAIL] = EndOnButtons;
  dt::OnDialog(IDD_MAIN, [&](HWND main) {
    dt::OnDialog(IDD_EMAIL, [&](HWND mail) {
      ownerEnabledInside = IsWindowEnabled(main);
      EXPECT_EQ(GetParent(mail), main) << "a dialog's owner is its parent";
      EXPECT_FALSE(dt::Click(main, IDOK)) << "the owner takes no clicks meanwhile";
      dt::Click(mail, IDOK);
    });
    EXPECT_EQ(Run(IDD_EMAIL, main), IDOK);
    EXPECT_TRUE(IsWindowEnabled(main));
    dt::Click(main, IDCANCEL);
  });
  EXPECT_EQ(Run(IDD_MAIN), IDCANCEL);
  EXPECT_FALSE(ownerEnabledInside);
}

TEST_F(DialogTest, TimersOnDialogsAndControlsReachTheirProcedures) {
  static int frameTicks = 0;
  frameTicks = 0;
  std::vector<WPARAM> dialogTicks;
  Behaviours()[IDD_MAIN] = [&](HWND d, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
    if (msg == WM_INITDIALOG) {
      SetTimer(d, 2, 100, nullptr);
      SetTimer(GetDlgItem(d, IDC_MAIN_PICTURE), 2, 4200,
               [](HWND, UINT, UINT_PTR, DWORD) { ++frameTicks; });
      return TRUE;
    }
    if (msg == WM_TIMER) dialogTicks.push_back(wParam);
    return EndOnButtons(d, msg, wParam, 0);
  };
  HWND frame = nullptr;
  HWND dialog = nullptr;
  dt::OnDialog(IDD_MAIN, [&](HWND d) {
    dialog = d;
    frame = GetDlgItem(d, IDC_MAIN_PICTURE);
    EXPECT_EQ(dt::TimerPeriod(d, 2), 100u);
    EXPECT_EQ(dt::TimerPeriod(frame, 2), 4200u);
    EXPECT_TRUE(dt::FireTimer(d, 2));
    EXPECT_TRUE(dt::FireTimer(d, 2));
    EXPECT_TRUE(dt::FireTimer(frame, 2));
    EXPECT_FALSE(dt::FireTimer(d, 3));
    KillTimer(d, 2);
    EXPECT_FALSE(dt::FireTimer(d, 2));
    dt::Click(d, IDOK);
  });
  EXPECT_EQ(Run(IDD_MAIN), IDOK);
  EXPECT_EQ(dialogTicks, (std::vector<WPARAM>{2, 2}));
  EXPECT_EQ(frameTicks, 1);
  EXPECT_EQ(dt::TimerPeriod(frame, 2), 0u) << "a control's timer dies with its dialog";
  EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(DialogTest, PictureFramesShowWhatTheDialogPaints) {
  constexpr COLORREF kRed = RGB(200, 0, 0);
  int paints = 0;
  Behaviours()[IDD_MAIN] = [&](HWND d, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
    if (msg == WM_PAINT) {
      ++paints;
      PAINTSTRUCT ps;
      BeginPaint(d, &ps);
      HWND frame = GetDlgItem(d, IDC_MAIN_PICTURE);
      HDC dc = GetDC(frame);
      RECT r{};
      GetClientRect(frame, &r);
      HBRUSH red = CreateSolidBrush(kRed);
      FillRect(dc, &r, red);
      DeleteObject(red);
      ReleaseDC(frame, dc);
      EndPaint(d, &ps);
      return TRUE;
    }
    return EndOnButtons(d, msg, wParam, 0);
  };
  dt::OnDialog(IDD_MAIN, [&](HWND d) {
    HWND frame = GetDlgItem(d, IDC_MAIN_PICTURE);
    dt::Pump();
    EXPECT_EQ(paints, 1) << "a dialog paints once when it shows";
    RECT r{};
    GetClientRect(frame, &r);
    HDC dc = GetDC(frame);
    EXPECT_EQ(GetPixel(dc, r.right / 2, r.bottom / 2), kRed);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(128, 128, 128)) << "the frame's border is drawn after";
    // Repainting the frame alone asks the dialog again.
    InvalidateRect(frame, nullptr, TRUE);
    dt::Pump();
    EXPECT_EQ(paints, 2);
    dt::Pump();
    EXPECT_EQ(paints, 2) << "painted means valid: no endless paint";
    dt::Click(d, IDOK);
  });
  EXPECT_EQ(Run(IDD_MAIN), IDOK);
}

TEST_F(DialogTest, BitmapStaticsShowTheirPictureShrunkToFit) {
  Behaviours()[IDD_QUOTES] = EndOnButtons;
  // A page template run as a plain dialog is fine for looking at controls.
  dt::OnDialog(IDD_QUOTES, [](HWND d) {
    HWND picture = GetDlgItem(d, IDC_QUO_PICTURE);
    RECT box{};
    GetClientRect(picture, &box);
    // 120 is 131 x 103: wider than the box at these units, so it shrinks.
    HBITMAP bmp = LoadBitmapA(nullptr, MAKEINTRESOURCEA(120));
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp)), 0);
    EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(bmp));
    dt::Pump();
    HDC dc = GetDC(picture);
    int lit = 0;
    for (int y = 0; y < box.bottom; ++y)
      for (int x = 0; x < box.right; ++x) lit += GetPixel(dc, x, y) != 0 ? 1 : 0;
    EXPECT_GT(lit, box.right * box.bottom / 4) << "the picture shows in the box";
    SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, 0);
    DeleteObject(bmp);
    dt::PressKey(d, VK_ESCAPE);
  });
  Run(IDD_QUOTES);
}

TEST_F(DialogTest, F1AsksTheDialogForHelpAboutTheFocusedControl) {
  std::vector<int> helpIds;
  Behaviours()[IDD_EMAIL] = [&](HWND d, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    if (msg == WM_HELP) {
      auto* info = reinterpret_cast<const HELPINFO*>(lParam);
      EXPECT_EQ(info->cbSize, sizeof(HELPINFO));
      EXPECT_EQ(info->iContextType, HELPINFO_WINDOW);
      helpIds.push_back(info->iCtrlId);
      return TRUE;
    }
    return EndOnButtons(d, msg, wParam, lParam);
  };
  dt::OnDialog(IDD_EMAIL, [](HWND d) {
    dt::Focus(d, IDC_MAIL_SERVER);
    dt::PressKey(d, VK_F1);
    dt::Click(d, IDOK);
  });
  EXPECT_EQ(Run(IDD_EMAIL), IDOK);
  EXPECT_EQ(helpIds, (std::vector<int>{IDC_MAIL_SERVER}));
}

TEST_F(DialogTest, ActionsOnWhatAPersonCannotReachFail) {
  Behaviours()[IDD_EMAIL] = EndOnButtons;
  dt::OnDialog(IDD_EMAIL, [](HWND d) {
    EnableWindow(GetDlgItem(d, IDOK), FALSE);
    EXPECT_FALSE(dt::Click(d, IDOK)) << "disabled";
    ShowWindow(GetDlgItem(d, IDC_MAIL_LOGIN), SW_HIDE);
    EXPECT_FALSE(dt::SetText(d, IDC_MAIL_LOGIN, "x")) << "hidden";
    EXPECT_FALSE(dt::Click(d, 4242)) << "missing";
    EXPECT_FALSE(dt::Click(d, IDC_MAIL_SERVER)) << "an edit is not clicked like a button";
    EXPECT_FALSE(dt::Select(d, IDC_MAIL_SERVER, 0)) << "not a combo box";
    // Enter with the default button disabled does nothing either.
    dt::PressKey(d, VK_RETURN);
    EXPECT_NE(dt::FindDialog(IDD_EMAIL), nullptr);
    dt::Click(d, IDCANCEL);
  });
  EXPECT_EQ(Run(IDD_EMAIL), IDCANCEL);
}

}  // namespace

namespace {

// Without a display and without test scripts a dialog waits like one on
// screen; the stop signal a session sends at its end cancels it.
TEST(DialogUnattended, WaitsUntilTheStopSignalCancelsIt) {
  using lvx::test::Behaviours;
  Behaviours()[IDD_BIRTHDAY] = lvx::test::EndOnButtons;
  std::thread stopper([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(getpid(), SIGTERM);
  });
  const auto start = std::chrono::steady_clock::now();
  const INT_PTR result =
      DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_BIRTHDAY), nullptr, lvx::test::TestProc, 0);
  stopper.join();
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  lvx::ResetDialogsForTests();
}

}  // namespace
