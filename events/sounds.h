// Sounds: a background sound of the user's mood (a built-in wave, silence, or
// the user's own WAV or MIDI file, once or over and over) and a cuckoo on the
// full hour.
#pragma once

#include "platform/winapi.h"

// Sound choices: the wave resource to play, or one of three special values.
inline constexpr int SoundSilence = 105;
inline constexpr int SoundWavFile = 145;
inline constexpr int SoundMidiFile = 144;
// The cuckoo: a morning call at 7, 8 and 9 o'clock, another at every other hour.
inline constexpr int CuckooMorning = 143;
inline constexpr int CuckooOther = 110;

// The open MIDI device, 0 when none.
extern MCIDEVICEID MidiDevice;

// Plays a MIDI file once on the "sequencer" device, telling `notify` (may be
// null) when it ends. Returns 0 or the MCI error; on an error nothing stays open.
MCIERROR PlayMidi(HWND notify, const char* path);
// Closes the MIDI device if one is open.
void StopMidi();
// StopMidi, then stops any wave sound.
void StopSound();

// The local time for the hour watch; tests pass their own clock.
using LocalClock = void (*)(SYSTEMTIME*);

class SoundClass {
 public:
  SoundClass();

  // Reads the five settings and starts the background sound. `window` is the
  // one whose program's wave resources are played; the scene passes the saver
  // window, the Sounds page itself for its preview.
  void PlayMood(HWND window);
  // The per-frame hour watch: about every two seconds it looks at the clock;
  // on the check after the hour has turned the cuckoo calls, and one check
  // later the background sound starts again. `cuckooOn` is the scene's switch.
  void CuckooTick(int cuckooOn, LocalClock clock = GetLocalTime);
  // The five "Sound" settings into the fields (the Sounds page shows them).
  void ReadSettings();

  char wavFile[300];
  char midFile[300];
  int choice;
  int playContinuously;
  // Read with the others; the scene keeps its own switch for the cuckoo.
  int cuckoo;

 private:
  HWND window_;
};

namespace lvx {
// Tests: the hour watch as at program start, no MIDI device remembered.
void ResetSoundsForTests();
}  // namespace lvx
