// The real program meeting what it should survive: pipes, devices and huge
// files where files belong, two savers sharing one settings folder, kills in
// the middle of a write, a settings file that cannot be used, a display that
// cannot be opened; and the start picture and the clock's language.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/winapi.h"
#include "settings/ini_file.h"
#include "tests/support/process.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using lvx::test::ReadFile;
using lvx::test::WriteFile;

namespace {

using lvx::test::Child;
using lvx::test::Env;
using lvx::test::kRunning;
using lvx::test::SleepMs;
using lvx::test::Spawn;

int Count(const std::string& text, const std::string& needle) {
  int n = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size()))
    ++n;
  return n;
}

// How the headless display writes a box: line breaks as the two characters \n.
std::string BoxLine(const std::string& caption, const std::string& text) {
  std::string line = "MessageBox [" + caption + "] ";
  for (char c : text) line += c == '\n' ? std::string("\\n") : std::string(1, c);
  return line + "\n";
}

// A settings folder of its own for the savers of one case, with a private
// temporary folder.
struct Folder {
  std::string dir;
  explicit Folder(const std::string& name) : dir(lvx::test::MakeTempDir(name)) {
    fs::create_directories(Tmp());
  }
  std::string Ini() const { return dir + "/Lumivex.ini"; }
  std::string Tmp() const { return dir + "/tmp"; }
  std::string Log() const { return dir + "/lumivex-log.txt"; }
  void Set(const char* section, const char* key, const char* value) const {
    WritePrivateProfileStringA(section, key, value, Ini().c_str());
  }
  // A saver on the headless display; `quick`: a screen so small that the
  // pointer sits in the top-left corner, where (with DisableTL) the saver
  // refuses to start. The run then ends right after taking in a message
  // file: the fastest whole start there is.
  Env SaverEnv(bool quick) const {
    return {{"LUMIVEX_HOME", dir},
            {"TMPDIR", Tmp()},
            {"LUMIVEX_DISPLAY", "headless"},
            {"LUMIVEX_SCREEN", quick ? "100x100" : "1024x768"}};
  }
  void MakeQuick() const { Set("Params", "DisableTL", "\"1\""); }
  // The first run is over: later runs start from a settled file.
  void Settle() const {
    MakeQuick();
    Child c = Spawn({"lumivex", "/s"}, SaverEnv(true));
    EXPECT_EQ(c.Wait(10000), 0);
  }
  std::string Message(const std::string& name, const std::string& text,
                      const std::string& bottomLine, const std::string& password = "") const {
    const std::string path = dir + "/" + name;
    WriteFile(path, "[MessageIN]\nMessage___0=\"" + text + "\"\nBottomLine0=\"" + bottomLine +
                        "\"\nPassword__0=\"" + password + "\"\n");
    return path;
  }
};

struct Slot {
  std::string message, bottomLine, password;
  bool Empty() const { return message.empty() && bottomLine.empty() && password.empty(); }
  bool operator==(const Slot&) const = default;
};

std::string Value(const std::string& ini, const char* section, const std::string& key) {
  char out[2048] = {};
  GetPrivateProfileStringA(section, key.c_str(), "", out, sizeof out, ini.c_str());
  return out;
}

// The message book as stored (scrambled slots as they are), up to its first
// free slot after the main message.
std::vector<Slot> Book(const std::string& ini) {
  std::vector<Slot> book;
  for (int k = 0;; ++k) {
    const std::string n = std::to_string(k);
    Slot s{Value(ini, "Messages", "Message___" + n), Value(ini, "Messages", "BottomLine" + n),
           Value(ini, "Messages", "Password__" + n)};
    if (k > 0 && s.Empty()) break;
    book.push_back(s);
  }
  return book;
}

bool Holds(const std::vector<Slot>& book, const std::string& message,
           const std::string& bottomLine) {
  for (const Slot& s : book)
    if (s.message == message && s.bottomLine == bottomLine) return true;
  return false;
}

}  // namespace

