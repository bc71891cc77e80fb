#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;

namespace {

std::string UserName() {
  char name[79] = {};
  DWORD size = sizeof name;
  GetUserNameA(name, &size);
  return name;
}

int Today() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return t.wDay;
}

std::string ReadValue(IniFile& ini, const char* section, const char* key, std::size_t size = 1100) {
  std::vector<char> out(size, '#');
  ini.ReadString(section, key, out.data(), "<default>", size);
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

TEST(IniFileFresh, FirstInitWritesExactRecordsAndFirstTimeOnlyOnce) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  ASSERT_FALSE(FileExists(SettingsFile()));
  std::string err = Stderr([] { EXPECT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini")); });
  EXPECT_EQ("", err);
  EXPECT_EQ(1, MainSettings.FirstTime);
  EXPECT_EQ(SettingsFile(), MainSettings.Path());

  DWORD v = GetVersion();
  char details[96], shortForm[16];
  std::snprintf(details, sizeof details, "%04X:%04X, (WinVer= %u.%u), (DOSVer= %u.%u)",
                v >> 16, v & 0xFFFF, v & 0xFF, (v >> 8) & 0xFF, v >> 24, (v >> 16) & 0xFF);
  std::snprintf(shortForm, sizeof shortForm, "%04X:%04X", v >> 16, v & 0xFFFF);
  std::string expected = "[params]\n"
                         "FirstTime=\"0\"\n"
                         "LastUserName=\"" + UserName() + "\"\n"
                         "MultiUser=\"0\"\n"
                         "loadmd=\"" + std::to_string(Today()) + "\"\n"
                         "\n"
                         "[info]\n"
                         "ini file=\"" + SettingsFile() + "\"\n"
                         "OsVersionDetails=\"" + details + "\"\n"
                         "OsVersion=\"" + shortForm + "\"\n"
                         "OsVerHuman=\"not in list\"\n";
  std::string first = ReadFile(SettingsFile());
  EXPECT_EQ(expected, first);

  // The next start (the configuration dialog, or the next run) is not the first.
  lvx::ResetSettingsForTests();
  EXPECT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  EXPECT_EQ(0, MainSettings.FirstTime);
  EXPECT_EQ(first, ReadFile(SettingsFile()));
}

TEST(IniFileFresh, ReadsOfAMissingFileYieldDefaults) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  IniFile ini;
  ASSERT_EQ(0, ini.Init("$CURRENT", "\\Other.ini"));
  std::remove((Home() + "/Other.ini").c_str());
  int i = 0;
  float f = 0;
  EXPECT_EQ(1, ini.ReadInt("params", "TickTime", &i, 55));
  EXPECT_EQ(55, i);
  EXPECT_EQ(1, ini.UserReadFloat("Font", "FontSize", &f, 10.5f));
  EXPECT_FLOAT_EQ(10.5f, f);
  EXPECT_EQ("<default>", ReadValue(ini, "Messages", "Message___0"));
  EXPECT_FALSE(FileExists(Home() + "/Other.ini"));
}

TEST(IniFileFresh, FoldersAndFileNamesMapToPosixPaths) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  std::string dir = MakeTempDir("plain");
  IniFile a, b;
  EXPECT_EQ(0, a.Init(dir.c_str(), "\\msg.ini"));
  EXPECT_EQ(dir + "/msg.ini", a.Path());
  std::string full = dir + "/NewMessage.Lumivex";
  EXPECT_EQ(0, b.Init("", full.c_str()));
  EXPECT_EQ(full, b.Path());
  EXPECT_TRUE(FileExists(full));
}

TEST(IniFileFresh, DisabledStoreIsSilentAndWritesNothing) {
  IniFile ini;
  std::string err = Stderr([&] {
    EXPECT_EQ(0, ini.Init("$CURRENT", "$DISABLE"));
    ini.WriteString("params", "x", "y");
    ini.UserWriteUInt("Sound", "Sound", 3);
    int v = 0;
    ini.ReadInt("params", "x", &v, 17);
    EXPECT_EQ(17, v);
    char out[8];
    ini.ReadString("params", "x", out, "a long default", sizeof out);
    EXPECT_STREQ("a long", out);
  });
  EXPECT_EQ("", err);
  EXPECT_TRUE(ini.Disabled());
  EXPECT_FALSE(FileExists(SettingsFile()));
}

