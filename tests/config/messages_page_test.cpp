// The page "Lumivex Messages": walking, adding and deleting further messages
// and what the book holds afterwards, the buttons that write into a message,
// sending and previewing.
#include "config/messages_page.h"

#include <signal.h>
#include <sys/stat.h>

#include <optional>
#include <set>

#include "config/pages.h"
#include "config_fixture.h"
#include "exchange/message_file.h"
#include "tests/support/process.h"

namespace {

struct Slot {
  const char *message, *line, *password;
};
constexpr Slot kOne{"one", "1", ""}, kTwo{"two", "2", ""}, kThree{"three", "3", ""},
    kSecret{"hidden", "h", "pw"}, kFree{nullptr, nullptr, nullptr};

// `first`, then `gap` free slots, then `last`.
std::vector<Slot> Gapped(Slot first, int gap, Slot last) {
  std::vector<Slot> book(static_cast<std::size_t>(gap) + 2, kFree);
  book.front() = first;
  book.back() = last;
  return book;
}

class MessagesPageTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");  // as the main page does first
  }
  // Slots 1, 2, ... as given, then the sheet at this page with `script`
  // acting as the user.
  static void RunPage(const std::vector<Slot>& book,
                      const std::function<void(HWND, HWND)>& script) {
    Prepare([&] {
      for (std::size_t i = 0; i < book.size(); ++i)
        if (book[i].message != nullptr)
          PutSlot(static_cast<int>(i) + 1, book[i].message, book[i].line, book[i].password);
    });
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    dlg::OnSheet([&](HWND sheet) { script(sheet, dlg::Page(sheet, 0)); });
    OpenMoreOptions(nullptr, 0);
  }
  // The further messages as "message|line|password", up to the first free slot.
  static std::vector<std::string> Book() {
    std::vector<std::string> slots;
    for (Quill.Index = 1; !Quill.IsFree(Quill.Index); ++Quill.Index) {
      Quill.Read();
      slots.push_back(std::string(Quill.Message) + "|" + Quill.BottomLine + "|" + Quill.Password);
    }
    return slots;
  }
  static std::string Shown(HWND page) {
    return dlg::Text(page, IDC_MSG_NUMBER) + " " + dlg::Text(page, IDC_MSG_TEXT);
  }
};

// A user's step: the texts typed (when given), then a click (0: none), and
// what the page shows afterwards.
struct Step {
  const char *message, *line;
  int click;
  const char* shown;
};

