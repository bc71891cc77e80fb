// What the sound layer is doing right now, for tests.
#pragma once

#include <cstddef>

namespace lvx::sound {

// The audio device could be opened (opens it on first use).
bool AudioAvailable();
// The audio device is open now (opens nothing).
bool AudioOpen();
// A PlaySoundA sound is sounding now / was started with SND_LOOP.
bool WavePlaying();
bool WaveLooping();
// Length in seconds of the decoded PlaySoundA sound (0 when none).
double WaveSeconds();
// Open sequencer devices, and whether one of them is playing.
std::size_t OpenSequencers();
bool MidiPlaying();
// Stops everything and closes the audio device; the next call opens it again.
void ShutdownAudio();

}  // namespace lvx::sound
