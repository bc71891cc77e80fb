#include "events/flying_picture.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "moon/moon_display.h"
#include "tests/platform/resources/bmp_builder.h"
#include "tests/scene/scene_fixture.h"

namespace {

// Test pictures are stored as 0x00RRGGBB, the screen answers 0x00BBGGRR.
COLORREF AsColorref(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The 1024 x 768 saver window of the scene tests, RealTickTime 50, a sized
// space matrix, no moon and frame 0 (no random wander unless a test asks).
class FlyingPictureTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    lvx::ResetFlyingPictureForTests();
    lvx::ResetMoonDisplayForTests();
    lvx::ResetUtilitiesForTests();
    SpaceMatrix.Create(1024, 768);
    FrameCounter = 0;
  }
  void TearDown() override {
    fp.Release();
    SpaceMatrix.Destroy();
  }

  static void Set(const char* key, const char* value) {
    MainSettings.UserWriteString("FPicture", key, value);
  }
  // "Flower" (a 48 x 100 picture) with the user's own text.
  void CreateFlowerWith(const char* banner) {
    Set("Category", "1");
    Set("AutoText", "0");
    Set("BANNER", banner);
    fp.Create();
    ASSERT_TRUE(fp.HasPicture());
    ASSERT_EQ(fp.shownWidth, 48);
    ASSERT_EQ(fp.shownHeight, 100);
  }
  void Place(int x, int y, float heading) {
    fp.x = x;
    fp.y = y;
    fp.heading = heading;
    fp.dx = std::cos(heading) * FlyingPicture::Speed;
    fp.dy = std::sin(heading) * FlyingPicture::Speed;
  }
  std::string Word(int i) const { return fp.banner + fp.wordStart[i]; }
  // The number after the last "name= " in the log.
  static long LoggedNumber(const std::string& name) {
    const std::string log = Log();
    const std::size_t at = log.rfind(name + "= ");
    return at == std::string::npos ? -999999
                                   : std::strtol(log.c_str() + at + name.size() + 2, nullptr, 10);
  }
  std::string WriteTempFile(const std::string& name, const std::string& bytes) {
    const std::string path = lvx::test::MakeTempDir("pictures") + "/" + name;
    lvx::test::WriteFile(path, bytes);
    return path;
  }

  FlyingPicture fp;
};

TEST_F(FlyingPictureTest, NothingFliesWhereItMustNot) {
  const std::string garbage = WriteTempFile("notes.bmp", "these are not pixels");
  lvx::test::BmpSpec whole;
  whole.width = whole.height = 64;
  whole.pixels = std::string(64 * 64 * 3, '\x7f');
  const std::string cut = WriteTempFile("cut.bmp", lvx::test::MakeBmp(whole).substr(0, 400));
  struct Case {
    int width, height;
    const char* preview;
    const char* category;
    std::string ownPicture;
    const char* why;
  };
  const Case cases[] = {
      {460, 600, "0", "1", "", "small window"},
      {600, 460, "0", "1", "", "small window"},
      {1024, 768, "3", "1", "", "preview"},
      {1024, 768, "0", "11", "", "just the sky"},
      {1024, 768, "0", "10", "", "no picture for new email"},
      {1024, 768, "0", "9", "", "no own picture"},
      {1024, 768, "0", "9", "/nonexistent/sunset.bmp", "own picture missing"},
      {1024, 768, "0", "9", garbage, "own picture not a picture"},
      {1024, 768, "0", "9", cut, "own picture cut short"},
  };
  for (const Case& c : cases) {
    ScreenRect = RECT{0, 0, c.width, c.height};
    MainSettings.UserWriteString("Messages", "Preview", c.preview);
    Set("Category", c.category);
    Set("BMPFILE", c.ownPicture.c_str());
    fp.Create();
    EXPECT_FALSE(fp.HasPicture()) << c.why;
    EXPECT_EQ(fp.memoryDC, nullptr) << c.why;
    EXPECT_EQ(fp.wordCount, 0) << c.why;
    for (int i = 0; i < 5; ++i) fp.Fly();
    fp.Release();
    EXPECT_NE(lvx::TraceBufferForTests().find("FlyingPicture - 2122"), std::string::npos);
    lvx::ResetUtilitiesForTests();
  }
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 0);
  EXPECT_TRUE(Logged("INFO>FlyingPicture-GlobalRect.right= 460"));
  EXPECT_TRUE(Logged("INFO>FlyingPicture-GlobalRect.bottom= 460"));
  EXPECT_TRUE(Logged("INFO>FlyingPicture= Stopped:small window"));
  EXPECT_TRUE(Logged("INFO>FlyingPicture= Stopped by preview mode"));
  EXPECT_TRUE(Logged("INFO>FPCreate Category= 11"));

  // The smallest screens that do show it.
  for (RECT r : {RECT{0, 0, 640, 480}, RECT{0, 0, 461, 461}}) {
    ScreenRect = r;
    MainSettings.UserWriteString("Messages", "Preview", "0");
    Set("Category", "1");
    Set("AutoText", "1");
    fp.Create();
    EXPECT_TRUE(fp.HasPicture()) << r.right;
    EXPECT_EQ(fp.x, r.right);
    EXPECT_GE(fp.y, 100);
    EXPECT_LT(fp.y + fp.shownHeight, r.bottom);
    fp.Release();
  }
  EXPECT_TRUE(Logged("INFO>FlyingPicture-Banner= No flower can compare to you."));
}

