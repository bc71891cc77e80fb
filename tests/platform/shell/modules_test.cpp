// LoadLibraryA, GetProcAddress and FreeLibrary: where modules are looked for,
// how a module that cannot be loaded fails, that a loaded module shares the
// program's state, and that the program's own modules are found and answer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mail/tls_library.h"
#include "platform/dialog/gtk_ui.h"
#include "platform/shell/desktop_background.h"
#include "platform/shell/shell_internal.h"
#include "platform/sound/mixer.h"
#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string BuildDir() {
  const char* dir = std::getenv("LUMIVEX_BINARY_DIR");
  return dir != nullptr ? fs::canonical(dir).string() : "";
}

std::string ErrorText(DWORD code) {
  char text[256] = {};
  return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, sizeof text, nullptr)
             ? text
             : "";
}

// Whether an interface entry hands out its interface for a revision.
template <class Entry>
bool Answers(FARPROC entry, int revision) {
  return lvx::ProcAs<Entry>(entry)(revision) != nullptr;
}

TEST(ModuleFolders, FollowWhereTheProgramLies) {
  const std::string build = BuildDir();
  ASSERT_FALSE(build.empty());
  const std::string modules = build + "/host";
  struct Case {
    const char* what;
    std::string executable;
    std::vector<std::string> expected;  // "*" stands for <libdir>/lumivex, checked apart
  };
  const Case cases[] = {
      {"the program in the build tree", build + "/host/lumivex", {modules, "*"}},
      {"a test of the build tree", build + "/tests/test_x", {build + "/tests", "*", modules}},
      {"an installed program", "/usr/bin/lumivex", {"/usr/bin", "*"}},
      {"a folder named like the build, but beside it",
       build + "-old/host/lumivex",
       {build + "-old/host", "*"}},
      {"a program at the root", "/lumivex", {"/", "*"}},
      {"no path at all", "lumivex", {}},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> got = lvx::shell::ModuleFolders(c.executable);
    ASSERT_EQ(got.size(), c.expected.size()) << c.what;
    for (std::size_t i = 0; i < got.size(); ++i) {
      if (c.expected[i] != "*") {
        EXPECT_EQ(got[i], c.expected[i]) << c.what;
        continue;
      }
      // The installed modules' folder lies beside the program's bin folder.
      const fs::path own = fs::path(c.executable).parent_path();
      EXPECT_EQ(got[i].rfind(own.parent_path().string(), 0), 0u) << c.what << ": " << got[i];
      EXPECT_EQ(fs::path(got[i]).filename(), "lumivex") << c.what << ": " << got[i];
    }
  }
}

TEST(LoadLibrary, WhatCannotBeFoundOrLoadedFailsWithItsWin32Error) {
  const std::string folder = lvx::test::MakeTempDir("modules");
  lvx::test::WriteFile(folder + "/not_a_module.so", "This is text, not a shared object.\n");
  fs::create_directory(folder + "/a_folder.so");
  struct Case {
    const char* what;
    const char* name;  // nullptr: the null pointer itself
    std::string path;  // when not empty, used instead of name
    DWORD error;
    const char* because;  // a part of LastLibraryError
  };
  const Case cases[] = {
      {"no name", nullptr, "", ERROR_INVALID_PARAMETER, "no module name"},
      {"an empty name", "", "", ERROR_INVALID_PARAMETER, "no module name"},
      {"a module nobody built", "liblumivex_nowhere.so", "", ERROR_MOD_NOT_FOUND,
       "liblumivex_nowhere.so: not in "},
      {"the same without extension", "liblumivex_nowhere", "", ERROR_MOD_NOT_FOUND,
       "liblumivex_nowhere.so: not in "},
      {"a path to nothing", nullptr, folder + "/missing.so", ERROR_MOD_NOT_FOUND, "no such module"},
      {"a folder", nullptr, folder + "/a_folder.so", ERROR_MOD_NOT_FOUND, "no such module"},
      {"a file that is no module", nullptr, folder + "/not_a_module.so", ERROR_BAD_EXE_FORMAT,
       "not_a_module.so"},
  };
  for (const Case& c : cases) {
    SetLastError(ERROR_SUCCESS);
    const char* name = c.path.empty() ? c.name : c.path.c_str();
    EXPECT_EQ(LoadLibraryA(name), nullptr) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
    EXPECT_NE(lvx::LastLibraryError().find(c.because), std::string::npos)
        << c.what << ": " << lvx::LastLibraryError();
  }
  EXPECT_EQ(ErrorText(ERROR_MOD_NOT_FOUND), "The module was not found");
  EXPECT_EQ(ErrorText(ERROR_PROC_NOT_FOUND), "The procedure was not found");
  EXPECT_EQ(ErrorText(ERROR_BAD_EXE_FORMAT), "Not a loadable module");
}

