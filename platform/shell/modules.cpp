// LoadLibraryA, GetProcAddress and FreeLibrary over the dynamic linker.
//
// What the program needs only now and then lives in modules of its own
// beside it: GTK for dialogs and message boxes, SDL2_mixer for sounds,
// OpenSSL for the mail check, GIO for the desktop's wallpaper settings. Each is
// loaded the first time it is needed, so a running sky maps none of those
// libraries. The modules call back into the program, which exports its
// functions for them (ENABLE_EXPORTS); they link none of its code themselves,
// so every process-wide state stays one.
#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell/shell_internal.h"

#ifndef LUMIVEX_MODULE_DIR_FROM_BIN
#define LUMIVEX_MODULE_DIR_FROM_BIN "../lib/lumivex"
#endif
#ifndef LUMIVEX_BUILD_DIR
#define LUMIVEX_BUILD_DIR ""
#endif
#ifndef LUMIVEX_MODULE_BUILD_DIR
#define LUMIVEX_MODULE_BUILD_DIR ""
#endif

namespace {

namespace fs = std::filesystem;

struct Module {
  void* dl = nullptr;
  int refs = 0;
  std::string path;  // as it was loaded (a bare name when the system found it)
};

struct Registry {
  std::mutex mu;
  std::map<HMODULE, Module> modules;
};

Registry& Modules() {
  static Registry r;
  return r;
}

thread_local std::string t_libraryError;

// Tests: the folders that stand in for the program's own (see ModuleFolders).
std::mutex g_testFoldersMu;
std::optional<std::vector<std::string>> g_testFolders;

std::vector<std::string> SearchFolders() {
  {
    std::lock_guard<std::mutex> lock(g_testFoldersMu);
    if (g_testFolders) return *g_testFolders;
  }
  return lvx::shell::ModuleFolders(lvx::shell::ExecutablePath());
}

void Fail(DWORD code, std::string why) {
  t_libraryError = std::move(why);
  SetLastError(code);
}

// The dynamic linker's reason, as the Win32 code that says the same: a
// missing function of the program (or of a library) is 127, a missing
// library 126, anything else a file that is no module of ours.
DWORD CodeOf(const std::string& why) {
  if (why.find("undefined symbol") != std::string::npos) return ERROR_PROC_NOT_FOUND;
  if (why.find("cannot open shared object file") != std::string::npos) return ERROR_MOD_NOT_FOUND;
  return ERROR_BAD_EXE_FORMAT;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "liblumivex_gtk" means "liblumivex_gtk.so"; "name." is a name without one.
std::string WithExtension(std::string name) {
  const std::string base = BaseName(name);
  if (!base.empty() && base.back() == '.') {
    name.pop_back();
  } else if (base.find('.') == std::string::npos) {
    name += ".so";
  }
  return name;
}

// Loads `path` (a path, or a bare name for the system's search) with every
// reference resolved now; the registry counts it.
HMODULE Open(const std::string& path) {
  void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (dl == nullptr) {
    const char* why = dlerror();
    const std::string text = why != nullptr ? why : path + ": cannot be loaded";
    Fail(CodeOf(text), text);
    return nullptr;
  }
  auto* module = static_cast<HMODULE>(dl);
  Registry& r = Modules();
  std::lock_guard<std::mutex> lock(r.mu);
  Module& m = r.modules[module];
  if (m.refs == 0) {
    m.dl = dl;
    m.path = path;
  }
  ++m.refs;
  SetLastError(ERROR_SUCCESS);
  return module;
}

}  // namespace

namespace lvx::shell {

std::vector<std::string> ModuleFolders(const std::string& executable) {
  std::vector<std::string> folders;
  const auto add = [&](const fs::path& folder) {
    const std::string text = folder.lexically_normal().string();
    if (text.empty() || std::find(folders.begin(), folders.end(), text) != folders.end()) return;
    folders.push_back(text);
  };
  const std::size_t slash = executable.rfind('/');
  if (slash != std::string::npos) {
    const fs::path own = executable.substr(0, slash == 0 ? 1 : slash);
    add(own);
    add(own / LUMIVEX_MODULE_DIR_FROM_BIN);
  }
  // Tests, tools and the program in the build tree find the modules the same
  // build made; an installed program never loads code from a build folder.
  const std::string build = LUMIVEX_BUILD_DIR;
  if (!build.empty() && executable.compare(0, build.size() + 1, build + "/") == 0)
    add(fs::path(LUMIVEX_MODULE_BUILD_DIR));
  return folders;
}

HMODULE LoadedModule(const std::string& name) {
  const std::string wanted = BaseName(WithExtension(NativePath(name.c_str())));
  Registry& r = Modules();
  std::lock_guard<std::mutex> lock(r.mu);
  for (const auto& [handle, m] : r.modules)
    if (BaseName(m.path) == wanted) return handle;
  return nullptr;
}

bool LoadedModulePath(HMODULE module, std::string* path) {
  Registry& r = Modules();
  std::lock_guard<std::mutex> lock(r.mu);
  const auto it = r.modules.find(module);
  if (it == r.modules.end()) return false;
  *path = it->second.path;
  return true;
}

}  // namespace lvx::shell

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    Fail(ERROR_INVALID_PARAMETER, "no module name");
    return nullptr;
  }
  const std::string name = WithExtension(lvx::shell::NativePath(fileName));
  if (name.find('/') != std::string::npos) {
    if (!IsRegularFile(name)) {
      Fail(ERROR_MOD_NOT_FOUND, name + ": no such module");
      return nullptr;
    }
    return Open(name);
  }
  // The first file of that name is the one: a broken copy beside the program
  // is reported, not passed over for another.
  const std::vector<std::string> folders = SearchFolders();
  for (const std::string& folder : folders) {
    const std::string path = folder + "/" + name;
    if (IsRegularFile(path)) return Open(path);
  }
  if (HMODULE system = Open(name)) return system;
  if (GetLastError() == ERROR_MOD_NOT_FOUND) {
    std::string places;
    for (const std::string& folder : folders) places += folder + ", ";
    Fail(ERROR_MOD_NOT_FOUND, name + ": not in " + places + "nor among the system's libraries");
  }
  return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  // Functions are found by name only: Linux modules have no ordinals.
  if (procName == nullptr || IS_INTRESOURCE(procName)) {
    Fail(ERROR_PROC_NOT_FOUND, "functions are found by name only");
    return nullptr;
  }
  void* dl = nullptr;
  if (module == GetModuleHandleA(nullptr)) {
    dl = RTLD_DEFAULT;  // the program and the libraries it was linked with
  } else {
    Registry& r = Modules();
    std::lock_guard<std::mutex> lock(r.mu);
    const auto it = r.modules.find(module);
    if (it != r.modules.end()) dl = it->second.dl;
  }
  if (dl == nullptr) {
    Fail(ERROR_INVALID_HANDLE, "not a loaded module");
    return nullptr;
  }
  dlerror();
  void* address = dlsym(dl, procName);
  if (address == nullptr) {
    Fail(ERROR_PROC_NOT_FOUND, std::string(procName) + ": no such function in the module");
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<FARPROC>(address);
}

BOOL FreeLibrary(HMODULE module) {
  void* dl = nullptr;
  {
    Registry& r = Modules();
    std::lock_guard<std::mutex> lock(r.mu);
    const auto it = r.modules.find(module);
    if (it == r.modules.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    dl = it->second.dl;
    if (--it->second.refs == 0) r.modules.erase(it);
  }
  // Each LoadLibraryA was one dlopen; the linker counts the same way.
  dlclose(dl);
  return TRUE;
}

namespace lvx {

std::string LastLibraryError() { return t_libraryError; }

void SetModuleFoldersForTests(std::vector<std::string> folders) {
  std::lock_guard<std::mutex> lock(g_testFoldersMu);
  g_testFolders = std::move(folders);
}

FARPROC LoadModuleEntry(const char* file, const char* entry, std::string* why) {
  HMODULE module = LoadLibraryA(file);
  if (module == nullptr) {
    if (why != nullptr) *why = LastLibraryError();
    return nullptr;
  }
  FARPROC address = GetProcAddress(module, entry);
  if (address == nullptr) {
    if (why != nullptr) *why = std::string(file) + ": " + LastLibraryError();
    FreeLibrary(module);
  }
  return address;
}

}  // namespace lvx