TEST(IniFileFresh, MisuseIsReportedAndTheOperationGoesOn) {
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  IniFile ini;
  std::string err = Stderr([&] {
    EXPECT_EQ("<default>", ReadValue(ini, "params", "a"));
    ini.WriteString("params", "a", "b");
  });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "IniFile not initialized"));
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Attempt to write when not initialized"));

  ASSERT_EQ(0, ini.Init("$CURRENT", "\\Lumivex.ini"));
  err = Stderr([&] { EXPECT_EQ(0, ini.Init("$CURRENT", "\\Lumivex.ini")); });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Already initialized"));
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "\\Lumivex.ini"));
  EXPECT_LT(err.find("Already initialized"), err.find("\\Lumivex.ini"));
}

TEST_F(IniFileTest, PerUserSectionsFollowMultiUserWithoutFallback) {
  std::string user = MainSettings.UserName();
  ASSERT_FALSE(user.empty());
  MainSettings.WriteString("Messages", "Message___0", "plain");
  MainSettings.WriteString("params", "TickTime", "40");
  MainSettings.WriteUInt("params", "MultiUser", 1);
  MainSettings.WriteString(("Messages-" + user).c_str(), "Message___0", "mine");

  // MultiUser is taken at Init.
  EXPECT_EQ("plain", ReadValue(MainSettings, "Messages", "Message___0"));
  lvx::ResetSettingsForTests();
  ASSERT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
  EXPECT_TRUE(MainSettings.MultiUser());

  char out[64];
  MainSettings.UserReadString("Messages", "Message___0", out, "", sizeof out);
  EXPECT_STREQ("mine", out);
  int tick = 0;
  MainSettings.ReadInt("params", "TickTime", &tick, 0);
  EXPECT_EQ(40, tick);

  MainSettings.UserWriteLong("Messages", "ShowRandomly", -3);
  std::string file = ReadFile(SettingsFile());
  EXPECT_NE(std::string::npos,
            file.find("[Messages-" + user + "]\nMessage___0=\"mine\"\nShowRandomly=\"-3\"\n"));

  // A user without a section of their own gets the defaults, not the shared values.
  MainSettings.UserReadString("Sound", "WavFile", out, "none", sizeof out);
  EXPECT_STREQ("none", out);
  WriteFile(SettingsFile(), "[params]\nMultiUser=\"1\"\n[Messages]\nMessage___0=\"plain\"\n");
  MainSettings.UserReadString("Messages", "Message___0", out, "default", sizeof out);
  EXPECT_STREQ("default", out);
}

TEST_F(IniFileTest, ValuesSurviveTheRoundTripQuotedAndEscaped) {
  MainSettings.UserWriteString("Messages", "BottomLine1", "  two blanks  ");
  MainSettings.UserWriteString("Messages", "Message___1", "A\r\nB");
  MainSettings.UserWriteString("WallPaper", "path", "C:\\Pics\\Sky");
  std::string file = ReadFile(SettingsFile());
  EXPECT_NE(std::string::npos, file.find("BottomLine1=\"  two blanks  \"\n"));
  EXPECT_NE(std::string::npos, file.find("Message___1=\"A\\r\\nB\"\n"));
  EXPECT_NE(std::string::npos, file.find("path=\"C:\\\\Pics\\\\Sky\"\n"));

  char out[64];
  MainSettings.UserReadString("Messages", "BottomLine1", out, "", sizeof out);
  EXPECT_STREQ("  two blanks  ", out);
  MainSettings.UserReadString("Messages", "Message___1", out, "", sizeof out);
  EXPECT_STREQ("A\r\nB", out);
  MainSettings.UserReadString("WallPaper", "path", out, "", sizeof out);
  EXPECT_STREQ("C:\\Pics\\Sky", out);

  // Typed by hand: a single backslash escapes the next character and is dropped.
  WriteFile(SettingsFile(), "[WallPaper]\npath=C:\\Pics\\Sky\\\n");
  MainSettings.UserReadString("WallPaper", "path", out, "", sizeof out);
  EXPECT_STREQ("C:PicsSky", out);

  // A default comes back as given, backslashes included.
  MainSettings.UserReadString("WallPaper", "missing", out, "C:\\Windows", sizeof out);
  EXPECT_STREQ("C:\\Windows", out);
}

TEST_F(IniFileTest, NamesMatchWithoutRegardToCase) {
  MainSettings.UserWriteUInt("Params", "Cuckoo", 1);
  MainSettings.UserWriteUInt("params", "cuckoo", 2);
  std::string file = ReadFile(SettingsFile());
  EXPECT_EQ(1, CountOf(file, "uckoo="));
  int v = 0;
  MainSettings.UserReadInt("PARAMS", "CUCKOO", &v, 0);
  EXPECT_EQ(2, v);
}

