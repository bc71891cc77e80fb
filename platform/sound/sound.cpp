// PlaySoundA and mciSendCommandA: the playing is done by the module
// liblumivex_sound.so (SDL2_mixer), loaded the first time a sound is played
// or a sequencer opened. Without the module every call fails quietly after
// one line on stderr, as without an audio device.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/sound/mixer.h"
#include "platform/sound/sound_internal.h"

// Every function of the program that liblumivex_sound.so calls, kept in every
// program as LumivexGtkCallbacks is (platform/dialog/gtk_module.cpp).
extern "C" void (*const LumivexSoundCallbacks[])() = {
    lvx::CallbackOf(&PostMessageA),
    lvx::CallbackOf(&lvx::FindWaveResource),
};

namespace {

using lvx::sound::Mixer;

std::once_flag g_loadOnce;
std::atomic<bool> g_loaded{false};
Mixer* g_mixer = nullptr;

// The module's mixer, loaded now when `load` asks for it; nullptr while it
// is not loaded, or when it cannot be.
Mixer* TheMixer(bool load) {
  if (!load && !g_loaded.load()) return nullptr;
  std::call_once(g_loadOnce, [] {
    std::string why;
    g_mixer = lvx::LoadModuleInterface<Mixer>(lvx::sound::kSoundModule, lvx::sound::kSoundEntry,
                                              lvx::sound::kMixerRevision, &why);
    if (g_mixer == nullptr) std::fprintf(stderr, "lumivex: no sound: %s\n", why.c_str());
    g_loaded.store(true);
  });
  return g_mixer;
}

}  // namespace

BOOL PlaySoundA(LPCSTR sound, HMODULE, DWORD flags) {
  // Stopping loads nothing: nothing can be playing before the first sound.
  Mixer* mixer = TheMixer(sound != nullptr);
  if (mixer == nullptr) return sound == nullptr ? TRUE : FALSE;
  return mixer->PlaySound(sound, flags);
}

MCIERROR mciSendCommandA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR param) {
  if (Mixer* mixer = TheMixer(true)) return mixer->SendCommand(device, message, flags, param);
  // No device was ever opened, so there is none to close or play.
  if (message == MCI_OPEN) return MCIERR_HARDWARE;
  if (message == MCI_CLOSE && device == MCI_ALL_DEVICE_ID) return 0;
  return MCIERR_INVALID_DEVICE_ID;
}

namespace lvx::sound {

bool AudioAvailable() {
  Mixer* mixer = TheMixer(true);
  return mixer != nullptr && mixer->AudioAvailable();
}

bool AudioOpen() {
  Mixer* mixer = TheMixer(false);
  return mixer != nullptr && mixer->AudioOpen();
}

bool WavePlaying() {
  Mixer* mixer = TheMixer(false);
  return mixer != nullptr && mixer->WavePlaying();
}

bool WaveLooping() {
  Mixer* mixer = TheMixer(false);
  return mixer != nullptr && mixer->WaveLooping();
}

double WaveSeconds() {
  Mixer* mixer = TheMixer(false);
  return mixer != nullptr ? mixer->WaveSeconds() : 0;
}

std::size_t OpenSequencers() {
  Mixer* mixer = TheMixer(false);
  return mixer != nullptr ? mixer->OpenSequencers() : 0;
}

bool MidiPlaying() {
  Mixer* mixer = TheMixer(false);
  return mixer != nullptr && mixer->MidiPlaying();
}

void ShutdownAudio() {
  if (Mixer* mixer = TheMixer(false)) mixer->ShutdownAudio();
}

}  // namespace lvx::sound
