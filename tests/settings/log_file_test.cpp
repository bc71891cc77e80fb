#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;

namespace {

const std::string kEquals(39, '=');

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A previous run left this log behind; this run starts now.
void PreviousRunLeft(const std::string& log) {
  WriteFile(LogPath(), log);
  lvx::ResetLogForTests();
}

// A desktop folder the shell's lookup finds: XDG user-dirs under a private HOME.
std::string PrepareDesktop(bool withDesktop) {
  std::string home = MakeTempDir("home");
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  unsetenv("XDG_DESKTOP_DIR");
  if (!withDesktop) return "";
  std::string desktop = home + "/Desktop";
  MakeTempDir("home/Desktop");
  MakeTempDir("home/.config");
  WriteFile(home + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n");
  return desktop;
}

}  // namespace

TEST(LogFile, NoFileIsMadeWithoutAnError) {
  LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  EXPECT_EQ(LogPath(), LogFile.Path());
  EXPECT_EQ(lvx::LogFilePath(), LogFile.Path());
  EXPECT_EQ(0, LogFile.State());
  LogFile.Clear();
  for (int i = 0; i < 200; ++i) LogFile.Log(3, "Universe", "Creating stars");
  LogFile.Log(5, "StarBitmapClass::Create", "odd");
  LogFile.LogTime("Time");
  EXPECT_FALSE(FileExists(LogPath()));
}

TEST(LogFile, FirstErrorStartsTheFileWithTheHeader) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Log(3, "Version", "v3.08");  // dropped: no file yet
  LogFile.Log(9, "BitmapClass::Create", "CreateCompatibleBitmap failed");
  LogFile.Log(3, "after", "kept");
  EXPECT_EQ(1, LogFile.State());

  std::vector<std::string> lines = Lines(ReadFile(LogPath()));
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ("INFO>" + kEquals + "= ", lines[0]);
  EXPECT_EQ("", lines[1]);
  for (int i = 2; i <= 5; ++i) EXPECT_EQ(' ', lines[static_cast<std::size_t>(i)][0]) << i;
  EXPECT_NE(std::string::npos, lines[2].find("log file of the Lumivex screensaver"));
  EXPECT_NE(std::string::npos, lines[4].find('@'));
  EXPECT_EQ("", lines[6]);
  EXPECT_EQ(0u, lines[7].rfind("INFO>Log Cleared= ", 0));
  EXPECT_EQ(lvx::LocalTimeText().size() - 1, lines[7].size() - std::string("INFO>Log Cleared= ").size());
  EXPECT_EQ("INFO>Build date= Oct 16 2005", lines[8]);
  EXPECT_EQ("ERROR>BitmapClass::Create= CreateCompatibleBitmap failed", lines[9]);
  EXPECT_EQ("INFO>after= kept", lines[10]);
  EXPECT_EQ(11u, lines.size());
}

TEST(LogFile, EntriesFollowTheirLevelAndAreCutAt299) {
  WriteFile(LogPath(), "");
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Clear();
  std::string before = ReadFile(LogPath());

  LogFile.Log(2, "Open", "no line end");
  LogFile.Log(3, "Info", "x");
  LogFile.Log(5, "Warn", "y");
  LogFile.Log(8, "Err", "z");
  LogFile.Log(1, "Odd", "w");
  LogFile.LogLong(3, "long", -1234567890L);
  LogFile.LogInt(3, "int", 42);
  LogFile.LogDouble(3, "double", 2.5);
  LogFile.LogDouble(3, "huge", 1e300);
  LogFile.Log(3, "ini text to write", std::string(1000, 'v').c_str());

  std::string added = ReadFile(LogPath()).substr(before.size());
  std::vector<std::string> lines = Lines(added);
  ASSERT_EQ(9u, lines.size());
  EXPECT_EQ("INFO>Open= no line endINFO>Info= x", lines[0]);
  EXPECT_EQ("WARNING>Warn= y", lines[1]);
  EXPECT_EQ("ERROR>Err= zUNKNOWN>Odd= w", lines[2]);
  EXPECT_EQ("INFO>long= -1234567890", lines[3]);
  EXPECT_EQ("INFO>int= 42", lines[4]);
  EXPECT_EQ("INFO>double= 2.500", lines[5]);
  EXPECT_EQ(299u, lines[6].size());
  EXPECT_EQ(299u, lines[7].size());
  EXPECT_EQ("INFO>ini text to write= " + std::string(299 - 24, 'v'), lines[7]);
  EXPECT_EQ("INFO>int= 42\n", added.substr(added.find("INFO>int"), 13));
}

