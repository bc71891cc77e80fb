#include "events/sounds.h"

#include "scene/saver_state.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"

MCIDEVICEID MidiDevice = 0;

namespace {
constexpr int kInfo = 3;

// Hour watch: the minute seen at the previous check, and whether the hour had
// turned at the previous check and at the one before it.
int previousMinute = -1;
int turnedLastCheck = 0;
int turnedCheckBefore = 0;

DWORD LoopFlag(int playContinuously) { return playContinuously != 0 ? SND_LOOP : 0; }

// The program's wave resources; a stored choice outside the range of
// resource numbers names none (it must not wrap onto one that exists).
void PlayWaveResource(int id, DWORD flags) {
  if (id <= 0 || id > 0xFFFF) {
    PlaySoundA(nullptr, nullptr, 0);
    return;
  }
  PlaySoundA(MAKEINTRESOURCEA(id), GetModuleHandleA(nullptr), SND_RESOURCE | SND_ASYNC | flags);
}
}  // namespace

MCIERROR PlayMidi(HWND notify, const char* path) {
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = "sequencer";
  open.lpstrElementName = path != nullptr ? path : "";
  MCIERROR error = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                                   reinterpret_cast<DWORD_PTR>(&open));
  if (error != 0) return error;
  MidiDevice = open.wDeviceID;

  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_SEQ_STATUS_PORT;
  error = mciSendCommandA(MidiDevice, MCI_STATUS, MCI_STATUS_ITEM,
                          reinterpret_cast<DWORD_PTR>(&status));
  if (error == 0) {
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(notify);
    error = mciSendCommandA(MidiDevice, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
  }
  if (error != 0) StopMidi();
  return error;
}

void StopMidi() {
  if (MidiDevice == 0) return;
  mciSendCommandA(MidiDevice, MCI_CLOSE, 0, 0);
  MidiDevice = 0;
}

void StopSound() {
  StopMidi();
  PlaySoundA(nullptr, nullptr, 0);
}

SoundClass::SoundClass()
    : wavFile{}, midFile{}, choice(0), playContinuously(0), cuckoo(0), window_(nullptr) {}

void SoundClass::ReadSettings() {
  MainSettings.UserReadInt("Sound", "Sound", &choice, SoundSilence);
  MainSettings.UserReadInt("Sound", "PlayContinuously", &playContinuously, 0);
  MainSettings.UserReadInt("Sound", "Cuckoo", &cuckoo, 0);
  MainSettings.UserReadString("Sound", "WavFile", wavFile, "", 299);
  MainSettings.UserReadString("Sound", "MidFile", midFile, "", 299);
}

void SoundClass::PlayMood(HWND window) {
  window_ = window;
  ReadSettings();
  StopMidi();
  switch (choice) {
    case SoundWavFile:
      PlaySoundA(wavFile, nullptr, SND_FILENAME | SND_ASYNC | LoopFlag(playContinuously));
      break;
    case SoundMidiFile:
      // A MIDI file plays once, whatever "PlayContinuously" says.
      PlaySoundA(nullptr, nullptr, 0);
      PlayMidi(nullptr, midFile);
      break;
    case SoundSilence:
      PlaySoundA(nullptr, nullptr, 0);
      break;
    default:
      PlayWaveResource(choice, LoopFlag(playContinuously));
      break;
  }
}

void SoundClass::CuckooTick(int cuckooOn, LocalClock clock) {
  if (cuckooOn == 0) return;
  const int every = RealTickTime > 0 && RealTickTime <= 2000 ? 2000 / RealTickTime : 1;
  if (FrameCounter % every != 0) return;

  SYSTEMTIME now{};
  clock(&now);
  const int minute = now.wMinute;
  const int turned = minute < previousMinute ? 1 : 0;
  previousMinute = minute;

  if (turned == 0 && turnedLastCheck == 1) {
    const int call = now.wHour >= 7 && now.wHour <= 9 ? CuckooMorning : CuckooOther;
    LogFile.LogInt(kInfo, "Cuckoo", call);
    PlayWaveResource(call, 0);
  }
  // The call is short; then the background sound of the mood comes back.
  if (turnedLastCheck == 0 && turnedCheckBefore == 1) PlayMood(window_);
  turnedCheckBefore = turnedLastCheck;
  turnedLastCheck = turned;
}

namespace lvx {
void ResetSoundsForTests() {
  StopMidi();
  MidiDevice = 0;
  previousMinute = -1;
  turnedLastCheck = 0;
  turnedCheckBefore = 0;
}
}  // namespace lvx