TEST_F(IniFileTest, NumbersUseTheirTextFormatsAndKeepDefaultsForNonNumbers) {
  MainSettings.UserWriteFloat("Font", "FontSize", 10.0f);
  MainSettings.UserWriteLong("CDCounter", "Year", -2005);
  MainSettings.UserWriteUInt("CDCounter", "Month", 4000000000u);
  std::string file = ReadFile(SettingsFile());
  EXPECT_NE(std::string::npos, file.find("FontSize=\"10.000000\""));
  EXPECT_NE(std::string::npos, file.find("Year=\"-2005\""));
  EXPECT_NE(std::string::npos, file.find("Month=\"4000000000\""));

  int i = 0;
  long l = 0;
  float f = 0;
  EXPECT_EQ(1, MainSettings.UserReadInt("CDCounter", "Year", &i, 0));
  EXPECT_EQ(-2005, i);
  EXPECT_EQ(1, MainSettings.UserReadInt("CDCounter", "Month", &l, 0L));
  EXPECT_EQ(4000000000L, l);
  EXPECT_EQ(1, MainSettings.UserReadFloat("Font", "FontSize", &f, 0));
  EXPECT_FLOAT_EQ(10.0f, f);

  WriteFile(SettingsFile(),
            "[params]\nEmpty=\"\"\nWord=\"abc\"\nLead=\"  42abc\"\nHuge=\"99999999999999999999\"\n"
            "[Font]\nFontSize=\"nan\"\nBig=\"1e999\"\n");
  EXPECT_EQ(0, MainSettings.ReadInt("params", "Empty", &i, 7));
  EXPECT_EQ(7, i);
  EXPECT_EQ(0, MainSettings.ReadInt("params", "Word", &i, 8));
  EXPECT_EQ(8, i);
  EXPECT_EQ(1, MainSettings.ReadInt("params", "Lead", &i, 0));
  EXPECT_EQ(42, i);
  EXPECT_EQ(1, MainSettings.ReadInt("params", "Huge", &i, 0));
  EXPECT_EQ(2147483647, i);
  EXPECT_EQ(0, MainSettings.UserReadFloat("Font", "FontSize", &f, 10.0f));
  EXPECT_FLOAT_EQ(10.0f, f);
  EXPECT_EQ(0, MainSettings.UserReadFloat("Font", "Big", &f, 3.0f));
  EXPECT_FLOAT_EQ(3.0f, f);
}

TEST_F(IniFileTest, AnUnchangedValueIsNotRewrittenNorLogged) {
  // Make the log active so that writes are visible in it.
  WriteFile(LogPath(), "");
  lvx::ResetLogForTests();
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Clear();

  MainSettings.UserWriteString("Messages", "Message___0", "old");
  MainSettings.UserWriteString("Messages", "Message___0", "new");
  std::string log = ReadFile(LogPath());
  EXPECT_NE(std::string::npos,
            log.find("INFO>ini text Entry= Message___0\nINFO>ini text to write= new\n"
                     "INFO>ini text found= old\n"));

  struct utimbuf old = {1000000000, 1000000000};
  ASSERT_EQ(0, utime(SettingsFile().c_str(), &old));
  std::string before = ReadFile(SettingsFile());
  MainSettings.UserWriteString("Messages", "Message___0", "new");
  MainSettings.WriteUInt("params", "MultiUser", 0);
  struct stat st {};
  ASSERT_EQ(0, stat(SettingsFile().c_str(), &st));
  EXPECT_EQ(1000000000, st.st_mtime);
  EXPECT_EQ(before, ReadFile(SettingsFile()));
  EXPECT_EQ(log, ReadFile(LogPath()));
}

TEST_F(IniFileTest, OverlongTextsAreReportedAndNeverStoredHalf) {
  MainSettings.WriteString("params", "Long", "kept");
  std::string err = Stderr([] {
    MainSettings.WriteString("params", "Long", std::string(1000, 'x').c_str());
  });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Write: too long string"));
  EXPECT_EQ("kept", ReadValue(MainSettings, "params", "Long"));

  // 600 line breaks need 1200 characters once escaped.
  err = Stderr([] { MainSettings.WriteString("params", "Long", std::string(600, '\n').c_str()); });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Encode buffer problem"));
  EXPECT_EQ("kept", ReadValue(MainSettings, "params", "Long"));

  // The longest value that fits the read-back is stored and read whole.
  std::string longest(998, 'y');
  err = Stderr([&] { MainSettings.WriteString("params", "Long", longest.c_str()); });
  EXPECT_EQ("", err);
  EXPECT_EQ(longest, ReadValue(MainSettings, "params", "Long"));

  // One more character is stored but reads back cut: reported.
  err = Stderr([] { MainSettings.WriteString("params", "Long", std::string(999, 'z').c_str()); });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Read: too long string"));
}

