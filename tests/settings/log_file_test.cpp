#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "settings/log_file.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;

namespace {

const std::string kHeaderStart = "INFO>" + std::string(39, '=') + "= \n\n This is the log file";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A previous run left this log behind; this run starts now.
void PreviousRunLeft(const std::string& log, const char* answers) {
  WriteFile(LogPath(), log);
  lvx::ResetLogForTests();
  setenv("LUMIVEX_MSGBOX_ANSWERS", answers, 1);
}

// A private HOME whose XDG user-dirs name a desktop folder (or none).
std::string PrepareDesktop(bool withDesktop) {
  std::string home = MakeTempDir("home");
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
  if (!withDesktop) return "";
  MakeTempDir("home/Desktop");
  MakeTempDir("home/.config");
  WriteFile(home + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n");
  return home + "/Desktop";
}

}  // namespace

TEST(LogFile, SilentUntilTheFirstErrorWhichStartsWithTheHeader) {
  std::string err = Stderr([] { LogFile.Log(9, "early", "entry"); });
  EXPECT_EQ(1, Boxes(err, "LogFileClass", "Init function must be called first"));

  LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  EXPECT_EQ(lvx::LogFilePath(), LogFile.Path());
  EXPECT_EQ(LogPath(), LogFile.Path());
  LogFile.Clear();
  for (int i = 0; i < 200; ++i) LogFile.Log(3, "Universe", "Creating stars");
  LogFile.Log(5, "StarBitmapClass::Create", "odd");
  EXPECT_FALSE(FileExists(LogPath()));

  LogFile.Log(9, "BitmapClass::Create", "CreateCompatibleBitmap failed");
  LogFile.Log(2, "Open", "no line end");
  LogFile.Log(8, "Err", "z");
  LogFile.Log(1, "Odd", "w");
  LogFile.LogDouble(3, "double", 2.5);
  LogFile.LogDouble(3, "huge", 1e300);
  LogFile.Log(3, "ini text to write", std::string(1000, 'v').c_str());
  std::string text = ReadFile(LogPath());
  EXPECT_EQ(0u, text.find(kHeaderStart));
  std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(14u, lines.size());
  EXPECT_NE(std::string::npos, lines[4].find('@'));  // where to send it
  EXPECT_EQ("", lines[6]);
  EXPECT_EQ("INFO>Log Cleared= " + lvx::LocalTimeText(), lines[7] + "\n");
  EXPECT_EQ("INFO>Build date= Oct 16 2005", lines[8]);
  EXPECT_EQ("ERROR>BitmapClass::Create= CreateCompatibleBitmap failed", lines[9]);
  EXPECT_EQ("INFO>Open= no line endERROR>Err= zUNKNOWN>Odd= w", lines[10]);
  EXPECT_EQ("INFO>double= 2.500", lines[11]);
  EXPECT_EQ(299u, lines[12].size());
  EXPECT_EQ("INFO>ini text to write= " + std::string(299 - 24, 'v'), lines[13]);
}

TEST(LogFile, EntriesAreUtf8AndTheLineLimitKeepsCharactersWhole) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Log(9, "Message", "Bonne nuit Zo\xC3\xAB");
  LogFile.Log(3, "Message", "Bonne nuit Zo\xEB");  // typed in the older code page
  // "INFO>x= " is 8 bytes: 290 letters then a euro sign across the 299-byte limit.
  LogFile.Log(3, "x", (std::string(290, 'a') + "\xE2\x82\xAC").c_str());
  const std::vector<std::string> lines = Lines(ReadFile(LogPath()));
  ASSERT_GE(lines.size(), 3u);
  const std::size_t n = lines.size();
  EXPECT_EQ("ERROR>Message= Bonne nuit Zo\xC3\xAB", lines[n - 3]);
  EXPECT_EQ("INFO>Message= Bonne nuit Zo\xC3\xAB", lines[n - 2]);
  EXPECT_EQ("INFO>x= " + std::string(290, 'a'), lines[n - 1]);
}

