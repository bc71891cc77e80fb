// The mood sound and the cuckoo, played through SDL's dummy audio driver
// (which runs in real time); the cuckoo's clock is the test's own.
#include "events/sounds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/sound/sound_internal.h"
#include "platform/winapi.h"
#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "tests/support/test_support.h"

namespace {

using lvx::test::MakeTempDir;
using lvx::test::WriteFile;

// Lengths of the built-in waves, which tell which one is sounding.
constexpr double kMorningCall = 2.4, kOtherCall = 0.43, kMelody = 6.9, kLullaby = 9.2;

std::string WaveBytes(int id) {
  lvx::ResourceBytes r = lvx::FindWaveResource(id);
  return r ? std::string(reinterpret_cast<const char*>(r.data), r.size) : std::string();
}

// Format 0, one track: middle C for a quarter second.
std::string TinyMidi() {
  const unsigned char bytes[] = {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    0,  0,
                                 1,    0,    96,   'M',  'T',  'r',  'k',  0,    0,    0,  19,
                                 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 60, 100,
                                 0x30, 0x80, 60,   0,    0x00, 0xFF, 0x2F, 0x00};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

bool SoundFontInstalled() {
  for (const char* f :
       {"/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/soundfonts/default.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2"})
    if (lvx::test::FileExists(f)) return true;
  return false;
}

SYSTEMTIME fakeNow{};
int clockReads = 0;
void FakeClock(SYSTEMTIME* now) {
  ++clockReads;
  *now = fakeNow;
}

class Sounds : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    lvx::sound::ShutdownAudio();
    lvx::test::WriteFile(lvx::LogFilePath(), "");  // the log writes every entry
    lvx::ResetLogForTests();
    lvx::ResetSettingsForTests();
    lvx::ResetSaverStateForTests();
    lvx::ResetSoundsForTests();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    clockReads = 0;
  }
  void TearDown() override {
    lvx::ResetSoundsForTests();
    lvx::sound::ShutdownAudio();
  }

  static void Set(const char* key, int value) {
    MainSettings.UserWriteUInt("Sound", key, static_cast<unsigned>(value));
  }
  static void Set(const char* key, const std::string& value) {
    MainSettings.UserWriteString("Sound", key, value.c_str());
  }
  void Mood(int choice, int loop) {
    Set("Sound", choice);
    Set("PlayContinuously", loop);
    sound_.PlayMood(nullptr);
  }
  // One check of the hour watch: the frame on which it looks at the clock.
  void Check(int hour, int minute, int cuckooOn = 1) {
    FrameCounter += 2000 / RealTickTime;
    fakeNow.wHour = static_cast<WORD>(hour);
    fakeNow.wMinute = static_cast<WORD>(minute);
    sound_.CuckooTick(cuckooOn, FakeClock);
  }
  static std::string Log() { return lvx::test::ReadFile(lvx::LogFilePath()); }

  SoundClass sound_;
};

TEST_F(Sounds, EachChoicePlaysItsWaveOnceOrInALoop) {
  struct Case {
    int choice, loop;
    bool playing, looping;
    double seconds;
  } const cases[] = {
      {124, 0, true, false, kLullaby},
      {191, 1, true, true, kMelody},
      {SoundSilence, 1, false, false, 0},
      // Choices that name no wave resource: silence, and no complaint.
      {999, 1, false, false, 0},
      {65536 + 124, 0, false, false, 0},
      {-124, 0, false, false, 0},
      {0, 0, false, false, 0},
  };
  testing::internal::CaptureStderr();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    Mood(107, 1);  // something sounding before the choice
    ASSERT_TRUE(lvx::sound::WavePlaying());
    Mood(c.choice, c.loop);
    EXPECT_EQ(lvx::sound::WavePlaying(), c.playing);
    EXPECT_EQ(lvx::sound::WaveLooping(), c.looping);
    if (c.playing) {
      EXPECT_NEAR(lvx::sound::WaveSeconds(), c.seconds, 0.1);
    }
  }
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("MessageBox"), std::string::npos) << err;
  EXPECT_EQ(Log().find("ERROR>"), std::string::npos) << Log();
}

TEST_F(Sounds, SilenceOpensNoAudioDevice) {
  Mood(SoundSilence, 0);
  EXPECT_FALSE(lvx::sound::AudioOpen());
  StopSound();
  EXPECT_FALSE(lvx::sound::AudioOpen());
}

TEST_F(Sounds, OwnWavFilePlaysAndLoopsOnRequest) {
  const std::string dir = MakeTempDir("my sounds");
  WriteFile(dir + "/call.wav", WaveBytes(CuckooOther));
  Set("WavFile", dir + "/call.wav");
  Mood(SoundWavFile, 1);
  EXPECT_TRUE(lvx::sound::WavePlaying());
  EXPECT_TRUE(lvx::sound::WaveLooping());
  EXPECT_NEAR(lvx::sound::WaveSeconds(), kOtherCall, 0.05);

  // A file that is missing or no sound gives silence.
  WriteFile(dir + "/noise.wav", "RIFF....WAVEjunk");
  for (const std::string& bad : {dir + "/noise.wav", dir + "/gone.wav", std::string()}) {
    Set("WavFile", bad);
    Mood(SoundWavFile, 0);
    EXPECT_FALSE(lvx::sound::WavePlaying()) << bad;
  }
}