TEST_F(FlyingPictureTest, CreateChoosesQuoteAndPictureAndWaitsAtTheRightEdge) {
  Set("Category", "1");
  for (unsigned seed = 1; seed <= 20; ++seed) {
    lvx::SeedRandomForTests(seed);
    fp.Create();
    ASSERT_TRUE(fp.HasPicture());
    EXPECT_EQ(fp.x, 1024);
    EXPECT_GE(fp.y, 100);
    EXPECT_LE(fp.y, 768 - 100 - 1);
    EXPECT_FLOAT_EQ(fp.heading, 3.14f);
    EXPECT_NEAR(fp.dx, -80.0f, 1e-3f);
    EXPECT_NEAR(fp.dy, 0.127f, 1e-3f);
    fp.Release();
  }
  fp.Create();
  const std::vector<std::string> words = {"No", "flower", "can", "compare", "to", "you."};
  ASSERT_EQ(fp.wordCount, 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Word(i), words[i]);
    EXPECT_TRUE(fp.words[i].Used());
    EXPECT_GT(fp.words[i].width, 0);
  }
  EXPECT_TRUE(Logged("INFO>Creating subbanner= compare"));
  // A second Create keeps the scene's picture.
  const int y = fp.y;
  lvx::SeedRandomForTests(99);
  fp.Create();
  EXPECT_EQ(fp.y, y);
  EXPECT_NE(lvx::TraceBufferForTests().find("FlyingPicture - 2720"), std::string::npos);
  fp.Release();

  // The user's own text with a category's picture ("Wise guy", 66 x 76).
  Set("Category", "5");
  Set("AutoText", "0");
  Set("BANNER", "my own words");
  fp.Create();
  EXPECT_EQ(fp.wordCount, 3);
  EXPECT_EQ(Word(2), "words");
  EXPECT_EQ(fp.pictureWidth, 66);
  fp.Release();

  // "Random quote" always shows a drawn quotation and its picture.
  Set("Category", "0");
  for (unsigned seed = 1; seed <= 10; ++seed) {
    lvx::SeedRandomForTests(seed);
    fp.Create();
    ASSERT_TRUE(fp.HasPicture());
    EXPECT_GT(fp.wordCount, 0);
    EXPECT_NE(Word(0), "my");
    const int category = fp.selection.categoryIndex;
    EXPECT_TRUE(category != 0 && category != 9 && category != 11 && category != 12) << category;
    fp.Release();
  }
}

