// The countdown, birthday and world-time dialogs: their checks in order with
// nothing stored before all pass, and the world clock's token.
#include "config/time_event_dialogs.h"

#include "config_fixture.h"
#include "events/time_events.h"

namespace {

class TimeEventDialogsTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");  // as the main page does first
    Prepare();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
  }
  static INT_PTR Run(int id, DLGPROC proc, LPARAM param, const dlg::Script& script) {
    dlg::OnDialog(id, script);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, proc, param);
  }
  // Types the fields in the order given, presses OK and, when a box kept the
  // dialog open, Cancel. The boxes shown, as "caption: text;".
  static std::string Enter(int id, DLGPROC proc, LPARAM param,
                           const std::vector<std::string>& texts, INT_PTR* result) {
    const std::size_t before = dlg::MessageBoxes().size();
    *result = Run(id, proc, param, [&](HWND d) {
      int field = IDC_DATE_MONTH;  // month, day, year, hour, minute
      for (const std::string& text : texts) dlg::SetText(d, field++, text);
      dlg::Click(d, IDOK);
      if (IsWindow(d)) dlg::Click(d, IDCANCEL);
    });
    std::string boxes;
    for (std::size_t i = before; i < dlg::MessageBoxes().size(); ++i)
      boxes += dlg::MessageBoxes()[i].caption + ": " + dlg::MessageBoxes()[i].text + ";";
    return boxes;
  }
};

TEST_F(TimeEventDialogsTest, CountdownChecksInOrderAgainstThisYear) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  auto year = [&](int ahead) { return std::to_string(now.wYear + ahead); };
  // Nothing stored: this year is offered, so OK at once is accepted.
  Run(IDD_COUNTDOWN, CountdownDialog, 0, [&](HWND d) {
    EXPECT_EQ(dlg::Text(d, IDC_DATE_YEAR) + " " + dlg::Text(d, IDC_DATE_MONTH), year(0) + " 1");
    dlg::Click(d, IDOK);
  });
  EXPECT_EQ(Ini("CDCounter", "Year"), year(0));
  WritePrivateProfileStringA("CDCounter", nullptr, nullptr, IniPath().c_str());
  // Month, day, year, hour, minute; the refused ones first: none may store.
  const struct {
    std::vector<std::string> fields;
    const char* boxes;
  } cases[] = {
      {{"1", "1", year(-1), "0", "0"}, "Error in Year: You can not specify past years;"},
      {{"1", "1", year(16), "0", "0"}, "Error in Year: You specified a very far year;"},
      {{"13", "32", year(-1), "24", "60"}, "Error in Year: You can not specify past years;"},
      {{"13", "1", year(0), "0", "0"}, "Error in Month: Please enter a number from 1 to 12;"},
      {{"12", "32", year(0), "0", "0"}, "Error in Day: Please enter a number from 1 to 31;"},
      {{"12", "31", year(0), "24", "0"}, "Error in Hour: Please enter a number from 0 to 23;"},
      {{"12", "31", year(0), "", "0"}, "Error in Hour: Please enter a number from 0 to 23;"},
      {{"12", "31", year(0), "23", "60"}, "Error in Minutes: Please enter a number from 0 to 59;"},
      {{"12", "31", year(15), "23", "59"}, ""},
      {{"1", "1", year(0), "0", "0"}, ""},
  };
  for (const auto& c : cases) {
    INT_PTR result = 0;
    EXPECT_EQ(Enter(IDD_COUNTDOWN, CountdownDialog, 0, c.fields, &result), c.boxes)
        << c.fields[2] << "-" << c.fields[0] << "-" << c.fields[1];
    EXPECT_EQ(result, *c.boxes ? IDCANCEL : IDOK);
    std::string stored;
    for (const char* key : {"Month", "Day", "Year", "Hour", "Min"})
      stored += Ini("CDCounter", key) + " ";
    const std::vector<std::string>& f = c.fields;
    EXPECT_EQ(stored, *c.boxes ? "<none> <none> <none> <none> <none> "
                               : f[0] + " " + f[1] + " " + f[2] + " " + f[3] + " " + f[4] + " ");
  }
}

