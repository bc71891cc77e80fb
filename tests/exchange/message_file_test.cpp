#include "exchange/message_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "messages/quill.h"
#include "platform/winapi.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "tests/support/test_support.h"

namespace {

using lvx::test::MakeTempDir;
using lvx::test::ReadFile;
using lvx::test::WriteFile;

const std::string kInstructions =
    std::string(
        "EMAIL SUBJECT: A Lumivex for you.\n\nEMAIL BODY:\nThis email has a special message for "
        "you.\n\nTo see the message you must have the \"Lumivex v3.08\" screen saver.\nIf you "
        "don't already have this screen saver, you can download it from\nthe internet:  ") +
    HomePageAddress +
    "\nand install it to your computer.\n\nTo load and view the message, simply open the "
    "\"NewMessage.Lumivex\" file\nthat you can find attached to this email.\n";

// The program as started by the desktop: "lumivex /s <path>".
void StartedWith(std::vector<std::string> args) {
  static std::vector<std::string> keep;
  static std::vector<char*> argv;
  keep = std::move(args);
  keep.insert(keep.begin(), "lumivex");
  argv.clear();
  for (std::string& a : keep) argv.push_back(a.data());
  argv.push_back(nullptr);
  lvx::SetProcessArguments(static_cast<int>(keep.size()), argv.data());
}

void Put(int slot, const char* message, const char* bottomLine, const char* password = "") {
  Quill.Index = slot;
  std::strcpy(Quill.Message, message);
  std::strcpy(Quill.BottomLine, bottomLine);
  std::strcpy(Quill.Password, password);
  Quill.Write();
}

std::string Book(const std::string& key) {
  char out[2000] = {};
  GetPrivateProfileStringA("Messages", key.c_str(), "", out, sizeof out,
                           MainSettings.Path().c_str());
  return out;
}

// A message file as a friend's saver writes it.
std::string MessageFileText(const std::string& message, const std::string& bottomLine,
                            const std::string& password = "") {
  return "[params]\r\nFirstTime=\"0\"\r\n[MessageIN]\r\nMessage___0=\"" + message +
         "\"\r\nBottomLine0=\"" + bottomLine + "\"\r\nPassword__0=\"" + password + "\"\r\n";
}

class MessageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_ = MakeTempDir("tmp");
    setenv("TMPDIR", tmp_.c_str(), 1);
    inbox_ = MakeTempDir("inbox");
    if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    for (int run = 0; run < 2; ++run) {  // the second run is no longer the first
      lvx::ResetSettingsForTests();
      ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    }
    lvx::ResetMessageBookForTests();
    Put(0, "main", "main line");
  }

  std::string Drop(const std::string& name, const std::string& content) {
    WriteFile(inbox_ + "/" + name, content);
    return inbox_ + "/" + name;
  }

  std::string tmp_, inbox_;
};

TEST_F(MessageFiles, ArgumentIsWhatFollowsTheProgramPath) {
  StartedWith({"/s", "/home/anna/My Mail/NewMessage.Lumivex"});
  char name[300], argument[400], module[4096] = {};
  GetProgramNameAndArgument(name, sizeof name, argument, sizeof argument);
  GetModuleFileNameA(nullptr, module, sizeof module);
  EXPECT_STREQ(name, module);
  EXPECT_STREQ(argument, "/s /home/anna/My Mail/NewMessage.Lumivex");

  char smallName[8], smallArgument[6];  // cut, never overrun
  GetProgramNameAndArgument(smallName, sizeof smallName, smallArgument, sizeof smallArgument);
  EXPECT_EQ(std::strlen(smallName), 7u);
  EXPECT_STREQ(smallArgument, "/s /h");

  StartedWith({});
  GetProgramNameAndArgument(name, sizeof name, argument, sizeof argument);
  EXPECT_STREQ(argument, "");
}

TEST_F(MessageFiles, ReceivedIntoTheFirstFreeSlotAndShownNext) {
  Put(1, "one", "");
  Put(2, "two", "");
  Put(4, "four", "");
  StartedWith({"/s", Drop("NewMessage.Lumivex", MessageFileText("Hello Anna", "From Bob"))});
  EXPECT_EQ(ReceiveMessage(), 1);
  EXPECT_EQ(Quill.Index, 3);
  EXPECT_EQ(Book("Preview"), "3");
  EXPECT_EQ(Book("Message___3") + "|" + Book("BottomLine3") + "|" + Book("Password__3"),
            "Hello Anna|From Bob|");
  EXPECT_EQ(Book("Message___0") + Book("Message___1") + Book("Message___2") + Book("Message___4"),
            "mainonetwofour");
  lvx::ResetMessageBookForTests();  // the next start shows it first
  ASSERT_EQ(Quill.GetNext(), 1);
  EXPECT_STREQ(Quill.Message, "Hello Anna");
}