// A pipe opened for reading waits for a writer forever; a saver must neither
// wait for one nor take the pipe's place, and SIGTERM must end it.
TEST(SpecialFiles, PipesWhereFilesBelongHoldNothingUp) {
  Folder f("pipe-message");
  f.Settle();
  const std::vector<Slot> before = Book(f.Ini());
  const std::string pipe = f.dir + "/friend.Lumivex";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  Child c = Spawn({"lumivex", "/s", pipe}, f.SaverEnv(false));
  SleepMs(600);
  c.Signal(SIGTERM);
  EXPECT_EQ(c.Wait(2000), 0) << c.Err();
  EXPECT_TRUE(Book(f.Ini()) == before) << ReadFile(f.Ini());
  EXPECT_EQ(Count(ReadFile(f.Ini()), "<type here"), 0);

  // A pipe as the settings file or as the log: the saver goes on or stops,
  // but the pipe stays a pipe and SIGTERM is heard.
  for (const char* what : {"settings", "log"}) {
    Folder g(std::string("pipe-") + what);
    const std::string path = what == std::string("settings") ? g.Ini() : g.Log();
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    Child s = Spawn({"lumivex", "/s"}, g.SaverEnv(false));
    SleepMs(600);
    s.Signal(SIGTERM);
    EXPECT_NE(s.Wait(2000), kRunning) << what;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << what;
    if (what == std::string("settings")) {
      EXPECT_EQ(Count(s.Err(), BoxLine("Error in IniFile",
                                       "Configuration Problem. Please reinstall\n" + path +
                                           ": Not a regular file")),
                1)
          << s.Err();
    } else {
      EXPECT_EQ(Count(s.Err(), path + " is not a regular file"), 1) << s.Err();
    }
  }
}

// An endless device or a huge sparse file is no message file: refused
// before anything is copied, the book unchanged.
TEST(SpecialFiles, EndlessOrHugeMessageFilesAreRefusedUncopied) {
  Folder f("huge");
  f.Settle();
  WriteFile(f.Log(), "");  // an existing log records everything
  const std::string zero = f.dir + "/zero.Lumivex";
  fs::create_symlink("/dev/zero", zero);
  const std::string sparse = f.dir + "/sparse.Lumivex";
  WriteFile(sparse, "[MessageIN]\nMessage___0=\"big\"\nBottomLine0=\"file\"\n");
  ASSERT_EQ(truncate(sparse.c_str(), 40 << 20), 0);
  const std::string before = ReadFile(f.Ini());

  for (const auto& [path, reason] :
       {std::pair<std::string, std::string>{zero, "Not a regular file"},
        {sparse, "File too large"}}) {
    Child c = Spawn({"lumivex", "/s", path}, f.SaverEnv(true));
    std::uintmax_t largest = 0;
    int code = kRunning;
    for (int i = 0; i < 2000 && code == kRunning; ++i) {
      // The program makes and removes its files meanwhile: stepping on
      // after one vanished is an error to pass over, never an exception.
      std::error_code ec;
      for (fs::recursive_directory_iterator it(f.Tmp(), ec), end; !ec && it != end;
           it.increment(ec)) {
        std::error_code sizeError;
        const std::uintmax_t size = it->file_size(sizeError);  // gone meanwhile: an error
        if (!sizeError) largest = std::max(largest, size);
      }
      code = c.Wait(5);
    }
    EXPECT_EQ(code, 0) << path;
    EXPECT_LE(largest, std::uintmax_t{32} << 20) << path;
    EXPECT_TRUE(fs::is_empty(f.Tmp())) << path;
    EXPECT_EQ(ReadFile(f.Ini()), before) << path;
    EXPECT_NE(ReadFile(f.Log()).find("ReceiveMessage - refused= " + path + ": " + reason),
              std::string::npos)
        << ReadFile(f.Log());
  }
}

// Two savers (one per monitor) opening two message files at once: each
// message gets a slot of its own, every time.
TEST(TwoSavers, ReceivingAtOnceKeepsBothMessages) {
  Folder f("two-receive");
  f.Settle();
  for (int round = 0; round < 50; ++round) {
    const std::string a = "A" + std::to_string(round), b = "B" + std::to_string(round);
    const std::string fileA = f.Message("a.Lumivex", a, "from Anna");
    const std::string fileB = f.Message("b.Lumivex", b, "from Ben");
    Child first = Spawn({"lumivex", "/s", fileA}, f.SaverEnv(true));
    Child second = Spawn({"lumivex", "/s", fileB}, f.SaverEnv(true));
    ASSERT_EQ(first.Wait(10000), 0) << first.Err();
    ASSERT_EQ(second.Wait(10000), 0) << second.Err();
    const std::vector<Slot> book = Book(f.Ini());
    ASSERT_TRUE(Holds(book, a, "from Anna")) << "round " << round;
    ASSERT_TRUE(Holds(book, b, "from Ben")) << "round " << round;
    ASSERT_EQ(book.size(), 3u + 2u * (round + 1)) << "round " << round;
  }
}

