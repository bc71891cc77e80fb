#include "universe/universe.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "messages/message_stars.h"
#include "platform/gdi/surface.h"
#include "tests/universe/universe_fixture.h"

namespace {

class UniverseTest : public UniverseFixture {
 protected:
  static void PutMessage(int slot, const char* text, const char* bottomLine) {
    Quill.Index = slot;
    std::strcpy(Quill.Message, text);
    std::strcpy(Quill.BottomLine, bottomLine);
    Quill.Password[0] = '\0';
    Quill.Write();
  }
  static void Put(const char* key, const char* value) {
    WritePrivateProfileStringA("params", key, value, MainSettings.Path().c_str());
  }
  static int Occurrences(const std::string& text) {
    const std::string log = Log();
    int n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  Universe& U() { return Universe::Instance(); }
};

TEST_F(UniverseTest, TickTimeIsRecomputedFromThe200thCall) {
  Universe& u = U();
  for (int call = 1; call <= 99; ++call) ASSERT_EQ(u.AdaptTickTime(), FALSE);
  lvx::AdvanceStopwatchClockForTests(1000);
  // The 100th call only records the stopwatch.
  EXPECT_EQ(u.AdaptTickTime(), FALSE);
  EXPECT_EQ(RealTickTime, 50);
  EXPECT_EQ(TickTime, 40);
  Put("TickProcess_mSec", "\"-80\"");
  for (int call = 101; call <= 199; ++call) ASSERT_EQ(u.AdaptTickTime(), FALSE);
  lvx::AdvanceStopwatchClockForTests(6000);  // 60 ms a frame
  EXPECT_EQ(u.AdaptTickTime(), TRUE);
  EXPECT_EQ(RealTickTime, 60);
  EXPECT_EQ(TickTime, (60 + 80) / 2);

  // Clamps: real time 30..100, the period 40..80.
  for (int call = 201; call <= 299; ++call) ASSERT_EQ(u.AdaptTickTime(), FALSE);
  lvx::AdvanceStopwatchClockForTests(20000);
  EXPECT_EQ(u.AdaptTickTime(), TRUE);
  EXPECT_EQ(RealTickTime, 100);
  EXPECT_EQ(TickTime, 80);
  Put("TickProcess_mSec", "\"10\"");
  for (int call = 301; call <= 399; ++call) ASSERT_EQ(u.AdaptTickTime(), FALSE);
  lvx::AdvanceStopwatchClockForTests(100);
  EXPECT_EQ(u.AdaptTickTime(), TRUE);
  EXPECT_EQ(RealTickTime, 30);
  EXPECT_EQ(TickTime, 40);

  // The extremes a settings file can hold do not overflow the difference.
  Put("TickProcess_mSec", "\"-2147483648\"");
  for (int call = 401; call <= 499; ++call) ASSERT_EQ(u.AdaptTickTime(), FALSE);
  lvx::AdvanceStopwatchClockForTests(5000);
  EXPECT_EQ(u.AdaptTickTime(), TRUE);
  EXPECT_EQ(RealTickTime, 50);
  EXPECT_EQ(TickTime, 80);
}

TEST_F(UniverseTest, FixedTickTimeWinsUnclamped) {
  Put("FixedTickTime", "\"25\"");
  Universe& u = U();
  for (int call = 1; call <= 199; ++call) {
    if (call == 100) lvx::AdvanceStopwatchClockForTests(700);
    ASSERT_EQ(u.AdaptTickTime(), FALSE);
  }
  lvx::AdvanceStopwatchClockForTests(5000);
  EXPECT_EQ(u.AdaptTickTime(), TRUE);
  EXPECT_EQ(RealTickTime, 50);
  EXPECT_EQ(TickTime, 25);
  // Nothing is written on screen without "DebugTickTime".
  EXPECT_EQ(LitIn(0, 190, 400, 230), 0);
}

TEST_F(UniverseTest, DebugTickTimeShowsTheTimingLine) {
  Put("DebugTickTime", "\"1\"");
  Universe& u = U();
  for (int call = 1; call <= 199; ++call) {
    if (call == 100) lvx::AdvanceStopwatchClockForTests(700);
    u.AdaptTickTime();
    if (call == 150) Put("DebugTickTime", "\"0\"");  // read once, at the first call
  }
  lvx::AdvanceStopwatchClockForTests(5000);
  ASSERT_EQ(u.AdaptTickTime(), TRUE);
  EXPECT_GT(LitIn(1, 200, 400, 230), 20);
  EXPECT_EQ(LitIn(0, 0, 1024, 199), 0);
}

TEST_F(UniverseTest, SwitchOffEffectRunsOncePerProcess) {
  RECT all{0, 0, 1024, 768};
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  FillRect(SaverDC, &all, white);
  U().SwitchOffEffect(window_, SaverDC);
  // Closed onto the middle row, the line shrunk and the dots painted black.
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 0);
  EXPECT_TRUE(Logged("SwitchOffEffect-Screen Height= 768"));
  EXPECT_TRUE(Logged("SwitchOffEffect-height= 48"));
  EXPECT_EQ(Occurrences("Clearing from"), 16);
  FillRect(SaverDC, &all, white);
  U().SwitchOffEffect(window_, SaverDC);
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 1024 * 768);
  EXPECT_EQ(Occurrences("SwitchOffEffect= entering"), 1);
}

