#include "mail/new_mail.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "mail/pop3_connection.h"
#include "mail/ras_api.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

std::atomic<int> MailCount{0};
NewMailClass NewMail;

// What a check shares with the object that started it. A worker holds its own
// reference, so a check that outlives its run (a hung server at the end of the
// saver) still has this; once released it touches nothing else: no log, no
// trace, no mail count.
struct MailCheckState {
  std::atomic<int> running{0};
  std::mutex gate;
  bool released = false;

  // Runs `action` unless the run that started the check is over. The gate
  // keeps the release from passing an action half done.
  template <class Action>
  void Publish(Action&& action) {
    std::lock_guard<std::mutex> lock(gate);
    if (!released) action();
  }
  void Release() {
    std::lock_guard<std::mutex> lock(gate);
    released = true;
  }
};

namespace {

constexpr int kInfo = 3;
constexpr int kWarning = 5;
constexpr const char* kPrivateFile = "\\LumivexPrivateSettings.ini";
constexpr const char* kLoginHint = "<eg: Jonah>";
constexpr const char* kServerHint = "<eg: pop.example.com>";

// The object whose account the timer checks.
NewMailClass* checkingObject = nullptr;
// Timer ticks since the last check; 60 so that the first tick checks.
std::uint16_t tickCounter = 60;
// Worker threads alive (tests wait for them).
std::atomic<int> workers{0};

// The account as one check sees it, copied before the worker starts.
struct MailAccount {
  std::string server;
  std::string login;
  std::string password;
  int security = SecurityStartTlsIfOffered;
};

// Bounded copy that never writes the text to the log (it may be a password);
// true when it had to be cut.
bool CopySecret(char* to, std::size_t size, const char* from) {
  const std::size_t n = strnlen(from, size);
  const bool cut = n == size;
  const std::size_t keep = cut ? size - 1 : n;
  std::memcpy(to, from, keep);
  to[keep] = '\0';
  return cut;
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

class Dialogue {
 public:
  Dialogue(MailCheckState& state, const MailAccount& account)
      : state_(state), account_(account), limit_(MailTimeout()) {}

  int Run() {
    // A line break would end the command early and let the rest of the text
    // pass for a command of its own.
    if (HasLineBreak(account_.login) || HasLineBreak(account_.password)) {
      Log("Line break in the login name or password");
      return Abort();
    }
    ServerAddress server;
    if (!ParseServer(account_.server.c_str(), account_.security, &server)) {
      Log("Bad server name");
      return Abort();
    }
    if (!connection_.Connect(server, limit_)) {
      Log("Cannot connect");
      return Abort();
    }
    Log("Connected");

    if (account_.security == SecurityImplicitTls && !Secure(server.host)) return Abort();
    if (!Expect("Cannot receive")) return Abort();
    if (account_.security == SecurityStartTlsIfOffered ||
        account_.security == SecurityStartTlsRequired) {
      Send("STLS\r\n");
      const ReceiveResult got = connection_.Receive(&reply_, limit_);
      if (got != ReceiveResult::Line) {
        LogFailure(got);
        return Abort();
      }
      if (ReplyAccepted(reply_)) {
        if (!Secure(server.host)) return Abort();
      } else if (account_.security == SecurityStartTlsRequired) {
        // The password is never sent over a connection that stayed plain.
        Log("STLS refused and TLS is required");
        return Abort();
      } else {
        Log("STLS refused, going on without TLS");
      }
    }

    Send("USER " + account_.login + "\r\n");
    if (!Expect("Does not accept user")) return Abort();
    Send("PASS " + account_.password + "\r\n");
    if (!Expect("Does not accept password")) return Abort();
    Log("password accepted");
    Send("STAT \r\n");
    if (!Expect(nullptr)) return Abort();
    int count = 0;
    if (!StatCount(reply_, &count)) {
      Log("Bad STAT reply");
      return Abort();
    }
    Send("QUIT \r\n");
    connection_.Close();
    state_.Publish([count] { MailCount.store(count); });
    return count;
  }

 private:
  void Log(const char* value) {
    state_.Publish([value] { LogFile.Log(kInfo, "GetNumberOfMails", value); });
  }
  void Log(const std::string& value) { Log(value.c_str()); }

  int Abort() {
    connection_.Close();
    Log("aborted");
    return -1;
  }

  // A failed send is not reported: the reply that does not come is.
  void Send(const std::string& command) { connection_.Send(command, limit_); }

  void LogFailure(ReceiveResult got) {
    switch (got) {
      case ReceiveResult::Line:
        break;
      case ReceiveResult::Closed:
        Log("Connection closed by the server");
        break;
      case ReceiveResult::TimedOut:
        Log("No reply in time");
        break;
      case ReceiveResult::TooLong:
        Log("Reply too long");
        break;
      case ReceiveResult::Failed:
        Log("Receive failed");
        break;
    }
  }

  // The next reply must start with '+'; otherwise `failure` (when given) is
  // logged after the reason.
  bool Expect(const char* failure) {
    const ReceiveResult got = connection_.Receive(&reply_, limit_);
    if (got == ReceiveResult::Line && ReplyAccepted(reply_)) return true;
    LogFailure(got);
    if (failure != nullptr) Log(failure);
    return false;
  }

  // TLS now, or the check ends: never a fall-back to plain once asked for.
  bool Secure(const std::string& host) {
    std::string why;
    if (!connection_.StartTls(host, limit_, &why)) {
      Log("TLS failed: " + why);
      return false;
    }
    Log("TLS started");
    return true;
  }

  MailCheckState& state_;
  const MailAccount& account_;
  const int limit_;
  Pop3Connection connection_;
  std::string reply_;
};

int RunCheck(MailCheckState& state, const MailAccount& account) {
  state.Publish([] { LogFile.Log(kInfo, "GetNumberOfMails", "Entering"); });
  const int before = state.running.load();
  if (before < 0 || before > 1) {
    char text[32];
    std::snprintf(text, sizeof text, "eRunning=%i", before);
    state.Publish([&text] {
      Trace(text);
      LogFile.Log(kWarning, "GetNumberOfMails/running", text);
    });
  }
  if (state.running.fetch_add(1) != 0) {
    state.running.fetch_sub(1);
    return 0;
  }
  // A server that hangs up while we write must not end the saver.
  SigpipeBlock quiet;
  const int result = Dialogue(state, account).Run();
  state.running.fetch_sub(1);
  return result;
}

MailAccount AccountOf(const NewMailClass& mail) {
  MailAccount account;
  account.server = mail.popServer;
  account.login = mail.loginName;
  account.password = mail.password;
  account.security = mail.security;
  return account;
}

}  // namespace

NewMailClass::NewMailClass()
    : popServer{},
      loginName{},
      password{},
      checkEvery(0),
      lan(0),
      enabled(0),
      security(SecurityStartTlsIfOffered),
      timerId(0),
      offForThisRun(0),
      storeOpen_(0) {}

NewMailClass::~NewMailClass() { ReleaseChecks(); }

void NewMailClass::OpenStore() {
  if (storeOpen_) return;
  storeOpen_ = 1;
  privateStore.Init("$CURRENT", kPrivateFile);
  // The file holds a password that is only scrambled: for its owner's eyes.
  // Later rewrites keep the mode.
  std::error_code ignored;
  std::filesystem::permissions(
      privateStore.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
      std::filesystem::perm_options::replace, ignored);
}

void NewMailClass::ReadParams() {
  MainSettings.UserReadInt("Email", "Enabled", &enabled, 0);
  OpenStore();
  privateStore.UserReadString("Email", "LoginName", loginName, kLoginHint, sizeof loginName);
  // The scrambled form of a full-length password is up to twice as long.
  char scrambled[2 * TextSize];
  privateStore.UserReadString("Email", "Password", scrambled, "", sizeof scrambled);
  Unscramble(scrambled);
  if (CopySecret(password, sizeof password, scrambled))
    LogFile.Log(kWarning, "NewMailClass::ReadParams", "Password too long, cut");
  std::memset(scrambled, 0, sizeof scrambled);
  privateStore.UserReadString("Email", "PopServer", popServer, kServerHint, sizeof popServer);
  privateStore.UserReadInt("Email", "CheckEvery", &checkEvery, 15);
  if (checkEvery <= 5) checkEvery = 5;
  if (checkEvery >= 65) checkEvery = 65;
  privateStore.UserReadInt("Email", "LAN", &lan, 0);
  privateStore.UserReadInt("Email", "Security", &security, SecurityStartTlsIfOffered);
  if (security < SecurityPlain || security > SecurityImplicitTls) {
    LogFile.LogInt(kWarning, "NewMailClass - unknown Security, using 1", security);
    security = SecurityStartTlsIfOffered;
  }
}

void NewMailClass::WriteParams() {
  OpenStore();
  privateStore.UserWriteString("Email", "LoginName", loginName);
  char scrambled[2 * TextSize];
  CopySecret(scrambled, sizeof scrambled, password);
  Scramble(scrambled, sizeof scrambled);
  privateStore.UserWriteString("Email", "Password", scrambled);
  std::memset(scrambled, 0, sizeof scrambled);
  privateStore.UserWriteString("Email", "PopServer", popServer);
  privateStore.UserWriteUInt("Email", "CheckEvery", static_cast<unsigned>(checkEvery));
  privateStore.UserWriteUInt("Email", "LAN", static_cast<unsigned>(lan));
  privateStore.UserWriteUInt("Email", "Security", static_cast<unsigned>(security));
}

void NewMailClass::StartTimer() {
  LogFile.Log(kInfo, "NewMailClass", "StartTimer");
  ReadParams();
  if (!enabled || offForThisRun) {
    LogFile.Log(kInfo, "NewMailClass", "StartTimer-Aborted");
    return;
  }
  if (timerId != 0) {
    LogFile.Log(kWarning, "NewMailClass::StartTimer", "Already created");
    KillTimer(nullptr, timerId);
    timerId = 0;
  }
  RasApiDLL.LoadDLL();
  checkingObject = this;
  timerId = SetTimer(nullptr, 0, static_cast<UINT>(checkEvery) * 1000u, CheckTimerProc);
  LogFile.Log(kInfo, "NewMailClass", "StartTimer-exit");
}

void NewMailClass::StopTimer() {
  if (enabled && !offForThisRun) RasApiDLL.UnloadDLL();
  if (timerId != 0) {
    KillTimer(nullptr, timerId);
    timerId = 0;
  }
  ReleaseChecks();
  if (checkingObject == this) checkingObject = nullptr;
}

void NewMailClass::ReleaseChecks() {
  if (state_ != nullptr) state_->Release();
  state_.reset();
}

std::shared_ptr<MailCheckState> NewMailClass::State() {
  if (state_ == nullptr) state_ = std::make_shared<MailCheckState>();
  return state_;
}

int NewMailClass::Running() const { return state_ != nullptr ? state_->running.load() : 0; }

int NewMailClass::GetNumberOfMails() { return RunCheck(*State(), AccountOf(*this)); }

void NewMailClass::StartWorker() {
  std::shared_ptr<MailCheckState> state = State();
  MailAccount account = AccountOf(*this);
  workers.fetch_add(1);
  try {
    std::thread([state, account = std::move(account)] {
      RunCheck(*state, account);
      state->Publish([] { LogFile.LogInt(kInfo, "GetNumberOfMails returned", MailCount.load()); });
      workers.fetch_sub(1);
    }).detach();
  } catch (const std::system_error&) {
    workers.fetch_sub(1);
    LogFile.Log(kWarning, "NewMailClass", "Cannot start the check thread");
  }
}

void NewMailClass::CheckTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  const std::uint16_t taken = tickCounter++;
  if (taken < 60) return;
  tickCounter = 0;
  LogFile.Log(kInfo, "NewMailClass", "Its time to check for emails");
  NewMailClass* mail = checkingObject;
  if (mail == nullptr) return;
  if (mail->lan == 0 && !RasApiDLL.Connected()) {
    LogFile.Log(kInfo, "NewMailClass", "Modem not connected");
    return;
  }
  LogFile.Log(kInfo, "NewMailClass", "Creating thread");
  mail->StartWorker();
}

namespace lvx {

void ResetMailForTests() {
  NewMailClass& mail = NewMail;
  if (mail.timerId != 0) KillTimer(nullptr, mail.timerId);
  mail.ReleaseChecks();
  std::memset(mail.popServer, 0, sizeof mail.popServer);
  std::memset(mail.loginName, 0, sizeof mail.loginName);
  std::memset(mail.password, 0, sizeof mail.password);
  mail.checkEvery = 0;
  mail.lan = 0;
  mail.enabled = 0;
  mail.security = SecurityStartTlsIfOffered;
  mail.timerId = 0;
  mail.offForThisRun = 0;
  mail.privateStore = IniFile();
  mail.storeOpen_ = 0;
  RasApiDLL = RasApiDLLClass();
  MailCount.store(0);
  checkingObject = nullptr;
  tickCounter = 60;
  SetNetFolderForTests(nullptr);
  SetMailTimeoutForTests(0);
}

bool WaitForMailWorkersForTests(int milliseconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (workers.load() != 0) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace lvx
