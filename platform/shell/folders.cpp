// The Linux folders that stand in for the Windows ones.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace {

std::string EnvValue(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string HomeFolder() {
  std::string home = EnvValue("HOME");
  if (!home.empty()) return home;
  std::vector<char> scratch(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &pw, scratch.data(), scratch.size(), &found) == 0 && found &&
      found->pw_dir)
    return found->pw_dir;
  return "/";
}

std::string WithoutTrailingSlash(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

// An XDG base folder: the variable when it holds an absolute path (relative
// ones are invalid and ignored), else the default under the home folder.
std::string XdgBase(const char* variable, const char* homeRelative) {
  const std::string v = EnvValue(variable);
  if (!v.empty() && v[0] == '/') return WithoutTrailingSlash(v);
  return WithoutTrailingSlash(HomeFolder()) + "/" + homeRelative;
}

// mkdir -p; folders we create for the user's own data are private.
void MakeFolders(const std::string& path) {
  std::string partial;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (!partial.empty()) mkdir(partial.c_str(), 0700);
  }
}

std::string OwnFolder(const char* xdgVariable, const char* homeRelative) {
  std::string folder = WithoutTrailingSlash(EnvValue("LUMIVEX_HOME"));
  if (folder.empty()) folder = XdgBase(xdgVariable, homeRelative) + "/lumivex";
  MakeFolders(folder);
  return folder;
}

bool IsDirectory(const std::string& p) {
  struct stat st {};
  return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// XDG_DESKTOP_DIR from user-dirs.dirs: a double-quoted "$HOME/..." or
// absolute path. "" when absent or malformed.
std::string DesktopFromUserDirs() {
  std::ifstream in(XdgBase("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DESKTOP_DIR=";
  std::string result;
  while (std::getline(in, line)) {
    std::size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line[b] == '#') continue;
    if (line.compare(b, key.size(), key) != 0) continue;
    std::string value = line.substr(b + key.size());
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t'))
      value.pop_back();
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') continue;
    value = value.substr(1, value.size() - 2);
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '\\' && i + 1 < value.size()) ++i;
      unescaped += value[i];
    }
    if (unescaped.rfind("$HOME", 0) == 0 && (unescaped.size() == 5 || unescaped[5] == '/')) {
      unescaped = WithoutTrailingSlash(HomeFolder()) + unescaped.substr(5);
    } else if (unescaped.empty() || unescaped[0] != '/') {
      continue;
    }
    result = WithoutTrailingSlash(unescaped);  // the last assignment wins, as in a shell
  }
  // A desktop folder equal to the home folder means "no desktop".
  if (result == WithoutTrailingSlash(HomeFolder())) return "";
  return result;
}

}  // namespace

namespace lvx {

std::string ConfigFolder() { return OwnFolder("XDG_CONFIG_HOME", ".config"); }

std::string LogFolder() { return OwnFolder("XDG_STATE_HOME", ".local/state"); }

std::string DesktopFolder() {
  const std::string configured = DesktopFromUserDirs();
  if (IsDirectory(configured)) return configured;
  const std::string fallback = WithoutTrailingSlash(HomeFolder()) + "/Desktop";
  if (IsDirectory(fallback)) return fallback;
  return "";
}

// The installed data sits beside the program: <prefix>/bin/lumivex reads
// <prefix>/share/lumivex, so /usr, /usr/local and staged installs all work.
std::string SystemFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    std::filesystem::path data = exe.parent_path().parent_path() / "share" / "lumivex";
    if (std::filesystem::is_directory(data, ec)) return data.string();
  }
  return "/usr/share/lumivex";
}

}  // namespace lvx
