// The process services: command line, module, user name, version, time.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace {

// When started as a helper by the tests below, this binary writes its own
// command line into the named file and ends before any test runs.
const bool g_helperMode = [] {
  const char* out = std::getenv("LUMIVEX_TEST_WRITE_COMMAND_LINE");
  if (!out) return false;
  if (FILE* f = std::fopen(out, "wb")) {
    std::fputs(GetCommandLineA(), f);
    std::fclose(f);
  }
  std::_Exit(0);
}();

std::string OwnPath() {
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  return std::string(buf, n);
}

// Runs this test binary from `path` with `args`; returns what it saw.
std::string CommandLineOfHelper(const std::string& path, const std::vector<std::string>& args) {
  const std::string out = lvx::test::Home() + "/cmdline.txt";
  std::remove(out.c_str());
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("LUMIVEX_TEST_WRITE_COMMAND_LINE", out.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return lvx::test::ReadFile(out);
}

TEST(CommandLine, ProgramPathThenArgumentsExactlyAsGiven) {
  const std::string self = OwnPath();
  ASSERT_FALSE(self.empty());
  EXPECT_EQ(self, std::filesystem::canonical("/proc/self/exe").string());

  const char* argv[] = {"whatever-name", "/s", "/home/u/My Messages/hi.lumivex", ""};
  lvx::SetProcessArguments(3, const_cast<char**>(argv));
  EXPECT_EQ(std::string(GetCommandLineA()), self + " /s /home/u/My Messages/hi.lumivex");
  lvx::SetProcessArguments(1, const_cast<char**>(argv));
  EXPECT_EQ(std::string(GetCommandLineA()), self);
  // Empty arguments keep their place.
  lvx::SetProcessArguments(4, const_cast<char**>(argv));
  EXPECT_EQ(std::string(GetCommandLineA()), self + " /s /home/u/My Messages/hi.lumivex ");
}

TEST(CommandLine, ReadFromTheProcessAndQuotedWhenThePathHoldsABlank) {
  const std::string self = OwnPath();
  // A hard link keeps the path we start it by (a symbolic link would resolve).
  const std::string dir = lvx::test::MakeTempDir("with blank");
  const std::string linked = dir + "/saver copy";
  if (link(self.c_str(), linked.c_str()) != 0) {
    std::filesystem::copy_file(self, linked);
    std::filesystem::permissions(linked, std::filesystem::perms::owner_all);
  }
  EXPECT_EQ(CommandLineOfHelper(linked, {"/p", "12345"}), "\"" + linked + "\" /p 12345");
  EXPECT_EQ(CommandLineOfHelper(self, {"-s", "a  b"}), self + " -s a  b");
  EXPECT_EQ(CommandLineOfHelper(self, {}), self);
}

TEST(Module, OnlyTheProgramItselfIsAModule) {
  HMODULE own = GetModuleHandleA(nullptr);
  ASSERT_NE(own, nullptr);
  const std::string base = std::filesystem::path(OwnPath()).filename().string();
  EXPECT_EQ(GetModuleHandleA(base.c_str()), own);
  EXPECT_EQ(GetModuleHandleA("IMM32.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);

  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(own, buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n), OwnPath());
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(0x1234), buf, sizeof buf), 0u);

  // A small buffer gets what fits, terminated, and its size back.
  char small[6];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 6u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(small), OwnPath().substr(0, 5));
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, 0), 0u);
}

TEST(UserName, SizeRulesOfWin32) {
  passwd* pw = getpwuid(geteuid());
  const std::string expected = pw ? pw->pw_name : std::getenv("USER");
  DWORD size = 1;
  char tiny[1] = {'x'};
  EXPECT_FALSE(GetUserNameA(tiny, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, expected.size() + 1);
  EXPECT_EQ(tiny[0], 'x') << "nothing written into a small buffer";

  size = static_cast<DWORD>(expected.size());  // one short: no room for the NUL
  std::string exact(expected.size(), '?');
  EXPECT_FALSE(GetUserNameA(exact.data(), &size));

  char buf[256];
  size = sizeof buf;
  ASSERT_TRUE(GetUserNameA(buf, &size));
  EXPECT_EQ(std::string(buf), expected);
  EXPECT_EQ(size, expected.size() + 1);

  EXPECT_FALSE(GetUserNameA(buf, nullptr));
  size = 10;
  EXPECT_FALSE(GetUserNameA(nullptr, &size));
}

TEST(Version, KernelMajorAndMinorPackedAsWin32Does) {
  utsname u{};
  ASSERT_EQ(uname(&u), 0);
  unsigned major = 0, minor = 0;
  ASSERT_GE(std::sscanf(u.release, "%u.%u", &major, &minor), 1);
  const DWORD v = GetVersion();
  EXPECT_EQ(LOBYTE(v), major);
  EXPECT_EQ(HIBYTE(LOWORD(v)), minor);
  EXPECT_EQ(v & 0x80000000u, 0u);

  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwMajorVersion, major);
  EXPECT_EQ(info.dwMinorVersion, minor);
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_STREQ(info.szCSDVersion, u.release);
  info.dwOSVersionInfoSize = 8;  // a caller's older, smaller record
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_FALSE(GetVersionExA(nullptr));
}

TEST(Time, TickCountFollowsSleep) {
  const DWORD before = GetTickCount();
  Sleep(30);
  const DWORD elapsed = GetTickCount() - before;  // unsigned: safe across the wrap
  EXPECT_GE(elapsed, 30u);
  EXPECT_LT(elapsed, 5000u);
}

TEST(SystemParameters, SaverFlagTimeoutAndUnknownActions) {
  BOOL previous = 7;
  EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, &previous, 0));
  EXPECT_FALSE(previous);
  EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0));
  EXPECT_TRUE(previous);
  EXPECT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, nullptr, 0));

  EXPECT_FALSE(SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, nullptr, 0));
  EXPECT_FALSE(SystemParametersInfoA(12345, 0, nullptr, 0));
  EXPECT_TRUE(MessageBeep(0));
}

}  // namespace
