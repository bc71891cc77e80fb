// Internal to platform/sound: what the module liblumivex_sound.so does.
// PlaySoundA and mciSendCommandA load it the first time a sound is played or
// a sequencer opened, so a silent saver never maps SDL2_mixer.
#pragma once

#include <cstddef>

#include "platform/winapi.h"

namespace lvx::sound {

class Mixer {
 public:
  virtual BOOL PlaySound(LPCSTR sound, DWORD flags) = 0;
  virtual MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags,
                               DWORD_PTR param) = 0;
  // What sound_internal.h tells the tests.
  virtual bool AudioAvailable() = 0;
  virtual bool AudioOpen() = 0;
  virtual bool WavePlaying() = 0;
  virtual bool WaveLooping() = 0;
  virtual double WaveSeconds() = 0;
  virtual std::size_t OpenSequencers() = 0;
  virtual bool MidiPlaying() = 0;
  virtual void ShutdownAudio() = 0;

 protected:
  ~Mixer() = default;
};

// The module's file and entry; the entry returns its Mixer when it was built
// for this revision of the interface, else nullptr.
inline constexpr char kSoundModule[] = "liblumivex_sound.so";
inline constexpr char kSoundEntry[] = "LumivexMixer";
inline constexpr int kMixerRevision = 1;
using MixerEntry = Mixer* (*)(int revision);

}  // namespace lvx::sound
