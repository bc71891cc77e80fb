// Page "Sounds" (2006): the mood sound or the user's own wave or MIDI file, and the cuckoo. A
// click on a choice stores it and plays it at once; leaving the page silences it again.
#include "config/help.h"
#include "config/pages.h"
#include "events/sounds.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"
#include "settings/utilities.h"

namespace {

// The radio buttons and the sound each one chooses.
struct Choice {
  int id;
  int sound;
};
constexpr Choice kChoices[] = {
    {IDC_SND_SILENCE, SoundSilence},
    {IDC_SND_LULLABY, 124},
    {IDC_SND_REMINDER, 168},
    {IDC_SND_SEA, 123},
    {IDC_SND_BIRDS, 106},
    {IDC_SND_SAD, 107},
    {IDC_SND_MELODY, 191},
    {IDC_SND_WAV, SoundWavFile},
    {IDC_SND_MIDI, SoundMidiFile},
};
constexpr int kFirstChoice = IDC_SND_SILENCE;
constexpr int kLastChoice = IDC_SND_MELODY;

constexpr int kPathLimit = 298;
constexpr int kBrowseSize = 300;

// The preview's player; it reads back what the page stored.
SoundClass Preview;

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

// The sound of the checked radio button; false when none is checked (a stored
// choice the page does not offer).
bool CheckedChoice(HWND page, int* sound) {
  for (const Choice& c : kChoices) {
    if (Checked(page, c.id)) {
      *sound = c.sound;
      return true;
    }
  }
  return false;
}

void Load(HWND page) {
  SendDlgItemMessageA(page, IDC_SND_WAV_PATH, EM_LIMITTEXT, kPathLimit, 0);
  SendDlgItemMessageA(page, IDC_SND_MIDI_PATH, EM_LIMITTEXT, kPathLimit, 0);
  SoundClass stored;
  stored.ReadSettings();
  SetDlgItemTextA(page, IDC_SND_WAV_PATH, stored.wavFile);
  SetDlgItemTextA(page, IDC_SND_MIDI_PATH, stored.midFile);
  CheckDlgButton(page, IDC_SND_CONTINUOUS,
                 stored.playContinuously != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IDC_SND_CUCKOO, stored.cuckoo != 0 ? BST_CHECKED : BST_UNCHECKED);
  for (const Choice& c : kChoices) {
    if (c.sound == stored.choice) CheckRadioButton(page, kFirstChoice, kLastChoice, c.id);
  }
}

// Stores what the page shows. Without a checked choice the stored one stays:
// the page cannot show it, but it is not the page's to throw away.
void Store(HWND page) {
  int sound = 0;
  if (CheckedChoice(page, &sound))
    MainSettings.UserWriteUInt("Sound", "Sound", static_cast<unsigned>(sound));
  MainSettings.UserWriteUInt("Sound", "cuckoo", Checked(page, IDC_SND_CUCKOO) ? 1u : 0u);
  char path[kPathLimit + 1];
  GetDlgItemTextA(page, IDC_SND_WAV_PATH, path, sizeof path);
  MainSettings.UserWriteString("Sound", "WavFile", path);
  GetDlgItemTextA(page, IDC_SND_MIDI_PATH, path, sizeof path);
  MainSettings.UserWriteString("Sound", "MidFile", path);
  MainSettings.UserWriteUInt("Sound", "PlayContinuously",
                             Checked(page, IDC_SND_CONTINUOUS) ? 1u : 0u);
}

void Browse(HWND page, int edit, const char* kind) {
  char path[kBrowseSize] = "";
  GetDlgItemTextA(page, edit, path, sizeof path);
  if (OpenFileDialog(page, "Select your favorite audio file", kind, path, sizeof path))
    SetDlgItemTextA(page, edit, path);
}

INT_PTR Command(HWND page, int id) {
  switch (id) {
    case IDC_SND_WAV_BROWSE:
      Browse(page, IDC_SND_WAV_PATH, "WAV");
      return TRUE;
    case IDC_SND_MIDI_BROWSE:
      Browse(page, IDC_SND_MIDI_PATH, "MID");
      return TRUE;
    default:
      break;
  }
  if (id < kFirstChoice || id > kLastChoice) return FALSE;
  Store(page);
  Preview.PlayMood(page);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK SoundsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Load(page);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      return Command(page, LOWORD(wParam));
    case WM_NOTIFY:
      // Leaving the page silences the preview.
      return AnswerSheetNotification(
          page, lParam,
          {.apply = Store, .leave = [](HWND) { StopSound(); }, .helpTopic = HelpSoundsPage});
    case WM_DESTROY:
      // A sheet closed with Cancel never says the page was left; the preview
      // must not outlive it.
      StopSound();
      return FALSE;
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpSoundsPage);
      return TRUE;
    default:
      return FALSE;
  }
}
