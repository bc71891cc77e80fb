// Writing private profile files: in-place edits that keep everything else,
// deletions, line endings, and failures that must leave the old file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using lvx::test::ReadFile;

namespace {

// Each test's files live in a folder of their own, so stray temporary files
// can be counted.
std::string Path(const char* name = "write.ini") {
  std::string dir =
      lvx::test::Home() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::create_directories(dir);
  return dir + "/" + name;
}

// Other files than `file` and its lock file (which stays, for the next writer).
int FilesBeside(const std::string& file) {
  const fs::path lock =
      fs::path(file).parent_path() / ("." + fs::path(file).filename().string() + ".lock");
  int n = 0;
  for (const auto& e : fs::directory_iterator(fs::path(file).parent_path()))
    n += e.path() != file && e.path() != lock;
  return n;
}

BOOL Write(const std::string& f, const char* s, const char* k, const char* v) {
  return WritePrivateProfileStringA(s, k, v, f.c_str());
}

TEST(ProfileWrite, EditsInPlaceKeepingEveryOtherLine) {
  std::string f = Path();
  ASSERT_TRUE(Write(f, "Params", "TickTime", "40"));  // creates file and section
  EXPECT_EQ(ReadFile(f), "[Params]\nTickTime=40\n");
  lvx::test::WriteFile(f,
                       "; settings\n\n[Params]\n  TickTime = 40\n; the cuckoo\nCuckoo=\"1\"\n\n"
                       "[Messages]\nText0=\"hello\"\n");
  ASSERT_TRUE(Write(f, "params", "cuckoo", "\"0\""));
  ASSERT_TRUE(Write(f, "PARAMS", "TICKTIME", "35"));
  ASSERT_TRUE(Write(f, "params", "New", "x"));  // after the section's last key
  ASSERT_TRUE(Write(f, "info", "ini file", "/x/y.ini"));
  EXPECT_EQ(ReadFile(f),
            "; settings\n\n[Params]\nTickTime=35\n; the cuckoo\nCuckoo=\"0\"\nNew=x\n\n"
            "[Messages]\nText0=\"hello\"\n\n[info]\nini file=/x/y.ini\n");
  EXPECT_EQ(FilesBeside(f), 0);

  struct stat before {
  }, after{};
  ASSERT_EQ(stat(f.c_str(), &before), 0);
  ASSERT_TRUE(Write(f, "PARAMS", "new", "x"));  // same value: the file is not rewritten
  ASSERT_EQ(stat(f.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(ProfileWrite, KeepsCrlfAndAMissingFinalLineEnd) {
  std::string f = Path();
  lvx::test::WriteFile(f, "[a]\r\nk=1\r\n[b]\r\nm=2");
  ASSERT_TRUE(Write(f, "a", "k", "10"));
  ASSERT_TRUE(Write(f, "a", "n", "3"));
  ASSERT_TRUE(Write(f, "b", "m", "20"));
  EXPECT_EQ(ReadFile(f), "[a]\r\nk=10\r\nn=3\r\n[b]\r\nm=20");
  ASSERT_TRUE(Write(f, "b", "o", "4"));
  ASSERT_TRUE(Write(f, "c", "p", "5"));
  EXPECT_EQ(ReadFile(f), "[a]\r\nk=10\r\nn=3\r\n[b]\r\nm=20\r\no=4\r\n\r\n[c]\r\np=5\r\n");
}

TEST(ProfileWrite, DeletesKeysAndSections) {
  std::string f = Path();
  lvx::test::WriteFile(f, "[a]\nk=1\n; note\nK=dup\nm=2\n\n[b]\nk=3\n[A]\nk=4\nz=5\n");
  ASSERT_TRUE(Write(f, "a", "k", nullptr));  // every copy, in every [a]
  EXPECT_EQ(ReadFile(f), "[a]\n; note\nm=2\n\n[b]\nk=3\n[A]\nz=5\n");
  ASSERT_TRUE(Write(f, "A", nullptr, nullptr));
  EXPECT_EQ(ReadFile(f), "[b]\nk=3\n");
  // Deleting what is not there succeeds, changes nothing and creates no file.
  ASSERT_TRUE(Write(f, "b", "none", nullptr));
  ASSERT_TRUE(Write(f, "none", nullptr, nullptr));
  EXPECT_EQ(ReadFile(f), "[b]\nk=3\n");
  ASSERT_TRUE(Write(Path("absent.ini"), "b", "k", nullptr));
  EXPECT_FALSE(lvx::test::FileExists(Path("absent.ini")));
}

// A value or name that would add lines or change the meaning of its line is
// refused instead of being written as something else.
TEST(ProfileWrite, RefusesTextThatWouldNotReadBack) {
  std::string f = Path();
  lvx::test::WriteFile(f, "[s]\nk=1\n");
  EXPECT_FALSE(Write(f, "s", "k", "a\n[evil]\nx=1"));
  EXPECT_FALSE(Write(f, "s", "k", "a\rb"));
  EXPECT_FALSE(Write(f, "s", "a=b", "1"));
  EXPECT_FALSE(Write(f, "s", "  ", "1"));
  EXPECT_FALSE(Write(f, "s", ";k", "1"));
  EXPECT_FALSE(Write(f, "a]b", "k", "1"));
  EXPECT_FALSE(Write(f, "", "k", "1"));
  EXPECT_FALSE(Write(f, nullptr, "k", "1"));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "1", nullptr));
  EXPECT_EQ(ReadFile(f), "[s]\nk=1\n");
}

// The write runs out of room half-way (a file size limit): the old settings
// must stay whole and no temporary file may be left behind.
TEST(ProfileWrite, FailedWriteLeavesTheOldFile) {
  std::string f = Path();
  lvx::test::WriteFile(f, "[s]\nk=small\n");
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit lim{64, old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
  EXPECT_FALSE(Write(f, "s", "k", std::string(1000, 'v').c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
  EXPECT_EQ(ReadFile(f), "[s]\nk=small\n");
  EXPECT_EQ(FilesBeside(f), 0);
  EXPECT_TRUE(Write(f, "s", "k", "tiny"));  // a write that fits still works
  setrlimit(RLIMIT_FSIZE, &old);

  EXPECT_FALSE(Write(Path("no/such/folder.ini"), "s", "k", "1"));
  std::string dir = lvx::test::MakeTempDir("adir.ini");
  EXPECT_FALSE(Write(dir, "s", "k", "1"));  // a folder where the file should be
  EXPECT_TRUE(fs::is_directory(dir) && fs::is_empty(dir));
}

TEST(ProfileWrite, KeepsPermissionsAndWritesThroughLinks) {
  std::string target = Path("target.ini");
  lvx::test::WriteFile(target, "[s]\nk=1\n");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  std::string link = lvx::test::Home() + "/link.ini";
  fs::create_symlink(target, link);
  ASSERT_TRUE(Write(link, "s", "k", "2"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "[s]\nk=2\n");
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
