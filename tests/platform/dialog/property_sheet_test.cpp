// Property sheets on the model: pages made when first shown, the order of
// the page notifications, OK applying every opened page and Cancel none, the
// refusals a page can give, Apply, and modal windows nested inside a page.
#include <string>

#include "tests/platform/dialog/dialog_fixture.h"

namespace {

using lvx::test::Behaviours;
using lvx::test::DialogTest;
using lvx::test::EndOnButtons;
using lvx::test::HeardBy;
using lvx::test::Msg;
namespace dt = lvx::dlgtest;

constexpr int kPages[] = {IDD_MESSAGES, IDD_SOUNDS, IDD_QUOTES, IDD_FRIENDS,
                          IDD_STARTUP,  IDD_USERS,  IDD_ABOUT};

// What a page answers to each notification, per template.
std::map<int, std::map<UINT, LRESULT>>& Answers() {
  static std::map<int, std::map<UINT, LRESULT>> a;
  return a;
}

INT_PTR PageBehaviour(HWND page, UINT msg, WPARAM, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    EXPECT_EQ(psp->lParam, 100 + dt::TemplateOf(page)) << "the page's own lParam arrives";
    return TRUE;
  }
  if (msg == WM_NOTIFY) {
    auto* n = reinterpret_cast<const PSHNOTIFY*>(lParam);
    EXPECT_EQ(n->hdr.hwndFrom, GetParent(page));
    LRESULT answer = 0;
    auto& mine = Answers()[dt::TemplateOf(page)];
    if (auto it = mine.find(n->hdr.code); it != mine.end()) answer = it->second;
    if (n->hdr.code == PSN_APPLY) {
      EXPECT_EQ(n->lParam, Answers()[0][PSN_APPLY]);
    }
    SetWindowLongPtrA(page, DWLP_MSGRESULT, answer);
    return TRUE;
  }
  return FALSE;
}

class SheetTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    Answers().clear();
    Answers()[0][PSN_APPLY] = TRUE;  // the lParam PSN_APPLY should carry
    for (int id : kPages) Behaviours()[id] = PageBehaviour;
    for (std::size_t i = 0; i < std::size(kPages); ++i) {
      PROPSHEETPAGEA& p = pages_[i];
      p = PROPSHEETPAGEA{};
      p.dwSize = sizeof p;
      p.pszTemplate = MAKEINTRESOURCEA(kPages[i]);
      p.pfnDlgProc = lvx::test::TestProc;
      p.lParam = 100 + kPages[i];
    }
    header_ = PROPSHEETHEADERA{};
    header_.dwSize = sizeof header_;
    header_.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USEICONID;
    header_.pszIcon = MAKEINTRESOURCEA(IDI_LUMIVEX);
    header_.pszCaption = "Lumivex v3.08 - Much More Options";
    header_.nPages = std::size(kPages);
    header_.ppsp = pages_;
  }
  // Notifications pages heard, as (template, code) pairs.
  static std::vector<std::pair<int, UINT>> Notes(std::size_t from = 0) {
    std::vector<std::pair<int, UINT>> out;
    const auto& all = dt::HeardMessages();
    for (std::size_t i = from; i < all.size(); ++i) {
      if (all[i].message == WM_INITDIALOG && all[i].templateId != 0)
        out.emplace_back(all[i].templateId, 0);
      if (all[i].message == WM_NOTIFY) out.emplace_back(all[i].templateId, all[i].code);
    }
    return out;
  }
  PROPSHEETPAGEA pages_[std::size(kPages)];
  PROPSHEETHEADERA header_;
};

