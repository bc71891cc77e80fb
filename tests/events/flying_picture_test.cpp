#include "events/flying_picture.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "moon/moon_display.h"
#include "tests/platform/resources/bmp_builder.h"
#include "tests/scene/scene_fixture.h"

namespace {

// The 1024 x 768 saver window of the scene tests, RealTickTime 50, a sized
// space matrix, no moon and frame 0 (no random wander).
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
  }
  void Place(int x, int y, float heading) {
    lvx::ResetFlyingPictureForTests();  // no carry from before
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
    return at == std::string::npos ? -999999 : std::atol(log.c_str() + at + name.size() + 2);
  }
  static std::string TempFile(const std::string& name, const std::string& bytes) {
    const std::string path = lvx::test::MakeTempDir("pictures") + "/" + name;
    lvx::test::WriteFile(path, bytes);
    return path;
  }
  static bool Traced(const char* tag) {
    return lvx::TraceBufferForTests().find(tag) != std::string::npos;
  }

  FlyingPicture fp;
};

TEST_F(FlyingPictureTest, CreateRefusesWhereNothingMayFly) {
  struct Case {
    int width, height;
    const char* preview;
    const char* category;
    std::string ownPicture;
  };
  const Case cases[] = {
      {460, 600, "0", "1", ""},                        // too narrow
      {1024, 768, "3", "1", ""},                       // a message preview
      {1024, 768, "0", "11", ""},                      // "Just the sky"
      {1024, 768, "0", "9", ""},                       // own picture not set
      {1024, 768, "0", "9", "/nonexistent/sun.bmp"},   // nor there
      {1024, 768, "0", "9", TempFile("a.bmp", "no")},  // nor a picture
  };
  for (const Case& c : cases) {
    ScreenRect = RECT{0, 0, c.width, c.height};
    MainSettings.UserWriteString("Messages", "Preview", c.preview);
    Set("Category", c.category);
    Set("BMPFILE", c.ownPicture.c_str());
    fp.Create();
    EXPECT_FALSE(fp.HasPicture()) << c.category << c.ownPicture;
    EXPECT_EQ(fp.memoryDC, nullptr);
    fp.Fly();
    fp.Release();
    EXPECT_TRUE(Traced("FlyingPicture - 2122"));
  }
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 0);
  EXPECT_TRUE(Logged("INFO>FlyingPicture-GlobalRect.right= 460"));
  EXPECT_TRUE(Logged("INFO>FlyingPicture= Stopped:small window"));
  EXPECT_TRUE(Logged("INFO>FlyingPicture= Stopped by preview mode"));

  // The smallest screen the picture needs, 640 x 480, shows it.
  ScreenRect = RECT{0, 0, 640, 480};
  MainSettings.UserWriteString("Messages", "Preview", "0");
  Set("Category", "1");
  fp.Create();
  ASSERT_TRUE(fp.HasPicture());
  EXPECT_EQ(fp.x, 640);
  EXPECT_GE(fp.y, 100);
  EXPECT_LT(fp.y + fp.shownHeight, 480);
  EXPECT_TRUE(Logged("INFO>FlyingPicture-Banner= No flower can compare to you."));
}

TEST_F(FlyingPictureTest, BannerIsSplitIntoAtMostThirtyWords) {
  std::string many;
  std::vector<std::string> thirty;
  for (int i = 1; i <= 31; ++i) many += "w" + std::to_string(i) + " ";
  for (int i = 1; i <= 30; ++i) thirty.push_back("w" + std::to_string(i));
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}}, {"   ", {}}, {"  one   two  ", {"one", "two"}}, {many, thirty}};
  for (const auto& [banner, words] : cases) {
    CreateFlowerWith(banner.c_str());
    ASSERT_EQ(fp.wordCount, static_cast<int>(words.size())) << banner;
    for (int i = 0; i < fp.wordCount; ++i) EXPECT_EQ(Word(i), words[i]);
    fp.Release();
  }
}

TEST_F(FlyingPictureTest, StepsCarryTheirFractionsAtAnyFramePeriod) {
  CreateFlowerWith("");
  const int y = fp.y;
  fp.Fly();
  EXPECT_EQ(fp.x, 1024 - 3);  // the carry holds 3.99999
  for (int i = 0; i < 40; ++i) {
    const int before = fp.x;
    fp.Fly();
    ASSERT_EQ(before - fp.x, 4) << i;
  }
  EXPECT_EQ(fp.y, y);
  // Drawn where it is, nothing left where it was; the space matrix agrees.
  EXPECT_GT(LitIn(fp.x, fp.y, fp.x + 47, fp.y + 99), 100);
  EXPECT_EQ(LitIn(fp.x + 47, 0, 1024, 768), 0);
  EXPECT_EQ(SpaceMatrix.GetData(fp.x + 1, fp.y + 1), CellPicture);
  EXPECT_EQ(SpaceMatrix.GetData(fp.x + 60, fp.y + 1), CellVacated);

  // 33 ms: 2.64 pixels a frame, as steps of 2 and 3.
  RealTickTime = 33;
  Place(900, 300, 3.14f);
  for (int i = 0; i < 100; ++i) {
    const int before = fp.x;
    fp.Fly();
    ASSERT_TRUE(before - fp.x == 2 || before - fp.x == 3) << i;
  }
  EXPECT_EQ(900 - fp.x, 263);  // 263.9997, the rest still carried
}

