// A fresh configuration run on the headless display: settings, log, message
// book, jokes and dialogs as at program start, the dialogs driven through the
// dialog test API, and links the program opens caught by a stand-in xdg-open.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "config/config_dialog.h"
#include "config/help.h"
#include "events/dialog_jokes.h"
#include "messages/quill.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/winapi.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/support/test_support.h"

namespace dlg = lvx::dlgtest;

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An existing log file makes the log write every entry from the start.
    lvx::test::WriteFile(lvx::LogFilePath(), "");
    lvx::ResetLogForTests();
    lvx::ResetSettingsForTests();
    lvx::ResetMessageBookForTests();
    lvx::ResetUtilitiesForTests();
    lvx::ResetConfigDialogForTests();
    lvx::ResetDialogJokesForTests();
    lvx::SetHelpPageForTests("");
    // Sounds are played (and can be measured) without a sound card.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    lvx::SeedRandomForTests(SeedForJoke(false));
    dlg::Reset();

    bin_ = lvx::test::MakeTempDir("bin");
    opened_ = lvx::test::Home() + "/opened.txt";
    lvx::test::WriteFile(bin_ + "/xdg-open",
                         "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened_ + "'\n");
    chmod((bin_ + "/xdg-open").c_str(), 0755);
    setenv("PATH", (bin_ + ":/usr/bin:/bin").c_str(), 1);
  }

  void TearDown() override { lvx::ResetDialogsForTests(); }

  // A random seed with which the opening of the main page does (or does not)
  // start the running button: its draws are the picture pair, then 1 in 7.
  static unsigned SeedForJoke(bool starts) {
    for (unsigned seed = 1;; ++seed) {
      lvx::SeedRandomForTests(seed);
      RandomBelow(9);
      if ((RandomBelow(7) == 1) == starts) return seed;
    }
  }

  // Settings written before the dialog opens, as a run before this one did
  // (so this is not the first run).
  static void Prepare(const std::function<void()>& fill = [] {}) {
    if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    lvx::ResetSettingsForTests();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    lvx::ResetSettingsForTests();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    fill();
    lvx::ResetSettingsForTests();
    lvx::ResetMessageBookForTests();
  }
  static void PutSlot(int slot, const char* message, const char* line, const char* pw = "") {
    Quill.Index = slot;
    std::snprintf(Quill.Message, sizeof Quill.Message, "%s", message);
    std::snprintf(Quill.BottomLine, sizeof Quill.BottomLine, "%s", line);
    std::snprintf(Quill.Password, sizeof Quill.Password, "%s", pw);
    Quill.Write();
  }

  // Runs the main page with `script` acting as the user; the dialog's result.
  static INT_PTR RunMainPage(const dlg::Script& script) {
    dlg::OnDialog(IDD_MAIN, script);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                           ScreenSaverConfigureDialog, 0);
  }

  static std::string IniPath() { return lvx::ConfigFolder() + "/Lumivex.ini"; }
  // The value as the file holds it; "<none>" when the key is absent.
  static std::string Ini(const char* section, const char* key) {
    char buffer[2100] = "";
    GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer, IniPath().c_str());
    return buffer;
  }
  static void SetIni(const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, IniPath().c_str());
  }
  static std::string Log() { return lvx::test::ReadFile(lvx::LogFilePath()); }

  // Links handed to xdg-open, one a line, waiting up to 5 s for `count`.
  std::vector<std::string> Opened(std::size_t count) const {
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      lines.clear();
      const std::string text = lvx::test::ReadFile(opened_);
      std::size_t start = 0;
      while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
      }
      if (lines.size() >= count || std::chrono::steady_clock::now() > deadline) return lines;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // The help as it stands in the tree, at the place the program looks.
  static void UseTreeHelp() {
    lvx::SetHelpPageForTests(lvx::test::SourceDir() + "/docs/help/index.html");
  }

  static int BoxesCaptioned(const std::string& caption) {
    int n = 0;
    for (const dlg::MessageBoxRecord& box : dlg::MessageBoxes()) n += box.caption == caption;
    return n;
  }

  std::string bin_;
  std::string opened_;
};

// Percent escapes of a link undone, to compare what a mail program will show.
inline std::string Unescaped(const std::string& link) {
  std::string out;
  for (std::size_t i = 0; i < link.size(); ++i) {
    if (link[i] == '%' && i + 2 < link.size() &&
        std::isxdigit(static_cast<unsigned char>(link[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(link[i + 2]))) {
      out += static_cast<char>(std::stoi(link.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += link[i];
    }
  }
  return out;
}