TEST_F(SheetTest, PagesAreMadeInOrderWhenFirstShown) {
  dt::OnSheet([](HWND sheet) {
    EXPECT_EQ(dt::Caption(sheet), "Lumivex v3.08 - Much More Options");
    EXPECT_EQ(dt::PageCount(sheet), 7);
    const char* titles[] = {"Lumivex Messages", "Sounds", "Quotes", "Friends",
                            "Startup",          "Users",  "About"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(dt::PageTitle(sheet, i), titles[i]);
    EXPECT_EQ(dt::CurrentPage(sheet), 0);
    EXPECT_NE(dt::Page(sheet, 0), nullptr);
    for (int i = 1; i < 7; ++i)
      EXPECT_EQ(dt::Page(sheet, i), nullptr) << "page " << i << " not yet";
    HWND first = dt::Page(sheet, 0);
    EXPECT_EQ(GetParent(first), sheet);
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet), first);
    EXPECT_TRUE(dt::Visible(first, IDC_MSG_TEXT));

    EXPECT_TRUE(dt::SelectPage(sheet, 4));
    EXPECT_NE(dt::Page(sheet, 4), nullptr);
    EXPECT_FALSE(dt::Visible(first, IDC_MSG_TEXT)) << "a page left is hidden";
    EXPECT_TRUE(dt::SelectPage(sheet, 0));
    EXPECT_TRUE(dt::Visible(first, IDC_MSG_TEXT));
    PropSheet_SetCurSel(sheet, nullptr, 6);
    EXPECT_EQ(dt::CurrentPage(sheet), 6);
    EXPECT_FALSE(dt::SelectPage(sheet, 7));
    dt::Click(sheet, IDCANCEL);
  });
  EXPECT_EQ(PropertySheetA(&header_), 0);
  const std::vector<std::pair<int, UINT>> want = {
      {IDD_MESSAGES, 0},
      {IDD_MESSAGES, PSN_SETACTIVE},
      {IDD_MESSAGES, PSN_KILLACTIVE},
      {IDD_STARTUP, 0},
      {IDD_STARTUP, PSN_SETACTIVE},
      {IDD_STARTUP, PSN_KILLACTIVE},
      {IDD_MESSAGES, PSN_SETACTIVE},  // made once only
      {IDD_MESSAGES, PSN_KILLACTIVE},
      {IDD_ABOUT, 0},
      {IDD_ABOUT, PSN_SETACTIVE},
      {IDD_ABOUT, PSN_QUERYCANCEL},
      {IDD_MESSAGES, PSN_RESET},
      {IDD_STARTUP, PSN_RESET},
      {IDD_ABOUT, PSN_RESET},
  };
  EXPECT_EQ(Notes(), want);
}

TEST_F(SheetTest, OkAppliesEveryOpenedPageAndCancelNone) {
  struct Case {
    const char* name;
    std::function<void(HWND)> close;
    INT_PTR result;
    bool applied;
  } cases[] = {
      {"OK", [](HWND s) { dt::Click(s, IDOK); }, 1, true},
      {"Enter on a page", [](HWND s) { dt::PressKey(PropSheet_GetCurrentPageHwnd(s), VK_RETURN); },
       1, true},
      {"PSM_PRESSBUTTON OK", [](HWND s) { PropSheet_PressButton(s, PSBTN_OK); }, 1, true},
      {"Cancel", [](HWND s) { dt::Click(s, IDCANCEL); }, 0, false},
      {"Escape on a page", [](HWND s) { dt::PressKey(PropSheet_GetCurrentPageHwnd(s), VK_ESCAPE); },
       0, false},
      {"close button", [](HWND s) { dt::CloseButton(s); }, 0, false},
      {"close posted by a page", [](HWND s) { PostMessageA(s, WM_CLOSE, 0, 0); }, 0, false},
  };
  for (const Case& c : cases) {
    std::size_t from = dt::HeardMessages().size();
    dt::OnSheet([&](HWND sheet) {
      dt::SelectPage(sheet, 2);
      dt::SelectPage(sheet, 5);
      c.close(sheet);
    });
    EXPECT_EQ(PropertySheetA(&header_), c.result) << c.name;
    std::vector<std::pair<int, UINT>> tail;
    for (auto n : Notes(from))
      if (n.second == PSN_APPLY || n.second == PSN_RESET) tail.push_back(n);
    const UINT code = c.applied ? PSN_APPLY : PSN_RESET;
    EXPECT_EQ(tail, (std::vector<std::pair<int, UINT>>{
                        {IDD_MESSAGES, code}, {IDD_QUOTES, code}, {IDD_USERS, code}}))
        << c.name << ": every page opened, in page order, and only those";
    EXPECT_EQ(dt::FindSheet(), nullptr) << c.name;
  }
  EXPECT_TRUE(dt::Unanswered().empty());
}