TEST_F(FlyingPictureTest, BouncesAtTheEdgesAndTurnsAwayFromTheMoon) {
  CreateFlowerWith("");
  // 4.2 climbs 3.5 pixels a frame, to y = 0; 2.0 sinks 3.6, to the bottom
  // edge: both count as reached.
  for (auto [y, heading] : {std::pair{3, 4.2f}, std::pair{768 - 100 - 3, 2.0f}}) {
    Place(500, y, heading);
    fp.Fly();
    EXPECT_FLOAT_EQ(fp.heading, 6.28f - heading);
    EXPECT_EQ(fp.x, 500);  // the step was taken back
    EXPECT_EQ(fp.y, y);
    for (int i = 0; i < 10; ++i) fp.Fly();
    EXPECT_EQ(fp.y > y, y == 3) << y;
  }

  Moon.enabled = Moon.pictureCreated = 1;
  Moon.picture.x = 400;
  Moon.picture.y = 4;
  // One step more touches the moon's box (x <= 500): turned down, stepped back.
  Place(503, 50, 3.14f);
  fp.Fly();
  EXPECT_FLOAT_EQ(fp.heading, 1.4f);
  EXPECT_EQ(fp.x, 503);
  EXPECT_EQ(fp.y, 50);
  for (int i = 0; i < 30; ++i) fp.Fly();
  EXPECT_GE(fp.x, 503);
  EXPECT_GT(fp.y, 50 + 30 * 3);

  // Already touching it (the moon wrapped round onto it): let out, not held.
  Place(450, 50, 3.14f);
  for (int i = 0; i < 40 && fp.y <= 104; ++i) fp.Fly();
  EXPECT_GT(fp.y, 104);

  // A moon that is not shown is not avoided.
  Moon.enabled = 0;
  Place(503, 50, 3.14f);
  for (int i = 0; i < 10; ++i) fp.Fly();
  EXPECT_LT(fp.x, 500);
}

TEST_F(FlyingPictureTest, RestsAfterTheLastWordThenReentersAtTheSameHeight) {
  Set("ShowEvery", "5");
  CreateFlowerWith("Hi there");
  Place(100, 300, 3.14f);
  for (int frames = 0; fp.snooze == 0 && frames < 2000; ++frames) fp.Fly();
  ASSERT_EQ(fp.snooze, 5);
  const int y = fp.y;
  EXPECT_EQ(fp.x, 1024);
  EXPECT_TRUE(Logged("INFO>Snooze started for (sec)= 5"));
  EXPECT_LT(LoggedNumber("Banner just got out of screen. X was"), -fp.words[1].width);

  // Nothing at all for five seconds (wall-clock seconds: a second is left
  // for the test's own running time).
  for (int i = 0; i < 100; ++i) {
    lvx::AdvanceStopwatchClockForTests(40);
    fp.Fly();
  }
  EXPECT_EQ(fp.x, 1024);
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 0);

  // Then in again at once, from the right edge, at the same height, and its
  // words behind it.
  lvx::AdvanceStopwatchClockForTests(1000);
  fp.Fly();
  EXPECT_EQ(fp.snooze, 0);
  EXPECT_EQ(fp.y, y);
  for (int i = 0; i < 10; ++i) fp.Fly();
  EXPECT_LE(fp.x, 1024 - 11 * 4 + 1);  // moving from the first frame on
  for (int i = 0; i < 50; ++i) fp.Fly();
  EXPECT_GT(LitIn(fp.x, y, fp.x + 47, y + 99), 100);
  const BitmapClass& last = fp.words[1];
  EXPECT_GT(LitIn(last.x, last.y, last.x + last.width, last.y + last.height), 0);

  // Without words the pass ends as soon as the picture has left.
  fp.Release();
  CreateFlowerWith("");
  Place(60, 300, 3.14f);
  for (int frames = 0; fp.snooze == 0 && frames < 200; ++frames) fp.Fly();
  ASSERT_EQ(fp.snooze, 5);
  const long left = LoggedNumber("Banner just got out of screen. X was");
  EXPECT_TRUE(left <= -48 && left > -48 - 5) << left;
}

