// PlaySoundA and the MCI sequencer on SDL's dummy audio driver (which runs
// in real time, so sounds end as they would on a sound card).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <thread>

#include "platform/sound/sound_internal.h"
#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace {

using namespace std::chrono_literals;
using lvx::test::MakeTempDir;
using lvx::test::WriteFile;

// Every test starts with the audio closed and SDL's dummy driver chosen.
class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lvx::sound::ShutdownAudio();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const char* v : {"SDL_SOUNDFONTS", "SDL_FORCE_SOUNDFONTS", "TIMIDITY_CFG"}) unsetenv(v);
  }
  void TearDown() override { lvx::sound::ShutdownAudio(); }
};
using PlaySound = SoundTest;
using Sequencer = SoundTest;

std::string WaveBytes(int id) {
  lvx::ResourceBytes r = lvx::FindWaveResource(id);
  return r ? std::string(reinterpret_cast<const char*>(r.data), r.size) : std::string();
}

// Format 0, one track: middle C for a quarter second, then the end.
std::string TinyMidi() {
  const unsigned char bytes[] = {'M',  'T',  'h',  'd',  0,    0,    0,    6,
                                 0,    0,    0,    1,    0,    96,  // header, 96 ticks/beat
                                 'M',  'T',  'r',  'k',  0,    0,    0,    19,  // track, 19 bytes
                                 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo 500000 us/beat
                                 0x00, 0x90, 60,   100,                     // note on
                                 0x30, 0x80, 60,   0,      // note off after 48 ticks
                                 0x00, 0xFF, 0x2F, 0x00};  // end of track
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

bool SoundFontInstalled() {
  for (const char* f :
       {"/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/soundfonts/default.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2"}) {
    if (lvx::test::FileExists(f)) return true;
  }
  return false;
}

MCIERROR OpenSequencer(const std::string& path, MCIDEVICEID& id, const char* type = "sequencer") {
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = type;
  open.lpstrElementName = path.c_str();
  MCIERROR err = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                                 reinterpret_cast<DWORD_PTR>(&open));
  id = open.wDeviceID;
  return err;
}

HWND NotifyWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "SoundTestNotify";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "SoundTestNotify", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                         nullptr);
}

