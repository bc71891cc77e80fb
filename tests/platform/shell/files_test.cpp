// Folders, files, the directory search, and starting other programs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using lvx::test::FileExists;
using lvx::test::Home;
using lvx::test::MakeTempDir;
using lvx::test::ReadFile;
using lvx::test::WriteFile;

namespace {

void WriteScript(const std::string& path, const std::string& body) {
  WriteFile(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
}

bool WaitForFile(const std::string& path, const std::string& wanted) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ReadFile(path) == wanted) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ReadFile(path) == wanted;
}

std::vector<std::string> Search(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd{};
  HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  return names;
}

TEST(Folders, LumivexHomeHoldsSettingsAndLog) {
  const std::string base = Home();
  EXPECT_EQ(lvx::ConfigFolder(), base);
  EXPECT_EQ(lvx::LogFolder(), base);
  const std::string nested = base + "/a/b/";
  setenv("LUMIVEX_HOME", nested.c_str(), 1);
  EXPECT_EQ(lvx::ConfigFolder(), base + "/a/b");
  EXPECT_TRUE(fs::is_directory(base + "/a/b")) << "created on demand";
  setenv("LUMIVEX_HOME", base.c_str(), 1);
  EXPECT_EQ(lvx::SystemFolder(), "/usr/share/lumivex");
  char buf[MAX_PATH];
  EXPECT_EQ(GetWindowsDirectoryA(buf, sizeof buf), 18u);
  EXPECT_STREQ(buf, "/usr/share/lumivex");
  EXPECT_EQ(GetWindowsDirectoryA(buf, 5), 19u) << "too small: the size needed";
}

