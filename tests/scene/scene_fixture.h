// A real saver-like window on the headless display, its DC as SaverDC, fresh
// settings and an active log, for the scene's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/winapi.h"
#include "scene/bitmap.h"
#include "scene/saver_state.h"
#include "scene/stars.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/support/test_support.h"

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(1024, 768); }

  void Open(int width, int height) {
    // An existing log file makes the log write every entry from the start.
    lvx::test::WriteFile(lvx::LogFilePath(), "");
    lvx::ResetLogForTests();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    // Opened twice: a later start, not the first run with its sample messages.
    for (int i = 0; i < 2; ++i) {
      lvx::ResetSettingsForTests();
      ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    }
    lvx::ResetSaverStateForTests();
    lvx::ResetStarsForTests();
    lvx::SeedRandomForTests(7);

    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SceneTestWindow";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, "SceneTestWindow", "Screen Saver", WS_POPUP, 0, 0, width, height,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    MainWindow = window_;
    SaverDC = GetDC(window_);
    ASSERT_NE(SaverDC, nullptr);
    GetClientRect(window_, &ScreenRect);
    RealTickTime = 50;
  }

  // Everything written to the log so far.
  static std::string Log() { return lvx::test::ReadFile(lvx::LogFilePath()); }
  static bool Logged(const std::string& text) { return Log().find(text) != std::string::npos; }

  static COLORREF Pixel(int x, int y) { return GetPixel(SaverDC, x, y); }
  static void Blacken() {
    FillRect(SaverDC, &ScreenRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  // Number of pixels of the rectangle that are not black.
  static int LitIn(int left, int top, int right, int bottom) {
    int lit = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        if (Pixel(x, y) != 0) ++lit;
    return lit;
  }

  HWND window_ = nullptr;
};