TEST_F(MessagesPageTest, WalkingAddingAndDeletingKeepTheBookWhole) {
  const struct {
    const char* name;
    std::vector<Slot> book;
    const char* opening;
    std::vector<Step> steps;
    int closeWith;
    std::vector<std::string> bookAfter;
  } cases[] = {
      {"empty book, New",
       {},
       "Message 0 of 0 ",
       {{nullptr, nullptr, IDC_MSG_NEW, "Message 1 of 1 <type here your message>"}},
       IDCANCEL,
       {"<type here your message>|<type here your bottomline>|"}},
      {"a secret slot is passed over both ways",
       {kOne, kSecret, kThree},
       "Message 1 of 3 one",
       {{nullptr, nullptr, IDC_MSG_NEXT, "Message 3 of 3 three"},
        {nullptr, nullptr, IDC_MSG_NEXT, "Message 1 of 3 one"},
        {nullptr, nullptr, IDC_MSG_PREV, "Message 3 of 3 three"}},
       IDOK,
       {"one|1|", "hidden|h|pw", "three|3|"}},
      {"delete the middle one, then the last two",
       {kOne, kTwo, kThree},
       "Message 1 of 3 one",
       {{nullptr, nullptr, IDC_MSG_NEXT, "Message 2 of 3 two"},
        {nullptr, nullptr, IDC_MSG_DELETE, "Message 2 of 2 three"},
        {nullptr, nullptr, IDC_MSG_DELETE, "Message 1 of 1 one"},
        {nullptr, nullptr, IDC_MSG_DELETE, "Message 0 of 0 "}},
       IDCANCEL,
       {}},
      {"a secret message moving down is not shown",
       {kOne, kTwo, kSecret},
       "Message 1 of 3 one",
       {{nullptr, nullptr, IDC_MSG_NEXT, "Message 2 of 3 two"},
        {nullptr, nullptr, IDC_MSG_DELETE, "Message 1 of 2 one"}},
       IDOK,
       {"one|1|", "hidden|h|pw"}},
      {"a run of 20 free slots closes",
       Gapped(kOne, 19, kThree),
       "Message 1 of 1 one",
       {{nullptr, nullptr, IDC_MSG_DELETE, "Message 1 of 1 three"}},
       IDCANCEL,
       {"three|3|"}},
      {"a run of 21 does not",
       Gapped(kOne, 20, kThree),
       "Message 1 of 1 one",
       {{nullptr, nullptr, IDC_MSG_DELETE, "Message 0 of 0 "}},
       IDCANCEL,
       {}},
      {"edits are stored on the way; OK stores the shown one",
       {kOne, kTwo},
       "Message 1 of 2 one",
       {{"uno", "I", IDC_MSG_NEXT, "Message 2 of 2 two"}, {"dos", "II", 0, "Message 2 of 2 dos"}},
       IDOK,
       {"uno|I|", "dos|II|"}},
      {"a cleared message goes like a deleted one",
       {kOne, kTwo, kThree},
       "Message 1 of 3 one",
       {{nullptr, nullptr, IDC_MSG_NEXT, "Message 2 of 3 two"},
        {"", "", IDC_MSG_NEXT, "Message 2 of 2 three"}},
       IDCANCEL,
       {"one|1|", "three|3|"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(IniPath().c_str());  // a book of this row's slots only
    RunPage(c.book, [&](HWND sheet, HWND page) {
      EXPECT_EQ(Shown(page), c.opening);
      for (const Step& s : c.steps) {
        if (s.message != nullptr) dlg::SetText(page, IDC_MSG_TEXT, s.message);
        if (s.line != nullptr) dlg::SetText(page, IDC_MSG_BOTTOMLINE, s.line);
        if (s.click != 0) dlg::Click(page, s.click);
        EXPECT_EQ(Shown(page), s.shown);
        // At 0 there is nothing to edit and nowhere to put a keyword.
        const bool editable = std::string(s.shown).rfind("Message 0 ", 0) != 0;
        for (int id : {IDC_MSG_TEXT, IDC_MSG_BOTTOMLINE, IDC_MSG_HEART, IDC_MSG_WORLDTIME})
          EXPECT_EQ(dlg::Enabled(page, id), editable) << s.shown << " " << id;
      }
      dlg::Click(sheet, c.closeWith);
    });
    EXPECT_EQ(Book(), c.bookAfter);
    for (std::size_t i = 0; i < c.bookAfter.size(); ++i) {
      if (c.bookAfter[i] == "hidden|h|pw") {  // still stored scrambled
        EXPECT_NE(Ini("Messages", ("Message___" + std::to_string(i + 1)).c_str()), "hidden");
      }
    }
  }
}

TEST_F(MessagesPageTest, PreferencesAreAppliedAndLeavingEndsAPreview) {
  UseTreeHelp();
  Prepare([] {
    MainSettings.UserWriteUInt("Messages", "ShowRandomly", 1);
    MainSettings.UserWriteUInt("Messages", "DisableMultiple", 1);
    MainSettings.UserWriteUInt("Messages", "Preview", 3);
    MainSettings.UserWriteString("Messages", "DecryptPassword", "pw");
  });
  RunPage({}, [&](HWND sheet, HWND page) {
    for (int id : {IDC_MSG_RANDOM, IDC_MSG_HAPPY_CHECK, IDC_MSG_PEACE_CHECK})
      EXPECT_EQ(dlg::CheckState(page, id), BST_CHECKED) << id;
    dlg::Click(page, IDC_MSG_RANDOM);
    dlg::Click(page, IDC_MSG_24H);
    dlg::Click(page, IDC_MSG_HELP);
    dlg::SelectPage(sheet, 1);
    EXPECT_EQ(Ini("Messages", "Preview") + Ini("Messages", "DecryptPassword"), "0");
    dlg::Click(sheet, IDOK);
  });
  EXPECT_EQ(Ini("Messages", "ShowRandomly") + Ini("Messages", "DisableMultiple") +
                Ini("params", "FormatTime24H"),
            "011");
  EXPECT_EQ(Opened(1), std::vector<std::string>{HelpLink(HelpRequest::Context, HelpMessagesPage)});
}

TEST_F(MessagesPageTest, ButtonsWriteIntoTheMessageAndCancelledDialogsDoNot) {
  std::vector<std::string> preselected;
  dlg::OnDialog(IDD_BIRTHDAY, [&](HWND d) {
    preselected.push_back(dlg::Text(d, IDC_DATE_YEAR) + "-" + dlg::Text(d, IDC_DATE_MONTH) + "-" +
                          dlg::Text(d, IDC_DATE_DAY));
    dlg::SetText(d, IDC_DATE_DAY, "18");
    dlg::Click(d, IDOK);
  });
  for (int id : {IDD_BIRTHDAY, IDD_COUNTDOWN, IDD_WORLDTIME})
    dlg::OnDialog(id, [](HWND d) { dlg::Click(d, IDCANCEL); });
  dlg::OnDialog(IDD_WORLDTIME, [](HWND d) {
    dlg::Select(d, IDC_WT_HOME, 21);
    dlg::Select(d, IDC_WT_WORLD, 47);
    dlg::SetText(d, IDC_WT_BOTTOMLINE, "Beijing");
    dlg::Click(d, IDOK);
  });
  std::set<std::string> peaceLines;
  RunPage({{"BIRTHDAY FROM 1980 05 17", "old", ""}, kTwo}, [&](HWND sheet, HWND page) {
    // A birthday message preselects its date (leading zeros are decimal).
    dlg::Click(page, IDC_MSG_DAYCOUNTER);
    EXPECT_EQ(dlg::Text(page, IDC_MSG_TEXT) + "|" + dlg::Text(page, IDC_MSG_BOTTOMLINE),
              "BIRTHDAY FROM 1980 5 18|Just don't spare it");
    dlg::Click(page, IDC_MSG_NEXT);
    for (int i = 0; i < 12; ++i) {
      dlg::Click(page, IDC_MSG_PEACE);
      peaceLines.insert(dlg::Text(page, IDC_MSG_BOTTOMLINE));
    }
    // A message longer than the world-time dialog takes stays whole.
    const std::string longText(70, 'x');
    dlg::SetText(page, IDC_MSG_TEXT, longText);
    for (int button : {IDC_MSG_DAYCOUNTER, IDC_MSG_COUNTDOWN, IDC_MSG_WORLDTIME})
      dlg::Click(page, button);
    EXPECT_EQ(dlg::Text(page, IDC_MSG_TEXT), longText);
    std::string keywords;
    for (int button : {IDC_MSG_HEART, IDC_MSG_HAPPY, IDC_MSG_STAR, IDC_MSG_TIME}) {
      dlg::Click(page, button);
      keywords += dlg::Text(page, IDC_MSG_TEXT) + "|";
    }
    EXPECT_EQ(keywords, "HEART|HAPPY_FACE|STAR|TIME 0|");
    dlg::Click(page, IDC_MSG_WORLDTIME);
    dlg::Click(sheet, IDOK);
  });
  EXPECT_EQ(preselected, std::vector<std::string>{"1980-5-17"});
  EXPECT_EQ(peaceLines.size(), 2u) << "either thought, at random";
  EXPECT_EQ(Book(), (std::vector<std::string>{"BIRTHDAY FROM 1980 5 18|Just don't spare it|",
                                              "TIME 8.0   iLoc21 iWor47|Beijing|"}));
  EXPECT_EQ(Ini("Birthday", "Day"), "18");
  EXPECT_TRUE(dlg::Unanswered().empty());
}

TEST_F(MessagesPageTest, SendSavesWhereTheUserChoseAFileTheFriendCanOpen) {
  const std::string inbox = lvx::test::MakeTempDir("inbox");
  dlg::AnswerFileChooser(std::nullopt);
  dlg::AnswerFileChooser(inbox + "/gone/for-bob.Lumivex");
  dlg::AnswerFileChooser(inbox + "/for-anna");
  RunPage({kOne, kTwo}, [](HWND sheet, HWND page) {
    dlg::Click(page, IDC_MSG_SEND);  // cancelled: nothing written
    dlg::Click(page, IDC_MSG_SEND);  // a folder that is not there
    dlg::SetText(page, IDC_MSG_TEXT, "to Anna");
    dlg::Click(page, IDC_MSG_SEND);
    dlg::Click(sheet, IDCANCEL);
  });
  ASSERT_EQ(dlg::Choosers().size(), 3u);
  EXPECT_EQ(dlg::Choosers()[0].initial, MessageFileFolder() + "/NewMessage.Lumivex");
  ASSERT_EQ(BoxesCaptioned("How to send the message to your friend."), 2);
  EXPECT_NE(
      dlg::MessageBoxes()[0].text.find("could not be saved in the folder " + inbox + "/gone."),
      std::string::npos);
  EXPECT_NE(dlg::MessageBoxes()[1].text.find("\"for-anna.Lumivex\" file contains your message"),
            std::string::npos);
  // The edit was stored before sending, and the friend's saver takes the file.
  EXPECT_EQ(Book()[0], "to Anna|1|");
  EXPECT_EQ(ReceiveMessageFile((inbox + "/for-anna.Lumivex").c_str()), 1);
  Quill.Read();
  EXPECT_EQ(std::string(Quill.Message) + "|" + Quill.BottomLine, "to Anna|1");
}

// "Preview" starts the real program as a second process: it takes the shown
// message first, and Cancel on the sheet ends the preview for later runs.
TEST_F(MessagesPageTest, PreviewRunsASecondSaverThatStartsWithTheMessage) {
  const std::string lumivex = lvx::test::LumivexBinary();
  const std::string pidFile = lvx::test::Home() + "/saver.pid";
  const std::string snapshots = lvx::test::MakeTempDir("snapshots");
  // The wrapper notes the saver's process id, so the test can end it.
  lvx::test::WriteFile(bin_ + "/saver",
                       "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec '" + lumivex + "' \"$@\"\n");
  chmod((bin_ + "/saver").c_str(), 0755);
  lvx::SetSaverProgramForTests(bin_ + "/saver");
  setenv("LUMIVEX_SNAPSHOT", snapshots.c_str(), 1);
  setenv("LUMIVEX_SNAPSHOT_EVERY", "25", 1);
  Prepare([] { MainSettings.UserWriteUInt("params", "Jokes", 0); });

  bool started = false;
  RunPage({kOne, {"Good night", "sleep well", ""}}, [&](HWND sheet, HWND page) {
    dlg::Click(page, IDC_MSG_NEXT);
    dlg::Click(page, IDC_MSG_PREVIEW);
    // The sheet stays open until the saver took its first message.
    for (int i = 0; i < 300 && !started; ++i) {
      started = Log().find("Project-entering= Good night") != std::string::npos;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    dlg::Click(sheet, IDCANCEL);
  });
  unsetenv("LUMIVEX_SNAPSHOT");
  EXPECT_TRUE(started) << Log();
  EXPECT_EQ(Ini("Messages", "Preview"), "0");
  const pid_t saver = std::atoi(lvx::test::ReadFile(pidFile).c_str());
  ASSERT_GT(saver, 1);
  kill(saver, SIGTERM);
  // It is not our child: gone, or a zombie nobody reaped yet, is ended.
  auto running = [saver] {
    const std::string stat = lvx::test::ReadFile("/proc/" + std::to_string(saver) + "/stat");
    const std::size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
  };
  for (int i = 0; i < 200 && running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(running());
  EXPECT_TRUE(lvx::test::FileExists(snapshots + "/lumivex-final.png"));
}

}  // namespace