TEST(Folders, XdgBaseFoldersWithoutLumivexHome) {
  const std::string base = Home();
  setenv("LUMIVEX_HOME", "", 1);
  setenv("HOME", (base + "/home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (base + "/cfg").c_str(), 1);
  setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
  EXPECT_EQ(lvx::ConfigFolder(), base + "/cfg/lumivex");
  EXPECT_EQ(lvx::LogFolder(), base + "/state/lumivex");
  EXPECT_TRUE(fs::is_directory(base + "/cfg/lumivex"));
  EXPECT_TRUE(fs::is_directory(base + "/state/lumivex"));
  // Unset or relative XDG variables fall back to the defaults under HOME.
  unsetenv("XDG_CONFIG_HOME");
  setenv("XDG_STATE_HOME", "relative/state", 1);
  EXPECT_EQ(lvx::ConfigFolder(), base + "/home/.config/lumivex");
  EXPECT_EQ(lvx::LogFolder(), base + "/home/.local/state/lumivex");
  EXPECT_TRUE(fs::is_directory(base + "/home/.local/state/lumivex"));
  setenv("LUMIVEX_HOME", base.c_str(), 1);
}

TEST(Folders, DesktopFromUserDirsElseDesktopElseNone) {
  const std::string home = MakeTempDir("home");
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(lvx::DesktopFolder(), "");

  fs::create_directories(home + "/Desktop");
  EXPECT_EQ(lvx::DesktopFolder(), home + "/Desktop");

  fs::create_directories(home + "/.config");
  fs::create_directories(home + "/Schreibtisch");
  WriteFile(home + "/.config/user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
            "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(lvx::DesktopFolder(), home + "/Schreibtisch");

  // XDG_CONFIG_HOME moves the file; absolute paths are taken as they are.
  const std::string cfg = MakeTempDir("cfg");
  const std::string abs = MakeTempDir("elsewhere desk");
  setenv("XDG_CONFIG_HOME", cfg.c_str(), 1);
  WriteFile(cfg + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + abs + "\"\r\n");
  EXPECT_EQ(lvx::DesktopFolder(), abs);

  // A configured folder that does not exist, or a malformed line: ~/Desktop.
  WriteFile(cfg + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Missing\"\n");
  EXPECT_EQ(lvx::DesktopFolder(), home + "/Desktop");
  WriteFile(cfg + "/user-dirs.dirs",
            "XDG_DESKTOP_DIR=$HOME/Schreibtisch\nXDG_DESKTOP_DIR=\"rel\"\n");
  EXPECT_EQ(lvx::DesktopFolder(), home + "/Desktop");
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("files");
    for (const char* name : {"A.BMP", "b.bmp", "c.Bmp", "d.txt", "e.bmpx", "moon.bmp.txt"})
      WriteFile(dir_ + "/" + name, name);
    fs::create_directories(dir_ + "/sub.bmp");
  }
  std::string dir_;
};

TEST_F(FilesTest, FindMatchesWildcardsWithoutRegardToCase) {
  // The saver builds its patterns with backslashes.
  EXPECT_EQ(Search(dir_ + "\\*.bmp"),
            (std::vector<std::string>{"A.BMP", "b.bmp", "c.Bmp", "sub.bmp"}));
  EXPECT_EQ(Search(dir_ + "/*.BMP*").size(), 6u);
  EXPECT_EQ(Search(dir_ + "/?.txt"), std::vector<std::string>{"d.txt"});
  EXPECT_EQ(Search(dir_ + "/*.*").size(), 7u);
  EXPECT_EQ(Search(dir_ + "/*b*p*t").size(), 1u);
  // An exact name finds the file whatever the case it is asked in.
  EXPECT_EQ(Search(dir_ + "/D.TXT"), std::vector<std::string>{"d.txt"});
  EXPECT_EQ(Search(dir_ + "/d.txt"), std::vector<std::string>{"d.txt"});

  WIN32_FIND_DATAA fd{};
  HANDLE h = FindFirstFileA((dir_ + "/sub.*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  FindClose(h);
  h = FindFirstFileA((dir_ + "/A.bmp").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fd.nFileSizeLow, 5u);
  EXPECT_EQ(fd.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  FindClose(h);
}

TEST_F(FilesTest, FindFailuresAndStaleHandles) {
  WIN32_FIND_DATAA fd{};
  EXPECT_EQ(FindFirstFileA((dir_ + "/*.wav").c_str(), &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA((dir_ + "/nowhere/*.bmp").c_str(), &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA("", &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileA(nullptr, &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirstFileA((dir_ + "/").c_str(), &fd), INVALID_HANDLE_VALUE);

  HANDLE h = FindFirstFileA((dir_ + "/*.txt").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FindClose(h));
  EXPECT_FALSE(FindNextFileA(h, &fd)) << "closed handle";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FindClose(h));
  int local = 0;
  EXPECT_FALSE(FindNextFileA(&local, &fd));
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

TEST_F(FilesTest, CopyHonoursFailIfExistsAndLeavesNoTemporaryFiles) {
  const std::string src = dir_ + "/d.txt";
  const std::string dst = dir_ + "/copy.txt";
  ASSERT_TRUE(CopyFileA(src.c_str(), dst.c_str(), TRUE));
  EXPECT_EQ(ReadFile(dst), "d.txt");

  WriteFile(dst, "keep me");
  EXPECT_FALSE(CopyFileA(src.c_str(), dst.c_str(), TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadFile(dst), "keep me");

  EXPECT_TRUE(CopyFileA(src.c_str(), (dir_ + "\\copy.txt").c_str(), FALSE));
  EXPECT_EQ(ReadFile(dst), "d.txt");

  EXPECT_FALSE(CopyFileA((dir_ + "/missing").c_str(), dst.c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFileA(src.c_str(), (dir_ + "/nowhere/x.txt").c_str(), FALSE));
  EXPECT_FALSE(CopyFileA((dir_ + "/sub.bmp").c_str(), dst.c_str(), FALSE));
  EXPECT_FALSE(CopyFileA(nullptr, dst.c_str(), FALSE));

  // A bigger file arrives whole.
  std::string big(300000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  WriteFile(dir_ + "/big.bin", big);
  ASSERT_TRUE(CopyFileA((dir_ + "/big.bin").c_str(), (dir_ + "/big2.bin").c_str(), FALSE));
  EXPECT_EQ(ReadFile(dir_ + "/big2.bin"), big);

  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
  EXPECT_EQ(names.size(), 10u) << "no temporary copies left behind";
}

TEST_F(FilesTest, CreateAndDeleteReportWhatHappened) {
  const std::string tmp = dir_ + "\\Lumivex.tmp";
  EXPECT_TRUE(CreateDirectoryA(tmp.c_str(), nullptr));
  EXPECT_TRUE(fs::is_directory(dir_ + "/Lumivex.tmp"));
  EXPECT_FALSE(CreateDirectoryA(tmp.c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryA((dir_ + "/no/such").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  EXPECT_TRUE(DeleteFileA((dir_ + "/d.txt").c_str()));
  EXPECT_FALSE(FileExists(dir_ + "/d.txt"));
  EXPECT_FALSE(DeleteFileA((dir_ + "/d.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileA((dir_ + "/sub.bmp").c_str())) << "folders are not files";
  EXPECT_TRUE(fs::is_directory(dir_ + "/sub.bmp"));
}

// Under a shared /tmp a folder may be another user's, or a link.
TEST_F(FilesTest, PrivateFoldersAreRealFoldersOfOursClosedToOthers) {
  auto mode = [](const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
  };
  const std::string made = dir_ + "/Lumivex.tmp";
  EXPECT_TRUE(lvx::MakePrivateFolder(made.c_str()));
  EXPECT_EQ(mode(made), 0700);
  chmod(made.c_str(), 0777);
  EXPECT_TRUE(lvx::MakePrivateFolder(made.c_str())) << "ours: closed, then used";
  EXPECT_EQ(mode(made), 0700);

  const std::string link = dir_ + "/link.tmp";
  fs::create_directory_symlink(made, link);
  EXPECT_FALSE(lvx::MakePrivateFolder(link.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(lvx::MakePrivateFolder((dir_ + "/d.txt").c_str())) << "a file";
  EXPECT_FALSE(lvx::MakePrivateFolder((dir_ + "/no/such").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  if (geteuid() == 0) {  // only root can give a folder away
    const std::string theirs = dir_ + "/theirs.tmp";
    fs::create_directory(theirs);
    chmod(theirs.c_str(), 0777);
    ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(lvx::MakePrivateFolder(theirs.c_str()));
    EXPECT_EQ(mode(theirs), 0777) << "another user's folder is left as it is";
  }
}

class LaunchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bin_ = MakeTempDir("bin");
    log_ = Home() + "/launched.txt";
    fs::remove(log_);
    setenv("PATH", (bin_ + ":/usr/bin:/bin").c_str(), 1);
  }
  std::string bin_, log_;
};

TEST_F(LaunchTest, OpenHandsLinksAndFoldersToXdgOpen) {
  WriteScript(bin_ + "/xdg-open", "printf '%s|' \"$@\" > \"" + log_ + ".part\"; mv \"" + log_ +
                                      ".part\" \"" + log_ + "\"\n");
  const char* link = "mailto:someone@example.org?subject=Lumivex&body=Hi there";
  HINSTANCE r = ShellExecuteA(nullptr, "open", link, nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<std::intptr_t>(r), 32);
  EXPECT_TRUE(WaitForFile(log_, std::string(link) + "|"));

  fs::remove(log_);
  const std::string folder = MakeTempDir("Lumivex.tmp");
  r = ShellExecuteA(nullptr, "open", (Home() + "\\Lumivex.tmp").c_str(), nullptr, nullptr,
                    SW_RESTORE);
  EXPECT_GT(reinterpret_cast<std::intptr_t>(r), 32);
  EXPECT_TRUE(WaitForFile(log_, folder + "|"));
}

TEST_F(LaunchTest, ExecutableRunsWithItsParametersInItsFolder) {
  const std::string prog = bin_ + "/saver";
  WriteScript(prog, "printf '%s|' \"$PWD\" \"$@\" > \"" + log_ + ".part\"; mv \"" + log_ +
                        ".part\" \"" + log_ + "\"\n");
  const std::string work = MakeTempDir("work");
  HINSTANCE r = ShellExecuteA(nullptr, nullptr, prog.c_str(), "/s \"a b.lumivex\"", work.c_str(),
                              SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<std::intptr_t>(r), 32);
  EXPECT_TRUE(WaitForFile(log_, work + "|/s|a b.lumivex|"));
}

TEST_F(LaunchTest, FailuresReturnWin32ErrorCodes) {
  auto code = [](HINSTANCE h) { return reinterpret_cast<std::intptr_t>(h); };
  setenv("PATH", bin_.c_str(), 1);  // no xdg-open anywhere
  EXPECT_EQ(code(ShellExecuteA(nullptr, "open", "https://example.org/", nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
  EXPECT_EQ(
      code(ShellExecuteA(nullptr, "open", (Home() + "/missing.txt").c_str(), nullptr, nullptr, 1)),
      ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(code(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, 1)),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(code(ShellExecuteA(nullptr, "print", "https://example.org/", nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
  // A program that cannot start is reported, not taken for a success.
  const std::string broken = bin_ + "/broken";
  WriteFile(broken, "#!/nonexistent/interpreter\n");
  chmod(broken.c_str(), 0755);
  EXPECT_LE(code(ShellExecuteA(nullptr, "open", broken.c_str(), nullptr, nullptr, 1)), 32);
  WriteScript(bin_ + "/ok", "exit 0\n");
  EXPECT_LE(code(ShellExecuteA(nullptr, "open", (bin_ + "/ok").c_str(), nullptr,
                               (Home() + "/no-such-dir").c_str(), 1)),
            32);
}

}  // namespace