TEST(BottomLineText, ComposedWithMoonNoticeAndMargin) {
  char out[QUILL::BottomLineSize];
  ComposeBottomLine(out, sizeof out, "", "Full moon tonight");
  EXPECT_STREQ(out, "  ");
  ComposeBottomLine(out, sizeof out, "and love", " - full moon");
  EXPECT_STREQ(out, "and love - full moon  ");
  const std::string line(299, 'x');
  ComposeBottomLine(out, sizeof out, line.c_str(), " - full moon");
  EXPECT_EQ(std::string(out), line);
  const std::string almost(290, 'y');
  ComposeBottomLine(out, sizeof out, almost.c_str(), " - full moon");
  EXPECT_EQ(std::string(out), almost + " - full m");
  char tiny[4];
  ComposeBottomLine(tiny, sizeof tiny, "abcdef", "moon");
  EXPECT_STREQ(tiny, "abc");
}

TEST_F(UniverseTest, CreateBuildsTheSkyAndDestroyReleasesIt) {
  PutMessage(0, "HI", "and a bottom line");
  Universe& u = U();
  u.Destroy();
  EXPECT_TRUE(Logged("Universe= Destroy !Created"));
  u.Create();
  EXPECT_TRUE(u.Created());
  EXPECT_FALSE(SmallScreen);
  EXPECT_EQ(StarPalette.nCreated, MessageStarCount + SkyStarCount);
  EXPECT_EQ(SpaceMatrix.Width(), 1024);
  EXPECT_EQ(SpaceMatrix.Height(), 768);
  EXPECT_TRUE(u.bottomLine.bitmap.Used());
  EXPECT_EQ(u.bottomLine.scrollOffset, 0);
  EXPECT_TRUE(Logged("BOTTOMLINE::Create= and a bottom line"));
  // The scene-creating frame leaves a black sky.
  EXPECT_EQ(LitIn(0, 0, 1024, 768), 0);

  int needed = 0;
  for (const MSGSTAR& s : u.messageStars) {
    ASSERT_EQ(s.messageFlag, 1);
    ASSERT_EQ(s.y, 0);
    ASSERT_EQ(s.moveCounter, 400);
    if (s.targetY != 0) {
      ++needed;
      // Inside the text band: a tenth of the width, a seventh of the height.
      EXPECT_GE(s.targetX, 102);
      EXPECT_LE(s.targetX, 922);
      EXPECT_GE(s.targetY, 109);
      EXPECT_LE(s.targetY, 659);
    } else {
      EXPECT_EQ(s.targetX, s.x);
    }
  }
  EXPECT_GT(needed, 10);
  EXPECT_LT(needed, MessageStarCount);
  for (const STAR& s : u.stars) {
    ASSERT_EQ(s.messageFlag, 0);
    ASSERT_GE(s.baseBrightness, 15);
    ASSERT_LT(s.baseBrightness, 30);
  }

  u.Destroy();
  EXPECT_FALSE(u.Created());
  EXPECT_EQ(StarPalette.nCreated, 0);
  EXPECT_EQ(SpaceMatrix.Width(), 0);
  EXPECT_FALSE(u.bottomLine.bitmap.Used());
  EXPECT_TRUE(Logged("Universe= Destroing MStars"));
}

TEST_F(UniverseTest, TickOnAnUncreatedSceneCreatesItAndLeavesABreadcrumb) {
  PutMessage(0, "A", "");
  U().Tick();
  EXPECT_TRUE(U().Created());
  // Stored by the same frame's flush.
  EXPECT_NE(lvx::test::ReadFile(MainSettings.Path()).find("universe - 160"), std::string::npos);
  EXPECT_EQ(lvx::TraceBufferForTests(), "");
}

TEST_F(UniverseTest, PreviewSizedSkyIsSmall) {
  ScreenRect.right = 152;
  ScreenRect.bottom = 112;
  MainSettings.UserWriteString("Params", "ReachTheStars", "1");
  PutMessage(0, "A", "b");
  U().Create();
  EXPECT_TRUE(SmallScreen);
  EXPECT_FALSE(Logged("SplashScreen"));
  EXPECT_EQ(SpaceMatrix.Width(), 152);
  for (int i = 0; i < 50; ++i) U().Tick();
  for (const STAR& s : U().stars) {
    ASSERT_LT(s.x, 152);
    ASSERT_LT(s.y, 112);
  }
}