TEST_F(IniFileTest, ReadStringKeepsToTheCallersBuffer) {
  MainSettings.WriteString("Font", "Font", "Liberation Sans Narrow");
  std::vector<char> buffer(8 + 4, '#');
  MainSettings.ReadString("Font", "Font", buffer.data(), "", 8);
  EXPECT_STREQ("Libera", buffer.data());  // size - 2 characters
  EXPECT_EQ(std::string(4, '#'), std::string(buffer.data() + 8, 4));

  char one[1] = {'#'};
  MainSettings.ReadString("Font", "Font", one, "", 1);
  EXPECT_EQ('\0', one[0]);
}

TEST(IniFileCoding, EncodeAndDecodeAreInverseAndBounded) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  std::string enc = all;
  EXPECT_EQ(0, IniFile::Encode(enc));
  EXPECT_EQ(std::string::npos, enc.find_first_of("\r\n"));
  IniFile::Decode(enc);
  EXPECT_EQ(all, enc);

  char text[] = "a\\qb\\";
  IniFile::Decode(text);
  EXPECT_STREQ("aqb", text);

  // In a small buffer the encoding is cut at a whole escape, never past the end.
  std::vector<char> small(6 + 3, '#');
  std::memcpy(small.data(), "ab\\\\", 5);  // a b \ \ -> four escapes' worth
  std::string err = Stderr([&] { EXPECT_EQ(1, IniFile::Encode(small.data(), 6)); });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Encode buffer problem"));
  EXPECT_STREQ("ab\\\\", small.data());  // "ab" + one escaped backslash fits 5 + NUL
  EXPECT_EQ(std::string(3, '#'), std::string(small.data() + 6, 3));

  err = Stderr([] {
    std::string big(1000, 'a');
    IniFile::Encode(big);
    EXPECT_LT(big.size(), 1000u);
    std::string dec(1200, 'b');
    IniFile::Decode(dec);
    EXPECT_EQ(999u, dec.size());
  });
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Encode: too long string"));
  EXPECT_EQ(1, Boxes(err, "Error in IniFile", "Decode size"));
}

// A settings file the process cannot write: checked in a child without root
// rights, since root writes read-only files anyway.
TEST(IniFileReadOnly, ChangedWritesAreReportedAndTheSelfTestFails) {
  std::string dir = MakeTempDir("ro");
  ASSERT_EQ(0, chmod(Home().c_str(), 0755));
  ASSERT_EQ(0, chmod(dir.c_str(), 0777));
  std::string path = dir + "/Lumivex.ini";
  WriteFile(path, "[params]\nloadmd=\"0\"\n");
  ASSERT_EQ(0, chmod(path.c_str(), 0444));

  auto dropRoot = [] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(9);
  };
  EXPECT_EXIT(
      {
        dropRoot();
        LogFile.Init("/nonexistent/lumivex-log.txt", "Lumivex.ini");
        IniFile ini;
        int rc = ini.Init(dir.c_str(), "\\Lumivex.ini");
        ini.WriteString("Sound", "WavFile", "new");
        std::_Exit(rc == 1 ? 0 : 3);
      },
      ::testing::ExitedWithCode(0),
      "Read: too long string(.|\n)*Configuration Problem. Please reinstall(.|\n)*"
      "Read: too long string");

  // With today's day already in the file the self-test passes.
  ASSERT_EQ(0, chmod(path.c_str(), 0644));
  WriteFile(path, "[params]\nloadmd=\"" + std::to_string(Today()) + "\"\n");
  ASSERT_EQ(0, chmod(path.c_str(), 0444));
  EXPECT_EXIT(
      {
        dropRoot();
        LogFile.Init("/nonexistent/lumivex-log.txt", "Lumivex.ini");
        IniFile ini;
        std::_Exit(ini.Init(dir.c_str(), "\\Lumivex.ini") == 0 ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "Read: too long string");
  EXPECT_EQ("[params]\nloadmd=\"" + std::to_string(Today()) + "\"\n", ReadFile(path));
}