TEST_F(Sounds, MidiPlaysOnceEvenWhenAskedToRepeatAndStopSoundClosesIt) {
  const std::string dir = MakeTempDir("midi");
  // A file that cannot be opened leaves no device behind.
  Set("MidFile", dir + "/missing.mid");
  Mood(SoundMidiFile, 1);
  EXPECT_EQ(MidiDevice, 0u);
  EXPECT_EQ(lvx::sound::OpenSequencers(), 0u);
  EXPECT_EQ(PlayMidi(nullptr, (dir + "/missing.mid").c_str()),
            static_cast<MCIERROR>(MCIERR_FILE_NOT_FOUND));

  if (!SoundFontInstalled()) GTEST_SKIP() << "no General MIDI sound font installed";
  WriteFile(dir + "/tune.mid", TinyMidi());
  Set("MidFile", dir + "/tune.mid");
  Mood(191, 1);
  Mood(SoundMidiFile, 1);
  EXPECT_FALSE(lvx::sound::WavePlaying()) << "the wave sound goes on under the MIDI";
  ASSERT_NE(MidiDevice, 0u);
  EXPECT_TRUE(lvx::sound::MidiPlaying());
  // The tune lasts a quarter second (the synthesiser lets it ring a little
  // longer): once over, it stays over.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  while (lvx::sound::MidiPlaying() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(lvx::sound::MidiPlaying()) << "still playing after 8 seconds";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_FALSE(lvx::sound::MidiPlaying());
  EXPECT_EQ(lvx::sound::OpenSequencers(), 1u);

  // A new mood closes the old device before opening another.
  Mood(SoundMidiFile, 0);
  EXPECT_EQ(lvx::sound::OpenSequencers(), 1u);
  StopSound();
  EXPECT_EQ(MidiDevice, 0u);
  EXPECT_EQ(lvx::sound::OpenSequencers(), 0u);
}

TEST_F(Sounds, CuckooCallsAfterTheHourThenTheMoodComesBack) {
  struct Case {
    int hour;
    double call;
  } const cases[] = {{7, kMorningCall}, {8, kMorningCall}, {9, kMorningCall}, {6, kOtherCall},
                     {10, kOtherCall},  {19, kOtherCall},  {0, kOtherCall}};
  RealTickTime = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hour);
    lvx::ResetSoundsForTests();
    Mood(191, 1);
    Check((c.hour + 23) % 24, 58);
    Check((c.hour + 23) % 24, 59);
    Check(c.hour, 0);  // the hour has turned
    EXPECT_TRUE(lvx::sound::WaveLooping()) << "the call came at the turn itself";
    // The mood changed meanwhile: the restart reads the settings again.
    Set("Sound", 124);
    Check(c.hour, 0);
    EXPECT_FALSE(lvx::sound::WaveLooping());
    EXPECT_NEAR(lvx::sound::WaveSeconds(), c.call, 0.1);
    Check(c.hour, 0);
    EXPECT_NEAR(lvx::sound::WaveSeconds(), kLullaby, 0.1);
    Check(c.hour, 1);
    EXPECT_NEAR(lvx::sound::WaveSeconds(), kLullaby, 0.1) << "only one restart";
  }
  const std::string log = Log();
  EXPECT_NE(log.find("Cuckoo= 143"), std::string::npos) << log;
  EXPECT_NE(log.find("Cuckoo= 110"), std::string::npos) << log;
}

TEST_F(Sounds, CuckooLooksAtTheClockAboutEveryTwoSeconds) {
  RealTickTime = 40;  // a check every 50 frames
  Mood(191, 1);
  fakeNow.wHour = 7;
  for (FrameCounter = 1; FrameCounter <= 200; ++FrameCounter) {
    fakeNow.wMinute = FrameCounter < 100 ? 59 : 0;
    sound_.CuckooTick(1, FakeClock);
  }
  // Frames 50 and 100 saw minute 59 and the turn, 150 called, 200 restarted.
  EXPECT_EQ(clockReads, 4);
  EXPECT_NE(Log().find("Cuckoo= 143"), std::string::npos);
  EXPECT_TRUE(lvx::sound::WaveLooping());
}

TEST_F(Sounds, NoCallAtTheFirstCheckOfARunOrWithTheCuckooOff) {
  RealTickTime = 40;
  // A run that starts right after a full hour has seen no turn.
  Mood(191, 1);
  for (int i = 0; i < 4; ++i) Check(7, 0);
  EXPECT_TRUE(lvx::sound::WaveLooping());

  // Off: no call, no restart (which would pick up the changed mood), and the
  // clock is not even read.
  lvx::ResetSoundsForTests();
  clockReads = 0;
  Set("Sound", 124);
  for (int minute : {58, 59, 0, 0, 0, 0}) Check(minute == 0 ? 8 : 7, minute, 0);
  EXPECT_TRUE(lvx::sound::WaveLooping());
  EXPECT_NEAR(lvx::sound::WaveSeconds(), kMelody, 0.1);
  EXPECT_EQ(clockReads, 0);
  EXPECT_EQ(Log().find("Cuckoo="), std::string::npos);
}

}  // namespace