TEST_F(SheetTest, APageCanRefuseToBeLeftToApplyOrToBeCancelled) {
  // Kill-active refused: the tab stays, and OK does not apply anything.
  Answers()[IDD_MESSAGES][PSN_KILLACTIVE] = TRUE;
  dt::OnSheet([](HWND sheet) {
    EXPECT_FALSE(dt::SelectPage(sheet, 1));
    EXPECT_EQ(dt::CurrentPage(sheet), 0);
    dt::Click(sheet, IDOK);
    EXPECT_NE(dt::FindSheet(), nullptr) << "still open";
    Answers()[IDD_MESSAGES][PSN_KILLACTIVE] = FALSE;
    dt::Click(sheet, IDOK);
  });
  std::size_t from = dt::HeardMessages().size();
  EXPECT_EQ(PropertySheetA(&header_), 1);
  int applies = 0;
  for (auto n : Notes(from)) applies += n.second == PSN_APPLY ? 1 : 0;
  EXPECT_EQ(applies, 1) << "only the second OK applied";

  // A page answering PSNRET_INVALID is shown and the sheet stays open.
  Answers()[IDD_QUOTES][PSN_APPLY] = PSNRET_INVALID;
  dt::OnSheet([](HWND sheet) {
    dt::SelectPage(sheet, 2);
    dt::SelectPage(sheet, 6);
    dt::Click(sheet, IDOK);
    EXPECT_EQ(dt::CurrentPage(sheet), 2) << "the page with wrong input comes forward";
    Answers()[IDD_QUOTES][PSN_APPLY] = PSNRET_NOERROR;
    dt::Click(sheet, IDOK);
  });
  EXPECT_EQ(PropertySheetA(&header_), 1);

  // Query-cancel refused: Cancel does nothing, nothing is reset.
  Answers()[IDD_MESSAGES][PSN_QUERYCANCEL] = TRUE;
  dt::OnSheet([](HWND sheet) {
    std::size_t before = dt::HeardMessages().size();
    dt::Click(sheet, IDCANCEL);
    EXPECT_NE(dt::FindSheet(), nullptr);
    for (auto n : Notes(before)) EXPECT_NE(n.second, PSN_RESET);
    dt::Click(sheet, IDOK);
  });
  EXPECT_EQ(PropertySheetA(&header_), 1);
}

TEST_F(SheetTest, ApplyWaitsForAChangeAndKeepsTheSheetOpen) {
  header_.dwFlags &= ~static_cast<DWORD>(PSH_NOAPPLYNOW);
  Answers()[0][PSN_APPLY] = FALSE;  // Apply, not OK
  dt::OnSheet([](HWND sheet) {
    EXPECT_FALSE(dt::ApplyEnabled(sheet));
    EXPECT_FALSE(dt::Click(sheet, ID_APPLY_NOW)) << "grey until a page changes";
    PropSheet_Changed(sheet, PropSheet_GetCurrentPageHwnd(sheet));
    EXPECT_TRUE(dt::ApplyEnabled(sheet));
    std::size_t before = dt::HeardMessages().size();
    EXPECT_TRUE(dt::Click(sheet, ID_APPLY_NOW));
    EXPECT_FALSE(dt::ApplyEnabled(sheet));
    EXPECT_NE(dt::FindSheet(), nullptr);
    std::vector<std::pair<int, UINT>> want = {
        {IDD_MESSAGES, PSN_KILLACTIVE}, {IDD_MESSAGES, PSN_APPLY}, {IDD_MESSAGES, PSN_SETACTIVE}};
    EXPECT_EQ(Notes(before), want);
    dt::Click(sheet, IDCANCEL);
  });
  EXPECT_EQ(PropertySheetA(&header_), 0);
  // Without PSH_NOAPPLYNOW there is an Apply button; with it, none.
  header_.dwFlags |= PSH_NOAPPLYNOW;
  dt::OnSheet([](HWND sheet) {
    EXPECT_EQ(GetDlgItem(sheet, ID_APPLY_NOW), nullptr);
    dt::Click(sheet, IDCANCEL);
  });
  PropertySheetA(&header_);
}

TEST_F(SheetTest, StartPageTitlesAndBadHeaders) {
  header_.nStartPage = 3;
  pages_[3].dwFlags |= PSP_USETITLE;
  pages_[3].pszTitle = "My friends";
  dt::OnSheet([](HWND sheet) {
    EXPECT_EQ(dt::CurrentPage(sheet), 3);
    EXPECT_EQ(dt::PageTitle(sheet, 3), "My friends");
    EXPECT_EQ(dt::Page(sheet, 0), nullptr) << "only the start page is made";
    dt::Click(sheet, IDCANCEL);
  });
  EXPECT_EQ(PropertySheetA(&header_), 0);
  header_.dwFlags |= PSH_USEPSTARTPAGE;
  header_.pStartPage = "About";
  dt::OnSheet([](HWND sheet) {
    EXPECT_EQ(dt::CurrentPage(sheet), 6);
    dt::Click(sheet, IDCANCEL);
  });
  PropertySheetA(&header_);

  PROPSHEETHEADERA bad = header_;
  bad.dwFlags &= ~static_cast<DWORD>(PSH_USEPSTARTPAGE);
  bad.nPages = 0;
  EXPECT_EQ(PropertySheetA(&bad), -1);
  EXPECT_EQ(PropertySheetA(nullptr), -1);
  bad = header_;
  bad.dwSize = 8;
  EXPECT_EQ(PropertySheetA(&bad), -1);
  PROPSHEETPAGEA missing = pages_[0];
  missing.pszTemplate = MAKEINTRESOURCEA(9999);
  bad = header_;
  bad.ppsp = &missing;
  bad.nPages = 1;
  EXPECT_EQ(PropertySheetA(&bad), -1);
  EXPECT_EQ(dt::FindSheet(), nullptr);
}

