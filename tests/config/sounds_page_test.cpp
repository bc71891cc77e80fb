// The Sounds page: the stored choice shown, a click that stores the five
// values and plays the choice at once, and the preview silenced when the page
// is left or the sheet closes. Sounds play through SDL's dummy driver.
#include "config/pages.h"
#include "config_fixture.h"
#include "events/sounds.h"
#include "platform/sound/sound_internal.h"

namespace {

constexpr int kSoundsPage = 1;

class SoundsPageTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    lvx::sound::ShutdownAudio();
    Prepare();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
  }
  void TearDown() override {
    StopSound();
    lvx::sound::ShutdownAudio();
    ConfigTest::TearDown();
  }
  static INT_PTR RunPage(const std::function<void(HWND sheet, HWND page)>& script) {
    dlg::OnSheet([&](HWND sheet) { script(sheet, dlg::Page(sheet, kSoundsPage)); });
    return OpenMoreOptions(nullptr, kSoundsPage);
  }
  static std::string Sound(const char* key) { return Ini("Sound", key); }
};

TEST_F(SoundsPageTest, OpensWithTheStoredChoicePathsAndSwitches) {
  const struct {
    const char* stored;  // nullptr: absent
    int checked;         // 0: no radio button checked
  } cases[] = {
      {nullptr, IDC_SND_SILENCE},
      {"168", IDC_SND_REMINDER},
      {"145", IDC_SND_WAV},
      {"144", IDC_SND_MIDI},
      {"999", 0},
  };
  const int radios[] = {IDC_SND_SILENCE, IDC_SND_LULLABY, IDC_SND_REMINDER,
                        IDC_SND_SEA,     IDC_SND_BIRDS,   IDC_SND_SAD,
                        IDC_SND_MELODY,  IDC_SND_WAV,     IDC_SND_MIDI};
  SetIni("Sound", "WavFile", "/music/rain.wav");
  SetIni("Sound", "MidFile", "/music/waltz.mid");
  SetIni("Sound", "Cuckoo", "1");
  for (const auto& c : cases) {
    SetIni("Sound", "Sound", c.stored);
    RunPage([&](HWND sheet, HWND page) {
      for (int id : radios)
        EXPECT_EQ(dlg::CheckState(page, id), id == c.checked ? BST_CHECKED : BST_UNCHECKED)
            << (c.stored ? c.stored : "absent") << " radio " << id;
      EXPECT_EQ(dlg::Text(page, IDC_SND_WAV_PATH), "/music/rain.wav");
      EXPECT_EQ(dlg::Text(page, IDC_SND_MIDI_PATH), "/music/waltz.mid");
      EXPECT_EQ(dlg::CheckState(page, IDC_SND_CONTINUOUS), BST_UNCHECKED);
      EXPECT_EQ(dlg::CheckState(page, IDC_SND_CUCKOO), BST_CHECKED);
      dlg::Click(sheet, IDOK);
    });
    // A choice the page does not offer survives an apply.
    EXPECT_EQ(Sound("Sound"), c.stored ? c.stored : "105");
  }
}

TEST_F(SoundsPageTest, AClickStoresEverythingAndPlaysTheChoiceUntilThePageIsLeft) {
  ASSERT_TRUE(lvx::sound::AudioAvailable());
  SetIni("Sound", "Sound", "105");
  RunPage([&](HWND sheet, HWND page) {
    dlg::SetText(page, IDC_SND_WAV_PATH, "/music/sea.wav");
    dlg::Click(page, IDC_SND_CONTINUOUS);
    dlg::Click(page, IDC_SND_CUCKOO);
    EXPECT_EQ(Sound("PlayContinuously"), "<none>") << "a switch alone stores nothing";
    dlg::Click(page, IDC_SND_LULLABY);
    EXPECT_EQ(Sound("Sound"), "124");
    EXPECT_EQ(Sound("PlayContinuously"), "1");
    EXPECT_EQ(Sound("Cuckoo"), "1");
    EXPECT_EQ(Sound("WavFile"), "/music/sea.wav");
    EXPECT_TRUE(lvx::sound::WavePlaying());
    EXPECT_TRUE(lvx::sound::WaveLooping());
    EXPECT_NEAR(lvx::sound::WaveSeconds(), 9.2, 0.1) << "the lullaby";

    dlg::Click(page, IDC_SND_SILENCE);
    EXPECT_FALSE(lvx::sound::WavePlaying());
    dlg::Click(page, IDC_SND_MELODY);
    EXPECT_TRUE(lvx::sound::WavePlaying());

    dlg::SelectPage(sheet, 2);
    EXPECT_FALSE(lvx::sound::WavePlaying()) << "leaving the page stops the preview";
    dlg::SelectPage(sheet, kSoundsPage);
    dlg::Click(page, IDC_SND_SAD);
    EXPECT_TRUE(lvx::sound::WavePlaying());
    dlg::Click(sheet, IDCANCEL);
  });
  EXPECT_FALSE(lvx::sound::WavePlaying()) << "Cancel on the page stops it too";
  EXPECT_EQ(Sound("Sound"), "107") << "stored by the click, not taken back by Cancel";
}

TEST_F(SoundsPageTest, BrowsingPutsTheChosenFileNextToItsButton) {
  const struct {
    int button, edit;
    const char* pattern;
    std::optional<std::string> picked;
    const char* shown;
  } cases[] = {
      {IDC_SND_WAV_BROWSE, IDC_SND_WAV_PATH, "*.WAV", "/music/owl.wav", "/music/owl.wav"},
      {IDC_SND_MIDI_BROWSE, IDC_SND_MIDI_PATH, "*.MID", "/music/song.mid", "/music/song.mid"},
      {IDC_SND_WAV_BROWSE, IDC_SND_WAV_PATH, "*.WAV", std::nullopt, "/music/old.wav"},
  };
  for (const auto& c : cases) {
    SetIni("Sound", "WavFile", "/music/old.wav");
    dlg::Reset();
    dlg::AnswerFileChooser(c.picked);
    RunPage([&](HWND sheet, HWND page) {
      dlg::Click(page, c.button);
      EXPECT_EQ(dlg::Text(page, c.edit), c.shown);
      dlg::Click(sheet, IDOK);
    });
    ASSERT_EQ(dlg::Choosers().size(), 1u);
    EXPECT_EQ(dlg::Choosers()[0].title, "Select your favorite audio file");
    EXPECT_EQ(dlg::Choosers()[0].filters.at(0).second, c.pattern);
    EXPECT_EQ(Sound(c.edit == IDC_SND_WAV_PATH ? "WavFile" : "MidFile"), c.shown);
    EXPECT_FALSE(lvx::sound::WavePlaying()) << "an apply plays nothing";
  }
}

}  // namespace
