// Feeds arbitrary bytes through the settings store: as a settings or message
// file (plain and per-user reads of every type, with small buffers), and
// as a raw value through Decode, Encode, Scramble and Unscramble.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "settings/ini_file.h"
#include "settings/log_file.h"

namespace {

std::string g_file;
IniFile g_ini;  // bound to g_file once; every read opens the file afresh

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "settings_ini_fuzz: %s\n", what);
    std::abort();
  }
}

void Prepare() {
  std::string home = (std::filesystem::temp_directory_path() / "lumivex-fuzz-XXXXXX").string();
  if (mkdtemp(home.data()) == nullptr) std::abort();
  setenv("LUMIVEX_HOME", home.c_str(), 1);
  setenv("LUMIVEX_DISPLAY", "headless", 1);
  g_file = home + "/fuzzed.ini";
  // No log file: the store's INFO entries are dropped instead of piling up.
  LogFile.Init((home + "/lumivex-log.txt").c_str(), "Lumivex.ini");
  g_ini.Init("", g_file.c_str());
}

// A heap copy of exactly size bytes, so a write past it is reported.
std::unique_ptr<char[]> Terminated(const std::uint8_t* data, std::size_t n, std::size_t size) {
  std::unique_ptr<char[]> buffer(new char[size]);
  std::size_t take = n < size ? n : size - 1;
  std::memcpy(buffer.get(), data, take);
  buffer[take] = '\0';
  return buffer;
}

void ReadEverything(IniFile& ini) {
  static const char* kSections[] = {"params", "Messages", "MessageIN", "Font", "Debug"};
  static const char* kKeys[] = {"FirstTime",   "MultiUser", "Message___0", "BottomLine0",
                                "Password__0", "FontSize",  "Color",       "loadmd"};
  static const std::size_t kSizes[] = {1, 2, 3, 32, 80, 1000};
  for (const char* section : kSections)
    for (const char* key : kKeys) {
      int i = 0;
      long l = 0;
      float f = 0;
      ini.ReadInt(section, key, &i, 5);
      ini.UserReadInt(section, key, &l, -5L);
      ini.UserReadFloat(section, key, &f, 10.0f);
      Check(f == f, "a float read gave NaN");
      for (std::size_t size : kSizes) {
        std::unique_ptr<char[]> out(new char[size]);
        ini.UserReadString(section, key, out.get(), "default", size);
        Check(std::memchr(out.get(), '\0', size) != nullptr, "read string not terminated");
        Check(std::strlen(out.get()) + 2 <= size || size < 2, "read string too long");
      }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool prepared = (Prepare(), true);
  (void)prepared;

  if (std::FILE* f = std::fopen(g_file.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  ReadEverything(g_ini);

  // The raw bytes as one stored value.
  std::size_t n = strnlen(reinterpret_cast<const char*>(data), size);
  {
    auto text = Terminated(data, n, n + 1);
    IniFile::Decode(text.get());
    Check(std::strlen(text.get()) <= n, "Decode grew the text");
  }
  {
    std::size_t room = 1 + (size ? data[0] : 0) * 4;
    auto text = Terminated(data, n, room);
    IniFile::Encode(text.get(), room);
    std::string back = text.get();
    IniFile::Decode(back);
  }
  {
    auto text = Terminated(data, n, n + 1);
    Unscramble(text.get());
    Check(std::strlen(text.get()) <= n, "Unscramble grew the text");
  }
  {
    std::size_t room = 1 + (size > 1 ? data[1] : 0) * 4;
    auto text = Terminated(data, n, room);
    std::string clear = text.get();
    Scramble(text.get(), room);
    for (const char* p = text.get(); *p; ++p)
      Check(static_cast<unsigned char>(*p) >= 34, "scrambled byte below 34");
    Unscramble(text.get());
    std::string back = text.get();
    Check(clear.compare(0, back.size(), back) == 0, "scramble round trip lost the prefix");
  }
  return 0;
}
