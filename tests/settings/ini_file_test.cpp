#include "settings/ini_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "settings/log_file.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;

namespace {

int Today() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return t.wDay;
}

std::string Read(const char* section, const char* key, std::size_t size = 1100) {
  std::vector<char> out(size, '#');
  MainSettings.UserReadString(section, key, out.data(), "<default>", size);
  return out.data();
}

// Every test gets a main settings file and a silent log (no log file: state 0).
class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogFile.Init(LogPath().c_str(), "Lumivex.ini");
    ASSERT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  }
};

}  // namespace

TEST(IniFileInit, FirstInitWritesExactRecordsAndFirstTimeOnlyOnce) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  std::string err = Stderr([] { EXPECT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini")); });
  EXPECT_EQ("", err);
  EXPECT_EQ(1, MainSettings.FirstTime);
  EXPECT_EQ(SettingsFile(), MainSettings.Path());

  DWORD v = GetVersion();
  char details[96], shortForm[16];
  std::snprintf(details, sizeof details, "%04X:%04X, (WinVer= %u.%u), (DOSVer= %u.%u)", v >> 16,
                v & 0xFFFF, v & 0xFF, (v >> 8) & 0xFF, v >> 24, (v >> 16) & 0xFF);
  std::snprintf(shortForm, sizeof shortForm, "%04X:%04X", v >> 16, v & 0xFFFF);
  std::string first = ReadFile(SettingsFile());
  EXPECT_EQ("[params]\nFirstTime=\"0\"\nLastUserName=\"" + std::string(MainSettings.UserName()) +
                "\"\nMultiUser=\"0\"\nloadmd=\"" + std::to_string(Today()) +
                "\"\n\n[info]\nini file=\"" + SettingsFile() + "\"\nOsVersionDetails=\"" +
                details + "\"\nOsVersion=\"" + shortForm + "\"\nOsVerHuman=\"not in list\"\n",
            first);

  // The next start is not the first, and finds nothing to change.
  lvx::ResetSettingsForTests();
  EXPECT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  EXPECT_EQ(0, MainSettings.FirstTime);
  EXPECT_EQ(first, ReadFile(SettingsFile()));

  // A message file: no folder, a full path.
  IniFile message;
  std::string path = Home() + "/NewMessage.Lumivex";
  EXPECT_EQ(0, message.Init("", path.c_str()));
  EXPECT_EQ(path, message.Path());
}

TEST(IniFileInit, DisabledStoreIsSilentAndMisuseIsReported) {
  IniFile off;
  std::string err = Stderr([&] {
    EXPECT_EQ(0, off.Init("$CURRENT", "$DISABLE"));
    off.WriteString("params", "x", "y");
    char out[8];
    off.ReadString("params", "x", out, "a long default", sizeof out);
    EXPECT_STREQ("a long", out);
  });
  EXPECT_EQ("", err);
  EXPECT_FALSE(FileExists(SettingsFile()));

  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  IniFile ini;
  err = Stderr([&] {
    int v = 0;
    ini.ReadInt("params", "a", &v, 7);
    EXPECT_EQ(7, v);
    ini.WriteString("params", "a", "b");
    ini.Init("$CURRENT", "\\Lumivex.ini");
    ini.Init("$CURRENT", "\\Lumivex.ini");
  });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "IniFile not initialized"));
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Attempt to write when not initialized"));
  EXPECT_NE(std::string::npos, err.find("MessageBox [Error in IniFile] Already initialized\n"
                                        "MessageBox [Error in IniFile] \\Lumivex.ini\n"));
}

TEST_F(IniFileTest, PerUserSectionsFollowMultiUserWithoutFallback) {
  std::string user = MainSettings.UserName();
  ASSERT_FALSE(user.empty());
  WriteFile(SettingsFile(), "[params]\nMultiUser=1\nTickTime=\"40\"\n[Messages]\nMessage___0=plain\n"
                            "[Messages-" + user + "]\nMessage___0=\"mine\"\n");
  lvx::ResetSettingsForTests();
  ASSERT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  EXPECT_TRUE(MainSettings.MultiUser());

  EXPECT_EQ("mine", Read("Messages", "Message___0"));
  int tick = 0;
  MainSettings.ReadInt("params", "TickTime", &tick, 0);
  EXPECT_EQ(40, tick);
  MainSettings.UserWriteLong("Messages", "ShowRandomly", -3);
  EXPECT_NE(std::string::npos, ReadFile(SettingsFile())
                                   .find("[Messages-" + user +
                                         "]\nMessage___0=\"mine\"\nShowRandomly=\"-3\"\n"));
  // No section of one's own: the defaults, not the shared values.
  WriteFile(SettingsFile(), "[params]\nMultiUser=1\n[Messages]\nMessage___0=plain\n");
  EXPECT_EQ("<default>", Read("Messages", "Message___0"));
}

