// The universe on a saver-like window, with the message book, the text
// pixels, the time events and the moon as at the start of a run.
#pragma once

#include "events/time_events.h"
#include "messages/quill.h"
#include "messages/text_pixels.h"
#include "moon/moon_display.h"
#include "moon/phase.h"
#include "tests/scene/scene_fixture.h"
#include "universe/universe.h"

class UniverseFixture : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    lvx::ResetMessageBookForTests();
    lvx::ResetTextPixelsForTests();
    lvx::ResetTimeEventsForTests();
    lvx::ResetMoonForTests();
    lvx::ResetMoonDisplayForTests();
    lvx::ResetUniverseForTests();
  }
  void TearDown() override { lvx::ResetUniverseForTests(); }
};
