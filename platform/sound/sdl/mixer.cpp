// PlaySoundA and the MCI "sequencer" over SDL2_mixer (liblumivex_sound.so).
//
// One mixer channel carries the PlaySoundA sound (a new sound replaces the
// old one, as WINMM does); the MIDI of the sequencer devices goes through
// SDL_mixer's music stream. The audio device is opened on first use; when it
// cannot be opened every call fails quietly after one line on stderr.
#include "platform/sound/mixer.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kChannel = 0;

struct ChunkFree {
  void operator()(Mix_Chunk* c) const { Mix_FreeChunk(c); }
};
struct MusicFree {
  void operator()(Mix_Music* m) const { Mix_FreeMusic(m); }
};
using ChunkPtr = std::unique_ptr<Mix_Chunk, ChunkFree>;
using MusicPtr = std::unique_ptr<Mix_Music, MusicFree>;

struct State {
  bool tried = false;
  bool open = false;
  bool warned = false;
  int frequency = 0;
  Uint16 format = 0;
  int channels = 0;
  ChunkPtr chunk;  // the PlaySoundA sound (kept alive while it plays)
  bool looping = false;
  std::map<MCIDEVICEID, MusicPtr> devices;
  MCIDEVICEID nextId = 1;
  MCIDEVICEID playingDevice = 0;  // whose music is in the music stream

  // The notification owed when the playing MIDI ends. The mixer calls the
  // finished hook from its audio thread, so this is the one piece of state
  // shared across threads; the hook only posts a message (thread-safe).
  std::mutex notifyMu;
  HWND notifyHwnd = nullptr;
  MCIDEVICEID notifyDevice = 0;

  // Closing the device joins the audio thread before anything it uses goes.
  ~State() { Shutdown(); }
  void Shutdown();
};

State& S() {
  static State s;
  return s;
}

void ClearPending() {
  std::lock_guard<std::mutex> lock(S().notifyMu);
  S().notifyHwnd = nullptr;
  S().notifyDevice = 0;
}

void OnMusicFinished() {
  HWND hwnd;
  MCIDEVICEID device;
  {
    std::lock_guard<std::mutex> lock(S().notifyMu);
    hwnd = S().notifyHwnd;
    device = S().notifyDevice;
    S().notifyHwnd = nullptr;
    S().notifyDevice = 0;
  }
  if (hwnd != nullptr)
    PostMessageA(hwnd, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, static_cast<LPARAM>(device));
}