TEST_F(MessageFiles, NamesMatchWithoutRegardToCase) {
  Drop("NewMessage.Lumivex", MessageFileText("mixed", "case"));
  StartedWith({"/s", inbox_ + "/newmessage.lumivex"});  // the real name is looked up
  EXPECT_EQ(ReceiveMessage(), 1);
  StartedWith({"/s", Drop("FROM-BOB.LUMIVEX", MessageFileText("capitals", "ok"))});
  EXPECT_EQ(ReceiveMessage(), 1);
  EXPECT_EQ(Book("Message___1") + Book("Message___2"), "mixedcapitals");
}

TEST_F(MessageFiles, NoMessageFileNoChange) {
  mkdir((inbox_ + "/folder.Lumivex").c_str(), 0700);
  const std::string before = ReadFile(MainSettings.Path());
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"/s"},
           {"/p", "123"},
           {"/s", inbox_ + "/missing.Lumivex"},
           {"/s", Drop("message.txt", MessageFileText("text", "file"))},
           {"/s", inbox_ + "/folder.Lumivex"}}) {
    StartedWith(args);
    EXPECT_EQ(ReceiveMessage(), 0) << (args.empty() ? "" : args.back());
  }
  EXPECT_EQ(ReadFile(MainSettings.Path()), before);
}

// A pipe, an endless device or a huge file named like a message file is
// refused at once: nothing copied, nothing left in the temporary folder,
// the book as it was; and a file without a message changes nothing either.
TEST_F(MessageFiles, WhatIsNoMessageFileIsRefusedUncopied) {
  Put(1, "one", "line one");
  const std::string pipe = inbox_ + "/pipe.Lumivex", zero = inbox_ + "/zero.Lumivex";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
  const std::string huge = Drop("huge.Lumivex", MessageFileText("big", "file"));
  ASSERT_EQ(truncate(huge.c_str(), (32 << 20) + 1), 0);
  const std::string empty = Drop("empty.Lumivex", "[MessageIN]\n");
  const std::string before = ReadFile(MainSettings.Path());
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : {pipe, zero, huge, empty}) {
    StartedWith({"/s", path});
    EXPECT_EQ(ReceiveMessage(), 0) << path;
    EXPECT_EQ(ReadFile(MainSettings.Path()), before) << path;
    EXPECT_TRUE(std::filesystem::is_empty(tmp_)) << path;
  }
  // Nothing waited for a writer or read the endless file: that would take
  // forever, not a few slow seconds of a sanitized build.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(MessageFiles, OverlongTextsAreCutAndPasswordsStoredScrambled) {
  const std::string text(100, 't'), line(400, 'l'), password(400, 'p');
  StartedWith({"/s", Drop("long.Lumivex", MessageFileText(text, line, password))});
  EXPECT_EQ(ReceiveMessage(), 1);
  EXPECT_EQ(Book("Password__1").find("ppp"), std::string::npos);
  Quill.Index = 1;
  Quill.Read();
  EXPECT_EQ(std::string(Quill.Message), std::string(77, 't'));
  EXPECT_EQ(std::string(Quill.BottomLine), std::string(297, 'l'));
  EXPECT_EQ(std::string(Quill.Password), std::string(297, 'p'));
}

TEST_F(MessageFiles, AFileInTheOlderWindowsCodePageLandsAsUtf8) {
  // Written by an older program: e-diaeresis and the euro sign as single bytes.
  StartedWith({"/s", Drop("zoe.Lumivex", MessageFileText("Bonne nuit Zo\xEB", "5 \x80 pour toi"))});
  EXPECT_EQ(ReceiveMessage(), 1);
  EXPECT_EQ(Book("Message___1"), "Bonne nuit Zo\xC3\xAB");
  EXPECT_EQ(Book("BottomLine1"), "5 \xE2\x82\xAC pour toi");
  // A UTF-8 file arrives unchanged, and a protected one is readable once unscrambled.
  StartedWith({"/s", Drop("utf8.Lumivex", MessageFileText("Zo\xC3\xAB", "\xC3\xA0 demain"))});
  EXPECT_EQ(ReceiveMessage(), 1);
  EXPECT_EQ(Book("Message___2"), "Zo\xC3\xAB");
  StartedWith({"/s", Drop("secret.Lumivex", MessageFileText("Zo\xEB", "bis bald", "gr\xFC\xDF"))});
  EXPECT_EQ(ReceiveMessage(), 1);
  Quill.Index = 3;
  Quill.Read();
  EXPECT_STREQ(Quill.Message, "Zo\xC3\xAB");
  EXPECT_STREQ(Quill.Password, "gr\xC3\xBC\xC3\x9F");
  // Converted text that outgrows the 77 bytes loses whole characters only.
  StartedWith({"/s", Drop("long.Lumivex", MessageFileText(std::string(76, 'e') + "\xEB", "x"))});
  EXPECT_EQ(ReceiveMessage(), 1);
  EXPECT_EQ(Book("Message___4"), std::string(76, 'e'));
}