TEST_F(FlyingPictureTest, BannerSplitsIntoAtMostThirtyWords) {
  std::string many;
  for (int i = 1; i <= 31; ++i) many += "w" + std::to_string(i) + " ";
  struct Case {
    std::string banner;
    std::vector<std::string> words;
  };
  std::vector<std::string> thirty;
  for (int i = 1; i <= 30; ++i) thirty.push_back("w" + std::to_string(i));
  const Case cases[] = {{"", {}},
                        {"    ", {}},
                        {"one", {"one"}},
                        {"  one   two  ", {"one", "two"}},
                        {"a b", {"a", "b"}},
                        {many, thirty}};
  for (const Case& c : cases) {
    CreateFlowerWith(c.banner.c_str());
    ASSERT_EQ(fp.wordCount, static_cast<int>(c.words.size())) << c.banner;
    for (int i = 0; i < fp.wordCount; ++i) EXPECT_EQ(Word(i), c.words[i]) << c.banner;
    fp.Release();
  }
  EXPECT_TRUE(Logged("INFO>Creating subbanner= w30"));
  EXPECT_FALSE(Logged("Creating subbanner= w31"));
}

TEST_F(FlyingPictureTest, StepsKeepTheFractionsAtAnyFramePeriod) {
  CreateFlowerWith("");
  const int y = fp.y;
  fp.Fly();
  EXPECT_EQ(fp.x, 1024 - 3);  // the carry holds 3.99999
  for (int i = 0; i < 40; ++i) {
    const int before = fp.x;
    fp.Fly();
    ASSERT_EQ(fp.x, before - 4) << i;
  }
  EXPECT_EQ(fp.y, y);
  // Drawn where it is, erased where it was; the space matrix agrees.
  EXPECT_GT(LitIn(fp.x, fp.y, fp.x + 47, fp.y + 99), 100);
  EXPECT_EQ(LitIn(fp.x + 48, 0, 1024, 768), 0);
  EXPECT_EQ(SpaceMatrix.GetData(fp.x + 1, fp.y + 1), CellPicture);
  EXPECT_EQ(SpaceMatrix.GetData(fp.x + 60, fp.y + 1), CellVacated);

  // 33 ms: 2.64 pixels a frame, as steps of 2 and 3.
  fp.Release();
  lvx::ResetFlyingPictureForTests();
  RealTickTime = 33;
  CreateFlowerWith("");
  int twos = 0, threes = 0;
  for (int i = 0; i < 100; ++i) {
    const int before = fp.x;
    fp.Fly();
    const int step = before - fp.x;
    ASSERT_TRUE(step == 2 || step == 3) << step;
    (step == 2 ? twos : threes)++;
  }
  EXPECT_EQ(1024 - fp.x, 263);  // 100 x 2.63999, the rest still carried
  EXPECT_GT(twos, 30);
  EXPECT_GT(threes, 60);
}

TEST_F(FlyingPictureTest, HeadingWandersOnlyEveryFiftiethFrame) {
  CreateFlowerWith("");
  for (unsigned seed = 1; seed <= 50; ++seed) {
    lvx::SeedRandomForTests(seed);
    Place(500, 300, 3.14f);
    FrameCounter = 48;
    fp.Fly();
    ASSERT_FLOAT_EQ(fp.heading, 3.14f);
    FrameCounter = 49;
    fp.Fly();
    // A tenth of the way towards 1.570 .. 4.710.
    EXPECT_GE(fp.heading, 0.9f * 3.14f + 0.157f - 1e-4f);
    EXPECT_LE(fp.heading, 0.9f * 3.14f + 0.471f + 1e-4f);
    EXPECT_NEAR(std::hypot(fp.dx, fp.dy), 80.0f, 1e-3f);
  }
}

