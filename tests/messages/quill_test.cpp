#include "messages/quill.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/winapi.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {

// A fresh settings file, opened as on its first run or as on any later one.
void OpenSettings(bool firstRun) {
  if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
  for (int i = firstRun ? 1 : 2; i > 0; --i) {
    lvx::ResetSettingsForTests();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
  }
  lvx::ResetMessageBookForTests();
}

void Put(int slot, const std::string& message, const std::string& line, const char* pw = "") {
  Quill.Index = slot;
  std::strcpy(Quill.Message, message.c_str());
  std::strcpy(Quill.BottomLine, line.c_str());
  std::strcpy(Quill.Password, pw);
  Quill.Write();
}

// The value as it stands in the file, still scrambled.
std::string Raw(const std::string& key) {
  char out[2000] = {};
  GetPrivateProfileStringA("Messages", key.c_str(), "", out, sizeof out,
                           MainSettings.Path().c_str());
  return out;
}

std::vector<int> Shown(int count) {
  std::vector<int> slots;
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(Quill.GetNext(), 1);
    slots.push_back(Quill.Index);
  }
  return slots;
}

class MessageBook : public ::testing::Test {
 protected:
  void SetUp() override { OpenSettings(false); }
  void Option(const char* key, const char* value) {
    MainSettings.UserWriteString("Messages", key, value);
    Quill.LoadOptions();
  }
};

TEST_F(MessageBook, SecretSlotsAreStoredScrambledAndReadInClear) {
  Put(1, "hello", "world");
  EXPECT_EQ(Raw("Message___1") + Raw("BottomLine1") + Raw("Password__1"), "helloworld");
  Put(2, "secret text", "hidden", "pw");
  for (const char* key : {"Message___2", "BottomLine2", "Password__2"}) {
    const std::string raw = Raw(key);
    EXPECT_TRUE(raw.find("secret") == std::string::npos && raw != "hidden" && raw != "pw") << raw;
    for (unsigned char c : raw) EXPECT_GE(c, 34) << key;
  }
  Quill.Clear();
  Quill.Read();
  EXPECT_EQ(std::string(Quill.Message) + "|" + Quill.BottomLine + "|" + Quill.Password,
            "secret text|hidden|pw");

  // Characters whose scrambled form takes two bytes: the longest texts still
  // come back whole, since they are unscrambled before being cut.
  std::string wide;
  for (int c = 35; c < 127 && wide.empty(); ++c) {
    char probe[8] = {static_cast<char>(c), '\0'};
    Scramble(probe, sizeof probe);
    if (std::strlen(probe) == 2) wide.assign(1, static_cast<char>(c));
  }
  ASSERT_FALSE(wide.empty());
  std::string message, line;
  while (message.size() < 79) message += wide;
  while (line.size() < 299) line += wide;
  Put(3, message, line, line.c_str());
  Quill.Clear();
  Quill.Read();
  EXPECT_EQ(std::string(Quill.Message), message);
  EXPECT_EQ(std::string(Quill.BottomLine), line);
  EXPECT_EQ(std::string(Quill.Password), line);
}

TEST_F(MessageBook, OverlongValuesAreCutWhenRead) {
  MainSettings.UserWriteString("Messages", "Message___1", std::string(120, 'm').c_str());
  MainSettings.UserWriteString("Messages", "BottomLine1", std::string(450, 'b').c_str());
  Quill.Index = 1;
  Quill.Read();
  EXPECT_EQ(std::string(Quill.Message), std::string(79, 'm'));
  EXPECT_EQ(std::string(Quill.BottomLine), std::string(299, 'b'));
  // A two-byte letter across the limit goes whole, also from a secret slot,
  // whose text is cut only after unscrambling.
  auto stored = [](const char* key, std::string text) {
    text.resize(1000, '\0');
    Scramble(text.data(), text.size());
    MainSettings.UserWriteString("Messages", key, text.c_str());
  };
  stored("Message___2", std::string(78, 'm') + "\xC3\xAB");
  stored("BottomLine2", std::string(298, 'b') + "\xC3\xA9");
  stored("Password__2", "pw");
  Quill.Index = 2;
  Quill.Read();
  EXPECT_EQ(std::string(Quill.Message), std::string(78, 'm'));
  EXPECT_EQ(std::string(Quill.BottomLine), std::string(298, 'b'));
}

TEST_F(MessageBook, FreeSlotsAndTheBooksExtent) {
  Put(1, "one", "");
  Put(2, "", "only a bottom line");
  Put(4, "", "", "only a password");
  Put(3, "three", "line 3");
  EXPECT_EQ(Quill.IsFree(5), 1);
  EXPECT_EQ(Quill.IsFree(2), 0);
  EXPECT_EQ(Quill.Index, 3);  // the loaded slot is back
  EXPECT_STREQ(Quill.BottomLine, "line 3");
  EXPECT_EQ(Quill.FindFirstFree(), 5);
  EXPECT_EQ(Quill.CountSecretMessages(), 4);
}

