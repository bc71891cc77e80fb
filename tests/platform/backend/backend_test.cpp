// The headless display, the choice of display, and PNG snapshots.
#include <gtest/gtest.h>
#include <png.h>
#include <poll.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "platform/backend/headless/headless.h"
#include "tests/support/test_support.h"

using lvx::HeadlessBackend;
using lvx::NativeEvent;

TEST(HeadlessDisplay, ScreenSizeFromEnvironment) {
  setenv("LUMIVEX_SCREEN", "800x600", 1);
  EXPECT_EQ(HeadlessBackend().ScreenSize().cx, 800);
  setenv("LUMIVEX_SCREEN", "1920X1080", 1);
  EXPECT_EQ(HeadlessBackend().ScreenSize().cy, 1080);
  for (const char* bad : {"", "800", "0x600", "800x0", "99999x10", "800x600x", "-5x5", "x", "12x 4",
                          "18446744073709551617x10"}) {
    setenv("LUMIVEX_SCREEN", bad, 1);
    testing::internal::CaptureStderr();
    SIZE s = HeadlessBackend().ScreenSize();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.cx, 1024) << bad;
    EXPECT_EQ(s.cy, 768) << bad;
    EXPECT_NE(err.find("LUMIVEX_SCREEN"), std::string::npos) << bad;
  }
}

TEST(HeadlessDisplay, InjectedEventsWakeThePollAndKeepOrder) {
  HeadlessBackend hb;
  lvx::NativeWindowDesc desc;
  desc.width = 100;
  desc.height = 80;
  desc.x = 20;
  desc.y = 30;
  lvx::NativeId id = hb.CreateWindow(desc);
  ASSERT_NE(id, 0u);
  pollfd pfd{hb.EventFd(), POLLIN, 0};
  EXPECT_EQ(poll(&pfd, 1, 0), 0);
  std::thread t([&] {
    for (int i = 0; i < 100; ++i) {
      NativeEvent ev;
      ev.window = id;
      ev.message = WM_MOUSEMOVE;
      ev.lParam = MAKELPARAM(static_cast<WORD>(i % 50), 7);
      hb.Inject(ev);
    }
  });
  t.join();
  EXPECT_EQ(poll(&pfd, 1, 1000), 1);
  std::vector<NativeEvent> out;
  hb.PollEvents(out);
  ASSERT_EQ(out.size(), 100u);
  EXPECT_EQ(GET_X_LPARAM(out[99].lParam), 49);
  EXPECT_EQ(hb.CursorPos().x, 20 + 49) << "the pointer follows injected mouse input";
  EXPECT_EQ(hb.CursorPos().y, 30 + 7);
  EXPECT_EQ(poll(&pfd, 1, 0), 0) << "drained";
  hb.MovePointer(-50, 99999);
  EXPECT_EQ(hb.CursorPos().x, 0);
  EXPECT_EQ(hb.CursorPos().y, 767);
  out.clear();
  hb.PollEvents(out);
  EXPECT_TRUE(out.empty()) << "the window is not shown, so nothing is under the pointer";
}

// Headless runs only when asked for or without a display; a display that
// was meant but cannot be opened ends the program with one line.
TEST(DisplayChoice, HeadlessWithoutDisplayAndNoFallbackFromBrokenX) {
  unsetenv("LUMIVEX_DISPLAY");
  unsetenv("DISPLAY");
  lvx::ResetBackendForTests();
  EXPECT_STREQ(lvx::CurrentBackend().Name(), "headless");

  setenv("DISPLAY", ":987", 1);  // nothing listens there
  setenv("LUMIVEX_DISPLAY", "headless", 1);
  lvx::ResetBackendForTests();
  EXPECT_STREQ(lvx::CurrentBackend().Name(), "headless");

  for (const char* want : {"", "x11"}) {
    setenv("LUMIVEX_DISPLAY", want, 1);
    lvx::ResetBackendForTests();
    EXPECT_EXIT(lvx::CurrentBackend(), ::testing::ExitedWithCode(1),
                "^lumivex: cannot open the X display \":987\"\n$")
        << want;
  }
  unsetenv("DISPLAY");
  setenv("LUMIVEX_DISPLAY", "x11", 1);
  lvx::ResetBackendForTests();
  EXPECT_EXIT(lvx::CurrentBackend(), ::testing::ExitedWithCode(1), "DISPLAY is not set");
  setenv("LUMIVEX_DISPLAY", "headless", 1);
  lvx::ResetBackendForTests();
}

TEST(SnapshotPng, RoundTripsPixelsAndRefusesBadInput) {
  lvx::Surface s;
  s.Resize(3, 2);
  s.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};
  std::string path = lvx::test::Home() + "/shot.png";
  ASSERT_TRUE(lvx::WriteSurfacePng(s, path));
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&img, path.c_str()));
  img.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(img));
  ASSERT_TRUE(png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr));
  ASSERT_EQ(img.width, 3u);
  ASSERT_EQ(img.height, 2u);
  for (size_t i = 0; i < s.pixels.size(); ++i) {
    std::uint32_t got = (rgb[3 * i] << 16) | (rgb[3 * i + 1] << 8) | rgb[3 * i + 2];
    EXPECT_EQ(got, s.pixels[i]) << i;
  }
  EXPECT_FALSE(lvx::test::FileExists(path + ".part"));

  lvx::Surface empty;
  EXPECT_FALSE(lvx::WriteSurfacePng(empty, lvx::test::Home() + "/empty.png"));
  lvx::Surface lying = s;
  lying.height = 5000;  // the size no longer matches the pixels
  EXPECT_FALSE(lvx::WriteSurfacePng(lying, lvx::test::Home() + "/lying.png"));
  EXPECT_FALSE(lvx::WriteSurfacePng(s, lvx::test::Home() + "/no/such/folder/x.png"));
}