TEST(LogFile, SizeLimitEndsTheRunsLogWithOneWarning) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Log(9, "first", "error");
  for (int i = 0; i < 1000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "e%04d", i);
    LogFile.Log(3, name, std::string(88, 'x').c_str());
  }
  LogFile.Log(9, "late", "dropped");

  std::string text = ReadFile(LogPath());
  const std::string warning = "WARNING> Maximum Log Size Reached!\n";
  ASSERT_EQ(1, CountOf(text, warning));
  ASSERT_EQ(text.size() - warning.size(), text.rfind(warning));
  EXPECT_EQ(std::string::npos, text.find("late"));

  // Every entry counts its length plus 2; the one that passes 40000 is the last.
  std::string body = text.substr(0, text.size() - warning.size());
  int entries = 4 + CountOf(body, "INFO>e");
  long counted = static_cast<long>(body.size()) + 2L * entries;
  std::size_t lastStart = body.rfind("INFO>e");
  long lastCounted = static_cast<long>(body.size() - lastStart) + 2;
  EXPECT_GT(counted, 40000);
  EXPECT_LE(counted - lastCounted, 40000);
}

TEST(LogFile, TwoThreadsLoseAndInterleaveNothing) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Log(9, "start", "threads");
  constexpr int kEach = 700;
  auto writer = [](const char* tag) {
    for (int i = 0; i < kEach; ++i) {
      char value[32];
      std::snprintf(value, sizeof value, "%s-%04d-%s", tag, i, tag);
      if (i % 2)
        LogFile.Log(3, tag, value);
      else
        LogFile.LogInt(3, tag, i);
    }
  };
  std::thread a(writer, "mail");
  std::thread b(writer, "window");
  a.join();
  b.join();

  std::set<std::string> seen;
  for (const std::string& line : Lines(ReadFile(LogPath())))
    if (line.rfind("INFO>mail=", 0) == 0 || line.rfind("INFO>window=", 0) == 0)
      EXPECT_TRUE(seen.insert(line).second) << line;
  EXPECT_EQ(2u * kEach, seen.size());
  for (const char* tag : {"mail", "window"})
    for (int i = 0; i < kEach; ++i) {
      char line[64];
      if (i % 2)
        std::snprintf(line, sizeof line, "INFO>%s= %s-%04d-%s", tag, tag, i, tag);
      else
        std::snprintf(line, sizeof line, "INFO>%s= %d", tag, i);
      EXPECT_EQ(1u, seen.count(line)) << line;
    }
}

TEST(LogFile, MisuseIsReported) {
  std::string err = Stderr([] {
    LogFile.Log(9, "early", "entry");
    LogFile.UserPrompt();
  });
  EXPECT_EQ(1, Boxes(err, "LogFileClass", "Init function must be called first"));
  EXPECT_FALSE(FileExists(LogPath()));

  err = Stderr([] {
    LogFile.Init(LogPath().c_str(), "Lumivex.ini");
    LogFile.UserPrompt();
    LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  });
  EXPECT_EQ(1, Boxes(err, "UserPrompt", "Called before init"));
  EXPECT_EQ(1, Boxes(err, "LogFileClass::Init", "Called twice"));
  EXPECT_EQ(0, LogFile.State());
}

TEST(LogFile, AnUnreadableLogIsReportedAndNotAPreviousError) {
  MakeTempDir("lumivex-log.txt");  // a folder where the log should be
  std::string err = Stderr([] { LogFile.Init(LogPath().c_str(), "Lumivex.ini"); });
  EXPECT_EQ(1, Boxes(err, "Unknown Size", LogPath()));
  EXPECT_EQ(0, Boxes(err, "Possible Error Detected", ""));
}

TEST(LogFilePrompt, OnlyAnErrorWithoutStopUserPromptAsks) {
  const char* cases[] = {"INFO>Version= v3.08\n", "ERROR>x= y\nINFO>Settings= StopUserPrompt\n",
                         "WARNING>ERROR= only a name\n"};
  for (const char* previous : cases) {
    PreviousRunLeft(previous);
    std::string err = Stderr([] { LogFile.Init(LogPath().c_str(), "Lumivex.ini"); });
    EXPECT_EQ("", err) << previous;
    EXPECT_EQ(1, LogFile.State());
    LogFile.Clear();
    EXPECT_EQ(0u, ReadFile(LogPath()).rfind("INFO>" + kEquals, 0)) << previous;
  }
}

