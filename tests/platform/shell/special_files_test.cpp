// Copies and opens that meet pipes, devices and huge files: refused at once,
// stopped at the caller's limit, never waiting and never leaving files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using lvx::test::ReadFile;
using lvx::test::WriteFile;

namespace {

constexpr long long kLimit = 1 << 20;

DWORD CALLBACK UpToLimit(LARGE_INTEGER total, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER,
                         DWORD, DWORD reason, HANDLE, HANDLE, LPVOID calls) {
  ++*static_cast<int*>(calls);
  if (reason != CALLBACK_STREAM_SWITCH && reason != CALLBACK_CHUNK_FINISHED) return PROGRESS_STOP;
  return total.QuadPart > kLimit || copied.QuadPart > kLimit ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

// Looks only at what has been copied, as for a file that grows meanwhile.
DWORD CALLBACK StopAfter100k(LARGE_INTEGER, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER,
                             DWORD, DWORD, HANDLE, HANDLE, LPVOID) {
  return copied.QuadPart > 100000 ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

std::size_t FilesIn(const std::string& dir) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

}  // namespace

TEST(SpecialFiles, CopiesStopAtTheLimitAndRefuseWhatIsNoFile) {
  const std::string dir = lvx::test::MakeTempDir("copies");
  const std::string out = dir + "/out";
  fs::create_directory(out);

  const std::string small = dir + "/small.txt";
  WriteFile(small, std::string(5000, 's'));
  int calls = 0;
  ASSERT_TRUE(CopyFileExA(small.c_str(), (out + "/a").c_str(), UpToLimit, &calls, nullptr, 0));
  EXPECT_EQ(ReadFile(out + "/a"), std::string(5000, 's'));
  EXPECT_GE(calls, 2);  // the start and a chunk

  // Stopped half-way: neither the target nor a temporary file is left.
  const std::string bigger = dir + "/bigger.bin";
  WriteFile(bigger, std::string(300000, 'b'));
  EXPECT_FALSE(
      CopyFileExA(bigger.c_str(), (out + "/b").c_str(), StopAfter100k, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_REQUEST_ABORTED));
  EXPECT_EQ(FilesIn(out), 1u);

  // A sparse 4 GB file is refused by its size before a byte is copied;
  // pipes, devices and folders are not even read.
  const std::string sparse = dir + "/sparse.bin";
  WriteFile(sparse, "");
  ASSERT_EQ(truncate(sparse.c_str(), 4LL << 30), 0);
  const std::string fifo = dir + "/pipe", zero = dir + "/zero";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", zero);
  const struct {
    std::string from;
    DWORD error;
  } refused[] = {{sparse, ERROR_REQUEST_ABORTED},
                 {fifo, ERROR_BAD_FILE_TYPE},
                 {zero, ERROR_BAD_FILE_TYPE},
                 {out, ERROR_ACCESS_DENIED}};
  const auto start = std::chrono::steady_clock::now();
  for (const auto& r : refused) {
    calls = 0;
    EXPECT_FALSE(CopyFileExA(r.from.c_str(), (out + "/b").c_str(), UpToLimit, &calls, nullptr, 0))
        << r.from;
    EXPECT_EQ(GetLastError(), r.error) << r.from;
  }
  // Nothing waited for a writer or read the endless file: that would take
  // forever, not a few slow seconds of a sanitized build.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(FilesIn(out), 1u);  // only "a": no target, no temporary file

  // A cancel flag set by the caller stops the copy as well.
  BOOL cancel = TRUE;
  EXPECT_FALSE(CopyFileExA(small.c_str(), (out + "/c").c_str(), nullptr, nullptr, &cancel, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_REQUEST_ABORTED));
  EXPECT_FALSE(CopyFileExA(small.c_str(), (out + "/a").c_str(), nullptr, nullptr, nullptr,
                           COPY_FILE_FAIL_IF_EXISTS));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(FilesIn(out), 1u);
}

TEST(SpecialFiles, RegularFilesOnlyAreOpened) {
  const std::string dir = lvx::test::MakeTempDir("opens");
  const std::string fifo = dir + "/pipe", file = dir + "/file.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  WriteFile(file, "old text");
  for (const char* mode : {"r", "w", "a"}) {
    errno = 0;
    EXPECT_EQ(lvx::OpenRegularFile(fifo.c_str(), mode), nullptr) << mode;
    EXPECT_EQ(errno, EINVAL) << mode;
    EXPECT_EQ(lvx::OpenRegularFile(dir.c_str(), mode), nullptr) << mode;
    EXPECT_EQ(errno, EISDIR) << mode;
    EXPECT_EQ(lvx::OpenRegularFile("/dev/null", mode), nullptr) << mode;
  }
  // Appending a log line goes by the same rule.
  EXPECT_FALSE(lvx::AppendToRegularFile(fifo.c_str(), "x", 1));
  EXPECT_FALSE(lvx::AppendToRegularFile("/dev/null", "x", 1));
  EXPECT_TRUE(lvx::AppendToRegularFile((dir + "/new.log").c_str(), "one\n", 4));
  EXPECT_TRUE(lvx::AppendToRegularFile((dir + "/new.log").c_str(), "two\n", 4));
  EXPECT_EQ(ReadFile(dir + "/new.log"), "one\ntwo\n");
  std::FILE* f = lvx::OpenRegularFile(file.c_str(), "a");
  ASSERT_NE(f, nullptr);
  std::fputs(", more", f);
  std::fclose(f);
  EXPECT_EQ(ReadFile(file), "old text, more");
  f = lvx::OpenRegularFile(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(ReadFile(file), "");
  f = lvx::OpenRegularFile((dir + "/new.txt").c_str(), "a");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(fs::is_regular_file(dir + "/new.txt"));
  EXPECT_EQ(lvx::OpenRegularFile((dir + "/missing").c_str(), "r"), nullptr);
  EXPECT_EQ(errno, ENOENT);
}

TEST(SpecialFiles, TemporaryNamesFoldersAndAttributes) {
  const std::string dir = lvx::test::MakeTempDir("temps");
  char a[MAX_PATH] = {}, b[MAX_PATH] = {};
  ASSERT_NE(GetTempFileNameA(dir.c_str(), "lvxtra", 0, a), 0u);
  ASSERT_NE(GetTempFileNameA((dir + "/").c_str(), "lvx", 0, b), 0u);
  EXPECT_NE(std::string(a), std::string(b));
  EXPECT_EQ(std::string(a).rfind(dir + "/lvx", 0), 0u) << a;
  EXPECT_EQ(fs::path(a).extension(), ".tmp");
  EXPECT_TRUE(fs::is_regular_file(a) && fs::is_empty(a));
  EXPECT_EQ(GetTempFileNameA((dir + "/none").c_str(), "lvx", 0, a), 0u);
  EXPECT_EQ(GetTempFileNameA(dir.c_str(), "lvx", 7, a), 0u);

  const std::string sub = dir + "/sub";
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  WriteFile(sub + "/x", "x");
  EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));  // not empty
  ASSERT_TRUE(DeleteFileA((sub + "/x").c_str()));
  EXPECT_TRUE(RemoveDirectoryA(sub.c_str()));
  EXPECT_FALSE(fs::exists(sub));
  EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  ASSERT_TRUE(SetFileAttributesA(b, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(fs::status(b).permissions() & fs::perms::all &
                (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write),
            fs::perms::none);
  ASSERT_TRUE(SetFileAttributesA(b, FILE_ATTRIBUTE_NORMAL));
  EXPECT_NE(fs::status(b).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_FALSE(SetFileAttributesA((dir + "/missing").c_str(), FILE_ATTRIBUTE_NORMAL));
}
