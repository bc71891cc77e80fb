// A saver-like window on the headless display whose own DC stands in for
// SaverDC on a 1024 x 768 drawing area, with an active log, fresh settings
// and the test font as the user's font. Shared by the text and time-event tests.
#pragma once

#include <gtest/gtest.h>

#include "messages/text_pixels.h"
#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"

namespace lvx::test {

class SaverWindow {
 public:
  void Open() {
    if (LogFile.State() == -1) LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    MainSettings.UserWriteString("Font", "Font", "Liberation Sans");
    WNDCLASSA wc{CS_OWNDC, DefWindowProcA, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "T"};
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, "T", "", WS_POPUP, 0, 0, 1024, 768, nullptr, nullptr, nullptr,
                              nullptr);
    ASSERT_NE(window_, nullptr);
    SaverDC = GetDC(window_);
    ScreenRect = RECT{0, 0, 1024, 768};
  }
  void Close() {
    lvx::ResetTextPixelsForTests();
    ReleaseDC(window_, SaverDC);
    DestroyWindow(window_);
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace lvx::test
