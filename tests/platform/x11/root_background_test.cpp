// SPI_SETDESKWALLPAPER on a plain X session (the test script's Xvfb): the
// picture on the root window, published for pseudo-transparent programs, and
// the earlier pixmap freed without harming other programs.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winapi.h"
#include "tests/platform/resources/bmp_builder.h"
#include "tests/support/test_support.h"

// After the test framework: Xlib's macros (None) clash with its names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

int g_errors = 0;
int CountErrors(Display*, XErrorEvent*) {
  ++g_errors;
  return 0;
}

// The test's own connection, as another program on the display.
class RootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!lvx::test::UseTestXDisplay()) GTEST_SKIP() << "no test X server";
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("DESKTOP_SESSION");
    dpy_ = XOpenDisplay(lvx::test::TestXDisplay().c_str());
    ASSERT_NE(dpy_, nullptr);
    root_ = DefaultRootWindow(dpy_);
    width_ = DisplayWidth(dpy_, DefaultScreen(dpy_));
    height_ = DisplayHeight(dpy_, DefaultScreen(dpy_));
    rootId_ = XInternAtom(dpy_, "_XROOTPMAP_ID", False);
    setRootId_ = XInternAtom(dpy_, "ESETROOT_PMAP_ID", False);
    previousHandler_ = XSetErrorHandler(CountErrors);
  }
  void TearDown() override {
    if (dpy_ == nullptr) return;
    // Leave the server as we found it: no retained pixmap, no properties.
    const Pixmap left = Property(setRootId_);
    if (left != 0 && left == Property(rootId_)) XKillClient(dpy_, left);
    XDeleteProperty(dpy_, root_, rootId_);
    XDeleteProperty(dpy_, root_, setRootId_);
    XSetWindowBackgroundPixmap(dpy_, root_, None);
    XClearWindow(dpy_, root_);
    XSync(dpy_, False);
    XSetErrorHandler(previousHandler_);
    XCloseDisplay(dpy_);
  }

  Pixmap Property(Atom name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap id = 0;
    if (XGetWindowProperty(dpy_, root_, name, 0, 1, False, XA_PIXMAP, &type, &format, &count,
                           &after, &data) == Success &&
        type == XA_PIXMAP && count == 1)
      id = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
    if (data != nullptr) XFree(data);
    return id;
  }
  // Whether a pixmap still exists on the server, and its size.
  bool Alive(Pixmap pixmap, unsigned* w = nullptr, unsigned* h = nullptr) {
    XSync(dpy_, False);
    g_errors = 0;
    Window r;
    int x, y;
    unsigned pw = 0, ph = 0, border, depth;
    const Status ok = XGetGeometry(dpy_, pixmap, &r, &x, &y, &pw, &ph, &border, &depth);
    XSync(dpy_, False);
    if (w) *w = pw;
    if (h) *h = ph;
    return ok != 0 && g_errors == 0;
  }
  // Colour (0xRRGGBB) of a pixel of a drawable.
  std::uint32_t PixelOf(Drawable d, int x, int y) {
    XImage* image = XGetImage(dpy_, d, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0xFFFFFFFF;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<std::uint32_t>(p & 0xFFFFFF);
  }

  Display* dpy_ = nullptr;
  Window root_ = 0;
  int width_ = 0, height_ = 0;
  Atom rootId_ = None, setRootId_ = None;
  XErrorHandler previousHandler_ = nullptr;
};

// Four colours side by side over two rows.
const std::vector<std::vector<std::uint32_t>> kQuadrants = {
    {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00}, {0x00FFFF, 0xFF00FF, 0x808080, 0xFFFFFF}};

std::string WritePicture(const std::string& name,
                         const std::vector<std::vector<std::uint32_t>>& rows) {
  lvx::test::BmpSpec b;
  b.width = static_cast<std::int32_t>(rows[0].size());
  b.height = static_cast<std::int32_t>(rows.size());
  b.pixels = lvx::test::PackRows(rows, 24, false);
  const std::string path = lvx::test::Home() + "/" + name;
  lvx::test::WriteFile(path, lvx::test::MakeBmp(b));
  return path;
}

BOOL SetWallpaper(const std::string& path) {
  return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path.c_str()),
                               SPIF_UPDATEINIFILE);
}

}  // namespace

TEST_F(RootTest, PictureCoversTheRootWindowAndIsPublished) {
  ASSERT_TRUE(SetWallpaper(WritePicture("four.bmp", kQuadrants)));
  const Pixmap first = Property(rootId_);
  ASSERT_NE(first, 0u) << "_XROOTPMAP_ID names no pixmap";
  EXPECT_EQ(Property(setRootId_), first);
  unsigned w = 0, h = 0;
  ASSERT_TRUE(Alive(first, &w, &h)) << "the pixmap went with the connection that made it";
  EXPECT_EQ(static_cast<int>(w), width_);
  EXPECT_EQ(static_cast<int>(h), height_);

  // Stretched: each picture pixel covers a quarter of the width and half the
  // height, on the screen and in the published pixmap alike.
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 4; ++col) {
      const int x = width_ * (2 * col + 1) / 8, y = height_ * (2 * row + 1) / 4;
      SCOPED_TRACE(std::to_string(col) + "," + std::to_string(row));
      EXPECT_EQ(PixelOf(root_, x, y), kQuadrants[row][col]);
      EXPECT_EQ(PixelOf(first, x, y), kQuadrants[row][col]);
    }

  // The next picture replaces it and frees the old pixmap.
  ASSERT_TRUE(SetWallpaper(WritePicture("red.bmp", {{0xFF0000}})));
  const Pixmap second = Property(rootId_);
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, first);
  EXPECT_FALSE(Alive(first)) << "each start would leave a screen-sized pixmap behind";
  EXPECT_TRUE(Alive(second));
  EXPECT_EQ(PixelOf(root_, width_ - 1, height_ - 1), 0xFF0000u);

  // A file that cannot be decoded changes nothing.
  lvx::test::WriteFile(lvx::test::Home() + "/broken.bmp", "BM not really");
  EXPECT_FALSE(SetWallpaper(lvx::test::Home() + "/broken.bmp"));
  EXPECT_EQ(Property(rootId_), second);
  EXPECT_EQ(PixelOf(root_, 0, 0), 0xFF0000u);
}

TEST_F(RootTest, APixmapThatAnotherProgramStillOwnsIsLeftAlone) {
  // A running program that published its own background without marking it
  // as left behind (no ESETROOT_PMAP_ID): it must not be killed.
  Display* other = XOpenDisplay(lvx::test::TestXDisplay().c_str());
  ASSERT_NE(other, nullptr);
  const Pixmap owned = XCreatePixmap(other, DefaultRootWindow(other), 8, 8,
                                     static_cast<unsigned>(DefaultDepth(other, 0)));
  const unsigned long id = owned;
  XChangeProperty(other, DefaultRootWindow(other), XInternAtom(other, "_XROOTPMAP_ID", False),
                  XA_PIXMAP, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&id), 1);
  XSync(other, False);

  ASSERT_TRUE(SetWallpaper(WritePicture("four.bmp", kQuadrants)));
  EXPECT_NE(Property(rootId_), owned);
  EXPECT_TRUE(Alive(owned)) << "another program's pixmap was freed";
  XFreePixmap(other, owned);
  XCloseDisplay(other);
}