void State::Shutdown() {
  if (open) {
    {
      std::lock_guard<std::mutex> lock(notifyMu);
      notifyHwnd = nullptr;
      notifyDevice = 0;
    }
    Mix_HookMusicFinished(nullptr);
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    chunk.reset();
    devices.clear();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  chunk.reset();
  devices.clear();
  looping = false;
  playingDevice = 0;
  open = false;
  tried = false;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// SDL_mixer looks for a General MIDI sound font in one or two fixed places
// only; distributions install theirs under several names, so point it at the
// first one present unless the user chose with SDL_SOUNDFONTS.
void ChooseSoundFont() {
  if (std::getenv("SDL_SOUNDFONTS") != nullptr) return;
  static const char* const kFonts[] = {
      "/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
      "/usr/share/soundfonts/default.sf2",    "/usr/share/soundfonts/FluidR3_GM.sf2"};
  for (const char* f : kFonts) {
    if (FileExists(f)) {
      Mix_SetSoundFonts(f);
      return;
    }
  }
}

bool EnsureAudio() {
  State& s = S();
  if (s.tried) return s.open;
  s.tried = true;
  ChooseSoundFont();  // before the mixer first looks for one
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 ||
      Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
    if (!s.warned) {
      std::fprintf(stderr, "lumivex: no sound: %s\n", SDL_GetError());
      s.warned = true;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  Mix_QuerySpec(&s.frequency, &s.format, &s.channels);
  Mix_AllocateChannels(1);
  Mix_Init(MIX_INIT_MID | MIX_INIT_OGG);
  Mix_HookMusicFinished(&OnMusicFinished);
  s.open = true;
  return true;
}

void StopWave() {
  State& s = S();
  if (!s.open) return;
  Mix_HaltChannel(kChannel);
  s.chunk.reset();
  s.looping = false;
}

std::vector<std::string> DataRoots() {
  std::vector<std::string> roots;
  const char* home = std::getenv("XDG_DATA_HOME");
  if (home != nullptr && *home != '\0') {
    roots.emplace_back(home);
  } else if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
    roots.push_back(std::string(h) + "/.local/share");
  }
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = (dirs != nullptr && *dirs != '\0') ? dirs : "/usr/local/share:/usr/share";
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t end = list.find(':', pos);
    if (end == std::string::npos) end = list.size();
    if (end > pos) roots.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return roots;
}

// A sound of the freedesktop sound theme for `event`. Theme names fall back
// from the most specific: a missing "a-b-c" tries "a-b", then "a".
std::string ThemeSound(std::string event) {
  const std::vector<std::string> roots = DataRoots();
  while (!event.empty()) {
    for (const std::string& root : roots) {
      for (const char* ext : {".oga", ".ogg", ".wav"}) {
        std::string path = root + "/sounds/freedesktop/stereo/" + event + ext;
        if (FileExists(path)) return path;
      }
    }
    std::size_t dash = event.rfind('-');
    event.resize(dash == std::string::npos ? 0 : dash);
  }
  return {};
}

Mix_Chunk* LoadAlias(const char* alias) {
  std::vector<const char*> events;
  if (strcasecmp(alias, "MailBeep") == 0) {
    events = {"message-new-email"};
  } else if (strcasecmp(alias, "SystemExit") == 0) {
    // The stock theme names its logout sound after the service, not the desktop.
    events = {"desktop-logout", "service-logout"};
  }
  for (const char* event : events) {
    std::string path = ThemeSound(event);
    if (!path.empty()) return Mix_LoadWAV(path.c_str());
  }
  return nullptr;
}

Mix_Chunk* LoadFile(const char* path) {
  if (path == nullptr || *path == '\0' || !FileExists(path)) return nullptr;
  return Mix_LoadWAV(path);
}

// Resource names are integer ids in the pointer, or "#123".
int ResourceId(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return LOWORD(reinterpret_cast<ULONG_PTR>(name));
  if (name[0] != '#' || name[1] == '\0') return -1;
  long v = 0;
  for (const char* p = name + 1; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9' || v > 0xFFFF) return -1;
    v = v * 10 + (*p - '0');
  }
  return v <= 0xFFFF ? static_cast<int>(v) : -1;
}

Mix_Chunk* LoadResource(LPCSTR name) {
  int id = ResourceId(name);
  if (id < 0) return nullptr;
  lvx::ResourceBytes bytes = lvx::FindWaveResource(id);
  if (!bytes || bytes.size > static_cast<std::size_t>(INT32_MAX)) return nullptr;
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data, static_cast<int>(bytes.size));
  return rw != nullptr ? Mix_LoadWAV_RW(rw, 1) : nullptr;
}

// ---- MCI -----------------------------------------------------------------

bool IsMidiFile(const char* path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path, "rb"), &std::fclose);
  if (!f) return false;
  char head[12] = {};
  std::size_t n = std::fread(head, 1, sizeof head, f.get());
  if (n >= 4 && std::memcmp(head, "MThd", 4) == 0) return true;
  return n >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0;
}

bool HasMidiExtension(const char* path) {
  const char* dot = std::strrchr(path, '.');
  return dot != nullptr && (strcasecmp(dot, ".mid") == 0 || strcasecmp(dot, ".midi") == 0 ||
                            strcasecmp(dot, ".rmi") == 0);
}