// A message forms, the bottom line waits for the last star, crosses the
// screen in (width + screen width) / 2 frames, and the next message follows.
TEST_F(UniverseTest, MessageCycleTiming) {
  PutMessage(0, "HI", "first");
  PutMessage(1, "YO", "second");
  Universe& u = U();
  u.Create();
  // A bottom line of a known width: 600 pixels.
  u.bottomLine.bitmap.Destroy();
  u.bottomLine.bitmap.CreateBlack(SaverDC, 600, 16);
  RECT r{0, 0, 600, 16};
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  FillRect(u.bottomLine.bitmap.hMemDC, &r, white);

  int frame = 0;
  int firstScroll = 0;
  int nextAt = 0;
  int lastOffset = 0;
  while (frame < 2000 && nextAt == 0) {
    const int before = u.bottomLine.scrollOffset;
    u.Tick();
    ++frame;
    if (firstScroll == 0 && u.bottomLine.scrollOffset == before + 2) {
      firstScroll = frame;
      // Placed at the right edge, 5 pixels above the bottom.
      EXPECT_EQ(u.bottomLine.bitmap.x, 1024);
      EXPECT_EQ(u.bottomLine.bitmap.y, 768 - 16 - 5);
    }
    if (frame == 400) {
      // Every star has landed: the text stands, unneeded stars are parked.
      for (const MSGSTAR& s : u.messageStars) {
        ASSERT_EQ(s.moveCounter, 0);
        ASSERT_EQ(s.x, s.targetX);
        ASSERT_EQ(s.y, s.targetY);
      }
    }
    if (frame == 1000) {
      EXPECT_GT(LitIn(0, 747, 1024, 763), 0);
    }
    if (std::strcmp(Quill.Message, "YO") == 0) {
      nextAt = frame;
      lastOffset = before;
    }
  }
  // 400 frames of flight (20 s at 50 ms), then the first frame that saw no
  // star moving in the frame before.
  EXPECT_EQ(firstScroll, 402);
  // The line is gone after 813 frames (offset 1626 > 600 + 1024), and that
  // frame starts the next message.
  EXPECT_EQ(nextAt, firstScroll + 812);
  EXPECT_EQ(lastOffset, 1624);
  EXPECT_EQ(Occurrences("MSGSTAR::PrintMsg= entering"), 2);
  EXPECT_EQ(u.bottomLine.nextMessagePending, 0);
  EXPECT_EQ(u.bottomLine.scrollOffset, 0);
  EXPECT_TRUE(Logged("BOTTOMLINE::Create= second"));
  // Every star started a new flight from where it stood.
  for (const MSGSTAR& s : u.messageStars) ASSERT_EQ(s.moveCounter, 399);
}

