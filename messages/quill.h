// The message book: the user's messages, each a slot of message text, bottom
// line and optional password, kept in the per-user section "Messages" of the
// main settings. Only the loaded slot lives in memory.
#pragma once

#include <cstddef>

// Product name, version and home page as the messages show them.
inline constexpr const char* ProductNameAndVersion = "Lumivex v3.08";
inline constexpr const char* ProductVersion = "v3.08";
inline constexpr const char* ProductBuildDate = "Oct 16 2005";
inline constexpr const char* HomePageAddress = "https://lumivex.example.org";
// The maker's other addresses, shown and used by the configuration pages.
inline constexpr const char* SupportMailAddress = "support@lumivex.example.org";
inline constexpr const char* DownloadSiteAddress = "https://downloads.example.net/lumivex";

class QUILL {
 public:
  static constexpr std::size_t MessageSize = 80;      // 79 characters
  static constexpr std::size_t BottomLineSize = 300;  // 299 characters
  static constexpr std::size_t PasswordSize = 300;    // 299 characters

  QUILL();

  // Slot number Read and Write work on.
  int Index;
  // The loaded slot, in clear; every text stays terminated within its buffer.
  char Message[MessageSize];
  char BottomLine[BottomLineSize];
  char Password[PasswordSize];
  // The next GetNext is the first of this run (it takes "Preview").
  int FirstCall;
  // Options, loaded with the scene (LoadOptions) or set by the dialogs.
  int ShowRandomly;
  int DisableMultiple;
  char DecryptPassword[PasswordSize];

  // Loads "ShowRandomly", "DisableMultiple" and "DecryptPassword".
  void LoadOptions();

  // Loads slot Index. A slot with a password is stored scrambled and read
  // back in clear; on the first run slot 1 reads as the sample message.
  void Read();
  // Stores the buffers as slot Index, scrambled when there is a password.
  void Write();
  // 1 when slot k holds no text at all; the current slot is loaded again after.
  int IsFree(int k);
  // The first free slot from 1 upwards: the book's extent.
  int FindFirstFree();
  // Chooses the next message to show and leaves it loaded. Returns 1 when a
  // slot was accepted; 0 when none of them may be shown, and then the buffers
  // are empty (the stars write nothing) rather than holding a secret text.
  int GetNext();
  // Without a decrypt password: the number of further messages (slots 1..n-1);
  // with one: how many of them carry exactly that password.
  int CountSecretMessages();

  // First run: the three sample slots 0, 1 and 2, stored with the password
  // buffer as it is; slot 0 is loaded afterwards.
  void WriteFirstRunMessages();

  // Empties the three slot buffers.
  void Clear();
};

// The one message book of the process.
extern QUILL Quill;

namespace lvx {
// Tests: the message book as at program start.
void ResetMessageBookForTests();
}  // namespace lvx
