#include "scene_fixture.h"

#include <vector>

#include "platform/gdi/surface.h"

namespace {

class StarsTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    SpaceMatrix.Create(1024, 768);
  }
  // A star made as the Universe makes one, then placed by hand.
  STAR MakeStar(int x, int y, int brightness) {
    STAR s;
    s.Create(30, 45, 40000 / RealTickTime, SaverDC, 0, 0, 1024, 768, 20000 / RealTickTime,
             2000 / RealTickTime);
    s.x = s.startX = s.targetX = x;
    s.y = s.startY = s.targetY = y;
    s.brightness = brightness;
    s.twinklePhase = -1;  // never drawn by TwinkleDraw
    return s;
  }
  // A message star in a 400-frame flight: it waits 100 frames, glides to
  // (toX, toY) and lands 50 frames before the end.
  STAR MakeFlier(int x, int y, int toX, int toY) {
    STAR s = MakeStar(x, y, 30);
    s.messageFlag = 1;
    s.moveDuration = 400;
    s.departTime = 300;
    s.arriveTime = 50;
    s.targetX = toX;
    s.targetY = toY;
    return s;
  }
};

TEST_F(StarsTest, SpriteColoursByBrightness) {
  STAR s = MakeStar(100, 100, 25);
  s.CleverPlot();
  EXPECT_EQ(Pixel(100, 100), RGB(250, 250, 250));
  EXPECT_EQ(LitIn(95, 95, 106, 106), 1);

  Blacken();
  s.brightness = 26;
  s.CleverPlot();
  EXPECT_EQ(Pixel(100, 100), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(99, 100), RGB(10, 10, 10));
  EXPECT_EQ(Pixel(100, 101), RGB(10, 10, 10));
  EXPECT_EQ(Pixel(99, 99), RGB(0, 0, 104));
  EXPECT_EQ(Pixel(101, 101), RGB(0, 0, 104));
  EXPECT_EQ(LitIn(95, 95, 106, 106), 9);

  Blacken();
  s.brightness = 100;
  s.CleverPlot();
  EXPECT_EQ(Pixel(100, 100), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(101, 100), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(100, 98), RGB(204, 204, 255));
  EXPECT_EQ(Pixel(102, 100), RGB(204, 204, 255));
  EXPECT_EQ(Pixel(103, 100), RGB(187, 187, 250));
  EXPECT_EQ(Pixel(100, 97), RGB(187, 187, 250));
  EXPECT_EQ(Pixel(99, 101), RGB(0, 0, 255));
  EXPECT_EQ(Pixel(98, 98), 0u);
  EXPECT_EQ(LitIn(90, 90, 111, 111), 17);

  // At 76 the outermost ring is nearly black, so shrinking leaves no ring.
  EXPECT_EQ(StarPalette.sprite[76].ring3Colour, RGB(7, 7, 10));
  EXPECT_EQ(StarPalette.sprite[76].size, 7);
  EXPECT_EQ(StarPalette.sprite[75].size, 5);
  EXPECT_EQ(StarPalette.sprite[50].size, 3);
  EXPECT_EQ(StarPalette.sprite[51].size, 5);

  // Clearing blacks the sprite and marks the cell vacated.
  s.CleverClear();
  EXPECT_EQ(LitIn(90, 90, 111, 111), 0);
  EXPECT_EQ(SpaceMatrix.GetData(100, 100), CellVacated);
}

TEST_F(StarsTest, CreationRanges) {
  for (int i = 0; i < 300; ++i) {
    STAR s;
    s.Create(15, 30, 800, SaverDC, 0, 0, 1024, 768, 400, 40);
    ASSERT_GE(s.baseBrightness, 15);
    ASSERT_LE(s.baseBrightness, 29);
    ASSERT_EQ(s.peakBrightness, 100);
    ASSERT_GE(s.departTime, 240);
    ASSERT_LT(s.departTime, 400);
    ASSERT_GE(s.arriveTime, 1);
    ASSERT_LE(s.arriveTime, s.departTime - 40);
    ASSERT_GE(s.x, 0);
    ASSERT_LT(s.x, 1024);
    ASSERT_LT(s.y, 768);
    ASSERT_EQ(s.messageFlag, 0);
  }
  EXPECT_EQ(StarPalette.nCreated, 300);
  EXPECT_EQ(ScreenBottom, 768);
  STAR bright;
  bright.Create(40, 41, 10, SaverDC, 0, 0, 1024, 768, 400, 40);
  EXPECT_EQ(bright.peakBrightness, 120);
}

