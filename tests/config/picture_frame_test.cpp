// The main page's picture frame: the user's own picture shrunk to fit, the
// built-in picture at its own size, and its blinking eyes.
#include <cstdint>

#include "config_fixture.h"
#include "tests/platform/resources/bmp_builder.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A picture of one colour (0x00RRGGBB in the file, so RGB(r, g, b) on screen).
std::string SolidBmp(int width, int height, std::uint32_t rrggbb) {
  lvx::test::BmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bpp = 24;
  spec.pixels = lvx::test::PackRows(
      std::vector<std::vector<std::uint32_t>>(height, std::vector<std::uint32_t>(width, rrggbb)),
      24, false);
  return lvx::test::MakeBmp(spec);
}

struct Frame {
  HWND window;
  int width;
  int height;
};

Frame PictureFrame(HWND dialog) {
  Frame f{GetDlgItem(dialog, IDC_MAIN_PICTURE), 0, 0};
  RECT client{0, 0, 0, 0};
  GetClientRect(f.window, &client);
  f.width = client.right;
  f.height = client.bottom;
  return f;
}

COLORREF Pixel(const Frame& f, int x, int y) {
  HDC dc = GetDC(f.window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(f.window, dc);
  return c;
}

// A bitmap resource at its natural size, to read pixels from.
class ResourcePicture {
 public:
  explicit ResourcePicture(int id)
      : bitmap_(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id))),
        dc_(CreateCompatibleDC(nullptr)),
        old_(SelectObject(dc_, bitmap_)) {}
  ~ResourcePicture() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  ResourcePicture(const ResourcePicture&) = delete;
  ResourcePicture& operator=(const ResourcePicture&) = delete;
  COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_;
};

BITMAP ResourceSize(int id) {
  BITMAP info{};
  HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  GetObjectA(bitmap, sizeof info, &info);
  DeleteObject(bitmap);
  return info;
}

}  // namespace

class PictureFrameTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    Prepare();
  }
  void UsePicture(const std::string& bytes) {
    const std::string path = lvx::test::Home() + "/picture.bmp";
    lvx::test::WriteFile(path, bytes);
    SetIni("Params", "UPIC", path.c_str());
  }
};

TEST_F(PictureFrameTest, ALargeOwnPictureShrinksToFitKeepingItsShape) {
  UsePicture(SolidBmp(1000, 100, 0xFF0000));
  RunMainPage([](HWND d) {
    dlg::Pump();
    const Frame f = PictureFrame(d);
    ASSERT_GT(f.width, 100);
    ASSERT_GT(f.height, 100);
    // 1000 x 100 scaled to the frame's width: a band a tenth as high.
    const int band = f.width * 100 / 1000;
    const int top = (f.height - band) / 2;
    EXPECT_EQ(Pixel(f, f.width / 2, f.height / 2), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(f, 1, f.height / 2), RGB(255, 0, 0)) << "as wide as the frame";
    EXPECT_EQ(Pixel(f, f.width / 2, top + 1), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(f, f.width / 2, top - 2), kWhite);
    EXPECT_EQ(Pixel(f, f.width / 2, top + band + 1), kWhite);
    EXPECT_NE(Pixel(f, 0, f.height / 2), RGB(255, 0, 0)) << "the border is not drawn over";
    EXPECT_EQ(dlg::TimerPeriod(f.window, EyeBlinkTimerId), 0u) << "own pictures do not blink";
    dlg::Click(d, IDCANCEL);
  });
}

TEST_F(PictureFrameTest, ASmallOwnPictureIsNeverEnlarged) {
  UsePicture(SolidBmp(20, 10, 0x0000FF));
  RunMainPage([](HWND d) {
    dlg::Pump();
    const Frame f = PictureFrame(d);
    const int left = (f.width - 20) / 2;
    const int top = (f.height - 10) / 2;
    EXPECT_EQ(Pixel(f, left, top), RGB(0, 0, 255));
    EXPECT_EQ(Pixel(f, left + 19, top + 9), RGB(0, 0, 255));
    EXPECT_EQ(Pixel(f, left - 1, top), kWhite);
    EXPECT_EQ(Pixel(f, left + 20, top), kWhite);
    EXPECT_EQ(Pixel(f, left, top + 10), kWhite);
    EXPECT_EQ(Pixel(f, 2, 2), kWhite) << "the rest is white";
    dlg::Click(d, IDCANCEL);
  });
}

