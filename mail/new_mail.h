// The mailbox check: the user's POP3 account, a timer that checks it at a
// fixed interval while the saver runs, and the POP3 dialogue, which runs on a
// short-lived worker thread per check and leaves its result in MailCount.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "mail/mail_count.h"
#include "mail/pop3_reply.h"
#include "platform/winapi.h"
#include "settings/ini_file.h"

struct MailCheckState;
class NewMailClass;

namespace lvx {
void ResetMailForTests();
}

class NewMailClass {
 public:
  // Text fields hold 78 characters, as the account dialog takes them.
  static constexpr std::size_t TextSize = 80;

  NewMailClass();
  ~NewMailClass();
  NewMailClass(const NewMailClass&) = delete;
  NewMailClass& operator=(const NewMailClass&) = delete;

  char popServer[TextSize];  // "host", "host:port" or "[v6]:port"
  char loginName[TextSize];
  char password[TextSize];  // clear text in memory, scrambled in the file
  int checkEvery;           // minutes between checks, 5 to 65 once read
  int lan;                  // 1 LAN, 0 modem: check only while dialled in
  int enabled;              // the user wants the check
  int security;             // a MailSecurity value
  UINT_PTR timerId;         // the running check timer, 0 when none
  int offForThisRun;        // set by the scene when it draws into a preview
  IniFile privateStore;     // "LumivexPrivateSettings.ini", opened on first use

  // Reads the account: "Enabled" from the main settings, the rest from the
  // private store (per-user "Email"); unscrambles the password and clamps
  // CheckEvery to 5..65.
  void ReadParams();
  // Stores LoginName, the scrambled Password, PopServer, CheckEvery, LAN and
  // Security back into the private store (the account dialog's OK).
  void WriteParams();
  // Reads the account and, when enabled and not off for this run, sets the
  // connection test up and starts the check timer (period CheckEvery seconds).
  void StartTimer();
  // Stops the timer. A check still under way is left to finish on its own
  // and from then on changes nothing: no log entry, no mail count.
  void StopTimer();
  // The POP3 dialogue, on the calling thread: the number of waiting mails
  // (also stored in MailCount), 0 when another check of this object is still
  // running, a negative number on failure (MailCount keeps its value).
  int GetNumberOfMails();
  // The check timer's procedure (window thread): a check on the first tick
  // and then on every 61st, started on a worker thread when online.
  static void CheckTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

  // Checks of this object in progress (0 or 1).
  int Running() const;

 private:
  friend void lvx::ResetMailForTests();

  void OpenStore();
  std::shared_ptr<MailCheckState> State();
  // The running checks of the current run carry on without touching
  // anything outside themselves.
  void ReleaseChecks();
  void StartWorker();

  int storeOpen_;
  std::shared_ptr<MailCheckState> state_;
};

// The saver's mailbox check.
extern NewMailClass NewMail;

namespace lvx {
// Tests: the saver's check stopped and cleared, the mail count 0, the tick
// counter at 60, the connection test, its folder and the time limit as at
// program start.
void ResetMailForTests();
// Tests: waits until every worker thread has ended; false when some are
// still running after `milliseconds`.
bool WaitForMailWorkersForTests(int milliseconds);
}  // namespace lvx
