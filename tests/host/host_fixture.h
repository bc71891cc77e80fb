// A fresh saver process state on the headless display: settings, log, scene
// and shell as at program start, and helpers to drive the saver window.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/saver_host.h"
#include "host/saver_proc.h"
#include "host/timeout.h"
#include "messages/quill.h"
#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "universe/universe.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/support/test_support.h"

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An existing log file makes the log write every entry from the start.
    lvx::test::WriteFile(lvx::LogFilePath(), "");
    ResetProcess();
  }
  void TearDown() override { CloseSaver(); }

  // Everything a new run of the program starts without.
  static void ResetProcess() {
    lvx::ResetLogForTests();
    lvx::ResetSettingsForTests();
    lvx::ResetSaverStateForTests();
    lvx::ResetSaverHostForTests();
    lvx::ResetTimeoutTrackerForTests();
    lvx::ResetUniverseForTests();
    lvx::ResetMessageBookForTests();
    lvx::SeedRandomForTests(11);
  }

  static std::string IniPath() { return lvx::ConfigFolder() + "/Lumivex.ini"; }
  static void SetIni(const char* section, const char* key, const char* value) {
    WritePrivateProfileStringA(section, key, value, IniPath().c_str());
  }
  static std::string GetIni(const char* section, const char* key) {
    char buffer[400] = "";
    GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer, IniPath().c_str());
    return buffer;
  }
  static std::string Log() { return lvx::test::ReadFile(lvx::LogFilePath()); }

  // Opens the saver window as RunSaverWindow does, without its loop.
  HWND OpenSaver(HWND parent = nullptr) {
    bool forward = false;
    window_ = CreateSaverWindow(parent, &forward);
    return window_;
  }
  // Ends the run (if the window still exists) and forgets the class, so the
  // next OpenSaver of the test starts like a new process.
  void CloseSaver() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    UnregisterClassA(SaverClassName, nullptr);
  }
  // Removes a pending close request; true when there was one.
  bool TakeClose() {
    MSG m;
    return PeekMessageA(&m, window_, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
  }
  LRESULT Frame() { return SendMessageA(window_, WM_TIMER, FrameTimerId, 0); }
  // Points the virtual pointer and tells the window it moved.
  void MoveTo(int x, int y) {
    SetCursorPos(x, y);
    SendMessageA(window_, WM_MOUSEMOVE, 0, 0);
  }

  HWND window_ = nullptr;
};
