#include "messages/quill.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

QUILL Quill;

namespace {

constexpr const char* kSection = "Messages";
// Large enough for any value the store hands back (it caps reads at 998
// characters), so a scrambled text is unscrambled whole before it is cut.
constexpr std::size_t kRawSize = 1000;

// Copies at most size - 1 bytes and terminates: over-long values are cut,
// before a character that would not fit whole.
void CopyCut(char* destination, std::size_t size, const char* source) {
  const std::size_t n = lvx::CutLength(source, size - 1);
  std::memcpy(destination, source, n);
  destination[n] = '\0';
}

std::string SlotKey(const char* stem, int slot) {
  char key[40];
  std::snprintf(key, sizeof key, "%s%i", stem, slot);
  return key;
}

void LogInfo(const char* name, const char* value) { LogFile.Log(3, name, value); }

// Stores one text of a slot, scrambled when the slot has a password.
void WriteSlotText(const char* stem, int slot, const char* text, bool secret) {
  char copy[kRawSize];
  CopyCut(copy, sizeof copy, text);
  if (secret) Scramble(copy, sizeof copy);
  MainSettings.UserWriteString(kSection, SlotKey(stem, slot).c_str(), copy);
}

}  // namespace

QUILL::QUILL()
    : Index(0),
      Message{},
      BottomLine{},
      Password{},
      FirstCall(1),
      ShowRandomly(0),
      DisableMultiple(0),
      DecryptPassword{} {}

void QUILL::Clear() {
  Message[0] = '\0';
  BottomLine[0] = '\0';
  Password[0] = '\0';
}

void QUILL::LoadOptions() {
  MainSettings.UserReadInt(kSection, "ShowRandomly", &ShowRandomly, 0);
  MainSettings.UserReadInt(kSection, "DisableMultiple", &DisableMultiple, 0);
  char raw[kRawSize];
  MainSettings.UserReadString(kSection, "DecryptPassword", raw, "", sizeof raw);
  CopyCut(DecryptPassword, sizeof DecryptPassword, raw);
}

void QUILL::Read() {
  char message[kRawSize];
  char bottomLine[kRawSize];
  char password[kRawSize];
  MainSettings.UserReadString(kSection, SlotKey("Message___", Index).c_str(), message, "",
                              sizeof message);
  MainSettings.UserReadString(kSection, SlotKey("BottomLine", Index).c_str(), bottomLine, "",
                              sizeof bottomLine);
  MainSettings.UserReadString(kSection, SlotKey("Password__", Index).c_str(), password, "",
                              sizeof password);
  // Unscramble before cutting: the scrambled form can be longer than the text.
  if (password[0] != '\0') {
    Unscramble(message);
    Unscramble(bottomLine);
    Unscramble(password);
  }
  CopyCut(Message, sizeof Message, message);
  CopyCut(BottomLine, sizeof BottomLine, bottomLine);
  CopyCut(Password, sizeof Password, password);

  // A new user sees a sample in slot 1 without it being stored.
  if (Index == 1 && MainSettings.FirstTime) {
    CopyCut(Message, sizeof Message, "Lumivex");
    CopyCut(BottomLine, sizeof BottomLine, "Try it with the lights off");
    Password[0] = '\0';
  }
}

void QUILL::Write() {
  const bool secret = Password[0] != '\0';
  // The three texts go together: a secret text must never be stored
  // without its password, nor another saver's slot mixed into this one.
  IniFile::Batch slot(MainSettings);
  WriteSlotText("Message___", Index, Message, secret);
  WriteSlotText("BottomLine", Index, BottomLine, secret);
  WriteSlotText("Password__", Index, Password, secret);
}

int QUILL::IsFree(int k) {
  LogFile.LogInt(3, "QUILL entering IsFree", k);
  const int saved = Index;
  Index = k;
  Read();
  const int free = Message[0] == '\0' && BottomLine[0] == '\0' && Password[0] == '\0' ? 1 : 0;
  Index = saved;
  Read();
  LogFile.LogInt(3, "QUILL exiting IsFree", free);
  return free;
}