// Two first starts with one new settings file: one of them writes the first
// run's records and messages, none loses a key of the other, neither fails
// its self-test.
TEST(TwoSavers, FirstRunsAtOnceWriteEveryRecord) {
  Folder f("two-first");
  for (int round = 0; round < 50; ++round) {
    std::remove(f.Ini().c_str());
    f.MakeQuick();
    Child first = Spawn({"lumivex", "/s"}, f.SaverEnv(true));
    Child second = Spawn({"lumivex", "/s"}, f.SaverEnv(true));
    ASSERT_EQ(first.Wait(10000), 0);
    ASSERT_EQ(second.Wait(10000), 0);
    for (const Child* c : {&first, &second})
      ASSERT_EQ(Count(c->Err(), "Configuration Problem"), 0) << c->Err();
    const std::string ini = f.Ini();
    ASSERT_EQ(Value(ini, "params", "FirstTime"), "0") << ReadFile(ini);
    for (const char* key : {"MultiUser", "LastUserName", "loadmd", "CDate", "Version"})
      ASSERT_NE(Value(ini, "params", key), "") << key << "\n" << ReadFile(ini);
    for (const char* key : {"ini file", "OsVersionDetails", "OsVersion", "OsVerHuman", "CDate"})
      ASSERT_NE(Value(ini, "info", key), "") << key << "\n" << ReadFile(ini);
    const std::vector<Slot> book = Book(ini);
    ASSERT_EQ(book.size(), 3u) << ReadFile(ini);
    ASSERT_EQ(book[1].message, "PEACE");
    ASSERT_EQ(book[2].bottomLine, "and love");
  }
}

// kill -9 at any moment of a reception: every slot is whole afterwards, the
// old book or the new message with its password, never a placeholder or a
// scrambled text without its password.
TEST(Kills, AKilledReceptionLeavesEverySlotWhole) {
  Folder f("kills");
  f.Settle();
  const std::string message = f.Message("secret.Lumivex", "Secret", "for you", "pw");
  // How long a whole reception run takes here: the kills land within it.
  const auto started = std::chrono::steady_clock::now();
  {
    Child c = Spawn({"lumivex", "/s", message}, f.SaverEnv(true));
    ASSERT_EQ(c.Wait(10000), 0);
  }
  const int runMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - started)
                                         .count());
  std::mt19937 rng(1717);
  for (int round = 0; round < 200; ++round) {
    Child c = Spawn({"lumivex", "/s", message}, f.SaverEnv(true));
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % (runMs * 1000 + 1)));
    c.Signal(SIGKILL);
    c.Wait(10000);
  }
  const std::string text = ReadFile(f.Ini());
  EXPECT_EQ(Count(text, "<type here"), 0);
  const std::vector<Slot> book = Book(f.Ini());
  ASSERT_GE(book.size(), 4u);
  for (std::size_t k = 3; k < book.size(); ++k) {
    Slot s = book[k];
    ASSERT_FALSE(s.password.empty()) << "slot " << k << ": " << s.message;
    Unscramble(s.message.data());
    Unscramble(s.bottomLine.data());
    Unscramble(s.password.data());
    EXPECT_STREQ(s.message.c_str(), "Secret") << "slot " << k;
    EXPECT_STREQ(s.bottomLine.c_str(), "for you") << "slot " << k;
    EXPECT_STREQ(s.password.c_str(), "pw") << "slot " << k;
  }
  // Slots after the book's end hold nothing either.
  EXPECT_EQ(Value(f.Ini(), "Messages", "Message___" + std::to_string(book.size() + 1)), "");
}

// A settings file that cannot be used: one box names the file and the
// system's reason, the self-test's box says the same, nothing more to click.
TEST(UnusableSettings, OneBoxNamesTheFileAndTheReason) {
  struct Case {
    const char* name;
    const char* reason;
  };
  for (const Case& c :
       {Case{"folder", "Is a directory"}, Case{"device", "Not a regular file"},
        Case{"read-only", "Permission denied"}, Case{"home-is-a-file", "Not a directory"}}) {
    const std::string name = c.name;
    Folder f("unusable-" + name);
    Env env = f.SaverEnv(false);
    std::string ini = f.Ini();
    if (name == "folder") {
      fs::create_directories(ini);
    } else if (name == "device") {
      fs::create_symlink("/dev/null", ini);
    } else if (name == "read-only") {
      // From another day: the self-test has to write.
      WriteFile(ini, "[params]\nFirstTime=\"0\"\nloadmd=\"40\"\n");
      chmod(ini.c_str(), 0444);
    } else if (name == "home-is-a-file") {
      const std::string home = f.dir + "/not-a-folder";
      WriteFile(home, "");
      ini = home + "/.config/lumivex/Lumivex.ini";
      env = {{"LUMIVEX_HOME", std::nullopt},
             {"XDG_CONFIG_HOME", std::nullopt},
             {"XDG_STATE_HOME", std::nullopt},
             {"HOME", home},
             {"TMPDIR", f.Tmp()},
             {"LUMIVEX_DISPLAY", "headless"}};
    }
    const std::string before = ReadFile(ini);
    Child s = Spawn({"lumivex", "/s"}, env);
    EXPECT_EQ(s.Wait(10000), 0) << name;
    const std::string err = s.Err();
    const std::string line = ini + ": " + c.reason;
    EXPECT_EQ(
        Count(err, BoxLine("Error in IniFile", "Configuration Problem. Please reinstall\n" + line)),
        1)
        << name << "\n"
        << err;
    EXPECT_EQ(Count(err, "MessageBox"), 1) << name << "\n" << err;
    if (name == "read-only") {
      EXPECT_EQ(ReadFile(ini), before);
    }
  }
}