TEST_F(IniFileTest, ValuesSurviveTheRoundTripQuotedAndEscaped) {
  MainSettings.UserWriteString("Messages", "BottomLine1", "  two blanks  ");
  MainSettings.UserWriteString("Messages", "Message___1", "A\r\nB");
  MainSettings.UserWriteString("WallPaper", "path", "C:\\Pics\\Sky");
  MainSettings.UserWriteUInt("Params", "Cuckoo", 1);
  MainSettings.UserWriteUInt("params", "cuckoo", 2);
  std::string file = ReadFile(SettingsFile());
  EXPECT_NE(std::string::npos, file.find("BottomLine1=\"  two blanks  \"\n"));
  EXPECT_NE(std::string::npos, file.find("Message___1=\"A\\r\\nB\"\n"));
  EXPECT_NE(std::string::npos, file.find("path=\"C:\\\\Pics\\\\Sky\"\n"));
  EXPECT_EQ(1, CountOf(file, "uckoo="));

  EXPECT_EQ("  two blanks  ", Read("Messages", "BottomLine1"));
  EXPECT_EQ("A\r\nB", Read("Messages", "Message___1"));
  EXPECT_EQ("C:\\Pics\\Sky", Read("WallPaper", "path"));
  EXPECT_EQ("2", Read("PARAMS", "CUCKOO"));
  // At most size - 2 characters, nothing past the buffer.
  std::vector<char> small(8 + 4, '#');
  MainSettings.UserReadString("Messages", "BottomLine1", small.data(), "", 8);
  EXPECT_STREQ("  two ", small.data());
  EXPECT_EQ("####", std::string(small.data() + 8, 4));
  // A read cut to 78 bytes drops a two-byte letter that would be split, and
  // keeps a Windows-1252 letter typed by hand (one byte, one character).
  for (const auto& [stored, expected] :
       {std::pair<std::string, std::string>{std::string(77, 'z') + "\xC3\xAB",
                                            std::string(77, 'z')},
        {std::string(76, 'z') + "\xC3\xAB", std::string(76, 'z') + "\xC3\xAB"},
        {std::string(77, 'z') + "\xEB" + "tail", std::string(77, 'z') + "\xEB"}}) {
    MainSettings.UserWriteString("Messages", "Message___2", stored.c_str());
    std::vector<char> message(80 + 4, '#');
    MainSettings.UserReadString("Messages", "Message___2", message.data(), "", 80);
    EXPECT_EQ(expected, message.data());
    EXPECT_EQ("####", std::string(message.data() + 80, 4));
  }

  // Typed by hand: a single backslash escapes the next character and is dropped.
  WriteFile(SettingsFile(), "[WallPaper]\npath=C:\\Pics\\Sky\\\n");
  EXPECT_EQ("C:PicsSky", Read("WallPaper", "path"));
  // A default comes back as given, backslashes included.
  char out[32];
  MainSettings.UserReadString("WallPaper", "none", out, "C:\\Windows", sizeof out);
  EXPECT_STREQ("C:\\Windows", out);
}

TEST_F(IniFileTest, NumbersUseTheirFormatsAndKeepDefaultsForNonNumbers) {
  MainSettings.UserWriteFloat("Font", "FontSize", 10.0f);
  MainSettings.UserWriteUInt("CDCounter", "Month", 4000000000u);
  EXPECT_EQ("10.000000", Read("Font", "FontSize"));
  long l = 0;
  EXPECT_EQ(1, MainSettings.UserReadInt("CDCounter", "Month", &l, 0L));
  EXPECT_EQ(4000000000L, l);

  WriteFile(SettingsFile(), "[params]\nEmpty=\"\"\nLead=\"  42abc\"\nHuge=\"99999999999999999999\"\n"
                            "[Font]\nFontSize=\"nan\"\n");
  int i = 0;
  float f = 0;
  EXPECT_EQ(0, MainSettings.ReadInt("params", "Empty", &i, 7));
  EXPECT_EQ(7, i);
  EXPECT_EQ(1, MainSettings.ReadInt("params", "Lead", &i, 0));
  EXPECT_EQ(42, i);
  EXPECT_EQ(1, MainSettings.ReadInt("params", "Huge", &i, 0));
  EXPECT_EQ(2147483647, i);
  EXPECT_EQ(0, MainSettings.UserReadFloat("Font", "FontSize", &f, 10.0f));
  EXPECT_FLOAT_EQ(10.0f, f);
}