TEST(LogFile, SizeLimitEndsTheRunsLogWithOneWarning) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Log(9, "first", "error");
  for (int i = 0; i < 1000; ++i) LogFile.LogInt(3, std::string(86, 'e').c_str(), i);
  LogFile.Log(9, "late", "dropped");

  std::string text = ReadFile(LogPath());
  const std::string warning = "WARNING> Maximum Log Size Reached!\n";
  ASSERT_EQ(1, CountOf(text, warning));
  ASSERT_EQ(text.size() - warning.size(), text.rfind(warning));
  EXPECT_EQ(std::string::npos, text.find("late"));
  // Each entry counts its length plus 2; the one that passes 40000 is the last.
  std::string body = text.substr(0, text.size() - warning.size());
  long counted = static_cast<long>(body.size()) + 2L * (4 + CountOf(body, "INFO>eee"));
  long last = static_cast<long>(body.size() - body.rfind("INFO>eee")) + 2;
  EXPECT_GT(counted, 40000);
  EXPECT_LE(counted - last, 40000);
}

TEST(LogFile, TwoThreadsLoseAndInterleaveNothing) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Log(9, "start", "threads");
  constexpr int kEach = 700;
  auto writer = [](const char* tag) {
    for (int i = 0; i < kEach; ++i) LogFile.LogInt(3, tag, i);
  };
  std::thread a(writer, "mail");
  std::thread b(writer, "window");
  a.join();
  b.join();
  std::set<std::string> seen;
  for (const std::string& line : Lines(ReadFile(LogPath()))) seen.insert(line);
  for (const char* tag : {"mail", "window"})
    for (int i = 0; i < kEach; ++i)
      EXPECT_EQ(1u, seen.count("INFO>" + std::string(tag) + "= " + std::to_string(i))) << i;
}

TEST(LogFilePrompt, OnlyAnErrorWithoutStopUserPromptAsks) {
  for (const char* previous : {"INFO>Version= v3.08\n", "ERROR>x= y\nINFO>Settings= StopUserPrompt\n"}) {
    PreviousRunLeft(previous, "");
    std::string err = Stderr([] { LogFile.Init(LogPath().c_str(), "Lumivex.ini"); });
    EXPECT_EQ("", err) << previous;
    LogFile.Clear();
    EXPECT_EQ(0u, ReadFile(LogPath()).find(kHeaderStart)) << previous;
  }

  // No, then no: asked again next time.
  PreviousRunLeft("ERROR>Universe= broke\n", "no,no");
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Clear();
  EXPECT_EQ(std::string::npos, ReadFile(LogPath()).find("StopUserPrompt"));

  // No, then yes: the fresh log carries the wish into the next run.
  PreviousRunLeft("ERROR>Universe= broke\n", "no,yes");
  std::string err = Stderr([] {
    LogFile.Init(LogPath().c_str(), "Lumivex.ini");
    LogFile.Clear();
  });
  EXPECT_EQ(1, Boxes(err, "Possible Error Detected",
                     "Lumivex detected that it did not\noperate normally in its previous run.\n"
                     "If you also noticed some malfunction\nin the program, you can ask the author"
                     "\nto take a look at it. Do you want to\nget help from the author?"));
  EXPECT_EQ(1, Boxes(err, "Possible Error Detected",
                     "Do you want to disable the\nautomatic error detection?"));
  EXPECT_NE(std::string::npos, ReadFile(LogPath()).find("INFO>Settings= StopUserPrompt\n"));
  LogFile.Log(9, "again", "broken");
  lvx::ResetLogForTests();
  err = Stderr([] { LogFile.Init(LogPath().c_str(), "Lumivex.ini"); });
  EXPECT_EQ("", err);
}