TEST_F(StarsTest, NeverBornOnTheMoon) {
  // All moon but a 40 x 40 patch of vacated cells.
  SpaceMatrix.FillArea(0, 0, 1024, 768, CellMoon);
  SpaceMatrix.FillArea(10, 20, 40, 40, CellVacated);
  for (int i = 0; i < 20; ++i) {
    STAR s;
    s.Create(15, 30, 800, SaverDC, 0, 0, 1024, 768, 400, 40);
    EXPECT_GE(s.x, 10);
    EXPECT_LT(s.x, 50);
    EXPECT_GE(s.y, 20);
    EXPECT_LT(s.y, 60);
    EXPECT_EQ(s.startX, s.x);
    EXPECT_EQ(s.targetY, s.y);
  }
  // A sky that is all moon ends the search instead of hanging the frame.
  SpaceMatrix.FillArea(0, 0, 1024, 768, CellMoon);
  STAR last;
  last.Create(15, 30, 800, SaverDC, 0, 0, 1024, 768, 400, 40);
  EXPECT_EQ(StarPalette.nCreated, 21);
}

TEST_F(StarsTest, TwinkleCurve) {
  STAR s = MakeStar(200, 200, 0);
  s.baseBrightness = s.brightness = 30;
  s.peakBrightness = 100;
  s.twinkleDuration = 2000 / RealTickTime;
  ASSERT_EQ(s.twinkleDuration, 40);
  s.twinklePhase = 17;
  TwinkleDraw = 17;
  std::vector<int> seen;
  for (int frame = 0; frame < 41; ++frame) {
    s.Advance();
    TwinkleDraw = -5;
    seen.push_back(s.brightness);
  }
  EXPECT_EQ(seen[0], 30);    // counter 40: base
  EXPECT_EQ(seen[20], 100);  // counter 20: the peak
  EXPECT_EQ(seen[10], 30 + 2 * 10 * 70 / 40);
  EXPECT_EQ(seen[30], 30 + 2 * 10 * 70 / 40);
  EXPECT_EQ(seen[39], 30 + 2 * 70 / 40);  // last twinkle frame
  EXPECT_EQ(seen[40], 30 + 2 * 70 / 40);  // stays there until the next twinkle
  EXPECT_EQ(s.twinkleCounter, 0);
  for (int i = 1; i < 20; ++i) EXPECT_LE(seen[i - 1], seen[i]);

  // A peak above 100 is drawn capped.
  s.baseBrightness = 45;
  s.peakBrightness = 135;
  s.twinklePhase = 3;
  TwinkleDraw = 3;
  for (int frame = 0; frame <= 20; ++frame) {
    s.Advance();
    TwinkleDraw = -5;
  }
  EXPECT_EQ(s.brightness, 100);
}