TEST(LogFilePrompt, NoThenYesStopsThePromptForTheNextRun) {
  setenv("LUMIVEX_MSGBOX_ANSWERS", "no,yes", 1);
  PreviousRunLeft("ERROR>Universe= broke\n");
  std::string err = Stderr([] {
    LogFile.Init(LogPath().c_str(), "Lumivex.ini");
    LogFile.Clear();
  });
  EXPECT_EQ(1, Boxes(err, "Possible Error Detected", "Lumivex detected that it did not\noperate "
                                                     "normally in its previous run."));
  EXPECT_EQ(1, Boxes(err, "Possible Error Detected",
                     "Do you want to disable the\nautomatic error detection?"));
  std::string fresh = ReadFile(LogPath());
  EXPECT_NE(std::string::npos, fresh.find("INFO>Settings= StopUserPrompt\n"));
  EXPECT_EQ(std::string::npos, fresh.find("broke"));

  // The run after that: the old error is still there, but the prompt is off.
  LogFile.Log(9, "again", "broken");
  lvx::ResetLogForTests();
  err = Stderr([] { LogFile.Init(LogPath().c_str(), "Lumivex.ini"); });
  EXPECT_EQ("", err);
}

TEST(LogFilePrompt, NoThenNoKeepsAskingNextTime) {
  setenv("LUMIVEX_MSGBOX_ANSWERS", "no,no", 1);
  PreviousRunLeft("ERROR>Universe= broke\n");
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Clear();
  EXPECT_EQ(std::string::npos, ReadFile(LogPath()).find("StopUserPrompt"));
}

TEST(LogFilePrompt, YesPutsThePreviousLogAndTheSettingsOnTheDesktop) {
  std::string desktop = PrepareDesktop(true);
  ASSERT_EQ(desktop, lvx::DesktopFolder());
  setenv("LUMIVEX_MSGBOX_ANSWERS", "yes,ok", 1);
  std::string settings = "[params]\nTickTime=\"40\"\n";
  settings += std::string("Nul=\"a") + '\0' + "b\"\n";
  WriteFile(SettingsFile(), settings);
  const std::string previous = "INFO>Version= v3.08\nERROR>Moon= no bitmap\n";
  PreviousRunLeft(previous);

  std::string err = Stderr([] {
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    LogFile.Clear();
    LogFile.Log(3, "Version", "v3.08");
  });
  EXPECT_EQ(1, Boxes(err, "Log recorded!",
                     "The log information was stored on your\ndesktop in a file called "
                     "lumivex-log.txt\nPlease send this file to the author."));

  std::string expectedSettings = settings;
  expectedSettings[expectedSettings.find('\0')] = ' ';
  EXPECT_EQ(previous + "--- Lumivex.ini --------------------------------\n" + expectedSettings +
                "\n------------------------------------------------",
            ReadFile(desktop + "/lumivex-log.txt"));

  std::string fresh = ReadFile(LogPath());
  EXPECT_EQ(0u, fresh.rfind("INFO>" + kEquals, 0));
  EXPECT_EQ(std::string::npos, fresh.find("no bitmap"));
  EXPECT_NE(std::string::npos, fresh.find("INFO>Version= v3.08\n"));
}

TEST(LogFilePrompt, TheSettingsCopyIsLimited) {
  std::string desktop = PrepareDesktop(true);
  setenv("LUMIVEX_MSGBOX_ANSWERS", "yes,ok", 1);
  WriteFile(SettingsFile(), "[Messages]\nMessage___0=\"" + std::string(20000, 'm') + "\"\n");
  PreviousRunLeft("ERROR>x= y\n");
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  std::string copy = ReadFile(desktop + "/lumivex-log.txt");
  std::size_t from = copy.find("--------\n") + 9;
  std::size_t to = copy.rfind("\n----");
  EXPECT_EQ(7999u, to - from);
}

TEST(LogFilePrompt, WithoutADesktopNothingClaimsACopy) {
  PrepareDesktop(false);
  setenv("LUMIVEX_MSGBOX_ANSWERS", "yes", 1);
  PreviousRunLeft("ERROR>x= y\n");
  std::string err = Stderr([] { LogFile.Init(LogPath().c_str(), "Lumivex.ini"); });
  EXPECT_EQ(1, Boxes(err, "Possible Error Detected", ""));
  EXPECT_EQ(0, Boxes(err, "Log recorded!", ""));
  std::string fresh = ReadFile(LogPath());
  EXPECT_EQ(0u, fresh.rfind("INFO>" + kEquals, 0));
  EXPECT_NE(std::string::npos, fresh.find("WARNING>LogFileClass::UserPrompt= "));
}
