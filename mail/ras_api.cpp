#include "mail/ras_api.h"

#include <dirent.h>
#include <net/if.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/log_file.h"
#include "settings/utilities.h"

RasApiDLLClass RasApiDLL;

namespace {

constexpr int kInfo = 3;
constexpr const char* kSystemNetFolder = "/sys/class/net";

std::string netFolderForTests;

std::string NetFolder() { return netFolderForTests.empty() ? kSystemNetFolder : netFolderForTests; }

// The first line of a small attribute file, without its line end; false
// when the file cannot be read.
bool ReadAttribute(const std::string& path, std::string* value) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return false;
  char line[64] = {};
  const bool read = std::fgets(line, sizeof line, f) != nullptr;
  std::fclose(f);
  if (!read) return false;
  line[std::strcspn(line, "\r\n")] = '\0';
  *value = line;
  return true;
}

int EnumConnections(const std::string& folder, std::vector<std::string>* names) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 1;
  names->clear();
  while (const dirent* entry = readdir(dir)) {
    if (std::strncmp(entry->d_name, "ppp", 3) == 0) names->emplace_back(entry->d_name);
  }
  closedir(dir);
  return 0;
}

int GetConnectStatus(const std::string& folder, const std::string& name, bool* connected) {
  *connected = false;
  const std::string base = folder + "/" + name + "/";
  std::string state;
  const bool haveState = ReadAttribute(base + "operstate", &state);
  if (haveState && state == "up") {
    *connected = true;
    return 0;
  }
  if (haveState && state != "unknown") return 0;
  // Point-to-point links often leave their operstate undetermined.
  std::string flagsText;
  if (!ReadAttribute(base + "flags", &flagsText)) return haveState ? 0 : 1;
  const unsigned long flags = std::strtoul(flagsText.c_str(), nullptr, 16);
  *connected = (flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0;
  return 0;
}

}  // namespace

RasApiDLLClass::RasApiDLLClass() : enumConnections_(nullptr), getConnectStatus_(nullptr) {}

int RasApiDLLClass::LoadDLL() {
  LogFile.Log(kInfo, "RasApiDLLClass", "LoadDLL");
  if (Loaded()) {
    Trace("StartDLL-Already loaded ");
    TraceFlush();
    return 1;
  }
  const std::string folder = NetFolder();
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    Trace("StartDLL-fail1 ");
    TraceFlush();
    return 2;
  }
  closedir(dir);
  folder_ = folder;
  enumConnections_ = EnumConnections;
  getConnectStatus_ = GetConnectStatus;
  LogFile.Log(kInfo, "RasApiDLLClass", "LoadDLL-point1");
  LogFile.Log(kInfo, "RasApiDLLClass", "LoadDLL-exit-normal");
  return 0;
}

void RasApiDLLClass::UnloadDLL() {
  if (!Loaded()) {
    Trace("UnloadDLL-Nothing to unload ");
    TraceFlush();
    return;
  }
  folder_.clear();
  enumConnections_ = nullptr;
  getConnectStatus_ = nullptr;
}

bool RasApiDLLClass::Connected() const {
  if (enumConnections_ == nullptr || getConnectStatus_ == nullptr) return false;
  std::vector<std::string> names;
  if (enumConnections_(folder_, &names) != 0 || names.size() != 1) return false;
  bool connected = false;
  return getConnectStatus_(folder_, names.front(), &connected) == 0 && connected;
}

namespace lvx {
void SetNetFolderForTests(const char* folder) {
  netFolderForTests = folder != nullptr ? folder : "";
}
}  // namespace lvx
