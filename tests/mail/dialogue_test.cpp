// The POP3 dialogue against a scripted server: what is sent, what each reply
// leads to, what the log says and what becomes of the mail count.
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "mail/pop3_connection.h"
#include "mail/ras_api.h"
#include "tests/mail/fake_pop3.h"
#include "tests/mail/mail_fixture.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kUnchanged = 7;

FakeReply Silence() { return FakeReply{{}, true, false}; }
FakeReply HangUp() { return FakeReply{{}, false, true}; }
FakeReply Pieces(std::vector<std::string> segments) {
  return FakeReply{std::move(segments), false, false};
}

// The log values of GetNumberOfMails from `from` on, in order.
std::vector<std::string> CheckEntries(const std::string& log, std::size_t from) {
  std::vector<std::string> out;
  const std::string key = "GetNumberOfMails= ";
  for (std::size_t at = log.find(key, from); at != std::string::npos; at = log.find(key, at + 1)) {
    const std::size_t begin = at + key.size();
    out.push_back(log.substr(begin, log.find('\n', begin) - begin));
  }
  return out;
}

using MailDialogue = MailTest;

TEST_F(MailDialogue, RepliesLeadToTheCountOrToAnAbort) {
  lvx::SetMailTimeoutForTests(300);
  const std::string greeting = "+OK ready\r\n";
  const std::vector<std::string> plainDialogue = {"USER jonah\r\n", "PASS secret\r\n", "STAT \r\n",
                                                  "QUIT \r\n"};
  struct Case {
    const char* name;
    int security;
    std::vector<FakeReply> replies;
    int result;
    int mailCount;
    std::vector<std::string> log;   // the check's log values, all of them
    std::vector<std::string> sent;  // every line the server received
    const char* password = "secret";
    bool v6 = false;
    bool noServer = false;
  };
  const std::vector<std::string> okThenAbort = {"Entering", "Connected", "aborted"};
  const std::vector<Case> cases = {
      {"three messages waiting",
       SecurityPlain,
       {Reply(greeting), Reply("+OK\r\n"), Reply("+OK\r\n"), Reply("+OK 3 1234\r\n")},
       3,
       3,
       {"Entering", "Connected", "password accepted"},
       plainDialogue},
      {"an empty mailbox",
       SecurityPlain,
       {Reply(greeting), Reply("+OK\r\n"), Reply("+OK\r\n"), Reply("+OK 0 0\r\n")},
       0,
       0,
       {"Entering", "Connected", "password accepted"},
       plainDialogue},
      {"greeting refused",
       SecurityPlain,
       {Reply("-ERR too busy\r\n")},
       -1,
       kUnchanged,
       {"Entering", "Connected", "Cannot receive", "aborted"},
       {}},
      {"user refused",
       SecurityPlain,
       {Reply(greeting), Reply("-ERR who?\r\n")},
       -1,
       kUnchanged,
       {"Entering", "Connected", "Does not accept user", "aborted"},
       {"USER jonah\r\n"}},
      {"password refused",
       SecurityPlain,
       {Reply(greeting), Reply("+OK\r\n"), Reply("-ERR [AUTH] wrong\r\n")},
       -1,
       kUnchanged,
       {"Entering", "Connected", "Does not accept password", "aborted"},
       {"USER jonah\r\n", "PASS secret\r\n"}},
      {"STAT refused",
       SecurityPlain,
       {Reply(greeting), Reply("+OK\r\n"), Reply("+OK\r\n"), Reply("-ERR locked\r\n")},
       -1,
       kUnchanged,
       {"Entering", "Connected", "password accepted", "aborted"},
       {"USER jonah\r\n", "PASS secret\r\n", "STAT \r\n"}},
      {"STAT without a count",
       SecurityPlain,
       {Reply(greeting), Reply("+OK\r\n"), Reply("+OK\r\n"), Reply("+OK\r\n")},
       -1,
       kUnchanged,
       {"Entering", "Connected", "password accepted", "Bad STAT reply", "aborted"},
       {"USER jonah\r\n", "PASS secret\r\n", "STAT \r\n"}},
      {"a server that says nothing",
       SecurityPlain,
       {Silence()},
       -1,
       kUnchanged,
       {"Entering", "Connected", "No reply in time", "Cannot receive", "aborted"},
       {}},
      {"a server that hangs up",
       SecurityPlain,
       {Reply(greeting), HangUp()},
       -1,
       kUnchanged,
       {"Entering", "Connected", "Connection closed by the server", "Does not accept user",
        "aborted"},
       {"USER jonah\r\n"}},
      {"replies split across segments",
       SecurityPlain,
       {Pieces({"+O", "K rea", "dy\r", "\n"}), Pieces({"+", "OK\r\n"}), Reply("+OK\r\n"),
        Pieces({"+OK ", "3 12", "34\r\n"})},
       3,
       3,
       {"Entering", "Connected", "password accepted"},
       plainDialogue},
      {"a greeting of 3000 bytes",
       SecurityPlain,
       {Reply("+OK " + std::string(3000, 'x') + "\r\n"), Reply("+OK\r\n"), Reply("+OK\r\n"),
        Reply("+OK 3 1234\r\n")},
       3,
       3,
       {"Entering", "Connected", "password accepted"},
       plainDialogue},
      {"a line without end",
       SecurityPlain,
       {Reply("+OK " + std::string(70000, 'x'))},
       -1,
       kUnchanged,
       {"Entering", "Connected", "Reply too long", "Cannot receive", "aborted"},
       {}},
      {"a line break in the password",
       SecurityPlain,
       {Reply(greeting)},
       -1,
       kUnchanged,
       {"Entering", "Line break in the login name or password", "aborted"},
       {},
       "secret\r\nDELE 1"},
      {"nothing listening",
       SecurityPlain,
       {},
       -1,
       kUnchanged,
       {"Entering", "Cannot connect", "aborted"},
       {},
       "secret",
       false,
       true},
      {"over IPv6",
       SecurityPlain,
       {Reply(greeting), Reply("+OK\r\n"), Reply("+OK\r\n"), Reply("+OK 3 1234\r\n")},
       3,
       3,
       {"Entering", "Connected", "password accepted"},
       plainDialogue,
       "secret",
       true},
      {"STLS refused, plain allowed",
       SecurityStartTlsIfOffered,
       {Reply(greeting), Reply("-ERR what?\r\n"), Reply("+OK\r\n"), Reply("+OK\r\n"),
        Reply("+OK 3 1234\r\n")},
       3,
       3,
       {"Entering", "Connected", "STLS refused, going on without TLS", "password accepted"},
       {"STLS\r\n", "USER jonah\r\n", "PASS secret\r\n", "STAT \r\n", "QUIT \r\n"}},
      {"STLS refused, TLS required",
       SecurityStartTlsRequired,
       {Reply(greeting), Reply("-ERR what?\r\n"), Reply("+OK\r\n"), Reply("+OK\r\n")},
       -1,
       kUnchanged,
       {"Entering", "Connected", "STLS refused and TLS is required", "aborted"},
       {"STLS\r\n"}},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MailCount = kUnchanged;
    FakePop3 server(c.replies, c.v6);
    ASSERT_TRUE(server.Listening());
    const unsigned short port = c.noServer ? UnusedLoopbackPort() : server.Port();
    Account((c.v6 ? "[::1]:" : "127.0.0.1:") + std::to_string(port), c.security, "jonah",
            c.password);
    const std::size_t from = Log().size();
    EXPECT_EQ(NewMail.GetNumberOfMails(), c.result);
    EXPECT_EQ(MailCount.load(), c.mailCount);
    EXPECT_EQ(CheckEntries(Log(), from), c.log);
    if (c.noServer) continue;
    // The client is done; give the server a moment to read what is in flight.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(server.Received(), c.sent);
  }
}