TEST_F(StarsTest, StandingStarIsDrawnAgainOnlyWhenItsPlaceChanged) {
  // The 5 x 5 picture around a point, to compare a star with itself.
  auto square = [](int cx, int cy) {
    std::vector<COLORREF> p;
    for (int y = cy - 2; y <= cy + 2; ++y)
      for (int x = cx - 2; x <= cx + 2; ++x) p.push_back(Pixel(x, y));
    return p;
  };
  lvx::Surface* surface = lvx::SurfaceOfDC(SaverDC);
  ASSERT_NE(surface, nullptr);
  const struct {
    const char* what;
    void (*disturb)(STAR& star);
  } cases[] = {
      {"erased by a black fill",
       [](STAR&) {
         RECT r{296, 296, 304, 304};
         FillRect(SaverDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
       }},
      {"a neighbour drawn over its edge",
       [](STAR&) {
         STAR other;
         other.Create(30, 45, 800, SaverDC, 0, 0, 1024, 768, 400, 40);
         other.x = 303;
         other.y = 301;
         other.brightness = 70;
         other.CleverPlot();
       }},
      {"one pixel of it changed", [](STAR&) { SetPixel(SaverDC, 298, 300, RGB(9, 9, 9)); }},
      {"erased by itself", [](STAR& star) { star.CleverClear(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Blacken();
    STAR s = MakeStar(300, 300, 60);
    s.Advance();
    const std::vector<COLORREF> drawn = square(300, 300);
    ASSERT_NE(drawn[12], 0u) << "the centre is lit";
    // Standing still, it is not drawn again: a pixel changed behind GDI's
    // back (so nothing records the change) stays as it is.
    surface->Row(300)[300] = 0x010203u;
    s.Advance();
    EXPECT_EQ(Pixel(300, 300), RGB(1, 2, 3));
    surface->Row(300)[300] = lvx::ColorRefToPixel(drawn[12]);
    c.disturb(s);
    s.Advance();
    EXPECT_EQ(square(300, 300), drawn) << "drawn again whole";
  }

  // A new brightness or a new place is drawn at once.
  Blacken();
  STAR s = MakeStar(300, 300, 60);
  s.Advance();
  const std::vector<COLORREF> dim = square(300, 300);
  s.brightness = 70;
  s.Advance();
  EXPECT_NE(square(300, 300), dim);
  s.x = 400;
  s.Advance();
  EXPECT_NE(Pixel(400, 300), 0u);
}

TEST_F(StarsTest, FlightTiming) {
  STAR s = MakeFlier(100, 100, 600, 350);
  StartMoving = 1;
  int frame = 0;
  // Frames with counter 400..301: waiting at the start.
  for (; frame < 100; ++frame) {
    s.Advance();
    StartMoving = 0;
    ASSERT_EQ(s.x, 100) << frame;
    ASSERT_EQ(s.y, 100) << frame;
  }
  EXPECT_EQ(s.moveCounter, 300);
  // Counter 300: f = 0, still at the start; then the glide.
  s.Advance();
  ++frame;
  EXPECT_EQ(s.x, 100);
  int lastX = s.x;
  for (; s.moveCounter >= 50; ++frame) {
    const int counter = s.moveCounter;
    AnyStarMoving = 0;
    s.Advance();
    ASSERT_EQ(AnyStarMoving, 1);
    const double f = (300.0 - counter) / 250.0;
    ASSERT_EQ(s.x, 100 + static_cast<int>(500 * f));
    ASSERT_EQ(s.y, 100 + static_cast<int>(250 * f));
    ASSERT_GE(s.x, lastX);
    lastX = s.x;
  }
  // Counter 50 put it exactly on its target.
  EXPECT_EQ(s.x, 600);
  EXPECT_EQ(s.y, 350);
  EXPECT_EQ(s.moveCounter, 49);
  // The last 49 frames it rests there, still counted as moving.
  for (int i = 0; i < 49; ++i) {
    AnyStarMoving = 0;
    s.Advance();
    ASSERT_EQ(AnyStarMoving, 1);
    ASSERT_EQ(s.x, 600);
  }
  EXPECT_EQ(s.moveCounter, 0);
  AnyStarMoving = 0;
  s.Advance();
  EXPECT_EQ(AnyStarMoving, 0);
  // The start spot was erased on leaving, the target shows the star.
  EXPECT_EQ(Pixel(100, 100), 0u);
  EXPECT_NE(Pixel(600, 350), 0u);
}

// Message stars that only wait during a flight are passed over, yet count
// the flight down with the rest: one hidden on the top edge whose flight
// leads nowhere, one that waits to depart, and one standing whose flight
// leads nowhere but which is cleared and drawn again while it "moves".
TEST_F(StarsTest, StarsPassedOverInAFlightCountItDownAndDepartOnTime) {
  lvx::Surface* surface = lvx::SurfaceOfDC(SaverDC);
  ASSERT_NE(surface, nullptr);
  TwinkleDraw = 0;
  const auto flier = [&](int x, int y, int toX, int toY) {
    STAR s = MakeFlier(x, y, toX, toY);
    s.twinklePhase = 777;  // its twinkle never comes up
    return s;
  };
  STAR hidden = flier(10, 0, 10, 0), departing = flier(200, 200, 600, 350),
       standing = flier(400, 400, 400, 400);
  StarRest hiddenRest, departingRest, standingRest;
  StartMoving = 1;
  for (int frame = 0; frame < 420; ++frame) {
    const int counter = frame == 0 ? 400 : hidden.moveCounter;
    AnyStarMoving = 0;
    AdvanceStars(&hidden, 1, hiddenRest);
    ASSERT_EQ(AnyStarMoving, counter > 0 ? 1 : 0) << frame;
    SettleStars(&hidden, 1, hiddenRest);
    ASSERT_EQ(hidden.moveCounter, std::max(counter - 1, 0)) << frame;
    AdvanceStars(&departing, 1, departingRest);
    SettleStars(&departing, 1, departingRest);
    ASSERT_EQ(departing.moveCounter, hidden.moveCounter) << frame;
    // It leaves on time and glides as when advanced alone.
    const double f = counter > 300 ? 0.0 : counter < 50 ? 1.0 : (300.0 - counter) / 250.0;
    ASSERT_EQ(departing.x, 200 + static_cast<int>(400 * f)) << frame;
    ASSERT_EQ(departing.y, 200 + static_cast<int>(150 * f)) << frame;
    // A pixel changed behind GDI's back is put back by the first drawing
    // and by the clearing and drawing while the standing one "moves", and
    // left alone otherwise.
    std::uint32_t& centre = surface->Row(400)[400];
    const std::uint32_t lit = centre;
    centre = 0x010203u;
    AdvanceStars(&standing, 1, standingRest);
    StartMoving = 0;
    SettleStars(&standing, 1, standingRest);
    ASSERT_EQ(standing.moveCounter, hidden.moveCounter) << frame;
    const bool draws = frame == 0 || (counter >= 50 && counter <= 300);
    ASSERT_EQ(centre == 0x010203u, !draws) << frame;
    centre = lit;
  }
}

// A hidden star's twinkle changes nothing on the screen, so the loop counts
// it down in the star's entry: its brightness and counts, once settled,
// must follow the twinkle exactly as Advance would, also when it departs
// mid-twinkle with its record behind.
TEST_F(StarsTest, HiddenStarsTwinklingUnseenKeepTheirBrightnessTrue) {
  const auto hiddenStar = [&](int x, int phase, bool flies) {
    STAR s = flies ? MakeFlier(x, 0, 600, 300) : MakeStar(x, 0, 0);
    s.brightness = s.baseBrightness;
    s.twinklePhase = phase;
    return s;
  };
  // Parked for good; twinkling while waiting to depart and departing
  // mid-twinkle; hidden at the bottom edge too (parked there by Advance).
  std::vector<STAR> passed{hiddenStar(10, 5, false), hiddenStar(20, 6, true),
                           hiddenStar(30, 7, false)};
  passed[2].y = passed[2].startY = passed[2].targetY = 768;
  passed[1].twinkleDuration = 37;  // a length apart from the others'
  std::vector<STAR> alone = passed;
  StarRest rest;
  StartMoving = 1;
  for (int frame = 0; frame < 420; ++frame) {
    // Each twinkle comes up twice, once in the flight's wait.
    TwinkleDraw = frame == 3 || frame == 200 ? 5 : frame == 90 || frame == 280 ? 6
                  : frame == 150 ? 7 : 1000;
    AdvanceStars(passed.data(), passed.size(), rest);
    for (STAR& s : alone) s.Advance();
    StartMoving = 0;
    // Mostly the records stay behind between frames, as in the saver.
    if (frame % 7 != 0 && frame != 419) continue;
    SettleStars(passed.data(), passed.size(), rest);
    for (std::size_t i = 0; i < passed.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "frame " << frame << " star " << i);
      ASSERT_EQ(passed[i].brightness, alone[i].brightness);
      ASSERT_EQ(passed[i].twinkleCounter, alone[i].twinkleCounter);
      ASSERT_EQ(passed[i].moveCounter, alone[i].moveCounter);
      ASSERT_EQ(passed[i].x, alone[i].x);
      ASSERT_EQ(passed[i].y, alone[i].y);
    }
  }
  // The twinkles really ran, and the flier left the edge mid-twinkle.
  EXPECT_EQ(alone[1].x, 600);
  EXPECT_EQ(alone[1].y, 300);
  EXPECT_NE(alone[0].brightness, alone[0].baseBrightness);
}

TEST_F(StarsTest, ParksOnTheBottomEdge) {
  STAR s = MakeStar(500, 400, 30);
  s.messageFlag = 1;
  s.moveDuration = 40;
  s.departTime = 30;
  s.arriveTime = 5;
  s.targetX = 700;
  s.targetY = 768;
  StartMoving = 1;
  for (int i = 0; i < 40; ++i) {
    s.Advance();
    StartMoving = 0;
  }
  EXPECT_EQ(s.x, 700);
  EXPECT_EQ(s.y, 0);
  EXPECT_EQ(s.startY, 0);
  EXPECT_EQ(s.targetY, 0);
  // Parked: not drawn anywhere.
  Blacken();
  s.CleverPlot();
  EXPECT_EQ(LitIn(690, 0, 710, 4), 0);
  EXPECT_EQ(LitIn(690, 760, 710, 768), 0);
}

TEST_F(StarsTest, PictureAndMoonCellsAreLeftAlone) {
  SpaceMatrix.FillArea(50, 50, 10, 10, CellPicture);
  SpaceMatrix.FillArea(80, 80, 10, 10, CellMoon);
  STAR s = MakeStar(55, 55, 60);
  s.CleverPlot();
  EXPECT_EQ(LitIn(45, 45, 65, 65), 0);
  SetPixel(SaverDC, 55, 55, RGB(1, 2, 3));
  s.CleverClear();
  EXPECT_EQ(Pixel(55, 55), RGB(1, 2, 3));
  EXPECT_EQ(SpaceMatrix.GetData(55, 55), CellPicture);
  STAR m = MakeStar(85, 85, 20);
  m.CleverPlot();
  m.CleverClear();
  EXPECT_EQ(Pixel(85, 85), 0u);
  EXPECT_EQ(SpaceMatrix.GetData(85, 85), CellMoon);
}

TEST_F(StarsTest, BadCoordinatesAndBrightnessAreReported) {
  STAR s = MakeStar(-4, 10, 20);
  s.CleverPlot();
  EXPECT_TRUE(Logged("STAR::CleverPlot x= -4"));
  s.x = 10;
  s.y = -2;
  s.CleverClear();
  EXPECT_TRUE(Logged("STAR::CleverClear y= -2"));
  // Out of the palette's range: reported, drawn with the nearest sprite.
  s.y = 10;
  s.brightness = 250;
  s.CleverPlot();
  EXPECT_TRUE(Logged("Brightness= 250"));
  EXPECT_EQ(Pixel(10, 10), RGB(255, 255, 255));
  s.brightness = -7;
  s.CleverPlot();
  EXPECT_TRUE(Logged("Brightness= -7"));
}

TEST_F(StarsTest, PaletteLivesWhileStarsLive) {
  STAR a = MakeStar(10, 10, 40);
  MakeStar(20, 20, 40);
  EXPECT_EQ(StarPalette.nCreated, 2);
  EXPECT_TRUE(Logged("StarPaletteClass::Create= Creating palette"));
  a.CleverPlot();
  StarPalette.Destroy();
  EXPECT_TRUE(StarPalette.sprite[40].bitmap.Used());
  StarPalette.Destroy();
  EXPECT_TRUE(Logged("StarPaletteClass::Destroy= Destroying palette"));
  EXPECT_FALSE(StarPalette.sprite[40].bitmap.Used());
  EXPECT_EQ(StarPalette.sprite[40].created, 0);
  // A new first star builds it again.
  MakeStar(30, 30, 40);
  EXPECT_TRUE(StarPalette.sprite[40].bitmap.Used());
  StarPalette.Destroy();
}

TEST_F(StarsTest, ReleasingTooManyStarsStopsThePalette) {
  MakeStar(10, 10, 40);
  StarPalette.Destroy();
  StarPalette.Destroy();
  EXPECT_TRUE(Logged("StarPaletteClass::Destroy= nCreated<0"));
  EXPECT_EQ(StarPalette.nCreated, -1);
  STAR b;
  b.Create(30, 45, 800, SaverDC, 0, 0, 1024, 768, 400, 40);
  EXPECT_TRUE(Logged("StarPaletteClass::Create= nCreated<0"));
  EXPECT_EQ(StarPalette.nCreated, -1);
  EXPECT_FALSE(StarPalette.sprite[40].bitmap.Used());
}

TEST_F(StarsTest, ShootingStarFallsAndResets) {
  ShootingStar star;
  star.Reset();
  EXPECT_EQ(star.y, 0.0f);
  EXPECT_FLOAT_EQ(star.vy, 500.0f * 50);
  EXPECT_LT(star.waitCounter, 300);
  EXPECT_GE(star.vx, -12500.0f);
  EXPECT_LT(star.vx, 12500.0f);
  star.x = 300.0f;
  star.vx = 0.0f;
  star.waitCounter = 601;  // 30 s at 50 ms a frame have passed
  SetPixel(SaverDC, 300, 24, RGB(9, 9, 9));
  star.Step();
  EXPECT_NEAR(star.y, 25.0f, 0.01f);
  EXPECT_EQ(Pixel(300, 25), RGB(255, 255, 255));
  EXPECT_EQ(Pixel(300, 24), RGB(200, 200, 255));
  EXPECT_EQ(Pixel(300, 23), RGB(150, 150, 255));
  star.Step();
  // The old trail got its saved colours back.
  EXPECT_EQ(Pixel(300, 24), RGB(9, 9, 9));
  EXPECT_EQ(Pixel(300, 23), 0u);
  EXPECT_EQ(Pixel(300, 50), RGB(255, 255, 255));
  for (int i = 0; i < 40; ++i) star.Step();
  // Past the bottom it starts over at the top, waiting again.
  EXPECT_LT(star.y, 768.0f);
  EXPECT_LT(star.waitCounter, 400);
  EXPECT_EQ(LitIn(299, 740, 302, 768), 0);
}

}  // namespace