TEST_F(IniFileTest, AnUnchangedValueIsNotRewrittenNorLogged) {
  WriteFile(LogPath(), "");  // an active log shows every write
  lvx::ResetLogForTests();
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  MainSettings.UserWriteString("Messages", "Message___0", "old");
  MainSettings.UserWriteString("Messages", "Message___0", "new");
  std::string log = ReadFile(LogPath());
  EXPECT_NE(std::string::npos, log.find("INFO>ini text Entry= Message___0\n"
                                        "INFO>ini text to write= new\nINFO>ini text found= old\n"));

  struct utimbuf old = {1000000000, 1000000000};
  ASSERT_EQ(0, utime(SettingsFile().c_str(), &old));
  std::string before = ReadFile(SettingsFile());
  MainSettings.UserWriteString("Messages", "Message___0", "new");
  struct stat st {};
  ASSERT_EQ(0, stat(SettingsFile().c_str(), &st));
  EXPECT_EQ(1000000000, st.st_mtime);
  EXPECT_EQ(before, ReadFile(SettingsFile()));
  EXPECT_EQ(log, ReadFile(LogPath()));
}

TEST_F(IniFileTest, OverlongTextsAreReportedAndNeverStoredHalf) {
  std::string longest(998, 'y');  // the longest value that reads back whole
  std::string err = Stderr([&] {
    MainSettings.WriteString("params", "Long", longest.c_str());
    MainSettings.WriteString("params", "Long", std::string(1000, 'x').c_str());
    MainSettings.WriteString("params", "Long", std::string(999, 'z').c_str());
    MainSettings.WriteString("params", "Long", std::string(600, '\n').c_str());
  });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Write: too long string"));
  // Two writes failed the same way; the second box would say nothing new.
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Encode buffer problem"));
  EXPECT_EQ(longest, Read("params", "Long"));

  lvx::ResetSettingsForTests();  // a new run: every box may show again
  err = Stderr([] {
    std::vector<char> small(6 + 3, '#');
    std::copy_n("ab\\\\", 5, small.data());
    EXPECT_EQ(1, IniFile::Encode(small.data(), 6));
    EXPECT_EQ(std::string("ab\\\\") + '\0' + "####", std::string(small.data(), 9));
    std::string dec(1200, 'b');
    IniFile::Decode(dec);
    EXPECT_EQ(999u, dec.size());
  });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Encode buffer problem"));
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Decode size"));
}

// A read-only file (no write permission for anybody) is left alone, by root
// too: one box names the file and the reason, identical ones do not repeat,
// and the self-test fails unless loadmd already holds today.
TEST(IniFileReadOnly, ChangedWritesAreReportedOnceAndTheSelfTestFails) {
  std::string dir = MakeTempDir("ro");
  std::string path = dir + "/Lumivex.ini";
  auto readOnly = [&](int day) {
    chmod(path.c_str(), 0644);
    WriteFile(path, "[params]\nloadmd=\"" + std::to_string(day) + "\"\n");
    ASSERT_EQ(0, chmod(path.c_str(), 0444));
  };
  LogFile.Init("/nonexistent/lumivex-log.txt", "Lumivex.ini");
  const std::string denied = path + ": Permission denied";

  readOnly(Today() % 31 + 1);
  int rc = -1;
  std::string err = Stderr([&] {
    IniFile ini;
    rc = ini.Init(dir.c_str(), "\\Lumivex.ini");
    ini.WriteString("Sound", "WavFile", "new");
  });
  EXPECT_EQ(1, rc);
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Read: too long string\n" + denied)) << err;
  EXPECT_EQ(1,
            Boxes(err, "Error in IniFile", "Configuration Problem. Please reinstall\n" + denied));
  EXPECT_EQ(2, CountOf(err, "MessageBox")) << err;
  EXPECT_EQ("[params]\nloadmd=\"" + std::to_string(Today() % 31 + 1) + "\"\n", ReadFile(path));

  lvx::ResetSettingsForTests();
  readOnly(Today());
  err = Stderr([&] {
    IniFile ini;
    rc = ini.Init(dir.c_str(), "\\Lumivex.ini");
    ini.WriteString("Sound", "WavFile", "");
  });
  EXPECT_EQ(0, rc);
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Read: too long string\n" + denied)) << err;
  EXPECT_EQ(1, CountOf(err, "MessageBox")) << err;
  EXPECT_EQ("[params]\nloadmd=\"" + std::to_string(Today()) + "\"\n", ReadFile(path));
}