// Once TLS was asked for, a failed handshake ends the check: the account
// never goes out in the clear.
TEST_F(MailDialogue, AFailedHandshakeNeverFallsBackToPlain) {
  lvx::SetMailTimeoutForTests(2000);
  struct Case {
    const char* name;
    int security;
    std::vector<FakeReply> replies;
  };
  const std::vector<Case> cases = {
      {"STLS accepted, then plain text",
       SecurityStartTlsIfOffered,
       {Reply("+OK ready\r\n"), Pieces({"+OK begin TLS\r\n", "+OK this is no TLS record\r\n"}),
        Reply("+OK\r\n"), Reply("+OK\r\n")}},
      {"STLS required, accepted, then plain text",
       SecurityStartTlsRequired,
       {Reply("+OK ready\r\n"), Pieces({"+OK begin TLS\r\n", "+OK this is no TLS record\r\n"}),
        Reply("+OK\r\n"), Reply("+OK\r\n")}},
      {"STLS accepted, then the server hangs up",
       SecurityStartTlsIfOffered,
       {Reply("+OK ready\r\n"), Reply("+OK begin TLS\r\n"), HangUp()}},
      {"implicit TLS against a plain server",
       SecurityImplicitTls,
       {Reply("+OK ready\r\n"), Reply("+OK\r\n"), Reply("+OK\r\n")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MailCount = kUnchanged;
    FakePop3 server(c.replies);
    Account("127.0.0.1:" + std::to_string(server.Port()), c.security);
    const std::size_t from = Log().size();
    EXPECT_EQ(NewMail.GetNumberOfMails(), -1);
    EXPECT_EQ(MailCount.load(), kUnchanged);
    const std::vector<std::string> log = CheckEntries(Log(), from);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].rfind("TLS failed: ", 0), 0u) << log[log.size() - 2];
    EXPECT_EQ(log.back(), "aborted");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (const std::string& line : server.Received()) {
      EXPECT_NE(line.rfind("USER", 0), 0u);
      EXPECT_EQ(line.find("PASS"), std::string::npos);
      EXPECT_EQ(line.find("secret"), std::string::npos);
    }
  }
}