TEST_F(FlyingPictureTest, BouncesOffTheTopAndBottomEdges) {
  CreateFlowerWith("");
  struct Case {
    int y;
    float heading;
    bool downAfter;
  };
  // 4.2 climbs 3.5 pixels a frame, 2.0 sinks 3.6.
  const Case cases[] = {{2, 4.2f, true}, {768 - 100 - 2, 2.0f, false}};
  for (const Case& c : cases) {
    lvx::ResetFlyingPictureForTests();
    Place(500, c.y, c.heading);
    fp.Fly();
    EXPECT_FLOAT_EQ(fp.heading, 6.28f - c.heading);
    EXPECT_EQ(fp.y, c.y);  // the step was taken back
    EXPECT_EQ(fp.x, 500);
    EXPECT_EQ(fp.dy > 0, c.downAfter);
    for (int i = 0; i < 10; ++i) fp.Fly();
    EXPECT_EQ(fp.y > c.y, c.downAfter);
    EXPECT_GT(fp.y, 0);
    EXPECT_LT(fp.y + 100, 768);
  }
}

TEST_F(FlyingPictureTest, TurnsAwayFromTheMoon) {
  CreateFlowerWith("");
  Moon.enabled = 1;
  Moon.pictureCreated = 1;
  Moon.picture.x = 400;
  Moon.picture.y = 4;

  // One step more would touch the moon's box (x <= 500): turned, stepped back.
  Place(503, 50, 3.14f);
  fp.Fly();
  EXPECT_FLOAT_EQ(fp.heading, 1.4f);
  EXPECT_EQ(fp.x, 503);
  EXPECT_EQ(fp.y, 50);
  for (int i = 0; i < 30; ++i) fp.Fly();
  EXPECT_GE(fp.x, 503);
  EXPECT_GT(fp.y, 50 + 30 * 3);

  // Already touching (the moon wrapped round onto it): it is let out.
  lvx::ResetFlyingPictureForTests();
  Place(450, 50, 3.14f);
  fp.Fly();
  EXPECT_FLOAT_EQ(fp.heading, 1.4f);
  for (int i = 0; i < 40 && fp.y <= 104; ++i) fp.Fly();
  EXPECT_GT(fp.y, 104);

  // Without a moon on the sky there is nothing to avoid.
  Moon.enabled = 0;
  lvx::ResetFlyingPictureForTests();
  Place(503, 50, 3.14f);
  for (int i = 0; i < 10; ++i) fp.Fly();
  EXPECT_FLOAT_EQ(fp.heading, 3.14f);
  EXPECT_LT(fp.x, 500);
}

TEST_F(FlyingPictureTest, RestsAfterTheLastWordThenReentersAtTheSameHeight) {
  Set("ShowEvery", "5");
  CreateFlowerWith("Hi there");
  Place(100, 300, 3.14f);
  int frames = 0;
  while (fp.snooze == 0 && frames < 2000) {
    fp.Fly();
    ++frames;
  }
  ASSERT_EQ(fp.snooze, 5);
  const int y = fp.y;
  EXPECT_EQ(fp.x, 1024);
  EXPECT_TRUE(Logged("INFO>Snooze started for (sec)= 5"));
  // The last word had passed the left edge, the picture long before it.
  const BitmapClass& last = fp.words[1];
  EXPECT_LT(LoggedNumber("Banner just got out of screen. X was"), -last.width);
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 0);

  // Nothing at all for five seconds (the rest counts in wall-clock time,
  // so a second is left for the test's own running time).
  for (int i = 0; i < 100; ++i) {
    lvx::AdvanceStopwatchClockForTests(40);
    fp.Fly();
  }
  EXPECT_EQ(fp.x, 1024);
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 0);

  // Then in again at once, from the right edge, at the same height.
  lvx::AdvanceStopwatchClockForTests(1000);
  fp.Fly();
  EXPECT_EQ(fp.snooze, 0);
  EXPECT_LT(fp.x, 1024);
  EXPECT_GE(fp.x, 1020);
  EXPECT_EQ(fp.y, y);
  for (int i = 0; i < 30; ++i) fp.Fly();
  EXPECT_GT(LitIn(fp.x, y, fp.x + 47, y + 99), 100);
  // Its words come in behind it once it has travelled far enough.
  for (int i = 0; i < 60; ++i) fp.Fly();
  EXPECT_LT(fp.words[1].x + fp.words[1].width, 1024);
  EXPECT_GT(LitIn(fp.words[0].x, fp.words[0].y, fp.words[0].x + fp.words[0].width,
                  fp.words[0].y + fp.words[0].height),
            0);
}

