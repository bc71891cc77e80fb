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
    // As the main page does before it opens anything else.
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    Prepare();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
  }
  static INT_PTR Run(int id, DLGPROC proc, LPARAM param, const dlg::Script& script) {
    dlg::OnDialog(id, script);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, proc, param);
  }
  // Types the fields, presses OK and, when a box kept the dialog open,
  // Cancel. The boxes shown as "caption: text" ("" for none).
  static std::string Enter(int id, DLGPROC proc, LPARAM param,
                           const std::vector<std::pair<int, std::string>>& fields,
                           INT_PTR* result) {
    const std::size_t before = dlg::MessageBoxes().size();
    *result = Run(id, proc, param, [&](HWND d) {
      for (const auto& [field, text] : fields) dlg::SetText(d, field, text);
      dlg::Click(d, IDOK);
      if (IsWindow(d)) dlg::Click(d, IDCANCEL);
    });
    std::string boxes;
    for (std::size_t i = before; i < dlg::MessageBoxes().size(); ++i)
      boxes += dlg::MessageBoxes()[i].caption + ": " + dlg::MessageBoxes()[i].text + ";";
    return boxes;
  }
};

int ThisYear() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wYear;
}

TEST_F(TimeEventDialogsTest, CountdownChecksInOrderAgainstThisYear) {
  const std::string y = std::to_string(ThisYear());
  const std::string last = std::to_string(ThisYear() - 1);
  const std::string far = std::to_string(ThisYear() + 16);
  const std::string farthest = std::to_string(ThisYear() + 15);
  const struct {
    std::string year, month, day, hour, minute;
    const char* boxes;
  } cases[] = {
      {last, "1", "1", "0", "0", "Error in Year: You can not specify past years;"},
      {far, "1", "1", "0", "0", "Error in Year: You specified a very far year;"},
      {last, "13", "32", "24", "60", "Error in Year: You can not specify past years;"},
      {y, "13", "1", "0", "0", "Error in Month: Please enter a number from 1 to 12;"},
      {y, "12", "32", "0", "0", "Error in Day: Please enter a number from 1 to 31;"},
      {y, "12", "31", "24", "0", "Error in Hour: Please enter a number from 0 to 23;"},
      {y, "12", "31", "", "0", "Error in Hour: Please enter a number from 0 to 23;"},
      {y, "12", "31", "23", "60", "Error in Minutes: Please enter a number from 0 to 59;"},
      {farthest, "12", "31", "23", "59", ""},
      {y, "1", "1", "0", "0", ""},
  };
  // Nothing stored yet: the target's defaults.
  Run(IDD_COUNTDOWN, CountdownDialog, 0, [](HWND d) {
    EXPECT_EQ(dlg::Caption(d), "Countdown Timer");
    std::string shown;
    for (int id : {IDC_DATE_YEAR, IDC_DATE_MONTH, IDC_DATE_DAY, IDC_DATE_HOUR, IDC_DATE_MINUTE})
      shown += dlg::Text(d, id) + " ";
    EXPECT_EQ(shown, "2003 1 1 0 0 ");
    dlg::Click(d, IDCANCEL);
  });
  // The refused entries come first: none of them may store anything.
  for (const auto& c : cases) {
    INT_PTR result = 0;
    const std::string boxes = Enter(IDD_COUNTDOWN, CountdownDialog, 0,
                                    {{IDC_DATE_YEAR, c.year},
                                     {IDC_DATE_MONTH, c.month},
                                     {IDC_DATE_DAY, c.day},
                                     {IDC_DATE_HOUR, c.hour},
                                     {IDC_DATE_MINUTE, c.minute}},
                                    &result);
    EXPECT_EQ(boxes, c.boxes) << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":"
                              << c.minute;
    if (*c.boxes != '\0') {
      EXPECT_EQ(result, IDCANCEL);
      for (const char* key : {"Year", "Month", "Day", "Hour", "Min"})
        EXPECT_EQ(Ini("CDCounter", key), "<none>") << key;
    } else {
      EXPECT_EQ(result, IDOK);
      EXPECT_EQ(Ini("CDCounter", "Year") + " " + Ini("CDCounter", "Month") + " " +
                    Ini("CDCounter", "Day") + " " + Ini("CDCounter", "Hour") + " " +
                    Ini("CDCounter", "Min"),
                c.year + " " + c.month + " " + c.day + " " + c.hour + " " + c.minute);
    }
  }
}