// A program installed without its TLS module ends every check that asks for
// TLS, saying why, before the account goes out; plain checks go on.
TEST_F(MailDialogue, WithoutTheTlsModuleOnlyPlainChecksGoOn) {
  lvx::SetMailTimeoutForTests(2000);
  lvx::SetModuleFoldersForTests({lvx::test::MakeTempDir("no-modules")});
  const std::vector<FakeReply> counted = {Reply("+OK ready\r\n"), Reply("+OK\r\n"),
                                          Reply("+OK\r\n"), Reply("+OK 2 99\r\n")};
  struct Case {
    const char* name;
    int security;
    std::vector<FakeReply> replies;
    int result;
  };
  const std::vector<Case> cases = {
      {"STLS offered",
       SecurityStartTlsIfOffered,
       {Reply("+OK ready\r\n"), Reply("+OK begin TLS\r\n"), Reply("+OK\r\n")},
       -1},
      {"STLS required",
       SecurityStartTlsRequired,
       {Reply("+OK ready\r\n"), Reply("+OK begin TLS\r\n"), Reply("+OK\r\n")},
       -1},
      {"implicit TLS", SecurityImplicitTls, {Reply("+OK ready\r\n"), Reply("+OK\r\n")}, -1},
      {"plain", SecurityPlain, counted, 2},
      {"STLS refused, plain allowed",
       SecurityStartTlsIfOffered,
       {Reply("+OK ready\r\n"), Reply("-ERR no TLS here\r\n"), Reply("+OK\r\n"), Reply("+OK\r\n"),
        Reply("+OK 2 99\r\n")},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MailCount = kUnchanged;
    FakePop3 server(c.replies);
    Account("127.0.0.1:" + std::to_string(server.Port()), c.security);
    const std::size_t from = Log().size();
    EXPECT_EQ(NewMail.GetNumberOfMails(), c.result);
    const std::vector<std::string> log = CheckEntries(Log(), from);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    bool passwordSent = false;
    for (const std::string& line : server.Received())
      passwordSent = passwordSent || line.find("secret") != std::string::npos;
    if (c.result >= 0) {
      EXPECT_EQ(MailCount.load(), c.result);
      EXPECT_TRUE(passwordSent);
      continue;
    }
    EXPECT_EQ(MailCount.load(), kUnchanged);
    EXPECT_FALSE(passwordSent);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].rfind("TLS failed: no TLS (liblumivex_tls.so: not in ", 0), 0u)
        << log[log.size() - 2];
    EXPECT_EQ(log.back(), "aborted");
  }
  EXPECT_EQ(GetModuleHandleA(kTlsModule), nullptr);
}