TEST_F(MessageBook, RotationInOrderSkipsSecretSlotsWithoutPassword) {
  for (int i = 0; i < 5; ++i) Put(i, "m" + std::to_string(i), "");
  Put(2, "two", "", "pw");
  Quill.Index = 3;  // wherever the dialogs left it: the first call starts at "Preview"
  EXPECT_EQ(Shown(6), (std::vector<int>{0, 1, 3, 4, 0, 1}));
}

TEST_F(MessageBook, DecryptPasswordShowsOnlyItsOwnSlots) {
  for (int i = 0; i < 5; ++i) Put(i, "m" + std::to_string(i), "");
  Put(2, "two", "", "pw");
  Put(3, "three", "", "pw");
  Put(4, "four", "", "other");
  Option("DecryptPassword", "pw");
  EXPECT_EQ(Quill.CountSecretMessages(), 2);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Shown(5), (std::vector<int>{2, 3, 2, 3, 2}));
  EXPECT_EQ(testing::internal::GetCapturedStderr().find("PROBLEM"), std::string::npos);
  std::strcpy(Quill.DecryptPassword, "PW");  // letter case counts
  EXPECT_EQ(Quill.CountSecretMessages(), 0);
}

TEST_F(MessageBook, PreviewTakesTheFirstCallOnlyAndDisableMultipleWins) {
  for (int i = 0; i < 4; ++i) Put(i, "m" + std::to_string(i), "");
  Option("Preview", "2");
  EXPECT_EQ(Shown(3), (std::vector<int>{2, 3, 0}));
  for (const char* outside : {"7", "-3", "2147483647"}) {
    Option("Preview", outside);
    lvx::ResetMessageBookForTests();
    EXPECT_EQ(Shown(2), (std::vector<int>{0, 1})) << outside;
  }
  Option("Preview", "2");
  Option("DisableMultiple", "1");
  EXPECT_EQ(Shown(3), (std::vector<int>{0, 0, 0}));
}

TEST_F(MessageBook, RandomOrderStaysInsideTheBook) {
  for (int i = 0; i < 5; ++i) Put(i, "m" + std::to_string(i), "");
  Option("ShowRandomly", "1");
  lvx::SeedRandomForTests(12345);
  std::set<int> seen;
  for (int slot : Shown(100)) seen.insert(slot);
  EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST_F(MessageBook, SearchThatCanAcceptNoSlotEndsShowingNothing) {
  Put(0, "zero", "zero line", "a");
  Put(1, "one", "", "b");
  EXPECT_EQ(Quill.GetNext(), 0);
  EXPECT_EQ(std::string(Quill.Message) + Quill.BottomLine + Quill.Password, "");
  Option("ShowRandomly", "1");
  EXPECT_EQ(Quill.GetNext(), 0);

  // A password that no slot carries is reported, and the search still ends.
  Option("DisableMultiple", "1");
  Option("DecryptPassword", "nobody has this");
  testing::internal::CaptureStderr();
  EXPECT_EQ(Quill.GetNext(), 0);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("MessageBox [PROBLEM] Internal error #167"), std::string::npos) << err;
  EXPECT_STREQ(Quill.Message, "");
}

TEST(MessageBookFirstRun, SampleInSlotOneIsShownButNotStored) {
  OpenSettings(true);
  ASSERT_NE(MainSettings.FirstTime, 0);
  EXPECT_EQ(Quill.FindFirstFree(), 2);
  EXPECT_EQ(Raw("Message___1"), "");

  Quill.WriteFirstRunMessages();
  EXPECT_EQ(std::string(Quill.Message) + "|" + Quill.BottomLine,
            std::string("Lumivex v3.08|For more information, please visit: ") + HomePageAddress);
  EXPECT_EQ(Raw("Message___1") + Raw("BottomLine1") + Raw("Message___2") + Raw("BottomLine2"),
            "PEACEPeaceHEARTand love");
  std::vector<std::string> texts;
  for (int i = 0; i < 3; ++i) {
    Quill.GetNext();
    texts.push_back(std::string(Quill.Message) + "|" + Quill.BottomLine);
  }
  EXPECT_EQ(texts,
            (std::vector<std::string>{
                std::string("Lumivex v3.08|For more information, please visit: ") + HomePageAddress,
                "Lumivex|Try it with the lights off", "HEART|and love"}));

  OpenSettings(false);  // a later run shows what is stored
  Quill.Index = 1;
  Quill.Read();
  EXPECT_STREQ(Quill.Message, "PEACE");
}

}  // namespace
