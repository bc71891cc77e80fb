// The process: its module, command line, user and operating-system version.
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "platform/shell/shell_internal.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// Stands in for the module base of the program, as Win32 hands one out.
HINSTANCE const kOwnInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000));

struct CommandLine {
  std::mutex mu;
  bool haveArgs = false;
  std::vector<std::string> args;  // without the program itself
  std::string text;
  bool built = false;
};

CommandLine& Cmd() {
  static CommandLine c;
  return c;
}

std::vector<std::string> ArgsFromProc() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    parts.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  if (!parts.empty()) parts.erase(parts.begin());
  return parts;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

struct KernelVersion {
  DWORD major = 0, minor = 0, patch = 0;
  std::string release;
};

KernelVersion ReadKernelVersion() {
  KernelVersion v;
  utsname u{};
  if (uname(&u) != 0) return v;
  v.release = u.release;
  unsigned long parts[3] = {0, 0, 0};
  const char* p = u.release;
  for (int i = 0; i < 3 && std::isdigit(static_cast<unsigned char>(*p)); ++i) {
    char* end = nullptr;
    parts[i] = std::strtoul(p, &end, 10);
    p = end;
    if (*p != '.') break;
    ++p;
  }
  v.major = static_cast<DWORD>(parts[0]);
  v.minor = static_cast<DWORD>(parts[1]);
  v.patch = static_cast<DWORD>(parts[2]);
  return v;
}

}  // namespace

namespace lvx::shell {

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return "lumivex";
    if (static_cast<std::size_t>(n) < buf.size())
      return std::string(buf.data(), static_cast<std::size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

}  // namespace lvx::shell

using lvx::shell::ExecutablePath;

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

// The program itself and the modules it loaded: the Windows libraries it may
// ask for by name ("IMM32.DLL", "PASSWORD.CPL" ...) do not exist on Linux.
HMODULE GetModuleHandleA(LPCSTR name) {
  if (name == nullptr) return kOwnInstance;
  const std::string own = BaseName(ExecutablePath());
  std::string asked = BaseName(lvx::shell::NativePath(name));
  if (EqualNoCase(asked, own) || EqualNoCase(asked, own + ".exe") ||
      EqualNoCase(asked, own + ".scr"))
    return kOwnInstance;
  if (HMODULE loaded = lvx::shell::LoadedModule(asked)) return loaded;
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

// Win32 (Vista and later): a path that does not fit is cut to size - 1
// characters, terminated, and size is returned.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::string path;
  if (module == nullptr || module == kOwnInstance) {
    path = ExecutablePath();
  } else if (!lvx::shell::LoadedModulePath(module, &path)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() < size) {
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
  }
  std::memcpy(buffer, path.data(), size - 1);
  buffer[size - 1] = '\0';
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

// The program's path as GetModuleFileNameA gives it (quoted when it holds a
// blank), then the arguments joined by single blanks exactly as they came:
// the program finds its own path however it was started, and a file path
// with blanks after /s arrives whole.
LPSTR GetCommandLineA() {
  CommandLine& c = Cmd();
  std::lock_guard<std::mutex> lock(c.mu);
  if (!c.built) {
    std::string path = ExecutablePath();
    if (path.find_first_of(" \t") != std::string::npos) path = "\"" + path + "\"";
    const std::vector<std::string> args = c.haveArgs ? c.args : ArgsFromProc();
    c.text = path;
    for (const std::string& a : args) c.text += " " + a;
    c.built = true;
  }
  return c.text.data();
}

namespace lvx {
void SetProcessArguments(int argc, char** argv) {
  CommandLine& c = Cmd();
  std::lock_guard<std::mutex> lock(c.mu);
  c.args.clear();
  for (int i = 1; i < argc && argv; ++i)
    if (argv[i]) c.args.emplace_back(argv[i]);
  c.haveArgs = true;
  c.built = false;
}
}  // namespace lvx

// The effective user's account name. `size` holds the buffer size and comes
// back as the length with its NUL; a small buffer fails with the size needed.
BOOL GetUserNameA(LPSTR buffer, LPDWORD size) {
  if (size == nullptr || (buffer == nullptr && *size != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string name;
  std::vector<char> scratch(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &pw, scratch.data(), scratch.size(), &found) == 0 && found &&
      found->pw_name)
    name = found->pw_name;
  if (name.empty()) {
    // An account without a passwd entry (some containers): the login name.
    const char* env = std::getenv("LOGNAME");
    if (!env || !*env) env = std::getenv("USER");
    name = env && *env ? env : std::to_string(geteuid());
  }
  const DWORD needed = static_cast<DWORD>(name.size() + 1);
  if (*size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, name.c_str(), needed);
  *size = needed;
  return TRUE;
}

// The kernel's version stands in for the Windows one: major and minor from
// uname, the patch level as build number, the release text as details.
BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const KernelVersion v = ReadKernelVersion();
  info->dwMajorVersion = v.major;
  info->dwMinorVersion = v.minor;
  info->dwBuildNumber = v.patch;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::snprintf(info->szCSDVersion, sizeof info->szCSDVersion, "%s", v.release.c_str());
  return TRUE;
}

// Packed as Win32 packs it: major in the low byte, minor in the next, the
// build number in the high word (top bit clear: an NT-family system).
DWORD GetVersion() {
  const KernelVersion v = ReadKernelVersion();
  return (v.major & 0xFF) | ((v.minor & 0xFF) << 8) | ((v.patch & 0x7FFF) << 16);
}
