// Small synthesis kit for the wave resources: a mono track of doubles,
// additive voices with envelopes, filtered noise, reverb and the final
// level/fade pass. Everything is deterministic (own PRNG, no std distributions).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace lvx::resgen::snd {

class Noise {
 public:
  explicit Noise(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  double Uniform();  // [0, 1)
  double Signed();   // [-1, 1)
  double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  int Below(int n) { return static_cast<int>(Uniform() * n); }

 private:
  std::uint64_t state_;
};

double MidiHz(double note);

struct Track {
  int rate = 8000;
  std::vector<double> s;
  Track(int sampleRate, double seconds);
  double Seconds() const { return static_cast<double>(s.size()) / rate; }
  // Adds v at time t (seconds) when inside the track.
  void Add(std::size_t i, double v) {
    if (i < s.size()) s[i] += v;
  }
  void Mix(const Track& other, double gain);
};

// One sine component of a voice: frequency ratio, level, decay time
// constant in seconds (0 = sustained while the note is held).
struct Partial {
  double ratio = 1;
  double level = 1;
  double decay = 0;
};

struct Voice {
  std::vector<Partial> partials;
  double attack = 0.005;   // seconds of linear rise
  double release = 0.05;   // seconds of fade after the note's end
  double vibratoHz = 0;
  double vibratoDepth = 0;  // fraction of the frequency
  double vibratoDelay = 0;  // seconds before the vibrato fades in
  double maxRing = 4;       // longest a decaying note may sound
};

// A note of `voice` from t0 for dur seconds (plus release).
void Note(Track& tr, const Voice& voice, double t0, double dur, double hz, double level);

// A free-running tone whose frequency and level follow functions of the
// time since t0; `harmonics` gives the level of harmonic 1, 2, 3, ...
void Glide(Track& tr, double t0, double dur, const std::function<double(double)>& hz,
           const std::function<double(double)>& level, const std::vector<double>& harmonics);

// Topology-preserving state-variable filter (stable under fast modulation).
class Svf {
 public:
  void Set(double cutoffHz, double q, int rate);
  // Returns low-, band- and high-pass outputs for one input sample.
  void Process(double in, double& low, double& band, double& high);
  double Low(double in);
  double Band(double in);
  double High(double in);

 private:
  double a1_ = 0, a2_ = 0, a3_ = 0, k_ = 1, ic1_ = 0, ic2_ = 0;
};

// Schroeder reverb (four damped combs, two all-passes), mixed into the track.
void Reverb(Track& tr, double rt60, double wet, double damping = 0.3);
// Feedback echo.
void Echo(Track& tr, double delay, double feedback, double wet);
// Removes DC, fades the ends (fadeIn/fadeOut in seconds) and scales the peak
// to `peak` of full scale (a silent track stays silent).
void Finish(Track& tr, double peak, double fadeIn = 0.002, double fadeOut = 0.01);
// Makes a noise-like track loop without a click: the `overlap` seconds past the
// end (rendered into a longer track) are cross-faded onto the start.
void FoldLoop(Track& longer, std::size_t length, std::size_t overlap);

}  // namespace lvx::resgen::snd