int QUILL::FindFirstFree() {
  // IsFree slot by slot, but the current slot is loaded again only once, at
  // the end: a book of thousands of messages is walked in one pass.
  const int saved = Index;
  int k = 1;
  for (;; ++k) {
    LogFile.LogInt(3, "QUILL entering IsFree", k);
    Index = k;
    Read();
    const int free = Message[0] == '\0' && BottomLine[0] == '\0' && Password[0] == '\0' ? 1 : 0;
    LogFile.LogInt(3, "QUILL exiting IsFree", free);
    if (free) break;
  }
  Index = saved;
  Read();
  return k;
}

int QUILL::GetNext() {
  LogInfo("QUILL", "entering GetNext");
  // Every rotation could skip every slot (a secret main message with
  // "DisableMultiple", a decrypt password no slot carries ...). The search
  // ends once each slot that the rotation can reach has been tried; the
  // stars then write nothing, since no slot may be shown.
  std::vector<bool> tried;
  std::size_t triedCount = 0;
  int rounds = 0;
  // The book does not change while a message is chosen: its extent and the
  // count of the entered password's messages are found once, not per round.
  int n = 0;
  int secretCount = -1;
  for (;;) {
    LogInfo("QUILL", "calling FindFirstFree");
    if (n == 0) n = FindFirstFree();
    LogInfo("QUILL", "returned from FindFirstFree");

    Index = Index >= n - 1 || Index < 0 ? 0 : Index + 1;
    if (ShowRandomly) Index = RandomBelow(n);
    if (FirstCall) {
      int preview = 0;
      MainSettings.UserReadInt(kSection, "Preview", &preview, 0);
      // A hand-edited "Preview" outside the book starts at the main message.
      Index = preview >= 0 && preview < n ? preview : 0;
      FirstCall = 0;
    }
    if (DisableMultiple) Index = 0;

    LogInfo("QUILL::GetNext", "calling Read");
    Read();
    LogInfo("QUILL::GetNext", "returned from Read");

    bool accept = false;
    if (DecryptPassword[0] == '\0') {
      accept = Password[0] == '\0';  // a secret slot needs its password
    } else if (std::strcmp(DecryptPassword, Password) == 0) {
      accept = true;
    } else {
      LogInfo("Lumivex", "point6");
      if (secretCount < 0) secretCount = CountSecretMessages();
      if (secretCount == 0) InternalError(nullptr, 167, 0);
    }
    if (accept) {
      LogInfo("QUILL", "exiting GetNext");
      return 1;
    }

    if (tried.size() < static_cast<std::size_t>(n)) tried.resize(n, false);
    if (!tried[Index]) {
      tried[Index] = true;
      ++triedCount;
    }
    ++rounds;
    // Only slot 0 can come up with "DisableMultiple"; a random rotation gets
    // a generous number of draws to meet every slot.
    const bool exhausted = DisableMultiple || triedCount >= static_cast<std::size_t>(n) ||
                           (ShowRandomly && rounds >= 8 * n + 8);
    if (exhausted) {
      Clear();
      LogInfo("QUILL", "no message can be shown");
      LogInfo("QUILL", "exiting GetNext");
      return 0;
    }
  }
}

int QUILL::CountSecretMessages() {
  if (DecryptPassword[0] == '\0') return FindFirstFree() - 1;
  LogInfo("Lumivex", "point6");
  const std::string wanted = DecryptPassword;
  const int n = FindFirstFree();
  if (n < 2) {
    Read();
    return 0;
  }
  const int saved = Index;
  int count = 0;
  for (int k = 1; k < n; ++k) {
    Index = k;
    Read();
    if (wanted == Password) ++count;
  }
  Index = saved;
  Read();
  return count;
}

void QUILL::WriteFirstRunMessages() {
  const std::string home = std::string("For more information, please visit: ") + HomePageAddress;
  const struct {
    const char* message;
    const char* bottomLine;
  } samples[] = {
      {ProductNameAndVersion, home.c_str()},
      {"PEACE", "Peace"},
      {"HEART", "and love"},
  };
  IniFile::Batch firstRun(MainSettings);
  for (int slot = 0; slot < 3; ++slot) {
    Index = slot;
    CopyCut(Message, sizeof Message, samples[slot].message);
    CopyCut(BottomLine, sizeof BottomLine, samples[slot].bottomLine);
    Write();
  }
  Index = 0;
  Read();
}

namespace lvx {
void ResetMessageBookForTests() { Quill = QUILL(); }
}  // namespace lvx