// Passing over the stars at rest only saves work: frame by frame the sky
// and the flight's count are the ones of advancing every star, through a
// flight (most stars waiting, hidden or still to depart), twinkles, the
// bottom line, the flying picture and blots painted over standing stars, and
// into the next flight. Both skies grow from the same scene, each in
// a child process of its own.
TEST_F(UniverseTest, StarsPassedOverAtRestDrawTheSkyOfEveryStarAdvanced) {
  PutMessage(0, "HI", "first");
  PutMessage(1, "YO", "second");
  MainSettings.UserWriteString("FPicture", "Category", "1");
  Universe& u = U();
  u.Create();
  // Into the second flight, whose stars depart from the first message.
  constexpr int kFrames = 1400;
  const auto sky = [&](bool passOver) {
    lvx::PassOverStarsAtRest(passOver);
    const lvx::Surface* surface = lvx::SurfaceOfDC(SaverDC);
    const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    std::vector<std::uint64_t> out;  // the sky every 4th frame, then the stars
    const auto fold = [](std::uint64_t hash, std::uint64_t value) {
      return (hash ^ value) * 1099511628211ull;
    };
    for (int frame = 1; frame <= kFrames; ++frame) {
      u.Tick();
      if (frame % 7 == 0) {
        // A blot over part of the sky, as a window or an airplane leaves it.
        const int x = (frame * 37) % 1000, y = (frame * 53) % 740;
        const RECT blot{x, y, x + 3 + frame % 20, y + 2 + frame % 15};
        FillRect(SaverDC, &blot, black);
      }
      if (frame % 4 != 0) continue;
      u.SettleStars();
      std::uint64_t hash = 1469598103934665603ull;
      for (std::uint32_t p : surface->pixels) hash = fold(hash, p);
      // Stars passed over still count their flight and unseen twinkle down.
      for (const MSGSTAR& s : u.messageStars)
        for (int v : {s.moveCounter, s.twinkleCounter, s.brightness})
          hash = fold(hash, static_cast<std::uint32_t>(v));
      hash = fold(hash, static_cast<std::uint32_t>(AnyStarMoving));
      out.push_back(hash);
    }
    for (const STAR* array : {u.messageStars.data(), u.stars.data()}) {
      const std::size_t count = array == u.stars.data() ? u.stars.size() : u.messageStars.size();
      for (std::size_t i = 0; i < count; ++i) {
        const STAR& s = array[i];
        std::uint64_t hash = 1469598103934665603ull;
        for (int v : {s.x, s.y, s.brightness, s.startX, s.startY, s.targetX, s.targetY,
                      s.twinkleCounter, s.moveCounter})
          hash = fold(hash, static_cast<std::uint32_t>(v));
        out.push_back(hash);
      }
    }
    // The next message has started.
    out.push_back(std::strcmp(Quill.Message, "YO") == 0 ? 1 : 0);
    return out;
  };
  const auto inChild = [&](bool passOver) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      const std::vector<std::uint64_t> out = sky(passOver);
      const char* at = reinterpret_cast<const char*>(out.data());
      std::size_t left = out.size() * sizeof(std::uint64_t);
      while (left > 0) {
        const ssize_t n = write(fds[1], at, left);
        if (n <= 0) _exit(1);
        at += n;
        left -= static_cast<std::size_t>(n);
      }
      _exit(0);
    }
    close(fds[1]);
    std::vector<std::uint64_t> out;
    std::uint64_t value = 0;
    std::size_t have = 0;
    for (;;) {
      const ssize_t n = read(fds[0], reinterpret_cast<char*>(&value) + have, sizeof value - have);
      if (n <= 0) break;
      have += static_cast<std::size_t>(n);
      if (have == sizeof value) {
        out.push_back(value);
        have = 0;
      }
    }
    close(fds[0]);
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return out;
  };
  const std::vector<std::uint64_t> passedOver = inChild(true);
  const std::vector<std::uint64_t> everyStar = inChild(false);
  constexpr std::size_t kSkies = kFrames / 4;
  ASSERT_EQ(passedOver.size(), kSkies + MessageStarCount + SkyStarCount + 1);
  ASSERT_EQ(passedOver.size(), everyStar.size());
  for (std::size_t i = 0; i < kSkies; ++i)
    ASSERT_EQ(passedOver[i], everyStar[i]) << "the sky or the flight differs at frame " << 4 * (i + 1);
  for (std::size_t i = kSkies; i + 1 < everyStar.size(); ++i)
    ASSERT_EQ(passedOver[i], everyStar[i]) << "star " << i - kSkies << " differs";
  EXPECT_EQ(everyStar.back(), 1u);
}

TEST_F(UniverseTest, LandedStarsWriteTheMessage) {
  PutMessage(0, "HI", "");
  Universe& u = U();
  u.Create();
  for (int i = 0; i < 400; ++i) u.Tick();
  int onTarget = 0;
  for (const MSGSTAR& s : u.messageStars) {
    if (s.y == 0) continue;
    ++onTarget;
    EXPECT_NE(Pixel(s.x, s.y), 0u) << s.x << "," << s.y;
  }
  EXPECT_GT(onTarget, 10);
  // A message of two letters at the 10-point size needs far fewer stars.
  EXPECT_LT(onTarget, 1000);
}

TEST_F(UniverseTest, FlyingPictureLivesAndDiesWithTheScene) {
  PutMessage(0, "A", "");
  MainSettings.UserWriteString("FPicture", "Category", "1");
  Universe& u = U();
  u.Create();
  ASSERT_TRUE(u.flyingPicture.HasPicture());
  for (int i = 0; i < 100; ++i) u.Tick();
  const FlyingPicture& fp = u.flyingPicture;
  EXPECT_LT(fp.x, 1024 - 300);
  EXPECT_GT(LitIn(fp.x, fp.y, fp.x + fp.shownWidth - 1, fp.y + fp.shownHeight - 1), 100);
  u.Destroy();
  EXPECT_TRUE(Logged("Universe= Destroing FlyPic"));
  EXPECT_FALSE(u.flyingPicture.HasPicture());
  EXPECT_EQ(lvx::TraceBufferForTests().find("FlyingPicture - 2122"), std::string::npos);

  // "Just the sky": nothing was made, and teardown leaves its breadcrumb.
  MainSettings.UserWriteString("FPicture", "Category", "11");
  u.Create();
  EXPECT_FALSE(u.flyingPicture.HasPicture());
  u.Destroy();
  EXPECT_NE(lvx::TraceBufferForTests().find("FlyingPicture - 2122"), std::string::npos);
}

}  // namespace