TEST_F(PictureFrameTest, AnUnreadableOwnPictureGivesTheBuiltInOne) {
  UsePicture("BM this is no picture");
  RunMainPage([](HWND d) {
    dlg::Pump();
    EXPECT_FALSE(ConfigDialog.ownPicture);
    EXPECT_GE(dlg::TimerPeriod(GetDlgItem(d, IDC_MAIN_PICTURE), EyeBlinkTimerId), 3500u);
    dlg::Click(d, IDCANCEL);
  });
}

TEST_F(PictureFrameTest, AChosenPictureReplacesTheShownOneAtOnce) {
  const std::string path = lvx::test::Home() + "/chosen.bmp";
  lvx::test::WriteFile(path, SolidBmp(30, 30, 0x00FF00));
  dlg::AnswerFileChooser(path);
  RunMainPage([](HWND d) {
    dlg::Pump();
    const Frame f = PictureFrame(d);
    EXPECT_NE(Pixel(f, f.width / 2, f.height / 2), RGB(0, 255, 0));
    dlg::Click(d, IDC_MAIN_PICTURE_BUTTON);
    dlg::Pump();
    EXPECT_EQ(Pixel(f, f.width / 2, f.height / 2), RGB(0, 255, 0));
    EXPECT_EQ(dlg::TimerPeriod(f.window, EyeBlinkTimerId), 0u) << "the owl stopped blinking";
    dlg::Click(d, IDCANCEL);
  });
}

TEST_F(PictureFrameTest, TheBuiltInPictureKeepsItsSizeAndBlinks) {
  // Both pairs: the dice pick one of them when the page opens.
  for (int wanted : {111, 196}) {
    unsigned seed = 1;
    for (;; ++seed) {
      lvx::SeedRandomForTests(seed);
      if ((RandomBelow(9) >= 6) == (wanted == 111)) break;
    }
    lvx::ResetSettingsForTests();
    lvx::ResetConfigDialogForTests();
    lvx::ResetDialogJokesForTests();
    lvx::SeedRandomForTests(seed);
    RunMainPage([&](HWND d) {
      dlg::Pump();
      ASSERT_EQ(ConfigDialog.pictureId, wanted);
      const int blinkId = ConfigDialog.blinkId;
      EXPECT_EQ(blinkId, wanted == 111 ? 114 : 197);
      const Frame f = PictureFrame(d);
      const BITMAP size = ResourceSize(wanted);
      const int left = (f.width - size.bmWidth) / 2;
      const int top = (f.height - size.bmHeight) / 2;

      // Where the eyes are: the pixels in which picture and blink frame differ.
      const ResourcePicture picture(wanted);
      const ResourcePicture blink(blinkId);
      std::vector<POINT> eyes;
      for (int y = 0; y < size.bmHeight; y += 3)
        for (int x = 0; x < size.bmWidth; x += 3)
          if (left + x > 1 && left + x < f.width - 1 && top + y > 1 && top + y < f.height - 1 &&
              picture.Pixel(x, y) != blink.Pixel(x, y))
            eyes.push_back({x, y});
      ASSERT_FALSE(eyes.empty());
      const POINT eye = eyes[eyes.size() / 2];
      EXPECT_EQ(Pixel(f, left + eye.x, top + eye.y), picture.Pixel(eye.x, eye.y));

      const UINT wait = dlg::TimerPeriod(f.window, EyeBlinkTimerId);
      EXPECT_GE(wait, 3500u);
      EXPECT_LT(wait, 7000u);
      ASSERT_TRUE(dlg::FireTimer(f.window, EyeBlinkTimerId));
      EXPECT_EQ(Pixel(f, left + eye.x, top + eye.y), blink.Pixel(eye.x, eye.y));
      EXPECT_EQ(dlg::TimerPeriod(f.window, EyeBlinkTimerId), EyeBlinkShutMs);
      ASSERT_TRUE(dlg::FireTimer(f.window, EyeBlinkTimerId));
      EXPECT_EQ(Pixel(f, left + eye.x, top + eye.y), picture.Pixel(eye.x, eye.y));
      EXPECT_GE(dlg::TimerPeriod(f.window, EyeBlinkTimerId), 3500u);
      dlg::Click(d, IDCANCEL);
      EXPECT_EQ(EyeBlink.timer, 0u) << "closing stops the blinking";
    });
  }
}
