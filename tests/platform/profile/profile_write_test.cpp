// Writing private profile files: in-place edits that keep everything else,
// deletions, line endings, and failures that must leave the old file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Each test's files live in a folder of their own, so that stray temporary
// files can be counted.
std::string Path(const char* name = "write.ini") {
  std::string dir = lvx::test::Home() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::create_directories(dir);
  return dir + "/" + name;
}

std::string Get(const std::string& file, const char* section, const char* key) {
  char buf[256];
  DWORD n = GetPrivateProfileStringA(section, key, "DEF", buf, sizeof buf, file.c_str());
  return std::string(buf, n);
}

// Everything in the folder except the settings file itself: left-over
// temporary files would show up here.
int OtherFiles(const std::string& file) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(fs::path(file).parent_path()))
    if (e.path() != fs::path(file)) ++n;
  return n;
}

TEST(ProfileWrite, CreatesFileSectionAndKey) {
  std::string f = Path();
  ASSERT_TRUE(WritePrivateProfileStringA("params", "FirstTime", "0", f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), "[params]\nFirstTime=0\n");
  ASSERT_TRUE(WritePrivateProfileStringA("info", "ini file", "/x/y.ini", f.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Params", "MultiUser", "0", f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f),
            "[params]\nFirstTime=0\nMultiUser=0\n\n[info]\nini file=/x/y.ini\n");
  EXPECT_EQ(OtherFiles(f), 0);
}

TEST(ProfileWrite, ReplacesInPlaceKeepingEveryOtherLine) {
  std::string f = Path();
  const std::string before =
      "; settings\n"
      "\n"
      "[Params]\n"
      "  TickTime = 40\n"
      "; the cuckoo\n"
      "Cuckoo=\"1\"\n"
      "\n"
      "[Messages]\n"
      "Text0=\"hello\"\n";
  lvx::test::WriteFile(f, before);
  ASSERT_TRUE(WritePrivateProfileStringA("params", "cuckoo", "\"0\"", f.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("PARAMS", "TICKTIME", "35", f.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("params", "New", "x", f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f),
            "; settings\n"
            "\n"
            "[Params]\n"
            "TickTime=35\n"
            "; the cuckoo\n"
            "Cuckoo=\"0\"\n"
            "New=x\n"
            "\n"
            "[Messages]\n"
            "Text0=\"hello\"\n");
  EXPECT_EQ(Get(f, "Params", "Cuckoo"), "0");
  EXPECT_EQ(Get(f, "messages", "text0"), "hello");
}

TEST(ProfileWrite, KeepsCrlfAndAMissingFinalLineEnd) {
  std::string f = Path();
  lvx::test::WriteFile(f, "[a]\r\nk=1\r\n[b]\r\nm=2");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "k", "10", f.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("a", "n", "3", f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), "[a]\r\nk=10\r\nn=3\r\n[b]\r\nm=2");
  ASSERT_TRUE(WritePrivateProfileStringA("b", "m", "20", f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), "[a]\r\nk=10\r\nn=3\r\n[b]\r\nm=20");
  ASSERT_TRUE(WritePrivateProfileStringA("b", "o", "4", f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), "[a]\r\nk=10\r\nn=3\r\n[b]\r\nm=20\r\no=4\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("c", "p", "5", f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), "[a]\r\nk=10\r\nn=3\r\n[b]\r\nm=20\r\no=4\r\n\r\n[c]\r\np=5\r\n");
}

TEST(ProfileWrite, DeletesKeysAndSections) {
  std::string f = Path();
  lvx::test::WriteFile(f, "[a]\nk=1\n; note\nK=dup\nm=2\n\n[b]\nk=3\n[A]\nk=4\nz=5\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "k", nullptr, f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), "[a]\n; note\nm=2\n\n[b]\nk=3\n[A]\nz=5\n");
  EXPECT_EQ(Get(f, "a", "k"), "DEF");
  EXPECT_EQ(Get(f, "b", "k"), "3");

  ASSERT_TRUE(WritePrivateProfileStringA("A", nullptr, nullptr, f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), "[b]\nk=3\n");

  // Deleting what is not there succeeds and changes nothing, nor creates a file.
  ASSERT_TRUE(WritePrivateProfileStringA("b", "none", nullptr, f.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("none", nullptr, nullptr, f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), "[b]\nk=3\n");
  ASSERT_TRUE(WritePrivateProfileStringA("b", "k", nullptr, Path("absent.ini").c_str()));
  EXPECT_FALSE(lvx::test::FileExists(Path("absent.ini")));
}

// A value or name that would add lines or change the meaning of its line is
// refused instead of being written as something else.
TEST(ProfileWrite, RefusesTextThatWouldNotReadBack) {
  std::string f = Path();
  lvx::test::WriteFile(f, "[s]\nk=1\n");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "a\n[evil]\nx=1", f.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "a\rb", f.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "a=b", "1", f.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "  ", "1", f.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s", ";k", "1", f.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("a]b", "k", "1", f.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("", "k", "1", f.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "1", f.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "1", nullptr));
  EXPECT_EQ(lvx::test::ReadFile(f), "[s]\nk=1\n");
}

TEST(ProfileWrite, ValueWithBlanksSurvivesInQuotes) {
  std::string f = Path();
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "\"  two  \"", f.c_str()));
  EXPECT_EQ(Get(f, "s", "k"), "  two  ");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "e", "", f.c_str()));
  EXPECT_EQ(Get(f, "s", "e"), "");
}

TEST(ProfileWrite, MissingFolderOrDirectoryInTheWayFails) {
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "1", Path("no/such/folder.ini").c_str()));
  std::string dir = lvx::test::MakeTempDir("adir.ini");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "1", dir.c_str()));
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_TRUE(fs::is_empty(dir));
}

// The write runs out of room half-way (a file size limit): the old settings
// must stay whole and no temporary file may be left behind.
TEST(ProfileWrite, FailedWriteLeavesTheOldFile) {
  std::string f = Path();
  const std::string before = "[s]\nk=small\n";
  lvx::test::WriteFile(f, before);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit lim{64, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  std::string big(1000, 'v');
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", big.c_str(), f.c_str()));
  EXPECT_EQ(lvx::test::ReadFile(f), before);
  EXPECT_EQ(OtherFiles(f), 0);
  // A write that fits still works under the same limit.
  EXPECT_TRUE(WritePrivateProfileStringA("s", "k", "tiny", f.c_str()));
  EXPECT_EQ(Get(f, "s", "k"), "tiny");
  setrlimit(RLIMIT_FSIZE, &old);
}

TEST(ProfileWrite, KeepsPermissionsAndWritesThroughLinks) {
  std::string dir = lvx::test::MakeTempDir("real");
  std::string target = dir + "/target.ini";
  lvx::test::WriteFile(target, "[s]\nk=1\n");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  std::string link = Path("link.ini");
  fs::create_symlink(target, link);
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "2", link.c_str()));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(lvx::test::ReadFile(target), "[s]\nk=2\n");
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ProfileWrite, UnchangedValueDoesNotRewriteTheFile) {
  std::string f = Path();
  lvx::test::WriteFile(f, "[s]\nk=1\n");
  struct stat before {};
  ASSERT_EQ(stat(f.c_str(), &before), 0);
  ASSERT_TRUE(WritePrivateProfileStringA("S", "K", "1", f.c_str()));
  struct stat after {};
  ASSERT_EQ(stat(f.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);  // a rewrite would bring a new inode
}

}  // namespace