TEST_F(MailDialogue, ASecondCheckWhileOneRunsReturnsAtOnce) {
  FakePop3 server(
      {Reply("+OK ready\r\n"), Reply("+OK\r\n"), Reply("+OK\r\n"), Reply("+OK 3 1234\r\n")});
  server.HoldGreeting();
  Account("127.0.0.1:" + std::to_string(server.Port()), SecurityPlain);
  MailCount = kUnchanged;
  std::future<int> first =
      std::async(std::launch::async, [] { return NewMail.GetNumberOfMails(); });
  for (int i = 0; i < 500 && !Logged("GetNumberOfMails= Connected"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(NewMail.Running(), 1);

  EXPECT_EQ(NewMail.GetNumberOfMails(), 0);
  EXPECT_EQ(MailCount.load(), kUnchanged);
  EXPECT_EQ(NewMail.Running(), 1);
  EXPECT_EQ(Occurrences("GetNumberOfMails= Entering"), 2);
  EXPECT_EQ(Occurrences("GetNumberOfMails= Connected"), 1);

  server.Release();
  EXPECT_EQ(first.get(), 3);
  EXPECT_EQ(MailCount.load(), 3);
  EXPECT_EQ(NewMail.Running(), 0);
}

// The end of the run does not wait for a check that hangs on its server, and
// that check, when it ends later, leaves no trace in the log or the count.
TEST_F(MailDialogue, AHungCheckIsLeftBehindAtTheEndOfTheRun) {
  auto server = std::make_unique<FakePop3>(std::vector<FakeReply>{Silence()});
  const std::string empty = lvx::test::MakeTempDir("net");
  lvx::SetNetFolderForTests(empty.c_str());
  Enable(true);
  PutPrivate("PopServer", ("127.0.0.1:" + std::to_string(server->Port())).c_str());
  PutPrivate("LAN", "1");
  PutPrivate("Security", "0");
  MailCount = kUnchanged;

  NewMail.StartTimer();
  NewMailClass::CheckTimerProc(nullptr, WM_TIMER, NewMail.timerId, 0);
  ASSERT_TRUE(server->WaitForClient(5000));
  NewMail.StopTimer();
  // StopTimer came back while the worker still waits for its greeting (the
  // time limit is 30 seconds).
  EXPECT_FALSE(lvx::WaitForMailWorkersForTests(0));
  const std::size_t from = Log().size();

  // The server goes away: the worker ends, after its run.
  server.reset();
  ASSERT_TRUE(lvx::WaitForMailWorkersForTests(10000));
  EXPECT_EQ(Log().substr(from), "");
  EXPECT_EQ(MailCount.load(), kUnchanged);
}

TEST_F(MailDialogue, TheTimerStartsAWorkerThatPublishesTheCount) {
  FakePop3 server(
      {Reply("+OK ready\r\n"), Reply("+OK\r\n"), Reply("+OK\r\n"), Reply("+OK 5 800\r\n")});
  // LAN: the connection test is not consulted, although no dial-up
  // connection exists.
  const std::string empty = lvx::test::MakeTempDir("net");
  lvx::SetNetFolderForTests(empty.c_str());
  Enable(true);
  PutPrivate("PopServer", ("localhost:" + std::to_string(server.Port())).c_str());
  PutPrivate("LAN", "1");
  PutPrivate("Security", "0");

  NewMail.StartTimer();
  NewMailClass::CheckTimerProc(nullptr, WM_TIMER, NewMail.timerId, 0);
  ASSERT_TRUE(lvx::WaitForMailWorkersForTests(10000));
  EXPECT_EQ(MailCount.load(), 5);
  EXPECT_TRUE(Logged("NewMailClass= Creating thread"));
  EXPECT_TRUE(Logged("GetNumberOfMails returned= 5"));
  EXPECT_FALSE(Logged("Modem not connected"));
  NewMail.StopTimer();
}

}  // namespace