// A message box inside a dialog inside a page inside the sheet: each modal
// window runs in the one below it and everything unwinds in order.
TEST_F(SheetTest, ModalWindowsNestInsideAPage) {
  std::vector<std::string> events;
  Behaviours()[IDD_MESSAGES] = [&](HWND page, UINT msg, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    if (msg == WM_COMMAND && LOWORD(wParam) == IDC_MSG_COUNTDOWN) {
      events.push_back("page opens countdown");
      INT_PTR r =
          DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_COUNTDOWN), page, lvx::test::TestProc, 0);
      events.push_back("countdown returned " + std::to_string(r));
      return TRUE;
    }
    return PageBehaviour(page, msg, wParam, lParam);
  };
  Behaviours()[IDD_COUNTDOWN] = [&](HWND d, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
      int answer = MessageBoxA(d, "You can not specify past years", "Error in Year", MB_OK);
      events.push_back("box answered " + std::to_string(answer));
      if (GetDlgItemInt(d, IDC_DATE_YEAR, nullptr, FALSE) >= 2030) EndDialog(d, IDOK);
      return TRUE;
    }
    return EndOnButtons(d, msg, wParam, 0);
  };
  HWND sheetSeen = nullptr;
  dt::OnMessageBox([&](const dt::MessageBoxRecord& box) {
    events.push_back("box [" + box.caption + "] over " + std::to_string(dt::TemplateOf(box.owner)));
    EXPECT_FALSE(IsWindowEnabled(sheetSeen)) << "the sheet waits under the dialog";
    return IDOK;
  });
  dt::OnDialog(IDD_COUNTDOWN, [&](HWND d) {
    EXPECT_EQ(GetParent(d), sheetSeen) << "owned by the page's top-level window";
    dt::SetText(d, IDC_DATE_YEAR, "1997");
    dt::Click(d, IDOK);
    EXPECT_NE(dt::FindDialog(IDD_COUNTDOWN), nullptr) << "refused input keeps it open";
    dt::SetText(d, IDC_DATE_YEAR, "2031");
    dt::Click(d, IDOK);
  });
  dt::OnSheet([&](HWND sheet) {
    sheetSeen = sheet;
    dt::Click(dt::Page(sheet, 0), IDC_MSG_COUNTDOWN);
    events.push_back("back in the sheet");
    EXPECT_TRUE(IsWindowEnabled(sheet));
    dt::Click(sheet, IDOK);
  });
  EXPECT_EQ(PropertySheetA(&header_), 1);
  const std::vector<std::string> want = {"page opens countdown", "box [Error in Year] over 2012",
                                         "box answered 1",       "box answered 1",
                                         "countdown returned 1", "back in the sheet"};
  EXPECT_EQ(events, want);
  ASSERT_EQ(dt::MessageBoxes().size(), 2u);
  EXPECT_EQ(dt::MessageBoxes()[0].text, "You can not specify past years");
  EXPECT_EQ(dt::MessageBoxes()[1].answer, IDOK) << "the second box had no script: its default";
  EXPECT_TRUE(dt::Unanswered().empty());
}

TEST_F(SheetTest, HelpNobodyAnsweredGoesFromThePageToTheSheet) {
  header_.dwFlags |= PSH_HASHELP;
  dt::OnSheet([](HWND sheet) {
    std::size_t before = dt::HeardMessages().size();
    dt::Focus(dt::Page(sheet, 0), IDC_MSG_TEXT);
    dt::PressKey(dt::Page(sheet, 0), VK_F1);
    dt::Click(sheet, IDHELP);
    std::vector<Msg> want = {
        {WM_HELP, 0, IDC_MSG_TEXT}, {WM_NOTIFY, PSN_HELP, 0}, {WM_NOTIFY, PSN_HELP, 0}};
    std::vector<Msg> heard;
    for (const Msg& m : HeardBy(IDD_MESSAGES, before))
      if (m.message != WM_COMMAND) heard.push_back(m);  // focus news
    EXPECT_EQ(heard, want);
    dt::Click(sheet, IDCANCEL);
  });
  PropertySheetA(&header_);
}

}  // namespace