TEST(LoadLibrary, AModuleNeedingWhatTheProgramLacksIsRefusedWhenLoaded) {
  // Resolved at load time: it can never be called into a missing function.
  EXPECT_EQ(LoadLibraryA(LUMIVEX_PROBE_UNRESOLVED_MODULE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_NE(lvx::LastLibraryError().find("undefined symbol"), std::string::npos)
      << lvx::LastLibraryError();
  EXPECT_EQ(GetModuleHandleA("liblumivex_probe_unresolved.so"), nullptr);
}

TEST(LoadLibrary, ALoadedModuleSharesTheProgramsStateAndIsCounted) {
  const std::string path = LUMIVEX_PROBE_MODULE;
  HMODULE module = LoadLibraryA(path.c_str());
  ASSERT_NE(module, nullptr) << lvx::LastLibraryError();
  EXPECT_EQ(LoadLibraryA(path.c_str()), module) << "loaded again: the same module, counted";
  EXPECT_EQ(GetModuleHandleA("liblumivex_probe.so"), module);
  EXPECT_EQ(GetModuleHandleA("liblumivex_probe"), module);
  char file[MAX_PATH] = {};
  EXPECT_EQ(GetModuleFileNameA(module, file, sizeof file), path.size());
  EXPECT_EQ(std::string(file), path);

  auto setLastError = lvx::ProcAs<void (*)(DWORD)>(GetProcAddress(module, "ProbeSetLastError"));
  ASSERT_NE(setLastError, nullptr) << lvx::LastLibraryError();
  setLastError(4711);
  EXPECT_EQ(GetLastError(), 4711u) << "the module set the program's own last error";

  struct Missing {
    const char* what;
    HMODULE module;
    LPCSTR name;
    DWORD error;
  };
  const Missing missing[] = {
      {"a function it lacks", module, "ProbeNothing", ERROR_PROC_NOT_FOUND},
      {"a function it does not export", module, "ProbeHidden", ERROR_PROC_NOT_FOUND},
      {"an ordinal", module, MAKEINTRESOURCEA(1), ERROR_PROC_NOT_FOUND},
      {"no name", module, nullptr, ERROR_PROC_NOT_FOUND},
      {"no module", nullptr, "ProbeSetLastError", ERROR_INVALID_HANDLE},
  };
  for (const Missing& m : missing) {
    EXPECT_EQ(GetProcAddress(m.module, m.name), nullptr) << m.what;
    EXPECT_EQ(GetLastError(), m.error) << m.what;
  }

  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleA("liblumivex_probe.so"), module) << "still loaded once";
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleA("liblumivex_probe.so"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_FALSE(FreeLibrary(module)) << "freed once too often";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetProcAddress(module, "ProbeSetLastError"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetModuleFileNameA(module, file, sizeof file), 0u);
}

TEST(LoadLibrary, TheProgramsModulesAreFoundByNameAndAnswerTheirRevisionOnly) {
  struct Module {
    const char* file;
    const char* entry;
    bool (*answers)(FARPROC entry, int revision);  // nullptr: a plain function
    int revision;
  };
  const Module modules[] = {
      {lvx::dialog::kGtkModule, lvx::dialog::kGtkEntry, Answers<lvx::dialog::GtkUiEntry>,
       lvx::dialog::kGtkUiRevision},
      {lvx::sound::kSoundModule, lvx::sound::kSoundEntry, Answers<lvx::sound::MixerEntry>,
       lvx::sound::kMixerRevision},
      {kTlsModule, kTlsEntry, Answers<TlsEntry>, kTlsRevision},
      {lvx::shell::kGioModule, lvx::shell::kGioEntry, nullptr, 0},
  };
  const std::string folder = BuildDir() + "/host/";
  for (const Module& m : modules) {
    HMODULE module = LoadLibraryA(m.file);
    ASSERT_NE(module, nullptr) << m.file << ": " << lvx::LastLibraryError();
    char file[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(module, file, sizeof file), 0u);
    EXPECT_EQ(std::string(file), folder + m.file) << "the build's own module";
    FARPROC entry = GetProcAddress(module, m.entry);
    ASSERT_NE(entry, nullptr) << m.file << ": " << lvx::LastLibraryError();
    if (m.answers != nullptr) {
      // Calling the entry only hands out its interface; nothing starts yet.
      EXPECT_TRUE(m.answers(entry, m.revision)) << m.file;
      EXPECT_FALSE(m.answers(entry, m.revision + 1))
          << m.file << " must refuse a program of another revision";
    }
    EXPECT_EQ(lvx::LoadModuleEntry(m.file, m.entry, nullptr), entry);
    std::string why;
    EXPECT_EQ(lvx::LoadModuleEntry(m.file, "NoSuchEntry", &why), nullptr);
    EXPECT_NE(why.find(m.file), std::string::npos) << why;
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST(LoadLibrary, AProgramWithoutItsModulesIsToldWhereTheyWereLookedFor) {
  const std::string empty = lvx::test::MakeTempDir("no-modules");
  lvx::SetModuleFoldersForTests({empty});
  EXPECT_EQ(LoadLibraryA(kTlsModule), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_NE(lvx::LastLibraryError().find(empty), std::string::npos) << lvx::LastLibraryError();
  std::string why;
  EXPECT_EQ(lvx::LoadModuleEntry(kTlsModule, kTlsEntry, &why), nullptr);
  EXPECT_NE(why.find(kTlsModule), std::string::npos) << why;
  // A path is taken as it stands, whatever the search folders.
  EXPECT_NE(LoadLibraryA((BuildDir() + "/host/" + kTlsModule).c_str()), nullptr);
}

}  // namespace