void HaltDeviceMusic(MCIDEVICEID id) {
  State& s = S();
  if (s.playingDevice != id || id == 0) return;
  // The hook also runs on a halt; drop the notification first so a stop is
  // not reported as a successful end.
  ClearPending();
  Mix_HaltMusic();
  s.playingDevice = 0;
}

MCIERROR McOpen(DWORD_PTR flags, MCI_OPEN_PARMSA* p) {
  if (p == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
  const char* element = (flags & MCI_OPEN_ELEMENT) ? p->lpstrElementName : nullptr;
  if (flags & MCI_OPEN_TYPE) {
    if (p->lpstrDeviceType == nullptr || strcasecmp(p->lpstrDeviceType, "sequencer") != 0)
      return MCIERR_INVALID_DEVICE_NAME;
  } else if (element == nullptr || !HasMidiExtension(element)) {
    return MCIERR_INVALID_DEVICE_NAME;
  }
  if (element == nullptr || *element == '\0') return MCIERR_UNSUPPORTED_FUNCTION;
  if (!EnsureAudio()) return MCIERR_HARDWARE;
  if (!FileExists(element)) return MCIERR_FILE_NOT_FOUND;
  MusicPtr music(Mix_LoadMUS(element));
  if (!music) return IsMidiFile(element) ? MCIERR_SEQ_NOMIDIPRESENT : MCIERR_INVALID_FILE;
  if (Mix_GetMusicType(music.get()) != MUS_MID) return MCIERR_INVALID_FILE;
  State& s = S();
  MCIDEVICEID id = s.nextId++;
  if (s.nextId == 0 || s.nextId == MCI_ALL_DEVICE_ID) s.nextId = 1;
  s.devices[id] = std::move(music);
  p->wDeviceID = id;
  return 0;
}

MCIERROR McClose(MCIDEVICEID device) {
  State& s = S();
  if (device == MCI_ALL_DEVICE_ID) {
    HaltDeviceMusic(s.playingDevice);
    s.devices.clear();
    return 0;
  }
  auto it = s.devices.find(device);
  if (it == s.devices.end()) return MCIERR_INVALID_DEVICE_ID;
  HaltDeviceMusic(device);
  s.devices.erase(it);
  return 0;
}

MCIERROR McPlay(MCIDEVICEID device, DWORD_PTR flags, MCI_PLAY_PARMS* p) {
  State& s = S();
  auto it = s.devices.find(device);
  if (it == s.devices.end()) return MCIERR_INVALID_DEVICE_ID;
  if ((flags & MCI_NOTIFY) && p == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
  HaltDeviceMusic(s.playingDevice);
  if (flags & MCI_NOTIFY) {
    std::lock_guard<std::mutex> lock(s.notifyMu);
    s.notifyHwnd = reinterpret_cast<HWND>(p->dwCallback);
    s.notifyDevice = device;
  }
  if (Mix_PlayMusic(it->second.get(), 0) != 0) {
    ClearPending();
    return MCIERR_HARDWARE;
  }
  s.playingDevice = device;
  if (flags & MCI_WAIT) {
    while (Mix_PlayingMusic()) SDL_Delay(10);
  }
  return 0;
}

MCIERROR McStatus(MCIDEVICEID device, DWORD_PTR flags, MCI_STATUS_PARMS* p) {
  State& s = S();
  if (s.devices.find(device) == s.devices.end()) return MCIERR_INVALID_DEVICE_ID;
  if (p == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
  if (!(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
  switch (p->dwItem) {
    case MCI_SEQ_STATUS_PORT:
      p->dwReturn = 0;  // the one synthesiser behind SDL_mixer
      return 0;
    case MCI_STATUS_MODE:
      p->dwReturn =
          (s.playingDevice == device && Mix_PlayingMusic()) ? MCI_MODE_PLAY : MCI_MODE_STOP;
      return 0;
    default:
      return MCIERR_UNSUPPORTED_FUNCTION;
  }
}

BOOL PlaySoundNow(LPCSTR sound, DWORD flags) {
  // Stopping needs no audio device: silence never opens one.
  if (sound == nullptr) {
    StopWave();
    return TRUE;
  }
  if (!EnsureAudio()) return FALSE;
  State& s = S();
  if ((flags & SND_NOSTOP) && Mix_Playing(kChannel)) return FALSE;
  // The old sound stops even when the new one turns out unplayable: a sound
  // that cannot be played gives silence.
  StopWave();

  ChunkPtr chunk;
  if ((flags & SND_RESOURCE) == SND_RESOURCE) {
    chunk.reset(LoadResource(sound));
  } else if (flags & SND_MEMORY) {
    // An image in memory carries no trustworthy length; not supported.
    return FALSE;
  } else if (flags & SND_ALIAS) {
    chunk.reset(LoadAlias(sound));
  } else if (flags & SND_FILENAME) {
    chunk.reset(LoadFile(sound));
  } else {
    // Neither flag: an alias when the name is one, else a file.
    chunk.reset(LoadAlias(sound));
    if (!chunk) chunk.reset(LoadFile(sound));
  }
  // There is no system default sound to fall back on: a sound that cannot be
  // loaded gives silence (and SND_NODEFAULT is therefore always honoured).
  if (!chunk) return FALSE;

  // Looping forever in the caller's thread would hang it: a loop is always
  // played asynchronously.
  bool loop = (flags & SND_LOOP) != 0;
  if (Mix_PlayChannel(kChannel, chunk.get(), loop ? -1 : 0) < 0) return FALSE;
  s.chunk = std::move(chunk);
  s.looping = loop;
  if (!(flags & SND_ASYNC) && !loop) {
    while (Mix_Playing(kChannel)) SDL_Delay(5);
    StopWave();
  }
  return TRUE;
}

MCIERROR Command(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR param) {
  switch (message) {
    case MCI_OPEN:
      return McOpen(flags, reinterpret_cast<MCI_OPEN_PARMSA*>(param));
    case MCI_CLOSE:
      return McClose(device);
    case MCI_PLAY:
      return McPlay(device, flags, reinterpret_cast<MCI_PLAY_PARMS*>(param));
    case MCI_STOP: {
      if (S().devices.find(device) == S().devices.end()) return MCIERR_INVALID_DEVICE_ID;
      HaltDeviceMusic(device);
      return 0;
    }
    case MCI_STATUS:
      return McStatus(device, flags, reinterpret_cast<MCI_STATUS_PARMS*>(param));
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}

class SdlMixer final : public lvx::sound::Mixer {
 public:
  BOOL PlaySound(LPCSTR sound, DWORD flags) override { return PlaySoundNow(sound, flags); }
  MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags,
                       DWORD_PTR param) override {
    return Command(device, message, flags, param);
  }
  bool AudioAvailable() override { return EnsureAudio(); }
  bool AudioOpen() override { return S().open; }
  bool WavePlaying() override { return S().open && S().chunk && Mix_Playing(kChannel) != 0; }
  bool WaveLooping() override { return WavePlaying() && S().looping; }
  double WaveSeconds() override {
    const State& s = S();
    if (!s.open || !s.chunk || s.frequency <= 0 || s.channels <= 0) return 0;
    int bytes = SDL_AUDIO_BITSIZE(s.format) / 8;
    return static_cast<double>(s.chunk->alen) /
           (static_cast<double>(s.frequency) * s.channels * bytes);
  }
  std::size_t OpenSequencers() override { return S().devices.size(); }
  bool MidiPlaying() override {
    return S().open && S().playingDevice != 0 && Mix_PlayingMusic() != 0;
  }
  void ShutdownAudio() override { S().Shutdown(); }
};

}  // namespace

LVX_MODULE_EXPORT lvx::sound::Mixer* LumivexMixer(int revision) {
  static SdlMixer mixer;
  return revision == lvx::sound::kMixerRevision ? &mixer : nullptr;
}