TEST_F(TimeEventDialogsTest, BirthdayKeepsItsFixedRange) {
  const struct {
    std::vector<std::string> fields;
    const char* boxes;
  } cases[] = {
      {{"1", "1", "1949"}, "Error in Year: Please enter a number from 1950 to 2050;"},
      {{"1", "1", "2051"}, "Error in Year: Please enter a number from 1950 to 2050;"},
      {{"0", "32", "2050"}, "Error in Month: Please enter a number from 1 to 12;"},
      {{"1", "1", "1950"}, ""},
  };
  for (const auto& c : cases) {
    BirthdayDate date{1980, 5, 17};
    INT_PTR result = 0;
    EXPECT_EQ(
        Enter(IDD_BIRTHDAY, BirthdayDialog, reinterpret_cast<LPARAM>(&date), c.fields, &result),
        c.boxes);
    const bool ok = *c.boxes == '\0';
    EXPECT_EQ(result, ok ? IDOK : IDCANCEL);
    EXPECT_EQ(date.year, ok ? 1950 : 1980);
    EXPECT_EQ(Ini("Birthday", "Year"), ok ? "1950" : "<none>");
  }
}

TEST_F(TimeEventDialogsTest, WorldTimeMakesTheClockTokenOfBothPlaces) {
  lvx::SetClockForTests(1700000000);
  const struct {
    int home, world;
    bool homeSummer, worldSummer;
    const char* message;
    const char* sameClockAs;  // how the sky must read the token
  } cases[] = {
      {21, 47, true, false, "TIME 7.0 LDST  iLoc21 iWor47", "TIME 7"},
      {-1, 47, false, false, "Please select\nyour location", nullptr},
      {21, -1, false, false, "Please select\na world location", nullptr},
      {16, 43, false, true, "TIME 10.0  WDST iLoc16 iWor43", "TIME 10"},
      {47, 0, false, false, "TIME -20.0   iLoc47 iWor0", "TIME -20"},
  };
  for (const auto& c : cases) {
    WorldTimeTexts texts{"HEART", "old line"};
    Run(IDD_WORLDTIME, WorldTimeDialog, reinterpret_cast<LPARAM>(&texts), [&](HWND d) {
      if (c.home >= 0) dlg::Select(d, IDC_WT_HOME, c.home);
      if (c.world >= 0) dlg::Select(d, IDC_WT_WORLD, c.world);
      if (c.homeSummer) dlg::Click(d, IDC_WT_HOME_DST);
      if (c.worldSummer) dlg::Click(d, IDC_WT_WORLD_DST);
      dlg::SetText(d, IDC_WT_BOTTOMLINE, "new line");
      dlg::Click(d, IDOK);
    });
    EXPECT_EQ(std::string(texts.message) + "|" + texts.bottomLine,
              c.message + std::string("|new line"));
    if (c.sameClockAs != nullptr) {
      EXPECT_EQ(ClockText(texts.message), ClockText(c.sameClockAs));
    }
  }
}

TEST_F(TimeEventDialogsTest, WorldTimeShowsTheChoiceItsTokenHolds) {
  const struct {
    const char* message;
    int home, world, homeSummer, worldSummer;
  } cases[] = {
      {"TIME 7.0 LDST  iLoc21 iWor47", 21, 47, BST_CHECKED, BST_UNCHECKED},
      {"time 3 wdst ILOC63 iwor0 WDST", 63, 0, BST_UNCHECKED, BST_CHECKED},
      {"TIME 1 iLoc64 iWor-3 iLocx", CB_ERR, CB_ERR, BST_UNCHECKED, BST_UNCHECKED},
      {"iLoc99999999999999999999", CB_ERR, CB_ERR, BST_UNCHECKED, BST_UNCHECKED},
  };
  for (const auto& c : cases) {
    WorldTimeTexts texts{};
    SafeStrCpy(texts.message, c.message);
    SafeStrCpy(texts.bottomLine, "kept");
    Run(IDD_WORLDTIME, WorldTimeDialog, reinterpret_cast<LPARAM>(&texts), [&](HWND d) {
      const std::vector<std::string> zones = dlg::Items(d, IDC_WT_HOME);
      ASSERT_EQ(zones.size(), 64u);
      EXPECT_EQ(zones.front(), "(GMT-12:00) Eniwetok, Kwajalein");
      EXPECT_EQ(dlg::Items(d, IDC_WT_WORLD), zones);
      EXPECT_EQ(dlg::Selection(d, IDC_WT_HOME), c.home) << c.message;
      EXPECT_EQ(dlg::Selection(d, IDC_WT_WORLD), c.world) << c.message;
      EXPECT_EQ(dlg::CheckState(d, IDC_WT_HOME_DST), c.homeSummer) << c.message;
      EXPECT_EQ(dlg::CheckState(d, IDC_WT_WORLD_DST), c.worldSummer) << c.message;
      EXPECT_EQ(dlg::Text(d, IDC_WT_BOTTOMLINE), "kept");
      dlg::Select(d, IDC_WT_HOME, 5);
      dlg::Click(d, IDCANCEL);
    });
    EXPECT_STREQ(texts.message, c.message) << "Cancel changes nothing";
  }
}

}  // namespace
