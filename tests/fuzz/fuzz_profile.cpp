// Any bytes as a settings file: reads stay inside their buffers, lists end
// in a double NUL, and a value written is the value read back.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/winapi/profile.h"

namespace {

std::string g_dir;
std::string g_file;

void RemoveDir() {
  std::remove(g_file.c_str());
  ::rmdir(g_dir.c_str());
}

void WriteInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(g_file.c_str(), "wb");
  if (!f) __builtin_trap();
  if (size && std::fwrite(data, 1, size, f) != size) __builtin_trap();
  std::fclose(f);
}

// A read into a buffer of `size` with guard bytes on both sides.
void GuardedRead(const char* section, const char* key, std::size_t size) {
  char buf[80];
  std::memset(buf, 0x5A, sizeof buf);
  char* out = buf + 8;
  DWORD n = GetPrivateProfileStringA(section, key, "default", out, static_cast<DWORD>(size),
                                     g_file.c_str());
  for (int i = 0; i < 8; ++i)
    if (buf[i] != 0x5A) __builtin_trap();
  for (std::size_t i = 8 + size; i < sizeof buf; ++i)
    if (buf[i] != 0x5A) __builtin_trap();
  if (size == 0) {
    if (n != 0) __builtin_trap();
    return;
  }
  if (n > size - 1 || out[n] != '\0') __builtin_trap();
  if (section != nullptr && key != nullptr) return;
  // A list must end with an empty name inside the buffer.
  for (std::size_t p = 0;;) {
    std::size_t len = ::strnlen(out + p, size - p);
    if (p + len >= size) __builtin_trap();
    if (len == 0) break;
    p += len + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Memory-backed when possible: every write syncs, which a disk makes slow.
  std::string tmpl = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  tmpl += "/lumivex-fuzz-profile-XXXXXX";
  if (!::mkdtemp(tmpl.data())) __builtin_trap();
  g_dir = tmpl;
  g_file = g_dir + "/fuzz.ini";
  std::atexit(RemoveDir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteInput(data, size);
  // Names taken from the input itself hit its sections and keys far more often.
  std::string name(reinterpret_cast<const char*>(data), size < 8 ? size : 8);
  name = name.substr(0, name.find('\0'));
  for (const char* section : {"s", "Params", name.c_str()}) {
    for (const char* key : {"k", "FirstTime", name.c_str()}) {
      for (std::size_t n : {0, 1, 2, 5, 64}) GuardedRead(section, key, n);
      GetPrivateProfileIntA(section, key, -1, g_file.c_str());
    }
    for (std::size_t n : {0, 1, 2, 3, 9, 64}) GuardedRead(section, nullptr, n);
  }
  for (std::size_t n : {1, 2, 9, 64}) GuardedRead(nullptr, nullptr, n);

  if (WritePrivateProfileStringA("s", "k", "written", g_file.c_str())) {
    char back[16];
    GetPrivateProfileStringA("s", "k", "", back, sizeof back, g_file.c_str());
    if (std::strcmp(back, "written") != 0) __builtin_trap();
  }
  if (WritePrivateProfileStringA("s", "k", nullptr, g_file.c_str())) {
    char back[16];
    GetPrivateProfileStringA("s", "k", "gone", back, sizeof back, g_file.c_str());
    if (std::strcmp(back, "gone") != 0) __builtin_trap();
  }
  return 0;
}