TEST_F(FlyingPictureTest, WithoutWordsThePassEndsWhenThePictureLeaves) {
  Set("ShowEvery", "7");
  CreateFlowerWith("");
  ASSERT_EQ(fp.wordCount, 0);
  Place(60, 300, 3.14f);
  int frames = 0;
  while (fp.snooze == 0 && frames < 200) {
    fp.Fly();
    ++frames;
  }
  ASSERT_EQ(fp.snooze, 7);
  const long left = LoggedNumber("Banner just got out of screen. X was");
  EXPECT_LE(left, -48);
  EXPECT_GT(left, -48 - 5);
}

TEST_F(FlyingPictureTest, WordsFollowThePathWithTheirLag) {
  CreateFlowerWith("alpha beta gamma");
  ASSERT_EQ(fp.wordCount, 3);
  // Slightly upwards, so that the path is not one row.
  Place(900, 400, 3.3f);
  const int firstHeight = fp.words[0].height;
  std::vector<FlyingPicture::Position> anchors;
  long long d = 48;
  std::vector<int> lags;
  for (int i = 0; i < 3; ++i) {
    // 1.2 * d / 80 seconds at 50 ms a frame.
    lags.push_back(static_cast<int>(std::llround(1200.0 * d / (50.0 * 80.0))));
    d += fp.words[i].width + 15;
  }
  for (int frame = 1; frame <= 170; ++frame) {
    // A new measured frame period moves the picture at the same speed; the
    // words keep their lags in frames and do not jump.
    if (frame == 151) RealTickTime = 40;
    fp.Fly();
    anchors.push_back({fp.x + 10, fp.y + 100 - firstHeight});
    for (int i = 0; i < 3; ++i) {
      const BitmapClass& word = fp.words[i];
      if (frame <= lags[i]) {
        ASSERT_EQ(word.x, 1024) << "word " << i << " frame " << frame;
        continue;
      }
      const FlyingPicture::Position expected = anchors[frame - 1 - lags[i]];
      ASSERT_EQ(word.x, expected.x) << "word " << i << " frame " << frame;
      ASSERT_EQ(word.y, expected.y) << "word " << i << " frame " << frame;
    }
  }
  EXPECT_GT(fp.y, 400 - 150);  // it did climb
  EXPECT_LT(fp.y, 400 - 90);
  for (int i = 0; i < 3; ++i) {
    const BitmapClass& w = fp.words[i];
    EXPECT_GT(LitIn(w.x, w.y, w.x + w.width, w.y + w.height), 10) << i;
    EXPECT_EQ(fp.StoredPosition(lags[i]).x, w.x);
  }
  // Words leave no trail: only the picture and the three words are lit.
  int lit = LitIn(fp.x, fp.y, fp.x + 47, fp.y + 99);
  for (const BitmapClass& w : fp.words)
    if (w.Used()) lit += LitIn(w.x, w.y, w.x + w.width, w.y + w.height);
  EXPECT_EQ(LitIn(0, 0, 1024, 768), lit);
}