// Waits (pumping nothing else) for MM_MCINOTIFY; false after `limit`.
bool WaitNotify(HWND hwnd, MSG& msg, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (PeekMessageA(&msg, hwnd, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

TEST_F(PlaySound, ResourcePlaysUntilStopped) {
  ASSERT_TRUE(lvx::sound::AudioAvailable());
  EXPECT_TRUE(PlaySoundA(MAKEINTRESOURCE(124), nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_TRUE(lvx::sound::WavePlaying());
  EXPECT_FALSE(lvx::sound::WaveLooping());
  EXPECT_NEAR(lvx::sound::WaveSeconds(), 9.2, 0.1);
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
  EXPECT_FALSE(lvx::sound::WavePlaying());
  // Stopping when nothing plays is fine too.
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
}

TEST_F(PlaySound, ResourceNamesAndMissingResources) {
  EXPECT_TRUE(PlaySoundA("#110", nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_NEAR(lvx::sound::WaveSeconds(), 0.43, 0.02);
  for (const char* bad : {"#", "#12a", "#999999", "110", "LULLABY"})
    EXPECT_FALSE(PlaySoundA(bad, nullptr, SND_RESOURCE | SND_ASYNC)) << bad;
  EXPECT_FALSE(PlaySoundA(MAKEINTRESOURCE(178), nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_FALSE(lvx::sound::WavePlaying());
}

TEST_F(PlaySound, AdpcmResourcesDecodeToTheirLength) {
  const struct {
    int id;
    double seconds;
  } waves[] = {{123, 6.1}, {124, 9.2}, {130, 1.8}, {167, 0.98}, {168, 9.4}, {183, 4.6}, {191, 6.9}};
  for (const auto& w : waves) {
    ASSERT_TRUE(PlaySoundA(MAKEINTRESOURCE(w.id), nullptr, SND_RESOURCE | SND_ASYNC)) << w.id;
    EXPECT_NEAR(lvx::sound::WaveSeconds(), w.seconds, w.seconds * 0.05) << w.id;
  }
}

TEST_F(PlaySound, LoopKeepsPlayingOnceDoesNot) {
  // 152 lasts 50 ms: once it is long over, a loop is still going.
  ASSERT_TRUE(PlaySoundA(MAKEINTRESOURCE(152), nullptr, SND_RESOURCE | SND_ASYNC));
  std::this_thread::sleep_for(400ms);
  EXPECT_FALSE(lvx::sound::WavePlaying());

  ASSERT_TRUE(PlaySoundA(MAKEINTRESOURCE(152), nullptr, SND_RESOURCE | SND_ASYNC | SND_LOOP));
  std::this_thread::sleep_for(400ms);
  EXPECT_TRUE(lvx::sound::WavePlaying());
  EXPECT_TRUE(lvx::sound::WaveLooping());
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
  EXPECT_FALSE(lvx::sound::WavePlaying());
}

TEST_F(PlaySound, NewSoundReplacesOldAndNoStopKeepsIt) {
  ASSERT_TRUE(PlaySoundA(MAKEINTRESOURCE(191), nullptr, SND_RESOURCE | SND_ASYNC | SND_LOOP));
  ASSERT_TRUE(PlaySoundA(MAKEINTRESOURCE(110), nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_FALSE(lvx::sound::WaveLooping());
  EXPECT_NEAR(lvx::sound::WaveSeconds(), 0.43, 0.02);

  ASSERT_TRUE(PlaySoundA(MAKEINTRESOURCE(107), nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_FALSE(PlaySoundA(MAKEINTRESOURCE(110), nullptr, SND_RESOURCE | SND_ASYNC | SND_NOSTOP));
  EXPECT_NEAR(lvx::sound::WaveSeconds(), 19.6, 0.2);
  EXPECT_TRUE(lvx::sound::WavePlaying());
}

TEST_F(PlaySound, SyncWaitsUntilTheEnd) {
  ASSERT_TRUE(lvx::sound::AudioAvailable());
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_TRUE(PlaySoundA(MAKEINTRESOURCE(188), nullptr, SND_RESOURCE | SND_SYNC));
  auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(took, 200ms);  // 0.32 s of sound; the dummy driver may run a little ahead
  EXPECT_FALSE(lvx::sound::WavePlaying());
  // A synchronous loop would never return: it loops in the background.
  EXPECT_TRUE(PlaySoundA(MAKEINTRESOURCE(152), nullptr, SND_RESOURCE | SND_SYNC | SND_LOOP));
  EXPECT_TRUE(lvx::sound::WaveLooping());
}

TEST_F(PlaySound, FilesPlayAndBadFilesGiveSilence) {
  std::string dir = MakeTempDir("snd");
  WriteFile(dir + "/good.wav", WaveBytes(143));
  WriteFile(dir + "/junk.wav", std::string(300, 'x'));
  WriteFile(dir + "/cut.wav", WaveBytes(124).substr(0, 70));  // header promises far more
  std::string lying = WaveBytes(110);
  lying[40] = '\xFF';  // data chunk claims ~4 GB
  lying[41] = '\xFF';
  lying[42] = '\xFF';
  lying[43] = '\x7F';
  WriteFile(dir + "/lying.wav", lying);

  EXPECT_TRUE(
      PlaySoundA((dir + "/good.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP));
  EXPECT_TRUE(lvx::sound::WaveLooping());
  // A file that cannot be played stops the old sound: silence.
  EXPECT_FALSE(PlaySoundA((dir + "/missing.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
  EXPECT_FALSE(lvx::sound::WavePlaying());
  EXPECT_FALSE(PlaySoundA(dir.c_str(), nullptr, SND_FILENAME | SND_ASYNC));  // a folder
  EXPECT_FALSE(PlaySoundA("", nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT));
  EXPECT_FALSE(PlaySoundA((dir + "/junk.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
  // Truncated or lying files must not crash; whatever plays stays in bounds.
  PlaySoundA((dir + "/cut.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC);
  EXPECT_LT(lvx::sound::WaveSeconds(), 0.1);
  PlaySoundA((dir + "/lying.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC);
  EXPECT_LT(lvx::sound::WaveSeconds(), 0.5);
  // Without a flag a name that is no alias is taken as a file.
  EXPECT_TRUE(PlaySoundA((dir + "/good.wav").c_str(), nullptr, SND_ASYNC));
  EXPECT_NEAR(lvx::sound::WaveSeconds(), 2.4, 0.05);
  // Memory images carry no length we could trust.
  std::string bytes = WaveBytes(110);
  EXPECT_FALSE(PlaySoundA(bytes.data(), nullptr, SND_MEMORY | SND_ASYNC));
}

TEST_F(PlaySound, AliasesUseTheFreedesktopTheme) {
  std::string data = MakeTempDir("data");
  std::string stereo = data + "/sounds/freedesktop/stereo";
  ASSERT_EQ(std::system(("mkdir -p '" + stereo + "'").c_str()), 0);
  WriteFile(stereo + "/message-new-email.wav", WaveBytes(182));
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_DATA_DIRS", MakeTempDir("empty").c_str(), 1);

  WriteFile(stereo + "/message.wav", WaveBytes(152));
  WriteFile(stereo + "/desktop.wav", WaveBytes(152));

  EXPECT_TRUE(PlaySoundA("MailBeep", nullptr, SND_ALIAS | SND_ASYNC));
  EXPECT_NEAR(lvx::sound::WaveSeconds(), 0.15, 0.01);
  EXPECT_TRUE(PlaySoundA("mailbeep", nullptr, SND_ASYNC));  // alias names ignore case
  EXPECT_NEAR(lvx::sound::WaveSeconds(), 0.15, 0.01);
  // The theme's fall-back from a specific event name to a general one.
  ASSERT_EQ(std::remove((stereo + "/message-new-email.wav").c_str()), 0);
  EXPECT_TRUE(PlaySoundA("MailBeep", nullptr, SND_ALIAS | SND_ASYNC));
  EXPECT_NEAR(lvx::sound::WaveSeconds(), 0.05, 0.01);
  EXPECT_TRUE(PlaySoundA("SystemExit", nullptr, SND_ALIAS | SND_ASYNC));
  // Nothing to fall back on, and unknown aliases: nothing plays.
  ASSERT_EQ(std::remove((stereo + "/desktop.wav").c_str()), 0);
  EXPECT_FALSE(PlaySoundA("SystemExit", nullptr, SND_ALIAS | SND_ASYNC));
  EXPECT_FALSE(lvx::sound::WavePlaying());
  EXPECT_FALSE(PlaySoundA("SystemStart", nullptr, SND_ALIAS | SND_ASYNC));
}

TEST_F(PlaySound, InstalledThemePlaysWhenPresent) {
  if (!lvx::test::FileExists("/usr/share/sounds/freedesktop/stereo/message.oga"))
    GTEST_SKIP() << "the freedesktop sound theme is not installed";
  setenv("XDG_DATA_HOME", MakeTempDir("nothing").c_str(), 1);
  unsetenv("XDG_DATA_DIRS");
  EXPECT_TRUE(PlaySoundA("MailBeep", nullptr, SND_ALIAS | SND_ASYNC));
  EXPECT_GT(lvx::sound::WaveSeconds(), 0.1);
  EXPECT_TRUE(PlaySoundA("SystemExit", nullptr, SND_ALIAS | SND_ASYNC));
}

// Two ways to be without sound: no audio device, or a program installed
// without its sound module. Either way every call fails quietly and stderr
// hears of it once.
struct NoSound {
  const char* name;
  void (*arrange)();
};

void PrintTo(const NoSound& n, std::ostream* os) { *os << n.name; }

class PlaySoundWithout : public SoundTest, public ::testing::WithParamInterface<NoSound> {};

TEST_P(PlaySoundWithout, FailsQuietlyAndSaysSoOnce) {
  GetParam().arrange();
  std::string dir = MakeTempDir("nodev");
  WriteFile(dir + "/a.mid", TinyMidi());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(lvx::sound::AudioAvailable());
  EXPECT_FALSE(PlaySoundA(MAKEINTRESOURCE(124), nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_FALSE(PlaySoundA(MAKEINTRESOURCE(124), nullptr, SND_RESOURCE | SND_SYNC));
  // Stopping needs no device: there is nothing to stop.
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
  MCIDEVICEID id = 0;
  EXPECT_EQ(OpenSequencer(dir + "/a.mid", id), static_cast<MCIERROR>(MCIERR_HARDWARE));
  EXPECT_EQ(mciSendCommandA(1, MCI_PLAY, 0, 0), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  EXPECT_EQ(mciSendCommandA(1, MCI_CLOSE, 0, 0), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  EXPECT_EQ(mciSendCommandA(MCI_ALL_DEVICE_ID, MCI_CLOSE, 0, 0), 0u);
  std::string err = testing::internal::GetCapturedStderr();
  std::size_t first = err.find("no sound");
  ASSERT_NE(first, std::string::npos) << err;
  EXPECT_EQ(err.find("no sound", first + 1), std::string::npos) << err;
  EXPECT_FALSE(lvx::sound::WavePlaying());
  EXPECT_EQ(lvx::sound::OpenSequencers(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    , PlaySoundWithout,
    ::testing::Values(
        NoSound{"AudioDevice", [] { setenv("SDL_AUDIODRIVER", "nonexistent", 1); }},
        NoSound{"SoundModule",
                [] { lvx::SetModuleFoldersForTests({lvx::test::MakeTempDir("no-modules")}); }}),
    [](const ::testing::TestParamInfo<NoSound>& info) { return std::string(info.param.name); });

// SDL2_mixer is a module of its own: a program that only ever stops sounds
// (a silent saver) never loads it; the first sound does.
TEST_F(PlaySound, OnlyTheFirstSoundLoadsTheSoundModule) {
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
  lvx::sound::ShutdownAudio();
  EXPECT_FALSE(lvx::sound::AudioOpen());
  EXPECT_FALSE(lvx::sound::WavePlaying());
  EXPECT_EQ(GetModuleHandleA("liblumivex_sound.so"), nullptr);
  EXPECT_TRUE(PlaySoundA(MAKEINTRESOURCE(124), nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_NE(GetModuleHandleA("liblumivex_sound.so"), nullptr);
  EXPECT_TRUE(lvx::sound::WavePlaying());
}

TEST_F(Sequencer, MidiPlaysAndNotifiesWhenAFontIsInstalled) {
  if (!SoundFontInstalled()) GTEST_SKIP() << "no General MIDI sound font installed";
  unsetenv("SDL_SOUNDFONTS");
  std::string dir = MakeTempDir("midi");
  WriteFile(dir + "/tune.mid", TinyMidi());
  HWND hwnd = NotifyWindow();
  ASSERT_NE(hwnd, nullptr);

  MCIDEVICEID id = 0;
  ASSERT_EQ(OpenSequencer(dir + "/tune.mid", id), 0u);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(lvx::sound::OpenSequencers(), 1u);
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_SEQ_STATUS_PORT;
  status.dwReturn = 77;
  EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
            0u);
  EXPECT_EQ(status.dwReturn, 0u);

  MCI_PLAY_PARMS play{};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(hwnd);
  ASSERT_EQ(mciSendCommandA(id, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play)), 0u);
  status.dwItem = MCI_STATUS_MODE;
  EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
            0u);
  EXPECT_EQ(status.dwReturn, static_cast<DWORD_PTR>(MCI_MODE_PLAY));
  MSG msg{};
  ASSERT_TRUE(WaitNotify(hwnd, msg, 5000ms));
  EXPECT_EQ(msg.message, static_cast<UINT>(MM_MCINOTIFY));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(MCI_NOTIFY_SUCCESSFUL));
  EXPECT_EQ(msg.lParam, static_cast<LPARAM>(id));
  EXPECT_FALSE(lvx::sound::MidiPlaying());

  // Stopped early: no "successful" notification, and a closed device is gone.
  ASSERT_EQ(mciSendCommandA(id, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play)), 0u);
  EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, 0, 0), 0u);
  EXPECT_FALSE(WaitNotify(hwnd, msg, 600ms));
  EXPECT_EQ(lvx::sound::OpenSequencers(), 0u);
  EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, 0, 0), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  DestroyWindow(hwnd);
}

TEST_F(Sequencer, WithoutASoundFontReportsNoMidi) {
  setenv("SDL_FORCE_SOUNDFONTS", "1", 1);  // or SDL_mixer falls back on its default font
  setenv("SDL_SOUNDFONTS", "/nonexistent/none.sf2", 1);
  setenv("TIMIDITY_CFG", "/nonexistent/timidity.cfg", 1);
  std::string dir = MakeTempDir("nofont");
  WriteFile(dir + "/tune.mid", TinyMidi());
  MCIDEVICEID id = 123;
  EXPECT_EQ(OpenSequencer(dir + "/tune.mid", id), static_cast<MCIERROR>(MCIERR_SEQ_NOMIDIPRESENT));
  EXPECT_EQ(lvx::sound::OpenSequencers(), 0u);
}

TEST_F(Sequencer, BadRequestsGetTheirErrorCodes) {
  std::string dir = MakeTempDir("bad");
  WriteFile(dir + "/tune.mid", TinyMidi());
  WriteFile(dir + "/sound.wav", WaveBytes(110));
  WriteFile(dir + "/fake.mid", "MThd\0\0\0\6garbage garbage");
  MCIDEVICEID id = 0;
  EXPECT_EQ(OpenSequencer(dir + "/missing.mid", id), static_cast<MCIERROR>(MCIERR_FILE_NOT_FOUND));
  EXPECT_EQ(OpenSequencer(dir + "/sound.wav", id), static_cast<MCIERROR>(MCIERR_INVALID_FILE));
  // A broken MIDI file may be refused now or fail to sound later; never a crash.
  MCIERROR fake = OpenSequencer(dir + "/fake.mid", id);
  EXPECT_TRUE(fake == 0 || fake == MCIERR_INVALID_FILE || fake == MCIERR_SEQ_NOMIDIPRESENT) << fake;
  if (fake == 0) {
    EXPECT_EQ(mciSendCommandA(id, MCI_PLAY, 0, 0), 0u);
    EXPECT_EQ(mciSendCommandA(id, MCI_CLOSE, 0, 0), 0u);
  }
  EXPECT_EQ(OpenSequencer(dir + "/tune.mid", id, "waveaudio"),
            static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_NAME));
  EXPECT_EQ(OpenSequencer(dir + "/tune.mid", id, nullptr),
            static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_NAME));
  EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, 0),
            static_cast<MCIERROR>(MCIERR_NULL_PARAMETER_BLOCK));
  EXPECT_EQ(lvx::sound::OpenSequencers(), 0u);

  EXPECT_EQ(mciSendCommandA(42, MCI_PLAY, 0, 0), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  EXPECT_EQ(mciSendCommandA(42, MCI_STOP, 0, 0), static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  MCI_STATUS_PARMS status{};
  EXPECT_EQ(mciSendCommandA(42, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
            static_cast<MCIERROR>(MCIERR_INVALID_DEVICE_ID));
  EXPECT_EQ(mciSendCommandA(42, 0x0899, 0, 0), static_cast<MCIERROR>(MCIERR_UNRECOGNIZED_COMMAND));
  EXPECT_EQ(mciSendCommandA(MCI_ALL_DEVICE_ID, MCI_CLOSE, 0, 0), 0u);

  if (!SoundFontInstalled()) return;  // the rest needs an open device
  unsetenv("SDL_SOUNDFONTS");
  ASSERT_EQ(OpenSequencer(dir + "/tune.mid", id), 0u);
  EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, 0, reinterpret_cast<DWORD_PTR>(&status)),
            static_cast<MCIERROR>(MCIERR_MISSING_PARAMETER));
  EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM, 0),
            static_cast<MCIERROR>(MCIERR_NULL_PARAMETER_BLOCK));
  EXPECT_EQ(mciSendCommandA(id, MCI_PLAY, MCI_NOTIFY, 0),
            static_cast<MCIERROR>(MCIERR_NULL_PARAMETER_BLOCK));
  MCIDEVICEID second = 0;
  ASSERT_EQ(OpenSequencer(dir + "/tune.mid", second), 0u);
  EXPECT_NE(second, id);
  EXPECT_EQ(mciSendCommandA(MCI_ALL_DEVICE_ID, MCI_CLOSE, 0, 0), 0u);
  EXPECT_EQ(lvx::sound::OpenSequencers(), 0u);
}

TEST_F(Sequencer, ShutdownAndReopen) {
  ASSERT_TRUE(PlaySoundA(MAKEINTRESOURCE(124), nullptr, SND_RESOURCE | SND_ASYNC | SND_LOOP));
  lvx::sound::ShutdownAudio();
  EXPECT_FALSE(lvx::sound::WavePlaying());
  EXPECT_TRUE(PlaySoundA(MAKEINTRESOURCE(124), nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_TRUE(lvx::sound::WavePlaying());
}

}  // namespace