TEST(LogFilePrompt, YesPutsThePreviousLogAndTheSettingsOnTheDesktop) {
  std::string desktop = PrepareDesktop(true);
  ASSERT_EQ(desktop, lvx::DesktopFolder());
  std::string settings = std::string("[params]\nNul=\"a") + '\0' + "b\"\n";
  WriteFile(SettingsFile(), settings);
  const std::string previous = "INFO>Version= v3.08\nERROR>Moon= no bitmap\n";
  PreviousRunLeft(previous, "yes,ok");

  std::string err = Stderr([] {
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    LogFile.Clear();
    LogFile.Log(3, "Version", "v3.08");
  });
  EXPECT_EQ(1, Boxes(err, "Log recorded!",
                     "The log information was stored on your\ndesktop in a file called "
                     "lumivex-log.txt\nPlease send this file to the author."));
  settings[settings.find('\0')] = ' ';
  EXPECT_EQ(previous + "--- Lumivex.ini --------------------------------\n" + settings +
                "\n------------------------------------------------",
            ReadFile(desktop + "/lumivex-log.txt"));
  std::string fresh = ReadFile(LogPath());
  EXPECT_EQ(0u, fresh.find(kHeaderStart));
  EXPECT_EQ(std::string::npos, fresh.find("no bitmap"));

  // The settings copy is limited to 7999 characters.
  WriteFile(SettingsFile(), "[Messages]\nMessage___0=\"" + std::string(20000, 'm') + "\"\n");
  PreviousRunLeft("ERROR>x= y\n", "yes,ok");
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  std::string copy = ReadFile(desktop + "/lumivex-log.txt");
  EXPECT_EQ(7999u, copy.rfind("\n----") - (copy.find("--------\n") + 9));
}

TEST(LogFilePrompt, NoCopyIsClaimedWithoutADesktopOrAFolderInThePath) {
  PrepareDesktop(false);
  PreviousRunLeft("ERROR>x= y\n", "yes");
  std::string err = Stderr([] { LogFile.Init(LogPath().c_str(), "Lumivex.ini"); });
  EXPECT_EQ(1, Boxes(err, "Possible Error Detected", ""));
  EXPECT_EQ(0, Boxes(err, "Log recorded!", ""));
  std::string fresh = ReadFile(LogPath());
  EXPECT_EQ(0u, fresh.find(kHeaderStart));
  EXPECT_NE(std::string::npos, fresh.find("WARNING>LogFileClass::UserPrompt= "));

  std::string desktop = PrepareDesktop(true);
  ASSERT_EQ(0, chdir(Home().c_str()));
  PreviousRunLeft("ERROR>x= y\n", "yes");
  err = Stderr([] { LogFile.Init("lumivex-log.txt", "Lumivex.ini"); });
  EXPECT_EQ(1, Boxes(err, "Error in LogFileClass", "LogFilename does not contain a '\\'"));
  EXPECT_FALSE(FileExists(desktop + "/lumivex-log.txt"));

  // A folder where the log should be is no log (and no previous error): one
  // line says so, and the entries of the run go nowhere.
  lvx::ResetLogForTests();
  std::remove(LogPath().c_str());
  MakeTempDir("lumivex-log.txt");
  err = Stderr([] {
    LogFile.Init(LogPath().c_str(), "Lumivex.ini");
    LogFile.Log(9, "Failure", "nowhere to go");
  });
  EXPECT_EQ(1, CountOf(err, LogPath() + " is not a regular file")) << err;
  EXPECT_EQ(0, CountOf(err, "MessageBox")) << err;
  EXPECT_EQ(LogFile.State(), 1);
  err = Stderr([] {
    LogFile.Init(LogPath().c_str(), "Lumivex.ini");
    lvx::ResetLogForTests();
    LogFile.Init("/nonexistent/log", "Lumivex.ini");
    LogFile.UserPrompt();
  });
  EXPECT_EQ(1, Boxes(err, "LogFileClass::Init", "Called twice"));
  EXPECT_EQ(1, Boxes(err, "UserPrompt", "Called before init"));
}