TEST_F(FlyingPictureTest, OwnPictureShowsItsCentreCutTo230) {
  // Every pixel its own colour, none black.
  auto colour = [](int x, int y) -> std::uint32_t {
    return (static_cast<std::uint32_t>(x & 0xFF) << 16) |
           (static_cast<std::uint32_t>(y & 0xFF) << 8) |
           static_cast<std::uint32_t>(1 + (x >> 8) + 2 * (y >> 8));
  };
  std::vector<std::vector<std::uint32_t>> rows(300, std::vector<std::uint32_t>(300));
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) rows[y][x] = colour(x, y);
  lvx::test::BmpSpec spec;
  spec.width = 300;
  spec.height = 300;
  spec.pixels = lvx::test::PackRows(rows, 24, false);
  Set("Category", "9");
  Set("BMPFILE", WriteTempFile("big.bmp", lvx::test::MakeBmp(spec)).c_str());
  fp.Create();
  ASSERT_TRUE(fp.HasPicture());
  EXPECT_EQ(fp.pictureWidth, 300);
  EXPECT_EQ(fp.shownWidth, 230);
  EXPECT_EQ(fp.shownHeight, 230);
  EXPECT_TRUE(Logged("INFO>Lumivex= point194"));

  Place(503, 300, 3.14f);
  fp.Fly();
  ASSERT_EQ(fp.x, 500);
  for (int j = 0; j < 229; ++j)
    for (int i = 0; i < 229; ++i)
      ASSERT_EQ(Pixel(500 + i, 300 + j), AsColorref(colour(35 + i, 35 + j))) << i << "," << j;
  EXPECT_EQ(LitIn(729, 300, 731, 530), 0);
  EXPECT_EQ(LitIn(500, 529, 730, 531), 0);
  fp.Release();

  // A small 8-bit picture, shown whole and as it is.
  const std::uint32_t white = 0xFFFFFF, red = 0xFF0000;
  std::vector<std::vector<std::uint32_t>> indices(30, std::vector<std::uint32_t>(40, 0));
  for (int y = 10; y < 20; ++y)
    for (int x = 10; x < 30; ++x) indices[y][x] = 1;
  lvx::test::BmpSpec small;
  small.width = 40;
  small.height = 30;
  small.bpp = 8;
  small.palette = {white, red};
  small.pixels = lvx::test::PackRows(indices, 8, false);
  Set("BMPFILE", WriteTempFile("small.bmp", lvx::test::MakeBmp(small)).c_str());
  Blacken();
  fp.Create();
  ASSERT_TRUE(fp.HasPicture());
  lvx::ResetFlyingPictureForTests();
  Place(603, 300, 3.14f);
  fp.Fly();
  ASSERT_EQ(fp.x, 600);
  EXPECT_EQ(LitIn(600, 300, 639, 329), 39 * 29);
  EXPECT_EQ(Pixel(600, 300), AsColorref(white));
  EXPECT_EQ(Pixel(615, 315), AsColorref(red));
  EXPECT_EQ(LitIn(639, 300, 640, 330), 0);
}

TEST_F(FlyingPictureTest, RegisterIsMadeOncePerSceneAndReleasedWithIt) {
  CreateFlowerWith("one two three");
  fp.Fly();
  long long total = 48;
  for (int i = 0; i < 3; ++i) total += fp.words[i].width + 15;
  EXPECT_EQ(fp.registerSize, total * 10 + 1);
  EXPECT_EQ(LoggedNumber("PrintBanner - sum"), total);
  const FlyingPicture::Position* buffer = fp.shiftRegister.get();
  for (int i = 0; i < 600; ++i) fp.Fly();
  EXPECT_EQ(fp.shiftRegister.get(), buffer);
  EXPECT_EQ(fp.registerSize, total * 10 + 1);

  fp.Release();
  EXPECT_EQ(lvx::TraceBufferForTests(), "");
  EXPECT_FALSE(fp.HasPicture());
  EXPECT_EQ(fp.memoryDC, nullptr);
  EXPECT_EQ(fp.shiftRegister, nullptr);
  for (const BitmapClass& w : fp.words) EXPECT_FALSE(w.Used());

  // Torn down before its first frame: no register was made yet.
  CreateFlowerWith("x");
  fp.Release();
  EXPECT_NE(lvx::TraceBufferForTests().find("ShiftRegister - 4609"), std::string::npos);
  EXPECT_EQ(lvx::TraceBufferForTests().find("FlyingPicture - 2122"), std::string::npos);
  // And again, with nothing left to release.
  fp.Release();
  EXPECT_NE(lvx::TraceBufferForTests().find("FlyingPicture - 2122"), std::string::npos);
}

}  // namespace
