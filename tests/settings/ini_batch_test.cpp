// Groups of writes that reach the settings file together, and what the
// store says when its file cannot be used.
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;
namespace fs = std::filesystem;

namespace {

ino_t Inode(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::string Read(IniFile& ini, const char* section, const char* key) {
  char out[100] = {};
  ini.ReadString(section, key, out, "<default>", sizeof out);
  return out;
}

}  // namespace

// Inside a batch the writes are read back at once but the file stays as it
// was; the batch's end writes them all. Another thread's write waits for it.
TEST(IniFileBatch, WritesLandTogetherAndOtherThreadsWait) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  ASSERT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  const ino_t before = Inode(SettingsFile());
  std::atomic<bool> workerDone{false};
  std::thread worker;
  {
    IniFile::Batch batch(MainSettings);
    MainSettings.UserWriteString("Messages", "Message___5", "five");
    MainSettings.UserWriteString("Messages", "BottomLine5", "line\nfive");
    {
      IniFile::Batch inner(MainSettings);  // joins the outer one
      MainSettings.UserWriteString("Messages", "Password__5", "pw");
    }
    EXPECT_EQ(Read(MainSettings, "Messages", "BottomLine5"), "line\nfive");
    EXPECT_EQ(Inode(SettingsFile()), before);
    EXPECT_EQ(ReadFile(SettingsFile()).find("five"), std::string::npos);
    worker = std::thread([&] {
      MainSettings.WriteString("Debug", "error1", "from the worker");
      workerDone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(workerDone);
    MainSettings.UserWriteString("Messages", "Preview", "5");
  }
  worker.join();
  const std::string text = ReadFile(SettingsFile());
  for (const char* wanted : {"Message___5=\"five\"", "BottomLine5=\"line\\nfive\"",
                             "Password__5=\"pw\"", "Preview=\"5\"", "error1=\"from the worker\""})
    EXPECT_NE(text.find(wanted), std::string::npos) << wanted << "\n" << text;
}

// A batch that cannot be written says so once, at its end, with the file and
// the reason; the values are not there afterwards.
TEST(IniFileBatch, AFailedBatchIsReportedOnceWithTheReason) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  ASSERT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  std::string err = Stderr([] {
    IniFile::Batch batch(MainSettings);
    MainSettings.UserWriteString("Sound", "WavFile", "a.wav");
    MainSettings.UserWriteString("Sound", "MidFile", "b.mid");
    chmod(SettingsFile().c_str(), 0444);
  });
  const std::string box = "Read: too long string\n" + SettingsFile() + ": Permission denied";
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", box)) << err;
  EXPECT_EQ(1, CountOf(err, "MessageBox")) << err;
  EXPECT_EQ(Read(MainSettings, "Sound", "WavFile"), "<default>");
  // The same failure again shows nothing new.
  err = Stderr([] { MainSettings.UserWriteString("Sound", "WavFile", "c.wav"); });
  EXPECT_EQ(0, CountOf(err, "MessageBox")) << err;
  chmod(SettingsFile().c_str(), 0644);
}

// A settings file that is a folder reads as missing; the log tells why, once.
TEST(IniFileBatch, AnUnreadableFileIsLoggedOnce) {
  WriteFile(LogPath(), "");  // an existing log records everything
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  const std::string dir = MakeTempDir("folder-settings");
  fs::create_directory(dir + "/Lumivex.ini");
  IniFile ini;
  std::string err = Stderr([&] { EXPECT_EQ(1, ini.Init(dir.c_str(), "\\Lumivex.ini")); });
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Read(ini, "params", "TickTime"), "<default>");
  const std::string line = dir + "/Lumivex.ini: Is a directory";
  EXPECT_EQ(1, CountOf(ReadFile(LogPath()), "WARNING>IniFile::Read= " + line + "\n"))
      << ReadFile(LogPath());
  // One box says it all: the file cannot be used, and why.
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Configuration Problem. Please reinstall\n" + line));
  EXPECT_EQ(1, CountOf(err, "MessageBox")) << err;
  EXPECT_TRUE(fs::is_directory(dir + "/Lumivex.ini"));
}

// A box raised inside a batch shows once the batch is over: nobody clicks
// while other savers wait for the settings file.
TEST(IniFileBatch, BoxesWaitForTheEndOfTheBatch) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  ASSERT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  const std::string err = Stderr([] {
    IniFile::Batch batch(MainSettings);
    MainSettings.WriteString("params", "Long", std::string(1000, 'x').c_str());
    MainSettings.WriteString("params", "Short", "kept");
    std::fputs("-- the batch ends --\n", stderr);
  });
  const std::size_t end = err.find("-- the batch ends --");
  const std::size_t box = err.find("MessageBox [Error in IniFile] Write: too long string");
  ASSERT_NE(box, std::string::npos) << err;
  EXPECT_GT(box, end) << err;
  EXPECT_NE(ReadFile(SettingsFile()).find("Short=\"kept\""), std::string::npos);
}