TEST(Display, OneThatCannotBeOpenedEndsTheRun) {
  Folder f("display");
  for (const char* mode : {"/s", "-root"}) {
    Child c = Spawn({"lumivex", mode}, {{"LUMIVEX_HOME", f.dir},
                                        {"LUMIVEX_DISPLAY", std::nullopt},
                                        {"XSCREENSAVER_WINDOW", std::nullopt},
                                        {"DISPLAY", ":987"}});
    EXPECT_EQ(c.Wait(10000), 1) << mode;
    EXPECT_EQ(c.Err(), "lumivex: cannot open the X display \":987\"\n") << mode;
  }
}

// "ReachTheStars": the start picture is on the screen while the sky is
// built and for a moment after, then the sky takes over.
TEST(StartPicture, ShowsAndThenGives) {
  Folder f("start-picture");
  f.Settle();
  f.Set("Params", "DisableTL", "\"0\"");
  f.Set("Params", "ReachTheStars", "\"1\"");
  f.Set("Params", "SwitchOffTV", "\"0\"");
  f.Set("params", "TickTime", "\"20\"");
  const std::string shots = f.dir + "/shots";
  Env env = f.SaverEnv(false);
  env.push_back({"LUMIVEX_SNAPSHOT", shots});
  env.push_back({"LUMIVEX_SNAPSHOT_EVERY", "10"});
  Child c = Spawn({"lumivex", "/s"}, env);
  SleepMs(3500);  // the picture goes 1.5 s after the scene is built
  c.Signal(SIGTERM);
  ASSERT_EQ(c.Wait(5000), 0);

  // Lit pixels in the picture's place (123 x 219, centred on 1024 x 768).
  auto litShare = [&](const std::string& name) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, (shots + "/" + name).c_str())) return -1.0;
    img.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr)) return -1.0;
    int lit = 0;
    for (int y = 274; y < 274 + 219; ++y)
      for (int x = 450; x < 450 + 123; ++x) {
        const std::size_t at = 3 * (static_cast<std::size_t>(y) * img.width + x);
        lit += rgb[at] + rgb[at + 1] + rgb[at + 2] > 0;
      }
    return lit / (123.0 * 219.0);
  };
  EXPECT_GT(litShare("lumivex-000010.png"), 0.8);
  EXPECT_LT(litShare("lumivex-final.png"), 0.05);
}

// The clock's date line speaks the language of LC_TIME.
TEST(Clock, DateLineInTheUsersLanguage) {
  if (std::setlocale(LC_TIME, "de_DE.UTF-8") == nullptr)
    GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/test makes it)";
  // The German names of yesterday, today and tomorrow, as the saver may see them.
  std::vector<std::string> german;
  const std::time_t now = std::time(nullptr);
  for (int d = -1; d <= 1; ++d) {
    const std::time_t t = now + d * 86400;
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, "%a, %b %d", &local);
    german.push_back(text);
  }
  std::setlocale(LC_TIME, "C");

  Folder f("clock");
  f.Settle();
  f.Set("Params", "DisableTL", "\"0\"");
  f.Set("Messages", "Message___0", "\"TIME 0\"");
  WriteFile(f.Log(), "");
  Env env = f.SaverEnv(false);
  env.push_back({"LC_ALL", "de_DE.UTF-8"});
  Child c = Spawn({"lumivex", "/s"}, env);
  SleepMs(1500);
  c.Signal(SIGTERM);
  ASSERT_EQ(c.Wait(5000), 0);
  const std::string log = ReadFile(f.Log());
  const std::size_t at = log.find("WorldTime date= ");
  ASSERT_NE(at, std::string::npos) << log;
  const std::string shown = log.substr(at + 16, log.find('\n', at) - at - 16);
  EXPECT_TRUE(shown == german[0] || shown == german[1] || shown == german[2])
      << shown << " is not one of " << german[0] << " / " << german[1] << " / " << german[2];
}