TEST_F(MessageFiles, FileWithoutTheMessageLeavesTheBookAsItWas) {
  Put(1, "one", "line one");
  Put(3, "three", "");
  const std::string bad[] = {
      "",
      "[MessageIN]\nBottomLine0=\"only a line\"\n",
      "[MessageIN]\nMessage___0=\"only a text\"\n",
      "[Other]\nMessage___0=\"x\"\nBottomLine0=\"y\"\n",
      std::string("\0\xff\xfe[MessageIN\n=\n\\\\\\", 19),
  };
  for (const std::string& content : bad) {
    StartedWith({"/s", Drop("bad.Lumivex", content)});
    EXPECT_EQ(ReceiveMessage(), 0) << content;
    EXPECT_EQ(Quill.Index, 0);
    EXPECT_STREQ(Quill.Message, "main");
    EXPECT_EQ(Quill.FindFirstFree(), 2);
    EXPECT_EQ(Book("Message___1") + Book("BottomLine1") + Book("Message___3"), "oneline onethree");
    EXPECT_EQ(Book("Preview"), "");
  }
}

TEST_F(MessageFiles, ReceivedFileIsOnlyRead) {
  const std::string path = Drop("kept.Lumivex", MessageFileText("untouched", "file"));
  chmod(path.c_str(), 0444);
  const std::string before = ReadFile(path);
  StartedWith({"/s", path});
  testing::internal::CaptureStderr();
  EXPECT_EQ(ReceiveMessage(), 1);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("MessageBox"), std::string::npos) << err;
  EXPECT_EQ(ReadFile(path), before);
}

// Sending opens the folder with the desktop's opener; a stand-in notes it.
TEST_F(MessageFiles, SendingWritesBothFilesAndOverwritesThemNextTime) {
  const std::string bin = MakeTempDir("bin"), opened = tmp_ + "/opened.txt";
  WriteFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened + "'\n");
  chmod((bin + "/xdg-open").c_str(), 0755);
  setenv("PATH", (bin + ":" + std::getenv("PATH")).c_str(), 1);

  const std::string folder = tmp_ + "/Lumivex.tmp";
  EXPECT_EQ(MessageFileFolder(), folder);
  Put(1, "first", "first line");
  SendMessageToFriend();
  WriteFile(folder + "/Receive Instructions.txt", std::string(2000, 'x'));
  Put(1, "second", "second line", "pw");
  testing::internal::CaptureStderr();
  SendMessageToFriend();
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_EQ(ReadFile(folder + "/Receive Instructions.txt"), kInstructions);
  const std::string sent = ReadFile(folder + "/NewMessage.Lumivex");
  EXPECT_NE(sent.find("[MessageIN]"), std::string::npos) << sent;
  EXPECT_NE(sent.find("Password__0=\"pw\""), std::string::npos) << sent;  // as typed
  EXPECT_EQ(sent.find("first"), std::string::npos) << sent;
  EXPECT_NE(err.find("MessageBox [How to send the message to your friend.] Two new files named "
                     "\"NewMessage.Lumivex\" and \"Receive Instructions.txt\"\\nwill be created"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("5) Wish this procedure works. (I will improve it in the future versions)"),
            std::string::npos);

  // The friend's saver takes it in, password and all.
  StartedWith({"/s", folder + "/NewMessage.Lumivex"});
  EXPECT_EQ(ReceiveMessage(), 1);
  Quill.Read();
  EXPECT_EQ(std::string(Quill.Message) + "|" + Quill.BottomLine + "|" + Quill.Password,
            "second|second line|pw");

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ReadFile(opened).size() < 2 * (folder.size() + 1) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ReadFile(opened), folder + "\n" + folder + "\n");
}

// Another user may have made "Lumivex.tmp" in a shared temporary folder,
// with links in it to our own files: a folder that is not ours takes nothing.
TEST_F(MessageFiles, SendingRefusesATemporaryFolderThatIsNotOurs) {
  setenv("PATH", "/nonexistent", 1);  // no folder window opens
  const std::string mine = MakeTempDir("mine");
  WriteFile(mine + "/Receive Instructions.txt", "my own file");
  std::filesystem::create_directory_symlink(mine, tmp_ + "/Lumivex.tmp");
  Put(1, "hello", "friend");
  testing::internal::CaptureStderr();
  SendMessageToFriend();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadFile(mine + "/Receive Instructions.txt"), "my own file");
  EXPECT_FALSE(std::filesystem::exists(mine + "/NewMessage.Lumivex"));
  EXPECT_NE(err.find("The message could not be saved in the folder " + tmp_ + "/Lumivex.tmp"),
            std::string::npos)
      << err;
}

}  // namespace
