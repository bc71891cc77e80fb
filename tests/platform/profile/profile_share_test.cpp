// Profile files shared with other processes: reads kept in memory must see
// every change, grouped writes land as one, concurrent writers lose nothing,
// and files that are not regular, too big or read-only are never waited on
// nor replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using lvx::test::ReadFile;
using lvx::test::WriteFile;

namespace {

std::string Dir() {
  return lvx::test::MakeTempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

std::string Get(const std::string& f, const char* section, const char* key) {
  char out[256] = {};
  GetPrivateProfileStringA(section, key, "<none>", out, sizeof out, f.c_str());
  return out;
}

bool Set(const std::string& f, const char* section, const char* key, const char* value) {
  return WritePrivateProfileStringA(section, key, value, f.c_str()) != FALSE;
}

ino_t Inode(const std::string& f) {
  struct stat st {};
  return stat(f.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Runs `body` in a child process and waits for it; true when it exited 0.
template <typename F>
bool InChild(F body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Reason(DWORD code) {
  char text[128] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, sizeof text, nullptr);
  return text;
}

}  // namespace

// Another process changes the file right after we read it, within the same
// tick of the file clock, in every way it can: each change is seen by the
// next read.
TEST(ProfileShare, ReadsSeeEveryChangeOfAnotherProcess) {
  const std::string f = Dir() + "/s.ini";
  struct Way {
    const char* name;
    void (*change)(const std::string& f, int round);
  };
  const Way ways[] = {
      // Same size, same inode: only the content and the times tell.
      {"rewritten in place",
       [](const std::string& f, int round) {
         WriteFile(f, "[s]\nk=" + std::to_string(1000 + round % 9000) + "\n");
       }},
      // Same size and content length, a new inode.
      {"replaced by rename",
       [](const std::string& f, int round) {
         WriteFile(f + ".new", "[s]\nk=" + std::to_string(1000 + round % 9000) + "\n");
         std::rename((f + ".new").c_str(), f.c_str());
       }},
      // Rewritten in place and its times put back as they were.
      {"rewritten with its old times",
       [](const std::string& f, int round) {
         struct stat st {};
         stat(f.c_str(), &st);
         WriteFile(f, "[s]\nk=" + std::to_string(1000 + round % 9000) + "\n");
         const timespec times[2] = {st.st_atim, st.st_mtim};
         utimensat(AT_FDCWD, f.c_str(), times, 0);
       }},
  };
  for (const Way& way : ways) {
    WriteFile(f, "[s]\nk=0999\n");
    for (int round = 0; round < 100; ++round) {
      ASSERT_NE(Get(f, "s", "k"), "") << way.name;
      ASSERT_TRUE(InChild([&] { way.change(f, round); })) << way.name;
      ASSERT_EQ(Get(f, "s", "k"), std::to_string(1000 + round % 9000))
          << way.name << ", round " << round;
    }
  }
  // Our own write, then another process's of the same size: both seen.
  ASSERT_TRUE(Set(f, "s", "k", "aaaa"));
  ASSERT_EQ(Get(f, "s", "k"), "aaaa");
  ASSERT_TRUE(InChild([&] { WriteFile(f, "[s]\nk=bbbb\n"); }));
  EXPECT_EQ(Get(f, "s", "k"), "bbbb");
}

// Writes between Begin and End are one rewrite: the file (its inode) stays
// until End, this thread reads what it wrote, another thread does not.
TEST(ProfileShare, AnUpdateIsOneRewrite) {
  const std::string f = Dir() + "/u.ini";
  ASSERT_TRUE(Set(f, "a", "k", "1"));
  const ino_t before = Inode(f);

  HANDLE u = BeginUpdatePrivateProfileA(f.c_str());
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(BeginUpdatePrivateProfileA(f.c_str()), u);  // joins
  ASSERT_TRUE(Set(f, "a", "k", "2"));
  ASSERT_TRUE(Set(f, "A", "new", "3"));
  ASSERT_TRUE(Set(f, "b", "k", "4"));
  ASSERT_TRUE(Set(f, "a", "gone", nullptr));
  EXPECT_EQ(Get(f, "a", "k"), "2");
  EXPECT_EQ(Get(f, "b", "K"), "4");
  EXPECT_EQ(GetPrivateProfileIntA("a", "new", 0, f.c_str()), 3u);
  char list[64] = {};
  GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, f.c_str());
  EXPECT_EQ(std::string(list, 4), std::string("a\0b\0", 4));
  std::string elsewhere;
  std::thread([&] { elsewhere = Get(f, "a", "k"); }).join();
  EXPECT_EQ(elsewhere, "1");
  EXPECT_EQ(Inode(f), before);

  EXPECT_TRUE(EndUpdatePrivateProfileA(u, FALSE));  // the inner one
  EXPECT_EQ(Inode(f), before);
  EXPECT_TRUE(EndUpdatePrivateProfileA(u, FALSE));
  EXPECT_NE(Inode(f), before);
  EXPECT_EQ(ReadFile(f), "[a]\nk=2\nnew=3\n\n[b]\nk=4\n");
  EXPECT_FALSE(EndUpdatePrivateProfileA(u, FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  // Discarded: nothing changes, later writes go straight to the file.
  u = BeginUpdatePrivateProfileA(f.c_str());
  ASSERT_TRUE(Set(f, "a", "k", "discarded"));
  EXPECT_TRUE(EndUpdatePrivateProfileA(u, TRUE));
  EXPECT_EQ(Get(f, "a", "k"), "2");
  ASSERT_TRUE(Set(f, "a", "k", "5"));
  EXPECT_EQ(ReadFile(f), "[a]\nk=5\nnew=3\n\n[b]\nk=4\n");
  EXPECT_EQ(BeginUpdatePrivateProfileA(""), nullptr);
}

// Any sequence of writes gives the same file in one update as one by one.
TEST(ProfileShare, AnUpdateWritesWhatSingleWritesWould) {
  const std::string dir = Dir();
  const char* bases[] = {
      "", "[a]\nk=1\n", "\xEF\xBB\xBF[A]\r\nk = 1\r\n; note\r\nK=dup\r\n\r\n[b]\r\nx=2",
      "k=outside\n[a]\n[b]\ny=1\n[a]\nz=2\n\n", "[a]\nk=1\n[]\n=x\n[c]\n;only a note"};
  const char* sections[] = {"a", "A", "b", "c", "new", "New"};
  const char* keys[] = {"k", "K", "y", "z", "n1", "n2"};
  std::mt19937 rng(4242);
  for (int round = 0; round < 300; ++round) {
    const std::string base = bases[round % 5];
    const std::string one = dir + "/one.ini", all = dir + "/all.ini";
    WriteFile(one, base);
    WriteFile(all, base);
    HANDLE u = BeginUpdatePrivateProfileA(all.c_str());
    const int n = 1 + static_cast<int>(rng() % 6);
    std::string trace;
    for (int i = 0; i < n; ++i) {
      const char* s = sections[rng() % 6];
      const char* k = keys[rng() % 6];
      const std::string v = std::to_string(rng() % 100);
      const bool remove = rng() % 8 == 0;
      trace += std::string(s) + "/" + k + (remove ? " deleted" : "=" + v) + "; ";
      ASSERT_EQ(Set(one, s, k, remove ? nullptr : v.c_str()),
                Set(all, s, k, remove ? nullptr : v.c_str()));
    }
    ASSERT_TRUE(EndUpdatePrivateProfileA(u, FALSE));
    ASSERT_EQ(ReadFile(all), ReadFile(one)) << "base " << round % 5 << ": " << trace;
  }
}

// Processes that read, change and write the same file at the same moment:
// with the lock, none of them loses another's change.
TEST(ProfileShare, ConcurrentProcessesLoseNoUpdate) {
  const std::string f = Dir() + "/count.ini";
  ASSERT_TRUE(Set(f, "c", "n", "0"));
  std::vector<pid_t> children;
  std::fflush(nullptr);
  for (int p = 0; p < 4; ++p) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int i = 0; i < 50; ++i) {
        // An update: read and write under one lock.
        HANDLE u = BeginUpdatePrivateProfileA(f.c_str());
        const UINT n = GetPrivateProfileIntA("c", "n", -1, f.c_str());
        const std::string next = std::to_string(n + 1);
        WritePrivateProfileStringA("c", "n", next.c_str(), f.c_str());
        EndUpdatePrivateProfileA(u, FALSE);
        // A plain write of a key of its own: read-modify-rename under the lock.
        const std::string key = "p" + std::to_string(p) + "_" + std::to_string(i);
        WritePrivateProfileStringA("keys", key.c_str(), "1", f.c_str());
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(GetPrivateProfileIntA("c", "n", 0, f.c_str()), 200u);
  char keys[8192] = {};
  const DWORD n = GetPrivateProfileStringA("keys", nullptr, "", keys, sizeof keys, f.c_str());
  int count = 0;
  for (DWORD i = 0; i < n; i += static_cast<DWORD>(std::strlen(keys + i)) + 1) ++count;
  EXPECT_EQ(count, 200);
}

// Pipes, devices, folders and huge files are refused at once, read as
// missing and never replaced; GetLastError says why.
TEST(ProfileShare, SpecialAndHugeFilesAreRefusedWithoutWaiting) {
  const std::string dir = Dir();
  const std::string pipe = dir + "/pipe.ini", device = dir + "/device.ini";
  const std::string folder = dir + "/folder.ini", huge = dir + "/huge.ini";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", device);
  fs::create_directory(folder);
  WriteFile(huge, "[s]\nk=1\n");
  ASSERT_EQ(truncate(huge.c_str(), (32 << 20) + 1), 0);
  // Small, but more keys than any settings file holds (each costs memory).
  const std::string many = dir + "/many.ini";
  std::string keys = "[s]\n";
  for (int i = 0; i < 1100000; ++i) keys += "k" + std::to_string(i % 10) + "=\n";
  WriteFile(many, keys);
  const struct {
    std::string path;
    DWORD error;
    const char* reason;
  } cases[] = {{pipe, ERROR_BAD_FILE_TYPE, "Not a regular file"},
               {device, ERROR_BAD_FILE_TYPE, "Not a regular file"},
               {folder, ERROR_DIRECTORY_NOT_SUPPORTED, "Is a directory"},
               {huge, ERROR_FILE_TOO_LARGE, "File too large"},
               {many, ERROR_FILE_TOO_LARGE, "File too large"}};
  const auto start = std::chrono::steady_clock::now();
  for (const auto& c : cases) {
    EXPECT_EQ(Get(c.path, "s", "k"), "<none>") << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
    EXPECT_EQ(Reason(GetLastError()), c.reason) << c.path;
    EXPECT_FALSE(Set(c.path, "s", "k", "2")) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
    HANDLE u = BeginUpdatePrivateProfileA(c.path.c_str());
    Set(c.path, "s", "k", "3");
    EXPECT_FALSE(EndUpdatePrivateProfileA(u, FALSE)) << c.path;
  }
  // Nothing waited for a writer or read the endless file: that would take
  // forever, not a few slow seconds of a sanitized build.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  struct stat st {};
  ASSERT_EQ(stat(pipe.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(fs::is_symlink(device));
  EXPECT_FALSE(fs::exists("/dev/.zero.lock"));  // no lock file beside a device
  EXPECT_TRUE(fs::is_directory(folder) && fs::is_empty(folder));
  EXPECT_EQ(fs::file_size(huge), (std::uintmax_t{32} << 20) + 1);

  // Millions of blank lines are no keys: read as quickly as any file.
  const std::string blanks = dir + "/blanks.ini";
  WriteFile(blanks, std::string(30 << 20, '\n') + "[s]\nk=found\n");
  EXPECT_EQ(Get(blanks, "s", "k"), "found");
  EXPECT_TRUE(Set(blanks, "s", "k", "again"));
  EXPECT_EQ(fs::file_size(blanks), (std::uintmax_t{30} << 20) + 12);

  // A missing file reads as missing and is created by a write.
  const std::string fresh = dir + "/fresh.ini";
  EXPECT_EQ(Get(fresh, "s", "k"), "<none>");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(Set(fresh, "s", "k", "1"));
  EXPECT_EQ(Get(fresh, "s", "k"), "1");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

// A file marked read-only (no write permission for anybody) is left alone by
// every write, by root too.
TEST(ProfileShare, ReadOnlyFilesAreLeftAlone) {
  const std::string f = Dir() + "/ro.ini";
  WriteFile(f, "[s]\nk=1\n");
  ASSERT_EQ(chmod(f.c_str(), 0444), 0);
  const ino_t inode = Inode(f);
  EXPECT_FALSE(Set(f, "s", "k", "2"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Reason(GetLastError()), "Permission denied");
  EXPECT_TRUE(Set(f, "s", "k", "1"));  // nothing to change: no write at all
  EXPECT_EQ(ReadFile(f), "[s]\nk=1\n");
  EXPECT_EQ(Inode(f), inode);
  ASSERT_EQ(chmod(f.c_str(), 0600), 0);
  EXPECT_TRUE(Set(f, "s", "k", "2"));
}

// Temporary files that a killed writer left beside the file go once they are
// an hour old; everything else beside the file stays.
TEST(ProfileShare, StaleTemporaryFilesAreRemoved) {
  const std::string dir = Dir();
  const std::string f = dir + "/t.ini";
  WriteFile(f, "[s]\nk=1\n");
  const timeval twoHoursAgo[2] = {{time(nullptr) - 7200, 0}, {time(nullptr) - 7200, 0}};
  const char* old[] = {".t.ini.AbC123", ".t.ini.zzzzzz", ".t.ini.toolong",
                       "t.ini.AbC123",  ".t.ini.ab-123", ".other.ini.AbC123"};
  for (const char* name : old) {
    WriteFile(dir + "/" + name, "x");
    utimes((dir + "/" + name).c_str(), twoHoursAgo);
  }
  WriteFile(dir + "/.t.ini.Fresh1", "x");
  EXPECT_EQ(Get(f, "s", "k"), "1");
  EXPECT_FALSE(fs::exists(dir + "/.t.ini.AbC123"));
  EXPECT_FALSE(fs::exists(dir + "/.t.ini.zzzzzz"));
  for (const char* kept :
       {".t.ini.toolong", "t.ini.AbC123", ".t.ini.ab-123", ".other.ini.AbC123", ".t.ini.Fresh1"})
    EXPECT_TRUE(fs::exists(dir + "/" + kept)) << kept;
}

TEST(ProfileShare, SystemReasonsForErrorCodes) {
  const struct {
    DWORD code;
    const char* text;
  } cases[] = {{ERROR_FILE_NOT_FOUND, "No such file or directory"},
               {ERROR_PATH_NOT_FOUND, "No such file or directory"},
               {ERROR_ACCESS_DENIED, "Permission denied"},
               {ERROR_DISK_FULL, "No space left on device"},
               {ERROR_WRITE_PROTECT, "Read-only file system"},
               {ERROR_BAD_FILE_TYPE, "Not a regular file"},
               {LVX_ERROR_ERRNO_BASE | ENOTDIR, "Not a directory"}};
  for (const auto& c : cases) EXPECT_EQ(Reason(c.code), c.text) << c.code;
  char tiny[4];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, tiny,
                           sizeof tiny, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x7777, 0, tiny, sizeof tiny, nullptr),
      0u);
}