TEST_F(TimeEventDialogsTest, BirthdayKeepsItsFixedRange) {
  const struct {
    const char *year, *month, *day, *boxes;
  } cases[] = {
      {"1949", "1", "1", "Error in Year: Please enter a number from 1950 to 2050;"},
      {"2051", "1", "1", "Error in Year: Please enter a number from 1950 to 2050;"},
      {"1950", "0", "1", "Error in Month: Please enter a number from 1 to 12;"},
      {"2050", "12", "32", "Error in Day: Please enter a number from 1 to 31;"},
      {"1950", "1", "1", ""},
  };
  for (const auto& c : cases) {
    BirthdayDate date{1980, 5, 17};
    INT_PTR result = 0;
    const std::string boxes =
        Enter(IDD_BIRTHDAY, BirthdayDialog, reinterpret_cast<LPARAM>(&date),
              {{IDC_DATE_YEAR, c.year}, {IDC_DATE_MONTH, c.month}, {IDC_DATE_DAY, c.day}}, &result);
    EXPECT_EQ(boxes, c.boxes) << c.year << "-" << c.month << "-" << c.day;
    const bool ok = *c.boxes == '\0';
    EXPECT_EQ(result, ok ? IDOK : IDCANCEL);
    EXPECT_EQ(date.year, ok ? 1950 : 1980);
    EXPECT_EQ(Ini("Birthday", "Year"), ok ? "1950" : "<none>");
  }
}

TEST_F(TimeEventDialogsTest, WorldTimeMakesTheClockTokenOfBothPlaces) {
  lvx::SetClockForTests(1700000000);
  const struct {
    int home;
    bool homeSummer;
    int world;
    bool worldSummer;
    const char* message;
    const char* sameClockAs;  // the token the sky reads the same way
  } cases[] = {
      {21, true, 47, false, "TIME 7.0 LDST  iLoc21 iWor47", "TIME 7"},
      {-1, false, 47, false, "Please select\nyour location", nullptr},
      {21, false, -1, false, "Please select\na world location", nullptr},
      {16, false, 43, true, "TIME 10.0  WDST iLoc16 iWor43", "TIME 10"},
      {47, false, 0, false, "TIME -20.0   iLoc47 iWor0", "TIME -20"},
  };
  for (const auto& c : cases) {
    WorldTimeTexts texts{"HEART", "old line"};
    const INT_PTR result =
        Run(IDD_WORLDTIME, WorldTimeDialog, reinterpret_cast<LPARAM>(&texts), [&](HWND d) {
          if (c.home >= 0) dlg::Select(d, IDC_WT_HOME, c.home);
          if (c.world >= 0) dlg::Select(d, IDC_WT_WORLD, c.world);
          if (c.homeSummer) dlg::Click(d, IDC_WT_HOME_DST);
          if (c.worldSummer) dlg::Click(d, IDC_WT_WORLD_DST);
          dlg::SetText(d, IDC_WT_BOTTOMLINE, "new line");
          dlg::Click(d, IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(texts.message, c.message);
    EXPECT_STREQ(texts.bottomLine, "new line");
    if (c.sameClockAs != nullptr) {
      EXPECT_EQ(FindTokenKind(texts.message), TokenTime);
      EXPECT_EQ(ClockText(texts.message), ClockText(c.sameClockAs)) << c.message;
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
      EXPECT_EQ(zones.back(), "(GMT+12:00) Auckland, Wellington");
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