TEST_F(FlyingPictureTest, WordsFollowThePathWithTheirLag) {
  CreateFlowerWith("alpha beta gamma");
  // Slightly upwards, so that the path is not one row.
  Place(900, 400, 3.3f);
  std::vector<int> lags;
  for (long long d = 48, i = 0; i < 3; d += fp.words[i].width + 15, ++i)
    lags.push_back(static_cast<int>(std::llround(1200.0 * d / (50.0 * 80.0))));
  std::vector<FlyingPicture::Position> anchors;
  for (int frame = 1; frame <= 170; ++frame) {
    // A new frame period keeps the speed; the words keep their lags in
    // frames and do not jump along the path.
    if (frame == 151) RealTickTime = 40;
    fp.Fly();
    anchors.push_back({fp.x + 10, fp.y + 100 - fp.words[0].height});
    for (int i = 0; i < 3; ++i) {
      const FlyingPicture::Position at =
          frame <= lags[i] ? FlyingPicture::Position{1024, 0} : anchors[frame - 1 - lags[i]];
      ASSERT_EQ(fp.words[i].x, at.x) << "word " << i << " frame " << frame;
      ASSERT_EQ(fp.words[i].y, at.y) << "word " << i << " frame " << frame;
    }
  }
  EXPECT_LT(fp.y, 400 - 90);  // it did climb
  // Only the picture and the three words are lit: nothing trails behind.
  int lit = LitIn(fp.x, fp.y, fp.x + 47, fp.y + 99);
  for (int i = 0; i < 3; ++i) {
    const BitmapClass& w = fp.words[i];
    const int inWord = LitIn(w.x, w.y, w.x + w.width, w.y + w.height);
    EXPECT_GT(inWord, 10) << i;
    lit += inWord;
  }
  EXPECT_EQ(LitIn(0, 0, 1024, 768), lit);
}

TEST_F(FlyingPictureTest, OwnPictureShowsItsCentreCutTo230) {
  // Every pixel its own colour, none black.
  auto colour = [](int x, int y) {
    return static_cast<std::uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 |
                                      (1 + (x >> 8) + 2 * (y >> 8)));
  };
  std::vector<std::vector<std::uint32_t>> rows(300, std::vector<std::uint32_t>(300));
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) rows[y][x] = colour(x, y);
  lvx::test::BmpSpec file;
  file.width = file.height = 300;
  file.pixels = lvx::test::PackRows(rows, 24, false);
  Set("Category", "9");
  // In a folder with a long name: a path of 290 characters, as long as the
  // Quotes page may store.
  const std::string base = lvx::test::MakeTempDir("pictures");
  ASSERT_LT(base.size(), 200u);
  const std::string folder = base + "/" + std::string(290 - base.size() - 9, 'd');
  std::filesystem::create_directory(folder);
  const std::string path = folder + "/big.bmp";
  ASSERT_EQ(path.size(), 290u);
  lvx::test::WriteFile(path, lvx::test::MakeBmp(file));
  Set("BMPFILE", path.c_str());
  fp.Create();
  ASSERT_TRUE(fp.HasPicture());
  EXPECT_EQ(fp.shownWidth, 230);
  EXPECT_EQ(fp.shownHeight, 230);

  Place(503, 300, 3.14f);
  fp.Fly();
  ASSERT_EQ(fp.x, 500);
  for (int j = 0; j < 229; ++j) {
    for (int i = 0; i < 229; ++i) {
      const std::uint32_t c = colour(35 + i, 35 + j);
      ASSERT_EQ(Pixel(500 + i, 300 + j), RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF)) << i << "," << j;
    }
  }
  EXPECT_EQ(LitIn(729, 300, 731, 531) + LitIn(500, 529, 729, 531), 0);
}

TEST_F(FlyingPictureTest, RegisterIsMadeOncePerSceneAndReleasedWithIt) {
  CreateFlowerWith("one two three");
  fp.Fly();
  long long total = 48;
  for (int i = 0; i < 3; ++i) total += fp.words[i].width + 15;
  EXPECT_EQ(fp.registerSize, total * 10 + 1);
  EXPECT_EQ(LoggedNumber("PrintBanner - sum"), total);
  const FlyingPicture::Position* buffer = fp.shiftRegister.get();
  for (int i = 0; i < 600; ++i) fp.Fly();  // a whole pass and into the rest
  EXPECT_EQ(fp.shiftRegister.get(), buffer);

  fp.Release();
  EXPECT_EQ(lvx::TraceBufferForTests(), "");
  EXPECT_EQ(fp.memoryDC, nullptr);
  EXPECT_EQ(fp.shiftRegister, nullptr);
  for (const BitmapClass& w : fp.words) EXPECT_FALSE(w.Used());

  // Torn down before its first frame: there was no register yet.
  CreateFlowerWith("x");
  fp.Release();
  EXPECT_TRUE(Traced("ShiftRegister - 4609"));
  EXPECT_FALSE(Traced("FlyingPicture - 2122"));
}

}  // namespace
